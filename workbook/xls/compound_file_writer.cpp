#include "workbook/xls/compound_file_writer.h"

#include <algorithm>
#include <vector>

#include "base/safe_file.h"
#include "workbook/xls/records.h"

namespace wb {

namespace {

using xls::put16;
using xls::put32;

constexpr std::size_t kSectorSize = 512;
constexpr std::uint32_t kIdsPerSector = kSectorSize / 4;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kHeaderDifatEntries = 109;
// Streams below this size would belong in the mini stream; the workbook stream is
// padded up to it instead, which every reader accepts.
constexpr std::size_t kMiniCutoff = 4096;

void putEntry(std::vector<std::uint8_t>& out, std::u16string_view name, std::uint8_t type, std::uint32_t child,
              std::uint32_t start, std::uint32_t size)
{
    std::size_t begin = out.size();
    for (char16_t c : name)
        put16(out, static_cast<std::uint16_t>(c));
    out.resize(begin + 64, 0);
    put16(out, static_cast<std::uint16_t>(name.empty() ? 0 : (name.size() + 1) * 2));
    out.push_back(type);
    out.push_back(1);  // black: a tree of one child is trivially balanced
    put32(out, kNoStream);
    put32(out, kNoStream);
    put32(out, child);
    out.resize(out.size() + 16 + 4 + 16, 0);  // class id, state bits, times
    put32(out, start);
    put32(out, size);
    put32(out, 0);
}

}  // namespace

bool writeCompoundFile(const std::string& path, std::u16string_view streamName, std::span<const std::uint8_t> stream,
                       std::string& error)
{
    if (streamName.size() > 31) {
        error = "a compound file stream name is longer than 31 characters";
        return false;
    }
    const std::size_t streamSize = std::max(stream.size(), kMiniCutoff);
    if (streamSize > 0xFFFFFE00u) {
        error = "the workbook is too large for the .xls format";
        return false;
    }
    // Layout: stream sectors, one directory sector, FAT sectors, DIFAT sectors. The FAT
    // must cover itself and the DIFAT, hence the fixed-point loop.
    const auto streamSectors = static_cast<std::uint32_t>((streamSize + kSectorSize - 1) / kSectorSize);
    const std::uint32_t dirSectors = 1;
    std::uint32_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        std::uint32_t total = streamSectors + dirSectors + fatSectors + difatSectors;
        std::uint32_t needFat = (total + kIdsPerSector - 1) / kIdsPerSector;
        std::uint32_t needDifat =
            needFat <= kHeaderDifatEntries ? 0 : (needFat - kHeaderDifatEntries + kIdsPerSector - 2) / (kIdsPerSector - 1);
        if (needFat == fatSectors && needDifat == difatSectors)
            break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const std::uint32_t dirStart = streamSectors;
    const std::uint32_t fatStart = dirStart + dirSectors;
    const std::uint32_t difatStart = fatStart + fatSectors;

    std::vector<std::uint8_t> header;
    header.reserve(kSectorSize);
    const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    header.insert(header.end(), signature, signature + 8);
    header.resize(24, 0);  // class id
    put16(header, 0x003E);
    put16(header, 0x0003);
    put16(header, 0xFFFE);
    put16(header, 9);  // 512-byte sectors
    put16(header, 6);  // 64-byte mini sectors
    header.resize(header.size() + 6, 0);
    put32(header, 0);  // directory sectors: always 0 in version 3
    put32(header, fatSectors);
    put32(header, dirStart);
    put32(header, 0);
    put32(header, static_cast<std::uint32_t>(kMiniCutoff));
    put32(header, kEndOfChain);  // no mini FAT
    put32(header, 0);
    put32(header, difatSectors ? difatStart : kEndOfChain);
    put32(header, difatSectors);
    for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        put32(header, i < fatSectors ? fatStart + i : kFreeSect);

    std::vector<std::uint8_t> tail;
    tail.reserve(static_cast<std::size_t>(dirSectors + fatSectors + difatSectors) * kSectorSize);
    putEntry(tail, u"Root Entry", 5, 1, kEndOfChain, 0);
    putEntry(tail, streamName, 2, kNoStream, 0, static_cast<std::uint32_t>(streamSize));
    putEntry(tail, u"", 0, kNoStream, 0, 0);
    putEntry(tail, u"", 0, kNoStream, 0, 0);

    std::vector<std::uint32_t> fat(static_cast<std::size_t>(fatSectors) * kIdsPerSector, kFreeSect);
    for (std::uint32_t i = 0; i < streamSectors; ++i)
        fat[i] = i + 1 < streamSectors ? i + 1 : kEndOfChain;
    fat[dirStart] = kEndOfChain;
    for (std::uint32_t i = 0; i < fatSectors; ++i)
        fat[fatStart + i] = kFatSect;
    for (std::uint32_t i = 0; i < difatSectors; ++i)
        fat[difatStart + i] = kDifSect;
    for (std::uint32_t id : fat)
        put32(tail, id);

    // DIFAT sectors list the FAT sectors after the header's 109, 127 to a sector, each
    // ending with the next DIFAT sector's number.
    std::uint32_t listed = kHeaderDifatEntries;
    for (std::uint32_t d = 0; d < difatSectors; ++d) {
        for (std::uint32_t i = 0; i + 1 < kIdsPerSector; ++i, ++listed)
            put32(tail, listed < fatSectors ? fatStart + listed : kFreeSect);
        put32(tail, d + 1 < difatSectors ? difatStart + d + 1 : kEndOfChain);
    }

    safefile::PendingFile file(path);
    std::vector<std::uint8_t> padding(static_cast<std::size_t>(streamSectors) * kSectorSize - stream.size(), 0);
    if (!file.create(error) || !file.write(header.data(), header.size(), error) ||
        !file.write(stream.data(), stream.size(), error) || !file.write(padding.data(), padding.size(), error) ||
        !file.write(tail.data(), tail.size(), error) || !file.commit(error)) {
        error = "cannot write \"" + path + "\": " + error;
        return false;
    }
    return true;
}

}  // namespace wb
