#pragma once

#include <string>
#include <string_view>

#include "base/grid_cell.h"

class Job;

// The cells of a job's data view: the imported sample table, header rows first (for a job
// of several workbooks then a row "Workbook" naming each sample's), then one row per taxon
// with its code, its name and its count in every sample.
namespace datagrid {

// Rows below the heading row: header rows, the workbook row of a pooled job, taxa.
int RowCount(const Job& job);
// Columns right of the row numbers: code, name and one per sample.
int ColumnCount(const Job& job);

// The cell at grid row and column (0 for the headings, as every grid here counts).
// Outside the grid the cell is empty.
GridCell Cell(const Job& job, int row, int column);

// A text of the sampling-date row as the data view shows it: an integer value from 20001
// to 59999 (read as atoi reads it) becomes its date, anything else stays as it is.
std::string SamplingDateText(std::string_view text);

// "Data view: river.xlsx": the caption of a job's data view.
std::string Caption(const Job& job);

}  // namespace datagrid
