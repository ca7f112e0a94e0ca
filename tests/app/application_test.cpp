// The application object's reference data: start-up, the taxon list, and the boundary
// and confidence-of-class loads of each import.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/application.h"
#include "import/import_steps.h"
#include "import/imported_samples.h"
#include "refdb/ado_database.h"
#include "refdb/jet/writer.h"
#include "tests/support/reference_fixture.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_dir.h"

using refdb::Cell;
using refdb::ColumnType;
using testing_support::TempDir;

namespace {

refdb::TableSpec taxonList()
{
    refdb::TableSpec t("NBSMasterTaxonList_PhaseII");
    t.addColumn("NBNCode", ColumnType::text, 20)
        .addColumn("DiatCode", ColumnType::text, 10)
        .addColumn("TaxonName", ColumnType::text)
        .addColumn("TDI3", ColumnType::doubleFloat)
        .addColumn("TDI4", ColumnType::single)
        .addColumn("Motile", ColumnType::boolean);
    t.addRow({Cell::ofText("NBNSYS0000001"), Cell::ofText("AC001A"), Cell::ofText("Achnanthes one"), Cell::ofNumber(2),
              Cell::ofNumber(1.5), Cell::ofBool(true)});
    t.addRow({Cell::ofText("NHMSYS0000002"), Cell::ofText("ZZ999A"), Cell::ofText("Other"), Cell::null(),
              Cell::ofNumber(0), Cell::ofBool(false)});
    return t;
}

refdb::TableSpec boundaries()
{
    refdb::TableSpec t("Boundaries");
    t.addColumn("SiteType", ColumnType::text, 10)
        .addColumn("LakeType", ColumnType::text, 10)
        .addColumn("MedianTDI", ColumnType::doubleFloat)
        .addColumn("HG", ColumnType::doubleFloat);
    t.addRow({Cell::ofText("TDI3"), Cell::ofText(""), Cell::ofNumber(0.93), Cell::ofNumber(0.8)});
    t.addRow({Cell::ofText("TDI4"), Cell::ofText(""), Cell::ofNumber(0.95), Cell::ofNumber(0.81)});
    t.addRow({Cell::ofText("LTDI1"), Cell::ofText("HA"), Cell::ofNumber(22), Cell::ofNumber(0.9)});
    t.addRow({Cell::ofText("LTDI1"), Cell::ofText("MA"), Cell::ofNumber(33), Cell::ofNumber(0.92)});
    return t;
}

// TDI has its four coefficients, LTDI only three.
refdb::TableSpec coc()
{
    refdb::TableSpec t("CoC");
    t.addColumn("SiteType", ColumnType::text, 10)
        .addColumn("Coefficient", ColumnType::integer)
        .addColumn("Value", ColumnType::doubleFloat);
    for (int i : {3, 1, 0, 2})
        t.addRow({Cell::ofText("TDI"), Cell::ofInteger(i), Cell::ofNumber(10.0 + i)});
    for (int i : {2, 0, 1})
        t.addRow({Cell::ofText("LTDI"), Cell::ofInteger(i), Cell::ofNumber(20.0 + i)});
    return t;
}

void writeDatabase(const std::string& path, const std::vector<refdb::TableSpec>& tables,
                   refdb::JetFormat format = refdb::JetFormat::jet4)
{
    std::string error;
    ASSERT_TRUE(refdb::writeAccessFile(tables, path, format, error)) << error;
}

class TvnAppTest : public ::testing::Test {
protected:
    void SetUp() override { writeDatabase(dir.file("TORVENII.mdb"), {taxonList(), boundaries(), coc()}); }
    void TearDown() override
    {
        CADODatabase::SetInstalledProviders({CADODatabase::kJetProvider, CADODatabase::kAceProvider});
    }
    std::string commandLine() const { return "\"" + dir.file("torven") + "\" --some-option"; }
    std::string jet() const { return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.file("TORVENII.mdb"); }
    std::string ace() const { return "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + dir.file("TORVENII.mdb"); }

    TempDir dir;
    ScriptedUser user;
};

std::vector<std::string> texts(const MemoryTable& table, int col)
{
    std::vector<std::string> out;
    for (int r = 0; r < table.rowCount; ++r) {
        std::string text;
        EXPECT_TRUE(table.GetString(r, col, text));
        out.push_back(text);
    }
    return out;
}

TEST(ProgramPaths, TakenFromTheQuotedProgramPathOfTheCommandLine)
{
    ProgramPaths quoted = Application::FindProgramPaths("\"/opt/torven ii/bin/torven\" \"/data/x.xls\"");
    EXPECT_EQ(quoted.drive, "");
    EXPECT_EQ(quoted.directory, "/opt/torven ii/bin/");
    EXPECT_EQ(quoted.databasePath, "/opt/torven ii/bin/TORVENII.mdb");
    EXPECT_EQ(quoted.helpPath, "/opt/torven ii/bin/TORVENII.pdf");

    // Several leading quotes are skipped.
    EXPECT_EQ(Application::FindProgramPaths("\"\"/a/b/prog\"").directory, "/a/b/");

    // Without a quoted path the files are looked for in the current directory.
    for (const char* line : {"torven", "/usr/bin/torven", "", "\"/a/b/prog", "\"\"\""}) {
        SCOPED_TRACE(line);
        ProgramPaths paths = Application::FindProgramPaths(line);
        EXPECT_EQ(paths.directory, "");
        EXPECT_EQ(paths.databasePath, "TORVENII.mdb");
        EXPECT_EQ(paths.helpPath, "TORVENII.pdf");
    }
}

TEST_F(TvnAppTest, StartUpLoadsTheTaxonListAndClosesTheConnection)
{
    Application app(user);
    EXPECT_TRUE(app.InitInstance(commandLine()));
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(app.helpArgument, " \"" + dir.file("TORVENII.pdf") + "\"");
    EXPECT_EQ(app.connectionString, jet());
    ASSERT_TRUE(app.masterTaxonList);
    EXPECT_EQ(app.masterTaxonList->rowCount, 2);
    EXPECT_EQ(app.masterTaxonList->colCount, 6);
    EXPECT_EQ(texts(*app.masterTaxonList, 0), (std::vector<std::string>{"NBNSYS0000001", "NHMSYS0000002"}));
    EXPECT_FALSE(app.database().IsOpen());
    EXPECT_EQ(app.classNames, (std::vector<std::string>{"High", "Good", "Moderate", "Poor", "Bad"}));

    // The identity is read with the taxon list: the digest as coreutils computes it, and
    // the list's two rows.
    ASSERT_TRUE(app.referenceIdentity);
    const std::string digest =
        testing_support::commandOutput("sha256sum " + testing_support::shellQuote(dir.file("TORVENII.mdb"))).substr(0, 64);
    EXPECT_EQ(app.referenceIdentity->sha256, digest);
    const std::vector<std::string> lines = app.ReferenceIdentityLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Reference database SHA-256: " + digest);
    EXPECT_EQ(lines[2], "Master taxon list: 2 rows");
}

TEST_F(TvnAppTest, StartUpWithoutADatabaseShowsBothMessagesAndGoesOn)
{
    std::filesystem::remove(dir.file("TORVENII.mdb"));
    Application app(user);
    EXPECT_TRUE(app.InitInstance(commandLine()));
    ASSERT_EQ(user.messages.size(), 2u);
    // The text of the last attempt, the ACE provider's, then the program's own message.
    EXPECT_EQ(user.messages[0].rfind("Connection String = " + ace() + "\nCADODataBase Error\n", 0), 0u)
        << user.messages[0];
    EXPECT_NE(user.messages[0].find("Could not find file"), std::string::npos);
    EXPECT_EQ(user.messages[1], "Error opening database");
    // Its detail names every place looked in: the user's data folder, beside the program,
    // the system's data folders (the tests' own has none) and the installed data folder.
    const std::string installed = (dir.path().parent_path() / "share" / "torven-ii").string() + "/";
    EXPECT_EQ(user.details[1], "TORVENII.mdb: not found in " + std::string(std::getenv("HOME")) +
                                   "/.local/share/torven-ii/ nor in " + dir.file("") + " nor in " +
                                   std::getenv("XDG_DATA_DIRS") + "/torven-ii/ nor in " + installed);
    EXPECT_EQ(app.connectionString, ace());
    EXPECT_FALSE(app.masterTaxonList);
    EXPECT_TRUE(app.classNames.empty());
    EXPECT_FALSE(app.referenceIdentity);
    EXPECT_EQ(app.ReferenceIdentityLines(), std::vector<std::string>{"Reference database: not identified"});

    // Every later import then fails at its boundary load.
    EXPECT_FALSE(app.LoadBoundaries("TDI3", 1));
    EXPECT_EQ(user.messages.back(), "Error opening boundary database");
}

TEST_F(TvnAppTest, AnInstalledProgramFindsItsFilesInTheDataFolder)
{
    // prefix/bin/torven with prefix/share/torven-ii/TORVENII.mdb and .pdf, as installed.
    std::filesystem::create_directories(dir.path() / "bin");
    std::filesystem::create_directories(dir.path() / "share" / "torven-ii");
    const std::string data = dir.file("share") + "/torven-ii/";
    std::filesystem::rename(dir.file("TORVENII.mdb"), data + "TORVENII.mdb");
    testing_support::writeFile(data + "TORVENII.pdf", "%PDF-1.4");
    Application app(user);
    EXPECT_TRUE(app.InitInstance("\"" + dir.file("bin") + "/torven\""));
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(app.paths.databasePath, data + "TORVENII.mdb");
    EXPECT_EQ(app.helpArgument, " \"" + data + "TORVENII.pdf\"");
    EXPECT_EQ(app.connectionString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + data + "TORVENII.mdb");
    EXPECT_TRUE(app.masterTaxonList);
}

TEST_F(TvnAppTest, WithOnlyTheAceProviderTheSecondAttemptOpensAndIsKept)
{
    CADODatabase::SetInstalledProviders({CADODatabase::kAceProvider});
    Application app(user);
    app.InitInstance(commandLine());
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(app.connectionString, ace());
    ASSERT_TRUE(app.masterTaxonList);
    EXPECT_TRUE(app.LoadBoundaries("TDI3", 1));
    EXPECT_TRUE(app.LoadCoCParameters("TDI"));
    EXPECT_EQ(app.database().GetConnectionString(), ace());
}

TEST_F(TvnAppTest, AnAceDatabaseOpensThroughTheAceProvider)
{
    writeDatabase(dir.file("TORVENII.mdb"), {taxonList()}, refdb::JetFormat::ace12);
    Application app(user);
    app.InitInstance(commandLine());
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(app.connectionString, ace());
    EXPECT_TRUE(app.masterTaxonList);
}

TEST_F(TvnAppTest, AMissingTaxonListIsReportedAndLeavesTheConnectionOpen)
{
    writeDatabase(dir.file("TORVENII.mdb"), {boundaries(), coc()});
    Application app(user);
    EXPECT_TRUE(app.InitInstance(commandLine()));
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Error retrieving taxon list"}));
    EXPECT_FALSE(app.masterTaxonList);
    EXPECT_TRUE(app.classNames.empty());
    EXPECT_TRUE(app.database().IsOpen());
    app.ExitInstance();
    EXPECT_FALSE(app.database().IsOpen());
}

TEST_F(TvnAppTest, BoundariesLoadIntoTheirSlotAndAFailureKeepsThePreviousTable)
{
    Application app(user);
    app.InitInstance(commandLine());
    ASSERT_TRUE(app.LoadBoundaries("TDI3", 1));
    ASSERT_TRUE(app.LoadBoundaries("TDI4", 2));
    EXPECT_FALSE(app.database().IsOpen());
    ASSERT_TRUE(app.boundaries1 && app.boundaries2);
    EXPECT_EQ(texts(*app.boundaries1, 0), (std::vector<std::string>{"TDI3"}));
    EXPECT_EQ(texts(*app.boundaries2, 0), (std::vector<std::string>{"TDI4"}));

    // A job keeps the table its import loaded; the next import's load replaces only the slot.
    std::shared_ptr<const MemoryTable> keptByJob = app.boundaries1;
    ASSERT_TRUE(app.LoadBoundaries("LTDI1", 1));
    EXPECT_EQ(texts(*app.boundaries1, 1), (std::vector<std::string>{"HA", "MA"}));
    EXPECT_EQ(texts(*keptByJob, 0), (std::vector<std::string>{"TDI3"}));

    // The database gone: the message, false, and the slot as it was.
    std::shared_ptr<const MemoryTable> before = app.boundaries1;
    std::filesystem::remove(dir.file("TORVENII.mdb"));
    EXPECT_FALSE(app.LoadBoundaries("TDI3", 1));
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Error opening boundary database"}));
    EXPECT_EQ(app.boundaries1, before);

    // The query failing (no Boundaries table): the message, the connection closed again.
    writeDatabase(dir.file("TORVENII.mdb"), {taxonList()});
    EXPECT_FALSE(app.LoadBoundaries("TDI3", 1));
    EXPECT_EQ(user.messages.size(), 2u);
    EXPECT_EQ(user.messages.back(), "Error opening boundary database");
    EXPECT_FALSE(app.database().IsOpen());
    EXPECT_EQ(app.boundaries1, before);

    // An import of a river sheet against it: the loader's message once, for the first of
    // the two tables, then the import's own.
    user.messages.clear();
    ImportedSamples samples;
    samples.family = familyRivers;
    EXPECT_FALSE(LoadReferenceTables(samples, app, user));
    EXPECT_EQ(user.messages,
              (std::vector<std::string>{"Error opening boundary database", "Error retrieving boundary data"}));
}

TEST_F(TvnAppTest, CoCParametersAreFoundWithFourRowsInCoefficientOrder)
{
    Application app(user);
    app.InitInstance(commandLine());
    ASSERT_TRUE(app.LoadCoCParameters("TDI"));
    ASSERT_TRUE(app.cocParameters);
    ASSERT_EQ(app.cocParameters->rowCount, 4);
    // Stored as 3, 1, 0, 2 with values 10 + coefficient; sorted they read 10, 11, 12, 13.
    for (int r = 0; r < 4; ++r) {
        double value = 0;
        ASSERT_TRUE(app.cocParameters->GetDouble(r, 2, value));
        EXPECT_EQ(value, 10.0 + r);
    }
    EXPECT_FALSE(app.database().IsOpen());
    EXPECT_TRUE(user.messages.empty());
}

TEST_F(TvnAppTest, ThreeCoCRowsCountAsNotFoundAndEmptyTheSlot)
{
    Application app(user);
    app.InitInstance(commandLine());
    ASSERT_TRUE(app.LoadCoCParameters("TDI"));
    EXPECT_FALSE(app.LoadCoCParameters("LTDI"));
    EXPECT_FALSE(app.cocParameters);
    EXPECT_FALSE(app.LoadCoCParameters("DAM"));
    EXPECT_FALSE(app.cocParameters);
    EXPECT_TRUE(user.messages.empty());
}

TEST_F(TvnAppTest, AFailedCoCLoadKeepsTheSlotAndShowsNothing)
{
    Application app(user);
    app.InitInstance(commandLine());
    ASSERT_TRUE(app.LoadCoCParameters("TDI"));
    std::shared_ptr<const MemoryTable> before = app.cocParameters;

    writeDatabase(dir.file("TORVENII.mdb"), {taxonList()});
    EXPECT_FALSE(app.LoadCoCParameters("TDI"));
    EXPECT_EQ(app.cocParameters, before);
    EXPECT_FALSE(app.database().IsOpen());

    std::filesystem::remove(dir.file("TORVENII.mdb"));
    EXPECT_FALSE(app.LoadCoCParameters("TDI"));
    EXPECT_EQ(app.cocParameters, before);
    EXPECT_TRUE(user.messages.empty());
}

}  // namespace

// A database in the user's own data folder comes before the one beside the program; it is
// checked as it opens, and the jobs' summaries are told what the check found.
TEST_F(TvnAppTest, TheUsersOwnDatabaseComesFirstAndIsChecked)
{
    const std::string userFolder = std::string(std::getenv("HOME")) + "/.local/share/torven-ii/";
    std::filesystem::create_directories(userFolder);
    std::string error;
    ASSERT_TRUE(reference_fixture::writeReference(userFolder + "TORVENII.mdb", reference_fixture::plantedReference(),
                                                  error))
        << error;
    Application app(user);
    EXPECT_TRUE(app.InitInstance(commandLine()));
    std::filesystem::remove_all(userFolder);
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(app.paths.databasePath, userFolder + "TORVENII.mdb");
    EXPECT_EQ(app.referenceProblems.size(), 7u);
    EXPECT_EQ(app.referenceNotes(), std::vector<std::string>{"Reference database: 7 problems found (see Help > "
                                                             "Reference database, or torven-cli refdb --check)"});
    const std::vector<std::string> report = app.ReferenceReportLines();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.front(), "File: " + userFolder + "TORVENII.mdb");
    EXPECT_EQ(report.back(), "7 problems found");
}

// The demonstration data say so through the summary's notes; a clean database of one's own
// adds nothing.
TEST_F(TvnAppTest, DemonstrationDataAreNamedAndACleanDatabaseAddsNothing)
{
    std::string error;
    ASSERT_TRUE(reference_fixture::writeReference(dir.file("clean.mdb"), reference_fixture::cleanReference(), error));
    ASSERT_TRUE(reference_fixture::writeReference(
        dir.file("demo.mdb"), reference_fixture::cleanReference(), error,
        {{"Version", "Release:text(20),Notes:text(80)\n1.0,\"Invented values: Demonstration Data only\"\n"}}))
        << error;
    Application clean(user);
    EXPECT_TRUE(clean.OpenReferenceData(dir.file("clean.mdb")));
    EXPECT_TRUE(clean.referenceProblems.empty());
    EXPECT_TRUE(clean.referenceNotes().empty());
    Application demo(user);
    EXPECT_TRUE(demo.OpenReferenceData(dir.file("demo.mdb")));
    EXPECT_EQ(demo.referenceNotes(), std::vector<std::string>{"Reference database: demonstration data, not for reporting"});
    EXPECT_EQ(demo.ReferenceIdentityLines().back(), "Reference database: demonstration data, not for reporting");
    EXPECT_TRUE(user.messages.empty());
}
