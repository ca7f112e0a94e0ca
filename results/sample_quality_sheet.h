#pragma once

#include "base/grid_cell.h"
#include "results/results_sheets.h"

struct Assessment;

namespace results {

inline constexpr const char* kSampleQualitySheetName = "Sample quality";

// One row per sample: its name and site code, the valves counted, the per cent of the
// count each index scored, the chemistry values replaced, and the flags in plain words.
// Only the heading row before the analysis.
ResultSheet SampleQualitySheet(const Assessment& job);

}  // namespace results

// The results window's "Sample quality" sheet, cell by cell: grid row 0 the headings,
// grid column 0 the row numbers; percentages with one decimal.
namespace resultsgrid {

int QualityRowCount(const Assessment& job);
int QualityColumnCount(const Assessment& job);
GridCell QualityCell(const Assessment& job, int row, int column);

}  // namespace resultsgrid
