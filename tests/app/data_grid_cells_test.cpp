#include <gtest/gtest.h>

#include "app/data_grid_cells.h"
#include "app/job.h"
#include "tests/support/grid_jobs.h"
#include "tests/support/scripted_user.h"

namespace {

std::string text(const Job& job, int row, int column)
{
    return datagrid::Cell(job, row, column).text;
}

// Grid rows: 0 headings, 1 to 4 the header rows, 5 to 7 the taxa.
constexpr int kDateRow = 3;
constexpr int kFirstTaxonRow = 5;

}  // namespace

TEST(DataGridCells, SizeAndHeadings)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    EXPECT_EQ(datagrid::RowCount(job), 4 + 3);
    EXPECT_EQ(datagrid::ColumnCount(job), 7 + 2);
    EXPECT_EQ(text(job, 0, 0), "");
    EXPECT_EQ(text(job, 0, 1), "A");
    EXPECT_EQ(text(job, 0, 9), "I");
    EXPECT_EQ(text(job, 7, 0), "7");
    EXPECT_TRUE(datagrid::Cell(job, 7, 0).rightAligned);
    // Outside the grid every cell is empty.
    EXPECT_EQ(text(job, 8, 1), "");
    EXPECT_EQ(text(job, 1, 10), "");
    EXPECT_EQ(text(job, -1, 1), "");
}

TEST(DataGridCells, ColumnLettersGoOnPastZ)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job, 701);
    EXPECT_EQ(text(job, 0, 26), "Z");
    EXPECT_EQ(text(job, 0, 27), "AA");
    EXPECT_EQ(text(job, 0, 702), "ZZ");
    EXPECT_EQ(text(job, 0, 703), "AAA");
}

TEST(DataGridCells, HeaderRows)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    EXPECT_EQ(text(job, 1, 1), "Sample");
    EXPECT_EQ(text(job, 1, 2), "");
    EXPECT_EQ(text(job, 1, 3), "S1");
    EXPECT_EQ(text(job, 2, 4), "SITE0");
    EXPECT_EQ(text(job, 4, 1), "Alkalinity (mg/l)");
    EXPECT_EQ(text(job, 4, 3), "45");
    EXPECT_FALSE(datagrid::Cell(job, 1, 3).rightAligned);
}

TEST(DataGridCells, SamplingDatesFrom20001To59999)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    EXPECT_EQ(text(job, kDateRow, 1), "Sampling date");
    EXPECT_EQ(text(job, kDateRow, 3), "06-Jul-2009");  // 40000
    EXPECT_EQ(text(job, kDateRow, 4), "04-Oct-1954");  // 20001
    EXPECT_EQ(text(job, kDateRow, 5), "07-Apr-2064");  // 59999
    EXPECT_EQ(text(job, kDateRow, 6), "20000");
    EXPECT_EQ(text(job, kDateRow, 7), "60000");
    EXPECT_EQ(text(job, kDateRow, 8), "12");
    EXPECT_EQ(text(job, kDateRow, 9), "June");
    // Only the date row: the same number in another header row stays a number.
    job.samples.headerValues[3][0] = "40000";
    EXPECT_EQ(text(job, 4, 3), "40000");
    // A date with a time of day is read for its day.
    EXPECT_EQ(datagrid::SamplingDateText("40000.75"), "06-Jul-2009");
    EXPECT_EQ(datagrid::SamplingDateText(""), "");
}

TEST(DataGridCells, TaxonRows)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    EXPECT_EQ(text(job, kFirstTaxonRow, 1), "AC001A");
    EXPECT_EQ(text(job, kFirstTaxonRow, 2), "Achnanthes sp.");
    EXPECT_EQ(text(job, kFirstTaxonRow + 2, 1), "NA001A");
    // Counts with 13 significant digits: sample c - 3, taxon r - 5.
    EXPECT_EQ(text(job, kFirstTaxonRow, 3), "0");
    EXPECT_EQ(text(job, kFirstTaxonRow, 4), "0.3");
    EXPECT_EQ(text(job, kFirstTaxonRow + 2, 9), "26");
    EXPECT_TRUE(datagrid::Cell(job, kFirstTaxonRow, 4).rightAligned);
    EXPECT_FALSE(datagrid::Cell(job, kFirstTaxonRow, 2).rightAligned);
    (*job.samples.counts)(0, 1) = 1234567.891;
    EXPECT_EQ(text(job, kFirstTaxonRow + 1, 3), "1234567.891");
}

TEST(DataGridCells, UnscoredTaxaLightRedOnlyAfterTheAnalysis)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    for (int r = 0; r <= datagrid::RowCount(job); ++r)
        for (int c = 0; c <= datagrid::ColumnCount(job); ++c)
            EXPECT_FALSE(datagrid::Cell(job, r, c).background) << r << "," << c;

    // A score list without a successful analysis is not taken for one.
    job.analysis.scoredRow1 = {0, -1, 4};
    EXPECT_FALSE(datagrid::Cell(job, kFirstTaxonRow + 1, 1).background);

    grid_jobs::markAnalysed(job);
    for (int r = 0; r <= datagrid::RowCount(job); ++r)
        for (int c = 0; c <= datagrid::ColumnCount(job); ++c) {
            const bool expected = r == kFirstTaxonRow + 1 && c >= 1;
            const GridCell cell = datagrid::Cell(job, r, c);
            EXPECT_EQ(cell.background.has_value(), expected) << r << "," << c;
            if (cell.background) {
                EXPECT_EQ(*cell.background, (Colour{255, 200, 200}));
            }
        }
}

TEST(DataGridCells, MappedTaxaLightBlueUnlessUnscored)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    grid_jobs::markAnalysed(job);
    job.analysis.scoredRow1 = {0, -1, 4};
    // Taxa 1 and 2 matched through the map; taxon 1 still has no score and stays red.
    job.analysis.mappedLine = {-1, 0, 1};
    const Colour red{255, 200, 200}, blue{200, 225, 255};
    EXPECT_FALSE(datagrid::Cell(job, kFirstTaxonRow, 1).background);
    EXPECT_EQ(datagrid::Cell(job, kFirstTaxonRow + 1, 2).background, red);
    EXPECT_EQ(datagrid::Cell(job, kFirstTaxonRow + 2, 1).background, blue);
    EXPECT_EQ(datagrid::Cell(job, kFirstTaxonRow + 2, 3).background, blue);
    // The heading and header rows are never painted.
    EXPECT_FALSE(datagrid::Cell(job, 0, 1).background);
    EXPECT_FALSE(datagrid::Cell(job, 1, 1).background);
}

TEST(DataGridCells, ShortListsLeaveCellsEmpty)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    job.samples.headerValues[0].resize(2);
    job.analysis.scoredRow1 = {-1};
    job.analysed = true;
    EXPECT_EQ(text(job, 1, 5), "");
    EXPECT_TRUE(datagrid::Cell(job, kFirstTaxonRow, 1).background);
    EXPECT_FALSE(datagrid::Cell(job, kFirstTaxonRow + 1, 1).background);
    job.samples.counts.reset();
    EXPECT_EQ(text(job, kFirstTaxonRow, 3), "");
}

// A job pooled from two workbooks names each sample's workbook in a row of its own below
// the header rows; the taxa follow one row lower.
TEST(DataGridCells, EachSamplesWorkbookInAPooledJob)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    grid_jobs::fillImportedJob(job);
    const std::string firstCode = text(job, kFirstTaxonRow, 1);
    const std::string firstCount = text(job, kFirstTaxonRow, 3);
    SampleSource spring, autumn;
    spring.title = "spring.xlsx";
    autumn.title = "autumn.xls";
    job.samples.sources = {spring, autumn};
    job.samples.sampleSources = {0, 0, 0, 1, 1, 1, 1};
    EXPECT_EQ(datagrid::RowCount(job), 4 + 1 + 3);
    EXPECT_EQ(text(job, kFirstTaxonRow, 1), "Workbook");
    EXPECT_EQ(text(job, kFirstTaxonRow, 2), "");
    EXPECT_EQ(text(job, kFirstTaxonRow, 3), "spring.xlsx");
    EXPECT_EQ(text(job, kFirstTaxonRow, 5), "spring.xlsx");
    EXPECT_EQ(text(job, kFirstTaxonRow, 6), "autumn.xls");
    EXPECT_EQ(text(job, kFirstTaxonRow, 9), "autumn.xls");
    EXPECT_EQ(text(job, kFirstTaxonRow, 10), "");
    EXPECT_EQ(text(job, kFirstTaxonRow + 1, 1), firstCode);
    EXPECT_EQ(text(job, kFirstTaxonRow + 1, 3), firstCount);
    EXPECT_EQ(text(job, kFirstTaxonRow + 3, 1), job.samples.taxa[2].code);
    EXPECT_EQ(text(job, kFirstTaxonRow + 4, 1), "");
}
