#pragma once

#include <string>
#include <vector>

struct Analysis;
struct ImportedSamples;

// How far each sample's results can be trusted: how many valves were counted, how much of
// the count an index could score, whether chemistry had to be filled in or held at a
// range limit, and whether an EQR could be drawn at all.

// A count below this many valves is flagged: the index rests on too few.
inline constexpr double kMinValvesCounted = 300;
// An index that scored less than this per cent of the count is flagged: the unscored rest
// of the sample may have told a different story.
inline constexpr double kMinScoredPercent = 80;

// The plain numbers one sample is judged from.
struct SampleQualityInput {
    double sampleSum = 0;  // valves counted
    // Per index, in the job's order: its name, its scored sum and whether it has an EQR.
    std::vector<std::string> indexNames;
    std::vector<double> scoredSums;
    std::vector<bool> hasEqr;
    int chemistryReplaced = 0;  // chemistry values missing or set to a range limit
    // The sampling date's number when it is one outside the window of dates shown (the
    // results write it as a number); empty otherwise.
    std::string dateNotShown;
};

struct SampleQuality {
    // Per index: the per cent of the count that has a score; negative (the missing-value
    // marker) when nothing was counted.
    std::vector<double> scoredPercent;
    int chemistryReplaced = 0;
    // Each flag that applies in plain words, "; " between; empty when none does.
    std::string flags;
};

SampleQuality JudgeSampleQuality(const SampleQualityInput& input);

// The chemistry values of one sample that the analysis replaced by its default or held
// at a range limit of any index: alkalinity for rivers, calcium and DOC for DAM; lake
// types are not chemistry.
int ChemistryValuesReplaced(const ImportedSamples& samples, int sample);

// The quality of one analysed sample (sample within its results table).
SampleQuality SampleQualityOf(const ImportedSamples& samples, const Analysis& analysis, int sample);
// The quality of every analysed sample, in sample order; empty before the
// analysis.
std::vector<SampleQuality> SampleQualityOfAll(const ImportedSamples& samples, const Analysis& analysis);

// The sampling date of one sample when it is a number the results write as the number it
// is rather than as a date (outside the window of dates shown, layout::ShownAsDate: 12,
// 1.5, 2958465 = 31 December 9999, 1e7); empty otherwise, an empty or text date included.
std::string DateNotShown(const ImportedSamples& samples, int sample);

// The number of samples with at least one flag.
int FlaggedSampleCount(const std::vector<SampleQuality>& quality);

// The summary line the analysis adds when any sample is flagged (%d the count).
inline constexpr const char* kQualitySummaryPattern = "Samples with quality flags: %d (see the Sample quality sheet)";
