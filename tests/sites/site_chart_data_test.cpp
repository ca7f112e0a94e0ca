// The chart's numbers: which sites are drawn, with which limits, probabilities and
// labels, worked out from hand-made site tables.

#include <gtest/gtest.h>

#include "tests/results/chart_jobs.h"
#include "tests/support/scripted_user.h"
#include "results/results_csv.h"
#include "sites/site_chart_data.h"

namespace {

using chart::SiteChartData;
using chart::SiteChartFor;
using chart::SiteCharts;

class ChartData : public ::testing::Test {
protected:
    ScriptedUser user;
    Job job{nullptr, user};
};

std::vector<double> values(const std::vector<std::optional<double>>& probabilities)
{
    std::vector<double> out;
    for (const std::optional<double>& p : probabilities)
        out.push_back(p.value_or(-1));
    return out;
}

TEST_F(ChartData, RiverTablesGiveOneChartEachNamedLikeTheirSheets)
{
    chart_jobs::fillRiverJob(job);
    const std::vector<SiteChartData> charts = SiteCharts(job.samples, job.sites);
    ASSERT_EQ(charts.size(), 2u);
    EXPECT_EQ(charts[0].indexName, "TDI3");
    EXPECT_EQ(chart::ChartCaption(charts[0]), "Chart TDI3");
    EXPECT_EQ(results::ChartFileStem(charts[0]), "chart-tdi3");
    EXPECT_EQ(results::ChartFileStem(charts[1]), "chart-tdi4");
    EXPECT_EQ(charts[0].jobTitle, "rivers.xlsx");
    EXPECT_FALSE(charts[0].perSiteLimits);

    job.sites.uncertaintyAvailable = false;
    EXPECT_TRUE(SiteCharts(job.samples, job.sites).empty());
}

TEST_F(ChartData, SitesWithoutMeanAreListedAndTheOthersKeepTableOrder)
{
    chart_jobs::fillRiverJob(job);
    const SiteChartData data = *SiteChartFor(job.samples, job.sites, 1);
    ASSERT_EQ(data.sites.size(), 2u);
    EXPECT_EQ(data.sites[0].code, "AB1");
    EXPECT_EQ(data.sites[0].tableRow, 0);
    EXPECT_EQ(data.sites[1].code, "EF3");
    EXPECT_EQ(data.sites[1].tableRow, 2);
    ASSERT_EQ(data.undrawn.size(), 1u);
    EXPECT_EQ(data.undrawn[0].code, "CD2");
    EXPECT_EQ(data.undrawn[0].missingSamples, 2);

    const chart::SiteColumn& ab1 = data.sites[0];
    EXPECT_EQ(ab1.samples, 3);
    EXPECT_EQ(ab1.missingSamples, 0);
    EXPECT_DOUBLE_EQ(ab1.meanEqr, 0.7);
    EXPECT_EQ(ab1.statusClass, 2);
    ASSERT_TRUE(ab1.limits);
    EXPECT_EQ(*ab1.limits, chart_jobs::tdi3Limits);
    EXPECT_EQ(values(ab1.probabilities), (std::vector<double>{10, 60, 20, 7, 3}));
    // Means 0.7 and 0.3: the axis keeps its least extent.
    EXPECT_DOUBLE_EQ(data.eqrBottom, 0);
    EXPECT_DOUBLE_EQ(data.eqrTop, 1.2);
}

TEST_F(ChartData, RiverSecondTableStacksFourSegmentsAndUsesItsOwnLimits)
{
    chart_jobs::fillRiverJob(job);
    const SiteChartData data = *SiteChartFor(job.samples, job.sites, 2);
    ASSERT_EQ(data.segments.size(), 4u);
    EXPECT_EQ(data.segments[0].label, "High+Good");
    EXPECT_EQ(data.segments[0].firstClass, 1);
    EXPECT_EQ(data.segments[0].lastClass, 2);
    EXPECT_EQ(data.segments[3].label, "Bad");
    ASSERT_EQ(data.sites.size(), 2u);
    EXPECT_EQ(values(data.sites[0].probabilities), (std::vector<double>{70, 20, 6, 4}));
    EXPECT_EQ(*data.sites[0].limits, chart_jobs::tdi4Limits);
    // The capped TDI4 mean of 1.25 sets the top of the axis.
    EXPECT_DOUBLE_EQ(data.eqrTop, 1.25);
    // The tooltip's row under the table's own headers.
    EXPECT_EQ(chart::SiteRowText(data.sites[0]),
              "Site code: AB1\nNo. Samples: 3.00\nNo. missing: 0.00\nMean EQR: 0.75\nClass: Good\n"
              "CoC High+Good: 70.00\nCoC Mod: 20.00\nCoC Poor: 6.00\nCoC Bad: 4.00\nRoM: 30.00\nCoC HG: 70.00\n"
              "CoC MPB: 30.00\nRoM-G/M: 30.00");
}

TEST_F(ChartData, LakeSitesTakeTheLimitsOfTheirFirstSamplesType)
{
    chart_jobs::fillLakeJob(job);
    const std::vector<SiteChartData> charts = SiteCharts(job.samples, job.sites);
    ASSERT_EQ(charts.size(), 2u);
    EXPECT_EQ(results::ChartFileStem(charts[1]), "chart-ltdi2");
    const SiteChartData& data = charts[0];
    EXPECT_TRUE(data.perSiteLimits);
    ASSERT_EQ(data.sites.size(), 3u);
    EXPECT_EQ(data.sites[0].lakeType, "HA");
    EXPECT_EQ(*data.sites[0].limits, chart_jobs::haLimits);
    EXPECT_EQ(data.sites[1].lakeType, "MA");
    EXPECT_EQ(*data.sites[1].limits, chart_jobs::maLimits);
    // A type no row holds: drawn by its mean, without bands, class or probabilities.
    EXPECT_EQ(data.sites[2].lakeType, "XX");
    EXPECT_FALSE(data.sites[2].limits);
    EXPECT_FALSE(data.sites[2].statusClass);
    EXPECT_EQ(values(data.sites[2].probabilities), (std::vector<double>(5, -1)));
    EXPECT_EQ(data.segments.size(), 5u);
    // The lake family's second table keeps all five classes and the full headers.
    EXPECT_EQ(charts[1].segments.size(), 5u);
    EXPECT_EQ(charts[1].sites[0].tableCells[5].first, "CoC High");
    EXPECT_NE(chart::SiteRowText(charts[1].sites[2]).find("\nClass: ...\n"), std::string::npos);
    EXPECT_NE(chart::SiteRowText(charts[1].sites[2]).find("CoC High: ..."), std::string::npos);
}

TEST_F(ChartData, AxisReachesEveryMeanAndSitesWithoutLimitsKeepTheirMean)
{
    chart_jobs::fillRiverJob(job);
    (*job.sites.siteSummary1)(0, 2) = 1.4;
    (*job.sites.siteSummary1)(2, 2) = -0.25;
    job.samples.boundaries1.reset();
    const SiteChartData data = *SiteChartFor(job.samples, job.sites, 1);
    EXPECT_DOUBLE_EQ(data.eqrTop, 1.4);
    EXPECT_DOUBLE_EQ(data.eqrBottom, -0.25);
    EXPECT_FALSE(data.sites[0].limits);
    EXPECT_EQ(data.sites.size(), 2u);
}

TEST_F(ChartData, DamHasOneChartAndNoSecond)
{
    chart_jobs::fillRiverJob(job);
    job.samples.family = familyDam;
    job.samples.familyName = "DAM";
    job.analysis.indexCount = 1;
    const std::vector<SiteChartData> charts = SiteCharts(job.samples, job.sites);
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(results::ChartFileStem(charts[0]), "chart-dam");
    EXPECT_FALSE(SiteChartFor(job.samples, job.sites, 2));
    EXPECT_FALSE(SiteChartFor(job.samples, job.sites, 3));
}

TEST_F(ChartData, FewerCodesThanTableRowsDrawOnlyTheNamedSites)
{
    chart_jobs::fillRiverJob(job);
    job.sites.siteCodes.resize(1);
    const SiteChartData data = *SiteChartFor(job.samples, job.sites, 1);
    EXPECT_EQ(data.sites.size(), 1u);
    EXPECT_TRUE(data.undrawn.empty());
}

}  // namespace
