#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "results/results_sheets.h"
#include "sites/site_chart_data.h"
#include "sites/site_history_data.h"

struct Assessment;

// The results as plain files, for scripts: one CSV file per results table (UTF-8,
// RFC 4180 quoting, a header row, LF line ends) and the job summary as text.
namespace results {

// The file of a sheet: its name in lower case with spaces as hyphens, ".csv" added
// ("Uncertainty TDI3" gives "uncertainty-tdi3.csv").
std::string CsvFileName(const std::string& sheetName);

// "chart-tdi3": a site chart's file name without extension, formed from its caption as the
// CSV files are formed from their sheet names.
std::string ChartFileStem(const chart::SiteChartData& data);

// The file names without extension of a site history's pictures, one per page:
// "history-tdi3" for a history on one page, "history-tdi3-1", "history-tdi3-2", ... for one
// of several pages.
std::vector<std::string> HistoryFileStems(const chart::SiteHistoryData& data);

// Whether a file name is one the export may write: sample-summary.csv, a site table's
// uncertainty-*.csv, sample-quality.csv or job-summary.txt.
bool IsCsvExportName(const std::string& fileName);

// The day a date cell shows (a serial date with its time of day dropped), counted from
// 1970-01-01.
std::int64_t DateCellDays(const ResultCell& cell);

// A cell's field of a CSV file: numbers with 17 significant digits, so that no precision
// is lost; a missing value empty; a class its name; a date cell its ISO 8601 date.
std::string CsvFieldText(const ResultCell& cell);

// One line per row of the sheet, every line with as many fields as the widest row.
// Numbers with 17 significant digits, so that no precision is lost; a missing value is an
// empty field; a class is its name; a date cell is its ISO 8601 date ("2023-03-08").
std::string CsvText(const ResultSheet& sheet);

// The summary text with each CR LF as LF and a final LF (as the command line prints it).
std::string SummaryWithLineFeeds(const std::string& summary);

// SummaryWithLineFeeds of the job's summary, then (when taxa lack scores)
// the list of those taxa as the "Job Summary" sheet holds it, fields tab-separated, then
// an empty line and the provenance lines.
std::string JobSummaryText(const Assessment& job);

// The names of the files WriteResultsCsv writes for job, in the order it writes them.
std::vector<std::string> ResultsCsvFileNames(const Assessment& job);

// Writes sample-summary.csv, one file per site sheet, sample-quality.csv and
// job-summary.txt into folder
// (made when missing), as one set: the folder holds the last run's whole set or this one's,
// never a mix, and never a file half written; the folder's other files stay. False with a
// reason.
bool WriteResultsCsv(const Assessment& job, const std::string& folder, std::string& error);

}  // namespace results
