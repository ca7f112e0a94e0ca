#pragma once

#include <string>

namespace wb {

// The letters of a 0-based column: 0 -> "A", 25 -> "Z", 26 -> "AA", 16383 -> "XFD"
// (bijective base 26, so it goes on past the widest sheet). Empty for a negative column.
std::string ColumnLetters(int col);
// The name of a 0-based cell: (6, 1) -> "B7".
std::string CellName(int row, int col);

}  // namespace wb
