// libtorven as a C caller sees it: the statuses and the program's messages for what goes
// wrong, nothing printed, and results whose typed values are the CSV files' fields.

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "capi/torven.h"
#include "tests/support/split_workbook.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

const std::string kDatabase = std::string(TORVEN_BIN_DIR) + "/TORVENII.mdb";
const std::string kExamples = std::string(TORVEN_SOURCE_DIR) + "/data/examples/";

// Captures what the process writes on standard output and standard error while it lives.
class OutputCapture {
public:
    explicit OutputCapture(const std::string& file)
    {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut_ = dup(1);
        savedErr_ = dup(2);
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
    }
    ~OutputCapture()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        dup2(savedOut_, 1);
        dup2(savedErr_, 2);
        close(savedOut_);
        close(savedErr_);
    }

private:
    int savedOut_, savedErr_;
};

struct Messages {
    torven_messages* handle = torven_messages_new();
    ~Messages() { torven_messages_free(handle); }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        for (size_t i = 0; i < torven_messages_count(handle); ++i) {
            out.emplace_back(torven_messages_text(handle, i));
            if (*torven_messages_detail(handle, i))
                out.emplace_back(torven_messages_detail(handle, i));
        }
        return out;
    }
};

struct Options {
    torven_options* handle = torven_options_new();
    ~Options() { torven_options_free(handle); }
    void set(const char* name, const std::string& value)
    {
        Messages messages;
        ASSERT_EQ(torven_options_set(handle, name, value.c_str(), messages.handle), TORVEN_OK) << name;
    }
};

int column(const torven_table* table, const std::string& name)
{
    for (size_t c = 0; c < torven_table_columns(table); ++c)
        if (name == torven_table_column_name(table, c))
            return static_cast<int>(c);
    return -1;
}

// The CSV file's records (RFC 4180: a quoted field may hold commas, quotes and line ends).
std::vector<std::vector<std::string>> csvRows(const std::string& path)
{
    std::vector<std::vector<std::string>> rows;
    const std::string text = testing_support::readFile(path);
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',' || c == '\n') {
            row.push_back(std::move(field));
            field.clear();
            if (c == '\n')
                rows.push_back(std::move(row)), row.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

std::string g17(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::string daysText(double days)
{
    // Days since 1970 to the civil date (Howard Hinnant's algorithm).
    long z = static_cast<long>(days) + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    const long y = yoe + era * 400 + (m <= 2);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", int(y), int(m), int(d));
    return buffer;
}

// The value of a cell as the CSV export writes it.
std::string fieldOf(const torven_table* table, size_t row, size_t c)
{
    switch (torven_table_column_type(table, c)) {
    case TORVEN_TEXT: {
        const char* text = torven_table_text(table, row, c);
        return text ? text : "";
    }
    case TORVEN_DATE: {
        const double days = torven_table_numbers(table, c)[row];
        return std::isnan(days) ? "" : daysText(days);
    }
    default: {
        const double value = torven_table_numbers(table, c)[row];
        return std::isnan(value) ? "" : g17(value);
    }
    }
}

void expectTableIsCsv(torven_table* table, const std::string& csvPath)
{
    ASSERT_NE(table, nullptr);
    const auto rows = csvRows(csvPath);
    ASSERT_EQ(rows.size(), torven_table_rows(table) + 1) << csvPath;
    ASSERT_EQ(rows[0].size(), torven_table_columns(table)) << csvPath;
    for (size_t c = 0; c < torven_table_columns(table); ++c) {
        EXPECT_EQ(rows[0][c], torven_table_column_name(table, c));
        for (size_t r = 0; r < torven_table_rows(table); ++r)
            EXPECT_EQ(rows[r + 1][c], fieldOf(table, r, c)) << csvPath << " row " << r + 1 << " column " << c;
    }
    torven_table_free(table);
}

TEST(LibTorven, RiverJobGivesTheCsvFilesValuesTypedNothingPrinted)
{
    TempDir dir;
    Options options;
    options.set("db", kDatabase);
    Messages messages;
    torven_job* job = nullptr;
    {
        OutputCapture capture(dir.file("output"));
        ASSERT_EQ(torven_assess((kExamples + "river.xlsx").c_str(), options.handle, &job, messages.handle), TORVEN_OK);
        ASSERT_EQ(torven_job_write_csv(job, dir.file("csv").c_str(), messages.handle), TORVEN_OK);
    }
    EXPECT_EQ(testing_support::readFile(dir.file("output")), "");
    EXPECT_EQ(torven_messages_count(messages.handle), 0u);

    ASSERT_EQ(torven_job_site_table_count(job), 2u);
    EXPECT_STREQ(torven_job_site_index(job, 0), "TDI3");
    EXPECT_STREQ(torven_job_site_index(job, 1), "TDI4");
    EXPECT_EQ(torven_job_sites(job, 2), nullptr);

    torven_table* samples = torven_job_samples(job);
    const int date = column(samples, "Sampling date");
    ASSERT_GE(date, 0);
    EXPECT_EQ(torven_table_column_type(samples, static_cast<size_t>(date)), TORVEN_DATE);
    EXPECT_EQ(torven_table_column_type(samples, static_cast<size_t>(column(samples, "TDI3"))), TORVEN_NUMBER);
    torven_table_free(samples);

    expectTableIsCsv(torven_job_samples(job), dir.file("csv/sample-summary.csv"));
    expectTableIsCsv(torven_job_sites(job, 0), dir.file("csv/uncertainty-tdi3.csv"));
    expectTableIsCsv(torven_job_sites(job, 1), dir.file("csv/uncertainty-tdi4.csv"));
    expectTableIsCsv(torven_job_quality(job), dir.file("csv/sample-quality.csv"));

    // The summary and provenance are job-summary.txt's first and last lines.
    const std::string summaryFile = testing_support::readFile(dir.file("csv/job-summary.txt"));
    EXPECT_EQ(summaryFile.rfind(torven_job_summary(job), 0), 0u);
    ASSERT_GT(torven_job_provenance_count(job), 3u);
    EXPECT_STREQ(torven_job_provenance_line(job, 2), "Sample workbook: river.xlsx");
    EXPECT_NE(summaryFile.find(torven_job_provenance_line(job, 3)), std::string::npos);
    torven_job_free(job);
}

TEST(LibTorven, ResultsWorkbookIsWrittenAndNeverOverTheSamples)
{
    TempDir dir;
    const std::string workbook = dir.file("lake.xls");
    testing_support::writeFile(workbook, testing_support::readFile(kExamples + "lake.xls"));
    Options options;
    options.set("db", kDatabase);
    options.set("metric", "ltdi");
    Messages messages;
    torven_job* job = nullptr;
    ASSERT_EQ(torven_assess(workbook.c_str(), options.handle, &job, messages.handle), TORVEN_OK);
    EXPECT_EQ(torven_job_site_table_count(job), 2u);
    EXPECT_STREQ(torven_job_site_index(job, 0), "LTDI1");

    EXPECT_EQ(torven_job_save(job, dir.file("results.xlsx").c_str(), messages.handle), TORVEN_OK);
    EXPECT_GT(testing_support::readFile(dir.file("results.xlsx")).size(), 1000u);

    EXPECT_EQ(torven_job_save(job, workbook.c_str(), messages.handle), TORVEN_USAGE);
    ASSERT_EQ(torven_messages_count(messages.handle), 1u);
    EXPECT_STREQ(torven_messages_text(messages.handle, 0),
                 "The results cannot be saved over the sample workbook they were read from. Choose another file.");
    EXPECT_EQ(testing_support::readFile(workbook), testing_support::readFile(kExamples + "lake.xls"));

    // A folder in the way of the workbook: the writer's text and the file, nothing left.
    Messages failed;
    std::filesystem::create_directory(dir.file("taken.xlsx"));
    EXPECT_EQ(torven_job_save(job, dir.file("taken.xlsx").c_str(), failed.handle), TORVEN_NOT_WRITTEN);
    EXPECT_GE(torven_messages_count(failed.handle), 1u);
    torven_job_free(job);
}

TEST(LibTorven, NoSaveWritesOverAFileTheJobRead)
{
    TempDir dir;
    const std::string workbook = dir.file("river.xlsx");
    testing_support::writeFile(workbook, testing_support::readFile(kExamples + "river.xlsx"));
    const std::string database = dir.file("my.mdb");
    testing_support::writeFile(database, testing_support::readFile(kDatabase));
    const std::string map = dir.file("map.csv");
    testing_support::writeFile(map, "code,mapped code,name,mapped name,reason\n");
    ASSERT_EQ(::link(database.c_str(), dir.file("db-link.xlsx").c_str()), 0);
    Options options;
    options.set("db", database);
    options.set("taxon-map", map);
    Messages messages;
    torven_job* job = nullptr;
    ASSERT_EQ(torven_assess(workbook.c_str(), options.handle, &job, messages.handle), TORVEN_OK);

    const std::pair<std::string, std::string> refused[] = {
        {database, database + ": it is the reference database this job reads"},
        {dir.file("db-link.xlsx"), dir.file("db-link.xlsx") + ": it is the reference database this job reads"},
        {dir.file("./map.csv"), dir.file("./map.csv") + ": it is the taxon map this job reads"},
    };
    for (const auto& [target, message] : refused) {
        Messages failed;
        EXPECT_EQ(torven_job_save(job, target.c_str(), failed.handle), TORVEN_USAGE) << target;
        ASSERT_EQ(torven_messages_count(failed.handle), 1u) << target;
        EXPECT_EQ(torven_messages_text(failed.handle, 0), message);
    }
    EXPECT_EQ(testing_support::readFile(database), testing_support::readFile(kDatabase));
    EXPECT_EQ(testing_support::readFile(map), "code,mapped code,name,mapped name,reason\n");

    // A CSV folder where the map has one of the set's names: nothing is written.
    std::filesystem::create_directory(dir.file("csv"));
    ASSERT_EQ(::link(map.c_str(), dir.file("csv/job-summary.txt").c_str()), 0);
    Messages csv;
    EXPECT_EQ(torven_job_write_csv(job, dir.file("csv").c_str(), csv.handle), TORVEN_USAGE);
    ASSERT_EQ(torven_messages_count(csv.handle), 1u);
    EXPECT_NE(std::string(torven_messages_text(csv.handle, 0)).find("job-summary.txt: it is the taxon map this job reads"),
              std::string::npos);
    EXPECT_EQ(testing_support::readFile(map), "code,mapped code,name,mapped name,reason\n");

    // Other files are written; and once the job is gone, its inputs are the user's again:
    // a job without the map may write there.
    EXPECT_EQ(torven_job_save(job, dir.file("results.xlsx").c_str(), messages.handle), TORVEN_OK);
    torven_job_free(job);
    Options plain;
    plain.set("db", database);
    ASSERT_EQ(torven_assess(workbook.c_str(), plain.handle, &job, messages.handle), TORVEN_OK);
    EXPECT_EQ(torven_job_save(job, map.c_str(), messages.handle), TORVEN_OK);
    EXPECT_NE(testing_support::readFile(map), "code,mapped code,name,mapped name,reason\n");
    torven_job_free(job);
}

TEST(LibTorven, FailuresReturnTheProgramsMessagesAndNothingElse)
{
    TempDir dir;
    const std::string bad = dir.file("samples.xlsx");
    testing_support::writeFile(bad, "this is no workbook\n");
    const std::string badMap = dir.file("map.csv");
    testing_support::writeFile(badMap, "not,the,header\nA,B\n");

    Messages unread, noDatabase, refusedMap, refusedDefault, noSheet;
    torven_job* job = reinterpret_cast<torven_job*>(&dir);  // must come back NULL
    {
        OutputCapture capture(dir.file("output"));
        Options options;
        options.set("db", kDatabase);
        EXPECT_EQ(torven_assess(bad.c_str(), options.handle, &job, unread.handle), TORVEN_FAILED);
        EXPECT_EQ(job, nullptr);

        Options missing;
        missing.set("db", dir.file("no-such.mdb"));
        EXPECT_EQ(torven_assess((kExamples + "river.xlsx").c_str(), missing.handle, &job, noDatabase.handle),
                  TORVEN_FAILED);

        Options mapped;
        mapped.set("db", kDatabase);
        mapped.set("taxon-map", badMap);
        EXPECT_EQ(torven_assess((kExamples + "river.xlsx").c_str(), mapped.handle, &job, refusedMap.handle),
                  TORVEN_USAGE);

        Options alkaline;
        alkaline.set("alkalinity", "lots");
        EXPECT_EQ(torven_assess((kExamples + "river.xlsx").c_str(), alkaline.handle, &job, refusedDefault.handle),
                  TORVEN_USAGE);

        Options sheet;
        sheet.set("db", kDatabase);
        sheet.set("sheet", "No such sheet");
        EXPECT_EQ(torven_assess((kExamples + "river.xlsx").c_str(), sheet.handle, &job, noSheet.handle),
                  TORVEN_USAGE);
    }
    EXPECT_EQ(testing_support::readFile(dir.file("output")), "");

    ASSERT_EQ(unread.lines().size(), 2u);
    EXPECT_EQ(unread.lines()[0], "Error reading file");
    EXPECT_EQ(unread.lines()[1].rfind(bad + ": ", 0), 0u) << unread.lines()[1];
    // The database layer's report, then the two messages of a start-up without a database,
    // the first with the file and the reason.
    const std::vector<std::string> database = noDatabase.lines();
    ASSERT_GE(database.size(), 4u);
    EXPECT_NE(database[0].find("Could not find file '" + dir.file("no-such.mdb") + "'"), std::string::npos);
    EXPECT_EQ(database[1], "Error opening database");
    EXPECT_EQ(database[2], dir.file("no-such.mdb") + ": Could not find file '" + dir.file("no-such.mdb") + "'.");
    EXPECT_EQ(database[3], "Error retrieving taxon list");
    ASSERT_EQ(refusedMap.lines().size(), 1u);
    EXPECT_EQ(refusedMap.lines()[0].rfind("the taxon map is not used: ", 0), 0u) << refusedMap.lines()[0];
    EXPECT_EQ(refusedDefault.lines(), std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(noSheet.lines(), std::vector<std::string>{"no worksheet named 'No such sheet'"});
}

TEST(LibTorven, OptionsAreRefusedAsTheCommandLineRefusesThem)
{
    Options options;
    Messages messages;
    EXPECT_EQ(torven_options_set(options.handle, "first-row", "0", messages.handle), TORVEN_USAGE);
    EXPECT_EQ(torven_options_set(options.handle, "metric", "TDI5", messages.handle), TORVEN_USAGE);
    EXPECT_EQ(torven_options_set(options.handle, "limit", "6", messages.handle), TORVEN_USAGE);
    EXPECT_EQ(torven_options_set(options.handle, "output", "x.xlsx", messages.handle), TORVEN_USAGE);
    EXPECT_EQ(torven_options_set(options.handle, "first-col", "AA", messages.handle), TORVEN_OK);
    EXPECT_EQ(messages.lines(), (std::vector<std::string>{
                                    "--first-row needs a row number of 1 or more, not '0'",
                                    "--metric needs TDI, LTDI or DAM, not 'TDI5'",
                                    "--limit needs a number from 1 to 5, not '6'",
                                    "unknown option 'output'",
                                }));
}

TEST(LibTorven, MasterListAndSuggestionsAreTyped)
{
    Options options;
    options.set("db", kDatabase);
    Messages messages;
    torven_table* list = nullptr;
    ASSERT_EQ(torven_taxa(options.handle, &list, messages.handle), TORVEN_OK);
    EXPECT_GT(torven_table_rows(list), 100u);
    bool text = false;
    for (size_t c = 0; c < torven_table_columns(list); ++c)
        text = text || torven_table_column_type(list, c) == TORVEN_TEXT;
    EXPECT_TRUE(text);
    torven_table_free(list);

    // Every taxon of the examples is in the list: no suggestions, but the columns.
    torven_table* suggestions = nullptr;
    ASSERT_EQ(torven_suggest((kExamples + "river.xls").c_str(), options.handle, &suggestions, messages.handle),
              TORVEN_OK);
    EXPECT_EQ(torven_table_columns(suggestions), 7u);
    EXPECT_STREQ(torven_table_column_name(suggestions, 3), "suggested code");
    torven_table_free(suggestions);
}

// Every cell of two tables, as the CSV export would write it, equal.
void expectSameTable(torven_table* expected, torven_table* actual)
{
    ASSERT_NE(expected, nullptr);
    ASSERT_NE(actual, nullptr);
    ASSERT_EQ(torven_table_rows(actual), torven_table_rows(expected));
    ASSERT_EQ(torven_table_columns(actual), torven_table_columns(expected));
    for (size_t c = 0; c < torven_table_columns(expected); ++c) {
        EXPECT_STREQ(torven_table_column_name(actual, c), torven_table_column_name(expected, c));
        EXPECT_EQ(torven_table_column_type(actual, c), torven_table_column_type(expected, c));
        for (size_t r = 0; r < torven_table_rows(expected); ++r)
            EXPECT_EQ(fieldOf(actual, r, c), fieldOf(expected, r, c)) << "row " << r << " column " << c;
    }
    torven_table_free(expected);
    torven_table_free(actual);
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The river example cut into three workbooks by its sample columns, each with every taxon
// row ("books"), or the later parts with only their own taxa in other orders ("subsets").
class LibTorvenSplitJob : public testing::Test {
protected:
    void SetUp() override
    {
        options.set("db", kDatabase);
        std::string output;
        ASSERT_EQ(testing_support::splitWorkbook(kExamples + "river.xlsx", dir.file("river"), "xlsx", "subsets",
                                                 &output),
                  0)
            << output;
        for (int i = 1; i <= 3; ++i)
            parts.push_back(dir.file("river-" + std::to_string(i) + ".xlsx"));
        Messages messages;
        ASSERT_EQ(torven_assess((kExamples + "river.xlsx").c_str(), options.handle, &whole, messages.handle),
                  TORVEN_OK);
    }
    void TearDown() override { torven_job_free(whole); }

    std::vector<const char*> partPaths() const
    {
        std::vector<const char*> paths;
        for (const std::string& part : parts)
            paths.push_back(part.c_str());
        return paths;
    }

    TempDir dir;
    Options options;
    std::vector<std::string> parts;
    torven_job* whole = nullptr;
};

TEST_F(LibTorvenSplitJob, ThreeWorkbooksGiveTheWholeWorkbooksTablesAndTheirSources)
{
    Messages messages;
    torven_job* job = nullptr;
    const std::vector<const char*> paths = partPaths();
    {
        OutputCapture capture(dir.file("output"));
        ASSERT_EQ(torven_assess_workbooks(paths.data(), paths.size(), options.handle, &job, messages.handle),
                  TORVEN_OK);
    }
    EXPECT_EQ(testing_support::readFile(dir.file("output")), "");
    EXPECT_EQ(torven_messages_count(messages.handle), 0u);
    expectSameTable(torven_job_samples(whole), torven_job_samples(job));
    ASSERT_EQ(torven_job_site_table_count(job), 2u);
    expectSameTable(torven_job_sites(whole, 0), torven_job_sites(job, 0));
    expectSameTable(torven_job_quality(whole), torven_job_quality(job));

    // One row per workbook, in job order; the samples add up to the whole workbook's.
    torven_table* sources = torven_job_sources(job);
    ASSERT_NE(sources, nullptr);
    EXPECT_STREQ(torven_table_name(sources), "Sources");
    ASSERT_EQ(torven_table_rows(sources), 3u);
    const std::vector<std::string> names = {"Workbook", "SHA-256", "Sheet", "First row", "First column", "Samples",
                                            "Taxa"};
    ASSERT_EQ(torven_table_columns(sources), names.size());
    for (size_t c = 0; c < names.size(); ++c)
        EXPECT_EQ(torven_table_column_name(sources, c), names[c]);
    double samples = 0;
    for (size_t r = 0; r < 3; ++r) {
        EXPECT_EQ(fieldOf(sources, r, 0), "river-" + std::to_string(r + 1) + ".xlsx");
        EXPECT_EQ(fieldOf(sources, r, 1).size(), 64u);
        EXPECT_EQ(fieldOf(sources, r, 2), "Samples");
        EXPECT_EQ(fieldOf(sources, r, 4), "C");
        samples += torven_table_numbers(sources, 5)[r];
    }
    torven_table* wholeSamples = torven_job_samples(whole);
    EXPECT_EQ(samples, double(torven_table_rows(wholeSamples)));
    torven_table_free(wholeSamples);
    torven_table_free(sources);

    // A job of one workbook has its one source; the same job as torven_assess gives.
    torven_table* one = torven_job_sources(whole);
    ASSERT_EQ(torven_table_rows(one), 1u);
    EXPECT_EQ(fieldOf(one, 0, 0), "river.xlsx");
    torven_table_free(one);
    torven_job* single = nullptr;
    const std::string riverPath = kExamples + "river.xlsx";
    const char* river = riverPath.c_str();
    ASSERT_EQ(torven_assess_workbooks(&river, 1, options.handle, &single, messages.handle), TORVEN_OK);
    expectSameTable(torven_job_samples(whole), torven_job_samples(single));
    EXPECT_STREQ(torven_job_summary(single), torven_job_summary(whole));

    // No save of the job writes over one of its workbooks.
    EXPECT_EQ(torven_job_save(job, parts[1].c_str(), messages.handle), TORVEN_USAGE);
    torven_job_free(single);
    torven_job_free(job);
}

TEST_F(LibTorvenSplitJob, ASampleInTwoWorkbooksIsRefusedNamingBothAndNoJob)
{
    std::filesystem::copy_file(parts[0], dir.file("again.xlsx"));
    const std::string again = dir.file("again.xlsx");
    const std::vector<const char*> paths = {parts[0].c_str(), parts[1].c_str(), again.c_str()};
    Messages messages;
    torven_job* job = reinterpret_cast<torven_job*>(&messages);  // set to NULL by the call
    EXPECT_EQ(torven_assess_workbooks(paths.data(), paths.size(), options.handle, &job, messages.handle),
              TORVEN_FAILED);
    EXPECT_EQ(job, nullptr);
    ASSERT_EQ(torven_messages_count(messages.handle), 1u);
    const std::string text = torven_messages_text(messages.handle, 0);
    EXPECT_NE(text.find("occurs twice in the job: in river-1.xlsx (sheet \"Samples\", column C) and in again.xlsx "
                        "(sheet \"Samples\", column C). Nothing was added."),
              std::string::npos)
        << text;
}

TEST_F(LibTorvenSplitJob, AJobFileNamesItsWorkbooksRelativeToItself)
{
    // Paths relative to the job file's folder, not to the working directory; an empty
    // field takes the option's value, a given one overrides it.
    std::filesystem::create_directory(dir.file("jobs"));
    writeText(dir.file("jobs/period.csv"), "workbook,sheet,first row,first column\n"
                                           "../river-1.xlsx,,,\n"
                                           "../river-2.xlsx,Samples,,C\n"
                                           "../river-3.xlsx,,,3\n");
    options.set("sheet", "Samples");
    Messages messages;
    torven_job* job = nullptr;
    ASSERT_EQ(torven_assess_job_file(dir.file("jobs/period.csv").c_str(), options.handle, &job, messages.handle),
              TORVEN_OK)
        << testing::PrintToString(messages.lines());
    expectSameTable(torven_job_samples(whole), torven_job_samples(job));
    torven_table* sources = torven_job_sources(job);
    ASSERT_EQ(torven_table_rows(sources), 3u);
    EXPECT_EQ(fieldOf(sources, 2, 0), "river-3.xlsx");
    torven_table_free(sources);
    // The job file is one of the job's inputs.
    EXPECT_EQ(torven_job_save(job, dir.file("jobs/period.csv").c_str(), messages.handle), TORVEN_USAGE);
    EXPECT_NE(testing_support::readFile(dir.file("jobs/period.csv")).find("river-3"), std::string::npos);
    torven_job_free(job);

    // A workbook that fails is named, and the job stops there.
    writeText(dir.file("jobs/missing.csv"), "workbook,sheet,first row,first column\n"
                                            "../river-1.xlsx,,,\n"
                                            "../nowhere.xlsx,,,\n");
    Messages failed;
    EXPECT_EQ(torven_assess_job_file(dir.file("jobs/missing.csv").c_str(), options.handle, &job, failed.handle),
              TORVEN_FAILED);
    EXPECT_EQ(job, nullptr);
    const std::vector<std::string> lines = failed.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("nowhere.xlsx"), std::string::npos) << testing::PrintToString(lines);

    // A sheet a workbook lacks is a usage error naming that workbook.
    writeText(dir.file("jobs/sheet.csv"), "workbook,sheet,first row,first column\n"
                                          "../river-1.xlsx,,,\n"
                                          "../river-2.xlsx,Autumn,,\n");
    Messages refused;
    EXPECT_EQ(torven_assess_job_file(dir.file("jobs/sheet.csv").c_str(), options.handle, &job, refused.handle),
              TORVEN_USAGE);
    EXPECT_EQ(job, nullptr);
    ASSERT_FALSE(refused.lines().empty());
    EXPECT_EQ(refused.lines().back().rfind(dir.file("jobs/../river-2.xlsx") + ": ", 0), 0u)
        << testing::PrintToString(refused.lines());
}

TEST(LibTorven, AJobOfNoWorkbookOrAMalformedJobFileIsAUsageError)
{
    Messages messages;
    torven_job* job = nullptr;
    const char* none[] = {nullptr};
    EXPECT_EQ(torven_assess_workbooks(nullptr, 1, nullptr, &job, messages.handle), TORVEN_USAGE);
    EXPECT_EQ(torven_assess_workbooks(none, 0, nullptr, &job, messages.handle), TORVEN_USAGE);
    EXPECT_EQ(torven_assess_workbooks(none, 1, nullptr, &job, messages.handle), TORVEN_USAGE);
    EXPECT_EQ(torven_assess_job_file(nullptr, nullptr, &job, messages.handle), TORVEN_USAGE);
    EXPECT_EQ(job, nullptr);
    EXPECT_EQ(messages.lines(), (std::vector<std::string>{"no workbook given", "no workbook given",
                                                          "no workbook given", "no job file given"}));
    EXPECT_EQ(torven_job_sources(nullptr), nullptr);

    TempDir dir;
    writeText(dir.file("job.csv"), "workbook,sheet,first row,first column\nriver.xlsx,,0,\n");
    Messages refused;
    EXPECT_EQ(torven_assess_job_file(dir.file("job.csv").c_str(), nullptr, &job, refused.handle), TORVEN_USAGE);
    EXPECT_EQ(refused.lines(), (std::vector<std::string>{dir.file("job.csv") +
                                                         ", line 2: the first row needs a row number of 1 or more, "
                                                         "not '0'"}));
    Messages unread;
    EXPECT_EQ(torven_assess_job_file(dir.file("nowhere.csv").c_str(), nullptr, &job, unread.handle), TORVEN_USAGE);
    EXPECT_EQ(unread.lines(), (std::vector<std::string>{dir.file("nowhere.csv") + ": the job file cannot be read"}));
    EXPECT_EQ(job, nullptr);
}

}  // namespace
