#include "app/taxon_list_cells.h"

#include <cstdint>

#include "matrix/number_format.h"
#include "refdb/memory_table.h"

namespace taxonlist {

int RowCount(const MemoryTable& table)
{
    return table.rowCount;
}

int ColumnCount(const MemoryTable& table)
{
    return table.colCount;
}

GridCell Cell(const MemoryTable& table, int row, int column)
{
    GridCell cell;
    if (row < 0 || column < 0 || row > table.rowCount || column > table.colCount)
        return cell;
    if (row == 0) {
        if (column > 0)
            cell.text = table.ColumnName(column - 1);
        return cell;
    }
    if (column == 0)
        return RowNumberCell(row);
    const int r = row - 1;
    const int c = column - 1;
    switch (table.ColumnKind(c)) {
    case MemoryTable::kindShort: {
        // A small integer of 0 marks "no value" in the list (no score, no flag).
        int value = 0;
        cell.rightAligned = true;
        if (table.GetShort(r, c, value) && value > 0)
            cell.text = std::to_string(value);
        break;
    }
    case MemoryTable::kindLong: {
        long value = 0;
        cell.rightAligned = true;
        if (table.GetLong(r, c, value))
            cell.text = std::to_string(value);
        break;
    }
    case MemoryTable::kindDouble: {
        double value = 0;
        cell.rightAligned = true;
        if (table.GetDouble(r, c, value))
            cell.text = numtext::g13(value);
        break;
    }
    case MemoryTable::kindText:
        table.GetString(r, c, cell.text);
        break;
    case MemoryTable::kindBool: {
        std::uint8_t value = 0;
        if (table.GetBool(r, c, value) && value)
            cell.text = "Yes";
        break;
    }
    default:
        break;
    }
    return cell;
}

}  // namespace taxonlist
