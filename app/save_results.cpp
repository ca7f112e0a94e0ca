#include "app/job.h"
#include "results/results_sheets.h"
#include "results/results_workbook.h"

// The export reads the analysis results: before an analysis there is nothing to save,
// and the user is told so rather than asked for a file that would stay empty.
static bool haveResults(const Job& job)
{
    return job.analysed && job.analysis.results != nullptr;
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
    // A failed save keeps the modified flag: the results are still unsaved.
    if (!results::SaveResultsWorkbook(*this, target, ui))
        return false;
    modified = false;
    return true;
}
