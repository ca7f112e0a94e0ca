#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace wb {

// Told how far the reading of a workbook has come: `done` bytes of `total`. For an .xlsx
// file these are the inflated bytes of its cell parts (the shared-string table and the
// sheets being read), `total` their size as the zip directory states it; for an .xls
// file, the bytes of its workbook stream walked so far. Called on the thread that reads,
// at least once for every 256 KiB read and never with `done` going back or past
// `total`; the last call of a read that succeeds has done == total. Returning false
// stops the reading: the read then reports that it was cancelled.
using ProgressCallback = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// The reason a read stopped by its ProgressCallback gives.
inline constexpr char kReadCancelled[] = "the reading was cancelled";

// Counts the bytes of one read for a ProgressCallback (none: counts nothing).
class ReadProgress {
public:
    ReadProgress() = default;
    ReadProgress(ProgressCallback callback, std::uint64_t total) : callback_(std::move(callback)), total_(total) {}

    bool active() const { return static_cast<bool>(callback_); }
    // Adds to the total (a part found to need reading after the first call).
    void addTotal(std::uint64_t bytes) { total_ += bytes; }
    // Counts `bytes` more; false once the callback has asked to stop.
    bool advance(std::uint64_t bytes)
    {
        if (!callback_ || stopped_)
            return !stopped_;
        counted_ += bytes;
        if (counted_ - reported_ >= kStep)
            report(counted_);
        return !stopped_;
    }
    // Counts up to `position` (a place in a stream walked from its start).
    bool advanceTo(std::uint64_t position) { return position > counted_ ? advance(position - counted_) : !stopped_; }
    // The read is done: reports the whole total (unless stopped).
    bool finish()
    {
        if (callback_ && !stopped_)
            report(total_ > counted_ ? total_ : counted_);
        return !stopped_;
    }
    bool stopped() const { return stopped_; }

    // Bytes between two calls at most (a chunk of inflated data is 256 KiB).
    static constexpr std::uint64_t kStep = std::uint64_t{256} << 10;

private:
    void report(std::uint64_t done)
    {
        // A zip directory may understate a part's size: the total then grows with what
        // was read, so that done never passes it.
        if (done > total_)
            total_ = done;
        if (done < shown_)
            done = shown_;
        reported_ = counted_;
        shown_ = done;
        if (!callback_(done, total_))
            stopped_ = true;
    }

    ProgressCallback callback_;
    std::uint64_t total_ = 0;
    std::uint64_t counted_ = 0;
    std::uint64_t reported_ = 0;
    std::uint64_t shown_ = 0;
    bool stopped_ = false;
};

}  // namespace wb
