// Targets a save must refuse (FIFOs, devices, the run's own inputs), the signal guard of
// named temporaries, and a folder's set of files replaced at once, under kills and
// concurrent runs.

#include "base/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSetNames = {"sample-summary.csv", "uncertainty-tdi3.csv", "uncertainty-tdi4.csv",
                                            "job-summary.txt"};

bool inSet(const std::string& name)
{
    return name == "sample-summary.csv" || name == "job-summary.txt" || name.starts_with("uncertainty-");
}

// Before forking a child to be stopped by SIGINT or SIGTERM: both as a program in the
// foreground meets them, from the child's first instruction on. A shell that starts the
// tests in the background has them ignore SIGINT, and a guard rightly keeps a signal
// ignored that was ignored before it.
void defaultStopSignals()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
}

// One run's set: every file names the run, and is large enough that writing it takes a
// moment, so that kills land inside the replacement.
bool replaceWithRun(const std::string& folder, int run, std::string& error)
{
    std::vector<std::string> texts;
    for (const std::string& name : kSetNames)
        texts.push_back("run " + std::to_string(run) + " " + name + "\n" + std::string(20000, 'x'));
    std::vector<std::pair<std::string, std::string_view>> files;
    for (std::size_t i = 0; i < kSetNames.size(); ++i)
        files.emplace_back(kSetNames[i], texts[i]);
    return safefile::ReplaceFileSet(folder, files, inSet, error);
}

// The run whose whole set the folder holds; -1 for a mix, a missing file or a file cut short.
int wholeSetRun(const fs::path& folder)
{
    int run = -2;
    for (const std::string& name : kSetNames) {
        const fs::path file = folder / name;
        if (!fs::exists(file))
            return -1;
        const std::string text = readFile(file.string());
        const std::size_t space = text.find(' ', 4);
        if (!text.starts_with("run ") || space == std::string::npos
            || text.size() != space + 1 + name.size() + 1 + 20000)
            return -1;
        const int thisRun = std::stoi(text.substr(4, space - 4));
        if (run != -2 && thisRun != run)
            return -1;
        run = thisRun;
    }
    return run;
}

std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

ino_t inodeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

}  // namespace

TEST(SafeTargets, AFifoOrADeviceIsRefusedAndLeftAsItIs)
{
    TempDir dir;
    const std::string fifo = dir.file("out.xlsx");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string error;
    EXPECT_FALSE(safefile::CheckTarget(fifo, error));
    EXPECT_EQ(error, "it is not a regular file");
    EXPECT_FALSE(safefile::WriteFile(fifo, "results", error));
    EXPECT_EQ(error, "it is not a regular file");
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    // A link to a device is followed to it, and refused as the device would be.
    EXPECT_FALSE(safefile::CheckTarget("/dev/null", error));
    EXPECT_EQ(error, "it is not a regular file");
    ASSERT_EQ(::symlink("/dev/null", dir.file("null-link").c_str()), 0);
    EXPECT_FALSE(safefile::WriteFile(dir.file("null-link"), "x", error));
    EXPECT_TRUE(fs::is_symlink(dir.file("null-link")));
    // A new name and a regular file are taken.
    EXPECT_TRUE(safefile::CheckTarget(dir.file("new.xlsx"), error)) << error;
    writeFile(dir.file("old.xlsx"), "old");
    EXPECT_TRUE(safefile::CheckTarget(dir.file("old.xlsx"), error)) << error;
}

TEST(SafeTargets, AProtectedInputIsRefusedUnderEveryNameAndKeptWhole)
{
    TempDir dir;
    fs::create_directory(dir.path() / "sub");
    const std::string database = dir.file("my.mdb");
    writeFile(database, "the reference data");
    ASSERT_EQ(::link(database.c_str(), dir.file("hard.mdb").c_str()), 0);
    ASSERT_EQ(::symlink("my.mdb", dir.file("soft.xlsx").c_str()), 0);
    safefile::ProtectInput(database, "the reference database");
    std::string error;
    for (const std::string& spelling : {database, dir.file("hard.mdb"), dir.file("soft.xlsx"), dir.file("sub/../my.mdb")}) {
        EXPECT_FALSE(safefile::CheckTarget(spelling, error)) << spelling;
        EXPECT_EQ(error, "it is the reference database this run reads");
        EXPECT_FALSE(safefile::WriteFile(spelling, "results", error)) << spelling;
    }
    EXPECT_EQ(readFile(database), "the reference data");
    EXPECT_TRUE(safefile::CheckTarget(dir.file("other.xlsx"), error)) << error;
    // A set whose folder holds the input under one of the set's names is refused before
    // anything is written.
    ASSERT_EQ(::link(database.c_str(), dir.file("sub/job-summary.txt").c_str()), 0);
    EXPECT_FALSE(replaceWithRun(dir.file("sub"), 1, error));
    EXPECT_NE(error.find("job-summary.txt: it is the reference database this run reads"), std::string::npos) << error;
    EXPECT_EQ(namesIn(dir.path() / "sub"), std::set<std::string>{"job-summary.txt"});
    safefile::ClearProtectedInputs();
    EXPECT_TRUE(safefile::CheckTarget(database, error)) << error;
}

TEST(SafeTargets, AJobsInputsAreProtectedWhileItsGuardLives)
{
    TempDir dir;
    const std::string map = dir.file("map.csv");
    writeFile(map, "the user's choices");
    ASSERT_EQ(::link(map.c_str(), dir.file("other-name.csv").c_str()), 0);
    std::string error;
    {
        safefile::JobInputs outer;
        outer.add(map, "the taxon map");
        outer.add(dir.file("missing.mdb"), "the reference database");  // nothing there: nothing to protect
        {
            // Two jobs may read one file; each guard takes back only its own.
            safefile::JobInputs inner;
            inner.add(map, "the taxon map");
        }
        EXPECT_FALSE(safefile::WriteFile(dir.file("other-name.csv"), "results", error));
        EXPECT_EQ(error, "it is the taxon map this job reads");
        EXPECT_TRUE(safefile::CheckTarget(dir.file("missing.mdb"), error)) << error;
    }
    EXPECT_EQ(readFile(map), "the user's choices");
    // Once the job is gone, so is the protection (the user may well save a map there).
    EXPECT_TRUE(safefile::WriteFile(map, "new choices", error)) << error;
    EXPECT_EQ(readFile(map), "new choices");
}

TEST(SafeTargets, ASignalDuringAGuardWaitsForItsEnd)
{
    defaultStopSignals();
    TempDir dir;
    for (int signal : {SIGTERM, SIGINT}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            {
                const safefile::SignalGuard guard;
                ::raise(signal);
                // Still running: the guarded work finishes.
                writeFile(dir.file("finished"), "yes");
            }
            writeFile(dir.file("after"), "should not happen");
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(readFile(dir.file("finished")), "yes");
        EXPECT_FALSE(fs::exists(dir.file("after")));
        fs::remove(dir.file("finished"));
    }
}

TEST(FileSet, TheSetIsReplacedWholeAndTheUsersOwnFilesStay)
{
    TempDir dir;
    const fs::path folder = dir.path() / "results";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0750);
    std::string error;
    // An older set, with a table the new one lacks, and the user's own things.
    writeFile((folder / "uncertainty-ltdi1.csv").string(), "an older lake run");
    writeFile((folder / "sample-summary.csv").string(), "old");
    ::chmod((folder / "sample-summary.csv").c_str(), 0640);
    writeFile((folder / "notes.txt").string(), "mine");
    fs::create_directory(folder / "charts");
    writeFile((folder / "charts" / "chart-tdi3.png").string(), "png");
    ASSERT_EQ(::symlink("notes.txt", (folder / "notes-link").c_str()), 0);
    const ino_t notes = inodeOf((folder / "notes.txt").string());

    ASSERT_TRUE(replaceWithRun(folder.string(), 7, error)) << error;
    EXPECT_EQ(wholeSetRun(folder), 7);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"sample-summary.csv", "uncertainty-tdi3.csv",
                                                      "uncertainty-tdi4.csv", "job-summary.txt", "notes.txt",
                                                      "charts", "notes-link"}));
    // The user's file is the same file, not a copy; the link is still a link.
    EXPECT_EQ(inodeOf((folder / "notes.txt").string()), notes);
    EXPECT_TRUE(fs::is_symlink(folder / "notes-link"));
    EXPECT_EQ(readFile((folder / "charts" / "chart-tdi3.png").string()), "png");
    // The folder and a replaced file keep their permissions.
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    ASSERT_EQ(::stat((folder / "sample-summary.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // Nothing is left beside the folder.
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"results"});
}

TEST(FileSet, AFolderLeftByAKilledRunIsSortedAtTheNextReplacement)
{
    TempDir dir;
    const fs::path folder = dir.path() / "results";
    fs::create_directory(folder);
    writeFile((folder / "notes.txt").string(), "mine");
    // Killed after the exchange: the old folder, under the temporary name, still holds the
    // old set, a link of the user's file, and a subfolder not yet moved across.
    const fs::path left = dir.path() / ".results.tmp0123abcd";
    fs::create_directory(left);
    writeFile((left / "sample-summary.csv").string(), "old");
    ASSERT_EQ(::link((folder / "notes.txt").c_str(), (left / "notes.txt").c_str()), 0);
    fs::create_directory(left / "charts");
    writeFile((left / "charts" / "a.png").string(), "png");
    // Not a temporary of this folder.
    fs::create_directory(dir.path() / ".results.tmp-other");

    std::string error;
    ASSERT_TRUE(replaceWithRun(folder.string(), 1, error)) << error;
    EXPECT_EQ(wholeSetRun(folder), 1);
    EXPECT_EQ(readFile((folder / "charts" / "a.png").string()), "png");
    EXPECT_EQ(readFile((folder / "notes.txt").string()), "mine");
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"results", ".results.tmp-other"}));
}

TEST(FileSet, KilledRunsLeaveOneWholeSetAndTheNextRunLeavesNoTemporary)
{
    // A writer replaces the set again and again and is killed (SIGKILL: no clean-up) at
    // moments spread over a replacement; between runs a reader process checks that the
    // folder holds one run's whole set and the user's file.
    TempDir dir;
    const fs::path folder = dir.path() / "results";
    fs::create_directory(folder);
    writeFile((folder / "notes.txt").string(), "mine");
    std::string error;
    ASSERT_TRUE(replaceWithRun(folder.string(), 0, error)) << error;
    for (int round = 0; round < 24; ++round) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            std::string why;
            for (int run = 1;; ++run)
                if (!replaceWithRun(folder.string(), round * 100000 + run, why))
                    ::_exit(3);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + 700 * round));
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed in round " << round;

        const pid_t reader = ::fork();
        ASSERT_GE(reader, 0);
        if (reader == 0)
            ::_exit(wholeSetRun(folder) >= 0 && readFile((folder / "notes.txt").string()) == "mine" ? 0 : 1);
        ASSERT_EQ(::waitpid(reader, &status, 0), reader);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a mixed or broken set in round " << round;
    }
    ASSERT_TRUE(replaceWithRun(folder.string(), 1, error)) << error;
    EXPECT_EQ(wholeSetRun(folder), 1);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"results"});
    EXPECT_EQ(namesIn(folder).size(), kSetNames.size() + 1);
}

TEST(FileSet, ATerminatedRunFinishesItsReplacementAndLeavesNoTemporary)
{
    defaultStopSignals();
    TempDir dir;
    const fs::path folder = dir.path() / "results";
    fs::create_directory(folder);
    std::string error;
    ASSERT_TRUE(replaceWithRun(folder.string(), 0, error)) << error;
    for (int round = 0; round < 12; ++round) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            std::string why;
            for (int run = 1;; ++run)
                replaceWithRun(folder.string(), run, why);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300 + 500 * round));
        ::kill(writer, round % 2 ? SIGTERM : SIGINT);
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_GE(wholeSetRun(folder), 0) << round;
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"results"}) << "a temporary after round " << round;
    }
}

TEST(FileSet, ConcurrentRunsEndWithOneWholeSet)
{
    TempDir dir;
    const fs::path folder = dir.path() / "results";
    fs::create_directory(folder);
    std::vector<pid_t> writers;
    for (int w = 1; w <= 4; ++w) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            std::string why;
            for (int i = 0; i < 15; ++i)
                if (!replaceWithRun(folder.string(), w, why))
                    ::_exit(3);
            ::_exit(0);
        }
        writers.push_back(writer);
    }
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_GE(wholeSetRun(folder), 1);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"results"});
}
