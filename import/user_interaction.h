#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "import/family.h"

namespace wb {
class Book;
}

// What the worksheet choice returns on OK. Row and column are 1-based.
struct WorksheetChoice {
    int sheetIndex = 0;
    int firstDataRow = 1;
    int firstDataColumn = 3;
    int family = familyRivers;
};

// How far a long piece of work has come, and whether the user wants it to stop.
class WorkProgress {
public:
    virtual ~WorkProgress() = default;
    // done of total (bytes, rows: whatever the work counts; total 0 when not known).
    // False once the user has asked to stop: the work should end soon, leaving nothing
    // behind. Callable from any thread.
    virtual bool report(std::uint64_t done, std::uint64_t total) = 0;
};

// The one door between the core and the user. The desktop program answers with its
// dialogs, the command line with its options and standard error, tests with a script.
class UserInteraction {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~UserInteraction() = default;

    // A modal message with an OK button. detail, when not empty, says more about a file
    // that could not be read or written: its name and the reason. The message text itself
    // stays the fixed text the user knows.
    virtual void showMessage(const std::string& text, const std::string& detail = std::string()) = 0;
    // A question answered Yes, No or Cancel.
    virtual Answer askYesNoCancel(const std::string& question) = 0;
    // The worksheet, the first data row and column and the family for an import;
    // nothing when the user cancels.
    virtual std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book,
                                                           const std::vector<std::string>& sheetNames,
                                                           int family) = 0;
    // After a layout message about a choice (the sheet and metric do not fit): the same
    // choice offered again to be corrected. Nothing ends the import, as cancelling does;
    // a user that cannot choose again (the command line) keeps this default.
    virtual std::optional<WorksheetChoice> chooseWorksheetAgain(const wb::Book& /*book*/,
                                                                const std::vector<std::string>& /*sheetNames*/,
                                                                const WorksheetChoice& /*previous*/)
    {
        return std::nullopt;
    }
    // The worksheet of one more workbook of a job: the choice starts from start (the last
    // workbook's sheet, first row and column, the job's metric); nothing when the user
    // cancels. A user that shows no choice answers as chooseWorksheet does.
    virtual std::optional<WorksheetChoice> chooseWorksheetFrom(const wb::Book& book,
                                                               const std::vector<std::string>& sheetNames,
                                                               const WorksheetChoice& start)
    {
        return chooseWorksheet(book, sheetNames, start.family);
    }
    // The path of the results workbook to write; nothing when the user cancels.
    virtual std::optional<std::string> chooseResultsFile() = 0;

    // Runs work while the user waits, and says whether it ran to its end (false: the user
    // stopped it). The desktop runs it away from the window thread, which keeps painting,
    // and shows its progress with a Cancel button when it takes longer than half a second;
    // work must therefore not call this interface, nor touch anything a window shows. Work
    // that cannot be stopped part-way (stoppable false) is offered no Cancel. The default
    // runs it here under the wait cursor, never stopped.
    virtual bool runLong(const std::string& what, const std::function<void(WorkProgress&)>& work,
                         bool stoppable = true);

    // The wait cursor: shown between the two calls. Use BusyIndicator.
    virtual void beginBusy() {}
    virtual void endBusy() {}
};

// The detail of a message about a file that could not be read or written: the file's
// name as the user gave it, then the reason ("samples.ods: it is an OpenDocument ...").
inline std::string FileProblemDetail(const std::string& path, const std::string& reason)
{
    return reason.empty() ? path : path + ": " + reason;
}

// Shows the busy indicator for as long as it lives.
class BusyIndicator {
public:
    explicit BusyIndicator(UserInteraction& ui) : ui_(ui) { ui_.beginBusy(); }
    ~BusyIndicator() { ui_.endBusy(); }
    BusyIndicator(const BusyIndicator&) = delete;
    BusyIndicator& operator=(const BusyIndicator&) = delete;

private:
    UserInteraction& ui_;
};

// The progress of work that nobody can stop: it goes on whatever is reported.
class UnstoppableProgress : public WorkProgress {
public:
    bool report(std::uint64_t, std::uint64_t) override { return true; }
};

inline bool UserInteraction::runLong(const std::string& /*what*/, const std::function<void(WorkProgress&)>& work,
                                     bool /*stoppable*/)
{
    BusyIndicator busy(*this);
    UnstoppableProgress progress;
    work(progress);
    return true;
}
