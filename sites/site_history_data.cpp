#include "sites/site_history_data.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "base/ascii_case.h"
#include "import/imported_samples.h"
#include "import/sample_layout.h"
#include "matrix/number_format.h"
#include "metrics/analysis.h"
#include "metrics/expected_values.h"
#include "metrics/index_values.h"
#include "metrics/status_class.h"
#include "sites/site_chart_data.h"
#include "sites/site_summaries.h"

namespace chart {

namespace {

// A site code as the site summaries form sites: one character or none is no site, and
// codes compare without regard to case.
bool hasSite(const std::string& code)
{
    return code.size() > 1;
}

SiteHistory panelOf(const SiteColumn& column, const std::vector<Segment>& segments)
{
    SiteHistory site;
    site.tableRow = column.tableRow;
    site.code = column.code;
    site.meanEqr = column.meanEqr;
    site.statusClass = column.statusClass;
    site.limits = column.limits;
    site.lakeType = column.lakeType;
    if (column.statusClass)
        for (std::size_t s = 0; s < segments.size() && s < column.probabilities.size(); ++s)
            if (segments[s].firstClass <= *column.statusClass && *column.statusClass <= segments[s].lastClass) {
                site.confidenceOfClass = column.probabilities[s];
                if (segments[s].firstClass != segments[s].lastClass)
                    site.confidenceLabel = "CoC " + segments[s].label;
            }
    return site;
}

}  // namespace

std::optional<SiteHistoryData> SiteHistoryFor(const ImportedSamples& samples, const Analysis& analysis,
                                              const SiteSummaries& sites, int index)
{
    std::optional<SiteChartData> table = SiteChartFor(samples, sites, index);
    if (!table || !analysis.results)
        return std::nullopt;
    const Matrix& results = *analysis.results;
    const int eqrCol = index == 1 ? rescol::firstEqr : rescol::secondEqr(analysis.indexCount);
    if (eqrCol >= results.nCols())
        return std::nullopt;

    SiteHistoryData data;
    data.indexName = table->indexName;
    data.jobTitle = table->jobTitle;
    data.perSiteLimits = table->perSiteLimits;

    // The panels in table order: the drawn sites and those without a mean merged by row.
    for (const SiteColumn& column : table->sites)
        data.sites.push_back(panelOf(column, table->segments));
    for (const UndrawnSite& undrawn : table->undrawn) {
        SiteHistory site;
        site.tableRow = undrawn.tableRow;
        site.code = undrawn.code;
        // Its bands all the same, so that a panel without points still shows the class
        // limits its samples would be read against.
        site.limits = SiteLimits(samples, index, site.code, &site.lakeType);
        data.sites.push_back(std::move(site));
    }
    std::sort(data.sites.begin(), data.sites.end(),
              [](const SiteHistory& a, const SiteHistory& b) { return a.tableRow < b.tableRow; });
    std::unordered_map<std::string, std::size_t> panelOfCode;
    for (std::size_t k = 0; k < data.sites.size(); ++k)
        panelOfCode.try_emplace(foldedCopy(data.sites[k].code), k);

    const int sampleCount = std::min(results.nRows(), static_cast<int>(samples.headerValues.empty() ? 0 : samples.headerValues[0].size()));
    bool anyValue = false;
    double lowest = 0, highest = 0;
    auto reach = [&](double eqr) {
        lowest = anyValue ? std::min(lowest, eqr) : eqr;
        highest = anyValue ? std::max(highest, eqr) : eqr;
        anyValue = true;
    };
    for (int s = 0; s < sampleCount; ++s) {
        const std::string& name = HeaderText(samples, layout::sampleNameRow, s);
        const std::string& code = HeaderText(samples, layout::siteCodeRow, s);
        const std::string& dateText = HeaderText(samples, layout::dateRow, s);
        const bool hasEqr = !results.isMissing(s, eqrCol) && std::isfinite(results(s, eqrCol));
        const int serial = numtext::leadingInteger(dateText);
        const bool hasDate = layout::ShownAsDate(serial);

        const auto panel = hasSite(code) ? panelOfCode.find(foldedCopy(code)) : panelOfCode.end();
        std::string reason;
        if (panel == panelOfCode.end())
            reason = "no site code";
        if (!hasDate) {
            const std::string dateReason = dateText.empty() ? "no date" : "not a date: " + dateText;
            reason += (reason.empty() ? "" : ", ") + dateReason;
        }
        if (!hasEqr) {
            // The sample's comment on the index says why ("No matching taxa found").
            const std::vector<std::string>& comments = index == 1 ? analysis.comments1 : analysis.comments2;
            const std::string comment = static_cast<std::size_t>(s) < comments.size() ? comments[static_cast<std::size_t>(s)] : "";
            reason += (reason.empty() ? "" : ", ") + std::string("no EQR") + (comment.empty() ? "" : " (" + comment + ")");
        }
        if (!reason.empty()) {
            data.unplotted.push_back({name, hasSite(code) ? code : std::string(), reason});
            continue;
        }
        const double eqr = results(s, eqrCol);
        data.sites[panel->second].points.push_back({s, name, serial, eqr});
        reach(eqr);
        data.firstDate = data.firstDate == 0 ? serial : std::min(data.firstDate, serial);
        data.lastDate = std::max(data.lastDate, serial);
    }
    for (SiteHistory& site : data.sites) {
        std::stable_sort(site.points.begin(), site.points.end(),
                         [](const HistoryPoint& a, const HistoryPoint& b) { return a.dateSerial < b.dateSerial; });
        if (site.meanEqr)
            reach(*site.meanEqr);
    }
    data.eqrBottom = std::min(0.0, anyValue ? lowest : 0.0);
    data.eqrTop = std::max(1.0, anyValue ? highest : 1.0);
    return data;
}

std::vector<SiteHistoryData> SiteHistories(const ImportedSamples& samples, const Analysis& analysis,
                                           const SiteSummaries& sites)
{
    std::vector<SiteHistoryData> histories;
    for (int index = 1; index <= 2; ++index)
        if (std::optional<SiteHistoryData> data = SiteHistoryFor(samples, analysis, sites, index))
            histories.push_back(std::move(*data));
    return histories;
}

HistoryPage WholeHistory(const SiteHistoryData& data)
{
    return {0, static_cast<int>(data.sites.size()), 0, 0};
}

std::vector<HistoryPage> HistoryPages(const SiteHistoryData& data, int sitesPerPage)
{
    const int sites = static_cast<int>(data.sites.size());
    if (sitesPerPage <= 0 || sites <= sitesPerPage)
        return {WholeHistory(data)};
    const int of = (sites + sitesPerPage - 1) / sitesPerPage;
    std::vector<HistoryPage> pages;
    for (int p = 0; p < of; ++p)
        pages.push_back({p * sitesPerPage, std::min(sitesPerPage, sites - p * sitesPerPage), p + 1, of});
    return pages;
}

std::string HistoryCaption(const SiteHistoryData& data)
{
    return "History " + data.indexName;
}

std::string ClassWithConfidenceText(const SiteHistory& site)
{
    if (!site.statusClass || *site.statusClass < 1 || *site.statusClass > 5)
        return "No class";
    std::string text = StatusClassNames()[static_cast<std::size_t>(*site.statusClass - 1)];
    if (site.confidenceOfClass) {
        const double percent = std::clamp(*site.confidenceOfClass, 0.0, 100.0);
        text += " (" + site.confidenceLabel + " " + std::to_string(static_cast<int>(std::lround(percent))) + "%)";
    }
    return text;
}

int FindHistorySite(const SiteHistoryData& data, const std::string& code)
{
    const std::string wanted = foldedCopy(code);
    if (wanted.empty())
        return -1;
    for (std::size_t k = 0; k < data.sites.size(); ++k)
        if (foldedCopy(data.sites[k].code) == wanted)
            return static_cast<int>(k);
    for (std::size_t k = 0; k < data.sites.size(); ++k)
        if (foldedCopy(data.sites[k].code).starts_with(wanted))
            return static_cast<int>(k);
    return -1;
}

}  // namespace chart
