// The .xlsx reader on files from an independent writer (openpyxl, run at test time)
// and on packages built here for what openpyxl does not write.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/workbook/xlsx/fixtures.h"
#include "workbook/book.h"

using testing_support::TempDir;
using wb::CellType;
using xlsx_fixtures::package;
using xlsx_fixtures::sheetXml;
using xlsx_fixtures::writeZip;

namespace {

std::unique_ptr<wb::Book> loaded(const std::string& path)
{
    auto book = wb::xlCreateXMLBook();
    EXPECT_TRUE(book->load(path)) << book->errorMessage();
    return book;
}

std::string textAt(const wb::Sheet& sheet, int row, int col)
{
    return sheet.readStr(row, col).value_or("<no text>");
}

}  // namespace

TEST(XlsxReaderOpenpyxl, KindsValuesSheetsAndSparseCells)
{
    TempDir dir;
    std::string path = dir.file("kinds.xlsx");
    xlsx_fixtures::runOpenpyxl(R"(
import sys, datetime
from openpyxl import Workbook
from openpyxl.styles import Font
wb = Workbook()
ws = wb.active
ws.title = "Counts"
ws["A1"] = 42
ws["B1"] = -3.25
ws["C1"] = 1.5e-7
ws["D1"] = 123456789012
ws["A2"] = "Achnanthidium minutissimum"
ws["B2"] = "Größe µg/l – Ærø 日本"
ws["C2"] = "Achnanthidium minutissimum"
ws["A3"] = True
ws["B3"] = False
ws["A4"] = "#DIV/0!"
ws["B4"] = "#N/A"
ws["B5"].font = Font(bold=True)
ws["A6"] = datetime.date(2010, 5, 15)
ws["B6"] = datetime.datetime(2010, 5, 15, 18, 0)
sparse = wb.create_sheet("Sparse")
sparse["C7"] = 1
sparse["AB1000"] = "far"
wb.create_sheet("Leer")
wb.save(sys.argv[1])
)",
                               path);
    auto book = loaded(path);
    ASSERT_EQ(book->sheetCount(), 3);
    EXPECT_EQ(book->getSheet(0)->name(), "Counts");
    EXPECT_EQ(book->getSheet(1)->name(), "Sparse");
    EXPECT_EQ(book->getSheet(2)->name(), "Leer");

    const wb::Sheet& s = *book->getSheet(0);
    EXPECT_EQ(s.lastRow(), 6);
    EXPECT_EQ(s.lastCol(), 4);
    EXPECT_EQ(s.cellType(0, 0), CellType::Number);
    EXPECT_EQ(s.readNum(0, 0), 42.0);
    EXPECT_EQ(s.readNum(0, 1), -3.25);
    EXPECT_EQ(s.readNum(0, 2), 1.5e-7);
    EXPECT_EQ(s.readNum(0, 3), 123456789012.0);
    EXPECT_EQ(s.cellType(1, 0), CellType::Text);
    EXPECT_EQ(textAt(s, 1, 0), "Achnanthidium minutissimum");
    EXPECT_EQ(textAt(s, 1, 1), "Größe µg/l – Ærø 日本");
    EXPECT_EQ(textAt(s, 1, 2), "Achnanthidium minutissimum");
    EXPECT_EQ(s.cellType(2, 0), CellType::Boolean);
    EXPECT_TRUE(s.readBool(2, 0));
    EXPECT_EQ(s.cellType(2, 1), CellType::Boolean);
    EXPECT_FALSE(s.readBool(2, 1));
    EXPECT_EQ(s.cellType(3, 0), CellType::Error);
    EXPECT_EQ(s.cellType(3, 1), CellType::Error);
    EXPECT_EQ(s.data().find(3, 0)->number, 0x07);  // #DIV/0!
    EXPECT_EQ(s.data().find(3, 1)->number, 0x2A);  // #N/A
    EXPECT_EQ(s.cellType(4, 1), CellType::Blank);
    EXPECT_EQ(s.cellType(4, 0), CellType::Empty);
    // 2010-01-01 is serial 40179 (a published anchor); + 31 + 28 + 31 + 30 days to 1 May,
    // + 14 to the 15th = 40313; 18:00 is 0.75 of a day.
    EXPECT_EQ(s.cellType(5, 0), CellType::Number);
    EXPECT_EQ(s.readNum(5, 0), 40313.0);
    EXPECT_EQ(s.readNum(5, 1), 40313.75);
    // Wrong kinds read as nothing.
    EXPECT_FALSE(s.readStr(0, 0).has_value());
    EXPECT_EQ(s.readNum(1, 0), 0.0);
    EXPECT_EQ(s.cellType(100, 100), CellType::Empty);

    const wb::Sheet& sparse = *book->getSheet(1);
    EXPECT_EQ(sparse.lastRow(), 1000);
    EXPECT_EQ(sparse.lastCol(), 28);  // AB is column 28
    EXPECT_EQ(sparse.readNum(6, 2), 1.0);
    EXPECT_EQ(textAt(sparse, 999, 27), "far");
    EXPECT_EQ(sparse.data().cellCount(), 2u);

    EXPECT_EQ(book->getSheet(2)->lastRow(), 0);
    EXPECT_EQ(book->getSheet(2)->lastCol(), 0);
}

TEST(XlsxReaderOpenpyxl, IsoDatesAndSixtyThousandCells)
{
    TempDir dir;
    std::string path = dir.file("big.xlsx");
    xlsx_fixtures::runOpenpyxl(R"(
import sys, datetime
from openpyxl import Workbook
wb = Workbook(iso_dates=True)
ws = wb.active
ws.title = "Big"
for r in range(6000):
    ws.append([r * 10 + c + 0.5 for c in range(9)] + ["t%d" % r])
dates = wb.create_sheet("Dates")
dates["A1"] = datetime.date(1900, 2, 28)
dates["A2"] = datetime.date(1900, 3, 1)
dates["A3"] = datetime.datetime(2010, 5, 15, 6, 0)
wb.save(sys.argv[1])
)",
                               path);
    auto book = loaded(path);
    ASSERT_EQ(book->sheetCount(), 2);
    const wb::Sheet& big = *book->getSheet(0);
    EXPECT_EQ(big.data().cellCount(), 60000u);
    EXPECT_EQ(big.lastRow(), 6000);
    EXPECT_EQ(big.lastCol(), 10);
    EXPECT_EQ(big.readNum(0, 0), 0.5);
    EXPECT_EQ(big.readNum(4321, 7), 43217.5);
    EXPECT_EQ(big.readNum(5999, 8), 59998.5);
    EXPECT_EQ(textAt(big, 5999, 9), "t5999");

    // openpyxl writes these as t="d" ISO texts. The 1900 system counts a 29 Feb 1900:
    // 28 Feb is day 59 and 1 Mar day 61; 2010-05-15 is 40313 (see above), 06:00 a quarter.
    const wb::Sheet& dates = *book->getSheet(1);
    EXPECT_EQ(dates.cellType(0, 0), CellType::Number);
    EXPECT_EQ(dates.readNum(0, 0), 59.0);
    EXPECT_EQ(dates.readNum(1, 0), 61.0);
    EXPECT_EQ(dates.readNum(2, 0), 40313.25);
}

// A 1904-system workbook: number cells keep the file's serials (38538 is 6 July 2009
// there, 40000 - 1462) and an ISO date text becomes a serial of the same system.
TEST(XlsxReaderBuilt, Date1904WorkbookKeepsItsOwnSerials)
{
    TempDir dir;
    std::vector<xlsx_fixtures::Part> parts = package({{"Mac", sheetXml("<row r=\"1\"><c r=\"A1\"><v>38538</v></c>"
                                                        "<c r=\"B1\" t=\"d\"><v>2009-07-06</v></c></row>")}});
    for (xlsx_fixtures::Part& part : parts)
        if (part.name == "xl/workbook.xml")
            part.bytes.replace(part.bytes.find("<sheets>"), 8, "<workbookPr date1904=\"true\"/><sheets>");
    std::string path = dir.file("mac.xlsx");
    writeZip(path, parts);
    auto book = loaded(path);
    const wb::Sheet& s = *book->getSheet(0);
    EXPECT_TRUE(s.isDate1904());
    EXPECT_EQ(s.readNum(0, 0), 38538.0);
    EXPECT_EQ(s.readNum(0, 1), 38538.0);

    std::string plainPath = dir.file("pc.xlsx");
    writeZip(plainPath, package({{"PC", sheetXml("<row r=\"1\"><c r=\"B1\" t=\"d\"><v>2009-07-06</v></c></row>")}}));
    auto plain = loaded(plainPath);
    EXPECT_FALSE(plain->getSheet(0)->isDate1904());
    EXPECT_EQ(plain->getSheet(0)->readNum(0, 1), 40000.0);
}

TEST(XlsxReaderBuilt, FormulaResultsTypedValuesAndEscapes)
{
    TempDir dir;
    std::string sst =
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"999999999\">"
        "<si><r><t>Nitz</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">schia </t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>ニッチ</t></rPh><phoneticPr fontId=\"1\"/></si>"
        "<si><t>a_x000D_b_x005F_x0041_c_xD83D__xDE00_d_xD800_e</t></si>"
        "</sst>";
    std::string body =
        "<row r=\"1\">"
        "<c r=\"A1\"><f>1+1</f><v>2</v></c>"
        "<c r=\"B1\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
        "<c r=\"C1\" t=\"b\"><f>TRUE()</f><v>1</v></c>"
        "<c r=\"D1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
        "<c r=\"E1\" s=\"3\"><f>A1</f></c>"
        "<c r=\"F1\" t=\"d\"><v>2010-05-15T12:00:00</v></c>"
        "<c r=\"G1\" t=\"n\"><v>-1.25E+3</v></c>"
        "<c r=\"H1\" t=\"str\"><f>\"\"</f><v></v></c>"
        "</row>"
        "<row r=\"2\">"
        "<c r=\"A2\" t=\"s\"><v>0</v></c>"
        "<c r=\"B2\" t=\"s\"><v>1</v></c>"
        "<c r=\"C2\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r><rPh><t>X</t></rPh></is></c>"
        "<c r=\"D2\" t=\"inlineStr\"><is><t>x_x0009_y</t></is></c>"
        "<c r=\"E2\" s=\"1\"/>"
        "<c r=\"F2\"/>"
        "</row>";
    std::string path = dir.file("built.xlsx");
    writeZip(path, package({{"Formeln", sheetXml(body)}}, sst));
    auto book = loaded(path);
    const wb::Sheet& s = *book->getSheet(0);
    EXPECT_EQ(s.cellType(0, 0), CellType::Number);
    EXPECT_EQ(s.readNum(0, 0), 2.0);
    EXPECT_EQ(s.cellType(0, 1), CellType::Text);
    EXPECT_EQ(textAt(s, 0, 1), "ab");
    EXPECT_EQ(s.cellType(0, 2), CellType::Boolean);
    EXPECT_TRUE(s.readBool(0, 2));
    EXPECT_EQ(s.cellType(0, 3), CellType::Error);
    EXPECT_EQ(s.cellType(0, 4), CellType::Empty);  // nothing cached, styled or not
    EXPECT_EQ(s.readNum(0, 5), 40313.5);
    EXPECT_EQ(s.readNum(0, 6), -1250.0);
    EXPECT_EQ(s.cellType(0, 7), CellType::Text);  // a formula's empty text result
    EXPECT_EQ(textAt(s, 0, 7), "");

    EXPECT_EQ(textAt(s, 1, 0), "Nitzschia ");
    // _x000D_ is CR; _x005F_ a literal '_' (so "_x0041_" stays text); a surrogate pair
    // joins to U+1F600; an unpaired surrogate becomes U+FFFD.
    EXPECT_EQ(textAt(s, 1, 1), "a\rb_x0041_c\xF0\x9F\x98\x80" "d\xEF\xBF\xBD" "e");
    EXPECT_EQ(textAt(s, 1, 2), "inline");
    EXPECT_EQ(textAt(s, 1, 3), "x\ty");
    EXPECT_EQ(s.cellType(1, 4), CellType::Blank);
    EXPECT_EQ(s.cellType(1, 5), CellType::Empty);
    EXPECT_EQ(s.lastRow(), 2);
    EXPECT_EQ(s.lastCol(), 8);
}

TEST(XlsxReaderBuilt, MissingReferencesOrderAndDimension)
{
    TempDir dir;
    // Rows and cells without r follow the one before; a wrong <dimension> is ignored;
    // cells out of column order are sorted.
    std::string sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<dimension ref=\"A1:Z500\"/><sheetData>"
        "<row><c><v>1</v></c><c><v>2</v></c></row>"
        "<row><c r=\"C2\"><v>3</v></c><c><v>4</v></c></row>"
        "<row r=\"5\"><c><v>5</v></c></row>"
        "<row><c r=\"D6\"><v>8</v></c><c r=\"B6\"><v>6</v></c></row>"
        "</sheetData></worksheet>";
    std::string path = dir.file("norefs.xlsx");
    writeZip(path, package({{"S", sheet}}));
    auto book = loaded(path);
    const wb::Sheet& s = *book->getSheet(0);
    EXPECT_EQ(s.readNum(0, 0), 1.0);
    EXPECT_EQ(s.readNum(0, 1), 2.0);
    EXPECT_EQ(s.readNum(1, 2), 3.0);
    EXPECT_EQ(s.readNum(1, 3), 4.0);
    EXPECT_EQ(s.readNum(4, 0), 5.0);
    EXPECT_EQ(s.readNum(5, 1), 6.0);
    EXPECT_EQ(s.readNum(5, 3), 8.0);
    EXPECT_EQ(s.data().cellCount(), 7u);
    EXPECT_EQ(s.lastRow(), 6);
    EXPECT_EQ(s.lastCol(), 4);
}

TEST(XlsxReaderBuilt, PrefixedStrictPackageWithAbsoluteAndEscapedTargets)
{
    TempDir dir;
    const std::string strictMain = "http://purl.oclc.org/ooxml/spreadsheetml/main";
    const std::string strictRel = "http://purl.oclc.org/ooxml/officeDocument/relationships";
    const std::string pkgRel = "http://schemas.openxmlformats.org/package/2006/relationships";
    std::vector<xlsx_fixtures::Part> parts = {
        {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"_rels/.rels", "<pr:Relationships xmlns:pr=\"" + pkgRel + "\"><pr:Relationship Id=\"r1\" Type=\"" + strictRel
                            + "/officeDocument\" Target=\"/book/main.xml\"/></pr:Relationships>"},
        {"book/main.xml", "<x:workbook xmlns:x=\"" + strictMain + "\" xmlns:rel=\"" + strictRel
                              + "\"><x:sheets><x:sheet name=\"Zweite\" sheetId=\"2\" rel:id=\"b\"/>"
                                "<x:sheet name=\"Erste\" sheetId=\"1\" rel:id=\"a\"/></x:sheets></x:workbook>"},
        {"book/_rels/main.xml.rels",
         "<Relationships xmlns=\"" + pkgRel + "\">"
             "<Relationship Id=\"a\" Type=\"" + strictRel + "/worksheet\" Target=\"/book/sheets/one.xml\"/>"
             "<Relationship Id=\"b\" Type=\"" + strictRel + "/worksheet\" Target=\"sheets/../sheets/two%20b.xml\"/>"
             "<Relationship Id=\"s\" Type=\"" + strictRel + "/sharedStrings\" Target=\"Strings.XML\"/>"
             "</Relationships>"},
        {"book/strings.xml", "<x:sst xmlns:x=\"" + strictMain + "\"><x:si><x:t>first</x:t></x:si>"
                                 "<x:si><x:r><x:t>sec</x:t></x:r><x:r><x:t>ond</x:t></x:r></x:si></x:sst>"},
        {"book/sheets/one.xml", "<x:worksheet xmlns:x=\"" + strictMain + "\"><x:sheetData><x:row r=\"1\">"
                                    "<x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c><x:c r=\"B1\"><x:v>1.5</x:v></x:c>"
                                    "</x:row></x:sheetData></x:worksheet>"},
        {"book/sheets/two b.xml", "<x:worksheet xmlns:x=\"" + strictMain + "\"><x:sheetData><x:row r=\"3\">"
                                      "<x:c r=\"C3\" t=\"s\"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>"},
    };
    std::string path = dir.file("strict.xlsx");
    writeZip(path, parts);
    auto book = loaded(path);
    ASSERT_EQ(book->sheetCount(), 2);
    // Workbook order, not part order.
    EXPECT_EQ(book->getSheet(0)->name(), "Zweite");
    EXPECT_EQ(book->getSheet(1)->name(), "Erste");
    EXPECT_EQ(textAt(*book->getSheet(0), 2, 2), "second");
    EXPECT_EQ(textAt(*book->getSheet(1), 0, 0), "first");
    EXPECT_EQ(book->getSheet(1)->readNum(0, 1), 1.5);
}
