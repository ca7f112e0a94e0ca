#pragma once

#include <optional>
#include <string>

#include "cli/cli_user.h"

class Application;

namespace cli {

// The options of an import that assess and suggest share: the worksheet choice (--sheet,
// --first-row, --first-col, --metric) and the reference database (--db). Each takes a value.
struct ImportOptions {
    WorksheetOptions worksheet;
    std::optional<std::string> databasePath;
};

// Whether arg names one of them.
bool IsImportOption(const std::string& arg);

// Takes the value of the import option arg; the reason of the usage error when the value
// is refused, nothing when it is taken.
std::optional<std::string> TakeImportOption(const std::string& arg, const std::string& value, ImportOptions& options);

// Opens the reference database of the options in app: --db, else TORVENII.mdb beside the
// program or in the installed data folder.
void OpenReferenceDatabase(Application& app, const ImportOptions& options);

}  // namespace cli
