#include <gtest/gtest.h>

#include "results/results_grid_cells.h"
#include "tests/results/results_jobs.h"
#include "tests/support/scripted_user.h"

namespace {

using resultsgrid::SampleCell;

std::string sample(const Job& job, int row, int column)
{
    return SampleCell(job, row, column).text;
}

std::string site(const Job& job, int index, int row, int column)
{
    return resultsgrid::SiteCell(job, SiteTableOf(job, index), row, column).text;
}

}  // namespace

// River job: four header rows, 17 result columns; grid column 4 + j shows result column j.
TEST(SampleGridCells, RiverLayout)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    EXPECT_EQ(resultsgrid::SampleRowCount(job), 3);
    EXPECT_EQ(resultsgrid::SampleColumnCount(job), 4 + 17 - 1 + 1);
    EXPECT_EQ(sample(job, 0, 0), "");
    EXPECT_EQ(sample(job, 0, 1), "Sample");
    EXPECT_EQ(sample(job, 0, 4), "Alkalinity (mg/l)");
    EXPECT_EQ(sample(job, 0, 5), "Sample sum");  // result column 0, the type, is not shown
    EXPECT_EQ(sample(job, 0, 19), "% Saline");
    // Two comment columns, the second under the last result name.
    EXPECT_EQ(sample(job, 0, 20), "Comment TDI3");
    EXPECT_EQ(sample(job, 0, 21), "Comment TD14");
    EXPECT_EQ(sample(job, 0, 22), "");
    EXPECT_EQ(sample(job, 3, 0), "3");
    EXPECT_EQ(sample(job, 2, 1), "S2");
    EXPECT_EQ(sample(job, 2, 2), "AB1");
    EXPECT_EQ(sample(job, 2, 20), "Alkalinity missing, default used");
    EXPECT_EQ(sample(job, 2, 21), "No matching taxa found");
    EXPECT_EQ(sample(job, 4, 1), "");
}

TEST(SampleGridCells, DateColumnIsANumber)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    EXPECT_EQ(sample(job, 1, 3), "06-Jul-2009");
    EXPECT_EQ(sample(job, 2, 3), "12");
    // No date at all reads as 0, as the results workbook writes it.
    EXPECT_EQ(sample(job, 3, 3), "0");
    EXPECT_TRUE(SampleCell(job, 2, 3).rightAligned);
    job.samples.headerValues[2] = {"20000", "60000", "59999.9"};
    EXPECT_EQ(sample(job, 1, 3), "20000");
    EXPECT_EQ(sample(job, 2, 3), "60000");
    EXPECT_EQ(sample(job, 3, 3), "07-Apr-2064");
}

TEST(SampleGridCells, NumbersClassesAndMissingValues)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    // Sample 1: {0, 15, 10, 32.5, 36.46, 1, 1, 10, 40.25, 45.1, 1.0883, 1, 0, 33.333, ...}
    EXPECT_EQ(sample(job, 1, 5), "15.0");
    EXPECT_EQ(sample(job, 1, 7), "32.5");
    EXPECT_EQ(sample(job, 1, 8), "36.5");
    EXPECT_EQ(sample(job, 1, 9), "1.00");   // EQR TDI3, two decimals
    EXPECT_EQ(sample(job, 1, 10), "High");  // Class TDI3
    EXPECT_EQ(sample(job, 1, 14), "1.09");  // EQR TDI4
    EXPECT_EQ(sample(job, 1, 15), "High");  // Class TDI4
    EXPECT_EQ(sample(job, 1, 17), "33.3");
    EXPECT_TRUE(SampleCell(job, 1, 9).rightAligned);
    EXPECT_FALSE(SampleCell(job, 1, 10).rightAligned);
    // Sample 2 has no TDI4 (missing from result column 8 to 11).
    EXPECT_EQ(sample(job, 2, 9), "0.67");
    EXPECT_EQ(sample(job, 2, 10), "Moderate");
    for (int k = 12; k <= 15; ++k)
        EXPECT_EQ(sample(job, 2, k), "...") << k;
    EXPECT_EQ(sample(job, 3, 10), "Bad");
    EXPECT_EQ(sample(job, 3, 15), "Poor");
    // Negative values are shown as missing; a class cut to 1 to 5 names it, else nothing.
    (*job.analysis.results)(0, 3) = -0.5;
    (*job.analysis.results)(0, 6) = 0;
    (*job.analysis.results)(1, 6) = 5.9;
    (*job.analysis.results)(2, 6) = 6;
    EXPECT_EQ(sample(job, 1, 7), "...");
    EXPECT_EQ(sample(job, 1, 10), "");
    EXPECT_EQ(sample(job, 2, 10), "Bad");
    EXPECT_EQ(sample(job, 3, 10), "");
    (*job.analysis.results)(0, 6) = -1;
    EXPECT_EQ(sample(job, 1, 10), "...");
}

TEST(SampleGridCells, DamHasOneCommentColumn)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    // Six header rows, 12 result columns, one index.
    EXPECT_EQ(resultsgrid::SampleColumnCount(job), 6 + 12 - 1);
    EXPECT_EQ(sample(job, 0, 6), "DOC (mg/l)");
    EXPECT_EQ(sample(job, 0, 16), "% Saline");
    EXPECT_EQ(sample(job, 0, 17), "Comment DAM");
    EXPECT_EQ(sample(job, 2, 17), "No matching taxa found");
    EXPECT_EQ(sample(job, 1, 11), "0.85");  // EQR DAM
    EXPECT_EQ(sample(job, 1, 12), "Good");
    // Results columns 10 and 11 of a DAM job are percentages, not an EQR and a class.
    (*job.analysis.results)(0, 10) = 2;
    EXPECT_EQ(sample(job, 1, 16), "2.0");
    // The sample without matching taxa: index, expected value, EQR and class missing.
    for (int k = 9; k <= 12; ++k)
        EXPECT_EQ(sample(job, 2, k), "...") << k;
}

TEST(SampleGridCells, NoResultsNoGrid)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    EXPECT_EQ(resultsgrid::SampleRowCount(job), 0);
    EXPECT_EQ(resultsgrid::SampleColumnCount(job), 0);
    EXPECT_EQ(sample(job, 0, 1), "");
}

TEST(SiteGridCells, SheetNamesByFamily)
{
    ScriptedUser ui;
    Job river(nullptr, ui), lake(nullptr, ui), dam(nullptr, ui);
    results_jobs::fillRiverJob(river);
    results_jobs::fillLakeJob(lake);
    results_jobs::fillDamJob(dam);
    using Names = std::vector<std::string>;
    EXPECT_EQ(resultsgrid::SiteSheetNames(river), (Names{"Uncertainty TDI3", "Uncertainty TDI4"}));
    EXPECT_EQ(resultsgrid::SiteSheetNames(lake), (Names{"Uncertainty LTDI1", "Uncertainty LTDI2"}));
    EXPECT_EQ(resultsgrid::SiteSheetNames(dam), (Names{"Uncertainty DAM"}));
    river.sites.uncertaintyAvailable = false;
    EXPECT_TRUE(resultsgrid::SiteSheetNames(river).empty());
}

TEST(SiteGridCells, RiverTables)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    const SiteTable first = SiteTableOf(job, 1);
    EXPECT_EQ(resultsgrid::SiteRowCount(first), 2);
    EXPECT_EQ(resultsgrid::SiteColumnCount(first), 14);
    EXPECT_EQ(site(job, 1, 0, 1), "Site code");
    EXPECT_EQ(site(job, 1, 0, 6), "CoC High");
    EXPECT_EQ(site(job, 1, 2, 0), "2");
    EXPECT_EQ(site(job, 1, 1, 1), "AB1");
    EXPECT_EQ(site(job, 1, 2, 1), "CD2");
    // {2, 0, 0.83335, 1, 70.1, ...}: counts too with two decimals.
    EXPECT_EQ(site(job, 1, 1, 2), "2.00");
    EXPECT_EQ(site(job, 1, 1, 3), "0.00");
    EXPECT_EQ(site(job, 1, 1, 4), "0.83");
    EXPECT_EQ(site(job, 1, 1, 5), "High");
    EXPECT_EQ(site(job, 1, 2, 5), "Poor");
    EXPECT_EQ(site(job, 1, 1, 6), "70.10");
    EXPECT_EQ(site(job, 1, 1, 14), "9.70");
    EXPECT_TRUE(resultsgrid::SiteCell(job, first, 1, 2).rightAligned);
    EXPECT_FALSE(resultsgrid::SiteCell(job, first, 1, 5).rightAligned);

    // TDI4: 12 summary columns under the second headings.
    const SiteTable second = SiteTableOf(job, 2);
    EXPECT_EQ(resultsgrid::SiteColumnCount(second), 13);
    EXPECT_EQ(site(job, 2, 0, 6), "CoC High+Good");
    EXPECT_EQ(site(job, 2, 0, 13), "RoM-G/M");
    EXPECT_EQ(site(job, 2, 1, 4), "1.09");
    EXPECT_EQ(site(job, 2, 2, 4), "...");
    EXPECT_EQ(site(job, 2, 2, 5), "...");

    // Unlike the sample sheet, a site sheet shows a negative value with its sign.
    (*job.sites.siteSummary1)(0, 0) = 3;
    (*job.sites.siteSummary1)(0, 4) = -0.5;
    (*job.sites.siteSummary1)(1, 3) = 0;
    EXPECT_EQ(site(job, 1, 1, 2), "3.00");
    EXPECT_EQ(site(job, 1, 1, 6), "-0.50");
    EXPECT_EQ(site(job, 1, 2, 5), "");
}

TEST(SiteGridCells, LakeSecondTableUsesTheFirstHeadings)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillLakeJob(job);
    const SiteTable second = SiteTableOf(job, 2);
    EXPECT_EQ(second.summary, job.sites.siteSummary2.get());
    EXPECT_EQ(resultsgrid::SiteColumnCount(second), 14);
    EXPECT_EQ(site(job, 2, 0, 6), "CoC High");
    EXPECT_EQ(site(job, 2, 0, 14), "RoM-G/M");
    EXPECT_EQ(site(job, 2, 1, 4), "0.85");
    EXPECT_EQ(SiteTableOf(job, 1).summary, job.sites.siteSummary1.get());
}

TEST(SiteGridCells, AMissingTableIsAnEmptySheet)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    const SiteTable table = SiteTableOf(job, 2);
    EXPECT_EQ(table.summary, nullptr);
    EXPECT_EQ(resultsgrid::SiteRowCount(table), 0);
    EXPECT_EQ(resultsgrid::SiteColumnCount(table), 0);
    EXPECT_EQ(resultsgrid::SiteCell(job, table, 0, 1).text, "");
}

// What a copy takes from a cell: the number in full where the text rounds it, nothing for
// a missing value, the text itself for names, classes and comments.
TEST(ResultsGridCopies, NumbersInFullMissingValuesEmpty)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    auto copied = [&job](int row, int column) {
        const GridCell cell = SampleCell(job, row, column);
        return cell.copied ? *cell.copied : cell.text;
    };
    // Sample 1: expected TDI3 36.46 shown as 36.5, EQR TDI4 1.0883 shown as 1.09.
    EXPECT_EQ(copied(1, 8), "36.46");
    EXPECT_EQ(copied(1, 14), "1.0883");
    EXPECT_EQ(copied(1, 17), "33.333");
    EXPECT_EQ(copied(1, 10), "High");
    EXPECT_EQ(copied(1, 1), "S1");
    // Sample 2 has no TDI4: its cells copy as nothing, its class too.
    for (int k = 12; k <= 15; ++k)
        EXPECT_EQ(copied(2, k), "") << k;
    EXPECT_EQ(copied(2, 21), "No matching taxa found");
    // A negative index shows as "..." but is a number, copied as the workbook holds it.
    (*job.analysis.results)(0, 3) = -0.5;
    EXPECT_EQ(sample(job, 1, 7), "...");
    EXPECT_EQ(copied(1, 7), "-0.5");

    // Site sheet: 0.83335 shown as 0.83; a missing value nothing; a class by its name.
    auto siteCopied = [&job](int index, int row, int column) {
        const GridCell cell = resultsgrid::SiteCell(job, SiteTableOf(job, index), row, column);
        return cell.copied ? *cell.copied : cell.text;
    };
    EXPECT_EQ(siteCopied(1, 1, 4), "0.83335");
    EXPECT_EQ(siteCopied(1, 1, 2), "2");
    EXPECT_EQ(siteCopied(1, 1, 5), "High");
    EXPECT_EQ(siteCopied(1, 1, 1), "AB1");
    EXPECT_EQ(siteCopied(2, 2, 4), "");
    EXPECT_EQ(siteCopied(2, 2, 5), "");
}
