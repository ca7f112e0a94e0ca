#include "app/tvn_doc.h"
#include "results/results_sheets.h"
#include "results/results_workbook.h"

// The export reads the analysis results: before an analysis there is nothing to save,
// and the user is told so rather than asked for a file that would stay empty.
static bool haveResults(const CTVNDoc& job)
{
    return job.analysed && job.results != nullptr;
}

bool CTVNDoc::SaveResults()
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

bool CTVNDoc::SaveResultsTo(const std::string& target)
{
    if (!haveResults(*this)) {
        ui.showMessage(results::kNoResultsMessage);
        return false;
    }
    std::string error;
    if (!results::WriteResultsWorkbook(*this, target, error)) {
        // The job keeps its modified flag: its results are still unsaved.
        ui.showMessage(error);
        return false;
    }
    modified = false;
    return true;
}
