// torven-cli assess --chart on the bundled examples, as a script runs it: no display, no
// Qt platform named, and the pictures beside each other in the chosen folder.

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
    EXPECT_EQ(fileCount(out), 4u);
}

TEST(ChartCli, LakeAndDamExamplesNameTheirIndices)
{
    TempDir dir;
    const CliResult lake = assessExample(dir, "lake.xlsx", "--metric LTDI --quiet --chart " + shellQuote(dir.file("lake")));
    ASSERT_EQ(lake.status, 0) << lake.err;
    EXPECT_TRUE(isPng(dir.file("lake/chart-ltdi1.png")));
    EXPECT_TRUE(isSvg(dir.file("lake/chart-ltdi2.svg")));
    EXPECT_EQ(fileCount(dir.file("lake")), 4u);

    const CliResult dam = assessExample(dir, "dam.xlsx", "--metric DAM --quiet --chart " + shellQuote(dir.file("dam")));
    ASSERT_EQ(dam.status, 0) << dam.err;
    EXPECT_TRUE(isPng(dir.file("dam/chart-dam.png")));
    EXPECT_TRUE(isSvg(dir.file("dam/chart-dam.svg")));
    EXPECT_EQ(fileCount(dir.file("dam")), 2u);
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
    // The last of the four files cannot be written (a folder stands in its place): the
    // other three are not written either, and the message says which failed and why.
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
