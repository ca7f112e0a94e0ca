#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "import/imported_samples.h"

class MemoryTable;

// What the analysis needs of one taxon of the job, read once from its master-list rows.
struct TaxonProfile {
    int matchedRow = -1;  // first master-list row with the taxon's code
    int scoredRow1 = -1;  // matchedRow when its first-index score is above 0
    int scoredRow2 = -1;  // the same for the second index
    double score1 = 0, score2 = 0;
    bool planktic = false, motile = false, organicTolerant = false, saline = false;
};

// The master-list field the job's codes are matched on: 0 when any code begins with
// exactly "NBN" or "NHM" (letter case counts here), otherwise 1.
int MasterCodeColumn(const std::vector<TaxonEntry>& taxa);

// The rows of one code field of the master list, keyed by the code with ASCII letters
// folded, each code keeping its first row: a look-up gives the row that a scan from the
// top comparing without regard to case would stop at.
class MasterCodeIndex {
public:
    MasterCodeIndex(const MemoryTable& list, int codeColumn);
    // The first row whose code equals code ignoring case; -1 when none does.
    int FirstRow(std::string_view code) const;

private:
    std::unordered_map<std::string, int> firstRow_;
};

struct TaxonMatch {
    std::vector<TaxonProfile> profiles;  // one per taxon, in job order
    int matchedCount = 0;
    int scoredCount1 = 0;
    int scoredCount2 = 0;
};

// Matches the first taxonCount taxa of the job against the master list (null: no list,
// nothing matches). secondScoreField is empty for a family with one index. A score field
// that is absent or not a number field gives no taxon a score for that index. A taxon whose
// code matches no row takes its row from mappedRows (per taxon, -1 for none) when given.
TaxonMatch MatchTaxa(const std::vector<TaxonEntry>& taxa, int taxonCount, const MemoryTable* list,
                     std::string_view firstScoreField, std::string_view secondScoreField,
                     const std::vector<int>* mappedRows = nullptr);
