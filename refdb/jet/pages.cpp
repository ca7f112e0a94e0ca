#include "refdb/jet/pages.h"

#include <algorithm>

namespace refdb::jet {

void put16(std::string& buffer, std::size_t offset, std::uint32_t value)
{
    buffer[offset] = static_cast<char>(value & 0xFF);
    buffer[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& buffer, std::size_t offset, std::uint32_t value)
{
    put16(buffer, offset, value & 0xFFFF);
    put16(buffer, offset + 2, value >> 16);
}

void put64(std::string& buffer, std::size_t offset, std::uint64_t value)
{
    put32(buffer, offset, static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
    put32(buffer, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

void append16(std::string& buffer, std::uint32_t value)
{
    buffer.append(2, '\0');
    put16(buffer, buffer.size() - 2, value);
}

void append32(std::string& buffer, std::uint32_t value)
{
    buffer.append(4, '\0');
    put32(buffer, buffer.size() - 4, value);
}

std::uint32_t FileImage::newPage()
{
    pages_.emplace_back(kPageSize, '\0');
    return static_cast<std::uint32_t>(pages_.size() - 1);
}

std::string FileImage::bytes() const
{
    std::string all;
    all.reserve(pages_.size() * kPageSize);
    for (const std::string& page : pages_)
        all += page;
    return all;
}

namespace {

constexpr std::size_t kFreeSpaceOffset = 2;
constexpr std::size_t kOwnerOffset = 4;
constexpr std::size_t kRowCountOffset = 12;

int rowCount(const std::string& page) { return static_cast<unsigned char>(page[kRowCountOffset]) | (static_cast<unsigned char>(page[kRowCountOffset + 1]) << 8); }

std::size_t rowStart(const std::string& page, int row)
{
    const std::size_t at = kRowPageHeader + 2 * static_cast<std::size_t>(row);
    return static_cast<unsigned char>(page[at]) | (static_cast<std::size_t>(static_cast<unsigned char>(page[at + 1])) << 8);
}

std::size_t freeSpace(const std::string& page)
{
    const int rows = rowCount(page);
    const std::size_t top = rows == 0 ? kPageSize : rowStart(page, rows - 1);
    return top - kRowPageHeader - 2 * static_cast<std::size_t>(rows);
}

}  // namespace

std::uint32_t RowPageWriter::add(const std::string& row)
{
    if (current_ != kNone) {
        const std::string& page = file_.page(current_);
        if (rowCount(page) >= kMaxRowsPerPage || freeSpace(page) < row.size() + 2)
            current_ = kNone;
    }
    if (current_ == kNone)
        adopt(file_.newPage());
    std::string& page = file_.page(current_);
    const int row_number = rowCount(page);
    const std::size_t top = row_number == 0 ? kPageSize : rowStart(page, row_number - 1);
    const std::size_t start = top - row.size();
    std::copy(row.begin(), row.end(), page.begin() + static_cast<std::ptrdiff_t>(start));
    put16(page, kRowPageHeader + 2 * static_cast<std::size_t>(row_number), static_cast<std::uint32_t>(start));
    put16(page, kRowCountOffset, static_cast<std::uint32_t>(row_number + 1));
    put16(page, kFreeSpaceOffset, static_cast<std::uint32_t>(freeSpace(page)));
    return dataPointer(current_, row_number);
}

void RowPageWriter::adopt(std::uint32_t number)
{
    current_ = number;
    pages_.push_back(number);
    std::string& page = file_.page(number);
    page[0] = static_cast<char>(pageData);
    page[1] = 1;
    put32(page, kOwnerOffset, owner_);
    put16(page, kFreeSpaceOffset, static_cast<std::uint32_t>(kPageSize - kRowPageHeader));
}

std::size_t RowPageWriter::rowOffset(std::uint32_t pointer) const
{
    return rowStart(file_.page(pointer >> 8), static_cast<int>(pointer & 0xFF));
}

std::vector<std::uint32_t> RowPageWriter::pagesWithFreeSpace(std::size_t minimum) const
{
    std::vector<std::uint32_t> result;
    for (std::uint32_t number : pages_)
        if (freeSpace(file_.page(number)) >= minimum)
            result.push_back(number);
    return result;
}

namespace {

// A map kept inside its row: type 0, the first page mapped, then one bit per page.
constexpr std::size_t kInlineMapHeader = 5;
// A map page: type 5, 1, two unused bytes, then one bit per page.
constexpr std::size_t kMapPageHeader = 4;
constexpr std::uint32_t kPagesPerMapPage = (kPageSize - kMapPageHeader) * 8;

void setBit(std::string& bytes, std::size_t offset, std::uint32_t bit)
{
    bytes[offset + bit / 8] = static_cast<char>(static_cast<unsigned char>(bytes[offset + bit / 8]) | (1u << (bit % 8)));
}

}  // namespace

std::string usageMapRow(FileImage& file, std::vector<std::uint32_t> pages, std::size_t rowSize)
{
    std::sort(pages.begin(), pages.end());
    const std::uint32_t first = pages.empty() ? 0 : pages.front();
    const auto inlinePages = static_cast<std::uint32_t>((rowSize - kInlineMapHeader) * 8);
    if (pages.empty() || pages.back() - first < inlinePages) {
        std::string row(rowSize, '\0');
        row[0] = 0;
        put32(row, 1, first);
        for (std::uint32_t number : pages)
            setBit(row, kInlineMapHeader, number - first);
        return row;
    }
    // Type 1: map page k covers pages [k * kPagesPerMapPage, (k + 1) * kPagesPerMapPage);
    // a zero pointer stands for a span without pages.
    const std::uint32_t spans = pages.back() / kPagesPerMapPage + 1;
    std::string row(std::max(rowSize, 1 + 4 * static_cast<std::size_t>(spans)), '\0');
    row[0] = 1;
    std::vector<std::uint32_t> mapPages(spans, 0);
    for (std::uint32_t number : pages) {
        const std::uint32_t span = number / kPagesPerMapPage;
        if (mapPages[span] == 0) {
            mapPages[span] = file.newPage();
            std::string& page = file.page(mapPages[span]);
            page[0] = static_cast<char>(pageUsageMap);
            page[1] = 1;
            put32(row, 1 + 4 * static_cast<std::size_t>(span), mapPages[span]);
        }
        setBit(file.page(mapPages[span]), kMapPageHeader, number % kPagesPerMapPage);
    }
    return row;
}

}  // namespace refdb::jet
