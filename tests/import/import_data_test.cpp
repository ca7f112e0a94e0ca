// Imports that pass every check: the counts, the taxa, the reference rows the job keeps
// and the summary text. The reference database is written for each test by torven-mkrefdb.

#include <gtest/gtest.h>

#include <memory>

#include "app/application.h"
#include "app/job.h"
#include "tests/support/scripted_user.h"
#include "workbook/book.h"
#include "import/worksheet_choice.h"
#include "tests/support/temp_dir.h"
#include "tests/import/import_fixture.h"

namespace {

using import_fixture::choose;
using import_fixture::riversSheet;
using import_fixture::SheetSpec;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;

// The lakes' three CoC rows are a problem of the database, which every summary names last.
const std::string kProblemNote =
    "\r\n\r\nReference database: 1 problem found (see Help > Reference database, or torven-cli refdb --check)";

// Boundaries: one row for each river index and DAM, two lake types for each lake index.
// CoC: four rows for rivers and DAM, three (too few) for lakes.
std::string writeReferenceDatabase(const TempDir& dir)
{
    writeFile(dir.file("taxa.csv"),
              "NBNCode:text,OtherCode:text,TDI3:double,TDI4:double,LTDI1:double,LTDI2:double,DAM:double,"
              "Motile:boolean,OrganicTolerant:boolean,Planktic:boolean,Saline:boolean\n"
              "NBN0001,AC001,1,2,1,2,3,false,false,false,false\n"
              "NBN0002,NA002,4,5,4,5,1,true,false,false,false\n");
    writeFile(dir.file("boundaries.csv"),
              "SiteType:text,LakeType:text,MedianTDI:double,HG:double,GM:double,MP:double,PB:double\n"
              "TDI3,,1,0.9,0.7,0.5,0.3\n"
              "TDI4,,1,0.8,0.6,0.4,0.2\n"
              "LTDI1,HA,40,0.9,0.7,0.5,0.3\n"
              "LTDI1,MA,45,0.9,0.7,0.5,0.3\n"
              "LTDI2,HA,42,0.9,0.7,0.5,0.3\n"
              "LTDI2,MA,47,0.9,0.7,0.5,0.3\n"
              "DAM,,1,0.9,0.7,0.5,0.3\n");
    writeFile(dir.file("coc.csv"),
              "SiteType:text,Coefficient:long,Value:double\n"
              "TDI,4,0.4\nTDI,1,0.1\nTDI,2,0.2\nTDI,3,0.3\n"
              "LTDI,1,1.1\nLTDI,2,1.2\nLTDI,3,1.3\n"
              "DAM,1,2.1\nDAM,2,2.2\nDAM,3,2.3\nDAM,4,2.4\n");
    const std::string path = dir.file("TORVENII.mdb");
    std::string command = shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-mkrefdb") + " --allow-problems -o " + shellQuote(path)
                          + " NBSMasterTaxonList_PhaseII=" + shellQuote(dir.file("taxa.csv"))
                          + " Boundaries=" + shellQuote(dir.file("boundaries.csv"))
                          + " CoC=" + shellQuote(dir.file("coc.csv")) + " 2>&1";
    int status = 0;
    std::string output = testing_support::commandOutput(command, &status);
    EXPECT_EQ(status, 0) << output;
    return path;
}

std::string siteType(const MemoryTable& table, int row)
{
    std::string text;
    table.GetString(row, table.FindColumn("SiteType"), text);
    return text;
}

class ImportData : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite()
    {
        databaseDir = new TempDir;
        databasePath = new std::string(writeReferenceDatabase(*databaseDir));
    }
    static void TearDownTestSuite()
    {
        delete databasePath;
        delete databaseDir;
    }

    void SetUp() override
    {
        app.OpenReferenceData(*databasePath);
        ASSERT_TRUE(app.masterTaxonList) << "the reference database did not open";
        ASSERT_TRUE(user.messages.empty());
    }

    std::string write(const std::vector<SheetSpec>& sheets, const std::string& base = "book")
    {
        return import_fixture::writeWorkbook(dir, base + GetParam(), sheets);
    }

    std::unique_ptr<Job> import(const std::string& path, WorksheetChoice choice, bool expected = true)
    {
        user.worksheetChoices.push_back(choice);
        auto job = std::make_unique<Job>(&app, user);
        EXPECT_EQ(job->OpenWorkbook(path), expected);
        EXPECT_EQ(user.busyDepth, 0);
        return job;
    }

    static TempDir* databaseDir;
    static std::string* databasePath;
    TempDir dir;
    ScriptedUser user;
    Application app{user};
};

TempDir* ImportData::databaseDir = nullptr;
std::string* ImportData::databasePath = nullptr;

// Filled cells the import did not take are named in the summary; the counts are as
// before. Here the first data column is D, so C1 is left of it; F1 lies beyond the empty
// E1; A8 lies below the empty A7.
TEST_P(ImportData, CellsLeftOutAreNamedInTheSummary)
{
    import_fixture::SheetSpec sheet = riversSheet();
    sheet.text(1, 6, "S9").text(8, 1, "NBN0009");
    std::unique_ptr<Job> job = import(write({sheet}), choose(5, 4));
    ASSERT_TRUE(job);
    ASSERT_TRUE(job->samples.counts);
    EXPECT_EQ(job->samples.counts->nRows(), 1);
    EXPECT_EQ(job->samples.counts->nCols(), 2);
    EXPECT_EQ(job->summary(), "File:\tbook" + GetParam() +
                                "\r\nWorksheet:\tSamples\r\n\r\nMetric:\tTDI\r\n\r\n"
                                "Number of taxa:\t2\r\nNumber of samples:\t1"
                                "\r\n\r\nNot imported: 1 sample name left of the first data column: S1"
                                "\r\n\r\nNot imported: 1 sample name right of the empty cell that ended row 1: S9"
                                "\r\n\r\nNot imported: 1 taxon code below the empty cell that ended column A: NBN0009" +
                                kProblemNote);
    // The digest of the workbook as read, as coreutils' sha256sum gives it.
    EXPECT_EQ(job->samples.workbookSha256,
              testing_support::commandOutput("sha256sum " + testing_support::shellQuote(job->samples.path)).substr(0, 64));
}

TEST_P(ImportData, RiversJob)
{
    std::unique_ptr<Job> job = import(write({riversSheet()}), choose(5));
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(job->samples.title, "book" + GetParam());
    EXPECT_EQ(job->samples.path, dir.file("book" + GetParam()));
    ASSERT_TRUE(job->samples.counts);
    ASSERT_EQ(job->samples.counts->nRows(), 2);  // samples
    ASSERT_EQ(job->samples.counts->nCols(), 2);  // taxa
    EXPECT_EQ((*job->samples.counts)(0, 0), 10);
    EXPECT_EQ((*job->samples.counts)(1, 0), 20);
    EXPECT_EQ((*job->samples.counts)(0, 1), 30);
    EXPECT_EQ((*job->samples.counts)(1, 1), 40);
    ASSERT_EQ(job->samples.taxa.size(), 2u);
    EXPECT_EQ(job->samples.taxa[0].code, "NBN0001");
    EXPECT_EQ(job->samples.taxa[1].name, "Navicula lanceolata");
    EXPECT_EQ(job->summary(), "File:\tbook" + GetParam()
                                + "\r\nWorksheet:\tSamples\r\n\r\nMetric:\tTDI\r\n\r\n"
                                  "Number of taxa:\t2\r\nNumber of samples:\t2" + kProblemNote);
    EXPECT_TRUE(job->samples.cocAvailable);
    EXPECT_EQ(job->samples.masterTaxonList, app.masterTaxonList);
    ASSERT_TRUE(job->samples.boundaries1 && job->samples.boundaries2 && job->samples.cocParameters);
    EXPECT_EQ(job->samples.boundaries1->rowCount, 1);
    EXPECT_EQ(siteType(*job->samples.boundaries1, 0), "TDI3");
    EXPECT_EQ(siteType(*job->samples.boundaries2, 0), "TDI4");
    EXPECT_EQ(job->samples.cocParameters->rowCount, 4);
}

// A workbook kept in the 1904 date system stores 6 July 2009 as 38538 and 30 June 2009
// as 38532 (40000 - 1462 and 39994 - 1462); the job carries the 1900 serials every reader
// of the date row counts in, so the season and the shown dates stay right.
TEST_P(ImportData, DatesOfA1904WorkbookArriveAs1900Serials)
{
    SheetSpec sheet = riversSheet();
    sheet.number(3, 3, 38538).number(3, 4, 38532);
    sheet.number(4, 3, 38538);  // not a date row: kept as it is
    const std::string path = import_fixture::writeWorkbook(dir, "mac" + GetParam(), {sheet}, true);
    std::unique_ptr<Job> job = import(path, choose(5));
    EXPECT_TRUE(user.messages.empty());
    ASSERT_EQ(job->samples.headerValues.size(), 4u);
    EXPECT_EQ(job->samples.headerValues[2], (std::vector<std::string>{"40000", "39994"}));
    EXPECT_EQ(job->samples.headerValues[3][0], "38538");

    // The worksheet dialog's preview shows the same dates.
    std::unique_ptr<wb::Book> book = worksheet::CreateBookFor(path);
    ASSERT_TRUE(book->load(path)) << book->errorMessage();
    const wb::Sheet& first = *book->getSheet(0);
    EXPECT_TRUE(first.isDate1904());
    EXPECT_EQ(first.readNum(2, 2), 38538);  // the layer never converts
    EXPECT_EQ(worksheet::PreviewCellText(first, 3, 3), "06-Jul-2009");
    EXPECT_EQ(worksheet::PreviewCellText(first, 3, 4), "30-Jun-2009");
    EXPECT_EQ(worksheet::PreviewCellText(first, 4, 3), "38538");

    // The same numbers in a 1900 workbook are taken as they are.
    std::unique_ptr<Job> plain = import(write({sheet}, "pc"), choose(5));
    EXPECT_EQ(plain->samples.headerValues[2], (std::vector<std::string>{"38538", "38532"}));
}

TEST_P(ImportData, LakesWithoutCoCParameters)
{
    SheetSpec sheet = riversSheet("Lakes");
    sheet.text(4, 1, "Lake type").text(4, 3, "HA").text(4, 4, "MA");
    std::unique_ptr<Job> job = import(write({sheet}), choose(5, 3, familyLakes));
    EXPECT_TRUE(user.messages.empty());
    EXPECT_FALSE(job->samples.cocAvailable);
    EXPECT_FALSE(job->samples.cocParameters);
    EXPECT_EQ(job->samples.boundaries1->rowCount, 2);
    EXPECT_EQ(siteType(*job->samples.boundaries2, 1), "LTDI2");
    EXPECT_EQ(job->samples.headerValues[3], (std::vector<std::string>{"HA", "MA"}));
    EXPECT_EQ(job->summary(), "File:\tbook" + GetParam()
                                + "\r\nWorksheet:\tLakes\r\n\r\nMetric:\tLTDI\r\n\r\n"
                                  "Number of taxa:\t2\r\nNumber of samples:\t2\r\n\r\n"
                                  "Confidence of class parameters not found for LTDI, uncertainty estimates will not "
                                  "be calculated." + kProblemNote);
}

TEST_P(ImportData, DamJobHasOneIndex)
{
    SheetSpec sheet("DAM");
    sheet.text(1, 1, "Sample").text(1, 3, "S1");
    sheet.text(4, 1, "x").text(5, 1, "Calcium").text(6, 1, "DOC");
    sheet.text(7, 1, "NBN0001").number(7, 3, 5);
    // A river import first fills the application's second slot; the DAM job must not take it.
    import(write({riversSheet()}, "rivers"), choose(5));
    std::unique_ptr<Job> job = import(write({sheet}), choose(7, 3, familyDam));
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(siteType(*job->samples.boundaries1, 0), "DAM");
    EXPECT_FALSE(job->samples.boundaries2);
    EXPECT_TRUE(job->samples.cocAvailable);
    EXPECT_EQ(job->samples.headerValues[1], std::vector<std::string>{""});
}

TEST_P(ImportData, JobsKeepTheirOwnReferenceRows)
{
    SheetSpec lakes = riversSheet("Lakes");
    lakes.text(4, 1, "Lake type");
    std::unique_ptr<Job> rivers = import(write({riversSheet()}, "rivers"), choose(5));
    std::unique_ptr<Job> lake = import(write({lakes}, "lakes"), choose(5, 3, familyLakes));
    EXPECT_EQ(siteType(*app.boundaries1, 0), "LTDI1");
    EXPECT_EQ(siteType(*rivers->samples.boundaries1, 0), "TDI3");
    EXPECT_EQ(rivers->samples.cocParameters->rowCount, 4);
}

TEST_P(ImportData, NumericTaxonCodesAndBlankCounts)
{
    SheetSpec sheet = riversSheet();
    sheet.number(5, 1, 1234567).number(6, 1, 123.4567).number(7, 1, 40321);
    sheet.number(6, 2, 7);                // a number for a name: no name
    sheet.blank(5, 3).blank(6, 4);        // blanks count 0
    sheet.text(7, 2, "Fragilaria");      // row 7 holds no counts at all: empty cells count 0
    std::unique_ptr<Job> job = import(write({sheet}), choose(5));
    EXPECT_TRUE(user.messages.empty());
    ASSERT_EQ(job->samples.taxa.size(), 3u);
    EXPECT_EQ(job->samples.taxa[0].code, "1.23457e+06");
    EXPECT_EQ(job->samples.taxa[1].code, "123.457");
    EXPECT_EQ(job->samples.taxa[2].code, "40321");
    EXPECT_EQ(job->samples.taxa[1].name, "");
    EXPECT_EQ(job->samples.taxa[2].name, "Fragilaria");
    const Matrix& counts = *job->samples.counts;
    EXPECT_EQ(counts(0, 0), 0);
    EXPECT_EQ(counts(1, 0), 20);
    EXPECT_EQ(counts(0, 1), 30);
    EXPECT_EQ(counts(1, 1), 0);
    EXPECT_EQ(counts(0, 2), 0);
    EXPECT_EQ(counts(1, 2), 0);
}

TEST_P(ImportData, IndeterminateCountCells)
{
    SheetSpec text = riversSheet("Text");
    text.text(6, 4, "12");
    // Taxon rows are read in order, each across its samples: D5 comes before C6.
    SheetSpec boolean = riversSheet("Boolean");
    boolean.boolean(5, 4, true).text(6, 3, "x");
    SheetSpec error = riversSheet("Error");
    error.error(6, 3, "#REF!");
    // First data column D: the column number counts from the sheet's column A.
    SheetSpec shifted = riversSheet("Shifted");
    shifted.text(1, 5, "S3").number(5, 5, 1).text(6, 5, "n/a");
    std::string path = write({text, boolean, error, shifted});
    for (int sheet = 0; sheet < 4; ++sheet)
        import(path, choose(5, sheet == 3 ? 4 : 3, familyRivers, sheet), false);
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Error: indeterminate data in row 6, col 4",
                                                        "Error: indeterminate data in row 5, col 4",
                                                        "Error: indeterminate data in row 6, col 3",
                                                        "Error: indeterminate data in row 6, col 5"}));
}

TEST_P(ImportData, CountsOutOfRangeStopTheImportAtTheFirstBadCell)
{
    // A negative count, one past a billion and one of 1e200: each stops the import at its
    // cell. A text before it in reading order (row by row, left to right) is named
    // instead; one after it is never reached.
    SheetSpec negative = riversSheet("Negative");
    negative.number(6, 4, -200);
    SheetSpec huge = riversSheet("Huge");
    huge.number(5, 3, 1e200).text(6, 3, "x");
    SheetSpec justAbove = riversSheet("JustAbove");
    justAbove.number(6, 3, 1000000000.5);
    SheetSpec textFirst = riversSheet("TextFirst");
    textFirst.text(5, 4, "n/a").number(6, 3, -1);
    SheetSpec tiny = riversSheet("TinyNegative");
    tiny.number(5, 4, -1e-300);
    std::string path = write({negative, huge, justAbove, textFirst, tiny});
    for (int sheet = 0; sheet < 5; ++sheet)
        import(path, choose(5, 3, familyRivers, sheet), false);
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Error: count out of range in row 6, col 4",
                                                        "Error: count out of range in row 5, col 3",
                                                        "Error: count out of range in row 6, col 3",
                                                        "Error: indeterminate data in row 5, col 4",
                                                        "Error: count out of range in row 5, col 4"}));
}

TEST_P(ImportData, ATextTooLongForTheResultsStopsTheImportAtItsCell)
{
    // A sample name, a site code, a taxon code or name of over 1000 characters (a pasted
    // paragraph, a damaged file) would fail the save at a cell of the results: the import
    // stops at the first in reading order instead, naming it. 1000 characters are taken,
    // counted as characters, not bytes.
    const std::string tooLong(1001, 'x');
    const std::string longest = [] {
        std::string text;
        for (int i = 0; i < 1000; ++i)
            text += "\xC3\xA9";  // 2000 bytes
        return text;
    }();
    SheetSpec name = riversSheet("Name");
    name.text(1, 4, tooLong).text(2, 3, tooLong);
    SheetSpec site = riversSheet("Site");
    site.text(2, 4, tooLong).number(5, 3, -1);
    SheetSpec taxon = riversSheet("Taxon");
    taxon.text(6, 2, std::string(5000, 'y')).text(6, 4, "n/a");
    SheetSpec code = riversSheet("Code");
    code.text(5, 1, tooLong);
    SheetSpec fine = riversSheet("Fine");
    fine.text(1, 3, longest);
    std::string path = write({name, site, taxon, code, fine});
    for (int sheet = 0; sheet < 4; ++sheet)
        import(path, choose(5, 3, familyRivers, sheet), false);
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Error: text longer than 1000 characters in row 1, col 4",
                                                        "Error: text longer than 1000 characters in row 2, col 4",
                                                        "Error: text longer than 1000 characters in row 6, col 2",
                                                        "Error: text longer than 1000 characters in row 5, col 1"}));
    std::unique_ptr<Job> job = import(path, choose(5, 3, familyRivers, 4), true);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->samples.headerValues[0][0], longest);
}

TEST_P(ImportData, CountsAtTheEdgesOfTheRangeAreKept)
{
    // Zero, a fraction (a relative abundance), a count in millions and exactly a billion.
    SheetSpec edges = riversSheet("Edges");
    edges.number(5, 3, 0).number(5, 4, 0.125).number(6, 3, 2500000).number(6, 4, 1e9);
    std::string path = write({edges});
    std::unique_ptr<Job> job = import(path, choose(5, 3, familyRivers, 0), true);
    ASSERT_TRUE(job);
    const Matrix& counts = *job->samples.counts;
    EXPECT_EQ(counts(0, 0), 0);
    EXPECT_EQ(counts(1, 0), 0.125);
    EXPECT_EQ(counts(0, 1), 2500000);
    EXPECT_EQ(counts(1, 1), 1e9);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImportData, ::testing::Values(".xlsx", ".xls"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param.substr(1); });

}  // namespace
