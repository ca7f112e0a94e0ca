#include "app/job.h"

#include <filesystem>

#include "app/application.h"
#include "base/lock_file.h"
#include "base/safe_file.h"
#include "results/results_sheets.h"
#include "results/results_workbook.h"

// The export reads the analysis results: before an analysis there is nothing to save,
// and the user is told so rather than asked for a file that would stay empty.
static bool haveResults(const Job& job)
{
    return job.analysed && job.analysis.results != nullptr;
}

// The question before replacing a workbook that a spreadsheet program has open, after the
// file's name: that program could later save its old copy over the new results.
static constexpr const char* kOpenElsewhereMessage =
    " is open in a spreadsheet program. Replace it anyway? The spreadsheet program could later save its "
    "own copy over the new results; close the file there first.";

// True when the save may go on: the target is not open elsewhere, or the user says replace.
static bool mayReplace(const std::string& target, UserInteraction& ui)
{
    const std::optional<FileLock> lock = FindFileLock(target);
    if (!lock)
        return true;
    std::string question = std::filesystem::path(target).filename().string();
    question += kOpenElsewhereMessage;
    if (!lock->holder.empty())
        question += "\nIt was opened by " + lock->holder + ".";
    return ui.askYesNoCancel(question) == UserInteraction::Answer::Yes;
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
    if (!mayReplace(target, ui))
        return false;
    // No file the job read is written over, however the target is spelled: the save
    // refuses it naming the file ("it is the taxon map this job reads").
    safefile::JobInputs inputs;
    for (const SampleSource& source : SourcesOf(samples))
        inputs.add(source.path, "the sample workbook");
    if (app)
        inputs.add(app->referencePath, "the reference database");
    inputs.add(taxonMap.path, "the taxon map");
    // A failed save keeps the modified flag: the results are still unsaved.
    if (!results::SaveResultsWorkbook(*this, target, ui))
        return false;
    modified = false;
    return true;
}
