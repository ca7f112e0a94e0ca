#pragma once

#include <string>
#include <vector>

// Filled cells that the import did not take, so that a user who chose the wrong first
// column or left a blank row in the taxa sees it in the summary at once.
//
// The import takes the sample names of row 1 from the first data column up to the first
// empty cell, and the taxon codes of column A from the first data row down to the first
// empty cell. Left out and told: sample names between column C (columns A and B hold the
// labels and the taxon names) and the first data column, sample names right of the cell
// that ended them, and taxon codes below the cell that ended them.
struct NotImportedInput {
    std::vector<std::string> nameRow;       // the texts of row 1, from column A (empty for an empty cell)
    int firstColumn = 0;                    // 0-based, the first sample's column
    int sampleCount = 0;
    std::vector<std::string> codeColumn;    // the texts of column A, from row 1
    int firstRow = 0;                       // 0-based, the first taxon's row
    int taxonCount = 0;
};

// One line per kind of cell left out, each "Not imported: " and how many and which (at
// most five, then "and N more"); nothing when every filled cell was taken.
std::vector<std::string> NotImportedLines(const NotImportedInput& input);

// The most names a line lists.
inline constexpr std::size_t kMaxNamesListed = 5;
