#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/imported_samples.h"
#include "matrix/matrix.h"

class UserInteraction;
namespace taxa {
struct TaxonMap;
}

// The taxon map an analysis matches with, and the file it was read from (for the summary).
struct TaxonMapChoice {
    std::shared_ptr<const taxa::TaxonMap> map;  // null: none
    std::string path;
};

// The second stage of a job: the imported samples matched against the master taxon list
// and assessed. Per taxon its matched and scored rows, per sample the results table (index
// values, expected values, EQR, class, the percentages) with a comment per index, and the
// summary lines the run adds.
struct Analysis {
    std::string analysedAt;  // "2026-12-08 21:40:07 UTC"
    int indexCount = 0;      // 2, or 1 for DAM
    std::vector<int> matchedRow, scoredRow1, scoredRow2;  // per taxon: master-list row, or -1
    int matchedCount = 0, scoredCount1 = 0, scoredCount2 = 0;
    int lackingCount1 = 0, lackingCount2 = 0;
    std::vector<int> mappedLine;  // per taxon: the taxon map line (index) that matched it, or -1
    int mappedCount = 0;          // taxa matched through the taxon map
    std::unique_ptr<Matrix> results;  // samples x 17 (two indices) or 12 (DAM)
    std::vector<std::string> resultNames;
    std::vector<std::string> comments1, comments2;
    // When some taxa lack a score: per taxon (rows), the samples it is counted in (N), its
    // largest count (Max) and Hill's N2 (Matrix::countmaxn2), for the list of those taxa
    // in the results; worked out for those taxa alone (the others' rows hold 0). Null when
    // every taxon has its scores.
    std::unique_ptr<Matrix> perTaxon;
    // The lines the analysis adds to the import's summary: the chemistry paragraphs, the
    // taxon map's paragraph, the warnings about unscored taxa and flagged samples.
    std::string summary;
};

// The analysis of the imported samples: nothing when there are no taxa or a lake sample
// lacks its type (its message shown).
std::optional<Analysis> Analyse(const ImportedSamples& samples, const TaxonMapChoice& taxonMap, UserInteraction& ui);

// The import's summary continued by the analysis's lines (the analysis may be null).
std::string SummaryText(const ImportedSamples& samples, const Analysis* analysis);
