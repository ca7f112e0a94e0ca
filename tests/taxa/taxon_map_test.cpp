// The taxon map file: read back as written, refused whole when malformed (with the line
// and the reason, the map in hand left as it was), and checked against the master list.
#include <gtest/gtest.h>

#include <filesystem>

#include "taxa/taxa.h"
#include "tests/support/temp_dir.h"
#include "tests/taxa/demo_list.h"

namespace {

using taxa::MapLine;
using taxa::MapProblem;
using taxa::TaxonMap;

TaxonMap sampleMap()
{
    TaxonMap map;
    map.lines.push_back({"NP001", "NI259A", "Nitzschia palea (K\xC3\xBCtz.) W.Sm.", "Nitzschia palea",
                         "same name apart from the authority", 2});
    map.lines.push_back({"CP002", "CO386A", "Cocconeis placentula v. euglypta, \"lab\"",
                         "Cocconeis placentula var. euglypta (Ehrenb.) Grunow", "same species, variety named after it", 3});
    map.lines.push_back({"MULTI", "FR152A", "two\nlines", "Fragilaria capucina", "typed by the user", 4});
    return map;
}

TEST(TaxonMap, ReadsBackWhatItWrites)
{
    testing_support::TempDir dir;
    const std::string path = dir.file("river.taxon-map.csv");
    std::string error;
    ASSERT_TRUE(taxa::WriteTaxonMap(path, sampleMap(), error)) << error;
    const std::string text = testing_support::readFile(path);
    EXPECT_EQ(text.substr(0, text.find('\n')), taxa::kTaxonMapHeader);
    EXPECT_NE(text.find("\"Cocconeis placentula v. euglypta, \"\"lab\"\"\""), std::string::npos) << text;

    TaxonMap back;
    ASSERT_TRUE(taxa::ReadTaxonMap(path, back, error)) << error;
    const TaxonMap written = sampleMap();
    ASSERT_EQ(back.lines.size(), written.lines.size());
    for (std::size_t k = 0; k < back.lines.size(); ++k) {
        EXPECT_EQ(back.lines[k].code, written.lines[k].code);
        EXPECT_EQ(back.lines[k].mappedCode, written.lines[k].mappedCode);
        EXPECT_EQ(back.lines[k].name, written.lines[k].name);
        EXPECT_EQ(back.lines[k].mappedName, written.lines[k].mappedName);
        EXPECT_EQ(back.lines[k].reason, written.lines[k].reason);
    }
    EXPECT_EQ(back.lines[1].line, 3u);

    // As a user's editor saves it: byte order mark, CR LF, header in other case, blank lines.
    ASSERT_TRUE(taxa::ParseTaxonMap("\xEF\xBB\xBF" "Code,Mapped Code,Name,Mapped Name,Reason\r\n\r\nab1,NI259A,,,\r\n",
                                    back, error))
        << error;
    ASSERT_EQ(back.lines.size(), 1u);
    EXPECT_EQ(back.lines[0].line, 3u);
    EXPECT_EQ(taxa::FindMapLine(back, "AB1"), &back.lines[0]);
    EXPECT_EQ(taxa::FindMapLine(back, "AB2"), nullptr);

    // The header alone is an empty map.
    ASSERT_TRUE(taxa::ParseTaxonMap(std::string(taxa::kTaxonMapHeader) + "\n", back, error)) << error;
    EXPECT_TRUE(back.lines.empty());
}

TEST(TaxonMap, RefusesAMalformedFileWithItsLineAndReason)
{
    const std::string header = std::string(taxa::kTaxonMapHeader) + "\n";
    struct Bad {
        std::string text;
        const char* error;
    };
    for (const Bad& bad : std::vector<Bad>{
             {"", "line 1: the file is empty; a taxon map begins with the header"},
             {"code,mapped code,name\nA,B,C\n", "line 1: the first line must be the header"},
             {"A1,NI259A,,,\n", "line 1: the first line must be the header"},
             {header + "A1,NI259A,,\n", "line 2: 4 fields, but a map line has 5"},
             {header + "A1,NI259A,,,,\n", "line 2: 6 fields, but a map line has 5"},
             {header + "A1,NI259A,,,\nA2\n", "line 3: 1 field, but a map line has 5"},
             {header + ",NI259A,,,\n", "line 2: the code is empty"},
             {header + "A1,,,,\n", "line 2: the mapped code of A1 is empty"},
             {header + "A1,NI259A,,,\n\"A2,x\",NI\"259A,,,\n", "line 3: a quote inside an unquoted field"},
             {header + "A1,NI259A,\"open,,\n", "line 2: a quoted field is not closed"},
             {header + "\"A\n1\",NI259A,,,\n", "line 2: a code holds a line break"},
             {header + "A1,NI259A,,,\na1,NI260A,,,\n", "line 3: code a1 is mapped to NI260A here and to NI259A on line 2"},
             {header + "A1,NI259A,K\xFCtz.,,\n", "the file is not UTF-8 text"},
         }) {
        SCOPED_TRACE(bad.text);
        TaxonMap map;
        map.lines.push_back({"KEPT", "KEPT", "", "", "", 0});
        std::string error;
        EXPECT_FALSE(taxa::ParseTaxonMap(bad.text, map, error));
        EXPECT_EQ(error.rfind(bad.error, 0), 0u) << error;
        ASSERT_EQ(map.lines.size(), 1u);  // a refused file leaves the map as it was
        EXPECT_EQ(map.lines[0].code, "KEPT");
    }
    // The same choice twice is no conflict.
    TaxonMap map;
    std::string error;
    EXPECT_TRUE(taxa::ParseTaxonMap(header + "A1,NI259A,,,\na1,ni259a,,,\n", map, error)) << error;
    EXPECT_EQ(map.lines.size(), 1u);

    testing_support::TempDir dir;
    EXPECT_FALSE(taxa::ReadTaxonMap(dir.file("missing.csv"), map, error));
    EXPECT_EQ(error, dir.file("missing.csv") + ": cannot be opened");
    testing_support::writeFile(dir.file("short.csv"), header + "A1\n");
    EXPECT_FALSE(taxa::ReadTaxonMap(dir.file("short.csv"), map, error));
    EXPECT_EQ(error.rfind(dir.file("short.csv") + ": line 2: 1 field", 0), 0u) << error;
}

TEST(TaxonMap, ChecksAgainstTheMasterList)
{
    TaxonMap map;
    map.lines.push_back({"NP001", "NI259A", "", "", "", 2});   // used
    map.lines.push_back({"NP002", "XX999X", "", "", "", 3});   // no such target
    map.lines.push_back({"ni259a", "NI260A", "", "", "", 4});  // the code itself is in the list
    map.lines.push_back({"NP003", "ni260a", "", "", "", 5});   // codes in any case, as the matching
    const std::vector<MapProblem> problems = taxa::CheckTaxonMap(map, taxa_test::DemoList());
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].kind, MapProblem::Kind::TargetNotInList);
    EXPECT_EQ(problems[0].index, 1u);
    EXPECT_EQ(problems[0].message, "line 3: mapped code XX999X of NP002 is not in the master taxon list; the map line is not used");
    EXPECT_EQ(problems[1].kind, MapProblem::Kind::CodeMatchesList);
    EXPECT_EQ(problems[1].index, 2u);
    EXPECT_EQ(problems[1].line, 4u);
    EXPECT_EQ(problems[1].message, "line 4: code ni259a is in the master taxon list itself; the map line is not used");
}

// A map that cannot be written leaves the file that was there as it was.
TEST(TaxonMap, FailedWriteLeavesTheOldFile)
{
    testing_support::TempDir dir;
    std::string error;
    EXPECT_FALSE(taxa::WriteTaxonMap(dir.file("no-such-folder/map.csv"), sampleMap(), error));
    EXPECT_EQ(error.rfind("Cannot write " + dir.file("no-such-folder/map.csv") + ": ", 0), 0u) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-folder")));
}

}  // namespace
