#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/job.h"
#include "tests/metrics/metrics_fixtures.h"

// Jobs filled by hand as an import, an analysis and the confidence of class would leave
// them. Every number is chosen here, so the expected workbook cells follow from the
// layout rules alone; the per-taxon N, N2 and Max are worked out in the comments.
namespace results_jobs {

inline void setRow(Matrix& m, int row, const std::vector<double>& values)
{
    for (std::size_t c = 0; c < values.size(); ++c)
        m(row, static_cast<int>(c)) = values[c];
}

inline std::vector<std::string> padded(std::vector<std::string> entries, std::size_t size)
{
    entries.resize(size);
    return entries;
}

inline const std::vector<std::string>& siteHeadersFull()
{
    static const std::vector<std::string> h = padded(
        {"Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High", "CoC Good", "CoC Mod",
         "CoC Poor", "CoC Bad", "RoM", "CoC HG", "CoC MPB", "RoM-G/M"},
        21);
    return h;
}

inline const std::vector<std::string>& siteHeadersRiver2()
{
    static const std::vector<std::string> h = padded(
        {"Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High+Good", "CoC Mod", "CoC Poor",
         "CoC Bad", "RoM", "CoC HG", "CoC MPB", "RoM-G/M"},
        21);
    return h;
}

// What the analysis and the import note about where the numbers came from, fixed here so
// that the provenance lines can be written out in full.
inline constexpr const char* kAnalysedAt = "2026-12-08 21:40:07 UTC";
inline constexpr const char* kWorkbookDigest = "9b1c0e6f00000000000000000000000000000000000000000000000000000001";
inline constexpr const char* kDatabaseDigest = "0f3a5d7e00000000000000000000000000000000000000000000000000000002";

inline void setProvenance(Job& job)
{
    job.analysis.analysedAt = kAnalysedAt;
    job.samples.workbookSha256 = kWorkbookDigest;
    auto identity = std::make_shared<DatabaseIdentity>();
    identity->fileName = "TORVENII.mdb";
    identity->sizeBytes = 1234567;
    identity->modifiedUtc = "2026-12-01 09:00:00 UTC";
    identity->sha256 = kDatabaseDigest;
    identity->version = {{"Release", "2.0"}, {"Date", "2026-11-30"}};
    job.samples.referenceIdentity = std::move(identity);
}

// Rivers: three samples at two sites; ZZ999 lacks both scores, NA001A only TDI4's. The
// summary ends with the warning line, without CR LF.
inline void fillRiverJob(Job& job)
{
    job.samples.family = familyRivers;
    job.samples.familyName = "TDI";
    job.analysis.indexCount = 2;
    job.samples.title = "river.xlsx";
    job.samples.summary = "File:\triver.xlsx\r\nWorksheet:\tRiver\r\n\r\nMetric:\tTDI\r\n\r\n"
                  "Number of taxa:\t3\r\nNumber of samples:\t3\r\n\r\nWarning:\t2 taxa lack scores";
    job.samples.headerLabels = {"Sample", "Site", "Date", "Alkalinity (mg/l)"};
    job.samples.headerValues = {{"S1", "S2", "S3"}, {"AB1", "AB1", "CD2"}, {"40000", "12", ""}, {"45", "", "200"}};
    job.samples.taxa = {{"AC001A", "Achnanthes sp."}, {"ZZ999", "Unknown taxon"}, {"NA001A", "Navicula sp."}};
    job.samples.taxonCount = 3;
    job.samples.sampleCount = 3;
    job.samples.headerRowCount = 4;
    job.samples.counts = std::make_unique<Matrix>(3, 3, 0.0);
    // ZZ999: counts 5, 0, 15: N 2, Max 15, N2 = 1 / (0.25^2 + 0.75^2) = 1.6.
    // NA001A: counts 0, 20, 0: N 1, Max 20, N2 = 1 / 1^2 = 1.
    setRow(*job.samples.counts, 0, {10, 5, 0});
    setRow(*job.samples.counts, 1, {0, 0, 20});
    setRow(*job.samples.counts, 2, {30, 15, 0});
    job.analysis.scoredRow1 = {0, -1, 4};
    job.analysis.scoredRow2 = {0, -1, -1};
    job.analysis.lackingCount1 = 1;
    job.analysis.lackingCount2 = 2;

    job.analysis.results = std::make_unique<Matrix>(3, 17, 0.0);
    const double m = Matrix::missingValue;
    setRow(*job.analysis.results, 0, {0, 15, 10, 32.5, 36.46, 1, 1, 10, 40.25, 45.1, 1.0883, 1, 0, 33.333, 12.5, 0, 0});
    setRow(*job.analysis.results, 1, {0, 20, 20, 60, 40, 0.6667, 3, 0, m, m, m, m, 0, 100, 0, 0, 0});
    setRow(*job.analysis.results, 2, {0, 45, 30, 88, 40, 0.2, 5, 30, 70.5, 45.1, 0.5373, 4, 0, 0, 20, 2.5, 0});
    job.analysis.resultNames = {"Type", "Sample sum", "Sum TDI3", "TDI3", "eTDI3", "EQR TDI3", "Class TDI3",
                       "Sum TDI4", "TDI4", "eTDI4", "EQR TDI4", "Class TDI4", "% Planktic", "% Motile",
                       "% Organic tolerant", "% Saline", "Comment TDI3", "Comment TD14"};
    job.analysis.comments1 = {"", "Alkalinity missing, default used", ""};
    job.analysis.comments2 = {"", "No matching taxa found", ""};

    job.sites.siteCodes = {"AB1", "CD2"};
    job.sites.siteSummary1 = std::make_unique<Matrix>(2, 13, m);
    setRow(*job.sites.siteSummary1, 0, {2, 0, 0.83335, 1, 70.1, 20.2, 7.7, 1.5, 0.5, 29.9, 90.3, 9.7, 9.7});
    setRow(*job.sites.siteSummary1, 1, {1, 0, 0.2, 4, 0, 0.1, 9.9, 50, 40, 50, 0.1, 99.9, 0.1});
    job.sites.siteSummary2 = std::make_unique<Matrix>(2, 12, m);
    setRow(*job.sites.siteSummary2, 0, {1, 1, 1.0883, 1, 95.5, 3, 1, 0.5, 4.5, 95.5, 4.5, 4.5});
    // The second site keeps the missing value in columns 2 on.
    setRow(*job.sites.siteSummary2, 1, {1, 0});
    job.sites.siteHeaders1 = siteHeadersFull();
    job.sites.siteHeaders2 = siteHeadersRiver2();
    job.sites.uncertaintyAvailable = true;

    job.analysed = true;
    job.modified = true;
    setProvenance(job);
}

// The river job with site tables computed by the confidence of class rather than filled
// in: site AB1 (two samples of EQR 0.9) is High and CD2 (one sample of 0.5) Moderate, for
// both indices, with the limits 0.8, 0.6, 0.4, 0.2 and a spread held at 1 on the logit
// scale (sd 1 is far above the cap). TDI4's "CoC High+Good" = 100 (1 - Phi(logit 0.6 -
// logit x)): for AB1 100 Phi(ln 6) = 100 Phi(1.791759) = 96.3414, for CD2
// 100 (1 - Phi(ln 1.5)) = 100 (1 - Phi(0.405465)) = 34.2568 (normal tables: Phi(1.79)
// 0.96327, Phi(1.80) 0.96407, Phi(0.40) 0.65542, Phi(0.41) 0.65910). TDI3's "CoC High" and
// "CoC Good" of the same site add up to the same number.
inline void fillAssessedRiverJob(Job& job)
{
    fillRiverJob(job);
    const std::vector<double> eqr = {0.9, 0.9, 0.5};
    for (int s = 0; s < 3; ++s) {
        (*job.analysis.results)(s, 5) = eqr[static_cast<std::size_t>(s)];
        (*job.analysis.results)(s, 10) = eqr[static_cast<std::size_t>(s)];
    }
    job.samples.boundaries1 = fixtures::boundaries("TDI3", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    job.samples.boundaries2 = fixtures::boundaries("TDI4", {{"", 0, 0.8, 0.6, 0.4, 0.2}});
    job.samples.cocParameters = fixtures::cocRows("TDI", {1, 0, 0, 1});
    SummariseSites(job.samples, job.analysis, 1, job.ui, job.sites);
    SummariseSites(job.samples, job.analysis, 2, job.ui, job.sites);
}

// Lakes: two samples at one site, every taxon scored; the summary ends with CR LF.
inline void fillLakeJob(Job& job)
{
    job.samples.family = familyLakes;
    job.samples.familyName = "LTDI";
    job.analysis.indexCount = 2;
    job.samples.title = "lake.xls";
    job.samples.summary = "File:\tlake.xls\r\nWorksheet:\tLakes\r\n\r\nMetric:\tLTDI\r\n\r\n\r\nNumber of taxa:\t1\r\n";
    job.samples.headerLabels = {"Sample", "Site", "Date", "Lake type"};
    job.samples.headerValues = {{"L1", "L2"}, {"LK01", "lk01"}, {"43000", "20000"}, {"HA", "HA"}};
    job.samples.taxa = {{"AC001A", "Achnanthes sp."}};
    job.samples.counts = std::make_unique<Matrix>(2, 1, 0.0);
    setRow(*job.samples.counts, 0, {12});
    setRow(*job.samples.counts, 1, {7});
    job.analysis.scoredRow1 = {0};
    job.analysis.scoredRow2 = {0};

    job.analysis.results = std::make_unique<Matrix>(2, 17, 0.0);
    const double m = Matrix::missingValue;
    setRow(*job.analysis.results, 0, {0, 12, 12, 40, 30, 0.857, 2, 12, 45, 35, 0.846, 2, 8.5, 0, 0, 0, 0});
    // An invalid lake type leaves the expected value, EQR and class at 0.
    setRow(*job.analysis.results, 1, {0, 7, 7, 50, 0, 0, 0, 7, 55, 0, 0, 0, 0, 0, 0, 0, 0});
    job.analysis.resultNames = {"Type", "Sample sum", "Sum LTDI1", "LTDI1", "eLTDI1", "EQR LTDI1", "Class LTDI1",
                       "Sum LTDI2", "LTDI2", "eLTDI2", "EQR LTDI2", "Class LTDI2", "% Planktic", "% Motile",
                       "% Organic tolerant", "% Saline", "Comment LTDI1", "Comment LTD12"};
    job.analysis.comments1 = {"", "Invalid type"};
    job.analysis.comments2 = {"", "Invalid type"};

    job.sites.siteCodes = {"LK01"};
    job.sites.siteSummary1 = std::make_unique<Matrix>(1, 13, m);
    setRow(*job.sites.siteSummary1, 0, {1, 0, 0.857, 2, 30, 60, 10, 0, 0, 40, 90, 10, 10});
    job.sites.siteSummary2 = std::make_unique<Matrix>(1, 13, m);
    setRow(*job.sites.siteSummary2, 0, {1, 0, 0.846, 2, 25, 65, 10, 0, 0, 35, 90, 10, 10});
    job.sites.siteHeaders1 = siteHeadersFull();
    // Filled by the second run all the same, but never used for the lake family's sheet.
    job.sites.siteHeaders2 = siteHeadersRiver2();
    job.sites.uncertaintyAvailable = true;
    job.analysed = true;
    job.modified = true;
    setProvenance(job);
}

// DAM: six header rows, one index; XX001 lacks its score.
inline void fillDamJob(Job& job)
{
    job.samples.family = familyDam;
    job.samples.familyName = "DAM";
    job.analysis.indexCount = 1;
    job.samples.title = "dam.xlsx";
    job.samples.summary = "File:\tdam.xlsx\r\n\r\nMetric:\tDAM\r\n1 taxon lacks a score";
    job.samples.headerLabels = {"Sample", "Site", "Date", "Alkalinity (mg/l)", "Calcium (ueq/l)", "DOC (mg/l)"};
    job.samples.headerValues = {{"D1", "D2"}, {"UP1", "UP1"}, {"41000", "41100"}, {"2", "3"}, {"80", ""}, {"4.5", "700"}};
    job.samples.taxa = {{"XX001", "Eunotia sp."}, {"AC001A", "Achnanthes sp."}};
    job.samples.counts = std::make_unique<Matrix>(2, 2, 0.0);
    // XX001: counts 3 and 1: N 2, Max 3, N2 = 1 / (0.75^2 + 0.25^2) = 1.6.
    setRow(*job.samples.counts, 0, {3, 10});
    setRow(*job.samples.counts, 1, {1, 0});
    job.analysis.scoredRow1 = {-1, 0};
    job.analysis.lackingCount1 = 1;

    job.analysis.results = std::make_unique<Matrix>(2, 12, 0.0);
    const double m = Matrix::missingValue;
    setRow(*job.analysis.results, 0, {0, 13, 10, 50, 58.6, 0.853, 2, 0, 0, 0, 0, 0});
    setRow(*job.analysis.results, 1, {0, 1, 0, m, m, m, m, 0, 0, 0, 0, 0});
    job.analysis.resultNames = {"Type", "Sample sum", "Sum DAM", "DAM", "eDAM", "EQR DAM", "Class DAM", "% Planktic",
                       "% Motile", "% Organic tolerant", "% Saline", "Comment DAM", ""};
    job.analysis.comments1 = {"", "No matching taxa found"};

    job.sites.siteCodes = {"UP1"};
    job.sites.siteSummary1 = std::make_unique<Matrix>(1, 13, m);
    setRow(*job.sites.siteSummary1, 0, {1, 1, 0.853, 2, 20, 70, 10, 0, 0, 30, 90, 10, 10});
    job.sites.siteHeaders1 = siteHeadersFull();
    job.sites.uncertaintyAvailable = true;
    job.analysed = true;
    job.modified = true;
    setProvenance(job);
}

}  // namespace results_jobs
