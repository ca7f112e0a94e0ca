#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Writing a file so that it is either wholly there or not changed at all: the bytes go to
// a new file in the target's folder, which is flushed to disk and renamed over the target
// only when complete. Every failure leaves an existing target byte for byte as it was.
//
// Where the system allows it (Linux, O_TMPFILE) the new file has no name until it is
// complete, so a process killed while writing leaves nothing in the folder. Elsewhere it
// is a hidden file beside the target (".<name>.tmp<8 hex digits>", the name shortened and
// a hash of it added when that would be longer than the folder allows), which a failed
// write removes; one left by a process that was killed is removed by the next successful
// write to the same target. Each write holds a lock on its own temporary file while it
// exists, and only files that nobody holds are removed, so a write that is still going
// keeps its file.
//
// A target that is a symbolic link stays one: the file it leads to is the one replaced.
//
// A target that exists without write permission is refused ("Permission denied") rather
// than replaced: renaming over it would silently undo what its owner meant. A replaced
// file keeps its permission bits; a new one gets those a plain create would give it.
//
// Errors are the reason alone, the system's where it has one ("Permission denied", "File
// too large", "No space left on device", "it is a folder", "the folder ... does not
// exist"); the caller says which file and what for.
namespace safefile {

class SignalGuard;

class PendingFile {
public:
    explicit PendingFile(std::string target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Makes the temporary file, open for write(). False with the reason when the target
    // may not be replaced or its folder takes no new file.
    bool create(std::string& error);
    // A name of the temporary file, for a library that opens the file itself by name (it
    // should open it without changing its permissions): /proc/self/fd/N for a file without
    // a name of its own.
    const std::string& temporaryPath() const { return openPath_; }

    bool write(const void* data, std::size_t size, std::string& error);
    bool write(std::string_view bytes, std::string& error) { return write(bytes.data(), bytes.size(), error); }

    // Flushes what was written to disk (commit does it too, if not done).
    bool flush(std::string& error);
    // Flushes the temporary file to disk and puts it in the target's place; then removes
    // the temporary files that earlier writes to the target left behind.
    bool commit(std::string& error);

private:
    bool createNamed(std::string& error);
    bool nameTemporary(std::string& error);
    void removeLeftovers() const;

    std::string target_;    // as given
    std::string resolved_;  // the file replaced: the target with its symbolic links followed
    std::string base_;      // resolved_'s name within its folder
    std::string temporary_; // the temporary file's name in the folder, once it has one
    std::string openPath_;
    std::unique_ptr<SignalGuard> guard_;  // while the temporary has a name
    int fd_ = -1;
    int folder_ = -1;
    bool flushed_ = false;
    bool committed_ = false;
};

// The whole file at once.
bool WriteFile(const std::string& target, std::string_view bytes, std::string& error);

// Several files, all or none as far as the system allows: every file is written and
// flushed before any replaces its target, so a full disk or a refused target changes
// nothing. A failure while the finished files are put in place (rare: the folder
// changed meanwhile) leaves those before it replaced; `written` names the targets
// replaced either way.
bool WriteFiles(const std::vector<std::pair<std::string, std::string_view>>& files, std::vector<std::string>& written,
                std::string& error);

// Replaces, in folder (which exists), the set of files that belongs(name) calls the set's
// by files (names within folder, and their bytes), at once: a reader of the folder sees
// the old set or the new one, never a mix, and concurrent replacements of one folder end
// with one of them whole. Files of the old set that the new one lacks go with it.
//
// How: the new set is written into a new folder beside the target (".<name>.tmp<8 hex
// digits>", the name of a temporary file), and everything else the folder holds is kept by
// a hard link in the new folder (the user's own files, the same files, not copies); the
// two folders are then exchanged in one step (renameat2, RENAME_EXCHANGE). What could not
// be linked (a subfolder) and what appeared in the old folder meanwhile is moved across
// after the exchange, and the old folder, emptied, is removed. Replacements of folders
// of one parent folder take turns (a lock on the parent). A folder left by a run that was
// killed is sorted the same way and removed at the next replacement; SIGINT and SIGTERM
// wait until the temporary folder is gone. The new folder gets the old one's permission
// bits, not its owner, extended attributes or ACLs.
//
// Where the exchange is not possible (a file system without it, the current working
// folder, a mount point, a parent folder the user may not write) the files are written
// one by one as WriteFiles does.
//
// A target that CheckTarget refuses stops the replacement before anything is written.
// False with "<file>: <reason>".
bool ReplaceFileSet(const std::string& folder, const std::vector<std::pair<std::string, std::string_view>>& files,
                    const std::function<bool(const std::string&)>& belongs, std::string& error);

// Whether an existing file may be replaced: false (with "Permission denied") for one the
// user may not write, or one without any write permission bit, even for root; false (with
// "it is not a regular file") for a FIFO, a device or a socket, which a save would turn
// into a plain file (as root, /dev/null itself).
bool MayReplace(const std::string& target, std::string& error);

// The files this process reads as its inputs (a sample workbook, a reference database, a
// taxon map, a CSV source): a write to one of them, however the target is spelled (another
// name, a link), is refused by every save of this module, with "it is <role> this run
// reads". role says what the file is to the user ("the reference database").
void ProtectInput(const std::string& path, const std::string& role);
// Forgets every protected input (a test's or a new job's start).
void ClearProtectedInputs();

// The inputs of one job, protected as ProtectInput protects a run's for as long as this
// lives, with "it is <role> this job reads". The desktop program and the library keep a
// job open across saves, and the user may change its files meanwhile: they protect the
// job's inputs around each save, so that the files then at the inputs' names are the
// ones protected, and nothing stays protected once the job is gone.
class JobInputs {
public:
    JobInputs() = default;
    ~JobInputs();
    JobInputs(const JobInputs&) = delete;
    JobInputs& operator=(const JobInputs&) = delete;

    // Protects the file at path (nothing when there is none) as `role` ("the taxon map").
    void add(const std::string& path, const std::string& role);
};

// Whether target is neither a FIFO, device or socket nor a protected input: a target a run
// must refuse before writing anything (a folder or a read-only file is left to the save,
// which refuses it with its reason). False with the reason alone; every save checks again.
bool CheckTarget(const std::string& target, std::string& error);

// Holds back SIGINT and SIGTERM while a named temporary exists, so that a run stopped by
// either removes it first: a signal that arrives meanwhile is raised again, with the
// handler it would have met, once the last guard ends. Guards may nest and live on any
// thread.
class SignalGuard {
public:
    SignalGuard();
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;
};

// Whether two paths name the same file, however each is spelled ("./a.xlsx", "dir/../a.xlsx",
// a symbolic link, another hard link): the same device and inode when both exist, else
// the same absolute path once "." and ".." and symbolic links are resolved.
bool SameFile(const std::string& a, const std::string& b);

// The temporary name's stem for a target named `name` in a folder whose names may be
// `nameMax` bytes long: ".<name>", or the name shortened (at a character's start) with a
// hash of the whole name, so that the temporary name fits. For the tests.
std::string TemporaryStem(const std::string& name, std::size_t nameMax);

}  // namespace safefile
