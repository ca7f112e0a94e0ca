// torven-cli refdb and taxa, run as programs on the bundled database and on fixtures.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "refdb/jet/writer.h"
#include "tests/support/reference_fixture.h"
#include "tests/support/temp_dir.h"

using refdb::Cell;
using refdb::ColumnType;
using testing_support::commandOutput;
using testing_support::shellQuote;
using testing_support::TempDir;

namespace {

const std::string kCli = std::string(TORVEN_BIN_DIR) + "/torven-cli";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class RefdbCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        refdb::TableSpec t("Taxa");
        t.addColumn("Code", ColumnType::text, 20)
            .addColumn("Rank", ColumnType::integer)
            .addColumn("Count", ColumnType::longInteger)
            .addColumn("Score", ColumnType::doubleFloat)
            .addColumn("Motile", ColumnType::boolean)
            .addColumn("Added", ColumnType::dateTime);
        t.addRow({Cell::ofText("A\tB\\C\nD\rE"), Cell::ofInteger(3), Cell::ofInteger(-4), Cell::ofNumber(0.1),
                  Cell::ofBool(true), Cell::ofDateTime(2020, 1, 2)});
        t.addRow({Cell::null(), Cell::ofInteger(0), Cell::null(), Cell::ofNumber(2.0 / 3.0), Cell::ofBool(false),
                  Cell::null()});
        t.addRow({Cell::ofText("x"), Cell::ofInteger(-2), Cell::ofInteger(7), Cell::null(), Cell::ofBool(false),
                  Cell::null()});
        refdb::TableSpec taxa = t;
        taxa.name = "NBSMasterTaxonList_PhaseII";
        std::string error;
        ASSERT_TRUE(refdb::writeAccessFile({t, taxa}, db(), refdb::JetFormat::jet4, error)) << error;
    }
    std::string db() const { return dir.file("fixture.mdb"); }
    std::string run(const std::string& arguments, int* status, std::string* errors = nullptr) const
    {
        std::string errorFile = dir.file("stderr.txt");
        std::string out = commandOutput(kCli + " " + arguments + " 2>" + shellQuote(errorFile), status);
        if (errors)
            *errors = testing_support::readFile(errorFile);
        return out;
    }

    TempDir dir;
};

TEST_F(RefdbCliTest, BundledDatabaseGivesTheFourTdiCoCRowsInCoefficientOrder)
{
    int status = -1;
    std::string out = commandOutput(kCli + " refdb \"Select * from CoC where SiteType = 'TDI' order by Coefficient\"",
                                    &status);
    ASSERT_EQ(status, 0);
    std::vector<std::string> rows = lines(out);
    ASSERT_EQ(rows.size(), 5u) << out;
    EXPECT_EQ(rows[0].rfind("SiteType:text\tCoefficient:", 0), 0u) << rows[0];
    std::vector<std::string> coefficients;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].rfind("TDI\t", 0), 0u) << rows[i];
        std::string rest = rows[i].substr(4);
        coefficients.push_back(rest.substr(0, rest.find('\t')));
    }
    EXPECT_TRUE(std::is_sorted(coefficients.begin(), coefficients.end())) << out;

    // Without a source: the bundled database's tables.
    std::string tables = commandOutput(kCli + " refdb", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lines(tables), (std::vector<std::string>{"NBSMasterTaxonList_PhaseII", "Boundaries", "CoC", "Version"}));
}

TEST_F(RefdbCliTest, PrintsKindsAndExactValuesWithEscapedTexts)
{
    int status = -1;
    std::string out = run("refdb --db " + shellQuote(db()) + " Taxa", &status);
    ASSERT_EQ(status, 0);
    // 0.1 and 2/3 with 17 significant digits; the date column has no kind and no values.
    EXPECT_EQ(out,
              "Code:text\tRank:smallint\tCount:integer\tScore:double\tMotile:bool\tAdded:none\n"
              "A\\tB\\\\C\\nD\\rE\t3\t-4\t0.10000000000000001\t1\t\n"
              "\t0\t0\t0.66666666666666663\t0\t\n"
              "x\t-2\t7\t0\t0\t\n");

    out = run("refdb --db " + shellQuote(db()) + " \"select * from taxa where code = 'X'\"", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lines(out).size(), 2u);
    out = run("refdb --db " + shellQuote(db()) + " \"select * from taxa where code = 'none'\"", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "Code:text\tRank:smallint\tCount:integer\tScore:double\tMotile:bool\tAdded:none\n");
}

TEST_F(RefdbCliTest, TaxaShowsCellsAsTheTaxonListWindow)
{
    int status = -1;
    std::string errors;
    std::string out = run("taxa --db " + shellQuote(db()), &status, &errors);
    ASSERT_EQ(status, 0) << errors;
    EXPECT_EQ(errors, "");
    // Small integers of 0 and below are empty, doubles take 13 digits, yes shows "Yes".
    EXPECT_EQ(out,
              "Code\tRank\tCount\tScore\tMotile\tAdded\n"
              "A\\tB\\\\C\\nD\\rE\t3\t-4\t0.1\tYes\t\n"
              "\t\t0\t0.6666666666667\t\t\n"
              "x\t\t7\t0\t\t\n");
}

TEST_F(RefdbCliTest, FailuresPrintTheStoredErrorTextAndExitOne)
{
    int status = -1;
    std::string errors;
    std::string out = run("refdb --db " + shellQuote(db()) + " \"Select * from Missing\"", &status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(errors.rfind("Query = Select * from Missing\nCADORecordset Error\n\tCode = 80040e37\n", 0), 0u) << errors;

    out = run("refdb --db " + shellQuote(dir.file("none.mdb")), &status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors.rfind("Connection String = Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + dir.file("none.mdb"), 0),
              0u)
        << errors;

    out = run("taxa --db " + shellQuote(dir.file("none.mdb")), &status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find("\nError opening database\n"), std::string::npos) << errors;

    testing_support::writeFile(dir.file("junk.mdb"), std::string(20000, '\x01'));
    out = run("refdb --db " + shellQuote(dir.file("junk.mdb")) + " Taxa", &status, &errors);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find("Unrecognized database format"), std::string::npos) << errors;
}

TEST_F(RefdbCliTest, UsageErrorsExitTwo)
{
    int status = -1;
    run("refdb --db", &status);
    EXPECT_EQ(status, 2);
    run("refdb --bogus", &status);
    EXPECT_EQ(status, 2);
    run("refdb --db " + shellQuote(db()) + " Taxa Extra", &status);
    EXPECT_EQ(status, 2);
    run("taxa Extra", &status);
    EXPECT_EQ(status, 2);
    run("refdb --info Taxa --db " + shellQuote(db()), &status);
    EXPECT_EQ(status, 2);
}

// The identity as the results' provenance states it: name, size and time, the digest
// (checked against coreutils' sha256sum), the taxon list's rows and the Version row.
TEST_F(RefdbCliTest, InfoNamesTheDatabaseExactly)
{
    int status = -1;
    std::vector<std::string> out = lines(run("refdb --info --db " + shellQuote(db()), &status));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].rfind("Reference database: fixture.mdb (", 0), 0u) << out[0];
    EXPECT_NE(out[0].find(" bytes, modified "), std::string::npos) << out[0];
    EXPECT_EQ(out[0].substr(out[0].size() - 5), " UTC)");
    const std::string digest = commandOutput("sha256sum " + shellQuote(db())).substr(0, 64);
    EXPECT_EQ(out[1], "Reference database SHA-256: " + digest);
    EXPECT_EQ(out[2], "Master taxon list: 3 rows");

    // With a Version table, its first row as name = value.
    refdb::TableSpec version("Version");
    version.addColumn("Release", ColumnType::text, 20).addColumn("Notes", ColumnType::text, 50);
    version.addRow({Cell::ofText("2.0"), Cell::ofText("demonstration data")});
    version.addRow({Cell::ofText("1.9"), Cell::ofText("older")});
    refdb::TableSpec taxa("NBSMasterTaxonList_PhaseII");
    taxa.addColumn("Code", ColumnType::text, 20);
    taxa.addRow({Cell::ofText("AC001A")});
    const std::string versioned = dir.file("versioned.mdb");
    std::string error;
    ASSERT_TRUE(refdb::writeAccessFile({taxa, version}, versioned, refdb::JetFormat::jet4, error)) << error;
    out = lines(run("refdb --info --db " + shellQuote(versioned), &status));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[2], "Master taxon list: 1 rows");
    EXPECT_EQ(out[3], "Database version: Release = 2.0; Notes = demonstration data");
    // Those words in the Version row mark the database wherever it is named.
    EXPECT_EQ(out[4], "Reference database: demonstration data, not for reporting");
}

TEST_F(RefdbCliTest, CheckListsEachPlantedProblemThenTheirCount)
{
    std::string error;
    const std::string planted = dir.file("planted.mdb");
    ASSERT_TRUE(reference_fixture::writeReference(planted, reference_fixture::plantedReference(), error)) << error;
    int status = -1;
    std::vector<std::string> expected = reference_fixture::plantedProblemLines();
    expected.push_back("7 problems found");
    EXPECT_EQ(lines(run("refdb --check --db " + shellQuote(planted), &status)), expected);
    EXPECT_EQ(status, 1);

    const std::string clean = dir.file("clean.mdb");
    ASSERT_TRUE(reference_fixture::writeReference(clean, reference_fixture::cleanReference(), error)) << error;
    EXPECT_EQ(run("refdb --check --db " + shellQuote(clean), &status), "No problems found\n");
    EXPECT_EQ(status, 0);
    // The bundled database, found as the programs find it.
    EXPECT_EQ(run("refdb --check", &status), "No problems found\n");
    EXPECT_EQ(status, 0);

    // A database without the tables: each missing; a file that is no database: exit 3.
    const std::string report = run("refdb --check --db " + shellQuote(db()), &status);
    EXPECT_EQ(status, 1);
    for (const char* line : {"NBSMasterTaxonList_PhaseII\t\tTDI3\t\tcolumn missing\n", "Boundaries\t\t\t\ttable missing\n",
                             "CoC\t\t\t\ttable missing\n"})
        EXPECT_NE(report.find(line), std::string::npos) << line << report;
    testing_support::writeFile(dir.file("not.mdb"), std::string(8192, 'x'));
    std::string errors;
    EXPECT_EQ(run("refdb --check --db " + shellQuote(dir.file("not.mdb")), &status, &errors), "");
    EXPECT_EQ(status, 3);
    EXPECT_EQ(errors.rfind("Error opening database\n" + dir.file("not.mdb") + ": ", 0), 0u) << errors;
}

TEST_F(RefdbCliTest, DiffShowsExactlyWhatChanged)
{
    reference_fixture::ReferenceCsv before = reference_fixture::cleanReference();
    reference_fixture::ReferenceCsv after = before;
    // Three scores, one taxon added, one boundary.
    after.taxa = "NBNCode:text(16),TaxonCode:text(6),TaxonName:text(120),TDI3:double,TDI4:double,LTDI1:double,"
                 "LTDI2:double,DAM:double,Motile:boolean,OrganicTolerant:boolean,Planktic:boolean,Saline:boolean\n"
                 "NBNSYS0000000001,AA001A,Alpha one,1.5,2,3,4,5,false,false,false,false\n"
                 "NBNSYS0000000002,AA002A,Alpha two,2,3,2,0,1,true,false,false,false\n"
                 "NBNSYS0000000003,AA003A,Alpha three,5,5,5,5,4,false,true,false,true\n"
                 "NBNSYS0000000009,AA009A,Alpha nine,3,3,3,3,3,false,false,false,false\n";
    after.boundaries.replace(after.boundaries.find("TDI4,,40,0.8"), 12, "TDI4,,40,0.82");
    std::string error;
    ASSERT_TRUE(reference_fixture::writeReference(dir.file("old.mdb"), before, error)) << error;
    ASSERT_TRUE(reference_fixture::writeReference(dir.file("new.mdb"), after, error)) << error;
    ASSERT_TRUE(reference_fixture::writeReference(dir.file("again.mdb"), before, error)) << error;

    int status = -1;
    EXPECT_EQ(lines(run("refdb --diff " + shellQuote(dir.file("old.mdb")) + " " + shellQuote(dir.file("new.mdb")),
                        &status)),
              (std::vector<std::string>{
                  "Taxa: 1 added, 0 removed, 3 changed; boundaries: 1 changed; confidence of class: 0 changed",
                  "taxon changed\tAA001A\tTDI3\t1\t1.5",
                  "taxon changed\tAA002A\tLTDI1\t0\t2",
                  "taxon changed\tAA003A\tDAM\t5\t4",
                  "taxon added\tAA009A\tTaxonName\t\tAlpha nine",
                  "boundary changed\tTDI4\tHG\t0.8\t0.82",
              }));
    EXPECT_EQ(status, 1);

    // Two builds of the same data are the same reference data.
    EXPECT_EQ(run("refdb --diff " + shellQuote(dir.file("old.mdb")) + " " + shellQuote(dir.file("again.mdb")), &status),
              "Taxa: 0 added, 0 removed, 0 changed; boundaries: 0 changed; confidence of class: 0 changed\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(run("refdb --diff " + shellQuote(dir.file("old.mdb")), &status), "");
    EXPECT_EQ(status, 2);
}

// One user, one database: the one in the user's data folder, and then the one chosen in the
// desktop program's settings, without --db.
TEST_F(RefdbCliTest, WithoutDbTheUsersOwnDatabaseThenTheDesktopsChoice)
{
    const std::string home = dir.file("home");
    std::filesystem::create_directories(home + "/.local/share/torven-ii");
    std::string error;
    ASSERT_TRUE(reference_fixture::writeReference(home + "/.local/share/torven-ii/TORVENII.mdb",
                                                  reference_fixture::cleanReference(), error))
        << error;
    const std::string asUser = "HOME=" + shellQuote(home) + " ";
    int status = -1;
    std::vector<std::string> info = lines(commandOutput(asUser + kCli + " refdb --info", &status));
    ASSERT_GE(info.size(), 2u);
    EXPECT_EQ(info[1], "Reference database SHA-256: " +
                           commandOutput("sha256sum " + shellQuote(home + "/.local/share/torven-ii/TORVENII.mdb")).substr(0, 64));

    const std::string planted = dir.file("planted.mdb");
    ASSERT_TRUE(reference_fixture::writeReference(planted, reference_fixture::plantedReference(), error)) << error;
    std::filesystem::create_directories(home + "/.config/torven-ii");
    testing_support::writeFile(home + "/.config/torven-ii/settings", "reference-database=" + planted + "\n");
    EXPECT_EQ(lines(commandOutput(asUser + kCli + " refdb --check", &status)).back(), "7 problems found");
    EXPECT_EQ(status, 1);
    // --db still has the last word.
    EXPECT_EQ(commandOutput(asUser + kCli + " refdb --check --db " + shellQuote(home + "/.local/share/torven-ii/TORVENII.mdb"),
                            &status),
              "No problems found\n");
}

}  // namespace
