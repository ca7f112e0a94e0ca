// Names as real lab lists write them, against the bundled demonstration list: each kind of
// difference is a table, and every row of a table must put the right list row first, alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "taxa/taxa.h"
#include "tests/taxa/demo_list.h"

namespace {

using taxa::Suggester;
using taxa::Suggestions;
using taxa_test::DemoList;

struct Case {
    const char* written;   // the workbook's name
    const char* expected;  // the code of the row it stands for
    const char* reason;    // the reason given for that row
};

struct Tally {
    int cases = 0;
    int first = 0;  // the right row first and not tied
    ~Tally()
    {
        if (cases > 0)
            std::cout << "[ top-1 ] " << first << " of " << cases << " names put the right row first, alone\n";
    }
};
Tally tally;

// Every case of the table: the expected row first, not tied with another, with the reason.
void expectFirst(const Suggester& suggester, const std::vector<Case>& table)
{
    for (const Case& c : table) {
        SCOPED_TRACE(c.written);
        const Suggestions s = suggester.suggest({"XX000X", c.written});
        ++tally.cases;
        ASSERT_FALSE(s.best.empty());
        EXPECT_EQ(s.best[0].code, c.expected) << s.best[0].name << " (" << s.best[0].reason << ")";
        EXPECT_EQ(s.best[0].reason, c.reason);
        EXPECT_FALSE(s.best[0].tied);
        EXPECT_EQ(s.best[0].rank, 1);
        if (s.best[0].code == c.expected && !s.best[0].tied)
            ++tally.first;
        for (std::size_t k = 1; k < s.best.size(); ++k)
            EXPECT_LT(s.best[k].score, s.best[0].score) << s.best[k].name;
    }
}

const Suggester& demoSuggester()
{
    static const Suggester suggester(DemoList());
    return suggester;
}

TEST(Suggester, CaseAndSpacing)
{
    expectFirst(demoSuggester(), {
        {"Nitzschia palea", "NI259A", "same name"},
        {"nitzschia palea", "NI259A", "same name apart from case"},
        {"NITZSCHIA PALEA", "NI259A", "same name apart from case"},
        {"Nitzschia  palea", "NI259A", "same name apart from spacing"},
        {"Gomphonema parvulum ", "GO172A", "same name apart from spacing"},
        {" gomphonema\tParvulum", "GO172A", "same name apart from case and spacing"},
        {"Achnanthidium\xC2\xA0minutissimum", "AC002A", "same name apart from spacing"},  // no-break space
    });
}

TEST(Suggester, AccentsAndPunctuation)
{
    expectFirst(demoSuggester(), {
        {"Denticula k\xC3\xBCtzingii", "DE087A", "same name apart from accents"},  // ü written for ue
        {"Cymbella h\xC3\xA9lvetica", "CY077A", "same name apart from accents"},
        {"Gomphonema pseudo-augur", "GO185A", "same name apart from punctuation"},
        {"Navicula gregaria.", "NA226A", "same name apart from punctuation"},
        {"DENTICULA K\xC3\x9CTZINGII", "DE087A", "same name apart from case and accents"},
    });
}

TEST(Suggester, Authorities)
{
    expectFirst(demoSuggester(), {
        {"Nitzschia palea (K\xC3\xBCtz.) W.Sm.", "NI259A", "same name apart from the authority"},
        {"Achnanthidium minutissimum (K\xC3\xBCtz.) Czarn.", "AC002A", "same name apart from the authority"},
        {"Planothidium lanceolatum (Br\303\251b. ex K\xC3\xBCtz.) Lange-Bert.", "PL310A",
         "same name apart from the authority"},
        {"Eunotia bilunaris (Ehrenb.) Schaarschm.", "EU124A", "same name apart from the authority"},
        {"Fragilaria capucina var. rumpens", "FR001A", "same name apart from the authority"},
        {"Fragilaria capucina var. rumpens (K\xC3\xBCtz.) Lange-Bert.", "FR001A", "same name apart from the authority"},
        {"Cocconeis placentula var. euglypta", "CO386A", "same name apart from the authority"},
        {"Navicula lanceolata (C.Agardh) Ehrenb. 1838", "NA224A", "same name apart from the authority"},
        {"navicula tripunctata (O.F.M\xC3\xBCller) Bory", "NA227A", "same name apart from case and the authority"},
    });
}

TEST(Suggester, RankAbbreviations)
{
    expectFirst(demoSuggester(), {
        {"Fragilaria capucina v. rumpens K\xC3\xBCtz.", "FR001A", "same name apart from the rank's abbreviation"},
        {"Fragilaria capucina var rumpens K\xC3\xBCtz.", "FR001A", "same name apart from the rank's abbreviation"},
        {"Cocconeis placentula v. euglypta", "CO386A", "same name apart from the authority and the rank's abbreviation"},
        {"Fragilaria capucina rumpens", "FR001A", "same name apart from the authority and the rank"},
        {"Cocconeis placentula fo. euglypta", "CO386A", "same name apart from the authority and the rank"},
    });
}

TEST(Suggester, OneLetterTypos)
{
    expectFirst(demoSuggester(), {
        {"Nitzschia pallea", "NI259A", "name differs by one letter"},
        {"Gomphonema parvolum", "GO172A", "name differs by one letter"},
        {"Achnanthidium minutisimum", "AC002A", "name differs by one letter"},
        {"Nitzchia dissipata", "NI260A", "name differs by one letter"},
        {"Cymbella afinis K\xC3\xBCtz.", "CY074A", "name differs by one letter"},
        {"Navicula gregraia", "NA226A", "name differs by two letters swapped"},
        {"Amphora pedicullus", "AM023A", "name differs by one letter"},
    });
}

// Lists that write the species' own variety ("X y var. y") where the workbook has the
// species alone, and the other way round.
TEST(Suggester, MissingVarietyPart)
{
    std::vector<taxa::ListRow> list = DemoList();
    for (taxa::ListRow& row : list)
        if (row.code == "NI259A" || row.code == "GO172A" || row.code == "AC002A")
            row.name += " var. " + row.name.substr(row.name.find(' ') + 1);
    list.push_back({"NI999A", "Nitzschia plana"});
    const Suggester autonyms(list);
    expectFirst(autonyms, {
        {"Nitzschia palea", "NI259A", "same species, variety named after it"},
        {"Gomphonema parvulum (K\xC3\xBCtz.) K\xC3\xBCtz.", "GO172A", "same species, variety named after it"},
        {"achnanthidium minutissimum", "AC002A", "same species, variety named after it"},
    });
    expectFirst(demoSuggester(), {
        {"Nitzschia palea var. palea", "NI259A", "same species, variety named after it"},
        {"Cocconeis placentula var. placentula", "CO054A", "same species, variety named after it"},
        {"Achnanthidium minutissimum f. minutissimum", "AC002A", "same species, form named after it"},
        {"Cocconeis placentula var. lineata", "CO054A", "the species of this variety"},
        {"Fragilaria capucina var. vaucheriae", "FR152A", "the species of this variety"},
    });
    // A name one letter from the taxon's species does not outrank the species itself.
    const Suggestions palea = autonyms.suggest({"NI000X", "Nitzschia palea"});
    ASSERT_GE(palea.best.size(), 2u);
    EXPECT_EQ(palea.best[1].code, "NI999A");
    EXPECT_EQ(palea.best[1].reason, "name differs by two letters");
}

// Two rows equally far from the name: both first, marked as tied, in list order.
TEST(Suggester, TiesAreShownAsTies)
{
    const Suggestions arcus = demoSuggester().suggest({"EU000X", "Eunotia arcuus"});
    ASSERT_GE(arcus.best.size(), 2u);
    EXPECT_EQ(arcus.best[0].code, "EU131A");  // Eunotia arcus
    EXPECT_EQ(arcus.best[1].code, "EU142A");  // Eunotia arcubus
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(arcus.best[k].rank, 1);
        EXPECT_TRUE(arcus.best[k].tied);
        EXPECT_EQ(arcus.best[k].score, arcus.best[0].score);
    }

    // The same name under two codes.
    std::vector<taxa::ListRow> list = DemoList();
    list.push_back({"NI998A", "Nitzschia palea"});
    const Suggestions twice = Suggester(list).suggest({"NI000X", "Nitzschia palea"});
    ASSERT_GE(twice.best.size(), 2u);
    EXPECT_EQ(twice.best[0].code, "NI259A");
    EXPECT_EQ(twice.best[1].code, "NI998A");
    EXPECT_TRUE(twice.best[0].tied);
    EXPECT_EQ(twice.best[1].rank, 1);

    // More tied rows than the limit shows: the rest are counted, never dropped unsaid.
    const Suggestions gomphonema = demoSuggester().suggest({"GO17A", ""}, 5);  // GO171A ... GO179A, GO187A
    ASSERT_EQ(gomphonema.best.size(), 5u);
    for (const taxa::Suggestion& s : gomphonema.best) {
        EXPECT_EQ(s.rank, 1);
        EXPECT_TRUE(s.tied);
        EXPECT_EQ(s.reason, "same code apart from a digit");
    }
    EXPECT_EQ(gomphonema.best[0].code, "GO171A");
    EXPECT_EQ(gomphonema.tiedLeftOff, 5u);  // and GO187A, a digit away too
    EXPECT_EQ(demoSuggester().suggest({"GO17A", ""}, 1).tiedLeftOff, 9u);
}

TEST(Suggester, NothingAlike)
{
    for (const taxa::Taxon& taxon : std::vector<taxa::Taxon>{
             {"XX001A", "Xyzzia nonexistens"},
             {"NA001X", "Navicula"},
             {"NI259B", "Zzyzx quux"},  // the code is close, but a name is given: names decide
             {"", ""},
             {"ZZ", ""},
         }) {
        SCOPED_TRACE(taxon.code + " " + taxon.name);
        const Suggestions s = demoSuggester().suggest(taxon);
        EXPECT_TRUE(s.best.empty()) << s.best[0].name << " (" << s.best[0].reason << ")";
        EXPECT_EQ(s.tiedLeftOff, 0u);
    }
}

TEST(Suggester, CodesOnlyWithoutAName)
{
    struct CodeCase {
        const char* code;
        const char* expected;
        const char* reason;
    };
    for (const CodeCase& c : std::vector<CodeCase>{
             {"ni 259a", "NI259A", "same code apart from spacing"},
             {"NI259A ", "NI259A", "same code apart from spacing"},
             {"NI-259A", "NI259A", "same code apart from punctuation"},
             {"NI - 259A", "NI259A", "same code apart from spacing and punctuation"},
             {"NI259", "NI259A", "same code apart from a letter"},
             {"NI259X", "NI259A", "same code apart from a letter"},
             {"AC0002A", "AC002A", "same code apart from a digit"},
         }) {
        SCOPED_TRACE(c.code);
        const Suggestions s = demoSuggester().suggest({c.code, "  "});
        ASSERT_FALSE(s.best.empty());
        EXPECT_EQ(s.best[0].code, c.expected);
        EXPECT_EQ(s.best[0].reason, c.reason);
        EXPECT_FALSE(s.best[0].tied);
        EXPECT_LE(s.best[0].score, 40);  // below any evidence from a name
    }
}

// Scores order the evidence: the weakest name evidence above the strongest code evidence,
// a name's every kind above the next.
TEST(Suggester, NameEvidenceRanksAboveCodeLikeness)
{
    const Suggestions byName = demoSuggester().suggest({"XX000X", "Nitzschia paleaceae"});  // far-ish from palea
    const Suggestions byCode = demoSuggester().suggest({"NI 259A", ""});
    ASSERT_FALSE(byName.best.empty());
    ASSERT_FALSE(byCode.best.empty());
    for (const taxa::Suggestion& s : byName.best)
        EXPECT_GT(s.score, byCode.best[0].score) << s.name << " (" << s.reason << ")";
    EXPECT_EQ(demoSuggester().suggest({"GO17A", ""}, 9).best.size(), 5u);  // the limit is 1 to 5
    EXPECT_EQ(demoSuggester().suggest({"GO17A", ""}, 0).best.size(), 1u);
}

}  // namespace
