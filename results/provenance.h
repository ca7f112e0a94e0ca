#pragma once

#include <string>
#include <vector>

struct Assessment;

// Where a job's numbers came from, so that a reviewer months later can tell which program,
// which sample workbook and which reference database made them.
namespace results {

struct Provenance {
    std::string program;         // "TORVEN II 1.2.0"
    std::string analysedAt;      // "2026-12-08 21:40:07 UTC"
    struct Workbook {
        std::string name;    // the sample workbook's file name
        std::string sha256;  // lower-case hex; empty when the file could not be read again
    };
    std::vector<Workbook> workbooks;  // every workbook of the job, in job order
    // The reference database's identity lines (DatabaseIdentityLines); empty when the
    // database could not be identified.
    std::vector<std::string> databaseLines;
};

// One line each:
//   Program: TORVEN II 1.2.0
//   Analysed: 2026-12-08 21:40:07 UTC
//   Sample workbook: river.xlsx
//   Sample workbook SHA-256: 9b1c...
// (the last two for each workbook of the job), then the database lines, or "Reference database: not identified".
std::vector<std::string> ProvenanceLines(const Provenance& provenance);

// The provenance of an analysed job.
Provenance JobProvenance(const Assessment& job);

}  // namespace results
