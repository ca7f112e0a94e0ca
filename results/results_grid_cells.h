#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/grid_cell.h"

class Job;
class Matrix;

// The cells of the results window: the sample sheet (one row per sample, its header-row
// values, its results and comments) and the site sheets (one row per site of one
// confidence-of-class table). Numbers are shown rounded for reading; the results
// workbook keeps them whole.
namespace resultsgrid {

// The sample sheet: one row per row of the results table; the header rows, the result
// columns from 1 to the last but one, and one comment column per index.
int SampleRowCount(const Job& job);
int SampleColumnCount(const Job& job);
GridCell SampleCell(const Job& job, int row, int column);

// The names of the site sheets, in order; none unless uncertainty is available.
std::vector<std::string> SiteSheetNames(const Job& job);

// The site table and heading list a site sheet shows, chosen by its name: a name with
// "TDI4" the second table under the second headings, one with "LTDI2" the second table
// under the first headings (the lake tables share their columns), any other the first.
// summary is null when that table does not exist; the sheet is then empty.
struct SiteTable {
    const Matrix* summary = nullptr;
    const std::vector<std::string>* headers = nullptr;
};
SiteTable SiteTableFor(const Job& job, std::string_view sheetName);

// A site sheet: one row per site, the site code, then the table's columns.
int SiteRowCount(const SiteTable& table);
int SiteColumnCount(const SiteTable& table);
GridCell SiteCell(const Job& job, const SiteTable& table, int row, int column);

}  // namespace resultsgrid
