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
