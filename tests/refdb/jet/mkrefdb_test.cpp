// torven-mkrefdb end to end: the files it writes, read by mdbtools' own programs, and the
// way it refuses bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "base/csv.h"
#include "refdb/jet/csv_table.h"
#include "tests/support/memory_limit.h"
#include "tests/support/reference_fixture.h"
#include "tests/support/temp_dir.h"

using testing_support::commandOutput;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string kTool = std::string(TORVEN_BIN_DIR) + "/torven-mkrefdb";
const std::string kDataDir = std::string(TORVEN_SOURCE_DIR) + "/data/refdb";
const char* const kBundled[] = {"NBSMasterTaxonList_PhaseII", "Boundaries", "CoC", "Version"};

// Runs the tool with its arguments; returns the exit status, standard error in errors.
int runTool(const TempDir& dir, const std::string& arguments, std::string* errors = nullptr)
{
    const std::string errorFile = dir.file("stderr.txt");
    const int status = runCommand(shellQuote(kTool) + " " + arguments + " 2>" + shellQuote(errorFile));
    if (errors)
        *errors = readFile(errorFile);
    return status;
}

std::vector<csv::Record> parsed(const std::string& text)
{
    std::vector<csv::Record> records;
    std::size_t line = 0;
    std::string reason;
    EXPECT_TRUE(csv::parse(text, records, line, reason)) << reason << " at line " << line;
    return records;
}

std::string exported(const std::string& database, const std::string& table)
{
    return commandOutput("mdb-export -T '%Y-%m-%d %H:%M:%S' " + shellQuote(database) + " " + shellQuote(table));
}

// What mdb-export shows for a CSV value of the given type: booleans as 1 and 0, a NULL and
// an empty text as an empty field (mdb-export does not tell them apart), doubles with 16
// significant digits (0.07 is 0.07000000000000001 there), everything else as written.
std::string expectedExport(const csv::Field& field, const std::string& type)
{
    if (type == "double" && !field.text.empty()) {
        char text[64];
        std::snprintf(text, sizeof text, "%.16g", std::strtod(field.text.c_str(), nullptr));
        return text;
    }
    if (type == "boolean") {
        std::string word;
        for (char c : field.text)
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return word == "true" || word == "yes" || word == "1" ? "1" : "0";
    }
    return field.text;
}

// Compares mdb-export's output of one table with the CSV file it was written from.
void expectExportMatchesCsv(const std::string& database, const std::string& table, const std::string& csvText)
{
    const auto source = parsed(csvText);
    const auto output = parsed(exported(database, table));
    ASSERT_FALSE(source.empty());
    ASSERT_EQ(output.size(), source.size()) << table;
    std::vector<std::string> types;
    for (std::size_t c = 0; c < source[0].fields.size(); ++c) {
        const std::string& header = source[0].fields[c].text;
        const std::size_t colon = header.rfind(':');
        EXPECT_EQ(output[0].fields.at(c).text, header.substr(0, colon));
        types.push_back(header.substr(colon + 1));
    }
    for (std::size_t r = 1; r < source.size(); ++r) {
        ASSERT_EQ(output[r].fields.size(), source[r].fields.size()) << table << " row " << r;
        for (std::size_t c = 0; c < types.size(); ++c)
            ASSERT_EQ(output[r].fields[c].text, expectedExport(source[r].fields[c], types[c]))
                << table << " row " << r << " column " << c;
    }
}

std::string bundledArguments()
{
    std::string arguments;
    for (const char* table : kBundled)
        arguments += " " + shellQuote(std::string(table) + "=" + kDataDir + "/" + table + ".csv");
    return arguments;
}

}  // namespace

TEST(MkRefDb, BundledDatabaseReadsBackWithMdbtools)
{
    TempDir dir;
    const std::string out = dir.file("TORVENII.mdb");
    std::string errors;
    ASSERT_EQ(runTool(dir, "-o " + shellQuote(out) + bundledArguments(), &errors), 0) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(commandOutput("mdb-ver " + shellQuote(out)), "JET4\n");
    EXPECT_EQ(commandOutput("mdb-tables -1 " + shellQuote(out)), "NBSMasterTaxonList_PhaseII\nBoundaries\nCoC\nVersion\n");

    const std::string schema = commandOutput("mdb-schema " + shellQuote(out));
    for (const char* declared : {"[NBNCode]\t\t\tText (16)", "[TaxonCode]\t\t\tText (6)", "[TaxonName]\t\t\tText (120)",
                                 "[TDI3]\t\t\tDouble", "[DAM]\t\t\tDouble", "[Saline]\t\t\tBoolean",
                                 "[SiteType]\t\t\tText (10)", "[LakeType]\t\t\tText (2)", "[MedianTDI]\t\t\tDouble",
                                 "[PB]\t\t\tDouble", "[Coefficient]\t\t\tLong Integer", "[Value]\t\t\tDouble"})
        EXPECT_NE(schema.find(declared), std::string::npos) << declared << "\n" << schema;

    for (const char* table : kBundled)
        expectExportMatchesCsv(out, table, readFile(kDataDir + "/" + table + ".csv"));
}

TEST(MkRefDb, BundledDataKeepsTheShapeTheProgramReads)
{
    const auto taxa = parsed(readFile(kDataDir + "/NBSMasterTaxonList_PhaseII.csv"));
    ASSERT_GE(taxa.size(), 301u);
    std::size_t unscored = 0;
    for (std::size_t r = 1; r < taxa.size(); ++r) {
        const auto& fields = taxa[r].fields;
        ASSERT_EQ(fields.size(), 12u);
        EXPECT_EQ(fields[0].text.substr(0, 3), "NBN");
        EXPECT_EQ(fields[1].text.size(), 6u);
        bool any = false;
        for (std::size_t c = 3; c < 8; ++c) {
            if (fields[c].text.empty() || fields[c].text == "0")
                continue;
            const double score = std::stod(fields[c].text);
            EXPECT_GE(score, 1.0);
            EXPECT_LE(score, 5.0);
            any = true;
        }
        unscored += any ? 0 : 1;
    }
    EXPECT_GT(unscored, 0u);

    // Boundaries decrease; lakes have three types for each index.
    const auto boundaries = parsed(readFile(kDataDir + "/Boundaries.csv"));
    std::map<std::string, int> rowsPerIndex;
    for (std::size_t r = 1; r < boundaries.size(); ++r) {
        const auto& fields = boundaries[r].fields;
        ++rowsPerIndex[fields[0].text];
        for (std::size_t c = 3; c < 6; ++c)
            EXPECT_GT(std::stod(fields[c].text), std::stod(fields[c + 1].text)) << "row " << r;
    }
    EXPECT_EQ(rowsPerIndex, (std::map<std::string, int>{{"DAM", 1}, {"LTDI1", 3}, {"LTDI2", 3}, {"TDI3", 1}, {"TDI4", 1}}));

    // Each family's four coefficients give a single-sample spread of 0.05 to 0.2 EQR.
    const auto coc = parsed(readFile(kDataDir + "/CoC.csv"));
    std::map<std::string, std::map<int, double>> coefficients;
    for (std::size_t r = 1; r < coc.size(); ++r)
        coefficients[coc[r].fields[0].text][std::stoi(coc[r].fields[1].text)] = std::stod(coc[r].fields[2].text);
    ASSERT_EQ(coefficients.size(), 3u);
    for (const auto& [family, c] : coefficients) {
        ASSERT_EQ(c.size(), 4u) << family;
        for (double x = 0.1; x <= 0.999; x += 0.001) {
            const double sd = c.at(0) + c.at(1) * x + c.at(2) * std::pow(x, c.at(3));
            EXPECT_GE(sd, 0.05) << family << " at " << x;
            EXPECT_LE(sd, 0.2) << family << " at " << x;
        }
    }
}

TEST(MkRefDb, Ace12FormatIsNamedByMdbVer)
{
    TempDir dir;
    const std::string out = dir.file("TORVENII.accdb");
    ASSERT_EQ(runTool(dir, "--format ace12 -o " + shellQuote(out) + bundledArguments()), 0);
    EXPECT_EQ(commandOutput("mdb-ver " + shellQuote(out)), "ACE12\n");
    expectExportMatchesCsv(out, "CoC", readFile(kDataDir + "/CoC.csv"));
}

TEST(MkRefDb, EveryTypeNullsEmptyTextsAndManyRows)
{
    TempDir dir;
    std::string csv =
        "Code:text(40),Notes:memo,Small:byte,Count:integer,Big:long,Ratio:single,Score:double,Price:currency,"
        "Planktic:boolean,Sampled:datetime\n"
        "\"Fragilaria capucina var. rumpens K\xC3\xBCtz.\",\"memo, with \"\"quotes\"\"\nand a second line\",255,-32768,"
        "2147483647,0.5,0.25,12.3456,TRUE,2021-03-04 05:06:07\n"
        "\"\",\"\",0,32767,-2147483648,-1.5,-7.125,-0.0001,no,1900-03-01\n"
        ",,,,,,,,,\n";
    for (int i = 0; i < 5000; ++i)
        csv += "Taxon " + std::to_string(i) + ",Note " + std::to_string(i) + "," + std::to_string(i % 256) + "," +
               std::to_string(i - 2500) + "," + std::to_string(i * 1000) + ",0.75," + std::to_string(i) + ".5," +
               std::to_string(i) + ".01," + (i % 2 ? "Yes" : "False") + ",2024-02-29 23:59:59\n";
    writeFile(dir.file("every.csv"), csv);
    const std::string out = dir.file("every.mdb");
    std::string errors;
    ASSERT_EQ(runTool(dir, "--allow-problems -o " + shellQuote(out) + " " + shellQuote("Every Type=" + dir.file("every.csv")), &errors), 0)
        << errors;
    EXPECT_EQ(commandOutput("mdb-tables -1 " + shellQuote(out)), "Every Type\n");
    const std::string schema = commandOutput("mdb-schema " + shellQuote(out));
    for (const char* declared : {"Text (40)", "Memo/Hyperlink", "Byte", "\tInteger", "Long Integer", "Single", "Double",
                                 "Currency", "Boolean", "DateTime"})
        EXPECT_NE(schema.find(declared), std::string::npos) << declared << "\n" << schema;
    // 5,003 rows of about 100 bytes: far more than one 4 KB page.
    EXPECT_GT(std::filesystem::file_size(out), 100u * 4096u);

    // mdb-export writes booleans as 1 and 0 and the dates in the -T format asked for.
    const auto output = parsed(exported(out, "Every Type"));
    ASSERT_EQ(output.size(), 5004u);
    EXPECT_EQ(output[1].fields[0].text, "Fragilaria capucina var. rumpens K\xC3\xBCtz.");
    EXPECT_EQ(output[1].fields[1].text, "memo, with \"quotes\"\nand a second line");
    EXPECT_EQ(output[1].fields[8].text, "1");
    EXPECT_EQ(output[1].fields[9].text, "2021-03-04 05:06:07");
    EXPECT_EQ(output[2].fields[7].text, "-0.0001");
    EXPECT_EQ(output[2].fields[9].text, "1900-03-01 00:00:00");
    for (const auto& field : output[3].fields)
        EXPECT_TRUE(field.text.empty() || field.text == "0");
    for (int i = 0; i < 5000; ++i) {
        const auto& fields = output[static_cast<std::size_t>(4 + i)].fields;
        ASSERT_EQ(fields[0].text, "Taxon " + std::to_string(i));
        ASSERT_EQ(fields[4].text, std::to_string(i * 1000));
        ASSERT_EQ(fields[6].text, std::to_string(i) + ".5");
        ASSERT_EQ(fields[8].text, i % 2 ? "1" : "0");
        ASSERT_EQ(fields[9].text, "2024-02-29 23:59:59");
    }
}

TEST(MkRefDb, BadInputStopsWithFileLineAndReasonAndLeavesOutAlone)
{
    struct Case {
        const char* csv;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"A:txt\n", 1, "unknown type"},
        {"A\n", 1, "has no :type"},
        {"A:text(0)\n", 1, "1 to 255 characters"},
        {"A:text(256)\n", 1, "1 to 255 characters"},
        {"A:integer,a:long\n", 1, "named twice"},
        {"A.B:integer\n", 1, "none of . ! ` [ ]"},
        {"", 1, "no header line"},
        {"A:integer,B:integer\n1,2\n3\n", 3, "1 fields, but the header names 2 columns"},
        {"A:text,B:integer\n\"open,1\n2,3\n", 2, "a quoted field is not closed"},
        {"A:text\nab\"c\n", 2, "a quote inside an unquoted field"},
        {"A:text\n\"ab\"c\n", 2, "text after the closing quote"},
        {"A:text\n\"two\nlines\"\n\"x\"y\n", 4, "text after the closing quote"},
        {"A:boolean\nmaybe\n", 2, "is not a boolean"},
        {"A:byte\n256\n", 2, "does not fit a byte"},
        {"A:integer\n1.5\n", 2, "is not a whole number"},
        {"A:integer\n40000\n", 2, "does not fit an integer"},
        {"A:long\n3000000000\n", 2, "does not fit a long"},
        {"A:double\nabc\n", 2, "is not a number"},
        {"A:double\n1e400\n", 2, "out of range"},
        {"A:double\nnan\n", 2, "is not a number"},
        {"A:single\n1e39\n", 2, "does not fit a single"},
        {"A:currency\n1.23456\n", 2, "more than the 4 decimal places"},
        {"A:datetime\n2021-02-30\n", 2, "is not a date"},
        {"A:datetime\n2021-3-4\n", 2, "is not a date"},
        {"A:text(3)\nabcd\n", 2, "more than the column's 3"},
        {"A:text\n\xC3(\n", 2, "not valid UTF-8"},
    };
    TempDir dir;
    const std::string out = dir.file("out.mdb");
    const std::string previous = "an earlier database, to be kept";
    for (const Case& c : cases) {
        writeFile(out, previous);
        writeFile(dir.file("bad.csv"), c.csv);
        std::string errors;
        EXPECT_EQ(runTool(dir, "-o " + shellQuote(out) + " T=" + shellQuote(dir.file("bad.csv")), &errors), 1) << c.csv;
        const std::string where = dir.file("bad.csv") + ":" + std::to_string(c.line) + ": ";
        EXPECT_NE(errors.find(where), std::string::npos) << c.csv << "\n" << errors;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << c.csv << "\n" << errors;
        EXPECT_EQ(readFile(out), previous) << c.csv;
    }

    // A row too long for a page, and a file that is not there.
    writeFile(out, previous);
    std::string wide = "A:text,B:text,C:text,D:text,E:text,F:text,G:text,H:text,I:text\n";
    std::string euros;
    for (int i = 0; i < 255; ++i)
        euros += "\xE2\x82\xAC";
    for (int c = 0; c < 9; ++c)
        wide += (c ? "," : "") + euros;
    writeFile(dir.file("wide.csv"), wide + "\n");
    std::string errors;
    EXPECT_EQ(runTool(dir, "-o " + shellQuote(out) + " T=" + shellQuote(dir.file("wide.csv")), &errors), 1);
    EXPECT_NE(errors.find(dir.file("wide.csv") + ":2: the row takes"), std::string::npos) << errors;
    EXPECT_EQ(runTool(dir, "-o " + shellQuote(out) + " T=" + shellQuote(dir.file("none.csv")), &errors), 1);
    EXPECT_NE(errors.find(dir.file("none.csv") + ": cannot be opened"), std::string::npos) << errors;
    // The second table's fault stops the tool although the first one was fine.
    writeFile(dir.file("good.csv"), "A:integer\n1\n");
    writeFile(dir.file("bad.csv"), "A:integer\nx\n");
    EXPECT_EQ(runTool(dir, "-o " + shellQuote(out) + " G=" + shellQuote(dir.file("good.csv")) + " B=" +
                                shellQuote(dir.file("bad.csv"))),
              1);
    EXPECT_EQ(readFile(out), previous);

    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        entries += entry.path().filename().string().starts_with(".out.mdb") ? 1 : 0;
    EXPECT_EQ(entries, 0u) << "a temporary file was left behind";
}

// An OUT its owner made read-only is not replaced (even by root) and keeps its mode: exit 3
// with the reason; a replaced OUT keeps the mode it had.
TEST(MkRefDb, ReadOnlyOutIsKeptAndReplacedOutKeepsItsMode)
{
    TempDir dir;
    writeFile(dir.file("good.csv"), "A:integer\n1\n");
    const std::string out = dir.file("out.mdb");
    writeFile(out, "a database someone locked");
    std::filesystem::permissions(out, std::filesystem::perms(0444));
    std::string errors;
    EXPECT_EQ(runTool(dir, "--allow-problems -o " + shellQuote(out) + " T=" + shellQuote(dir.file("good.csv")), &errors), 3);
    EXPECT_EQ(errors, "torven-mkrefdb: cannot write " + out + ": Permission denied\n");
    EXPECT_EQ(readFile(out), "a database someone locked");
    EXPECT_EQ(std::filesystem::status(out).permissions() & std::filesystem::perms::mask, std::filesystem::perms(0444));

    std::filesystem::permissions(out, std::filesystem::perms(0640));
    EXPECT_EQ(runTool(dir, "--allow-problems -o " + shellQuote(out) + " T=" + shellQuote(dir.file("good.csv")), &errors), 0) << errors;
    EXPECT_NE(readFile(out), "a database someone locked");
    EXPECT_EQ(std::filesystem::status(out).permissions() & std::filesystem::perms::mask, std::filesystem::perms(0640));
}

TEST(MkRefDb, CommandLineMistakesAreUsageErrors)
{
    TempDir dir;
    writeFile(dir.file("good.csv"), "A:integer\n1\n");
    const std::string table = " T=" + shellQuote(dir.file("good.csv"));
    std::string errors;
    EXPECT_EQ(runTool(dir, table, &errors), 2);
    EXPECT_NE(errors.find("no output file"), std::string::npos) << errors;
    EXPECT_EQ(runTool(dir, "-o " + shellQuote(dir.file("x.mdb")), &errors), 2);
    EXPECT_NE(errors.find("no tables"), std::string::npos) << errors;
    EXPECT_EQ(runTool(dir, "--format jet3 -o " + shellQuote(dir.file("x.mdb")) + table, &errors), 2);
    EXPECT_NE(errors.find("unknown format"), std::string::npos) << errors;
    EXPECT_EQ(runTool(dir, "-o " + shellQuote(dir.file("x.mdb")) + " " + shellQuote(dir.file("good.csv")), &errors), 2);
    EXPECT_NE(errors.find("is not TABLE=FILE.csv"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.mdb")));
    EXPECT_EQ(runTool(dir, "--format=ace12 --allow-problems -o " + shellQuote(dir.file("x.mdb")) + table), 0);
    EXPECT_EQ(commandOutput("mdb-ver " + shellQuote(dir.file("x.mdb"))), "ACE12\n");
}

TEST(MkRefDb, CsvOfNothingButCommasIsRefusedWithinABudget)
{
    // Each field costs far more than its comma: 20 MB of commas took 1.4 GB. One line of
    // 2 MB of commas is refused at its field limit, and a million lines of commas at the
    // first line that does not fit the header, before the rest is split.
    const std::string oneLine = "a:text\n" + std::string(2 << 20, ',') + "\n";
    std::string manyLines = "a:text\n";
    for (int i = 0; i < 1000000; ++i)
        manyLines += ",\n";
    for (const std::string* text : std::vector<const std::string*>{&oneLine, &manyLines}) {
        EXPECT_TRUE(testing_support::RunsWithin(std::size_t{128} << 20, 30, [text]() {
            refdb::TableSpec table;
            std::string error;
            const bool refused = !refdb::parseCsvTable(*text, "commas.csv", table, error)
                                 && error.rfind("commas.csv:2: ", 0) == 0;
            if (!refused)
                std::fprintf(stderr, "%s\n", error.c_str());
            return refused;
        }));
    }
    std::size_t line = 0;
    std::string reason;
    std::vector<csv::Record> records;
    EXPECT_FALSE(csv::parse(std::string(csv::kMaxFields, ','), records, line, reason));
    EXPECT_EQ(reason, "more than 4096 fields on one line");
    EXPECT_TRUE(csv::parse(std::string(csv::kMaxFields - 1, ','), records, line, reason)) << reason;
}

// Reference data with problems is refused, each problem named, and written only when the
// maintainer says so; nothing is left behind by the refusal.
TEST(MkRefDb, ProblemsAreNamedAndRefusedUnlessAllowed)
{
    TempDir dir;
    const std::string out = dir.file("planted.mdb");
    const std::string tables = reference_fixture::mkrefdbArguments(dir, reference_fixture::plantedReference(), "planted");
    std::string errors;
    EXPECT_EQ(runTool(dir, "-o " + shellQuote(out) + tables, &errors), 1);
    std::string expected = "torven-mkrefdb: " + out +
                           ": 7 problems found, not written (--allow-problems writes it all the same):\n";
    for (const std::string& line : reference_fixture::plantedProblemLines())
        expected += line + "\n";
    EXPECT_EQ(errors, expected);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
              4) << "only the three CSV files and stderr.txt";

    EXPECT_EQ(runTool(dir, "--allow-problems -o " + shellQuote(out) + tables, &errors), 0) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(commandOutput("mdb-tables -1 " + shellQuote(out)), "NBSMasterTaxonList_PhaseII\nBoundaries\nCoC\n");

    const std::string clean = dir.file("clean.mdb");
    EXPECT_EQ(runTool(dir, "-o " + shellQuote(clean) +
                               reference_fixture::mkrefdbArguments(dir, reference_fixture::cleanReference(), "clean"),
                      &errors),
              0)
        << errors;
}

// The same CSV files give the same bytes: no clock, no random content. The one time the
// file holds comes from SOURCE_DATE_EPOCH when it is set.
TEST(MkRefDb, SameTablesSameBytes)
{
    TempDir dir;
    const auto build = [&dir](const std::string& name, const std::string& environment) {
        const std::string out = dir.file(name);
        std::string errors;
        EXPECT_EQ(runTool(dir, environment + " -o " + shellQuote(out) + bundledArguments(), &errors), 0) << errors;
        return readFile(out);
    };
    unsetenv("SOURCE_DATE_EPOCH");
    const std::string first = build("a.mdb", "");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(build("b.mdb", ""), first);
    EXPECT_EQ(runCommand("cmp -s " + shellQuote(dir.file("a.mdb")) + " " + shellQuote(dir.file("b.mdb"))), 0);

    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const std::string dated = build("c.mdb", "");
    EXPECT_EQ(build("d.mdb", ""), dated);
    setenv("SOURCE_DATE_EPOCH", "1700000001", 1);
    EXPECT_NE(build("e.mdb", ""), dated);
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_NE(dated, first);
}
