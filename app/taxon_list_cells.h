#pragma once

#include "base/grid_cell.h"

class MemoryTable;

// The cells of the master taxon list window: every column of the table, each value
// written by its column's kind.
namespace taxonlist {

int RowCount(const MemoryTable& table);
int ColumnCount(const MemoryTable& table);

// Grid row 0 holds the column names, grid column 0 the row numbers; grid row r is table
// row r - 1 and grid column c table column c - 1. Small integers of 0 and below, false
// yes/no values and columns of kinds the table does not keep are empty.
GridCell Cell(const MemoryTable& table, int row, int column);

}  // namespace taxonlist
