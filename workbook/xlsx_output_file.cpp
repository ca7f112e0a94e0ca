#include "workbook/xlsx_output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace wb::xlsx {

OutputFile::OutputFile(const std::string& target) : target_(target) {}

OutputFile::~OutputFile()
{
    if (!temporary_.empty() && !committed_)
        std::remove(temporary_.c_str());
}

bool OutputFile::create(std::string& error)
{
    namespace fs = std::filesystem;
    fs::path target(target_);
    if (target.filename().empty()) {
        error = "cannot write \"" + target_ + "\": not a file name";
        return false;
    }
    std::error_code ec;
    if (fs::is_directory(target, ec)) {
        error = "cannot write \"" + target_ + "\": it is a folder";
        return false;
    }
    fs::path folder = target.parent_path();
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 20; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp%08llx", static_cast<unsigned long long>(random() & 0xffffffffu));
        fs::path candidate = folder / ("." + target.filename().string() + suffix);
        // 0666 less the umask, the permissions a plain new file gets.
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            temporary_ = candidate.string();
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot write \"" + target_ + "\": " + std::strerror(errno);
            return false;
        }
    }
    error = "cannot write \"" + target_ + "\": no temporary file could be made beside it";
    return false;
}

bool OutputFile::commit(std::string& error)
{
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = "cannot write \"" + target_ + "\": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}

CLocaleScope::CLocaleScope() : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr)))
{
    if (c_)
        previous_ = uselocale(c_);
}

CLocaleScope::~CLocaleScope()
{
    if (c_) {
        uselocale(previous_);
        freelocale(c_);
    }
}

}  // namespace wb::xlsx
