// Damaged, truncated, hostile and foreign files: load returns false with a reason and
// never crashes, hangs or allocates what the file claims.
#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <random>

#include "tests/support/memory_limit.h"
#include "tests/support/temp_dir.h"
#include "tests/workbook/xlsx/fixtures.h"
#include "workbook/book.h"
#include "workbook/xlsx/shared_strings.h"
#include "workbook/xlsx/zip.h"

using testing_support::TempDir;
using xlsx_fixtures::package;
using xlsx_fixtures::sheetXml;
using xlsx_fixtures::writeZip;

namespace {

// Loads the file; when that fails, the reason must say something.
bool loads(const std::string& path, std::string* reason = nullptr)
{
    auto book = wb::xlCreateXMLBook();
    bool ok = book->load(path);
    if (!ok) {
        EXPECT_FALSE(book->errorMessage().empty()) << path;
    }
    if (reason)
        *reason = book->errorMessage();
    return ok;
}

std::string refusedBecause(const std::string& path)
{
    std::string reason;
    EXPECT_FALSE(loads(path, &reason)) << path;
    return reason;
}

std::string builtFixture(const TempDir& dir, const std::string& name, bool deflate)
{
    std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                      "<si><r><t>Nitz</t></r><r><t>schia</t></r><rPh><t>x</t></rPh></si><si><t>b_x000D_</t></si></sst>";
    std::string body = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1.5</v></c>"
                       "<c r=\"C1\" t=\"b\"><v>1</v></c><c r=\"D1\" t=\"e\"><v>#N/A</v></c></row>"
                       "<row><c t=\"inlineStr\"><is><t>in</t></is></c><c t=\"d\"><v>2010-05-15</v></c>"
                       "<c s=\"1\"/><c t=\"str\"><f>A1</f><v>x</v></c><c t=\"s\"><v>1</v></c></row>";
    std::string path = dir.file(name);
    writeZip(path, package({{"A", sheetXml(body)}, {"B", sheetXml("<row><c><v>2</v></c></row>")}}, sst), deflate);
    return path;
}

std::string openpyxlFixture(const TempDir& dir)
{
    std::string path = dir.file("openpyxl.xlsx");
    xlsx_fixtures::runOpenpyxl(R"(
import sys, datetime
from openpyxl import Workbook
from openpyxl.styles import Font
wb = Workbook()
ws = wb.active
ws.append([1, 2.5, "Größe", True, "#DIV/0!", datetime.date(2010, 5, 15)])
ws["B3"].font = Font(bold=True)
wb.create_sheet("Two")["C3"] = "text"
wb.save(sys.argv[1]))",
                               path);
    return path;
}

std::string ourFixture(const TempDir& dir)
{
    auto book = wb::xlCreateXMLBook();
    wb::Format* f = book->addFormat();
    f->setNumFormat(14);
    wb::Sheet* s = book->addSheet("Ours");
    s->writeStr(0, 0, "Sample");
    s->writeNum(1, 0, 40313, f);
    s->writeNum(1, 1, 0.25);
    std::string path = dir.file("ours.xlsx");
    EXPECT_TRUE(book->save(path)) << book->errorMessage();
    return path;
}

}  // namespace

TEST(XlsxDamaged, TruncatedAndBitFlippedCopiesOfEveryFixture)
{
    TempDir dir;
    const std::string fixtures[] = {builtFixture(dir, "deflated.xlsx", true), builtFixture(dir, "stored.xlsx", false),
                                    openpyxlFixture(dir), ourFixture(dir)};
    std::mt19937 random(20240305);
    std::string copy = dir.file("copy.xlsx");
    int refused = 0;
    for (const std::string& fixture : fixtures) {
        ASSERT_TRUE(loads(fixture)) << fixture;
        const std::string bytes = testing_support::readFile(fixture);
        ASSERT_GT(bytes.size(), 100u);
        // Every length near both ends (the zip directory lives at the end), then a spread.
        for (std::size_t cut = 0; cut < bytes.size(); cut += (cut < 64 || cut + 200 > bytes.size()) ? 1 : 37) {
            testing_support::writeFile(copy, bytes.substr(0, cut));
            refused += loads(copy) ? 0 : 1;
        }
        for (int flip = 0; flip < 400; ++flip) {
            std::string damaged = bytes;
            int flips = 1 + flip % 4;
            for (int k = 0; k < flips; ++k) {
                std::size_t at = random() % damaged.size();
                damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
            }
            testing_support::writeFile(copy, damaged);
            refused += loads(copy) ? 0 : 1;
        }
    }
    // Almost every truncation and most flips must be noticed (checksums, XML, values).
    EXPECT_GT(refused, 1000);
}

TEST(XlsxDamaged, ForeignFilesAreRefusedWithAReason)
{
    TempDir dir;
    EXPECT_EQ(refusedBecause(dir.file("missing.xlsx")), "the file does not exist");
    EXPECT_EQ(refusedBecause(dir.file("none/missing.xlsx")), "the folder " + dir.file("none") + " does not exist");
    EXPECT_EQ(refusedBecause(dir.path().string()), "it is a folder, not a file");
    testing_support::writeFile(dir.file("empty.xlsx"), "");
    EXPECT_EQ(refusedBecause(dir.file("empty.xlsx")), "the file is empty");
    testing_support::writeFile(dir.file("text.xlsx"), "Code,Name\nAC001A,Achnanthes\n");
    EXPECT_NE(refusedBecause(dir.file("text.xlsx")).find("it is a text file"), std::string::npos);
    testing_support::writeFile(dir.file("binary.xlsx"), std::string("\x01\x02\x03\x00junk", 8));
    EXPECT_EQ(refusedBecause(dir.file("binary.xlsx")), "it is not a workbook (not a zip file, as an .xlsx workbook is)");
    testing_support::writeFile(dir.file("report.xlsx"), "%PDF-1.7\n");
    EXPECT_EQ(refusedBecause(dir.file("report.xlsx")), "it is a PDF document, not a workbook");
    testing_support::writeFile(dir.file("ole.xlsx"), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(1024, '\0'));
    EXPECT_NE(refusedBecause(dir.file("ole.xlsx")).find("password"), std::string::npos);

    writeZip(dir.file("nozip.xlsx"), {{"word/document.xml", "<document/>"}});
    EXPECT_NE(refusedBecause(dir.file("nozip.xlsx")).find("no workbook part"), std::string::npos);
    // A package whose main part is not a workbook holds no workbook, rather than one
    // without sheets.
    const std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                             "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                             "relationships/officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>";
    writeZip(dir.file("slides.xlsx"), {{"_rels/.rels", rels}, {"ppt/presentation.xml", "<p:presentation xmlns:p=\"x\"/>"}});
    EXPECT_EQ(refusedBecause(dir.file("slides.xlsx")), "the file is not a workbook (it is a PowerPoint presentation)");
    auto parts = package({{"S", sheetXml("")}});
    parts.erase(parts.begin() + 2);  // the sheet part
    writeZip(dir.file("nosheet.xlsx"), parts);
    EXPECT_NE(refusedBecause(dir.file("nosheet.xlsx")).find("\"S\""), std::string::npos);
}

TEST(XlsxDamaged, HostileContentIsRefused)
{
    TempDir dir;
    struct Case {
        const char* body;
        const char* reason;
    };
    const Case cases[] = {
        {"<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>", "XFE1"},
        {"<row r=\"1\"><c r=\"A1048577\"><v>1</v></c></row>", "A1048577"},
        {"<row r=\"99999999999\"><c><v>1</v></c></row>", "row number"},
        {"<row r=\"1048576\"/><row><c><v>1</v></c></row>", "more rows"},
        {"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>", "shared string"},
        {"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>-1</v></c></row>", "shared string"},
        {"<row r=\"1\"><c r=\"A1\"><v>1,5</v></c></row>", "number"},
        {"<row r=\"1\"><c r=\"A1\"><v>nan</v></c></row>", "number"},
        {"<row r=\"1\"><c r=\"A1\" t=\"b\"><v>2</v></c></row>", "boolean"},
        {"<row r=\"1\"><c r=\"A1\" t=\"d\"><v>2010-02-30</v></c></row>", "date"},
        {"<row r=\"1\"><c r=\"A1\" t=\"zz\"><v>1</v></c></row>", "type"},
        {"<row r=\"1\"><c r=\"A1\"><v>1</v></c>", "well-formed"},
    };
    for (const Case& c : cases) {
        std::string path = dir.file("hostile.xlsx");
        writeZip(path, package({{"S", sheetXml(c.body)}}, "<sst><si><t>only</t></si></sst>"));
        EXPECT_NE(refusedBecause(path).find(c.reason), std::string::npos) << c.body;
    }

    // Entity expansion ("billion laughs") needs a DTD; none is accepted.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
                         "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>&d;&d;&d;&d;</t></is></c></row></sheetData></worksheet>";
    writeZip(dir.file("laughs.xlsx"), package({{"S", laughs}}));
    EXPECT_NE(refusedBecause(dir.file("laughs.xlsx")).find("document type"), std::string::npos);

    // Expat holds a whole tag in memory and a text grows with the file: both are bounded.
    std::string hugeTag = "<row r=\"1\"><c r=\"A1\" x=\"" + std::string(5 << 20, 'a') + "\"><v>1</v></c></row>";
    writeZip(dir.file("tag.xlsx"), package({{"S", sheetXml(hugeTag)}}));
    EXPECT_NE(refusedBecause(dir.file("tag.xlsx")).find("tag longer"), std::string::npos);
    // Text longer than the 4 MiB tag limit: refused as text, so texts are seen piece by piece.
    std::string hugeText = "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>" + std::string(6 << 20, 'a') + "</v></c></row>";
    writeZip(dir.file("text.xlsx"), package({{"S", sheetXml(hugeText)}}));
    EXPECT_NE(refusedBecause(dir.file("text.xlsx")).find("longer than a cell"), std::string::npos);
    writeZip(dir.file("sst.xlsx"), package({{"S", sheetXml("")}}, "<sst><si><t>" + std::string(3 << 20, 'a') + "</t></si></sst>"));
    EXPECT_NE(refusedBecause(dir.file("sst.xlsx")).find("longer than a cell"), std::string::npos);

    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    writeZip(dir.file("deep.xlsx"), package({{"S", sheetXml(deep)}}));
    EXPECT_NE(refusedBecause(dir.file("deep.xlsx")).find("nested too deeply"), std::string::npos);
}

TEST(XlsxDamaged, InflatedBytesStopAtThePartAndBookLimits)
{
    // The reader's limits are 1 GiB a part and 2 GiB a file; the same code with limits
    // of 1 MiB and 3.5 MiB is tried here on parts of 2 MiB and 0.9 MiB of spaces, which
    // deflate to a few KiB each.
    TempDir dir;
    std::string path = dir.file("bomb.zip");
    std::string big = "<a>" + std::string(2 << 20, ' ') + "</a>";
    std::string small = "<a>" + std::string(900 << 10, ' ') + "</a>";
    writeZip(path, {{"big.xml", big}, {"small.xml", small}});
    ASSERT_LT(testing_support::readFile(path).size(), 20000u);

    wb::xlsx::ZipArchive zip(1 << 20, 7 << 19);
    std::string error;
    ASSERT_TRUE(zip.open(path, error)) << error;
    std::size_t seen = 0;
    auto count = [&seen](const char*, std::size_t n) {
        seen += n;
        return true;
    };
    EXPECT_FALSE(zip.read("big.xml", count, error));
    EXPECT_NE(error.find("limit"), std::string::npos) << error;
    EXPECT_LE(seen, std::size_t{1} << 20);
    // Two small parts fit the book's limit (over 1 MiB of the big one already counted), a third does not.
    EXPECT_TRUE(zip.read("small.xml", count, error)) << error;
    EXPECT_TRUE(zip.read("SMALL.xml", count, error)) << error;  // part names ignore case
    EXPECT_FALSE(zip.read("small.xml", count, error));
    EXPECT_NE(error.find("limit"), std::string::npos) << error;
    EXPECT_FALSE(zip.read("absent.xml", count, error));
}

TEST(XlsxDamaged, APartWhoseDirectoryMisstatesItsSizeIsRefused)
{
    // The reader sizes its buffers by the directory's sizes; a part larger or smaller than
    // its directory entry says is damaged all the same, and one that says the truth reads
    // whole, whether it is shorter than a buffer or many times one.
    TempDir dir;
    std::string body;
    for (int i = 0; body.size() < 700'000; ++i)
        body += "<v>" + std::to_string(i * 7919 % 100003) + "</v>";
    const std::string part = "<a>" + body + "</a>";
    const std::string path = dir.file("sizes.zip");
    for (const bool deflate : {true, false}) {
        writeZip(path, {{"tiny.xml", "<a/>"}, {"large.xml", part}}, deflate);
        const std::string whole = testing_support::readFile(path);
        const auto read = [&](const std::string& file, const std::string& name, std::string& got, std::string& error) {
            wb::xlsx::ZipArchive zip;
            got.clear();
            return zip.open(file, error)
                && zip.read(name, [&got](const char* p, std::size_t n) { return got.append(p, n), true; }, error);
        };
        std::string got, error;
        EXPECT_TRUE(read(path, "large.xml", got, error)) << error;
        EXPECT_EQ(got, part);
        EXPECT_TRUE(read(path, "tiny.xml", got, error)) << error;
        EXPECT_EQ(got, "<a/>");

        // The directory entry of large.xml: its inflated size is 24 bytes in.
        const std::size_t entry = whole.find(std::string("PK\1\2"), whole.find("PK\1\2") + 4);
        ASSERT_NE(entry, std::string::npos);
        ASSERT_EQ(whole.substr(entry + 46, 9), "large.xml");
        const auto size = static_cast<std::uint32_t>(part.size());
        for (const std::uint32_t stated : {std::uint32_t{10}, size - 1, size + 1, std::uint32_t{40'000'000}}) {
            SCOPED_TRACE(std::to_string(stated) + (deflate ? " deflated" : " stored"));
            std::string misstated = whole;
            for (int b = 0; b < 4; ++b)
                misstated[entry + 24 + b] = static_cast<char>((stated >> (8 * b)) & 0xff);
            std::ofstream(dir.file("misstated.zip"), std::ios::binary | std::ios::trunc) << misstated;
            EXPECT_FALSE(read(dir.file("misstated.zip"), "large.xml", got, error));
            EXPECT_NE(error.find("damaged"), std::string::npos) << error;
        }
    }
}

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

// "A" for 0, "XFD" for 16383.
std::string columnName(int col)
{
    std::string name;
    for (++col; col > 0; col = (col - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (col - 1) % 26));
    return name;
}

// Loads the file in a child limited to `memoryMiB` (and to thirty seconds, a guard against
// a hang rather than a timing); true when the load is refused with a reason that contains `reason` (or, with no reason given, succeeds).
testing::AssertionResult refusedWithin(const std::string& path, std::size_t memoryMiB, const std::string& reason)
{
    return testing_support::RunsWithin(memoryMiB * kMiB, 30, [&]() {
        auto book = wb::xlCreateXMLBook();
        const bool loaded = book->load(path);
        if (reason.empty())
            return loaded;
        const bool refused = !loaded && book->errorMessage().find(reason) != std::string::npos;
        if (!refused)
            std::fprintf(stderr, "%s: %s\n", path.c_str(), loaded ? "loaded" : book->errorMessage().c_str());
        return refused;
    });
}

}  // namespace

// Small files that claim, or make the reader build, far more than they hold: each is
// refused (or read) within a fixed memory budget. The real attacks are the same files
// with larger counts.
TEST(XlsxHostile, ManySheetsCopyingOneLongSharedStringAreRefused)
{
    // One 1 MiB shared string used by 300 small sheets: 300 MiB of copies from a file of
    // a few KiB, more than the book's budget. (10,000 such sheets would take 10 GB.)
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> sheets;
    for (int i = 0; i < 300; ++i)
        sheets.push_back({"S" + std::to_string(i), sheetXml("<row><c t=\"s\"><v>0</v></c></row>")});
    writeZip(dir.file("copies.xlsx"), package(sheets, "<sst><si><t>" + std::string(kMiB, 'a') + "</t></si></sst>"));
    EXPECT_TRUE(refusedWithin(dir.file("copies.xlsx"), 512, "more memory than the reader allows for one workbook (256 MiB)"));

    // A few sheets sharing a shorter one are fine.
    sheets.resize(5);
    writeZip(dir.file("few.xlsx"), package(sheets, "<sst><si><t>" + std::string(kMiB, 'a') + "</t></si></sst>"));
    EXPECT_TRUE(refusedWithin(dir.file("few.xlsx"), 512, ""));
}

TEST(XlsxHostile, SharedStringsCostTheirBytesAndTheirNumberIsBounded)
{
    // Empty items cost four bytes each (a string object each took 32): two million of
    // them, 10 MB of XML, load within a budget that 32 bytes each would exceed.
    TempDir dir;
    std::string items;
    for (int i = 0; i < 2000000; ++i)
        items += "<si/>";
    writeZip(dir.file("empty.xlsx"), package({{"S", sheetXml("<row><c t=\"s\"><v>1999999</v></c></row>")}},
                                             "<sst>" + items + "</sst>"));
    EXPECT_TRUE(refusedWithin(dir.file("empty.xlsx"), 160, ""));

    wb::xlsx::SharedStrings table;
    EXPECT_TRUE(table.add("ab"));
    EXPECT_TRUE(table.add(""));
    EXPECT_TRUE(table.add("c"));
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0], "ab");
    EXPECT_EQ(table[1], "");
    EXPECT_EQ(table[2], "c");
    EXPECT_EQ(table.textBytes(), 3u);
}

TEST(XlsxHostile, AWorkbookListingTooManySheetsIsRefused)
{
    // 10,001 sheets without parts (40 million would have taken 8 GB).
    TempDir dir;
    std::vector<xlsx_fixtures::Part> parts = package({{"S", sheetXml("")}});
    for (xlsx_fixtures::Part& part : parts) {
        if (part.name != "xl/workbook.xml")
            continue;
        std::string many;
        for (int i = 0; i < 10001; ++i)
            many += "<sheet name=\"x" + std::to_string(i) + "\" sheetId=\"1\" r:id=\"rId9\"/>";
        part.bytes.insert(part.bytes.find("</sheets>"), many);
    }
    writeZip(dir.file("sheets.xlsx"), parts);
    EXPECT_TRUE(refusedWithin(dir.file("sheets.xlsx"), 256, "more sheets than the reader accepts"));
}

TEST(XlsxHostile, OnePartListedForTwoSheetsIsRefused)
{
    TempDir dir;
    std::vector<xlsx_fixtures::Part> parts = package({{"A", sheetXml("<row><c><v>1</v></c></row>")}, {"B", sheetXml("")}});
    for (xlsx_fixtures::Part& part : parts) {
        if (part.name == "xl/_rels/workbook.xml.rels")
            part.bytes.replace(part.bytes.find("sheet2.xml"), 10, "sheet1.xml");
    }
    writeZip(dir.file("shared.xlsx"), parts);
    EXPECT_TRUE(refusedWithin(dir.file("shared.xlsx"), 256, "share one part"));
}

TEST(XlsxHostile, ASheetLedToAPartThatIsNoWorksheetIsRefusedNamingIt)
{
    // Read as a sheet, each of these parts gave a sheet without cells, and the import's
    // "Worksheet has no data" without a word of why.
    TempDir dir;
    for (const char* target : {"workbook.xml", "_rels/workbook.xml.rels", "../docProps/app.xml", "../[Content_Types].xml"}) {
        std::vector<xlsx_fixtures::Part> parts = package({{"A", sheetXml("<row><c><v>1</v></c></row>")}});
        parts.push_back({"docProps/app.xml", "<Properties/>"});
        for (xlsx_fixtures::Part& part : parts) {
            if (part.name == "xl/_rels/workbook.xml.rels")
                part.bytes.replace(part.bytes.find("worksheets/sheet1.xml"), 21, target);
        }
        writeZip(dir.file("led-astray.xlsx"), parts);
        const std::string reason = refusedBecause(dir.file("led-astray.xlsx"));
        EXPECT_NE(reason.find("the file is damaged (the part of sheet \"A\" is "), std::string::npos) << target << ": " << reason;
        EXPECT_NE(reason.find("which is not a worksheet"), std::string::npos) << reason;
    }
}

TEST(XlsxHostile, TwoZipEntriesOfOneNameAreRefused)
{
    // One reader would take the first, another the last: the file says two things.
    TempDir dir;
    std::vector<xlsx_fixtures::Part> parts = package({{"A", sheetXml("<row><c><v>1</v></c></row>")}});
    parts.push_back({"xl/worksheets/sheet1.xml", sheetXml("<row><c><v>2</v></c></row>")});
    writeZip(dir.file("twice.xlsx"), parts);
    EXPECT_NE(refusedBecause(dir.file("twice.xlsx")).find("the file is damaged (two zip entries named xl/worksheets/sheet1.xml)"),
              std::string::npos)
        << refusedBecause(dir.file("twice.xlsx"));
    // Names differing in case only are one part name.
    parts.back().name = "XL/Worksheets/Sheet1.xml";
    writeZip(dir.file("case.xlsx"), parts);
    EXPECT_NE(refusedBecause(dir.file("case.xlsx")).find("two zip entries named"), std::string::npos);
}

TEST(XlsxHostile, CellsOfInterleavedRowsInDescendingColumnsAreMergedOnce)
{
    // Two rows of 16,384 cells, the rows interleaved and the columns from the last:
    // inserting each at the front of its row moved the whole row every time.
    TempDir dir;
    std::string body;
    for (int col = 16383; col >= 0; --col) {
        for (int row = 1; row <= 2; ++row)
            body += "<row r=\"" + std::to_string(row) + "\"><c r=\"" + columnName(col) + std::to_string(row)
                    + "\"><v>" + std::to_string(row * 100000 + col) + "</v></c></row>";
    }
    writeZip(dir.file("descending.xlsx"), package({{"S", sheetXml(body)}}));
    ASSERT_TRUE(refusedWithin(dir.file("descending.xlsx"), 512, ""));

    auto book = wb::xlCreateXMLBook();
    ASSERT_TRUE(book->load(dir.file("descending.xlsx"))) << book->errorMessage();
    const wb::Sheet* sheet = book->getSheet(0);
    EXPECT_EQ(sheet->data().cellCount(), 2u * 16384u);
    EXPECT_EQ(sheet->readNum(0, 0), 100000.0);
    EXPECT_EQ(sheet->readNum(0, 1), 100001.0);
    EXPECT_EQ(sheet->readNum(0, 16383), 116383.0);
    EXPECT_EQ(sheet->readNum(1, 7), 200007.0);

    // The same rows with one cell given again at the end: refused, the cell named.
    body += "<row r=\"1\"><c r=\"B1\"><v>-1</v></c></row>";
    writeZip(dir.file("again.xlsx"), package({{"S", sheetXml(body)}}));
    EXPECT_NE(refusedBecause(dir.file("again.xlsx")).find("cell B1 is given twice"), std::string::npos);
}

TEST(XlsxHostile, ACellGivenTwiceIsRefusedAsDamagedNamingIt)
{
    // Which of two values a cell holds is the reading program's guess (one takes the
    // first, another the last): a count read either way could be the wrong one.
    TempDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c><c r=\"B1\"><v>3</v></c></row>", "B1"},
        {"<row r=\"3\"><c r=\"C3\"><v>1</v></c><c r=\"A3\"><v>2</v></c><c r=\"C3\"><v>1</v></c></row>", "C3"},
        {"<row r=\"2\"><c><v>1</v></c><c><v>2</v></c></row><row r=\"5\"><c><v>5</v></c></row>"
         "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>x</t></is></c></row>",
         "B2"},
        // A styled blank over a number is two things said of one cell as well.
        {"<row r=\"4\"><c r=\"D4\"><v>7</v></c></row><row r=\"4\"><c r=\"D4\" s=\"1\"/></row>", "D4"},
    };
    for (const auto& [body, cell] : cases) {
        const std::string path = dir.file(std::string(cell) + ".xlsx");
        writeZip(path, package({{"Samples", sheetXml(body)}}));
        EXPECT_EQ(refusedBecause(path),
                  "the file is damaged (xl/worksheets/sheet1.xml: cell " + std::string(cell) + " is given twice)")
            << body;
    }
    // A position without a value (no style, no value) holds nothing: given again, it
    // says nothing new, and the sheet reads as written.
    const std::string path = dir.file("position.xlsx");
    writeZip(path, package({{"Samples", sheetXml("<row r=\"1\"><c r=\"A1\"><v>4</v></c><c r=\"A1\"/></row>")}}));
    std::string reason;
    EXPECT_TRUE(loads(path, &reason)) << reason;
}

TEST(XlsxZip64, AZip64PackageReadsAsItsPlainTwin)
{
    // Writers that always use ZIP64 put every size and offset in the ZIP64 extra field and
    // the directory's place in the ZIP64 end record; such a package is as valid as any
    // (unzip -t passes) and was refused as "damaged (part _rels/.rels)". A sheet of over a
    // megabyte, so that a part inflates in several pieces.
    TempDir dir;
    std::string body = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Sample</t></is></c><c r=\"B1\"><v>42.5</v></c></row>";
    for (int row = 2; row <= 20000; ++row)
        body += "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) + "\"><v>" + std::to_string(row * 7)
            + "</v></c><c r=\"B" + std::to_string(row) + "\"><v>0.125</v></c></row>";
    const std::vector<xlsx_fixtures::Part> parts = package({{"Samples", sheetXml(body)}});
    const auto expectCells = [](const std::string& path) {
        auto book = wb::xlCreateXMLBook();
        ASSERT_TRUE(book->load(path)) << path << ": " << book->errorMessage();
        const wb::Sheet* sheet = book->getSheet(0);
        EXPECT_EQ(sheet->name(), "Samples");
        EXPECT_EQ(sheet->readStr(0, 0).value_or(""), "Sample");
        EXPECT_EQ(sheet->readNum(0, 1), 42.5);
        EXPECT_EQ(sheet->readNum(19999, 0), 140000.0);
        EXPECT_EQ(sheet->data().cellCount(), 40000u);
    };
    writeZip(dir.file("plain.xlsx"), parts);
    expectCells(dir.file("plain.xlsx"));
    for (const bool deflate : {true, false}) {
        for (const bool descriptors : {false, true}) {
            SCOPED_TRACE(std::string(deflate ? "deflated" : "stored") + (descriptors ? ", data descriptors" : ""));
            xlsx_fixtures::Zip64Form form;
            form.deflate = deflate;
            form.dataDescriptors = descriptors;
            const std::string path = dir.file("zip64.xlsx");
            xlsx_fixtures::writeZip64(path, parts, form);
            expectCells(path);
        }
    }
    // An archive after other bytes: the offsets it states are counted from its own start.
    xlsx_fixtures::Zip64Form prefixed;
    prefixed.prefixBytes = true;
    xlsx_fixtures::writeZip64(dir.file("prefixed.zip"), parts, prefixed);
    wb::xlsx::ZipArchive zip;
    std::string error;
    ASSERT_TRUE(zip.open(dir.file("prefixed.zip"), error)) << error;
    std::string workbook;
    EXPECT_TRUE(zip.read("xl/workbook.xml", [&](const char* p, std::size_t n) { return workbook.append(p, n), true; }, error))
        << error;
    EXPECT_NE(workbook.find("Samples"), std::string::npos);

    // Damaged ZIP64 fields are refused, not followed: an extra field without the offset
    // the header marks as there, and a cut end.
    xlsx_fixtures::Zip64Form shortExtra;
    shortExtra.shortExtra = true;
    xlsx_fixtures::writeZip64(dir.file("short.xlsx"), parts, shortExtra);
    EXPECT_EQ(refusedBecause(dir.file("short.xlsx")), "the file is damaged (unreadable zip directory)");
    const std::string whole = testing_support::readFile(dir.file("zip64.xlsx"));
    for (const std::size_t cut : {std::size_t{10}, std::size_t{30}, std::size_t{60}, whole.size() / 2}) {
        const std::string path = dir.file("cut.xlsx");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() - cut);
        EXPECT_FALSE(refusedBecause(path).empty()) << cut;
    }
}
