#include "workbook/xlsx/zip.h"

#include "base/ascii_case.h"

#include <unzip.h>

#include <cstring>
#include <fstream>
#include <vector>

namespace wb::xlsx {

namespace {

constexpr std::size_t kChunkBytes = 256 * 1024;

// The first bytes of an OLE compound file: an .xls workbook, or an .xlsx that was
// saved with a password (which Office wraps in such a container).
bool looksLikeCompoundFile(const std::string& path)
{
    static const unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::ifstream in(path, std::ios::binary);
    char head[8] = {};
    if (!in.read(head, sizeof head))
        return false;
    return std::memcmp(head, kMagic, sizeof kMagic) == 0;
}

// Closes the entry opened by unzOpenCurrentFile on every path out of read().
class OpenEntry {
public:
    explicit OpenEntry(unzFile unz) : unz_(unz) {}
    ~OpenEntry()
    {
        if (unz_)
            unzCloseCurrentFile(unz_);
    }
    // Closes now and says whether the checksum matched (only meaningful after reading it all).
    bool close()
    {
        int rc = unzCloseCurrentFile(unz_);
        unz_ = nullptr;
        return rc == UNZ_OK;
    }
    OpenEntry(const OpenEntry&) = delete;
    OpenEntry& operator=(const OpenEntry&) = delete;

private:
    unzFile unz_;
};

}  // namespace

ZipArchive::~ZipArchive()
{
    if (unz_)
        unzClose(static_cast<unzFile>(unz_));
}

std::string ZipArchive::normalise(const std::string& partName)
{
    std::string name;
    name.reserve(partName.size());
    for (char c : partName) {
        name.push_back(c == '\\' ? '/' : foldAscii(c));
    }
    std::size_t start = name.find_first_not_of('/');
    return start == std::string::npos ? std::string() : name.substr(start);
}

bool ZipArchive::open(const std::string& path, std::string& error)
{
    unzFile unz = unzOpen64(path.c_str());
    if (!unz) {
        std::ifstream probe(path, std::ios::binary);
        if (!probe)
            error = "the file cannot be opened";
        else if (looksLikeCompoundFile(path))
            error = "the file is not an .xlsx workbook (it is an .xls workbook or a password-protected file)";
        else
            error = "the file is not an .xlsx workbook (not a zip archive, or a damaged one)";
        return false;
    }
    unz_ = unz;

    int rc = unzGoToFirstFile(unz);
    while (rc == UNZ_OK) {
        if (entries_.size() >= kMaxEntries) {
            error = "the file is damaged (too many entries in its zip directory)";
            return false;
        }
        char name[1024];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(unz, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
            error = "the file is damaged (unreadable zip directory)";
            return false;
        }
        unz64_file_pos pos;
        if (unzGetFilePos64(unz, &pos) != UNZ_OK) {
            error = "the file is damaged (unreadable zip directory)";
            return false;
        }
        // A name longer than the buffer comes back cut; such a part is not one we look for.
        // Two entries of one name (part names are compared without case) leave it open
        // which one a program reads: such a package is damaged, not resolved silently.
        if (info.size_filename < sizeof name
            && !entries_.emplace(normalise(name), Entry{pos.pos_in_zip_directory, pos.num_of_file,
                                                        info.compressed_size, info.uncompressed_size})
                    .second) {
            error = "the file is damaged (two zip entries named " + std::string(name) + ")";
            return false;
        }
        rc = unzGoToNextFile(unz);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        error = "the file is damaged (unreadable zip directory)";
        return false;
    }
    return true;
}

std::uint64_t ZipArchive::storedBytes(const std::string& partName) const
{
    auto found = entries_.find(normalise(partName));
    return found == entries_.end() ? 0 : found->second.storedBytes;
}

std::uint64_t ZipArchive::statedBytes(const std::string& partName) const
{
    auto found = entries_.find(normalise(partName));
    return found == entries_.end() ? 0 : found->second.statedBytes;
}

bool ZipArchive::has(const std::string& partName) const
{
    return entries_.count(normalise(partName)) != 0;
}

bool ZipArchive::read(const std::string& partName,
                      const std::function<bool(const char*, std::size_t)>& sink, std::string& error)
{
    return readChunks(
        partName, [&sink](std::vector<char>& chunk, std::size_t length) { return sink(chunk.data(), length); }, error);
}

bool ZipArchive::readChunks(const std::string& partName,
                            const std::function<bool(std::vector<char>&, std::size_t)>& sink, std::string& error)
{
    auto found = entries_.find(normalise(partName));
    if (found == entries_.end()) {
        error = "the part " + partName + " is missing";
        return false;
    }
    unzFile unz = static_cast<unzFile>(unz_);
    unz64_file_pos pos{found->second.headerOffset, found->second.fileNumber};
    unz_file_info64 info;
    if (unzGoToFilePos64(unz, &pos) != UNZ_OK
        || unzGetCurrentFileInfo64(unz, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        error = "the file is damaged (part " + partName + ")";
        return false;
    }
    if (info.flag & 1u) {
        error = "the part " + partName + " is encrypted";
        return false;
    }
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
        error = "the part " + partName + " uses an unsupported compression method";
        return false;
    }
    if (unzOpenCurrentFile(unz) != UNZ_OK) {
        error = "the file is damaged (part " + partName + ")";
        return false;
    }
    OpenEntry entry(unz);
    std::vector<char> chunk(kChunkBytes);
    std::uint64_t partBytes = 0;
    for (;;) {
        if (chunk.size() < kChunkBytes)
            chunk.resize(kChunkBytes);  // (the sink gave back a smaller buffer)
        int n = unzReadCurrentFile(unz, chunk.data(), static_cast<unsigned>(kChunkBytes));
        if (n < 0) {
            error = "the file is damaged (part " + partName + " cannot be inflated)";
            return false;
        }
        if (n == 0)
            break;
        partBytes += static_cast<std::uint64_t>(n);
        bytesRead_ += static_cast<std::uint64_t>(n);
        if (partBytes > maxPartBytes_ || bytesRead_ > maxBookBytes_) {
            error = "the file is too large or damaged (part " + partName + " inflates beyond the reader's limit of "
                + std::to_string(maxPartBytes_ >> 20) + " MiB a part, " + std::to_string(maxBookBytes_ >> 20)
                + " MiB in all)";
            return false;
        }
        if (!sink(chunk, static_cast<std::size_t>(n)))
            return false;
    }
    if (!entry.close()) {
        error = "the file is damaged (checksum of part " + partName + " does not match)";
        return false;
    }
    return true;
}

}  // namespace wb::xlsx
