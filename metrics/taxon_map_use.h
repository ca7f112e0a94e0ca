#pragma once

// A job's taxon map against its master taxon list: which taxa it matches to which rows,
// which of its lines are not used and why, and the summary paragraph that says so.

#include <string>
#include <vector>

#include "import/imported_samples.h"
#include "taxa/taxa.h"

class MemoryTable;

// The master list as the suggester and the map check take it: the code field the job
// matches on (by position) and the "TaxonName" field (empty when the list has none).
std::vector<taxa::ListRow> MasterListRows(const MemoryTable& list, int codeColumn);

struct TaxonMapUse {
    std::vector<int> rows;                  // per taxon: the master-list row its map line gives, or -1
    std::vector<int> lines;                 // per taxon: the index of that map line, or -1
    std::vector<taxa::MapProblem> problems;  // the lines not used, in map order
    int mappedCount = 0;                    // taxa with a row through the map
};

// Only a taxon whose own code matches no row takes its map line; a line whose code is in
// the list, or whose mapped code is not, is never used.
TaxonMapUse UseTaxonMap(const taxa::TaxonMap& map, const std::vector<TaxonEntry>& taxa, int taxonCount,
                        const MemoryTable& list, int codeColumn);

// The summary paragraph of an analysis with a map: its file name, how many taxa it
// matched, the lines used and the lines not used. Lines separated by CR LF, ending with one.
std::string TaxonMapParagraph(const std::string& mapPath, const taxa::TaxonMap& map, const TaxonMapUse& use,
                              const std::vector<TaxonEntry>& taxa);
