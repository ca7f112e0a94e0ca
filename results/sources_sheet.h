#pragma once

#include "results/results_sheets.h"

struct Assessment;

namespace results {

inline constexpr const char* kSourcesSheetName = "Sources";

// Where the samples came from: a heading row, then one row per workbook of the job, in job
// order: its file name and SHA-256, the sheet, the first data row and column as the user
// chose them, and how many samples and taxa it gave.
ResultSheet SourcesSheet(const Assessment& job);

}  // namespace results
