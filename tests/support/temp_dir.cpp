#include "tests/support/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace testing_support {

TempDir::TempDir()
{
    std::random_device rd;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / ("torven-test-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // A test may have made a folder unwritable; give the permission back before removing.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

static int exitStatus(int raw)
{
    if (raw == -1)
        return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

int runCommand(const std::string& command)
{
    return exitStatus(std::system(command.c_str()));
}

std::string commandOutput(const std::string& command, int* status)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return out;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int raw = pclose(pipe);
    if (status)
        *status = exitStatus(raw);
    return out;
}

std::string shellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

int runPython(const std::string& script, const std::string& arguments, std::string* output)
{
    TempDir dir;
    std::string scriptPath = dir.file("fixture.py");
    writeFile(scriptPath, script);
    std::string command = std::string(TORVEN_PYTHON) + " " + shellQuote(scriptPath) + " " + arguments;
    int status = 0;
    std::string out = commandOutput(command, &status);
    if (output)
        *output = out;
    return status;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testing_support
