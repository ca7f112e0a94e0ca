#include <gtest/gtest.h>

#include <random>

#include "metrics/taxon_matching.h"
#include "base/ascii_case.h"
#include "tests/metrics/metrics_fixtures.h"

using fixtures::Taxon;

namespace {

std::vector<TaxonEntry> entries(const std::vector<std::string>& codes)
{
    std::vector<TaxonEntry> out;
    for (const std::string& c : codes)
        out.push_back({c, ""});
    return out;
}

}  // namespace

TEST(CodeForm, ExactUpperCasePrefixChoosesTheFirstField)
{
    EXPECT_EQ(MasterCodeColumn(entries({"AC001A", "NBN123"})), 0);
    EXPECT_EQ(MasterCodeColumn(entries({"NHMx"})), 0);
    EXPECT_EQ(MasterCodeColumn(entries({"NHM"})), 0);
    EXPECT_EQ(MasterCodeColumn(entries({"nbn123", "Nhm4", "NB", "N", ""})), 1);
    EXPECT_EQ(MasterCodeColumn(entries({" NBN1"})), 1);
}

TEST(TaxonMatching, CaseDuplicatesAndScores)
{
    const auto list = fixtures::masterList({
        {"NBN1", "AC001A", 2, 3, 0, 0, 0, true, false, false, false},
        {"NBN2", "ac002a", 0, 4, 0, 0, 0},           // TDI3 score 0: lacking
        {"NBN3", "AC001A", 5, 5, 0, 0, 0},           // duplicate code: never reached
        {"NBN4", "AC004A", -1, 1.5, 0, 0, 0, false, true, true, true},
    });
    const TaxonMatch m =
        MatchTaxa(entries({"ac001a", "AC002A", "XX999", "AC004A"}), 4, list.get(), "TDI3", "TDI4");
    ASSERT_EQ(m.profiles.size(), 4u);
    EXPECT_EQ(m.profiles[0].matchedRow, 0);
    EXPECT_EQ(m.profiles[0].scoredRow1, 0);
    EXPECT_EQ(m.profiles[0].score1, 2);
    EXPECT_EQ(m.profiles[0].scoredRow2, 0);
    EXPECT_TRUE(m.profiles[0].planktic);
    EXPECT_EQ(m.profiles[1].matchedRow, 1);
    EXPECT_EQ(m.profiles[1].scoredRow1, -1);
    EXPECT_EQ(m.profiles[1].scoredRow2, 1);
    EXPECT_EQ(m.profiles[2].matchedRow, -1);
    EXPECT_EQ(m.profiles[2].scoredRow1, -1);
    EXPECT_EQ(m.profiles[3].scoredRow1, -1);  // negative score
    EXPECT_EQ(m.profiles[3].scoredRow2, 3);
    EXPECT_TRUE(m.profiles[3].motile && m.profiles[3].organicTolerant && m.profiles[3].saline);
    EXPECT_FALSE(m.profiles[3].planktic);
    EXPECT_EQ(m.matchedCount, 3);
    EXPECT_EQ(m.scoredCount1, 1);
    EXPECT_EQ(m.scoredCount2, 3);

    // An NBN code anywhere switches every taxon to the first field.
    const TaxonMatch byNbn = MatchTaxa(entries({"AC001A", "nbn4", "NBN2"}), 3, list.get(), "TDI3", "TDI4");
    EXPECT_EQ(byNbn.profiles[0].matchedRow, -1);
    EXPECT_EQ(byNbn.profiles[1].matchedRow, 3);
    EXPECT_EQ(byNbn.profiles[2].matchedRow, 1);
}

TEST(TaxonMatching, MissingOrTextScoreFieldsGiveNoScores)
{
    std::vector<MemoryTable::Column> columns;
    columns.push_back(fixtures::textColumn("A", {"NBN1"}));
    columns.push_back(fixtures::textColumn("B", {"X1"}));
    columns.push_back(fixtures::textColumn("TDI3", {"4"}));  // a text field is not a score
    const MemoryTable list(std::move(columns), 1);
    const TaxonMatch m = MatchTaxa(entries({"x1"}), 1, &list, "TDI3", "TDI4");
    EXPECT_EQ(m.matchedCount, 1);
    EXPECT_EQ(m.scoredCount1, 0);
    EXPECT_EQ(m.scoredCount2, 0);
    EXPECT_FALSE(m.profiles[0].planktic);

    // A single index never reads a second score.
    const auto full = fixtures::masterList({{"NBN1", "X1", 2, 3, 0, 0, 4}});
    const TaxonMatch dam = MatchTaxa(entries({"X1"}), 1, full.get(), "DAM", "");
    EXPECT_EQ(dam.profiles[0].scoredRow1, 0);
    EXPECT_EQ(dam.profiles[0].score1, 4);
    EXPECT_EQ(dam.profiles[0].scoredRow2, -1);
    EXPECT_EQ(dam.scoredCount2, 0);

    // No list at all: nothing matches.
    EXPECT_EQ(MatchTaxa(entries({"X1"}), 1, nullptr, "DAM", "").matchedCount, 0);
}

TEST(MasterCodeIndex, GivesTheFirstRowOfALinearScan)
{
    // Random codes over a small alphabet in both cases, so that many collide by case;
    // the index must stop where a scan from the top does.
    std::mt19937 random(7);
    const std::string letters = "aAbBcC";
    auto randomCode = [&] {
        std::string code;
        const int length = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < length; ++i)
            code += letters[random() % letters.size()];
        return code;
    };
    std::vector<std::string> codes;
    for (int i = 0; i < 300; ++i)
        codes.push_back(randomCode());
    const MemoryTable list({fixtures::textColumn("A", codes), fixtures::textColumn("B", codes)}, 300);
    const MasterCodeIndex index(list, 1);
    for (int q = 0; q < 500; ++q) {
        const std::string query = randomCode() + (q % 50 == 0 ? "z" : "");
        int scan = -1;
        for (int r = 0; r < 300 && scan < 0; ++r)
            if (equalsIgnoringCase(codes[static_cast<std::size_t>(r)], query))
                scan = r;
        EXPECT_EQ(index.FirstRow(query), scan) << query;
    }
}
