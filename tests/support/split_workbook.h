#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace testing_support {

// Reads the first sheet of a workbook (openpyxl or xlrd) and writes its sample columns cut
// into three parts. argv: source, output prefix, extension, mode. Modes: "books" writes
// PREFIX-1.EXT to PREFIX-3.EXT, each with every taxon row in order; "subsets" the same, but
// the second and third parts keep only the taxa counted in their own samples, in reversed
// and in rotated order; "sheets" one workbook PREFIX.EXT with the parts as sheets
// "Lab 1" to "Lab 3". Date cells stay date cells.
inline const char* const kWorkbookSplitter = R"PY(
import sys
src, prefix, ext, mode = sys.argv[1:5]
cells = {}
if src.endswith('.xls'):
    import xlrd
    book = xlrd.open_workbook(src)
    sh = book.sheet_by_index(0)
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            cell = sh.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            cells[(r, c)] = (cell.value, cell.ctype == xlrd.XL_CELL_DATE)
else:
    import openpyxl
    from openpyxl.utils.datetime import to_excel
    ws = openpyxl.load_workbook(src).worksheets[0]
    for row in ws.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            cells[(cell.row - 1, cell.column - 1)] = (to_excel(cell.value) if cell.is_date else cell.value, cell.is_date)
samples = 2
while (0, samples) in cells:
    samples += 1
samples -= 2
first = 0
while (first, 1) not in cells:
    first += 1
last = first
while (last, 0) in cells:
    last += 1
third = (samples + 2) // 3
bounds = [(0, third), (third, 2 * third), (2 * third, samples)]

def part(index):
    lo, hi = bounds[index]
    out = {}
    for (r, c), v in cells.items():
        if r < first and (c == 0 or 2 + lo <= c < 2 + hi):
            out[(r, c if c == 0 else c - lo)] = v
    rows = list(range(first, last))
    if mode == 'subsets' and index > 0:
        rows = [r for r in rows if any(cells.get((r, 2 + s), (0, False))[0] not in (0, '') for s in range(lo, hi))]
        rows = rows[::-1] if index == 1 else rows[len(rows) // 2:] + rows[:len(rows) // 2]
    for i, r in enumerate(rows):
        for c in [0, 1] + list(range(2 + lo, 2 + hi)):
            if (r, c) in cells:
                out[(first + i, c if c < 2 else c - lo)] = cells[(r, c)]
    return out

def write(path, sheets):
    if path.endswith('.xls'):
        import xlwt
        book = xlwt.Workbook(encoding='utf-8')
        date = xlwt.easyxf(num_format_str='dd/mm/yyyy')
        for name, content in sheets:
            ws = book.add_sheet(name)
            for (r, c), (v, is_date) in content.items():
                if is_date:
                    ws.write(r, c, v, date)
                else:
                    ws.write(r, c, v)
        book.save(path)
    else:
        import openpyxl
        book = openpyxl.Workbook()
        book.remove(book.active)
        for name, content in sheets:
            ws = book.create_sheet(name)
            for (r, c), (v, is_date) in content.items():
                cell = ws.cell(row=r + 1, column=c + 1, value=v)
                if is_date:
                    cell.number_format = 'dd/mm/yyyy'
        book.save(path)

if mode == 'sheets':
    write(prefix + '.' + ext, [('Lab %d' % (i + 1), part(i)) for i in range(3)])
else:
    for i in range(3):
        write('%s-%d.%s' % (prefix, i + 1, ext), [('Samples', part(i))])
)PY";

// Cuts source as kWorkbookSplitter says; the Python interpreter's exit status (0 when the
// parts were written), its output in output.
inline int splitWorkbook(const std::string& source, const std::string& prefix, const std::string& extension,
                         const std::string& mode, std::string* output = nullptr)
{
    return runPython(kWorkbookSplitter,
                     shellQuote(source) + " " + shellQuote(prefix) + " " + extension + " " + mode + " 2>&1", output);
}

}  // namespace testing_support
