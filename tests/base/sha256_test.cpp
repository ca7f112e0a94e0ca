#include "base/sha256.h"
#include "base/file_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string digestOf(const std::string& text, std::size_t piece)
{
    Sha256 sha;
    for (std::size_t at = 0; at < text.size(); at += piece)
        sha.update(text.data() + at, std::min(piece, text.size() - at));
    return Sha256::hex(sha.finish());
}

}  // namespace

// The standard's examples, and lengths around the block's padding edges (55/56 bytes need
// one or two final blocks), fed whole and in pieces of every awkward size; the expected
// digests come from sha256sum.
TEST(Sha256, KnownDigestsWholeAndInPieces)
{
    const struct {
        std::string text;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'x'), "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
        {std::string(56, 'x'), "04c26261370ee7541549d16dee320c723e3fd14671e66a099afe0a377c16888e"},
        {std::string(63, 'x'), "75220b47218278e656f2013bb8f0c455a25eaf01e86c64924e9d48d89776d6f2"},
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
        {std::string(65, 'x'), "9537c5fdf120482f7d58d25e9ed583f52c02b4e304ea814db1633ad565aed7e9"},
        {std::string(119, 'x'), "000b48d4edf0fa7bee3c6236ecd2785baa5db4eeb8bb54341b029e0d9fa5fb0c"},
        {std::string(1000, 'x'), "44f8354494a5ba03ba1792a8d3e9c534c47a9181980fde7a3f44b06ef2ae7c7f"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    // Both ways of compressing blocks: the processor's SHA instructions (where it has
    // them) and the portable code.
    for (Sha256::Way way : {Sha256::Way::Fastest, Sha256::Way::Portable}) {
        Sha256::setWay(way);
        for (const auto& c : cases)
            for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(63), std::size_t(64),
                                      std::size_t(65), std::size_t(1) << 20})
                EXPECT_EQ(digestOf(c.text, piece), c.digest)
                    << c.text.size() << " bytes in pieces of " << piece << (way == Sha256::Way::Portable ? ", portable" : "");
    }
    Sha256::setWay(Sha256::Way::Fastest);
}

TEST(Sha256, OfFileAndItsFailure)
{
    const auto path = std::filesystem::temp_directory_path() / "torven_sha256_test.bin";
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(65, 'x');
    }
    std::string digest, error;
    ASSERT_TRUE(Sha256OfFile(path.string(), digest, error)) << error;
    EXPECT_EQ(digest, "9537c5fdf120482f7d58d25e9ed583f52c02b4e304ea814db1633ad565aed7e9");
    std::filesystem::remove(path);

    EXPECT_FALSE(Sha256OfFile(path.string(), digest, error));
    EXPECT_EQ(error, "No such file or directory");
}

// The digest taken on a thread of its own: the same as taken in place, empty for a file
// that cannot be read, and one left before its result stops without harm.
TEST(Sha256, FileDigestOnAThreadOfItsOwn)
{
    const auto path = std::filesystem::temp_directory_path() / "torven_file_digest_test.bin";
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(1000000, 'a');
    }
    FileDigest digest(path.string());
    EXPECT_EQ(digest.result(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(digest.result(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    for (int i = 0; i < 20; ++i)
        FileDigest left(path.string());
    std::filesystem::remove(path);

    FileDigest missing(path.string());
    EXPECT_EQ(missing.result(), "");
}
