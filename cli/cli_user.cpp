#include "cli/cli_user.h"

#include <cstdio>

namespace cli {

CliUser::CliUser(WorksheetOptions worksheet, std::optional<std::string> resultsPath)
    : worksheet_(std::move(worksheet)), resultsPath_(std::move(resultsPath))
{
}

void CliUser::showMessage(const std::string& text, const std::string& detail)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    if (!detail.empty()) {
        std::fwrite(detail.data(), 1, detail.size(), stderr);
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

UserInteraction::Answer CliUser::askYesNoCancel(const std::string&)
{
    return Answer::No;
}

std::optional<WorksheetChoice> CliUser::chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                        int)
{
    return ChooseWorksheetFromOptions(worksheet_, book, sheetNames, usageError_);
}

std::optional<std::string> CliUser::chooseResultsFile()
{
    return resultsPath_;
}

}  // namespace cli
