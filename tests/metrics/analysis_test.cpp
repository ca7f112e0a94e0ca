#include <cstring>

#include <gtest/gtest.h>

#include "app/job.h"
#include "metrics/sample_quality.h"
#include "tests/metrics/metrics_fixtures.h"
#include "tests/support/scripted_user.h"

using fixtures::Taxon;

namespace {

constexpr double missing = Matrix::missingValue;

// Rivers with every taxon scored for both indices unless told otherwise.
void riverJob(Job& doc, const std::vector<Taxon>& list, const std::vector<std::string>& codes,
              const std::vector<std::vector<double>>& counts, const std::vector<std::string>& alkalinity = {})
{
    std::vector<std::vector<std::string>> headers(6);
    headers[2].assign(counts.size(), "40000");
    headers[3] = alkalinity.empty() ? std::vector<std::string>(counts.size(), "100") : alkalinity;
    fixtures::fillJob(doc, familyRivers, codes, counts, headers);
    doc.samples.masterTaxonList = fixtures::masterList(list);
    doc.samples.boundaries1 = fixtures::boundaries("TDI3", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    doc.samples.boundaries2 = fixtures::boundaries("TDI4", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
}

}  // namespace

TEST(Analyse, NoTaxaChangesNothing)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    fixtures::fillJob(doc, familyRivers, {}, {{}}, {});
    const std::string summary = doc.summary();
    EXPECT_FALSE(doc.Analyse());
    EXPECT_EQ(doc.summary(), summary);
    EXPECT_FALSE(doc.analysis.results);
    EXPECT_FALSE(doc.analysed);
    EXPECT_FALSE(doc.modified);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(Analyse, LakeTypologyMissingStopsTheRun)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    std::vector<std::vector<std::string>> headers(6);
    headers[3] = {"HA", "HAX", "", "MA"};
    fixtures::fillJob(doc, familyLakes, {"AC001A"}, {{1}, {1}, {1}, {1}}, headers);
    doc.samples.masterTaxonList = fixtures::masterList({{"N", "AC001A", 0, 0, 2, 2, 0}});
    const std::string summary = doc.summary();
    EXPECT_FALSE(doc.Analyse());
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Lake typology information missing for 2 samples with no "
                                                     "default.\nCorrect the error and try again."}));
    EXPECT_EQ(doc.summary(), summary);
    EXPECT_FALSE(doc.analysis.results);
    EXPECT_FALSE(doc.analysed);
    EXPECT_FALSE(doc.modified);
    EXPECT_FALSE(doc.sites.uncertaintyAvailable);
}

TEST(Analyse, SumsPercentagesAndIndexLimits)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    riverJob(doc,
             {{"N1", "LOW", 1, 1, 0, 0, 0, true}, {"N2", "HIGH", 5, 5, 0, 0, 0, false, true},
              {"N3", "NONE", 0, 0, 0, 0, 0, false, false, true, true}},
             {"LOW", "HIGH", "NONE"},
             {{4, 0, 0}, {0, 2, 0}, {0.25, 0.25, 0}, {0.5, 0.5, 0}, {0.002, 0.003, 0.005}, {0.5, 0, 1.5}});
    ASSERT_TRUE(doc.Analyse());
    const Matrix& r = *doc.analysis.results;
    ASSERT_EQ(r.nCols(), 17);
    // All score 1: index 0; all score 5: index 100.
    EXPECT_EQ(r(0, 3), 0);
    EXPECT_EQ(r(1, 3), 100);
    EXPECT_EQ(r(1, 8), 100);
    // Sample sum 0.5: no index, but its percentages: 0.25 of 0.5 planktic = 50 %.
    EXPECT_EQ(r(2, 1), 0.5);
    EXPECT_EQ(r(2, 3), missing);
    EXPECT_EQ(r(2, 8), missing);
    EXPECT_EQ(r(2, 12), 50);
    EXPECT_EQ(r(2, 13), 50);
    // Sample sum exactly 1 has an index: (0.5 * 1 + 0.5 * 5) / 1 = 3, 25 * 3 - 25 = 50.
    EXPECT_EQ(r(3, 3), 50);
    // Sample sum exactly 0.01 keeps its raw group sums.
    EXPECT_NEAR(r(4, 1), 0.01, 1e-15);
    EXPECT_EQ(r(4, 12), 0.002);
    EXPECT_EQ(r(4, 13), 0.003);
    EXPECT_EQ(r(4, 14), 0.005);
    EXPECT_EQ(r(4, 15), 0.005);
    // The unscored taxon counts in "Sample sum" and its groups, not in the index:
    // sum 2, organic tolerant 1.5 / 2 = 75 %, TDI3 from the LOW taxon alone = 0.
    EXPECT_EQ(r(5, 1), 2);
    EXPECT_EQ(r(5, 2), 0.5);
    EXPECT_EQ(r(5, 3), 0);
    EXPECT_EQ(r(5, 14), 75);
    EXPECT_EQ(r(5, 15), 75);
    EXPECT_EQ(r(5, 12), 25);
    // Column 0 and the comment column hold 0.
    for (int s = 0; s < r.nRows(); ++s) {
        EXPECT_EQ(r(s, 0), 0);
        EXPECT_EQ(r(s, 16), 0);
    }
    // Sample 2 (0.25 + 0.25 of scored taxa, under one valve): the EQR of the marker is
    // not computed, the expected value still is (alkalinity 100, serial 40000 in July).
    EXPECT_NEAR(r(2, 4), 39.67, 1e-9);
    EXPECT_EQ(r(2, 5), missing);
    EXPECT_EQ(r(2, 6), missing);
    EXPECT_EQ(doc.analysis.comments1[2], "");
    // Every taxon scored for neither index but one: the warning has counts 1 and 1.
    EXPECT_EQ(doc.analysis.lackingCount1, 1);
    EXPECT_EQ(doc.analysis.lackingCount2, 1);
    EXPECT_TRUE(doc.analysed);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(ui.busyCount, 1);
}

TEST(Analyse, WarningsCountTaxaWithoutScores)
{
    // 40 taxa: 3 without a TDI3 score (unmatched, score 0, score negative), 5 without TDI4.
    std::vector<Taxon> list;
    std::vector<std::string> codes;
    for (int t = 0; t < 40; ++t) {
        Taxon taxon{"N" + std::to_string(t), "C" + std::to_string(t), 3, 3, 0, 0, 0};
        if (t == 1)
            taxon.tdi3 = 0;
        if (t == 2)
            taxon.tdi3 = -2;
        if (t >= 10 && t < 14)
            taxon.tdi4 = 0;
        if (t != 0)
            list.push_back(taxon);
        codes.push_back(taxon.code);
    }
    ScriptedUser ui;
    Job doc(nullptr, ui);
    riverJob(doc, list, codes, {std::vector<double>(40, 1.0)});
    const std::string before = doc.summary();
    ASSERT_TRUE(doc.Analyse());
    EXPECT_EQ(doc.analysis.matchedCount, 39);
    EXPECT_EQ(doc.analysis.lackingCount1, 3);
    EXPECT_EQ(doc.analysis.lackingCount2, 5);
    EXPECT_EQ(doc.summary(), before + "\r\n\r\nWarning: 3 taxa lack TDI3 scores and 5 lack TDI4 scores in database."
                                    "\r\nUse View Data to identify unmatched taxa"
                                    "\r\nA list of these will be saved in the results file."
                                    "\r\n\r\nSamples with quality flags: 1 (see the Sample quality sheet)");
    EXPECT_EQ(doc.analysis.matchedRow[0], -1);
    EXPECT_EQ(doc.analysis.scoredRow1[1], -1);
    EXPECT_EQ(doc.analysis.scoredRow2[1], 0);
    EXPECT_EQ(doc.analysis.scoredRow2[10], -1);

    // Every taxon scored for both: nothing but the line break and the one sample of two
    // valves flagged.
    ScriptedUser ui2;
    Job full(nullptr, ui2);
    riverJob(full, {{"N", "A", 2, 2, 0, 0, 0}, {"N", "B", 3, 3, 0, 0, 0}}, {"A", "B"}, {{1, 1}});
    const std::string fullBefore = full.summary();
    ASSERT_TRUE(full.Analyse());
    EXPECT_EQ(full.summary(), fullBefore + "\r\n\r\nSamples with quality flags: 1 (see the Sample quality sheet)");
    EXPECT_EQ(full.analysis.lackingCount1, 0);
    EXPECT_EQ(full.analysis.lackingCount2, 0);
}

TEST(Analyse, LakeScoredSumThresholdAndInvalidType)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    std::vector<std::vector<std::string>> headers(6);
    headers[3] = {"HA", "XX"};
    // Sample 0: scored sum 0.00005 beside 10 valves of an unscored taxon.
    fixtures::fillJob(doc, familyLakes, {"S", "U"}, {{0.00005, 10}, {5, 5}}, headers);
    doc.samples.masterTaxonList = fixtures::masterList({{"N", "S", 0, 0, 3, 3, 0}});
    doc.samples.boundaries1 = fixtures::boundaries("LTDI1", {{"ha", 20, 0.8, 0.6, 0.4, 0.2}});
    doc.samples.boundaries2 = fixtures::boundaries("LTDI2", {{"HA", 60, 0.8, 0.6, 0.4, 0.2}});
    ASSERT_TRUE(doc.Analyse());
    const Matrix& r = *doc.analysis.results;
    // Index 25 * 3 - 25 = 50; LTDI1 EQR 50 / 80 = 0.625 (Good); LTDI2 50 / 40 held at 1.
    EXPECT_NEAR(r(0, 3), 50, 1e-9);
    EXPECT_EQ(r(0, 4), 20);
    EXPECT_NEAR(r(0, 5), 0.625, 1e-9);
    EXPECT_EQ(r(0, 6), 2);
    EXPECT_EQ(r(0, 9), 60);
    EXPECT_EQ(r(0, 10), 1);
    EXPECT_EQ(r(0, 11), 1);
    // "XX" is no lake type: the index stands, the rest is missing.
    EXPECT_EQ(r(1, 3), 50);
    EXPECT_EQ(r(1, 8), 50);
    for (int c : {4, 5, 6, 9, 10, 11})
        EXPECT_EQ(r(1, c), missing) << c;
    EXPECT_EQ(doc.analysis.comments1, (std::vector<std::string>{"", "Invalid type"}));
    EXPECT_EQ(doc.analysis.comments2, (std::vector<std::string>{"", "Invalid type"}));
    EXPECT_EQ(doc.analysis.resultNames[6], "Class LTDI1");
    EXPECT_EQ(doc.analysis.resultNames[11], "Class LTDI2");
    EXPECT_EQ(doc.analysis.resultNames[17], "Comment LTD12");
}

// A job large enough for its samples to be shared among threads: every sample gets, bit
// for bit, the results, comments and quality flags it gets in a job of six samples run on
// one thread, and the taxa without scores their counts, largest counts and N2 worked out
// here.
TEST(Analyse, ALargeJobGivesEachSampleWhatItGetsInASmallOne)
{
    const std::vector<Taxon> list{{"N1", "LOW", 1, 1, 0, 0, 0, true}, {"N2", "HIGH", 5, 5, 0, 0, 0, false, true},
                                  {"N3", "NONE", 0, 0, 0, 0, 0, false, false, true, true}};
    const std::vector<std::vector<double>> six{{0, 0, 4},   {0, 2, 0},   {0, 0.25, 0.25}, {0, 0.5, 0.5},
                                               {0, 0, 0},   {1.5, 0, 0.5}};
    const std::vector<std::string> alkalinity{"100", "", "0.001", "1e9", "abc", "100"};
    // 600 taxa the master list lacks, never counted, widen each sample past what one
    // thread takes.
    std::vector<std::string> codes{"LOW", "HIGH", "NONE"};
    for (int t = 0; t < 600; ++t)
        codes.push_back("PAD" + std::to_string(t));
    const auto job = [&](Job& doc, int samples) {
        std::vector<std::vector<double>> counts;
        std::vector<std::string> alk;
        for (int s = 0; s < samples; ++s) {
            counts.push_back(six[static_cast<std::size_t>(s % 6)]);
            counts.back().resize(codes.size(), 0.0);
            alk.push_back(alkalinity[static_cast<std::size_t>(s % 6)]);
        }
        riverJob(doc, list, codes, counts, alk);
        doc.samples.defaultAlkalinity = 50;
    };
    ScriptedUser smallUi, largeUi;
    Job small(nullptr, smallUi), large(nullptr, largeUi);
    job(small, 6);
    const int samples = 6 * 700;
    job(large, samples);
    ASSERT_TRUE(small.Analyse());
    ASSERT_TRUE(large.Analyse());
    const Matrix& one = *small.analysis.results;
    const Matrix& all = *large.analysis.results;
    ASSERT_EQ(all.nRows(), samples);
    const std::vector<SampleQuality> oneQuality = SampleQualityOfAll(small.samples, small.analysis);
    const std::vector<SampleQuality> allQuality = SampleQualityOfAll(large.samples, large.analysis);
    ASSERT_EQ(allQuality.size(), static_cast<std::size_t>(samples));
    for (int s = 0; s < samples; ++s) {
        const std::size_t k = static_cast<std::size_t>(s % 6), at = static_cast<std::size_t>(s);
        for (int c = 0; c < all.nCols(); ++c) {
            const double a = all(s, c), b = one(s % 6, c);
            ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "sample " << s << ", column " << c;
        }
        ASSERT_EQ(large.analysis.comments1[at], small.analysis.comments1[k]) << s;
        ASSERT_EQ(large.analysis.comments2[at], small.analysis.comments2[k]) << s;
        ASSERT_EQ(allQuality[at].flags, oneQuality[k].flags) << s;
    }
    // The comments do differ from sample to sample: a default, a bound, none.
    EXPECT_NE(small.analysis.comments1[1], small.analysis.comments1[0]);
    EXPECT_NE(small.analysis.comments1[2], small.analysis.comments1[1]);
    // Per taxon without scores: NONE is counted in 4 of each 6 samples (4, 0.25, 0.5, 0.5),
    // largest 4; its total is 700 * 5.25, so N2 = 1 / (700 * (4^2 + 0.25^2 + 2 * 0.5^2) /
    // (700 * 5.25)^2). PAD0 is never counted. LOW, which has its scores, is not worked out.
    ASSERT_TRUE(large.analysis.perTaxon);
    const Matrix& perTaxon = *large.analysis.perTaxon;
    EXPECT_EQ(perTaxon(2, 0), 4 * 700);
    EXPECT_EQ(perTaxon(2, 1), 4);
    EXPECT_NEAR(perTaxon(2, 2), 700 * 5.25 * 5.25 / 16.5625, 1e-6);
    EXPECT_EQ(perTaxon(3, 0), 0);
    EXPECT_EQ(perTaxon(3, 2), 0);
    EXPECT_EQ(perTaxon(0, 0), 0);
    EXPECT_EQ(perTaxon(0, 2), 0);
}

TEST(RunAnalysis, ConfidenceOfClassOnlyWithParameters)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    riverJob(doc, {{"N", "A", 2, 2, 0, 0, 0}}, {"A"}, {{1}});
    doc.samples.headerValues[1] = {"SITE"};
    doc.samples.cocAvailable = false;
    ASSERT_TRUE(doc.Analyse());
    EXPECT_TRUE(doc.analysed);
    EXPECT_TRUE(doc.modified);
    EXPECT_FALSE(doc.sites.uncertaintyAvailable);
    EXPECT_FALSE(doc.sites.siteSummary1);
    EXPECT_FALSE(doc.sites.siteSummary2);
}
