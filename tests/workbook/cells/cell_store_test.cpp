// The packed cell store, and the names of cells: every value comes back exactly as it was put, whichever layout
// (narrow or wide slots, dense or sparse rows) the row ends up in.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "workbook/cells/cell_names.h"
#include "workbook/cells/cell_store.h"

using wb::Cell;
using wb::CellType;
using wb::SheetData;

namespace {

double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// What the store should answer, kept the plain way.
struct Expected {
    CellType type;
    std::uint64_t bits;  // the number's bits, or the text index, boolean or error code
    std::uint16_t format;
};

void ExpectSame(const SheetData& sheet, const std::map<std::pair<int, int>, Expected>& expected)
{
    std::size_t seen = 0;
    const auto rows = sheet.rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        int lastCol = -1;
        for (const Cell& cell : rows[r]) {
            ++seen;
            EXPECT_GT(cell.col, lastCol) << "row " << r << ": columns out of order";
            lastCol = cell.col;
            auto it = expected.find({static_cast<int>(r), cell.col});
            ASSERT_NE(it, expected.end()) << "unexpected cell " << r << "," << cell.col;
        }
    }
    EXPECT_EQ(seen, expected.size());
    EXPECT_EQ(sheet.cellCount(), expected.size());
    for (const auto& [at, want] : expected) {
        const std::optional<Cell> cell = sheet.find(at.first, at.second);
        ASSERT_TRUE(cell) << at.first << "," << at.second;
        EXPECT_EQ(cell->type, want.type) << at.first << "," << at.second;
        EXPECT_EQ(cell->format, want.format) << at.first << "," << at.second;
        switch (want.type) {
        case CellType::Number: EXPECT_EQ(Bits(cell->number), want.bits) << at.first << "," << at.second; break;
        case CellType::Text: EXPECT_EQ(cell->text, want.bits) << at.first << "," << at.second; break;
        case CellType::Boolean:
        case CellType::Error:
            EXPECT_EQ(cell->number, static_cast<double>(static_cast<std::int64_t>(want.bits)));
            break;
        default: break;
        }
    }
}

}  // namespace

TEST(CellStore, NumbersComeBackBitForBit)
{
    const std::uint64_t patterns[] = {
        Bits(0.0), Bits(-0.0), Bits(1.0), Bits(-1.0), Bits(1073741823.0), Bits(-1073741824.0),
        Bits(1073741824.0), Bits(-1073741825.0), Bits(0.5), Bits(1e300), Bits(-1e-310) /* denormal */,
        Bits(std::numeric_limits<double>::infinity()), Bits(-std::numeric_limits<double>::infinity()),
        0x7FF8000000000000ull,  // the NaN a text "nan" gives
        0xFFF8000000000000ull,  // the NaN arithmetic gives on x86
        0xFFFF00000000ABCDull,  // NaNs with the patterns the store uses for other kinds
        0xFFFF000400000003ull, 0xFFFFFFFFFFFFFFFFull, 0xFFFF000000000000ull,
    };
    // Alone in a narrow row, and among integers (a row that widens when one comes).
    SheetData sheet;
    std::map<std::pair<int, int>, Expected> expected;
    int row = 0;
    for (std::uint64_t bits : patterns) {
        sheet.setNumber(row, 0, FromBits(bits));
        sheet.setNumber(row, 1, 7.0);
        sheet.setNumber(row, 2, FromBits(bits));
        sheet.setNumber(row, 3, 8.0);
        for (int col = 0; col < 4; ++col)
            expected[{row, col}] = {CellType::Number, col % 2 == 0 ? bits : Bits(col == 1 ? 7.0 : 8.0), 0};
        ++row;
    }
    ExpectSame(sheet, expected);
    sheet.shrinkToFit();
    ExpectSame(sheet, expected);
}

TEST(CellStore, EveryKindKeepsItsValueAndFormat)
{
    SheetData sheet;
    std::map<std::pair<int, int>, Expected> expected;
    sheet.setText(0, 0, "Navicula");
    expected[{0, 0}] = {CellType::Text, 0, 0};
    sheet.setTextIndex(0, 1, (1u << 28) + 5);  // beyond what a narrow slot holds
    expected[{0, 1}] = {CellType::Text, (1u << 28) + 5, 0};
    sheet.setBoolean(0, 2, true);
    expected[{0, 2}] = {CellType::Boolean, 1, 0};
    sheet.setBoolean(0, 3, false);
    expected[{0, 3}] = {CellType::Boolean, 0, 0};
    sheet.setError(0, 4, 0x07);
    expected[{0, 4}] = {CellType::Error, 0x07, 0};
    sheet.setError(0, 5, 0x2A);
    expected[{0, 5}] = {CellType::Error, 0x2A, 0};
    sheet.setBlank(0, 6, 3);
    expected[{0, 6}] = {CellType::Blank, 0, 3};
    sheet.setNumber(0, 7, 40000.0, 2);
    expected[{0, 7}] = {CellType::Number, Bits(40000.0), 2};
    sheet.setNumber(1, 0, 2.5, 1);
    expected[{1, 0}] = {CellType::Number, Bits(2.5), 1};
    sheet.setBlank(1, 9000);
    expected[{1, 9000}] = {CellType::Blank, 0, 0};
    ExpectSame(sheet, expected);
    EXPECT_EQ(sheet.textOf(*sheet.find(0, 0)), "Navicula");
    EXPECT_EQ(sheet.rowEnd(), 2);
    EXPECT_EQ(sheet.colEnd(), 9001);
    // Replacing a formatted cell with an unformatted one drops its format.
    sheet.setNumber(0, 7, 40001.0);
    expected[{0, 7}] = {CellType::Number, Bits(40001.0), 0};
    ExpectSame(sheet, expected);
    // Columns beyond what any file format holds are kept, so that a writer can refuse them.
    sheet.setNumber(2, 2000000, 1.0);
    expected[{2, 2000000}] = {CellType::Number, Bits(1.0), 0};
    ExpectSame(sheet, expected);
    sheet.shrinkToFit();
    ExpectSame(sheet, expected);
}

TEST(CellStore, PutRowMergesAndTheLaterCellOfAColumnWins)
{
    SheetData sheet;
    std::vector<Cell> cells = {{5, CellType::Number, 0, 0, 1.0}, {2, CellType::Number, 0, 0, 2.0},
                               {5, CellType::Number, 0, 0, 3.0}, {-1, CellType::Number, 0, 0, 4.0}};
    // The column given twice is told, for a reader to refuse.
    EXPECT_EQ(sheet.putRow(3, cells), 5);
    EXPECT_TRUE(cells.empty());
    std::map<std::pair<int, int>, Expected> expected = {{{3, 2}, {CellType::Number, Bits(2.0), 0}},
                                                        {{3, 5}, {CellType::Number, Bits(3.0), 0}}};
    ExpectSame(sheet, expected);
    // A second run of the same row: new cells win, old ones between them stay.
    cells = {{2, CellType::Number, 0, 0, 20.0}, {3, CellType::Text, 0, 0, 0.0}, {4000, CellType::Number, 0, 0, 0.25}};
    sheet.addString("x");
    EXPECT_EQ(sheet.putRow(3, cells), 2);
    expected[{3, 2}] = {CellType::Number, Bits(20.0), 0};
    expected[{3, 3}] = {CellType::Text, 0, 0};
    expected[{3, 4000}] = {CellType::Number, Bits(0.25), 0};
    ExpectSame(sheet, expected);
    EXPECT_FALSE(sheet.hasRow(2));
    EXPECT_TRUE(sheet.hasRow(3));
    EXPECT_EQ(sheet.colEnd(), 4001);
    // Cells between and beside the stored ones, out of order: none given twice.
    cells = {{4001, CellType::Number, 0, 0, 1.0}, {0, CellType::Number, 0, 0, 1.0}, {4, CellType::Blank, 0, 0, 0.0}};
    EXPECT_EQ(sheet.putRow(3, cells), -1);
    EXPECT_EQ(sheet.cellCount(), 7u);
}

// Cells put one at a time in any order, replaced, widened and spread far apart, against a
// plain map: the mix of layouts a row passes through must never lose or misplace a cell.
TEST(CellStore, RandomEditsAgreeWithAPlainMap)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        SheetData sheet;
        sheet.addString("t");
        std::map<std::pair<int, int>, Expected> expected;
        const int width = round % 2 == 0 ? 12 : 20000;
        for (int step = 0; step < 400; ++step) {
            const int row = static_cast<int>(random() % 4);
            const int col = static_cast<int>(random() % static_cast<unsigned>(width));
            const auto format = static_cast<std::uint16_t>(random() % 5 == 0 ? 1 + random() % 3 : 0);
            switch (random() % 6) {
            case 0: {
                const double value = static_cast<double>(random() % 200);
                sheet.setNumber(row, col, value, format);
                expected[{row, col}] = {CellType::Number, Bits(value), format};
                break;
            }
            case 1: {
                const double value = std::ldexp(static_cast<double>(random()), -7) - 1e6;
                sheet.setNumber(row, col, value, format);
                expected[{row, col}] = {CellType::Number, Bits(value), format};
                break;
            }
            case 2:
                sheet.setTextIndex(row, col, 0, format);
                expected[{row, col}] = {CellType::Text, 0, format};
                break;
            case 3:
                sheet.setBlank(row, col, format);
                expected[{row, col}] = {CellType::Blank, 0, format};
                break;
            case 4: {
                const bool value = random() % 2 == 0;
                sheet.setBoolean(row, col, value);
                expected[{row, col}] = {CellType::Boolean, value ? 1u : 0u, 0};
                break;
            }
            default: {
                // A whole row at once, as a reader stores one.
                std::vector<Cell> cells;
                for (int i = 0; i < 5; ++i) {
                    Cell cell;
                    cell.col = static_cast<int>(random() % static_cast<unsigned>(width));
                    cell.type = CellType::Number;
                    cell.number = static_cast<double>(random() % 50);
                    cells.push_back(cell);
                }
                for (const Cell& cell : cells)
                    expected[{row, cell.col}] = {CellType::Number, Bits(cell.number), 0};
                sheet.putRow(row, cells);
                break;
            }
            }
        }
        ExpectSame(sheet, expected);
        sheet.shrinkToFit();
        ExpectSame(sheet, expected);
        if (HasFailure())
            return;
    }
}

// A count table of whole numbers is kept in 4 bytes a cell; one of decimals in 8; one
// with most cells missing in at most 12 for each cell present.
TEST(CellStore, CellsTakeAFewBytes)
{
    constexpr int kRows = 200, kCols = 500;
    SheetData counts, decimals, sparse;
    std::vector<Cell> row;
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            row.push_back({c, CellType::Number, 0, 0, static_cast<double>((r * 7 + c) % 40)});
            decimals.setNumber(r, c, (r * kCols + c) / 3.0);
            if ((r + c) % 10 == 0)
                sparse.setNumber(r, c, 0.1 * c);
        }
        counts.putRow(r, row);
    }
    for (SheetData* sheet : {&counts, &decimals, &sparse})
        sheet->shrinkToFit();
    const auto perCell = [](const SheetData& sheet) {
        return static_cast<double>(sheet.storedBytes()) / static_cast<double>(sheet.cellCount());
    };
    EXPECT_LE(perCell(counts), 4.5);
    EXPECT_LE(perCell(decimals), 8.5);
    EXPECT_LE(perCell(sparse), 12.0 + 64.0 * kRows / static_cast<double>(sparse.cellCount()));
    EXPECT_EQ(counts.find(199, 499)->number, (199 * 7 + 499) % 40);
    EXPECT_EQ(decimals.find(199, 499)->number, (199 * kCols + 499) / 3.0);
}

TEST(CellNames, BijectiveBase26FromColumnZero)
{
    EXPECT_EQ(wb::ColumnLetters(0), "A");
    EXPECT_EQ(wb::ColumnLetters(25), "Z");
    EXPECT_EQ(wb::ColumnLetters(26), "AA");
    EXPECT_EQ(wb::ColumnLetters(701), "ZZ");
    EXPECT_EQ(wb::ColumnLetters(702), "AAA");
    EXPECT_EQ(wb::ColumnLetters(16383), "XFD");
    EXPECT_EQ(wb::ColumnLetters(-1), "");
    EXPECT_EQ(wb::CellName(6, 1), "B7");
    EXPECT_EQ(wb::CellName(1048575, 16383), "XFD1048576");
}
