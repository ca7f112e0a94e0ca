#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/imported_samples.h"
#include "import/user_interaction.h"

// A job of several workbooks: each imported on its own (ImportSamples,
// ImportPresetSamples), with its own checks and messages, then pooled into one
// ImportedSamples that the analysis reads as if it were one worksheet.
//
// The rules, which the pooled summary states:
// - samples follow one another in the order of the parts, each part's in its own order;
// - taxa are the union by code, in the order first met; a taxon a workbook does not list
//   counts 0 in its samples. A code listed twice in one workbook stays two taxa, its n-th
//   row matched with the n-th of the same code elsewhere, as the import of that one
//   workbook keeps them;
// - a code named differently in two workbooks keeps the first name, and the summary says so;
// - the header rows are the most any part has; a label comes from the first part that has
//   the row, and a sample whose worksheet lacks the row has an empty value there;
// - one metric, one set of chemistry defaults and one set of reference tables per job:
//   those of the first part.

// Pools the parts; nothing, with the message shown, when they cannot make one job (a
// sample name in two workbooks, two metrics, too much data). One part is returned as it is.
std::optional<ImportedSamples> PoolSamples(std::vector<ImportedSamples> parts, UserInteraction& ui);

// Adds the samples of one more import to a job. False, with the message shown, when they
// cannot join it; the job is then exactly as it was.
bool AddSamples(ImportedSamples& job, ImportedSamples added, UserInteraction& ui);
// The same for the imports of several more workbooks at once, all or none.
bool AddSamples(ImportedSamples& job, std::vector<ImportedSamples> added, UserInteraction& ui);

// The user of the import of one workbook of a job of several: every message about that
// workbook names it in the detail (the message itself keeps its own text), so that the
// user knows which file to correct. Everything else goes to the user as it is.
class WorkbookNamingUser : public UserInteraction {
public:
    WorkbookNamingUser(UserInteraction& user, std::string workbookPath)
        : user_(user), workbookPath_(std::move(workbookPath))
    {
    }

    void showMessage(const std::string& text, const std::string& detail = std::string()) override;
    Answer askYesNoCancel(const std::string& question) override { return user_.askYesNoCancel(question); }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                   int family) override
    {
        return user_.chooseWorksheet(book, sheetNames, family);
    }
    std::optional<WorksheetChoice> chooseWorksheetAgain(const wb::Book& book,
                                                        const std::vector<std::string>& sheetNames,
                                                        const WorksheetChoice& previous) override
    {
        return user_.chooseWorksheetAgain(book, sheetNames, previous);
    }
    std::optional<WorksheetChoice> chooseWorksheetFrom(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                       const WorksheetChoice& start) override
    {
        return user_.chooseWorksheetFrom(book, sheetNames, start);
    }
    std::optional<std::string> chooseResultsFile() override { return user_.chooseResultsFile(); }
    bool runLong(const std::string& what, const std::function<void(WorkProgress&)>& work,
                 bool stoppable = true) override
    {
        return user_.runLong(what, work, stoppable);
    }
    void beginBusy() override { user_.beginBusy(); }
    void endBusy() override { user_.endBusy(); }

private:
    UserInteraction& user_;
    std::string workbookPath_;
};
