// The confidence of class of a job's sites: samples sharing a site code are averaged,
// and the mean EQR's sampling error gives the probability of each class.

#include "sites/confidence_of_class.h"

#include <cmath>
#include <string>
#include <unordered_map>

#include "matrix/matrix.h"
#include "sites/normal_distribution.h"
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
