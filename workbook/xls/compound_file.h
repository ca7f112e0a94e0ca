#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// A compound file (the container of .xls workbooks) held in memory, read-only.
// Every sector number, chain and size that the file states is checked against the
// file's real size before use, so a damaged or hostile file yields an error, never an
// allocation or a loop sized by what it claims.
class CompoundFile {
public:
    // Takes the whole file's bytes; false with a reason when they are not a compound file.
    bool open(std::vector<std::uint8_t> bytes, std::string& error);

    // The contents of the stream with this name (compared without regard to ASCII case)
    // among the root storage's children; false with a reason when there is none or it
    // cannot be read.
    bool readStream(std::string_view name, std::vector<std::uint8_t>& out, std::string& error) const;
    bool hasStream(std::string_view name) const;

private:
    struct Entry {
        std::u16string name;
        std::uint8_t type = 0;
        std::uint32_t left = 0, right = 0, child = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    // What the header says about the file's tables, beyond the sector sizes.
    struct Header {
        std::uint16_t majorVersion = 3;
        std::uint32_t fatSectors = 0;
        std::uint32_t firstDirectorySector = 0;
        std::uint32_t firstMiniFatSector = 0;
        std::uint32_t miniFatSectors = 0;
        std::uint32_t firstDifatSector = 0;
        std::uint32_t difatSectors = 0;
    };

    // The steps of open: the header (and sector size), the allocation table through the
    // DIFAT, the directory, and the mini stream with its allocation table.
    bool readHeader(Header& header, std::string& error);
    bool readFat(const Header& header, std::string& error);
    bool readDirectory(const Header& header, std::string& error);
    bool readMiniStream(const Header& header, std::string& error);

    std::span<const std::uint8_t> sector(std::uint32_t index) const;
    bool readChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out, std::string& error) const;
    bool readMiniChain(std::uint32_t start, std::uint64_t size, std::vector<std::uint8_t>& out, std::string& error) const;
    bool chainSectors(const std::vector<std::uint32_t>& table, std::uint32_t start, std::size_t limit,
                      std::vector<std::uint32_t>& chain, std::string& error) const;
    const Entry* findChild(std::string_view name) const;

    std::vector<std::uint8_t> bytes_;
    std::size_t sectorSize_ = 512;
    std::uint32_t sectorCount_ = 0;
    std::uint32_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<Entry> entries_;
    std::vector<std::uint8_t> miniStream_;
};

}  // namespace wb
