#include "metrics/sample_quality.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "import/imported_samples.h"
#include "metrics/analysis.h"
#include "matrix/number_format.h"
#include "metrics/each_sample.h"
#include "metrics/expected_values.h"
#include "metrics/index_values.h"
#include "import/sample_layout.h"

SampleQuality JudgeSampleQuality(const SampleQualityInput& input)
{
    SampleQuality quality;
    quality.chemistryReplaced = input.chemistryReplaced;
    std::vector<std::string> flags;
    if (input.sampleSum < kMinValvesCounted)
        flags.push_back(numtext::format("Fewer than %g valves counted", {kMinValvesCounted}));
    for (std::size_t i = 0; i < input.indexNames.size(); ++i) {
        const double scored = i < input.scoredSums.size() ? input.scoredSums[i] : 0.0;
        const double percent = input.sampleSum > 0 ? scored / input.sampleSum * 100.0 : Matrix::missingValue;
        quality.scoredPercent.push_back(percent);
        if (input.sampleSum > 0 && percent < kMinScoredPercent)
            flags.push_back(numtext::format("Less than %g %% of the count scored for %s",
                                            {kMinScoredPercent, std::string_view(input.indexNames[i])}));
    }
    if (input.chemistryReplaced == 1)
        flags.push_back("1 chemistry value missing or out of range");
    else if (input.chemistryReplaced > 1)
        flags.push_back(numtext::format("%d chemistry values missing or out of range",
                                        {static_cast<long long>(input.chemistryReplaced)}));
    if (!input.dateNotShown.empty())
        flags.push_back("Sampling date " + input.dateNotShown + " is not a date that can be shown; written as a number");
    for (std::size_t i = 0; i < input.indexNames.size(); ++i)
        if (i >= input.hasEqr.size() || !input.hasEqr[i])
            flags.push_back("No EQR for " + input.indexNames[i]);
    for (const std::string& flag : flags)
        quality.flags += (quality.flags.empty() ? "" : "; ") + flag;
    return quality;
}

namespace {

// Whether the analysis replaced a value: the same substitution, its notes thrown away.
bool replaced(double value, double fallback, double lower, double upper, const ChemistryNotes& notes)
{
    std::string scratch;
    bool noted = false;
    SubstituteChemistry(value, fallback, lower, upper, notes, scratch, noted);
    return noted;
}

}  // namespace

int ChemistryValuesReplaced(const ImportedSamples& job, int sample)
{
    switch (job.family) {
    case familyRivers: {
        const double alkalinity = numtext::leadingNumber(HeaderText(job, layout::alkalinityRow, sample));
        // One measurement, checked against the range of each index.
        return replaced(alkalinity, job.defaultAlkalinity, job.alkMinTDI3, job.alkMaxTDI3, alkalinityNotes)
                       || replaced(alkalinity, job.defaultAlkalinity, job.alkMinTDI4, job.alkMaxTDI4, alkalinityNotes)
                   ? 1
                   : 0;
    }
    case familyDam: {
        const double calcium = numtext::leadingNumber(HeaderText(job, layout::calciumRow, sample));
        const double dissolved = numtext::leadingNumber(HeaderText(job, layout::docRow, sample));
        return (replaced(calcium, job.defaultCalcium, job.calciumMin, job.calciumMax, calciumNotes) ? 1 : 0)
               + (replaced(dissolved, job.defaultDOC, job.docMin, job.docMax, docNotes) ? 1 : 0);
    }
    default: return 0;
    }
}

std::string DateNotShown(const ImportedSamples& samples, int sample)
{
    const std::string& text = HeaderText(samples, layout::dateRow, sample);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::string();
    // One rule with the results' writers: a date outside the window of dates shown is
    // written as its number, and flagged, whether it is a day a spreadsheet could show
    // (12, or 2958465, which is 31 December 9999) or none (1.5, 1e7); one inside it is
    // written as a date and needs no flag.
    return layout::ShownAsDate(value) ? std::string() : text;
}

SampleQuality SampleQualityOf(const ImportedSamples& samples, const Analysis& analysis, int sample)
{
    const Matrix& results = *analysis.results;
    const int indexCount = samples.family == familyDam ? 1 : 2;
    SampleQualityInput input;
    input.sampleSum = results(sample, rescol::sampleSum);
    for (int index = 1; index <= indexCount; ++index) {
        const int sumCol = index == 1 ? rescol::firstSum : rescol::secondSum(indexCount);
        input.indexNames.push_back(index == 1 ? FirstIndexName(samples.family) : SecondIndexName(samples.family));
        input.scoredSums.push_back(results(sample, sumCol));
        input.hasEqr.push_back(!results.isMissing(sample, sumCol + (rescol::firstEqr - rescol::firstSum)));
    }
    input.chemistryReplaced = ChemistryValuesReplaced(samples, sample);
    input.dateNotShown = DateNotShown(samples, sample);
    return JudgeSampleQuality(input);
}

std::vector<SampleQuality> SampleQualityOfAll(const ImportedSamples& samples, const Analysis& analysis)
{
    std::vector<SampleQuality> quality;
    if (!analysis.results)
        return quality;
    quality.resize(static_cast<std::size_t>(analysis.results->nRows()));
    ForEachSample(analysis.results->nRows(),
                  [&](int s) { quality[static_cast<std::size_t>(s)] = SampleQualityOf(samples, analysis, s); });
    return quality;
}

int FlaggedSampleCount(const std::vector<SampleQuality>& quality)
{
    int flagged = 0;
    for (const SampleQuality& sample : quality)
        if (!sample.flags.empty())
            ++flagged;
    return flagged;
}
