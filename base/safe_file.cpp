#include "base/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <atomic>
#include <csignal>

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

// The path with the symbolic links of its last component followed (a link to a link
// and so on; a relative link is read from the link's folder). The folders on the way
// may be links too: the file lands in the folder they lead to either way.
bool followLinks(const std::string& path, std::string& resolved, std::string& error)
{
    namespace fs = std::filesystem;
    fs::path current(path);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = current.string();
            return true;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            error = reason(errno);
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        const fs::path next(link);
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    error = reason(ELOOP);
    return false;
}

std::uint32_t nameHash(const std::string& name)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : name)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

constexpr char kTemporaryMark[] = ".tmp";
constexpr std::size_t kRandomDigits = 8;

std::string randomSuffix()
{
    static thread_local std::mt19937_64 random(std::random_device{}());
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08llx", static_cast<unsigned long long>(random() & 0xffffffffu));
    return kTemporaryMark + std::string(suffix);
}

bool isTemporaryOf(const std::string& entry, const std::string& stem)
{
    const std::size_t mark = stem.size() + sizeof kTemporaryMark - 1;
    if (entry.size() != mark + kRandomDigits || entry.compare(0, stem.size(), stem) != 0
        || entry.compare(stem.size(), sizeof kTemporaryMark - 1, kTemporaryMark) != 0)
        return false;
    for (std::size_t i = mark; i < entry.size(); ++i) {
        const char c = entry[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::string TemporaryStem(const std::string& name, std::size_t nameMax)
{
    const std::size_t extra = 1 + (sizeof kTemporaryMark - 1) + kRandomDigits;
    if (name.size() + extra <= nameMax)
        return "." + name;
    // "~" and eight hex digits of the hash stand for what is cut off.
    const std::size_t hashed = 9;
    std::size_t keep = nameMax > extra + hashed ? nameMax - extra - hashed : 0;
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    char hash[16];
    std::snprintf(hash, sizeof hash, "~%08x", static_cast<unsigned>(nameHash(name)));
    return "." + name.substr(0, keep) + hash;
}

bool MayReplace(const std::string& target, std::string& error)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return true;  // nothing to replace
    if (S_ISDIR(st.st_mode)) {
        error = "it is a folder";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "it is not a regular file";
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

namespace {

struct ProtectedInput {
    dev_t device;
    ino_t inode;
    std::string role;
    const JobInputs* job;  // null for an input of the whole run
};

std::mutex protectedMutex;
std::vector<ProtectedInput> protectedInputs;

void protect(const std::string& path, const std::string& role, const JobInputs* job)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return;  // nothing there to overwrite
    const std::lock_guard lock(protectedMutex);
    protectedInputs.push_back({st.st_dev, st.st_ino, role, job});
}

}  // namespace

void ProtectInput(const std::string& path, const std::string& role)
{
    protect(path, role, nullptr);
}

void ClearProtectedInputs()
{
    const std::lock_guard lock(protectedMutex);
    protectedInputs.clear();
}

void JobInputs::add(const std::string& path, const std::string& role)
{
    protect(path, role, this);
}

JobInputs::~JobInputs()
{
    const std::lock_guard lock(protectedMutex);
    std::erase_if(protectedInputs, [this](const ProtectedInput& input) { return input.job == this; });
}

bool CheckTarget(const std::string& target, std::string& error)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return true;
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        error = "it is not a regular file";
        return false;
    }
    const std::lock_guard lock(protectedMutex);
    for (const ProtectedInput& input : protectedInputs) {
        if (input.device == st.st_dev && input.inode == st.st_ino) {
            error = "it is " + input.role + (input.job ? " this job reads" : " this run reads");
            return false;
        }
    }
    return true;
}

namespace {

// The signal guards' shared state. The handler touches only lock-free atomics, so it is
// safe wherever the signal lands; the actions are installed and restored under the mutex.
std::mutex guardMutex;
int guardCount = 0;  // under guardMutex
std::atomic<int> guardsActive{0};
std::atomic<int> pendingSignal{0};
struct sigaction previousInt {}, previousTerm {};

void holdSignal(int signal)
{
    if (guardsActive.load() > 0) {
        pendingSignal.store(signal);
        return;
    }
    // The last guard ended between the signal and this handler: act as if none had been.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

SignalGuard::SignalGuard()
{
    const std::lock_guard lock(guardMutex);
    if (guardCount++ == 0) {
        struct sigaction hold {};
        hold.sa_handler = holdSignal;
        sigemptyset(&hold.sa_mask);
        hold.sa_flags = SA_RESTART;
        guardsActive.store(1);
        ::sigaction(SIGINT, &hold, &previousInt);
        ::sigaction(SIGTERM, &hold, &previousTerm);
    }
}

SignalGuard::~SignalGuard()
{
    int signal = 0;
    {
        const std::lock_guard lock(guardMutex);
        if (--guardCount > 0)
            return;
        ::sigaction(SIGINT, &previousInt, nullptr);
        ::sigaction(SIGTERM, &previousTerm, nullptr);
        guardsActive.store(0);
        signal = pendingSignal.exchange(0);
    }
    // Delivered now to whatever would have met it (by default, the end of the process).
    if (signal != 0)
        ::raise(signal);
}

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {}

PendingFile::~PendingFile()
{
    if (!committed_ && !temporary_.empty() && folder_ >= 0)
        ::unlinkat(folder_, temporary_.c_str(), 0);
    if (fd_ >= 0)
        ::close(fd_);
    if (folder_ >= 0)
        ::close(folder_);
}

bool PendingFile::create(std::string& error)
{
    namespace fs = std::filesystem;
    const fs::path given(target_);
    if (given.filename().empty() || given.filename() == "." || given.filename() == "..") {
        error = "it is a folder";
        return false;
    }
    if (!followLinks(target_, resolved_, error) || !MayReplace(resolved_, error) || !CheckTarget(resolved_, error))
        return false;
    const fs::path target(resolved_);
    base_ = target.filename().string();
    struct stat existing {};
    const mode_t mode = ::stat(resolved_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : newFileMode();

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) {
        error = errno == ENOENT ? "the folder " + folder.string() + " does not exist" : reason(errno);
        return false;
    }
    // The file without a name; its name comes at commit. A lock on it (held until it is
    // renamed over the target) tells a later write's clean-up that it is being written.
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // Not supported by this system or file system: a named temporary file instead.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
            error = reason(errno);
            return false;
        }
    } else {
        openPath_ = "/proc/self/fd/" + std::to_string(fd_);
        struct stat proc {};
        if (::stat(openPath_.c_str(), &proc) != 0) {
            // Without /proc the file could not be given its name: a named one instead.
            ::close(fd_);
            fd_ = -1;
            openPath_.clear();
        } else if (::flock(fd_, LOCK_EX) != 0) {
            error = reason(errno);
            return false;
        }
    }
    if (fd_ < 0 && !createNamed(error))
        return false;
    if (::fchmod(fd_, mode) != 0) {
        error = reason(errno);
        return false;
    }
    return true;
}

bool PendingFile::createNamed(std::string& error)
{
    const long nameMax = ::fpathconf(folder_, _PC_NAME_MAX);
    const std::string stem = TemporaryStem(base_, nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX);
    guard_ = std::make_unique<SignalGuard>();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = stem + randomSuffix();
        const int fd = ::openat(folder_, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error = reason(errno);
            return false;
        }
        // Locked, then checked to be still there: another write's clean-up may have taken
        // it for a leftover in the moment between its creation and the lock.
        struct stat opened {}, named {};
        if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &opened) != 0) {
            error = reason(errno);
            ::close(fd);
            ::unlinkat(folder_, candidate.c_str(), 0);
            return false;
        }
        if (::fstatat(folder_, candidate.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_ino != opened.st_ino
            || named.st_dev != opened.st_dev) {
            ::close(fd);
            continue;
        }
        fd_ = fd;
        temporary_ = candidate;
        const std::filesystem::path folder = std::filesystem::path(resolved_).has_parent_path()
            ? std::filesystem::path(resolved_).parent_path()
            : std::filesystem::path(".");
        openPath_ = (folder / candidate).string();
        return true;
    }
    error = reason(EEXIST);
    return false;
}

bool PendingFile::write(const void* data, std::size_t size, std::string& error)
{
    if (fd_ < 0) {
        error = reason(EBADF);
        return false;
    }
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

bool PendingFile::flush(std::string& error)
{
    if (fd_ < 0) {
        error = reason(EBADF);
        return false;
    }
    if (!flushed_ && ::fsync(fd_) != 0) {
        error = reason(errno);
        return false;
    }
    flushed_ = true;
    return true;
}

// The unnamed file gets a temporary name beside the target, for the rename.
bool PendingFile::nameTemporary(std::string& error)
{
    const long nameMax = ::fpathconf(folder_, _PC_NAME_MAX);
    const std::string stem = TemporaryStem(base_, nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX);
    // From the link to the rename the file has a name: a stop by SIGINT or SIGTERM waits
    // until it has its final one, or until the destructor has removed it.
    guard_ = std::make_unique<SignalGuard>();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = stem + randomSuffix();
        if (::linkat(AT_FDCWD, openPath_.c_str(), folder_, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = candidate;
            return true;
        }
        if (errno != EEXIST) {
            error = reason(errno);
            return false;
        }
    }
    error = reason(EEXIST);
    return false;
}

bool PendingFile::commit(std::string& error)
{
    // The descriptor is open on the temporary file whoever wrote it (a library that
    // writes by name writes the same file), so syncing it syncs what was written.
    if (fd_ < 0) {
        error = reason(EBADF);
        return false;
    }
    if (!flush(error))
        return false;
    if (temporary_.empty() && !nameTemporary(error))
        return false;
    if (::renameat(folder_, temporary_.c_str(), folder_, base_.c_str()) != 0) {
        error = reason(errno);
        return false;
    }
    committed_ = true;
    guard_.reset();
    // The lock goes with the last descriptor, once the file has its final name.
    const int closed = ::close(fd_);
    fd_ = -1;
    // The rename itself reaches the disk with the folder's next sync; ask for it now.
    // A folder that cannot be synced leaves the file complete either way.
    ::fsync(folder_);
    if (closed != 0 && errno != EINTR) {
        error = reason(errno);
        return false;
    }
    removeLeftovers();
    return true;
}

// Removes the temporary files of earlier writes to this target that nobody holds: they
// were left by a process that died while writing.
void PendingFile::removeLeftovers() const
{
    const long nameMax = ::fpathconf(folder_, _PC_NAME_MAX);
    const std::string stem = TemporaryStem(base_, nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX);
    const int listing = ::openat(folder_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(listing));
    if (!dir) {
        ::close(listing);
        return;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (isTemporaryOf(entry->d_name, stem))
            leftovers.emplace_back(entry->d_name);
    }
    for (const std::string& name : leftovers) {
        const int fd = ::openat(folder_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {}, named {};
        // Held by a write still going: its lock is taken. Else the name must still lead
        // to the file locked (not a new file another write made under that name since).
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)
            && ::fstatat(folder_, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == opened.st_ino
            && named.st_dev == opened.st_dev)
            ::unlinkat(folder_, name.c_str(), 0);
        ::close(fd);
    }
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

bool WriteFiles(const std::vector<std::pair<std::string, std::string_view>>& files, std::vector<std::string>& written,
                std::string& error)
{
    written.clear();
    std::vector<std::unique_ptr<PendingFile>> pending;
    for (const auto& [target, bytes] : files) {
        pending.push_back(std::make_unique<PendingFile>(target));
        if (!pending.back()->create(error) || !pending.back()->write(bytes, error)) {
            error = target + ": " + error;
            return false;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!pending[i]->flush(error)) {
            error = files[i].first + ": " + error;
            return false;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!pending[i]->commit(error)) {
            error = files[i].first + ": " + error;
            return false;
        }
        written.push_back(files[i].first);
    }
    return true;
}

}  // namespace safefile

namespace safefile {

namespace {

// The names in an open folder, "." and ".." left out.
std::vector<std::string> folderEntries(int folder)
{
    std::vector<std::string> names;
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return names;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(listing));
    if (!dir) {
        ::close(listing);
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

struct FdCloser {
    int fd = -1;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Empties a folder that held a set beside the target (the old one after the exchange, or
// one a killed run left): the set's files go; a link of a file the target also holds
// goes; anything else (a subfolder, a file made meanwhile) moves into the target, unless
// the target has another file of that name, when it stays. Then the folder itself goes,
// if empty.
void retireSetFolder(int parent, const std::string& name, int target,
                     const std::function<bool(const std::string&)>& belongs)
{
    FdCloser old{::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    if (old.fd < 0)
        return;
    for (const std::string& entry : folderEntries(old.fd)) {
        struct stat here {}, there {};
        if (::fstatat(old.fd, entry.c_str(), &here, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool inTarget = ::fstatat(target, entry.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0;
        if ((belongs(entry) && !S_ISDIR(here.st_mode))
            || (inTarget && here.st_dev == there.st_dev && here.st_ino == there.st_ino))
            ::unlinkat(old.fd, entry.c_str(), 0);
        else if (!inTarget)
            ::renameat(old.fd, entry.c_str(), target, entry.c_str());
    }
    ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

bool writeInto(int folder, const std::string& name, std::string_view bytes, mode_t mode, std::string& error)
{
    FdCloser file{::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (file.fd < 0 || ::fchmod(file.fd, mode) != 0) {
        error = reason(errno);
        return false;
    }
    const char* p = bytes.data();
    std::size_t size = bytes.size();
    while (size > 0) {
        const ssize_t n = ::write(file.fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = reason(n < 0 ? errno : EIO);
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    if (::fsync(file.fd) != 0) {
        error = reason(errno);
        return false;
    }
    return true;
}

bool writeOneByOne(const std::string& folder, const std::vector<std::pair<std::string, std::string_view>>& files,
                   std::string& error)
{
    std::vector<std::pair<std::string, std::string_view>> paths;
    for (const auto& [name, bytes] : files)
        paths.emplace_back((std::filesystem::path(folder) / name).string(), bytes);
    std::vector<std::string> written;
    return WriteFiles(paths, written, error);
}

}  // namespace

bool ReplaceFileSet(const std::string& folder, const std::vector<std::pair<std::string, std::string_view>>& files,
                    const std::function<bool(const std::string&)>& belongs, std::string& error)
{
    namespace fs = std::filesystem;
    for (const auto& [name, bytes] : files) {
        const std::string target = (fs::path(folder) / name).string();
        if (!MayReplace(target, error) || !CheckTarget(target, error)) {
            error = target + ": " + error;
            return false;
        }
    }
    std::error_code ec;
    const fs::path resolved = fs::canonical(folder, ec);
    if (ec) {
        error = folder + ": " + ec.message();
        return false;
    }
    struct stat targetStat {}, cwdStat {};
    if (::stat(resolved.c_str(), &targetStat) != 0 || !S_ISDIR(targetStat.st_mode)) {
        error = folder + ": it is not a folder";
        return false;
    }
    // The working folder (or the root) cannot be exchanged without leaving this process,
    // and the shell that started it, in a folder that is then removed.
    if (resolved == resolved.root_path()
        || (::stat(".", &cwdStat) == 0 && cwdStat.st_dev == targetStat.st_dev && cwdStat.st_ino == targetStat.st_ino))
        return writeOneByOne(folder, files, error);

    const std::string base = resolved.filename().string();
    FdCloser parent{::open(resolved.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    FdCloser target{::open(resolved.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (target.fd < 0) {
        error = folder + ": " + reason(errno);
        return false;
    }
    // The new folder goes beside the target: a parent folder the user may not read or
    // write leaves the files to be replaced one by one.
    if (parent.fd < 0 || ::faccessat(parent.fd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return writeOneByOne(folder, files, error);
    if (::flock(parent.fd, LOCK_EX) != 0) {
        error = folder + ": " + reason(errno);
        return false;
    }
    const SignalGuard guard;
    const long nameMax = ::fpathconf(parent.fd, _PC_NAME_MAX);
    const std::string stem = TemporaryStem(base, nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX);
    // Left by a run that was killed: nobody else replaces this folder while the lock is held.
    for (const std::string& entry : folderEntries(parent.fd)) {
        if (isTemporaryOf(entry, stem))
            retireSetFolder(parent.fd, entry, target.fd, belongs);
    }

    std::string fresh;
    for (int attempt = 0; attempt < 100 && fresh.empty(); ++attempt) {
        const std::string candidate = stem + randomSuffix();
        if (::mkdirat(parent.fd, candidate.c_str(), 0700) == 0)
            fresh = candidate;
        else if (errno != EEXIST) {
            error = folder + ": " + reason(errno);
            return false;
        }
    }
    if (fresh.empty()) {
        error = folder + ": " + reason(EEXIST);
        return false;
    }
    FdCloser created{::openat(parent.fd, fresh.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    const auto abandon = [&](const std::string& why) {
        error = why;
        if (created.fd >= 0)
            retireSetFolder(parent.fd, fresh, target.fd, [](const std::string&) { return true; });
        return false;
    };
    if (created.fd < 0)
        return abandon(folder + ": " + reason(errno));
    ::fchmod(created.fd, targetStat.st_mode & 07777);

    const auto inNewSet = [&files](const std::string& name) {
        for (const auto& file : files)
            if (file.first == name)
                return true;
        return false;
    };
    for (const std::string& entry : folderEntries(target.fd)) {
        if (belongs(entry) || inNewSet(entry))
            continue;
        // A link of the entry itself (a symbolic link stays one). A subfolder cannot be
        // linked, nor can an entry on another device: those move across after the exchange.
        if (::linkat(target.fd, entry.c_str(), created.fd, entry.c_str(), 0) != 0)
            continue;
    }
    for (const auto& [name, bytes] : files) {
        struct stat old {};
        const mode_t mode =
            ::fstatat(target.fd, name.c_str(), &old, 0) == 0 ? (old.st_mode & 07777) : newFileMode();
        std::string why;
        if (!writeInto(created.fd, name, bytes, mode, why))
            return abandon((fs::path(folder) / name).string() + ": " + why);
    }
    if (::fsync(created.fd) != 0)
        return abandon(folder + ": " + reason(errno));

    if (::renameat2(parent.fd, fresh.c_str(), parent.fd, base.c_str(), RENAME_EXCHANGE) != 0) {
        const int code = errno;
        abandon(folder + ": " + reason(code));
        if (code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == EXDEV || code == EBUSY)
            return writeOneByOne(folder, files, error);
        return false;
    }
    ::fsync(parent.fd);
    // The target's name now leads to the new folder, and `target` is open on the old one,
    // which bears the temporary name.
    FdCloser now{::openat(parent.fd, base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    if (now.fd >= 0) {
        retireSetFolder(parent.fd, fresh, now.fd, belongs);
        ::fsync(now.fd);
    }
    ::fsync(parent.fd);
    return true;
}

}  // namespace safefile
