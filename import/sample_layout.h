#pragma once

#include <cstddef>
#include <string_view>

// The layout of a sample table, as the import reads it and the analysis, the grids and
// the results use it. Header rows are counted from 0 as the job keeps them (header row i
// is worksheet row i + 1 when the table starts in the first row).
namespace layout {

constexpr int sampleNameRow = 0;
constexpr int siteCodeRow = 1;
constexpr int dateRow = 2;
constexpr int alkalinityRow = 3;  // rivers
constexpr int lakeTypeRow = 3;    // lakes
constexpr int calciumRow = 4;     // DAM
constexpr int docRow = 5;         // DAM

// Header rows each family needs above the first taxon: through alkalinity or lake type
// for rivers and lakes, through DOC for DAM.
constexpr int headerRowsRiversLakes = alkalinityRow + 1;
constexpr int headerRowsDam = docRow + 1;

// Sampling dates are spreadsheet serial day numbers. Shown as dates (grids, preview,
// results workbook): numbers strictly between these two, so that a plain count such as
// 20000 keeps its digits. The analysis takes a date as good from the first to the last
// inclusive and treats anything else as a missing or bad date.
constexpr int earliestDateSerial = 20000;
constexpr int latestDateSerial = 60000;

inline bool ShownAsDate(double serial)
{
    return serial > earliestDateSerial && serial < latestDateSerial;
}

inline bool IsBadDate(int serial)
{
    return serial < earliestDateSerial || serial > latestDateSerial;
}

// A count is a number of valves, or a relative abundance where a lab enters those: never
// negative, always finite, and at most kMaxCount (millions are real, 1e200 is a typing
// slip). A cell outside this range stops the import, as a text among the counts does:
// one such number would give a sample an index, an EQR and a class with no meaning.
constexpr double kMaxCount = 1e9;

inline bool IsCountInRange(double count)
{
    return count >= 0.0 && count <= kMaxCount;  // false for a NaN too
}

// The longest text the import takes from a label, name or header cell, and the longest
// sheet name, in characters: far beyond any sample name, site code or taxon name, and
// short enough that every line of the results quoting one stays within the 32,767
// characters a results cell holds. A longer one (a paragraph pasted into a name cell, a
// damaged file) stops the import naming its cell, rather than the save naming a cell
// of the results.
constexpr std::size_t kMaxTextCharacters = 1000;

inline bool IsTextTooLong(std::string_view text)
{
    if (text.size() <= kMaxTextCharacters)
        return false;
    std::size_t characters = 0;  // UTF-8 lead bytes
    for (const char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return characters > kMaxTextCharacters;
}

}  // namespace layout
