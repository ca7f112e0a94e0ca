#include <gtest/gtest.h>

#include "app/taxon_list_cells.h"
#include "refdb/memory_table.h"

namespace {

MemoryTable sampleList()
{
    std::vector<MemoryTable::Column> columns(6);
    columns[0].name = "TaxonId";
    columns[0].kind = MemoryTable::kindLong;
    columns[0].integers = {0, -7, 120000};
    columns[1].name = "TDI3";
    columns[1].kind = MemoryTable::kindShort;
    columns[1].integers = {3, 0, -2};
    columns[2].name = "Weight";
    columns[2].kind = MemoryTable::kindDouble;
    columns[2].doubles = {1.5, 0.1 + 0.2, 1e20};
    columns[3].name = "TaxonName";
    columns[3].kind = MemoryTable::kindText;
    columns[3].texts = {"Achnanthes sp.", "", "Navicula sp."};
    columns[4].name = "Planktic";
    columns[4].kind = MemoryTable::kindBool;
    columns[4].booleans = {1, 0, 1};
    columns[5].name = "Picture";
    return MemoryTable(std::move(columns), 3);
}

std::string text(const MemoryTable& t, int row, int column)
{
    return taxonlist::Cell(t, row, column).text;
}

}  // namespace

TEST(TaxonListCells, HeadingsAndRowNumbers)
{
    const MemoryTable list = sampleList();
    EXPECT_EQ(taxonlist::RowCount(list), 3);
    EXPECT_EQ(taxonlist::ColumnCount(list), 6);
    EXPECT_EQ(text(list, 0, 0), "");
    EXPECT_EQ(text(list, 0, 1), "TaxonId");
    EXPECT_EQ(text(list, 0, 6), "Picture");
    EXPECT_EQ(text(list, 3, 0), "3");
    EXPECT_EQ(text(list, 4, 1), "");
    EXPECT_EQ(text(list, 1, 7), "");
}

TEST(TaxonListCells, EachKindItsOwnWay)
{
    const MemoryTable list = sampleList();
    // Integers whole, small integers only above 0.
    EXPECT_EQ(text(list, 1, 1), "0");
    EXPECT_EQ(text(list, 2, 1), "-7");
    EXPECT_EQ(text(list, 3, 1), "120000");
    EXPECT_EQ(text(list, 1, 2), "3");
    EXPECT_EQ(text(list, 2, 2), "");
    EXPECT_EQ(text(list, 3, 2), "");
    EXPECT_TRUE(taxonlist::Cell(list, 2, 2).rightAligned);
    // Doubles with 13 significant digits.
    EXPECT_EQ(text(list, 1, 3), "1.5");
    EXPECT_EQ(text(list, 2, 3), "0.3");
    EXPECT_EQ(text(list, 3, 3), "1e+20");
    EXPECT_EQ(text(list, 3, 4), "Navicula sp.");
    EXPECT_FALSE(taxonlist::Cell(list, 3, 4).rightAligned);
    EXPECT_EQ(text(list, 1, 5), "Yes");
    EXPECT_EQ(text(list, 2, 5), "");
    EXPECT_EQ(text(list, 1, 6), "");
}
