// torven-cli suggest and assess --taxon-map on the bundled river example, its two unlisted
// taxa renamed as a lab writes names: the suggestions put the right rows first, and a map
// of them gives the results of the workbook with the right codes.

#include <gtest/gtest.h>

#include "taxa/taxa.h"
#include "tests/cli/cli_run.h"
#include "tests/support/lab_copies.h"

namespace {

using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;

class SuggestRiver : public ::testing::Test {
protected:
    SuggestRiver()
    {
        const std::string source = std::string(TORVEN_SOURCE_DIR) + "/data/examples/river.xlsx";
        EXPECT_EQ(testing_support::writeLabCopies(source, lab, corrected), 0);
    }

    CliRun run(const std::string& arguments) { return runCli(dir, arguments + " --db " + shellQuote(database)); }

    TempDir dir;
    std::string database = std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb";
    std::string lab = dir.file("river-lab.xlsx");
    std::string corrected = dir.file("river-corrected.xlsx");
};

// The tab-separated fields of each line.
std::vector<std::vector<std::string>> records(const std::string& text)
{
    std::vector<std::vector<std::string>> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            fields.push_back(line.substr(from, tab - from));
        fields.push_back(line.substr(from));
        lines.push_back(fields);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

TEST_F(SuggestRiver, RightRowsFirstAndTheMapGivesTheCorrectedResults)
{
    CliRun suggest = run("suggest " + shellQuote(lab) + " --limit 1");
    ASSERT_EQ(suggest.status, 0) << suggest.err;
    const auto lines = records(suggest.out);
    ASSERT_EQ(lines.size(), 3u) << suggest.out;
    EXPECT_EQ(lines[0], (std::vector<std::string>{"code", "name", "rank", "suggested code", "suggested name", "score",
                                                  "reason"}));
    EXPECT_EQ(lines[1][0], "ZZ990001");
    EXPECT_EQ(lines[1][2], "1");
    EXPECT_EQ(lines[1][3], "FR001A");
    EXPECT_EQ(lines[2][0], "ZZ990002");
    EXPECT_EQ(lines[2][3], "AC002A");
    EXPECT_EQ(lines[2][4], "Achnanthidium minutissimum");

    // The map as the desktop program writes it, from the first suggestions.
    taxa::TaxonMap map;
    for (std::size_t i = 1; i < lines.size(); ++i)
        map.lines.push_back({lines[i][0], lines[i][3], lines[i][1], lines[i][4], lines[i][6], 0});
    std::string error;
    ASSERT_TRUE(taxa::WriteTaxonMap(dir.file("river-lab.taxa.csv"), map, error)) << error;

    const CliRun mapped = run("assess " + shellQuote(lab) + " --csv " + shellQuote(dir.file("mapped")) +
                              " --taxon-map " + shellQuote(dir.file("river-lab.taxa.csv")));
    ASSERT_EQ(mapped.status, 0) << mapped.err;
    const CliRun plain = run("assess " + shellQuote(corrected) + " --csv " + shellQuote(dir.file("corrected")));
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("Warning"), std::string::npos) << plain.out;
    EXPECT_NE(mapped.out.find("Taxon map:\triver-lab.taxa.csv\n2 taxa matched through the taxon map.\n"
                              "line 2:\tZZ990001 (Fragilaria  capucina v. rumpens) as FR001A"),
              std::string::npos)
        << mapped.out;
    for (const char* file : {"sample-summary.csv", "uncertainty-tdi3.csv", "uncertainty-tdi4.csv"})
        EXPECT_EQ(readFile(dir.file("mapped/") + file), readFile(dir.file("corrected/") + file)) << file;
}

TEST_F(SuggestRiver, UsageAndMalformedMaps)
{
    for (const char* bad : {" --limit 0", " --limit 6", " --limit x", " --output x.xlsx", ""}) {
        const std::string args = *bad ? "suggest " + shellQuote(lab) + bad : std::string("suggest");
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    // Without a limit three at most; a taxon that nothing resembles gets one empty line.
    CliRun suggest = run("suggest " + shellQuote(corrected));
    EXPECT_EQ(suggest.status, 0) << suggest.err;
    EXPECT_EQ(records(suggest.out).size(), 1u) << suggest.out;

    writeFile(dir.file("bad.csv"), "code,mapped\nZZ990001,FR001A\n");
    const CliRun refused = run("assess " + shellQuote(lab) + " --taxon-map " + shellQuote(dir.file("bad.csv")));
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find(dir.file("bad.csv") + ": line 1"), std::string::npos) << refused.err;
}
