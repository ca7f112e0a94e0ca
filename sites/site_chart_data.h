#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/colour.h"

struct ImportedSamples;
struct SiteSummaries;

// What the chart of one site table shows, worked out from the job alone: which sites are
// drawn, where, against which class limits, and how their probabilities stack. The
// painter only places these numbers on a device.
namespace chart {

// One stacked-bar segment: the classes firstClass to lastClass (1 High ... 5 Bad) that one
// probability column of the table covers, and its legend text.
struct Segment {
    int firstClass = 1;
    int lastClass = 1;
    std::string label;
};

// A site that is drawn: one column of the chart.
struct SiteColumn {
    int tableRow = 0;  // row of the site table
    std::string code;
    int samples = 0;         // samples with an EQR ("No. Samples")
    int missingSamples = 0;  // samples without one ("No. missing")
    double meanEqr = 0;
    std::optional<int> statusClass;  // 1 to 5; nothing when the table holds none
    // The lower EQR limits of High, Good, Moderate and Poor of the site's boundary row (for
    // lakes the row of the site's own lake type); nothing when no row applies.
    std::optional<std::array<double, 4>> limits;
    std::string lakeType;  // lakes only: the lake type of the site's first sample
    // Per cent, one per segment, in segment order; nothing in a cell the table leaves missing.
    std::vector<std::optional<double>> probabilities;
    // The site's row of the table as the results grid shows it: header and cell text.
    std::vector<std::pair<std::string, std::string>> tableCells;
};

// A site that the table lists without a mean EQR: named under the chart, not drawn.
struct UndrawnSite {
    int tableRow = 0;
    std::string code;
    int missingSamples = 0;
};

struct SiteChartData {
    std::string indexName;  // "TDI3", "LTDI2", "DAM"
    std::string jobTitle;   // the workbook's file name
    bool perSiteLimits = false;  // lakes: each site's bands are those of its lake type
    std::vector<Segment> segments;
    std::vector<SiteColumn> sites;
    std::vector<UndrawnSite> undrawn;
    // The EQR axis: from 0 (or the lowest mean, when one is negative) to the larger of 1.2
    // and the highest mean.
    double eqrBottom = 0;
    double eqrTop = 1.2;
};

// The chart of the site table of index 1 or 2; nothing when the job has no such table.
std::optional<SiteChartData> SiteChartFor(const ImportedSamples& samples, const SiteSummaries& sites, int index);

// The class limits (lower EQR limits of High, Good, Moderate and Poor) that class the
// site `code` on index 1 or 2: the boundary row of the index, for lakes the row of the lake
// type of the site's first sample (given in lakeType when asked); nothing when no row
// applies.
std::optional<std::array<double, 4>> SiteLimits(const ImportedSamples& samples, int index, const std::string& code,
                                                std::string* lakeType = nullptr);

// The charts of every site table of the job, in the order of the results sheets.
std::vector<SiteChartData> SiteCharts(const ImportedSamples& samples, const SiteSummaries& sites);

// "Chart TDI3": the caption of the chart's tab.
std::string ChartCaption(const SiteChartData& data);

// The site's row as one text, "header: value" a line, for a tooltip.
std::string SiteRowText(const SiteColumn& site);

// The class colours of water-quality reports, for classes 1 (High) to 5 (Bad), as the
// stacked bars use them; the bands behind the points use pale versions of the same hues.
Colour ClassColour(int statusClass);
Colour BandColour(int statusClass);
// The colour of one stacked-bar segment: its class's, or for a segment that covers High
// and Good together a colour between the two.
Colour SegmentColour(const Segment& segment);
// The colour of a column whose site has no class limits, and of the points.
Colour NoLimitsColour();
Colour PointColour();

}  // namespace chart
