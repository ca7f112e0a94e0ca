#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The names in a folder, sorted: what a save left behind.
inline std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
