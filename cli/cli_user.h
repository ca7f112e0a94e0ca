#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/job_options.h"
#include "import/user_interaction.h"

namespace cli {

// The command line's user: every message goes to standard error followed by a line
// feed; every choice comes from the options.
class CliUser : public UserInteraction {
public:
    CliUser(WorksheetOptions worksheet, std::optional<std::string> resultsPath);

    void showMessage(const std::string& text, const std::string& detail = std::string()) override;
    // Nothing on the command line closes a job with results unsaved: the results file
    // is written only when -o names one, so the save question is answered No.
    Answer askYesNoCancel(const std::string& question) override;
    // Nothing (as a cancelled dialog) when the named sheet does not exist; usageError()
    // then says so.
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                   int family) override;
    std::optional<std::string> chooseResultsFile() override;

    // Set when an option could not be answered from the workbook (a sheet name that does
    // not exist): a usage error, not a failed import.
    const std::optional<std::string>& usageError() const { return usageError_; }

private:
    WorksheetOptions worksheet_;
    std::optional<std::string> resultsPath_;
    std::optional<std::string> usageError_;
};

}  // namespace cli
