// The history chart's numbers: which samples become points of which site, which are
// listed instead and why, the shared axes and the class texts, from a hand-made job.

#include <gtest/gtest.h>

#include "metrics/index_values.h"
#include "sites/site_history_data.h"
#include "tests/results/chart_jobs.h"
#include "tests/support/scripted_user.h"

namespace {

using chart::SiteHistoryData;
using chart::SiteHistoryFor;

constexpr double m = Matrix::missingValue;

class HistoryData : public ::testing::Test {
protected:
    // The river job of the chart tests (sites AB1, CD2, EF3 with TDI3 means 0.7, none,
    // 0.3) with per-sample EQRs that give those means, a seventh sample without a site, and
    // dates out of sample order: S1 later than S3, S6 undated.
    void SetUp() override
    {
        chart_jobs::fillRiverJob(job);
        job.samples.headerValues = {{"S1", "S2", "S3", "S4", "S5", "S6", "S7"},
                                    {"AB1", "CD2", "ab1", "EF3", "CD2", "AB1", ""},
                                    {"44100", "44001", "44002", "44003", "44004", "", "44005"},
                                    {"50", "60", "70", "80", "90", "100", "100"}};
        job.samples.sampleCount = 7;
        job.analysis.results = std::make_unique<Matrix>(7, rescol::columnCount(2), 0.0);
        const double tdi3[] = {0.6, m, 0.8, 0.3, m, 0.7, 0.5};
        const double tdi4[] = {0.7, m, 0.8, 1.25, m, 0.75, 0.5};
        for (int s = 0; s < 7; ++s) {
            (*job.analysis.results)(s, rescol::firstEqr) = tdi3[s];
            (*job.analysis.results)(s, rescol::secondEqr(2)) = tdi4[s];
        }
    }

    ScriptedUser user;
    Job job{nullptr, user};
};

TEST_F(HistoryData, EachSiteGetsItsDatedSamplesInDateOrderAndTheTablesMean)
{
    const SiteHistoryData data = *SiteHistoryFor(job.samples, job.analysis, job.sites, 1);
    EXPECT_EQ(data.indexName, "TDI3");
    EXPECT_EQ(chart::HistoryCaption(data), "History TDI3");
    ASSERT_EQ(data.sites.size(), 3u);
    EXPECT_EQ(data.sites[0].code, "AB1");
    EXPECT_EQ(data.sites[1].code, "CD2");
    EXPECT_EQ(data.sites[2].code, "EF3");

    // AB1: S3 ("ab1") on 44002 before S1 on 44100; S6 has no date. The mean is the
    // table's 0.7, which counts S6: (0.6 + 0.8 + 0.7) / 3.
    const chart::SiteHistory& ab1 = data.sites[0];
    ASSERT_EQ(ab1.points.size(), 2u);
    EXPECT_EQ(ab1.points[0].sampleName, "S3");
    EXPECT_EQ(ab1.points[0].dateSerial, 44002);
    EXPECT_DOUBLE_EQ(ab1.points[0].eqr, 0.8);
    EXPECT_EQ(ab1.points[1].sampleName, "S1");
    EXPECT_EQ(ab1.points[1].dateSerial, 44100);
    EXPECT_DOUBLE_EQ(ab1.points[1].eqr, 0.6);
    EXPECT_DOUBLE_EQ(*ab1.meanEqr, 0.7);
    EXPECT_EQ(*ab1.limits, chart_jobs::tdi3Limits);

    // CD2 has no EQR at all: a panel without points, mean or class, on its bands.
    EXPECT_TRUE(data.sites[1].points.empty());
    EXPECT_FALSE(data.sites[1].meanEqr);
    EXPECT_FALSE(data.sites[1].statusClass);
    EXPECT_EQ(*data.sites[1].limits, chart_jobs::tdi3Limits);

    ASSERT_EQ(data.sites[2].points.size(), 1u);
    EXPECT_DOUBLE_EQ(*data.sites[2].meanEqr, 0.3);

    // The axes: dates of the plotted samples only (not S6, not S7 without a site), EQR to 1.
    EXPECT_EQ(data.firstDate, 44002);
    EXPECT_EQ(data.lastDate, 44100);
    EXPECT_DOUBLE_EQ(data.eqrBottom, 0);
    EXPECT_DOUBLE_EQ(data.eqrTop, 1);
}

TEST_F(HistoryData, SamplesNotDrawnAreListedWithTheirReasonInJobOrder)
{
    job.samples.headerValues[2][4] = "soon";
    job.analysis.comments1.assign(7, "");
    job.analysis.comments1[1] = "No matching taxa found";
    const SiteHistoryData data = *SiteHistoryFor(job.samples, job.analysis, job.sites, 1);
    ASSERT_EQ(data.unplotted.size(), 4u);
    EXPECT_EQ(data.unplotted[0].sampleName, "S2");
    EXPECT_EQ(data.unplotted[0].site, "CD2");
    EXPECT_EQ(data.unplotted[0].reason, "no EQR (No matching taxa found)");
    EXPECT_EQ(data.unplotted[1].sampleName, "S5");
    EXPECT_EQ(data.unplotted[1].reason, "not a date: soon, no EQR");
    EXPECT_EQ(data.unplotted[2].sampleName, "S6");
    EXPECT_EQ(data.unplotted[2].site, "AB1");
    EXPECT_EQ(data.unplotted[2].reason, "no date");
    EXPECT_EQ(data.unplotted[3].sampleName, "S7");
    EXPECT_EQ(data.unplotted[3].site, "");
    EXPECT_EQ(data.unplotted[3].reason, "no site code");
    // Every sample is either a point or listed.
    std::size_t points = 0;
    for (const chart::SiteHistory& site : data.sites)
        points += site.points.size();
    EXPECT_EQ(points + data.unplotted.size(), 7u);
}

TEST_F(HistoryData, ClassTextCarriesTheConfidenceOfTheSitesClass)
{
    const SiteHistoryData tdi3 = *SiteHistoryFor(job.samples, job.analysis, job.sites, 1);
    EXPECT_EQ(chart::ClassWithConfidenceText(tdi3.sites[0]), "Good (CoC 60%)");
    EXPECT_EQ(chart::ClassWithConfidenceText(tdi3.sites[1]), "No class");
    EXPECT_EQ(chart::ClassWithConfidenceText(tdi3.sites[2]), "Poor (CoC 55%)");

    // TDI4's table holds High and Good in one column: that column, named.
    const SiteHistoryData tdi4 = *SiteHistoryFor(job.samples, job.analysis, job.sites, 2);
    EXPECT_EQ(tdi4.indexName, "TDI4");
    EXPECT_EQ(chart::ClassWithConfidenceText(tdi4.sites[0]), "Good (CoC High+Good 70%)");
    EXPECT_EQ(chart::ClassWithConfidenceText(tdi4.sites[2]), "High (CoC High+Good 99%)");
    // EF3's capped 1.25 raises the shared EQR axis.
    EXPECT_DOUBLE_EQ(tdi4.eqrTop, 1.25);

    // A class without its probability: the class alone; a half per cent rounds up.
    chart::SiteHistory site = tdi3.sites[0];
    site.confidenceOfClass.reset();
    EXPECT_EQ(chart::ClassWithConfidenceText(site), "Good");
    site.confidenceOfClass = 77.5;
    EXPECT_EQ(chart::ClassWithConfidenceText(site), "Good (CoC 78%)");
}

TEST_F(HistoryData, NegativeEqrLowersTheAxisAndNoTableMeansNoHistory)
{
    (*job.analysis.results)(3, rescol::firstEqr) = -0.2;
    EXPECT_DOUBLE_EQ(SiteHistoryFor(job.samples, job.analysis, job.sites, 1)->eqrBottom, -0.2);

    EXPECT_EQ(chart::SiteHistories(job.samples, job.analysis, job.sites).size(), 2u);
    job.sites.uncertaintyAvailable = false;
    EXPECT_TRUE(chart::SiteHistories(job.samples, job.analysis, job.sites).empty());
    job.sites.uncertaintyAvailable = true;
    job.analysis.results.reset();
    EXPECT_FALSE(SiteHistoryFor(job.samples, job.analysis, job.sites, 1));
}

TEST_F(HistoryData, SitesAreFoundByCodeWithoutRegardToCaseOrByTheirBeginning)
{
    const SiteHistoryData data = *SiteHistoryFor(job.samples, job.analysis, job.sites, 1);
    EXPECT_EQ(chart::FindHistorySite(data, "ef3"), 2);
    EXPECT_EQ(chart::FindHistorySite(data, "CD"), 1);
    EXPECT_EQ(chart::FindHistorySite(data, "XY"), -1);
    EXPECT_EQ(chart::FindHistorySite(data, ""), -1);
}

}  // namespace
