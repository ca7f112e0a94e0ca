// torven-cli assess end to end on the bundled examples with the bundled database: the
// results workbook in both formats and the CSV files agree cell for cell, and a results
// file that cannot be written gives exit status 3 and leaves an existing file as it was.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/results/csv_line.h"
#include "tests/results/folder_entries.h"
#include "tests/results/workbook_readback.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::splitCsvLine;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

struct CliResult {
    int status = -1;
    std::string out, err;
};

// prefix runs before the program in the same shell (for ulimit and trap).
CliResult assess(const TempDir& dir, const std::string& arguments, const std::string& prefix = "")
{
    const std::string errPath = dir.file("stderr.txt");
    const std::string cli = std::string(TORVEN_BIN_DIR) + "/torven-cli";
    const std::string db = std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb";
    const std::string command = prefix + "exec " + shellQuote(cli) + " assess " + arguments + " --db " +
                                shellQuote(db) + " 2>" + shellQuote(errPath);
    CliResult run;
    run.out = testing_support::commandOutput("sh -c " + shellQuote(command), &run.status);
    run.err = readFile(errPath);
    return run;
}

std::string example(const std::string& name) { return std::string(TORVEN_SOURCE_DIR) + "/data/examples/" + name; }

bool parseNumber(const std::string& text, double& value)
{
    auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// Equal up to the last of 16 significant digits. The files are compared here for their
// layout; that numbers keep all 17 digits is tested apart (results_workbook_test.cpp).
bool nearlyEqual(double a, double b)
{
    return std::fabs(a - b) <= 1e-15 * std::max(std::fabs(a), std::fabs(b));
}

// Each CSV field against the workbook cell: a text is the same text, a number (or date)
// the same double, a missing value an empty field (and, on a site sheet, -99.9).
void expectCsvMatchesSheet(const std::string& csv, const readback::ReadSheet& sheet)
{
    SCOPED_TRACE(sheet.name);
    std::istringstream lines(csv);
    int row = 0;
    for (std::string line; std::getline(lines, line); ++row) {
        std::vector<std::string> fields = splitCsvLine(line);
        EXPECT_EQ(static_cast<int>(fields.size()), sheet.columnEnd) << "row " << row;
        for (int col = 0; col < static_cast<int>(fields.size()); ++col) {
            auto it = sheet.cells.find({row, col});
            const std::string& field = fields[static_cast<std::size_t>(col)];
            if (it == sheet.cells.end()) {
                EXPECT_EQ(field, "") << "row " << row << " col " << col;
                continue;
            }
            const readback::ReadCell& cell = it->second;
            if (cell.kind == "s") {
                EXPECT_EQ(field, cell.value) << "row " << row << " col " << col;
                continue;
            }
            double inSheet = 0, inCsv = 0;
            ASSERT_TRUE(parseNumber(cell.value, inSheet)) << cell.value;
            if (field.empty()) {
                EXPECT_DOUBLE_EQ(inSheet, -99.9) << "row " << row << " col " << col;
                continue;
            }
            ASSERT_TRUE(parseNumber(field, inCsv)) << "row " << row << " col " << col << ": " << field;
            EXPECT_PRED2(nearlyEqual, inCsv, inSheet) << "row " << row << " col " << col;
        }
    }
    EXPECT_EQ(row, sheet.cells.empty() ? 0 : sheet.cells.rbegin()->first.first + 1);
}

struct Example {
    const char* name;
    const char* options;
    std::vector<std::string> sheets;
};

class AssessExample : public ::testing::TestWithParam<Example> {};

TEST_P(AssessExample, WorkbooksAndCsvAgree)
{
    const Example& e = GetParam();
    TempDir dir;
    CliResult xlsx = assess(dir, shellQuote(example(std::string(e.name) + ".xlsx")) + " " + e.options + " -o " +
                               shellQuote(dir.file("results.xlsx")) + " --csv " + shellQuote(dir.file("csv")));
    ASSERT_EQ(xlsx.status, 0) << xlsx.err;
    EXPECT_EQ(xlsx.err, "");
    // The summary, with line feeds for CR LF, ends with the warning line about the taxa
    // the bundled list lacks (every example has two).
    EXPECT_EQ(xlsx.out.find('\r'), std::string::npos);
    EXPECT_EQ(xlsx.out.rfind("File:\t" + std::string(e.name) + ".xlsx\n", 0), 0u) << xlsx.out;
    EXPECT_NE(xlsx.out.find("\nA list of these will be saved in the results file.\n"), std::string::npos) << xlsx.out;
    EXPECT_EQ(readFile(dir.file("csv/job-summary.txt")).substr(0, xlsx.out.size()), xlsx.out);

    CliResult xls = assess(dir, shellQuote(example(std::string(e.name) + ".xls")) + " " + e.options + " --quiet -o " +
                              shellQuote(dir.file("results.xls")));
    ASSERT_EQ(xls.status, 0) << xls.err;
    EXPECT_EQ(xls.out, "");

    std::vector<readback::ReadSheet> fromXlsx = readback::readWorkbook(dir.file("results.xlsx"));
    std::vector<readback::ReadSheet> fromXls = readback::readWorkbook(dir.file("results.xls"));
    std::vector<std::string> names;
    for (const auto& s : fromXlsx)
        names.push_back(s.name);
    ASSERT_EQ(names, e.sheets);
    ASSERT_EQ(fromXls.size(), fromXlsx.size());
    for (std::size_t i = 0; i < fromXlsx.size(); ++i) {
        // The same cells in both formats, but for the file name in the summary's first line.
        readback::ReadSheet xlsSheet = fromXls[i];
        if (i == 0)
            xlsSheet.cells[{0, 0}] = fromXlsx[0].cells[{0, 0}];
        EXPECT_EQ(xlsSheet.cells.size(), fromXlsx[i].cells.size()) << e.sheets[i];
        for (const auto& [at, cell] : fromXlsx[i].cells) {
            auto it = xlsSheet.cells.find(at);
            ASSERT_NE(it, xlsSheet.cells.end()) << e.sheets[i] << " " << at.first << "," << at.second;
            EXPECT_EQ(it->second.kind, cell.kind) << e.sheets[i] << " " << at.first << "," << at.second;
            double fromXlsValue = 0, fromXlsxValue = 0;
            if (cell.kind == "s")
                EXPECT_EQ(it->second.value, cell.value) << e.sheets[i] << " " << at.first << "," << at.second;
            else if (parseNumber(it->second.value, fromXlsValue) && parseNumber(cell.value, fromXlsxValue))
                EXPECT_PRED2(nearlyEqual, fromXlsValue, fromXlsxValue) << e.sheets[i] << " " << at.first << ","
                                                                       << at.second;
            else
                ADD_FAILURE() << "not numbers: " << it->second.value << " and " << cell.value;
            EXPECT_EQ(it->second.format, cell.format) << e.sheets[i] << " " << at.first << "," << at.second;
        }
    }
    // Every sample row's date is a date cell: the examples' dates all lie in 2021 to 2023.
    const readback::ReadSheet& samples = fromXlsx[1];
    for (int row = 1; samples.cells.count({row, 0}); ++row) {
        const readback::ReadCell& date = samples.cells.at({row, 2});
        EXPECT_EQ(date.kind, "d") << row;
        EXPECT_EQ(date.format, 14) << row;
    }
    for (std::size_t i = 1; i < fromXlsx.size(); ++i) {
        std::string file = fromXlsx[i].name;
        for (char& c : file)
            c = c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string csv = readFile(dir.file("csv/" + file + ".csv"));
        ASSERT_FALSE(csv.empty()) << file;
        // Dates in the CSV are serial numbers, the sheet's date cells the same numbers.
        expectCsvMatchesSheet(csv, fromXlsx[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bundled, AssessExample,
    ::testing::Values(
        Example{"river", "--metric TDI",
                {"Job Summary", "Sample Summary", "Uncertainty TDI3", "Uncertainty TDI4"}},
        Example{"lake", "--metric LTDI",
                {"Job Summary", "Sample Summary", "Uncertainty LTDI1", "Uncertainty LTDI2"}},
        Example{"dam", "--metric DAM --first-row 7", {"Job Summary", "Sample Summary", "Uncertainty DAM"}}),
    [](const auto& info) { return std::string(info.param.name); });

class AssessNotWritten : public ::testing::Test {
protected:
    std::string river() const { return shellQuote(example("river.xlsx")); }
    TempDir dir;
};

TEST_F(AssessNotWritten, TargetIsAFolder)
{
    fs::create_directory(dir.file("out.xlsx"));
    CliResult run = assess(dir, river() + " -o " + shellQuote(dir.file("out.xlsx")));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err, "");
    EXPECT_EQ(run.err.back(), '\n');
    EXPECT_TRUE(fs::is_directory(dir.file("out.xlsx")));
    EXPECT_TRUE(fs::is_empty(dir.file("out.xlsx")));
}

TEST_F(AssessNotWritten, ExistingFileSurvivesAWriteCutShort)
{
    // A file size limit of 4 blocks (2 KB in sh) stops the write of the results workbook
    // (about 10 KB) part way, also as root; its signal is ignored so the write just fails.
    for (const char* name : {"kept.xlsx", "kept.xls"}) {
        const std::string before = "results of an earlier run\n";
        writeFile(dir.file(name), before);
        CliResult run = assess(dir, river() + " --quiet -o " + shellQuote(dir.file(name)), "trap '' XFSZ; ulimit -f 4; ");
        EXPECT_EQ(run.status, 3) << name << ": " << run.err;
        EXPECT_NE(run.err, "") << name;
        EXPECT_EQ(readFile(dir.file(name)), before) << name;
    }
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"kept.xls", "kept.xlsx", "stderr.txt"}));
}

fs::perms modeOf(const std::string& path) { return fs::status(path).permissions() & fs::perms::mask; }

// A results file its owner made read-only is kept with its mode (even by root): exit 3,
// the message and its detail line with the reason. A replaced file keeps its mode.
TEST_F(AssessNotWritten, ReadOnlyResultsFileIsKept)
{
    for (const char* name : {"locked.xlsx", "locked.xls"}) {
        const std::string target = dir.file(name);
        writeFile(target, "locked results\n");
        fs::permissions(target, fs::perms(0444));
        CliResult run = assess(dir, river() + " --quiet -o " + shellQuote(target));
        EXPECT_EQ(run.status, 3) << name;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "cannot write \"" + target + "\": Permission denied\n" + target + ": Permission denied\n");
        EXPECT_EQ(readFile(target), "locked results\n");
        EXPECT_EQ(modeOf(target), fs::perms(0444));

        fs::permissions(target, fs::perms(0640));
        run = assess(dir, river() + " --quiet -o " + shellQuote(target));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(readFile(target), "locked results\n");
        EXPECT_EQ(modeOf(target), fs::perms(0640));
    }
    // The same for a CSV file.
    fs::create_directory(dir.file("csv"));
    const std::string csv = dir.file("csv/uncertainty-tdi4.csv");
    writeFile(csv, "locked\n");
    fs::permissions(csv, fs::perms(0444));
    CliResult run = assess(dir, river() + " --quiet --csv " + shellQuote(dir.file("csv")));
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "Cannot write " + csv + ": Permission denied\n");
    EXPECT_EQ(readFile(csv), "locked\n");
    EXPECT_EQ(modeOf(csv), fs::perms(0444));
}

// The bundled example assessed into itself: refused before it is read, and kept.
TEST_F(AssessNotWritten, ResultsOverTheSampleWorkbookAreRefused)
{
    const std::string samples = dir.file("river.xlsx");
    fs::copy_file(example("river.xlsx"), samples);
    const std::string before = readFile(samples);
    fs::create_hard_link(samples, dir.file("same.xlsx"));
    for (const std::string& target : {samples, dir.file("./river.xlsx"), dir.file("same.xlsx")}) {
        CliResult run = assess(dir, shellQuote(samples) + " -o " + shellQuote(target));
        EXPECT_EQ(run.status, 2) << target;
        EXPECT_EQ(run.out, "") << target;
        EXPECT_NE(run.err.find("The results cannot be saved over the sample workbook"), std::string::npos) << run.err;
        EXPECT_EQ(readFile(samples), before) << target;
    }
}

TEST_F(AssessNotWritten, CsvFolderIsAFile)
{
    writeFile(dir.file("plain"), "x");
    CliResult run = assess(dir, river() + " --quiet --csv " + shellQuote(dir.file("plain")));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find(dir.file("plain")), std::string::npos) << run.err;
    EXPECT_EQ(readFile(dir.file("plain")), "x");
}

}  // namespace
