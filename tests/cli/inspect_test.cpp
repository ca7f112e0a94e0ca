#include <gtest/gtest.h>

#include "tests/cli/cli_run.h"
#include "tests/import/import_fixture.h"

namespace {

using import_fixture::SheetSpec;
using testing_support::shellQuote;
using testing_support::TempDir;

class Inspect : public ::testing::TestWithParam<std::string> {
protected:
    std::string writeBook()
    {
        SheetSpec samples("Samples");
        samples.text(1, 1, "Sample").text(1, 3, "S1").text(1, 4, "a\tb");
        samples.text(2, 1, "Site").boolean(2, 3, true).error(2, 4);
        samples.text(3, 1, "Date").number(3, 2, 40000).number(3, 3, 40000).number(3, 4, 20000.5).number(3, 5, 20000);
        samples.text(4, 1, "Alk").number(4, 3, 40000).number(4, 4, 0.1).blank(4, 5);
        samples.text(5, 1, "NBN1").text(5, 2, "Achnanthes").number(5, 3, 1.0 / 3.0);
        SheetSpec other("Other");
        other.text(1, 1, "x").text(2, 2, "t");
        SheetSpec none("None");
        none.number(1, 1, 7);
        return import_fixture::writeWorkbook(dir, "book" + GetParam(), {samples, other, none});
    }

    TempDir dir;
};

TEST_P(Inspect, SheetsAndPreview)
{
    CliRun run = runCli(dir, "inspect " + shellQuote(writeBook()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Row 3 from column C: 40000 is 06-Jul-2009 and 20000.5 falls on day 20000, 3 October
    // 1954; 20000 itself is no date. 1/3 has thirteen significant digits.
    EXPECT_EQ(run.out,
              "1\tSamples\t5\t5\t5\n"
              "2\tOther\t2\t2\t2\n"
              "3\tNone\t1\t1\t1\n"
              "\n"
              "\tA\tB\tC\tD\tE\n"
              "1\tSample\t\tS1\ta\\tb\t\n"
              "2\tSite\t\t\t\t\n"
              "3\tDate\t40000\t06-Jul-2009\t03-Oct-1954\t20000\n"
              "4\tAlk\t\t40000\t0.1\t\n"
              "5\tNBN1\tAchnanthes\t0.3333333333333\t\t\n");
}

TEST_P(Inspect, ChosenSheetAndBlockSize)
{
    std::string book = writeBook();
    CliRun run = runCli(dir, "inspect " + shellQuote(book) + " --sheet Other --rows 1 --cols 9");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(run.out.find("\n\n") + 2), "\tA\tB\n1\tx\t\n");
    run = runCli(dir, "inspect " + shellQuote(book) + " --rows 2 --cols 1");
    EXPECT_EQ(run.out.substr(run.out.find("\n\n") + 2), "\tA\n1\tSample\n2\tSite\n");
}

TEST_P(Inspect, Failures)
{
    std::string junk = dir.file("junk" + GetParam());
    testing_support::writeFile(junk, "no workbook");
    CliRun run = runCli(dir, "inspect " + shellQuote(junk));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error reading file\n" + junk +
                           ": it is a text file (such as a .csv file), which this program does not read; open it in a "
                           "spreadsheet program and save it as an .xlsx workbook\n");
    EXPECT_EQ(run.out, "");

    std::string book = writeBook();
    for (const char* arguments : {" --sheet samples", " --rows", " --rows -1", " --cols x", " --bogus", " extra"}) {
        run = runCli(dir, "inspect " + shellQuote(book) + arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
    }
    EXPECT_EQ(runCli(dir, "inspect").status, 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, Inspect, ::testing::Values(".xlsx", ".xls"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param.substr(1); });

// Every unreadable file: the message, then its detail line; a Word document renamed .xlsx
// is no workbook without sheets.
TEST(InspectUnreadable, EachFileSaysWhy)
{
    TempDir dir;
    for (const import_fixture::UnreadableFile& file : import_fixture::writeUnreadableFiles(dir)) {
        CliRun run = runCli(dir, "inspect " + shellQuote(file.path));
        EXPECT_EQ(run.status, 1) << file.path;
        EXPECT_EQ(run.err, "Error reading file\n" + file.path + ": " + file.reason + "\n");
        EXPECT_EQ(run.out, "") << file.path;
    }
}

TEST(InspectWide, ColumnLettersPastZ)
{
    // Only .xlsx has room for 702 columns.
    TempDir dir;
    SheetSpec wide("Wide");
    wide.text(1, 1, "x").number(1, 27, 27).number(1, 702, 702);
    std::string book = import_fixture::writeWorkbook(dir, "wide.xlsx", {wide});
    CliRun run = runCli(dir, "inspect " + shellQuote(book) + " --rows 1 --cols 800");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(run.out.substr(start, end - start));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "1\tWide\t1\t702\t1");
    std::vector<std::string> heads;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = lines[2].find('\t', start);
        heads.push_back(lines[2].substr(start, end == std::string::npos ? end : end - start));
    }
    ASSERT_EQ(heads.size(), 703u);  // the corner and 702 columns
    EXPECT_EQ(heads[26], "Z");
    EXPECT_EQ(heads[27], "AA");
    EXPECT_EQ(heads[52], "AZ");
    EXPECT_EQ(heads[53], "BA");
    EXPECT_EQ(heads[702], "ZZ");
    EXPECT_EQ(lines[3].substr(lines[3].size() - 4), "\t702");
}

}  // namespace
