#include "tests/results/workbook_readback.h"

#include <charconv>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace readback {

namespace {

// One "S\tname" line per sheet, then one "C\trow\tcol\tkind\tvalue\tformat" line per
// cell that holds a value. Dates come back as their serial day numbers.
const char* kDumpScript = R"PY(
import sys, datetime
path = sys.argv[1]
def text(v):
    return v.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n').replace('\r', '\\r')
if path.endswith('.xls'):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    for sheet in book.sheets():
        print('S\t' + text(sheet.name))
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    continue
                fmt = book.xf_list[cell.xf_index].format_key
                kind = {xlrd.XL_CELL_TEXT: 's', xlrd.XL_CELL_NUMBER: 'n', xlrd.XL_CELL_DATE: 'd'}.get(cell.ctype, '?')
                value = text(cell.value) if kind == 's' else repr(cell.value)
                print('C\t%d\t%d\t%s\t%s\t%d' % (r, c, kind, value, fmt))
else:
    import openpyxl
    from openpyxl.styles.numbers import BUILTIN_FORMATS_REVERSE
    book = openpyxl.load_workbook(path)
    for sheet in book.worksheets:
        print('S\t' + text(sheet.title))
        for row in sheet.iter_rows():
            for cell in row:
                v = cell.value
                if v is None:
                    continue
                fmt = BUILTIN_FORMATS_REVERSE.get(cell.number_format, -1)
                if isinstance(v, str):
                    kind, value = 's', text(v)
                elif isinstance(v, datetime.datetime):
                    delta = v - datetime.datetime(1899, 12, 30)
                    kind, value = 'd', repr(delta.days + delta.seconds / 86400.0)
                elif isinstance(v, bool):
                    kind, value = '?', repr(v)
                elif isinstance(v, (int, float)):
                    kind, value = 'n', repr(float(v))
                else:
                    kind, value = '?', repr(v)
                print('C\t%d\t%d\t%s\t%s\t%d' % (cell.row - 1, cell.column - 1, kind, value, fmt))
)PY";

std::vector<std::string> split(const std::string& line, char sep)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, sep))
        parts.push_back(part);
    if (!line.empty() && line.back() == sep)
        parts.emplace_back();
    return parts;
}

bool parseDouble(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    auto r = std::from_chars(text.data(), end, value);
    return r.ec == std::errc() && r.ptr == end;
}

std::string describe(const ReadCell& cell)
{
    return cell.kind + ":" + cell.value + " (format " + std::to_string(cell.format) + ")";
}

// Empty when the cell matches the token, else what differs.
std::string mismatch(const ReadCell& cell, const std::string& token)
{
    const std::string kind = token.substr(0, 2);
    const std::string value = token.substr(2);
    if (kind == "t:")
        return cell.kind == "s" && cell.value == value && cell.format == 0 ? "" : describe(cell);
    int wantFormat = kind == "f:" ? 2 : kind == "d:" ? 14 : 0;
    std::string wantKind = kind == "d:" ? "d" : "n";
    double want = 0, got = 0;
    if (!parseDouble(value, want))
        return "bad token " + token;
    if (cell.kind != wantKind || cell.format != wantFormat || !parseDouble(cell.value, got) || got != want)
        return describe(cell);
    return "";
}

}  // namespace

std::vector<ReadSheet> readWorkbook(const std::string& path)
{
    std::string out;
    int status = testing_support::runPython(kDumpScript, testing_support::shellQuote(path) + " 2>&1", &out);
    std::vector<ReadSheet> sheets;
    if (status != 0) {
        ADD_FAILURE() << "the reader could not read " << path << ":\n" << out;
        return sheets;
    }
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f = split(line, '\t');
        if (f.size() == 2 && f[0] == "S") {
            sheets.push_back(ReadSheet{f[1], {}, 0});
        } else if (f.size() == 6 && f[0] == "C" && !sheets.empty()) {
            int row = std::stoi(f[1]), col = std::stoi(f[2]);
            sheets.back().cells[{row, col}] = ReadCell{f[3], f[4], std::stoi(f[5])};
            sheets.back().columnEnd = std::max(sheets.back().columnEnd, col + 1);
        } else {
            ADD_FAILURE() << "unexpected reader output: " << line;
        }
    }
    return sheets;
}

void expectSheet(const ReadSheet& actual, const ExpectedSheet& expected)
{
    SCOPED_TRACE("sheet " + expected.name);
    EXPECT_EQ(actual.name, expected.name);
    std::map<std::pair<int, int>, std::string> wanted;
    for (std::size_t r = 0; r < expected.rows.size(); ++r)
        for (std::size_t c = 0; c < expected.rows[r].size(); ++c)
            if (!expected.rows[r][c].empty())
                wanted[{static_cast<int>(r), static_cast<int>(c)}] = expected.rows[r][c];
    for (const auto& [at, token] : wanted) {
        auto it = actual.cells.find(at);
        if (it == actual.cells.end()) {
            ADD_FAILURE() << "row " << at.first << " col " << at.second << ": missing, expected " << token;
            continue;
        }
        std::string diff = mismatch(it->second, token);
        EXPECT_TRUE(diff.empty()) << "row " << at.first << " col " << at.second << ": expected " << token
                                  << ", read " << diff;
    }
    for (const auto& [at, cell] : actual.cells)
        EXPECT_TRUE(wanted.count(at)) << "row " << at.first << " col " << at.second << ": unexpected "
                                      << describe(cell);
}

void expectWorkbook(const std::vector<ReadSheet>& actual, const std::vector<ExpectedSheet>& expected)
{
    std::vector<std::string> actualNames, expectedNames;
    for (const ReadSheet& s : actual)
        actualNames.push_back(s.name);
    for (const ExpectedSheet& s : expected)
        expectedNames.push_back(s.name);
    ASSERT_EQ(actualNames, expectedNames);
    for (std::size_t i = 0; i < expected.size(); ++i)
        expectSheet(actual[i], expected[i]);
}

}  // namespace readback
