#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CADODatabase;

// What names a reference database exactly, so that a results file months later still says
// which reference data made its numbers: the file's name, size, modification time and
// SHA-256, and the first row of its Version table where the database has one.
struct DatabaseIdentity {
    std::string fileName;  // without its folder
    std::uintmax_t sizeBytes = 0;
    std::string modifiedUtc;  // "2026-12-08 21:40:07 UTC"
    std::string sha256;       // lower-case hex
    // The Version table's first row, field name and value text, in field order; empty
    // when the database has no such table.
    std::vector<std::pair<std::string, std::string>> version;
    // Set when the Version row says the database holds demonstration data (a value with
    // the words "demonstration data", in any case): results made with it are not for
    // reporting, and every place that names the database says so.
    bool demonstration = false;
};

// The line that marks results made with demonstration reference data.
extern const char* const kDemonstrationDataLine;

// Reads the identity of the database file at path; the Version table through database,
// which must be open on that file. False with the system's reason when the file cannot
// be read.
bool ReadDatabaseIdentity(const std::string& path, CADODatabase& database, DatabaseIdentity& identity,
                          std::string& error);

// The identity as lines of text, the same wherever it is shown (the results' provenance,
// the About box, the command line's database information):
//   Reference database: TORVENII.mdb (1,234,567 bytes, modified 2026-12-08 21:40:07 UTC)
//   Reference database SHA-256: 0f3a...
//   Master taxon list: 812 rows
//   Database version: Release = 2.0; Date = 2026-11-30
//   Reference database: demonstration data, not for reporting
// The fourth line only with a Version table, the last only for demonstration data;
// masterTaxonRows below 0 leaves out the third.
std::vector<std::string> DatabaseIdentityLines(const DatabaseIdentity& identity, long masterTaxonRows);
