#include "workbook/xls/compound_file_writer.h"

#include <algorithm>
#include <vector>

#include "base/ascii_case.h"
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
// Streams below this size would belong in the mini stream; a shorter stream is padded
// with zeros up to it instead, which every reader accepts (a workbook stream ends at its
// EOF record, a property set at its stated section size).
constexpr std::size_t kMiniCutoff = 4096;
constexpr std::size_t kEntrySize = 128;
constexpr std::uint8_t kRed = 0, kBlack = 1;

struct DirectoryEntry {
    std::u16string_view name;
    std::uint8_t type = 0;
    std::uint8_t colour = kBlack;
    std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    std::uint32_t start = 0, size = 0;
};

void putEntry(std::vector<std::uint8_t>& out, const DirectoryEntry& e)
{
    std::size_t begin = out.size();
    for (char16_t c : e.name)
        put16(out, static_cast<std::uint16_t>(c));
    out.resize(begin + 64, 0);
    put16(out, static_cast<std::uint16_t>(e.name.empty() ? 0 : (e.name.size() + 1) * 2));
    out.push_back(e.type);
    out.push_back(e.colour);
    put32(out, e.left);
    put32(out, e.right);
    put32(out, e.child);
    out.resize(out.size() + 16 + 4 + 16, 0);  // class id, state bits, times
    put32(out, e.start);
    put32(out, e.size);
    put32(out, 0);
}

// The order in which a storage keeps its children's names: shorter first, then by
// upper-cased UTF-16 unit.
bool nameBefore(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char16_t x = a[i] < 128 ? upperAscii(a[i]) : a[i];
        const char16_t y = b[i] < 128 ? upperAscii(b[i]) : b[i];
        if (x != y)
            return x < y;
    }
    return false;
}

// Links entries[sorted[from..to)] into a binary search tree split at medians and
// returns its root. Median splits put every leaf on the last level or the one above;
// colouring the nodes of the last level red (and all others black) then gives every
// path the same number of black nodes, as a red-black tree must.
std::uint32_t linkTree(std::vector<DirectoryEntry>& entries, const std::vector<std::uint32_t>& sorted, std::size_t from,
                       std::size_t to, int depth, int lastLevel)
{
    if (from >= to)
        return kNoStream;
    const std::size_t middle = from + (to - from) / 2;
    DirectoryEntry& node = entries[sorted[middle]];
    node.colour = depth == lastLevel && depth > 0 ? kRed : kBlack;
    const std::uint32_t left = linkTree(entries, sorted, from, middle, depth + 1, lastLevel);
    const std::uint32_t right = linkTree(entries, sorted, middle + 1, to, depth + 1, lastLevel);
    entries[sorted[middle]].left = left;
    entries[sorted[middle]].right = right;
    return sorted[middle];
}

}  // namespace

bool writeCompoundFile(const std::string& path, std::u16string_view streamName, std::span<const std::uint8_t> stream,
                       std::string& error)
{
    const CompoundStream one{streamName, stream};
    return writeCompoundFile(path, std::span<const CompoundStream>(&one, 1), error);
}

bool writeCompoundFile(const std::string& path, std::span<const CompoundStream> streams, std::string& error)
{
    std::vector<std::size_t> sizes;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const CompoundStream& s = streams[i];
        if (s.name.empty() || s.name.size() > 31) {
            error = "a compound file stream name must have 1 to 31 characters";
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (!nameBefore(s.name, streams[j].name) && !nameBefore(streams[j].name, s.name)) {
                error = "a compound file cannot hold two streams of one name";
                return false;
            }
        }
        sizes.push_back(std::max(s.bytes.size(), kMiniCutoff));
        total += (sizes.back() + kSectorSize - 1) / kSectorSize * kSectorSize;
    }
    if (streams.empty() || total > 0xFFFFFE00u) {
        error = streams.empty() ? "a compound file needs a stream" : "the workbook is too large for the .xls format";
        return false;
    }
    // Layout: each stream's sectors in turn, the directory sectors, FAT sectors, DIFAT
    // sectors. The FAT must cover itself and the DIFAT, hence the fixed-point loop.
    const auto streamSectors = static_cast<std::uint32_t>(total / kSectorSize);
    const auto dirSectors =
        static_cast<std::uint32_t>(((streams.size() + 1) * kEntrySize + kSectorSize - 1) / kSectorSize);
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
    put32(header, 0);  // directory sector count: always 0 in version 3
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
    std::vector<DirectoryEntry> entries(1);
    entries[0].name = u"Root Entry";
    entries[0].type = 5;
    entries[0].start = kEndOfChain;  // no mini stream
    std::vector<std::uint32_t> fat(static_cast<std::size_t>(fatSectors) * kIdsPerSector, kFreeSect);
    std::uint32_t sector = 0;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        DirectoryEntry e;
        e.name = streams[i].name;
        e.type = 2;
        e.start = sector;
        e.size = static_cast<std::uint32_t>(sizes[i]);
        entries.push_back(e);
        const auto count = static_cast<std::uint32_t>((sizes[i] + kSectorSize - 1) / kSectorSize);
        for (std::uint32_t k = 0; k < count; ++k, ++sector)
            fat[sector] = k + 1 < count ? sector + 1 : kEndOfChain;
    }
    std::vector<std::uint32_t> sorted;
    for (std::uint32_t i = 1; i < entries.size(); ++i)
        sorted.push_back(i);
    std::sort(sorted.begin(), sorted.end(),
              [&](std::uint32_t a, std::uint32_t b) { return nameBefore(entries[a].name, entries[b].name); });
    int lastLevel = 0;
    for (std::size_t n = sorted.size(); n > 1; n /= 2)
        ++lastLevel;
    entries[0].child = linkTree(entries, sorted, 0, sorted.size(), 0, lastLevel);
    entries.resize(static_cast<std::size_t>(dirSectors) * kSectorSize / kEntrySize);  // unused entries
    for (const DirectoryEntry& e : entries) {
        if (e.type == 0) {
            DirectoryEntry unused;
            unused.colour = kRed;
            putEntry(tail, unused);
        } else {
            putEntry(tail, e);
        }
    }

    for (std::uint32_t i = 0; i < dirSectors; ++i)
        fat[dirStart + i] = i + 1 < dirSectors ? dirStart + i + 1 : kEndOfChain;
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
    bool ok = file.create(error) && file.write(header.data(), header.size(), error);
    for (std::size_t i = 0; ok && i < streams.size(); ++i) {
        const std::vector<std::uint8_t> padding(
            (sizes[i] + kSectorSize - 1) / kSectorSize * kSectorSize - streams[i].bytes.size(), 0);
        ok = file.write(streams[i].bytes.data(), streams[i].bytes.size(), error) &&
             file.write(padding.data(), padding.size(), error);
    }
    if (!ok || !file.write(tail.data(), tail.size(), error) || !file.commit(error)) {
        error = "cannot write \"" + path + "\": " + error;
        return false;
    }
    return true;
}

}  // namespace wb
