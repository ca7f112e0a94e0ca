// The import of a preset choice (the counts streamed into the matrix) against the import of
// the loaded book with the same choice: the same samples, down to every count and every
// line of the summary, and the same messages, on sheets that import and on sheets that fail
// a check.

#include <gtest/gtest.h>

#include <memory>

#include "import/sample_import.h"
#include "tests/support/stand_in_tables.h"
#include "tests/import/import_fixture.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::StandInTables;

using import_fixture::riversSheet;
using import_fixture::SheetSpec;
using testing_support::TempDir;

struct Outcome {
    std::optional<ImportedSamples> samples;
    std::vector<std::string> messages;
    int choicesAsked = 0;
};

Outcome loaded(const std::string& path, const PresetChoice& preset, int sheetIndex)
{
    StandInTables tables;
    ScriptedUser user;
    user.worksheetChoices.push_back(
        import_fixture::choose(preset.firstDataRow, preset.firstDataColumn, preset.family, sheetIndex));
    Outcome outcome;
    outcome.samples = ImportSamples(path, tables, user);
    outcome.messages = user.messages;
    return outcome;
}

Outcome streamed(const std::string& path, const PresetChoice& preset, int sheetIndex)
{
    StandInTables tables;
    ScriptedUser user;
    // Asked only when the sheet goes back to the import of the loaded book.
    user.worksheetChoices.push_back(
        import_fixture::choose(preset.firstDataRow, preset.firstDataColumn, preset.family, sheetIndex));
    Outcome outcome;
    outcome.samples = ImportPresetSamples(path, preset, tables, user);
    outcome.messages = user.messages;
    outcome.choicesAsked = user.worksheetChoices.empty() ? 1 : 0;
    return outcome;
}

void expectSame(const Outcome& a, const Outcome& b)
{
    EXPECT_EQ(a.messages, b.messages);
    ASSERT_EQ(a.samples.has_value(), b.samples.has_value());
    if (!a.samples)
        return;
    const ImportedSamples& x = *a.samples;
    const ImportedSamples& y = *b.samples;
    EXPECT_EQ(x.title, y.title);
    EXPECT_EQ(x.sheetName, y.sheetName);
    EXPECT_EQ(x.workbookSha256, y.workbookSha256);
    EXPECT_EQ(x.family, y.family);
    EXPECT_EQ(x.familyName, y.familyName);
    EXPECT_EQ(x.sampleCount, y.sampleCount);
    EXPECT_EQ(x.taxonCount, y.taxonCount);
    EXPECT_EQ(x.headerRowCount, y.headerRowCount);
    EXPECT_EQ(x.headerLabels, y.headerLabels);
    EXPECT_EQ(x.headerValues, y.headerValues);
    ASSERT_EQ(x.taxa.size(), y.taxa.size());
    for (std::size_t t = 0; t < x.taxa.size(); ++t) {
        EXPECT_EQ(x.taxa[t].code, y.taxa[t].code) << t;
        EXPECT_EQ(x.taxa[t].name, y.taxa[t].name) << t;
    }
    ASSERT_TRUE(x.counts && y.counts);
    ASSERT_EQ(x.counts->nRows(), y.counts->nRows());
    ASSERT_EQ(x.counts->nCols(), y.counts->nCols());
    for (int s = 0; s < x.counts->nRows(); ++s)
        for (int t = 0; t < x.counts->nCols(); ++t)
            EXPECT_EQ((*x.counts)(s, t), (*y.counts)(s, t)) << s << "," << t;
    EXPECT_EQ(x.summary, y.summary);
    EXPECT_EQ(x.cocAvailable, y.cocAvailable);
}

void compare(const std::string& path, const PresetChoice& preset, int sheetIndex, bool streamsWhole)
{
    SCOPED_TRACE(path + " sheet " + std::to_string(sheetIndex) + " row " + std::to_string(preset.firstDataRow));
    const Outcome a = loaded(path, preset, sheetIndex);
    const Outcome b = streamed(path, preset, sheetIndex);
    expectSame(a, b);
    if (streamsWhole) {
        EXPECT_TRUE(b.samples.has_value());
    }
    // A sheet that imports is streamed without reading the book; one that fails a check
    // is read again so that the loaded book's import says what is wrong.
    EXPECT_EQ(b.choicesAsked, streamsWhole ? 0 : 1);
}

TEST(PresetImport, TheBundledExamplesStreamAsTheyLoad)
{
    const std::string examples = TORVEN_EXAMPLES_DIR;
    compare(examples + "/river.xlsx", {std::nullopt, 5, 3, familyRivers}, 0, true);
    compare(examples + "/lake.xlsx", {std::nullopt, 5, 3, familyLakes}, 0, true);
    compare(examples + "/dam.xlsx", {std::nullopt, 7, 3, familyDam}, 0, true);
}

TEST(PresetImport, SheetsThatImportGiveTheSameSamples)
{
    TempDir dir;
    // Notes below the list and to the right of the samples; a gap in row 1 ends the
    // samples; dates, texts, booleans, blanks and errors among the header values.
    SheetSpec notes = riversSheet("Notes");
    notes.text(9, 1, "Counted by").text(9, 2, "A. Lab").number(10, 1, 12).text(1, 7, "remark").number(5, 7, 99);
    notes.boolean(2, 4, true).blank(2, 3).error(3, 4).number(6, 4, 0);
    SheetSpec gaps("Gaps");
    gaps.text(1, 1, "Sample").text(1, 3, "S1").text(1, 5, "S3");
    gaps.text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity");
    gaps.text(5, 1, "NBN0001").text(7, 1, "NBN0003");
    gaps.number(5, 3, 1).number(7, 3, 1).number(5, 5, 4);
    SheetSpec numericCodes = riversSheet("Codes");
    numericCodes.number(5, 1, 1234).number(6, 1, 2.5).blank(7, 1).number(8, 1, 7);
    SheetSpec wide("Wide");
    wide.text(1, 1, "Sample").text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity (mg/l)");
    for (int s = 0; s < 40; ++s) {
        wide.text(1, 5 + s, "S" + std::to_string(s)).text(2, 5 + s, "SITE" + std::to_string(s / 3));
        wide.number(3, 5 + s, 40000 + s).number(4, 5 + s, 20 + s);
    }
    for (int t = 0; t < 30; ++t) {
        wide.text(5 + t, 1, "AC" + std::to_string(100 + t)).text(5 + t, 2, "Taxon " + std::to_string(t));
        for (int s = t % 3; s < 40; s += 3)
            wide.number(5 + t, 5 + s, (t * 7 + s) % 50 + 0.5);
    }
    // More taxa than the import gathers at a time before it writes them into the matrix
    // (70: two such batches and part of a third), with a note below the list.
    SheetSpec tall("Tall");
    tall.text(1, 1, "Sample").text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity (mg/l)");
    for (int s = 0; s < 7; ++s)
        tall.text(1, 3 + s, "T" + std::to_string(s)).number(4, 3 + s, 50);
    for (int t = 0; t < 70; ++t) {
        tall.text(5 + t, 1, "AT" + std::to_string(1000 + t));
        for (int s = t % 2; s < 7; s += 2)
            tall.number(5 + t, 3 + s, t * 10 + s + 1);
    }
    tall.text(77, 1, "Counted by A. Lab").number(78, 3, 5);
    for (bool date1904 : {false, true}) {
        const std::string path = import_fixture::writeWorkbook(dir, date1904 ? "b1904.xlsx" : "b.xlsx",
                                                               {notes, gaps, numericCodes, wide, tall}, date1904);
        compare(path, {std::nullopt, 5, 3, familyRivers}, 0, true);
        compare(path, {std::string("Gaps"), 5, 3, familyRivers}, 1, true);
        compare(path, {std::string("Codes"), 5, 3, familyRivers}, 2, true);
        compare(path, {std::string("Wide"), 5, 5, familyRivers}, 3, true);
        compare(path, {std::string("Wide"), 5, 9, familyRivers}, 3, true);  // the first samples left out
        compare(path, {std::string("Tall"), 5, 3, familyRivers}, 4, true);
        const Outcome tallRead = streamed(path, {std::string("Tall"), 5, 3, familyRivers}, 4);
        ASSERT_TRUE(tallRead.samples.has_value());
        const Matrix& counts = *tallRead.samples->counts;
        ASSERT_EQ(counts.nRows(), 7);
        ASSERT_EQ(counts.nCols(), 70);
        for (int t = 0; t < 70; ++t)
            for (int s = 0; s < 7; ++s)
                EXPECT_EQ(counts(s, t), (s - t % 2) % 2 == 0 ? t * 10 + s + 1 : 0) << s << "," << t;
    }
}

TEST(PresetImport, SheetsThatFailACheckSayTheSame)
{
    TempDir dir;
    SheetSpec textCount = riversSheet("TextCount");
    textCount.text(6, 4, "12 ");
    SheetSpec badLabel = riversSheet("BadLabel");
    badLabel.text(4, 1, "pH");
    SheetSpec noNames("NoNames");
    noNames.text(1, 1, "Sample").text(5, 1, "NBN0001").number(5, 3, 3);
    SheetSpec empty("Empty");
    empty.text(1, 1, "Sample");
    const std::string path =
        import_fixture::writeWorkbook(dir, "bad.xlsx", {textCount, badLabel, noNames, empty, riversSheet("Fine")});
    compare(path, {std::nullopt, 5, 3, familyRivers}, 0, false);
    compare(path, {std::string("BadLabel"), 5, 3, familyRivers}, 1, false);
    compare(path, {std::string("NoNames"), 5, 3, familyRivers}, 2, false);
    compare(path, {std::string("Empty"), 5, 3, familyRivers}, 3, false);
    compare(path, {std::string("Fine"), 4, 3, familyRivers}, 4, false);  // too few header rows
    compare(path, {std::string("Fine"), 5, 3, familyLakes}, 4, false);   // row 4 is no lake type
    compare(path, {std::string("Fine"), 9, 3, familyRivers}, 4, false);  // no taxa below row 8
}

TEST(PresetImport, CountsOutOfRangeSayTheSame)
{
    // The streamed import gives up at the first count out of range, so that the loaded
    // book's import names the cell; nothing of the stream is kept.
    TempDir dir;
    SheetSpec negative = riversSheet("Negative");
    negative.number(6, 4, -200);
    SheetSpec huge = riversSheet("Huge");
    huge.number(5, 3, 1e200).text(6, 3, "x");
    const std::string path = import_fixture::writeWorkbook(dir, "range.xlsx", {negative, huge});
    compare(path, {std::nullopt, 5, 3, familyRivers}, 0, false);
    compare(path, {std::string("Huge"), 5, 3, familyRivers}, 1, false);
    const Outcome outcome = streamed(path, {std::nullopt, 5, 3, familyRivers}, 0);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Error: count out of range in row 6, col 4"});
}

TEST(PresetImport, AnXlsWorkbookIsImportedLoaded)
{
    TempDir dir;
    const std::string path = import_fixture::writeWorkbook(dir, "b.xls", {riversSheet()});
    compare(path, {std::nullopt, 5, 3, familyRivers}, 0, false);
}

}  // namespace
