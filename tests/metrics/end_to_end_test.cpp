// One small job per family, filled as the import leaves it, run as the job form's
// "Analyse" runs it; every number is worked out in the comments.

#include <gtest/gtest.h>

#include "app/job.h"
#include "tests/metrics/metrics_fixtures.h"
#include "tests/support/scripted_user.h"


namespace {

constexpr double missing = Matrix::missingValue;

void expectMissingFrom(const Matrix& m, int row, int firstCol)
{
    for (int c = firstCol; c < m.nCols(); ++c)
        EXPECT_TRUE(m.isMissing(row, c)) << "row " << row << " col " << c;
}

const std::string importSummary(const char* family, int taxa, int samples)
{
    return std::string("File:\tjob.xlsx\r\nWorksheet:\tSheet1\r\n\r\nMetric:\t") + family +
           "\r\n\r\nNumber of taxa:\t" + std::to_string(taxa) + "\r\nNumber of samples:\t" + std::to_string(samples);
}

}  // namespace

TEST(EndToEnd, River)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    // Taxa: AC001A (TDI3 2, TDI4 3, planktic), AC002A (TDI3 4, no TDI4, motile),
    // AC003A (no TDI3, TDI4 5, organic tolerant and saline), ZZ999 unmatched.
    std::vector<std::vector<std::string>> headers(6);
    headers[0] = {"S0", "S1", "S2", "S3"};
    headers[1] = {"R1", "r1", "R2", "R2"};
    headers[2] = {"39995", "", "39994", "39994"};  // 1 July 2009, none, 30 June 2009
    headers[3] = {"100", "", "3", "200"};
    fixtures::fillJob(doc, familyRivers, {"ac001a", "AC002A", "AC003A", "ZZ999"},
                      {{10, 10, 0, 0}, {0, 5, 5, 10}, {0, 0, 0, 8}, {0.5, 0, 0, 0}}, headers);
    doc.samples.masterTaxonList = fixtures::masterList({{"NBN1", "AC001A", 2, 3, 0, 0, 0, true},
                                                {"NBN2", "AC002A", 4, 0, 0, 0, 0, false, true},
                                                {"NBN3", "AC003A", 0, 5, 0, 0, 0, false, false, true, true}});
    doc.samples.boundaries1 = fixtures::boundaries("TDI3", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    doc.samples.boundaries2 = fixtures::boundaries("TDI4", {{"", 0, 0.9, 0.7, 0.5, 0.3}});
    doc.samples.cocParameters = fixtures::cocRows("TDI", {0.1, 0, 0, 1});
    ASSERT_TRUE(doc.Analyse());

    EXPECT_EQ(doc.summary(),
              importSummary("TDI", 4, 4) +
                  "\r\n\r\nAlkalinity data missing for 1 samples.\r\nMissing values have been replaced by 100 mg/l."
                  "\r\n\r\n2 alkalinity values out of range for TDI3 calculations.\r\nThese values have been set to 6 or 150 mg/l."
                  "\r\n\r\n1 alkalinity values out of range for TDI4 calculations.\r\nThese values have been set to 5 or 250 mg/l."
                  "\r\n\r\nSampling date missing for 1 samples.\r\nMissing values will be set to Spring for TDI3 calculations."
                  "\r\n"
                  "\r\nWarning: 2 taxa lack TDI3 scores and 2 lack TDI4 scores in database."
                  "\r\nUse View Data to identify unmatched taxa"
                  "\r\nA list of these will be saved in the results file."
                  "\r\n\r\nSamples with quality flags: 4 (see the Sample quality sheet)");

    const Matrix& r = *doc.analysis.results;
    ASSERT_EQ(r.nRows(), 4);
    ASSERT_EQ(r.nCols(), 17);
    // S0: sum 20, planktic 10 and motile 10 (50 % each). TDI3 (10*2 + 10*4)/20 = 3 -> 50;
    // eTDI3(100, July) = 39.67, EQR 50 / 60.33 = 0.828775, High. TDI4 from AC001A alone:
    // 3 -> 50; eTDI4 = 9.933 e^1.62 = 50.192346, EQR 50 / 49.807654 = 1.003862 (under 1.25), High.
    EXPECT_EQ(r(0, 1), 20);
    EXPECT_EQ(r(0, 2), 20);
    EXPECT_EQ(r(0, 3), 50);
    EXPECT_NEAR(r(0, 4), 39.67, 1e-9);
    EXPECT_NEAR(r(0, 5), 0.828775070, 1e-9);
    EXPECT_EQ(r(0, 6), 1);
    EXPECT_EQ(r(0, 7), 10);
    EXPECT_EQ(r(0, 8), 50);
    EXPECT_NEAR(r(0, 9), 50.192346114, 1e-8);
    EXPECT_NEAR(r(0, 10), 1.003861778, 1e-9);
    EXPECT_EQ(r(0, 11), 1);
    EXPECT_EQ(r(0, 12), 50);
    EXPECT_EQ(r(0, 13), 50);
    EXPECT_EQ(r(0, 14), 0);
    EXPECT_EQ(r(0, 15), 0);
    EXPECT_EQ(doc.analysis.comments1[0], "");
    EXPECT_EQ(doc.analysis.comments2[0], "");
    // S1: sum 20; motile, organic, saline 5 each (25 %); ZZ999 in no group. TDI3 from
    // AC002A: 4 -> 75, eTDI3(100 by default, spring) 36.46, EQR 25 / 63.54 = 0.393453, Poor.
    // TDI4 from AC003A: 5 -> 100, EQR 0, Bad.
    EXPECT_EQ(r(1, 1), 20);
    EXPECT_EQ(r(1, 3), 75);
    EXPECT_NEAR(r(1, 4), 36.46, 1e-9);
    EXPECT_NEAR(r(1, 5), 0.393452943, 1e-9);
    EXPECT_EQ(r(1, 6), 4);
    EXPECT_EQ(r(1, 8), 100);
    EXPECT_EQ(r(1, 10), 0);
    EXPECT_EQ(r(1, 11), 5);
    EXPECT_EQ(r(1, 12), 0);
    EXPECT_EQ(r(1, 13), 25);
    EXPECT_EQ(r(1, 14), 25);
    EXPECT_EQ(r(1, 15), 25);
    EXPECT_EQ(doc.analysis.comments1[1], "Missing Alkalinity, value set to 100 mg/l; Missing or bad date");
    EXPECT_EQ(doc.analysis.comments2[1], "Missing Alkalinity, value set to 100 mg/l");
    // S2: only ZZ999: nothing scored for either index.
    EXPECT_EQ(r(2, 1), 8);
    for (int c : {3, 4, 5, 6, 8, 9, 10, 11})
        EXPECT_EQ(r(2, c), missing) << c;
    EXPECT_EQ(doc.analysis.comments1[2], "Alkalinity < 6, value set to 6 mg/lNo matching taxa found");
    EXPECT_EQ(doc.analysis.comments2[2], "Alkalinity < 5, value set to 5 mg/lNo matching taxa found");
    // S3: half a valve of AC001A: no index; expected values for alkalinity 150 (TDI3:
    // L = 2.176091, 56.83 L - 25.36 - 12.96 L^2 = 36.936830) and 200 (TDI4: 9.933 e^(0.81 *
    // 2.301030) = 64.052102); EQR and class missing. Planktic 0.5 / 0.5 = 100 %.
    EXPECT_EQ(r(3, 3), missing);
    EXPECT_NEAR(r(3, 4), 36.93683, 1e-5);
    EXPECT_EQ(r(3, 5), missing);
    EXPECT_EQ(r(3, 6), missing);
    EXPECT_NEAR(r(3, 9), 64.05210, 1e-5);
    EXPECT_EQ(r(3, 10), missing);
    EXPECT_EQ(r(3, 11), missing);
    EXPECT_EQ(r(3, 12), 100);
    EXPECT_EQ(doc.analysis.comments1[3], "Alkalinity > 150, value set to 150 mg/l");
    EXPECT_EQ(doc.analysis.comments2[3], "");

    EXPECT_EQ(doc.analysis.resultNames,
              (std::vector<std::string>{"Type", "Sample sum", "Sum TDI3", "TDI3", "eTDI3", "EQR TDI3", "Class TDI3",
                                        "Sum TDI4", "TDI4", "eTDI4", "EQR TDI4", "Class TDI4", "% Planktic",
                                        "% Motile", "% Organic tolerant", "% Saline", "Comment TDI3",
                                        "Comment TD14"}));

    // Sites R1 (S0, S1) and R2 (S2, S3, neither with an EQR).
    ASSERT_TRUE(doc.sites.uncertaintyAvailable);
    EXPECT_EQ(doc.sites.siteCodes, (std::vector<std::string>{"R1", "R2"}));
    // TDI3 R1: mean (0.828775 + 0.393453) / 2 = 0.611114, Good (0.6 <= m < 0.8).
    const Matrix& s1 = *doc.sites.siteSummary1;
    ASSERT_EQ(s1.nCols(), 13);
    EXPECT_EQ(s1(0, 0), 2);
    EXPECT_EQ(s1(0, 1), 0);
    EXPECT_NEAR(s1(0, 2), 0.611114007, 1e-9);
    EXPECT_EQ(s1(0, 3), 2);
    const auto p1 = fixtures::classPercent(0.611114007, 2, 0.1, {0.8, 0.6, 0.4, 0.2}, 1);
    for (int j = 0; j < 5; ++j)
        EXPECT_NEAR(s1(0, 4 + j), p1[static_cast<std::size_t>(j)], 1e-5);
    EXPECT_NEAR(s1(0, 9), 100 - p1[1], 1e-5);
    EXPECT_NEAR(s1(0, 10), p1[0] + p1[1], 1e-5);
    EXPECT_NEAR(s1(0, 11), p1[2] + p1[3] + p1[4], 1e-5);
    EXPECT_NEAR(s1(0, 12), 100 - (p1[0] + p1[1]), 1e-5);
    EXPECT_EQ(s1(1, 0), 0);
    EXPECT_EQ(s1(1, 1), 2);
    expectMissingFrom(s1, 1, 2);
    // TDI4 R1: mean (1.003862 + 0) / 2 = 0.501931, Moderate with 0.9/0.7/0.5/0.3; the
    // "CoC High" column is gone, so High and Good together sit in column 4.
    const Matrix& s2 = *doc.sites.siteSummary2;
    ASSERT_EQ(s2.nCols(), 12);
    EXPECT_NEAR(s2(0, 2), 0.501930889, 1e-9);
    EXPECT_EQ(s2(0, 3), 3);
    const auto p2 = fixtures::classPercent(0.501930889, 2, 0.1, {0.9, 0.7, 0.5, 0.3}, 1);
    EXPECT_NEAR(s2(0, 4), p2[0] + p2[1], 1e-5);
    for (int j = 2; j < 5; ++j)
        EXPECT_NEAR(s2(0, 3 + j), p2[static_cast<std::size_t>(j)], 1e-5);
    EXPECT_NEAR(s2(0, 8), 100 - p2[2], 1e-5);
    EXPECT_NEAR(s2(0, 11), 100 - (p2[2] + p2[3] + p2[4]), 1e-5);
    expectMissingFrom(s2, 1, 2);
    EXPECT_EQ(doc.sites.siteHeaders2[5], "CoC High+Good");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(doc.analysed);
    EXPECT_TRUE(doc.modified);
}

TEST(EndToEnd, Lake)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    std::vector<std::vector<std::string>> headers(6);
    headers[1] = {"LK1", "LK1", "LK2"};
    headers[3] = {"ha", "MA", "ZZ"};
    fixtures::fillJob(doc, familyLakes, {"AC001A", "AC002A"}, {{10, 0}, {0, 10}, {5, 5}}, headers);
    doc.samples.masterTaxonList = fixtures::masterList({{"N1", "AC001A", 0, 0, 2, 3, 0}, {"N2", "AC002A", 0, 0, 4, 4, 0}});
    doc.samples.boundaries1 = fixtures::boundaries("LTDI1", {{"HA", 30, 0.8, 0.6, 0.4, 0.2}, {"MA", 40, 0.9, 0.7, 0.5, 0.3}});
    doc.samples.boundaries2 = fixtures::boundaries("LTDI2", {{"HA", 20, 0.8, 0.6, 0.4, 0.2}, {"MA", 50, 0.9, 0.7, 0.5, 0.3}});
    doc.samples.cocParameters = fixtures::cocRows("LTDI", {0.2, 0, 0, 1});
    ASSERT_TRUE(doc.Analyse());

    // Every taxon has both scores and lakes report no chemistry: only the line break, and
    // the three samples of ten valves flagged.
    EXPECT_EQ(doc.summary(), importSummary("LTDI", 2, 3) +
                               "\r\n\r\nSamples with quality flags: 3 (see the Sample quality sheet)");
    const Matrix& r = *doc.analysis.results;
    // L0 (HA): LTDI1 2 -> 25, EQR 75 / 70 = 1.071 held at 1, High; LTDI2 3 -> 50,
    // EQR 50 / 80 = 0.625, Good.
    EXPECT_EQ(r(0, 3), 25);
    EXPECT_EQ(r(0, 4), 30);
    EXPECT_EQ(r(0, 5), 1);
    EXPECT_EQ(r(0, 6), 1);
    EXPECT_EQ(r(0, 8), 50);
    EXPECT_EQ(r(0, 9), 20);
    EXPECT_DOUBLE_EQ(r(0, 10), 0.625);
    EXPECT_EQ(r(0, 11), 2);
    // L1 (MA): LTDI1 4 -> 75, EQR 25 / 60 = 0.416667, Poor (0.3 <= m < 0.5); LTDI2 75,
    // EQR 25 / 50 = 0.5, Moderate (on the limit).
    EXPECT_EQ(r(1, 3), 75);
    EXPECT_NEAR(r(1, 5), 25.0 / 60.0, 1e-12);
    EXPECT_EQ(r(1, 6), 4);
    EXPECT_EQ(r(1, 10), 0.5);
    EXPECT_EQ(r(1, 11), 3);
    // L2 (ZZ): indices (5*2 + 5*4)/10 = 3 -> 50 and (5*3 + 5*4)/10 = 3.5 -> 62.5; no type.
    EXPECT_EQ(r(2, 3), 50);
    EXPECT_EQ(r(2, 8), 62.5);
    for (int c : {4, 5, 6, 9, 10, 11})
        EXPECT_EQ(r(2, c), missing) << c;
    EXPECT_EQ(doc.analysis.comments1, (std::vector<std::string>{"", "", "Invalid type"}));
    EXPECT_EQ(doc.analysis.comments2, (std::vector<std::string>{"", "", "Invalid type"}));
    EXPECT_EQ(doc.analysis.resultNames[16], "Comment LTDI1");
    EXPECT_EQ(doc.analysis.resultNames[17], "Comment LTD12");

    EXPECT_EQ(doc.sites.siteCodes, (std::vector<std::string>{"LK1", "LK2"}));
    // LK1 takes the type of its first sample (ha -> HA). LTDI1: mean (1 + 0.416667)/2 =
    // 0.708333, Good; spread cap 1.5 (sigma = 0.2/sqrt2/(0.708*0.292) = 0.684, not reached).
    const Matrix& s1 = *doc.sites.siteSummary1;
    EXPECT_NEAR(s1(0, 2), (1 + 25.0 / 60.0) / 2, 1e-12);
    EXPECT_EQ(s1(0, 3), 2);
    const auto p1 = fixtures::classPercent((1 + 25.0 / 60.0) / 2, 2, 0.2, {0.8, 0.6, 0.4, 0.2}, 1.5);
    for (int j = 0; j < 5; ++j)
        EXPECT_NEAR(s1(0, 4 + j), p1[static_cast<std::size_t>(j)], 1e-5);
    // LTDI2: mean (0.625 + 0.5)/2 = 0.5625, Moderate; all 13 columns kept.
    const Matrix& s2 = *doc.sites.siteSummary2;
    ASSERT_EQ(s2.nCols(), 13);
    EXPECT_DOUBLE_EQ(s2(0, 2), 0.5625);
    EXPECT_EQ(s2(0, 3), 3);
    const auto p2 = fixtures::classPercent(0.5625, 2, 0.2, {0.8, 0.6, 0.4, 0.2}, 1);
    for (int j = 0; j < 5; ++j)
        EXPECT_NEAR(s2(0, 4 + j), p2[static_cast<std::size_t>(j)], 1e-5);
    // LK2: no EQR and a type with no row.
    EXPECT_EQ(s1(1, 0), 0);
    EXPECT_EQ(s1(1, 1), 1);
    expectMissingFrom(s1, 1, 2);
    expectMissingFrom(s2, 1, 2);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(EndToEnd, Dam)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    std::vector<std::vector<std::string>> headers(6);
    headers[1] = {"D1", "D1", "D2", "d2"};
    headers[4] = {"100", "", "1000", "3"};
    headers[5] = {"1", "", "60", "0.5"};
    fixtures::fillJob(doc, familyDam, {"AC001A", "AC002A", "AC003A"}, {{10, 10, 0}, {0, 0, 10}, {4, 0, 0}, {2, 0, 0}},
                      headers);
    doc.samples.masterTaxonList =
        fixtures::masterList({{"N1", "AC001A", 0, 0, 0, 0, 3}, {"N2", "AC002A", 0, 0, 0, 0, 2}, {"N3", "AC003A"}});
    doc.samples.boundaries1 = fixtures::boundaries("DAM", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    doc.samples.cocParameters = fixtures::cocRows("DAM", {0.1, 0, 0, 1});
    ASSERT_TRUE(doc.Analyse());

    EXPECT_EQ(doc.summary(),
              importSummary("DAM", 3, 4) +
                  "\r\n\r\nCalcium data missing for 1 samples.\r\nMissing values have been replaced by 100 ueq/l."
                  "\r\n\r\n2 calcium values out of range.\r\nThese values have been set to 5 or 500 ueq/l."
                  "\r\n\r\nDOC data missing for 1 samples.\r\nMissing values have been replaced by 1 mg/l."
                  "\r\n\r\n1 DOC values out of range.\r\nThese values have been set to 0 or 50 mg/l."
                  "\r\n"
                  "\r\nWarning: 1 taxa lack DAM scores in database."
                  "\r\nUse View Data to identify unmatched taxa"
                  "\r\nA list of these will be saved in the results file."
                  "\r\n\r\nSamples with quality flags: 4 (see the Sample quality sheet)");

    const Matrix& r = *doc.analysis.results;
    ASSERT_EQ(r.nCols(), 12);
    // D0: (10*3 + 10*2)/20 = 2.5 -> 37.5; eDAM(100, 1) = 58.6; EQR 0.639932, Good.
    EXPECT_EQ(r(0, 3), 37.5);
    EXPECT_NEAR(r(0, 4), 58.6, 1e-9);
    EXPECT_NEAR(r(0, 5), 37.5 / 58.6, 1e-12);
    EXPECT_EQ(r(0, 6), 2);
    // D1: only the unscored taxon; both chemistry values by default.
    for (int c = 3; c <= 6; ++c)
        EXPECT_EQ(r(1, c), missing);
    EXPECT_EQ(doc.analysis.comments1[1],
              "Missing Calcium, value set to 100 ueq/lMissing DOC, value set to 1 mg/lNo matching taxa found");
    // D2: 3 -> 50; calcium 500, DOC 50: 33 log10(500) - 5.5 - 95 = -11.433990, kept; an
    // expected value below 0 gives no EQR and no class (50 / -11.43 would be "Bad").
    EXPECT_EQ(r(2, 3), 50);
    EXPECT_NEAR(r(2, 4), -11.43398986, 1e-8);
    EXPECT_EQ(r(2, 5), missing);
    EXPECT_EQ(r(2, 6), missing);
    EXPECT_EQ(doc.analysis.comments1[2], "Calcium > 500, value set to 500 ueq/lDOC > 50, value set to 50 mg/l"
                                "; No EQR: expected value not above 0");
    // D3: calcium 5, DOC 0.5: 33 log10(5) - 5.5 - 0.95 = 16.616010; 50 / 16.616 = 3.009 held at 1.
    EXPECT_NEAR(r(3, 4), 16.61601014, 1e-8);
    EXPECT_EQ(r(3, 5), 1);
    EXPECT_EQ(r(3, 6), 1);
    EXPECT_EQ(doc.analysis.comments1[3], "Calcium < 5, value set to 5 ueq/l");
    EXPECT_EQ(doc.analysis.comments2, (std::vector<std::string>(4, "")));
    // Groups: no flags anywhere, all 0.
    for (int s = 0; s < 4; ++s)
        for (int c = 7; c <= 10; ++c)
            EXPECT_EQ(r(s, c), 0);
    EXPECT_EQ(doc.analysis.resultNames,
              (std::vector<std::string>{"Type", "Sample sum", "Sum DAM", "DAM", "eDAM", "EQR DAM", "Class DAM",
                                        "% Planktic", "% Motile", "% Organic tolerant", "% Saline", "Comment DAM",
                                        ""}));

    // Only the first index has a site table.
    EXPECT_FALSE(doc.sites.siteSummary2);
    EXPECT_EQ(doc.sites.siteCodes, (std::vector<std::string>{"D1", "D2"}));
    const Matrix& s = *doc.sites.siteSummary1;
    // D1: one EQR (0.639932), one missing; Good.
    EXPECT_EQ(s(0, 0), 1);
    EXPECT_EQ(s(0, 1), 1);
    EXPECT_NEAR(s(0, 2), 37.5 / 58.6, 1e-12);
    EXPECT_EQ(s(0, 3), 2);
    const auto p = fixtures::classPercent(37.5 / 58.6, 1, 0.1, {0.8, 0.6, 0.4, 0.2}, 1);
    for (int j = 0; j < 5; ++j)
        EXPECT_NEAR(s(0, 4 + j), p[static_cast<std::size_t>(j)], 1e-5);
    // D2 and d2: D2 has no EQR, so the site is d2 alone: one sample, one missing, mean 1,
    // High; the probabilities at 0.999 with sd 0.1 over one sample (spread held at 1).
    EXPECT_EQ(s(1, 0), 1);
    EXPECT_EQ(s(1, 1), 1);
    EXPECT_EQ(s(1, 2), 1);
    EXPECT_EQ(s(1, 3), 1);
    const auto q = fixtures::classPercent(0.999, 1, 0.1, {0.8, 0.6, 0.4, 0.2}, 1);
    for (int j = 0; j < 5; ++j)
        EXPECT_NEAR(s(1, 4 + j), q[static_cast<std::size_t>(j)], 1e-5);
    EXPECT_NEAR(s(1, 9), 100 - q[0], 1e-5);
    EXPECT_TRUE(ui.messages.empty());
}
