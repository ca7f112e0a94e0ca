#include "import/job_options.h"

#include <charconv>

#include "base/ascii_case.h"
#include "import/worksheet_choice.h"
#include "workbook/book.h"

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

bool IsImportOption(const std::string& arg)
{
    return arg == "--sheet" || arg == "--first-row" || arg == "--first-col" || arg == "--metric" || arg == "--db";
}

std::optional<std::string> TakeImportOption(const std::string& arg, const std::string& value, ImportOptions& options)
{
    if (arg == "--sheet") {
        options.worksheet.sheetName = value;
    } else if (arg == "--first-row") {
        std::optional<int> row = parseCount(value);
        if (!row || *row < 1)
            return "--first-row needs a row number of 1 or more, not '" + value + "'";
        options.worksheet.firstDataRow = *row;
    } else if (arg == "--first-col") {
        std::optional<int> column = parseColumn(value);
        if (!column)
            return "--first-col needs a column letter name or a number of 1 or more, not '" + value + "'";
        options.worksheet.firstDataColumn = *column;
    } else if (arg == "--metric") {
        std::optional<int> family = parseFamily(value);
        if (!family)
            return "--metric needs TDI, LTDI or DAM, not '" + value + "'";
        options.worksheet.family = *family;
    } else if (arg == "--db") {
        options.databasePath = value;
    }
    return std::nullopt;
}

std::optional<WorksheetChoice> ChooseWorksheetFromOptions(const WorksheetOptions& options, const wb::Book& book,
                                                          const std::vector<std::string>& sheetNames,
                                                          std::optional<std::string>& usageError)
{
    WorksheetChoice choice;
    choice.sheetIndex = 0;
    if (options.sheetName) {
        choice.sheetIndex = -1;
        for (std::size_t i = 0; i < sheetNames.size(); ++i)
            if (sheetNames[i] == *options.sheetName) {
                choice.sheetIndex = static_cast<int>(i);
                break;
            }
        if (choice.sheetIndex < 0) {
            usageError = "no worksheet named '" + *options.sheetName + "'";
            return std::nullopt;
        }
    }
    if (options.firstDataRow) {
        choice.firstDataRow = *options.firstDataRow;
    } else {
        const wb::Sheet* sheet = book.getSheet(choice.sheetIndex);
        choice.firstDataRow = sheet ? worksheet::GuessFirstDataRow(*sheet).value_or(1) : 1;
    }
    choice.firstDataColumn = options.firstDataColumn;
    choice.family = options.family;
    return choice;
}
