// Suggestions at import: a 10,000-row master list and 1,000 unmatched taxa written as labs
// write them (case, spacing, authorities, rank abbreviations, typos, a missing variety,
// names the list lacks, codes without a name). Prints the time to index the list and to
// suggest for every taxon, best of five runs: wall-clock time, and the processor time of
// this process (the fairer figure on a machine that other work keeps busy).
//   taxa_bench [ROWS] [TAXA]
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "taxa/taxa.h"

namespace {

// A fixed sequence, so that every run measures the same lists.
class Sequence {
public:
    std::uint32_t next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    std::size_t below(std::size_t n) { return next() % n; }

private:
    std::uint32_t state_ = 20261208u;
};

const char* const kGenera[] = {"Achnanthidium", "Amphora", "Aulacoseira", "Cocconeis", "Cyclotella", "Cymbella",
                               "Diatoma", "Encyonema", "Eunotia", "Fragilaria", "Gomphonema", "Navicula",
                               "Nitzschia", "Pinnularia", "Planothidium", "Psammothidium", "Sellaphora",
                               "Stauroneis", "Surirella", "Tabellaria"};
const char* const kSyllables[] = {"pa", "le", "mi", "nu", "tis", "si", "ca", "pu", "ci", "na", "gra", "ri",
                                  "lan", "ce", "o", "la", "ta", "ven", "bi", "cu", "ro", "stra", "phi", "lum"};
const char* const kAuthors[] = {"K\xC3\xBCtz.", "(Grunow) Lange-Bert.", "Ehrenb.", "(Br\303\251b.) Cleve",
                                "Hust.", "W.Sm.", "Krammer"};

std::string epithet(Sequence& random)
{
    std::string word;
    const std::size_t syllables = 2 + random.below(3);
    for (std::size_t k = 0; k < syllables; ++k)
        word += kSyllables[random.below(std::size(kSyllables))];
    static const char* const kEndings[] = {"a", "um", "is", "ata", "ensis", "ii"};
    return word + kEndings[random.below(std::size(kEndings))];
}

std::vector<taxa::ListRow> masterList(std::size_t rows, Sequence& random)
{
    std::vector<taxa::ListRow> list;
    while (list.size() < rows) {
        const std::string genus = kGenera[random.below(std::size(kGenera))];
        const std::string species = epithet(random);
        std::string name = genus + " " + species;
        const std::size_t kind = random.below(10);
        if (kind == 0)
            name += " var. " + species;
        else if (kind == 1)
            name += " var. " + epithet(random);
        if (random.below(3) == 0)
            name += std::string(" ") + kAuthors[random.below(std::size(kAuthors))];
        std::string number = std::to_string(list.size());
        number.insert(0, number.size() < 5 ? 5 - number.size() : 0, '0');
        list.push_back({genus.substr(0, 2) + number + "A", name});
    }
    return list;
}

// A name as a lab might write it.
taxa::Taxon unmatched(const std::vector<taxa::ListRow>& list, Sequence& random)
{
    const taxa::ListRow& row = list[random.below(list.size())];
    std::string name = row.name;
    switch (random.below(8)) {
    case 0:
        for (char& c : name)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        break;
    case 1: name = "  " + name + " "; break;
    case 2: name += " K\xC3\xBCtz."; break;
    case 3: {
        const std::size_t at = 1 + random.below(name.size() - 1);
        name[at] = name[at] == 'e' ? 'a' : 'e';
        break;
    }
    case 4: {
        const std::size_t at = name.find(" var. ");
        if (at != std::string::npos)
            name.replace(at, 6, " v. ");
        break;
    }
    case 5: name = std::string(kGenera[random.below(std::size(kGenera))]) + " " + epithet(random); break;
    case 6: return {row.code.substr(0, 4) + row.code.substr(5), ""};
    default: name.erase(1 + random.below(name.size() - 1), 1); break;
    }
    return {"LAB" + std::to_string(random.next() % 100000), name};
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t rows = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
    const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000;
    Sequence random;
    const std::vector<taxa::ListRow> list = masterList(rows, random);
    std::vector<taxa::Taxon> taxa;
    for (std::size_t k = 0; k < count; ++k)
        taxa.push_back(unmatched(list, random));

    double bestIndex = 1e9, bestSuggest = 1e9, bestIndexCpu = 1e9, bestSuggestCpu = 1e9;
    std::size_t withSuggestions = 0, suggestions = 0, tiedFirst = 0;
    for (int run = 0; run < 5; ++run) {
        const std::clock_t startCpu = std::clock();
        const auto start = std::chrono::steady_clock::now();
        const taxa::Suggester suggester(list);
        const auto indexed = std::chrono::steady_clock::now();
        const std::clock_t indexedCpu = std::clock();
        withSuggestions = suggestions = tiedFirst = 0;
        for (const taxa::Taxon& taxon : taxa) {
            const taxa::Suggestions s = suggester.suggest(taxon);
            withSuggestions += s.best.empty() ? 0 : 1;
            suggestions += s.best.size();
            tiedFirst += !s.best.empty() && s.best[0].tied ? 1 : 0;
        }
        const auto done = std::chrono::steady_clock::now();
        const std::clock_t doneCpu = std::clock();
        bestIndexCpu = std::min(bestIndexCpu, double(indexedCpu - startCpu) / CLOCKS_PER_SEC);
        bestSuggestCpu = std::min(bestSuggestCpu, double(doneCpu - indexedCpu) / CLOCKS_PER_SEC);
        bestIndex = std::min(bestIndex, seconds(indexed - start));
        bestSuggest = std::min(bestSuggest, seconds(done - indexed));
    }
    std::printf("master list %zu rows, %zu unmatched taxa (best of 5 runs)\n", rows, count);
    std::printf("                       wall ms    cpu ms\n");
    std::printf("  index the list      %8.1f  %8.1f\n", bestIndex * 1e3, bestIndexCpu * 1e3);
    std::printf("  suggest for all     %8.1f  %8.1f  (%.1f us a taxon, cpu)\n", bestSuggest * 1e3, bestSuggestCpu * 1e3,
                bestSuggestCpu * 1e6 / count);
    std::printf("  total               %8.1f  %8.1f\n", (bestIndex + bestSuggest) * 1e3, (bestIndexCpu + bestSuggestCpu) * 1e3);
    std::printf("  %zu taxa with suggestions, %zu suggestions, %zu with a tie for first\n", withSuggestions, suggestions,
                tiedFirst);
    return 0;
}
