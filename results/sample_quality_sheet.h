#pragma once

#include "app/grid_cell.h"
#include "results/results_sheets.h"

class Job;

namespace results {

inline constexpr const char* kSampleQualitySheetName = "Sample quality";

// One row per sample: its name and site code, the valves counted, the per cent of the
// count each index scored, the chemistry values replaced, and the flags in plain words.
// Only the heading row before the analysis.
ResultSheet SampleQualitySheet(const Job& job);

}  // namespace results

// The results window's "Sample quality" sheet, cell by cell: grid row 0 the headings,
// grid column 0 the row numbers; percentages with one decimal.
namespace resultsgrid {

int QualityRowCount(const Job& job);
int QualityColumnCount(const Job& job);
GridCell QualityCell(const Job& job, int row, int column);

}  // namespace resultsgrid
