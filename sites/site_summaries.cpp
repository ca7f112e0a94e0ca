// The site summaries of a job: samples sharing a site code are averaged, each site is
// classed against its boundary row, and its confidence of class is worked out.

#include "sites/site_summaries.h"

#include <cmath>
#include <string>
#include <unordered_map>

#include "base/ascii_case.h"
#include "import/sample_layout.h"
#include "import/user_interaction.h"
#include "metrics/expected_values.h"
#include "metrics/index_values.h"
#include "metrics/reference_values.h"
#include "matrix/number_format.h"
#include "metrics/status_class.h"

namespace {

std::optional<SpreadModel> spreadModel(const MemoryTable* coc)
{
    if (!coc || coc->rowCount < 4)
        return std::nullopt;
    SpreadModel model{};
    for (int row = 0; row < 4; ++row) {
        const std::optional<double> value = ReadNumber(*coc, row, 2);
        if (!value)
            return std::nullopt;
        model[static_cast<std::size_t>(row)] = *value;
    }
    return model;
}

// Index 1 is headed by the full list; every index-2 run fills the list of the river
// TDI4 table, whose first probability column holds High and Good added together.
const std::vector<std::string>& siteHeaders(int index)
{
    static const std::vector<std::string> full = {
        "Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High", "CoC Good", "CoC Mod",
        "CoC Poor", "CoC Bad", "RoM", "CoC HG", "CoC MPB", "RoM-G/M", "", "", "", "", "", "", ""};
    static const std::vector<std::string> withoutHigh = {
        "Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High+Good", "CoC Mod", "CoC Poor",
        "CoC Bad", "RoM", "CoC HG", "CoC MPB", "RoM-G/M", "", "", "", "", "", "", "", ""};
    return index == 2 ? withoutHigh : full;
}

// The samples gathered by site code. One row per sample: 0 the site's first sample (-1 for
// a first sample, missing when the sample has no site), 1 and 2 the counts of samples with
// and without an EQR, 3 the sample's EQR, 4 the site's running mean EQR. sites gets the
// first sample of each site, in sample order.
std::unique_ptr<Matrix> gatherBySite(const std::vector<std::string>& codes, const Matrix& results, int eqrCol,
                                     std::vector<int>& sites)
{
    const int n = static_cast<int>(codes.size());
    auto work = std::make_unique<Matrix>(n, 6, Matrix::missingValue);
    Matrix& w = *work;
    for (int i = 0; i < n; ++i) {
        const double eqr = results(i, eqrCol);
        w(i, 3) = w(i, 4) = eqr;
        w(i, 0) = -1;
        const bool missing = results.isMissing(i, eqrCol);
        w(i, 1) = missing ? 0 : 1;
        w(i, 2) = missing ? 1 : 0;
    }
    // Codes compare without regard to case; the first sample of a code stands for the
    // site, and the later ones are added to it in sample order.
    std::unordered_map<std::string, int> firstOfCode;
    for (int i = 0; i < n; ++i) {
        const std::string& code = codes[static_cast<std::size_t>(i)];
        if (code.size() <= 1) {
            w(i, 0) = Matrix::missingValue;
            continue;
        }
        const auto [found, isNew] = firstOfCode.try_emplace(foldedCopy(code), i);
        if (isNew) {
            sites.push_back(i);
            continue;
        }
        const int d = found->second;
        w(i, 0) = d;
        if (results.isMissing(i, eqrCol)) {
            w(d, 2) += 1;
        } else {
            w(d, 1) += 1;
            const double eqr = results(i, eqrCol);
            if (w.isMissing(d, 4))
                w(d, 4) = eqr;
            else
                w(d, 4) += (eqr - w(d, 4)) / w(d, 1);
        }
    }
    return work;
}

// Each site's class and confidence of class against its boundary row, in summary (one row
// per site, its samples, missing samples and mean EQR filled).
void assessSites(const ImportedSamples& samples, int index, const std::vector<int>& sites, Matrix& s)
{
    const int siteCount = static_cast<int>(sites.size());
    const bool riverSecondIndex = samples.family == familyRivers && index == 2;
    const MemoryTable* boundaries = (index == 1 ? samples.boundaries1 : samples.boundaries2).get();
    const std::optional<SpreadModel> model = spreadModel(samples.cocParameters.get());
    const double spreadCap = samples.family == familyLakes && index == 1 ? 1.5 : 1.0;
    for (int k = 0; k < siteCount; ++k) {
        int row = 0;
        if (samples.family == familyLakes)
            row = boundaries ? FindLakeTypeRow(*boundaries, HeaderText(samples, layout::lakeTypeRow, sites[static_cast<std::size_t>(k)]))
                             : -1;
        // A site whose boundary row is absent or unreadable (for lakes: a type that no row
        // holds) keeps the missing value; the other sites are assessed all the same.
        const std::optional<BoundaryRow> boundary =
            boundaries && row >= 0 ? ReadBoundaryRow(*boundaries, row) : std::nullopt;
        if (boundary)
            AssessSite(s, k, boundary->limits, model, spreadCap);
    }
    for (int r = 0; r < s.nRows(); ++r)
        for (int c = 0; c < s.nCols(); ++c)
            if (!std::isfinite(s(r, c)))
                s(r, c) = Matrix::missingValue;

    if (riverSecondIndex) {
        // The table keeps one probability column for High and Good together, headed
        // "CoC High+Good": it must hold their sum before the High column goes. A site
        // left unassessed keeps the missing value.
        const int good = sitecol::high + 1;
        for (int k = 0; k < s.nRows(); ++k)
            if (!s.isMissing(k, sitecol::high) && !s.isMissing(k, good))
                s(k, good) += s(k, sitecol::high);
        std::vector<std::uint8_t> mask(sitecol::count, 0);
        mask[sitecol::high] = 1;
        s.deleteColumns(mask);
    }
}

}  // namespace

bool SummariseSites(const ImportedSamples& samples, const Analysis& analysis, int index, UserInteraction& ui,
                    SiteSummaries& out)
{
    if (!analysis.results || (index != 1 && index != 2) || (index == 2 && analysis.indexCount != 2))
        return false;

    static const std::vector<std::string> noCodes;
    const std::vector<std::string>& codes =
        samples.headerValues.size() > static_cast<std::size_t>(layout::siteCodeRow) ? samples.headerValues[layout::siteCodeRow] : noCodes;
    const int n = static_cast<int>(codes.size());
    if (n != analysis.results->nRows()) {
        ui.showMessage("Error in sample numbers - uncertainty results not available");
        return false;
    }

    const int eqrCol = index == 1 ? rescol::firstEqr : rescol::secondEqr(analysis.indexCount);
    std::unique_ptr<Matrix>& summaryOut = index == 1 ? out.siteSummary1 : out.siteSummary2;

    std::vector<int> sites;
    std::unique_ptr<Matrix> work = gatherBySite(codes, *analysis.results, eqrCol, sites);
    summaryOut = std::move(work);
    if (sites.empty()) {
        ui.showMessage("Site information is missing, uncertainty analysis cannot be performed");
        return false;
    }

    const int siteCount = static_cast<int>(sites.size());
    auto summary = std::make_unique<Matrix>(siteCount, sitecol::count, Matrix::missingValue);
    Matrix& s = *summary;
    out.siteCodes.assign(static_cast<std::size_t>(siteCount), "");
    for (int k = 0; k < siteCount; ++k) {
        const int r = sites[static_cast<std::size_t>(k)];
        s(k, sitecol::samples) = (*summaryOut)(r, 1);
        s(k, sitecol::missing) = (*summaryOut)(r, 2);
        s(k, sitecol::meanEqr) = (*summaryOut)(r, 4);
        out.siteCodes[static_cast<std::size_t>(k)] = codes[static_cast<std::size_t>(r)];
    }

    (index == 1 ? out.siteHeaders1 : out.siteHeaders2) = siteHeaders(index);

    assessSites(samples, index, sites, s);
    summaryOut = std::move(summary);
    out.uncertaintyAvailable = true;
    return true;
}

SiteSummaries SummariseAllSites(const ImportedSamples& samples, const Analysis& analysis, UserInteraction& ui)
{
    SiteSummaries sites;
    if (!samples.cocAvailable)
        return sites;
    SummariseSites(samples, analysis, 1, ui, sites);
    if (samples.family == familyRivers || samples.family == familyLakes)
        SummariseSites(samples, analysis, 2, ui, sites);
    return sites;
}

SiteTable SiteTableOf(const SiteSummaries& sites, int family, int index)
{
    if (index == 1)
        return {sites.siteSummary1.get(), &sites.siteHeaders1};
    if (index == 2 && family != familyDam)
        return {sites.siteSummary2.get(), family == familyRivers ? &sites.siteHeaders2 : &sites.siteHeaders1};
    return {};
}

std::string SiteCellText(const Matrix& summary, int row, int col)
{
    if (summary.isMissing(row, col))
        return "...";
    const double value = summary(row, col);
    if (col == sitecol::statusClass) {
        const std::string* name = StatusClassName(value);
        return name ? *name : std::string();
    }
    return numtext::format("%.2f", {value});
}
