#include "base/safe_file.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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
        EXPECT_TRUE(std::filesystem::exists(pending.temporaryPath()));
        EXPECT_EQ(pending.temporaryPath().rfind(dir.path().string(), 0), 0u) << "the temporary file is beside the target";
    }
    EXPECT_EQ(readFile(target), "before");
    EXPECT_EQ(entriesIn(dir.path()), 1);
}
