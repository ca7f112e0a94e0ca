#pragma once

#include <optional>
#include <string>

// The three chemistry values a job substitutes for missing ones, and the check that the
// Default values dialog and the command line's options both apply before any value
// reaches the job.

struct DefaultValues {
    double alkalinityMgL = 100;
    double calciumUeqL = 100;
    double docMgL = 1;
};

// The boxes in the order they are checked.
enum class DefaultValueBox { alkalinity, calcium, doc };

struct DefaultValueTexts {
    // As typed; nothing keeps the current value of that box unchecked.
    std::optional<std::string> alkalinity, calcium, doc;
};

struct DefaultValueRefusal {
    DefaultValueBox box;  // the first box that failed, where the focus goes
    std::string message;  // "Please enter a number." or the range message
};

// Checks the texts in the order alkalinity, calcium, DOC: each must be a number (white
// space around it allowed) within its range. On success every given value is written into
// values; on a refusal values is left exactly as it was.
std::optional<DefaultValueRefusal> CheckDefaultValues(const DefaultValueTexts& texts, DefaultValues& values);

// A value as the dialog shows it: "%g", whatever the locale ("100", never "100,0").
std::string DefaultValueText(double value);
