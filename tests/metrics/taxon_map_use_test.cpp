// A job's analysis with a taxon map: only unmatched codes take their map lines, a line
// that cannot be used is reported and changes nothing, a malformed file is refused.

#include <gtest/gtest.h>

#include "app/job.h"
#include "metrics/taxon_map_use.h"
#include "tests/metrics/metrics_fixtures.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;
using testing_support::writeFile;

// Three listed taxa: AC001A (TDI3 2, TDI4 3), AC002A (TDI3 4, TDI4 1), AC003A (TDI3 5, no TDI4).
void fillRiverJob(Job& doc, const std::vector<std::string>& codes)
{
    std::vector<std::vector<std::string>> headers(6);
    headers[0] = {"S0", "S1"};
    headers[1] = {"R1", "R1"};
    headers[2] = {"39995", "39995"};
    headers[3] = {"100", "50"};
    fixtures::fillJob(doc, familyRivers, codes, {{10, 5, 5}, {0, 2, 8}}, headers);
    doc.samples.masterTaxonList = fixtures::masterList({{"NBN1", "AC001A", 2, 3, 0, 0, 0, true},
                                                {"NBN2", "AC002A", 4, 1, 0, 0, 0, false, true},
                                                {"NBN3", "AC003A", 5, 0}});
    doc.samples.boundaries1 = fixtures::boundaries("TDI3", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    doc.samples.boundaries2 = fixtures::boundaries("TDI4", {{"", 0, 0.9, 0.7, 0.5, 0.3}});
}

void expectSameResults(const Job& a, const Job& b)
{
    ASSERT_TRUE(a.analysis.results && b.analysis.results);
    ASSERT_EQ(a.analysis.results->nRows(), b.analysis.results->nRows());
    ASSERT_EQ(a.analysis.results->nCols(), b.analysis.results->nCols());
    for (int r = 0; r < a.analysis.results->nRows(); ++r)
        for (int c = 0; c < a.analysis.results->nCols(); ++c)
            EXPECT_EQ((*a.analysis.results)(r, c), (*b.analysis.results)(r, c)) << "row " << r << " col " << c;
    EXPECT_EQ(a.analysis.matchedRow, b.analysis.matchedRow);
    EXPECT_EQ(a.analysis.scoredRow1, b.analysis.scoredRow1);
    EXPECT_EQ(a.analysis.scoredRow2, b.analysis.scoredRow2);
    EXPECT_EQ(a.analysis.lackingCount1, b.analysis.lackingCount1);
    EXPECT_EQ(a.analysis.lackingCount2, b.analysis.lackingCount2);
    EXPECT_EQ(a.analysis.comments1, b.analysis.comments1);
    EXPECT_EQ(a.analysis.comments2, b.analysis.comments2);
}

bool useMap(Job& doc, const TempDir& dir, const std::string& text)
{
    const std::string path = dir.file("lab-taxa.csv");
    writeFile(path, text);
    std::string error;
    return doc.SetTaxonMap(path, error);
}

}  // namespace

TEST(TaxonMapUse, MatchesAsTheCorrectedWorkbookDoes)
{
    TempDir dir;
    ScriptedUser ui1, ui2;
    Job corrected(nullptr, ui1), mapped(nullptr, ui2);
    fillRiverJob(corrected, {"AC001A", "AC002A", "AC003A"});
    fillRiverJob(mapped, {"AC001A", "lab-2", "LAB3"});
    // Codes are compared without regard to case, on both sides of a line.
    ASSERT_TRUE(useMap(mapped, dir,
                       "code,mapped code,name,mapped name,reason\n"
                       "LAB-2,ac002a,Taxon lab-2,,typed\n"
                       "lab3,AC003A,,,\n"));
    ASSERT_TRUE(corrected.Analyse());
    ASSERT_TRUE(mapped.Analyse());
    expectSameResults(corrected, mapped);
    // S1: (2*4 + 8*5) / 10 = 4.8 -> TDI3 95, worked out by hand.
    EXPECT_DOUBLE_EQ((*mapped.analysis.results)(1, 3), 95);
    EXPECT_EQ(mapped.analysis.mappedCount, 2);
    EXPECT_EQ(mapped.analysis.mappedLine, (std::vector<int>{-1, 0, 1}));
    EXPECT_EQ(corrected.analysis.mappedLine, (std::vector<int>{-1, -1, -1}));
    EXPECT_NE(mapped.summary().find("\r\n\r\nTaxon map:\tlab-taxa.csv\r\n2 taxa matched through the taxon map."
                                  "\r\nline 2:\tlab-2 (Taxon lab-2) as ac002a"
                                  "\r\nline 3:\tLAB3 (Taxon LAB3) as AC003A\r\n"),
              std::string::npos)
        << mapped.summary();
    // Only the map's paragraph tells the two summaries apart.
    EXPECT_EQ(corrected.summary().find("Taxon map"), std::string::npos);
}

TEST(TaxonMapUse, LinesThatCannotBeUsedAreReportedAndChangeNothing)
{
    TempDir dir;
    ScriptedUser ui1, ui2;
    Job plain(nullptr, ui1), mapped(nullptr, ui2);
    fillRiverJob(plain, {"AC001A", "AC002A", "ZZ9"});
    fillRiverJob(mapped, {"AC001A", "AC002A", "ZZ9"});
    // AC001A matches the list itself: its line (to a row with other scores) must not move
    // it. ZZ9's line points at a code the list lacks.
    ASSERT_TRUE(useMap(mapped, dir,
                       "code,mapped code,name,mapped name,reason\n"
                       "AC001A,AC003A,,,\n"
                       "ZZ9,AC999A,,,\n"));
    ASSERT_TRUE(plain.Analyse());
    ASSERT_TRUE(mapped.Analyse());
    expectSameResults(plain, mapped);
    EXPECT_EQ(mapped.analysis.mappedCount, 0);
    EXPECT_EQ(mapped.analysis.lackingCount1, 1);
    EXPECT_NE(mapped.summary().find("0 taxa matched through the taxon map.\r\nTaxon map lines not used:"
                                  "\r\nline 2: code AC001A is in the master taxon list itself; the map line is not used"
                                  "\r\nline 3: mapped code AC999A of ZZ9 is not in the master taxon list; the map "
                                  "line is not used\r\n"),
              std::string::npos)
        << mapped.summary();
}

TEST(TaxonMapUse, MalformedFileLeavesTheJobAsItWas)
{
    TempDir dir;
    ScriptedUser ui;
    Job doc(nullptr, ui);
    fillRiverJob(doc, {"AC001A", "LAB2"});
    ASSERT_TRUE(useMap(doc, dir, "code,mapped code,name,mapped name,reason\nLAB2,AC002A,,,\n"));
    const std::string good = doc.taxonMap.path;

    const std::string bad = dir.file("bad.csv");
    writeFile(bad, "code;mapped code\nLAB2;AC002A\n");
    std::string error;
    EXPECT_FALSE(doc.SetTaxonMap(bad, error));
    EXPECT_EQ(error.rfind(bad + ": line 1", 0), 0u) << error;
    EXPECT_EQ(doc.taxonMap.path, good);
    ASSERT_TRUE(doc.taxonMap.map);
    ASSERT_EQ(doc.taxonMap.map->lines.size(), 1u);

    EXPECT_FALSE(doc.SetTaxonMap(dir.file("absent.csv"), error));
    EXPECT_EQ(doc.taxonMap.path, good);
    ASSERT_TRUE(doc.Analyse());
    EXPECT_EQ(doc.analysis.mappedCount, 1);
}
