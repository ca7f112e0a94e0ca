// The connection, the recordset and the table copy, on Access files made by the Jet
// writer at test time.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "refdb/ado_database.h"
#include "refdb/ado_recordset.h"
#include "refdb/memory_table.h"
#include "refdb/jet/writer.h"
#include "tests/support/temp_dir.h"

using refdb::Cell;
using refdb::ColumnType;
using testing_support::TempDir;

namespace {

std::string jetString(const std::string& path)
{
    return std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path;
}
std::string aceString(const std::string& path)
{
    return std::string("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=") + path;
}

// One column of every type the writer knows, and rows of edge values.
refdb::TableSpec kindsTable()
{
    refdb::TableSpec t("Kinds");
    t.addColumn("Code", ColumnType::text, 12)
        .addColumn("Small", ColumnType::integer)
        .addColumn("Count", ColumnType::longInteger)
        .addColumn("Score", ColumnType::single)
        .addColumn("Exact", ColumnType::doubleFloat)
        .addColumn("Flag", ColumnType::boolean)
        .addColumn("Money", ColumnType::currency)
        .addColumn("When", ColumnType::dateTime)
        .addColumn("Tiny", ColumnType::byte)
        .addColumn("Notes", ColumnType::memo)
        .addColumn("TDI3", ColumnType::doubleFloat);
    t.addRow({Cell::ofText("NBN001"), Cell::ofInteger(-7), Cell::ofInteger(2147483647), Cell::ofNumber(2.5),
              Cell::ofNumber(0.1), Cell::ofBool(true), Cell::ofCurrencyUnits(123456),
              Cell::ofDateTime(2009, 7, 6, 13, 45, 30), Cell::ofInteger(255), Cell::ofText("short note"),
              Cell::ofNumber(1.0 / 3.0)});
    t.addRow({Cell::ofText(""), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::ofBool(false),
              Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null()});
    t.addRow({Cell::null(), Cell::ofInteger(-32768), Cell::ofInteger(-2147483647 - 1), Cell::ofNumber(-1e-3),
              Cell::ofNumber(-123456789.123456789), Cell::ofBool(true), Cell::ofCurrencyUnits(-5),
              Cell::ofDateTime(1899, 12, 30), Cell::ofInteger(0), Cell::ofText(std::string(5000, 'm') + "\xC3\xA9"),
              Cell::ofNumber(0)});
    return t;
}

refdb::TableSpec cocTable()
{
    refdb::TableSpec t("CoC");
    t.addColumn("SiteType", ColumnType::text, 10)
        .addColumn("Coefficient", ColumnType::text, 10)
        .addColumn("Value", ColumnType::doubleFloat);
    // Out of order, with other site types between and a lower-case site type that
    // Access's comparison still matches.
    t.addRow({Cell::ofText("TDI"), Cell::ofText("c2"), Cell::ofNumber(0.3)});
    t.addRow({Cell::ofText("LTDI"), Cell::ofText("c0"), Cell::ofNumber(9.0)});
    t.addRow({Cell::ofText("TDI"), Cell::ofText("c0"), Cell::ofNumber(0.1)});
    t.addRow({Cell::ofText("tdi"), Cell::ofText("c3"), Cell::ofNumber(0.4)});
    t.addRow({Cell::ofText("DAM"), Cell::ofText("c1"), Cell::ofNumber(8.0)});
    t.addRow({Cell::ofText("TDI"), Cell::ofText("C1"), Cell::ofNumber(0.2)});
    t.addRow({Cell::null(), Cell::null(), Cell::ofNumber(7.0)});
    return t;
}

refdb::TableSpec boundariesTable()
{
    refdb::TableSpec t("Boundaries");
    t.addColumn("SiteType", ColumnType::text, 10)
        .addColumn("LakeType", ColumnType::text, 10)
        .addColumn("MedianTDI", ColumnType::doubleFloat)
        .addColumn("HG", ColumnType::doubleFloat);
    t.addRow({Cell::ofText("TDI3"), Cell::ofText(""), Cell::ofNumber(0.93), Cell::ofNumber(0.8)});
    t.addRow({Cell::ofText("LTDI1"), Cell::ofText("HA"), Cell::ofNumber(22), Cell::ofNumber(0.9)});
    t.addRow({Cell::ofText("LTDI1"), Cell::ofText("MA"), Cell::ofNumber(33), Cell::ofNumber(0.92)});
    t.addRow({Cell::ofText("TDI4"), Cell::ofText(""), Cell::ofNumber(0.95), Cell::ofNumber(0.81)});
    return t;
}

refdb::TableSpec emptyTable()
{
    refdb::TableSpec t("Empty");
    t.addColumn("A", ColumnType::text).addColumn("B", ColumnType::doubleFloat);
    return t;
}

class AdoLayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        std::string error;
        std::vector<refdb::TableSpec> tables{kindsTable(), cocTable(), boundariesTable(), emptyTable()};
        ASSERT_TRUE(refdb::writeAccessFile(tables, dir->file("ref.mdb"), refdb::JetFormat::jet4, error)) << error;
        ASSERT_TRUE(refdb::writeAccessFile(tables, dir->file("ref.accdb"), refdb::JetFormat::ace12, error)) << error;
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    void TearDown() override
    {
        CADODatabase::SetInstalledProviders({CADODatabase::kJetProvider, CADODatabase::kAceProvider});
    }

    static std::string mdb() { return dir->file("ref.mdb"); }
    static std::string accdb() { return dir->file("ref.accdb"); }

    static TempDir* dir;
};

TempDir* AdoLayerTest::dir = nullptr;

std::vector<std::string> column(const MemoryTable& table, int col)
{
    std::vector<std::string> out;
    for (int r = 0; r < table.rowCount; ++r) {
        std::string text;
        EXPECT_TRUE(table.GetString(r, col, text));
        out.push_back(text);
    }
    return out;
}

// --- connection ---

TEST_F(AdoLayerTest, OpensJetFileWithEitherProviderAndAceFileOnlyWithAce)
{
    CADODatabase db;
    EXPECT_TRUE(db.Open(jetString(mdb())));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_TRUE(db.Open(aceString(mdb())));
    EXPECT_TRUE(db.Open(aceString(accdb())));

    EXPECT_FALSE(db.Open(jetString(accdb())));
    EXPECT_FALSE(db.IsOpen());
    const std::string text = db.GetLastErrorText();
    EXPECT_EQ(text.rfind("Connection String = " + jetString(accdb()) + "\nCADODataBase Error\n\tCode = 80004005\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("Unrecognized database format"), std::string::npos);
}

TEST_F(AdoLayerTest, ListsUserTablesInCatalogOrder)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    std::vector<std::string> names;
    ASSERT_TRUE(db.GetTableNames(names));
    EXPECT_EQ(names, (std::vector<std::string>{"Kinds", "CoC", "Boundaries", "Empty"}));
    db.Close();
    EXPECT_FALSE(db.GetTableNames(names));
}

TEST_F(AdoLayerTest, EmptyConnectionStringReopensWithTheStoredOne)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    db.Close();
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Open(""));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.GetConnectionString(), jetString(mdb()));

    // A failed string is stored too: the next empty Open retries it and fails again.
    EXPECT_FALSE(db.Open(jetString(dir->file("missing.mdb"))));
    EXPECT_FALSE(db.Open());
    EXPECT_EQ(db.GetLastErrorText().rfind("Connection String = " + jetString(dir->file("missing.mdb")) + "\n", 0), 0u);
}

TEST_F(AdoLayerTest, ReopeningClosesFirstAndClosingTwiceDoesNothing)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset before(db);
    ASSERT_TRUE(before.Open("Kinds", CADORecordset::modeTable));
    // Reopening closes the shared connection, so a recordset on it is no longer open.
    ASSERT_TRUE(db.Open(aceString(accdb())));
    EXPECT_FALSE(before.IsOpen());
    db.Close();
    db.Close();
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.GetLastErrorText().empty());
}

TEST_F(AdoLayerTest, ErrorTextsNameTheConnectionStringAndTheReason)
{
    CADODatabase db;
    const std::string unknown = "Provider=SQLOLEDB;Data Source=" + mdb();
    EXPECT_FALSE(db.Open(unknown));
    EXPECT_EQ(db.GetLastErrorText(),
              "Connection String = " + unknown + "\nCADODataBase Error\n\tCode = 800a0e7a\n"
              "\tCode meaning = Provider cannot be found. It may not be properly installed.\n"
              "\tSource = ADODB.Connection\n"
              "\tDescription = Provider cannot be found. It may not be properly installed. "
              "The provider 'SQLOLEDB' is not installed.\n");

    const std::string missing = jetString(dir->file("nowhere.mdb"));
    EXPECT_FALSE(db.Open(missing));
    EXPECT_EQ(db.GetLastErrorText(),
              "Connection String = " + missing + "\nCADODataBase Error\n\tCode = 80004005\n"
              "\tCode meaning = Unspecified error\n\tSource = Microsoft JET Database Engine\n"
              "\tDescription = Could not find file '" + dir->file("nowhere.mdb") + "'.\n");
}

TEST_F(AdoLayerTest, FilesThatAreNotAccessDatabasesFailWithoutCrashing)
{
    const std::string whole = testing_support::readFile(mdb());
    std::vector<std::pair<std::string, std::string>> damaged{
        {"empty.mdb", ""},
        {"text.mdb", "this is not a database\n"},
        {"garbage.mdb", std::string(16384, '\x5a')},
        {"head.mdb", whole.substr(0, 4096)},
        {"half.mdb", whole.substr(0, whole.size() / 2)},
        {"nearly.mdb", whole.substr(0, whole.size() - 100)},
    };
    // Scrambled pages after the header: every page but the first overwritten in turn.
    for (std::size_t page = 1; page * 4096 < whole.size(); ++page) {
        std::string copy = whole;
        for (std::size_t i = page * 4096 + 8; i < (page + 1) * 4096 && i < copy.size(); ++i)
            copy[i] = static_cast<char>((i * 7919) & 0xFF);
        damaged.emplace_back("page" + std::to_string(page) + ".mdb", copy);
    }
    // Scattered bytes changed at random (a fixed seed, so that a failure repeats):
    // such files once sent libmdb through a usage map it had failed to read.
    std::mt19937 random(20240607);
    for (int copyNumber = 0; copyNumber < 300; ++copyNumber) {
        std::string copy = whole;
        for (unsigned flips = 1 + random() % 40; flips > 0; --flips)
            copy[random() % copy.size()] = static_cast<char>(random());
        damaged.emplace_back("random" + std::to_string(copyNumber) + ".mdb", copy);
    }
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        testing_support::writeFile(dir->file(name), bytes);
        CADODatabase db;
        if (!db.Open(jetString(dir->file(name)))) {
            EXPECT_EQ(db.GetLastErrorText().rfind("Connection String = ", 0), 0u);
            continue;
        }
        // The file opened: reading its tables may fail or give what survives, but returns.
        std::vector<std::string> names;
        db.GetTableNames(names);
        for (const char* table : {"Kinds", "CoC", "Boundaries"}) {
            CADORecordset rs(db);
            if (rs.Open(table, CADORecordset::modeTable))
                MemoryTable copy(rs);
            else
                EXPECT_EQ(rs.GetLastErrorText().rfind(std::string("Query = ") + table + "\n", 0), 0u);
        }
    }
}

TEST_F(AdoLayerTest, OnlyTheAceProviderInstalled)
{
    CADODatabase::SetInstalledProviders({CADODatabase::kAceProvider});
    CADODatabase db;
    EXPECT_FALSE(db.Open(jetString(mdb())));
    EXPECT_NE(db.GetLastErrorText().find("Code = 800a0e7a"), std::string::npos);
    EXPECT_NE(db.GetLastErrorText().find("'Microsoft.Jet.OLEDB.4.0' is not installed"), std::string::npos);
    EXPECT_TRUE(db.Open(aceString(mdb())));
}

// --- recordset ---

TEST_F(AdoLayerTest, OpenModesZeroAndOneAreTheSameAndOthersOpenNothing)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    const std::string query = "Select * from CoC where SiteType = 'TDI' order by Coefficient";
    std::vector<std::vector<std::string>> results;
    for (int mode : {CADORecordset::modeUnknown, CADORecordset::modeQuery}) {
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open(query, mode));
        EXPECT_TRUE(rs.IsOpen());
        MemoryTable t(rs);
        results.push_back(column(t, 1));
    }
    EXPECT_EQ(results[0], results[1]);
    for (int mode : {3, 4, -1, 99}) {
        CADORecordset rs(db);
        EXPECT_FALSE(rs.Open(query, mode)) << mode;
        EXPECT_FALSE(rs.IsOpen());
        EXPECT_EQ(rs.GetFieldCount(), 0);
    }
}

TEST_F(AdoLayerTest, CoCQueryFiltersIgnoringCaseAndSortsByCoefficient)
{
    for (const std::string& file : {mdb(), accdb()}) {
        SCOPED_TRACE(file);
        CADODatabase db;
        ASSERT_TRUE(db.Open(aceString(file)));
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open("Select * from CoC where SiteType = 'TDI' order by Coefficient", 0));
        EXPECT_EQ(rs.GetRecordCount(), 4);
        MemoryTable t(rs);
        // 'tdi' matches 'TDI'; C1 sorts between c0 and c2 as Access sorts, ignoring case.
        EXPECT_EQ(column(t, 1), (std::vector<std::string>{"c0", "C1", "c2", "c3"}));
        double value = 0;
        std::vector<double> values;
        for (int r = 0; r < t.rowCount; ++r) {
            ASSERT_TRUE(t.GetDouble(r, 2, value));
            values.push_back(value);
        }
        EXPECT_EQ(values, (std::vector<double>{0.1, 0.2, 0.3, 0.4}));
    }
}

TEST_F(AdoLayerTest, BoundariesQueryKeepsFileOrderOfMatchingRows)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Select * from Boundaries where SiteType = 'LTDI1'", 0));
    MemoryTable t(rs);
    EXPECT_EQ(column(t, 1), (std::vector<std::string>{"HA", "MA"}));
    CADORecordset none(db);
    ASSERT_TRUE(none.Open("Select * from Boundaries where SiteType = 'XYZ'", 0));
    EXPECT_EQ(none.GetRecordCount(), 0);
    EXPECT_EQ(none.GetFieldCount(), 4);
}

TEST_F(AdoLayerTest, OrderByIsStableWithNullsFirstAscendingAndLastDescending)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset asc(db);
    ASSERT_TRUE(asc.Open("SELECT * FROM [CoC] ORDER BY SiteType", 0));
    MemoryTable a(asc);
    // TDI, tdi and TDI are equal ignoring case and keep their file order (values .3 .1 .4 .2).
    EXPECT_EQ(column(a, 0), (std::vector<std::string>{"", "DAM", "LTDI", "TDI", "TDI", "tdi", "TDI"}));
    EXPECT_EQ(column(a, 1), (std::vector<std::string>{"", "c1", "c0", "c2", "c0", "c3", "C1"}));
    CADORecordset desc(db);
    ASSERT_TRUE(desc.Open("select * from coc order by sitetype desc;", 0));
    MemoryTable d(desc);
    EXPECT_EQ(column(d, 1), (std::vector<std::string>{"c2", "c0", "c3", "C1", "c0", "c1", ""}));
}

TEST_F(AdoLayerTest, QueryWithSeveralConditionsJoinedByAnd)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("SELECT * FROM Boundaries WHERE SiteType = 'ltdi1' AND LakeType = 'ma'", 0));
    MemoryTable t(rs);
    EXPECT_EQ(column(t, 1), (std::vector<std::string>{"MA"}));
}

TEST_F(AdoLayerTest, QueryTextIsStoredLeftTrimmedAndRunAgainFromEmptySource)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("   \t Select * from CoC where SiteType = 'DAM'", 0));
    EXPECT_EQ(rs.GetQuery(), "Select * from CoC where SiteType = 'DAM'");
    EXPECT_EQ(rs.GetRecordCount(), 1);
    rs.Close();
    EXPECT_FALSE(rs.IsOpen());
    ASSERT_TRUE(rs.Open("", 1));
    EXPECT_EQ(rs.GetRecordCount(), 1);
}

TEST_F(AdoLayerTest, RecordsetErrorTexts)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    struct Case {
        const char* source;
        int mode;
        const char* codeLine;
        const char* meaning;
        const char* descriptionPart;
    };
    const Case cases[] = {
        {"Select * from Nothing", 0, "80040e37", "IDispatch error #3127", "cannot find the input table or query 'Nothing'"},
        {"Nothing", 2, "80040e37", "IDispatch error #3127", "'Nothing'"},
        {"Select * from CoC where Kind = 'TDI'", 0, "80040e10", "IDispatch error #3088", "no column 'Kind'"},
        {"Select * from CoC order by Missing", 0, "80040e10", "IDispatch error #3088", "no column 'Missing'"},
        {"Select SiteType from CoC", 0, "80040e14", "IDispatch error #3092", "only SELECT *"},
        {"Delete from CoC", 0, "80040e14", "IDispatch error #3092", "expected 'DELETE', 'INSERT'"},
        {"Select * from CoC where SiteType = 'TDI", 0, "80040e14", "IDispatch error #3092", "Syntax error in string"},
        {"Select * from CoC where SiteType > 'TDI'", 0, "80040e14", "IDispatch error #3092", "missing operator"},
        {"Select * from CoC where Value = 'TDI'", 0, "80040e07", "IDispatch error #3079", "Data type mismatch"},
        {"Select * from CoC order SiteType", 0, "80040e14", "IDispatch error #3092", "ORDER BY"},
        {"Select * from CoC extra", 0, "80040e14", "IDispatch error #3092", "after end of SQL statement"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        CADORecordset rs(db);
        ASSERT_FALSE(rs.Open(c.source, c.mode));
        const std::string text = rs.GetLastErrorText();
        const std::string head = std::string("Query = ") + c.source + "\nCADORecordset Error\n\tCode = " + c.codeLine
                                 + "\n\tCode meaning = " + c.meaning + "\n\tSource = Microsoft JET Database Engine\n"
                                 + "\tDescription = ";
        EXPECT_EQ(text.rfind(head, 0), 0u) << text;
        EXPECT_NE(text.find(c.descriptionPart), std::string::npos) << text;
        EXPECT_EQ(text.back(), '\n');
        // The recordset stays usable: the next Open starts afresh.
        EXPECT_TRUE(rs.Open("CoC", CADORecordset::modeTable));
    }

    db.Close();
    CADORecordset closed(db);
    EXPECT_FALSE(closed.Open("CoC", CADORecordset::modeTable));
    EXPECT_NE(closed.GetLastErrorText().find("Code = 800a0e7d"), std::string::npos);
}

TEST_F(AdoLayerTest, FieldInfoGivesNamesTypesAndSizes)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Kinds", CADORecordset::modeTable));
    ASSERT_EQ(rs.GetFieldCount(), 11);
    // The ADO type codes of Access's field types.
    const std::pair<const char*, int> expected[] = {{"Code", 202}, {"Small", 2}, {"Count", 3}, {"Score", 4},
                                                    {"Exact", 5},  {"Flag", 11}, {"Money", 6}, {"When", 7},
                                                    {"Tiny", 17},  {"Notes", 203}, {"TDI3", 5}};
    for (int i = 0; i < 11; ++i) {
        FieldInfo info;
        ASSERT_TRUE(rs.GetFieldInfo(i, info));
        EXPECT_STREQ(info.name, expected[i].first);
        EXPECT_EQ(info.type, expected[i].second) << expected[i].first;
    }
    FieldInfo code;
    rs.GetFieldInfo(0, code);
    EXPECT_EQ(code.definedSize, 12);
    EXPECT_EQ(code.actualSize, 6);  // "NBN001" in the first row
    FieldInfo outside;
    EXPECT_FALSE(rs.GetFieldInfo(11, outside));
    EXPECT_EQ(outside.name[0], '\0');
}

TEST_F(AdoLayerTest, LongFieldNamesAreCutTo29Characters)
{
    refdb::TableSpec t("Long");
    const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    t.addColumn(name, ColumnType::integer);
    t.addRow({Cell::ofInteger(1)});
    std::string error;
    ASSERT_TRUE(refdb::writeAccessFile({t}, dir->file("long.mdb"), refdb::JetFormat::jet4, error)) << error;
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(dir->file("long.mdb"))));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Long", 2));
    FieldInfo info;
    rs.GetFieldInfo(0, info);
    EXPECT_EQ(std::string(info.name), name.substr(0, 29));
}

TEST_F(AdoLayerTest, GettersConvertByValueKind)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Kinds", CADORecordset::modeTable));
    ASSERT_EQ(rs.GetRecordCount(), 3);
    rs.MoveFirst();

    std::string text;
    int small = 0;
    long count = 0;
    double real = 0;
    bool flag = false;
    ASSERT_TRUE(rs.GetFieldValue(0, text));
    EXPECT_EQ(text, "NBN001");
    ASSERT_TRUE(rs.GetFieldValue(1, small));
    EXPECT_EQ(small, -7);
    ASSERT_TRUE(rs.GetFieldValue(2, count));
    EXPECT_EQ(count, 2147483647L);
    ASSERT_TRUE(rs.GetFieldValue(3, real));
    EXPECT_EQ(real, 2.5);
    ASSERT_TRUE(rs.GetFieldValue(4, real));
    EXPECT_EQ(real, 0.1);  // every bit of the double, not a rounded text
    ASSERT_TRUE(rs.GetFieldValue(5, flag));
    EXPECT_TRUE(flag);
    ASSERT_TRUE(rs.GetFieldValue(5, text));
    EXPECT_EQ(text, "T");
    // Texts of numbers: 20 significant digits of a double, 10 of a single.
    ASSERT_TRUE(rs.GetFieldValue(4, text));
    EXPECT_EQ(text, "0.10000000000000000555");
    ASSERT_TRUE(rs.GetFieldValue(3, text));
    EXPECT_EQ(text, "2.5");
    ASSERT_TRUE(rs.GetFieldValue(1, text));
    EXPECT_EQ(text, "-7");
    ASSERT_TRUE(rs.GetFieldValue(8, text));
    EXPECT_EQ(text, "255");
    ASSERT_TRUE(rs.GetFieldValue(8, small));
    EXPECT_EQ(small, 255);
    ASSERT_TRUE(rs.GetFieldValue(7, text));
    EXPECT_EQ(text, "2009-07-06 13:45:30");
    ASSERT_TRUE(rs.GetFieldValue(7, text, "%d-%m-%Y"));
    EXPECT_EQ(text, "06-07-2009");
    ASSERT_TRUE(rs.GetFieldValue(9, text));
    EXPECT_EQ(text, "short note");
    // Currency has no text or number conversion of its own; a boolean getter refuses a text.
    EXPECT_FALSE(rs.GetFieldValue(6, text));
    EXPECT_TRUE(text.empty());
    ASSERT_TRUE(rs.GetFieldValue(6, real));
    EXPECT_EQ(real, 0.0);
    flag = true;
    EXPECT_FALSE(rs.GetFieldValue(0, flag));
    EXPECT_TRUE(flag);  // left as it was

    // Second row: nulls read as 0, empty text and false, and the getters succeed.
    rs.MoveNext();
    text = "x";
    ASSERT_TRUE(rs.GetFieldValue(0, text));
    EXPECT_EQ(text, "");
    small = 5;
    ASSERT_TRUE(rs.GetFieldValue(1, small));
    EXPECT_EQ(small, 0);
    count = 5;
    ASSERT_TRUE(rs.GetFieldValue(2, count));
    EXPECT_EQ(count, 0);
    real = 5;
    ASSERT_TRUE(rs.GetFieldValue(4, real));
    EXPECT_EQ(real, 0.0);
    ASSERT_TRUE(rs.GetFieldValue(5, flag));
    EXPECT_FALSE(flag);
    text = "x";
    ASSERT_TRUE(rs.GetFieldValue(7, text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(rs.GetFieldValue(9, text));
    EXPECT_EQ(text, "");

    // Third row: extremes, the date origin and a memo over several pages.
    rs.MoveNext();
    ASSERT_TRUE(rs.GetFieldValue(1, small));
    EXPECT_EQ(small, -32768);
    ASSERT_TRUE(rs.GetFieldValue(2, count));
    EXPECT_EQ(count, -2147483647L - 1);
    ASSERT_TRUE(rs.GetFieldValue(3, real));
    EXPECT_EQ(real, static_cast<double>(-1e-3f));
    ASSERT_TRUE(rs.GetFieldValue(4, real));
    EXPECT_EQ(real, -123456789.123456789);
    ASSERT_TRUE(rs.GetFieldValue(7, text));
    EXPECT_EQ(text, "1899-12-30 00:00:00");
    ASSERT_TRUE(rs.GetFieldValue(9, text));
    EXPECT_EQ(text, std::string(5000, 'm') + "\xC3\xA9");

    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_FALSE(rs.GetFieldValue(0, text));
    EXPECT_NE(rs.GetLastErrorText().find("Code = 800a0bcd"), std::string::npos);
    rs.MoveFirst();
    EXPECT_FALSE(rs.GetFieldValue(11, text));
    EXPECT_NE(rs.GetLastErrorText().find("Code = 800a0cc1"), std::string::npos);
}

TEST(AdoDateText, FormatsDatesAndRefusesThoseOutsideTheRange)
{
    // 40000 is 6 July 2009; 0.75 of a day is 18:00; -1.25 is a quarter past the
    // midnight that starts 29 December 1899.
    EXPECT_EQ(FormatAdoDate(40000.75, ""), "2009-07-06 18:00:00");
    EXPECT_EQ(FormatAdoDate(-1.25, ""), "1899-12-29 06:00:00");
    EXPECT_EQ(FormatAdoDate(60.0, "%Y-%m-%d"), "1900-02-28");
    EXPECT_EQ(FormatAdoDate(61.0, "%Y-%m-%d"), "1900-03-01");
    EXPECT_EQ(FormatAdoDate(2958465.0, "%Y-%m-%d"), "9999-12-31");
    EXPECT_EQ(FormatAdoDate(-657434.0, "%Y-%m-%d"), "100-01-01");
    EXPECT_EQ(FormatAdoDate(2958466.0, ""), "Invalid DateTime");
    EXPECT_EQ(FormatAdoDate(-657435.0, ""), "Invalid DateTime");
    EXPECT_EQ(FormatAdoDate(std::nan(""), ""), "Invalid DateTime");
}

// --- the table copy ---

TEST_F(AdoLayerTest, TableCopyHasEveryKindAndItsGetters)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    CADORecordset rs(db);
    ASSERT_TRUE(rs.Open("Kinds", CADORecordset::modeTable));
    MemoryTable t(rs);
    rs.Close();
    ASSERT_EQ(t.rowCount, 3);
    ASSERT_EQ(t.colCount, 11);
    EXPECT_EQ(t.ColumnKind(0), MemoryTable::kindText);
    EXPECT_EQ(t.ColumnKind(1), MemoryTable::kindShort);
    EXPECT_EQ(t.ColumnKind(2), MemoryTable::kindLong);
    EXPECT_EQ(t.ColumnKind(3), MemoryTable::kindDouble);
    EXPECT_EQ(t.ColumnKind(4), MemoryTable::kindDouble);
    EXPECT_EQ(t.ColumnKind(5), MemoryTable::kindBool);
    for (int c : {6, 7, 8, 9})  // currency, date, byte and memo have no kind
        EXPECT_EQ(t.ColumnKind(c), MemoryTable::kindNone) << c;

    int small = 0;
    long count = 0;
    double real = 0;
    std::string text;
    std::uint8_t flag = 9;
    EXPECT_TRUE(t.GetShort(0, 1, small));
    EXPECT_EQ(small, -7);
    EXPECT_TRUE(t.GetLong(2, 2, count));
    EXPECT_EQ(count, -2147483647L - 1);
    EXPECT_TRUE(t.GetDouble(0, 3, real));
    EXPECT_EQ(real, 2.5);
    EXPECT_TRUE(t.GetDouble(2, 4, real));
    EXPECT_EQ(real, -123456789.123456789);
    EXPECT_TRUE(t.GetDouble(0, 10, real));
    EXPECT_EQ(real, 1.0 / 3.0);
    EXPECT_TRUE(t.GetString(0, 0, text));
    EXPECT_EQ(text, "NBN001");
    EXPECT_TRUE(t.GetBool(0, 5, flag));
    EXPECT_EQ(flag, 1);
    EXPECT_TRUE(t.GetBool(1, 5, flag));
    EXPECT_EQ(flag, 0);

    // Nulls: 0, an empty text; the empty text and the null text read alike.
    EXPECT_TRUE(t.GetShort(1, 1, small));
    EXPECT_EQ(small, 0);
    EXPECT_TRUE(t.GetDouble(1, 4, real));
    EXPECT_EQ(real, 0.0);
    text = "x";
    EXPECT_TRUE(t.GetString(2, 0, text));
    EXPECT_EQ(text, "");

    // A getter of another kind returns false and leaves its result alone.
    real = 42;
    EXPECT_FALSE(t.GetDouble(0, 5, real));
    EXPECT_EQ(real, 42);
    text = "kept";
    EXPECT_FALSE(t.GetString(0, 7, text));  // a date column
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(t.GetLong(0, 1, count));
    EXPECT_FALSE(t.GetShort(0, 2, small));
    EXPECT_FALSE(t.GetString(0, 9, text));  // memo: present by name, without values

    EXPECT_EQ(t.FindColumn("tdi3"), 10);
    EXPECT_EQ(t.FindColumn("NOTES"), 9);
    EXPECT_EQ(t.FindColumn("When"), 7);
    EXPECT_EQ(t.FindColumn("Nothing"), -1);
}

TEST(DbTableNames, TheFirstOfTwoEqualNamesIsFound)
{
    // Access refuses two columns of one name in a table, so this table is built in memory.
    MemoryTable::Column first{"Score", MemoryTable::kindDouble, {}, {1.5}, {}, {}};
    MemoryTable::Column second{"SCORE", MemoryTable::kindText, {}, {}, {"b"}, {}};
    MemoryTable table({first, second}, 1);
    EXPECT_EQ(table.FindColumn("score"), 0);
    EXPECT_EQ(table.FindColumn("SCORE"), 0);
}

TEST_F(AdoLayerTest, FieldsWithoutRowsGiveAnEmptyTable)
{
    CADODatabase db;
    ASSERT_TRUE(db.Open(jetString(mdb())));
    for (const char* source : {"Empty", "Select * from CoC where SiteType = 'none'"}) {
        SCOPED_TRACE(source);
        CADORecordset rs(db);
        ASSERT_TRUE(rs.Open(source, 0));
        EXPECT_GT(rs.GetFieldCount(), 0);
        MemoryTable t(rs);
        EXPECT_EQ(t.rowCount, 0);
        EXPECT_EQ(t.colCount, 0);
        EXPECT_EQ(t.FindColumn("A"), -1);
        EXPECT_EQ(t.FindColumn("SiteType"), -1);
    }
}

}  // namespace
