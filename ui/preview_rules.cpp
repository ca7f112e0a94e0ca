#include "ui/preview_rules.h"

#include <string>

#include "import/worksheet_choice.h"
#include "workbook/book.h"
#include "workbook/cells/cell_names.h"

namespace preview {

bool InDataBlock(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn)
{
    return gridRow >= firstDataRow && gridColumn >= firstDataColumn;
}

Colour CellBackground(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn)
{
    return InDataBlock(gridRow, gridColumn, firstDataRow, firstDataColumn) ? kDataTint : kPlain;
}

bool AcceptsPosition(int value, int count)
{
    return value >= 1 && value <= count;
}

GridCell Cell(const wb::Sheet& sheet, int gridRow, int gridColumn, int firstDataRow, int firstDataColumn)
{
    GridCell cell;
    if (gridRow == 0) {
        if (gridColumn > 0)
            cell.text = wb::ColumnLetters(gridColumn - 1);
        return cell;
    }
    if (gridColumn == 0)
        return RowNumberCell(gridRow);
    // Most cells of a sample sheet are empty: their type alone says they show nothing.
    const wb::CellType type = sheet.cellType(gridRow - 1, gridColumn - 1);
    if (type == wb::CellType::Number || type == wb::CellType::Text)
        cell.text = worksheet::PreviewCellText(sheet, gridRow, gridColumn);
    cell.rightAligned = type == wb::CellType::Number;
    cell.background = CellBackground(gridRow, gridColumn, firstDataRow, firstDataColumn);
    return cell;
}

}  // namespace preview
