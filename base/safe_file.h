#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Writing a file so that it is either wholly there or not changed at all: the bytes go to
// a new file under a temporary name in the target's folder, which is flushed to disk and
// renamed over the target only when complete. Every failure removes the temporary file
// and leaves an existing target byte for byte as it was.
//
// A target that exists without write permission is refused ("Permission denied") rather
// than replaced: renaming over it would silently undo what its owner meant. A replaced
// file keeps its permission bits; a new one gets those a plain create would give it.
//
// Errors are the reason alone ("Permission denied", "File too large", "it is a folder",
// "the folder ... does not exist"); the caller says which file and what for.
namespace safefile {

class PendingFile {
public:
    explicit PendingFile(std::string target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Makes the temporary file, open for write(). False with the reason when the target
    // may not be replaced or its folder takes no new file.
    bool create(std::string& error);
    // The temporary file's name, for a library that writes the file itself by name (it
    // should open it without changing its permissions).
    const std::string& temporaryPath() const { return temporary_; }

    bool write(const void* data, std::size_t size, std::string& error);
    bool write(std::string_view bytes, std::string& error) { return write(bytes.data(), bytes.size(), error); }

    // Flushes the temporary file to disk and renames it over the target.
    bool commit(std::string& error);

private:
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

// The whole file at once.
bool WriteFile(const std::string& target, std::string_view bytes, std::string& error);

// Whether an existing file may be replaced: false (with "Permission denied") for one the
// user may not write, or one without any write permission bit, even for root.
bool MayReplace(const std::string& target, std::string& error);

// Whether two paths name the same file, however each is spelled ("./a.xlsx", "dir/../a.xlsx",
// a symbolic link, another hard link): the same device and inode when both exist, else
// the same absolute path once "." and ".." and symbolic links are resolved.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace safefile
