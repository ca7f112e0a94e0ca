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
    job.samples.title = "river.xlsx";
    job.samples.family = familyRivers;
    job.samples.headerLabels = {"Sample", "Site", "Sampling date", "Alkalinity (mg/l)"};
    job.samples.headerRowCount = 4;
    job.samples.headerValues.assign(4, std::vector<std::string>());
    for (int s = 0; s < samples; ++s) {
        job.samples.headerValues[0].push_back("S" + std::to_string(s + 1));
        job.samples.headerValues[1].push_back("SITE" + std::to_string(s / 2));
        const std::size_t d = static_cast<std::size_t>(s) % dateRowTexts().size();
        job.samples.headerValues[2].push_back(dateRowTexts()[d]);
        job.samples.headerValues[3].push_back("45");
    }
    job.samples.taxa = {{"AC001A", "Achnanthes sp."}, {"ZZ999", "Unknown taxon"}, {"NA001A", "Navicula sp."}};
    job.samples.taxonCount = 3;
    job.samples.sampleCount = samples;
    job.samples.counts = std::make_unique<Matrix>(samples, 3, 0.0);
    for (int s = 0; s < samples; ++s)
        for (int t = 0; t < 3; ++t)
            (*job.samples.counts)(s, t) = s + 10 * t;
    (*job.samples.counts)(1, 0) = 0.1 + 0.2;
}

// What a successful analysis leaves for the data view: ZZ999 has no first-index score.
inline void markAnalysed(Job& job)
{
    job.analysis.scoredRow1 = {0, -1, 4};
    job.analysis.scoredRow2 = {0, -1, -1};
    job.analysed = true;
}

}  // namespace grid_jobs
