#include "refdb/select_query.h"

#include <mdbtools.h>

#include <gtest/gtest.h>

#include "refdb/ado_database.h"

namespace {

SelectQuery parsed(const std::string& text)
{
    SelectQuery query;
    std::string reason;
    EXPECT_TRUE(ParseSelectQuery(text, query, reason)) << text << ": " << reason;
    return query;
}

std::string refusal(const std::string& text)
{
    SelectQuery query;
    std::string reason;
    EXPECT_FALSE(ParseSelectQuery(text, query, reason)) << text;
    return reason;
}

DbValue text(const char* value)
{
    DbValue v;
    v.kind = DbValue::kindText;
    v.text = value;
    return v;
}

DbValue integer(std::int32_t value)
{
    DbValue v;
    v.kind = DbValue::kindInt32;
    v.int32 = value;
    return v;
}

DbValue real(double value)
{
    DbValue v;
    v.kind = DbValue::kindDouble;
    v.real = value;
    return v;
}

// A CoC-like table: SiteType (text), Coefficient (long), Value (double).
AccessFile::Table cocTable()
{
    AccessFile::Table table;
    table.name = "CoC";
    table.columns = {{"SiteType", MDB_TEXT}, {"Coefficient", MDB_LONGINT}, {"Value", MDB_DOUBLE}};
    table.rows = {{text("TDI"), integer(3), real(0.3)},  {text("LTDI"), integer(1), real(1.1)},
                  {text("tdi"), integer(1), real(0.1)},  {DbValue::null(), integer(2), real(9)},
                  {text("TDI"), integer(2), real(0.2)},  {text("DAM"), integer(1), real(2.1)}};
    return table;
}

std::vector<double> valuesOf(const AccessFile::Table& table)
{
    std::vector<double> values;
    for (const auto& row : table.rows)
        values.push_back(row[2].real);
    return values;
}

}  // namespace

TEST(SelectQuery, TheFormsTheProgramRuns)
{
    // The application's own queries, as it composes them.
    SelectQuery q = parsed("Select * from Boundaries where SiteType = 'TDI3'");
    EXPECT_EQ(q.table, "Boundaries");
    ASSERT_EQ(q.conditions.size(), 1u);
    EXPECT_EQ(q.conditions[0].column, "SiteType");
    EXPECT_EQ(q.conditions[0].literal, SelectQuery::Condition::literalText);
    EXPECT_EQ(q.conditions[0].text, "TDI3");
    EXPECT_TRUE(q.order.empty());

    q = parsed("Select * from CoC where SiteType = 'LTDI' order by Coefficient");
    EXPECT_EQ(q.table, "CoC");
    ASSERT_EQ(q.order.size(), 1u);
    EXPECT_EQ(q.order[0].column, "Coefficient");
    EXPECT_FALSE(q.order[0].descending);

    // A bare table name stands for the whole table.
    q = parsed("NBSMasterTaxonList_PhaseII");
    EXPECT_EQ(q.table, "NBSMasterTaxonList_PhaseII");
    EXPECT_TRUE(q.conditions.empty());
}

TEST(SelectQuery, NamesLiteralsAndKeywordCase)
{
    SelectQuery q = parsed("SELECT * FROM [Master list] WHERE [Site Type] = 'it''s' AND Value = -1.5e2 "
                           "AND Flag = True AND Other = no ORDER BY a DESC, [b c] asc;");
    EXPECT_EQ(q.table, "Master list");
    ASSERT_EQ(q.conditions.size(), 4u);
    EXPECT_EQ(q.conditions[0].column, "Site Type");
    EXPECT_EQ(q.conditions[0].text, "it's");
    EXPECT_EQ(q.conditions[1].literal, SelectQuery::Condition::literalNumber);
    EXPECT_EQ(q.conditions[1].number, -150);
    EXPECT_EQ(q.conditions[2].number, -1);  // Access's true
    EXPECT_EQ(q.conditions[3].number, 0);
    ASSERT_EQ(q.order.size(), 2u);
    EXPECT_TRUE(q.order[0].descending);
    EXPECT_EQ(q.order[1].column, "b c");
    EXPECT_FALSE(q.order[1].descending);

    q = parsed("select * from T where C = \"double quoted\"");
    EXPECT_EQ(q.conditions[0].text, "double quoted");
}

TEST(SelectQuery, RefusedFormsSayWhy)
{
    const std::string notSelect = "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
    EXPECT_EQ(refusal(""), notSelect);
    EXPECT_EQ(refusal("DELETE FROM CoC"), notSelect);
    EXPECT_EQ(refusal("Select SiteType from CoC"), "Syntax error in query: only SELECT * is supported, not 'SiteType from CoC'.");
    EXPECT_EQ(refusal("Select * CoC"), "Syntax error in FROM clause.");
    EXPECT_EQ(refusal("Select * from where"), "Syntax error in FROM clause.");
    // An operator other than = stops the reading where it stands.
    EXPECT_EQ(refusal("Select * from CoC where SiteType > 'A'"),
              "Syntax error (missing operator) in query expression '> 'A''.");
    EXPECT_EQ(refusal("Select * from CoC where SiteType = 'A' and"),
              "Syntax error (missing operator) in query expression 'Select * from CoC where SiteType = 'A' and'.");
    EXPECT_EQ(refusal("Select * from CoC order Coefficient"), "Syntax error in ORDER BY clause.");
    EXPECT_EQ(refusal("Select * from CoC order by"), "Syntax error in ORDER BY clause.");
    EXPECT_EQ(refusal("Select * from CoC; drop"), "Syntax error: characters found after end of SQL statement: 'drop'.");
    EXPECT_NE(refusal("Select * from CoC where SiteType = 'open").find("Syntax error in string"), std::string::npos);
    EXPECT_NE(refusal("Select * from [CoC where").find("Invalid bracketing"), std::string::npos);
}

TEST(SelectQuery, RunFiltersWithoutCaseAndSortsStably)
{
    AccessFile::Table table = cocTable();
    std::uint32_t code = 0;
    std::string reason;
    // Texts compare as Access compares them: "tdi" equals 'TDI'; a null equals nothing.
    ASSERT_TRUE(RunSelectQuery(parsed("Select * from CoC where SiteType = 'TDI' order by Coefficient"), table, code,
                               reason))
        << reason;
    EXPECT_EQ(valuesOf(table), (std::vector<double>{0.1, 0.2, 0.3}));

    table = cocTable();
    ASSERT_TRUE(RunSelectQuery(parsed("Select * from CoC order by SiteType desc"), table, code, reason));
    // Descending, ties in file order, the null last.
    EXPECT_EQ(valuesOf(table), (std::vector<double>{0.3, 0.1, 0.2, 1.1, 2.1, 9}));

    table = cocTable();
    ASSERT_TRUE(RunSelectQuery(parsed("Select * from CoC order by SiteType, Coefficient DESC"), table, code, reason));
    EXPECT_EQ(valuesOf(table), (std::vector<double>{9, 2.1, 1.1, 0.3, 0.2, 0.1}));

    table = cocTable();
    ASSERT_TRUE(RunSelectQuery(parsed("Select * from CoC where Coefficient = 1 and Value = 2.1"), table, code, reason));
    EXPECT_EQ(valuesOf(table), (std::vector<double>{2.1}));
}

TEST(SelectQuery, RunRefusesUnknownColumnsAndMismatchedLiterals)
{
    AccessFile::Table table = cocTable();
    std::uint32_t code = 0;
    std::string reason;
    EXPECT_FALSE(RunSelectQuery(parsed("Select * from CoC where Site = 'TDI'"), table, code, reason));
    EXPECT_EQ(code, adoCode::parameterMissing);
    EXPECT_EQ(reason, "No value given for one or more required parameters: the table 'CoC' has no column 'Site'.");
    EXPECT_FALSE(RunSelectQuery(parsed("Select * from CoC order by Nothing"), table, code, reason));
    EXPECT_EQ(code, adoCode::parameterMissing);

    EXPECT_FALSE(RunSelectQuery(parsed("Select * from CoC where SiteType = 3"), table, code, reason));
    EXPECT_EQ(code, adoCode::typeMismatch);
    EXPECT_EQ(reason, "Data type mismatch in criteria expression: column 'SiteType' compared with a number.");
    EXPECT_FALSE(RunSelectQuery(parsed("Select * from CoC where Value = '3'"), table, code, reason));
    EXPECT_EQ(reason, "Data type mismatch in criteria expression: column 'Value' compared with a text.");
    // A refused query leaves the table as it was.
    EXPECT_EQ(table.rows.size(), 6u);
}
