// What a run may write and what it may read: targets that are no regular file or that are
// the run's own inputs are usage errors with nothing written; impossible counts and a
// damaged reference database stop the run with the cell or the file named.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "tests/cli/cli_run.h"
#include "tests/import/import_fixture.h"

namespace {

namespace fs = std::filesystem;
using import_fixture::riversSheet;
using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;

class RunTargets : public ::testing::Test {
protected:
    RunTargets()
    {
        writeFile(dir.file("taxa.csv"),
                  "NBNCode:text,OtherCode:text,TDI3:double,TDI4:double\nNBN0001,A,1,2\nNBN0002,B,4,5\n");
        writeFile(dir.file("boundaries.csv"),
                  "SiteType:text,LakeType:text,MedianTDI:double,HG:double,GM:double,MP:double,PB:double\n"
                  "TDI3,,1,0.9,0.7,0.5,0.3\nTDI4,,1,0.8,0.6,0.4,0.2\n");
        writeFile(dir.file("coc.csv"), "SiteType:text,Coefficient:long,Value:double\nTDI,1,1\nTDI,2,2\nTDI,3,3\nTDI,4,4\n");
        database = dir.file("ref.mdb");
        int status = 0;
        // Checked, the stand-in lists would have problems (no lake boundaries): written all the same.
        const std::string output =
            testing_support::commandOutput(mkrefdb(" --allow-problems -o " + shellQuote(database)) + " 2>&1", &status);
        EXPECT_EQ(status, 0) << output;
        book = import_fixture::writeWorkbook(dir, "book.xlsx", {riversSheet()});
        writeFile(dir.file("map.csv"), "code,mapped code,name,mapped name,reason\n");
    }

    std::string mkrefdb(const std::string& output) const
    {
        return shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-mkrefdb") + output
            + " NBSMasterTaxonList_PhaseII=" + shellQuote(dir.file("taxa.csv"))
            + " Boundaries=" + shellQuote(dir.file("boundaries.csv")) + " CoC=" + shellQuote(dir.file("coc.csv"));
    }

    CliRun assess(const std::string& options, const std::string& workbook = "")
    {
        return runCli(dir, "assess " + shellQuote(workbook.empty() ? book : workbook) + " --db " + shellQuote(database)
                               + options);
    }

    std::set<std::string> names(const std::string& folder) const
    {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.file(folder)))
            found.insert(entry.path().filename().string());
        return found;
    }

    TempDir dir;
    std::string database;
    std::string book;
};

TEST_F(RunTargets, AFifoOrADeviceAsOutputIsAUsageErrorAndNothingIsWritten)
{
    const std::string fifo = dir.file("out.xlsx");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    CliRun run = assess(" -o " + shellQuote(fifo));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(fifo + ": it is not a regular file"), std::string::npos) << run.err;
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    run = assess(" -o /dev/null");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("/dev/null: it is not a regular file"), std::string::npos) << run.err;

    // A FIFO among the CSV files: refused once the files' names are known, before the
    // results workbook or any CSV file is written.
    fs::create_directory(dir.file("csv"));
    writeFile(dir.file("csv/sample-summary.csv"), "the last run's");
    ASSERT_EQ(::mkfifo(dir.file("csv/uncertainty-tdi3.csv").c_str(), 0644), 0);
    run = assess(" --quiet -o " + shellQuote(dir.file("new.xlsx")) + " --csv " + shellQuote(dir.file("csv")));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("uncertainty-tdi3.csv: it is not a regular file"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.file("new.xlsx")));
    EXPECT_EQ(readFile(dir.file("csv/sample-summary.csv")), "the last run's");
    EXPECT_EQ(names("csv"), (std::set<std::string>{"sample-summary.csv", "uncertainty-tdi3.csv"}));
    EXPECT_EQ(names("."), (std::set<std::string>{"taxa.csv", "boundaries.csv", "coc.csv", "ref.mdb", "book.xlsx",
                                                 "book.xlsx.json", "map.csv", "out.xlsx", "csv", "stderr.txt"}));

    // A FIFO among the charts: refused before the CSV files are written.
    ::unlink(dir.file("csv/uncertainty-tdi3.csv").c_str());
    fs::create_directory(dir.file("charts"));
    ASSERT_EQ(::mkfifo(dir.file("charts/chart-tdi3.png").c_str(), 0644), 0);
    run = assess(" --quiet --csv " + shellQuote(dir.file("csv")) + " --chart " + shellQuote(dir.file("charts")));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("chart-tdi3.png: it is not a regular file"), std::string::npos) << run.err;
    EXPECT_EQ(names("csv"), std::set<std::string>{"sample-summary.csv"});
    EXPECT_EQ(names("charts"), std::set<std::string>{"chart-tdi3.png"});
}

TEST_F(RunTargets, TheRunsOwnInputsAreNeverWrittenOver)
{
    const std::string databaseBefore = readFile(database);
    fs::create_directory(dir.file("sub"));
    ASSERT_EQ(::link(database.c_str(), dir.file("sub/db-link.xlsx").c_str()), 0);
    ASSERT_EQ(::symlink("../map.csv", dir.file("sub/map-link.xls").c_str()), 0);
    struct Case {
        std::string options;
        std::string refused;
    };
    const Case cases[] = {
        {" -o " + shellQuote(database), "it is the reference database this run reads"},
        {" -o " + shellQuote(dir.file("sub/db-link.xlsx")), "it is the reference database this run reads"},
        {" -o " + shellQuote(dir.file("sub/../ref.mdb")), "it is the reference database this run reads"},
        {" --taxon-map " + shellQuote(dir.file("map.csv")) + " -o " + shellQuote(dir.file("sub/map-link.xls")),
         "it is the taxon map this run reads"},
    };
    for (const Case& c : cases) {
        CliRun run = assess(c.options);
        EXPECT_EQ(run.status, 2) << c.options;
        EXPECT_EQ(run.out, "") << c.options;
        EXPECT_NE(run.err.find(c.refused), std::string::npos) << run.err;
    }
    // The database linked into the CSV folder under a results name.
    fs::create_directory(dir.file("csv"));
    ASSERT_EQ(::link(database.c_str(), dir.file("csv/job-summary.txt").c_str()), 0);
    CliRun run = assess(" --quiet --csv " + shellQuote(dir.file("csv")));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("job-summary.txt: it is the reference database this run reads"), std::string::npos)
        << run.err;
    EXPECT_EQ(names("csv"), std::set<std::string>{"job-summary.txt"});
    EXPECT_EQ(readFile(database), databaseBefore);
    EXPECT_EQ(readFile(dir.file("map.csv")), "code,mapped code,name,mapped name,reason\n");

    // torven-mkrefdb: its output may be none of its CSV sources, nor a FIFO.
    const std::string taxaBefore = readFile(dir.file("taxa.csv"));
    int status = 0;
    std::string output =
        testing_support::commandOutput(mkrefdb(" -o " + shellQuote(dir.file("taxa.csv"))) + " 2>&1", &status);
    EXPECT_EQ(status, 2) << output;
    EXPECT_NE(output.find("taxa.csv: it is a CSV source this run reads"), std::string::npos) << output;
    EXPECT_EQ(readFile(dir.file("taxa.csv")), taxaBefore);
    ASSERT_EQ(::mkfifo(dir.file("out.mdb").c_str(), 0644), 0);
    output = testing_support::commandOutput(mkrefdb(" -o " + shellQuote(dir.file("out.mdb"))) + " 2>&1", &status);
    EXPECT_EQ(status, 2) << output;
    EXPECT_NE(output.find("out.mdb: it is not a regular file"), std::string::npos) << output;
}

TEST_F(RunTargets, TheCsvFolderGetsTheNewSetWholeAndKeepsTheUsersFiles)
{
    fs::create_directory(dir.file("csv"));
    writeFile(dir.file("csv/uncertainty-ltdi1.csv"), "an older lake run");
    writeFile(dir.file("csv/sample-summary.csv"), "old");
    writeFile(dir.file("csv/my-notes.txt"), "mine");
    CliRun run = assess(" --quiet --csv " + shellQuote(dir.file("csv")));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(names("csv"), (std::set<std::string>{"sample-summary.csv", "uncertainty-tdi3.csv", "uncertainty-tdi4.csv",
                                                   "sample-quality.csv", "sources.csv", "job-summary.txt", "my-notes.txt"}));
    EXPECT_EQ(readFile(dir.file("csv/my-notes.txt")), "mine");
    EXPECT_NE(readFile(dir.file("csv/sample-summary.csv")), "old");
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".csv.tmp")) << entry.path();
}

TEST_F(RunTargets, ACountOutOfRangeStopsTheRunAtItsCell)
{
    import_fixture::SheetSpec negative = riversSheet();
    negative.number(6, 4, -200);
    const std::string negativeBook = import_fixture::writeWorkbook(dir, "negative.xlsx", {negative});
    for (const char* options : {"", " --first-row 5"}) {
        CliRun run = assess(std::string(options) + " -o " + shellQuote(dir.file("r.xlsx")), negativeBook);
        EXPECT_EQ(run.status, 1) << options;
        EXPECT_EQ(run.err, "Error: count out of range in row 6, col 4\n") << options;
        EXPECT_EQ(run.out, "") << options;
        EXPECT_FALSE(fs::exists(dir.file("r.xlsx")));
    }
}

TEST_F(RunTargets, ADamagedDatabaseIsAFailureThatNamesTheFile)
{
    // Cut short after its first pages, the database opens but its master list cannot be
    // read, or reads as empty: either way the run stops with the file and the reason.
    const std::string whole = readFile(database);
    for (std::size_t keep : {std::size_t{4096 * 3}, std::size_t{4096 * 6}, std::size_t{2048}}) {
        if (keep >= whole.size())
            continue;
        const std::string damaged = dir.file("damaged.mdb");
        writeFile(damaged, whole.substr(0, keep));
        CliRun run = runCli(dir, "assess " + shellQuote(book) + " --db " + shellQuote(damaged));
        EXPECT_EQ(run.status, 1) << keep;
        EXPECT_EQ(run.out, "") << keep;
        EXPECT_NE(run.err.find("\n" + damaged + ": "), std::string::npos) << keep << ": " << run.err;
        run = runCli(dir, "taxa --db " + shellQuote(damaged));
        EXPECT_EQ(run.status, 1) << keep;
        EXPECT_NE(run.err.find(damaged + ": "), std::string::npos) << keep << ": " << run.err;
    }
}

TEST_F(RunTargets, AnEmptyMasterListIsAFailureNotAnAnalysis)
{
    // Read as a list without rows, every sample would say "No matching taxa found".
    writeFile(dir.file("taxa.csv"), "NBNCode:text,OtherCode:text,TDI3:double,TDI4:double\n");
    const std::string empty = dir.file("empty.mdb");
    int status = 0;
    const std::string output = testing_support::commandOutput(
        mkrefdb(" --allow-problems -o " + shellQuote(empty)) + " 2>&1", &status);
    ASSERT_EQ(status, 0) << output;
    CliRun run = runCli(dir, "assess " + shellQuote(book) + " --db " + shellQuote(empty));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), "Error retrieving taxon list\n");
    EXPECT_NE(run.err.find(empty + ": the master taxon list (NBSMasterTaxonList_PhaseII) holds no rows"),
              std::string::npos)
        << run.err;
    run = runCli(dir, "taxa --db " + shellQuote(empty));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
}

TEST_F(RunTargets, DatesTheCalendarCannotShowAreWrittenAsTheirNumbersAndFlagged)
{
    // Samples dated on the calendar's last day, past it, far beyond it, and before it.
    import_fixture::SheetSpec sheet("Samples");
    const double dates[] = {2958465, 1e7, 1e15, 1.5, 2958466};
    sheet.text(1, 1, "Sample").text(2, 1, "Site code").text(3, 1, "Date").text(4, 1, "Alkalinity (mg/l)");
    sheet.text(5, 1, "NBN0001").text(5, 2, "Achnanthes").text(6, 1, "NBN0002").text(6, 2, "Navicula");
    for (int s = 0; s < 5; ++s) {
        sheet.text(1, 3 + s, "S" + std::to_string(s + 1)).text(2, 3 + s, "Site A").number(3, 3 + s, dates[s]);
        sheet.number(4, 3 + s, 50).number(5, 3 + s, 200).number(6, 3 + s, 150);
    }
    const std::string datesBook = import_fixture::writeWorkbook(dir, "dates.xlsx", {sheet});
    for (const char* extension : {".xlsx", ".xls"}) {
        const std::string results = dir.file(std::string("r") + extension);
        // The streamed import for one, the loaded book's for the other.
        const std::string firstRow = std::string(extension) == ".xlsx" ? " --first-row 5" : "";
        CliRun run = assess(" --quiet" + firstRow + " --csv " + shellQuote(dir.file("csv")) + " -o " + shellQuote(results),
                            datesBook);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string summary = readFile(dir.file("csv/sample-summary.csv"));
        for (const char* line : {"\nS1,Site A,2958465,", "\nS2,Site A,10000000,", "\nS3,Site A,1000000000000000,",
                                 "\nS4,Site A,1.5,", "\nS5,Site A,2958466,"})
            EXPECT_NE(summary.find(line), std::string::npos) << line << " in\n" << summary;
        const std::string quality = readFile(dir.file("csv/sample-quality.csv"));
        EXPECT_NE(quality.find("Sampling date 10000000 is not a date that can be shown; written as a number"),
                  std::string::npos)
            << quality;
        // Written as a number, each is flagged: 31 December 9999 as well as the day after,
        // which no calendar has.
        for (const char* date : {"2958465", "2958466", "1.5", "1000000000000000"})
            EXPECT_NE(quality.find("Sampling date " + std::string(date) + " is not a date that can be shown; written as a number"),
                      std::string::npos)
                << date << " in\n" << quality;
        // The workbook holds the same numbers, as the worksheet preview shows them.
        run = runCli(dir, "inspect " + shellQuote(results) + " --sheet 'Sample Summary' --rows 5 --cols 3");
        ASSERT_EQ(run.status, 0) << run.err;
        for (const char* cell : {"\t2958465\n", "\t10000000\n", "\t1e+15\n", "\t1.5\n"})
            EXPECT_NE(run.out.find(cell), std::string::npos) << cell << " in\n" << run.out;
    }
}

TEST_F(RunTargets, AFifoOrADeviceAsAnInputIsRefusedWithoutWaiting)
{
    // Opened as a file, a FIFO blocks until a writer comes: for ever. `timeout` turns a
    // hang into a failure here.
    const std::string fifo = dir.file("pipe.xlsx");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string cli = shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-cli");
    const std::string errors = dir.file("errors.txt");
    for (const std::string& workbook : {fifo, std::string("/dev/zero")}) {
        int status = 0;
        testing_support::commandOutput("timeout 60 " + cli + " assess " + shellQuote(workbook) + " --db "
                                           + shellQuote(database) + " 2>" + shellQuote(errors),
                                       &status);
        EXPECT_EQ(status, 1) << workbook;
        EXPECT_EQ(readFile(errors), "Error reading file\n" + workbook
                                        + ": it is not a regular file (a pipe, a device or a socket), not a workbook\n");
    }
    int status = 0;
    testing_support::commandOutput("timeout 60 " + cli + " assess " + shellQuote(book) + " --db " + shellQuote(database)
                                       + " --taxon-map " + shellQuote(fifo) + " 2>" + shellQuote(errors),
                                   &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(readFile(errors).find(fifo + ": it is not a regular file"), std::string::npos) << readFile(errors);
    const std::string output = testing_support::commandOutput(
        "timeout 60 " + shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-mkrefdb") + " -o " + shellQuote(dir.file("o.mdb"))
            + " T=" + shellQuote(fifo) + " 2>&1",
        &status);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find(fifo + ": it is not a regular file"), std::string::npos) << output;
}

TEST_F(RunTargets, InputsOfTheWrongKindSayWhatTheyAre)
{
    // A CSV source saved as "Unicode text" (UTF-16): named as such, no raw bytes shown.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Code:text\nA\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    writeFile(dir.file("utf16.csv"), utf16);
    int status = 0;
    std::string output = testing_support::commandOutput(
        shellQuote(std::string(TORVEN_BIN_DIR) + "/torven-mkrefdb") + " -o " + shellQuote(dir.file("o.mdb")) + " T="
            + shellQuote(dir.file("utf16.csv")) + " 2>&1",
        &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(output.find("utf16.csv:1: the file is UTF-16 or binary, not UTF-8 text"), std::string::npos) << output;
    EXPECT_EQ(output.find('\xFF'), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("o.mdb")));
    // A taxon map far too large is named by its own size, not by the part of it read.
    const std::string large = dir.file("large.csv");
    fs::resize_file((writeFile(large, "code,mapped code,name,mapped name,reason\n"), large), 20000000);
    CliRun run = assess(" --taxon-map " + shellQuote(large));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("this one holds 20000000 bytes"), std::string::npos) << run.err;
}

}  // namespace
