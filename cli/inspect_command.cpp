// torven-cli inspect: what the worksheet dialog would show, as text.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_user.h"
#include "cli/commands.h"
#include "workbook/book.h"
#include "import/worksheet_choice.h"
#include "workbook/cells/cell_names.h"

namespace cli {

namespace {

constexpr int kDefaultRows = 20;
constexpr int kDefaultColumns = 10;

struct InspectOptions {
    std::string workbook;
    std::optional<std::string> sheetName;
    int rows = kDefaultRows;
    int columns = kDefaultColumns;
};

int usage(const std::string& reason)
{
    std::fprintf(stderr, "torven-cli inspect: %s\n", reason.c_str());
    std::fputs("Usage: torven-cli inspect WORKBOOK [--sheet NAME] [--rows N] [--cols N]\n", stderr);
    return exitUsage;
}

int runInspect(const std::vector<std::string>& args)
{
    InspectOptions options;
    bool haveWorkbook = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--sheet" || arg == "--rows" || arg == "--cols") {
            if (i + 1 >= args.size())
                return usage(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--sheet") {
                options.sheetName = value;
                continue;
            }
            std::optional<int> count = parseCount(value);
            if (!count)
                return usage(arg + " needs a whole number of 0 or more, not '" + value + "'");
            (arg == "--rows" ? options.rows : options.columns) = *count;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage("unknown option '" + arg + "'");
        } else if (haveWorkbook) {
            return usage("only one workbook can be inspected");
        } else {
            options.workbook = arg;
            haveWorkbook = true;
        }
    }
    if (!haveWorkbook)
        return usage("no workbook given");

    std::unique_ptr<wb::Book> book = worksheet::CreateBookFor(options.workbook);
    if (!book->load(options.workbook)) {
        const std::string detail = FileProblemDetail(options.workbook, book->errorMessage());
        std::fprintf(stderr, "Error reading file\n%s\n", detail.c_str());
        return exitFailed;
    }

    const wb::Sheet* chosen = book->getSheet(0);
    if (options.sheetName) {
        chosen = worksheet::FindSheet(*book, *options.sheetName);
        if (!chosen)
            return usage("no worksheet named '" + *options.sheetName + "'");
    }

    for (int i = 0; i < book->sheetCount(); ++i) {
        const wb::Sheet& sheet = *book->getSheet(i);
        writeRecord({std::to_string(i + 1), sheet.name(), std::to_string(sheet.lastRow()),
                   std::to_string(sheet.lastCol()), std::to_string(worksheet::GuessFirstDataRow(sheet).value_or(1))});
    }
    std::fputs("\n", stdout);
    if (!chosen)
        return exitOk;  // a book without sheets has no block to show

    const int rows = std::min(options.rows, chosen->lastRow());
    const int columns = std::min(options.columns, chosen->lastCol());
    std::vector<std::string> fields{""};
    for (int c = 1; c <= columns; ++c)
        fields.push_back(wb::ColumnLetters(c - 1));
    writeRecord(fields);
    for (int r = 1; r <= rows; ++r) {
        fields.assign(1, std::to_string(r));
        for (int c = 1; c <= columns; ++c)
            fields.push_back(worksheet::PreviewCellText(*chosen, r, c));
        writeRecord(fields);
    }
    return exitOk;
}

const CommandRegistration registration("inspect", runInspect);

}  // namespace

}  // namespace cli
