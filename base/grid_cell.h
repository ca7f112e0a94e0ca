#pragma once

#include <optional>
#include <string>

#include "base/colour.h"


// One cell of a read-only grid window, as the window shows it. Grid row 0 holds the
// column headings and grid column 0 the row numbers; the data start at row 1, column 1.
struct GridCell {
    std::string text;
    bool rightAligned = false;  // numbers, and the "..." that stands for a missing one
    std::optional<Colour> background;
    // What a copy of the cell puts on the clipboard where that is not its text: a number
    // in full where the text rounds it, nothing for a missing value, so that a block pasted
    // into a spreadsheet keeps every digit and holds no "..." text cells.
    std::optional<std::string> copied;
};

// The cell of grid column 0: the row's number, right-aligned as the numbers are.
inline GridCell RowNumberCell(int row)
{
    GridCell cell;
    cell.text = std::to_string(row);
    cell.rightAligned = true;
    return cell;
}

// Taxa that the analysis could not give a first-index score stand out in this colour.
inline constexpr Colour kUnscoredTaxonColour{255, 200, 200};
// A taxon matched through the job's taxon map (its own code is not in the list).
inline constexpr Colour kMappedTaxonColour{200, 225, 255};
