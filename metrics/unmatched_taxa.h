#pragma once

// The taxa of a job whose codes match no row of its master taxon list, each with how
// much of the samples it makes up and the rows the suggester finds alike.

#include <cstddef>
#include <string>
#include <vector>

#include "import/imported_samples.h"
#include "taxa/taxa.h"

struct UnmatchedTaxon {
    int taxon = 0;  // index into the job's taxa
    std::string code;
    std::string name;
    int samplesPresent = 0;       // samples with a count above 0
    double largestShare = 0;      // the largest share of a sample's count, per cent
    double shareOfAll = 0;        // its share of all counts of the job, per cent
    taxa::Suggestions suggestions;
};

struct UnmatchedTaxa {
    std::vector<taxa::ListRow> list;  // the master list's codes and names (the job's code field)
    std::vector<UnmatchedTaxon> taxa;  // in workbook order
};

// Up to limit (1 to 5) suggestions each. No master list: every taxon, none suggested.
UnmatchedTaxa FindUnmatchedTaxa(const ImportedSamples& job, std::size_t limit);
