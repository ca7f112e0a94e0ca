#include "metrics/index_values.h"

#include <algorithm>

#include "base/parallel_ranges.h"
#include "matrix/matrix.h"

namespace {

// About this many counts to a thread at the least: fewer are quicker on one.
constexpr int kSamplesShared = 1 << 19;

// The index of a sample from its scored sum and its count-weighted score sum: the mean
// score (1 to 5) mapped onto 0 to 100. Under one valve in the whole sample, or nothing
// scored, there is no index.
double indexValue(double sampleSum, double scoredSum, double weightedSum)
{
    if (sampleSum < 1 || scoredSum == 0)
        return Matrix::missingValue;
    return 25.0 * (weightedSum / scoredSum) - 25.0;
}

}  // namespace

void ComputeIndexValues(const Matrix& counts, const std::vector<TaxonProfile>& taxa, int indexCount, Matrix& results)
{
    const int taxonCount = static_cast<int>(taxa.size());
    if (taxonCount > counts.nCols() || results.nRows() < counts.nRows())
        throw MatrixError("Index out of range");
    const bool twoIndices = indexCount == 2;
    const int sum2 = rescol::secondSum(indexCount);
    // Each sample is its own: a large job's samples are shared out among threads, each
    // writing only its samples' rows of the results.
    const int shortest = std::max(1, kSamplesShared / std::max(taxonCount, 1));
    ForEachRange(counts.nRows(), shortest, [&](int first, int last) {
        for (int s = first; s < last; ++s) {
            const double* row = counts.rowData(s);
            // Per sample, the taxa are added in job order, as a taxon-by-taxon pass would.
            double sampleSum = 0, planktic = 0, motile = 0, organic = 0, saline = 0;
            double scored1 = 0, weighted1 = 0, scored2 = 0, weighted2 = 0;
            for (int t = 0; t < taxonCount; ++t) {
                const TaxonProfile& taxon = taxa[static_cast<std::size_t>(t)];
                const double count = row[t];
                sampleSum += count;
                if (taxon.matchedRow >= 0) {
                    if (taxon.planktic)
                        planktic += count;
                    if (taxon.motile)
                        motile += count;
                    if (taxon.organicTolerant)
                        organic += count;
                    if (taxon.saline)
                        saline += count;
                }
                if (taxon.scoredRow1 >= 0) {
                    scored1 += count;
                    weighted1 += count * taxon.score1;
                }
                if (twoIndices && taxon.scoredRow2 >= 0) {
                    scored2 += count;
                    weighted2 += count * taxon.score2;
                }
            }
            if (sampleSum > 0.01) {
                planktic = planktic / sampleSum * 100;
                motile = motile / sampleSum * 100;
                organic = organic / sampleSum * 100;
                saline = saline / sampleSum * 100;
            }
            results(s, rescol::sampleSum) = sampleSum;
            results(s, rescol::planktic(indexCount)) = planktic;
            results(s, rescol::motile(indexCount)) = motile;
            results(s, rescol::organicTolerant(indexCount)) = organic;
            results(s, rescol::saline(indexCount)) = saline;
            results(s, rescol::firstSum) = scored1;
            results(s, rescol::firstSum + 1) = indexValue(sampleSum, scored1, weighted1);
            if (twoIndices) {
                results(s, sum2) = scored2;
                results(s, sum2 + 1) = indexValue(sampleSum, scored2, weighted2);
            }
        }
    });
}
