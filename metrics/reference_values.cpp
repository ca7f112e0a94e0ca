#include "metrics/reference_values.h"

#include <cmath>
#include <string>

#include "base/ascii_case.h"
#include "refdb/memory_table.h"

std::optional<double> ReadNumber(const MemoryTable& table, int row, int col)
{
    double value = 0;
    if (table.GetDouble(row, col, value))
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    long whole = 0;
    if (table.GetLong(row, col, whole))
        return static_cast<double>(whole);
    int small = 0;
    if (table.GetShort(row, col, small))
        return static_cast<double>(small);
    return std::nullopt;
}

std::optional<BoundaryRow> ReadBoundaryRow(const MemoryTable& table, int row)
{
    const int medianCol = table.FindColumn("MedianTDI");
    if (medianCol < 0 || row < 0 || row >= table.rowCount)
        return std::nullopt;
    BoundaryRow result;
    const std::optional<double> median = ReadNumber(table, row, medianCol);
    if (!median)
        return std::nullopt;
    result.median = *median;
    for (int k = 0; k < 4; ++k) {
        const std::optional<double> limit = ReadNumber(table, row, medianCol + 1 + k);
        if (!limit)
            return std::nullopt;
        result.limits[static_cast<std::size_t>(k)] = *limit;
    }
    return result;
}

int FindLakeTypeRow(const MemoryTable& table, const std::string_view& lakeType)
{
    std::string rowType;
    for (int row = 0; row < table.rowCount; ++row)
        if (table.GetString(row, 1, rowType) && equalsIgnoringCase(rowType, lakeType))
            return row;
    return -1;
}
