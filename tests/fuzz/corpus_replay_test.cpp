// Every input of the fuzz corpus (seeds and the inputs that once crashed a reader) read
// again by the reader it was found for. A reader must refuse or read each; the sanitized
// build turns any invalid access, leak or undefined behaviour into a failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/fuzz/entries.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TORVEN_SOURCE_DIR) / "tests" / "fuzz" / "corpus";

std::vector<std::uint8_t> bytesOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CorpusReplay : public testing::TestWithParam<const char*> {};

TEST_P(CorpusReplay, EveryStoredInputIsReadOrRefused)
{
    const fs::path folder = kCorpus / GetParam();
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    fuzz::Entry entry = fuzz::entryNamed(GetParam());
    ASSERT_NE(entry, nullptr);
    std::size_t inputs = 0;
    for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
        if (!file.is_regular_file())
            continue;
        SCOPED_TRACE(file.path().string());
        const std::vector<std::uint8_t> bytes = bytesOf(file.path());
        entry(bytes.data(), bytes.size());
        ++inputs;
    }
    EXPECT_GT(inputs, 0u) << "no seed inputs in " << folder;
}

INSTANTIATE_TEST_SUITE_P(Readers, CorpusReplay,
                         testing::Values("xlsx", "xls", "access", "csv", "taxonmap", "preset", "jobfile"));

}  // namespace
