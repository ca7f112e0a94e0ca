#pragma once

// The page level of a Jet 4 file: 4 KB pages, pages that hold rows (data and long-value
// pages), and the usage maps that list the pages of a table.

#include <cstdint>
#include <string>
#include <vector>

namespace refdb::jet {

constexpr std::size_t kPageSize = 4096;
// Data and long-value pages: type, 1, free space (2), owner (4), unused (4), row count (2),
// then one 2-byte row offset per row; rows fill the page from its end.
constexpr std::size_t kRowPageHeader = 14;
// Largest row a page can hold: the page less its header and the row's offset entry.
constexpr std::size_t kMaxRowSize = kPageSize - kRowPageHeader - 2;
// Rows are addressed by one byte in a data pointer.
constexpr int kMaxRowsPerPage = 255;

enum PageType : std::uint8_t { pageDatabase = 0x00, pageData = 0x01, pageTableDefinition = 0x02, pageUsageMap = 0x05 };

void put16(std::string& buffer, std::size_t offset, std::uint32_t value);
void put32(std::string& buffer, std::size_t offset, std::uint32_t value);
void put64(std::string& buffer, std::size_t offset, std::uint64_t value);
void append16(std::string& buffer, std::uint32_t value);
void append32(std::string& buffer, std::uint32_t value);

// A data pointer: the page number in the upper three bytes, the row on it in the lowest.
inline std::uint32_t dataPointer(std::uint32_t page, int row) { return (page << 8) | static_cast<std::uint32_t>(row); }

// The file as a growing list of pages; page numbers are indices.
class FileImage {
public:
    std::uint32_t newPage();
    std::string& page(std::uint32_t number) { return pages_[number]; }
    std::uint32_t pageCount() const { return static_cast<std::uint32_t>(pages_.size()); }
    std::string bytes() const;

private:
    std::vector<std::string> pages_;
};

// Fills pages of one kind with rows. The owner word is the table definition page for data
// pages, or the text "LVAL" for long-value pages.
class RowPageWriter {
public:
    RowPageWriter(FileImage& file, std::uint32_t owner) : file_(file), owner_(owner) {}

    // Places a row (at most kMaxRowSize bytes) on the current page, or on a new one when it
    // does not fit; returns its data pointer.
    std::uint32_t add(const std::string& row);
    // Continues on a page allocated elsewhere and not yet holding rows.
    void adopt(std::uint32_t page);
    // Where the bytes of a placed row begin in its page.
    std::size_t rowOffset(std::uint32_t pointer) const;

    const std::vector<std::uint32_t>& pages() const { return pages_; }
    // Pages with at least minimum bytes free.
    std::vector<std::uint32_t> pagesWithFreeSpace(std::size_t minimum) const;

    static constexpr std::uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL" read as a 32-bit LE word

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    FileImage& file_;
    std::uint32_t owner_;
    std::uint32_t current_ = kNone;
    std::vector<std::uint32_t> pages_;
};

// A usage map row of at least rowSize bytes for the given pages (any order, no duplicates).
// Pages within one span of (rowSize - 5) * 8 pages are mapped inside the row (472 for the
// usual 64 bytes); wider sets go to map pages of their own, allocated from file here.
std::string usageMapRow(FileImage& file, std::vector<std::uint32_t> pages, std::size_t rowSize = 64);

}  // namespace refdb::jet
