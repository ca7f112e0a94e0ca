#include <filesystem>

#include <gtest/gtest.h>

#include "tests/cli/cli_run.h"
#include "tests/import/import_fixture.h"

namespace {

using import_fixture::riversSheet;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;

class AssessUsage : public ::testing::Test {
protected:
    AssessUsage() : book(import_fixture::writeWorkbook(dir, "book.xlsx", {riversSheet()})) {}

    CliRun assess(const std::string& options)
    {
        // No database beside the test: nothing here may get as far as needing one.
        return runCli(dir, "assess " + shellQuote(book) + " --db " + shellQuote(dir.file("none.mdb")) + options);
    }

    TempDir dir;
    std::string book;
};

TEST_F(AssessUsage, BadOptionsExitTwoWithNothingOnStandardOutput)
{
    for (const char* options : {" --first-row 0", " --first-row x", " --first-col 0", " --first-col A1",
                                " --first-col", " --metric TDI3", " --bogus", " --job"}) {
        CliRun run = assess(options);
        EXPECT_EQ(run.status, 2) << options;
        EXPECT_EQ(run.out, "") << options;
        EXPECT_NE(run.err, "") << options;
    }
    EXPECT_EQ(runCli(dir, "assess").status, 2);
}

// Results over the samples would lose them: refused as a usage error before the workbook
// is read (no database is there to be opened), however the path is spelled, a hard link
// included. The workbook stays byte for byte as it was.
TEST_F(AssessUsage, ResultsOverTheWorkbookAreRefused)
{
    const std::string before = testing_support::readFile(book);
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_hard_link(book, dir.file("link.xlsx"));
    const std::string spellings[] = {book, dir.file("sub/../book.xlsx"), dir.file("./book.xlsx"), dir.file("link.xlsx")};
    for (const std::string& target : spellings) {
        CliRun run = assess(" -o " + shellQuote(target));
        EXPECT_EQ(run.status, 2) << target;
        EXPECT_EQ(run.out, "") << target;
        EXPECT_NE(run.err.find("The results cannot be saved over the sample workbook they were read from."),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(testing_support::readFile(book), before) << target;
    }
    // Run from the workbook's folder, a bare file name is the same file.
    int status = -1;
    testing_support::commandOutput("cd " + shellQuote(dir.path().string()) + " && " +
                                       shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-cli") +
                                       " assess book.xlsx --db none.mdb -o book.xlsx 2>/dev/null",
                                   &status);
    EXPECT_EQ(status, 2);
    // CSV files named like a results table over the workbook are refused too.
    const std::string csvBook = dir.file("sample-summary.csv");
    std::filesystem::copy_file(book, csvBook);
    CliRun run = runCli(dir, "assess " + shellQuote(csvBook) + " --db none.mdb --csv " + shellQuote(dir.file(".")));
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(testing_support::readFile(csvBook), before);
    EXPECT_EQ(testing_support::readFile(book), before);
}

TEST_F(AssessUsage, DefaultValuesAsTheDialogChecksThem)
{
    struct Case {
        const char* options;
        const char* message;
    } cases[] = {
        {" --alkalinity 1000.5", "Please enter a number between 0 and 1000.\n"},
        {" --alkalinity -1", "Please enter a number between 0 and 1000.\n"},
        {" --calcium 101", "Please enter a number between 0 and 100.\n"},
        {" --doc 20.01", "Please enter a number between 0 and 20.\n"},
        {" --doc abc", "Please enter a number.\n"},
        {" --calcium ''", "Please enter a number.\n"},
        {" --alkalinity 5mg", "Please enter a number.\n"},
        // Alkalinity, calcium, DOC: the dialog's order, whatever the order of the options.
        {" --doc abc --calcium 500 --alkalinity 2000", "Please enter a number between 0 and 1000.\n"},
        {" --doc abc --calcium 500", "Please enter a number between 0 and 100.\n"},
    };
    for (const Case& c : cases) {
        CliRun run = assess(c.options);
        EXPECT_EQ(run.status, 2) << c.options;
        EXPECT_EQ(run.err, c.message) << c.options;
        EXPECT_EQ(run.out, "") << c.options;
    }
}

TEST_F(AssessUsage, BoundsThemselvesAreAccepted)
{
    // The values pass; the run then fails for want of a database, which is no usage error.
    CliRun run = assess(" --alkalinity 1000 --calcium 100 --doc 0 --first-col aa --metric dam");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_GE(run.err.size(), 28u);
    EXPECT_EQ(run.err.substr(run.err.size() - 28), "Error retrieving taxon list\n");
}

// Runs against a reference database written by torven-mkrefdb.
class AssessImport : public ::testing::Test {
protected:
    AssessImport()
    {
        writeFile(dir.file("taxa.csv"), "NBNCode:text,OtherCode:text,TDI3:double,TDI4:double\nNBN0001,A,1,2\n");
        writeFile(dir.file("boundaries.csv"),
                  "SiteType:text,LakeType:text,MedianTDI:double,HG:double,GM:double,MP:double,PB:double\n"
                  "TDI3,,1,0.9,0.7,0.5,0.3\nTDI4,,1,0.8,0.6,0.4,0.2\n"
                  "LTDI1,HA,1,0.9,0.7,0.5,0.3\nLTDI2,HA,1,0.8,0.6,0.4,0.2\n");
        writeFile(dir.file("coc.csv"), "SiteType:text,Coefficient:long,Value:double\nTDI,1,1\nTDI,2,2\nTDI,3,3\nTDI,4,4\n");
        database = dir.file("ref.mdb");
        int status = 0;
        std::string output = testing_support::commandOutput(
            shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-mkrefdb") + " --allow-problems -o " + shellQuote(database)
                + " NBSMasterTaxonList_PhaseII=" + shellQuote(dir.file("taxa.csv"))
                + " Boundaries=" + shellQuote(dir.file("boundaries.csv")) + " CoC=" + shellQuote(dir.file("coc.csv"))
                + " 2>&1",
            &status);
        EXPECT_EQ(status, 0) << output;
        import_fixture::SheetSpec notes("Notes");
        notes.text(1, 1, "nothing");
        // A lake sheet whose second sample has no lake type: the analysis stops.
        import_fixture::SheetSpec lakes = riversSheet("Lakes");
        lakes.text(4, 1, "Lake type").text(4, 3, "HA").text(4, 4, "");
        book = import_fixture::writeWorkbook(dir, "book.xls", {riversSheet(), notes, lakes});
    }

    CliRun assess(const std::string& options)
    {
        return runCli(dir, "assess " + shellQuote(book) + " --db " + shellQuote(database) + options);
    }

    TempDir dir;
    std::string database;
    std::string book;
};

TEST_F(AssessImport, SummaryOnStandardOutputWithLineFeeds)
{
    // The first data row is guessed from column B (row 5), the column defaults to C.
    CliRun run = assess("");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // The import's lines, then the analysis's paragraphs, each beginning with a blank line.
    const std::string importPart = "File:\tbook.xls\nWorksheet:\tSamples\n\nMetric:\tTDI\n\n"
                                   "Number of taxa:\t2\nNumber of samples:\t2\n";
    EXPECT_EQ(run.out.substr(0, importPart.size()), importPart);
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    EXPECT_EQ(run.out.back(), '\n');
    // A database of one's own is not demonstration data; this one's problems are named.
    EXPECT_EQ(run.out.find("demonstration"), std::string::npos);
    EXPECT_NE(run.out.find("\n\nReference database: "), std::string::npos);
    run = assess(" --quiet --first-col D --first-row 6");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(AssessImport, ImportFailuresExitOne)
{
    CliRun run = assess(" --metric DaM");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Insufficient data to calculate EQR.\n"
                       "Sampling date, calcium and DOC values must be in rows 3, 5 and 6.\n");
    EXPECT_EQ(run.out, "");
    run = assess(" --sheet Notes");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Worksheet has no data, try again\n");
}

// "Error reading file" stays the first line; the next names the file and says why.
TEST_F(AssessImport, UnreadableWorkbooksSayWhy)
{
    for (const import_fixture::UnreadableFile& file : import_fixture::writeUnreadableFiles(dir)) {
        CliRun run = runCli(dir, "assess " + shellQuote(file.path) + " --db " + shellQuote(database));
        EXPECT_EQ(run.status, 1) << file.path;
        EXPECT_EQ(run.err, "Error reading file\n" + file.path + ": " + file.reason + "\n");
        EXPECT_EQ(run.out, "") << file.path;
    }
}

TEST_F(AssessImport, FailedAnalysisStillPrintsTheSummary)
{
    // The job form shows the summary after a failed analysis; so does standard output.
    CliRun run = assess(" --sheet Lakes --metric LTDI");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Lake typology information missing for 1 samples with no default.\n"
                       "Correct the error and try again.\n");
    const std::string importPart = "File:\tbook.xls\nWorksheet:\tLakes\n\nMetric:\tLTDI\n\n"
                                   "Number of taxa:\t2\nNumber of samples:\t2\n";
    EXPECT_EQ(run.out.substr(0, importPart.size()), importPart) << run.out;
    EXPECT_EQ(run.out.find('\r'), std::string::npos);

    run = assess(" --sheet Lakes --metric LTDI --quiet");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
}

// --verbose: after the summary, one line saying how the workbook was read, and why it was
// loaded whole where it was; the summary itself unchanged.
TEST_F(AssessImport, VerboseSaysHowTheWorkbookWasRead)
{
    import_fixture::SheetSpec textCount = riversSheet("TextCount");
    textCount.text(6, 4, "n/a");
    const std::string streamed = import_fixture::writeXlsxWith(dir, "pandas.xlsx", {riversSheet(), textCount},
                                                               import_fixture::XlsxWriter::OpenpyxlWriteOnly);
    auto run = [&](const std::string& workbook, const std::string& options) {
        return runCli(dir, "assess " + shellQuote(workbook) + " --db " + shellQuote(database) + options);
    };
    const CliRun plain = run(streamed, " --first-row 5");
    ASSERT_EQ(plain.status, 0) << plain.err;
    CliRun verbose = run(streamed, " --first-row 5 --verbose");
    EXPECT_EQ(verbose.status, 0) << verbose.err;
    EXPECT_EQ(verbose.out, plain.out + streamed + ": streamed\n");
    EXPECT_EQ(verbose.err, plain.err);
    verbose = run(streamed, " --verbose --quiet --first-row 5");
    EXPECT_EQ(verbose.out, streamed + ": streamed\n");

    // The first data row guessed from the sheet's first rows (row 5: the first text in
    // column B), the sheet streamed all the same, with the summary of the given row.
    verbose = run(streamed, " --verbose");
    EXPECT_EQ(verbose.out, plain.out + streamed + ": streamed\n");
    verbose = run(book, " --verbose --quiet --first-row 5");
    EXPECT_EQ(verbose.out, book + ": loaded whole: an .xls workbook is always read whole\n");

    // A failed import says how it read the workbook too, after its message.
    verbose = run(streamed, " --verbose --sheet TextCount --first-row 5");
    EXPECT_EQ(verbose.status, 1);
    EXPECT_EQ(verbose.err, "Error: indeterminate data in row 6, col 4\n");
    EXPECT_EQ(verbose.out, streamed + ": loaded whole: the count in row 6, column 4 is not a number\n");
}

TEST_F(AssessImport, SheetThatDoesNotExistIsAUsageError)
{
    CliRun run = assess(" --sheet samples");  // names match exactly
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("samples"), std::string::npos);
}

}  // namespace

TEST(CliHelp, UsageAndLicence)
{
    testing_support::TempDir dir;
    CliRun run = runCli(dir, "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("torven-cli assess WORKBOOK"), std::string::npos);
    EXPECT_NE(run.out.find("GNU General Public License, version 3 or (at your option) any later version"),
              std::string::npos);
    // A usage error shows the usage alone, on standard error.
    run = runCli(dir, "frobnicate");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.find("GNU"), std::string::npos);
}
