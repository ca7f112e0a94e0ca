#pragma once

#include <vector>

#include "metrics/taxon_matching.h"

class Matrix;

// Result columns of the sample table. The second index's block starts secondOffset
// (5 with two indices, 0 with one) after the first's; the group percentages follow.
namespace rescol {
constexpr int sampleSum = 1;
constexpr int firstSum = 2;
constexpr int firstIndex = 3;
constexpr int firstExpected = 4;
constexpr int firstEqr = 5;
constexpr int firstClass = 6;
constexpr int indexBlockWidth = 5;
inline int secondOffset(int indexCount) { return indexCount == 2 ? 5 : 0; }
inline int secondSum(int indexCount) { return secondOffset(indexCount) + firstSum; }
inline int secondEqr(int indexCount) { return secondOffset(indexCount) + firstEqr; }
inline int secondClass(int indexCount) { return secondOffset(indexCount) + firstClass; }
inline int planktic(int indexCount) { return secondOffset(indexCount) + 7; }
inline int motile(int indexCount) { return secondOffset(indexCount) + 8; }
inline int organicTolerant(int indexCount) { return secondOffset(indexCount) + 9; }
inline int saline(int indexCount) { return secondOffset(indexCount) + 10; }
inline int columnCount(int indexCount) { return indexCount == 2 ? 17 : 12; }
}  // namespace rescol

// Fills the sample sums, the scored sums, the group percentages and the index values of
// results (samples x columnCount, all 0 on entry) from counts (samples x taxa).
void ComputeIndexValues(const Matrix& counts, const std::vector<TaxonProfile>& taxa, int indexCount, Matrix& results);
