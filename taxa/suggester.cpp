#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "taxa/edit_distance.h"
#include "taxa/taxa.h"
#include "taxa/taxon_name.h"

namespace taxa {

namespace {

// Scores of the kinds of evidence, strongest first. A name's evidence always scores above
// kBestCodeScore, so that no likeness of codes ever outranks a name.
enum Score : int {
    kSameName = 100,
    kSameNameCaseSpacing = 98,
    kSameNameWriting = 96,      // accents or punctuation too
    kSameNameAuthority = 94,    // authority, rank abbreviation, cf./aff., sp./spp.
    kSameNameRank = 92,         // a rank word missing or another one
    kVarietyNamedAfter = 90,    // "X y" and "X y var. y"
    kOneLetter = 80,
    kSpeciesOfVariety = 70,     // "X y var. z" and "X y"
    kTwoLetters = 65,
    kVarietyOfSpecies = 55,     // "X y" and "X y var. z"
    kAnotherVariety = 50,       // "X y var. z" and "X y var. w"
    kThreeLetters = 45,
    kBestCodeScore = 40,
    kSameCodeWriting = 40,
    kCodeOneCharacter = 30,
    kCodeTwoCharacters = 20,
};

struct Entry {
    TaxonName parsed;
    std::string plain;  // the name with every part folded
    std::string key;
    std::string code;   // lower case, without spaces or punctuation
};

// Texts of equal value (keys, folded codes) with the rows that carry them, for the
// distance search.
struct TextGroup {
    std::string text;
    CharHistogram histogram{};
    std::vector<std::size_t> rows;
};

using RowsByText = std::unordered_map<std::string, std::vector<std::size_t>>;

struct GroupsByLength {
    std::vector<TextGroup> groups;
    std::vector<std::vector<std::size_t>> byLength;  // length -> indexes into groups

    void build(const RowsByText& rows)
    {
        for (const auto& [text, list] : rows) {
            if (text.empty())
                continue;
            groups.push_back({text, HistogramOf(text), list});
        }
        // The order of an unordered map is not the same on every run; candidates are
        // sorted in the end, but a fixed order keeps the search itself reproducible.
        std::sort(groups.begin(), groups.end(), [](const TextGroup& a, const TextGroup& b) { return a.text < b.text; });
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const std::size_t length = groups[g].text.size();
            if (byLength.size() <= length)
                byLength.resize(length + 1);
            byLength[length].push_back(g);
        }
    }

    // Every group within limit(length of the shorter text) edits of text; found(group, distance).
    template <typename Limit, typename Found>
    void near(const std::string& text, int widest, Limit limit, Found found) const
    {
        const CharHistogram histogram = HistogramOf(text);
        const std::size_t lowest = text.size() > static_cast<std::size_t>(widest) ? text.size() - widest : 0;
        const std::size_t highest = std::min(byLength.empty() ? 0 : byLength.size() - 1, text.size() + widest);
        for (std::size_t length = lowest; length <= highest && length < byLength.size(); ++length) {
            const int allowed = limit(std::min(length, text.size()));
            if (allowed <= 0 || static_cast<std::size_t>(std::abs(int(length) - int(text.size()))) > std::size_t(allowed))
                continue;
            for (std::size_t g : byLength[length]) {
                const TextGroup& group = groups[g];
                if (HistogramDifference(histogram, group.histogram) > 2 * allowed || group.text == text)
                    continue;
                const int distance = BoundedEditDistance(text, group.text, allowed);
                if (distance <= allowed)
                    found(group, distance);
            }
        }
    }
};

std::string withoutSpaces(std::string_view text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t')
            out += c;
    return out;
}

// A code in lower case, without spaces or punctuation.
std::string foldedCode(std::string_view code)
{
    return withoutSpaces(FoldName(code, kFoldAll));
}

// Distances a name of this many bytes may be from another and still suggest it: one
// letter in five, at most three.
int nameLimit(std::size_t length)
{
    return static_cast<int>(std::min<std::size_t>(3, length / 5));
}

// Codes are short and dense (AB123A): one character in three, at most two.
int codeLimit(std::size_t length)
{
    return static_cast<int>(std::min<std::size_t>(2, length / 3));
}

const char* rankInWords(std::string_view rank)
{
    if (rank == "f")
        return "form";
    if (rank == "subsp")
        return "subspecies";
    return "variety";
}

struct Candidate {
    int score = 0;
    std::string reason;
};

class Candidates {
public:
    void offer(std::size_t row, int score, std::string reason)
    {
        auto [it, added] = byRow_.try_emplace(row, Candidate{score, std::move(reason)});
        if (!added && it->second.score < score)
            it->second = Candidate{score, std::move(reason)};
    }
    bool has(std::size_t row, int score) const
    {
        auto it = byRow_.find(row);
        return it != byRow_.end() && it->second.score >= score;
    }
    const std::unordered_map<std::size_t, Candidate>& all() const { return byRow_; }

private:
    std::unordered_map<std::size_t, Candidate> byRow_;
};

}  // namespace

struct Suggester::Index {
    std::vector<ListRow> list;
    std::vector<Entry> entries;
    RowsByText byName, byPlain, byKey, byKeyWithoutRanks, bySpecies, byCode;
    GroupsByLength keys, codes;

    void nameEvidence(const Taxon& taxon, Candidates& found) const;
    void codeEvidence(const Taxon& taxon, Candidates& found) const;
};

Suggester::Suggester(std::vector<ListRow> list) : index_(std::make_unique<Index>())
{
    Index& x = *index_;
    x.list = std::move(list);
    x.entries.reserve(x.list.size());
    for (std::size_t row = 0; row < x.list.size(); ++row) {
        const ListRow& item = x.list[row];
        Entry entry;
        entry.parsed = ParseTaxonName(item.name);
        entry.plain = FoldName(item.name, kFoldAll);
        entry.key = entry.parsed.key();
        entry.code = foldedCode(item.code);
        if (!entry.plain.empty()) {
            x.byName[item.name].push_back(row);
            x.byPlain[entry.plain].push_back(row);
            x.byKey[entry.key].push_back(row);
            x.byKeyWithoutRanks[entry.parsed.keyWithoutRanks()].push_back(row);
            if (!entry.parsed.species.empty() && entry.parsed.species != "sp")
                x.bySpecies[entry.parsed.speciesKey()].push_back(row);
        }
        if (!entry.code.empty())
            x.byCode[entry.code].push_back(row);
        x.entries.push_back(std::move(entry));
    }
    x.keys.build(x.byKey);
    x.codes.build(x.byCode);
}

Suggester::~Suggester() = default;
Suggester::Suggester(Suggester&&) noexcept = default;
Suggester& Suggester::operator=(Suggester&&) noexcept = default;

const std::vector<ListRow>& Suggester::list() const
{
    return index_->list;
}

void Suggester::Index::nameEvidence(const Taxon& taxon, Candidates& found) const
{
    const TaxonName name = ParseTaxonName(taxon.name);
    const std::string plain = FoldName(taxon.name, kFoldAll);
    const std::string key = name.key();
    auto rowsOf = [](const RowsByText& map, const std::string& text) -> const std::vector<std::size_t>* {
        auto it = map.find(text);
        return it == map.end() ? nullptr : &it->second;
    };
    auto differences = [&](std::size_t row) {
        return NameDifferences(taxon.name, name, list[row].name, entries[row].parsed);
    };

    if (const auto* rows = rowsOf(byName, taxon.name))
        for (std::size_t row : *rows)
            found.offer(row, kSameName, "same name");
    if (const auto* rows = rowsOf(byPlain, plain))
        for (std::size_t row : *rows) {
            if (found.has(row, kSameNameCaseSpacing))
                continue;
            const std::vector<std::string> parts = differences(row);
            const bool writingOnly = std::all_of(parts.begin(), parts.end(), [](const std::string& part) {
                return part == "case" || part == "spacing";
            });
            found.offer(row, writingOnly ? kSameNameCaseSpacing : kSameNameWriting,
                        "same name apart from " + JoinedInWords(parts));
        }
    if (const auto* rows = rowsOf(byKey, key))
        for (std::size_t row : *rows)
            if (!found.has(row, kSameNameAuthority))
                found.offer(row, kSameNameAuthority, "same name apart from " + JoinedInWords(differences(row)));
    if (!name.infraspecific.empty())
        if (const auto* rows = rowsOf(byKeyWithoutRanks, name.keyWithoutRanks()))
            for (std::size_t row : *rows)
                if (!found.has(row, kSameNameRank))
                    found.offer(row, kSameNameRank, "same name apart from " + JoinedInWords(differences(row)));

    if (!name.species.empty() && name.species != "sp")
        if (const auto* rows = rowsOf(bySpecies, name.speciesKey()))
            for (std::size_t row : *rows) {
                const TaxonName& other = entries[row].parsed;
                const auto& mine = name.infraspecific;
                const auto& theirs = other.infraspecific;
                if (mine.empty() && theirs.size() == 1 && theirs[0].epithet == name.species)
                    found.offer(row, kVarietyNamedAfter,
                                std::string("same species, ") + rankInWords(theirs[0].rank) + " named after it");
                else if (theirs.empty() && mine.size() == 1 && mine[0].epithet == other.species)
                    found.offer(row, kVarietyNamedAfter,
                                std::string("same species, ") + rankInWords(mine[0].rank) + " named after it");
                else if (!mine.empty() && theirs.empty())
                    found.offer(row, kSpeciesOfVariety,
                                std::string("the species of this ") + rankInWords(mine[0].rank));
                else if (mine.empty() && !theirs.empty())
                    found.offer(row, kVarietyOfSpecies, std::string("a ") + rankInWords(theirs[0].rank) + " of this species");
                else if (entries[row].key != key && entries[row].parsed.keyWithoutRanks() != name.keyWithoutRanks())
                    found.offer(row, kAnotherVariety,
                                std::string("same species, another ") + rankInWords(mine[0].rank));
            }

    keys.near(key, 3, nameLimit, [&](const TextGroup& group, int distance) {
        static constexpr int kByDistance[] = {0, kOneLetter, kTwoLetters, kThreeLetters};
        static constexpr const char* kWords[] = {"", "one letter", "two letters", "three letters"};
        const std::string reason =
            distance == 1 && IsSwap(key, group.text) ? "name differs by two letters swapped"
                                                     : std::string("name differs by ") + kWords[distance];
        for (std::size_t row : group.rows)
            found.offer(row, kByDistance[distance], reason);
    });
}

void Suggester::Index::codeEvidence(const Taxon& taxon, Candidates& found) const
{
    const std::string code = foldedCode(taxon.code);
    if (code.empty())
        return;
    if (auto it = byCode.find(code); it != byCode.end())
        for (std::size_t row : it->second) {
            // Codes are matched without regard to case, so only spacing and punctuation are
            // left to tell apart.
            std::vector<std::string> parts;
            if (FoldName(taxon.code, kFoldCase | kFoldPunctuation) != FoldName(list[row].code, kFoldCase | kFoldPunctuation))
                parts.emplace_back("spacing");
            if (withoutSpaces(FoldName(taxon.code, kFoldCase)) != withoutSpaces(FoldName(list[row].code, kFoldCase)))
                parts.emplace_back("punctuation");
            found.offer(row, kSameCodeWriting,
                        parts.empty() ? std::string("same code") : "same code apart from " + JoinedInWords(parts));
        }
    codes.near(code, 2, codeLimit, [&](const TextGroup& group, int distance) {
        std::string reason;
        if (distance == 2) {
            reason = "same code apart from two characters";
        } else if (IsSwap(code, group.text)) {
            reason = "same code apart from two characters swapped";
        } else {
            // The character that differs: the first one after the common beginning.
            std::size_t at = 0;
            while (at < code.size() && at < group.text.size() && code[at] == group.text[at])
                ++at;
            const std::string& longer = code.size() >= group.text.size() ? code : group.text;
            const char differing = at < longer.size() ? longer[at] : 'a';
            reason = differing >= '0' && differing <= '9' ? "same code apart from a digit" : "same code apart from a letter";
        }
        for (std::size_t row : group.rows)
            found.offer(row, distance == 1 ? kCodeOneCharacter : kCodeTwoCharacters, reason);
    });
}

Suggestions Suggester::suggest(const Taxon& taxon, std::size_t limit) const
{
    limit = std::clamp<std::size_t>(limit, 1, 5);
    Candidates found;
    if (!FoldName(taxon.name, kFoldAll).empty())
        index_->nameEvidence(taxon, found);
    else
        index_->codeEvidence(taxon, found);

    std::vector<Suggestion> all;
    all.reserve(found.all().size());
    for (const auto& [row, candidate] : found.all()) {
        Suggestion s;
        s.row = row;
        s.code = index_->list[row].code;
        s.name = index_->list[row].name;
        s.score = candidate.score;
        s.reason = candidate.reason;
        all.push_back(std::move(s));
    }
    // Best first; equal scores in the list's order, which says nothing about which is
    // better: they are marked as tied and share a rank.
    std::sort(all.begin(), all.end(), [](const Suggestion& a, const Suggestion& b) {
        return a.score != b.score ? a.score > b.score : a.row < b.row;
    });
    Suggestions result;
    for (std::size_t k = 0; k < all.size(); ++k) {
        all[k].rank = k > 0 && all[k].score == all[k - 1].score ? all[k - 1].rank : static_cast<int>(k) + 1;
        all[k].tied = (k > 0 && all[k - 1].score == all[k].score) ||
                      (k + 1 < all.size() && all[k + 1].score == all[k].score);
    }
    for (std::size_t k = limit; k < all.size() && all[k].score == all[limit - 1].score; ++k)
        ++result.tiedLeftOff;
    if (all.size() > limit)
        all.resize(limit);
    result.best = std::move(all);
    return result;
}

}  // namespace taxa
