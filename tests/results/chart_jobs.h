#pragma once

// Jobs with hand-made site tables and boundary tables, as an import, an analysis and the
// confidence of class would leave them, for the chart's tests.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/job.h"
#include "matrix/matrix.h"
#include "refdb/memory_table.h"

namespace chart_jobs {

constexpr double m = Matrix::missingValue;

inline void setRow(Matrix& table, int row, const std::vector<double>& values)
{
    for (std::size_t c = 0; c < values.size(); ++c)
        table(row, static_cast<int>(c)) = values[c];
}

struct LimitsRow {
    std::string siteType;
    std::string lakeType;
    std::array<double, 4> limits;
};

// A Boundaries table: the site type, the lake type (second field), "MedianTDI" and the
// four limits after it.
inline std::shared_ptr<const MemoryTable> boundaryTable(const std::vector<LimitsRow>& rows)
{
    auto text = [](const char* name) {
        MemoryTable::Column c;
        c.name = name;
        c.kind = MemoryTable::kindText;
        return c;
    };
    auto number = [](const char* name) {
        MemoryTable::Column c;
        c.name = name;
        c.kind = MemoryTable::kindDouble;
        return c;
    };
    std::vector<MemoryTable::Column> columns = {text("SiteType"), text("LakeType"), number("MedianTDI"),
                                            number("HG"),       number("GM"),       number("MP"),
                                            number("PB")};
    for (const LimitsRow& row : rows) {
        columns[0].texts.push_back(row.siteType);
        columns[1].texts.push_back(row.lakeType);
        columns[2].doubles.push_back(50);
        for (std::size_t j = 0; j < 4; ++j)
            columns[3 + j].doubles.push_back(row.limits[j]);
    }
    return std::make_shared<const MemoryTable>(std::move(columns), static_cast<int>(rows.size()));
}

inline std::vector<std::string> fullHeaders()
{
    std::vector<std::string> h = {"Site code", "No. Samples", "No. missing", "Mean EQR", "Class",
                                  "CoC High",  "CoC Good",    "CoC Mod",     "CoC Poor", "CoC Bad",
                                  "RoM",       "CoC HG",      "CoC MPB",     "RoM-G/M"};
    h.resize(21);
    return h;
}

inline std::vector<std::string> riverSecondHeaders()
{
    std::vector<std::string> h = {"Site code", "No. Samples", "No. missing", "Mean EQR", "Class", "CoC High+Good",
                                  "CoC Mod",   "CoC Poor",    "CoC Bad",     "RoM",      "CoC HG", "CoC MPB",
                                  "RoM-G/M"};
    h.resize(21);
    return h;
}

// TDI3 limits 0.8, 0.6, 0.4, 0.2; TDI4 limits 0.9, 0.7, 0.5, 0.3.
inline const std::array<double, 4> tdi3Limits = {0.8, 0.6, 0.4, 0.2};
inline const std::array<double, 4> tdi4Limits = {0.9, 0.7, 0.5, 0.3};

// Rivers: six samples at three sites. AB1 (samples 1, 3 as "ab1" and 6) has a mean EQR in
// the Good band; CD2 (samples 2 and 5) has no EQR at all; EF3 (sample 4) is Poor. The
// TDI4 table has lost "CoC High": its first probability is High and Good together.
inline void fillRiverJob(Job& job)
{
    job.samples.family = familyRivers;
    job.samples.familyName = "TDI";
    job.analysis.indexCount = 2;
    job.samples.title = "rivers.xlsx";
    job.samples.headerLabels = {"Sample", "Site", "Date", "Alkalinity (mg/l)"};
    job.samples.headerValues = {{"S1", "S2", "S3", "S4", "S5", "S6"},
                        {"AB1", "CD2", "ab1", "EF3", "CD2", "AB1"},
                        {"44000", "44001", "44002", "44003", "44004", "44005"},
                        {"50", "60", "70", "80", "90", "100"}};
    job.samples.sampleCount = 6;
    job.samples.boundaries1 = boundaryTable({{"TDI3", "", tdi3Limits}});
    job.samples.boundaries2 = boundaryTable({{"TDI4", "", tdi4Limits}});

    job.sites.siteCodes = {"AB1", "CD2", "EF3"};
    job.sites.siteSummary1 = std::make_unique<Matrix>(3, 13, m);
    setRow(*job.sites.siteSummary1, 0, {3, 0, 0.7, 2, 10, 60, 20, 7, 3, 40, 70, 30, 30});
    setRow(*job.sites.siteSummary1, 1, {0, 2});
    setRow(*job.sites.siteSummary1, 2, {1, 0, 0.3, 4, 0, 2, 18, 55, 25, 45, 2, 98, 2});
    job.sites.siteSummary2 = std::make_unique<Matrix>(3, 12, m);
    setRow(*job.sites.siteSummary2, 0, {3, 0, 0.75, 2, 70, 20, 6, 4, 30, 70, 30, 30});
    setRow(*job.sites.siteSummary2, 1, {0, 2});
    setRow(*job.sites.siteSummary2, 2, {1, 0, 1.25, 1, 99, 1, 0, 0, 1, 99, 1, 1});
    job.sites.siteHeaders1 = fullHeaders();
    job.sites.siteHeaders2 = riverSecondHeaders();
    job.sites.uncertaintyAvailable = true;
    job.analysed = true;
}

// Lake limits by type: HA 0.9, 0.7, 0.5, 0.3; MA 0.8, 0.6, 0.4, 0.2; LA 0.85, 0.65, 0.45, 0.25.
inline const std::array<double, 4> haLimits = {0.9, 0.7, 0.5, 0.3};
inline const std::array<double, 4> maLimits = {0.8, 0.6, 0.4, 0.2};

// Lakes: LK01 (type HA; its later sample "lk01" says MA, but a site takes its first
// sample's type), LK02 (MA) with the same mean EQR 0.85, which is Good for HA and High for
// MA, and LK03 whose type XX no boundary row holds.
inline void fillLakeJob(Job& job)
{
    job.samples.family = familyLakes;
    job.samples.familyName = "LTDI";
    job.analysis.indexCount = 2;
    job.samples.title = "lakes.xlsx";
    job.samples.headerLabels = {"Sample", "Site", "Date", "Lake type"};
    job.samples.headerValues = {{"L1", "L2", "L3", "L4"},
                        {"LK01", "LK02", "lk01", "LK03"},
                        {"44000", "44001", "44002", "44003"},
                        {"HA", "MA", "MA", "XX"}};
    job.samples.sampleCount = 4;
    const std::vector<LimitsRow> rows = {
        {"LTDI1", "HA", haLimits}, {"LTDI1", "MA", maLimits}, {"LTDI1", "LA", {0.85, 0.65, 0.45, 0.25}}};
    job.samples.boundaries1 = boundaryTable(rows);
    job.samples.boundaries2 = boundaryTable(rows);

    job.sites.siteCodes = {"LK01", "LK02", "LK03"};
    job.sites.siteSummary1 = std::make_unique<Matrix>(3, 13, m);
    setRow(*job.sites.siteSummary1, 0, {2, 0, 0.85, 2, 30, 60, 10, 0, 0, 40, 90, 10, 10});
    setRow(*job.sites.siteSummary1, 1, {1, 0, 0.85, 1, 55, 40, 5, 0, 0, 45, 95, 5, 5});
    // The type matches no row: the mean alone.
    setRow(*job.sites.siteSummary1, 2, {1, 0, 0.5});
    job.sites.siteSummary2 = std::make_unique<Matrix>(3, 13, m);
    setRow(*job.sites.siteSummary2, 0, {2, 0, 0.6, 3, 0, 20, 60, 20, 0, 40, 20, 80, 20});
    setRow(*job.sites.siteSummary2, 1, {1, 0, 0.6, 2, 5, 50, 40, 5, 0, 50, 55, 45, 45});
    setRow(*job.sites.siteSummary2, 2, {1, 0, 0.4});
    job.sites.siteHeaders1 = fullHeaders();
    job.sites.siteHeaders2 = riverSecondHeaders();
    job.sites.uncertaintyAvailable = true;
    job.analysed = true;
}

}  // namespace chart_jobs
