#pragma once

// A colour of the program's own drawing (grid cells, the site chart's classes), 0 to 255
// a channel; the windows and the painter turn it into their toolkit's colour.
struct Colour {
    int red = 255;
    int green = 255;
    int blue = 255;
    bool operator==(const Colour&) const = default;
};
