// torven-cli assess --chart on the bundled examples, as a script runs it: no display, no
// Qt platform named, and the pictures beside each other in the chosen folder.

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::TempDir;

namespace {

struct CliResult {
    int status = -1;
    std::string out, err;
};

// Runs torven-cli assess on an example with the bundled database, with every variable
// that could name a display or a Qt platform removed from its environment.
// environment: variables to set after that, "NAME=value ...".
CliResult assessExample(const TempDir& dir, const std::string& example, const std::string& options,
                        const std::string& environment = "")
{
    const std::string errPath = dir.file("stderr.txt");
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + environment + " " + shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-cli")
        + " assess " + shellQuote(std::string(TORVEN_SOURCE_DIR) + "/data/examples/" + example) + " --db "
        + shellQuote(std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb") + " " + options + " 2>" + shellQuote(errPath);
    CliResult run;
    run.out = testing_support::commandOutput(command, &run.status);
    run.err = readFile(errPath);
    return run;
}

bool isPng(const std::string& path)
{
    return readFile(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

bool isSvg(const std::string& path)
{
    const std::string text = readFile(path);
    return text.find("<svg") != std::string::npos && text.find("</svg>") != std::string::npos;
}

std::size_t fileCount(const fs::path& folder)
{
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.is_regular_file();
    return count;
}

TEST(ChartCli, RiverExampleWritesOnePngAndOneSvgPerSiteTable)
{
    TempDir dir;
    const std::string out = dir.file("out");
    const CliResult run = assessExample(dir, "river.xlsx", "--metric TDI --first-row 5 --quiet --chart " + shellQuote(out + "/"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");
    for (const char* stem : {"chart-tdi3", "chart-tdi4"}) {
        EXPECT_TRUE(isPng(out + "/" + stem + ".png")) << stem;
        EXPECT_TRUE(isSvg(out + "/" + stem + ".svg")) << stem;
    }
    // Each index's site history too: four sites fit one unnumbered page.
    for (const char* stem : {"history-tdi3", "history-tdi4"}) {
        EXPECT_TRUE(isPng(out + "/" + stem + ".png")) << stem;
        EXPECT_TRUE(isSvg(out + "/" + stem + ".svg")) << stem;
    }
    EXPECT_EQ(fileCount(out), 8u);
}

TEST(ChartCli, LakeAndDamExamplesNameTheirIndices)
{
    TempDir dir;
    const CliResult lake = assessExample(dir, "lake.xlsx", "--metric LTDI --quiet --chart " + shellQuote(dir.file("lake")));
    ASSERT_EQ(lake.status, 0) << lake.err;
    EXPECT_TRUE(isPng(dir.file("lake/chart-ltdi1.png")));
    EXPECT_TRUE(isSvg(dir.file("lake/chart-ltdi2.svg")));
    EXPECT_TRUE(isPng(dir.file("lake/history-ltdi1.png")));
    EXPECT_TRUE(isSvg(dir.file("lake/history-ltdi2.svg")));
    EXPECT_EQ(fileCount(dir.file("lake")), 8u);

    const CliResult dam = assessExample(dir, "dam.xlsx", "--metric DAM --quiet --chart " + shellQuote(dir.file("dam")));
    ASSERT_EQ(dam.status, 0) << dam.err;
    EXPECT_TRUE(isPng(dir.file("dam/chart-dam.png")));
    EXPECT_TRUE(isSvg(dir.file("dam/chart-dam.svg")));
    EXPECT_TRUE(isPng(dir.file("dam/history-dam.png")));
    EXPECT_TRUE(isSvg(dir.file("dam/history-dam.svg")));
    EXPECT_EQ(fileCount(dir.file("dam")), 4u);
}

TEST(ChartCli, AFolderThatCannotBeMadeIsExitThree)
{
    TempDir dir;
    testing_support::writeFile(dir.file("taken"), "a file, not a folder");
    const CliResult run =
        assessExample(dir, "river.xlsx", "--metric TDI --first-row 5 --quiet --chart " + shellQuote(dir.file("taken")));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("taken"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(dir.file("taken")), "a file, not a folder");
}

TEST(ChartCli, AFailureWritesNoChartAndSaysSo)
{
    // One of the files cannot be written (a folder stands in its place): the others are
    // not written either, and the message says which failed and why.
    TempDir dir;
    const std::string out = dir.file("out");
    std::filesystem::create_directories(out + "/chart-tdi4.svg");
    testing_support::writeFile(out + "/chart-tdi3.png", "an earlier chart");
    const CliResult run = assessExample(dir, "river.xlsx", "--metric TDI --first-row 5 --quiet --chart " + shellQuote(out));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("chart-tdi4.svg: it is a folder; no chart was written"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(out + "/chart-tdi3.png"), "an earlier chart");
    EXPECT_EQ(fileCount(out), 1u);
}

// The river example's samples spread over `sites` sites of three samples each (sampled in
// three years), written by openpyxl as book.
void writeManySites(const std::string& book, int sites)
{
    const std::string script = R"(
import sys, datetime, openpyxl
src, out, sites = sys.argv[1], sys.argv[2], int(sys.argv[3])
rows = [list(r) for r in openpyxl.load_workbook(src).active.iter_rows(values_only=True)]
cols = [c for c in range(2, len(rows[0])) if rows[0][c] is not None]
new = [r[:2] for r in rows]
k = 0
for s in range(sites):
    for j in range(3):
        c = cols[k % len(cols)]
        k += 1
        new[0].append('R%03d-%d' % (s + 1, j + 1))
        new[1].append('R%03d' % (s + 1))
        new[2].append(datetime.datetime(2021 + j, 3 + s % 6, 10))
        for r in range(3, len(rows)):
            new[r].append(rows[r][c])
book = openpyxl.Workbook()
for r in new:
    book.active.append(r)
book.save(out)
)";
    ASSERT_EQ(testing_support::runPython(script, shellQuote(std::string(TORVEN_SOURCE_DIR) + "/data/examples/river.xlsx") +
                                                     " " + shellQuote(book) + " " + std::to_string(sites)),
              0);
}

// The width and height a PNG file's header gives.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& path)
{
    const std::string bytes = readFile(path);
    auto word = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
        return value;
    };
    return {word(16), word(20)};
}

TEST(ChartCli, AHundredSitesArePagedTwentyToAFile)
{
    TempDir dir;
    writeManySites(dir.file("book.xlsx"), 100);
    const std::string command = "env -u DISPLAY -u QT_QPA_PLATFORM " + shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-cli") +
                                " assess " + shellQuote(dir.file("book.xlsx")) + " --first-row 5 --db " +
                                shellQuote(std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb") + " --quiet --chart " +
                                shellQuote(dir.file("many")) + " 2>&1";
    int status = -1;
    const std::string err = testing_support::commandOutput(command, &status);
    ASSERT_EQ(status, 0) << err;
    for (const char* index : {"tdi3", "tdi4"}) {
        for (int page = 1; page <= 5; ++page) {
            const std::string stem = dir.file("many/history-" + std::string(index) + "-" + std::to_string(page));
            ASSERT_TRUE(isPng(stem + ".png")) << stem;
            EXPECT_TRUE(isSvg(stem + ".svg")) << stem;
            // Twenty panels, five rows of four: a page that reads on a screen.
            const auto [width, height] = pngSize(stem + ".png");
            EXPECT_LT(width, 1200u) << stem;
            EXPECT_LT(height, 1200u) << stem;
            EXPECT_GT(height, 600u) << stem;
        }
        EXPECT_FALSE(fs::exists(dir.file("many/history-" + std::string(index) + "-6.png")));
        EXPECT_FALSE(fs::exists(dir.file("many/history-" + std::string(index) + ".png")));
    }
    EXPECT_EQ(fileCount(dir.file("many")), 4u + 2 * 2 * 5);
}

TEST(ChartCli, AHistoryTargetThatIsNoFileStopsTheRunBeforeAnythingIsWritten)
{
    TempDir dir;
    const std::string out = dir.file("out");
    fs::create_directories(out);
    ASSERT_EQ(::mkfifo((out + "/history-tdi4.svg").c_str(), 0644), 0);
    const CliResult run = assessExample(dir, "river.xlsx",
                                        "--metric TDI --first-row 5 --quiet --csv " + shellQuote(dir.file("csv")) +
                                            " --chart " + shellQuote(out));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("history-tdi4.svg: it is not a regular file"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.file("csv")));
    EXPECT_EQ(fileCount(out), 0u);
}

TEST(ChartCli, HelpNamesTheOption)
{
    TempDir dir;
    int status = -1;
    const std::string out = testing_support::commandOutput(
        shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-cli") + " --help", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("[--chart DIR]"), std::string::npos) << out;
}

TEST(ChartCli, WithoutChartQtIsNeverStarted)
{
    // A platform that does not exist would stop any Qt GUI start at once.
    TempDir dir;
    const CliResult run = assessExample(dir, "river.xlsx",
                                        "--metric TDI --first-row 5 --quiet --csv " + shellQuote(dir.file("csv")),
                                        "QT_QPA_PLATFORM=no-such-platform");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(fs::exists(dir.file("csv/uncertainty-tdi3.csv")));
}

}  // namespace
