#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

class Matrix;

// Columns of a site summary (13 before the river TDI4 table drops "CoC High").
namespace sitecol {
constexpr int samples = 0;
constexpr int missing = 1;
constexpr int meanEqr = 2;
constexpr int statusClass = 3;
constexpr int high = 4;  // then Good, Moderate, Poor, Bad
constexpr int rom = 9;
constexpr int highGood = 10;
constexpr int modPoorBad = 11;
constexpr int romGoodModerate = 12;
constexpr int count = 13;
}  // namespace sitecol

// The sampling-error model of the family: the spread of one sample's EQR at EQR x is
// c[0] + c[1] x + c[2] x^c[3].
using SpreadModel = std::array<double, 4>;

// The probability (0 to 1) that the true EQR lies below limit, for a mean whose logit is
// logitMean with spread sigma on the logit scale.
double ProbabilityBelow(double limit, double logitMean, double sigma);

// Fills columns 3 to 12 of site row `site` of summary from its sample count (column 0)
// and mean EQR (column 2), given the four class limits of its boundary row. Without a
// spread model only the class is filled. A site without any EQR keeps the missing value
// throughout.
void AssessSite(Matrix& summary, int site, const std::array<double, 4>& limits, const std::optional<SpreadModel>& model,
                double spreadCap);

// One site table: the summary of index 1 or 2 (null when there is none) and the headers
// it is shown under.
struct SiteTable {
    const Matrix* summary = nullptr;
    const std::vector<std::string>* headers = nullptr;
};
