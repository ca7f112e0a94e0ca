// Worksheet cells are read two ways: plain ones whole by the scanner, the rest through
// element events. A part declared in another encoding goes through expat's events
// instead, so the same ASCII sheet declared UTF-8 and declared ISO-8859-1 must give the
// same cells, and must be refused alike, whatever the mix of cells and wherever the
// inflated chunks end.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/workbook/xlsx/fixtures.h"
#include "workbook/book.h"
#include "workbook/cells/cell_names.h"

using testing_support::TempDir;
using xlsx_fixtures::package;
using xlsx_fixtures::sheetXml;
using xlsx_fixtures::writeZip;

namespace {

const char kSharedStrings[] =
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>Achnanthes</t></si>"
    "<si><t>Navicula</t></si></sst>";

// (row, col) -> kind, number bits, text.
using Cells = std::map<std::pair<int, int>, std::tuple<int, std::uint64_t, std::string>>;

struct Read {
    bool ok = false;
    std::string error;
    Cells cells;
};

Read readBody(const TempDir& dir, const std::string& body, bool latin1, bool deflate)
{
    std::string xml = sheetXml(body);
    if (latin1)
        xml.replace(xml.find("encoding=\"UTF-8\""), 16, "encoding=\"ISO-8859-1\"");
    const std::string path = dir.file(std::string(latin1 ? "latin1" : "utf8") + (deflate ? "-z" : "") + ".xlsx");
    writeZip(path, package({{"S", xml}}, kSharedStrings), deflate);
    Read read;
    auto book = wb::xlCreateXMLBook();
    read.ok = book->load(path);
    read.error = book->errorMessage();
    if (!read.ok)
        return read;
    const wb::SheetData& sheet = book->getSheet(0)->data();
    const auto rows = sheet.rows();
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (const wb::Cell& cell : rows[r])
            read.cells[{static_cast<int>(r), cell.col}] = {static_cast<int>(cell.type),
                                                          std::bit_cast<std::uint64_t>(cell.number),
                                                          cell.type == wb::CellType::Text ? sheet.textOf(cell) : ""};
    return read;
}

void ExpectBothWaysAlike(const std::string& body, bool wantOk)
{
    TempDir dir;
    for (bool deflate : {false, true}) {
        const Read scanned = readBody(dir, body, false, deflate);
        const Read parsed = readBody(dir, body, true, deflate);
        EXPECT_EQ(scanned.ok, wantOk) << scanned.error << "\n" << body.substr(0, 300);
        EXPECT_EQ(parsed.ok, wantOk) << parsed.error << "\n" << body.substr(0, 300);
        if (scanned.ok && parsed.ok) {
            EXPECT_EQ(scanned.cells.size(), parsed.cells.size());
            EXPECT_TRUE(scanned.cells == parsed.cells) << body.substr(0, 300);
        }
    }
}

// A body whose one damage is a stray "</x>": refused, stored and deflated, with the line
// the "</x>" stands on in the sheet part.
void ExpectDamageToldAtItsLine(const std::string& damaged)
{
    const std::string xml = sheetXml(damaged);
    const std::size_t at = xml.find("</x>");
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(xml.begin(), xml.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    TempDir dir;
    for (bool deflate : {false, true}) {
        const Read read = readBody(dir, damaged, false, deflate);
        ASSERT_FALSE(read.ok);
        EXPECT_NE(read.error.find("at line " + std::to_string(line) + ")"), std::string::npos) << read.error;
    }
}

// Cells of every form a sheet holds, plain and not; each is kept.
const std::vector<std::string> kKeptCells = {
    "<c r=\"$A\"><v>12</v></c>",
    "<c r=\"$A\" t=\"s\"><v>1</v></c>",
    "<c r=\"$A\" s=\"3\"/>",
    "<c r=\"$A\" s=\"1\"></c>",
    "<c r=\"$A\"/>",
    "<c r=\"$A\" t=\"b\"><v>1</v></c>",
    "<c r=\"$A\" t=\"e\"><v>#DIV/0!</v></c>",
    "<c r=\"$A\" t=\"str\"><f>A1&amp;B1</f><v>x&lt;y</v></c>",
    "<c r=\"$A\"><f t=\"shared\" ref=\"A1:A9\" si=\"0\"/><v>3.5</v></c>",
    "<c r=\"$A\"><f>SUM(A1:B1)</f></c>",
    "<c r='$A' t='n'><v>-1.5E-3</v></c>",
    "<c r=\"$A\">\n  <v>7</v>\n</c>",
    "<c r=\"$A\"\n t=\"s\"><v>0</v></c>",
    "<c r=\"$A\" t=\"inlineStr\"><is><t>in line</t></is></c>",
    "<c r=\"$A\" t=\"d\"><v>2010-05-15</v></c>",
    "<c r=\"$A\"><v>1&#46;5</v></c>",
    "<c r=\"$A\" foo=\"a&gt;b\" s=\"2\"><v>1</v></c>",
    "<c r=\"$A\"  t=\"s\" ><v> 1 </v></c>",
    "<c r=\"$A\"><v></v></c>",
    "<c r=\"$A\" s=\"2\"><v></v></c>",
    "<c r=\"$A\"><v>9007199254740993</v></c>",
    "<c r=\"$A\"><v>000123</v></c>",
    "<c r=\"$A\"><v>+4</v></c>",
    "<c r=\"$A\"><v>123456789012345</v></c>",
    "<c r=\"$A\"><v>0.1</v></c>",
    "<c r=\"$A\"><v>1</v><v>2</v></c>",
    "<c r=\"$A\" t=\"str\"><v>a\"b'c></v></c>",
    "<c r=\"$A\"><!-- note --><v>5</v></c>",
    "<c r=\"$A\" r2=\"x\" a=\"1\" b=\"2\" d=\"3\" e=\"4\" g=\"5\" h=\"6\" i=\"7\"><v>8</v></c>",
    // r, s and t in every order, and shapes just beside the usual one.
    "<c s=\"2\" t=\"s\" r=\"$A\"><v>1</v></c>",
    "<c t=\"s\" r=\"$A\"><v>0</v></c>",
    "<c t=\"n\" s=\"1\" r=\"$A\"/>",
    "<c s=\"1\" r=\"$A\" t=\"b\"><v>0</v></c>",
    "<c r=\"$A\" t='s' s=\"4\"><v>1</v></c>",
    "<c\tr=\"$A\"><v>2</v></c>",
    "<c r=\"$A\" s=\"\"><v>3</v></c>",
    "<c r=\"$A\" t=\"s\" s=\"1\" x=\"y\"><v>1</v></c>",
    "<c r=\"$A\" rr=\"1\" ts=\"2\"><v>4</v></c>",
    "<c r=\"$A\" s=\"1\" />",
    // The forms read straight from the bytes in a run, and forms just beside them.
    "<c r=\"$A\" t=\"n\"><v>0</v></c>",
    "<c r=\"$A\" s=\"12\" t=\"n\"><v>3</v></c>",
    "<c r=\"$A\" t=\"n\" s=\"7\"><v>41</v></c>",
    "<c r=\"$A\" t=\"s\" s=\"\"><v>1</v></c>",
    "<c r=\"$A\" s=\"1a\"><v>2</v></c>",
    "<c r=\"$A\" t=\"n\"><v>1234567890123456</v></c>",
    "<c r=\"$A\" t=\"n\"><v>12</v></c >",
    "<c r=\"$A\" t=\"n\" ><v>5</v></c>",
    // White space between a cell's elements, as indenting writers put it, and inside its
    // value, where it is part of the text.
    "<c r=\"$A\">\n        <v>3</v>\n      </c>",
    "<c r=\"$A\" t=\"n\">\r\n\t\t<v>4</v>\r\n\t</c>",
    "<c r=\"$A\" s=\"2\" t=\"s\">                   <v>1</v>                 </c>",
    "<c r=\"$A\"><v>6</v>\n</c>",
    "<c r=\"$A\">\n<v>7</v></c>",
    "<c r=\"$A\">\n  <v> 3 </v>\n</c>",
    "<c r=\"$A\">\n  <v>\n3</v>\n</c>",
    "<c r=\"$A\">\n  <v>3\r\n</v>\n</c>",
    "<c r=\"$A\" t=\"s\">\n  <v>\t1</v>\n</c>",
    "<c r=\"$A\">\n  <v>8</v>\n</c >",
    "<c r=\"$A\">\n  <v>10</v>\n<!-- after --></c>",
    "<c r=\"$A\">\n  <v>11</v> x </c>",
    // Number texts other than whole numbers of up to 15 digits, short and long.
    "<c r=\"$A\"><v>-0</v></c>",
    "<c r=\"$A\"><v>.5</v></c>",
    "<c r=\"$A\" t=\"n\"><v>5.</v></c>",
    "<c r=\"$A\" s=\"1\"><v>1e5</v></c>",
    "<c r=\"$A\"><v>2.2250738585072014E-308</v></c>",
    "<c r=\"$A\"><v>4.9e-324</v></c>",
    "<c r=\"$A\"><v>0." + std::string(60, '0') + "1</v></c>",
    "<c r=\"$A\"><v>0." + std::string(61, '0') + "1</v></c>",
    "<c r=\"$A\"><v>1." + std::string(70, '5') + "</v></c>",
    "<c r=\"$A\"><v>\t12 </v></c>",
    "<c r=\"$A\" t=\"s\"><v> 1</v></c>",
    "<c r=\"$A\">\n  <v>  7.25  </v>\n</c>",
    // A prefixed attribute counts by its local name, as the element events read it.
    "<c r=\"$A\" xmlns:x=\"urn:x\" x:t=\"s\"><v>1</v></c>",
    "<c xmlns:x=\"urn:x\" x:r=\"$A\" s=\"1\"><v>6</v></c>",
};

std::string At(std::string cell, int row, int col)
{
    const std::string ref = wb::CellName(row, col);
    for (std::size_t at; (at = cell.find("$A")) != std::string::npos;)
        cell.replace(at, 2, ref);
    return cell;
}

}  // namespace

TEST(PlainCells, EveryFormOfCellReadsAsTheEventsReadIt)
{
    std::string body = "<row r=\"1\">";
    for (std::size_t i = 0; i < kKeptCells.size(); ++i)
        body += At(kKeptCells[i], 0, static_cast<int>(i));
    body += "</row><row r=\"2\">";
    // Without r attributes the cells follow one another.
    body += "<c><v>5</v></c><c t=\"s\"><v>0</v></c><c s=\"1\"/><c r=\"F2\"><v>6</v></c><c><v>7</v></c></row>";
    // An upper-case R is another attribute: the cell follows the one before.
    body += "<row r=\"3\"><c r=\"B3\"><v>1</v></c><c R=\"A3\"><v>2</v></c></row>";
    ExpectBothWaysAlike(body, true);
}

// Cells are read whole only as children of an unprefixed row; around other elements, in
// a row closed and opened again, and in a prefixed row they go through the events.
TEST(PlainCells, CellsBesideOtherElementsOfARow)
{
    ExpectBothWaysAlike("<row r=\"1\"><c r=\"A1\"><v>1</v></c><ext/><c r=\"B1\"><v>2</v></c>"
                        "<ext><c r=\"C1\"><v>3</v></c></ext><c r=\"D1\" t=\"s\"><v>1</v></c></row>"
                        "<row r=\"2\"/><row r=\"3\"><c r=\"A3\"><v>4</v></c></row>"
                        "<x:row r=\"4\"><c r=\"A4\"><v>5</v></c><x:c r=\"B4\"><x:v>6</x:v></x:c></x:row>"
                        "<rows><c r=\"A5\"><v>7</v></c></rows><row r=\"6\"><c r=\"A6\"><v>8</v></c></row>",
                        true);
}

// Usual cells after a gap in the row, with references written in every way a reader
// takes, going back, or naming another row: each where the events put it, or refused alike.
TEST(PlainCells, UsualCellsAfterGaps)
{
    auto usual = [](const std::string& ref, int value) {
        return "<c r=\"" + ref + "\"><v>" + std::to_string(value) + "</v></c>";
    };
    std::string body = "<row r=\"1\">";
    int value = 0;
    for (const char* ref : {"A1", "C1", "D1", "$F$1", "g1", "H01", "I1", "AA1", "ab1", "$AC1", "AD$1", "XFC1", "XFD1"})
        body += usual(ref, ++value);
    body += "</row><row r=\"2\">" + usual("B2", 1) + usual("A2", 2) + usual("D2", 3) + "</row>";
    body += "<row r=\"3\">" + usual("A3", 1) + usual("C3", 2) + usual("F5", 3) + usual("G5", 4) + usual("I5", 5) + "</row>";
    body += "<row r=\"6\">" + usual("A6", 1) + usual("C6", 2) + usual("B9", 3) + usual("C9", 4) + "</row>";
    body += "<row r=\"7\">" + usual("A7", 1) + usual("C0000000000000007", 2) + usual("E7", 3) + usual("G7", 4) + "</row>";
    body += "<row r=\"8\">\n  " + usual("B8", 1) + "\n  " + usual("D8", 2) + "\n  " + usual("E8", 3) + "\n</row>";
    ExpectBothWaysAlike(body, true);

    for (const char* refused : {"<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C1\"><v>1</v></c><c r=\"C1\"><v>2</v></c></row>",
                                "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C0\"><v>1</v></c></row>",
                                "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"XFE1\"><v>1</v></c></row>",
                                "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C1D\"><v>1</v></c></row>",
                                "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C1 \"><v>1</v></c></row>",
                                "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C&#49;\"><v>1</v></c><c r=\"C1\"><v>1</v></c></row>"})
        ExpectBothWaysAlike(refused, false);
}

TEST(PlainCells, RefusedAlike)
{
    const char* refused[] = {
        "<row><c r=\"A1\" r=\"B1\"><v>1</v></c></row>",        // duplicate attribute
        "<row><c s=\"1\" r=\"A1\" s=\"2\"><v>1</v></c></row>",  // duplicate attribute
        "<row><c r=\"A1\" t=\"s\"/ ><v>1</v></c></row>",       // '/' not before '>'
        "<row><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"1A\"><v>1</v></c></row>",  // no reference
        "<row><c r=\"AAAA1\"><v>1</v></c></row>",             // four letters
        "<row><c r=\"A0\"><v>1</v></c></row>",                 // no row 0
        "<row><c r=\"XFE1\"><v>1</v></c></row>",               // beyond the last column
        "<row><c r=\"A1\" t=\"zz\"><v>1</v></c></row>",        // unknown type
        "<row><c r=\"A1\"><v>abc</v></c></row>",               // no number
        "<row><c r=\"A1\"><v>1e400</v></c></row>",             // not finite
        "<row><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>0x10</v></c></row>",  // no number after a usual one
        "<row><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>inf</v></c></row>",
        "<row><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>nan</v></c></row>",
        "<row><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>1 2</v></c></row>",
        "<row><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>1.5]]></v></c></row>",
        "<row><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>-</v></c></row>",
        "<row><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>1.0</v></c></row>",
        "<row><c r=\"A1\" t=\"s\"><v>2</v></c></row>",         // no such shared string
        "<row><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>7</v></c></row>",  // after a usual one
        "<row><c r=\"A1\" t=\"n\" t=\"n\"><v>1</v></c></row>",  // duplicate attribute
        "<row><c r=\"A1\" s=\"1\" s=\"1\"><v>1</v></c></row>",  // duplicate attribute
        "<row><c r=\"A1\" t=\"b\"><v>2</v></c></row>",         // no boolean
        "<row><c r=\"A1\"><v>1</x></c></row>",                 // mismatched tag
        "<row><c r=\"A1\"><v>1</v></row>",                     // unclosed cell
        "<row><c r=\"A1\"x=\"1\"><v>1</v></c></row>",          // no space between attributes
        "<row><c r=\"A1\"><v>1&bogus;</v></c></row>",          // undefined entity
        "<row><c r=\"A1\"><v>1</v></c ></row></sheetData></worksheet><x/><sheetData>",  // junk after the root
        // Indented cells whose damage lies after the white space.
        "<row>\n  <c r=\"A1\">\n    <v>1</v>\n  </c>\n  <c r=\"B1\">\n    <v>1</v>\n  </ c>\n</row>",
        "<row>\n  <c r=\"A1\">\n    <v>1</v>\n  </x>\n</row>",
        "<row>\n  <c r=\"A1\">\n    <v>1\n  </c>\n</row>",
        "<row>\n  <c r=\"A1\">\n    <v>1</v>\n  </c>\n  <c r=\"B1\" t=\"s\">\n    <v>5</v>\n  </c>\n</row>",
        "<row>\n  <c r=\"A1\">\n    <v>1</v>\n  </c>\n  <c r=\"A1\">\n    <v>2</v>\n  </c>\n</row>",
        "<row>\n  <c r=\"A1\">\n    <v>1</v>\n  </c>\n  &bogus;\n</row>",
        "<row>\n  <c r=\"A1\">\n    <v>1</v>\n  </c>\n  \x01\n</row>",
    };
    for (const char* body : refused)
        ExpectBothWaysAlike(body, false);
}

// Each cell at its reference, whatever runs the references make: columns counted on past
// Z, AZ and ZZ, row numbers of more digits, gaps, references written otherwise (lower
// case, '$', leading zeros) and the grid's last columns. Each cell holds its own column.
TEST(PlainCells, EachCellStandsAtItsReference)
{
    std::map<std::pair<int, int>, std::string> refs;  // (row, col) -> the reference written
    for (int col = 0; col < 800; ++col)  // A1 .. ADT1: past Z (25), AZ (51), ZZ (701)
        refs[{0, col}] = wb::CellName(0, col);
    for (int row : {8, 9, 98, 99, 999999, 1048575})  // rows 9 and 10, 99 and 100, ...
        for (int col = 0; col < 30; ++col)
            refs[{row, col}] = wb::CellName(row, col);
    refs[{4, 0}] = "a5";
    refs[{4, 1}] = "b5";
    refs[{4, 2}] = "$C$5";
    refs[{4, 3}] = "D05";
    refs[{4, 4}] = "E5";
    refs[{5, 0}] = "A6";
    refs[{5, 2}] = "C6";
    refs[{5, 3}] = "D6";
    refs[{5, 27}] = "AB6";
    refs[{5, 28}] = "AC6";
    refs[{6, 16382}] = "XFC7";
    refs[{6, 16383}] = "XFD7";
    std::string body;
    int open = -1;
    for (const auto& [at, ref] : refs) {
        if (at.first != open) {
            body += (open < 0 ? "" : "</row>") + std::string("<row r=\"") + std::to_string(at.first + 1) + "\">";
            open = at.first;
        }
        body += "<c r=\"" + ref + "\"><v>" + std::to_string(at.second) + "</v></c>";
    }
    body += "</row>";
    TempDir dir;
    const Read read = readBody(dir, body, false, true);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.cells.size(), refs.size());
    for (const auto& [at, ref] : refs) {
        const auto cell = read.cells.find(at);
        ASSERT_NE(cell, read.cells.end()) << ref;
        EXPECT_EQ(std::get<0>(cell->second), static_cast<int>(wb::CellType::Number)) << ref;
        EXPECT_EQ(std::bit_cast<double>(std::get<1>(cell->second)), static_cast<double>(at.second)) << ref;
    }
}

// A cell that goes back to an earlier column right after a run of cells has counted past
// Z, AZ or ZZ stands at the column its reference names, not at the one after the run:
// the file gives that cell twice and is refused naming it.
TEST(PlainCells, ACellGoingBackAfterARunStandsAtItsReference)
{
    // (last column of the run, the reference going back)
    const std::pair<int, const char*> backs[] = {{25, "A"}, {51, "AA"}, {51, "A"}, {701, "AA"}, {701, "A"}, {701, "ZZ"}};
    TempDir dir;
    for (std::size_t i = 0; i < std::size(backs); ++i) {
        const auto& [last, back] = backs[i];
        const int row = static_cast<int>(i);
        std::string body = "<row r=\"" + std::to_string(row + 1) + "\">";
        for (int col = 0; col <= last; ++col)
            body += "<c r=\"" + wb::CellName(row, col) + "\"><v>" + std::to_string(col) + "</v></c>";
        const std::string backCell = std::string(back) + std::to_string(row + 1);
        body += "<c r=\"" + backCell + "\"><v>100000</v></c></row>";
        const Read read = readBody(dir, body, false, false);
        EXPECT_FALSE(read.ok) << backCell;
        EXPECT_NE(read.error.find("cell " + backCell + " is given twice"), std::string::npos) << read.error;
        // Without the run's last cell going back, the whole run is read where it stands.
        const Read whole = readBody(dir, body.substr(0, body.rfind("<c r=")) + "</row>", false, false);
        ASSERT_TRUE(whole.ok) << whole.error;
        EXPECT_EQ(whole.cells.size(), static_cast<std::size_t>(last + 1));
    }
}

// A sheet of several hundred kilobytes mixing every form at random, so that inflated
// chunks end inside cells of each form, and a few values too long to be read whole.
TEST(PlainCells, ChunkEndsAnywhereGiveTheSameCells)
{
    std::mt19937 random(15);
    std::string body;
    for (int row = 0; row < 400; ++row) {
        body += "<row r=\"" + std::to_string(row + 1) + "\">";
        for (int col = 0; col < 40; ++col) {
            const unsigned pick = random() % (kKeptCells.size() + 3);
            if (pick < kKeptCells.size())
                body += At(kKeptCells[pick], row, col);
            else if (pick == kKeptCells.size())
                body += At("<c r=\"$A\" t=\"str\"><v>" + std::string(5000 + random() % 3000, 'x') + "</v></c>", row, col);
            else
                body += At("<c r=\"$A\"><v>" + std::to_string(random()) + "</v></c>", row, col);
        }
        body += "</row>";
    }
    ASSERT_GT(body.size(), 600u * 1024);
    ExpectBothWaysAlike(body, true);
}

// A sheet as indenting writers lay it out (each row, cell and value on a line of its own),
// with every kind of white space between cells and between a cell's elements, and with
// the usual cells among others: the cells the events give, wherever the inflated chunks
// end (inside the white space too), and a damage after it told at its true line.
TEST(PlainCells, IndentedCellsGiveTheSameCells)
{
    const std::vector<std::string> between = {"\n      ", "", " ", "\r\n\t", "\n" + std::string(21, ' '), "\t\t", "\n"};
    const std::vector<std::string> usual = {"<c r=\"$A\">$_<v>$N</v>$_</c>", "<c r=\"$A\" t=\"n\">$_<v>$N</v>$_</c>",
                                            "<c r=\"$A\" s=\"3\">$_<v>$N</v></c>", "<c r=\"$A\"><v>$N</v>$_</c>",
                                            "<c r=\"$A\" t=\"s\">$_<v>1</v>$_</c>"};
    std::mt19937 random(53);
    auto pick = [&random](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    std::string body;
    for (int row = 0; row < 300; ++row) {
        body += pick(between) + "<row r=\"" + std::to_string(row + 1) + "\">";
        for (int col = 0; col < 50; ++col) {
            std::string cell = random() % 10 == 0 ? kKeptCells[random() % kKeptCells.size()] : pick(usual);
            for (std::size_t at; (at = cell.find("$_")) != std::string::npos;)
                cell.replace(at, 2, pick(between));
            if (const std::size_t at = cell.find("$N"); at != std::string::npos)
                cell.replace(at, 2, std::to_string(random() % 100000));
            body += pick(between) + At(cell, row, col);
        }
        body += pick(between) + "</row>";
    }
    body += "\n  ";
    ASSERT_GT(body.size(), 600u * 1024);
    ExpectBothWaysAlike(body, true);

    const std::string damaged = body + "<row r=\"301\">\n  <c r=\"A301\">\n    <v>1</v>\n  </x>\n</row>";
    ExpectDamageToldAtItsLine(damaged);
}

// Tokens longer than the scanner joins across a chunk's end at once (comments, CDATA and
// start tags of tens of kilobytes, with line ends inside) lying across the ends of the
// inflated chunks: the same cells as the events give, and a damage met after them is
// told at its true line.
TEST(PlainCells, LongTokensAcrossChunkEnds)
{
    std::mt19937 random(37);
    std::string body;
    for (int row = 0; row < 300; ++row) {
        body += "<row r=\"" + std::to_string(row + 1) + "\">\n";
        for (int col = 0; col < 60; ++col) {
            const unsigned pick = random() % 400;
            const std::string filler(9000 + random() % 20000, 'y');
            if (pick == 0)
                body += "<!-- " + filler + "\n" + filler + " -->";
            else if (pick == 1)
                body += At("<c r=\"$A\" t=\"inlineStr\"><is><t><![CDATA[" + filler.substr(0, 9000) + "\n<&]]></t></is></c>",
                           row, col);
            else if (pick == 2)
                body += "<ext a=\"" + filler + "\"\n b='" + filler + "'/>";
            else
                body += At("<c r=\"$A\"><v>" + std::to_string(random() % 1000) + "</v></c>", row, col);
        }
        body += "</row>\n";
    }
    ASSERT_GT(body.size(), 3u * 256 * 1024);
    ExpectBothWaysAlike(body, true);

    // A tag that does not match near the end: the line is counted over every chunk.
    const std::string damaged = body + "<row r=\"301\"><c r=\"A301\"><v>1</x></c></row>";
    ExpectDamageToldAtItsLine(damaged);
}
