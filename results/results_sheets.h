#pragma once

#include <string>
#include <vector>

#include "metrics/status_class.h"

struct Assessment;

// The content of the results workbook, sheet by sheet and cell by cell, independent of
// the file it goes to: the workbook writer and the CSV export both read this one layout.
namespace results {

// The two cell formats of the results workbook, and none.
enum class CellFormat { None, Date, TwoDecimals };

struct ResultCell {
    // Missing: a number cell that holds the missing-value marker. The site sheets write
    // it as the number -99.9; a CSV file leaves the field empty.
    enum class Kind { Empty, Text, Number, Missing };
    Kind kind = Kind::Empty;
    CellFormat format = CellFormat::None;
    double number = 0.0;
    std::string text;

    static ResultCell Text(std::string value);
    static ResultCell Number(double value, CellFormat format = CellFormat::None);
};

// Cells from column 0 on; a row may be shorter than its neighbours.
using ResultRow = std::vector<ResultCell>;

struct ResultSheet {
    std::string name;
    std::vector<ResultRow> rows;
    // The row that heads a table on the sheet (the taxa list of "Job Summary"), -1 for none.
    int headerRow = -1;
};

// The lines of the summary text as rows of one cell each: cut at CR LF, CR and LF
// removed, tabs as spaces. An empty line is an empty row. The text after the last CR LF
// (the warning line when taxa lack scores) is a row too when it is not empty.
std::vector<ResultRow> SummaryLineRows(const Assessment& job);
// The list of taxa lacking scores, beginning with its empty separating row; no rows when
// every taxon has its scores.
std::vector<ResultRow> LackingTaxaRows(const Assessment& job);

// The summary lines, the list of taxa lacking scores, then an empty row and the
// provenance lines (where the numbers came from).
ResultSheet JobSummarySheet(const Assessment& job);
ResultSheet SampleSummarySheet(const Assessment& job);
// "Uncertainty TDI3": the name of the sheet of site table 1 or 2, in the results workbook
// and the results window alike.
std::string SiteSheetName(const Assessment& job, int index);
// The site sheets, in workbook order; none unless uncertainty is available.
std::vector<ResultSheet> SiteSheets(const Assessment& job);

// Every sheet of the results workbook, in order, "Sample quality" last. The job must have
// been analysed.
std::vector<ResultSheet> ResultSheets(const Assessment& job);

// The text shown when a save is asked for before there are results.
inline constexpr const char* kNoResultsMessage = "No results to save: analyse the job first.";

}  // namespace results
