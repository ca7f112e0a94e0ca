#include "workbook/xlsx/zip.h"

#include "base/ascii_case.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

namespace wb::xlsx {

// The zip container is read here rather than through minizip's unzip: its reading of the
// ZIP64 fields in the central directory compares them with (unsigned long)-1, which on
// 64-bit Linux never matches, so that a valid ZIP64 package (sizes and offsets in the
// ZIP64 extra field, as Python's zipfile with force_zip64 and several .NET and Java
// writers make) read as damaged. Every number the file gives is checked against the
// file's own size before it is used.
namespace {

constexpr std::size_t kChunkBytes = 256 * 1024;
// The least output buffer: a directory that understates a part's size must not make the
// inflating crawl a few bytes at a time before the size check refuses it.
constexpr std::size_t kLeastOutputBytes = 16 * 1024;

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint16_t kZip64ExtraId = 0x0001;

constexpr std::size_t kEndBytes = 22;
constexpr std::size_t kZip64LocatorBytes = 20;
constexpr std::size_t kZip64EndBytes = 56;
constexpr std::size_t kCentralHeaderBytes = 46;
constexpr std::size_t kLocalHeaderBytes = 30;
constexpr std::size_t kMaxCommentBytes = 0xFFFF;
// The central directory is read whole: a directory of kMaxEntries entries with names of
// common length takes a few megabytes.
constexpr std::uint64_t kMaxDirectoryBytes = std::uint64_t{64} << 20;
// Longest part name kept in the index; a longer one is no part a reader looks for.
constexpr std::size_t kMaxNameBytes = 1023;

constexpr char kDamagedDirectory[] = "the file is damaged (unreadable zip directory)";

std::uint16_t get16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t get64(const unsigned char* p)
{
    return static_cast<std::uint64_t>(get32(p)) | (static_cast<std::uint64_t>(get32(p + 4)) << 32);
}

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

// Ends an inflate stream on every path out of read().
class Inflater {
public:
    Inflater() { ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
    ~Inflater()
    {
        if (ok_)
            inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ok_ = false;
};

}  // namespace

ZipArchive::~ZipArchive()
{
    if (fd_ >= 0)
        ::close(fd_);
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

bool ZipArchive::readAt(std::uint64_t offset, void* into, std::size_t bytes) const
{
    if (offset > fileBytes_ || bytes > fileBytes_ - offset)
        return false;
    auto* out = static_cast<char*>(into);
    while (bytes > 0) {
        const ssize_t n = ::pread(fd_, out, bytes, static_cast<off_t>(offset));
        if (n <= 0)
            return false;
        out += n;
        offset += static_cast<std::uint64_t>(n);
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ZipArchive::open(const std::string& path, std::string& error)
{
    const std::string notZip = "the file is not an .xlsx workbook (not a zip archive, or a damaged one)";
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        error = "the file cannot be opened";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = notZip;
        return false;
    }
    fileBytes_ = static_cast<std::uint64_t>(st.st_size);

    // The end record: the last one in the file's tail, after which only its comment comes.
    const std::size_t tailBytes = static_cast<std::size_t>(std::min<std::uint64_t>(fileBytes_, kEndBytes + kMaxCommentBytes));
    std::vector<unsigned char> tail(tailBytes);
    const std::uint64_t tailStart = fileBytes_ - tailBytes;
    if (tailBytes < kEndBytes || !readAt(tailStart, tail.data(), tailBytes)) {
        error = looksLikeCompoundFile(path) ? "the file is not an .xlsx workbook (it is an .xls workbook or a password-protected file)"
                                            : notZip;
        return false;
    }
    std::size_t at = tailBytes - kEndBytes + 1;
    bool found = false;
    while (at-- > 0) {
        if (get32(&tail[at]) == kEndSignature && at + kEndBytes + get16(&tail[at + 20]) <= tailBytes) {
            found = true;
            break;
        }
    }
    if (!found) {
        error = looksLikeCompoundFile(path) ? "the file is not an .xlsx workbook (it is an .xls workbook or a password-protected file)"
                                            : notZip;
        return false;
    }
    const unsigned char* end = &tail[at];
    const std::uint64_t endOffset = tailStart + at;
    std::uint64_t entryCount = get16(end + 10);
    std::uint64_t directoryBytes = get32(end + 12);
    std::uint64_t directoryOffset = get32(end + 16);
    // Where the directory's stated offset is counted from: the directory ends where the
    // end record (or the ZIP64 end record) begins, and anything before the archive (a
    // self-extractor's program) shifts every offset the file states by its length.
    std::uint64_t directoryEnd = endOffset;

    // A ZIP64 archive: the locator just before the end record leads to the ZIP64 end
    // record, whose counts and offsets replace those the end record could not hold.
    if (endOffset >= kZip64LocatorBytes) {
        unsigned char locator[kZip64LocatorBytes];
        if (readAt(endOffset - kZip64LocatorBytes, locator, sizeof locator) && get32(locator) == kZip64LocatorSignature) {
            const std::uint64_t statedZip64End = get64(locator + 8);
            // Its stated place, else (an archive after other bytes) just before the locator.
            std::uint64_t zip64End = statedZip64End;
            unsigned char record[kZip64EndBytes];
            if (!readAt(zip64End, record, sizeof record) || get32(record) != kZip64EndSignature) {
                zip64End = endOffset - kZip64LocatorBytes >= kZip64EndBytes ? endOffset - kZip64LocatorBytes - kZip64EndBytes : 0;
                if (!readAt(zip64End, record, sizeof record) || get32(record) != kZip64EndSignature) {
                    error = kDamagedDirectory;
                    return false;
                }
            }
            entryCount = get64(record + 32);
            directoryBytes = get64(record + 40);
            directoryOffset = get64(record + 48);
            directoryEnd = zip64End;
        }
    }
    if (entryCount > kMaxEntries) {
        error = "the file is damaged (too many entries in its zip directory)";
        return false;
    }
    if (directoryBytes > directoryEnd || directoryBytes > kMaxDirectoryBytes
        || directoryOffset > directoryEnd - directoryBytes) {
        error = kDamagedDirectory;
        return false;
    }
    base_ = directoryEnd - directoryBytes - directoryOffset;

    std::vector<unsigned char> directory(static_cast<std::size_t>(directoryBytes));
    if (!readAt(base_ + directoryOffset, directory.data(), directory.size())) {
        error = kDamagedDirectory;
        return false;
    }
    std::size_t pos = 0;
    for (std::uint64_t i = 0; i < entryCount; ++i) {
        if (directory.size() - pos < kCentralHeaderBytes || get32(&directory[pos]) != kCentralHeaderSignature) {
            error = kDamagedDirectory;
            return false;
        }
        const unsigned char* header = &directory[pos];
        Entry entry{};
        entry.flags = get16(header + 8);
        entry.method = get16(header + 10);
        entry.crc = get32(header + 16);
        entry.storedBytes = get32(header + 20);
        entry.statedBytes = get32(header + 24);
        const std::size_t nameBytes = get16(header + 28);
        const std::size_t extraBytes = get16(header + 30);
        const std::size_t commentBytes = get16(header + 32);
        entry.headerOffset = get32(header + 42);
        if (directory.size() - pos - kCentralHeaderBytes < nameBytes + extraBytes + commentBytes) {
            error = kDamagedDirectory;
            return false;
        }
        const std::string name(reinterpret_cast<const char*>(header + kCentralHeaderBytes), nameBytes);
        // The ZIP64 extra field holds, in this order, each of the three that the header
        // marks as too large for its own field.
        const unsigned char* extra = header + kCentralHeaderBytes + nameBytes;
        for (std::size_t e = 0; e + 4 <= extraBytes;) {
            const std::uint16_t id = get16(extra + e);
            const std::size_t size = get16(extra + e + 2);
            if (e + 4 + size > extraBytes)
                break;
            if (id == kZip64ExtraId) {
                const unsigned char* field = extra + e + 4;
                std::size_t left = size;
                for (std::uint64_t* value : {&entry.statedBytes, &entry.storedBytes, &entry.headerOffset}) {
                    if (*value != 0xFFFFFFFFu)
                        continue;
                    if (left < 8) {
                        error = kDamagedDirectory;
                        return false;
                    }
                    *value = get64(field);
                    field += 8;
                    left -= 8;
                }
                break;
            }
            e += 4 + size;
        }
        pos += kCentralHeaderBytes + nameBytes + extraBytes + commentBytes;
        // Two entries of one name (part names are compared without case) leave it open
        // which one a program reads: such a package is damaged, not resolved silently.
        if (nameBytes <= kMaxNameBytes && !entries_.emplace(normalise(name), entry).second) {
            error = "the file is damaged (two zip entries named " + name + ")";
            return false;
        }
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
    const Entry& entry = found->second;
    const std::string damaged = "the file is damaged (part " + partName + ")";
    if (entry.flags & 1u) {
        error = "the part " + partName + " is encrypted";
        return false;
    }
    if (entry.method != 0 && entry.method != Z_DEFLATED) {
        error = "the part " + partName + " uses an unsupported compression method";
        return false;
    }
    // The local header: only its name and extra field's lengths are used, to find the
    // data; the sizes are the directory's (a writer that streams leaves them 0 here).
    unsigned char local[kLocalHeaderBytes];
    if (entry.headerOffset > fileBytes_ - base_ || !readAt(base_ + entry.headerOffset, local, sizeof local)
        || get32(local) != kLocalHeaderSignature) {
        error = damaged;
        return false;
    }
    const std::uint64_t dataStart = base_ + entry.headerOffset + kLocalHeaderBytes + get16(local + 26) + get16(local + 28);
    if (dataStart > fileBytes_ || entry.storedBytes > fileBytes_ - dataStart) {
        error = damaged;
        return false;
    }

    // Buffers no larger than the part: most parts of a workbook are a few hundred bytes,
    // and a chunk's worth of zeroed memory for each would cost more than reading them.
    // The sink may keep a buffer it is handed and give back another of any size: each is
    // brought back to its size before it is filled again.
    const std::size_t inputBytes = static_cast<std::size_t>(std::clamp<std::uint64_t>(entry.storedBytes, 1, kChunkBytes));
    const std::size_t outputBytes =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(entry.statedBytes, kLeastOutputBytes, kChunkBytes));
    std::vector<char> input(inputBytes);
    std::vector<char> output(entry.method == 0 ? 0 : outputBytes);
    Inflater inflater;
    if (entry.method != 0 && !inflater.ok()) {
        error = "there is not enough memory to read it";
        return false;
    }
    std::uint64_t readFrom = dataStart;
    std::uint64_t storedLeft = entry.storedBytes;
    std::uint64_t partBytes = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    // Hands a piece of the part on, counted against the limits; false to stop.
    const auto deliver = [&](std::vector<char>& buffer, std::size_t n) {
        partBytes += n;
        bytesRead_ += n;
        if (partBytes > maxPartBytes_ || bytesRead_ > maxBookBytes_) {
            error = "the file is too large or damaged (part " + partName + " inflates beyond the reader's limit of "
                + std::to_string(maxPartBytes_ >> 20) + " MiB a part, " + std::to_string(maxBookBytes_ >> 20)
                + " MiB in all)";
            return false;
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(n));
        return sink(buffer, n);
    };
    // The next piece of the stored data into `input`; its length, 0 at the end or on failure.
    const auto nextInput = [&]() -> std::size_t {
        if (input.size() < inputBytes)
            input.resize(inputBytes);
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(storedLeft, inputBytes));
        if (n == 0 || !readAt(readFrom, input.data(), n))
            return 0;
        readFrom += n;
        storedLeft -= n;
        return n;
    };
    bool streamEnded = false;
    if (entry.method == 0) {
        while (storedLeft > 0) {
            const std::size_t n = nextInput();
            if (n == 0) {
                error = damaged;
                return false;
            }
            if (!deliver(input, n))
                return false;
        }
        streamEnded = true;
    } else {
        z_stream& z = inflater.stream();
        while (!streamEnded) {
            if (z.avail_in == 0 && storedLeft > 0) {
                const std::size_t n = nextInput();
                if (n == 0) {
                    error = damaged;
                    return false;
                }
                z.next_in = reinterpret_cast<Bytef*>(input.data());
                z.avail_in = static_cast<uInt>(n);
            }
            if (output.size() < outputBytes)
                output.resize(outputBytes);
            z.next_out = reinterpret_cast<Bytef*>(output.data());
            z.avail_out = static_cast<uInt>(outputBytes);
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                break;  // not deflated data
            const std::size_t produced = outputBytes - z.avail_out;
            if (produced > 0 && !deliver(output, produced))
                return false;
            streamEnded = rc == Z_STREAM_END;
            if (!streamEnded && produced == 0 && z.avail_in == 0 && storedLeft == 0)
                break;  // the data ends before the deflated stream does
        }
    }
    if (!streamEnded || partBytes != entry.statedBytes) {
        error = "the file is damaged (part " + partName + " cannot be inflated)";
        return false;
    }
    if (static_cast<std::uint32_t>(crc) != entry.crc) {
        error = "the file is damaged (checksum of part " + partName + " does not match)";
        return false;
    }
    return true;
}

}  // namespace wb::xlsx
