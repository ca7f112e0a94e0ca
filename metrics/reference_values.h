#pragma once

#include <array>
#include <optional>
#include <string_view>

class MemoryTable;

// Number fields of the reference tables. Access keeps them as single, double or integer
// fields; all of them are read here as doubles.
std::optional<double> ReadNumber(const MemoryTable& table, int row, int col);

// One row of a Boundaries table: the expected index ("MedianTDI") and, in the four
// fields that follow it, the lower EQR limits of High, Good, Moderate and Poor.
struct BoundaryRow {
    double median = 0;
    std::array<double, 4> limits{};
};

// The row as numbers; nothing when the table has no "MedianTDI" field, no such row, or
// one of the five fields holds no number.
std::optional<BoundaryRow> ReadBoundaryRow(const MemoryTable& table, int row);

// The first row whose second field (the lake type) equals lakeType, ignoring case; -1
// when none does.
int FindLakeTypeRow(const MemoryTable& table, const std::string_view& lakeType);
