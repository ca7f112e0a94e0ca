#include "workbook/xls/compound_file.h"

#include <algorithm>
#include <cstring>

#include "base/ascii_case.h"
#include "workbook/xls/records.h"

namespace wb {

using xls::get16;
using xls::get32;

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kMaxRegularSect = 0xFFFFFFFA;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint64_t kWholeChain = ~std::uint64_t{0};
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kMiniSectorSize = 64;
constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint16_t kByteOrderMark = 0xFFFE;  // little endian, as every compound file is
// Streams shorter than this live in the mini stream, in 64-byte mini sectors (shift 6).
constexpr std::uint32_t kMiniStreamCutoffBytes = 4096;
constexpr std::uint16_t kMiniSectorShift = 6;
// The version 3 header (512-byte sectors); version 4 has 4096-byte sectors and uses only
// the first 512 bytes of its header sector.
constexpr std::size_t kHeaderBytes = 512;

// Where the header keeps its fields.
namespace header {
constexpr std::size_t kMajorVersion = 0x1A;
constexpr std::size_t kByteOrder = 0x1C;
constexpr std::size_t kSectorShift = 0x1E;
constexpr std::size_t kMiniSectorShift = 0x20;
constexpr std::size_t kFatSectorCount = 0x2C;
constexpr std::size_t kFirstDirectorySector = 0x30;
constexpr std::size_t kMiniStreamCutoff = 0x38;
constexpr std::size_t kFirstMiniFatSector = 0x3C;
constexpr std::size_t kMiniFatSectorCount = 0x40;
constexpr std::size_t kFirstDifatSector = 0x44;
constexpr std::size_t kDifatSectorCount = 0x48;
constexpr std::size_t kDifat = 0x4C;  // the first 109 FAT sector numbers
}  // namespace header

// Where a directory entry keeps its fields.
namespace entry {
constexpr std::size_t kNameBytes = 64;  // UTF-16, with its terminating 0
constexpr std::size_t kNameLength = 0x40;
constexpr std::size_t kType = 0x42;
constexpr std::size_t kLeftSibling = 0x44;
constexpr std::size_t kRightSibling = 0x48;
constexpr std::size_t kChild = 0x4C;
constexpr std::size_t kStartSector = 0x74;
constexpr std::size_t kSizeLow = 0x78;
constexpr std::size_t kSizeHigh = 0x7C;  // version 4 only
}  // namespace entry

constexpr std::uint8_t kStreamEntry = 2;
constexpr std::uint8_t kRootEntry = 5;

}  // namespace

std::span<const std::uint8_t> CompoundFile::sector(std::uint32_t index) const
{
    // Sector n starts after the header, which fills one sector's place (512 bytes are
    // used of it when sectors are larger). A last sector cut short is given as it is.
    std::size_t start = (static_cast<std::size_t>(index) + 1) * sectorSize_;
    if (index >= sectorCount_ || start >= bytes_.size())
        return {};
    return std::span<const std::uint8_t>(bytes_).subspan(start, std::min(sectorSize_, bytes_.size() - start));
}

bool CompoundFile::chainSectors(const std::vector<std::uint32_t>& table, std::uint32_t start, std::size_t limit,
                                std::vector<std::uint32_t>& chain, std::string& error) const
{
    // Walks at most `limit` links; a sector met twice means the chain loops.
    chain.clear();
    std::vector<bool> seen(table.size(), false);
    std::uint32_t current = start;
    while (current != kEndOfChain && chain.size() < limit) {
        if (current >= table.size()) {
            error = "a sector chain points outside the file";
            return false;
        }
        if (seen[current]) {
            error = "a sector chain loops";
            return false;
        }
        seen[current] = true;
        chain.push_back(current);
        current = table[current];
    }
    return true;
}

bool CompoundFile::open(std::vector<std::uint8_t> bytes, std::string& error)
{
    bytes_ = std::move(bytes);
    Header h;
    return readHeader(h, error) && readFat(h, error) && readDirectory(h, error) && readMiniStream(h, error);
}

bool CompoundFile::readHeader(Header& h, std::string& error)
{
    if (bytes_.size() < kHeaderBytes || std::memcmp(bytes_.data(), kSignature, sizeof kSignature) != 0) {
        error = "not an .xls workbook (no compound file signature)";
        return false;
    }
    const std::uint8_t* b = bytes_.data();
    h.majorVersion = get16(b + header::kMajorVersion);
    const std::uint16_t shift = get16(b + header::kSectorShift);
    const std::uint16_t miniShift = get16(b + header::kMiniSectorShift);
    if (get16(b + header::kByteOrder) != kByteOrderMark || (h.majorVersion != 3 && h.majorVersion != 4)) {
        error = "the compound file header is damaged (byte order or version)";
        return false;
    }
    if ((shift != 9 && shift != 12) || miniShift != kMiniSectorShift) {
        error = "the compound file header gives an invalid sector size";
        return false;
    }
    sectorSize_ = std::size_t{1} << shift;
    if (bytes_.size() <= sectorSize_) {
        error = "the compound file is truncated (no sectors after the header)";
        return false;
    }
    sectorCount_ = static_cast<std::uint32_t>(
        std::min<std::size_t>((bytes_.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_, kMaxRegularSect));
    h.fatSectors = get32(b + header::kFatSectorCount);
    h.firstDirectorySector = get32(b + header::kFirstDirectorySector);
    miniCutoff_ = get32(b + header::kMiniStreamCutoff);
    if (miniCutoff_ != kMiniStreamCutoffBytes) {
        error = "the compound file header gives an invalid mini stream cutoff";
        return false;
    }
    h.firstMiniFatSector = get32(b + header::kFirstMiniFatSector);
    h.miniFatSectors = get32(b + header::kMiniFatSectorCount);
    h.firstDifatSector = get32(b + header::kFirstDifatSector);
    h.difatSectors = get32(b + header::kDifatSectorCount);
    if (h.fatSectors > sectorCount_ || h.difatSectors > sectorCount_ || h.miniFatSectors > sectorCount_) {
        error = "the compound file header claims more sectors than the file holds";
        return false;
    }
    return true;
}

bool CompoundFile::readFat(const Header& h, std::string& error)
{
    // The FAT's own sector numbers: 109 in the header, then chained DIFAT sectors that
    // each end with the number of the next one.
    std::vector<std::uint32_t> fatSectorList;
    for (std::size_t i = 0; i < kHeaderDifatEntries && fatSectorList.size() < h.fatSectors; ++i)
        fatSectorList.push_back(get32(bytes_.data() + header::kDifat + 4 * i));
    std::uint32_t difat = h.firstDifatSector;
    std::uint32_t difatSeen = 0;
    std::vector<bool> difatVisited(sectorCount_, false);
    const std::size_t perDifat = sectorSize_ / 4 - 1;
    while (fatSectorList.size() < h.fatSectors) {
        if (difat >= sectorCount_ || difatSeen >= h.difatSectors || difatVisited[difat]) {
            error = "the compound file's sector allocation list (DIFAT) is damaged";
            return false;
        }
        std::span<const std::uint8_t> s = sector(difat);
        if (s.size() < sectorSize_) {
            error = "the compound file is truncated (DIFAT)";
            return false;
        }
        for (std::size_t i = 0; i < perDifat && fatSectorList.size() < h.fatSectors; ++i)
            fatSectorList.push_back(get32(s.data() + 4 * i));
        difatVisited[difat] = true;
        difat = get32(s.data() + 4 * perDifat);
        ++difatSeen;
    }

    fat_.clear();
    fat_.reserve(fatSectorList.size() * (sectorSize_ / 4));
    for (std::uint32_t fs : fatSectorList) {
        std::span<const std::uint8_t> s = sector(fs);
        if (fs >= sectorCount_ || s.size() < sectorSize_) {
            error = "the compound file's allocation table (FAT) points outside the file";
            return false;
        }
        for (std::size_t i = 0; i + 4 <= s.size(); i += 4)
            fat_.push_back(get32(s.data() + i));
    }
    // Entries beyond the file's sectors can name nothing that exists.
    if (fat_.size() > sectorCount_)
        fat_.resize(sectorCount_);
    return true;
}

bool CompoundFile::readDirectory(const Header& h, std::string& error)
{
    std::vector<std::uint8_t> directory;
    if (!readChain(h.firstDirectorySector, kWholeChain, directory, error)) {
        error = "the compound file's directory cannot be read: " + error;
        return false;
    }
    entries_.clear();
    for (std::size_t at = 0; at + kEntrySize <= directory.size(); at += kEntrySize) {
        const std::uint8_t* e = directory.data() + at;
        Entry item;
        std::size_t nameBytes = std::min<std::size_t>(get16(e + entry::kNameLength), entry::kNameBytes);
        for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {
            char16_t c = static_cast<char16_t>(get16(e + i));
            if (c == 0)
                break;
            item.name.push_back(c);
        }
        item.type = e[entry::kType];
        item.left = get32(e + entry::kLeftSibling);
        item.right = get32(e + entry::kRightSibling);
        item.child = get32(e + entry::kChild);
        item.start = get32(e + entry::kStartSector);
        item.size = get32(e + entry::kSizeLow);
        if (h.majorVersion == 4)
            item.size |= static_cast<std::uint64_t>(get32(e + entry::kSizeHigh)) << 32;
        entries_.push_back(std::move(item));
    }
    if (entries_.empty() || entries_[0].type != kRootEntry) {
        error = "the compound file has no root entry";
        return false;
    }
    return true;
}

bool CompoundFile::readMiniStream(const Header& h, std::string& error)
{
    miniFat_.clear();
    miniStream_.clear();
    if (h.miniFatSectors == 0 || h.firstMiniFatSector == kEndOfChain)
        return true;
    std::vector<std::uint8_t> miniFatBytes;
    if (!readChain(h.firstMiniFatSector, static_cast<std::uint64_t>(h.miniFatSectors) * sectorSize_, miniFatBytes,
                   error)) {
        error = "the compound file's mini allocation table cannot be read: " + error;
        return false;
    }
    for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4)
        miniFat_.push_back(get32(miniFatBytes.data() + i));
    // The mini stream is the root entry's own stream.
    const Entry& root = entries_[0];
    if (root.size > 0 && !readChain(root.start, root.size, miniStream_, error)) {
        error = "the compound file's mini stream cannot be read: " + error;
        return false;
    }
    // Mini sectors beyond the mini stream name nothing.
    std::size_t miniSectors = miniStream_.size() / kMiniSectorSize;
    if (miniFat_.size() > miniSectors)
        miniFat_.resize(miniSectors);
    return true;
}

bool CompoundFile::readChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out,
                             std::string& error) const
{
    out.clear();
    const bool whole = size == kWholeChain;
    std::uint64_t needed = whole ? fat_.size() + 1 : (size + sectorSize_ - 1) / sectorSize_;
    std::vector<std::uint32_t> chain;
    if (!chainSectors(fat_, start, static_cast<std::size_t>(std::min<std::uint64_t>(needed, fat_.size() + 1)), chain,
                      error))
        return false;
    if (!whole && chain.size() < needed) {
        error = "a stream is shorter than its stated size";
        return false;
    }
    // The size is now bounded by sectors that really are in the file.
    std::size_t total = whole ? chain.size() * sectorSize_
                              : static_cast<std::size_t>(std::min<std::uint64_t>(size, chain.size() * sectorSize_));
    out.reserve(total);
    for (std::uint32_t s : chain) {
        std::span<const std::uint8_t> data = sector(s);
        std::size_t take = std::min(data.size(), total - out.size());
        out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
        if (data.size() < sectorSize_ && out.size() < total) {
            if (whole)
                break;
            error = "the compound file is truncated";
            return false;
        }
    }
    return true;
}

bool CompoundFile::readMiniChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out,
                                 std::string& error) const
{
    out.clear();
    std::uint64_t needed = (size + kMiniSectorSize - 1) / kMiniSectorSize;
    std::vector<std::uint32_t> chain;
    if (!chainSectors(miniFat_, start, static_cast<std::size_t>(std::min<std::uint64_t>(needed, miniFat_.size() + 1)),
                      chain, error))
        return false;
    if (chain.size() < needed) {
        error = "a stream in the mini stream is shorter than its stated size";
        return false;
    }
    out.reserve(chain.size() * kMiniSectorSize);
    for (std::uint32_t s : chain) {
        std::size_t at = static_cast<std::size_t>(s) * kMiniSectorSize;
        std::size_t take = std::min<std::size_t>(kMiniSectorSize, static_cast<std::size_t>(size) - out.size());
        out.insert(out.end(), miniStream_.begin() + static_cast<std::ptrdiff_t>(at),
                   miniStream_.begin() + static_cast<std::ptrdiff_t>(at + take));
    }
    return true;
}

const CompoundFile::Entry* CompoundFile::findChild(std::string_view name) const
{
    // The root's children form a binary tree through left and right siblings; the walk
    // visits each entry at most once, whatever the links say.
    std::vector<bool> seen(entries_.size(), false);
    std::vector<std::uint32_t> pending{entries_[0].child};
    while (!pending.empty()) {
        std::uint32_t id = pending.back();
        pending.pop_back();
        if (id == kNoStream || id >= entries_.size() || seen[id])
            continue;
        seen[id] = true;
        const Entry& e = entries_[id];
        if (e.name.size() == name.size()) {
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i)
                same = foldAscii(e.name[i]) == foldAscii(static_cast<char16_t>(static_cast<unsigned char>(name[i])));
            if (same)
                return &e;
        }
        pending.push_back(e.left);
        pending.push_back(e.right);
    }
    return nullptr;
}

bool CompoundFile::hasStream(std::string_view name) const
{
    const Entry* e = entries_.empty() ? nullptr : findChild(name);
    return e && e->type == kStreamEntry;
}

bool CompoundFile::readStream(std::string_view name, std::vector<std::uint8_t>& out, std::string& error) const
{
    const Entry* e = entries_.empty() ? nullptr : findChild(name);
    if (!e || e->type != kStreamEntry) {
        error = "the compound file has no stream named " + std::string(name);
        return false;
    }
    bool ok = e->size < miniCutoff_ ? readMiniChain(e->start, e->size, out, error) : readChain(e->start, e->size, out, error);
    if (!ok)
        error = "the " + std::string(name) + " stream cannot be read: " + error;
    return ok;
}

}  // namespace wb
