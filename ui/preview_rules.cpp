#include "ui/preview_rules.h"

namespace preview {

bool InDataBlock(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn)
{
    return gridRow >= firstDataRow && gridColumn >= firstDataColumn;
}

Rgb CellBackground(int gridRow, int gridColumn, int firstDataRow, int firstDataColumn)
{
    return InDataBlock(gridRow, gridColumn, firstDataRow, firstDataColumn) ? kDataTint : kPlain;
}

bool AcceptsPosition(int value, int count)
{
    return value >= 1 && value <= count;
}

}  // namespace preview
