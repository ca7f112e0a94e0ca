#include "import/not_imported.h"

namespace {

constexpr int kFirstSampleNameColumn = 2;  // column C: A and B hold labels and taxon names

std::vector<std::string> filledBetween(const std::vector<std::string>& texts, int begin, int end)
{
    std::vector<std::string> filled;
    for (int i = begin < 0 ? 0 : begin; i < end && i < static_cast<int>(texts.size()); ++i)
        if (!texts[static_cast<std::size_t>(i)].empty())
            filled.push_back(texts[static_cast<std::size_t>(i)]);
    return filled;
}

std::string line(const std::vector<std::string>& names, const char* one, const char* many, const char* where)
{
    std::string text = "Not imported: " + std::to_string(names.size()) + " " + (names.size() == 1 ? one : many) +
                       " " + where + ": ";
    for (std::size_t i = 0; i < names.size() && i < kMaxNamesListed; ++i)
        text += (i ? ", " : "") + names[i];
    if (names.size() > kMaxNamesListed)
        text += " and " + std::to_string(names.size() - kMaxNamesListed) + " more";
    return text;
}

}  // namespace

std::vector<std::string> NotImportedLines(const NotImportedInput& input)
{
    std::vector<std::string> lines;
    const int sampleEnd = input.firstColumn + input.sampleCount;
    const int taxonEnd = input.firstRow + input.taxonCount;
    const int nameEnd = static_cast<int>(input.nameRow.size());
    const int codeEnd = static_cast<int>(input.codeColumn.size());

    const std::vector<std::string> before = filledBetween(input.nameRow, kFirstSampleNameColumn, input.firstColumn);
    if (!before.empty())
        lines.push_back(line(before, "sample name", "sample names", "left of the first data column"));
    const std::vector<std::string> after = filledBetween(input.nameRow, sampleEnd, nameEnd);
    if (!after.empty())
        lines.push_back(line(after, "sample name", "sample names", "right of the empty cell that ended row 1"));
    const std::vector<std::string> below = filledBetween(input.codeColumn, taxonEnd, codeEnd);
    if (!below.empty())
        lines.push_back(line(below, "taxon code", "taxon codes", "below the empty cell that ended column A"));
    return lines;
}
