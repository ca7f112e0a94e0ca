#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

struct ImportedSamples;
struct Analysis;
struct SiteSummaries;

// What the history chart of one index shows, worked out from the job alone: for every site
// of the site table, its samples' EQRs against their sampling dates, on the site's class
// bands, with the site's mean, class and confidence of class. A sample that cannot be
// placed (no date, no EQR, no site) is listed with the reason, never left out unsaid.
namespace chart {

// One sample of a site, placed: its sampling date (a spreadsheet serial day) and its EQR.
struct HistoryPoint {
    int sample = 0;  // 0-based, in job order
    std::string sampleName;
    int dateSerial = 0;
    double eqr = 0;
};

// One panel: a site of the site table, in table order.
struct SiteHistory {
    int tableRow = 0;
    std::string code;
    std::vector<HistoryPoint> points;  // by date, samples of one date in job order
    std::optional<double> meanEqr;     // the table's; nothing when no sample has an EQR
    std::optional<int> statusClass;    // 1 (High) to 5 (Bad)
    // Per cent: the probability of the site's class as the table gives it, and the column's
    // name for it, "CoC" or, where one column covers two classes, "CoC High+Good".
    std::optional<double> confidenceOfClass;
    std::string confidenceLabel = "CoC";
    // The lower EQR limits of High, Good, Moderate and Poor that class the site.
    std::optional<std::array<double, 4>> limits;
    std::string lakeType;  // lakes only
};

// A sample of the index that no panel shows as a point, and why: "no site code", "no
// date", "not a date: TEXT", "no EQR" followed by the sample's comment on the index in
// brackets when it has one, several joined by ", ".
struct UnplottedSample {
    std::string sampleName;
    std::string site;  // empty for a sample without a site code
    std::string reason;
};

struct SiteHistoryData {
    std::string indexName;  // "TDI3", "LTDI2", "DAM"
    std::string jobTitle;
    bool perSiteLimits = false;  // lakes: each site's bands are those of its lake type
    std::vector<SiteHistory> sites;
    std::vector<UnplottedSample> unplotted;  // in job order
    // The axes every panel shares, so that panels compare at a glance: the EQR from 0 (or
    // the lowest value, when one is negative) to the larger of 1 and the highest value; the
    // dates from the first to the last sampling date of the index (both 0 when none).
    double eqrBottom = 0;
    double eqrTop = 1;
    int firstDate = 0;
    int lastDate = 0;
};

// A page of the history: the sites first to first + count - 1, page `number` of `of`
// (both 0 for the whole history in one picture, as the screen shows it).
struct HistoryPage {
    int first = 0;
    int count = 0;
    int number = 0;
    int of = 0;
};

// The most sites a page of the history holds: twenty panels still read on one screen or
// one sheet of paper; a hundred in one picture do not.
inline constexpr int kHistorySitesPerPage = 20;

// The whole history as one page, unnumbered.
HistoryPage WholeHistory(const SiteHistoryData& data);
// The history's pages: one unnumbered page when every site fits on it, otherwise pages of
// sitesPerPage sites, numbered from 1 (the last may hold fewer).
std::vector<HistoryPage> HistoryPages(const SiteHistoryData& data, int sitesPerPage = kHistorySitesPerPage);

// The history of the site table of index 1 or 2; nothing when the job has no such table
// or no per-sample results.
std::optional<SiteHistoryData> SiteHistoryFor(const ImportedSamples& samples, const Analysis& analysis,
                                              const SiteSummaries& sites, int index);

// The histories of every site table of the job, in the order of the results sheets.
std::vector<SiteHistoryData> SiteHistories(const ImportedSamples& samples, const Analysis& analysis,
                                           const SiteSummaries& sites);

// "History TDI3": the caption of the history's tab.
std::string HistoryCaption(const SiteHistoryData& data);

// The site's class and its confidence as the panel writes it: "Good (CoC 78%)",
// "High (CoC High+Good 92%)", the class alone when the table has no probability for it,
// "No class" when the site has none.
std::string ClassWithConfidenceText(const SiteHistory& site);

// Where code (compared without regard to case) is among data's sites; -1 when nowhere.
// A prefix finds the first site it begins, when no site has the whole code.
int FindHistorySite(const SiteHistoryData& data, const std::string& code);

}  // namespace chart
