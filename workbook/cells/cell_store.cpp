#include "workbook/cells/cell_store.h"

#include <algorithm>

namespace wb {

void SheetData::put(int row, const Cell& cell)
{
    if (row < 0 || cell.col < 0)
        return;
    if (static_cast<std::size_t>(row) >= rows_.size())
        rows_.resize(static_cast<std::size_t>(row) + 1);
    std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row)];
    // Files are nearly always written in column order: appending is the common case.
    if (cells.empty() || cells.back().col < cell.col) {
        cells.push_back(cell);
        ++cellCount_;
    } else {
        auto it = std::lower_bound(cells.begin(), cells.end(), cell.col,
                                   [](const Cell& c, int col) { return c.col < col; });
        if (it != cells.end() && it->col == cell.col) {
            *it = cell;
        } else {
            cells.insert(it, cell);
            ++cellCount_;
        }
    }
    rowEnd_ = std::max(rowEnd_, row + 1);
    colEnd_ = std::max(colEnd_, cell.col + 1);
}

void SheetData::putRow(int row, std::vector<Cell>& cells)
{
    if (row < 0 || cells.empty()) {
        cells.clear();
        return;
    }
    bool ordered = true;
    for (std::size_t i = 1; i < cells.size() && ordered; ++i)
        ordered = cells[i - 1].col < cells[i].col;
    if (!ordered) {
        // Stable, so that of two cells in one column the later one stays last.
        std::stable_sort(cells.begin(), cells.end(),
                         [](const Cell& a, const Cell& b) { return a.col < b.col; });
        std::vector<Cell> unique;
        unique.reserve(cells.size());
        for (const Cell& c : cells) {
            if (!unique.empty() && unique.back().col == c.col)
                unique.back() = c;
            else
                unique.push_back(c);
        }
        cells.swap(unique);
    }
    auto firstKept = std::find_if(cells.begin(), cells.end(), [](const Cell& c) { return c.col >= 0; });
    if (firstKept == cells.end()) {
        cells.clear();
        return;
    }
    if (static_cast<std::size_t>(row) >= rows_.size())
        rows_.resize(static_cast<std::size_t>(row) + 1);
    std::vector<Cell>& stored = rows_[static_cast<std::size_t>(row)];
    if (stored.empty()) {
        // An exact-size copy: a read sheet holds no spare capacity per row.
        stored.assign(firstKept, cells.end());
        cellCount_ += stored.size();
        rowEnd_ = std::max(rowEnd_, row + 1);
        colEnd_ = std::max(colEnd_, stored.back().col + 1);
    } else {
        // One merge of two column-ordered runs; of two cells in one column the new one wins.
        std::vector<Cell> merged;
        merged.reserve(stored.size() + static_cast<std::size_t>(cells.end() - firstKept));
        auto old = stored.begin();
        for (auto it = firstKept; it != cells.end(); ++it) {
            for (; old != stored.end() && old->col < it->col; ++old)
                merged.push_back(*old);
            if (old != stored.end() && old->col == it->col)
                ++old;
            merged.push_back(*it);
        }
        merged.insert(merged.end(), old, stored.end());
        cellCount_ += merged.size() - stored.size();
        stored.swap(merged);
        rowEnd_ = std::max(rowEnd_, row + 1);
        colEnd_ = std::max(colEnd_, stored.back().col + 1);
    }
    cells.clear();
}

void SheetData::shrinkToFit()
{
    rows_.resize(static_cast<std::size_t>(rowEnd_));
    rows_.shrink_to_fit();
    strings_.shrink_to_fit();
}

void SheetData::setNumber(int row, int col, double value, std::uint16_t format)
{
    Cell c;
    c.col = col;
    c.type = CellType::Number;
    c.format = format;
    c.number = value;
    put(row, c);
}

std::uint32_t SheetData::addString(std::string text)
{
    strings_.push_back(std::move(text));
    return static_cast<std::uint32_t>(strings_.size() - 1);
}

void SheetData::setTextIndex(int row, int col, std::uint32_t index, std::uint16_t format)
{
    Cell c;
    c.col = col;
    c.type = CellType::Text;
    c.format = format;
    c.text = index;
    put(row, c);
}

void SheetData::setText(int row, int col, std::string_view text, std::uint16_t format)
{
    setTextIndex(row, col, addString(std::string(text)), format);
}

void SheetData::setBoolean(int row, int col, bool value)
{
    Cell c;
    c.col = col;
    c.type = CellType::Boolean;
    c.number = value ? 1.0 : 0.0;
    put(row, c);
}

void SheetData::setError(int row, int col, int code)
{
    Cell c;
    c.col = col;
    c.type = CellType::Error;
    c.number = code;
    put(row, c);
}

void SheetData::setBlank(int row, int col, std::uint16_t format)
{
    Cell c;
    c.col = col;
    c.type = CellType::Blank;
    c.format = format;
    put(row, c);
}

const Cell* SheetData::find(int row, int col) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return nullptr;
    const std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row)];
    auto it = std::lower_bound(cells.begin(), cells.end(), col,
                               [](const Cell& c, int k) { return c.col < k; });
    if (it == cells.end() || it->col != col)
        return nullptr;
    return &*it;
}

}  // namespace wb
