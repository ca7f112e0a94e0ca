#include "base/output_folder.h"

#include <filesystem>
#include <system_error>

bool CreateOutputFolder(const std::string& folder, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        error = "Cannot create the folder " + folder + (ec ? ": " + ec.message() : std::string(": not a folder"));
        return false;
    }
    return true;
}
