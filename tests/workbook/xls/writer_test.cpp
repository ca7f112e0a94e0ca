// Files written by the .xls writer, read back by an independent reader (python3-xlrd)
// and by our own reader; the format's limits refused with a reason.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "tests/support/temp_dir.h"
#include "workbook/book.h"
#include "workbook/xls/codec.h"

namespace {

using testing_support::TempDir;
using testing_support::readFile;
using testing_support::runPython;
using testing_support::shellQuote;
using testing_support::writeFile;

// Prints every sheet and every non-empty cell as xlrd sees it, with the number format
// of the cell's XF and whether xlrd takes it for a date format.
const char* kDumpScript = R"PY(
import sys, xlrd, xlrd.formatting
sys.stdout.reconfigure(encoding="utf-8")
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
for s in book.sheets():
    print('sheet|%s|%d|%d' % (s.name, s.nrows, s.ncols))
    for r in range(s.nrows):
        for c in range(s.ncols):
            cell = s.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            fmt = book.format_map[book.xf_list[cell.xf_index].format_key]
            value = repr(cell.value) if cell.ctype != xlrd.XL_CELL_TEXT else cell.value
            print('%d|%d|%d|%s|%s|%d' % (r, c, cell.ctype, value, fmt.format_str, fmt.type == xlrd.formatting.FDT))
)PY";

std::string dump(const std::string& path)
{
    std::string out;
    EXPECT_EQ(runPython(kDumpScript, shellQuote(path), &out), 0) << out;
    return out;
}

TEST(XlsWriter, ResultsLikeBookReadByXlrd)
{
    auto book = wb::xlCreateBook();
    wb::Format* date = book->addFormat();
    date->setNumFormat(14);
    wb::Format* twoDecimals = book->addFormat();
    twoDecimals->setNumFormat(2);
    wb::Sheet* summary = book->addSheet("Job Summary");
    ASSERT_TRUE(summary->writeStr(0, 0, "TORVEN II"));
    ASSERT_TRUE(summary->writeStr(2, 0, "Größe µg/l Ω"));
    wb::Sheet* samples = book->addSheet("Sample Summary");
    ASSERT_TRUE(samples->writeStr(0, 0, "Sample"));
    ASSERT_TRUE(samples->writeNum(1, 0, 43905, date));
    ASSERT_TRUE(samples->writeNum(1, 1, 0.8125, twoDecimals));
    ASSERT_TRUE(samples->writeNum(1, 2, -12));
    ASSERT_TRUE(samples->writeStr(1, 3, "TORVEN II"));  // shared with the first sheet
    wb::Sheet* site = book->addSheet("Uncertainty TDI3");
    ASSERT_TRUE(site->writeNum(0, 255, 1.5));
    TempDir dir;
    const std::string path = dir.file("results.xls");
    ASSERT_TRUE(book->save(path)) << book->errorMessage();

    EXPECT_EQ(dump(path),
              "sheet|Job Summary|3|1\n"
              "0|0|1|TORVEN II|General|0\n"
              "2|0|1|Größe µg/l Ω|General|0\n"
              "sheet|Sample Summary|2|4\n"
              "0|0|1|Sample|General|0\n"
              "1|0|3|43905.0|m/d/yy|1\n"
              "1|1|2|0.8125|0.00|0\n"
              "1|2|2|-12.0|General|0\n"
              "1|3|1|TORVEN II|General|0\n"
              "sheet|Uncertainty TDI3|1|256\n"
              "0|255|2|1.5|General|0\n");

    auto again = wb::xlCreateBook();
    ASSERT_TRUE(again->load(path)) << again->errorMessage();
    ASSERT_EQ(again->sheetCount(), 3);
    EXPECT_EQ(again->getSheet(1)->readNum(1, 0), 43905);
    EXPECT_EQ(again->getSheet(0)->readStr(2, 0).value_or(""), "Größe µg/l Ω");
}

TEST(XlsWriter, BooleansErrorsAndBlanksKeepTheirKinds)
{
    wb::WorkbookData data;
    wb::SheetData& s = data.sheets.emplace_back();
    s.name = "Kinds";
    s.setBoolean(0, 0, true);
    s.setBoolean(0, 1, false);
    s.setError(0, 2, 0x07);
    s.setBlank(0, 3);
    s.setNumber(1, 0, 1e-300);
    TempDir dir;
    const std::string path = dir.file("kinds.xls");
    std::string error;
    ASSERT_TRUE(wb::writeXlsFile(data, path, error)) << error;
    // xlrd: 4 boolean, 5 error (7 is #DIV/0!), 6 blank.
    EXPECT_EQ(dump(path),
              "sheet|Kinds|2|4\n"
              "0|0|4|1|General|0\n"
              "0|1|4|0|General|0\n"
              "0|2|5|7|General|0\n"
              "0|3|6|''|General|0\n"
              "1|0|2|1e-300|General|0\n");
}

// Strings enough to split the SST over many CONTINUE records, with a 16-bit string and an
// 8-bit one each longer than a whole record.
const char* kStringsCheck = R"PY(
import sys, xlrd, xlrd.formatting
sys.stdout.reconfigure(encoding="utf-8")
book = xlrd.open_workbook(sys.argv[1])
s = book.sheet_by_index(0)
bad = [r for r in range(3000) if s.cell_value(r, 0) != 's%05d Navicula minima' % r]
assert not bad, bad[:5]
assert s.cell_value(0, 1) == '\u0416' * 20000
assert s.cell_value(1, 1) == '\u00e9' * 9000
assert s.cell_value(2, 1) == ''
print('ok', s.nrows)
)PY";

TEST(XlsWriter, ManyStringsSplitOverContinueRecords)
{
    wb::WorkbookData data;
    wb::SheetData& s = data.sheets.emplace_back();
    s.name = "Strings";
    for (int r = 0; r < 3000; ++r) {
        char name[32];
        std::snprintf(name, sizeof name, "s%05d Navicula minima", r);
        s.setText(r, 0, name);
    }
    std::string zhe, eAcute;
    for (int i = 0; i < 20000; ++i)
        zhe += "Ж";
    for (int i = 0; i < 9000; ++i)
        eAcute += "é";
    s.setText(0, 1, zhe);
    s.setText(1, 1, eAcute);
    s.setText(2, 1, "");
    TempDir dir;
    const std::string path = dir.file("strings.xls");
    std::string error;
    ASSERT_TRUE(wb::writeXlsFile(data, path, error)) << error;
    std::string out;
    EXPECT_EQ(runPython(kStringsCheck, shellQuote(path), &out), 0) << out;
    EXPECT_EQ(out, "ok 3000\n");

    wb::WorkbookData back;
    ASSERT_TRUE(wb::readXlsFile(path, back, error)) << error;
    const wb::SheetData& b = back.sheets[0];
    EXPECT_EQ(b.textOf(*b.find(0, 1)), zhe);
    EXPECT_EQ(b.textOf(*b.find(1, 1)), eAcute);
    EXPECT_EQ(b.textOf(*b.find(2999, 0)), "s02999 Navicula minima");
}

const char* kLargeCheck = R"PY(
import sys, xlrd, xlrd.formatting
sys.stdout.reconfigure(encoding="utf-8")
s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
total = sum(s.cell_value(r, 6) for r in range(s.nrows))
print(s.nrows, s.ncols, repr(s.cell_value(65535, 0)), repr(total))
)PY";

TEST(XlsWriter, FullHeightSheetNeedsDifatSectors)
{
    wb::WorkbookData data;
    wb::SheetData& s = data.sheets.emplace_back();
    s.name = "Large";
    for (int r = 0; r < 65536; ++r)
        for (int c = 0; c < 7; ++c)
            s.setNumber(r, c, r * 7 + c + 0.5);
    TempDir dir;
    const std::string path = dir.file("large.xls");
    std::string error;
    ASSERT_TRUE(wb::writeXlsFile(data, path, error)) << error;
    std::string bytes = readFile(path);
    // 458,752 NUMBER records of 18 bytes: about 8.3 MB, more than the 109 FAT sectors of
    // the header can map (109 * 128 * 512 bytes = 6.8 MB).
    EXPECT_GT(static_cast<unsigned char>(bytes[0x48]), 0);
    std::string out;
    EXPECT_EQ(runPython(kLargeCheck, shellQuote(path), &out), 0) << out;
    // A0 of the last row is 7 * 65535 + 0.5. Column 6 holds 7r + 6.5 for r < 65536:
    // 7 * (65535 * 65536 / 2) + 6.5 * 65536 = 15,032,156,160 + 425,984.
    EXPECT_EQ(out, "65536 7 458745.5 15032582144.0\n");

    wb::WorkbookData back;
    ASSERT_TRUE(wb::readXlsFile(path, back, error)) << error;
    EXPECT_EQ(back.sheets[0].cellCount(), 458752u);
    EXPECT_EQ(back.sheets[0].find(65535, 6)->number, 65535 * 7 + 6.5);
}

TEST(XlsWriter, LimitsAreRefusedWithAReasonAndTheOldFileSurvives)
{
    struct Case {
        const char* what;
        const char* inError;
        void (*fill)(wb::WorkbookData&);
    };
    const Case cases[] = {
        {"row 65537", "65,536", [](wb::WorkbookData& d) { d.sheets[0].setNumber(65536, 0, 1); }},
        {"column 257", "256", [](wb::WorkbookData& d) { d.sheets[0].setNumber(0, 256, 1); }},
        {"NaN", "not finite",
         [](wb::WorkbookData& d) { d.sheets[0].setNumber(0, 0, std::numeric_limits<double>::quiet_NaN()); }},
        {"infinity", "not finite",
         [](wb::WorkbookData& d) { d.sheets[0].setNumber(3, 1, -std::numeric_limits<double>::infinity()); }},
        {"name of 32 characters", "31", [](wb::WorkbookData& d) { d.sheets[0].name = std::string(32, 'a'); }},
        {"name with a slash", "characters", [](wb::WorkbookData& d) { d.sheets[0].name = "TDI3/TDI4"; }},
        {"name with a bracket", "characters", [](wb::WorkbookData& d) { d.sheets[0].name = "Site [1]"; }},
        {"duplicate name", "two sheets",
         [](wb::WorkbookData& d) { d.sheets.emplace_back().name = "sheet"; }},
        {"no sheets", "at least one sheet", [](wb::WorkbookData& d) { d.sheets.clear(); }},
        {"text not UTF-8", "UTF-8", [](wb::WorkbookData& d) { d.sheets[0].setText(0, 0, "caf\xE9"); }},
        {"text too long", "32,767", [](wb::WorkbookData& d) { d.sheets[0].setText(0, 0, std::string(32768, 'x')); }},
        {"unknown number format", "built-in", [](wb::WorkbookData& d) { d.formats.push_back(200); }},
    };
    TempDir dir;
    const std::string path = dir.file("old.xls");
    for (const Case& c : cases) {
        writeFile(path, "previous results");
        wb::WorkbookData data;
        data.sheets.emplace_back().name = "Sheet";
        data.sheets[0].setNumber(0, 0, 1);
        c.fill(data);
        std::string error;
        EXPECT_FALSE(wb::writeXlsFile(data, path, error)) << c.what;
        EXPECT_NE(error.find(c.inError), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(readFile(path), "previous results") << c.what;
    }
    // Only the old file is in the folder: no temporary file was left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);

    // The largest allowed positions and a 31-character name are written.
    wb::WorkbookData data;
    data.sheets.emplace_back().name = std::string(31, 'n');
    data.sheets[0].setNumber(65535, 255, 2);
    std::string error;
    ASSERT_TRUE(wb::writeXlsFile(data, path, error)) << error;
    wb::WorkbookData back;
    ASSERT_TRUE(wb::readXlsFile(path, back, error)) << error;
    EXPECT_EQ(back.sheets[0].rowEnd(), 65536);
    EXPECT_EQ(back.sheets[0].colEnd(), 256);
}

}  // namespace
