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

// One "S\tname" line per sheet, then "W\tcol\twidth", "F\trows\tcols", "B\trow\tcol",
// "T\tfirst\tlast" and (.xlsx) "P\torientation\tpaper\tfit\twidth\theight\tfooter" lines;
// "D\ttitle\tsubject\tapplication" for the book.
const char* kLayoutScript = R"PY(
import sys, zipfile, re
path = sys.argv[1]
def text(v):
    v = '' if v is None else str(v)
    return v.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n')
if path.endswith('.xls'):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    titles = {}
    for name in book.name_obj_list:
        if name.builtin and name.name == 'Print_Titles':
            sheet, rlo, rhi, clo, chi = name.area2d()
            titles[name.scope] = (rlo, rhi - 1)
    for i, sheet in enumerate(book.sheets()):
        print('S\t' + text(sheet.name))
        for c, info in sorted(sheet.colinfo_map.items()):
            print('W\t%d\t%r' % (c, info.width / 256.0))
        if sheet.panes_are_frozen:
            print('F\t%d\t%d' % (sheet.horz_split_pos, sheet.vert_split_pos))
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                if sheet.cell_type(r, c) == xlrd.XL_CELL_EMPTY:
                    continue
                if book.font_list[book.xf_list[sheet.cell_xf_index(r, c)].font_index].bold:
                    print('B\t%d\t%d' % (r, c))
        if i in titles:
            print('T\t%d\t%d' % titles[i])
else:
    import openpyxl
    from openpyxl.utils import column_index_from_string
    book = openpyxl.load_workbook(path)
    for sheet in book.worksheets:
        print('S\t' + text(sheet.title))
        for letter, dim in sorted(sheet.column_dimensions.items()):
            if dim.width and dim.customWidth:
                for c in range(dim.min, dim.max + 1):
                    print('W\t%d\t%r' % (c - 1, dim.width))
        if sheet.freeze_panes:
            cell = sheet[sheet.freeze_panes]
            print('F\t%d\t%d' % (cell.row - 1, cell.column - 1))
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is not None and cell.font is not None and cell.font.b:
                    print('B\t%d\t%d' % (cell.row - 1, cell.column - 1))
        if sheet.print_title_rows:
            m = re.fullmatch(r'\$?(\d+):\$?(\d+)', sheet.print_title_rows)
            print('T\t%d\t%d' % (int(m.group(1)) - 1, int(m.group(2)) - 1))
        setup = sheet.page_setup
        fit = sheet.sheet_properties.pageSetUpPr
        footer = sheet.oddFooter
        parts = [('&L', footer.left.text), ('&C', footer.center.text), ('&R', footer.right.text)]
        print('P\t%s\t%s\t%d\t%s\t%s\t%s' % (setup.orientation, setup.paperSize or 0,
              1 if fit is not None and fit.fitToPage else 0,
              -1 if setup.fitToWidth is None else setup.fitToWidth,
              -1 if setup.fitToHeight is None else setup.fitToHeight,
              text(''.join(k + v for k, v in parts if v))))
    app = zipfile.ZipFile(path).read('docProps/app.xml').decode('utf-8')
    m = re.search(r'<Application>(.*?)</Application>', app)
    print('D\t%s\t%s\t%s' % (text(book.properties.title), text(book.properties.subject), text(m.group(1) if m else '')))
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

ReadBook readLayout(const std::string& path)
{
    std::string out;
    int status = testing_support::runPython(kLayoutScript, testing_support::shellQuote(path) + " 2>&1", &out);
    ReadBook book;
    if (status != 0) {
        ADD_FAILURE() << "the reader could not read " << path << ":\n" << out;
        return book;
    }
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f = split(line, '\t');
        const bool inSheet = !book.sheets.empty();
        if (f.size() == 2 && f[0] == "S") {
            book.sheets.push_back(ReadLayout{});
            book.sheets.back().name = f[1];
        } else if (f.size() == 3 && f[0] == "W" && inSheet) {
            double width = 0;
            EXPECT_TRUE(parseDouble(f[2], width)) << line;
            book.sheets.back().columnWidths[std::stoi(f[1])] = width;
        } else if (f.size() == 3 && f[0] == "F" && inSheet) {
            book.sheets.back().frozenRows = std::stoi(f[1]);
            book.sheets.back().frozenCols = std::stoi(f[2]);
        } else if (f.size() == 3 && f[0] == "B" && inSheet) {
            book.sheets.back().boldCells.emplace_back(std::stoi(f[1]), std::stoi(f[2]));
        } else if (f.size() == 3 && f[0] == "T" && inSheet) {
            book.sheets.back().titleFirstRow = std::stoi(f[1]);
            book.sheets.back().titleLastRow = std::stoi(f[2]);
        } else if (f.size() == 7 && f[0] == "P" && inSheet) {
            ReadLayout& sheet = book.sheets.back();
            sheet.orientation = f[1];
            sheet.paperSize = std::stoi(f[2]);
            sheet.fitToPage = f[3] == "1";
            sheet.fitToWidth = std::stoi(f[4]);
            sheet.fitToHeight = std::stoi(f[5]);
            sheet.footer = f[6];
        } else if (f.size() == 4 && f[0] == "D") {
            book.title = f[1];
            book.subject = f[2];
            book.application = f[3];
        } else {
            ADD_FAILURE() << "unexpected reader output: " << line;
        }
    }
    return book;
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
