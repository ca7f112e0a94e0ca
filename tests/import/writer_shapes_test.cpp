// Workbooks as the programs that users' files come from write them (openpyxl in both of
// its modes, R's openxlsx, LibreOffice and gnumeric re-saves), each imported by the preset
// import and by the import of the loaded book: the same samples, counts, summary and
// messages, and every sheet that imports is streamed, however the program states the
// sheet's extent (openpyxl's write-only mode states none, openxlsx states "A1").
//
// A writer that is not installed is skipped. LibreOffice starts slowly: it converts one
// small workbook, and these tests do not run beside another soffice (RESOURCE_LOCK).

#include <gtest/gtest.h>

#include "tests/import/import_fixture.h"
#include "tests/import/preset_compare.h"
#include "tests/support/temp_dir.h"

namespace {

using import_fixture::riversSheet;
using import_fixture::SheetSpec;
using import_fixture::XlsxWriter;
using preset_compare::compare;
using preset_compare::Outcome;

// The sheets every writer writes. `errors`: error cells among the header values (openxlsx
// writes none).
std::vector<SheetSpec> shapes(bool errors)
{
    // Notes below the list and right of the samples; booleans and blanks among the header
    // values; zeros written as cells, as pandas writes them.
    SheetSpec notes = riversSheet("Notes");
    notes.text(9, 1, "Counted by").text(9, 2, "A. Lab").number(10, 1, 12).text(1, 7, "remark").number(5, 7, 99);
    notes.boolean(2, 4, true).blank(2, 3).number(6, 4, 0);
    if (errors)
        notes.error(3, 4);
    // More taxa (100) than the import's first room for taxa when the file states no
    // extent, and than a tile of the count matrix; a gap in the counts; numeric codes.
    SheetSpec tall("Tall");
    tall.text(1, 1, "Sample").text(2, 1, "Site").text(3, 1, "Date").text(4, 1, "Alkalinity (mg/l)");
    for (int s = 0; s < 9; ++s)
        tall.text(1, 3 + s, "T" + std::to_string(s)).text(2, 3 + s, "SITE" + std::to_string(s / 3))
            .number(3, 3 + s, 44927 + 7 * s).number(4, 3 + s, 20.5 + s);
    for (int t = 0; t < 100; ++t) {
        if (t % 10 == 3)
            tall.number(5 + t, 1, 1000 + t);
        else
            tall.text(5 + t, 1, "AT" + std::to_string(1000 + t));
        tall.text(5 + t, 2, "Taxon " + std::to_string(t));
        for (int s = 0; s < 9; ++s)
            if ((s + t) % 5 != 0)
                tall.number(5 + t, 3 + s, (s * 7 + t) % 4 == 0 ? (t * 10 + s + 1) / 4.0 : 0);
    }
    // A DAM layout: six header rows.
    SheetSpec dam("Dam");
    dam.text(1, 1, "Sample").text(1, 3, "D1").text(1, 4, "D2");
    dam.text(2, 1, "Site").text(2, 3, "L1").text(2, 4, "L1");
    dam.text(3, 1, "Date").number(3, 3, 40321).number(3, 4, 40330);
    dam.text(4, 1, "Type").text(4, 3, "LA").text(4, 4, "LA");
    dam.text(5, 1, "Calcium (ueq/l)").number(5, 3, 120).number(5, 4, 99.5);
    dam.text(6, 1, "DOC (mg/l)").number(6, 3, 2.25).number(6, 4, 3);
    dam.text(7, 1, "NBN0001").number(7, 3, 12).number(7, 4, 3);
    dam.text(8, 1, "NBN0002").number(8, 3, 7);
    // A text among the counts: the one sheet that goes back to the loaded book.
    SheetSpec textCount = riversSheet("TextCount");
    textCount.text(6, 4, "n/a");
    return {riversSheet("Fine"), notes, tall, dam, textCount};
}

void expectEveryShapeAsLoaded(XlsxWriter writer)
{
    testing_support::TempDir dir;
    const std::string path = import_fixture::writeXlsxWith(dir, "shapes.xlsx", shapes(writer != XlsxWriter::Openxlsx),
                                                           writer);
    if (path.empty())
        GTEST_SKIP() << import_fixture::WriterName(writer) << " is not installed";
    SCOPED_TRACE(import_fixture::WriterName(writer));
    compare(path, {std::nullopt, 5, 3, familyRivers}, 0, true);
    compare(path, {std::string("Notes"), 5, 3, familyRivers}, 1, true);
    compare(path, {std::string("Notes"), 5, 4, familyRivers}, 1, true);
    const Outcome tall = compare(path, {std::string("Tall"), 5, 3, familyRivers}, 2, true);
    if (tall.samples) {
        // The counts as written, worked out from the rule above.
        const Matrix& counts = *tall.samples->counts;
        ASSERT_EQ(counts.nRows(), 9);
        ASSERT_EQ(counts.nCols(), 100);
        for (int t = 0; t < 100; ++t)
            for (int s = 0; s < 9; ++s)
                EXPECT_EQ(counts(s, t), (s + t) % 5 != 0 && (s * 7 + t) % 4 == 0 ? (t * 10 + s + 1) / 4.0 : 0.0)
                    << s << "," << t;
    }
    compare(path, {std::string("Dam"), 7, 3, familyDam}, 3, true);
    EXPECT_EQ(compare(path, {std::string("TextCount"), 5, 3, familyRivers}, 4, false).route.loadedBecause,
              "the count in row 6, column 4 is not a number");
}

TEST(WriterShapes, OpenpyxlNormalMode) { expectEveryShapeAsLoaded(XlsxWriter::Openpyxl); }
TEST(WriterShapes, OpenpyxlWriteOnlyMode) { expectEveryShapeAsLoaded(XlsxWriter::OpenpyxlWriteOnly); }
TEST(WriterShapes, RsOpenxlsx) { expectEveryShapeAsLoaded(XlsxWriter::Openxlsx); }
TEST(WriterShapes, GnumericResave) { expectEveryShapeAsLoaded(XlsxWriter::Gnumeric); }
TEST(WriterShapes, LibreOfficeResave) { expectEveryShapeAsLoaded(XlsxWriter::LibreOffice); }

}  // namespace
