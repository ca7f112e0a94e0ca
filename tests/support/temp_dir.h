#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Runs a shell command; returns its exit status (-1 when it could not be run).
int runCommand(const std::string& command);
// Runs a shell command and returns what it wrote on standard output.
std::string commandOutput(const std::string& command, int* status = nullptr);
// Runs a Python script (text) with Debian's python3, which has openpyxl, xlrd and xlwt.
// Arguments are appended as they are; returns the exit status.
int runPython(const std::string& script, const std::string& arguments = "", std::string* output = nullptr);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// Quotes text for the shell.
std::string shellQuote(const std::string& text);

}  // namespace testing_support
