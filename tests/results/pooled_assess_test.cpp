// torven-cli assess over several workbooks: each bundled example cut by sample columns
// into three workbooks (and into three sheets of one workbook, named by a job file) gives
// the CSV files of the whole workbook byte for byte, apart from the provenance and the
// sources; the parts may list the taxa in other orders and leave some out. A sample in two
// workbooks, or a workbook that fails its checks, stops the job with nothing written.

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/results/csv_line.h"
#include "tests/support/split_workbook.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::splitCsvLine;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun assess(const TempDir& dir, const std::string& arguments)
{
    const std::string errPath = dir.file("stderr.txt");
    const std::string command = shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-cli") + " assess " + arguments +
                                " --db " + shellQuote(std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb") + " 2>" +
                                shellQuote(errPath);
    CliRun run;
    run.out = testing_support::commandOutput(command, &run.status);
    run.err = readFile(errPath);
    return run;
}

std::string example(const std::string& name) { return std::string(TORVEN_SOURCE_DIR) + "/data/examples/" + name; }

void split(const std::string& source, const std::string& prefix, const std::string& extension, const std::string& mode)
{
    std::string output;
    ASSERT_EQ(testing_support::splitWorkbook(source, prefix, extension, mode, &output), 0) << output;
}

// The job summary's analysis part: from the metric line to the provenance, which name
// each run's own workbooks.
std::string analysisPart(const std::string& summary)
{
    const std::size_t from = summary.find("\nMetric:\t");
    const std::size_t to = summary.find("\nProgram: ");
    if (from == std::string::npos || to == std::string::npos || to < from)
        return "no analysis part in: " + summary;
    return summary.substr(from, to - from);
}

// Every file of the whole workbook's CSV folder, byte for byte, in the pooled job's.
void expectSameResults(const std::string& wholeDir, const std::string& pooledDir)
{
    int files = 0;
    for (const auto& entry : fs::directory_iterator(wholeDir)) {
        const std::string name = entry.path().filename().string();
        const std::string whole = readFile(entry.path().string());
        const std::string pooled = readFile(pooledDir + "/" + name);
        if (name == "sources.csv")
            continue;
        ++files;
        if (name == "job-summary.txt")
            EXPECT_EQ(analysisPart(pooled), analysisPart(whole));
        else
            EXPECT_TRUE(pooled == whole) << name << ":\n" << pooled << "\nwhole:\n" << whole;
    }
    EXPECT_GE(files, 4);
}

std::vector<std::vector<std::string>> csvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        rows.push_back(splitCsvLine(line));
    return rows;
}

std::string sha256sum(const std::string& path)
{
    return testing_support::commandOutput("sha256sum " + shellQuote(path)).substr(0, 64);
}

struct Example {
    const char* name;
    const char* options;
};

class PooledExample : public ::testing::TestWithParam<std::tuple<Example, const char*>> {};

TEST_P(PooledExample, ThreePartsGiveTheWholeWorkbooksResults)
{
    const auto& [e, extension] = GetParam();
    TempDir dir;
    const std::string whole = example(std::string(e.name) + "." + extension);
    CliRun wholeRun = assess(dir, shellQuote(whole) + " " + e.options + " --quiet --csv " + shellQuote(dir.file("whole")));
    ASSERT_EQ(wholeRun.status, 0) << wholeRun.err;

    for (const char* mode : {"books", "subsets"}) {
        SCOPED_TRACE(mode);
        const std::string prefix = dir.file(std::string(mode) + "/part");
        fs::create_directories(dir.file(mode));
        split(whole, prefix, extension, mode);
        std::string parts;
        for (int i = 1; i <= 3; ++i)
            parts += " " + shellQuote(prefix + "-" + std::to_string(i) + "." + extension);
        const std::string csv = dir.file(std::string(mode) + "/csv");
        CliRun pooled = assess(dir, parts + " " + e.options + " --csv " + shellQuote(csv));
        ASSERT_EQ(pooled.status, 0) << pooled.err;
        EXPECT_EQ(pooled.err, "");
        expectSameResults(dir.file("whole"), csv);

        // The summary lists each workbook; the sources name each with its digest.
        const std::string first = "part-1." + std::string(extension);
        EXPECT_EQ(pooled.out.rfind("File:\t" + first + "\nWorksheet:\tSamples\nSamples:\t", 0), 0u) << pooled.out;
        const auto sources = csvRows(readFile(csv + "/sources.csv"));
        ASSERT_EQ(sources.size(), 4u);
        EXPECT_EQ(sources[0], (std::vector<std::string>{"Workbook", "SHA-256", "Sheet", "First row", "First column",
                                                        "Samples", "Taxa"}));
        int samples = 0;
        for (int i = 1; i <= 3; ++i) {
            const std::string name = "part-" + std::to_string(i) + "." + extension;
            EXPECT_EQ(sources[i][0], name);
            EXPECT_EQ(sources[i][1], sha256sum(prefix + "-" + std::to_string(i) + "." + extension));
            EXPECT_EQ(sources[i][2], "Samples");
            EXPECT_EQ(sources[i][4], "C");
            samples += std::stoi(sources[i][5]);
        }
        const auto wholeSamples = csvRows(readFile(dir.file("whole/sample-summary.csv")));
        EXPECT_EQ(samples + 1, static_cast<int>(wholeSamples.size()));
        // The provenance names every workbook.
        const std::string summary = readFile(csv + "/job-summary.txt");
        for (int i = 1; i <= 3; ++i)
            EXPECT_NE(summary.find("\nSample workbook: part-" + std::to_string(i) + "." + extension +
                                   "\nSample workbook SHA-256: " +
                                   sha256sum(prefix + "-" + std::to_string(i) + "." + extension) + "\n"),
                      std::string::npos)
                << summary;
    }
}

// Three sheets of one workbook, in a folder of their own, named by a job file elsewhere
// whose paths are relative to it; the first row given in the file for each.
TEST_P(PooledExample, AJobFileOfThreeSheetsGivesTheWholeWorkbooksResults)
{
    const auto& [e, extension] = GetParam();
    TempDir dir;
    const std::string whole = example(std::string(e.name) + "." + extension);
    CliRun wholeRun = assess(dir, shellQuote(whole) + " " + e.options + " --quiet --csv " + shellQuote(dir.file("whole")));
    ASSERT_EQ(wholeRun.status, 0) << wholeRun.err;

    fs::create_directories(dir.file("books"));
    fs::create_directories(dir.file("jobs"));
    split(whole, dir.file("books/parts"), extension, "sheets");
    const std::string book = "../books/parts." + std::string(extension);
    const std::string firstRow = std::string(e.name) == "dam" ? "7" : "";
    writeFile(dir.file("jobs/job.csv"), "workbook,sheet,first row,first column\n" + book + ",Lab 1," + firstRow +
                                            ",C\n\"" + book + "\",Lab 2," + firstRow + ",\n" + book + ",Lab 3," +
                                            firstRow + ",3\n");
    // The job file's row takes the place of the option's: --first-row is left out here.
    const std::string metric = std::string(e.options).substr(0, std::string(e.options).find(" --first-row"));
    CliRun pooled = assess(dir, "--job " + shellQuote(dir.file("jobs/job.csv")) + " " + metric + " --quiet --csv " +
                                 shellQuote(dir.file("pooled")));
    ASSERT_EQ(pooled.status, 0) << pooled.err;
    expectSameResults(dir.file("whole"), dir.file("pooled"));
    const auto sources = csvRows(readFile(dir.file("pooled/sources.csv")));
    ASSERT_EQ(sources.size(), 4u);
    EXPECT_EQ(sources[2][0], "parts." + std::string(extension));
    EXPECT_EQ(sources[2][2], "Lab 2");
}

INSTANTIATE_TEST_SUITE_P(Bundled, PooledExample,
                         ::testing::Combine(::testing::Values(Example{"river", "--metric TDI"},
                                                              Example{"lake", "--metric LTDI"},
                                                              Example{"dam", "--metric DAM --first-row 7"}),
                                            ::testing::Values("xlsx", "xls")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param);
                         });

class PooledRefusals : public ::testing::Test {
protected:
    void SetUp() override
    {
        split(example("river.xlsx"), dir.file("part"), "xlsx", "books");
        for (int i = 1; i <= 3; ++i)
            parts.push_back(dir.file("part-" + std::to_string(i) + ".xlsx"));
    }
    // Nothing of the results was written.
    void expectNothingWritten()
    {
        EXPECT_FALSE(fs::exists(dir.file("results.xlsx")));
        EXPECT_FALSE(fs::exists(dir.file("csv/sample-summary.csv")));
    }
    std::string outputs() { return " -o " + shellQuote(dir.file("results.xlsx")) + " --csv " + shellQuote(dir.file("csv")); }

    TempDir dir;
    std::vector<std::string> parts;
};

TEST_F(PooledRefusals, ASampleInTwoWorkbooksStopsTheJobNamingBothPlaces)
{
    // The first part again under another name, last: its first sample is in the job twice.
    fs::copy_file(parts[0], dir.file("again.xlsx"));
    CliRun run = assess(dir, shellQuote(parts[0]) + " " + shellQuote(parts[1]) + " " + shellQuote(dir.file("again.xlsx")) +
                              " --metric TDI" + outputs());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("\" occurs twice in the job: in part-1.xlsx (sheet \"Samples\", column C) and in "
                           "again.xlsx (sheet \"Samples\", column C). Nothing was added.\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.rfind("Sample \"", 0), 0u) << run.err;
    expectNothingWritten();
}

TEST_F(PooledRefusals, AWorkbookFailingItsChecksIsNamed)
{
    // A DAM job: the river parts lack the calcium and DOC rows. The message is the import's
    // own, the next line names the workbook.
    CliRun run = assess(dir, shellQuote(parts[0]) + " " + shellQuote(parts[1]) + " --metric DAM --first-row 7" + outputs());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(run.err.find('\n') + 1), parts[0] + "\n") << run.err;
    expectNothingWritten();
}

TEST_F(PooledRefusals, JobFileMistakesAreUsageErrors)
{
    const std::string job = dir.file("job.csv");
    writeFile(job, "workbook,sheet,first row\npart-1.xlsx,,\n");
    CliRun run = assess(dir, "--job " + shellQuote(job));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("the first line must be \"workbook,sheet,first row,first column\""), std::string::npos)
        << run.err;

    writeFile(job, "workbook,sheet,first row,first column\npart-1.xlsx,,0,\n");
    run = assess(dir, "--job " + shellQuote(job));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(job + ", line 2: the first row needs a row number of 1 or more, not '0'"), std::string::npos)
        << run.err;

    writeFile(job, "workbook,sheet,first row,first column\npart-2.xlsx,,,\npart-1.xlsx,Nowhere,,\n");
    run = assess(dir, "--job " + shellQuote(job));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(parts[0]), std::string::npos) << run.err;

    run = assess(dir, shellQuote(parts[0]) + " --job " + shellQuote(job));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("give the workbooks or --job, not both"), std::string::npos) << run.err;

    run = assess(dir, "--job " + shellQuote(dir.file("missing.csv")));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("the job file cannot be read"), std::string::npos) << run.err;
}

TEST_F(PooledRefusals, ResultsOverAnyWorkbookOfTheJobAreRefused)
{
    CliRun run = assess(dir, shellQuote(parts[0]) + " " + shellQuote(parts[1]) + " -o " + shellQuote(parts[1]));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(parts[1]), std::string::npos) << run.err;
}

}  // namespace
