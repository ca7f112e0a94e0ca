#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

class Matrix;

// The status class names, for classes 1 to 5.
inline const std::vector<std::string>& StatusClassNames()
{
    static const std::vector<std::string> names = {"High", "Good", "Moderate", "Poor", "Bad"};
    return names;
}

// The status class name of a class number cut to an integer from 1 to 5; nullptr for
// every other value (0 is an invalid sample's class).
const std::string* StatusClassName(double value);

// The class of an EQR: 1 (High) at or above the first limit, ..., 5 (Bad) below the
// fourth. Limits are the lower EQR limits of High, Good, Moderate and Poor, decreasing;
// an EQR equal to a limit falls in the better class.
int StatusClass(double eqr, const std::array<double, 4>& limits);

// How one index turns its value into an EQR.
struct EqrRule {
    double noMatchBelow;  // a scored sum below this means no scored taxa
    bool ratioOfIndex;    // DAM: index / expected; the others (100 - index) / (100 - expected)
    double cap;           // the EQR is held at or below this
};

EqrRule EqrRuleFor(int family, int index);

// The comment of an index whose expected value is at or below 0: its EQR and class are
// missing, as no ratio to such a value means anything.
inline constexpr const char* kNoEqrNote = "No EQR: expected value not above 0";

// Completes one sample's block of one index (sum, index, expected, EQR and class in
// columns sumCol to sumCol + 4) once its expected value is known. limits are the class
// limits of the sample's boundary row, nothing when the boundary row is unusable (the
// class is then missing). Appends "No matching taxa found" to comment when nothing was
// scored, and kNoEqrNote (after "; " when the comment holds a note) when the expected
// value is at or below 0.
void CompleteIndex(Matrix& results, int sample, int sumCol, const EqrRule& rule, double expected,
                   const std::optional<std::array<double, 4>>& limits, std::string& comment);

// Marks the expected value, EQR and class of one sample's index as missing.
void MarkNotAssessed(Matrix& results, int sample, int sumCol);
