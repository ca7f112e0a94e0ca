// Sheets read as a stream of cells (WorkbookStream) against the same files loaded whole
// (Book::load): the same cells in order, or the same refusal. Then the progress of both
// reads, and a read cancelled from its progress callback.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <ostream>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/workbook/xlsx/fixtures.h"
#include "workbook/book.h"
#include "workbook/cells/cell_names.h"
#include "workbook/sheet_stream.h"

using testing_support::TempDir;
using wb::Book;
using wb::CellType;
using wb::StreamEnd;
using xlsx_fixtures::package;
using xlsx_fixtures::sheetXml;
using xlsx_fixtures::writeZip;

namespace {

struct Seen {
    int row = 0;
    int col = 0;
    CellType type = CellType::Empty;
    double number = 0.0;
    std::string text;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& cell, std::ostream* out)
{
    *out << "(" << cell.row << "," << cell.col << " type " << static_cast<int>(cell.type) << " " << cell.number << " \""
         << cell.text << "\")";
}

// Keeps every cell handed over; stops at the first cell of type `stopAt`, when set.
class Collector : public wb::CellVisitor {
public:
    std::vector<Seen> cells;
    int restarts = 0;
    std::optional<CellType> stopAt;
    // Each extent() call: rows, columns and the cells handed over before it.
    std::vector<std::array<std::size_t, 3>> extents;

    void extent(int rows, int cols) override
    {
        extents.push_back({static_cast<std::size_t>(rows), static_cast<std::size_t>(cols), cells.size()});
    }

    bool cell(const wb::StreamedCell& cell) override
    {
        cells.push_back({cell.row, cell.col, cell.type, cell.number, std::string(cell.text)});
        return !(stopAt && cell.type == *stopAt);
    }
    void restart() override
    {
        cells.clear();
        ++restarts;
    }
};

// The cells a loaded sheet stores, row by row.
std::vector<Seen> storedCells(const wb::Sheet& sheet)
{
    std::vector<Seen> cells;
    const auto rows = sheet.data().rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const wb::Cell& cell : rows[r]) {
            Seen seen{static_cast<int>(r), cell.col, cell.type, 0.0, ""};
            if (cell.type == CellType::Text)
                seen.text = sheet.data().textOf(cell);
            else
                seen.number = cell.number;
            cells.push_back(seen);
        }
    }
    return cells;
}

struct Streamed {
    StreamEnd end = StreamEnd::Done;
    std::string error;
    std::vector<std::string> names;
    std::vector<std::vector<Seen>> sheets;
    int restarts = 0;
};

// Every sheet of the file through one stream, until one does not end Done.
Streamed streamAll(const std::string& path, Book::FileFormat format)
{
    Streamed out;
    wb::WorkbookStream stream(format);
    if (!stream.open(path)) {
        out.end = StreamEnd::Failed;
        out.error = stream.errorMessage();
        return out;
    }
    for (int i = 0; i < stream.sheetCount(); ++i) {
        Collector collector;
        out.end = stream.readSheet(i, collector);
        out.restarts += collector.restarts;
        if (out.end != StreamEnd::Done) {
            out.error = stream.errorMessage();
            return out;
        }
        out.names.push_back(stream.sheetName(i));
        out.sheets.push_back(std::move(collector.cells));
    }
    return out;
}

// The stream hands over exactly the cells that loading stores, sheet by sheet, each
// after the one before; or both refuse the file with the same reason.
testing::AssertionResult streamsAsLoaded(const std::string& path, Book::FileFormat format, int* restarts = nullptr,
                                         std::size_t* cells = nullptr)
{
    Book book(format);
    const bool loaded = book.load(path);
    const Streamed streamed = streamAll(path, format);
    if (restarts)
        *restarts = streamed.restarts;
    if (!loaded) {
        if (streamed.end == StreamEnd::Done)
            return testing::AssertionFailure() << "streamed, but not loaded: " << book.errorMessage();
        if (streamed.end != StreamEnd::Failed || streamed.error != book.errorMessage())
            return testing::AssertionFailure() << "refused as \"" << streamed.error << "\", loading as \""
                                               << book.errorMessage() << "\"";
        return testing::AssertionSuccess();
    }
    if (streamed.end != StreamEnd::Done)
        return testing::AssertionFailure() << "loaded, but the stream ended " << static_cast<int>(streamed.end) << ": "
                                           << streamed.error;
    if (static_cast<int>(streamed.sheets.size()) != book.sheetCount())
        return testing::AssertionFailure() << streamed.sheets.size() << " sheets streamed, " << book.sheetCount()
                                           << " loaded";
    for (int i = 0; i < book.sheetCount(); ++i) {
        const std::vector<Seen>& got = streamed.sheets[static_cast<std::size_t>(i)];
        if (streamed.names[static_cast<std::size_t>(i)] != book.getSheet(i)->name())
            return testing::AssertionFailure() << "sheet " << i << " is named " << streamed.names[static_cast<std::size_t>(i)];
        const std::vector<Seen> expected = storedCells(*book.getSheet(i));
        if (cells)
            *cells += expected.size();
        for (std::size_t k = 1; k < got.size(); ++k) {
            if (got[k].row < got[k - 1].row || (got[k].row == got[k - 1].row && got[k].col <= got[k - 1].col))
                return testing::AssertionFailure() << "sheet " << i << ": cell " << k << " is not after the one before";
        }
        if (got != expected) {
            std::size_t k = 0;
            while (k < got.size() && k < expected.size() && got[k] == expected[k])
                ++k;
            return testing::AssertionFailure()
                << "sheet " << i << ": " << got.size() << " cells streamed, " << expected.size() << " loaded; first difference at "
                << k << ": " << testing::PrintToString(k < got.size() ? got[k] : Seen{}) << " against "
                << testing::PrintToString(k < expected.size() ? expected[k] : Seen{});
        }
    }
    return testing::AssertionSuccess();
}

std::string examplePath(const std::string& name) { return std::string(TORVEN_SOURCE_DIR) + "/data/examples/" + name; }

// A sheet of `rows` rows of `cols` numbers and a text from the shared-string table in
// column A, about 36 bytes of XML a cell: large enough to be read in many chunks.
std::string largeWorkbook(const TempDir& dir, const std::string& name, int rows, int cols, std::size_t* partBytes = nullptr)
{
    std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (int r = 0; r < 50; ++r)
        sst += "<si><t>taxon " + std::to_string(r) + "</t></si>";
    sst += "</sst>";
    std::string body;
    for (int r = 1; r <= rows; ++r) {
        body += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" t=\"s\"><v>"
            + std::to_string(r % 50) + "</v></c>";
        for (int c = 1; c < cols; ++c)
            body += "<c r=\"" + wb::ColumnLetters(c) + std::to_string(r) + "\"><v>" + std::to_string(r * 1000 + c) + ".5</v></c>";
        body += "</row>";
    }
    const std::string sheet = sheetXml(body);
    if (partBytes)
        *partBytes = sheet.size() + sst.size();
    const std::string path = dir.file(name);
    writeZip(path, package({{"Counts", sheet}}, sst));
    return path;
}

struct Call {
    std::uint64_t done;
    std::uint64_t total;
    std::thread::id thread;
};

// Checks a read's progress calls: each on `thread`, done never going back nor past the
// total, the total fixed (at `total` when given), a call at least every 512 KiB, and
// the last at the total.
testing::AssertionResult progressedWell(const std::vector<Call>& calls, std::thread::id thread,
                                        std::optional<std::uint64_t> total = std::nullopt)
{
    if (calls.empty())
        return testing::AssertionFailure() << "no call";
    std::uint64_t before = 0;
    for (const Call& call : calls) {
        if (call.thread != thread)
            return testing::AssertionFailure() << "called on another thread";
        if (call.done < before || call.done > call.total)
            return testing::AssertionFailure() << call.done << " of " << call.total << " after " << before;
        if (call.done - before > (std::uint64_t{512} << 10))
            return testing::AssertionFailure() << "from " << before << " to " << call.done << " without a call";
        if (call.total != calls.front().total || (total && call.total != *total))
            return testing::AssertionFailure() << "the total changed to " << call.total;
        before = call.done;
    }
    if (calls.back().done != calls.back().total)
        return testing::AssertionFailure() << "ended at " << calls.back().done << " of " << calls.back().total;
    return testing::AssertionSuccess();
}

wb::ProgressCallback recordingInto(std::vector<Call>& calls, std::size_t stopAtCall = 0)
{
    return [&calls, stopAtCall](std::uint64_t done, std::uint64_t total) {
        calls.push_back({done, total, std::this_thread::get_id()});
        return stopAtCall == 0 || calls.size() < stopAtCall;
    };
}

}  // namespace

TEST(StreamedSheets, BundledExamplesStreamAsLoaded)
{
    for (const char* name : {"river.xlsx", "lake.xlsx", "dam.xlsx", "river.xls", "lake.xls", "dam.xls"}) {
        const std::string file(name);
        const Book::FileFormat format = file.ends_with(".xlsx") ? Book::FileFormat::Xlsx : Book::FileFormat::Xls;
        int restarts = -1;
        std::size_t cells = 0;
        EXPECT_TRUE(streamsAsLoaded(examplePath(file), format, &restarts, &cells)) << file;
        EXPECT_EQ(restarts, 0) << file;
        EXPECT_GT(cells, 100u) << file;
    }
}

TEST(StreamedSheets, OpenpyxlWorkbooksStreamAsLoaded)
{
    TempDir dir;
    const std::string kinds = dir.file("kinds.xlsx");
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
ws["A2"] = "Achnanthidium minutissimum"
ws["B2"] = "Größe µg/l – Ærø 日本"
ws["A3"] = True
ws["B3"] = False
ws["A4"] = "#DIV/0!"
ws["B5"].font = Font(bold=True)
ws["A6"] = datetime.date(2010, 5, 15)
ws["C6"] = "=A1*2"
sparse = wb.create_sheet("Sparse")
sparse["C7"] = 1
sparse["AB1000"] = "far"
wb.create_sheet("Leer")
big = wb.create_sheet("Big")
for r in range(3000):
    big.append([r * 10 + c + 0.5 for c in range(9)] + ["t%d" % r])
wb.save(sys.argv[1])
)",
                               kinds);
    EXPECT_TRUE(streamsAsLoaded(kinds, Book::FileFormat::Xlsx));

    // The first cells as the file holds them (independently of the loaded book).
    wb::WorkbookStream stream(Book::FileFormat::Xlsx);
    ASSERT_TRUE(stream.open(kinds)) << stream.errorMessage();
    ASSERT_EQ(stream.sheetCount(), 4);
    EXPECT_EQ(stream.sheetName(1), "Sparse");
    Collector first;
    ASSERT_EQ(stream.readSheet(0, first), StreamEnd::Done);
    ASSERT_GE(first.cells.size(), 5u);
    EXPECT_EQ(first.cells[0], (Seen{0, 0, CellType::Number, 42.0, ""}));
    EXPECT_EQ(first.cells[1], (Seen{0, 1, CellType::Number, -3.25, ""}));
    EXPECT_EQ(first.cells[3], (Seen{1, 0, CellType::Text, 0.0, "Achnanthidium minutissimum"}));
    EXPECT_EQ(first.cells[4], (Seen{1, 1, CellType::Text, 0.0, "Größe µg/l – Ærø 日本"}));
    Collector sparse;
    ASSERT_EQ(stream.readSheet(1, sparse), StreamEnd::Done);
    EXPECT_EQ(sparse.cells, (std::vector<Seen>{{6, 2, CellType::Number, 1.0, ""}, {999, 27, CellType::Text, 0.0, "far"}}));

    // The 1904 date system: serials as the file holds them, in order.
    const std::string mac = dir.file("mac.xlsx");
    xlsx_fixtures::runOpenpyxl(R"(
import sys, datetime
from openpyxl import Workbook
from openpyxl.utils.datetime import CALENDAR_MAC_1904
wb = Workbook()
wb.epoch = CALENDAR_MAC_1904
ws = wb.active
ws["A1"] = datetime.date(2009, 7, 6)
ws["B1"] = 38538
wb.save(sys.argv[1])
)",
                               mac);
    EXPECT_TRUE(streamsAsLoaded(mac, Book::FileFormat::Xlsx));
    wb::WorkbookStream macStream(Book::FileFormat::Xlsx);
    ASSERT_TRUE(macStream.open(mac));
    EXPECT_TRUE(macStream.isDate1904());
    Collector macCells;
    ASSERT_EQ(macStream.readSheet(0, macCells), StreamEnd::Done);
    // 6 July 2009 is 40000 in the 1900 system, 38538 in the 1904 one.
    EXPECT_EQ(macCells.cells, (std::vector<Seen>{{0, 0, CellType::Number, 38538.0, ""}, {0, 1, CellType::Number, 38538.0, ""}}));
}

TEST(StreamedSheets, BuiltPackagesStreamAsLoaded)
{
    TempDir dir;
    const std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                            "<si><r><t>Nitz</t></r><r><t>schia</t></r><rPh><t>x</t></rPh></si><si><t>b_x000D_</t></si></sst>";
    struct Case {
        const char* what;
        std::string body;
        int restarts;
    };
    std::string interleaved;
    for (int col = 40; col >= 0; --col)
        for (int row = 1; row <= 2; ++row)
            interleaved += "<row r=\"" + std::to_string(row) + "\"><c r=\"" + wb::ColumnLetters(col) + std::to_string(row)
                + "\"><v>" + std::to_string(row * 1000 + col) + "</v></c></row>";
    const Case cases[] = {
        {"every kind of cell, some without r",
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1.5</v></c>"
         "<c r=\"C1\" t=\"b\"><v>1</v></c><c r=\"D1\" t=\"e\"><v>#N/A</v></c></row>"
         "<row><c t=\"inlineStr\"><is><t>in</t></is></c><c t=\"d\"><v>2010-05-15</v></c>"
         "<c s=\"1\"/><c t=\"str\"><f>A1</f><v>x&amp;y</v></c><c t=\"s\"><v>1</v></c><c><f>1+1</f></c></row>"
         "<row r=\"5\" spans=\"1:3\"><c r=\"C5\" s=\"2\"><v>7</v></c><c r=\"D5\" t=\"inlineStr\"><is><t>a&#10;b</t></is></c></row>",
         0},
        {"a cell of a later row inside a row element", "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B3\"><v>2</v></c></row>", 0},
        {"rows out of order", "<row r=\"3\"><c r=\"A3\"><v>3</v></c></row><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>", 1},
        {"columns going back in a row", "<row r=\"1\"><c r=\"C1\"><v>3</v></c><c r=\"A1\"><v>1</v></c></row>", 1},
        {"rows interleaved, columns descending", interleaved, 1},
        {"an empty sheet", "", 0},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("built.xlsx");
        std::filesystem::remove(path);
        writeZip(path, package({{"A", sheetXml(c.body)}, {"B", sheetXml("<row><c><v>2</v></c></row>")}}, sst));
        int restarts = -1;
        EXPECT_TRUE(streamsAsLoaded(path, Book::FileFormat::Xlsx, &restarts)) << c.what;
        EXPECT_EQ(restarts, c.restarts) << c.what;
    }

    // Refused alike, for the same reason.
    for (const char* body : {"<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>",
                             "<row r=\"1\"><c r=\"A1\"><v>1,5</v></c></row>", "<row r=\"1\"><c r=\"A1\" t=\"zz\"><v>1</v></c></row>",
                             "<row r=\"1\"><c r=\"A1\"><v>1</v></c>",
                             "<row r=\"2\"><c r=\"A2\"><v>1</v></c></row><row r=\"1\"><c r=\"A1\" t=\"b\"><v>2</v></c></row>",
                             // a cell given twice: in a row met again, and within one row
                             "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c></row><row r=\"1\"><c r=\"B1\"><v>-1</v></c></row>",
                             "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"A1\"><v>1</v></c></row>"}) {
        const std::string path = dir.file("refused.xlsx");
        std::filesystem::remove(path);
        writeZip(path, package({{"S", sheetXml(body)}}, "<sst><si><t>only</t></si></sst>"));
        EXPECT_TRUE(streamsAsLoaded(path, Book::FileFormat::Xlsx)) << body;
        EXPECT_FALSE(Book(Book::FileFormat::Xlsx).load(path)) << body;
    }
}

TEST(StreamedSheets, TruncatedAndBitFlippedCopiesAgreeWithLoading)
{
    TempDir dir;
    const std::string fixture = largeWorkbook(dir, "fixture.xlsx", 40, 12);
    const std::string bytes = testing_support::readFile(fixture);
    const std::string copy = dir.file("copy.xlsx");
    std::mt19937 random(20261209);
    for (std::size_t cut = 0; cut < bytes.size(); cut += 53) {
        testing_support::writeFile(copy, bytes.substr(0, cut));
        EXPECT_TRUE(streamsAsLoaded(copy, Book::FileFormat::Xlsx)) << "cut at " << cut;
    }
    for (int flip = 0; flip < 200; ++flip) {
        std::string damaged = bytes;
        const std::size_t at = random() % damaged.size();
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
        testing_support::writeFile(copy, damaged);
        EXPECT_TRUE(streamsAsLoaded(copy, Book::FileFormat::Xlsx)) << "flip at " << at;
    }
}

TEST(StreamedSheets, TheVisitorStopsAtACellItCannotTake)
{
    TempDir dir;
    const std::string path = dir.file("counts.xlsx");
    writeZip(path, package({{"S", sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c></row>"
                                           "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>n/a</t></is></c>"
                                           "<c r=\"C2\"><v>4</v></c></row>")}}));
    wb::WorkbookStream stream(Book::FileFormat::Xlsx);
    ASSERT_TRUE(stream.open(path));
    Collector counts;
    counts.stopAt = CellType::Text;
    EXPECT_EQ(stream.readSheet(0, counts), StreamEnd::Stopped);
    EXPECT_EQ(stream.errorMessage(), "");
    EXPECT_FALSE(stream.wasCancelled());
    ASSERT_EQ(counts.cells.size(), 4u);
    EXPECT_EQ(counts.cells.back(), (Seen{1, 1, CellType::Text, 0.0, "n/a"}));
    // The stream reads the sheet again from its start.
    Collector all;
    EXPECT_EQ(stream.readSheet(0, all), StreamEnd::Done);
    EXPECT_EQ(all.cells.size(), 5u);
    EXPECT_EQ(stream.readSheet(1, all), StreamEnd::Failed);
    EXPECT_FALSE(stream.errorMessage().empty());

    // The same of an .xls workbook, walked after loading: stopped at its first text.
    wb::WorkbookStream xls(Book::FileFormat::Xls);
    ASSERT_TRUE(xls.open(examplePath("river.xls"))) << xls.errorMessage();
    Collector river;
    river.stopAt = CellType::Text;
    EXPECT_EQ(xls.readSheet(0, river), StreamEnd::Stopped);
    EXPECT_EQ(river.cells.back().type, CellType::Text);
}

// A visitor that takes runs of numbers whole (CellVisitor::numbers) is handed the very
// cells, in the same order, that one taking them one by one is: runs longer than the
// reader gathers at once, runs broken by texts, gaps, rows and indentation, and a run
// after which the cells go back (the sheet then read whole and walked). One that stops
// in the middle of a run has seen the cells up to the one it stopped at, and no more.
TEST(StreamedSheets, RunsOfNumbersAreTheCellsOneByOne)
{
    class RunCollector : public Collector {
    public:
        std::vector<int> runs;  // the length of each run handed over whole
        std::optional<double> stopAtNumber;
        bool numbers(int row, int col, const double* values, int count) override
        {
            runs.push_back(count);
            for (int i = 0; i < count; ++i) {
                cells.push_back({row, col + i, CellType::Number, values[i], ""});
                if (stopAtNumber && values[i] == *stopAtNumber)
                    return false;
            }
            return true;
        }
    };
    const std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>a</t></si></sst>";
    auto cellAt = [](int row, int col, const std::string& rest) {
        return "<c r=\"" + wb::CellName(row, col) + "\"" + rest + "</c>";
    };
    std::string body;
    for (int row = 0; row < 6; ++row) {
        body += "<row r=\"" + std::to_string(row + 1) + "\">";
        for (int col = 0; col < 700; ++col) {
            if (col % 97 == 13)
                body += cellAt(row, col, " t=\"s\"><v>0</v>");  // a text in the run
            else if (col % 211 == 50)
                continue;  // a gap
            else if (col % 151 == 7)
                body += cellAt(row, col, "><v>2.5</v>");  // a number read the general way
            else
                body += (row % 2 ? "\n    " : "") + cellAt(row, col, std::string(row % 2 ? ">\n      " : ">") + "<v>"
                                                                      + std::to_string(row * 1000 + col) + "</v>"
                                                                      + (row % 2 ? "\n    " : ""));
        }
        body += "</row>";
    }
    TempDir dir;
    const std::string path = dir.file("runs.xlsx");
    writeZip(path, package({{"S", sheetXml(body)}}, sst));
    Book book(Book::FileFormat::Xlsx);
    ASSERT_TRUE(book.load(path)) << book.errorMessage();
    const std::vector<Seen> stored = storedCells(*book.getSheet(0));
    ASSERT_EQ(stored.size(), 6u * 696);

    wb::WorkbookStream stream(Book::FileFormat::Xlsx);
    ASSERT_TRUE(stream.open(path));
    RunCollector whole;
    ASSERT_EQ(stream.readSheet(0, whole), StreamEnd::Done) << stream.errorMessage();
    EXPECT_EQ(whole.cells, stored);
    ASSERT_FALSE(whole.runs.empty());
    EXPECT_GT(*std::max_element(whole.runs.begin(), whole.runs.end()), 50);

    // Stopped at the cell holding 3456 (row 4, column 456): every cell before it and it.
    RunCollector stopping;
    stopping.stopAtNumber = 3456;
    EXPECT_EQ(stream.readSheet(0, stopping), StreamEnd::Stopped);
    const auto at = std::find(stored.begin(), stored.end(), Seen{3, 456, CellType::Number, 3456, ""});
    ASSERT_NE(at, stored.end());
    EXPECT_EQ(stopping.cells, std::vector<Seen>(stored.begin(), at + 1));

    // A run after which the cells go back (to an earlier column, to an earlier row): the
    // sheet is read whole and walked.
    std::string run;
    for (int col = 100; col < 400; ++col)
        run += cellAt(1, col, "><v>" + std::to_string(col) + "</v>");
    const std::string bodies[] = {"<row r=\"2\">" + run + cellAt(1, 3, "><v>3</v>") + "</row>",
                                  "<row r=\"2\">" + run + "</row><row r=\"1\">" + cellAt(0, 0, "><v>1</v>") + "</row>"};
    for (const std::string& back : bodies) {
        const std::string file = dir.file("back.xlsx");
        std::filesystem::remove(file);
        writeZip(file, package({{"S", sheetXml(back)}}, sst));
        Book loaded(Book::FileFormat::Xlsx);
        ASSERT_TRUE(loaded.load(file)) << loaded.errorMessage();
        wb::WorkbookStream again(Book::FileFormat::Xlsx);
        ASSERT_TRUE(again.open(file));
        RunCollector walked;
        EXPECT_EQ(again.readSheet(0, walked), StreamEnd::Done);
        EXPECT_EQ(walked.restarts, 1);
        EXPECT_EQ(walked.cells, storedCells(*loaded.getSheet(0)));
        EXPECT_EQ(walked.cells.size(), 301u);
    }
}

TEST(StreamedSheets, TheStatedExtentComesBeforeTheFirstCell)
{
    TempDir dir;
    const std::string cells = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"B2\"><v>2</v></c></row>";
    const std::string head = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    struct Case {
        std::string sheet;
        std::vector<std::array<std::size_t, 3>> extents;
    };
    const Case cases[] = {
        // As spreadsheet programs write it: A1 to the last cell, here larger than the cells.
        {head + "<dimension ref=\"A1:C5\"/><sheetData>" + cells + "</sheetData></worksheet>", {{5, 3, 0}}},
        {head + "<dimension ref=\"B2\"/><sheetData>" + cells + "</sheetData></worksheet>", {{2, 2, 0}}},
        // None stated, one that cannot be read, one after the cells: nothing is told.
        {head + "<sheetData>" + cells + "</sheetData></worksheet>", {}},
        {head + "<dimension ref=\"A1:ZZZZ9\"/><sheetData>" + cells + "</sheetData></worksheet>", {}},
        {head + "<sheetData>" + cells + "</sheetData><dimension ref=\"A1:B2\"/></worksheet>", {}},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("extent.xlsx");
        std::filesystem::remove(path);
        writeZip(path, package({{"S", c.sheet}}));
        wb::WorkbookStream stream(Book::FileFormat::Xlsx);
        ASSERT_TRUE(stream.open(path));
        Collector collector;
        ASSERT_EQ(stream.readSheet(0, collector), StreamEnd::Done) << stream.errorMessage();
        EXPECT_EQ(collector.extents, c.extents) << c.sheet;
        EXPECT_EQ(collector.cells.size(), 2u);
    }
    // Cells out of order: the sheet's own extent after restart, before the walk.
    const std::string path = dir.file("disordered.xlsx");
    writeZip(path, package({{"S", head + "<dimension ref=\"A1:B2\"/><sheetData><row r=\"3\"><c r=\"D3\"><v>3</v></c></row>"
                                   + cells + "</sheetData></worksheet>"}}));
    wb::WorkbookStream stream(Book::FileFormat::Xlsx);
    ASSERT_TRUE(stream.open(path));
    Collector collector;
    ASSERT_EQ(stream.readSheet(0, collector), StreamEnd::Done);
    EXPECT_EQ(collector.restarts, 1);
    ASSERT_EQ(collector.extents.size(), 2u);
    EXPECT_EQ(collector.extents.back(), (std::array<std::size_t, 3>{3, 4, 0}));
    EXPECT_EQ(collector.cells.size(), 3u);

    // An .xls sheet, loaded first: its extent as loaded.
    Book river(Book::FileFormat::Xls);
    ASSERT_TRUE(river.load(examplePath("river.xls")));
    wb::WorkbookStream xls(Book::FileFormat::Xls);
    ASSERT_TRUE(xls.open(examplePath("river.xls")));
    Collector xlsCells;
    ASSERT_EQ(xls.readSheet(0, xlsCells), StreamEnd::Done);
    EXPECT_EQ(xlsCells.extents, (std::vector<std::array<std::size_t, 3>>{
                                    {static_cast<std::size_t>(river.getSheet(0)->lastRow()),
                                     static_cast<std::size_t>(river.getSheet(0)->lastCol()), 0}}));
}

TEST(ReadProgress, LoadAndStreamCountTheCellPartsToTheirTotalOnTheReadingThread)
{
    TempDir dir;
    std::size_t partBytes = 0;
    const std::string path = largeWorkbook(dir, "large.xlsx", 400, 200, &partBytes);
    ASSERT_GT(partBytes, std::size_t{2} << 20);

    // On a thread of its own, as the desktop reads: every call on that thread.
    std::vector<Call> calls;
    bool loaded = false;
    std::thread::id worker;
    Book book(Book::FileFormat::Xlsx);
    std::thread reader([&] {
        worker = std::this_thread::get_id();
        loaded = book.load(path, recordingInto(calls));
    });
    reader.join();
    ASSERT_TRUE(loaded) << book.errorMessage();
    EXPECT_FALSE(book.wasCancelled());
    EXPECT_TRUE(progressedWell(calls, worker, partBytes));
    EXPECT_GE(calls.size(), partBytes / (std::size_t{256} << 10));
    EXPECT_EQ(book.getSheet(0)->data().cellCount(), 400u * 200u);

    std::vector<Call> streamCalls;
    wb::WorkbookStream stream(Book::FileFormat::Xlsx);
    ASSERT_TRUE(stream.open(path));
    Collector cells;
    EXPECT_EQ(stream.readSheet(0, cells, recordingInto(streamCalls)), StreamEnd::Done);
    EXPECT_TRUE(progressedWell(streamCalls, std::this_thread::get_id(), partBytes));
    EXPECT_EQ(cells.cells.size(), 400u * 200u);

    // Two books read at once on two threads each see only their own progress.
    std::vector<Call> first, second;
    Book one(Book::FileFormat::Xlsx), two(Book::FileFormat::Xls);
    std::thread::id firstThread, secondThread;
    std::thread a([&] {
        firstThread = std::this_thread::get_id();
        EXPECT_TRUE(one.load(path, recordingInto(first)));
    });
    std::thread b([&] {
        secondThread = std::this_thread::get_id();
        EXPECT_TRUE(two.load(examplePath("river.xls"), recordingInto(second)));
    });
    a.join();
    b.join();
    EXPECT_TRUE(progressedWell(first, firstThread, partBytes));
    EXPECT_TRUE(progressedWell(second, secondThread));
    EXPECT_EQ(one.getSheet(0)->data().cellCount(), 400u * 200u);
}

TEST(ReadCancel, ACancelledReadLeavesTheBookAsItWas)
{
    TempDir dir;
    const std::string large = largeWorkbook(dir, "large.xlsx", 300, 200);
    const std::string small = dir.file("small.xlsx");
    writeZip(small, package({{"Small", sheetXml("<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>")}}));

    for (std::size_t stopAt : {1u, 4u}) {
        Book book(Book::FileFormat::Xlsx);
        ASSERT_TRUE(book.load(small));
        std::vector<Call> calls;
        EXPECT_FALSE(book.load(large, recordingInto(calls, stopAt))) << "stopped at call " << stopAt;
        EXPECT_TRUE(book.wasCancelled());
        EXPECT_EQ(book.errorMessage(), wb::kReadCancelled);
        EXPECT_EQ(calls.size(), stopAt);
        ASSERT_EQ(book.sheetCount(), 1);
        EXPECT_EQ(book.getSheet(0)->name(), "Small");
        EXPECT_EQ(book.getSheet(0)->readNum(0, 0), 7.0);
        // A load after it is a load like any other.
        EXPECT_TRUE(book.load(large, recordingInto(calls)));
        EXPECT_FALSE(book.wasCancelled());
        EXPECT_EQ(book.getSheet(0)->data().cellCount(), 300u * 200u);
    }

    // The last call of a small file's read is the only one, and may stop it too.
    Book xls(Book::FileFormat::Xls);
    std::vector<Call> calls;
    EXPECT_FALSE(xls.load(examplePath("river.xls"), recordingInto(calls, 1)));
    EXPECT_TRUE(xls.wasCancelled());
    EXPECT_EQ(xls.sheetCount(), 0);
    wb::WorkbookStream xlsStream(Book::FileFormat::Xls);
    calls.clear();
    EXPECT_FALSE(xlsStream.open(examplePath("river.xls"), recordingInto(calls, 1)));
    EXPECT_TRUE(xlsStream.wasCancelled());
    EXPECT_EQ(xlsStream.sheetCount(), 0);

    // A stream cancelled midway has handed over the first cells only, and reads again.
    Book loaded(Book::FileFormat::Xlsx);
    ASSERT_TRUE(loaded.load(large));
    const std::vector<Seen> expected = storedCells(*loaded.getSheet(0));
    wb::WorkbookStream stream(Book::FileFormat::Xlsx);
    ASSERT_TRUE(stream.open(large));
    for (std::size_t stopAt : {1u, 3u}) {
        Collector cells;
        calls.clear();
        EXPECT_EQ(stream.readSheet(0, cells, recordingInto(calls, stopAt)), StreamEnd::Cancelled);
        EXPECT_TRUE(stream.wasCancelled());
        EXPECT_EQ(stream.errorMessage(), wb::kReadCancelled);
        ASSERT_LT(cells.cells.size(), expected.size());
        EXPECT_TRUE(std::equal(cells.cells.begin(), cells.cells.end(), expected.begin()));
    }
    Collector whole;
    EXPECT_EQ(stream.readSheet(0, whole), StreamEnd::Done);
    EXPECT_FALSE(stream.wasCancelled());
    EXPECT_EQ(whole.cells, expected);
}
