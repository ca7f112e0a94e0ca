// The bundled examples' results workbooks, both formats, as LibreOffice reads and prints
// them: every value it reads equals the value in our file (as openpyxl and xlrd read it),
// the "Sample quality" sheet and the provenance lines of "Job Summary" included,
// and the river example's "Sample Summary" prints on landscape pages one page wide with
// the header on top and the sheet name and page number at the foot.
//
// Each test runs soffice with a profile of its own in its temporary folder; ctest keeps
// two of these tests from running at once (RESOURCE_LOCK), as two soffice processes
// slow each other down to no purpose.

#include <charconv>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <sstream>

#include <gtest/gtest.h>

#include "base/civil_date.h"
#include "tests/results/csv_line.h"
#include "tests/results/workbook_readback.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using testing_support::commandOutput;
using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::TempDir;

namespace {

// Comma, double quote, UTF-8, from line 1, no cell formats, English (USA) dates, quote
// texts only as needed, store numbers in full rather than as shown, every sheet to a
// file of its own ("book-Sheet name.csv").
const char* kCsvFilter = "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,false,false,false,-1";

// soffice has been seen to hang when its profile is damaged; no run may take longer.
const char* kTimeout = "timeout 300 ";

std::string example(const std::string& name) { return std::string(TORVEN_SOURCE_DIR) + "/data/examples/" + name; }

// Runs soffice to convert each file into folder; its output (for a failure message) in log.
bool convert(const TempDir& dir, const std::string& filter, const std::vector<std::string>& files,
             const std::string& folder, std::string& log)
{
    std::string command = kTimeout + std::string("soffice --headless --norestore -env:UserInstallation=") +
                          shellQuote("file://" + dir.file("profile")) + " --convert-to " + shellQuote(filter) +
                          " --outdir " + shellQuote(folder);
    for (const std::string& f : files)
        command += " " + shellQuote(f);
    int status = -1;
    log = commandOutput(command + " 2>&1", &status);
    return status == 0;
}

bool parseNumber(const std::string& text, double& value)
{
    auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// "MM/DD/YYYY" as a serial day number of the 1900 date system.
bool parseUsDate(const std::string& text, double& serial)
{
    unsigned month = 0, day = 0;
    long long year = 0;
    char slash1 = 0, slash2 = 0;
    std::istringstream in(text);
    if (!(in >> month >> slash1 >> day >> slash2 >> year) || slash1 != '/' || slash2 != '/' || !in.eof())
        return false;
    serial = static_cast<double>(civil::DaysFromDate(year, month, day) + civil::kDaysFrom1899To1970);
    return true;
}

// LibreOffice writes a number with 15 significant digits but never more than 20
// decimals (a probability of 1.32e-12 comes out as 0.00000000000132366182).
bool sameAsWritten(double a, double b)
{
    return std::fabs(a - b) <= std::max(1e-14 * std::max(std::fabs(a), std::fabs(b)), 5e-21);
}

// Every field of LibreOffice's CSV file against the cell in our file.
void expectCsvEqualsSheet(const std::string& csv, const readback::ReadSheet& sheet)
{
    SCOPED_TRACE(sheet.name);
    ASSERT_FALSE(csv.empty());
    std::istringstream lines(csv);
    int row = 0;
    std::size_t seen = 0;
    for (std::string line; std::getline(lines, line); ++row) {
        const std::vector<std::string> fields = testing_support::splitCsvLine(line);
        for (int col = 0; col < static_cast<int>(fields.size()); ++col) {
            const std::string& field = fields[static_cast<std::size_t>(col)];
            auto it = sheet.cells.find({row, col});
            if (it == sheet.cells.end()) {
                EXPECT_EQ(field, "") << "row " << row << " col " << col;
                continue;
            }
            ++seen;
            const readback::ReadCell& cell = it->second;
            double ours = 0, theirs = 0;
            if (cell.kind == "s") {
                EXPECT_EQ(field, cell.value) << "row " << row << " col " << col;
            } else if (!parseNumber(cell.value, ours)) {
                ADD_FAILURE() << "row " << row << " col " << col << ": not a number " << cell.value;
            } else if (cell.kind == "d") {
                EXPECT_TRUE(parseUsDate(field, theirs) && theirs == ours)
                    << "row " << row << " col " << col << ": " << field << " for serial " << cell.value;
            } else {
                EXPECT_TRUE(parseNumber(field, theirs) && sameAsWritten(theirs, ours))
                    << "row " << row << " col " << col << ": " << field << " for " << cell.value;
            }
        }
    }
    // Every cell of ours was among LibreOffice's fields.
    EXPECT_EQ(seen, sheet.cells.size());
}

struct Example {
    const char* name;
    const char* options;
};

void PrintTo(const Example& e, std::ostream* out) { *out << e.name << " " << e.options; }

class LibreOffice : public ::testing::TestWithParam<Example> {
protected:
    // The results of the example in both formats, written by torven-cli.
    void SetUp() override
    {
        const Example& e = GetParam();
        const std::string cli = std::string(TORVEN_BIN_DIR) + "/torven-cli";
        const std::string db = std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb";
        for (const char* extension : {".xlsx", ".xls"}) {
            // A stem of its own for each format: soffice names what it converts by the stem,
            // and the two files differ (each names its own time of analysis).
            const std::string out = dir.file(std::string(e.name) + "-results-" + (extension + 1) + extension);
            int status = -1;
            std::string log = commandOutput(shellQuote(cli) + " assess " + shellQuote(example(std::string(e.name) + ".xlsx")) +
                                                " " + e.options + " --quiet --db " + shellQuote(db) + " -o " +
                                                shellQuote(out) + " 2>&1",
                                            &status);
            ASSERT_EQ(status, 0) << log;
            results.push_back(out);
        }
    }

    TempDir dir;
    std::vector<std::string> results;
};

TEST_P(LibreOffice, ReadsEveryValueAsWeWroteIt)
{
    std::string log;
    ASSERT_TRUE(convert(dir, kCsvFilter, results, dir.file("csv"), log)) << log;
    for (const std::string& path : results) {
        SCOPED_TRACE(path);
        const std::vector<readback::ReadSheet> sheets = readback::readWorkbook(path);
        ASSERT_GE(sheets.size(), 3u);
        const std::string stem = fs::path(path).stem().string();
        for (const readback::ReadSheet& sheet : sheets)
            expectCsvEqualsSheet(readFile(dir.file("csv/" + stem + "-" + sheet.name + ".csv")), sheet);
    }
}

INSTANTIATE_TEST_SUITE_P(Bundled, LibreOffice,
                         ::testing::Values(Example{"river", "--metric TDI"}, Example{"lake", "--metric LTDI"},
                                           Example{"dam", "--metric DAM --first-row 7"}),
                         [](const auto& info) { return std::string(info.param.name); });

class LibreOfficePrint : public LibreOffice {};

// The pages of a PDF file as pdftotext lays them out, split at its form feeds.
std::vector<std::string> pdfPages(const std::string& pdf)
{
    std::string text = commandOutput("pdftotext -layout " + shellQuote(pdf) + " - 2>&1");
    std::vector<std::string> pages;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\f', begin)) != std::string::npos; begin = end + 1)
        pages.push_back(text.substr(begin, end - begin));
    return pages;
}

TEST_P(LibreOfficePrint, SampleSummaryPrintsOnePageWide)
{
    std::string log;
    ASSERT_TRUE(convert(dir, "pdf", results, dir.file("pdf"), log)) << log;
    for (const std::string& path : results) {
        SCOPED_TRACE(path);
        const std::string pdf = dir.file("pdf/" + fs::path(path).stem().string() + ".pdf");
        const std::string info = commandOutput("pdfinfo " + shellQuote(pdf) + " 2>&1");
        // A4 across: 842 by 595 points.
        double width = 0, height = 0;
        const std::size_t size = info.find("Page size:");
        ASSERT_NE(size, std::string::npos) << info;
        ASSERT_EQ(std::sscanf(info.c_str() + size, "Page size: %lf x %lf", &width, &height), 2) << info;
        EXPECT_NEAR(width, 841.9, 0.5);
        EXPECT_NEAR(height, 595.3, 0.5);
        const std::vector<std::string> pages = pdfPages(pdf);
        const std::vector<readback::ReadSheet> sheets = readback::readWorkbook(path);
        ASSERT_EQ(sheets.size(), 6u);
        // One page a sheet: nothing is split across pages by columns (16 samples fit
        // one page down as well). Each page's foot names its sheet and page.
        ASSERT_EQ(pages.size(), sheets.size()) << info;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            EXPECT_NE(pages[p].find(sheets[p].name), std::string::npos) << p;
            EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1) + " of 6"), std::string::npos) << pages[p];
        }
        // Every header and every sample name of "Sample Summary" is on its one page,
        // whole: no header is cut off and no column went to another page.
        const readback::ReadSheet& samples = sheets[1];
        for (const auto& [at, cell] : samples.cells) {
            if (cell.kind == "s" && (at.first == 0 || at.second == 0)) {
                EXPECT_NE(pages[1].find(cell.value), std::string::npos) << cell.value;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bundled, LibreOfficePrint, ::testing::Values(Example{"river", "--metric TDI"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Title, subject, keywords and comments as LibreOffice reads them from each format's
// document properties (it writes its own name as the generator, so the application is
// tested elsewhere); the comments hold the provenance lines.
TEST_P(LibreOfficePrint, DocumentPropertiesAreRead)
{
    std::string log;
    ASSERT_TRUE(convert(dir, "fods", results, dir.file("fods"), log)) << log;
    for (const std::string& path : results) {
        SCOPED_TRACE(path);
        const std::string flat = readFile(dir.file("fods/" + fs::path(path).stem().string() + ".fods"));
        EXPECT_NE(flat.find("<dc:title>TORVEN II results</dc:title>"), std::string::npos);
        EXPECT_NE(flat.find("<dc:subject>river.xlsx</dc:subject>"), std::string::npos);
        // The keywords "TORVEN II, TDI": LibreOffice splits those of an .xlsx at spaces.
        EXPECT_NE(flat.find("<meta:keyword>TORVEN"), std::string::npos);
        EXPECT_NE(flat.find("TDI</meta:keyword>"), std::string::npos);
        const std::size_t description = flat.find("<dc:description>");
        ASSERT_NE(description, std::string::npos);
        const std::string comments = flat.substr(description, flat.find("</dc:description>") - description);
        const std::string digest =
            commandOutput("sha256sum " + shellQuote(std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb")).substr(0, 64);
        EXPECT_NE(comments.find("Program: TORVEN II "), std::string::npos) << comments;
        EXPECT_NE(comments.find("Sample workbook: river.xlsx"), std::string::npos) << comments;
        EXPECT_NE(comments.find("Reference database SHA-256: " + digest), std::string::npos) << comments;
    }
}

}  // namespace
