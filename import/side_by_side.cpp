// The workbooks of a job read side by side, their messages replayed in job order.

#include "import/side_by_side.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// The whole reading's progress: each workbook's share counts a fixed span, so that the
// bar moves evenly whatever each read counts (bytes, rows).
constexpr std::uint64_t kSpan = 1'000'000;

class SharedProgress {
public:
    SharedProgress(WorkProgress& outer, std::size_t count) : outer_(outer), done_(count) {}

    // Sets one workbook's part done (0 .. kSpan); false once the user asked to stop.
    bool set(std::size_t index, std::uint64_t part)
    {
        done_[index].store(std::min(part, kSpan), std::memory_order_relaxed);
        std::uint64_t sum = 0;
        for (const std::atomic<std::uint64_t>& d : done_)
            sum += d.load(std::memory_order_relaxed);
        const bool goOn = outer_.report(sum, kSpan * done_.size());
        if (!goOn)
            stopped_.store(true, std::memory_order_relaxed);
        return goOn;
    }
    bool stopped() const { return stopped_.load(std::memory_order_relaxed); }

private:
    WorkProgress& outer_;
    std::vector<std::atomic<std::uint64_t>> done_;
    std::atomic<bool> stopped_{false};
};

// One workbook's share of the progress.
class PartProgress : public WorkProgress {
public:
    PartProgress(SharedProgress& shared, std::size_t index) : shared_(shared), index_(index) {}
    bool report(std::uint64_t done, std::uint64_t total) override
    {
        const std::uint64_t part = total == 0 ? 0 : static_cast<std::uint64_t>(static_cast<double>(done) / total * kSpan);
        return shared_.set(index_, part);
    }
    bool stopped() const { return shared_.stopped(); }

private:
    SharedProgress& shared_;
    std::size_t index_;
};

// The reference tables, loaded once each and handed out one caller at a time: the
// database underneath serves one thread.
class SharedReferences : public ReferenceSource {
public:
    explicit SharedReferences(ReferenceSource& source) : source_(source) {}

    std::shared_ptr<const MemoryTable> masterList() override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return source_.masterList();
    }
    std::shared_ptr<const MemoryTable> boundaryTable(const std::string& siteType) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto [at, added] = boundaries_.try_emplace(siteType);
        if (added)
            at->second = source_.boundaryTable(siteType);
        return at->second;
    }
    std::shared_ptr<const MemoryTable> cocTable(const std::string& familyName) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto [at, added] = coc_.try_emplace(familyName);
        if (added)
            at->second = source_.cocTable(familyName);
        return at->second;
    }
    std::shared_ptr<const DatabaseIdentity> databaseIdentity() override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return source_.databaseIdentity();
    }
    std::vector<std::string> referenceNotes() override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return source_.referenceNotes();
    }

private:
    ReferenceSource& source_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const MemoryTable>> boundaries_;
    std::map<std::string, std::shared_ptr<const MemoryTable>> coc_;
};

// The user of one read: messages kept for later, questions passed on one at a time, long
// work run in place.
class RecordingUser : public UserInteraction {
public:
    RecordingUser(UserInteraction& user, std::mutex& askMutex, PartProgress& progress)
        : user_(user), askMutex_(askMutex), progress_(progress)
    {
    }

    void showMessage(const std::string& text, const std::string& detail) override
    {
        messages_.push_back({text, detail});
    }
    Answer askYesNoCancel(const std::string& question) override
    {
        const std::lock_guard<std::mutex> lock(askMutex_);
        return user_.askYesNoCancel(question);
    }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                   int family) override
    {
        const std::lock_guard<std::mutex> lock(askMutex_);
        return user_.chooseWorksheet(book, sheetNames, family);
    }
    std::optional<WorksheetChoice> chooseWorksheetAgain(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                        const WorksheetChoice& previous) override
    {
        const std::lock_guard<std::mutex> lock(askMutex_);
        return user_.chooseWorksheetAgain(book, sheetNames, previous);
    }
    std::optional<WorksheetChoice> chooseWorksheetFrom(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                       const WorksheetChoice& start) override
    {
        const std::lock_guard<std::mutex> lock(askMutex_);
        return user_.chooseWorksheetFrom(book, sheetNames, start);
    }
    std::optional<std::string> chooseResultsFile() override
    {
        const std::lock_guard<std::mutex> lock(askMutex_);
        return user_.chooseResultsFile();
    }
    bool runLong(const std::string&, const std::function<void(WorkProgress&)>& work, bool stoppable) override
    {
        if (!stoppable) {
            UnstoppableProgress unstoppable;
            work(unstoppable);
            return true;
        }
        work(progress_);
        return !progress_.stopped();
    }

    // Shows the kept messages to the read's own user, in the order they came.
    void replay()
    {
        for (const auto& [text, detail] : messages_)
            user_.showMessage(text, detail);
    }

private:
    UserInteraction& user_;
    std::mutex& askMutex_;
    PartProgress& progress_;
    std::vector<std::pair<std::string, std::string>> messages_;
};

}  // namespace

SideBySideOutcome ReadSideBySide(const std::vector<UserInteraction*>& users, const SideBySideRead& read,
                                 ReferenceSource& references, UserInteraction& ui, const std::string& what,
                                 unsigned threads)
{
    const std::size_t count = users.size();
    SideBySideOutcome outcome;
    outcome.firstFailed = count;
    if (count == 0)
        return outcome;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min<std::size_t>(threads, count);

    SharedReferences shared(references);
    std::mutex askMutex;
    std::vector<std::unique_ptr<RecordingUser>> recorders(count);
    std::atomic<std::size_t> firstFailed{count};
    std::mutex failureMutex;
    std::exception_ptr failure;

    const bool finished = ui.runLong(what, [&](WorkProgress& outer) {
        SharedProgress progress(outer, count);
        std::vector<std::unique_ptr<PartProgress>> parts;
        for (std::size_t i = 0; i < count; ++i) {
            parts.push_back(std::make_unique<PartProgress>(progress, i));
            recorders[i] = std::make_unique<RecordingUser>(*users[i], askMutex, *parts[i]);
        }
        // Workbooks are taken in job order; one after the first failure need not be read.
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (;;) {
                const std::size_t i = next.fetch_add(1);
                if (i >= count || i > firstFailed.load() || progress.stopped())
                    return;
                bool ok = false;
                try {
                    ok = read(i, *recorders[i], shared);
                } catch (...) {
                    const std::lock_guard<std::mutex> lock(failureMutex);
                    if (!failure)
                        failure = std::current_exception();
                }
                parts[i]->report(1, 1);
                if (!ok) {
                    std::size_t seen = firstFailed.load();
                    while (i < seen && !firstFailed.compare_exchange_weak(seen, i)) {
                    }
                }
            }
        };
        std::vector<std::thread> pool;
        for (std::size_t w = 1; w < workers; ++w)
            pool.emplace_back(work);
        work();
        for (std::thread& thread : pool)
            thread.join();
    });
    // An exception (out of memory) in a read ends the whole reading as it would have
    // ended the reading of that one workbook.
    if (failure)
        std::rethrow_exception(failure);

    outcome.firstFailed = firstFailed.load();
    outcome.stopped = !finished;
    if (outcome.stopped)
        return outcome;
    for (std::size_t i = 0; i < count && i <= outcome.firstFailed; ++i)
        if (recorders[i])
            recorders[i]->replay();
    return outcome;
}
