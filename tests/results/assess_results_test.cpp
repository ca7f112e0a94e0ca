// torven-cli assess end to end on the bundled examples with the bundled database: the
// results workbook in both formats and the CSV files agree cell for cell, and a results
// file that cannot be written gives exit status 3 and leaves an existing file as it was.

#include <algorithm>
#include <cstdio>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "base/civil_date.h"
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

std::string database() { return std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb"; }

// The digest as coreutils' sha256sum computes it, independently of ours.
std::string sha256sum(const std::string& path)
{
    return testing_support::commandOutput("sha256sum " + shellQuote(path)).substr(0, 64);
}

// The line of text that begins with prefix (without its line feed); empty when none does.
std::string lineStarting(const std::string& text, const std::string& prefix)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(prefix))
            return line;
    return std::string();
}

bool parseNumber(const std::string& text, double& value)
{
    auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// The ISO 8601 text of a serial day number, worked out from the calendar's own rules.
std::string isoDate(double serial)
{
    const civil::Date date = civil::DateFromDays(static_cast<std::int64_t>(serial) - civil::kDaysFrom1899To1970);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year), date.month, date.day);
    return text;
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
            if (cell.kind == "d") {
                // A date cell is its ISO date in the CSV file.
                EXPECT_EQ(field, isoDate(inSheet)) << "row " << row << " col " << col;
                continue;
            }
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
    const std::string summaryText = readFile(dir.file("csv/job-summary.txt"));
    EXPECT_EQ(summaryText.substr(0, xlsx.out.size()), xlsx.out);
    // The provenance ends the text file: the workbook by name and digest, the database.
    EXPECT_NE(summaryText.find("\nSample workbook: " + std::string(e.name) + ".xlsx\nSample workbook SHA-256: " +
                               sha256sum(example(std::string(e.name) + ".xlsx")) + "\n"),
              std::string::npos)
        << summaryText;
    EXPECT_NE(summaryText.find("\nReference database SHA-256: " + sha256sum(database()) + "\nMaster taxon list: "),
              std::string::npos)
        << summaryText;
    // The bundled database is demonstration data: the import's part of the summary ends
    // saying so, and so do the provenance lines.
    const std::string demonstration = "Reference database: demonstration data, not for reporting";
    EXPECT_NE(xlsx.out.find("\n\n" + demonstration + "\n\n"), std::string::npos) << xlsx.out;
    EXPECT_LT(xlsx.out.find(demonstration), xlsx.out.find("\nA list of these will be saved"));
    EXPECT_EQ(summaryText.substr(summaryText.size() - demonstration.size() - 1), demonstration + "\n");

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
        if (i == 0) {
            xlsSheet.cells[{0, 0}] = fromXlsx[0].cells[{0, 0}];
            // The provenance names each run's own workbook, digest and time.
            for (const auto& [at, cell] : fromXlsx[0].cells)
                if (cell.value.starts_with("Sample workbook") || cell.value.starts_with("Analysed: "))
                    xlsSheet.cells[at] = cell;
        }
        // Each run's own workbook and its digest.
        if (e.sheets[i] == "Sources")
            for (const std::pair<int, int>& at : {std::make_pair(1, 0), std::make_pair(1, 1)})
                xlsSheet.cells[at] = fromXlsx[i].cells.at(at);
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
        // Dates in the CSV are ISO dates of the sheet's date cells.
        expectCsvMatchesSheet(csv, fromXlsx[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bundled, AssessExample,
    ::testing::Values(
        Example{"river", "--metric TDI",
                {"Job Summary", "Sample Summary", "Uncertainty TDI3", "Uncertainty TDI4", "Sample quality", "Sources"}},
        Example{"lake", "--metric LTDI",
                {"Job Summary", "Sample Summary", "Uncertainty LTDI1", "Uncertainty LTDI2", "Sample quality", "Sources"}},
        Example{"dam", "--metric DAM --first-row 7", {"Job Summary", "Sample Summary", "Uncertainty DAM", "Sample quality", "Sources"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The fields of the CSV line whose first field is key; empty when there is none.
std::vector<std::string> csvRow(const std::string& csv, const std::string& key)
{
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields = splitCsvLine(line);
        if (!fields.empty() && fields[0] == key)
            return fields;
    }
    return {};
}

double numberOf(const std::string& field)
{
    double value = 0;
    EXPECT_TRUE(parseNumber(field, value)) << field;
    return value;
}

// The DAM example's LIZA03-3 has 64 mg/l DOC (held at 50) and 29.6 ueq/l calcium: eDAM
// 33 log10(29.6) - 5.5 - 1.9 * 50 = -51.947374, below 0, so no EQR and no class. Its
// taxa: 300 scored valves of 311 (two unlisted taxa, 6 and 5), weighted score 1053, so
// DAM = 25 * 1053 / 300 - 25 = 62.75. The site's other three samples have EQRs above 1
// (28.08 / 27.94, 45.17 / 27.17, 40.33 / 27.44), held at 1: the site's mean is 1, High,
// from 3 samples with 1 missing.
TEST(AssessDam, ExpectedValueBelowZeroGivesNoEqr)
{
    TempDir dir;
    CliResult run = assess(dir, shellQuote(example("dam.xlsx")) + " --metric DAM --first-row 7 --quiet --csv " +
                                    shellQuote(dir.file("csv")));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> sample = csvRow(readFile(dir.file("csv/sample-summary.csv")), "LIZA03-3");
    ASSERT_EQ(sample.size(), 17u);
    EXPECT_EQ(sample[1], "LIZA03");
    EXPECT_EQ(sample[4], "29.6");
    EXPECT_EQ(sample[5], "64");
    EXPECT_EQ(numberOf(sample[6]), 311);                    // Sample sum
    EXPECT_EQ(numberOf(sample[7]), 300);                    // Sum DAM
    EXPECT_NEAR(numberOf(sample[8]), 62.75, 1e-12);         // DAM
    EXPECT_NEAR(numberOf(sample[9]), -51.947373535, 1e-9);  // eDAM, kept
    EXPECT_EQ(sample[10], "");                              // EQR DAM
    EXPECT_EQ(sample[11], "");                              // Class DAM
    EXPECT_EQ(sample[16], "DOC > 50, value set to 50 mg/l; No EQR: expected value not above 0");

    const std::vector<std::string> site = csvRow(readFile(dir.file("csv/uncertainty-dam.csv")), "LIZA03");
    ASSERT_GE(site.size(), 5u);
    EXPECT_EQ(site[1], "3");  // No. Samples
    EXPECT_EQ(site[2], "1");  // No. missing
    EXPECT_EQ(site[3], "1");  // Mean EQR
    EXPECT_EQ(site[4], "High");
    // The probabilities at 0.999 (the spread held at 1 on the logit scale): High is
    // 100 (1 - Phi(logit 0.83 - logit 0.999)) = 100 (1 - Phi(-5.3212)), Phi(-5.32) about 5.2e-8.
    EXPECT_NEAR(numberOf(site[5]), 100 - 5.15e-6, 0.05e-6);

    // Its quality row: 300 of 311 valves scored (96.46 %), the DOC held at its limit, no EQR.
    const std::vector<std::string> quality = csvRow(readFile(dir.file("csv/sample-quality.csv")), "LIZA03-3");
    ASSERT_EQ(quality.size(), 6u);
    EXPECT_EQ(quality[1], "LIZA03");
    EXPECT_EQ(numberOf(quality[2]), 311);
    EXPECT_NEAR(numberOf(quality[3]), 96.463022508, 1e-9);
    EXPECT_EQ(quality[4], "1");
    EXPECT_EQ(quality[5], "1 chemistry value missing or out of range; No EQR for DAM");
}

// One byte of the reference database changed (in the free space of a data page, which no
// reader looks at): the same results, but the digest in the provenance follows the file.
TEST(AssessProvenance, OneByteOfTheDatabaseChangesItsDigest)
{
    TempDir dir;
    const std::string copy = dir.file("TORVENII.mdb");
    fs::copy_file(database(), copy);
    auto run = [&](const std::string& folder) {
        const std::string cli = std::string(TORVEN_BIN_DIR) + "/torven-cli";
        int status = -1;
        testing_support::commandOutput(shellQuote(cli) + " assess " + shellQuote(example("river.xlsx")) +
                                           " --quiet --db " + shellQuote(copy) + " --csv " + shellQuote(folder),
                                       &status);
        EXPECT_EQ(status, 0);
        return readFile(folder + "/job-summary.txt");
    };
    const std::string before = run(dir.file("before"));
    const std::string digestBefore = sha256sum(copy);
    EXPECT_EQ(lineStarting(before, "Reference database SHA-256: "), "Reference database SHA-256: " + digestBefore);

    // Jet 4 pages are 4096 bytes; a data page begins with 1 and keeps its free space, zeros,
    // between its row offsets and its rows.
    std::string bytes = readFile(copy);
    std::size_t changed = std::string::npos;
    for (std::size_t page = 0; page + 4096 <= bytes.size() && changed == std::string::npos; page += 4096) {
        if (bytes[page] != 1)
            continue;
        const std::size_t zeros = bytes.substr(page, 4096).find(std::string(64, '\0'));
        if (zeros != std::string::npos)
            changed = page + zeros + 32;
    }
    ASSERT_NE(changed, std::string::npos);
    bytes[changed] = 0x55;
    writeFile(copy, bytes);
    const std::string after = run(dir.file("after"));
    const std::string digestAfter = sha256sum(copy);
    EXPECT_NE(digestAfter, digestBefore);
    EXPECT_EQ(lineStarting(after, "Reference database SHA-256: "), "Reference database SHA-256: " + digestAfter);
    for (const char* file : {"sample-summary.csv", "uncertainty-tdi3.csv", "uncertainty-tdi4.csv", "sample-quality.csv"})
        EXPECT_EQ(readFile(dir.file(std::string("after/") + file)), readFile(dir.file(std::string("before/") + file)))
            << file;
}

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
