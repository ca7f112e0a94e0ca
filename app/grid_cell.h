#pragma once

#include <optional>
#include <string>

// A cell background colour, 0 to 255 a channel.
struct CellColour {
    int red = 255;
    int green = 255;
    int blue = 255;
    bool operator==(const CellColour&) const = default;
};

// One cell of a read-only grid window, as the window shows it. Grid row 0 holds the
// column headings and grid column 0 the row numbers; the data start at row 1, column 1.
struct GridCell {
    std::string text;
    bool rightAligned = false;  // numbers, and the "..." that stands for a missing one
    std::optional<CellColour> background;
};

// Taxa that the analysis could not give a first-index score stand out in this colour.
inline constexpr CellColour kUnscoredTaxonColour{255, 200, 200};
// A taxon matched through the job's taxon map (its own code is not in the list).
inline constexpr CellColour kMappedTaxonColour{200, 225, 255};
