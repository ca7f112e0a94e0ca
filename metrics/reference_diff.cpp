#include "metrics/reference_diff.h"

#include <functional>
#include <unordered_map>

#include "base/ascii_case.h"
#include "matrix/number_format.h"

namespace {

std::string exactText(const MemoryTable& table, int row, int col, bool shortNumbers)
{
    int small = 0;
    long whole = 0;
    double number = 0;
    std::string text;
    std::uint8_t flag = 0;
    switch (table.ColumnKind(col)) {
    case MemoryTable::kindShort: table.GetShort(row, col, small); return std::to_string(small);
    case MemoryTable::kindLong: table.GetLong(row, col, whole); return std::to_string(whole);
    case MemoryTable::kindDouble:
        table.GetDouble(row, col, number);
        return shortNumbers ? numtext::g13(number) : numtext::g17(number);
    case MemoryTable::kindText: table.GetString(row, col, text); return text;
    case MemoryTable::kindBool: table.GetBool(row, col, flag); return flag ? "yes" : "no";
    default: return std::string();
    }
}

using KeyOf = std::function<std::string(const MemoryTable&, int row)>;

std::string textAt(const MemoryTable& table, int col, int row)
{
    std::string text;
    if (col >= 0)
        table.GetString(row, col, text);
    return text;
}

// The first row of each key; later rows of a key are never read by the program either.
std::unordered_map<std::string, int> rowsByKey(const MemoryTable& table, const KeyOf& keyOf)
{
    std::unordered_map<std::string, int> rows;
    for (int row = 0; row < table.rowCount; ++row)
        rows.emplace(upperCopy(keyOf(table, row)), row);
    return rows;
}

struct TableDiff {
    int added = 0;
    int removed = 0;
    int changedRows = 0;
    int changedValues = 0;
    int columns = 0;
};

// label is the word of the lines ("taxon", "boundary", "coefficient"); nameColumn, where
// there is one, gives an added or removed row's name.
TableDiff diffTable(const char* tableName, const std::shared_ptr<const MemoryTable>& beforeTable,
                    const std::shared_ptr<const MemoryTable>& afterTable, const std::string& label, const KeyOf& keyOf,
                    const char* nameColumn, std::vector<std::vector<std::string>>& lines)
{
    TableDiff diff;
    static const MemoryTable empty({}, 0);
    const MemoryTable& before = beforeTable ? *beforeTable : empty;
    const MemoryTable& after = afterTable ? *afterTable : empty;
    if (!beforeTable != !afterTable) {
        lines.push_back({beforeTable ? "table removed" : "table added", tableName, "", "", ""});
        ++diff.columns;
    }

    std::vector<std::pair<int, int>> commonColumns;
    for (int col = 0; col < before.colCount; ++col) {
        const int match = after.FindColumn(before.ColumnName(col));
        if (match >= 0)
            commonColumns.emplace_back(col, match);
        else if (after.rowCount > 0) {
            lines.push_back({"column removed", tableName, before.ColumnName(col), "", ""});
            ++diff.columns;
        }
    }
    for (int col = 0; col < after.colCount; ++col) {
        if (before.FindColumn(after.ColumnName(col)) < 0 && before.rowCount > 0) {
            lines.push_back({"column added", tableName, after.ColumnName(col), "", ""});
            ++diff.columns;
        }
    }

    const std::unordered_map<std::string, int> afterRows = rowsByKey(after, keyOf);
    const std::unordered_map<std::string, int> beforeRows = rowsByKey(before, keyOf);
    for (int row = 0; row < before.rowCount; ++row) {
        const std::string key = keyOf(before, row);
        if (beforeRows.at(upperCopy(key)) != row)
            continue;
        const auto found = afterRows.find(upperCopy(key));
        if (found == afterRows.end()) {
            const int nameCol = nameColumn ? before.FindColumn(nameColumn) : -1;
            lines.push_back({label + " removed", key, nameCol >= 0 ? before.ColumnName(nameCol) : "",
                             nameCol >= 0 ? exactText(before, row, nameCol, true) : "", ""});
            ++diff.removed;
            continue;
        }
        bool changed = false;
        for (const auto& [beforeCol, afterCol] : commonColumns) {
            const std::string old = exactText(before, row, beforeCol, false);
            const std::string now = exactText(after, found->second, afterCol, false);
            if (old == now)
                continue;
            std::string oldShown = exactText(before, row, beforeCol, true);
            std::string nowShown = exactText(after, found->second, afterCol, true);
            if (oldShown == nowShown) {
                oldShown = old;
                nowShown = now;
            }
            lines.push_back({label + " changed", key, before.ColumnName(beforeCol), oldShown, nowShown});
            ++diff.changedValues;
            changed = true;
        }
        diff.changedRows += changed ? 1 : 0;
    }
    for (int row = 0; row < after.rowCount; ++row) {
        const std::string key = keyOf(after, row);
        if (afterRows.at(upperCopy(key)) != row || beforeRows.count(upperCopy(key)))
            continue;
        const int nameCol = nameColumn ? after.FindColumn(nameColumn) : -1;
        lines.push_back({label + " added", key, nameCol >= 0 ? after.ColumnName(nameCol) : "", "",
                         nameCol >= 0 ? exactText(after, row, nameCol, true) : ""});
        ++diff.added;
    }
    return diff;
}

std::string taxonKey(const MemoryTable& table, int row)
{
    std::string code = table.ColumnKind(1) == MemoryTable::kindText ? textAt(table, 1, row) : std::string();
    if (code.empty() && table.ColumnKind(0) == MemoryTable::kindText)
        code = textAt(table, 0, row);
    return code;
}

std::string boundaryKey(const MemoryTable& table, int row)
{
    const std::string siteType = textAt(table, table.FindColumn("SiteType"), row);
    const std::string lakeType = table.ColumnKind(1) == MemoryTable::kindText ? textAt(table, 1, row) : std::string();
    return lakeType.empty() ? siteType : siteType + " " + lakeType;
}

std::string coefficientKey(const MemoryTable& table, int row)
{
    const int col = table.FindColumn("Coefficient");
    return textAt(table, table.FindColumn("SiteType"), row) + " " + (col >= 0 ? exactText(table, row, col, true) : "");
}

}  // namespace

ReferenceDiff DiffReferenceTables(const ReferenceTables& before, const ReferenceTables& after)
{
    ReferenceDiff diff;
    const TableDiff taxa =
        diffTable(kMasterTaxonTable, before.masterList, after.masterList, "taxon", taxonKey, "TaxonName", diff.lines);
    const TableDiff boundaries =
        diffTable(kBoundariesTable, before.boundaries, after.boundaries, "boundary", boundaryKey, nullptr, diff.lines);
    const TableDiff coc = diffTable(kCoCTable, before.coc, after.coc, "coefficient", coefficientKey, nullptr, diff.lines);
    diff.taxaAdded = taxa.added;
    diff.taxaRemoved = taxa.removed;
    diff.taxaChanged = taxa.changedRows;
    diff.boundariesChanged = boundaries.changedValues + boundaries.added + boundaries.removed;
    diff.cocChanged = coc.changedValues + coc.added + coc.removed;
    diff.tablesOrColumnsChanged = taxa.columns + boundaries.columns + coc.columns;
    return diff;
}

std::string DiffCountLine(const ReferenceDiff& diff)
{
    return "Taxa: " + std::to_string(diff.taxaAdded) + " added, " + std::to_string(diff.taxaRemoved) + " removed, " +
           std::to_string(diff.taxaChanged) + " changed; boundaries: " + std::to_string(diff.boundariesChanged) +
           " changed; confidence of class: " + std::to_string(diff.cocChanged) + " changed" +
           (diff.tablesOrColumnsChanged ? "; tables or columns: " + std::to_string(diff.tablesOrColumnsChanged) +
                                              " added or removed"
                                        : std::string());
}
