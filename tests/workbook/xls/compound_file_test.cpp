// The compound file writer and reader against each other, and the reader on written
// files with their sector tables damaged on purpose.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/temp_dir.h"
#include "workbook/xls/compound_file.h"
#include "workbook/xls/compound_file_writer.h"

namespace {

using testing_support::TempDir;

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::string s = testing_support::readFile(path);
    return {s.begin(), s.end()};
}

std::uint32_t get32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void set32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> b(n);
    for (auto& x : b)
        x = static_cast<std::uint8_t>(random());
    return b;
}

struct Written {
    TempDir dir;
    std::vector<std::uint8_t> bytes;
};

void write(Written& w, const std::vector<std::uint8_t>& stream)
{
    std::string path = w.dir.file("c.xls"), error;
    ASSERT_TRUE(wb::writeCompoundFile(path, u"Workbook", stream, error)) << error;
    w.bytes = fileBytes(path);
}

bool readBack(std::vector<std::uint8_t> bytes, std::vector<std::uint8_t>& stream, std::string& error)
{
    wb::CompoundFile file;
    return file.open(std::move(bytes), error) && file.readStream("workbook", stream, error);
}

TEST(CompoundFile, SmallAndLargeStreamsComeBackWhole)
{
    // 9 MB needs 144 FAT sectors, more than the header's 109 entries: DIFAT sectors.
    for (std::size_t size : {std::size_t{100}, std::size_t{4096}, std::size_t{70000}, std::size_t{9} << 20}) {
        Written w;
        std::vector<std::uint8_t> stream = randomBytes(size, static_cast<unsigned>(size));
        write(w, stream);
        EXPECT_EQ(w.bytes.size() % 512, 0u);
        EXPECT_EQ(get32(w.bytes, 0x48) > 0, size > (std::size_t{7} << 20)) << size;
        std::vector<std::uint8_t> back;
        std::string error;
        ASSERT_TRUE(readBack(w.bytes, back, error)) << error;
        // Short streams are padded with zeros up to the 4096 bytes that keep them out of
        // the mini stream.
        ASSERT_EQ(back.size(), std::max<std::size_t>(size, 4096));
        EXPECT_TRUE(std::equal(stream.begin(), stream.end(), back.begin()));
        EXPECT_TRUE(std::all_of(back.begin() + static_cast<std::ptrdiff_t>(size), back.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }
}

TEST(CompoundFile, DamagedTablesAreRefused)
{
    Written small, large;
    write(small, randomBytes(70000, 1));
    write(large, randomBytes(std::size_t{8} << 20, 2));
    const std::size_t fatAt = (get32(small.bytes, 0x4C) + 1) * 512;
    const std::size_t dirAt = (get32(small.bytes, 0x30) + 1) * 512;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto patched = [&](const char* what, const std::vector<std::uint8_t>& base, auto change) {
        std::vector<std::uint8_t> b = base;
        change(b);
        cases.push_back({what, std::move(b)});
    };
    patched("chain loops", small.bytes, [&](auto& b) { set32(b, fatAt + 4 * 5, 2); });
    patched("chain leaves the file", small.bytes, [&](auto& b) { set32(b, fatAt + 4 * 5, 100000); });
    patched("sector shift 30", small.bytes, [&](auto& b) { b[0x1E] = 30; });
    patched("FAT sector outside", small.bytes, [&](auto& b) { set32(b, 0x4C, 0x7FFFFFF0); });
    patched("FAT count absurd", small.bytes, [&](auto& b) { set32(b, 0x2C, 0xFFFFFF00); });
    patched("stream claims 4 GB", small.bytes, [&](auto& b) { set32(b, dirAt + 128 + 0x78, 0xFFFFFFF0); });
    patched("stream in a mini stream that is absent", small.bytes, [&](auto& b) { set32(b, dirAt + 128 + 0x78, 100); });
    patched("directory start outside", small.bytes, [&](auto& b) { set32(b, 0x30, 0x00FFFFFF); });
    patched("truncated", small.bytes, [&](auto& b) { b.resize(b.size() / 2); });
    patched("DIFAT loops", large.bytes, [&](auto& b) {
        const std::size_t difatAt = (get32(b, 0x44) + 1) * 512;
        // More FAT sectors than the one DIFAT sector lists, and that sector names itself
        // as the next.
        set32(b, difatAt + 508, get32(b, 0x44));
        set32(b, 0x2C, get32(b, 0x2C) + 127);
        set32(b, 0x48, 2);
    });
    patched("DIFAT outside", large.bytes, [&](auto& b) { set32(b, 0x44, 0x00FFFFF0); });
    for (const Case& c : cases) {
        std::vector<std::uint8_t> back;
        std::string error;
        EXPECT_FALSE(readBack(c.bytes, back, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(CompoundFile, FailedWriteKeepsTheExistingFile)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(wb::writeCompoundFile(dir.file("missing/folder/c.xls"), u"Workbook", randomBytes(10, 3), error));
    EXPECT_FALSE(error.empty());
    // A target that is a folder cannot be replaced: the write fails after the data went
    // out, and leaves no temporary file behind.
    std::filesystem::create_directory(dir.file("taken"));
    testing_support::writeFile(dir.file("taken/inside"), "keep");
    EXPECT_FALSE(wb::writeCompoundFile(dir.file("taken"), u"Workbook", randomBytes(10, 3), error));
    EXPECT_EQ(testing_support::readFile(dir.file("taken/inside")), "keep");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

}  // namespace
