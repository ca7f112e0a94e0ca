#include "metrics/status_class.h"

#include <cmath>

#include "import/user_interaction.h"
#include "matrix/matrix.h"

int StatusClass(double eqr, const std::array<double, 4>& limits)
{
    for (int k = 0; k < 4; ++k)
        if (limits[static_cast<std::size_t>(k)] <= eqr)
            return k + 1;
    return 5;
}

EqrRule EqrRuleFor(int family, int index)
{
    switch (family) {
    case familyLakes: return {0.00001, false, 1.0};
    case familyDam: return {0.0001, true, 1.0};
    default: return {0.0001, false, index == 2 ? 1.25 : 1.0};  // TDI4 may exceed its reference
    }
}

void MarkNotAssessed(Matrix& results, int sample, int sumCol)
{
    results(sample, sumCol + 2) = Matrix::missingValue;
    results(sample, sumCol + 3) = Matrix::missingValue;
    results(sample, sumCol + 4) = Matrix::missingValue;
}

void CompleteIndex(Matrix& results, int sample, int sumCol, const EqrRule& rule, double expected,
                   const std::optional<std::array<double, 4>>& limits, std::string& comment)
{
    const int indexCol = sumCol + 1, expectedCol = sumCol + 2, eqrCol = sumCol + 3, classCol = sumCol + 4;
    if (results(sample, sumCol) < rule.noMatchBelow) {
        results(sample, indexCol) = Matrix::missingValue;
        MarkNotAssessed(results, sample, sumCol);
        comment += "No matching taxa found";
        return;
    }
    results(sample, expectedCol) = std::isfinite(expected) ? expected : Matrix::missingValue;

    // A sample of less than one valve has scored taxa but no index: its missing marker
    // is not a value to divide.
    if (results.isMissing(sample, indexCol) || !std::isfinite(expected)) {
        results(sample, eqrCol) = Matrix::missingValue;
        results(sample, classCol) = Matrix::missingValue;
        return;
    }
    // The models give a positive expected value for any water they were made for; one at
    // or below zero (DAM under a high DOC and little calcium) lies outside them, and a
    // ratio to it would read as the worst class, or the best, for no ecological reason.
    if (expected <= 0) {
        results(sample, eqrCol) = Matrix::missingValue;
        results(sample, classCol) = Matrix::missingValue;
        if (!comment.empty())
            comment += "; ";
        comment += kNoEqrNote;
        return;
    }
    const double index = results(sample, indexCol);
    double eqr = rule.ratioOfIndex ? index / expected : (100.0 - index) / (100.0 - expected);
    // An expected value at the end of the scale gives no ratio; a cap must not turn
    // that into the best class.
    if (!std::isfinite(eqr)) {
        results(sample, eqrCol) = Matrix::missingValue;
        results(sample, classCol) = Matrix::missingValue;
        return;
    }
    if (eqr > rule.cap)
        eqr = rule.cap;
    results(sample, eqrCol) = eqr;
    results(sample, classCol) = limits ? StatusClass(eqr, *limits) : Matrix::missingValue;
}

const std::string* StatusClassName(double value)
{
    if (!(value >= 1.0 && value < 6.0))
        return nullptr;
    return &StatusClassNames()[static_cast<std::size_t>(static_cast<int>(value) - 1)];
}
