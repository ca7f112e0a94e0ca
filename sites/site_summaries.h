#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/imported_samples.h"
#include "matrix/matrix.h"
#include "metrics/analysis.h"
#include "sites/confidence_of_class.h"

class UserInteraction;

// The third stage of a job: its samples gathered by site code (header row 2), per index
// the site's samples, mean EQR and class, and the confidence of class when the family has
// its parameters.
struct SiteSummaries {
    std::unique_ptr<Matrix> siteSummary1, siteSummary2;  // one row per site, sitecol columns
    std::vector<std::string> siteHeaders1, siteHeaders2;
    std::vector<std::string> siteCodes;  // per site row: the code of its first sample
    bool uncertaintyAvailable = false;
};

// The site summary of index 1 or 2 into sites; false after one of its two messages
// ("Error in sample numbers ...", "Site information is missing ...").
bool SummariseSites(const ImportedSamples& samples, const Analysis& analysis, int index, UserInteraction& ui,
                    SiteSummaries& sites);

// The site summaries of every index the family has, when it has confidence-of-class
// parameters; empty otherwise. Messages as SummariseSites.
SiteSummaries SummariseAllSites(const ImportedSamples& samples, const Analysis& analysis, UserInteraction& ui);

// The site table of index 1 or 2 of a family: the summary (null when there is none) and
// the headers it is shown under. The lake family's second table has the same columns as
// its first; the river family's has lost "CoC High" and has headers of its own.
SiteTable SiteTableOf(const SiteSummaries& sites, int family, int index);

// The text of cell (row, col) of a site summary, as the site sheet and the chart's tooltip
// show it: the missing value as "...", the class by its name, any other number with two
// decimals.
std::string SiteCellText(const Matrix& summary, int row, int col);
