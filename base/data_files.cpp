#include "base/data_files.h"

#include <filesystem>
#include <system_error>

namespace torven {

namespace {

// Set by the build from the install folders (GNUInstallDirs): the data folder as seen
// from the programs' folder.
#ifndef TORVEN_DATA_FROM_PROGRAM
#define TORVEN_DATA_FROM_PROGRAM "../share/torven-ii"
#endif

std::string fileNameOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

}  // namespace

std::string DataFileSearch::notFoundDetail() const
{
    if (found)
        return std::string();
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
    if (!programDirectory.empty()) {
        std::filesystem::path installed =
            (std::filesystem::path(programDirectory) / TORVEN_DATA_FROM_PROGRAM).lexically_normal();
        std::string folder = installed.string();
        if (folder.empty() || folder.back() != '/')
            folder += '/';
        search.folders.push_back(folder);
    }
    for (const std::string& folder : search.folders) {
        std::error_code error;
        if (std::filesystem::is_regular_file(folder + fileName, error)) {
            search.path = folder + fileName;
            search.found = true;
            return search;
        }
    }
    search.path = programDirectory + fileName;
    return search;
}

}  // namespace torven
