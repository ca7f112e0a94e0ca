// The quality flags of a sample, from its counts, its chemistry and its EQRs; the
// percentages worked out by hand in the comments.

#include <gtest/gtest.h>

#include "app/job.h"
#include "import/sample_layout.h"
#include "metrics/sample_quality.h"
#include "tests/metrics/metrics_fixtures.h"
#include "tests/support/scripted_user.h"

namespace {

SampleQualityInput riverInput(double sampleSum, double scored3, double scored4, bool eqr3 = true, bool eqr4 = true)
{
    SampleQualityInput input;
    input.sampleSum = sampleSum;
    input.indexNames = {"TDI3", "TDI4"};
    input.scoredSums = {scored3, scored4};
    input.hasEqr = {eqr3, eqr4};
    return input;
}

}  // namespace

TEST(SampleQuality, ThresholdsAndWording)
{
    // 300 valves, 240 scored for TDI3 (exactly 80 %) and 300 for TDI4: nothing to flag.
    SampleQuality q = JudgeSampleQuality(riverInput(300, 240, 300));
    EXPECT_EQ(q.scoredPercent, (std::vector<double>{80, 100}));
    EXPECT_EQ(q.flags, "");

    // 299.5 valves: 239 scored is 79.80 % (flagged), 240 is 80.13 % (not).
    q = JudgeSampleQuality(riverInput(299.5, 239, 240));
    EXPECT_NEAR(q.scoredPercent[0], 79.799666, 1e-6);
    EXPECT_NEAR(q.scoredPercent[1], 80.133556, 1e-6);
    EXPECT_EQ(q.flags, "Fewer than 300 valves counted; Less than 80 % of the count scored for TDI3");

    // Chemistry and a missing EQR, in that order after the count flags.
    SampleQualityInput input = riverInput(500, 500, 500, true, false);
    input.chemistryReplaced = 1;
    q = JudgeSampleQuality(input);
    EXPECT_EQ(q.chemistryReplaced, 1);
    EXPECT_EQ(q.flags, "1 chemistry value missing or out of range; No EQR for TDI4");
    input.chemistryReplaced = 2;
    EXPECT_EQ(JudgeSampleQuality(input).flags, "2 chemistry values missing or out of range; No EQR for TDI4");

    // Nothing counted: no percentage to give, and no EQR either.
    q = JudgeSampleQuality(riverInput(0, 0, 0, false, false));
    EXPECT_TRUE(q.scoredPercent[0] < 0 && q.scoredPercent[1] < 0);
    EXPECT_EQ(q.flags, "Fewer than 300 valves counted; No EQR for TDI3; No EQR for TDI4");

    EXPECT_EQ(FlaggedSampleCount({JudgeSampleQuality(riverInput(300, 300, 300)), q, q}), 2);
}

TEST(SampleQuality, ChemistryValuesReplacedCountsEachValueOnce)
{
    ScriptedUser ui;
    Job rivers(nullptr, ui);
    std::vector<std::vector<std::string>> headers(6);
    // Missing; below both ranges; below TDI3's 6 only; inside both; above TDI3's 150 only.
    headers[3] = {"", "3", "5.5", "100", "200"};
    fixtures::fillJob(rivers, familyRivers, {"AC001A"}, {{1}, {1}, {1}, {1}, {1}}, headers);
    const std::vector<int> expected = {1, 1, 1, 0, 1};
    for (int s = 0; s < 5; ++s)
        EXPECT_EQ(ChemistryValuesReplaced(rivers.samples, s), expected[static_cast<std::size_t>(s)]) << s;

    Job dam(nullptr, ui);
    headers.assign(6, {});
    headers[4] = {"", "100", "600"};  // calcium
    headers[5] = {"64", "1", "0"};    // DOC; 0 is missing
    fixtures::fillJob(dam, familyDam, {"AC001A"}, {{1}, {1}, {1}}, headers);
    EXPECT_EQ(ChemistryValuesReplaced(dam.samples, 0), 2);
    EXPECT_EQ(ChemistryValuesReplaced(dam.samples, 1), 0);
    EXPECT_EQ(ChemistryValuesReplaced(dam.samples, 2), 2);

    // Lake types are no chemistry.
    Job lakes(nullptr, ui);
    headers.assign(6, {});
    headers[3] = {"XX"};
    fixtures::fillJob(lakes, familyLakes, {"AC001A"}, {{1}}, headers);
    EXPECT_EQ(ChemistryValuesReplaced(lakes.samples, 0), 0);
}

TEST(SampleQuality, AnalysisCountsFlaggedSamplesInTheSummary)
{
    // DAM, two samples of one scored taxon (score 3, DAM 50): 300 valves at calcium 100
    // and DOC 1 (eDAM 58.6, EQR 0.853) has no flag; 10 valves has one.
    ScriptedUser ui;
    Job doc(nullptr, ui);
    std::vector<std::vector<std::string>> headers(6);
    headers[4] = {"100", "100"};
    headers[5] = {"1", "1"};
    fixtures::fillJob(doc, familyDam, {"AC001A"}, {{300}, {10}}, headers);
    doc.samples.masterTaxonList = fixtures::masterList({{"N1", "AC001A", 0, 0, 0, 0, 3}});
    doc.samples.boundaries1 = fixtures::boundaries("DAM", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    const std::string before = doc.summary();
    ASSERT_TRUE(doc.Analyse());
    const std::vector<SampleQuality> quality = SampleQualityOfAll(doc.samples, doc.analysis);
    ASSERT_EQ(quality.size(), 2u);
    EXPECT_EQ(quality[0].scoredPercent, std::vector<double>{100});
    EXPECT_EQ(quality[0].flags, "");
    EXPECT_EQ(quality[1].flags, "Fewer than 300 valves counted");
    // The run ends its paragraphs with CR LF; then one empty line and the count.
    EXPECT_EQ(doc.summary(), before + "\r\n\r\nSamples with quality flags: 1 (see the Sample quality sheet)");

    // No flag, no line.
    Job clean(nullptr, ui);
    fixtures::fillJob(clean, familyDam, {"AC001A"}, {{300}}, {{}, {}, {}, {}, {"100"}, {"1"}});
    clean.samples.masterTaxonList = doc.samples.masterTaxonList;
    clean.samples.boundaries1 = doc.samples.boundaries1;
    ASSERT_TRUE(clean.Analyse());
    EXPECT_EQ(clean.summary().find("quality flags"), std::string::npos);
}

// A sampling date is flagged exactly when the results write it as its number rather than
// as a date: outside the window of dates shown (serials 20001 to 59999), whether or not a
// spreadsheet could show the day.
TEST(SampleQuality, ADateWrittenAsItsNumberIsFlagged)
{
    const std::pair<const char*, bool> dates[] = {
        {"2958465", true},   // 31 December 9999: the last day a spreadsheet shows, written as a number here
        {"2958466", true},   // the day after, which no calendar has
        {"10000000", true},  {"1.5", true},    {"1e+15", true},  {"12", true},    {"-3", true},
        {"20000", true},     {"60000", true},  // the window's ends are outside it
        {"20001", false},    {"45000", false}, {"45000.5", false}, {"59999", false},
        {"", false},         {"15/05/2023", false},  // no number: a text date is the analysis's to judge
    };
    ImportedSamples samples;
    samples.headerValues.assign(4, {});
    for (const auto& [date, flagged] : dates)
        samples.headerValues[layout::dateRow].push_back(date);
    for (std::size_t s = 0; s < std::size(dates); ++s)
        EXPECT_EQ(DateNotShown(samples, static_cast<int>(s)), dates[s].second ? dates[s].first : "") << dates[s].first;
}
