#include <gtest/gtest.h>

#include "import/not_imported.h"

namespace {

NotImportedInput table(std::vector<std::string> nameRow, int firstColumn, int sampleCount,
                       std::vector<std::string> codeColumn, int firstRow, int taxonCount)
{
    return {std::move(nameRow), firstColumn, sampleCount, std::move(codeColumn), firstRow, taxonCount};
}

}  // namespace

TEST(NotImported, EverythingTakenSaysNothing)
{
    // Labels in A1, names from C1 to E1; codes from A3 to A5, empty row 6 and nothing after.
    EXPECT_TRUE(NotImportedLines(table({"Sample", "", "S1", "S2", "S3"}, 2, 3, {"Sample", "Site", "AC001A", "AC002A",
                                                                              "AC003A", ""},
                                       2, 3))
                    .empty());
}

TEST(NotImported, EachKindOnItsOwnLine)
{
    // First data column E (index 4): C1 and D1 are left of it; F1 ends the names, H1 and
    // I1 lie beyond. The taxa end at row 5 (index 4); A7 and A9 lie below.
    const NotImportedInput input =
        table({"Sample", "", "C", "D", "S1", "", "", "H", "I"}, 4, 1,
              {"Sample", "Site", "AC001A", "AC002A", "", "", "ZZ1", "", "ZZ2"}, 2, 2);
    EXPECT_EQ(NotImportedLines(input),
              (std::vector<std::string>{
                  "Not imported: 2 sample names left of the first data column: C, D",
                  "Not imported: 2 sample names right of the empty cell that ended row 1: H, I",
                  "Not imported: 2 taxon codes below the empty cell that ended column A: ZZ1, ZZ2"}));
}

TEST(NotImported, AtMostFiveNamesThenHowManyMore)
{
    std::vector<std::string> codes = {"Sample", "A1", ""};
    for (int i = 1; i <= 7; ++i)
        codes.push_back("T" + std::to_string(i));
    EXPECT_EQ(NotImportedLines(table({"", "", "S1"}, 2, 1, codes, 1, 1)),
              (std::vector<std::string>{"Not imported: 7 taxon codes below the empty cell that ended column A: "
                                        "T1, T2, T3, T4, T5 and 2 more"}));
    // Exactly five: no "more"; one: the singular.
    codes.resize(8);
    EXPECT_EQ(NotImportedLines(table({"", "", "S1"}, 2, 1, codes, 1, 1)),
              (std::vector<std::string>{"Not imported: 5 taxon codes below the empty cell that ended column A: "
                                        "T1, T2, T3, T4, T5"}));
    EXPECT_EQ(NotImportedLines(table({"", "", "S1", "", "X"}, 2, 1, {"", "A"}, 1, 1)),
              (std::vector<std::string>{"Not imported: 1 sample name right of the empty cell that ended row 1: X"}));
}
