#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/job.h"

// A job as the import leaves it, for the data view: four header rows whose date row holds
// the edge cases of the date rule, three taxa and `samples` samples (at least 7). Counts:
// taxon t in sample s is s + 10 t, except taxon 0 in sample 1, 0.1 + 0.2.
namespace grid_jobs {

inline const std::vector<std::string>& dateRowTexts()
{
    static const std::vector<std::string> texts = {"40000", "20001", "59999", "20000", "60000", "12", "June"};
    return texts;
}

inline void fillImportedJob(Job& job, int samples = 7)
{
    job.title = "river.xlsx";
    job.family = familyRivers;
    job.headerLabels = {"Sample", "Site", "Sampling date", "Alkalinity (mg/l)"};
    job.headerRowCount = 4;
    job.headerValues.assign(4, std::vector<std::string>());
    for (int s = 0; s < samples; ++s) {
        job.headerValues[0].push_back("S" + std::to_string(s + 1));
        job.headerValues[1].push_back("SITE" + std::to_string(s / 2));
        const std::size_t d = static_cast<std::size_t>(s) % dateRowTexts().size();
        job.headerValues[2].push_back(dateRowTexts()[d]);
        job.headerValues[3].push_back("45");
    }
    job.taxa = {{"AC001A", "Achnanthes sp."}, {"ZZ999", "Unknown taxon"}, {"NA001A", "Navicula sp."}};
    job.taxonCount = 3;
    job.sampleCount = samples;
    job.counts = std::make_unique<Matrix>(samples, 3, 0.0);
    for (int s = 0; s < samples; ++s)
        for (int t = 0; t < 3; ++t)
            (*job.counts)(s, t) = s + 10 * t;
    (*job.counts)(1, 0) = 0.1 + 0.2;
}

// What a successful analysis leaves for the data view: ZZ999 has no first-index score.
inline void markAnalysed(Job& job)
{
    job.scoredRow1 = {0, -1, 4};
    job.scoredRow2 = {0, -1, -1};
    job.analysed = true;
}

}  // namespace grid_jobs
