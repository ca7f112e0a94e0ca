// Where the programs find their data files: beside themselves, then in the installed data
// folder relative to them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "base/data_files.h"
#include "tests/support/temp_dir.h"

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// An installed tree: prefix/bin/ for the programs, prefix/share/torven-ii/ for the data.
class InstalledTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(root.path() / "bin");
        std::filesystem::create_directories(root.path() / "share" / "torven-ii");
    }
    std::string bin() const { return root.file("bin") + "/"; }
    std::string data() const { return root.file("share") + "/torven-ii/"; }

    TempDir root;
};

}  // namespace

TEST_F(InstalledTree, TheInstalledDataFolderWhenNothingIsBesideTheProgram)
{
    writeFile(data() + "TORVENII.mdb", "x");
    const torven::DataFileSearch search = torven::FindDataFile(bin(), "TORVENII.mdb");
    EXPECT_TRUE(search.found);
    // Written without the "bin/.." detour, as a message would show it.
    EXPECT_EQ(search.path, data() + "TORVENII.mdb");
    EXPECT_EQ(search.notFoundDetail(), "");
}

TEST_F(InstalledTree, AFileBesideTheProgramComesFirst)
{
    writeFile(data() + "TORVENII.mdb", "installed");
    writeFile(bin() + "TORVENII.mdb", "own");
    EXPECT_EQ(torven::FindDataFile(bin(), "TORVENII.mdb").path, bin() + "TORVENII.mdb");
    // A folder of that name is no file.
    std::filesystem::remove(bin() + "TORVENII.mdb");
    std::filesystem::create_directory(bin() + "TORVENII.mdb");
    EXPECT_EQ(torven::FindDataFile(bin(), "TORVENII.mdb").path, data() + "TORVENII.mdb");
}

TEST_F(InstalledTree, AMissingFileNamesBothFoldersAndStaysBesideTheProgram)
{
    const torven::DataFileSearch search = torven::FindDataFile(bin(), "TORVENII.pdf");
    EXPECT_FALSE(search.found);
    EXPECT_EQ(search.path, bin() + "TORVENII.pdf");
    EXPECT_EQ(search.folders, (std::vector<std::string>{bin(), data()}));
    EXPECT_EQ(search.notFoundDetail(), "TORVENII.pdf: not found in " + bin() + " nor in " + data());
}

TEST(DataFiles, WithoutTheProgramsFolderOnlyTheCurrentFolder)
{
    const torven::DataFileSearch search = torven::FindDataFile("", "no-such-file.mdb");
    EXPECT_EQ(search.path, "no-such-file.mdb");
    EXPECT_EQ(search.folders, (std::vector<std::string>{""}));
    EXPECT_EQ(search.notFoundDetail(), "no-such-file.mdb: not found in the current folder");
}

namespace {

// Sets environment variables for one test and puts back what was there.
class Environment {
public:
    void set(const char* name, const std::string& value)
    {
        remember(name);
        setenv(name, value.c_str(), 1);
    }
    void unset(const char* name)
    {
        remember(name);
        unsetenv(name);
    }
    ~Environment()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    void remember(const char* name)
    {
        for (const auto& entry : saved_)
            if (entry.first == name)
                return;
        const char* value = std::getenv(name);
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A user's home, a site-wide and a packaged data folder, and a program's folder.
class ReferenceSearch : public InstalledTree {
protected:
    void SetUp() override
    {
        InstalledTree::SetUp();
        environment.set("HOME", root.file("home"));
        environment.unset("XDG_DATA_HOME");
        environment.unset("XDG_CONFIG_HOME");
        environment.set("XDG_DATA_DIRS", root.file("site") + ":" + root.file("system") + "/");
    }
    std::string userFolder() const { return root.file("home") + "/.local/share/torven-ii/"; }
    std::string siteFolder() const { return root.file("site") + "/torven-ii/"; }
    std::string systemFolder() const { return root.file("system") + "/torven-ii/"; }
    void put(const std::string& folder)
    {
        std::filesystem::create_directories(folder);
        writeFile(folder + "TORVENII.mdb", folder);
    }

    Environment environment;
};

}  // namespace

TEST_F(ReferenceSearch, UserFolderThenBesideTheProgramThenEachDataDirThenTheInstalledFolder)
{
    const auto found = [this] { return torven::FindReferenceDatabase(bin()).path; };
    const std::vector<std::string> order = {userFolder(), bin(), siteFolder(), systemFolder(), data()};
    EXPECT_EQ(torven::FindReferenceDatabase(bin()).folders, order);
    // Put from the last place to the first: each newly put copy takes over.
    for (auto folder = order.rbegin(); folder != order.rend(); ++folder) {
        put(*folder);
        EXPECT_EQ(found(), *folder + "TORVENII.mdb");
    }
    // XDG_DATA_HOME moves the user's folder; a relative value is ignored, as the rules say.
    put(root.file("elsewhere") + "/torven-ii/");
    environment.set("XDG_DATA_HOME", root.file("elsewhere"));
    EXPECT_EQ(found(), root.file("elsewhere") + "/torven-ii/TORVENII.mdb");
    environment.set("XDG_DATA_HOME", "relative/path");
    EXPECT_EQ(found(), userFolder() + "TORVENII.mdb");
}

TEST_F(ReferenceSearch, NothingFoundNamesEveryFolderLookedIn)
{
    const torven::DataFileSearch search = torven::FindReferenceDatabase(bin());
    EXPECT_FALSE(search.found);
    EXPECT_EQ(search.path, bin() + "TORVENII.mdb");
    EXPECT_EQ(search.notFoundDetail(), "TORVENII.mdb: not found in " + userFolder() + " nor in " + bin() + " nor in " +
                                           siteFolder() + " nor in " + systemFolder() + " nor in " + data());
}

TEST_F(ReferenceSearch, TheChoiceInTheSettingsWinsAndIsNeverSilentlyReplaced)
{
    put(userFolder());
    put(bin());
    const std::string own = root.file("own.mdb");
    writeFile(own, "own");
    // Another program's line in the settings stays when the choice is written and forgotten.
    std::filesystem::create_directories(root.file("home") + "/.config/torven-ii");
    writeFile(root.file("home") + "/.config/torven-ii/settings", "other=kept\n");
    std::string error;
    ASSERT_TRUE(torven::SaveChosenReferenceDatabase(own, error)) << error;
    EXPECT_EQ(torven::ChosenReferenceDatabase(), own);
    EXPECT_EQ(torven::FindReferenceDatabase(bin()).path, own);

    // The chosen file gone: reported as missing, not replaced by the user folder's copy.
    std::filesystem::remove(own);
    const torven::DataFileSearch search = torven::FindReferenceDatabase(bin());
    EXPECT_FALSE(search.found);
    EXPECT_EQ(search.path, own);
    EXPECT_EQ(search.notFoundDetail(), own + ": not found (the reference database chosen in the settings)");

    ASSERT_TRUE(torven::SaveChosenReferenceDatabase("", error)) << error;
    EXPECT_EQ(torven::ChosenReferenceDatabase(), "");
    EXPECT_EQ(torven::FindReferenceDatabase(bin()).path, userFolder() + "TORVENII.mdb");
    std::ifstream settings(root.file("home") + "/.config/torven-ii/settings");
    std::string first;
    std::getline(settings, first);
    EXPECT_EQ(first, "other=kept");
    EXPECT_FALSE(torven::SaveChosenReferenceDatabase("a\nb.mdb", error));
}
