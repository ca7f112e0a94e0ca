#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/cells/read_progress.h"
#include "workbook/xlsx/read_budget.h"
#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// Items one shared-string table may hold. An empty item costs five bytes of XML and
// next to nothing compressed, so the count is bounded rather than left to the part's
// size; a real table of this size would already fill sixteen million cells.
inline constexpr std::size_t kMaxSharedStrings = std::size_t{16} << 20;

// The shared-string table, its texts end to end in one block: millions of short
// strings cost their bytes and four more each, not an object each.
class SharedStrings {
public:
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t index) const
    {
        const std::uint32_t begin = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(text_).substr(begin, ends_[index] - begin);
    }
    // Bytes of all texts together.
    std::size_t textBytes() const { return text_.size(); }
    // False when the table would outgrow kMaxSharedStrings or its 4 GiB of text.
    bool add(std::string_view text);

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;
};

// The shared-string table: each entry's plain text, the runs of a rich text joined,
// its phonetic (ruby) runs left out and _xHHHH_ escapes decoded.
// Each item is counted in `budget` (twice its bytes, for the room a growing block keeps).
bool readSharedStrings(ZipArchive& zip, const std::string& part, SharedStrings& strings, ReadBudget& budget,
                       std::string& error, ReadProgress* progress = nullptr);

}  // namespace wb::xlsx
