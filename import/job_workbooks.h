#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/imported_samples.h"
#include "import/job_options.h"
#include "import/reference_source.h"
#include "import/sample_import.h"
#include "import/user_interaction.h"

// The workbooks of one job as options name them (the command line's and the scripting
// library's): each with its own worksheet choice, read side by side and pooled. The
// desktop program asks its worksheet dialog instead and has a road of its own.

// One workbook of a job and the worksheet choice for it.
struct JobWorkbook {
    std::string path;
    WorksheetOptions worksheet;
};

// The workbooks a job file names: a header line "workbook,sheet,first row,first column",
// then one line per workbook, its path relative to the job file's folder; an empty field
// takes the value of defaults. Appends them to workbooks; nothing, or the reason of the
// usage error (naming the file and the line) when the file cannot be read or a line is
// malformed.
std::optional<std::string> ReadJobFile(const std::string& jobPath, const WorksheetOptions& defaults,
                                       std::vector<JobWorkbook>& workbooks);

// The import of a job's workbooks.
struct JobImport {
    // The pooled samples; nothing when a workbook failed or the parts could not be pooled
    // (the messages shown).
    std::optional<ImportedSamples> samples;
    // How each workbook was read, in job order, up to and including the first that failed.
    std::vector<ImportRoute> routes;
    // Set when an option could not be answered from a workbook (a sheet name it lacks): a
    // usage error rather than a failed import. In a job of several workbooks it names the
    // workbook ("b.xlsx: ...").
    std::optional<std::string> usageError;
};

// Imports each workbook with its worksheet choice (the named sheet, else the first; the
// given first data row, else the worksheet dialog's guess), side by side, then pools them
// (PoolSamples). Messages go to ui, in job order, and in a job of several workbooks each
// message about one of them names it; the reading stops at the first workbook that fails.
// ui also runs the long work. The chemistry defaults are the caller's to set.
JobImport ImportJobWorkbooks(const std::vector<JobWorkbook>& workbooks, ReferenceSource& references,
                             UserInteraction& ui);
