#pragma once

#include <string>

class CTVNDoc;

namespace results {

// True when path names an .xls workbook: only an extension of exactly "xls" does (as
// the save dialog's first type); anything else, "XLS" included, is an .xlsx workbook.
bool IsXlsPath(const std::string& path);

// The message of a save refused because the chosen file is the job's own sample workbook:
// writing there would replace the samples with the results.
inline constexpr const char* kOwnWorkbookMessage =
    "The results cannot be saved over the sample workbook they were read from. Choose another file.";

// True when path names the job's sample workbook: the same file, however either path is
// spelled, a hard link to it included.
bool IsJobWorkbook(const CTVNDoc& job, const std::string& path);

// Builds the results workbook of an analysed job and writes it to path, in the format
// its extension selects. False with the workbook library's reason in error.
bool WriteResultsWorkbook(const CTVNDoc& job, const std::string& path, std::string& error);

}  // namespace results
