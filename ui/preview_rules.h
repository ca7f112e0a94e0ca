#pragma once

#include "base/grid_cell.h"
#include "base/colour.h"

namespace wb {
class Sheet;
}

// The preview grid's cell rules. Grid rows and columns count from 1, as in the dialog;
// 0 is the header row or column.
namespace preview {

// The light cyan of the data block, and the white of every other cell.
inline constexpr Colour kDataTint{200, 255, 255};
inline constexpr Colour kPlain{255, 255, 255};

// True for a cell at or right of the first data column and at or below the first data
// row: the part of the sheet the import will read as counts and header values.
bool InDataBlock(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn);

// The background of a cell (headers excluded).
Colour CellBackground(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn);

// A click may set the first data row (or column) only to a row (column) of the sheet:
// value from 1 up to the count. Anything else leaves the choice and the tint as they are.
bool AcceptsPosition(int value, int count);

// The preview's cell at grid row and column, headings included: the column letters in
// row 0, the row numbers in column 0, and below and right of them the sheet's cell with
// its text (worksheet::PreviewCellText), numbers (dates too) right-aligned as a
// spreadsheet shows them, and the tint of the data block.
GridCell Cell(const wb::Sheet& sheet, int gridRow, int gridColumn, int firstDataRow, int firstDataColumn);

}  // namespace preview
