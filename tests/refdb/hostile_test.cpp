// Access files crafted to make the reader, or libmdb under it, work without end: each is
// refused within a fixed memory and time budget.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include <mdbtools.h>

#include "refdb/jet/writer.h"
#include "refdb/mdb_file.h"
#include "refdb/property_block.h"
#include "tests/support/memory_limit.h"
#include "tests/support/temp_dir.h"

using refdb::Cell;
using refdb::ColumnType;
using testing_support::readFile;
using testing_support::RunsWithin;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr std::size_t kPage = 4096;

std::uint32_t get32(const std::string& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}
void set32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
// Where row `row` of the long-value page `page` begins in the file.
std::size_t rowStart(const std::string& file, std::uint32_t page, int row)
{
    const std::size_t offsets = page * kPage + 14 + 2 * static_cast<std::size_t>(row);
    const std::size_t inPage = (static_cast<unsigned char>(file[offsets]) | static_cast<unsigned char>(file[offsets + 1]) << 8) & 0x1FFF;
    return page * kPage + inPage;
}

// A database whose one memo value runs over two long-value pages, then changed so that
// the second piece links back to itself and the value claims 16 MiB: a reader following
// the links until it has the claimed length would take 16 MiB a value (17 GB for 1,000
// rows); this one finds the loop.
std::string selfLinkedMemo(const TempDir& dir)
{
    refdb::TableSpec table("Notes");
    table.addColumn("Code", ColumnType::text, 10).addColumn("Note", ColumnType::memo);
    const std::size_t firstPiece = 4096 - 14 - 2 - 4;  // a long-value row less its link
    const std::string text = std::string(firstPiece - 2, 'a') + std::string(100, 'b');
    table.addRow({Cell::ofText("N1"), Cell::ofText(text)});
    const std::string path = dir.file("loop.mdb");
    std::string error;
    EXPECT_TRUE(refdb::writeAccessFile({table}, path, refdb::JetFormat::jet4, error)) << error;
    std::string file = readFile(path);

    // The first piece: its link, the compression mark, then the a's.
    const std::size_t first = file.find("\xFF\xFE" + std::string(64, 'a'));
    EXPECT_NE(first, std::string::npos);
    const std::uint32_t second = get32(file, first - 4);
    const std::size_t secondAt = rowStart(file, second >> 8, static_cast<int>(second & 0xFF));
    EXPECT_EQ(file.compare(secondAt + 4, 100, std::string(100, 'b')), 0);
    set32(file, secondAt, second);
    // The memo field: its length (flags 0: chained) and the first piece's page and row.
    const std::uint32_t firstPage = static_cast<std::uint32_t>((first - 4) / kPage);
    std::uint32_t firstPointer = 0;
    for (int row = 0; row < 255 && !firstPointer; ++row) {
        if (rowStart(file, firstPage, row) == first - 4)
            firstPointer = firstPage << 8 | static_cast<std::uint32_t>(row);
    }
    std::string header(8, '\0');
    set32(header, 0, static_cast<std::uint32_t>(text.size() + 2));
    set32(header, 4, firstPointer);
    const std::size_t field = file.find(header);
    EXPECT_NE(field, std::string::npos);
    set32(file, field, 0x00FFFFFF);
    writeFile(path, file);
    return path;
}

}  // namespace

TEST(AccessHostile, AMemoChainThatLinksBackIsRefused)
{
    TempDir dir;
    const std::string path = selfLinkedMemo(dir);
    EXPECT_TRUE(RunsWithin(std::size_t{256} << 20, 30, [&]() {
        std::string reason;
        std::unique_ptr<AccessFile> file = AccessFile::open(path, reason);
        if (!file) {
            std::fprintf(stderr, "%s\n", reason.c_str());
            return false;
        }
        AccessFile::Table table;
        const bool refused = !file->readTable("Notes", table, reason)
                             && reason.find("memo or OLE values in the file are damaged") != std::string::npos
                             && table.rows.empty();
        if (!refused)
            std::fprintf(stderr, "%s\n", reason.c_str());
        return refused;
    }));
}

namespace {

void add16(std::string& b, unsigned v)
{
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void add32(std::string& b, std::uint32_t v)
{
    add16(b, v & 0xFFFF);
    add16(b, v >> 16);
}

// A property block as Access writes one: the names, then a block of values for the
// table (no name), each value record led by its own length.
std::string propertyBlock(unsigned valueRecordLength)
{
    std::string names;
    for (const char* name : {"Description", "Format"}) {
        add16(names, static_cast<unsigned>(2 * std::strlen(name)));
        for (const char* c = name; *c; ++c)
            add16(names, static_cast<unsigned char>(*c));
    }
    std::string values;
    add32(values, 0);  // the block's length, as libmdb reads it (unused)
    add16(values, 0);  // no block name
    std::string value;
    add16(value, valueRecordLength);
    value.push_back('\0');
    value.push_back(static_cast<char>(MDB_TEXT));
    add16(value, 0);  // property 0: Description
    add16(value, 4);
    value += std::string("d\0e\0", 4);
    values += value;

    std::string block("KKD\0", 4);
    add32(block, static_cast<std::uint32_t>(6 + names.size()));
    add16(block, 0x80);
    block += names;
    add32(block, static_cast<std::uint32_t>(6 + values.size()));
    add16(block, 0x00);
    block += values;
    return block;
}

// Whether libmdb finishes reading the block within five seconds (in a child, since it
// may not), with a database of ours open for its text conversion.
bool libmdbFinishes(const std::string& block)
{
    TempDir dir;
    refdb::TableSpec table("T");
    table.addColumn("Code", ColumnType::text, 10);
    std::string error;
    EXPECT_TRUE(refdb::writeAccessFile({table}, dir.file("t.mdb"), refdb::JetFormat::jet4, error)) << error;
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(5);
        MdbHandle* mdb = mdb_open(dir.file("t.mdb").c_str(), MDB_NOFLAGS);
        if (!mdb)
            ::_exit(2);
        std::string copy = block;
        GPtrArray* props = mdb_kkd_to_props(mdb, copy.data(), copy.size());
        ::_exit(props ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(AccessHostile, APropertyRecordOfLengthZeroIsFoundBeforeLibmdbLoopsOnIt)
{
    const std::string sound = propertyBlock(12);
    const std::string zero = propertyBlock(0);
    EXPECT_TRUE(propertyBlockIsSound(sound));
    EXPECT_FALSE(propertyBlockIsSound(zero));
    // The reason for the check: libmdb reads the first block and never finishes the second.
    EXPECT_TRUE(libmdbFinishes(sound));
    EXPECT_FALSE(libmdbFinishes(zero));

    // Records that run past their block, and a block cut short, are refused too; blocks
    // of another kind and empty ones are left to libmdb, which ignores them.
    std::string longer = sound;
    set32(longer, 4, 600);
    EXPECT_FALSE(propertyBlockIsSound(longer));
    EXPECT_FALSE(propertyBlockIsSound(sound.substr(0, sound.size() - 3)));
    EXPECT_FALSE(propertyBlockIsSound("KK"));
    EXPECT_TRUE(propertyBlockIsSound(std::string("XYZ\0abcdef", 10)));
    EXPECT_TRUE(propertyBlockIsSound(""));
}
