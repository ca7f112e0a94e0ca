#include <gtest/gtest.h>

#include <numeric>

#include "sites/confidence_of_class.h"
#include "tests/metrics/metrics_fixtures.h"
#include "tests/support/scripted_user.h"

using fixtures::logit;

namespace {

constexpr double missing = Matrix::missingValue;
const std::array<double, 4> limits = {0.8, 0.6, 0.4, 0.2};

// A job after its analysis, reduced to what the confidence of class reads: the EQRs of
// both indices (columns 5 and 10), the site codes and the lake types. The spread of one
// sample is sd (c0 = sd, the other terms 0).
void analysedJob(Job& doc, int family, const std::vector<std::string>& sites, const std::vector<double>& eqr1,
                 const std::vector<double>& eqr2, double sd, const std::vector<std::string>& lakeTypes = {})
{
    doc.samples.family = family;
    doc.samples.familyName = FamilyName(family);
    doc.analysis.indexCount = family == familyDam ? 1 : 2;
    const int n = static_cast<int>(eqr1.size());
    doc.analysis.results = std::make_unique<Matrix>(n, family == familyDam ? 12 : 17, 0.0);
    for (int i = 0; i < n; ++i) {
        (*doc.analysis.results)(i, 5) = eqr1[static_cast<std::size_t>(i)];
        if (family != familyDam)
            (*doc.analysis.results)(i, 10) = eqr2[static_cast<std::size_t>(i)];
    }
    doc.samples.headerValues.assign(6, std::vector<std::string>(static_cast<std::size_t>(n)));
    doc.samples.headerValues[1] = sites;
    if (!lakeTypes.empty())
        doc.samples.headerValues[3] = lakeTypes;
    const char* first = FirstIndexName(family);
    const char* second = SecondIndexName(family);
    if (family == familyLakes) {
        doc.samples.boundaries1 = fixtures::boundaries(first, {{"HA", 30, 0.8, 0.6, 0.4, 0.2}, {"MA", 40, 0.9, 0.7, 0.5, 0.3}});
        doc.samples.boundaries2 = fixtures::boundaries(second, {{"HA", 30, 0.8, 0.6, 0.4, 0.2}, {"MA", 40, 0.9, 0.7, 0.5, 0.3}});
    } else {
        doc.samples.boundaries1 = fixtures::boundaries(first, {{"", 0, 0.8, 0.6, 0.4, 0.2}});
        doc.samples.boundaries2 = fixtures::boundaries(second, {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    }
    doc.samples.cocParameters = fixtures::cocRows(doc.samples.familyName, {sd, 0, 0, 1});
}

void expectPercent(const Matrix& s, int row, const std::array<double, 5>& expected, int firstCol = 4)
{
    for (int j = 0; j < 5; ++j)
        EXPECT_NEAR(s(row, firstCol + j), expected[static_cast<std::size_t>(j)], 1e-6) << "class " << j + 1;
}

}  // namespace

TEST(SiteGrouping, CodesCompareWithoutCaseAndShortCodesAreNoSite)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    analysedJob(doc, familyRivers, {"AB1", "X", "ab1", "CD2", "", "AB1"}, {0.5, 0.9, 0.5, 0.7, 0.1, 0.5},
                {0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, 0.1);
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    EXPECT_TRUE(doc.sites.uncertaintyAvailable);
    EXPECT_EQ(doc.sites.siteCodes, (std::vector<std::string>{"AB1", "CD2"}));
    const Matrix& s = *doc.sites.siteSummary1;
    ASSERT_EQ(s.nRows(), 2);
    ASSERT_EQ(s.nCols(), 13);
    EXPECT_EQ(s(0, 0), 3);
    EXPECT_EQ(s(0, 1), 0);
    EXPECT_DOUBLE_EQ(s(0, 2), 0.5);
    // 0.5 lies between 0.4 and 0.6: Moderate.
    EXPECT_EQ(s(0, 3), 3);
    const auto p = fixtures::classPercent(0.5, 3, 0.1, limits, 1);
    expectPercent(s, 0, p);
    // The class of x for the risk is Moderate too (0.6 >= 0.5 > 0.4).
    EXPECT_NEAR(s(0, 9), 100 - p[2], 1e-6);
    EXPECT_NEAR(s(0, 10), p[0] + p[1], 1e-6);
    EXPECT_NEAR(s(0, 11), p[2] + p[3] + p[4], 1e-6);
    EXPECT_NEAR(s(0, 12), 100 - (p[2] + p[3] + p[4]), 1e-6);  // 0.6 >= x
    // The samples X and "" belong nowhere: CD2 alone holds 0.7, Good.
    EXPECT_EQ(s(1, 0), 1);
    EXPECT_DOUBLE_EQ(s(1, 2), 0.7);
    EXPECT_EQ(s(1, 3), 2);
    // 0.7 > 0.6: the Good/Moderate risk is 100 minus High+Good.
    EXPECT_NEAR(s(1, 12), 100 - s(1, 10), 1e-9);
    // Probabilities add up to 100, and so do HG and MPB.
    for (int k = 0; k < 2; ++k) {
        double total = 0;
        for (int c = 4; c <= 8; ++c)
            total += s(k, c);
        EXPECT_NEAR(total, 100, 1e-9);
        EXPECT_NEAR(s(k, 10) + s(k, 11), 100, 1e-9);
    }
    EXPECT_EQ(doc.sites.siteHeaders1,
              (std::vector<std::string>{"Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High",
                                        "CoC Good", "CoC Mod", "CoC Poor", "CoC Bad", "RoM", "CoC HG", "CoC MPB",
                                        "RoM-G/M", "", "", "", "", "", "", ""}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SiteGrouping, MissingEqrsAreCountedAndSkipped)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    // Site A: 0.6, missing, 0.8; site B: missing first, then 0.6 and 0.8.
    analysedJob(doc, familyDam, {"AA", "AA", "AA", "BB", "BB", "BB"}, {0.6, missing, 0.8, missing, 0.6, 0.8}, {}, 0.1);
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    const Matrix& s = *doc.sites.siteSummary1;
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(s(k, 0), 2);
        EXPECT_EQ(s(k, 1), 1);
        EXPECT_NEAR(s(k, 2), 0.7, 1e-12);
        EXPECT_EQ(s(k, 3), 2);
        expectPercent(s, k, fixtures::classPercent(0.7, 2, 0.1, limits, 1));
    }
}

TEST(SiteClass, MeanAboveTheTopUsesPoint999ForTheProbabilities)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    analysedJob(doc, familyRivers, {"S1"}, {0.9}, {1.05}, 0.1);
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 2, doc.ui, doc.sites));
    const Matrix& s = *doc.sites.siteSummary2;
    ASSERT_EQ(s.nCols(), 12);  // "CoC High" removed
    EXPECT_DOUBLE_EQ(s(0, 2), 1.05);
    EXPECT_EQ(s(0, 3), 1);
    // x = 0.999: sigma = 0.1 / (0.999 * 0.001) = 100.1, held at 1.
    const auto p = fixtures::classPercent(0.999, 1, 0.1, limits, 1);
    // After the removal column 4 holds High and Good together, then Moderate, Poor, Bad.
    EXPECT_NEAR(s(0, 4), p[0] + p[1], 1e-6);
    for (int j = 2; j < 5; ++j)
        EXPECT_NEAR(s(0, 3 + j), p[static_cast<std::size_t>(j)], 1e-6);
    EXPECT_NEAR(s(0, 8), 100 - p[0], 1e-6);  // RoM: x above every limit, High
    EXPECT_NEAR(s(0, 9), p[0] + p[1], 1e-6);
    EXPECT_NEAR(s(0, 11), 100 - s(0, 9), 1e-9);
    EXPECT_EQ(doc.sites.siteHeaders2,
              (std::vector<std::string>{"Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High+Good",
                                        "CoC Mod", "CoC Poor", "CoC Bad", "RoM", "CoC HG", "CoC MPB", "RoM-G/M", "",
                                        "", "", "", "", "", "", ""}));
}

// TDI4's table has one column for High and Good: it holds their sum. Limits 0.8, 0.6, 0.4,
// 0.2 and a spread held at 1 on the logit scale (sd 1 is far above the cap), so
// High+Good = 100 (1 - Phi(logit 0.6 - logit x)):
//   x = 0.9 (High):     logit 0.6 - logit 0.9 = ln(1.5 / 9) = -ln 6 = -1.791759,
//                       100 Phi(1.791759) = 96.3414 (tables: Phi(1.79) 0.96327, Phi(1.80) 0.96407);
//   x = 0.5 (Moderate): logit 0.6 - 0 = ln 1.5 = 0.405465, 100 (1 - Phi(0.405465)) = 34.2568
//                       (Phi(0.40) 0.65542, Phi(0.41) 0.65910).
// At x = 0.5 the classes are symmetric: Moderate = 100 (2 Phi(0.405465) - 1) = 31.4864,
// Poor = Good, Bad = High, so the four columns add up to 100.
TEST(SiteClass, RiverSecondIndexHighPlusGoodHoldsTheSum)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    analysedJob(doc, familyRivers, {"HI", "MO"}, {0.9, 0.5}, {0.9, 0.5}, 1.0);
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 2, doc.ui, doc.sites));
    const Matrix& full = *doc.sites.siteSummary1;
    const Matrix& s = *doc.sites.siteSummary2;
    ASSERT_EQ(s.nCols(), 12);
    EXPECT_EQ(doc.sites.siteHeaders2[5], "CoC High+Good");
    EXPECT_EQ(s(0, 3), 1);
    EXPECT_EQ(s(1, 3), 3);
    EXPECT_NEAR(s(0, 4), 96.3414, 1e-3);
    EXPECT_NEAR(s(1, 4), 34.2568, 1e-3);
    EXPECT_NEAR(s(1, 5), 31.4864, 1e-3);
    for (int k = 0; k < 2; ++k) {
        // High + Good of the same site, as the first index's full table shows them
        // (the same EQR and limits there, the spread capped at 1 too).
        EXPECT_NEAR(s(k, 4), full(k, 4) + full(k, 5), 1e-9) << k;
        EXPECT_NEAR(s(k, 4), s(k, 9), 1e-9) << k;  // "CoC HG"
        EXPECT_NEAR(s(k, 4) + s(k, 5) + s(k, 6) + s(k, 7), 100, 1e-9) << k;
    }
}

TEST(SiteClass, MeanOnTheGoodModerateLimit)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    // Two samples of exactly 0.6: the running mean stays exactly on the limit.
    analysedJob(doc, familyRivers, {"S1", "S1"}, {0.6, 0.6}, {0.6, 0.6}, 0.1);
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    const Matrix& s = *doc.sites.siteSummary1;
    EXPECT_NEAR(s(0, 2), 0.6, 1e-12);
    EXPECT_EQ(s(0, 3), 2);  // Good: a mean on a limit counts in the better class
    const auto p = fixtures::classPercent(0.6, 2, 0.1, limits, 1);
    // ... but the risks count it in the worse: 100 - Moderate, and 100 - MPB.
    EXPECT_NEAR(s(0, 9), 100 - p[2], 1e-6);
    EXPECT_NEAR(s(0, 12), 100 - s(0, 11), 1e-9);
}

TEST(SiteClass, SpreadIsHeldAtTheCapOfTheRun)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    // sd 1 at x = 0.5: sigma = 1 / 0.25 = 4, held at 1.5 for LTDI1 and at 1 for LTDI2.
    analysedJob(doc, familyLakes, {"L1"}, {0.5}, {0.5}, 1.0, {"ha"});
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 2, doc.ui, doc.sites));
    expectPercent(*doc.sites.siteSummary1, 0, fixtures::classPercent(0.5, 1, 1.0, limits, 1.5));
    expectPercent(*doc.sites.siteSummary2, 0, fixtures::classPercent(0.5, 1, 1.0, limits, 1.0));
    EXPECT_EQ(doc.sites.siteSummary2->nCols(), 13);  // lakes keep "CoC High"
    // High at sigma 1.5: 100 (1 - Phi(ln 4 / 1.5)) = 100 (1 - Phi(0.924196)) = 17.77.
    EXPECT_NEAR((*doc.sites.siteSummary1)(0, 4), 17.77, 0.01);
}

TEST(SiteClass, LakeTypeWithoutBoundaryRowLeavesOnlyThatSiteMissing)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    analysedJob(doc, familyLakes, {"L1", "L2", "L3"}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 0.1, {"HA", "ZZ", "MA"});
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    const Matrix& s = *doc.sites.siteSummary1;
    EXPECT_EQ(s(0, 3), 3);
    for (int c = 3; c < 13; ++c)
        EXPECT_TRUE(s.isMissing(1, c)) << c;
    EXPECT_EQ(s(1, 0), 1);
    EXPECT_DOUBLE_EQ(s(1, 2), 0.5);
    // The site after it is assessed against its own row: 0.5 >= 0.5, Moderate.
    EXPECT_EQ(s(2, 3), 3);
    expectPercent(s, 2, fixtures::classPercent(0.5, 1, 0.1, {0.9, 0.7, 0.5, 0.3}, 1.5));
    EXPECT_NEAR(s(2, 9), 100 - s(2, 7), 1e-9);  // risk: x on 0.5 counts as Poor
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SiteClass, MeanAtOrBelowZeroIsCertainlyBad)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    analysedJob(doc, familyDam, {"D1", "D2"}, {-0.3, 0.0}, {}, 0.1);
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    const Matrix& s = *doc.sites.siteSummary1;
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(s(k, 3), 5);
        for (int c = 4; c <= 7; ++c)
            EXPECT_EQ(s(k, c), 0) << c;
        EXPECT_EQ(s(k, 8), 100);
        EXPECT_EQ(s(k, 9), 0);    // RoM: 100 - Bad
        EXPECT_EQ(s(k, 10), 0);   // HG
        EXPECT_EQ(s(k, 11), 100); // MPB
        EXPECT_EQ(s(k, 12), 0);   // 100 - MPB, x below 0.6
    }
}

TEST(SiteClass, SiteWithoutAnyEqrIsMissingThroughout)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    analysedJob(doc, familyDam, {"D1", "D1", "D2"}, {missing, missing, 0.5}, {}, 0.1);
    ASSERT_TRUE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    const Matrix& s = *doc.sites.siteSummary1;
    EXPECT_EQ(s(0, 0), 0);
    EXPECT_EQ(s(0, 1), 2);
    for (int c = 2; c < 13; ++c)
        EXPECT_TRUE(s.isMissing(0, c)) << c;
    EXPECT_EQ(s(1, 3), 3);
}

TEST(SiteClass, Messages)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    analysedJob(doc, familyRivers, {"A", "", "B"}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, 0.1);
    EXPECT_FALSE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    EXPECT_FALSE(SummariseSites(doc.samples, doc.analysis, 2, doc.ui, doc.sites));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{
                               "Site information is missing, uncertainty analysis cannot be performed",
                               "Site information is missing, uncertainty analysis cannot be performed"}));
    EXPECT_FALSE(doc.sites.uncertaintyAvailable);

    ui.messages.clear();
    doc.samples.headerValues[1].pop_back();
    EXPECT_FALSE(SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites));
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{"Error in sample numbers - uncertainty results not available"}));
    EXPECT_FALSE(doc.sites.uncertaintyAvailable);
}

TEST(ProbabilityBelow, LimitsAtTheEndsOfTheScale)
{
    EXPECT_EQ(ProbabilityBelow(1.0, 0.0, 1.0), 1.0);
    EXPECT_EQ(ProbabilityBelow(0.0, 0.0, 1.0), 0.0);
    // Without spread the mean decides alone.
    EXPECT_EQ(ProbabilityBelow(0.6, logit(0.5), 0.0), 1.0);
    EXPECT_EQ(ProbabilityBelow(0.4, logit(0.5), 0.0), 0.0);
    EXPECT_NEAR(ProbabilityBelow(0.6, logit(0.6), 1.0), 0.5, 1e-12);
}
