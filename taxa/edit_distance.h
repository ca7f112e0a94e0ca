#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// Edit distances between short folded texts (names, codes), bounded so that a comparison
// with a text far away costs little.
namespace taxa {

// The optimal string alignment distance (insertions, deletions, substitutions and swaps of
// two neighbouring characters, each 1) between a and b when it is at most limit, else
// limit + 1. Bytes are compared, so an accented letter left in a folded text counts as two.
int BoundedEditDistance(std::string_view a, std::string_view b, int limit);

// Whether b is a with two neighbouring characters swapped.
bool IsSwap(std::string_view a, std::string_view b);

// How many times each letter, digit and other byte occurs (at most 255 each). Each edit
// changes the sum of the differences of two histograms by at most 2, so a sum above 2k
// rules out a distance of k or less before any distance is computed.
using CharHistogram = std::array<std::uint8_t, 32>;
CharHistogram HistogramOf(std::string_view text);
int HistogramDifference(const CharHistogram& a, const CharHistogram& b);

}  // namespace taxa
