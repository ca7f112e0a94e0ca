// The import's checks, in their order, on .xlsx and .xls files. No database is needed:
// stand-in reference tables (an empty taxon list and empty boundary tables) let an import
// that passes every check through.

#include <gtest/gtest.h>

#include <memory>

#include "app/application.h"
#include "app/job.h"
#include "import/sample_import.h"
#include "tests/support/stand_in_tables.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_dir.h"
#include "tests/import/import_fixture.h"

namespace {

using testing_support::StandInTables;

using import_fixture::choose;
using import_fixture::riversSheet;
using import_fixture::SheetSpec;
using testing_support::TempDir;

const char* const kBoundaryFailure = "Error retrieving boundary data";

SheetSpec damSheet(const std::string& calciumLabel = "Calcium (ueq/l)", const std::string& docLabel = "DOC (mg/l)")
{
    SheetSpec sheet("DAM");
    sheet.text(1, 1, "Sample").text(1, 3, "S1");
    sheet.text(2, 1, "Site").text(2, 3, "X");
    sheet.text(3, 1, "Date").number(3, 3, 40000);
    sheet.text(4, 1, "Alkalinity").number(4, 3, 50);
    sheet.text(5, 1, calciumLabel).number(5, 3, 80);
    sheet.text(6, 1, docLabel).number(6, 3, 2.5);
    sheet.text(7, 1, "NBN0001").text(7, 2, "Eunotia").number(7, 3, 12);
    return sheet;
}

class ImportChecks : public ::testing::TestWithParam<std::string> {
protected:
    ImportChecks() { app.masterTaxonList = std::make_shared<const MemoryTable>(std::vector<MemoryTable::Column>{}, 0); }

    std::string write(const std::vector<SheetSpec>& sheets, const std::string& base = "book")
    {
        return import_fixture::writeWorkbook(dir, base + GetParam(), sheets);
    }

    bool import(const std::string& path, std::optional<WorksheetChoice> choice)
    {
        user.worksheetChoices.push_back(choice);
        imported = ImportSamples(path, tables, user);
        return imported.has_value();
    }

    // The one message of a failed check.
    void expectOnly(const std::string& message)
    {
        EXPECT_EQ(user.messages, std::vector<std::string>{message});
        EXPECT_EQ(user.busyDepth, 0);
    }

    // All checks passed without a message.
    void expectImported()
    {
        EXPECT_TRUE(imported.has_value());
        EXPECT_EQ(user.messages, std::vector<std::string>{});
        EXPECT_EQ(user.busyDepth, 0);
    }

    TempDir dir;
    ScriptedUser user;
    Application app{user};
    StandInTables tables;
    std::optional<ImportedSamples> imported;
};

TEST_P(ImportChecks, WithoutTaxonListFailsAtOnce)
{
    std::string path = write({riversSheet()});
    Job orphan(nullptr, user);
    EXPECT_FALSE(orphan.OpenWorkbook(path));
    app.masterTaxonList.reset();
    Job withoutList(&app, user);
    EXPECT_FALSE(withoutList.OpenWorkbook(path));
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Error retrieving taxon list", "Error retrieving taxon list"}));
    EXPECT_EQ(user.worksheetChoiceCount, 0);
}

TEST_P(ImportChecks, UnreadableFile)
{
    std::string junk = dir.file("junk" + GetParam());
    testing_support::writeFile(junk, "not a workbook at all");
    EXPECT_FALSE(import(junk, choose(5)));
    EXPECT_FALSE(import(dir.file("missing" + GetParam()), choose(5)));
    // The format follows the extension: a workbook of the other format is unreadable.
    std::string other = GetParam() == ".xls" ? ".xlsx" : ".xls";
    std::string written = import_fixture::writeWorkbook(dir, "real" + other, {riversSheet()});
    std::string renamed = dir.file("renamed" + GetParam());
    std::filesystem::rename(written, renamed);
    EXPECT_FALSE(import(renamed, choose(5)));
    EXPECT_EQ(user.messages, std::vector<std::string>(3, "Error reading file"));
    // Each message carries the file and the reason.
    ASSERT_EQ(user.details.size(), 3u);
    EXPECT_EQ(user.details[1], dir.file("missing" + GetParam()) + ": the file does not exist");
    for (const std::string& detail : user.details)
        EXPECT_NE(detail.find(dir.path().string()), std::string::npos) << detail;
    EXPECT_EQ(user.worksheetChoiceCount, 0);
    user.worksheetChoices.clear();
}

// The message stays "Error reading file"; its detail names the file and says why.
TEST(ImportUnreadable, EachFileSaysWhy)
{
    TempDir dir;
    ScriptedUser user;
    Application app{user};
    app.masterTaxonList = std::make_shared<const MemoryTable>(std::vector<MemoryTable::Column>{}, 0);
    for (const import_fixture::UnreadableFile& file : import_fixture::writeUnreadableFiles(dir)) {
        user.messages.clear();
        user.details.clear();
        Job job(&app, user);
        EXPECT_FALSE(job.OpenWorkbook(file.path)) << file.path;
        EXPECT_EQ(user.messages, std::vector<std::string>{"Error reading file"}) << file.path;
        EXPECT_EQ(user.details, std::vector<std::string>{file.path + ": " + file.reason});
        EXPECT_EQ(user.busyDepth, 0);
    }
    EXPECT_EQ(user.worksheetChoiceCount, 0);
}

TEST_P(ImportChecks, NoSheets)
{
    if (GetParam() == ".xls")
        GTEST_SKIP() << "xlwt cannot write a workbook without sheets";
    EXPECT_FALSE(import(import_fixture::writeXlsxWithoutSheets(dir, "empty.xlsx"), choose(5)));
    expectOnly("No sheets");
    user.worksheetChoices.clear();
}

TEST_P(ImportChecks, CancelledChoiceEndsSilently)
{
    std::string path = write({SheetSpec("First"), riversSheet("Second")});
    EXPECT_FALSE(import(path, std::nullopt));
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(user.offeredSheetNames, (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(user.offeredFamily, familyRivers);
}

TEST_P(ImportChecks, WorksheetWithoutData)
{
    SheetSpec cornerOnly("Corner");
    cornerOnly.text(1, 1, "Sample");
    SheetSpec rowOnly("Row");
    rowOnly.text(1, 1, "Sample").text(1, 3, "S1").text(1, 4, "S2");
    SheetSpec columnOnly("Column");
    columnOnly.text(1, 1, "Sample").text(5, 1, "NBN0001");
    std::string path = write({cornerOnly, rowOnly, columnOnly});
    for (int sheet = 0; sheet < 3; ++sheet)
        EXPECT_FALSE(import(path, choose(5, 3, familyRivers, sheet)));
    EXPECT_EQ(user.messages, std::vector<std::string>(3, "Worksheet has no data, try again"));
}

TEST_P(ImportChecks, ChosenSheetIsRead)
{
    SheetSpec empty("Notes");
    empty.text(1, 1, "nothing here");
    std::string path = write({empty, riversSheet("Data")});
    EXPECT_TRUE(import(path, choose(5, 3, familyRivers, 1)));
    expectImported();
    EXPECT_EQ(imported->sheetName, "Data");
    EXPECT_EQ(imported->sampleCount, 2);
}

TEST_P(ImportChecks, NoSampleNames)
{
    SheetSpec errorFirst = riversSheet("ErrorC1");
    errorFirst.error(1, 3);
    SheetSpec blankFirst = riversSheet("BlankC1");
    blankFirst.blank(1, 3);
    std::string path = write({riversSheet(), errorFirst, blankFirst});
    EXPECT_FALSE(import(path, choose(5, 5)));   // nothing at or right of column E
    EXPECT_FALSE(import(path, choose(5, 3, familyRivers, 1)));
    EXPECT_FALSE(import(path, choose(5, 3, familyRivers, 2)));
    EXPECT_EQ(user.messages, std::vector<std::string>(3, "No entries found in Sample Name row"));
}

TEST_P(ImportChecks, NoTaxonCodes)
{
    SheetSpec errorFirst = riversSheet("ErrorA5");
    errorFirst.error(5, 1, "#REF!");
    std::string path = write({riversSheet(), errorFirst});
    EXPECT_FALSE(import(path, choose(7)));  // below the last used row
    EXPECT_FALSE(import(path, choose(5, 3, familyRivers, 1)));
    EXPECT_EQ(user.messages, std::vector<std::string>(2, "No entries found in Taxon Code column"));
}

TEST_P(ImportChecks, SampleRowIsCheckedBeforeCodeColumn)
{
    std::string path = write({riversSheet()});
    EXPECT_FALSE(import(path, choose(7, 5)));
    expectOnly("No entries found in Sample Name row");
}

TEST_P(ImportChecks, TooFewHeaderRows)
{
    SheetSpec rivers = riversSheet();
    std::string path = write({rivers, damSheet("no", "labels")});
    EXPECT_FALSE(import(path, choose(4, 3, familyRivers)));
    EXPECT_FALSE(import(path, choose(4, 3, familyLakes)));
    // Row 5's label would fail the calcium test, but the count comes first: no label is read.
    EXPECT_FALSE(import(path, choose(6, 3, familyDam, 1)));
    EXPECT_EQ(user.messages,
              (std::vector<std::string>{
                  "Insufficient data to calculate EQR.\nSampling date and alkalinity must be in rows 3 and 4.",
                  "Insufficient data to calculate EQR.\nSampling date and lake type must be in rows 3 and 4.",
                  "Insufficient data to calculate EQR.\nSampling date, calcium and DOC values must be in rows 3, 5 "
                  "and 6."}));
}

TEST_P(ImportChecks, RiversLabel)
{
    SheetSpec lower = riversSheet("lower");
    lower.text(4, 1, "total alkalinity as CaCO3");
    SheetSpec abbreviated = riversSheet("abbreviated");
    abbreviated.text(4, 1, "Alk (mg/l)");
    SheetSpec numeric = riversSheet("numeric");
    numeric.number(4, 1, 4);
    std::string path = write({riversSheet(), lower, abbreviated, numeric});

    ASSERT_TRUE(import(path, choose(5)));  // "Alkalinity (mg/l)"
    expectImported();
    EXPECT_EQ(imported->headerLabels[3], "Alkalinity (mg/l)");
    user.messages.clear();
    EXPECT_TRUE(import(path, choose(5, 3, familyRivers, 1)));
    expectImported();
    user.messages.clear();

    EXPECT_FALSE(import(path, choose(5, 3, familyRivers, 2)));
    EXPECT_FALSE(import(path, choose(5, 3, familyRivers, 3)));
    EXPECT_EQ(user.messages, std::vector<std::string>(
                                 2, "Error: Alkalinity values must be in row 4 for TDI3 or TDI4 calculations."));
}

TEST_P(ImportChecks, LakesLabel)
{
    SheetSpec typed = riversSheet("typed");
    typed.text(4, 1, "Lake type");
    SheetSpec untyped = riversSheet("untyped");
    untyped.text(4, 1, "Lake");
    std::string path = write({typed, untyped});
    EXPECT_TRUE(import(path, choose(5, 3, familyLakes, 0)));
    expectImported();
    EXPECT_EQ(imported->familyName, "LTDI");
    user.messages.clear();
    EXPECT_FALSE(import(path, choose(5, 3, familyLakes, 1)));
    expectOnly("Error: Lake Type must be in row 4 for LTDI1 or LTDI2 calculations.");
}

TEST_P(ImportChecks, DamLabels)
{
    SheetSpec noCalcium = damSheet("Ca (ueq/l)").renamed("NoCalcium");
    SheetSpec noDoc = damSheet("calcium", "Dissolved organic carbon").renamed("NoDOC");
    std::string path = write({damSheet(), noCalcium, noDoc});
    EXPECT_TRUE(import(path, choose(7, 3, familyDam, 0)));
    expectImported();
    EXPECT_EQ(imported->familyName, "DAM");
    user.messages.clear();
    EXPECT_FALSE(import(path, choose(7, 3, familyDam, 1)));
    EXPECT_FALSE(import(path, choose(7, 3, familyDam, 2)));
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Error: Calcium values must be in row 5 for DAM calculations.",
                                                        "Error: DOC values must be in row 6 for DAM calculations."}));
}

TEST_P(ImportChecks, OtherFamiliesRowsAreNotChecked)
{
    // Rivers test row 4 only; DAM never tests row 4.
    SheetSpec rivers = riversSheet();
    rivers.text(5, 1, "x").text(6, 1, "y").text(7, 1, "NBN0003");
    SheetSpec dam = damSheet();
    dam.text(4, 1, "pH");
    std::string path = write({rivers, dam});
    EXPECT_TRUE(import(path, choose(7, 3, familyRivers, 0)));
    expectImported();
    user.messages.clear();
    EXPECT_TRUE(import(path, choose(7, 3, familyDam, 1)));
    expectImported();
}

TEST_P(ImportChecks, ListsEndAtTheFirstEmptyBlankOrErrorCell)
{
    SheetSpec gaps("Gaps");
    gaps.text(1, 1, "Sample").text(1, 3, "S1").text(1, 5, "S3");   // D1 empty
    gaps.text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity");
    gaps.text(5, 1, "NBN0001").text(7, 1, "NBN0003");              // A6 empty
    gaps.number(5, 3, 1).number(7, 3, 1);
    SheetSpec blanks = gaps.renamed("Blanks");
    blanks.blank(1, 4).blank(6, 1);
    SheetSpec errors = gaps.renamed("Errors");
    errors.error(1, 4).error(6, 1, "#VALUE!");
    std::string path = write({gaps, blanks, errors});
    for (int sheet = 0; sheet < 3; ++sheet) {
        SCOPED_TRACE(sheet);
        user.messages.clear();
        EXPECT_TRUE(import(path, choose(5, 3, familyRivers, sheet)));
        expectImported();
        EXPECT_EQ(imported->sampleCount, 1);
        EXPECT_EQ(imported->taxonCount, 1);
        EXPECT_EQ(imported->headerRowCount, 4);
        EXPECT_EQ(imported->headerValues[0], std::vector<std::string>{"S1"});
    }
}

TEST_P(ImportChecks, ListsRunToTheLastUsedCell)
{
    SheetSpec sheet = riversSheet();
    sheet.text(1, 5, "S3").text(7, 1, "NBN0003");
    std::string path = write({sheet});
    ASSERT_TRUE(import(path, choose(5)));
    EXPECT_EQ(imported->sampleCount, 3);
    EXPECT_EQ(imported->taxonCount, 3);
    EXPECT_EQ(imported->headerValues[1], (std::vector<std::string>{"Site A", "Site B", ""}));
}

TEST_P(ImportChecks, HeaderValues)
{
    SheetSpec sheet = riversSheet();
    sheet.boolean(2, 4, true).blank(2, 3);  // neither number nor text: empty
    sheet.error(3, 4);                      // a date typed wrong: empty
    std::string path = write({sheet});
    EXPECT_TRUE(import(path, choose(5)));
    expectImported();
    EXPECT_EQ(imported->headerLabels, (std::vector<std::string>{"Sample", "Site code", "Date", "Alkalinity (mg/l)"}));
    // "%g": six significant digits, exponent form from 10^6 on.
    EXPECT_EQ(imported->headerValues,
              (std::vector<std::vector<std::string>>{
                  {"S1", "S2"}, {"", ""}, {"40321", ""}, {"123.457", "1.23457e+06"}}));
}

// Every check passed, the family's boundary rows are not found: the one message, nothing
// imported.
TEST_P(ImportChecks, MissingBoundariesEndTheImport)
{
    tables.boundariesFound = false;
    EXPECT_FALSE(import(write({riversSheet()}), choose(5)));
    expectOnly(kBoundaryFailure);
}

TEST_P(ImportChecks, TooManyTaxonsForTheMatrix)
{
    SheetSpec sheet = riversSheet();
    for (int row = 7; row <= 20005; ++row)  // 20001 taxon rows from row 5
        sheet.text(row, 1, "N");
    std::string path = write({sheet});
    EXPECT_FALSE(import(path, choose(5)));
    expectOnly("Too much data: the worksheet has 2 samples and 20001 taxa; at most 20000 samples and 20000 taxa can "
               "be imported.");
}

INSTANTIATE_TEST_SUITE_P(Formats, ImportChecks, ::testing::Values(".xlsx", ".xls"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param.substr(1); });

}  // namespace
