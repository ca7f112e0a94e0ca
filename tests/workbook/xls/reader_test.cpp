// The .xls reader on files from an independent writer (python3-xlwt) and on files whose
// bytes are built here, for what xlwt cannot make: cached formula results, an SST split
// by CONTINUE, a workbook small enough for the mini stream, BIFF5, an encrypted file and
// damaged ones.
#include <gtest/gtest.h>
#include <limits>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/memory_limit.h"
#include "tests/support/temp_dir.h"
#include "workbook/book.h"
#include "workbook/xls/codec.h"

namespace {

using testing_support::TempDir;
using testing_support::readFile;
using testing_support::runPython;
using testing_support::writeFile;

using Bytes = std::string;

void add16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void add32(Bytes& b, std::uint32_t v)
{
    add16(b, v & 0xFFFF);
    add16(b, v >> 16);
}
void addDouble(Bytes& b, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    add32(b, static_cast<std::uint32_t>(bits));
    add32(b, static_cast<std::uint32_t>(bits >> 32));
}
void put32At(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

Bytes record(unsigned type, const Bytes& body)
{
    Bytes r;
    add16(r, type);
    add16(r, static_cast<unsigned>(body.size()));
    return r + body;
}

Bytes bof(unsigned version, unsigned kind)
{
    Bytes b;
    add16(b, version);
    add16(b, kind);
    add16(b, 0x0DBB);
    add16(b, 0x07CC);
    if (version == 0x0600) {
        add32(b, 0);
        add32(b, 6);
    }
    return record(0x0809, b);
}

Bytes eof() { return record(0x000A, {}); }

// A cell record's row, column and XF.
Bytes cellHead(int row, int col)
{
    Bytes b;
    add16(b, static_cast<unsigned>(row));
    add16(b, static_cast<unsigned>(col));
    add16(b, 15);
    return b;
}

Bytes number(int row, int col, double v)
{
    Bytes b = cellHead(row, col);
    addDouble(b, v);
    return record(0x0203, b);
}

Bytes rk(int row, int col, std::uint32_t value)
{
    Bytes b = cellHead(row, col);
    add32(b, value);
    return record(0x027E, b);
}

Bytes labelSst(int row, int col, std::uint32_t index)
{
    Bytes b = cellHead(row, col);
    add32(b, index);
    return record(0x00FD, b);
}

// A FORMULA record with an 8-byte cached result and a one-token formula (the number 1).
Bytes formula(int row, int col, const Bytes& result8)
{
    Bytes b = cellHead(row, col) + result8;
    add16(b, 0);
    add32(b, 0);
    add16(b, 3);
    b += "\x1E\x01";
    b.push_back('\0');
    return record(0x0006, b);
}

Bytes taggedResult(unsigned kind, unsigned value)
{
    Bytes r;
    r.push_back(static_cast<char>(kind));
    r.push_back('\0');
    r.push_back(static_cast<char>(value));
    r.append(3, '\0');
    add16(r, 0xFFFF);
    return r;
}

// 8-bit text with a 16-bit count (LABEL, STRING, SST entries).
Bytes text8(const std::string& latin1)
{
    Bytes b;
    add16(b, static_cast<unsigned>(latin1.size()));
    b.push_back('\0');
    return b + latin1;
}

struct SheetSpec {
    std::string name;
    Bytes cells;         // records between the sheet's BOF and EOF
    unsigned kind = 0;   // BOUNDSHEET type: 0 worksheet, 2 chart
};

// A workbook stream: globals (BOF, extra records, one BOUNDSHEET per sheet, EOF) and
// the sheets' substreams, the BOUNDSHEET positions filled in.
Bytes workbookStream(const std::vector<SheetSpec>& sheets, const Bytes& globalsExtra, unsigned version = 0x0600)
{
    Bytes globals = bof(version, 0x0005) + globalsExtra;
    std::vector<std::size_t> fields;
    for (const SheetSpec& s : sheets) {
        Bytes b;
        add32(b, 0);
        b.push_back('\0');
        b.push_back(static_cast<char>(s.kind));
        b.push_back(static_cast<char>(s.name.size()));
        if (version == 0x0600)
            b.push_back('\0');
        b += s.name;
        fields.push_back(globals.size() + 4);
        globals += record(0x0085, b);
    }
    globals += eof();
    Bytes stream = globals;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        put32At(stream, fields[i], static_cast<std::uint32_t>(stream.size()));
        stream += bof(version, sheets[i].kind == 2 ? 0x0020 : 0x0010) + sheets[i].cells + eof();
    }
    return stream;
}

void dirEntry(Bytes& out, const std::u16string& name, unsigned type, std::uint32_t child, std::uint32_t start,
              std::uint32_t size)
{
    Bytes e;
    for (char16_t c : name)
        add16(e, c);
    e.resize(64, '\0');
    add16(e, name.empty() ? 0 : static_cast<unsigned>((name.size() + 1) * 2));
    e.push_back(static_cast<char>(type));
    e.push_back('\1');
    add32(e, 0xFFFFFFFF);
    add32(e, 0xFFFFFFFF);
    add32(e, child);
    e.resize(0x74, '\0');
    add32(e, start);
    add32(e, size);
    add32(e, 0);
    out += e;
}

// A compound file holding one stream, either in regular sectors (stream of 4096 bytes or
// more, at most about 60 KB) or in the mini stream (under 4096 bytes).
Bytes compoundFile(const Bytes& stream, bool mini, const std::u16string& streamName = u"Workbook")
{
    constexpr std::size_t kSector = 512;
    auto sectorsFor = [](std::size_t n, std::size_t unit) { return static_cast<std::uint32_t>((n + unit - 1) / unit); };
    std::vector<std::uint32_t> fat(128, 0xFFFFFFFF);
    Bytes body;  // sectors from 0
    Bytes dir;
    std::uint32_t dirSector, fatSector, miniFatSector = 0xFFFFFFFE;
    if (mini) {
        const std::uint32_t miniSectors = sectorsFor(stream.size(), 64);
        const std::uint32_t dataSectors = sectorsFor(miniSectors * 64, kSector);
        dirSector = 0;
        fatSector = 1;
        miniFatSector = 2;
        fat[0] = 0xFFFFFFFE;
        fat[1] = 0xFFFFFFFD;
        fat[2] = 0xFFFFFFFE;
        for (std::uint32_t i = 0; i < dataSectors; ++i)
            fat[3 + i] = i + 1 < dataSectors ? 3 + i + 1 : 0xFFFFFFFE;
        dirEntry(dir, u"Root Entry", 5, 1, 3, miniSectors * 64);
        dirEntry(dir, streamName, 2, 0xFFFFFFFF, 0, static_cast<std::uint32_t>(stream.size()));
        dir.resize(kSector, '\0');
        Bytes miniFat;
        for (std::uint32_t i = 0; i < 128; ++i)
            add32(miniFat, i + 1 < miniSectors ? i + 1 : (i + 1 == miniSectors ? 0xFFFFFFFE : 0xFFFFFFFF));
        Bytes data = stream;
        data.resize(dataSectors * kSector, '\0');
        Bytes fatBytes;
        for (std::uint32_t id : fat)
            add32(fatBytes, id);
        body = dir + fatBytes + miniFat + data;
    } else {
        const std::uint32_t n = sectorsFor(stream.size(), kSector);
        for (std::uint32_t i = 0; i < n; ++i)
            fat[i] = i + 1 < n ? i + 1 : 0xFFFFFFFE;
        dirSector = n;
        fatSector = n + 1;
        fat[dirSector] = 0xFFFFFFFE;
        fat[fatSector] = 0xFFFFFFFD;
        Bytes data = stream;
        data.resize(n * kSector, '\0');
        dirEntry(dir, u"Root Entry", 5, 1, 0xFFFFFFFE, 0);
        dirEntry(dir, streamName, 2, 0xFFFFFFFF, 0, static_cast<std::uint32_t>(stream.size()));
        dir.resize(kSector, '\0');
        Bytes fatBytes;
        for (std::uint32_t id : fat)
            add32(fatBytes, id);
        body = data + dir + fatBytes;
    }
    Bytes h("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h.resize(24, '\0');
    add16(h, 0x3E);
    add16(h, 3);
    add16(h, 0xFFFE);
    add16(h, 9);
    add16(h, 6);
    h.append(6, '\0');
    add32(h, 0);
    add32(h, 1);
    add32(h, dirSector);
    add32(h, 0);
    add32(h, 4096);
    add32(h, miniFatSector);
    add32(h, mini ? 1 : 0);
    add32(h, 0xFFFFFFFE);
    add32(h, 0);
    add32(h, fatSector);
    for (int i = 1; i < 109; ++i)
        add32(h, 0xFFFFFFFF);
    return h + body;
}

// A stream of at least 4096 bytes, so that it lives in regular sectors.
Bytes padded(Bytes stream)
{
    if (stream.size() < 4096)
        stream.resize(4096, '\0');
    return stream;
}

struct Loaded {
    bool ok = false;
    std::string error;
    wb::WorkbookData book;
};

Loaded load(const Bytes& file)
{
    TempDir dir;
    std::string path = dir.file("book.xls");
    writeFile(path, file);
    Loaded l;
    l.ok = wb::readXlsFile(path, l.book, l.error);
    return l;
}

std::optional<wb::Cell> cellAt(const wb::SheetData& s, int row, int col) { return s.find(row, col); }

void expectNumber(const wb::SheetData& s, int row, int col, double v)
{
    const std::optional<wb::Cell> c = cellAt(s, row, col);
    ASSERT_TRUE(c.has_value()) << row << "," << col;
    EXPECT_EQ(c->type, wb::CellType::Number) << row << "," << col;
    EXPECT_DOUBLE_EQ(c->number, v) << row << "," << col;
}

void expectText(const wb::SheetData& s, int row, int col, const std::string& v)
{
    const std::optional<wb::Cell> c = cellAt(s, row, col);
    ASSERT_TRUE(c.has_value()) << row << "," << col;
    ASSERT_EQ(c->type, wb::CellType::Text) << row << "," << col;
    EXPECT_EQ(s.textOf(*c), v) << row << "," << col;
}

void expectKind(const wb::SheetData& s, int row, int col, wb::CellType type, double value)
{
    const std::optional<wb::Cell> c = cellAt(s, row, col);
    ASSERT_TRUE(c.has_value()) << row << "," << col;
    EXPECT_EQ(c->type, type) << row << "," << col;
    EXPECT_EQ(c->number, value) << row << "," << col;
}

// ---------------------------------------------------------------------------------------
// Files written by xlwt.

const char* kXlwtScript = R"PY(
import sys, datetime, xlwt
wb = xlwt.Workbook(encoding='utf-8')
s = wb.add_sheet('Numbers')
# integers (RK, and MULRK for runs), other numbers (NUMBER or RK*100)
for c, v in enumerate([1, 2, 3, -7, 536870911]):
    s.write(0, c, v)
s.write(1, 0, 3.14159)
s.write(1, 1, -2.5)
s.write(1, 2, 1e100)
s.write(1, 3, 123456789012)
s.write(1, 4, 12.34)
s.write(2, 0, datetime.datetime(2020, 3, 15), xlwt.easyxf(num_format_str='DD-MM-YYYY'))
s.write(3, 0, True)
s.write(3, 1, False)
s.row(3).set_cell_error(2, '#DIV/0!')
s.row(3).set_cell_error(3, 0x2A)  # xlwt's '#N/A' text is unknown to it
s.write(4, 0, None, xlwt.easyxf('font: bold on'))
s.row(4).set_cell_mulblanks(2, 5, xlwt.easyxf('font: bold on'))
t = wb.add_sheet('Texte Größe')
for r in range(5):
    t.write(r, 0, 'Navicula')
t.write(0, 1, 'Größe µg/l')
t.write(0, 2, 'Ωmega 日本')
t.write(600, 200, 'far')
t.write(1000, 3, 42)
big = wb.add_sheet('Big')
for r in range(600):
    for c in range(100):
        big.write(r, c, r * 100 + c)
wb.save(sys.argv[1])
)PY";

class XlwtFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        path_ = dir_->file("xlwt.xls");
        ASSERT_EQ(runPython(kXlwtScript, testing_support::shellQuote(path_)), 0);
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static TempDir* dir_;
    static std::string path_;
};
TempDir* XlwtFiles::dir_ = nullptr;
std::string XlwtFiles::path_;

TEST_F(XlwtFiles, KindsAndValuesOfEveryCellKind)
{
    wb::WorkbookData book;
    std::string error;
    ASSERT_TRUE(wb::readXlsFile(path_, book, error)) << error;
    ASSERT_EQ(book.sheets.size(), 3u);
    EXPECT_EQ(book.sheets[0].name, "Numbers");
    EXPECT_EQ(book.sheets[1].name, "Texte Größe");
    EXPECT_EQ(book.sheets[2].name, "Big");

    const wb::SheetData& s = book.sheets[0];
    expectNumber(s, 0, 0, 1);
    expectNumber(s, 0, 2, 3);
    expectNumber(s, 0, 3, -7);
    expectNumber(s, 0, 4, 536870911);  // the largest 30-bit RK integer
    expectNumber(s, 1, 0, 3.14159);
    expectNumber(s, 1, 1, -2.5);
    expectNumber(s, 1, 2, 1e100);
    expectNumber(s, 1, 3, 123456789012.0);
    expectNumber(s, 1, 4, 12.34);
    // 15 March 2020 is 43905 days after 30 December 1899 (the 1900 system's day 0).
    expectNumber(s, 2, 0, 43905);
    expectKind(s, 3, 0, wb::CellType::Boolean, 1);
    expectKind(s, 3, 1, wb::CellType::Boolean, 0);
    expectKind(s, 3, 2, wb::CellType::Error, 0x07);
    expectKind(s, 3, 3, wb::CellType::Error, 0x2A);
    expectKind(s, 4, 0, wb::CellType::Blank, 0);
    for (int c = 2; c <= 5; ++c)
        expectKind(s, 4, c, wb::CellType::Blank, 0);
    EXPECT_FALSE(s.find(4, 1));
    EXPECT_EQ(s.rowEnd(), 5);
    EXPECT_EQ(s.colEnd(), 6);

    const wb::SheetData& t = book.sheets[1];
    for (int r = 0; r < 5; ++r)
        expectText(t, r, 0, "Navicula");
    expectText(t, 0, 1, "Größe µg/l");
    expectText(t, 0, 2, "Ωmega 日本");
    expectText(t, 600, 200, "far");
    expectNumber(t, 1000, 3, 42);
    EXPECT_FALSE(t.find(599, 200));
    EXPECT_EQ(t.rowEnd(), 1001);
    EXPECT_EQ(t.colEnd(), 201);

    const wb::SheetData& big = book.sheets[2];
    EXPECT_EQ(big.cellCount(), 60000u);
    EXPECT_EQ(big.rowEnd(), 600);
    EXPECT_EQ(big.colEnd(), 100);
    double sum = 0;
    for (int r = 0; r < 600; ++r)
        for (int c = 0; c < 100; ++c) {
            const std::optional<wb::Cell> cell = big.find(r, c);
            ASSERT_TRUE(cell && cell->type == wb::CellType::Number);
            sum += cell->number;
        }
    // Sum of r*100+c over r<600, c<100: 100*100*(599*600/2) + 600*(99*100/2).
    EXPECT_DOUBLE_EQ(sum, 100.0 * 100 * 179700 + 600.0 * 4950);
}

TEST_F(XlwtFiles, ThroughTheBookLayer)
{
    auto book = wb::xlCreateBook();
    ASSERT_TRUE(book->load(path_)) << book->errorMessage();
    ASSERT_EQ(book->sheetCount(), 3);
    const wb::Sheet* s = book->getSheet(1);
    EXPECT_EQ(s->cellType(0, 0), wb::CellType::Text);
    EXPECT_EQ(s->readStr(0, 1).value_or(""), "Größe µg/l");
    EXPECT_EQ(s->cellType(2, 2), wb::CellType::Empty);
}

// ---------------------------------------------------------------------------------------
// Built fixtures.

Bytes formulaSheet()
{
    Bytes cells;
    Bytes dims;  // claims far fewer rows and columns than there are cells
    add32(dims, 0);
    add32(dims, 1);
    add16(dims, 0);
    add16(dims, 1);
    add16(dims, 0);
    cells += record(0x0200, dims);
    Bytes cached;
    addDouble(cached, 3.5);
    cells += formula(0, 0, cached);
    cells += formula(0, 1, taggedResult(0, 0)) + record(0x0207, text8("Total"));
    cells += formula(0, 2, taggedResult(1, 1));
    cells += formula(0, 3, taggedResult(2, 0x07));
    cells += formula(0, 4, taggedResult(3, 0));
    cells += formula(0, 5, taggedResult(0xEE, 0));  // an unknown tag: nothing cached
    // A text result split over a CONTINUE record that switches to 16-bit characters.
    Bytes head;
    add16(head, 5);
    head.push_back('\0');
    head += "ab";
    Bytes rest;
    rest.push_back('\1');
    add16(rest, 0x00E4);
    add16(rest, 0x03A9);
    add16(rest, 0x0021);
    cells += formula(0, 6, taggedResult(0, 0)) + record(0x0207, head) + record(0x003C, rest);

    // RK: integer, integer/100, the high half of a double, a negative integer.
    cells += rk(1, 0, (42u << 2) | 2);
    cells += rk(1, 1, (1234u << 2) | 3);
    cells += rk(1, 2, 0x3FF80000);  // 1.5
    cells += rk(1, 3, (static_cast<std::uint32_t>(-7) << 2) | 2);
    cells += rk(1, 4, 0x405EC000 | 1);  // 123 / 100
    Bytes mulrk = cellHead(2, 1).substr(0, 4);
    for (std::uint32_t v : {10u, 20u, 30u}) {
        add16(mulrk, 15);
        add32(mulrk, (v << 2) | 2);
    }
    add16(mulrk, 3);
    cells += record(0x00BD, mulrk);
    cells += record(0x0204, cellHead(3, 0) + text8("label \xE9"));
    Bytes rstring = cellHead(3, 1) + text8("rich");
    add16(rstring, 1);
    add32(rstring, 0);
    cells += record(0x00D6, rstring);
    Bytes boolerr = cellHead(3, 2);
    boolerr += "\x01";
    boolerr.push_back('\0');
    cells += record(0x0205, boolerr);
    Bytes mulblank = cellHead(4, 2).substr(0, 4);
    for (int i = 0; i < 3; ++i)
        add16(mulblank, 15);
    add16(mulblank, 4);
    cells += record(0x00BE, mulblank);
    cells += record(0x0201, cellHead(5, 9));
    // An embedded chart's substream: its records are not the sheet's cells.
    cells += bof(0x0600, 0x0020) + number(7, 7, 99) + eof();
    return cells;
}

Bytes formulaBook()
{
    return workbookStream({{"Formulas", formulaSheet()}, {"Chart1", {}, 2}, {"After", number(0, 0, 8)}}, {});
}

void checkFormulaBook(const wb::WorkbookData& book)
{
    ASSERT_EQ(book.sheets.size(), 2u);  // the chart sheet is left out
    EXPECT_EQ(book.sheets[1].name, "After");
    expectNumber(book.sheets[1], 0, 0, 8);
    const wb::SheetData& s = book.sheets[0];
    expectNumber(s, 0, 0, 3.5);
    expectText(s, 0, 1, "Total");
    expectKind(s, 0, 2, wb::CellType::Boolean, 1);
    expectKind(s, 0, 3, wb::CellType::Error, 0x07);
    expectText(s, 0, 4, "");
    EXPECT_FALSE(s.find(0, 5));
    expectText(s, 0, 6, "abäΩ!");
    expectNumber(s, 1, 0, 42);
    expectNumber(s, 1, 1, 12.34);
    expectNumber(s, 1, 2, 1.5);
    expectNumber(s, 1, 3, -7);
    expectNumber(s, 1, 4, 1.23);
    expectNumber(s, 2, 1, 10);
    expectNumber(s, 2, 2, 20);
    expectNumber(s, 2, 3, 30);
    expectText(s, 3, 0, "label é");
    expectText(s, 3, 1, "rich");
    expectKind(s, 3, 2, wb::CellType::Boolean, 1);
    for (int c = 2; c <= 4; ++c)
        expectKind(s, 4, c, wb::CellType::Blank, 0);
    expectKind(s, 5, 9, wb::CellType::Blank, 0);
    EXPECT_FALSE(s.find(7, 7));
    // Ends from the cells, not from the DIMENSIONS record's 1 x 1.
    EXPECT_EQ(s.rowEnd(), 6);
    EXPECT_EQ(s.colEnd(), 10);
}

TEST(XlsBuiltFixtures, FormulaResultsRkMulrkAndOtherCellRecords)
{
    Loaded l = load(compoundFile(padded(formulaBook()), false));
    ASSERT_TRUE(l.ok) << l.error;
    checkFormulaBook(l.book);
}

TEST(XlsBuiltFixtures, NumbersThatAreNotNumbersReadAsErrors)
{
    // NaN and the infinities in a NUMBER record, and an RK whose upper 30 bits make an
    // infinity (0x7FF00000: exponent all ones, mantissa 0, not an integer, no /100).
    Bytes cells = number(0, 0, std::numeric_limits<double>::quiet_NaN()) +
                  number(0, 1, std::numeric_limits<double>::infinity()) +
                  number(0, 2, -std::numeric_limits<double>::infinity()) + rk(0, 3, 0x7FF00000u) + number(0, 4, 2.5);
    Loaded l = load(compoundFile(padded(workbookStream({{"Sheet1", cells}}, {})), false));
    ASSERT_TRUE(l.ok) << l.error;
    const wb::SheetData& s = l.book.sheets.at(0);
    for (int col = 0; col < 4; ++col)
        expectKind(s, 0, col, wb::CellType::Error, 0x24);
    expectNumber(s, 0, 4, 2.5);
}

TEST(XlsBuiltFixtures, WorkbookInTheMiniStream)
{
    Bytes stream = formulaBook();
    ASSERT_LT(stream.size(), 4096u);
    Loaded l = load(compoundFile(stream, true));
    ASSERT_TRUE(l.ok) << l.error;
    checkFormulaBook(l.book);
}

// An SST of four strings over three records: a 9000-character string split in the
// middle, continued as 16-bit characters; a string with rich-text runs and phonetic data;
// a string that starts right at a CONTINUE boundary.
Bytes sstRecords(std::uint32_t claimedUnique = 4)
{
    Bytes first;
    add32(first, 6);
    add32(first, claimedUnique);
    first += text8("alpha");
    Bytes longHead;
    add16(longHead, 9000);
    longHead.push_back('\0');
    first += longHead + std::string(8224 - first.size() - 3, 'x');
    const std::size_t inFirst = 8224 - 8 - 8 - 3;  // characters of the long string in the SST record
    Bytes second;
    second.push_back('\1');
    for (std::size_t i = inFirst; i < 9000; ++i)
        add16(second, 0x0416);  // Cyrillic Zhe
    // Rich text (2 runs) and phonetic data (6 bytes) around "rich".
    add16(second, 4);
    second.push_back('\x0C');
    add16(second, 2);
    add32(second, 6);
    second += "rich";
    second += Bytes(8, '\x01') + Bytes(6, '\x02');
    Bytes third = text8("edge");
    return record(0x00FC, first) + record(0x003C, second) + record(0x003C, third);
}

TEST(XlsBuiltFixtures, SharedStringsSplitByContinue)
{
    Bytes cells = labelSst(0, 0, 0) + labelSst(1, 0, 1) + labelSst(2, 0, 2) + labelSst(3, 0, 3) + labelSst(4, 0, 0);
    Loaded l = load(compoundFile(workbookStream({{"Strings", cells}}, sstRecords()), false));
    ASSERT_TRUE(l.ok) << l.error;
    const wb::SheetData& s = l.book.sheets[0];
    expectText(s, 0, 0, "alpha");
    expectText(s, 4, 0, "alpha");
    std::string expected(8224 - 19, 'x');
    for (std::size_t i = expected.size(); i < 9000; ++i)
        expected += "Ж";
    expectText(s, 1, 0, expected);
    expectText(s, 2, 0, "rich");
    expectText(s, 3, 0, "edge");
}

TEST(XlsBuiltFixtures, Biff5BookStream)
{
    Bytes label;
    add16(label, 0);
    add16(label, 0);
    add16(label, 15);
    add16(label, 4);
    label += "Na\xEFve";
    label.resize(label.size() - 1);
    Bytes cells = record(0x0204, label) + number(1, 0, 2.25);
    Bytes stream = workbookStream({{"Alt", cells}}, {}, 0x0500);
    Loaded l = load(compoundFile(padded(stream), false, u"Book"));
    ASSERT_TRUE(l.ok) << l.error;
    ASSERT_EQ(l.book.sheets.size(), 1u);
    EXPECT_EQ(l.book.sheets[0].name, "Alt");
    expectText(l.book.sheets[0], 0, 0, "Na\xC3\xAFv");
    expectNumber(l.book.sheets[0], 1, 0, 2.25);
}

TEST(XlsBuiltFixtures, EncryptedWorkbookFailsWithAClearReason)
{
    Bytes filepass;
    add16(filepass, 1);
    filepass += Bytes(52, '\0');
    Loaded l = load(compoundFile(padded(workbookStream({{"S", number(0, 0, 1)}}, record(0x002F, filepass))), false));
    EXPECT_FALSE(l.ok);
    EXPECT_NE(l.error.find("encrypted"), std::string::npos) << l.error;
    EXPECT_TRUE(l.book.sheets.empty());
}

TEST(XlsBuiltFixtures, HostileRecordsAreRefused)
{
    struct Case {
        const char* what;
        Bytes stream;
    };
    // The SST claims four billion strings and holds one: nothing is sized by the claim,
    // and a cell that refers past the real strings is refused.
    Bytes hugeSst;
    add32(hugeSst, 0xFFFFFFFF);
    add32(hugeSst, 0xFFFFFFFF);
    hugeSst += text8("one");
    // A NUMBER header claiming 16 KB at the end of the sheet, in a 4 KB stream.
    Bytes longRecord = workbookStream({{"S", number(0, 0, 1) + Bytes("\x03\x02\x00\x40", 4)}}, {});
    Bytes sameOffset = workbookStream({{"A", number(0, 0, 1)}, {"B", number(0, 0, 2)}}, {});
    // Point the second BOUNDSHEET at the first sheet.
    const std::size_t firstField = 20 + 4, secondField = firstField + 4 + 10;
    sameOffset.replace(secondField, 4, sameOffset.substr(firstField, 4));
    Bytes outside = workbookStream({{"A", number(0, 0, 1)}}, {});
    put32At(outside, firstField, 0x7FFFFFF0);
    const Bytes sheetWithoutEof = workbookStream({{"S", number(0, 0, 1)}}, {});
    const std::vector<Case> cases = {
        {"shared string index", workbookStream({{"S", labelSst(0, 0, 1)}}, record(0x00FC, hugeSst))},
        {"column 300", workbookStream({{"S", number(0, 300, 1)}}, {})},
        {"MULRK past column 256", workbookStream({{"S", record(0x00BD, cellHead(0, 254).substr(0, 4) + Bytes(20, '\0'))}}, {})},
        {"record past the stream", longRecord},
        {"two sheets on one place", sameOffset},
        {"sheet outside the stream", outside},
        {"no workbook globals", number(0, 0, 1) + eof()},
        {"short NUMBER", workbookStream({{"S", record(0x0203, Bytes(8, '\0'))}}, {})},
        {"sheet without EOF", sheetWithoutEof.substr(0, sheetWithoutEof.size() - 4)},
    };
    for (const Case& c : cases) {
        Loaded l = load(compoundFile(padded(c.stream), false));
        EXPECT_FALSE(l.ok) << c.what;
        EXPECT_FALSE(l.error.empty()) << c.what;
        EXPECT_TRUE(l.book.sheets.empty()) << c.what;
    }
    // A huge SST count with the strings it really has is fine.
    Loaded fine = load(compoundFile(padded(workbookStream({{"S", labelSst(0, 0, 0)}}, record(0x00FC, hugeSst))), false));
    ASSERT_TRUE(fine.ok) << fine.error;
    expectText(fine.book.sheets[0], 0, 0, "one");
}

TEST(XlsBuiltFixtures, ACellGivenTwiceIsRefusedAsDamagedNamingIt)
{
    // One program reads the first of two records of one cell, another the last: the
    // counts read would depend on the program.
    Bytes mulrk = cellHead(2, 1).substr(0, 4);
    for (std::uint32_t v : {10u, 20u, 30u}) {
        add16(mulrk, 15);
        add32(mulrk, (v << 2) | 2);
    }
    add16(mulrk, 3);
    Bytes mulblank = cellHead(2, 0).substr(0, 4);
    for (int i = 0; i < 3; ++i)
        add16(mulblank, 15);
    add16(mulblank, 2);
    const std::pair<Bytes, const char*> cases[] = {
        {number(0, 0, 1) + number(0, 1, 2) + number(0, 1, 3), "B1"},
        {number(4, 2, 1) + rk(4, 2, (5u << 2) | 2), "C5"},
        {number(2, 3, 1) + record(0x00BD, mulrk), "D3"},
        {record(0x00BD, mulrk) + record(0x00BE, mulblank), "B3"},
        {labelSst(1, 0, 0) + formula(1, 0, taggedResult(1, 1)), "A2"},
    };
    Bytes sst;
    add32(sst, 1);
    add32(sst, 1);
    sst += text8("one");
    for (const auto& [cells, name] : cases) {
        Loaded l = load(compoundFile(padded(workbookStream({{"Samples", cells}}, record(0x00FC, sst))), false));
        EXPECT_FALSE(l.ok) << name;
        EXPECT_EQ(l.error, "the file is damaged (sheet \"Samples\": cell " + std::string(name) + " is given twice)");
    }
    // The same records, each cell once, read.
    Loaded fine = load(compoundFile(
        padded(workbookStream({{"Samples", number(2, 0, 1) + record(0x00BD, mulrk) + number(2, 4, 2)}}, {})), false));
    ASSERT_TRUE(fine.ok) << fine.error;
    expectNumber(fine.book.sheets[0], 2, 3, 30);
    expectNumber(fine.book.sheets[0], 2, 4, 2);
}

TEST(XlsBuiltFixtures, NonWorkbookFilesAreRefused)
{
    for (const Bytes& file : {Bytes(), Bytes("plain text, not a workbook\n"), Bytes(4096, '\0'),
                              compoundFile(padded(Bytes(100, 'z')), false, u"Other")}) {
        Loaded l = load(file);
        EXPECT_FALSE(l.ok);
        EXPECT_FALSE(l.error.empty());
    }
    wb::WorkbookData book;
    std::string error;
    EXPECT_FALSE(wb::readXlsFile("/nonexistent/folder/book.xls", book, error));
    EXPECT_FALSE(error.empty());
}

// ---------------------------------------------------------------------------------------
// Damaged copies of every fixture: truncated at many lengths and with single bits
// flipped. Each must load or fail with a reason; the sanitizer build catches any read
// outside the data.

void damageAll(const Bytes& original, int truncations, int flips, unsigned seed)
{
    TempDir dir;
    std::mt19937 random(seed);
    int serial = 0;
    auto tryLoad = [&](const Bytes& bytes) {
        // A new file each time: rewriting one file in place makes the file system flush
        // it to disk at every close, which costs more than the reading.
        const std::string path = dir.file("damaged" + std::to_string(serial++) + ".xls");
        writeFile(path, bytes);
        struct Remove {
            const std::string& path;
            ~Remove() { std::remove(path.c_str()); }
        } remove{path};
        wb::WorkbookData book;
        std::string error;
        bool ok = wb::readXlsFile(path, book, error);
        if (!ok) {
            EXPECT_FALSE(error.empty());
            EXPECT_TRUE(book.sheets.empty());
        }
    };
    for (int i = 0; i < truncations; ++i)
        tryLoad(original.substr(0, original.size() * static_cast<std::size_t>(i) / static_cast<std::size_t>(truncations)));
    std::uniform_int_distribution<std::size_t> position(0, original.size() - 1);
    for (int i = 0; i < flips; ++i) {
        Bytes copy = original;
        // Flip a bit in the header half of the time: it holds the sector numbers.
        std::size_t at = (i % 2 == 0) ? position(random) % 512 : position(random);
        copy[at] = static_cast<char>(copy[at] ^ (1 << (random() % 8)));
        tryLoad(copy);
    }
}

TEST_F(XlwtFiles, DamagedCopiesNeverCrashTheReader)
{
    damageAll(readFile(path_), 40, 120, 1);
}

TEST(XlsBuiltFixtures, DamagedCopiesNeverCrashTheReader)
{
    Bytes sst = compoundFile(workbookStream({{"S", labelSst(0, 0, 0) + labelSst(1, 0, 1) + labelSst(2, 0, 2)}}, sstRecords()), false);
    damageAll(sst, 60, 300, 2);
    damageAll(compoundFile(padded(formulaBook()), false), 60, 300, 3);
    damageAll(compoundFile(formulaBook(), true), 60, 300, 4);
    damageAll(compoundFile(padded(workbookStream({{"Alt", number(1, 0, 2.25)}}, {}, 0x0500)), false, u"Book"), 30, 150, 5);
}

}  // namespace

TEST(XlsBuiltFixtures, ManySheetsReachingTheLastRowAreRefusedWithinABudget)
{
    // 100 sheets, each with one number in row 65,536: every sheet keeps a slot for each
    // row above its cell, so 3,000 such sheets (a file of 100 KB) took 4.6 GB. The reader
    // allows 64 of them.
    std::vector<SheetSpec> sheets;
    for (int i = 0; i < 100; ++i)
        sheets.push_back({"S" + std::to_string(i), number(65535, 0, i)});
    const Bytes file = compoundFile(padded(workbookStream(sheets, {})), false);
    EXPECT_TRUE(testing_support::RunsWithin(std::size_t{400} << 20, 30, [&]() {
        Loaded l = load(file);
        return !l.ok && l.error.find("span more rows") != std::string::npos;
    }));

    sheets.resize(60);
    Loaded fine = load(compoundFile(padded(workbookStream(sheets, {})), false));
    ASSERT_TRUE(fine.ok) << fine.error;
    expectNumber(fine.book.sheets[59], 65535, 0, 59);
}
