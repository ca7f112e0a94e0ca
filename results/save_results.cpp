#include "app/job.h"
#include "results/results_sheets.h"
#include "results/results_workbook.h"

// The writers' texts name the file ("cannot write \"r.xlsx\": Permission denied"); the
// message's detail gives the file and the reason alone.
static std::string reasonOf(const std::string& error, const std::string& target)
{
    const std::string prefix = "cannot write \"" + target + "\": ";
    return error.starts_with(prefix) ? error.substr(prefix.size()) : error;
}

// The export reads the analysis results: before an analysis there is nothing to save,
// and the user is told so rather than asked for a file that would stay empty.
static bool haveResults(const Job& job)
{
    return job.analysed && job.results != nullptr;
}

bool Job::SaveResults()
{
    if (!haveResults(*this)) {
        ui.showMessage(results::kNoResultsMessage);
        return false;
    }
    std::optional<std::string> chosen = ui.chooseResultsFile();
    if (!chosen)
        return false;
    return SaveResultsTo(*chosen);
}

bool Job::SaveResultsTo(const std::string& target)
{
    if (!haveResults(*this)) {
        ui.showMessage(results::kNoResultsMessage);
        return false;
    }
    // Checked here rather than in the file dialog, so that every way of choosing the file
    // is covered; nothing is written.
    if (results::IsJobWorkbook(*this, target)) {
        ui.showMessage(results::kOwnWorkbookMessage, target);
        return false;
    }
    std::string error;
    if (!results::WriteResultsWorkbook(*this, target, error)) {
        // The job keeps its modified flag: its results are still unsaved.
        ui.showMessage(error, FileProblemDetail(target, reasonOf(error, target)));
        return false;
    }
    modified = false;
    return true;
}
