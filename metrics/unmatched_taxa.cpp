#include "metrics/unmatched_taxa.h"

#include <memory>

#include "metrics/taxon_map_use.h"
#include "metrics/taxon_matching.h"
#include "refdb/memory_table.h"

UnmatchedTaxa FindUnmatchedTaxa(const ImportedSamples& job, std::size_t limit)
{
    UnmatchedTaxa found;
    const int taxonCount = job.counts ? job.counts->nCols() : static_cast<int>(job.taxa.size());
    const MemoryTable* list = job.masterTaxonList.get();
    const int codeColumn = MasterCodeColumn(job.taxa);
    if (list)
        found.list = MasterListRows(*list, codeColumn);
    const taxa::Suggester suggester(found.list);

    std::vector<double> sampleSums;
    double total = 0;
    if (job.counts) {
        const Matrix& counts = *job.counts;
        sampleSums.assign(static_cast<std::size_t>(counts.nRows()), 0);
        for (int s = 0; s < counts.nRows(); ++s)
            for (int t = 0; t < counts.nCols(); ++t)
                if (counts(s, t) > 0)
                    sampleSums[static_cast<std::size_t>(s)] += counts(s, t);
        for (double sum : sampleSums)
            total += sum;
    }

    std::unique_ptr<MasterCodeIndex> index;
    if (list)
        index = std::make_unique<MasterCodeIndex>(*list, codeColumn);
    for (int t = 0; t < taxonCount && t < static_cast<int>(job.taxa.size()); ++t) {
        const TaxonEntry& entry = job.taxa[static_cast<std::size_t>(t)];
        if (index && index->FirstRow(entry.code) >= 0)
            continue;
        UnmatchedTaxon taxon;
        taxon.taxon = t;
        taxon.code = entry.code;
        taxon.name = entry.name;
        if (job.counts) {
            double sum = 0;
            for (int s = 0; s < job.counts->nRows(); ++s) {
                const double count = (*job.counts)(s, t);
                if (!(count > 0))
                    continue;
                ++taxon.samplesPresent;
                sum += count;
                const double share = 100 * count / sampleSums[static_cast<std::size_t>(s)];
                if (share > taxon.largestShare)
                    taxon.largestShare = share;
            }
            if (total > 0)
                taxon.shareOfAll = 100 * sum / total;
        }
        if (list)
            taxon.suggestions = suggester.suggest({entry.code, entry.name}, limit);
        found.taxa.push_back(std::move(taxon));
    }
    return found;
}
