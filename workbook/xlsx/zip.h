#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace wb::xlsx {

// Inflated bytes one part may yield, and all parts of one file together. A zip entry
// can claim any size and deflate reaches about 1000:1, so a small hostile file could
// otherwise keep the reader busy for minutes; real sheets of several million cells
// stay well below these. The entry's own size fields are never trusted for anything.
inline constexpr std::uint64_t kMaxPartBytes = std::uint64_t{1} << 30;   // 1 GiB
inline constexpr std::uint64_t kMaxBookBytes = std::uint64_t{2} << 30;   // 2 GiB
// Entries listed in one archive; an .xlsx holds a few dozen.
inline constexpr std::size_t kMaxEntries = 100000;

// The zip container of an .xlsx file (ZIP64 included), read with zlib's inflate. Parts are
// found by name without regard to case, as package part names are compared.
class ZipArchive {
public:
    // The limits are parameters so that tests can reach them with small files.
    explicit ZipArchive(std::uint64_t maxPartBytes = kMaxPartBytes, std::uint64_t maxBookBytes = kMaxBookBytes)
        : maxPartBytes_(maxPartBytes), maxBookBytes_(maxBookBytes)
    {
    }
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Opens the file and lists its entries; false with a reason.
    bool open(const std::string& path, std::string& error);
    bool has(const std::string& partName) const;
    // The compressed size the zip directory states for the part (0 when there is none):
    // a hint for how to read it, never a size to allocate by.
    std::uint64_t storedBytes(const std::string& partName) const;
    // The inflated size the zip directory states for the part (0 when there is none):
    // for showing progress only, as a file may state anything.
    std::uint64_t statedBytes(const std::string& partName) const;
    // Hands the part's inflated bytes to `sink` in chunks, in order. Stops early when the
    // sink returns false (its own failure, reason left to the caller). False with a
    // reason when the part is missing, damaged, encrypted or over the limits above.
    bool read(const std::string& partName, const std::function<bool(const char*, std::size_t)>& sink,
              std::string& error);
    // As read(), but the sink is handed the buffer the chunk was inflated into (its first
    // `length` bytes) and may swap it for another buffer of any size, to be filled next:
    // so a reader on another thread takes the bytes over without copying them.
    bool readChunks(const std::string& partName, const std::function<bool(std::vector<char>&, std::size_t)>& sink,
                    std::string& error);

    // A part name as stored in the index: lower case, '/' separators, no leading '/'.
    static std::string normalise(const std::string& partName);

private:
    struct Entry {
        std::uint64_t headerOffset;  // of its local header, counted as the file states offsets
        std::uint64_t storedBytes;
        std::uint64_t statedBytes;
        std::uint32_t crc;
        std::uint16_t flags;
        std::uint16_t method;
    };
    // Reads bytes at a place in the file; false past its end or on a read error.
    bool readAt(std::uint64_t offset, void* into, std::size_t bytes) const;

    int fd_ = -1;
    std::uint64_t fileBytes_ = 0;
    std::uint64_t base_ = 0;  // bytes before the archive, which the offsets it states leave out
    std::unordered_map<std::string, Entry> entries_;
    std::uint64_t maxPartBytes_;
    std::uint64_t maxBookBytes_;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace wb::xlsx
