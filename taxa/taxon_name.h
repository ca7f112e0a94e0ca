#pragma once

// Taxon names as labs write them, reduced to what identifies the taxon. Lists of the same
// taxa differ in case, spacing, accents and punctuation, carry the authority or not
// ("Kütz.", "(Grunow) Lange-Bert."), and abbreviate the rank in several ways (var./var/v.,
// fo./f./forma, subsp./ssp.). The suggester compares names at each of these levels and
// says which differences it had to leave aside.

#include <string>
#include <string_view>
#include <vector>

namespace taxa {

// What a fold leaves aside; the parts combine with |.
enum FoldPart : unsigned {
    kFoldCase = 1,         // A-Z and accented capitals to lower case
    kFoldSpacing = 2,      // runs of white space (tabs, no-break spaces) to one space, none at the ends
    kFoldAccents = 4,      // ä ö ü to ae oe ue as botanical names write them, other accents dropped
    kFoldPunctuation = 8,  // hyphens and apostrophes dropped, other punctuation as spaces
    kFoldAll = 15,
};

// The name with the given parts folded. Bytes that are not UTF-8 stay as they are.
std::string FoldName(std::string_view name, unsigned parts);

// One rank below the species: "var. palea".
struct Infraspecific {
    std::string rank;     // "var", "f" or "subsp"; empty when the name gives no rank word
    std::string marker;   // the rank word as written, folded: "var.", "v", "fo.", "forma"
    std::string epithet;  // folded
};

// A name taken apart. Every text is folded (kFoldAll) unless said otherwise.
struct TaxonName {
    std::string genus;
    std::string species;         // "sp" for sp. and spp.; empty for a genus alone
    std::string speciesWritten;  // the species word as written, folded ("spp." or "sp")
    std::vector<Infraspecific> infraspecific;
    std::string authority;  // every word of the authorities, in order, space-separated
    std::string qualifier;  // "cf" or "aff" when the name carries one, else empty
    // The raw text of genus, species and epithets, space-separated: what is left to compare
    // for case and accents once authority and rank words are set aside.
    std::string core;

    // genus species [rank epithet]...: equal keys name the same taxon.
    std::string key() const;
    // The same without rank words, so that "X y z" meets "X y var. z".
    std::string keyWithoutRanks() const;
    // genus species.
    std::string speciesKey() const;
};

// Takes a name apart. Words after the species epithet that begin with a capital, end with
// a full stop, stand in parentheses or are particles (ex, in, et, &, de, van, ...) are
// authorities; a rank word followed by an epithet starts an infraspecific part; another
// lower-case word is an epithet without a rank word. A name in capitals alone has no case
// to tell authorities from epithets, so there every word after the species epithet that
// follows no rank word counts as authority.
TaxonName ParseTaxonName(std::string_view name);

// The differences between two names whose keys (or keys without ranks) are equal, in plain
// words and in a fixed order: "case", "spacing", "accents", "punctuation", "the authority",
// "the rank's abbreviation", "the rank", "cf./aff.", "sp./spp.". Empty when the names are
// byte for byte the same.
std::vector<std::string> NameDifferences(std::string_view a, const TaxonName& parsedA, std::string_view b,
                                         const TaxonName& parsedB);

// Whether the text is valid UTF-8 (no overlong forms, surrogates or stray bytes).
bool IsUtf8(std::string_view text);

// "case, spacing and the authority".
std::string JoinedInWords(const std::vector<std::string>& parts);

}  // namespace taxa
