// The results workbook as other programs read it: every sheet, header, cell kind, value
// and format of a river, a lake and a DAM job filled by hand, in both file formats.

#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/job.h"
#include "results/results_sheets.h"
#include "results/results_workbook.h"
#include "tests/results/results_jobs.h"
#include "tests/results/workbook_readback.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_dir.h"
#include "torven_version.h"

using readback::ExpectedRow;
using readback::ExpectedSheet;

namespace {

ExpectedRow textRow(const std::vector<std::string>& texts)
{
    ExpectedRow row;
    for (const std::string& t : texts)
        row.push_back(t.empty() ? "" : "t:" + t);
    return row;
}

const ExpectedRow& fullSiteHeader()
{
    static const ExpectedRow row = textRow({"Site code", "No. Samples", "No. missing", "Mean EQR", "Class",
                                            "CoC High", "CoC Good", "CoC Mod", "CoC Poor", "CoC Bad", "RoM",
                                            "CoC HG", "CoC MPB", "RoM-G/M"});
    return row;
}

// The provenance rows that end every "Job Summary" (results_jobs.h): an empty row, then
// the program, the time, the sample workbook and the database; a job without a master
// taxon list leaves out its row count.
std::vector<ExpectedRow> provenanceRows(const std::string& workbook)
{
    return {{},
            {std::string("t:Program: TORVEN II ") + torven::kProductVersion},
            {"t:Analysed: 2026-12-08 21:40:07 UTC"},
            {"t:Sample workbook: " + workbook},
            {std::string("t:Sample workbook SHA-256: ") + results_jobs::kWorkbookDigest},
            {"t:Reference database: TORVENII.mdb (1,234,567 bytes, modified 2026-12-01 09:00:00 UTC)"},
            {std::string("t:Reference database SHA-256: ") + results_jobs::kDatabaseDigest},
            {"t:Database version: Release = 2.0; Date = 2026-11-30"}};
}

// The "Sources" sheet of a job of one workbook: its name, digest, sheet, first row and
// column, samples and taxa as the job holds them.
ExpectedSheet sourcesSheet(const std::string& workbook, const std::string& sheet, int firstRow, int samples, int taxa)
{
    return {"Sources",
            {textRow({"Workbook", "SHA-256", "Sheet", "First row", "First column", "Samples", "Taxa"}),
             {"t:" + workbook, std::string("t:") + results_jobs::kWorkbookDigest, sheet.empty() ? "" : "t:" + sheet,
              "n:" + std::to_string(firstRow), "t:C", "n:" + std::to_string(samples), "n:" + std::to_string(taxa)}}};
}

void addProvenance(ExpectedSheet& summary, const std::string& workbook)
{
    for (ExpectedRow& row : provenanceRows(workbook))
        summary.rows.push_back(std::move(row));
}

// A per cent of the count as the two-decimal cell holds it.
std::string percent(double scored, double sum)
{
    return "f:" + numtext::g17(scored / sum * 100.0);
}

const char* const kFewValves = "Fewer than 300 valves counted";
// S2's sampling date 12 and L2's 20000 lie outside the dates written as dates.
const char* const kDate12 = "Sampling date 12 is not a date that can be shown; written as a number";
const char* const kDate20000 = "Sampling date 20000 is not a date that can be shown; written as a number";

// The river job's sheets (results_jobs.h).
std::vector<ExpectedSheet> riverSheets()
{
    ExpectedSheet summary{"Job Summary",
                          {{"t:File: river.xlsx"},
                           {"t:Worksheet: River"},
                           {},
                           {"t:Metric: TDI"},
                           {},
                           {"t:Number of taxa: 3"},
                           {"t:Number of samples: 3"},
                           {},
                           // The last line of the summary has no CR LF after it.
                           {"t:Warning: 2 taxa lack scores"},
                           {},
                           {"t:The following taxa do not have TDI scores in the TORVEN database."},
                           {},
                           textRow({"Code", "Name", "N", "N2", "Max", "TDI3", "TDI4"}),
                           {"t:ZZ999", "t:Unknown taxon", "n:2", "f:1.6", "f:15", "t:No value", "t:No value"},
                           {"t:NA001A", "t:Navicula sp.", "n:1", "f:1", "f:20", "", "t:No value"}}};
    ExpectedSheet samples{
        "Sample Summary",
        {textRow({"Sample", "Site", "Date", "Alkalinity (mg/l)", "Sample sum", "Sum TDI3", "TDI3", "eTDI3",
                  "EQR TDI3", "Class TDI3", "Sum TDI4", "TDI4", "eTDI4", "EQR TDI4", "Class TDI4", "% Planktic",
                  "% Motile", "% Organic tolerant", "% Saline", "Comment TDI3", "Comment TD14"}),
         // A date text of 40000 is a date; 12 and an empty text are plain numbers.
         {"t:S1", "t:AB1", "d:40000", "t:45", "f:15", "f:10", "f:32.5", "f:36.46", "f:1", "t:High", "f:10",
          "f:40.25", "f:45.1", "f:1.0883", "t:High", "f:0", "f:33.333", "f:12.5", "f:0"},
         // A missing TDI4 leaves its index, expected value, EQR and class empty.
         {"t:S2", "t:AB1", "n:12", "", "f:20", "f:20", "f:60", "f:40", "f:0.6667", "t:Moderate", "f:0", "", "",
          "", "", "f:0", "f:100", "f:0", "f:0", "t:Alkalinity missing, default used", "t:No matching taxa found"},
         {"t:S3", "t:CD2", "n:0", "t:200", "f:45", "f:30", "f:88", "f:40", "f:0.2", "t:Bad", "f:30", "f:70.5",
          "f:45.1", "f:0.5373", "t:Poor", "f:0", "f:0", "f:20", "f:2.5"}}};
    ExpectedSheet tdi3{"Uncertainty TDI3",
                       {fullSiteHeader(),
                        {"t:AB1", "n:2", "n:0", "f:0.83335", "t:High", "f:70.1", "f:20.2", "f:7.7", "f:1.5",
                         "f:0.5", "f:29.9", "f:90.3", "f:9.7", "f:9.7"},
                        {"t:CD2", "n:1", "n:0", "f:0.2", "t:Poor", "f:0", "f:0.1", "f:9.9", "f:50", "f:40",
                         "f:50", "f:0.1", "f:99.9", "f:0.1"}}};
    // 13 columns: "CoC High" is gone and column 5 holds "CoC High+Good".
    ExpectedRow missingSite{"t:CD2", "n:1", "n:0"};
    for (int j = 2; j < 12; ++j)
        missingSite.push_back("f:-99.9");
    ExpectedSheet tdi4{"Uncertainty TDI4",
                       {textRow({"Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High+Good",
                                 "CoC Mod", "CoC Poor", "CoC Bad", "RoM", "CoC HG", "CoC MPB", "RoM-G/M"}),
                        {"t:AB1", "n:1", "n:1", "f:1.0883", "t:High", "f:95.5", "f:3", "f:1", "f:0.5", "f:4.5",
                         "f:95.5", "f:4.5", "f:4.5"},
                        missingSite}};
    addProvenance(summary, "river.xlsx");
    // S1: 15 valves, 10 scored for each index (66.7 %), alkalinity 45 in range. S2: 20
    // valves, all scored for TDI3, none for TDI4 (no TDI4 EQR), alkalinity missing. S3: 45
    // valves, 30 scored for each, alkalinity 200 above TDI3's 150.
    const std::string low3 = "Less than 80 % of the count scored for TDI3";
    const std::string low4 = "Less than 80 % of the count scored for TDI4";
    const std::string chemistry = "1 chemistry value missing or out of range";
    ExpectedSheet quality{"Sample quality",
                          {textRow({"Sample", "Site code", "Sample sum", "% scored TDI3", "% scored TDI4",
                                    "Chemistry values replaced", "Flags"}),
                           {"t:S1", "t:AB1", "n:15", percent(10, 15), percent(10, 15), "n:0",
                            "t:" + std::string(kFewValves) + "; " + low3 + "; " + low4},
                           {"t:S2", "t:AB1", "n:20", "f:100", "f:0", "n:1",
                            "t:" + std::string(kFewValves) + "; " + low4 + "; " + chemistry + "; " + kDate12
                                + "; No EQR for TDI4"},
                           {"t:S3", "t:CD2", "n:45", percent(30, 45), percent(30, 45), "n:1",
                            "t:" + std::string(kFewValves) + "; " + low3 + "; " + low4 + "; " + chemistry}}};
    return {summary, samples, tdi3, tdi4, quality, sourcesSheet("river.xlsx", "", 5, 3, 3)};
}

std::vector<ExpectedSheet> lakeSheets()
{
    // No taxa lack scores: only the summary lines; the final CR LF adds no row.
    ExpectedSheet summary{"Job Summary",
                          {{"t:File: lake.xls"},
                           {"t:Worksheet: Lakes"},
                           {},
                           {"t:Metric: LTDI"},
                           {},
                           {},
                           {"t:Number of taxa: 1"}}};
    ExpectedSheet samples{
        "Sample Summary",
        {textRow({"Sample", "Site", "Date", "Lake type", "Sample sum", "Sum LTDI1", "LTDI1", "eLTDI1",
                  "EQR LTDI1", "Class LTDI1", "Sum LTDI2", "LTDI2", "eLTDI2", "EQR LTDI2", "Class LTDI2",
                  "% Planktic", "% Motile", "% Organic tolerant", "% Saline", "Comment LTDI1", "Comment LTD12"}),
         {"t:L1", "t:LK01", "d:43000", "t:HA", "f:12", "f:12", "f:40", "f:30", "f:0.857", "t:Good", "f:12", "f:45",
          "f:35", "f:0.846", "t:Good", "f:8.5", "f:0", "f:0", "f:0"},
         // 20000 lies on the edge of the date range, so it is a plain number; class 0 has no name.
         {"t:L2", "t:lk01", "n:20000", "t:HA", "f:7", "f:7", "f:50", "f:0", "f:0", "", "f:7", "f:55", "f:0", "f:0",
          "", "f:0", "f:0", "f:0", "f:0", "t:Invalid type", "t:Invalid type"}}};
    ExpectedSheet ltdi1{"Uncertainty LTDI1",
                        {fullSiteHeader(),
                         {"t:LK01", "n:1", "n:0", "f:0.857", "t:Good", "f:30", "f:60", "f:10", "f:0", "f:0",
                          "f:40", "f:90", "f:10", "f:10"}}};
    // Headed like the first sheet, 14 columns.
    ExpectedSheet ltdi2{"Uncertainty LTDI2",
                        {fullSiteHeader(),
                         {"t:LK01", "n:1", "n:0", "f:0.846", "t:Good", "f:25", "f:65", "f:10", "f:0", "f:0",
                          "f:35", "f:90", "f:10", "f:10"}}};
    addProvenance(summary, "lake.xls");
    // L2's invalid lake type left EQRs of 0 in this hand-filled job: they count as EQRs.
    ExpectedSheet quality{"Sample quality",
                          {textRow({"Sample", "Site code", "Sample sum", "% scored LTDI1", "% scored LTDI2",
                                    "Chemistry values replaced", "Flags"}),
                           {"t:L1", "t:LK01", "n:12", "f:100", "f:100", "n:0", std::string("t:") + kFewValves},
                           {"t:L2", "t:lk01", "n:7", "f:100", "f:100", "n:0",
                            std::string("t:") + kFewValves + "; " + kDate20000}}};
    return {summary, samples, ltdi1, ltdi2, quality, sourcesSheet("lake.xls", "", 1, 0, 0)};
}

std::vector<ExpectedSheet> damSheets()
{
    ExpectedSheet summary{"Job Summary",
                          {{"t:File: dam.xlsx"},
                           {},
                           {"t:Metric: DAM"},
                           {"t:1 taxon lacks a score"},
                           {},
                           {"t:The following taxa do not have DAM scores in the TORVEN database."},
                           {},
                           // Five columns and no "No value" cells.
                           textRow({"Code", "Name", "N", "N2", "Max"}),
                           {"t:XX001", "t:Eunotia sp.", "n:2", "f:1.6", "f:3"}}};
    ExpectedSheet samples{
        "Sample Summary",
        {textRow({"Sample", "Site", "Date", "Alkalinity (mg/l)", "Calcium (ueq/l)", "DOC (mg/l)", "Sample sum",
                  "Sum DAM", "DAM", "eDAM", "EQR DAM", "Class DAM", "% Planktic", "% Motile", "% Organic tolerant",
                  "% Saline", "Comment DAM"}),
         {"t:D1", "t:UP1", "d:41000", "t:2", "t:80", "t:4.5", "f:13", "f:10", "f:50", "f:58.6", "f:0.853", "t:Good",
          "f:0", "f:0", "f:0", "f:0"},
         {"t:D2", "t:UP1", "d:41100", "t:3", "", "t:700", "f:1", "f:0", "", "", "", "", "f:0", "f:0", "f:0", "f:0",
          "t:No matching taxa found"}}};
    ExpectedSheet dam{"Uncertainty DAM",
                      {fullSiteHeader(),
                       {"t:UP1", "n:1", "n:1", "f:0.853", "t:Good", "f:20", "f:70", "f:10", "f:0", "f:0", "f:30",
                        "f:90", "f:10", "f:10"}}};
    addProvenance(summary, "dam.xlsx");
    // D1: 13 valves, 10 scored (76.9 %), calcium 80 and DOC 4.5 in range. D2: 1 valve,
    // none scored, calcium missing and DOC 700 above 50, no EQR.
    ExpectedSheet quality{"Sample quality",
                          {textRow({"Sample", "Site code", "Sample sum", "% scored DAM", "Chemistry values replaced",
                                    "Flags"}),
                           {"t:D1", "t:UP1", "n:13", percent(10, 13), "n:0",
                            "t:" + std::string(kFewValves) + "; Less than 80 % of the count scored for DAM"},
                           {"t:D2", "t:UP1", "n:1", "f:0", "n:2",
                            "t:" + std::string(kFewValves) + "; Less than 80 % of the count scored for DAM; "
                            "2 chemistry values missing or out of range; No EQR for DAM"}}};
    return {summary, samples, dam, quality, sourcesSheet("dam.xlsx", "", 1, 0, 0)};
}

class ResultsWorkbook : public ::testing::TestWithParam<const char*> {
protected:
    std::string target(const std::string& base) const { return dir.file(base + GetParam()); }

    // Saves through the user's file choice, as the save command does.
    std::vector<readback::ReadSheet> saveAndRead(Job& job, const std::string& path)
    {
        ui.resultsFiles.push_back(path);
        EXPECT_TRUE(job.SaveResults());
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
        EXPECT_FALSE(job.modified);
        return readback::readWorkbook(path);
    }

    testing_support::TempDir dir;
    ScriptedUser ui;
};

TEST_P(ResultsWorkbook, RiverJob)
{
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    auto sheets = saveAndRead(job, target("river"));
    readback::expectWorkbook(sheets, riverSheets());
    ASSERT_EQ(sheets.size(), 6u);
    EXPECT_EQ(sheets[2].columnEnd, 14);
    EXPECT_EQ(sheets[3].columnEnd, 13);
}

TEST_P(ResultsWorkbook, LakeJob)
{
    Job job(nullptr, ui);
    results_jobs::fillLakeJob(job);
    auto sheets = saveAndRead(job, target("lake"));
    readback::expectWorkbook(sheets, lakeSheets());
    ASSERT_EQ(sheets.size(), 6u);
    EXPECT_EQ(sheets[3].columnEnd, 14);
}

TEST_P(ResultsWorkbook, DamJob)
{
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    readback::expectWorkbook(saveAndRead(job, target("dam")), damSheets());
}

TEST_P(ResultsWorkbook, JobWithoutSitesHasNoSiteSheets)
{
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    job.sites.uncertaintyAvailable = false;
    job.sites.siteCodes.clear();
    job.sites.siteSummary1.reset();
    job.sites.siteSummary2.reset();
    std::vector<ExpectedSheet> expected = riverSheets();
    expected.erase(expected.begin() + 2, expected.end() - 2);
    readback::expectWorkbook(saveAndRead(job, target("nosites")), expected);
}

// A number needs up to 17 significant digits to come back as the same double. The .xls
// file keeps every digit the analysis computed (the CSV files do too); libxlsxwriter writes
// 16 significant digits ("%.16G", fixed when the library is built), so an .xlsx keeps
// each value to within one unit in its 16th digit, far below any meaningful EQR digit.
TEST_P(ResultsWorkbook, NumbersKeepTheirDigits)
{
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    (*job.analysis.results)(0, 3) = 33.416666666666664;    // 16 digits give 33.41666666666666
    (*job.analysis.results)(0, 4) = 0.30000000000000004;   // 16 digits give 0.3
    std::vector<ExpectedSheet> expected = damSheets();
    const bool xlsx = std::string(GetParam()) == ".xlsx";
    expected[1].rows[1][8] = xlsx ? "f:33.41666666666666" : "f:33.416666666666664";
    expected[1].rows[1][9] = xlsx ? "f:0.29999999999999999" : "f:0.30000000000000004";
    readback::expectWorkbook(saveAndRead(job, target("digits")), expected);
}

// A width as both formats store it: the cell padding of 5 pixels (of a 7-pixel digit)
// added, in 1/256 of a digit, cut.
double storedWidth(int characters)
{
    return std::floor((characters * 7 + 5) * 256.0 / 7.0) / 256.0;
}

std::vector<std::pair<int, int>> rowCells(int row, int columns)
{
    std::vector<std::pair<int, int>> cells;
    for (int c = 0; c < columns; ++c)
        cells.emplace_back(row, c);
    return cells;
}

// Widths fitted to the river job's cells (bold header letters count 1.1, plus 1.5, up):
// "Sample" 6 bold -> 9; a date 10 -> 12; "Alkalinity (mg/l)" 17 bold -> 21; "Alkalinity
// missing, default used" 32 -> 34; "Site code" 9 bold -> 12; "CoC High+Good" 13 bold -> 16;
// the 65-character title line of the taxa list -> 67; "Unknown taxon" 13 -> 15.
TEST_P(ResultsWorkbook, LaidOutForReadingAndPrinting)
{
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    const std::string path = target("river");
    // The cells are exactly those the plain workbook had.
    readback::expectWorkbook(saveAndRead(job, path), riverSheets());
    readback::ReadBook book = readback::readLayout(path);
    ASSERT_EQ(book.sheets.size(), 6u);
    const auto& summary = book.sheets[0];
    const auto& samples = book.sheets[1];
    const auto& tdi3 = book.sheets[2];
    const auto& tdi4 = book.sheets[3];

    EXPECT_EQ(summary.boldCells, rowCells(12, 7));  // the taxa list's header only
    EXPECT_EQ(samples.boldCells, rowCells(0, 21));
    EXPECT_EQ(tdi3.boldCells, rowCells(0, 14));
    EXPECT_EQ(tdi4.boldCells, rowCells(0, 13));

    const std::pair<int, double> widths[] = {{0, storedWidth(9)}, {2, storedWidth(12)}, {3, storedWidth(21)},
                                             {19, storedWidth(34)}};
    for (const auto& [col, width] : widths)
        EXPECT_NEAR(samples.columnWidths.at(col), width, 1e-9) << col;
    EXPECT_EQ(samples.columnWidths.size(), 21u);
    EXPECT_NEAR(summary.columnWidths.at(0), storedWidth(67), 1e-9);
    EXPECT_NEAR(summary.columnWidths.at(1), storedWidth(15), 1e-9);
    EXPECT_NEAR(tdi3.columnWidths.at(0), storedWidth(12), 1e-9);
    EXPECT_NEAR(tdi4.columnWidths.at(5), storedWidth(16), 1e-9);

    // The tables keep their header and first column in view and print the header on
    // every page; the job summary has neither.
    for (const auto* sheet : {&samples, &tdi3, &tdi4}) {
        SCOPED_TRACE(sheet->name);
        EXPECT_EQ(sheet->frozenRows, 1);
        EXPECT_EQ(sheet->frozenCols, 1);
        EXPECT_EQ(sheet->titleFirstRow, 0);
        EXPECT_EQ(sheet->titleLastRow, 0);
    }
    EXPECT_EQ(summary.frozenRows + summary.frozenCols, 0);
    EXPECT_EQ(summary.titleFirstRow, -1);

    // The page set-up and the document properties only openpyxl reads; the LibreOffice
    // test prints both formats.
    if (std::string(GetParam()) == ".xlsx") {
        for (const auto& sheet : book.sheets) {
            SCOPED_TRACE(sheet.name);
            EXPECT_EQ(sheet.orientation, "landscape");
            EXPECT_EQ(sheet.paperSize, 9);
            EXPECT_TRUE(sheet.fitToPage);
            EXPECT_TRUE(sheet.fitToWidth == 1 || sheet.fitToWidth == -1) << sheet.fitToWidth;  // 1 is the default
            EXPECT_EQ(sheet.fitToHeight, 0);
            EXPECT_EQ(sheet.footer, "&L&A&RPage &P of &N");
        }
        EXPECT_EQ(book.title, "TORVEN II results");
        EXPECT_EQ(book.subject, "river.xlsx");
        EXPECT_EQ(book.application, std::string("TORVEN II ") + torven::kProductVersion);
    }
}

// A job without the taxa list has no bold cell on its "Job Summary"; its text column is
// as wide as its longest line (the database's digest line, 28 + 64 characters -> 94).
TEST_P(ResultsWorkbook, SummaryWithoutTaxaList)
{
    Job job(nullptr, ui);
    results_jobs::fillLakeJob(job);
    const std::string path = target("lake");
    readback::expectWorkbook(saveAndRead(job, path), lakeSheets());
    readback::ReadBook book = readback::readLayout(path);
    ASSERT_EQ(book.sheets.size(), 6u);
    EXPECT_TRUE(book.sheets[0].boldCells.empty());
    EXPECT_NEAR(book.sheets[0].columnWidths.at(0), storedWidth(94), 1e-9);
    EXPECT_EQ(book.sheets[1].boldCells, rowCells(0, 21));
}


// "CoC High+Good" of TDI4 holds High plus Good (values worked out in results_jobs.h), for
// a site classed High and one classed Moderate.
TEST_P(ResultsWorkbook, HighPlusGoodColumnHoldsTheSum)
{
    Job job(nullptr, ui);
    results_jobs::fillAssessedRiverJob(job);
    auto sheets = saveAndRead(job, target("coc"));
    ASSERT_EQ(sheets.size(), 6u);
    const readback::ReadSheet& tdi3 = sheets[2];
    const readback::ReadSheet& tdi4 = sheets[3];
    EXPECT_EQ(tdi4.columnEnd, 13);
    EXPECT_EQ(tdi4.cells.at({0, 5}).value, "CoC High+Good");
    auto number = [](const readback::ReadSheet& sheet, int row, int col) {
        const readback::ReadCell& cell = sheet.cells.at({row, col});
        EXPECT_EQ(cell.kind, "n") << row << "," << col;
        return std::stod(cell.value);
    };
    EXPECT_EQ(tdi4.cells.at({1, 4}).value, "High");
    EXPECT_EQ(tdi4.cells.at({2, 4}).value, "Moderate");
    EXPECT_NEAR(number(tdi4, 1, 5), 96.3414, 1e-3);
    EXPECT_NEAR(number(tdi4, 2, 5), 34.2568, 1e-3);
    for (int row = 1; row <= 2; ++row) {
        EXPECT_NEAR(number(tdi4, row, 5), number(tdi3, row, 5) + number(tdi3, row, 6), 1e-9) << row;
        EXPECT_NEAR(number(tdi4, row, 5) + number(tdi4, row, 6) + number(tdi4, row, 7) + number(tdi4, row, 8), 100,
                    1e-9)
            << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ResultsWorkbook, ::testing::Values(".xlsx", ".xls"),
                         [](const auto& info) { return std::string(info.param + 1); });

// Only an extension of exactly "xls" gives the .xls format; the file's first bytes tell
// the formats apart (a zip package, or a compound document).
TEST(ResultsWorkbookFormat, ExtensionChoosesTheFormat)
{
    EXPECT_TRUE(results::IsXlsPath("/tmp/a.xls"));
    EXPECT_FALSE(results::IsXlsPath("/tmp/a.XLS"));
    EXPECT_FALSE(results::IsXlsPath("/tmp/a.xlsx"));
    EXPECT_FALSE(results::IsXlsPath("/tmp/a"));
    EXPECT_FALSE(results::IsXlsPath("/tmp/a.xls.bak"));
    EXPECT_FALSE(results::IsXlsPath("/tmp/dir.xls/a"));

    testing_support::TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    const std::pair<const char*, const char*> cases[] = {
        {"a.xls", "\xD0\xCF\x11\xE0"}, {"b.XLS", "PK\x03\x04"}, {"c.xlsx", "PK\x03\x04"}, {"d.analysis.results", "PK\x03\x04"}};
    for (const auto& [name, magic] : cases) {
        ASSERT_TRUE(job.SaveResultsTo(dir.file(name))) << name;
        EXPECT_EQ(testing_support::readFile(dir.file(name)).substr(0, 4), magic) << name;
    }
}

// The fitting rule on cells made for it: texts by their characters (bold ones a tenth
// wider), numbers as their format shows them, a cap for tables and a wider one for the
// summary's lines of text.
TEST(FittedColumnWidths, FromWhatTheCellsShow)
{
    using results::ResultCell;
    results::ResultSheet table{"Sample Summary", {}, 0};
    table.rows.push_back({ResultCell::Text("Site"), ResultCell::Text("EQR"), ResultCell::Text("Date"),
                          ResultCell::Text("N"), ResultCell::Text("x"), ResultCell::Text("Long")});
    ResultCell missing = ResultCell::Number(-99.9, results::CellFormat::TwoDecimals);
    missing.kind = ResultCell::Kind::Missing;
    table.rows.push_back({ResultCell::Text(std::string(60, 'a')),
                          ResultCell::Number(1234.5678, results::CellFormat::TwoDecimals),
                          ResultCell::Number(40000, results::CellFormat::Date), ResultCell::Number(1234567.5),
                          ResultCell{}, missing});
    // 60 letters capped at 50; "1234.57" 7 -> 9; a date 10 -> 12; "1234567.5" 9 -> 11;
    // "x" bold 1.1 + 1.5 -> 3, raised to the least width 4; "-99.90" 6 -> 8, "Long" bold -> 6.
    EXPECT_EQ(results::FittedColumnWidths(table), (std::vector<double>{50, 9, 12, 11, 4, 8}));

    results::ResultSheet summary{"Job Summary", {}, -1};
    summary.rows.push_back({ResultCell::Text(std::string(120, 'b'))});
    summary.rows.push_back({ResultCell::Text(std::string(80, 'c'))});
    EXPECT_EQ(results::FittedColumnWidths(summary), (std::vector<double>{100}));
    // Below the taxa list's header the table cap applies again.
    summary.rows[0] = {ResultCell::Text("Code")};
    summary.headerRow = 0;
    EXPECT_EQ(results::FittedColumnWidths(summary), (std::vector<double>{50}));
}

}  // namespace
