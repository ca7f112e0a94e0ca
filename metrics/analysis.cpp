// The analysis run of a job: taxon matching and index values, the environmental inputs
// and expected values, the EQR and class of every sample, the result headers and the
// warnings about taxa without scores.

#include <cmath>
#include <ctime>

#include "app/job.h"
#include "base/civil_date.h"
#include "matrix/number_format.h"
#include "metrics/expected_values.h"
#include "metrics/index_values.h"
#include "metrics/reference_values.h"
#include "metrics/sample_quality.h"
#include "metrics/status_class.h"
#include "metrics/taxon_map_use.h"
#include "metrics/taxon_matching.h"

namespace {

std::optional<std::array<double, 4>> firstRowLimits(const MemoryTable* boundaries)
{
    if (!boundaries)
        return std::nullopt;
    const std::optional<BoundaryRow> row = ReadBoundaryRow(*boundaries, 0);
    if (!row)
        return std::nullopt;
    return row->limits;
}

void assessRivers(Job& doc)
{
    Matrix& results = *doc.results;
    const int samples = results.nRows();
    const int sum1 = rescol::firstSum, sum2 = rescol::secondSum(doc.indexCount);

    const EqrRule tdi3 = EqrRuleFor(familyRivers, 1);
    const auto limits3 = firstRowLimits(doc.boundaries1.get());
    for (int s = 0; s < samples; ++s) {
        std::string& comment = doc.comments1[static_cast<std::size_t>(s)];
        bool noted = false;
        const double alkalinity =
            SubstituteChemistry(numtext::leadingNumber(HeaderText(doc, layout::alkalinityRow, s)), doc.defaultAlkalinity,
                                doc.alkMinTDI3, doc.alkMaxTDI3, alkalinityNotes, comment, noted);
        const int serial = numtext::leadingInteger(HeaderText(doc, layout::dateRow, s));
        if (IsBadDate(serial)) {
            if (noted)
                comment += "; ";
            comment += "Missing or bad date";
        }
        CompleteIndex(results, s, sum1, tdi3, ExpectedTDI3(alkalinity, SeasonOf(serial)), limits3, comment);
    }

    const EqrRule tdi4 = EqrRuleFor(familyRivers, 2);
    const auto limits4 = firstRowLimits(doc.boundaries2.get());
    for (int s = 0; s < samples; ++s) {
        std::string& comment = doc.comments2[static_cast<std::size_t>(s)];
        bool noted = false;
        const double alkalinity =
            SubstituteChemistry(numtext::leadingNumber(HeaderText(doc, layout::alkalinityRow, s)), doc.defaultAlkalinity,
                                doc.alkMinTDI4, doc.alkMaxTDI4, alkalinityNotes, comment, noted);
        CompleteIndex(results, s, sum2, tdi4, ExpectedTDI4(alkalinity), limits4, comment);
    }
}

void assessLakeIndex(Job& doc, int index)
{
    Matrix& results = *doc.results;
    const MemoryTable* boundaries = (index == 1 ? doc.boundaries1 : doc.boundaries2).get();
    std::vector<std::string>& comments = index == 1 ? doc.comments1 : doc.comments2;
    const int sumCol = index == 1 ? rescol::firstSum : rescol::secondSum(doc.indexCount);
    const EqrRule rule = EqrRuleFor(familyLakes, index);
    for (int s = 0; s < results.nRows(); ++s) {
        std::string& comment = comments[static_cast<std::size_t>(s)];
        const int row = boundaries ? FindLakeTypeRow(*boundaries, HeaderText(doc, layout::lakeTypeRow, s)) : -1;
        if (row < 0) {
            // Missing, not 0: an EQR of 0 would be the worst real value, and the site
            // means would average it in.
            comment = "Invalid type";
            MarkNotAssessed(results, s, sumCol);
            continue;
        }
        const std::optional<BoundaryRow> boundary = ReadBoundaryRow(*boundaries, row);
        if (!boundary) {
            MarkNotAssessed(results, s, sumCol);
            continue;
        }
        CompleteIndex(results, s, sumCol, rule, boundary->median, boundary->limits, comment);
    }
}

void assessDam(Job& doc)
{
    Matrix& results = *doc.results;
    const EqrRule rule = EqrRuleFor(familyDam, 1);
    const auto limits = firstRowLimits(doc.boundaries1.get());
    for (int s = 0; s < results.nRows(); ++s) {
        std::string& comment = doc.comments1[static_cast<std::size_t>(s)];
        bool noted = false;
        const double calcium = SubstituteChemistry(numtext::leadingNumber(HeaderText(doc, layout::calciumRow, s)),
                                                   doc.defaultCalcium, doc.calciumMin, doc.calciumMax, calciumNotes,
                                                   comment, noted);
        const double dissolved = SubstituteChemistry(numtext::leadingNumber(HeaderText(doc, layout::docRow, s)),
                                                     doc.defaultDOC, doc.docMin, doc.docMax, docNotes, comment, noted);
        CompleteIndex(results, s, rescol::firstSum, rule, ExpectedDAM(calcium, dissolved), limits, comment);
    }
}

void fillResultNames(Job& doc)
{
    const std::string first = Job::FirstIndexName(doc.family);
    const std::string second = Job::SecondIndexName(doc.family);
    std::vector<std::string>& names = doc.resultNames;
    names.assign(static_cast<std::size_t>(rescol::columnCount(doc.indexCount) + 1), "");
    names[0] = "Type";
    names[1] = "Sample sum";
    auto indexBlock = [&names](int sumCol, const std::string& index) {
        const std::size_t at = static_cast<std::size_t>(sumCol);
        names[at] = "Sum " + index;
        names[at + 1] = index;
        names[at + 2] = "e" + index;
        names[at + 3] = "EQR " + index;
        names[at + 4] = "Class " + index;
    };
    indexBlock(rescol::firstSum, first);
    if (doc.indexCount == 2)
        indexBlock(rescol::secondSum(doc.indexCount), second);
    const int offset = rescol::secondOffset(doc.indexCount);
    names[static_cast<std::size_t>(offset + 7)] = "% Planktic";
    names[static_cast<std::size_t>(offset + 8)] = "% Motile";
    names[static_cast<std::size_t>(offset + 9)] = "% Organic tolerant";
    names[static_cast<std::size_t>(offset + 10)] = "% Saline";
    names[static_cast<std::size_t>(offset + 11)] = "Comment " + first;
    // The second comment headers are written as the results have always been headed,
    // digit one and all, so that files made by earlier versions compare.
    if (doc.family == familyRivers)
        names[static_cast<std::size_t>(offset + 12)] = "Comment TD14";
    else if (doc.family == familyLakes)
        names[static_cast<std::size_t>(offset + 12)] = "Comment LTD12";
}

void appendScoreWarnings(Job& doc, int taxonCount)
{
    const char* const tail = "\r\nUse View Data to identify unmatched taxa\r\nA list of these will be saved in the results file.";
    if (doc.indexCount == 2) {
        if (doc.scoredCount1 == taxonCount && doc.scoredCount2 == taxonCount)
            return;
        doc.lackingCount1 = taxonCount - doc.scoredCount1;
        doc.lackingCount2 = taxonCount - doc.scoredCount2;
        const char* pattern = doc.family == familyLakes
                                  ? "\r\nWarning: %d taxa lack LTDI1 scores and %d lack LTDI2 scores in database."
                                  : "\r\nWarning: %d taxa lack TDI3 scores and %d lack TDI4 scores in database.";
        doc.summary += numtext::format(pattern, {static_cast<long long>(doc.lackingCount1),
                                                 static_cast<long long>(doc.lackingCount2)});
    } else {
        if (doc.scoredCount1 == taxonCount)
            return;
        doc.lackingCount1 = taxonCount - doc.scoredCount1;
        doc.summary += numtext::format("\r\nWarning: %d taxa lack DAM scores in database.",
                                       {static_cast<long long>(doc.lackingCount1)});
    }
    doc.summary += tail;
}

// An empty line and the number of flagged samples, when there are any. The warning line
// about unscored taxa ends without CR LF, the run's paragraphs with one.
void appendQualityCount(Job& doc)
{
    const int flagged = FlaggedSampleCount(JobSampleQuality(doc));
    if (flagged == 0)
        return;
    doc.summary += doc.summary.ends_with("\r\n") ? "\r\n" : "\r\n\r\n";
    doc.summary += numtext::format(kQualitySummaryPattern, {static_cast<long long>(flagged)});
}

// Whatever the reference data hold, no NaN or infinity is kept as a result.
void replaceNonFinite(Matrix& results)
{
    for (int r = 0; r < results.nRows(); ++r)
        for (int c = 0; c < results.nCols(); ++c)
            if (!std::isfinite(results(r, c)))
                results(r, c) = Matrix::missingValue;
}

}  // namespace

bool Job::Analyse()
{
    matchedCount = scoredCount1 = scoredCount2 = mappedCount = 0;
    lackingCount1 = lackingCount2 = 0;
    results.reset();
    indexCount = family == familyDam ? 1 : 2;
    analysed = false;
    if (taxa.empty() || !counts || counts->nCols() == 0)
        return false;

    if (!CheckEnvironmentalInputs(*this))
        return false;
    summary += "\r\n";
    BusyIndicator busy(ui);

    const int taxonCount = counts->nCols();
    const int samples = counts->nRows();
    comments1.assign(static_cast<std::size_t>(samples), "");
    comments2.assign(static_cast<std::size_t>(samples), "");

    // A taxon map gives rows only to taxa whose own codes match none; its paragraph says
    // which lines it used and which it could not.
    TaxonMapUse mapUse;
    if (taxonMap && masterTaxonList) {
        mapUse = UseTaxonMap(*taxonMap, taxa, taxonCount, *masterTaxonList, MasterCodeColumn(taxa));
        summary += TaxonMapParagraph(taxonMapPath, *taxonMap, mapUse, taxa);
    }
    mappedLine = mapUse.lines;
    mappedLine.resize(static_cast<std::size_t>(taxonCount), -1);
    mappedCount = mapUse.mappedCount;
    const TaxonMatch match = MatchTaxa(taxa, taxonCount, masterTaxonList.get(), FirstIndexName(family),
                                       indexCount == 2 ? SecondIndexName(family) : "",
                                       mapUse.rows.empty() ? nullptr : &mapUse.rows);
    matchedRow.assign(static_cast<std::size_t>(taxonCount), -1);
    scoredRow1.assign(static_cast<std::size_t>(taxonCount), -1);
    scoredRow2.assign(static_cast<std::size_t>(taxonCount), -1);
    for (std::size_t t = 0; t < match.profiles.size(); ++t) {
        matchedRow[t] = match.profiles[t].matchedRow;
        scoredRow1[t] = match.profiles[t].scoredRow1;
        scoredRow2[t] = match.profiles[t].scoredRow2;
    }
    matchedCount = match.matchedCount;
    scoredCount1 = match.scoredCount1;
    scoredCount2 = match.scoredCount2;

    results = std::make_unique<Matrix>(samples, rescol::columnCount(indexCount), 0.0);
    ComputeIndexValues(*counts, match.profiles, indexCount, *results);

    switch (family) {
    case familyLakes:
        assessLakeIndex(*this, 1);
        assessLakeIndex(*this, 2);
        break;
    case familyDam:
        assessDam(*this);
        break;
    default:
        assessRivers(*this);
        break;
    }
    replaceNonFinite(*results);

    fillResultNames(*this);
    appendScoreWarnings(*this, taxonCount);
    appendQualityCount(*this);
    analysedAt = civil::UtcTimeText(static_cast<std::int64_t>(std::time(nullptr)));

    modified = true;
    analysed = true;
    return true;
}
