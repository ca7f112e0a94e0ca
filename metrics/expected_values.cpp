#include "metrics/expected_values.h"

#include <cmath>

#include "import/serial_date.h"
#include "import/imported_samples.h"
#include "import/user_interaction.h"
#include "matrix/number_format.h"

const ChemistryNotes alkalinityNotes = {"Missing Alkalinity, value set to %g mg/l", "Alkalinity < %g, value set to %g mg/l",
                                        "Alkalinity > %g, value set to %g mg/l"};
const ChemistryNotes calciumNotes = {"Missing Calcium, value set to %g ueq/l", "Calcium < %g, value set to %g ueq/l",
                                     "Calcium > %g, value set to %g ueq/l"};
const ChemistryNotes docNotes = {"Missing DOC, value set to %g mg/l", "DOC < %g, value set to %g mg/l",
                                 "DOC > %g, value set to %g mg/l"};

double SubstituteChemistry(double value, double fallback, double lower, double upper, const ChemistryNotes& notes,
                           std::string& comment, bool& noted)
{
    // NaN is not a measurement either; it is treated like an empty cell.
    if (!(value > 0)) {
        value = fallback;
        comment += numtext::format(notes.missing, {value});
        noted = true;
    }
    // The bounds apply to a default too.
    if (lower > value) {
        value = lower;
        comment += numtext::format(notes.low, {lower, lower});
        noted = true;
    }
    if (upper < value) {
        value = upper;
        comment += numtext::format(notes.high, {upper, upper});
        noted = true;
    }
    return value;
}

int SeasonOf(int serial)
{
    if (IsBadDate(serial))
        return 0;
    return SerialToDate(serial).month > 6 ? 1 : 0;
}

double ExpectedTDI3(double alkalinity, int season)
{
    const double l = std::log10(alkalinity);
    return (56.83 * l - 25.36) - (12.96 * l) * l + 3.21 * season;
}

double ExpectedTDI4(double alkalinity)
{
    return 9.933 * std::exp(0.81 * std::log10(alkalinity));
}

double ExpectedDAM(double calcium, double doc)
{
    return 33.0 * std::log10(calcium) - 5.5 - 1.9 * doc;
}

const std::string& HeaderText(const ImportedSamples& doc, int headerRow, int sample)
{
    static const std::string empty;
    if (headerRow < 0 || headerRow >= static_cast<int>(doc.headerValues.size()))
        return empty;
    const std::vector<std::string>& row = doc.headerValues[static_cast<std::size_t>(headerRow)];
    if (sample < 0 || sample >= static_cast<int>(row.size()))
        return empty;
    return row[static_cast<std::size_t>(sample)];
}

namespace {

bool isMissing(double value) { return !(value > 0); }
bool outOfRange(double value, double lower, double upper) { return value < lower || value > upper; }

// One summary paragraph, filled with the count and up to two values, when count > 0.
void appendCount(std::string& summary, int count, const char* paragraph, double first = 0, double second = 0)
{
    if (count > 0)
        summary += numtext::format(paragraph, {static_cast<long long>(count), first, second});
}

}  // namespace

bool CheckEnvironmentalInputs(const ImportedSamples& doc, UserInteraction& ui, std::string& summary)
{
    const int samples = doc.counts ? doc.counts->nRows() : 0;
    switch (doc.family) {
    case familyLakes: {
        int untyped = 0;
        for (int s = 0; s < samples; ++s)
            if (HeaderText(doc, layout::lakeTypeRow, s).size() != 2)
                ++untyped;
        if (untyped > 0) {
            ui.showMessage(numtext::format(
                "Lake typology information missing for %d samples with no default.\nCorrect the error and try again.",
                {static_cast<long long>(untyped)}));
            return false;
        }
        return true;
    }
    case familyDam: {
        int calciumMissing = 0, calciumOut = 0, docMissing = 0, docOut = 0;
        for (int s = 0; s < samples; ++s) {
            const double calcium = numtext::leadingNumber(HeaderText(doc, layout::calciumRow, s));
            const double dissolved = numtext::leadingNumber(HeaderText(doc, layout::docRow, s));
            if (isMissing(calcium))
                ++calciumMissing;
            else if (outOfRange(calcium, doc.calciumMin, doc.calciumMax))
                ++calciumOut;
            if (isMissing(dissolved))
                ++docMissing;
            else if (outOfRange(dissolved, doc.docMin, doc.docMax))
                ++docOut;
        }
        appendCount(summary, calciumMissing,
                    "\r\n\r\nCalcium data missing for %d samples.\r\nMissing values have been replaced by %g ueq/l.",
                    doc.defaultCalcium);
        appendCount(summary, calciumOut,
                    "\r\n\r\n%d calcium values out of range.\r\nThese values have been set to %g or %g ueq/l.",
                    doc.calciumMin, doc.calciumMax);
        appendCount(summary, docMissing,
                    "\r\n\r\nDOC data missing for %d samples.\r\nMissing values have been replaced by %g mg/l.",
                    doc.defaultDOC);
        appendCount(summary, docOut,
                    "\r\n\r\n%d DOC values out of range.\r\nThese values have been set to %g or %g mg/l.",
                    doc.docMin, doc.docMax);
        return true;
    }
    default: {
        int alkMissing = 0, outTDI3 = 0, outTDI4 = 0, badDates = 0;
        for (int s = 0; s < samples; ++s) {
            const double alkalinity = numtext::leadingNumber(HeaderText(doc, layout::alkalinityRow, s));
            if (isMissing(alkalinity)) {
                ++alkMissing;
            } else {
                if (outOfRange(alkalinity, doc.alkMinTDI3, doc.alkMaxTDI3))
                    ++outTDI3;
                if (outOfRange(alkalinity, doc.alkMinTDI4, doc.alkMaxTDI4))
                    ++outTDI4;
            }
            if (IsBadDate(numtext::leadingInteger(HeaderText(doc, layout::dateRow, s))))
                ++badDates;
        }
        appendCount(summary, alkMissing,
                    "\r\n\r\nAlkalinity data missing for %d samples.\r\nMissing values have been replaced by %g mg/l.",
                    doc.defaultAlkalinity);
        appendCount(summary, outTDI3,
                    "\r\n\r\n%d alkalinity values out of range for TDI3 calculations.\r\nThese values have been set to %g or %g mg/l.",
                    doc.alkMinTDI3, doc.alkMaxTDI3);
        appendCount(summary, outTDI4,
                    "\r\n\r\n%d alkalinity values out of range for TDI4 calculations.\r\nThese values have been set to %g or %g mg/l.",
                    doc.alkMinTDI4, doc.alkMaxTDI4);
        appendCount(summary, badDates,
                    "\r\n\r\nSampling date missing for %d samples.\r\nMissing values will be set to Spring for TDI3 calculations.");
        return true;
    }
    }
}
