#pragma once

#include <string>
#include <string_view>

#include "import/sample_layout.h"

struct ImportedSamples;
class UserInteraction;

// The texts that one substituted chemistry value leaves in a sample's comment.
struct ChemistryNotes {
    const char* missing;  // filled with the replacement
    const char* low;      // filled with the lower bound twice
    const char* high;     // filled with the upper bound twice
};

extern const ChemistryNotes alkalinityNotes;
extern const ChemistryNotes calciumNotes;
extern const ChemistryNotes docNotes;

// A chemistry value as the expected value uses it: a missing value (0 or below) becomes
// the default, and the result is held within [lower, upper]. Each step appends its note
// to comment (without separator) and sets noted.
double SubstituteChemistry(double value, double fallback, double lower, double upper, const ChemistryNotes& notes,
                           std::string& comment, bool& noted);

using layout::IsBadDate;

// The season term of the TDI3 model: 1 for July to December, 0 for January to June
// and for a bad date.
int SeasonOf(int serial);

// Expected values. Alkalinity in mg/l, calcium in ueq/l, DOC in mg/l.
double ExpectedTDI3(double alkalinity, int season);
double ExpectedTDI4(double alkalinity);
double ExpectedDAM(double calcium, double doc);

// The header text of one sample (empty when the row or sample is absent).
const std::string& HeaderText(const ImportedSamples& samples, int headerRow, int sample);

// The check of the family's inputs over all samples before anything is computed: for
// rivers and DAM it appends to summary one paragraph per kind of problem found; for lakes a
// sample without a two-character lake type stops the run (false) with a message.
bool CheckEnvironmentalInputs(const ImportedSamples& samples, UserInteraction& ui, std::string& summary);
