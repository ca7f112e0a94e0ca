// The analysis run of a job: taxon matching and index values, the environmental inputs
// and expected values, the EQR and class of every sample, the result headers and the
// warnings about taxa without scores.

#include <cmath>
#include <ctime>

#include "metrics/analysis.h"

#include "base/civil_date.h"
#include "import/user_interaction.h"
#include "matrix/number_format.h"
#include "metrics/each_sample.h"
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

void assessRivers(const ImportedSamples& in, Analysis& out)
{
    Matrix& results = *out.results;
    const int samples = results.nRows();
    const int sum1 = rescol::firstSum, sum2 = rescol::secondSum(out.indexCount);

    const EqrRule tdi3 = EqrRuleFor(familyRivers, 1);
    const auto limits3 = firstRowLimits(in.boundaries1.get());
    const EqrRule tdi4 = EqrRuleFor(familyRivers, 2);
    const auto limits4 = firstRowLimits(in.boundaries2.get());
    ForEachSample(samples, [&](int s) {
        std::string& comment = out.comments1[static_cast<std::size_t>(s)];
        bool noted = false;
        const double alkalinity =
            SubstituteChemistry(numtext::leadingNumber(HeaderText(in, layout::alkalinityRow, s)), in.defaultAlkalinity,
                                in.alkMinTDI3, in.alkMaxTDI3, alkalinityNotes, comment, noted);
        const int serial = numtext::leadingInteger(HeaderText(in, layout::dateRow, s));
        if (IsBadDate(serial)) {
            if (noted)
                comment += "; ";
            comment += "Missing or bad date";
        }
        CompleteIndex(results, s, sum1, tdi3, ExpectedTDI3(alkalinity, SeasonOf(serial)), limits3, comment);

        std::string& comment2 = out.comments2[static_cast<std::size_t>(s)];
        bool noted2 = false;
        const double alkalinity4 =
            SubstituteChemistry(numtext::leadingNumber(HeaderText(in, layout::alkalinityRow, s)), in.defaultAlkalinity,
                                in.alkMinTDI4, in.alkMaxTDI4, alkalinityNotes, comment2, noted2);
        CompleteIndex(results, s, sum2, tdi4, ExpectedTDI4(alkalinity4), limits4, comment2);
    });
}

void assessLakeIndex(const ImportedSamples& in, Analysis& out, int index)
{
    Matrix& results = *out.results;
    const MemoryTable* boundaries = (index == 1 ? in.boundaries1 : in.boundaries2).get();
    std::vector<std::string>& comments = index == 1 ? out.comments1 : out.comments2;
    const int sumCol = index == 1 ? rescol::firstSum : rescol::secondSum(out.indexCount);
    const EqrRule rule = EqrRuleFor(familyLakes, index);
    ForEachSample(results.nRows(), [&](int s) {
        std::string& comment = comments[static_cast<std::size_t>(s)];
        const int row = boundaries ? FindLakeTypeRow(*boundaries, HeaderText(in, layout::lakeTypeRow, s)) : -1;
        if (row < 0) {
            // Missing, not 0: an EQR of 0 would be the worst real value, and the site
            // means would average it in.
            comment = "Invalid type";
            MarkNotAssessed(results, s, sumCol);
            return;
        }
        const std::optional<BoundaryRow> boundary = ReadBoundaryRow(*boundaries, row);
        if (!boundary) {
            MarkNotAssessed(results, s, sumCol);
            return;
        }
        CompleteIndex(results, s, sumCol, rule, boundary->median, boundary->limits, comment);
    });
}

void assessDam(const ImportedSamples& in, Analysis& out)
{
    Matrix& results = *out.results;
    const EqrRule rule = EqrRuleFor(familyDam, 1);
    const auto limits = firstRowLimits(in.boundaries1.get());
    ForEachSample(results.nRows(), [&](int s) {
        std::string& comment = out.comments1[static_cast<std::size_t>(s)];
        bool noted = false;
        const double calcium = SubstituteChemistry(numtext::leadingNumber(HeaderText(in, layout::calciumRow, s)),
                                                   in.defaultCalcium, in.calciumMin, in.calciumMax, calciumNotes,
                                                   comment, noted);
        const double dissolved = SubstituteChemistry(numtext::leadingNumber(HeaderText(in, layout::docRow, s)),
                                                     in.defaultDOC, in.docMin, in.docMax, docNotes, comment, noted);
        CompleteIndex(results, s, rescol::firstSum, rule, ExpectedDAM(calcium, dissolved), limits, comment);
    });
}

void fillResultNames(const ImportedSamples& in, Analysis& out)
{
    const std::string first = FirstIndexName(in.family);
    const std::string second = SecondIndexName(in.family);
    std::vector<std::string>& names = out.resultNames;
    names.assign(static_cast<std::size_t>(rescol::columnCount(out.indexCount) + 1), "");
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
    if (out.indexCount == 2)
        indexBlock(rescol::secondSum(out.indexCount), second);
    const int offset = rescol::secondOffset(out.indexCount);
    names[static_cast<std::size_t>(offset + 7)] = "% Planktic";
    names[static_cast<std::size_t>(offset + 8)] = "% Motile";
    names[static_cast<std::size_t>(offset + 9)] = "% Organic tolerant";
    names[static_cast<std::size_t>(offset + 10)] = "% Saline";
    names[static_cast<std::size_t>(offset + 11)] = "Comment " + first;
    // The second comment headers are written as the results have always been headed,
    // digit one and all, so that files made by earlier versions compare.
    if (in.family == familyRivers)
        names[static_cast<std::size_t>(offset + 12)] = "Comment TD14";
    else if (in.family == familyLakes)
        names[static_cast<std::size_t>(offset + 12)] = "Comment LTD12";
}

void appendScoreWarnings(const ImportedSamples& in, Analysis& out, int taxonCount)
{
    const char* const tail = "\r\nUse View Data to identify unmatched taxa\r\nA list of these will be saved in the results file.";
    if (out.indexCount == 2) {
        if (out.scoredCount1 == taxonCount && out.scoredCount2 == taxonCount)
            return;
        out.lackingCount1 = taxonCount - out.scoredCount1;
        out.lackingCount2 = taxonCount - out.scoredCount2;
        const char* pattern = in.family == familyLakes
                                  ? "\r\nWarning: %d taxa lack LTDI1 scores and %d lack LTDI2 scores in database."
                                  : "\r\nWarning: %d taxa lack TDI3 scores and %d lack TDI4 scores in database.";
        out.summary += numtext::format(pattern, {static_cast<long long>(out.lackingCount1),
                                                 static_cast<long long>(out.lackingCount2)});
    } else {
        if (out.scoredCount1 == taxonCount)
            return;
        out.lackingCount1 = taxonCount - out.scoredCount1;
        out.summary += numtext::format("\r\nWarning: %d taxa lack DAM scores in database.",
                                       {static_cast<long long>(out.lackingCount1)});
    }
    out.summary += tail;
}

// An empty line and the number of flagged samples, when there are any. The warning line
// about unscored taxa ends without CR LF, the run's paragraphs with one.
void appendQualityCount(const ImportedSamples& in, Analysis& out)
{
    const int flagged = FlaggedSampleCount(SampleQualityOfAll(in, out));
    if (flagged == 0)
        return;
    out.summary += out.summary.ends_with("\r\n") ? "\r\n" : "\r\n\r\n";
    out.summary += numtext::format(kQualitySummaryPattern, {static_cast<long long>(flagged)});
}

// Whatever the reference data hold, no NaN or infinity is kept as a result.
void replaceNonFinite(Matrix& results)
{
    ForEachSample(results.nRows(), [&results](int s) {
        for (int c = 0; c < results.nCols(); ++c)
            if (!std::isfinite(results(s, c)))
                results(s, c) = Matrix::missingValue;
    });
}

// The run itself, once the inputs are checked: nothing here talks to the user.
void assess(const ImportedSamples& in, const TaxonMapChoice& taxonMap, Analysis& out)
{
    const int taxonCount = in.counts->nCols();
    const int samples = in.counts->nRows();
    out.comments1.assign(static_cast<std::size_t>(samples), "");
    out.comments2.assign(static_cast<std::size_t>(samples), "");

    // A taxon map gives rows only to taxa whose own codes match none; its paragraph says
    // which lines it used and which it could not.
    TaxonMapUse mapUse;
    if (taxonMap.map && in.masterTaxonList) {
        mapUse = UseTaxonMap(*taxonMap.map, in.taxa, taxonCount, *in.masterTaxonList, MasterCodeColumn(in.taxa));
        out.summary += TaxonMapParagraph(taxonMap.path, *taxonMap.map, mapUse, in.taxa);
    }
    out.mappedLine = mapUse.lines;
    out.mappedLine.resize(static_cast<std::size_t>(taxonCount), -1);
    out.mappedCount = mapUse.mappedCount;
    const TaxonMatch match = MatchTaxa(in.taxa, taxonCount, in.masterTaxonList.get(), FirstIndexName(in.family),
                                       out.indexCount == 2 ? SecondIndexName(in.family) : "",
                                       mapUse.rows.empty() ? nullptr : &mapUse.rows);
    out.matchedRow.assign(static_cast<std::size_t>(taxonCount), -1);
    out.scoredRow1.assign(static_cast<std::size_t>(taxonCount), -1);
    out.scoredRow2.assign(static_cast<std::size_t>(taxonCount), -1);
    for (std::size_t t = 0; t < match.profiles.size(); ++t) {
        out.matchedRow[t] = match.profiles[t].matchedRow;
        out.scoredRow1[t] = match.profiles[t].scoredRow1;
        out.scoredRow2[t] = match.profiles[t].scoredRow2;
    }
    out.matchedCount = match.matchedCount;
    out.scoredCount1 = match.scoredCount1;
    out.scoredCount2 = match.scoredCount2;

    out.results = std::make_unique<Matrix>(samples, rescol::columnCount(out.indexCount), 0.0);
    ComputeIndexValues(*in.counts, match.profiles, out.indexCount, *out.results);

    switch (in.family) {
    case familyLakes:
        assessLakeIndex(in, out, 1);
        assessLakeIndex(in, out, 2);
        break;
    case familyDam:
        assessDam(in, out);
        break;
    default:
        assessRivers(in, out);
        break;
    }
    replaceNonFinite(*out.results);

    fillResultNames(in, out);
    appendScoreWarnings(in, out, taxonCount);
    if (out.lackingCount1 > 0 || out.lackingCount2 > 0) {
        // Only the taxa listed: in a large job the rest would cost a pass over all counts.
        std::vector<std::uint8_t> lacking(static_cast<std::size_t>(taxonCount), 0);
        for (std::size_t t = 0; t < lacking.size(); ++t)
            lacking[t] = out.scoredRow1[t] < 0 || (out.indexCount == 2 && out.scoredRow2[t] < 0);
        out.perTaxon = std::make_unique<Matrix>(in.counts->countmaxn2OfColumns(lacking));
    }
    appendQualityCount(in, out);
}

}  // namespace

std::optional<Analysis> Analyse(const ImportedSamples& in, const TaxonMapChoice& taxonMap, UserInteraction& ui)
{
    Analysis out;
    out.indexCount = in.family == familyDam ? 1 : 2;
    if (in.taxa.empty() || !in.counts || in.counts->nCols() == 0)
        return std::nullopt;

    if (!CheckEnvironmentalInputs(in, ui, out.summary))
        return std::nullopt;
    out.summary += "\r\n";
    if (!ui.runLong("Analysing " + in.title, [&](WorkProgress&) { assess(in, taxonMap, out); }))
        return std::nullopt;
    out.analysedAt = civil::UtcTimeText(static_cast<std::int64_t>(std::time(nullptr)));
    return out;
}

std::string SummaryText(const ImportedSamples& samples, const Analysis* analysis)
{
    return analysis ? samples.summary + analysis->summary : samples.summary;
}
