#include "taxa/taxon_name.h"

#include <algorithm>
#include <array>

namespace taxa {

namespace {

struct LatinLetter {
    const char* plain;
    char32_t lower;
};

// Latin-1 Supplement and Latin Extended-A letters from U+00C0 to U+017F: the letter
// without its accent (ae, oe, ue for the umlauts, as in botanical names) and the
// code point of its lower-case form. U+00D7 and U+00F7 are signs, not letters.
constexpr LatinLetter kLatinLetters[] = {
    {"A", 0x0E0}, {"A", 0x0E1}, {"A", 0x0E2}, {"A", 0x0E3}, {"Ae", 0x0E4}, {"Ao", 0x0E5},
    {"Ae", 0x0E6}, {"C", 0x0E7}, {"E", 0x0E8}, {"E", 0x0E9}, {"E", 0x0EA}, {"E", 0x0EB},
    {"I", 0x0EC}, {"I", 0x0ED}, {"I", 0x0EE}, {"I", 0x0EF}, {"D", 0x0F0}, {"N", 0x0F1},
    {"O", 0x0F2}, {"O", 0x0F3}, {"O", 0x0F4}, {"O", 0x0F5}, {"Oe", 0x0F6}, {"", 0x0D7},
    {"Oe", 0x0F8}, {"U", 0x0F9}, {"U", 0x0FA}, {"U", 0x0FB}, {"Ue", 0x0FC}, {"Y", 0x0FD},
    {"Th", 0x0FE}, {"ss", 0x0DF}, {"a", 0x0E0}, {"a", 0x0E1}, {"a", 0x0E2}, {"a", 0x0E3},
    {"ae", 0x0E4}, {"ao", 0x0E5}, {"ae", 0x0E6}, {"c", 0x0E7}, {"e", 0x0E8}, {"e", 0x0E9},
    {"e", 0x0EA}, {"e", 0x0EB}, {"i", 0x0EC}, {"i", 0x0ED}, {"i", 0x0EE}, {"i", 0x0EF},
    {"d", 0x0F0}, {"n", 0x0F1}, {"o", 0x0F2}, {"o", 0x0F3}, {"o", 0x0F4}, {"o", 0x0F5},
    {"oe", 0x0F6}, {"", 0x0F7}, {"oe", 0x0F8}, {"u", 0x0F9}, {"u", 0x0FA}, {"u", 0x0FB},
    {"ue", 0x0FC}, {"y", 0x0FD}, {"th", 0x0FE}, {"y", 0x0FF}, {"A", 0x101}, {"a", 0x101},
    {"A", 0x103}, {"a", 0x103}, {"A", 0x105}, {"a", 0x105}, {"C", 0x107}, {"c", 0x107},
    {"C", 0x109}, {"c", 0x109}, {"C", 0x10B}, {"c", 0x10B}, {"C", 0x10D}, {"c", 0x10D},
    {"D", 0x10F}, {"d", 0x10F}, {"D", 0x111}, {"d", 0x111}, {"E", 0x113}, {"e", 0x113},
    {"E", 0x115}, {"e", 0x115}, {"E", 0x117}, {"e", 0x117}, {"E", 0x119}, {"e", 0x119},
    {"E", 0x11B}, {"e", 0x11B}, {"G", 0x11D}, {"g", 0x11D}, {"G", 0x11F}, {"g", 0x11F},
    {"G", 0x121}, {"g", 0x121}, {"G", 0x123}, {"g", 0x123}, {"H", 0x125}, {"h", 0x125},
    {"H", 0x127}, {"h", 0x127}, {"I", 0x129}, {"i", 0x129}, {"I", 0x12B}, {"i", 0x12B},
    {"I", 0x12D}, {"i", 0x12D}, {"I", 0x12F}, {"i", 0x12F}, {"I", 0x130}, {"i", 0x131},
    {"Ij", 0x133}, {"ij", 0x133}, {"J", 0x135}, {"j", 0x135}, {"K", 0x137}, {"k", 0x137},
    {"k", 0x138}, {"L", 0x13A}, {"l", 0x13A}, {"L", 0x13C}, {"l", 0x13C}, {"L", 0x13E},
    {"l", 0x13E}, {"L", 0x140}, {"l", 0x140}, {"L", 0x142}, {"l", 0x142}, {"N", 0x144},
    {"n", 0x144}, {"N", 0x146}, {"n", 0x146}, {"N", 0x148}, {"n", 0x148}, {"n", 0x149},
    {"N", 0x14B}, {"n", 0x14B}, {"O", 0x14D}, {"o", 0x14D}, {"O", 0x14F}, {"o", 0x14F},
    {"O", 0x151}, {"o", 0x151}, {"Oe", 0x153}, {"oe", 0x153}, {"R", 0x155}, {"r", 0x155},
    {"R", 0x157}, {"r", 0x157}, {"R", 0x159}, {"r", 0x159}, {"S", 0x15B}, {"s", 0x15B},
    {"S", 0x15D}, {"s", 0x15D}, {"S", 0x15F}, {"s", 0x15F}, {"S", 0x161}, {"s", 0x161},
    {"T", 0x163}, {"t", 0x163}, {"T", 0x165}, {"t", 0x165}, {"T", 0x167}, {"t", 0x167},
    {"U", 0x169}, {"u", 0x169}, {"U", 0x16B}, {"u", 0x16B}, {"U", 0x16D}, {"u", 0x16D},
    {"U", 0x16F}, {"u", 0x16F}, {"U", 0x171}, {"u", 0x171}, {"U", 0x173}, {"u", 0x173},
    {"W", 0x175}, {"w", 0x175}, {"Y", 0x177}, {"y", 0x177}, {"Y", 0x0FF}, {"Z", 0x17A},
    {"z", 0x17A}, {"Z", 0x17C}, {"z", 0x17C}, {"Z", 0x17E}, {"z", 0x17E}, {"s", 0x17F},
};

// One character of a name and what it is for folding and parsing.
struct Glyph {
    enum class Kind { Space, Letter, Digit, Joiner, Dot, Open, Close, Ampersand, Punctuation, Other };
    Kind kind = Kind::Other;
    std::string_view bytes;  // as written
    char32_t code = 0;
    bool upper = false;
};

// Decodes one UTF-8 character at text[i] and advances i. A byte that does not begin a valid
// sequence is one character of its own, of kind Other.
Glyph nextGlyph(std::string_view text, std::size_t& i)
{
    Glyph g;
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    char32_t code = lead;
    if (lead >= 0x80) {
        std::size_t extra = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            code = lead & 0x07;
        }
        bool valid = extra > 0;
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            if (i + k >= text.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not characters.
        if (valid && ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
                      (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        if (valid)
            length = extra + 1;
        else
            code = 0xFFFD;
    }
    g.bytes = text.substr(i, length);
    g.code = code;
    i += length;

    if (code < 0x80) {
        const char c = static_cast<char>(code);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f')
            g.kind = Glyph::Kind::Space;
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            g.kind = Glyph::Kind::Letter;
            g.upper = c <= 'Z';
        } else if (c >= '0' && c <= '9')
            g.kind = Glyph::Kind::Digit;
        else if (c == '-' || c == '\'')
            g.kind = Glyph::Kind::Joiner;
        else if (c == '.')
            g.kind = Glyph::Kind::Dot;
        else if (c == '(' || c == '[')
            g.kind = Glyph::Kind::Open;
        else if (c == ')' || c == ']')
            g.kind = Glyph::Kind::Close;
        else if (c == '&')
            g.kind = Glyph::Kind::Ampersand;
        else if (code < 0x20 || code == 0x7F)
            g.kind = Glyph::Kind::Space;  // control characters separate words as a tab does
        else
            g.kind = Glyph::Kind::Punctuation;
        return g;
    }
    if (code == 0xA0 || (code >= 0x2000 && code <= 0x200B) || code == 0x202F || code == 0x205F || code == 0x3000)
        g.kind = Glyph::Kind::Space;
    else if (code == 0xD7 || code == 0xF7 || (code >= 0xA1 && code <= 0xBF) || code == 0x201C || code == 0x201D ||
             code == 0x201E || code == 0x2018 || code == 0x2026)
        g.kind = Glyph::Kind::Punctuation;
    else if (code == 0x2019 || code == 0x2010 || code == 0x2011 || code == 0x2013 || code == 0x2014)
        g.kind = Glyph::Kind::Joiner;  // typographic apostrophe and dashes
    else if (code >= 0xC0 && code <= 0x17F) {
        g.kind = Glyph::Kind::Letter;
        g.upper = kLatinLetters[code - 0xC0].lower != code;
    }
    return g;
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A letter with the case and accent parts of a fold applied.
void appendLetter(std::string& out, const Glyph& g, unsigned parts)
{
    if (g.code < 0x80) {
        const char c = static_cast<char>(g.code);
        out += (parts & kFoldCase) && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return;
    }
    const LatinLetter& letter = kLatinLetters[g.code - 0xC0];
    if (parts & kFoldAccents) {
        for (const char* p = letter.plain; *p; ++p)
            out += (parts & kFoldCase) && *p >= 'A' && *p <= 'Z' ? static_cast<char>(*p - 'A' + 'a') : *p;
        return;
    }
    if (parts & kFoldCase)
        appendUtf8(out, letter.lower);
    else
        out += g.bytes;
}

bool isParticle(std::string_view word)
{
    static constexpr std::array<std::string_view, 22> kParticles = {
        "ex", "in", "et", "emend", "sensu", "lato", "stricto", "auct", "auctt", "non", "nec", "nom",
        "de", "di", "da", "van", "von", "der", "den", "du", "le", "la"};
    for (std::string_view particle : kParticles)
        if (word == particle)
            return true;
    return false;
}

// The rank a rank word stands for, or empty.
std::string_view rankOf(std::string_view word)
{
    if (word == "var" || word == "v" || word == "variety" || word == "varietas")
        return "var";
    if (word == "f" || word == "fo" || word == "forma" || word == "form")
        return "f";
    if (word == "subsp" || word == "ssp" || word == "subspecies")
        return "subsp";
    return {};
}

struct Word {
    enum class Kind { Text, Open, Close, Ampersand };
    Kind kind = Kind::Text;
    std::string folded;  // kFoldAll, without the full stop
    std::string raw;     // as written, without the full stop
    bool dot = false;    // ended with a full stop
    bool capital = false;
    bool digits = false;  // holds a digit (a year)
};

std::vector<Word> wordsOf(std::string_view name, bool& anyLower)
{
    std::vector<Word> words;
    Word current;
    bool open = false;
    anyLower = false;
    auto finish = [&]() {
        if (open)
            words.push_back(std::move(current));
        current = Word{};
        open = false;
    };
    for (std::size_t i = 0; i < name.size();) {
        const Glyph g = nextGlyph(name, i);
        switch (g.kind) {
        case Glyph::Kind::Letter:
        case Glyph::Kind::Digit:
        case Glyph::Kind::Other:
            if (!open) {
                open = true;
                current.capital = g.upper;
            }
            if (g.kind == Glyph::Kind::Letter) {
                anyLower = anyLower || !g.upper;
                appendLetter(current.folded, g, kFoldAll);
            } else {
                current.digits = current.digits || g.kind == Glyph::Kind::Digit;
                current.folded += g.bytes;
            }
            current.raw += g.bytes;
            break;
        case Glyph::Kind::Joiner:
            if (open)
                current.raw += g.bytes;
            break;
        case Glyph::Kind::Dot:
            if (open) {
                current.dot = true;
                finish();
            }
            break;
        case Glyph::Kind::Open:
        case Glyph::Kind::Close:
        case Glyph::Kind::Ampersand:
            finish();
            current.kind = g.kind == Glyph::Kind::Open    ? Word::Kind::Open
                           : g.kind == Glyph::Kind::Close ? Word::Kind::Close
                                                          : Word::Kind::Ampersand;
            open = true;
            finish();
            break;
        case Glyph::Kind::Space:
        case Glyph::Kind::Punctuation: finish(); break;
        }
    }
    finish();
    return words;
}

void appendWord(std::string& text, std::string_view word)
{
    if (!text.empty())
        text += ' ';
    text += word;
}

}  // namespace

std::string FoldName(std::string_view name, unsigned parts)
{
    std::string out;
    out.reserve(name.size());
    bool pendingSpace = false;
    auto space = [&](std::string_view bytes) {
        if (parts & kFoldSpacing)
            pendingSpace = !out.empty();
        else
            out += bytes;
    };
    for (std::size_t i = 0; i < name.size();) {
        const Glyph g = nextGlyph(name, i);
        if (g.kind == Glyph::Kind::Space) {
            space(g.bytes);
            continue;
        }
        if (parts & kFoldPunctuation) {
            if (g.kind == Glyph::Kind::Joiner)
                continue;
            // Punctuation separates words as a space does; where spacing is compared, it
            // is dropped instead, so that "gregaria." and "gregaria" differ in punctuation only.
            if (g.kind == Glyph::Kind::Dot || g.kind == Glyph::Kind::Open || g.kind == Glyph::Kind::Close ||
                g.kind == Glyph::Kind::Punctuation) {
                if (parts & kFoldSpacing)
                    space(" ");
                continue;
            }
        }
        if (pendingSpace) {
            out += ' ';
            pendingSpace = false;
        }
        if (g.kind == Glyph::Kind::Letter)
            appendLetter(out, g, parts);
        else
            out += g.bytes;
    }
    return out;
}

std::string TaxonName::key() const
{
    std::string text = speciesKey();
    for (const Infraspecific& part : infraspecific) {
        if (!part.rank.empty())
            appendWord(text, part.rank);
        appendWord(text, part.epithet);
    }
    return text;
}

std::string TaxonName::keyWithoutRanks() const
{
    std::string text = speciesKey();
    for (const Infraspecific& part : infraspecific)
        appendWord(text, part.epithet);
    return text;
}

std::string TaxonName::speciesKey() const
{
    std::string text = genus;
    appendWord(text, species);
    return text;
}

TaxonName ParseTaxonName(std::string_view name)
{
    TaxonName parsed;
    bool anyLower = false;
    const std::vector<Word> words = wordsOf(name, anyLower);
    auto isQualifier = [](const Word& w) {
        return w.kind == Word::Kind::Text && (w.folded == "cf" || w.folded == "aff");
    };
    auto epithetLike = [&](const Word& w) {
        return w.kind == Word::Kind::Text && !w.dot && !w.digits && !isParticle(w.folded) &&
               rankOf(w.folded).empty() && (!anyLower || !w.capital);
    };
    std::size_t i = 0;
    // Genus, then the species epithet (or sp./spp.), with a qualifier allowed before it.
    for (; i < words.size() && parsed.genus.empty(); ++i)
        if (words[i].kind == Word::Kind::Text) {
            parsed.genus = words[i].folded;
            parsed.core = words[i].raw;
        }
    for (; i < words.size() && isQualifier(words[i]); ++i)
        parsed.qualifier = words[i].folded;
    if (i < words.size()) {
        const Word& w = words[i];
        if (w.kind == Word::Kind::Text && (w.folded == "sp" || w.folded == "spp")) {
            parsed.species = "sp";
            parsed.speciesWritten = w.folded + (w.dot ? "." : "");
            ++i;
        } else if (w.kind == Word::Kind::Text && !w.dot && !w.digits && rankOf(w.folded).empty()) {
            parsed.species = w.folded;
            parsed.speciesWritten = w.folded;
            appendWord(parsed.core, w.raw);
            ++i;
        }
    }
    int depth = 0;
    for (; i < words.size(); ++i) {
        const Word& w = words[i];
        if (w.kind == Word::Kind::Open) {
            ++depth;
            continue;
        }
        if (w.kind == Word::Kind::Close) {
            depth = depth > 0 ? depth - 1 : 0;
            continue;
        }
        if (depth == 0 && w.kind == Word::Kind::Text) {
            const std::string_view rank = rankOf(w.folded);
            const bool nextIsEpithet =
                i + 1 < words.size() && words[i + 1].kind == Word::Kind::Text && !words[i + 1].dot &&
                !words[i + 1].digits && !isParticle(words[i + 1].folded) && (!anyLower || !words[i + 1].capital);
            if (!rank.empty() && nextIsEpithet && !parsed.species.empty()) {
                parsed.infraspecific.push_back({std::string(rank), w.folded + (w.dot ? "." : ""), words[i + 1].folded});
                appendWord(parsed.core, words[i + 1].raw);
                ++i;
                continue;
            }
            if (isQualifier(w)) {
                parsed.qualifier = w.folded;
                continue;
            }
            if (anyLower && epithetLike(w) && !parsed.species.empty()) {
                parsed.infraspecific.push_back({std::string(), std::string(), w.folded});
                appendWord(parsed.core, w.raw);
                continue;
            }
        }
        if (w.kind == Word::Kind::Text)
            appendWord(parsed.authority, w.folded);
        else if (w.kind == Word::Kind::Ampersand)
            appendWord(parsed.authority, "&");
    }
    return parsed;
}

std::vector<std::string> NameDifferences(std::string_view a, const TaxonName& parsedA, std::string_view b,
                                         const TaxonName& parsedB)
{
    std::vector<std::string> parts;
    if (a == b)
        return parts;
    struct Level {
        FoldPart part;
        const char* words;
    };
    static constexpr Level kLevels[] = {{kFoldCase, "case"},
                                        {kFoldSpacing, "spacing"},
                                        {kFoldAccents, "accents"},
                                        {kFoldPunctuation, "punctuation"}};
    bool abbreviation = false;
    bool rank = false;
    const std::size_t shared = std::min(parsedA.infraspecific.size(), parsedB.infraspecific.size());
    for (std::size_t k = 0; k < shared; ++k) {
        const Infraspecific& x = parsedA.infraspecific[k];
        const Infraspecific& y = parsedB.infraspecific[k];
        if (x.rank != y.rank)
            rank = true;
        else if (x.marker != y.marker)
            abbreviation = true;
    }
    const bool qualifier = parsedA.qualifier != parsedB.qualifier;
    const bool speciesWord = parsedA.species == "sp" && parsedA.speciesWritten != parsedB.speciesWritten;
    const bool sameText = FoldName(a, kFoldAll) == FoldName(b, kFoldAll);
    const bool wordsDiffer = !sameText || abbreviation || rank || qualifier || speciesWord;
    // Names that differ in more than their writing are compared for case, accents and
    // punctuation on the words they share; authority and rank words are named on their own.
    const std::string_view textA = wordsDiffer ? std::string_view(parsedA.core) : a;
    const std::string_view textB = wordsDiffer ? std::string_view(parsedB.core) : b;
    for (const Level& level : kLevels) {
        if (level.part == kFoldSpacing && wordsDiffer && !sameText)
            continue;  // the shared words are joined by single spaces: nothing to compare
        const std::string_view x = level.part == kFoldSpacing ? a : textA;
        const std::string_view y = level.part == kFoldSpacing ? b : textB;
        if (FoldName(x, kFoldAll & ~level.part) != FoldName(y, kFoldAll & ~level.part))
            parts.emplace_back(level.words);
    }
    if (!wordsDiffer) {
        if (parts.empty())
            parts.emplace_back("spacing");  // differences that only show with two folds at once
        return parts;
    }
    if (parsedA.authority != parsedB.authority)
        parts.emplace_back("the authority");
    if (abbreviation)
        parts.emplace_back("the rank's abbreviation");
    if (rank)
        parts.emplace_back("the rank");
    if (qualifier)
        parts.emplace_back("cf./aff.");
    if (speciesWord)
        parts.emplace_back("sp./spp.");
    if (parts.empty())
        parts.emplace_back("punctuation");  // full stops and brackets alone
    return parts;
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const Glyph g = nextGlyph(text, i);
        if (g.code == 0xFFFD && g.bytes != "\xEF\xBF\xBD")
            return false;
    }
    return true;
}

std::string JoinedInWords(const std::vector<std::string>& parts)
{
    std::string text;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0)
            text += k + 1 == parts.size() ? " and " : ", ";
        text += parts[k];
    }
    return text;
}

}  // namespace taxa
