// Where the programs find their data files: beside themselves, then in the installed data
// folder relative to them.

#include <gtest/gtest.h>

#include <filesystem>

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
