// The confidence of class of a job's sites: samples sharing a site code are averaged,
// and the mean EQR's sampling error gives the probability of each class.

#include "metrics/confidence_of_class.h"

#include <cmath>
#include <string>
#include <unordered_map>

#include "app/job.h"
#include "matrix/matrix.h"
#include "metrics/expected_values.h"
#include "metrics/normal_distribution.h"
#include "metrics/reference_values.h"
#include "metrics/status_class.h"
#include "base/ascii_case.h"

double ProbabilityBelow(double limit, double logitMean, double sigma)
{
    // Limits at the ends of the EQR scale: the logit of the true EQR is always below 1
    // and never below 0.
    if (limit >= 1)
        return 1.0;
    if (limit <= 0)
        return 0.0;
    const double distance = std::log(limit / (1.0 - limit)) - logitMean;
    if (!(sigma > 0))  // no sampling error: the limit of the distribution as sigma falls to 0
        return distance > 0 ? 1.0 : (distance < 0 ? 0.0 : 0.5);
    return NormalLowerTail(distance / sigma);
}

void AssessSite(Matrix& summary, int site, const std::array<double, 4>& limits, const std::optional<SpreadModel>& model,
                double spreadCap)
{
    const double n = summary(site, sitecol::samples);
    if (!(n >= 1) || summary.isMissing(site, sitecol::meanEqr))
        return;  // no EQR at this site: nothing to classify
    const double mean = summary(site, sitecol::meanEqr);
    summary(site, sitecol::statusClass) = StatusClass(mean, limits);
    if (!model)
        return;

    const double x = mean > 0.999 ? 0.999 : mean;
    std::array<double, 4> below{};  // probability that the true EQR lies below limit j
    if (x <= 0) {
        // The logit falls without bound as the EQR falls to 0 while the spread is held
        // at its cap: every limit lies above the whole distribution.
        below.fill(1.0);
    } else {
        const SpreadModel& c = *model;
        const double sd = c[0] + c[1] * x + c[2] * std::pow(x, c[3]);
        const double se = sd / std::sqrt(n);
        const double logitMean = std::log(x / (1.0 - x));
        double sigma = se / (x * (1.0 - x));
        if (sigma > spreadCap)
            sigma = spreadCap;
        for (std::size_t j = 0; j < 4; ++j)
            below[j] = ProbabilityBelow(limits[j], logitMean, sigma);
    }

    // High, Good, Moderate, Poor, Bad in per cent.
    const std::array<double, 5> percent = {100 * (1 - below[0]), 100 * (below[0] - below[1]),
                                           100 * (below[1] - below[2]), 100 * (below[2] - below[3]), 100 * below[3]};
    for (int j = 0; j < 5; ++j)
        summary(site, sitecol::high + j) = percent[static_cast<std::size_t>(j)];

    // The risk of misclassification counts a mean on a limit in the worse class.
    int classOfX = 1;
    for (int j = 4; j >= 1; --j)
        if (limits[static_cast<std::size_t>(j - 1)] >= x) {
            classOfX = j + 1;
            break;
        }
    summary(site, sitecol::rom) = 100 - percent[static_cast<std::size_t>(classOfX - 1)];
    summary(site, sitecol::highGood) = percent[0] + percent[1];
    summary(site, sitecol::modPoorBad) = percent[3] + percent[4] + percent[2];
    summary(site, sitecol::romGoodModerate) = limits[1] >= x ? 100 - summary(site, sitecol::modPoorBad)
                                                             : 100 - summary(site, sitecol::highGood);
}

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

}  // namespace

bool Job::ConfidenceOfClass(int index)
{
    if (!results || (index != 1 && index != 2) || (index == 2 && indexCount != 2))
        return false;

    static const std::vector<std::string> noCodes;
    const std::vector<std::string>& codes =
        headerValues.size() > static_cast<std::size_t>(layout::siteCodeRow) ? headerValues[layout::siteCodeRow] : noCodes;
    const int n = static_cast<int>(codes.size());
    if (n != results->nRows()) {
        ui.showMessage("Error in sample numbers - uncertainty results not available");
        return false;
    }

    const int eqrCol = index == 1 ? 5 : 10;
    std::unique_ptr<Matrix>& summaryOut = index == 1 ? siteSummary1 : siteSummary2;

    // Working matrix, one row per sample: 0 the site's first sample (-1 for a first
    // sample, missing when the sample has no site), 1 and 2 the counts of samples with and
    // without an EQR, 3 the sample's EQR, 4 the site's running mean EQR.
    auto work = std::make_unique<Matrix>(n, 6, Matrix::missingValue);
    Matrix& w = *work;
    for (int i = 0; i < n; ++i) {
        const double eqr = (*results)(i, eqrCol);
        w(i, 3) = w(i, 4) = eqr;
        w(i, 0) = -1;
        const bool missing = results->isMissing(i, eqrCol);
        w(i, 1) = missing ? 0 : 1;
        w(i, 2) = missing ? 1 : 0;
    }
    // Codes compare without regard to case; the first sample of a code stands for the
    // site, and the later ones are added to it in sample order.
    std::unordered_map<std::string, int> firstOfCode;
    std::vector<int> sites;
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
        if (results->isMissing(i, eqrCol)) {
            w(d, 2) += 1;
        } else {
            w(d, 1) += 1;
            const double eqr = (*results)(i, eqrCol);
            if (w.isMissing(d, 4))
                w(d, 4) = eqr;
            else
                w(d, 4) += (eqr - w(d, 4)) / w(d, 1);
        }
    }
    summaryOut = std::move(work);
    if (sites.empty()) {
        ui.showMessage("Site information is missing, uncertainty analysis cannot be performed");
        return false;
    }

    const int siteCount = static_cast<int>(sites.size());
    auto summary = std::make_unique<Matrix>(siteCount, sitecol::count, Matrix::missingValue);
    Matrix& s = *summary;
    siteCodes.assign(static_cast<std::size_t>(siteCount), "");
    for (int k = 0; k < siteCount; ++k) {
        const int r = sites[static_cast<std::size_t>(k)];
        s(k, sitecol::samples) = (*summaryOut)(r, 1);
        s(k, sitecol::missing) = (*summaryOut)(r, 2);
        s(k, sitecol::meanEqr) = (*summaryOut)(r, 4);
        siteCodes[static_cast<std::size_t>(k)] = codes[static_cast<std::size_t>(r)];
    }

    const bool riverSecondIndex = family == familyRivers && index == 2;
    (index == 1 ? siteHeaders1 : siteHeaders2) = siteHeaders(index);

    const MemoryTable* boundaries = (index == 1 ? boundaries1 : boundaries2).get();
    const std::optional<SpreadModel> model = spreadModel(cocParameters.get());
    const double spreadCap = family == familyLakes && index == 1 ? 1.5 : 1.0;
    for (int k = 0; k < siteCount; ++k) {
        int row = 0;
        if (family == familyLakes)
            row = boundaries ? FindLakeTypeRow(*boundaries, HeaderText(*this, layout::lakeTypeRow, sites[static_cast<std::size_t>(k)]))
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
    summaryOut = std::move(summary);
    uncertaintyAvailable = true;
    return true;
}

SiteTable SiteTableOf(const Job& job, int index)
{
    if (index == 1)
        return {job.siteSummary1.get(), &job.siteHeaders1};
    if (index == 2 && job.family != familyDam)
        return {job.siteSummary2.get(), job.family == familyRivers ? &job.siteHeaders2 : &job.siteHeaders1};
    return {};
}
