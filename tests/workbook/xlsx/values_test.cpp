// Cell references and row numbers as a worksheet writes them: each expectation worked
// out by hand from the column letters (A = 1 ... Z = 26, base 26) and the grid's ends
// (16,384 columns, XFD; 1,048,576 rows).
#include <gtest/gtest.h>

#include <string>

#include "workbook/xlsx/values.h"

using wb::xlsx::parseCellRef;
using wb::xlsx::parseRowNumber;

namespace {

struct Ref {
    const char* text;
    int row;
    int col;
};

}  // namespace

TEST(CellReference, ReadsRowAndColumnFromZero)
{
    const Ref read[] = {
        {"A1", 0, 0},
        {"B7", 6, 1},
        {"Z1", 0, 25},
        {"AA1", 0, 26},              // 1 * 26 + 1
        {"AAA1", 0, 702},            // 676 + 26 + 1
        {"XFD1048576", 1048575, 16383},  // 24 * 676 + 6 * 26 + 4 = 16384
        {"$A$1", 0, 0},
        {"$B7", 6, 1},
        {"B$7", 6, 1},
        {"b7", 6, 1},
        {"xFd2", 1, 16383},
        {"A01", 0, 0},
        {"C0000000000000000000010", 9, 2},  // leading zeros, however many
        {"A0001048576", 1048575, 0},
    };
    for (const Ref& ref : read) {
        int row = -1;
        int col = -1;
        EXPECT_TRUE(parseCellRef(ref.text, row, col)) << ref.text;
        EXPECT_EQ(row, ref.row) << ref.text;
        EXPECT_EQ(col, ref.col) << ref.text;
    }
}

TEST(CellReference, RefusesWhatIsNoneOrBeyondTheGrid)
{
    const char* refused[] = {
        "", "$", "$$", "A", "$A$", "1", "$1", "123",
        "XFE1",       // 16385 columns
        "ZZZ1",       // 18278 columns
        "AAAA1",      // four letters
        "A0", "A00", "A1048577", "A99999999999999999999", "A2147483648",
        "$$A1", "A$$1", "A1$", "A1B", "A-1", "A+1", "A 1", " A1", "A1 ", "A1.0", "1A",
        "\xC3\x84" "1",  // a letter outside ASCII
    };
    for (const char* text : refused) {
        int row = -7;
        int col = -7;
        EXPECT_FALSE(parseCellRef(text, row, col)) << text;
    }
}

TEST(RowNumber, DigitsFromOneToTheLastRow)
{
    const std::pair<const char*, int> read[] = {{"1", 0}, {"2", 1}, {"007", 6}, {"1048576", 1048575}, {"0001048576", 1048575}};
    for (const auto& [text, want] : read) {
        int row = -1;
        EXPECT_TRUE(parseRowNumber(text, row)) << text;
        EXPECT_EQ(row, want) << text;
    }
    const char* refused[] = {"", "0", "000", "-1", "+1", "1048577", "2147483648", "99999999999999999999999",
                             " 1", "1 ", "1.0", "1e3", "0x10", "A1"};
    for (const char* text : refused) {
        int row = -1;
        EXPECT_FALSE(parseRowNumber(text, row)) << text;
    }
}
