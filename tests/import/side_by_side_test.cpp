// The workbooks of a job read side by side: the same samples and the same messages, in
// workbook order, as reading them one after another; what a reading one after another
// would not have reached (a workbook after the first that failed) says nothing; a stop
// asked for through the progress shows nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "import/pooled_samples.h"
#include "import/sample_import.h"
#include "import/side_by_side.h"
#include "tests/import/import_fixture.h"
#include "tests/support/scripted_user.h"
#include "tests/support/stand_in_tables.h"
#include "tests/support/temp_dir.h"

namespace {

using import_fixture::riversSheet;
using import_fixture::SheetSpec;
using testing_support::StandInTables;
using testing_support::TempDir;

// What a read gave and told: the samples (or none) and every message with its detail.
struct Reading {
    std::vector<std::optional<ImportedSamples>> parts;
    std::vector<std::string> messages;
    SideBySideOutcome outcome;
};

Reading readAll(const std::vector<std::string>& paths, unsigned threads)
{
    StandInTables tables;
    ScriptedUser user;
    // A sheet that does not pass a check is imported again from the loaded book, which
    // asks for the choice the options make.
    for (std::size_t i = 0; i < paths.size(); ++i)
        user.worksheetChoices.push_back(import_fixture::choose(5));
    std::vector<std::unique_ptr<WorkbookNamingUser>> naming;
    std::vector<UserInteraction*> users;
    for (const std::string& path : paths) {
        naming.push_back(std::make_unique<WorkbookNamingUser>(user, path));
        users.push_back(naming.back().get());
    }
    Reading reading;
    reading.parts.resize(paths.size());
    reading.outcome = ReadSideBySide(
        users,
        [&](std::size_t i, UserInteraction& asker, ReferenceSource& references) {
            reading.parts[i] = ImportPresetSamples(paths[i], {std::nullopt, 5, 3, familyRivers}, references, asker);
            return reading.parts[i].has_value();
        },
        tables, user, "Reading", threads);
    for (std::size_t m = 0; m < user.messages.size(); ++m)
        reading.messages.push_back(user.messages[m] + " | " + user.details[m]);
    return reading;
}

void expectSameSamples(const ImportedSamples& a, const ImportedSamples& b)
{
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.workbookSha256, b.workbookSha256);
    EXPECT_EQ(a.summary, b.summary);
    EXPECT_EQ(a.headerValues, b.headerValues);
    ASSERT_EQ(a.taxa.size(), b.taxa.size());
    for (std::size_t t = 0; t < a.taxa.size(); ++t)
        EXPECT_EQ(a.taxa[t].code + a.taxa[t].name, b.taxa[t].code + b.taxa[t].name);
    ASSERT_TRUE(a.counts && b.counts);
    ASSERT_EQ(a.counts->nRows(), b.counts->nRows());
    ASSERT_EQ(a.counts->nCols(), b.counts->nCols());
    for (int s = 0; s < a.counts->nRows(); ++s)
        for (int t = 0; t < a.counts->nCols(); ++t)
            EXPECT_EQ((*a.counts)(s, t), (*b.counts)(s, t));
}

// Workbook n of a job: two samples of its own names, and n more taxa than the first.
std::string labBook(const TempDir& dir, int n)
{
    SheetSpec sheet = riversSheet();
    sheet.text(1, 3, "L" + std::to_string(n) + "-1").text(1, 4, "L" + std::to_string(n) + "-2");
    for (int t = 0; t < n * 20; ++t)
        sheet.text(7 + t, 1, "NBN" + std::to_string(1000 + t)).number(7 + t, 3 + t % 2, t + n);
    return import_fixture::writeWorkbook(dir, "lab-" + std::to_string(n) + ".xlsx", {sheet});
}

}  // namespace

TEST(SideBySide, ReadsWhatOneAfterAnotherReads)
{
    TempDir dir;
    std::vector<std::string> paths;
    for (int n = 0; n < 6; ++n)
        paths.push_back(labBook(dir, n));
    const Reading one = readAll(paths, 1);
    ASSERT_TRUE(one.outcome.allRead(paths.size()));
    for (unsigned threads : {2u, 4u, 6u}) {
        const Reading several = readAll(paths, threads);
        ASSERT_TRUE(several.outcome.allRead(paths.size()));
        EXPECT_EQ(several.messages, one.messages);
        for (std::size_t i = 0; i < paths.size(); ++i)
            expectSameSamples(*several.parts[i], *one.parts[i]);
    }
    // And the pooled job: samples in workbook order.
    std::vector<ImportedSamples> parts;
    Reading several = readAll(paths, 4);
    for (auto& part : several.parts)
        parts.push_back(std::move(*part));
    ScriptedUser user;
    std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
    ASSERT_TRUE(pooled);
    ASSERT_EQ(pooled->sampleCount, 12);
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(pooled->headerValues[0][static_cast<std::size_t>(2 * n)], "L" + std::to_string(n) + "-1");
}

TEST(SideBySide, MessagesUpToTheFirstFailureInWorkbookOrder)
{
    TempDir dir;
    std::vector<std::string> paths;
    for (int n = 0; n < 6; ++n)
        paths.push_back(labBook(dir, n));
    // The third has too few header rows, the fifth is no workbook: one after another
    // would stop at the third, and so must side by side.
    SheetSpec shallow("Samples");
    shallow.text(1, 1, "Sample").text(1, 3, "X1").text(2, 1, "Site").text(5, 1, "NBN0001").number(5, 3, 1);
    paths[2] = import_fixture::writeWorkbook(dir, "shallow.xlsx", {shallow});
    paths[4] = dir.file("notes.xlsx");
    testing_support::writeFile(paths[4], "no workbook");

    const Reading one = readAll(paths, 1);
    EXPECT_EQ(one.outcome.firstFailed, 2u);
    ASSERT_FALSE(one.messages.empty());
    for (const std::string& message : one.messages)
        EXPECT_NE(message.find("shallow.xlsx"), std::string::npos) << message;
    for (unsigned threads : {2u, 6u}) {
        const Reading several = readAll(paths, threads);
        EXPECT_EQ(several.outcome.firstFailed, 2u);
        EXPECT_FALSE(several.outcome.stopped);
        EXPECT_EQ(several.messages, one.messages);
    }
}

// A user whose reads each tell two messages, the first workbooks slowest, so that the
// last finish first; the messages still come out in workbook order.
TEST(SideBySide, TheSlowFirstWorkbookStillSpeaksFirst)
{
    ScriptedUser user;
    StandInTables tables;
    std::vector<std::unique_ptr<WorkbookNamingUser>> naming;
    std::vector<UserInteraction*> users;
    for (int i = 0; i < 8; ++i) {
        naming.push_back(std::make_unique<WorkbookNamingUser>(user, "book-" + std::to_string(i)));
        users.push_back(naming.back().get());
    }
    std::mutex finishedMutex;
    std::vector<std::size_t> finished;
    const SideBySideOutcome outcome = ReadSideBySide(
        users,
        [&](std::size_t i, UserInteraction& asker, ReferenceSource&) {
            asker.showMessage("first of " + std::to_string(i));
            std::this_thread::sleep_for(std::chrono::milliseconds(5 * (8 - static_cast<int>(i))));
            asker.showMessage("second of " + std::to_string(i));
            const std::lock_guard<std::mutex> lock(finishedMutex);
            finished.push_back(i);
            return true;
        },
        tables, user, "Reading", 4);
    EXPECT_TRUE(outcome.allRead(8));
    ASSERT_EQ(user.messages.size(), 16u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(user.messages[2 * i], "first of " + std::to_string(i));
        EXPECT_EQ(user.messages[2 * i + 1], "second of " + std::to_string(i));
        EXPECT_EQ(user.details[2 * i], "book-" + std::to_string(i));
    }
    EXPECT_EQ(finished.size(), 8u);
}

namespace {

// Long work whose user presses Cancel as soon as it starts.
class StoppingUser : public ScriptedUser {
public:
    bool runLong(const std::string&, const std::function<void(WorkProgress&)>& work, bool) override
    {
        class Stopped : public WorkProgress {
        public:
            bool report(std::uint64_t, std::uint64_t) override { return false; }
        } stopped;
        work(stopped);
        return false;
    }
};

}  // namespace

TEST(SideBySide, CancelShowsNothing)
{
    TempDir dir;
    StoppingUser user;
    StandInTables tables;
    std::vector<std::string> paths;
    std::vector<UserInteraction*> users;
    for (int n = 0; n < 3; ++n) {
        paths.push_back(labBook(dir, n));
        users.push_back(&user);
    }
    std::vector<std::optional<ImportedSamples>> parts(paths.size());
    const SideBySideOutcome outcome = ReadSideBySide(
        users,
        [&](std::size_t i, UserInteraction& asker, ReferenceSource& references) {
            asker.showMessage("read " + std::to_string(i));
            parts[i] = ImportPresetSamples(paths[i], {std::nullopt, 5, 3, familyRivers}, references, asker);
            return parts[i].has_value();
        },
        tables, user, "Reading", 2);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(user.messages.empty());
}
