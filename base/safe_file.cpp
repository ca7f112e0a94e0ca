#include "base/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace safefile {

namespace {

std::string reason(int code)
{
    return std::strerror(code);
}

// The permissions a plain create gives a new file: 0666 less the umask.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool flushAndClose(int& fd, std::string& error)
{
    if (::fsync(fd) != 0) {
        error = reason(errno);
        ::close(fd);
        fd = -1;
        return false;
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) {
        error = reason(errno);
        return false;
    }
    return true;
}

}  // namespace

bool MayReplace(const std::string& target, std::string& error)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return true;  // nothing to replace
    if (S_ISDIR(st.st_mode)) {
        error = "it is a folder";
        return false;
    }
    // Root may write anything, so access() alone would let root replace a file that its
    // owner made read-only on purpose; the permission bits say what was meant.
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
        error = reason(EACCES);
        return false;
    }
    return true;
}

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {}

PendingFile::~PendingFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporary_.empty() && !committed_)
        ::unlink(temporary_.c_str());
}

bool PendingFile::create(std::string& error)
{
    namespace fs = std::filesystem;
    const fs::path target(target_);
    if (target.filename().empty() || target.filename() == "." || target.filename() == "..") {
        error = "it is a folder";
        return false;
    }
    if (!MayReplace(target_, error))
        return false;
    struct stat existing {};
    const mode_t mode = ::stat(target_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : newFileMode();

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp%08llx", static_cast<unsigned long long>(random() & 0xffffffffu));
        const fs::path candidate = folder / ("." + target.filename().string() + suffix);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error = errno == ENOENT ? "the folder " + folder.string() + " does not exist" : reason(errno);
            return false;
        }
        fd_ = fd;
        temporary_ = candidate.string();
        if (::fchmod(fd_, mode) != 0) {
            error = reason(errno);
            return false;
        }
        return true;
    }
    error = reason(EEXIST);
    return false;
}

bool PendingFile::write(const void* data, std::size_t size, std::string& error)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = reason(n < 0 ? errno : EIO);
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool PendingFile::commit(std::string& error)
{
    if (temporary_.empty()) {
        error = reason(EBADF);
        return false;
    }
    // The descriptor is open on the temporary file whoever wrote it (a library that
    // writes by name writes the same file), so syncing it syncs what was written.
    if (fd_ < 0) {
        error = reason(EBADF);
        return false;
    }
    if (!flushAndClose(fd_, error))
        return false;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = reason(errno);
        return false;
    }
    committed_ = true;
    // The rename itself reaches the disk with the folder's next sync; ask for it now.
    // A folder that cannot be synced leaves the file complete either way.
    const std::filesystem::path target(target_);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    struct stat first {}, second {};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    std::error_code ec1, ec2;
    const std::filesystem::path x = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ec1), ec1);
    const std::filesystem::path y = std::filesystem::weakly_canonical(std::filesystem::absolute(b, ec2), ec2);
    return !ec1 && !ec2 && x == y;
}

bool WriteFile(const std::string& target, std::string_view bytes, std::string& error)
{
    PendingFile file(target);
    return file.create(error) && file.write(bytes, error) && file.commit(error);
}

}  // namespace safefile
