#pragma once

#include <memory>
#include <string>
#include <vector>

#include "refdb/memory_table.h"

class CADODatabase;

// A reference database's three tables, whole, as the analysis reads them: the master taxon
// list, every Boundaries row and every CoC row. A table the database lacks is null.
struct ReferenceTables {
    std::shared_ptr<const MemoryTable> masterList;
    std::shared_ptr<const MemoryTable> boundaries;
    std::shared_ptr<const MemoryTable> coc;
    // Why a table that exists could not be read, one text per such table ("CoC: ...").
    std::vector<std::string> unreadable;
};

extern const char* const kMasterTaxonTable;  // "NBSMasterTaxonList_PhaseII"
extern const char* const kBoundariesTable;   // "Boundaries"
extern const char* const kCoCTable;          // "CoC"

// Reads the three tables of the Access file at path (Jet, then ACE, as the programs open
// it). False with the reason when the file cannot be opened as a database at all.
bool ReadReferenceTables(const std::string& path, ReferenceTables& tables, std::string& error);
// The same from a database that is open; it stays open.
ReferenceTables ReadReferenceTables(CADODatabase& database);

// One thing wrong with reference data, where it is and why it matters.
struct ReferenceProblem {
    std::string table;
    std::string key;     // "row 12 (AC002A)", "LTDI1 HA", "TDI", or empty for the table
    std::string column;  // empty when the problem is the row's or the table's
    std::string value;   // the value as it stands, empty when there is none
    std::string what;
};

// Every problem the analysis would meet in these tables, in table order (master list,
// boundaries, confidence of class), each table's rows in order:
// - a table or a column the program reads missing, or of a kind it cannot read;
// - a taxon code given twice in one code system (matching takes the first row only);
// - an index score other than empty or 0 (no score) and not in 1 to 5: the index is
//   25 × (count-weighted mean score) − 25, which maps scores 1 to 5 onto 0 to 100;
// - per site type, no row, or boundaries that are not positive and strictly decreasing from
//   High/Good to Poor/Bad, or a second row where only the first is used; for lakes, a lake
//   type given twice or empty;
// - per family, fewer than four confidence-of-class rows, a coefficient number given twice,
//   or a value that is not a number.
std::vector<ReferenceProblem> CheckReferenceTables(const ReferenceTables& tables);

// A problem as one line of tab-separated fields (table, key, column, value, what), texts
// escaped by the caller's rule.
std::vector<std::string> ProblemFields(const ReferenceProblem& problem);
// "No problems found", "1 problem found", "3 problems found".
std::string ProblemCountLine(std::size_t count);
