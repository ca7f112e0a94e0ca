#pragma once

#include <QString>

namespace grids {

// What a results column holds, in the manual's words, for its heading ("eTDI3", "CoC HG",
// "RoM-G/M" ...): the tooltip of the column's header. Empty for a heading it does not know
// (a sample's own header labels, the data view's column letters).
QString columnExplanation(const QString& heading);

// Whether a cell's text reads as a number ("45", "-1.5", "2e3"), so that it lines up with
// the numbers around it.
bool looksNumeric(const QString& text);

}  // namespace grids
