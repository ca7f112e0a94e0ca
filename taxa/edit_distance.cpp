#include "taxa/edit_distance.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace taxa {

int BoundedEditDistance(std::string_view a, std::string_view b, int limit)
{
    const int n = static_cast<int>(a.size());
    const int m = static_cast<int>(b.size());
    if (std::abs(n - m) > limit)
        return limit + 1;
    const int beyond = limit + 1;
    // Three rows of the table (a swap looks two rows back); cells outside the band
    // |i - j| <= limit hold `beyond`. Names fit the rows on the stack.
    constexpr int kStackRow = 128;
    int stackRows[3][kStackRow];
    std::vector<int> heapRows;
    int* rows[3];
    if (m < kStackRow) {
        for (int r = 0; r < 3; ++r)
            rows[r] = stackRows[r];
    } else {
        heapRows.resize(3 * static_cast<std::size_t>(m + 1));
        for (int r = 0; r < 3; ++r)
            rows[r] = heapRows.data() + r * (m + 1);
    }
    int* before = rows[0];
    int* previous = rows[1];
    int* current = rows[2];
    std::fill(before, before + m + 1, beyond);
    std::fill(previous, previous + m + 1, beyond);
    for (int j = 0; j <= std::min(m, limit); ++j)
        previous[j] = j;
    for (int i = 1; i <= n; ++i) {
        const int from = std::max(1, i - limit);
        const int to = std::min(m, i + limit);
        // Only the band and the cell on each side of it are read in the next row.
        for (int j = std::max(0, from - 2); j <= std::min(m, to + 1); ++j)
            current[j] = beyond;
        if (i <= limit)
            current[0] = i;
        int rowBest = i <= limit ? i : beyond;
        for (int j = from; j <= to; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int value = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                value = std::min(value, before[j - 2] + 1);
            current[j] = std::min(value, beyond);
            rowBest = std::min(rowBest, current[j]);
        }
        if (rowBest > limit)
            return beyond;
        int* oldest = before;
        before = previous;
        previous = current;
        current = oldest;
    }
    return std::min(previous[m], beyond);
}

bool IsSwap(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    std::size_t i = 0;
    while (i < a.size() && a[i] == b[i])
        ++i;
    if (i + 1 >= a.size() || a[i] != b[i + 1] || a[i + 1] != b[i] || a[i] == a[i + 1])
        return false;
    return a.substr(i + 2) == b.substr(i + 2);
}

CharHistogram HistogramOf(std::string_view text)
{
    CharHistogram counts{};
    for (char c : text) {
        std::size_t bin = 31;
        if (c >= 'a' && c <= 'z')
            bin = static_cast<std::size_t>(c - 'a');
        else if (c >= 'A' && c <= 'Z')
            bin = static_cast<std::size_t>(c - 'A');
        else if (c >= '0' && c <= '9')
            bin = 26 + static_cast<std::size_t>(c - '0') % 4;
        else if (c == ' ')
            bin = 30;
        if (counts[bin] < 255)
            ++counts[bin];
    }
    return counts;
}

int HistogramDifference(const CharHistogram& a, const CharHistogram& b)
{
#ifdef __SSE2__
    // The filter runs for every text of about the right length: one instruction sums the
    // differences of 16 counts.
    const __m128i low = _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data())),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.data())));
    const __m128i high = _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data() + 16)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.data() + 16)));
    const __m128i sum = _mm_add_epi64(low, high);
    return _mm_cvtsi128_si32(sum) + _mm_cvtsi128_si32(_mm_srli_si128(sum, 8));
#else
    int sum = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        sum += a[k] > b[k] ? a[k] - b[k] : b[k] - a[k];
    return sum;
#endif
}

}  // namespace taxa
