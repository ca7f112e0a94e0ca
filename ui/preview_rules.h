#pragma once

// The preview grid's cell rules that are not already the worksheet choice's (its texts
// come from worksheet::PreviewCellText). Grid rows and columns count from 1, as in the
// dialog; 0 is the header row or column.
namespace preview {

// The light cyan of the data block, and the white of every other cell.
struct Rgb {
    int red, green, blue;
};
inline constexpr Rgb kDataTint{200, 255, 255};
inline constexpr Rgb kPlain{255, 255, 255};

// True for a cell at or right of the first data column and at or below the first data
// row: the part of the sheet the import will read as counts and header values.
bool InDataBlock(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn);

// The background of a cell (headers excluded).
Rgb CellBackground(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn);

// A click may set the first data row (or column) only to a row (column) of the sheet:
// value from 1 up to the count. Anything else leaves the choice and the tint as they are.
bool AcceptsPosition(int value, int count);

}  // namespace preview
