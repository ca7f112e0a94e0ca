#include "cli/import_options.h"

#include "app/application.h"
#include "cli/commands.h"

namespace cli {

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

void OpenReferenceDatabase(Application& app, const ImportOptions& options)
{
    if (options.databasePath) {
        app.OpenReferenceData(*options.databasePath);
        return;
    }
    const torven::DataFileSearch database = findReferenceDatabase();
    app.OpenReferenceData(database.path, database.notFoundDetail());
}

}  // namespace cli
