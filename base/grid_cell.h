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

// Taxa that the analysis could not give a first-index score stand out in this colour.
inline constexpr Colour kUnscoredTaxonColour{255, 200, 200};
// A taxon matched through the job's taxon map (its own code is not in the list).
inline constexpr Colour kMappedTaxonColour{200, 225, 255};
