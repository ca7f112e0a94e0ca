#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wb::xlsx {

// Memory one book's reading may fill with what it keeps: the shared-string table, the
// cells and the sheets' texts. What the file holds decides the rest (a tag, the part
// being inflated), which other limits bound. Counted at what each thing takes at worst
// while it grows, so that a book within the budget is read in about twice this much.
inline constexpr std::size_t kBookMemoryBytes = std::size_t{256} << 20;

// What each kept thing is counted at: a cell's slot with its column (a sparse row of
// wide slots, the largest layout); a row's entry; a text's string object and the
// sheet's pool entry for it, besides its bytes; a shared string's end offset, besides
// its bytes, each twice for the spare room of a growing block.
inline constexpr std::size_t kCellCost = 12;
inline constexpr std::size_t kRowCost = 96;
inline constexpr std::size_t kTextCost = 64;
inline constexpr std::size_t kSharedStringCost = 8;

// Elements the cell parts of one book may hold together (the shared strings and the
// sheets), which bounds the work of a file whose parts inflate to gigabytes of tiny
// elements or of one cell written again and again. A book of the largest size the
// memory budget takes has well under half as many.
inline constexpr std::uint64_t kMaxBookElements = std::uint64_t{1} << 27;

class ReadBudget {
public:
    explicit ReadBudget(std::size_t bytes = kBookMemoryBytes) : left_(bytes), limit_(bytes) {}

    // Counts `n` more elements; false once there are more than kMaxBookElements.
    bool takeElements(std::uint64_t n)
    {
        if (n > elementsLeft_)
            return false;
        elementsLeft_ -= n;
        return true;
    }
    static std::string elementsRefusal()
    {
        return "more XML elements than the reader accepts for one workbook (" + std::to_string(kMaxBookElements) + ")";
    }

    // Takes `bytes` from what is left; false (and nothing taken) when they do not fit.
    bool take(std::size_t bytes)
    {
        if (bytes > left_)
            return false;
        left_ -= bytes;
        return true;
    }
    std::size_t left() const { return left_; }

    // The reason of a refusal for want of budget.
    std::string refusal() const
    {
        return "its cells and texts need more memory than the reader allows for one workbook ("
            + std::to_string(limit_ >> 20) + " MiB)";
    }

private:
    std::size_t left_;
    std::size_t limit_;
    std::uint64_t elementsLeft_ = kMaxBookElements;
};

// What reading one book keeps from sheet to sheet: the budget, and where each shared
// string used by the sheet being read sits in its pool. That index is made once for the
// book (as large as the shared-string table) and only the entries a sheet used are
// cleared after it, so many sheets over a large table cost the table's size once.
struct BookReading {
    ReadBudget budget;
    std::vector<std::uint32_t> poolIndex;
    std::vector<std::uint32_t> used;  // shared strings whose poolIndex entry the current sheet set
};

}  // namespace wb::xlsx
