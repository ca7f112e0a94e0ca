#include "sites/site_chart_data.h"

#include <algorithm>
#include <cmath>

#include "import/sample_layout.h"
#include "matrix/matrix.h"
#include "matrix/number_format.h"
#include "sites/site_summaries.h"
#include "metrics/expected_values.h"
#include "metrics/reference_values.h"
#include "base/ascii_case.h"

namespace chart {

namespace {

bool twoIndices(const ImportedSamples& samples)
{
    return samples.family == familyRivers || samples.family == familyLakes;
}

// A count column as a whole number; the missing value (or anything not a count) as 0.
int countAt(const Matrix& table, int row, int col)
{
    const double value = table(row, col);
    return table.isMissing(row, col) || !(value >= 0) || !std::isfinite(value) ? 0 : static_cast<int>(value + 0.5);
}

std::optional<double> numberAt(const Matrix& table, int row, int col)
{
    if (col >= table.nCols() || table.isMissing(row, col) || !std::isfinite(table(row, col)))
        return std::nullopt;
    return table(row, col);
}

// The probability columns of the table: five, one per class; the river family's second
// table has four, its first covering High and Good together.
std::vector<Segment> segmentsOf(const Matrix& table)
{
    if (table.nCols() == sitecol::count)
        return {{1, 1, "High"}, {2, 2, "Good"}, {3, 3, "Moderate"}, {4, 4, "Poor"}, {5, 5, "Bad"}};
    if (table.nCols() == sitecol::count - 1)
        return {{1, 2, "High+Good"}, {3, 3, "Moderate"}, {4, 4, "Poor"}, {5, 5, "Bad"}};
    return {};
}

// The first sample of a site: the first whose code equals the site's code without regard
// to case, as the sites were formed.
int firstSampleOf(const ImportedSamples& samples, const std::string& code)
{
    if (samples.headerValues.size() <= static_cast<std::size_t>(layout::siteCodeRow))
        return -1;
    const std::vector<std::string>& codes = samples.headerValues[layout::siteCodeRow];
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (equalsIgnoringCase(codes[i], code))
            return static_cast<int>(i);
    return -1;
}

}  // namespace

std::optional<SiteChartData> SiteChartFor(const ImportedSamples& samples, const SiteSummaries& sites, int index)
{
    if (!sites.uncertaintyAvailable || (index != 1 && index != 2) || (index == 2 && !twoIndices(samples)))
        return std::nullopt;
    const SiteTable site = SiteTableOf(sites, samples.family, index);
    const Matrix* table = site.summary;
    if (!table || table->nCols() < sitecol::statusClass + 1)
        return std::nullopt;
    const std::vector<std::string>& headers = *site.headers;

    SiteChartData data;
    data.indexName = index == 1 ? FirstIndexName(samples.family) : SecondIndexName(samples.family);
    data.jobTitle = samples.title;
    data.perSiteLimits = samples.family == familyLakes;
    data.segments = segmentsOf(*table);

    const int siteCount = std::min(table->nRows(), static_cast<int>(sites.siteCodes.size()));
    for (int row = 0; row < siteCount; ++row) {
        const std::string& code = sites.siteCodes[static_cast<std::size_t>(row)];
        const std::optional<double> mean = numberAt(*table, row, sitecol::meanEqr);
        if (!mean) {
            data.undrawn.push_back({row, code, countAt(*table, row, sitecol::missing)});
            continue;
        }
        SiteColumn site;
        site.tableRow = row;
        site.code = code;
        site.samples = countAt(*table, row, sitecol::samples);
        site.missingSamples = countAt(*table, row, sitecol::missing);
        site.meanEqr = *mean;
        if (const std::optional<double> status = numberAt(*table, row, sitecol::statusClass);
            status && *status >= 1 && *status <= 5)
            site.statusClass = static_cast<int>(*status);

        site.limits = SiteLimits(samples, index, code, &site.lakeType);

        for (std::size_t s = 0; s < data.segments.size(); ++s)
            site.probabilities.push_back(numberAt(*table, row, sitecol::high + static_cast<int>(s)));

        site.tableCells.emplace_back(headers.empty() ? std::string() : headers[0], code);
        for (int col = 0; col < table->nCols(); ++col) {
            const std::size_t h = static_cast<std::size_t>(col) + 1;
            site.tableCells.emplace_back(h < headers.size() ? headers[h] : std::string(), SiteCellText(*table, row, col));
        }
        data.sites.push_back(std::move(site));
    }

    for (const SiteColumn& site : data.sites) {
        data.eqrTop = std::max(data.eqrTop, site.meanEqr);
        data.eqrBottom = std::min(data.eqrBottom, site.meanEqr);
    }
    return data;
}

std::optional<std::array<double, 4>> SiteLimits(const ImportedSamples& samples, int index, const std::string& code,
                                                std::string* lakeType)
{
    const MemoryTable* boundaries = (index == 1 ? samples.boundaries1 : samples.boundaries2).get();
    int boundaryRow = 0;
    if (samples.family == familyLakes) {
        const std::string type = HeaderText(samples, layout::lakeTypeRow, firstSampleOf(samples, code));
        if (lakeType)
            *lakeType = type;
        boundaryRow = boundaries ? FindLakeTypeRow(*boundaries, type) : -1;
    }
    if (boundaries && boundaryRow >= 0)
        if (const std::optional<BoundaryRow> limits = ReadBoundaryRow(*boundaries, boundaryRow))
            return limits->limits;
    return std::nullopt;
}

std::vector<SiteChartData> SiteCharts(const ImportedSamples& samples, const SiteSummaries& sites)
{
    std::vector<SiteChartData> charts;
    for (int index = 1; index <= 2; ++index)
        if (std::optional<SiteChartData> data = SiteChartFor(samples, sites, index))
            charts.push_back(std::move(*data));
    return charts;
}

std::string ChartCaption(const SiteChartData& data)
{
    return "Chart " + data.indexName;
}

std::string SiteRowText(const SiteColumn& site)
{
    std::string text;
    for (const auto& [header, value] : site.tableCells) {
        if (!text.empty())
            text += '\n';
        text += header + ": " + value;
    }
    if (!site.lakeType.empty())
        text += "\nLake type: " + site.lakeType;
    return text;
}

Colour ClassColour(int statusClass)
{
    switch (statusClass) {
    case 1: return {0, 112, 192};    // High: blue
    case 2: return {0, 176, 80};     // Good: green
    case 3: return {255, 230, 0};    // Moderate: yellow
    case 4: return {255, 150, 0};    // Poor: orange
    case 5: return {230, 0, 0};      // Bad: red
    default: return NoLimitsColour();
    }
}

Colour BandColour(int statusClass)
{
    // A quarter of the class colour on white: pale enough for a dark point to read on it.
    const Colour full = ClassColour(statusClass);
    auto pale = [](int channel) { return 255 - (255 - channel) / 4; };
    return {pale(full.red), pale(full.green), pale(full.blue)};
}

Colour SegmentColour(const Segment& segment)
{
    if (segment.firstClass == segment.lastClass)
        return ClassColour(segment.firstClass);
    const Colour a = ClassColour(segment.firstClass);
    const Colour b = ClassColour(segment.lastClass);
    return {(a.red + b.red) / 2, (a.green + b.green) / 2, (a.blue + b.blue) / 2};
}

Colour NoLimitsColour()
{
    return {228, 228, 228};
}

Colour PointColour()
{
    return {20, 20, 20};
}

}  // namespace chart
