// When the results workbook cannot be written: before an analysis, and when the file
// system refuses the file. A failed save never touches an existing file.

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/job.h"
#include "results/results_sheets.h"
#include "results/results_workbook.h"
#include "tests/results/folder_entries.h"
#include "tests/results/results_jobs.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// Holds the file size limit of this process at `bytes` while it lives, with the signal
// that the limit raises ignored, so that writes beyond it fail with EFBIG. This works as
// root too, where folder permissions do not stop a write.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

class FailedSave : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { results_jobs::fillRiverJob(job); }

    // After a failed save: one message, the library's reason, and the job still unsaved.
    void expectReported()
    {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_FALSE(ui.messages[0].empty());
        EXPECT_NE(ui.messages[0], results::kNoResultsMessage);
        EXPECT_TRUE(job.modified);
    }

    TempDir dir;
    ScriptedUser ui;
    Job job{nullptr, ui};
};

TEST_P(FailedSave, TargetIsAFolder)
{
    const std::string target = dir.file(std::string("out") + GetParam());
    fs::create_directory(target);
    writeFile(target + "/inside.txt", "kept");
    EXPECT_FALSE(job.SaveResultsTo(target));
    expectReported();
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(readFile(target + "/inside.txt"), "kept");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{fs::path(target).filename().string()});
}

TEST_P(FailedSave, FolderIsARegularFile)
{
    writeFile(dir.file("plain"), "not a folder");
    ui.resultsFiles.push_back(dir.file("plain") + "/out" + GetParam());
    EXPECT_FALSE(job.SaveResults());
    expectReported();
    EXPECT_EQ(readFile(dir.file("plain")), "not a folder");
}

TEST_P(FailedSave, ExistingFileSurvivesAnInterruptedWrite)
{
    // A job whose workbook is far larger than the limit: 2000 taxa lacking scores.
    const int taxa = 2000;
    job.samples.counts = std::make_unique<Matrix>(3, taxa, 1.0);
    job.samples.taxa.assign(taxa, TaxonEntry{"ZZ000", "A taxon the reference list lacks"});
    job.analysis.scoredRow1.assign(taxa, -1);
    job.analysis.scoredRow2.assign(taxa, -1);
    job.analysis.lackingCount1 = job.analysis.lackingCount2 = taxa;

    const std::string target = dir.file(std::string("kept") + GetParam());
    const std::string before = "an earlier results file, byte for byte\r\n\x01\x02";
    writeFile(target, before);
    bool saved = true;
    // The libraries below may want to print their own diagnostics; the reason belongs in
    // the message alone.
    ::testing::internal::CaptureStderr();
    {
        FileSizeLimit limit(1024);
        saved = job.SaveResultsTo(target);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(saved);
    expectReported();
    // The system's reason, as every save failure gives it: the heading names the file and
    // the reason, the detail the file and the reason alone (not the zip library's words
    // for its step, once in each).
    EXPECT_EQ(ui.messages[0], "cannot write \"" + target + "\": File too large");
    EXPECT_EQ(ui.details, std::vector<std::string>{target + ": File too large"});
    EXPECT_EQ(readFile(target), before);
    // No temporary file is left behind.
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{fs::path(target).filename().string()});
}

// A file its owner made read-only is not replaced, even by root (the test may run as
// root, for whom the permission bits are the owner's word).
TEST_P(FailedSave, ReadOnlyTargetIsKeptWithItsMode)
{
    const std::string target = dir.file(std::string("kept") + GetParam());
    const std::string before = "results the user locked\n";
    writeFile(target, before);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(job.SaveResultsTo(target));
    expectReported();
    EXPECT_NE(ui.messages[0].find("Permission denied"), std::string::npos) << ui.messages[0];
    EXPECT_EQ(ui.details, std::vector<std::string>{target + ": Permission denied"});
    EXPECT_EQ(readFile(target), before);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask, fs::perms(0444));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{fs::path(target).filename().string()});
}

INSTANTIATE_TEST_SUITE_P(Formats, FailedSave, ::testing::Values(".xlsx", ".xls"),
                         [](const auto& info) { return std::string(info.param + 1); });

class SaveTarget : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { results_jobs::fillRiverJob(job); }

    TempDir dir;
    ScriptedUser ui;
    Job job{nullptr, ui};
};

// A replaced results file keeps the permissions its owner gave it.
TEST_P(SaveTarget, ReplacedFileKeepsItsMode)
{
    const std::string target = dir.file(std::string("shared") + GetParam());
    writeFile(target, "an earlier results file");
    fs::permissions(target, fs::perms(0640));
    ASSERT_TRUE(job.SaveResultsTo(target)) << (ui.messages.empty() ? "" : ui.messages[0]);
    EXPECT_NE(readFile(target), "an earlier results file");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask, fs::perms(0640));
}

// The job's own sample workbook is never overwritten by its results, however the chosen
// path spells it: the save is refused with our message, the path as its detail, and
// nothing is written.
TEST_P(SaveTarget, JobWorkbookIsRefusedHoweverSpelled)
{
    const std::string samples = dir.file(std::string("samples") + GetParam());
    const std::string before = "the user's samples\r\n\x01";
    writeFile(samples, before);
    job.samples.path = samples;
    fs::create_directory(dir.file("sub"));
    fs::create_hard_link(samples, dir.file(std::string("hard") + GetParam()));
    fs::create_symlink(samples, dir.file(std::string("soft") + GetParam()));
    const std::vector<std::string> entries = folderEntries(dir.path());
    const std::string spellings[] = {samples, dir.file(std::string("./samples") + GetParam()),
                                     dir.file(std::string("sub/../samples") + GetParam()),
                                     dir.file(std::string("hard") + GetParam()),
                                     dir.file(std::string("soft") + GetParam())};
    for (const std::string& target : spellings) {
        ui.messages.clear();
        ui.details.clear();
        ui.resultsFiles.push_back(target);
        EXPECT_FALSE(job.SaveResults()) << target;
        EXPECT_EQ(ui.messages, std::vector<std::string>{results::kOwnWorkbookMessage}) << target;
        EXPECT_EQ(ui.details, std::vector<std::string>{target});
        EXPECT_EQ(readFile(samples), before) << target;
        EXPECT_TRUE(job.modified);
    }
    EXPECT_EQ(folderEntries(dir.path()), entries);

    // A file of the same name in another folder is another file.
    const std::string elsewhere = dir.file(std::string("sub/samples") + GetParam());
    EXPECT_TRUE(job.SaveResultsTo(elsewhere));
    EXPECT_TRUE(fs::exists(elsewhere));
}

// The taxon map the job was analysed with is one of its inputs: a save onto it, under any
// name, is refused naming the file; once the job uses no map, the file is the user's again.
TEST_P(SaveTarget, TheJobsTaxonMapIsRefusedHoweverSpelled)
{
    const std::string map = dir.file("map.csv");
    writeFile(map, "code,mapped code,name,mapped name,reason\n");
    std::string error;
    ASSERT_TRUE(job.SetTaxonMap(map, error)) << error;
    const std::string link = dir.file(std::string("map-link") + GetParam());
    fs::create_symlink(map, link);
    for (const std::string& target : {map, link, dir.file("./map.csv")}) {
        ui.messages.clear();
        ui.details.clear();
        EXPECT_FALSE(job.SaveResultsTo(target)) << target;
        EXPECT_EQ(ui.messages, std::vector<std::string>{"cannot write \"" + target + "\": it is the taxon map this job reads"});
        EXPECT_EQ(readFile(map), "code,mapped code,name,mapped name,reason\n");
        EXPECT_TRUE(job.modified);
    }
    job.ClearTaxonMap();
    EXPECT_TRUE(job.SaveResultsTo(link)) << (ui.messages.empty() ? "" : ui.messages.back());
}

// A symbolic link chosen as the target stays a link, and the file it leads to gets the
// new results (not a stale copy beside a link replaced by a plain file).
TEST_P(SaveTarget, ALinkedTargetGetsTheResultsAndStaysALink)
{
    fs::create_directory(dir.file("kept"));
    const std::string real = dir.file(std::string("kept/results") + GetParam());
    writeFile(real, "the previous results");
    const std::string link = dir.file(std::string("latest") + GetParam());
    fs::create_symlink(std::string("kept/results") + GetParam(), link);
    ASSERT_TRUE(job.SaveResultsTo(link)) << (ui.messages.empty() ? "" : ui.messages[0]);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(readFile(real), "the previous results");
    EXPECT_EQ(folderEntries(dir.file("kept")), std::vector<std::string>{fs::path(real).filename().string()});
}

// A name as long as the folder allows: the temporary file's name still fits.
TEST_P(SaveTarget, ANameOfTheLongestLengthSaves)
{
    const long nameMax = ::pathconf(dir.path().c_str(), _PC_NAME_MAX);
    const std::string suffix = GetParam();
    for (long length : {250L, nameMax}) {
        const std::string name = std::string(static_cast<std::size_t>(length) - suffix.size(), 'r') + suffix;
        ASSERT_TRUE(job.SaveResultsTo(dir.file(name))) << length << ": " << (ui.messages.empty() ? "" : ui.messages[0]);
        EXPECT_GT(fs::file_size(dir.file(name)), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveTarget, ::testing::Values(".xlsx", ".xls"),
                         [](const auto& info) { return std::string(info.param + 1); });

TEST(SaveBeforeAnalysis, IsRefusedWithoutAskingForAFile)
{
    TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    job.analysed = false;
    job.analysis.results.reset();
    // No file choice is scripted: asking for one would fail the test.
    EXPECT_FALSE(job.SaveResults());
    EXPECT_FALSE(job.SaveResultsTo(dir.file("r.xlsx")));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"No results to save: analyse the job first.",
                                                     "No results to save: analyse the job first."}));
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(SaveBeforeAnalysis, CancelledFileChoiceWritesNothing)
{
    TempDir dir;
    ScriptedUser ui;
    Job job(nullptr, ui);
    results_jobs::fillRiverJob(job);
    ui.resultsFiles.push_back(std::nullopt);
    EXPECT_FALSE(job.SaveResults());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(job.modified);
}

}  // namespace
