#pragma once

#include "import/imported_samples.h"
#include "metrics/analysis.h"
#include "sites/site_summaries.h"

// What the results are written from: the stages of one job, each as its step left it.
// Before the analysis, analysis is empty (no results table) and so are the sites.
struct Assessment {
    ImportedSamples samples;
    Analysis analysis;
    SiteSummaries sites;
};

// The summary text of the assessment: the import's lines, then the analysis's.
inline std::string SummaryText(const Assessment& assessment)
{
    return SummaryText(assessment.samples, assessment.analysis.results ? &assessment.analysis : nullptr);
}

// The site table of index 1 or 2 of the assessment (see SiteTableOf of the site summaries).
inline SiteTable SiteTableOf(const Assessment& assessment, int index)
{
    return SiteTableOf(assessment.sites, assessment.samples.family, index);
}
