#pragma once

#include <string_view>

#include "workbook/cells/cell_store.h"

namespace wb {

// One cell of a sheet read as a stream. Rows and columns count from 0. A number (a
// date is its serial day number, in the workbook's own date system) is in `number`; a
// boolean is 0 or 1 there; an error keeps its code there (0x07 #DIV/0! ...). A text
// cell's text is in `text`, valid only during the call that hands the cell over.
struct StreamedCell {
    int row = 0;
    int col = 0;
    CellType type = CellType::Empty;
    double number = 0.0;
    std::string_view text;
};

// Takes the cells of a sheet one by one, rows from first to last and the cells of a row
// from left to right, each position once: the very cells (and values) that loading the
// book would store for the sheet. Nothing of the sheet is kept for it but the current cell.
class CellVisitor {
public:
    virtual ~CellVisitor() = default;
    // One cell. False stops the read, which then ends as Stopped (a caller that met a
    // cell it cannot take, say a text among counts, stops here and knows which one).
    virtual bool cell(const StreamedCell& cell) = 0;
    // A run of number cells of one row, in the columns from `col` on, one after another:
    // the same as `count` calls of cell() (what this does unless a visitor takes the run
    // at once, which a reader of millions of counts makes worth it). False stops the read
    // as cell() does, whichever cell of the run it stopped at.
    virtual bool numbers(int row, int col, const double* values, int count)
    {
        StreamedCell each;
        each.row = row;
        each.type = CellType::Number;
        for (int i = 0; i < count; ++i) {
            each.col = col + i;
            each.number = values[i];
            if (!cell(each))
                return false;
        }
        return true;
    }
    // The sheet's extent before its first cell, for sizing what the visitor keeps: rows
    // and columns up to the last cell (as SheetData::rowEnd and colEnd count them). An
    // .xlsx file states it (its <dimension> element) or not, and may state it wrongly:
    // cells can lie outside it. Not called when the file states none.
    virtual void extent(int rows, int cols) { (void)rows; (void)cols; }
    // The cells handed over so far do not stand: everything taken from them must be
    // forgotten, and the sheet's cells follow again from the first. This happens only
    // for a file whose rows or cells are not in order (or a cell given twice), which no
    // spreadsheet program writes; its sheet is then read whole first, extent() tells its
    // true extent and the walk begins.
    virtual void restart() = 0;
};

// How a streamed read ended.
enum class StreamEnd {
    Done,       // every cell handed over
    Failed,     // the file cannot be read (the reason is given)
    Cancelled,  // the progress callback asked to stop
    Stopped,    // the visitor asked to stop
};

// Hands the cells of a stored sheet to the visitor in order; false when it stopped.
inline bool VisitCells(const SheetData& sheet, CellVisitor& visitor)
{
    const auto rows = sheet.rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const Cell& cell : rows[r]) {
            StreamedCell out;
            out.row = static_cast<int>(r);
            out.col = cell.col;
            out.type = cell.type;
            if (cell.type == CellType::Text)
                out.text = sheet.textOf(cell);
            else
                out.number = cell.number;
            if (!visitor.cell(out))
                return false;
        }
    }
    return true;
}

}  // namespace wb
