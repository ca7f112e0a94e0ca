#pragma once

#include <string>
#include <vector>

struct Assessment;
class UserInteraction;

namespace results {

// True when path names an .xls workbook: only an extension of exactly "xls" does (as
// the save dialog's first type); anything else, "XLS" included, is an .xlsx workbook.
bool IsXlsPath(const std::string& path);

struct ResultSheet;

// The width of each column of a results sheet, in characters of the default font's
// digits: the widest cell as the spreadsheet shows it (header included, bold counted
// wider), plus a margin, between kMinFittedWidth and kMaxFittedWidth. The lines of text in
// column 0 of "Job Summary" (all rows above its taxa list's header) may reach
// kMaxSummaryWidth, so that they print whole.
std::vector<double> FittedColumnWidths(const ResultSheet& sheet);
inline constexpr double kMinFittedWidth = 4.0;
inline constexpr double kMaxFittedWidth = 50.0;
inline constexpr double kMaxSummaryWidth = 100.0;

// The footer of every printed page: the sheet name on the left, the page on the right.
inline constexpr const char* kPageFooter = "&L&A&RPage &P of &N";
// The document title of every results workbook.
inline constexpr const char* kDocumentTitle = "TORVEN II results";
// The message of a save refused because the chosen file is the job's own sample workbook:
// writing there would replace the samples with the results.
inline constexpr const char* kOwnWorkbookMessage =
    "The results cannot be saved over the sample workbook they were read from. Choose another file.";

// True when path names a sample workbook of the job: the same file, however either path is
// spelled, a hard link to it included.
bool IsJobWorkbook(const Assessment& job, const std::string& path);

// Builds the results workbook of an analysed job and writes it to path, in the format
// its extension selects. False with the workbook library's reason in error.
bool WriteResultsWorkbook(const Assessment& job, const std::string& path, std::string& error);

// The save of the results workbook to a chosen file: the workbook the samples came from is
// refused (kOwnWorkbookMessage), a failed write shows the writer's text with the file and
// the reason as its detail; nothing is written then. True when the file was written.
bool SaveResultsWorkbook(const Assessment& job, const std::string& path, UserInteraction& ui);

}  // namespace results
