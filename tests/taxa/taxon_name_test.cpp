// Names taken apart as a botanist reads them: genus, species, rank and epithet, with
// authorities, qualifiers and the spellings of ranks set aside.
#include <gtest/gtest.h>

#include "taxa/taxon_name.h"

namespace {

using taxa::FoldName;
using taxa::ParseTaxonName;

TEST(TaxonName, FoldsEachPartOnItsOwn)
{
    struct Fold {
        const char* name;
        unsigned parts;
        const char* folded;
    };
    for (const Fold& f : std::vector<Fold>{
             {"  Nitzschia \t PALEA  ", taxa::kFoldCase | taxa::kFoldSpacing, "nitzschia palea"},
             {"Nitzschia  palea", taxa::kFoldCase, "nitzschia  palea"},
             {"K\xC3\xBCtz. \xC3\x86gir \xC3\x98strup \xC3\x89mile", taxa::kFoldAccents, "Kuetz. Aegir Oestrup Emile"},
             {"K\xC3\x9CTZ", taxa::kFoldCase, "k\xC3\xBCtz"},
             {"pseudo-augur (Grunow) O'Meara", taxa::kFoldAll, "pseudoaugur grunow omeara"},
             {"gregaria.", taxa::kFoldPunctuation, "gregaria"},
             {"var.\xC2\xA0palea", taxa::kFoldAll, "var palea"},
             {"bad \xFF byte", taxa::kFoldAll, "bad \xFF byte"},  // not UTF-8: kept as it is
         }) {
        EXPECT_EQ(FoldName(f.name, f.parts), f.folded) << f.name;
    }
}

TEST(TaxonName, KeysLeaveAuthoritiesAndRankSpellingsAside)
{
    struct Parse {
        const char* name;
        const char* key;
        const char* authority;
    };
    for (const Parse& p : std::vector<Parse>{
             {"Nitzschia palea", "nitzschia palea", ""},
             {"Nitzschia palea (K\xC3\xBCtz.) W.Sm.", "nitzschia palea", "kuetz w sm"},
             {"Nitzschia palea var. palea", "nitzschia palea var palea", ""},
             {"Nitzschia palea v palea", "nitzschia palea var palea", ""},
             {"Gomphonema parvulum f. saprophilum Lange-Bert. & E.Reichardt", "gomphonema parvulum f saprophilum",
              "langebert & e reichardt"},
             {"Gomphonema parvulum (K\xC3\xBCtz.) K\xC3\xBCtz. var. parvulum fo. saprophilum",
              "gomphonema parvulum var parvulum f saprophilum", "kuetz kuetz"},
             {"Achnanthidium minutissimum ssp. jackii", "achnanthidium minutissimum subsp jackii", ""},
             {"Navicula cryptocephala Kütz. sensu lato", "navicula cryptocephala", "kuetz sensu lato"},
             {"Navicula sp.", "navicula sp", ""},
             {"Navicula spp", "navicula sp", ""},
             {"Navicula cf. gregaria", "navicula gregaria", ""},
             {"Fragilaria capucina rumpens", "fragilaria capucina rumpens", ""},
             {"NITZSCHIA PALEA GRUNOW", "nitzschia palea", "grunow"},  // capitals alone
             {"NITZSCHIA PALEA VAR. TENUIROSTRIS GRUNOW", "nitzschia palea var tenuirostris", "grunow"},
             {"Eunotia bilunaris (Ehrenb.) Schaarschm. 1880", "eunotia bilunaris", "ehrenb schaarschm 1880"},
             {"", "", ""},
             {"(((", "", ""},
         }) {
        SCOPED_TRACE(p.name);
        const taxa::TaxonName name = ParseTaxonName(p.name);
        EXPECT_EQ(name.key(), p.key);
        EXPECT_EQ(name.authority, p.authority);
    }
    EXPECT_EQ(ParseTaxonName("Navicula cf. gregaria").qualifier, "cf");
    EXPECT_EQ(ParseTaxonName("Fragilaria capucina rumpens").keyWithoutRanks(),
              ParseTaxonName("Fragilaria capucina var. rumpens").keyWithoutRanks());
}

TEST(TaxonName, DifferencesInWords)
{
    struct Pair {
        const char* a;
        const char* b;
        const char* words;
    };
    for (const Pair& p : std::vector<Pair>{
             {"nitzschia  palea", "Nitzschia palea", "case and spacing"},
             {"Denticula kuetzingii", "Denticula k\xC3\xBCtzingii", "accents"},
             {"Nitzschia palea Kutz.", "Nitzschia palea", "the authority"},
             {"Nitzschia palea var palea", "Nitzschia palea v. palea", "the rank's abbreviation"},
             {"nitzschia palea f. palea", "Nitzschia palea var. palea Grunow", "case, the authority and the rank"},
             {"Navicula spp.", "Navicula sp.", "sp./spp."},
             {"Navicula cf. gregaria", "Navicula gregaria", "cf./aff."},
         }) {
        EXPECT_EQ(taxa::JoinedInWords(taxa::NameDifferences(p.a, ParseTaxonName(p.a), p.b, ParseTaxonName(p.b))),
                  p.words)
            << p.a << " | " << p.b;
    }
}

TEST(TaxonName, Utf8Check)
{
    EXPECT_TRUE(taxa::IsUtf8("K\xC3\xBCtz. \xEF\xBF\xBD"));
    EXPECT_FALSE(taxa::IsUtf8("K\xFCtz."));          // Latin-1
    EXPECT_FALSE(taxa::IsUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(taxa::IsUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(taxa::IsUtf8("end \xE2\x82"));      // cut short
}

}  // namespace
