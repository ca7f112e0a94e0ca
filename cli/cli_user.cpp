#include "cli/cli_user.h"

#include <charconv>
#include <cstdio>

#include "base/ascii_case.h"
#include "workbook/book.h"
#include "import/worksheet_choice.h"

namespace cli {

std::optional<int> parseCount(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    std::from_chars_result r = std::from_chars(text.data(), end, value);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || value < 0)
        return std::nullopt;
    return value;
}

std::optional<int> parseColumn(const std::string& text)
{
    if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
        std::optional<int> number = parseCount(text);
        if (!number || *number < 1)
            return std::nullopt;
        return number;
    }
    return worksheet::ColumnNumber(text);
}

std::optional<int> parseFamily(const std::string& text)
{
    const std::string upper = upperCopy(text);
    if (upper == "TDI")
        return familyRivers;
    if (upper == "LTDI")
        return familyLakes;
    if (upper == "DAM")
        return familyDam;
    return std::nullopt;
}

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
    WorksheetChoice choice;
    choice.sheetIndex = 0;
    if (worksheet_.sheetName) {
        choice.sheetIndex = -1;
        for (std::size_t i = 0; i < sheetNames.size(); ++i)
            if (sheetNames[i] == *worksheet_.sheetName) {
                choice.sheetIndex = static_cast<int>(i);
                break;
            }
        if (choice.sheetIndex < 0) {
            usageError_ = "no worksheet named '" + *worksheet_.sheetName + "'";
            return std::nullopt;
        }
    }
    if (worksheet_.firstDataRow) {
        choice.firstDataRow = *worksheet_.firstDataRow;
    } else {
        const wb::Sheet* sheet = book.getSheet(choice.sheetIndex);
        choice.firstDataRow = sheet ? worksheet::GuessFirstDataRow(*sheet).value_or(1) : 1;
    }
    choice.firstDataColumn = worksheet_.firstDataColumn;
    choice.family = worksheet_.family;
    return choice;
}

std::optional<std::string> CliUser::chooseResultsFile()
{
    return resultsPath_;
}

}  // namespace cli
