#include "metrics/reference_check.h"

#include <cmath>
#include <map>
#include <optional>
#include <unordered_map>

#include "base/ascii_case.h"
#include "import/family.h"
#include "matrix/number_format.h"
#include "metrics/reference_values.h"
#include "refdb/ado_database.h"
#include "refdb/ado_recordset.h"

const char* const kMasterTaxonTable = "NBSMasterTaxonList_PhaseII";
const char* const kBoundariesTable = "Boundaries";
const char* const kCoCTable = "CoC";

namespace {

// Scores from 1 to 5 give indices from 0 to 100 (index = 25 × mean score − 25).
constexpr double kLowestScore = 1.0;
constexpr double kHighestScore = 5.0;
constexpr int kCoCRowsNeeded = 4;

const int kFamilies[] = {familyRivers, familyLakes, familyDam};

const char* kindName(int kind)
{
    switch (kind) {
    case MemoryTable::kindShort: return "integer (16-bit)";
    case MemoryTable::kindLong: return "integer (32-bit)";
    case MemoryTable::kindDouble: return "number";
    case MemoryTable::kindText: return "text";
    case MemoryTable::kindBool: return "yes/no";
    default: return "a kind the program cannot read";
    }
}

bool isNumberKind(int kind)
{
    return kind == MemoryTable::kindShort || kind == MemoryTable::kindLong || kind == MemoryTable::kindDouble;
}

class ProblemList {
public:
    explicit ProblemList(std::vector<ReferenceProblem>& problems) : problems_(problems) {}
    void add(std::string table, std::string key, std::string column, std::string value, std::string what)
    {
        problems_.push_back({std::move(table), std::move(key), std::move(column), std::move(value), std::move(what)});
    }

private:
    std::vector<ReferenceProblem>& problems_;
};

// A column by name or position, checked to be there with a kind the program reads. -1 when
// it is not usable, the problem added.
int usableColumn(ProblemList& problems, const char* table, const MemoryTable& rows, int col, const std::string& label,
                 bool (*kindReadable)(int), const char* expected)
{
    if (col < 0 || col >= rows.colCount) {
        problems.add(table, "", label, "", "column missing");
        return -1;
    }
    if (!kindReadable(rows.ColumnKind(col))) {
        problems.add(table, "", rows.ColumnName(col), kindName(rows.ColumnKind(col)),
                     std::string("column of the wrong kind: the program reads ") + expected);
        return -1;
    }
    return col;
}

bool isText(int kind) { return kind == MemoryTable::kindText; }
bool isDouble(int kind) { return kind == MemoryTable::kindDouble; }
bool isBool(int kind) { return kind == MemoryTable::kindBool; }

std::string textAt(const MemoryTable& rows, int row, int col)
{
    std::string text;
    rows.GetString(row, col, text);
    return text;
}

// A table that is missing or empty gets its one problem; true when its rows can be checked.
bool tableToCheck(ProblemList& problems, const ReferenceTables& tables, const char* name,
                  const std::shared_ptr<const MemoryTable>& rows)
{
    for (const std::string& reason : tables.unreadable) {
        if (reason.starts_with(std::string(name) + ":")) {
            problems.add(name, "", "", "", "the table cannot be read (" + reason.substr(std::string(name).size() + 2) + ")");
            return false;
        }
    }
    if (!rows) {
        problems.add(name, "", "", "", "table missing");
        return false;
    }
    if (rows->rowCount == 0 || rows->colCount == 0) {
        problems.add(name, "", "", "", "the table has no rows");
        return false;
    }
    return true;
}

std::string taxonKey(const MemoryTable& list, int row, int codeCol)
{
    const std::string code = codeCol >= 0 ? textAt(list, row, codeCol) : std::string();
    return "row " + std::to_string(row + 1) + (code.empty() ? std::string() : " (" + code + ")");
}

void checkMasterList(ProblemList& problems, const ReferenceTables& tables)
{
    if (!tableToCheck(problems, tables, kMasterTaxonTable, tables.masterList))
        return;
    const MemoryTable& list = *tables.masterList;
    const int codeCols[] = {usableColumn(problems, kMasterTaxonTable, list, 0, "column 1 (code)", isText, "text"),
                            usableColumn(problems, kMasterTaxonTable, list, 1, "column 2 (code)", isText, "text")};
    const int keyCol = codeCols[1] >= 0 ? codeCols[1] : codeCols[0];

    // Matching takes the first row of a code, whatever its case: a second row is never read.
    for (int codeCol : codeCols) {
        if (codeCol < 0)
            continue;
        std::unordered_map<std::string, int> firstRow;
        for (int row = 0; row < list.rowCount; ++row) {
            const std::string code = textAt(list, row, codeCol);
            if (code.empty())
                continue;
            auto [at, added] = firstRow.emplace(foldedCopy(code), row);
            if (!added)
                problems.add(kMasterTaxonTable, taxonKey(list, row, keyCol), list.ColumnName(codeCol), code,
                             "code given twice (also row " + std::to_string(at->second + 1) +
                                 "): only the first row is matched");
        }
    }

    for (int family : kFamilies) {
        for (int index = 1; index <= (family == familyDam ? 1 : 2); ++index) {
            const char* name = IndexName(family, index);
            const int col = usableColumn(problems, kMasterTaxonTable, list, list.FindColumn(name), name, isDouble,
                                         "scores from single or double columns");
            if (col < 0)
                continue;
            for (int row = 0; row < list.rowCount; ++row) {
                double score = 0;
                list.GetDouble(row, col, score);
                // Empty (read as 0) and 0 mean no score.
                if (score == 0 || (score >= kLowestScore && score <= kHighestScore))
                    continue;
                problems.add(kMasterTaxonTable, taxonKey(list, row, keyCol), list.ColumnName(col), numtext::g13(score),
                             score < 0 ? "negative score: counts as no score (leave it empty or 0)"
                                       : "score outside 1 to 5: the index would leave 0 to 100");
            }
        }
    }
    for (const char* flag : {"Motile", "OrganicTolerant", "Planktic", "Saline"})
        usableColumn(problems, kMasterTaxonTable, list, list.FindColumn(flag), flag, isBool, "yes/no");
}

void checkBoundaries(ProblemList& problems, const ReferenceTables& tables)
{
    if (!tableToCheck(problems, tables, kBoundariesTable, tables.boundaries))
        return;
    const MemoryTable& rows = *tables.boundaries;
    const int siteTypeCol =
        usableColumn(problems, kBoundariesTable, rows, rows.FindColumn("SiteType"), "SiteType", isText, "text");
    const int lakeTypeCol = usableColumn(problems, kBoundariesTable, rows, 1, "column 2 (lake type)", isText, "text");
    const int medianCol = usableColumn(problems, kBoundariesTable, rows, rows.FindColumn("MedianTDI"), "MedianTDI",
                                       isNumberKind, "numbers");
    if (siteTypeCol < 0 || medianCol < 0)
        return;
    const char* const limitNames[] = {"High/Good", "Good/Moderate", "Moderate/Poor", "Poor/Bad"};
    for (int k = 0; k < 4; ++k)
        if (usableColumn(problems, kBoundariesTable, rows, medianCol + 1 + k,
                         std::string(limitNames[k]) + " (column after MedianTDI)", isNumberKind, "numbers") < 0)
            return;

    for (int family : kFamilies) {
        for (int index = 1; index <= (family == familyDam ? 1 : 2); ++index) {
            const std::string siteType = IndexName(family, index);
            std::map<std::string, int> lakeTypes;
            int found = 0;
            for (int row = 0; row < rows.rowCount; ++row) {
                if (textAt(rows, row, siteTypeCol) != siteType)
                    continue;
                const std::string lakeType = lakeTypeCol >= 0 ? textAt(rows, row, lakeTypeCol) : std::string();
                const std::string key = family == familyLakes ? siteType + " " + lakeType : siteType;
                ++found;
                if (family == familyLakes) {
                    if (lakeType.empty())
                        problems.add(kBoundariesTable, key, rows.ColumnName(1), "",
                                     "lake type empty: no lake can be matched to this row");
                    else if (!lakeTypes.emplace(foldedCopy(lakeType), row).second)
                        problems.add(kBoundariesTable, key, rows.ColumnName(1), lakeType,
                                     "lake type given twice for " + siteType + ": only the first row is used");
                } else if (found > 1) {
                    problems.add(kBoundariesTable, key, "", "", "second row for " + siteType + ": only the first is used");
                }
                const std::optional<BoundaryRow> boundary = ReadBoundaryRow(rows, row);
                if (!boundary) {
                    problems.add(kBoundariesTable, key, "", "", "MedianTDI or a boundary is empty or not a number");
                    continue;
                }
                for (int k = 0; k < 4; ++k) {
                    const double limit = boundary->limits[static_cast<std::size_t>(k)];
                    const std::string column = rows.ColumnName(medianCol + 1 + k);
                    if (!(limit > 0))
                        problems.add(kBoundariesTable, key, column, numtext::g13(limit),
                                     std::string(limitNames[k]) + " boundary not positive");
                    else if (k > 0 && !(limit < boundary->limits[static_cast<std::size_t>(k - 1)]))
                        problems.add(kBoundariesTable, key, column, numtext::g13(limit),
                                     std::string(limitNames[k]) + " boundary not below the " + limitNames[k - 1] +
                                         " boundary (" + numtext::g13(boundary->limits[static_cast<std::size_t>(k - 1)]) +
                                         ")");
                }
            }
            if (found == 0)
                problems.add(kBoundariesTable, siteType, "SiteType", "", "no row: " + siteType + " cannot be classified");
        }
    }
}

void checkCoC(ProblemList& problems, const ReferenceTables& tables)
{
    if (!tableToCheck(problems, tables, kCoCTable, tables.coc))
        return;
    const MemoryTable& rows = *tables.coc;
    const int siteTypeCol = usableColumn(problems, kCoCTable, rows, rows.FindColumn("SiteType"), "SiteType", isText, "text");
    const int coefficientCol = usableColumn(problems, kCoCTable, rows, rows.FindColumn("Coefficient"), "Coefficient",
                                            isNumberKind, "numbers");
    const int valueCol = usableColumn(problems, kCoCTable, rows, 2, "column 3 (value)", isNumberKind, "numbers");
    if (siteTypeCol < 0 || coefficientCol < 0 || valueCol < 0)
        return;
    for (int family : kFamilies) {
        const std::string name = FamilyName(family);
        std::map<double, int> coefficients;
        int found = 0;
        for (int row = 0; row < rows.rowCount; ++row) {
            if (textAt(rows, row, siteTypeCol) != name)
                continue;
            ++found;
            const std::optional<double> coefficient = ReadNumber(rows, row, coefficientCol);
            const std::string key = name + " " + (coefficient ? numtext::g13(*coefficient) : std::string("?"));
            if (coefficient && !coefficients.emplace(*coefficient, row).second)
                problems.add(kCoCTable, key, rows.ColumnName(coefficientCol), numtext::g13(*coefficient),
                             "coefficient given twice for " + name + ": their order is undefined");
            if (!ReadNumber(rows, row, valueCol))
                problems.add(kCoCTable, key, rows.ColumnName(valueCol), "", "value empty or not a number");
        }
        if (found < kCoCRowsNeeded)
            problems.add(kCoCTable, name, "SiteType", std::to_string(found) + (found == 1 ? " row" : " rows"),
                         "fewer than four rows: no confidence of class for " + name);
    }
}

std::shared_ptr<const MemoryTable> readTable(CADODatabase& database, const char* name, std::vector<std::string>& unreadable)
{
    std::vector<std::string> names;
    database.GetTableNames(names);
    bool present = false;
    for (const std::string& table : names)
        present = present || table == name;
    if (!present)
        return nullptr;
    CADORecordset recordset(database);
    if (!recordset.Open(name, CADORecordset::modeTable)) {
        unreadable.push_back(std::string(name) + ": " + recordset.GetLastErrorText());
        return nullptr;
    }
    auto table = std::make_shared<const MemoryTable>(recordset);
    recordset.Close();
    return table;
}

}  // namespace

bool ReadReferenceTables(const std::string& path, ReferenceTables& tables, std::string& error)
{
    CADODatabase database;
    if (!database.Open(std::string("Provider=") + CADODatabase::kJetProvider + ";Data Source=" + path)
        && !database.Open(std::string("Provider=") + CADODatabase::kAceProvider + ";Data Source=" + path)) {
        error = database.GetLastErrorText();
        return false;
    }
    tables = ReadReferenceTables(database);
    database.Close();
    return true;
}

ReferenceTables ReadReferenceTables(CADODatabase& database)
{
    ReferenceTables read;
    read.masterList = readTable(database, kMasterTaxonTable, read.unreadable);
    read.boundaries = readTable(database, kBoundariesTable, read.unreadable);
    read.coc = readTable(database, kCoCTable, read.unreadable);
    return read;
}

std::vector<ReferenceProblem> CheckReferenceTables(const ReferenceTables& tables)
{
    std::vector<ReferenceProblem> found;
    ProblemList problems(found);
    checkMasterList(problems, tables);
    checkBoundaries(problems, tables);
    checkCoC(problems, tables);
    return found;
}

std::vector<std::string> ProblemFields(const ReferenceProblem& problem)
{
    return {problem.table, problem.key, problem.column, problem.value, problem.what};
}

std::string ProblemCountLine(std::size_t count)
{
    if (count == 0)
        return "No problems found";
    return std::to_string(count) + (count == 1 ? " problem found" : " problems found");
}
