#pragma once

// Reference tables and jobs built in memory, as the import would leave them.

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/job.h"
#include "matrix/number_format.h"
#include "refdb/memory_table.h"

namespace fixtures {

inline MemoryTable::Column textColumn(std::string name, std::vector<std::string> values)
{
    MemoryTable::Column c;
    c.name = std::move(name);
    c.kind = MemoryTable::kindText;
    c.texts = std::move(values);
    return c;
}

inline MemoryTable::Column numberColumn(std::string name, std::vector<double> values)
{
    MemoryTable::Column c;
    c.name = std::move(name);
    c.kind = MemoryTable::kindDouble;
    c.doubles = std::move(values);
    return c;
}

inline MemoryTable::Column flagColumn(std::string name, std::vector<std::uint8_t> values)
{
    MemoryTable::Column c;
    c.name = std::move(name);
    c.kind = MemoryTable::kindBool;
    c.booleans = std::move(values);
    return c;
}

// One master-list row: both codes, the five scores (0 = none) and the four group flags.
struct Taxon {
    std::string nbnCode;
    std::string code;
    double tdi3 = 0, tdi4 = 0, ltdi1 = 0, ltdi2 = 0, dam = 0;
    bool planktic = false, motile = false, organicTolerant = false, saline = false;
};

inline std::shared_ptr<const MemoryTable> masterList(const std::vector<Taxon>& rows)
{
    std::vector<std::string> nbn, code;
    std::vector<double> tdi3, tdi4, ltdi1, ltdi2, dam;
    std::vector<std::uint8_t> planktic, motile, organic, saline;
    for (const Taxon& t : rows) {
        nbn.push_back(t.nbnCode);
        code.push_back(t.code);
        tdi3.push_back(t.tdi3);
        tdi4.push_back(t.tdi4);
        ltdi1.push_back(t.ltdi1);
        ltdi2.push_back(t.ltdi2);
        dam.push_back(t.dam);
        planktic.push_back(t.planktic);
        motile.push_back(t.motile);
        organic.push_back(t.organicTolerant);
        saline.push_back(t.saline);
    }
    std::vector<MemoryTable::Column> columns;
    columns.push_back(textColumn("TaxonCode", nbn));
    columns.push_back(textColumn("TaxonId", code));
    columns.push_back(numberColumn("TDI3", tdi3));
    columns.push_back(numberColumn("tdi4", tdi4));  // field names are found without regard to case
    columns.push_back(numberColumn("LTDI1", ltdi1));
    columns.push_back(numberColumn("LTDI2", ltdi2));
    columns.push_back(numberColumn("DAM", dam));
    columns.push_back(flagColumn("Planktic", planktic));
    columns.push_back(flagColumn("Motile", motile));
    columns.push_back(flagColumn("OrganicTolerant", organic));
    columns.push_back(flagColumn("Saline", saline));
    return std::make_shared<MemoryTable>(std::move(columns), static_cast<int>(rows.size()));
}

// One Boundaries row: the type (lakes) or site type, the expected value and the four limits.
struct Boundary {
    std::string type;
    double median;
    double highGood, goodModerate, moderatePoor, poorBad;
};

inline std::shared_ptr<const MemoryTable> boundaries(const std::string& siteType, const std::vector<Boundary>& rows)
{
    std::vector<std::string> site, type;
    std::vector<double> median, b1, b2, b3, b4, after;
    for (const Boundary& b : rows) {
        site.push_back(siteType);
        type.push_back(b.type);
        median.push_back(b.median);
        b1.push_back(b.highGood);
        b2.push_back(b.goodModerate);
        b3.push_back(b.moderatePoor);
        b4.push_back(b.poorBad);
        after.push_back(99);  // a field after the four limits, never read
    }
    std::vector<MemoryTable::Column> columns;
    columns.push_back(textColumn("SiteType", site));
    columns.push_back(textColumn("LakeType", type));
    columns.push_back(numberColumn("Reference", std::vector<double>(rows.size(), 7)));
    columns.push_back(numberColumn("MedianTDI", median));
    columns.push_back(numberColumn("HG", b1));
    columns.push_back(numberColumn("GM", b2));
    columns.push_back(numberColumn("MP", b3));
    columns.push_back(numberColumn("PB", b4));
    columns.push_back(numberColumn("Other", after));
    return std::make_shared<MemoryTable>(std::move(columns), static_cast<int>(rows.size()));
}

// The CoC rows of a family: the parameter values c0..c3 in column 2.
inline std::shared_ptr<const MemoryTable> cocRows(const std::string& siteType, std::vector<double> c)
{
    std::vector<MemoryTable::Column> columns;
    columns.push_back(textColumn("SiteType", std::vector<std::string>(c.size(), siteType)));
    columns.push_back(numberColumn("Coefficient", {0, 1, 2, 3}));
    const int rows = static_cast<int>(c.size());
    columns.push_back(numberColumn("Value", std::move(c)));
    return std::make_shared<MemoryTable>(std::move(columns), rows);
}

// A job as the import leaves it: codes, counts[sample][taxon] and the header rows
// (index 0 sample names, 1 site codes, 2 dates, 3 alkalinity or lake type, 4 calcium,
// 5 DOC); missing header rows are filled with empty texts.
inline void fillJob(Job& doc, int family, const std::vector<std::string>& codes,
                    const std::vector<std::vector<double>>& counts, std::vector<std::vector<std::string>> headers)
{
    doc.samples.family = family;
    doc.samples.familyName = FamilyName(family);
    doc.samples.title = "job.xlsx";
    doc.samples.sheetName = "Sheet1";
    const int samples = static_cast<int>(counts.size());
    const int taxa = static_cast<int>(codes.size());
    doc.samples.taxa.clear();
    for (const std::string& code : codes)
        doc.samples.taxa.push_back({code, "Taxon " + code});
    doc.samples.counts = std::make_unique<Matrix>(samples, taxa, 0.0);
    for (int s = 0; s < samples; ++s)
        for (int t = 0; t < taxa; ++t)
            (*doc.samples.counts)(s, t) = counts[static_cast<std::size_t>(s)][static_cast<std::size_t>(t)];
    headers.resize(6);
    for (auto& row : headers)
        row.resize(static_cast<std::size_t>(samples));
    doc.samples.headerValues = std::move(headers);
    doc.samples.headerRowCount = 6;
    doc.samples.sampleCount = samples;
    doc.samples.taxonCount = taxa;
    doc.samples.summary = ImportSummary(doc.samples);
}

// The lower normal tail from the C library's erfc: an oracle independent of AS 66.
inline double phi(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

inline double logit(double p) { return std::log(p / (1 - p)); }

// The five class probabilities (per cent, High to Bad) of a site mean x over n samples
// with a constant spread sd and limits b: P_j = Phi((logit(b_j) - logit(x)) / sigma),
// sigma = sd / sqrt(n) / (x (1 - x)) held at cap, worked out with erfc.
inline std::array<double, 5> classPercent(double x, double n, double sd, const std::array<double, 4>& b, double cap)
{
    const double sigma = std::min(sd / std::sqrt(n) / (x * (1 - x)), cap);
    std::array<double, 4> p{};
    for (std::size_t j = 0; j < 4; ++j)
        p[j] = phi((logit(b[j]) - logit(x)) / sigma);
    return {100 * (1 - p[0]), 100 * (p[0] - p[1]), 100 * (p[1] - p[2]), 100 * (p[2] - p[3]), 100 * p[3]};
}

}  // namespace fixtures
