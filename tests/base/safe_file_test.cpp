#include "base/safe_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

int entriesIn(const std::filesystem::path& folder)
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

}  // namespace

TEST(SafeFile, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string target = dir.file("results.xls");
    writeFile(target, "the previous results");

    // A child process with a file-size limit (which binds root too): its write fails
    // part-way with EFBIG.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const bool written = safefile::WriteFile(target, std::string(100000, 'x'), error);
        ::_exit(!written && error == "File too large" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not fail with the file-size reason";
    EXPECT_EQ(readFile(target), "the previous results");
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

TEST(SafeFile, ReplacedFileKeepsItsModeAndANewOneGetsTheUsualMode)
{
    TempDir dir;
    const std::string target = dir.file("out.csv");
    writeFile(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::string error;
    ASSERT_TRUE(safefile::WriteFile(target, "new", error)) << error;
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(modeOf(target), 0640u);

    const mode_t previousMask = ::umask(022);
    const std::string fresh = dir.file("fresh.csv");
    ASSERT_TRUE(safefile::WriteFile(fresh, "", error)) << error;
    ::umask(previousMask);
    EXPECT_EQ(modeOf(fresh), 0644u);
    EXPECT_EQ(readFile(fresh), "");
    EXPECT_EQ(entriesIn(dir.path()), 2);
}

TEST(SafeFile, ReadOnlyTargetIsRefusedEvenForRoot)
{
    TempDir dir;
    const std::string target = dir.file("kept.xlsx");
    writeFile(target, "keep me");
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    std::string error;
    EXPECT_FALSE(safefile::WriteFile(target, "replaced", error));
    EXPECT_EQ(error, "Permission denied");
    EXPECT_EQ(readFile(target), "keep me");
    EXPECT_EQ(modeOf(target), 0444u);
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

TEST(SafeFile, FoldersAndMissingFoldersAreRefusedWithTheirReason)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(safefile::WriteFile(dir.path().string(), "x", error));
    EXPECT_EQ(error, "it is a folder");
    EXPECT_FALSE(safefile::WriteFile(dir.file("no such folder/out.csv"), "x", error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_EQ(entriesIn(dir.path()), 0);
}

TEST(SafeFile, AnUncommittedPendingFileLeavesNothing)
{
    TempDir dir;
    const std::string target = dir.file("book.xlsx");
    writeFile(target, "before");
    {
        safefile::PendingFile pending(target);
        std::string error;
        ASSERT_TRUE(pending.create(error)) << error;
        ASSERT_TRUE(pending.write("half a book", error)) << error;
        // Beside the target (on its file system, so that the rename cannot fail for that),
        // and readable by name for a library that writes it itself.
        struct stat temporary {}, folder {};
        ASSERT_EQ(::stat(pending.temporaryPath().c_str(), &temporary), 0) << pending.temporaryPath();
        ASSERT_EQ(::stat(dir.path().c_str(), &folder), 0);
        EXPECT_EQ(temporary.st_dev, folder.st_dev);
        EXPECT_EQ(readFile(pending.temporaryPath()), "half a book");
    }
    EXPECT_EQ(readFile(target), "before");
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

TEST(SafeFile, AWriteKilledAtAnyMomentLeavesTheOldFileAlone)
{
    // A child writes a large file and is killed part-way (SIGKILL: no clean-up runs),
    // at several moments; the folder holds the old file, whole, and nothing else.
    TempDir dir;
    const std::string target = dir.file("results.xlsx");
    writeFile(target, "the previous results");
    for (int chunksBeforeKill : {0, 1, 40}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            safefile::PendingFile pending(target);
            std::string error;
            if (!pending.create(error))
                ::_exit(1);
            const std::string chunk(1 << 16, 'x');
            for (int i = 0; i < chunksBeforeKill; ++i)
                pending.write(chunk, error);
            ::raise(SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(readFile(target), "the previous results");
        EXPECT_EQ(entriesIn(dir.path()), 1) << "after " << chunksBeforeKill << " chunks";
    }
}

TEST(SafeFile, LeftoversOfDeadWritesGoWithTheNextWriteButNotOnesBeingWritten)
{
    TempDir dir;
    const std::string target = dir.file("results.xlsx");
    // What a write killed after naming its file leaves (and what older versions left).
    writeFile(dir.file(".results.xlsx.tmp0123abcd"), "half");
    // One that a running write holds: its lock is taken (here by this process, through
    // another open file description, which a flock lock tells apart).
    const std::string held = dir.file(".results.xlsx.tmp89abcdef");
    writeFile(held, "being written");
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    // Not ours, or another target's.
    writeFile(dir.file(".results.xlsx.tmp-notours"), "x");
    writeFile(dir.file(".other.xlsx.tmp01234567"), "x");
    writeFile(dir.file("results.xlsx.tmp01234567"), "x");

    std::string error;
    ASSERT_TRUE(safefile::WriteFile(target, "new", error)) << error;
    EXPECT_EQ(readFile(target), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.file(".results.xlsx.tmp0123abcd")));
    EXPECT_EQ(readFile(held), "being written");
    EXPECT_TRUE(std::filesystem::exists(dir.file(".results.xlsx.tmp-notours")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(".other.xlsx.tmp01234567")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("results.xlsx.tmp01234567")));
    ::close(holder);
    // Once nobody holds it, the next write removes it too.
    ASSERT_TRUE(safefile::WriteFile(target, "newer", error)) << error;
    EXPECT_FALSE(std::filesystem::exists(held));
}

TEST(SafeFile, ASymbolicLinkStaysALinkAndItsTargetIsReplaced)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("store"));
    const std::string real = dir.file("store/results.xlsx");
    writeFile(real, "old results");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    // A relative link, and a link to that link.
    ASSERT_EQ(::symlink("store/results.xlsx", dir.file("link.xlsx").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("link.xlsx").c_str(), dir.file("chain.xlsx").c_str()), 0);

    std::string error;
    ASSERT_TRUE(safefile::WriteFile(dir.file("chain.xlsx"), "new results", error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("chain.xlsx")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.xlsx")));
    EXPECT_EQ(readFile(real), "new results");
    EXPECT_EQ(modeOf(real), 0640u);
    EXPECT_EQ(entriesIn(dir.path()), 3);
    EXPECT_EQ(entriesIn(dir.file("store")), 1);

    // A link to nothing yet: the file is made where it leads.
    ASSERT_EQ(::symlink("store/fresh.csv", dir.file("dangling.csv").c_str()), 0);
    ASSERT_TRUE(safefile::WriteFile(dir.file("dangling.csv"), "fresh", error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling.csv")));
    EXPECT_EQ(readFile(dir.file("store/fresh.csv")), "fresh");

    // A loop of links is refused with the system's reason.
    ASSERT_EQ(::symlink("loop-b", dir.file("loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", dir.file("loop-b").c_str()), 0);
    EXPECT_FALSE(safefile::WriteFile(dir.file("loop-a"), "x", error));
    EXPECT_EQ(error, std::strerror(ELOOP));
}

TEST(SafeFile, NamesUpToTheSystemsLimitAreWritten)
{
    TempDir dir;
    const long nameMax = ::pathconf(dir.path().c_str(), _PC_NAME_MAX);
    ASSERT_GT(nameMax, 20);
    for (std::size_t length : {std::size_t{243}, std::size_t{250}, static_cast<std::size_t>(nameMax)}) {
        if (length > static_cast<std::size_t>(nameMax))
            continue;
        const std::string name = std::string(length - 5, 'n') + ".xlsx";
        std::string error;
        ASSERT_TRUE(safefile::WriteFile(dir.file(name), "results", error)) << length << ": " << error;
        EXPECT_EQ(readFile(dir.file(name)), "results");
    }
    EXPECT_EQ(entriesIn(dir.path()), nameMax >= 250 ? 3 : 2);
}

TEST(SafeFile, TemporaryNamesFitAndTellLongTargetsApart)
{
    EXPECT_EQ(safefile::TemporaryStem("results.xlsx", 255), ".results.xlsx");
    // 255 bytes less the mark and digits (".tmp" and eight) and the dot.
    const std::string a = std::string(250, 'a') + "1.xlsx", b = std::string(250, 'a') + "2.xlsx";
    const std::string stemA = safefile::TemporaryStem(a, 255), stemB = safefile::TemporaryStem(b, 255);
    EXPECT_LE(stemA.size() + 12, 255u);
    EXPECT_NE(stemA, stemB);
    // A name cut inside a character is cut before it instead.
    std::string accented;
    for (int i = 0; i < 130; ++i)
        accented += "\xc3\xa9";  // e with an acute accent, two bytes
    const std::string stem = safefile::TemporaryStem(accented, 255);
    EXPECT_LE(stem.size() + 12, 255u);
    const std::size_t tilde = stem.rfind('~');
    ASSERT_NE(tilde, std::string::npos);
    EXPECT_EQ((tilde - 1) % 2, 0u) << "whole characters before the hash";
}

TEST(SafeFile, SeveralFilesAreWrittenAllOrNone)
{
    TempDir dir;
    writeFile(dir.file("a.png"), "old a");
    std::filesystem::create_directory(dir.file("b.svg"));  // a folder in the way of the second
    std::vector<std::string> written;
    std::string error;
    const std::string a = "new a", b = "new b";
    EXPECT_FALSE(safefile::WriteFiles({{dir.file("a.png"), a}, {dir.file("b.svg"), b}}, written, error));
    EXPECT_NE(error.find("b.svg: it is a folder"), std::string::npos) << error;
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(readFile(dir.file("a.png")), "old a");
    EXPECT_EQ(entriesIn(dir.path()), 2);

    std::filesystem::remove(dir.file("b.svg"));
    ASSERT_TRUE(safefile::WriteFiles({{dir.file("a.png"), a}, {dir.file("b.svg"), b}}, written, error)) << error;
    EXPECT_EQ(written.size(), 2u);
    EXPECT_EQ(readFile(dir.file("a.png")), "new a");
    EXPECT_EQ(readFile(dir.file("b.svg")), "new b");
}
