#include "base/data_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/safe_file.h"

namespace torven {

namespace {

// Set by the build from the install folders (GNUInstallDirs): the data folder as seen
// from the programs' folder.
#ifndef TORVEN_DATA_FROM_PROGRAM
#define TORVEN_DATA_FROM_PROGRAM "../share/torven-ii"
#endif

const char* const kDataFolderName = "torven-ii";
const char* const kDatabaseFileName = "TORVENII.mdb";
const char* const kSettingsFileName = "settings";
const std::string kDatabaseKey = "reference-database=";

std::string fileNameOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string withTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// An XDG variable's folder: its value when that is an absolute path (a relative one is
// to be ignored), else HOME with the fallback below it.
std::string xdgFolder(const char* variable, const char* homeFallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return withTrailingSlash(value);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return withTrailingSlash(home) + homeFallback;
    return std::string();
}

std::vector<std::string> xdgDataDirs()
{
    const char* value = std::getenv("XDG_DATA_DIRS");
    std::string list = value && value[0] ? value : "/usr/local/share/:/usr/share/";
    std::vector<std::string> folders;
    std::stringstream stream(list);
    for (std::string folder; std::getline(stream, folder, ':');)
        if (!folder.empty() && folder[0] == '/')
            folders.push_back(withTrailingSlash(folder) + kDataFolderName + "/");
    return folders;
}

std::string installedFolder(const std::string& programDirectory)
{
    return withTrailingSlash(
        (std::filesystem::path(programDirectory) / TORVEN_DATA_FROM_PROGRAM).lexically_normal().string());
}

bool isRegularFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The first folder of the search's list holding the file; the first folder's path when none.
void searchFolders(DataFileSearch& search, const std::string& fileName)
{
    for (const std::string& folder : search.folders) {
        if (isRegularFile(folder + fileName)) {
            search.path = folder + fileName;
            search.found = true;
            return;
        }
    }
    search.path = (search.folders.empty() ? std::string() : search.folders.front()) + fileName;
}

void addFolder(std::vector<std::string>& folders, const std::string& folder)
{
    for (const std::string& known : folders)
        if (known == folder)
            return;
    folders.push_back(folder);
}

std::string settingsPath()
{
    const std::string folder = UserConfigFolder();
    return folder.empty() ? std::string() : folder + kSettingsFileName;
}

std::vector<std::string> settingsLines()
{
    std::vector<std::string> lines;
    const std::string path = settingsPath();
    if (path.empty())
        return lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace

std::string DataFileSearch::notFoundDetail() const
{
    if (found)
        return std::string();
    if (chosen)
        return path + ": not found (the reference database chosen in the settings)";
    std::string places;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (i > 0)
            places += " nor in ";
        places += folders[i].empty() ? std::string("the current folder") : folders[i];
    }
    return fileNameOf(path) + ": not found in " + places;
}

DataFileSearch FindDataFile(const std::string& programDirectory, const std::string& fileName)
{
    DataFileSearch search;
    search.folders.push_back(programDirectory);
    // Without the program's own folder there is nothing to be relative to.
    if (!programDirectory.empty())
        addFolder(search.folders, installedFolder(programDirectory));
    searchFolders(search, fileName);
    return search;
}

std::string UserDataFolder()
{
    const std::string base = xdgFolder("XDG_DATA_HOME", ".local/share/");
    return base.empty() ? base : base + kDataFolderName + "/";
}

std::string UserConfigFolder()
{
    const std::string base = xdgFolder("XDG_CONFIG_HOME", ".config/");
    return base.empty() ? base : base + kDataFolderName + "/";
}

DataFileSearch FindReferenceDatabase(const std::string& programDirectory)
{
    DataFileSearch search;
    const std::string chosen = ChosenReferenceDatabase();
    if (!chosen.empty()) {
        search.chosen = true;
        search.path = chosen;
        search.found = isRegularFile(chosen);
        return search;
    }
    const std::string userFolder = UserDataFolder();
    if (!userFolder.empty())
        addFolder(search.folders, userFolder);
    addFolder(search.folders, programDirectory);
    for (const std::string& folder : xdgDataDirs())
        addFolder(search.folders, folder);
    if (!programDirectory.empty())
        addFolder(search.folders, installedFolder(programDirectory));
    searchFolders(search, kDatabaseFileName);
    // Missing everywhere: the place beside the program stands for it, as it always has.
    if (!search.found)
        search.path = programDirectory + kDatabaseFileName;
    return search;
}

std::string ChosenReferenceDatabase()
{
    for (const std::string& line : settingsLines())
        if (line.starts_with(kDatabaseKey))
            return line.substr(kDatabaseKey.size());
    return std::string();
}

bool SaveChosenReferenceDatabase(const std::string& path, std::string& error)
{
    const std::string file = settingsPath();
    if (file.empty()) {
        error = "no folder for the settings (HOME is not set)";
        return false;
    }
    if (path.find('\n') != std::string::npos || path.find('\r') != std::string::npos) {
        error = "a file name with a line break cannot be remembered";
        return false;
    }
    std::string text;
    for (const std::string& line : settingsLines())
        if (!line.starts_with(kDatabaseKey))
            text += line + "\n";
    if (!path.empty())
        text += kDatabaseKey + path + "\n";
    std::error_code made;
    std::filesystem::create_directories(UserConfigFolder(), made);
    if (made) {
        error = made.message();
        return false;
    }
    return safefile::WriteFile(file, text, error);
}

}  // namespace torven
