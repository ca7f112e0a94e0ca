#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/family.h"
#include "import/user_interaction.h"

// The choices of an import given as options rather than in the worksheet dialog: the
// command line's and the scripting library's, which take the same option names and give
// the same refusals.

// The worksheet choice as options give it. The row is guessed on the chosen sheet when it
// is not given.
struct WorksheetOptions {
    std::optional<std::string> sheetName;  // the first sheet when not given
    std::optional<int> firstDataRow;       // 1-based
    int firstDataColumn = 3;               // 1-based
    int family = familyRivers;
};

// The options of an import that assess and suggest share: the worksheet choice (--sheet,
// --first-row, --first-col, --metric) and the reference database (--db). Each takes a value.
struct ImportOptions {
    WorksheetOptions worksheet;
    std::optional<std::string> databasePath;
};

// Option values. Each gives nothing for a text it does not accept.
// A whole non-negative decimal number.
std::optional<int> parseCount(const std::string& text);
// A column as letters ("C", "aa") or a 1-based number ("3"); nothing below 1.
std::optional<int> parseColumn(const std::string& text);
// "TDI", "LTDI" or "DAM" in any case.
std::optional<int> parseFamily(const std::string& text);

// Whether arg names one of the import options ("--sheet", ...).
bool IsImportOption(const std::string& arg);

// Takes the value of the import option arg; the reason of the usage error when the value
// is refused, nothing when it is taken.
std::optional<std::string> TakeImportOption(const std::string& arg, const std::string& value, ImportOptions& options);

// The worksheet dialog's answer from the options: the named sheet (the first when none is
// named), the given first row or the dialog's guess on that sheet (1 when it finds none),
// the column and the family. Nothing, with the usage error's reason in usageError, when the
// named sheet does not exist.
std::optional<WorksheetChoice> ChooseWorksheetFromOptions(const WorksheetOptions& options, const wb::Book& book,
                                                          const std::vector<std::string>& sheetNames,
                                                          std::optional<std::string>& usageError);
