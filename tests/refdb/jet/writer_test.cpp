// The Access writer, checked by reading its files back with libmdb (mdbtools' library,
// the reader the program itself uses on this platform) and by the bytes it produces.

#include <glib.h>  // before mdbtools.h, which includes it inside extern "C"
#include <mdbtools.h>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <memory>

#include "refdb/jet/text.h"
#include "refdb/jet/writer.h"
#include "tests/support/temp_dir.h"

using namespace refdb;
using testing_support::TempDir;

namespace {

// One value as libmdb gives it: the null flag from the row's null mask, the text of the
// bound column, and for fixed columns the raw bytes of the row.
struct ReadValue {
    bool isNull = true;
    std::string text;
    std::string raw;
};

struct ReadTable {
    std::vector<std::string> columnNames;
    std::vector<int> columnTypes;
    std::vector<std::vector<ReadValue>> rows;
};

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

struct TableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

std::vector<std::string> userTables(MdbHandle* mdb)
{
    std::vector<std::string> names;
    mdb_read_catalog(mdb, MDB_TABLE);
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (mdb_is_user_table(entry))
            names.emplace_back(entry->object_name);
    }
    return names;
}

bool readTable(const std::string& path, const std::string& name, ReadTable& result)
{
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb)
        return false;
    constexpr std::size_t bindSize = 1 << 20;
    mdb_set_bind_size(mdb.get(), bindSize);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return false;
    std::unique_ptr<MdbTableDef, TableCloser> table(mdb_read_table_by_name(mdb.get(), const_cast<char*>(name.c_str()), MDB_TABLE));
    if (!table)
        return false;
    mdb_read_columns(table.get());
    mdb_rewind_table(table.get());
    const unsigned columnCount = table->num_cols;
    std::vector<std::vector<char>> buffers(columnCount, std::vector<char>(bindSize));
    std::vector<int> lengths(columnCount);
    for (unsigned c = 0; c < columnCount; ++c) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        result.columnNames.emplace_back(column->name);
        result.columnTypes.push_back(column->col_type);
        mdb_bind_column(table.get(), static_cast<int>(c + 1), buffers[c].data(), &lengths[c]);
    }
    while (mdb_fetch_row(table.get())) {
        int rowStart = 0;
        size_t rowSize = 0;
        mdb_find_row(mdb.get(), static_cast<int>(table->cur_row - 1), &rowStart, &rowSize);
        std::vector<MdbField> fields(columnCount + 1);
        const int fieldCount = mdb_crack_row(table.get(), rowStart, rowSize, fields.data());
        if (fieldCount != static_cast<int>(columnCount))
            return false;
        std::vector<ReadValue> row(columnCount);
        for (unsigned c = 0; c < columnCount; ++c) {
            row[c].isNull = fields[c].is_null != 0;
            row[c].text.assign(buffers[c].data(), static_cast<std::size_t>(lengths[c]));
            if (fields[c].is_fixed && fields[c].value != nullptr)
                row[c].raw.assign(static_cast<const char*>(fields[c].value), static_cast<std::size_t>(fields[c].siz));
        }
        result.rows.push_back(std::move(row));
    }
    return true;
}

double rawDouble(const std::string& raw)
{
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(raw.at(static_cast<std::size_t>(i)));
    return std::bit_cast<double>(bits);
}

std::string repeated(const std::string& piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

}  // namespace

TEST(JetText, DecodesUtf8AndRefusesMalformedSequences)
{
    std::u16string units;
    ASSERT_TRUE(utf8ToUtf16("K\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", units));  // K ü € 😀
    EXPECT_EQ(units, (std::u16string{u'K', 0x00FC, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_FALSE(utf8ToUtf16("\xC0\xAF", units));          // overlong '/'
    EXPECT_FALSE(utf8ToUtf16("\xED\xA0\x80", units));      // a surrogate
    EXPECT_FALSE(utf8ToUtf16("ab\xE2\x82", units));        // cut short
    EXPECT_FALSE(utf8ToUtf16("\xF4\x90\x80\x80", units));  // above U+10FFFF
    EXPECT_FALSE(utf8ToUtf16("\x80", units));              // a lone continuation byte
}

TEST(JetText, CompressesLatin1TextsAndKeepsOthersPlain)
{
    std::string bytes;
    ASSERT_TRUE(jetTextBytes(u"K\u00FCtz", bytes));
    EXPECT_EQ(bytes, std::string("\xFF\xFE" "K\xFC" "tz"));
    ASSERT_TRUE(jetTextBytes(u"ab", bytes));  // too short to gain from the mark
    EXPECT_EQ(bytes, std::string("a\0b\0", 4));
    ASSERT_TRUE(jetTextBytes(u"\u0141\u00F3d\u017A", bytes));  // Łódź: plain UCS-2
    EXPECT_EQ(bytes, std::string("\x41\x01\xF3\x00" "d\x00\x7A\x01", 8));
    // A leading U+FEFF would read as the mark, so the value switches to plain at once.
    ASSERT_TRUE(jetTextBytes(u"\uFEFFa", bytes));
    EXPECT_EQ(bytes, std::string("\xFF\xFE\x00\xFF\xFE" "a\x00", 7));
    EXPECT_FALSE(jetTextBytes(u"\uFEFF\u0100", bytes));
}

TEST(JetDates, SerialNumbersCountFromTheEndOf1899)
{
    // Worked by hand: 1900-01-01 is day 2; 1900 has no 29 February, so 1 March is day
    // 2 + 31 + 28 = 61. 2000-01-01 is the well-known 36526; 2021-01-01 adds 21 * 365 days
    // and the six leap days of 2000 to 2020: 44197; 4 March adds 31 + 28 + 3: 44259, and
    // 05:06:07 is 18367 seconds.
    EXPECT_EQ(accessSerial(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(accessSerial(1900, 3, 1, 0, 0, 0), 61.0);
    EXPECT_EQ(accessSerial(2000, 1, 1, 0, 0, 0), 36526.0);
    EXPECT_EQ(accessSerial(2021, 3, 4, 5, 6, 7), 44259.0 + 18367.0 / 86400.0);
    // Before day 0 the time still counts forward: 29 Dec 1899 06:00 is -1.25.
    EXPECT_EQ(accessSerial(1899, 12, 29, 6, 0, 0), -1.25);
    EXPECT_TRUE(isValidDateTime(2024, 2, 29, 23, 59, 59));
    EXPECT_FALSE(isValidDateTime(2023, 2, 29, 0, 0, 0));
    EXPECT_FALSE(isValidDateTime(1900, 2, 29, 0, 0, 0));
    EXPECT_FALSE(isValidDateTime(2021, 4, 31, 0, 0, 0));
    EXPECT_FALSE(isValidDateTime(2021, 1, 1, 24, 0, 0));
    EXPECT_FALSE(isValidDateTime(99, 1, 1, 0, 0, 0));
}

namespace {

TableSpec everyTypeTable()
{
    TableSpec table("Every Type");
    table.addColumn("Code", ColumnType::text, 40)
        .addColumn("Notes", ColumnType::memo)
        .addColumn("Small", ColumnType::byte)
        .addColumn("Count", ColumnType::integer)
        .addColumn("Big", ColumnType::longInteger)
        .addColumn("Ratio", ColumnType::single)
        .addColumn("Score", ColumnType::doubleFloat)
        .addColumn("Price", ColumnType::currency)
        .addColumn("Planktic", ColumnType::boolean)
        .addColumn("Sampled", ColumnType::dateTime);
    table.addRow({Cell::ofText("Fragilaria capucina var. rumpens K\xC3\xBCtz."), Cell::ofText("short"), Cell::ofInteger(255),
                  Cell::ofInteger(-32768), Cell::ofInteger(2147483647), Cell::ofNumber(0.1), Cell::ofNumber(0.1 + 0.2),
                  Cell::ofCurrencyUnits(123456), Cell::ofBool(true), Cell::ofDateTime(2021, 3, 4, 5, 6, 7)});
    table.addRow({Cell::ofText(""), Cell::ofText(""), Cell::ofInteger(0), Cell::ofInteger(32767), Cell::ofInteger(-2147483647 - 1),
                  Cell::ofNumber(-1.5), Cell::ofNumber(1.0 / 3.0), Cell::ofCurrencyUnits(-1), Cell::ofBool(false),
                  Cell::ofDateTime(1900, 3, 1)});
    table.addRow({Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(),
                  Cell::null(), Cell::null(), Cell::null()});
    table.addRow({Cell::ofText("\xC5\x81\xC3\xB3" "d\xC5\xBA \xE2\x82\xAC"), Cell::null(), Cell::ofInteger(7), Cell::ofInteger(1),
                  Cell::ofInteger(1), Cell::ofNumber(3.4e38), Cell::ofNumber(-1.25e-300), Cell::ofCurrencyUnits(0),
                  Cell::ofBool(true), Cell::null()});
    return table;
}

}  // namespace

TEST(JetWriter, EveryColumnTypeReadsBackThroughLibmdb)
{
    TempDir dir;
    const std::string path = dir.file("every.mdb");
    std::string error;
    ASSERT_TRUE(writeAccessFile({everyTypeTable()}, path, JetFormat::jet4, error)) << error;

    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(mdb);
    EXPECT_EQ(mdb->f->jet_version, static_cast<guint32>(MDB_VER_JET4));
    EXPECT_EQ(mdb->f->db_key, 0u);
    EXPECT_EQ(userTables(mdb.get()), std::vector<std::string>{"Every Type"});

    ReadTable read;
    ASSERT_TRUE(readTable(path, "Every Type", read));
    EXPECT_EQ(read.columnNames, (std::vector<std::string>{"Code", "Notes", "Small", "Count", "Big", "Ratio", "Score", "Price",
                                                          "Planktic", "Sampled"}));
    EXPECT_EQ(read.columnTypes, (std::vector<int>{MDB_TEXT, MDB_MEMO, MDB_BYTE, MDB_INT, MDB_LONGINT, MDB_FLOAT, MDB_DOUBLE,
                                                  MDB_MONEY, MDB_BOOL, MDB_DATETIME}));
    ASSERT_EQ(read.rows.size(), 4u);
    const auto& first = read.rows[0];
    EXPECT_EQ(first[0].text, "Fragilaria capucina var. rumpens K\xC3\xBCtz.");
    EXPECT_EQ(first[1].text, "short");
    EXPECT_EQ(first[2].text, "255");
    EXPECT_EQ(first[3].text, "-32768");
    EXPECT_EQ(first[4].text, "2147483647");
    EXPECT_EQ(first[7].text, "12.3456");
    EXPECT_EQ(first[8].text, "1");
    // Doubles keep every bit: 0.1 + 0.2 is 0.30000000000000004, not 0.3.
    EXPECT_EQ(rawDouble(first[6].raw), 0.1 + 0.2);
    EXPECT_EQ(rawDouble(first[9].raw), 44259.0 + 18367.0 / 86400.0);

    // An empty text is not NULL, in text and memo columns alike.
    const auto& second = read.rows[1];
    EXPECT_FALSE(second[0].isNull);
    EXPECT_EQ(second[0].text, "");
    EXPECT_FALSE(second[1].isNull);
    EXPECT_EQ(rawDouble(second[6].raw), 1.0 / 3.0);
    EXPECT_EQ(second[7].text, "-0.0001");
    EXPECT_EQ(second[8].text, "0");
    EXPECT_EQ(rawDouble(second[9].raw), 61.0);

    const auto& third = read.rows[2];
    for (std::size_t c = 0; c < third.size(); ++c) {
        if (c != 8) {  // booleans live in the null mask: there a clear bit means false
            EXPECT_TRUE(third[c].isNull) << read.columnNames[c];
        }
    }
    EXPECT_EQ(third[8].text, "0");

    const auto& fourth = read.rows[3];
    EXPECT_EQ(fourth[0].text, "\xC5\x81\xC3\xB3" "d\xC5\xBA \xE2\x82\xAC");
    EXPECT_EQ(rawDouble(fourth[6].raw), -1.25e-300);
    float ratio = 0;
    ASSERT_EQ(fourth[5].raw.size(), 4u);
    std::memcpy(&ratio, fourth[5].raw.data(), 4);
    EXPECT_EQ(ratio, 3.4e38f);
}

TEST(JetWriter, ThousandsOfRowsSpanManyDataPages)
{
    TableSpec table("Many");
    table.addColumn("Id", ColumnType::longInteger).addColumn("Name", ColumnType::text).addColumn("Value", ColumnType::doubleFloat);
    for (int i = 0; i < 5000; ++i)
        table.addRow({Cell::ofInteger(i), Cell::ofText("Taxon number " + std::to_string(i) + " of the long list"),
                      Cell::ofNumber(i / 7.0)});
    TempDir dir;
    const std::string path = dir.file("many.mdb");
    std::string error;
    ASSERT_TRUE(writeAccessFile({table}, path, JetFormat::jet4, error)) << error;
    // About 70 bytes a row and 4 KB a page: well over 50 data pages.
    EXPECT_GT(std::filesystem::file_size(path) / 4096, 50u);
    ReadTable read;
    ASSERT_TRUE(readTable(path, "Many", read));
    ASSERT_EQ(read.rows.size(), 5000u);
    for (int i = 0; i < 5000; ++i) {
        const auto& row = read.rows[static_cast<std::size_t>(i)];
        ASSERT_EQ(row[0].text, std::to_string(i));
        ASSERT_EQ(row[1].text, "Taxon number " + std::to_string(i) + " of the long list");
        ASSERT_EQ(rawDouble(row[2].raw), i / 7.0);
    }
}

TEST(JetWriter, LongTextsAndMemosOfEverySizeReadBack)
{
    const std::string longText = repeated("\xC3\xA9", 255);                    // é, compressed: 257 bytes
    const std::string wideText = repeated("\xE2\x82\xAC", 255);                // €, plain: 510 bytes
    const std::string pageMemo = repeated("Navicula lanceolata ", 100);         // one long-value row
    const std::string chainedMemo = repeated("\xC5\x81" "abc", 6000);           // 48,000 bytes: a chain of pages
    TableSpec table("Long");
    table.addColumn("Text", ColumnType::text).addColumn("Wide", ColumnType::text).addColumn("Memo", ColumnType::memo);
    table.addRow({Cell::ofText(longText), Cell::ofText(wideText), Cell::ofText(chainedMemo)});
    table.addRow({Cell::ofText("x"), Cell::null(), Cell::ofText(pageMemo)});
    table.addRow({Cell::ofText("y"), Cell::ofText(""), Cell::ofText("inline memo")});
    for (int i = 0; i < 30; ++i)
        table.addRow({Cell::ofText(std::to_string(i)), Cell::null(), Cell::ofText(pageMemo + std::to_string(i))});
    TempDir dir;
    const std::string path = dir.file("long.mdb");
    std::string error;
    ASSERT_TRUE(writeAccessFile({table}, path, JetFormat::jet4, error)) << error;
    ReadTable read;
    ASSERT_TRUE(readTable(path, "Long", read));
    ASSERT_EQ(read.rows.size(), 33u);
    EXPECT_EQ(read.rows[0][0].text, longText);
    EXPECT_EQ(read.rows[0][1].text, wideText);
    EXPECT_EQ(read.rows[0][2].text, chainedMemo);
    EXPECT_EQ(read.rows[1][2].text, pageMemo);
    EXPECT_TRUE(read.rows[1][1].isNull);
    EXPECT_EQ(read.rows[2][2].text, "inline memo");
    EXPECT_FALSE(read.rows[2][1].isNull);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(read.rows[static_cast<std::size_t>(3 + i)][2].text, pageMemo + std::to_string(i));
}

TEST(JetWriter, TablesWiderThanOneUsageMapRowAndManyTables)
{
    // Two rows of 4 x 510 bytes fill a page, so 1,200 rows take 600 data pages: more than a
    // map kept inside its row can list (472), so the map moves to a page of its own.
    TableSpec wide("Wide");
    for (int c = 0; c < 4; ++c)
        wide.addColumn("T" + std::to_string(c), ColumnType::text);
    const std::string euros = repeated("\xE2\x82\xAC", 250);
    for (int i = 0; i < 1200; ++i) {
        const std::string tag = std::to_string(100000 + i);
        wide.addRow({Cell::ofText(euros + tag.substr(1)), Cell::ofText(tag), Cell::ofText(euros), Cell::ofText(euros)});
    }
    std::vector<TableSpec> tables{wide};
    // Eighty more tables: their usage maps do not all fit page 1.
    for (int t = 0; t < 80; ++t) {
        TableSpec small("Small " + std::to_string(t));
        small.addColumn("Value", ColumnType::integer);
        small.addRow({Cell::ofInteger(t)});
        tables.push_back(small);
    }
    TempDir dir;
    const std::string path = dir.file("wide.mdb");
    std::string error;
    ASSERT_TRUE(writeAccessFile(tables, path, JetFormat::jet4, error)) << error;
    ReadTable read;
    ASSERT_TRUE(readTable(path, "Wide", read));
    ASSERT_EQ(read.rows.size(), 1200u);
    for (int i = 0; i < 1200; ++i)
        ASSERT_EQ(read.rows[static_cast<std::size_t>(i)][1].text, std::to_string(100000 + i));
    {
        MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
        ASSERT_TRUE(mdb);
        EXPECT_EQ(userTables(mdb.get()).size(), 81u);
    }
    ReadTable last;
    ASSERT_TRUE(readTable(path, "Small 79", last));
    ASSERT_EQ(last.rows.size(), 1u);
    EXPECT_EQ(last.rows[0][0].text, "79");
}

TEST(JetWriter, Ace12FilesCarryTheAceVersion)
{
    TempDir dir;
    const std::string path = dir.file("every.accdb");
    std::string error;
    ASSERT_TRUE(writeAccessFile({everyTypeTable()}, path, JetFormat::ace12, error)) << error;
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(mdb);
    EXPECT_EQ(mdb->f->jet_version, static_cast<guint32>(MDB_VER_ACCDB_2007));
    ReadTable read;
    ASSERT_TRUE(readTable(path, "Every Type", read));
    EXPECT_EQ(read.rows.size(), 4u);
}

TEST(JetWriter, RefusesWhatAccessCannotHold)
{
    auto refused = [](const std::vector<TableSpec>& tables, const std::string& expected) {
        std::string bytes, error;
        EXPECT_FALSE(buildAccessImage(tables, JetFormat::jet4, bytes, error));
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    };
    auto oneValue = [](ColumnType type, Cell cell, int textLength = 255) {
        TableSpec table("T");
        table.addColumn("C", type, textLength);
        table.addRow({std::move(cell)});
        return std::vector<TableSpec>{table};
    };
    refused({}, "no tables");
    refused(oneValue(ColumnType::byte, Cell::ofInteger(256)), "does not fit a byte");
    refused(oneValue(ColumnType::byte, Cell::ofInteger(-1)), "does not fit a byte");
    refused(oneValue(ColumnType::integer, Cell::ofInteger(32768)), "does not fit an integer");
    refused(oneValue(ColumnType::longInteger, Cell::ofInteger(2147483648LL)), "does not fit a long");
    refused(oneValue(ColumnType::single, Cell::ofNumber(1e39)), "does not fit a single");
    refused(oneValue(ColumnType::doubleFloat, Cell::ofNumber(std::numeric_limits<double>::quiet_NaN())), "finite");
    refused(oneValue(ColumnType::text, Cell::ofText("abcd"), 3), "4 characters, more than the column's 3");
    refused(oneValue(ColumnType::text, Cell::ofText("a\xFF")), "not valid UTF-8");
    refused(oneValue(ColumnType::text, Cell::ofText(std::string("a\0b", 3))), "NUL");
    refused(oneValue(ColumnType::text, Cell::ofText("x"), 256), "1 to 255 characters");

    TableSpec wrongCount("T");
    wrongCount.addColumn("A", ColumnType::integer).addColumn("B", ColumnType::integer);
    wrongCount.addRow({Cell::ofInteger(1)});
    refused({wrongCount}, "row 1: 1 values for 2 columns");

    TableSpec badName("Bad.Name");
    badName.addColumn("A", ColumnType::integer);
    refused({badName}, "none of . ! ` [ ]");
    TableSpec system("MSysObjects");
    system.addColumn("A", ColumnType::integer);
    refused({system}, "system tables");
    TableSpec twice("T");
    twice.addColumn("Name", ColumnType::integer).addColumn("NAME", ColumnType::integer);
    refused({twice}, "comes earlier");
    refused({oneValue(ColumnType::integer, Cell::null())[0], oneValue(ColumnType::integer, Cell::null())[0]}, "comes earlier");

    // Nine texts of 255 wide characters need 4,590 bytes: more than a page.
    TableSpec tooWide("T");
    std::vector<Cell> cells;
    for (int c = 0; c < 9; ++c) {
        tooWide.addColumn("C" + std::to_string(c), ColumnType::text);
        cells.push_back(Cell::ofText(repeated("\xE2\x82\xAC", 255)));
    }
    tooWide.addRow(cells);
    refused({tooWide}, "more than a data page holds");

    // 150 columns with 40-character names: 25 + 82 bytes each, past one page.
    TableSpec tooManyNames("T");
    for (int c = 0; c < 150; ++c)
        tooManyNames.addColumn(std::string(37, 'n') + std::to_string(100 + c), ColumnType::integer);
    refused({tooManyNames}, "table definition takes");
}

TEST(JetWriter, AFailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    const std::string path = dir.file("ref.mdb");
    testing_support::writeFile(path, "previous contents");
    TableSpec bad("T");
    bad.addColumn("C", ColumnType::byte);
    bad.addRow({Cell::ofInteger(999)});
    std::string error;
    EXPECT_FALSE(writeAccessFile({bad}, path, JetFormat::jet4, error));
    EXPECT_EQ(testing_support::readFile(path), "previous contents");

    // A folder that does not exist: nothing can be written, and nothing is.
    EXPECT_FALSE(writeAccessFile({everyTypeTable()}, dir.file("missing/ref.mdb"), JetFormat::jet4, error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;

    ASSERT_TRUE(writeAccessFile({everyTypeTable()}, path, JetFormat::jet4, error)) << error;
    EXPECT_NE(testing_support::readFile(path), "previous contents");
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}
