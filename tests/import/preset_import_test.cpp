// The import of a preset choice (the counts streamed into the matrix) against the import of
// the loaded book with the same choice: the same samples, down to every count and every
// line of the summary, and the same messages, on sheets that import and on sheets that fail
// a check.

#include <gtest/gtest.h>

#include <memory>

#include "import/sample_import.h"
#include "import/worksheet_choice.h"
#include "workbook/book.h"
#include "tests/import/import_fixture.h"
#include "tests/import/preset_compare.h"
#include "tests/support/temp_dir.h"

namespace {

using preset_compare::compare;
using preset_compare::Outcome;
using preset_compare::streamed;
using import_fixture::riversSheet;
using import_fixture::SheetSpec;
using testing_support::TempDir;

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

// Rows of many whole counts, the cells the reader hands on a run at a time: runs that
// begin left of the first data column (numbers in columns C and D), run on right of the
// samples (a note), break at gaps, and one with a count out of range in its middle.
TEST(PresetImport, RunsOfCountsGiveTheSameSamples)
{
    TempDir dir;
    auto runs = [](const std::string& name) {
        SheetSpec sheet(name);
        sheet.text(1, 1, "Sample").text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity (mg/l)");
        for (int s = 0; s < 300; ++s)
            sheet.text(1, 5 + s, "S" + std::to_string(s)).number(4, 5 + s, 30 + s % 7);
        for (int t = 0; t < 40; ++t) {
            sheet.text(5 + t, 1, "AR" + std::to_string(1000 + t)).number(5 + t, 3, t).number(5 + t, 4, 7);
            for (int s = 0; s < 300; ++s)
                if ((s * 13 + t) % 47 != 0)
                    sheet.number(5 + t, 5 + s, (s + 3 * t) % 11);
            sheet.number(5 + t, 305, 99).number(5 + t, 306, 100);
        }
        return sheet;
    };
    SheetSpec outOfRange = runs("OutOfRange");
    outOfRange.number(20, 150, 2000000000);
    const std::string path = import_fixture::writeWorkbook(dir, "runs.xlsx", {runs("Runs"), outOfRange});
    const Outcome read = compare(path, {std::nullopt, 5, 5, familyRivers}, 0, true);
    ASSERT_TRUE(read.samples.has_value());
    const Matrix& counts = *read.samples->counts;
    ASSERT_EQ(counts.nRows(), 300);
    ASSERT_EQ(counts.nCols(), 40);
    for (int t = 0; t < 40; ++t)
        for (int s = 0; s < 300; ++s)
            ASSERT_EQ(counts(s, t), (s * 13 + t) % 47 != 0 ? (s + 3 * t) % 11 : 0) << s << "," << t;
    compare(path, {std::nullopt, 5, 9, familyRivers}, 0, true);  // the first samples left out
    EXPECT_EQ(compare(path, {std::string("OutOfRange"), 5, 5, familyRivers}, 1, false).route.loadedBecause,
              "the count in row 20, column 150 is out of range");
}

// Rows 5 and 6 of the first sheet of an openpyxl workbook swapped, as no spreadsheet
// program writes them: valid, but not in order.
const char* const kSwapRows = R"PY(
import re, sys, zipfile
path, out = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(path) as z:
    parts = {name: z.read(name) for name in z.namelist()}
sheet = parts['xl/worksheets/sheet1.xml'].decode('utf-8')
rows = re.findall(r'<row r="[56]".*?</row>', sheet)
assert len(rows) == 2
sheet = sheet.replace(rows[0] + rows[1], rows[1] + rows[0])
parts['xl/worksheets/sheet1.xml'] = sheet.encode('utf-8')
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    for name, body in parts.items():
        z.writestr(name, body)
)PY";

// The sheets of an openpyxl workbook laid out again as indenting writers lay them out:
// rows, cells and values on lines of their own, with every kind of white space between
// rows, between cells and between a cell's elements, and some values with white space
// inside (part of the value's text: a number around which it stands is still that number).
const char* const kIndentSheets = R"PY(
import re, sys, zipfile
path, out = sys.argv[1], sys.argv[2]
gaps = ['\n      ', '', ' ', '\r\n\t', '\n' + ' ' * 21, '\t\t', '\n', '\n        ']
inside = [' {} ', '\n{}\n', '{}\r\n', '\t{}']
count = values = 0
def gap():
    global count
    count += 1
    return gaps[count % len(gaps)]
def cell(match):
    global values
    attributes, inner = match.group(1), match.group(2)
    if inner is None:
        return gap() + match.group(0)
    value = re.fullmatch(r'<v>([^<]*)</v>', inner)
    if value and (' t="' not in attributes or ' t="n"' in attributes):
        values += 1
        if values % 5 == 0:
            inner = '<v>' + inside[values // 5 % len(inside)].format(value.group(1)) + '</v>'
    return gap() + '<c' + attributes + '>' + gap() + inner + gap() + '</c>'
with zipfile.ZipFile(path) as z:
    parts = {name: z.read(name) for name in z.namelist()}
for name in parts:
    if name.startswith('xl/worksheets/sheet'):
        sheet = parts[name].decode('utf-8')
        sheet = re.sub(r'<c\b([^>]*?)(?:/>|>(.*?)</c>)', cell, sheet, flags=re.S)
        sheet = re.sub(r'<row\b', lambda m: gap() + m.group(0), sheet)
        sheet = re.sub(r'</row>', lambda m: gap() + m.group(0), sheet)
        parts[name] = sheet.encode('utf-8')
assert values > 500 and '\n        <v>' in sheet and '<v> ' in sheet
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    for name, body in parts.items():
        z.writestr(name, body)
)PY";

TEST(PresetImport, IndentedSheetsStreamAsTheyLoad)
{
    TempDir dir;
    SheetSpec notes = riversSheet("Notes");
    notes.text(9, 1, "Counted by").text(9, 2, "A. Lab").number(10, 1, 12).text(1, 7, "remark").number(5, 7, 99);
    notes.boolean(2, 4, true).blank(2, 3).number(6, 4, 0);
    SheetSpec tall("Tall");
    tall.text(1, 1, "Sample").text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity (mg/l)");
    for (int s = 0; s < 9; ++s)
        tall.text(1, 3 + s, "T" + std::to_string(s)).number(4, 3 + s, 40 + s);
    for (int t = 0; t < 80; ++t) {
        tall.text(5 + t, 1, "AT" + std::to_string(1000 + t)).text(5 + t, 2, "Taxon " + std::to_string(t));
        for (int s = 0; s < 9; ++s)
            if ((s + t) % 7 != 0)
                tall.number(5 + t, 3 + s, (s * 3 + t) % 5 == 0 ? (t * 10 + s + 1) / 4.0 : (s * t) % 4);
    }
    const std::string compact = import_fixture::writeWorkbook(dir, "compact.xlsx", {riversSheet("Fine"), notes, tall});
    const std::string indented = dir.file("indented.xlsx");
    std::string output;
    ASSERT_EQ(testing_support::runPython(kIndentSheets, testing_support::shellQuote(compact) + " "
                                                             + testing_support::shellQuote(indented) + " 2>&1",
                                         &output),
              0)
        << output;
    compare(indented, {std::nullopt, 5, 3, familyRivers}, 0, true);
    compare(indented, {std::string("Notes"), 5, 3, familyRivers}, 1, true);
    const Outcome tallRead = compare(indented, {std::string("Tall"), 5, 3, familyRivers}, 2, true);
    ASSERT_TRUE(tallRead.samples.has_value());
    const Matrix& counts = *tallRead.samples->counts;
    ASSERT_EQ(counts.nRows(), 9);
    ASSERT_EQ(counts.nCols(), 80);
    for (int t = 0; t < 80; ++t)
        for (int s = 0; s < 9; ++s)
            EXPECT_EQ(counts(s, t), (s + t) % 7 == 0 ? 0.0 : (s * 3 + t) % 5 == 0 ? (t * 10 + s + 1) / 4.0 : (s * t) % 4)
                << s << "," << t;
}

// Each sheet that goes back to the loaded book's import, with the reason the route gives
// (torven-cli assess --verbose prints it).
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
    SheetSpec noCodes("NoCodes");
    noCodes.text(1, 1, "Sample").text(1, 3, "S1").text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity");
    noCodes.text(5, 2, "Achnanthes").number(5, 3, 4);
    const std::string path = import_fixture::writeWorkbook(
        dir, "bad.xlsx", {textCount, badLabel, noNames, empty, riversSheet("Fine"), noCodes});
    auto reason = [&](const PresetChoice& preset, int sheetIndex) {
        return compare(path, preset, sheetIndex, false).route.loadedBecause;
    };
    EXPECT_EQ(reason({std::nullopt, 5, 3, familyRivers}, 0), "the count in row 6, column 4 is not a number");
    EXPECT_EQ(reason({std::string("BadLabel"), 5, 3, familyRivers}, 1), "a header row's label does not fit the metric");
    EXPECT_EQ(reason({std::string("NoNames"), 5, 3, familyRivers}, 2),
              "row 1 holds no sample name at the first data column");
    EXPECT_EQ(reason({std::string("Empty"), 5, 3, familyRivers}, 3), "the sheet has fewer than two rows or columns");
    EXPECT_EQ(reason({std::string("Fine"), 4, 3, familyRivers}, 4),
              "the first data row leaves too few header rows for the metric");
    EXPECT_EQ(reason({std::string("Fine"), 5, 3, familyLakes}, 4),  // row 4 is no lake type
              "a header row's label does not fit the metric");
    EXPECT_EQ(reason({std::string("Fine"), 9, 3, familyRivers}, 4),
              "the sheet has no cell at or below the first data row");
    EXPECT_EQ(reason({std::string("NoCodes"), 5, 3, familyRivers}, 5),
              "column A holds no taxon code at the first data row");

    const std::string fine = import_fixture::writeWorkbook(dir, "fine.xlsx", {riversSheet()});
    const std::string swapped = dir.file("swapped.xlsx");
    std::string output;
    ASSERT_EQ(testing_support::runPython(kSwapRows, testing_support::shellQuote(fine) + " "
                                                        + testing_support::shellQuote(swapped) + " 2>&1",
                                         &output),
              0)
        << output;
    EXPECT_EQ(compare(swapped, {std::nullopt, 5, 3, familyRivers}, 0, false).route.loadedBecause,
              "its cells are not in order");
}

// The first data row guessed from the first rows of a streamed sheet is the one the
// worksheet dialog's rule finds on the loaded sheet (1 where it finds none).
TEST(PresetImport, FirstRowGuessedFromTheStreamAsFromTheLoadedSheet)
{
    TempDir dir;
    SheetSpec early("Early");
    early.text(1, 1, "Sample").number(2, 2, 7).text(3, 2, "Name").text(5, 2, "Achnanthes");
    SheetSpec late("Late");
    late.text(1, 1, "Sample").number(4, 2, 1).text(21, 2, "Below the guessed rows");
    const std::string path = import_fixture::writeXlsxWith(dir, "guess.xlsx", {riversSheet(), early, late},
                                                           import_fixture::XlsxWriter::OpenpyxlWriteOnly);
    wb::Book book(wb::Book::FileFormat::Xlsx);
    ASSERT_TRUE(book.load(path)) << book.errorMessage();
    for (int i = 0; i < book.sheetCount(); ++i) {
        const std::string name = book.getSheet(i)->name();
        EXPECT_EQ(GuessPresetFirstDataRow(path, name), worksheet::GuessFirstDataRow(*book.getSheet(i)).value_or(1))
            << name;
    }
    EXPECT_EQ(GuessPresetFirstDataRow(path, std::nullopt), 5);
    EXPECT_EQ(GuessPresetFirstDataRow(path, std::string("Early")), 3);
    EXPECT_EQ(GuessPresetFirstDataRow(path, std::string("Late")), 1);
    EXPECT_EQ(GuessPresetFirstDataRow(path, std::string("Missing")), std::nullopt);
    EXPECT_EQ(GuessPresetFirstDataRow(import_fixture::writeWorkbook(dir, "guess.xls", {riversSheet()}), std::nullopt),
              std::nullopt);
}

TEST(PresetImport, TextsTooLongSayTheSame)
{
    // The streamed import leaves a text too long for the results to the loaded book's
    // import, which names its cell; a sheet whose name is too long is named by its place.
    TempDir dir;
    SheetSpec name = riversSheet("Name");
    name.text(1, 4, std::string(40000, 'n'));
    SheetSpec taxon = riversSheet("Taxon");
    taxon.text(6, 2, std::string(1001, 't'));
    const std::string path = import_fixture::writeWorkbook(dir, "long.xlsx", {name, taxon});
    compare(path, {std::nullopt, 5, 3, familyRivers}, 0, false);
    compare(path, {std::string("Taxon"), 5, 3, familyRivers}, 1, false);
    EXPECT_EQ(streamed(path, {std::nullopt, 5, 3, familyRivers}, 0).messages,
              std::vector<std::string>{"Error: text longer than 1000 characters in row 1, col 4"});

    SheetSpec longName(std::string(1001, 's'));
    longName.text(1, 1, "Sample");
    const std::string named = import_fixture::writeWorkbook(dir, "named.xlsx", {longName});
    EXPECT_EQ(streamed(named, {std::nullopt, 5, 3, familyRivers}, 0).messages,
              std::vector<std::string>{"Error: the name of sheet 1 is longer than 1000 characters"});
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
    EXPECT_EQ(compare(path, {std::nullopt, 5, 3, familyRivers}, 0, false).route.loadedBecause,
              "an .xls workbook is always read whole");
}

}  // namespace
