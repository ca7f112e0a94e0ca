#include "metrics/taxon_matching.h"

#include <cstdint>

#include "base/ascii_case.h"
#include "refdb/memory_table.h"

int MasterCodeColumn(const std::vector<TaxonEntry>& taxa)
{
    for (const TaxonEntry& taxon : taxa) {
        const std::string_view prefix = std::string_view(taxon.code).substr(0, 3);
        if (prefix == "NBN" || prefix == "NHM")
            return 0;
    }
    return 1;
}

MasterCodeIndex::MasterCodeIndex(const MemoryTable& list, int codeColumn)
{
    firstRow_.reserve(static_cast<std::size_t>(list.rowCount));
    std::string code;
    for (int row = 0; row < list.rowCount; ++row)
        if (list.GetString(row, codeColumn, code))
            firstRow_.try_emplace(foldedCopy(code), row);  // a later duplicate keeps the first row
}

int MasterCodeIndex::FirstRow(std::string_view code) const
{
    const auto found = firstRow_.find(foldedCopy(code));
    return found == firstRow_.end() ? -1 : found->second;
}

namespace {

// A score counts only when it is a number above 0.
bool positiveScore(const MemoryTable& list, int row, int col, double& score)
{
    double value = 0;
    if (col < 0 || !list.GetDouble(row, col, value) || !(value > 0))
        return false;
    score = value;
    return true;
}

bool flag(const MemoryTable& list, int row, int col)
{
    std::uint8_t value = 0;
    return col >= 0 && list.GetBool(row, col, value) && value != 0;
}

}  // namespace

TaxonMatch MatchTaxa(const std::vector<TaxonEntry>& taxa, int taxonCount, const MemoryTable* list,
                     std::string_view firstScoreField, std::string_view secondScoreField,
                     const std::vector<int>* mappedRows)
{
    TaxonMatch match;
    match.profiles.resize(static_cast<std::size_t>(taxonCount));
    if (!list)
        return match;

    const MasterCodeIndex index(*list, MasterCodeColumn(taxa));
    const int score1Col = list->FindColumn(firstScoreField);
    const int score2Col = secondScoreField.empty() ? -1 : list->FindColumn(secondScoreField);
    const int planktic = list->FindColumn("Planktic");
    const int motile = list->FindColumn("Motile");
    const int organicTolerant = list->FindColumn("OrganicTolerant");
    const int saline = list->FindColumn("Saline");

    for (int t = 0; t < taxonCount && t < static_cast<int>(taxa.size()); ++t) {
        TaxonProfile& profile = match.profiles[static_cast<std::size_t>(t)];
        int row = index.FirstRow(taxa[static_cast<std::size_t>(t)].code);
        if (row < 0 && mappedRows && t < static_cast<int>(mappedRows->size()))
            row = (*mappedRows)[static_cast<std::size_t>(t)];
        if (row < 0 || row >= list->rowCount)
            continue;
        profile.matchedRow = row;
        ++match.matchedCount;
        if (positiveScore(*list, row, score1Col, profile.score1)) {
            profile.scoredRow1 = row;
            ++match.scoredCount1;
        }
        if (positiveScore(*list, row, score2Col, profile.score2)) {
            profile.scoredRow2 = row;
            ++match.scoredCount2;
        }
        profile.planktic = flag(*list, row, planktic);
        profile.motile = flag(*list, row, motile);
        profile.organicTolerant = flag(*list, row, organicTolerant);
        profile.saline = flag(*list, row, saline);
    }
    return match;
}
