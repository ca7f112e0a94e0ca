// torven-cli refdb and taxa: a reference database as the program reads it.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "cli/cli_user.h"
#include "cli/commands.h"
#include "matrix/number_format.h"
#include "metrics/reference_check.h"
#include "metrics/reference_diff.h"
#include "refdb/ado_database.h"
#include "refdb/ado_recordset.h"
#include "base/ascii_case.h"
#include "refdb/memory_table.h"

namespace cli {

namespace {

struct DatabaseOptions {
    std::string databasePath = findReferenceDatabase().path;
    std::optional<std::string> source;
    bool info = false;   // refdb --info: the database's identity
    bool check = false;  // refdb --check: the problems of its reference data
    std::vector<std::string> diff;  // refdb --diff OLD NEW
};

int usage(const char* command, const std::string& reason, const char* synopsis)
{
    std::fprintf(stderr, "torven-cli %s: %s\n", command, reason.c_str());
    std::fprintf(stderr, "Usage: torven-cli %s\n", synopsis);
    return exitUsage;
}

// --db PATH and, where allowed, one SOURCE; false with the reason otherwise.
bool parseOptions(const std::vector<std::string>& args, bool takesSource, DatabaseOptions& options, std::string& reason)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--db") {
            if (i + 1 >= args.size()) {
                reason = "--db needs a path";
                return false;
            }
            options.databasePath = args[++i];
        } else if (takesSource && args[i] == "--info") {
            options.info = true;
        } else if (takesSource && args[i] == "--check") {
            options.check = true;
        } else if (takesSource && args[i] == "--diff") {
            if (i + 2 >= args.size()) {
                reason = "--diff needs two databases, OLD and NEW";
                return false;
            }
            options.diff = {args[i + 1], args[i + 2]};
            i += 2;
        } else if (args[i].size() > 1 && args[i][0] == '-' && args[i] != "-") {
            reason = "unknown option '" + args[i] + "'";
            return false;
        } else if (takesSource && !options.source) {
            options.source = args[i];
        } else {
            reason = "unexpected argument '" + args[i] + "'";
            return false;
        }
    }
    return true;
}

void writeRecord(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += fields[i];
    }
    line += '\n';
    std::fputs(line.c_str(), stdout);
}

void writeErrorText(const std::string& text)
{
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
}

// Jet first, then ACE, as the program opens its database at start-up.
bool openDatabase(CADODatabase& database, const std::string& path)
{
    return database.Open(std::string("Provider=") + CADODatabase::kJetProvider + ";Data Source=" + path)
           || database.Open(std::string("Provider=") + CADODatabase::kAceProvider + ";Data Source=" + path);
}

const char* kindName(int kind)
{
    switch (kind) {
    case MemoryTable::kindShort: return "smallint";
    case MemoryTable::kindLong: return "integer";
    case MemoryTable::kindDouble: return "double";
    case MemoryTable::kindText: return "text";
    case MemoryTable::kindBool: return "bool";
    default: return "none";
    }
}

enum class CellStyle { exact, window };

// A table's value by its column's kind: exactly, as torven-cli refdb prints it, or as
// the master taxon list window shows it (small integers above 0 only, 13 digits, "Yes").
std::string cellText(const MemoryTable& table, int row, int col, CellStyle style)
{
    const bool window = style == CellStyle::window;
    int shortValue = 0;
    long longValue = 0;
    double doubleValue = 0;
    std::string text;
    std::uint8_t flag = 0;
    switch (table.ColumnKind(col)) {
    case MemoryTable::kindShort:
        table.GetShort(row, col, shortValue);
        return window && shortValue <= 0 ? "" : std::to_string(shortValue);
    case MemoryTable::kindLong: table.GetLong(row, col, longValue); return std::to_string(longValue);
    case MemoryTable::kindDouble:
        table.GetDouble(row, col, doubleValue);
        return window ? numtext::g13(doubleValue) : numtext::g17(doubleValue);
    case MemoryTable::kindText: table.GetString(row, col, text); return escapeField(text);
    case MemoryTable::kindBool: table.GetBool(row, col, flag); return window ? (flag ? "Yes" : "") : (flag ? "1" : "0");
    default: return "";
    }
}

// A record of texts from the database: each escaped, as every text of tab-separated output.
void writeEscapedRecord(const std::vector<std::string>& fields)
{
    std::vector<std::string> escaped;
    for (const std::string& field : fields)
        escaped.push_back(escapeField(field));
    writeRecord(escaped);
}

// Reads a database's reference tables for --check and --diff; false with "Error opening
// database" and the file's detail line on standard error.
bool readReference(const std::string& path, ReferenceTables& tables)
{
    std::string error;
    if (ReadReferenceTables(path, tables, error))
        return true;
    writeErrorText("Error opening database");
    writeErrorText(path + ": " + (error.empty() ? std::string("cannot be read") : error));
    return false;
}

int runCheck(const std::string& path)
{
    ReferenceTables tables;
    if (!readReference(path, tables))
        return exitNotWritten;
    const std::vector<ReferenceProblem> problems = CheckReferenceTables(tables);
    for (const ReferenceProblem& problem : problems)
        writeEscapedRecord(ProblemFields(problem));
    writeRecord({ProblemCountLine(problems.size())});
    return problems.empty() ? exitOk : exitFailed;
}

int runDiff(const std::string& oldPath, const std::string& newPath)
{
    ReferenceTables before;
    ReferenceTables after;
    if (!readReference(oldPath, before) || !readReference(newPath, after))
        return exitNotWritten;
    const ReferenceDiff diff = DiffReferenceTables(before, after);
    writeRecord({DiffCountLine(diff)});
    for (const std::vector<std::string>& line : diff.lines)
        writeEscapedRecord(line);
    return diff.same() ? exitOk : exitFailed;
}

int runRefdb(const std::vector<std::string>& args)
{
    const char* synopsis =
        "refdb [--db PATH] [SOURCE] | refdb --info [--db PATH] | refdb --check [--db PATH] | refdb --diff OLD NEW";
    DatabaseOptions options;
    std::string reason;
    if (!parseOptions(args, true, options, reason))
        return usage("refdb", reason, synopsis);
    if (int(options.info) + int(options.check) + int(!options.diff.empty()) > 1)
        return usage("refdb", "--info, --check and --diff go one at a time", synopsis);
    if ((options.info || options.check || !options.diff.empty()) && options.source)
        return usage("refdb", "--info, --check and --diff take no SOURCE", synopsis);
    if (options.check)
        return runCheck(options.databasePath);
    if (!options.diff.empty())
        return runDiff(options.diff[0], options.diff[1]);
    if (options.info) {
        // Read as the program reads its reference data at start-up, so that the lines are
        // those its results and About box state.
        CliUser user(WorksheetOptions{}, std::nullopt);
        Application app(user);
        app.OpenReferenceData(options.databasePath);
        if (!app.masterTaxonList)
            return exitFailed;
        for (const std::string& line : app.ReferenceIdentityLines())
            writeRecord({line});
        return exitOk;
    }

    CADODatabase database;
    if (!openDatabase(database, options.databasePath)) {
        writeErrorText(database.GetLastErrorText());
        return exitFailed;
    }
    if (!options.source) {
        std::vector<std::string> names;
        database.GetTableNames(names);
        for (const std::string& name : names)
            writeRecord({escapeField(name)});
        return exitOk;
    }

    // A SELECT text runs as a query, anything else names a table.
    const std::string& source = *options.source;
    std::size_t first = source.find_first_not_of(" \t\r\n");
    bool isSelect = first != std::string::npos && source.size() >= first + 6
                    && equalsIgnoringCase(std::string_view(source).substr(first, 6), "select");
    CADORecordset recordset(database);
    if (!recordset.Open(source, isSelect ? CADORecordset::modeUnknown : CADORecordset::modeTable)) {
        writeErrorText(recordset.GetLastErrorText());
        return exitFailed;
    }
    MemoryTable table(recordset);
    std::vector<std::string> header;
    // A result without rows has no columns in the table; its header comes from the fields.
    if (table.colCount == 0) {
        for (int c = 0; c < recordset.GetFieldCount(); ++c) {
            FieldInfo info;
            recordset.GetFieldInfo(c, info);
            header.push_back(escapeField(info.name) + ":" + kindName(MemoryTable::KindOfFieldType(info.type)));
        }
    }
    for (int c = 0; c < table.colCount; ++c)
        header.push_back(escapeField(table.ColumnName(c)) + ":" + kindName(table.ColumnKind(c)));
    writeRecord(header);
    for (int r = 0; r < table.rowCount; ++r) {
        std::vector<std::string> fields;
        for (int c = 0; c < table.colCount; ++c)
            fields.push_back(cellText(table, r, c, CellStyle::exact));
        writeRecord(fields);
    }
    recordset.Close();
    return exitOk;
}

int runTaxa(const std::vector<std::string>& args)
{
    DatabaseOptions options;
    std::string reason;
    if (!parseOptions(args, false, options, reason))
        return usage("taxa", reason, "taxa [--db PATH]");

    CliUser user(WorksheetOptions{}, std::nullopt);
    Application app(user);
    app.OpenReferenceData(options.databasePath);
    if (!app.masterTaxonList)
        return exitFailed;
    const MemoryTable& table = *app.masterTaxonList;
    std::vector<std::string> header;
    for (int c = 0; c < table.colCount; ++c)
        header.push_back(escapeField(table.ColumnName(c)));
    writeRecord(header);
    for (int r = 0; r < table.rowCount; ++r) {
        std::vector<std::string> fields;
        for (int c = 0; c < table.colCount; ++c)
            fields.push_back(cellText(table, r, c, CellStyle::window));
        writeRecord(fields);
    }
    return exitOk;
}

const CommandRegistration registerRefdb("refdb", runRefdb);
const CommandRegistration registerTaxa("taxa", runTaxa);

}  // namespace

}  // namespace cli
