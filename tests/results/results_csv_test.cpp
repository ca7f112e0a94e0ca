// The CSV export: file names, RFC 4180 fields, full-precision numbers, empty missing
// values, class names and serial dates, and the job summary text.

#include <cmath>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/job.h"
#include "results/results_csv.h"
#include "tests/results/folder_entries.h"
#include "tests/results/results_jobs.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_dir.h"
#include "torven_version.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

// The C library's "%.17g", as an independent reference for the numbers that have no short
// exact binary form (36.46 and the like).
std::string c17(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

TEST(ResultsCsv, FileNamesFromSheetNames)
{
    EXPECT_EQ(results::CsvFileName("Sample Summary"), "sample-summary.csv");
    EXPECT_EQ(results::CsvFileName("Uncertainty TDI3"), "uncertainty-tdi3.csv");
    EXPECT_EQ(results::CsvFileName("Uncertainty LTDI2"), "uncertainty-ltdi2.csv");
    // The names the command line guards against a sample workbook carrying.
    for (const char* sheet : {"Sample Summary", "Uncertainty TDI3", "Uncertainty DAM"})
        EXPECT_TRUE(results::IsCsvExportName(results::CsvFileName(sheet))) << sheet;
    EXPECT_TRUE(results::IsCsvExportName("job-summary.txt"));
    EXPECT_EQ(results::CsvFileName("Sample quality"), "sample-quality.csv");
    EXPECT_TRUE(results::IsCsvExportName("sample-quality.csv"));
    EXPECT_TRUE(results::IsCsvExportName(results::CsvFileName("Sources")));
    EXPECT_FALSE(results::IsCsvExportName("samples.csv"));
    EXPECT_FALSE(results::IsCsvExportName("uncertainty-tdi3.xlsx"));
}

class RiverCsv : public ::testing::Test {
protected:
    void SetUp() override
    {
        results_jobs::fillRiverJob(job);
        // A comma and quotes need RFC 4180 quoting.
        job.analysis.comments1[1] = "Alkalinity \"missing\", default used";
        std::string error;
        ASSERT_TRUE(results::WriteResultsCsv(job, dir.file("out"), error)) << error;
    }
    std::string file(const std::string& name) const { return readFile(dir.file("out/" + name)); }

    TempDir dir;
    ScriptedUser ui;
    Job job{nullptr, ui};
};

TEST_F(RiverCsv, OneFilePerTableAndTheSummary)
{
    EXPECT_EQ(folderEntries(dir.file("out")),
              (std::vector<std::string>{"job-summary.txt", "sample-quality.csv", "sample-summary.csv", "sources.csv",
                                        "uncertainty-tdi3.csv", "uncertainty-tdi4.csv"}));
    // The job stays unsaved: the CSV files are not the results workbook.
    EXPECT_TRUE(job.modified);
}

TEST_F(RiverCsv, SampleSummary)
{
    const std::string expected =
        "Sample,Site,Date,Alkalinity (mg/l),Sample sum,Sum TDI3,TDI3,eTDI3,EQR TDI3,Class TDI3,Sum TDI4,TDI4,"
        "eTDI4,EQR TDI4,Class TDI4,% Planktic,% Motile,% Organic tolerant,% Saline,Comment TDI3,Comment TD14\n"
        // A date cell as its ISO date (serial 40000 is 6 July 2009); a number outside the
        // date window as its number (12 and an empty text are 12 and 0); classes by name.
        "S1,AB1,2009-07-06,45,15,10,32.5," + c17(36.46) + ",1,High,10,40.25," + c17(45.1) + "," + c17(1.0883) +
        ",High,0," + c17(33.333) + ",12.5,0,,\n"
        // Missing TDI4 values are empty fields.
        "S2,AB1,12,,20,20,60,40," + c17(0.6667) + ",Moderate,0,,,,,0,100,0,0,"
        "\"Alkalinity \"\"missing\"\", default used\",No matching taxa found\n"
        "S3,CD2,0,200,45,30,88,40," + c17(0.2) + ",Bad,30,70.5," + c17(45.1) + "," + c17(0.5373) +
        ",Poor,0,0,20,2.5,,\n";
    EXPECT_EQ(file("sample-summary.csv"), expected);
}

TEST_F(RiverCsv, SiteTables)
{
    EXPECT_EQ(file("uncertainty-tdi3.csv"),
              "Site code,No. Samples,No. missing,Mean EQR,Class,CoC High,CoC Good,CoC Mod,CoC Poor,CoC Bad,RoM,"
              "CoC HG,CoC MPB,RoM-G/M\n"
              "AB1,2,0," + c17(0.83335) + ",High," + c17(70.1) + "," + c17(20.2) + "," + c17(7.7) + ",1.5,0.5," +
                  c17(29.9) + "," + c17(90.3) + "," + c17(9.7) + "," + c17(9.7) + "\n"
              "CD2,1,0," + c17(0.2) + ",Poor,0," + c17(0.1) + "," + c17(9.9) + ",50,40,50," + c17(0.1) + "," +
                  c17(99.9) + "," + c17(0.1) + "\n");
    // The site sheet's -99.9 cells are empty fields here.
    EXPECT_EQ(file("uncertainty-tdi4.csv"),
              "Site code,No. Samples,No. missing,Mean EQR,Class,CoC High+Good,CoC Mod,CoC Poor,CoC Bad,RoM,CoC HG,"
              "CoC MPB,RoM-G/M\n"
              "AB1,1,1," + c17(1.0883) + ",High,95.5,3,1,0.5,4.5,95.5,4.5,4.5\n"
              "CD2,1,0,,,,,,,,,,\n");
}

TEST_F(RiverCsv, JobSummaryText)
{
    // N2 of ZZ999 is 1.6 (worked out in results_jobs.h).
    EXPECT_EQ(file("job-summary.txt"),
              "File:\triver.xlsx\nWorksheet:\tRiver\n\nMetric:\tTDI\n\nNumber of taxa:\t3\nNumber of samples:\t3\n"
              "\nWarning:\t2 taxa lack scores\n"
              "\nThe following taxa do not have TDI scores in the TORVEN database.\n\n"
              "Code\tName\tN\tN2\tMax\tTDI3\tTDI4\n"
              "ZZ999\tUnknown taxon\t2\t" + c17(1.6) + "\t15\tNo value\tNo value\n"
              "NA001A\tNavicula sp.\t1\t1\t20\t\tNo value\n"
              "\nProgram: TORVEN II " + std::string(torven::kProductVersion) + "\n"
              "Analysed: 2026-12-08 21:40:07 UTC\n"
              "Sample workbook: river.xlsx\n"
              "Sample workbook SHA-256: " + results_jobs::kWorkbookDigest + "\n"
              "Reference database: TORVENII.mdb (1,234,567 bytes, modified 2026-12-01 09:00:00 UTC)\n"
              "Reference database SHA-256: " + results_jobs::kDatabaseDigest + "\n"
              "Database version: Release = 2.0; Date = 2026-11-30\n");
}

TEST_F(RiverCsv, SampleQuality)
{
    // Worked out in results_workbook_test.cpp: S1 15 valves, 10 scored for each index;
    // S2 20 valves, 20 and 0 scored, alkalinity missing; S3 45 valves, 30 scored, alkalinity
    // 200.
    EXPECT_EQ(file("sample-quality.csv"),
              "Sample,Site code,Sample sum,% scored TDI3,% scored TDI4,Chemistry values replaced,Flags\n"
              "S1,AB1,15," + c17(10.0 / 15 * 100) + "," + c17(10.0 / 15 * 100) +
                  ",0,Fewer than 300 valves counted; Less than 80 % of the count scored for TDI3; Less than 80 % of "
                  "the count scored for TDI4\n"
              "S2,AB1,20,100,0,1,Fewer than 300 valves counted; Less than 80 % of the count scored for TDI4; 1 "
              "chemistry value missing or out of range; Sampling date 12 is not a date that can be shown; written as "
              "a number; No EQR for TDI4\n"
              "S3,CD2,45," + c17(30.0 / 45 * 100) + "," + c17(30.0 / 45 * 100) +
                  ",1,Fewer than 300 valves counted; Less than 80 % of the count scored for TDI3; Less than 80 % of "
                  "the count scored for TDI4; 1 chemistry value missing or out of range\n");
}

// The fields of each line of a CSV text without quoted fields.
std::vector<std::vector<std::string>> csvFields(const std::string& text)
{
    std::vector<std::vector<std::string>> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (;;) {
            const std::size_t comma = line.find(',', from);
            fields.push_back(line.substr(from, comma - from));
            if (comma == std::string::npos)
                break;
            from = comma + 1;
        }
        lines.push_back(fields);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

// "CoC High+Good" of TDI4 holds High plus Good (values worked out in results_jobs.h), for
// a site classed High and one classed Moderate.
TEST(ResultsCsvFiles, HighPlusGoodColumnHoldsTheSum)
{
    TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillAssessedRiverJob(job);
    std::string error;
    ASSERT_TRUE(results::WriteResultsCsv(job, dir.path().string(), error)) << error;
    const auto tdi3 = csvFields(readFile(dir.file("uncertainty-tdi3.csv")));
    const auto tdi4 = csvFields(readFile(dir.file("uncertainty-tdi4.csv")));
    ASSERT_EQ(tdi3.size(), 3u);
    ASSERT_EQ(tdi4.size(), 3u);
    ASSERT_EQ(tdi4[0].size(), 13u);
    EXPECT_EQ(tdi4[0][5], "CoC High+Good");
    EXPECT_EQ(tdi4[1][4], "High");
    EXPECT_EQ(tdi4[2][4], "Moderate");
    EXPECT_NEAR(std::stod(tdi4[1][5]), 96.3414, 1e-3);
    EXPECT_NEAR(std::stod(tdi4[2][5]), 34.2568, 1e-3);
    for (std::size_t row = 1; row <= 2; ++row) {
        EXPECT_NEAR(std::stod(tdi4[row][5]), std::stod(tdi3[row][5]) + std::stod(tdi3[row][6]), 1e-9) << row;
        double total = 0;
        for (std::size_t c = 5; c <= 8; ++c)
            total += std::stod(tdi4[row][c]);
        EXPECT_NEAR(total, 100, 1e-9) << row;
    }
}

// A CSV file its owner made read-only is not replaced (even by root) and keeps its mode;
// a replaced one keeps the mode it had.
TEST(ResultsCsvFiles, ReadOnlyFileIsKeptAndReplacedFileKeepsItsMode)
{
    TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    const std::string locked = dir.file("sample-summary.csv");
    testing_support::writeFile(locked, "locked\n");
    fs::permissions(locked, fs::perms(0444));
    std::string error;
    EXPECT_FALSE(results::WriteResultsCsv(job, dir.path().string(), error));
    EXPECT_EQ(error, "Cannot write " + locked + ": Permission denied");
    EXPECT_EQ(readFile(locked), "locked\n");
    EXPECT_EQ(fs::status(locked).permissions() & fs::perms::mask, fs::perms(0444));

    fs::permissions(locked, fs::perms(0640));
    ASSERT_TRUE(results::WriteResultsCsv(job, dir.path().string(), error)) << error;
    EXPECT_NE(readFile(locked), "locked\n");
    EXPECT_EQ(fs::status(locked).permissions() & fs::perms::mask, fs::perms(0640));
}

// A sample workbook that carries the name of one of the files is never replaced; no
// file is written at all.
TEST(ResultsCsvFiles, JobWorkbookIsNeverReplaced)
{
    TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    job.samples.path = dir.file("job-summary.txt");
    testing_support::writeFile(job.samples.path, "samples");
    std::string error;
    EXPECT_FALSE(results::WriteResultsCsv(job, dir.file("."), error));
    EXPECT_NE(error.find("it is the sample workbook of this job"), std::string::npos) << error;
    EXPECT_EQ(readFile(job.samples.path), "samples");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"job-summary.txt"});
}

TEST(ResultsCsvFiles, DamJobWithoutSitesAndRewrite)
{
    TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    job.sites.uncertaintyAvailable = false;
    std::string error;
    testing_support::writeFile(dir.file("sample-summary.csv"), "an older file that is replaced\n");
    ASSERT_TRUE(results::WriteResultsCsv(job, dir.path().string(), error)) << error;
    EXPECT_EQ(folderEntries(dir.path()),
              (std::vector<std::string>{"job-summary.txt", "sample-quality.csv", "sample-summary.csv", "sources.csv"}));
    EXPECT_EQ(readFile(dir.file("sample-summary.csv")),
              "Sample,Site,Date,Alkalinity (mg/l),Calcium (ueq/l),DOC (mg/l),Sample sum,Sum DAM,DAM,eDAM,EQR DAM,"
              "Class DAM,% Planktic,% Motile,% Organic tolerant,% Saline,Comment DAM\n"
              // Serials 41000 and 41100: 1 April and 10 July 2012.
              "D1,UP1,2012-04-01,2,80,4.5,13,10,50," + c17(58.6) + "," + c17(0.853) + ",Good,0,0,0,0,\n"
              "D2,UP1,2012-07-10,3,,700,1,0,,,,,0,0,0,0,No matching taxa found\n");
    EXPECT_EQ(readFile(dir.file("job-summary.txt")),
              "File:\tdam.xlsx\n\nMetric:\tDAM\n1 taxon lacks a score\n"
              "\nThe following taxa do not have DAM scores in the TORVEN database.\n\n"
              "Code\tName\tN\tN2\tMax\n"
              "XX001\tEunotia sp.\t2\t" + c17(1.6) + "\t3\n"
              "\nProgram: TORVEN II " + std::string(torven::kProductVersion) + "\n"
              "Analysed: 2026-12-08 21:40:07 UTC\n"
              "Sample workbook: dam.xlsx\n"
              "Sample workbook SHA-256: " + results_jobs::kWorkbookDigest + "\n"
              "Reference database: TORVENII.mdb (1,234,567 bytes, modified 2026-12-01 09:00:00 UTC)\n"
              "Reference database SHA-256: " + results_jobs::kDatabaseDigest + "\n"
              "Database version: Release = 2.0; Date = 2026-11-30\n");
}

// A site none of whose samples has an EQR can leave values that are no numbers; the
// workbook leaves such cells empty, and so does the CSV file.
TEST(ResultsCsvFiles, NotANumberIsAnEmptyField)
{
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillDamJob(job);
    (*job.sites.siteSummary1)(0, 4) = std::nan("");
    std::vector<results::ResultSheet> sites = results::SiteSheets(job);
    ASSERT_EQ(sites.size(), 1u);
    EXPECT_EQ(results::CsvText(sites[0]).substr(results::CsvText(sites[0]).find('\n') + 1),
              "UP1,1,1," + c17(0.853) + ",Good,,70,10,0,0,30,90,10,10\n");
}

TEST(ResultsCsvFiles, FolderThatIsAFileIsReported)
{
    TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillLakeJob(job);
    testing_support::writeFile(dir.file("plain"), "x");
    std::string error;
    EXPECT_FALSE(results::WriteResultsCsv(job, dir.file("plain"), error));
    EXPECT_NE(error.find(dir.file("plain")), std::string::npos) << error;
    EXPECT_EQ(readFile(dir.file("plain")), "x");
}

}  // namespace
