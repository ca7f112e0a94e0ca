#pragma once

#include <QString>

class QItemSelectionModel;

namespace grids {

class GridModel;

// A rectangle of grid cells, grid rows and columns from first to last; 0 is the heading
// row or the row-number column.
struct GridBlock {
    int firstRow = 0;
    int lastRow = -1;
    int firstColumn = 0;
    int lastColumn = -1;
    bool isEmpty() const { return lastRow < firstRow || lastColumn < firstColumn; }
};

// The block a selection covers: the smallest rectangle around it. When every part of the
// selection is a whole column (chosen by its heading) the heading row comes too; when
// every part is a whole row, the row numbers.
GridBlock selectedBlock(const QItemSelectionModel& selection, const GridModel& model);

// The block's texts as shown: cells separated by tabs, each row ended by a line feed, as
// spreadsheets paste text into cells. Tabs and line breaks inside a text become spaces
// so that the block keeps its shape.
QString blockText(const GridModel& model, const GridBlock& block);
// The same block as an HTML table; headings as header cells, numbers right-aligned.
QString blockHtml(const GridModel& model, const GridBlock& block);

}  // namespace grids
