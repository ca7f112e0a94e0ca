#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/grid_cell.h"
#include "results/assessment.h"

struct Assessment;
class Matrix;

// The cells of the results window: the sample sheet (one row per sample, its header-row
// values, its results and comments) and the site sheets (one row per site of one
// confidence-of-class table). Numbers are shown rounded for reading; the results
// workbook keeps them whole.
namespace resultsgrid {

// The sample sheet: one row per row of the results table; the header rows, the result
// columns from 1 to the last but one, and one comment column per index.
int SampleRowCount(const Assessment& job);
int SampleColumnCount(const Assessment& job);
GridCell SampleCell(const Assessment& job, int row, int column);

// The names of the site sheets, in order; none unless uncertainty is available.
std::vector<std::string> SiteSheetNames(const Assessment& job);

// A site sheet shows SiteTableOf(job, index) for its index; it is empty when that table
// does not exist. One row per site, the site code, then the table's columns.
int SiteRowCount(const SiteTable& table);
int SiteColumnCount(const SiteTable& table);
GridCell SiteCell(const Assessment& job, const SiteTable& table, int row, int column);

// "Results view: river.xlsx": the caption of a job's results window.
std::string Caption(const Assessment& job);

}  // namespace resultsgrid
