#include "metrics/taxon_map_use.h"

#include <filesystem>

#include "metrics/taxon_matching.h"
#include "refdb/memory_table.h"

std::vector<taxa::ListRow> MasterListRows(const MemoryTable& list, int codeColumn)
{
    const int nameColumn = list.FindColumn("TaxonName");
    std::vector<taxa::ListRow> rows(static_cast<std::size_t>(list.rowCount));
    for (int r = 0; r < list.rowCount; ++r) {
        taxa::ListRow& row = rows[static_cast<std::size_t>(r)];
        list.GetString(r, codeColumn, row.code);
        if (nameColumn >= 0)
            list.GetString(r, nameColumn, row.name);
    }
    return rows;
}

TaxonMapUse UseTaxonMap(const taxa::TaxonMap& map, const std::vector<TaxonEntry>& taxa, int taxonCount,
                        const MemoryTable& list, int codeColumn)
{
    TaxonMapUse use;
    use.rows.assign(static_cast<std::size_t>(taxonCount), -1);
    use.lines.assign(static_cast<std::size_t>(taxonCount), -1);
    use.problems = taxa::CheckTaxonMap(map, MasterListRows(list, codeColumn));
    std::vector<bool> unusable(map.lines.size(), false);
    for (const taxa::MapProblem& problem : use.problems)
        unusable[problem.index] = true;

    const MasterCodeIndex index(list, codeColumn);
    for (int t = 0; t < taxonCount && t < static_cast<int>(taxa.size()); ++t) {
        const std::string& code = taxa[static_cast<std::size_t>(t)].code;
        if (index.FirstRow(code) >= 0)
            continue;
        const taxa::MapLine* line = taxa::FindMapLine(map, code);
        if (!line)
            continue;
        const std::size_t k = static_cast<std::size_t>(line - map.lines.data());
        if (unusable[k])
            continue;
        const int row = index.FirstRow(line->mappedCode);
        if (row < 0)
            continue;
        use.rows[static_cast<std::size_t>(t)] = row;
        use.lines[static_cast<std::size_t>(t)] = static_cast<int>(k);
        ++use.mappedCount;
    }
    return use;
}

std::string TaxonMapParagraph(const std::string& mapPath, const taxa::TaxonMap& map, const TaxonMapUse& use,
                              const std::vector<TaxonEntry>& taxa)
{
    std::string text = "\r\nTaxon map:\t" + std::filesystem::path(mapPath).filename().string();
    text += "\r\n" + std::to_string(use.mappedCount) +
            (use.mappedCount == 1 ? " taxon" : " taxa") + " matched through the taxon map.";
    for (std::size_t t = 0; t < use.lines.size(); ++t) {
        if (use.lines[t] < 0)
            continue;
        const taxa::MapLine& line = map.lines[static_cast<std::size_t>(use.lines[t])];
        // The workbook's own code and name, and the list's code as the line gives it.
        const std::string& code = t < taxa.size() ? taxa[t].code : line.code;
        const std::string& name = t < taxa.size() && !taxa[t].name.empty() ? taxa[t].name : line.name;
        text += "\r\nline " + std::to_string(line.line) + ":\t" + code;
        if (!name.empty())
            text += " (" + name + ")";
        text += " as " + line.mappedCode;
        if (!line.mappedName.empty())
            text += " (" + line.mappedName + ")";
    }
    if (!use.problems.empty()) {
        text += "\r\nTaxon map lines not used:";
        for (const taxa::MapProblem& problem : use.problems)
            text += "\r\n" + problem.message;
    }
    return text + "\r\n";
}
