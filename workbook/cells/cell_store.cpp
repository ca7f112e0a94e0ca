#include "workbook/cells/cell_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace wb {

namespace {

// A slot in its wide form. Numbers keep their bits; the other kinds, and holes, are
// "boxed": the top 16 bits all set (a negative NaN with a payload no arithmetic and no
// file writer produces), a tag in the next 16 bits and a 32-bit payload below.
enum Tag : std::uint32_t { kHole = 0, kBlank = 1, kBoolean = 2, kError = 3, kText = 4, kAside = 5 };

constexpr std::uint64_t kBoxBits = 0xFFFFull << 48;

constexpr std::uint64_t Box(Tag tag, std::uint32_t payload)
{
    return kBoxBits | (std::uint64_t{tag} << 32) | payload;
}
constexpr bool IsBoxed(std::uint64_t slot) { return (slot >> 48) == 0xFFFF; }
constexpr Tag TagOf(std::uint64_t slot) { return static_cast<Tag>((slot >> 32) & 0xFFFF); }
constexpr std::uint32_t PayloadOf(std::uint64_t slot) { return static_cast<std::uint32_t>(slot); }

constexpr std::uint64_t kHoleSlot = Box(kHole, 0);

std::uint64_t BitsOf(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
double NumberOf(std::uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The narrow form: bit 31 set for a whole number in [-2^30, 2^30) in the low 31 bits
// (two's complement); else a tag in bits 28-30 and a payload below 2^28. A hole is 0.
constexpr std::uint32_t kNarrowNumber = 0x80000000u;
constexpr std::uint32_t kNarrowPayloadLimit = 1u << 28;
constexpr double kNarrowNumberLimit = 1073741824.0;  // 2^30

bool ToNarrow(std::uint64_t slot, std::uint32_t& narrow)
{
    if (IsBoxed(slot)) {
        const Tag tag = TagOf(slot);
        const std::uint32_t payload = PayloadOf(slot);
        if (tag == kAside || payload >= kNarrowPayloadLimit)
            return false;
        narrow = (static_cast<std::uint32_t>(tag) << 28) | payload;
        return true;
    }
    const double value = NumberOf(slot);
    if (!(value >= -kNarrowNumberLimit && value < kNarrowNumberLimit))
        return false;  // NaN fails here too
    const auto whole = static_cast<std::int32_t>(value);
    // Exactly a whole number, and not -0 (whose bits a whole number cannot give back).
    if (static_cast<double>(whole) != value || (whole == 0 && std::signbit(value)))
        return false;
    narrow = kNarrowNumber | (static_cast<std::uint32_t>(whole) & 0x7FFFFFFFu);
    return true;
}

std::uint64_t FromNarrow(std::uint32_t narrow)
{
    if (narrow & kNarrowNumber) {
        // Sign-extend the 31-bit value.
        const auto whole = static_cast<std::int32_t>(narrow << 1) >> 1;
        return BitsOf(static_cast<double>(whole));
    }
    return Box(static_cast<Tag>(narrow >> 28), narrow & (kNarrowPayloadLimit - 1));
}

bool FitsNarrow(std::uint64_t slot)
{
    std::uint32_t narrow;
    return ToNarrow(slot, narrow);
}

// The smaller of the two layouts for `count` cells spanning `span` columns.
bool DenseIsSmaller(std::uint64_t span, std::uint64_t count, bool wide)
{
    const std::uint64_t slot = wide ? 8 : 4;
    return span * slot <= count * (slot + 4);
}

// Holes a dense row takes to append a cell past its end before it turns sparse.
constexpr int kMaxAppendedHoles = 2;

template <typename Pairs>
auto FindCol(Pairs& pairs, int col)
{
    return std::lower_bound(pairs.begin(), pairs.end(), col, [](const auto& p, int c) { return p.first < c; });
}

}  // namespace

// What few cells need beside their slot: the formats of a book being written, and the
// rare number whose bits fall among the boxed patterns. Both ordered by column.
struct CellRow::Aside {
    std::vector<std::pair<std::int32_t, std::uint16_t>> formats;
    std::vector<std::pair<std::int32_t, double>> numbers;
};

CellRow::CellRow(const CellRow& other)
    : bytes_(other.bytes_),
      aside_(other.aside_ ? std::make_unique<Aside>(*other.aside_) : nullptr),
      first_(other.first_),
      slots_(other.slots_),
      cells_(other.cells_),
      wide_(other.wide_),
      sparse_(other.sparse_)
{
}

CellRow::CellRow(CellRow&&) noexcept = default;
CellRow& CellRow::operator=(CellRow&&) noexcept = default;
CellRow::~CellRow() = default;

CellRow& CellRow::operator=(const CellRow& other)
{
    if (this != &other)
        *this = CellRow(other);
    return *this;
}

int CellRow::colAt(std::size_t index) const
{
    if (!sparse_)
        return first_ + static_cast<int>(index);
    std::int32_t col;
    std::memcpy(&col, bytes_.data() + index * stride(), sizeof col);
    return col;
}

std::uint64_t CellRow::slotAt(std::size_t index) const
{
    const unsigned char* at = bytes_.data() + index * stride() + (sparse_ ? 4 : 0);
    if (wide_) {
        std::uint64_t slot;
        std::memcpy(&slot, at, sizeof slot);
        return slot;
    }
    std::uint32_t narrow;
    std::memcpy(&narrow, at, sizeof narrow);
    return FromNarrow(narrow);
}

bool CellRow::isHole(std::size_t index) const
{
    if (sparse_)
        return false;
    const unsigned char* at = bytes_.data() + index * stride();
    if (wide_) {
        std::uint64_t slot;
        std::memcpy(&slot, at, sizeof slot);
        return slot == kHoleSlot;
    }
    std::uint32_t narrow;
    std::memcpy(&narrow, at, sizeof narrow);
    return narrow == 0;
}

Cell CellRow::cellAt(std::size_t index) const
{
    Cell cell;
    cell.col = colAt(index);
    const std::uint64_t slot = slotAt(index);
    if (!IsBoxed(slot)) {
        cell.type = CellType::Number;
        cell.number = NumberOf(slot);
    } else {
        const std::uint32_t payload = PayloadOf(slot);
        switch (TagOf(slot)) {
        case kHole: cell.type = CellType::Empty; break;
        case kBlank: cell.type = CellType::Blank; break;
        case kBoolean:
            cell.type = CellType::Boolean;
            cell.number = payload != 0 ? 1.0 : 0.0;
            break;
        case kError:
            cell.type = CellType::Error;
            cell.number = static_cast<std::int32_t>(payload);
            break;
        case kText:
            cell.type = CellType::Text;
            cell.text = payload;
            break;
        case kAside: {
            cell.type = CellType::Number;
            auto found = FindCol(aside_->numbers, cell.col);
            cell.number = found->second;
            break;
        }
        }
    }
    if (aside_ && !aside_->formats.empty()) {
        auto found = FindCol(aside_->formats, cell.col);
        if (found != aside_->formats.end() && found->first == cell.col)
            cell.format = found->second;
    }
    return cell;
}

std::size_t CellRow::lowerBound(int col) const
{
    if (!sparse_) {
        if (col <= first_)
            return 0;
        return std::min<std::size_t>(static_cast<std::size_t>(col - first_), slots_);
    }
    std::size_t low = 0, high = slots_;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (colAt(mid) < col)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

std::optional<Cell> CellRow::find(int col) const
{
    const std::size_t index = lowerBound(col);
    if (index >= slots_ || colAt(index) != col || isHole(index))
        return std::nullopt;
    return cellAt(index);
}

int CellRow::colEnd() const
{
    return slots_ == 0 ? 0 : colAt(slots_ - 1) + 1;
}

std::size_t CellRow::storedBytes() const
{
    std::size_t bytes = bytes_.capacity();
    if (aside_)
        bytes += sizeof(Aside) + aside_->formats.capacity() * sizeof(aside_->formats[0])
            + aside_->numbers.capacity() * sizeof(aside_->numbers[0]);
    return bytes;
}

void CellRow::forget(int col)
{
    if (!aside_)
        return;
    auto format = FindCol(aside_->formats, col);
    if (format != aside_->formats.end() && format->first == col)
        aside_->formats.erase(format);
    auto number = FindCol(aside_->numbers, col);
    if (number != aside_->numbers.end() && number->first == col)
        aside_->numbers.erase(number);
    if (aside_->formats.empty() && aside_->numbers.empty())
        aside_.reset();
}

std::uint64_t CellRow::encode(const Cell& cell)
{
    if (cell.format != 0) {
        if (!aside_)
            aside_ = std::make_unique<Aside>();
        aside_->formats.insert(FindCol(aside_->formats, cell.col), {cell.col, cell.format});
    }
    switch (cell.type) {
    case CellType::Number: {
        const std::uint64_t bits = BitsOf(cell.number);
        if (!IsBoxed(bits))
            return bits;
        if (!aside_)
            aside_ = std::make_unique<Aside>();
        aside_->numbers.insert(FindCol(aside_->numbers, cell.col), {cell.col, cell.number});
        return Box(kAside, 0);
    }
    case CellType::Text: return Box(kText, cell.text);
    case CellType::Boolean: return Box(kBoolean, cell.number != 0.0 ? 1 : 0);
    case CellType::Error: return Box(kError, static_cast<std::uint32_t>(static_cast<std::int32_t>(cell.number)));
    case CellType::Blank: return Box(kBlank, 0);
    case CellType::Empty: break;
    }
    return kHoleSlot;
}

void CellRow::writeSlot(std::size_t index, std::uint64_t slot)
{
    unsigned char* at = bytes_.data() + index * stride() + (sparse_ ? 4 : 0);
    if (wide_) {
        std::memcpy(at, &slot, sizeof slot);
    } else {
        std::uint32_t narrow = 0;
        ToNarrow(slot, narrow);  // the caller has widened the row if it does not fit
        std::memcpy(at, &narrow, sizeof narrow);
    }
}

void CellRow::insertSlot(std::size_t index, int col, std::uint64_t slot)
{
    bytes_.insert(bytes_.begin() + static_cast<std::ptrdiff_t>(index * stride()), stride(), 0);
    if (sparse_) {
        const std::int32_t at = col;
        std::memcpy(bytes_.data() + index * stride(), &at, sizeof at);
    }
    ++slots_;
    writeSlot(index, slot);
}

std::vector<Cell> CellRow::cells() const
{
    std::vector<Cell> all;
    all.reserve(cells_);
    for (Cell cell : *this)
        all.push_back(cell);
    return all;
}

void CellRow::widen()
{
    if (wide_)
        return;
    std::vector<std::uint64_t> slots(slots_);
    for (std::size_t i = 0; i < slots_; ++i)
        slots[i] = slotAt(i);
    std::vector<std::int32_t> cols;
    if (sparse_)
        for (std::size_t i = 0; i < slots_; ++i)
            cols.push_back(colAt(i));
    wide_ = true;
    bytes_.assign(slots_ * stride(), 0);
    for (std::size_t i = 0; i < slots_; ++i) {
        if (sparse_)
            std::memcpy(bytes_.data() + i * stride(), &cols[i], sizeof cols[i]);
        writeSlot(i, slots[i]);
    }
}

void CellRow::set(const Cell& cell)
{
    const int col = cell.col;
    forget(col);
    if (cell.type == CellType::Empty) {
        // An empty cell is the absence of one.
        const std::size_t index = lowerBound(col);
        if (index < slots_ && colAt(index) == col && !isHole(index)) {
            if (sparse_) {
                bytes_.erase(bytes_.begin() + static_cast<std::ptrdiff_t>(index * stride()),
                             bytes_.begin() + static_cast<std::ptrdiff_t>((index + 1) * stride()));
                --slots_;
            } else {
                writeSlot(index, kHoleSlot);
            }
            --cells_;
        }
        return;
    }
    const std::uint64_t slot = encode(cell);
    if (!FitsNarrow(slot))
        widen();
    if (slots_ == 0) {
        bytes_.clear();
        sparse_ = false;
        first_ = col;
        insertSlot(0, col, slot);
        cells_ = 1;
        return;
    }
    if (!sparse_) {
        const long long end = static_cast<long long>(first_) + slots_;
        if (col >= first_ && col < end) {
            const auto index = static_cast<std::size_t>(col - first_);
            if (isHole(index))
                ++cells_;
            writeSlot(index, slot);
            return;
        }
        if (col >= end && col - end <= kMaxAppendedHoles) {
            for (long long c = end; c < col; ++c)
                insertSlot(slots_, static_cast<int>(c), kHoleSlot);
            insertSlot(slots_, col, slot);
            ++cells_;
            return;
        }
        // Far from the run of columns: the row keeps a column beside each cell from now on.
        // The slots move as they are; the aside entries stay keyed by column.
        std::vector<std::pair<int, std::uint64_t>> entries;
        entries.reserve(cells_);
        for (std::size_t i = 0; i < slots_; ++i)
            if (!isHole(i))
                entries.emplace_back(colAt(i), slotAt(i));
        sparse_ = true;
        bytes_.clear();
        bytes_.reserve((entries.size() + 1) * stride());
        slots_ = 0;
        for (const auto& [c, kept] : entries)
            insertSlot(slots_, c, kept);
    }
    const std::size_t index = lowerBound(col);
    if (index < slots_ && colAt(index) == col) {
        writeSlot(index, slot);
        return;
    }
    insertSlot(index, col, slot);
    ++cells_;
}

void CellRow::assign(const std::vector<Cell>& cells)
{
    bytes_.clear();
    aside_.reset();
    slots_ = 0;
    cells_ = 0;
    sparse_ = false;
    wide_ = false;
    first_ = 0;
    if (cells.empty())
        return;
    std::vector<std::uint64_t> slots;
    slots.reserve(cells.size());
    std::vector<std::uint32_t> narrow(cells.size());
    bool wide = false;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        slots.push_back(encode(cells[i]));
        wide = wide || !ToNarrow(slots.back(), narrow[i]);
    }
    wide_ = wide;
    const std::uint64_t span = static_cast<std::uint64_t>(cells.back().col) - static_cast<std::uint64_t>(cells.front().col) + 1;
    sparse_ = !DenseIsSmaller(span, cells.size(), wide);
    first_ = cells.front().col;
    slots_ = static_cast<std::uint32_t>(sparse_ ? cells.size() : span);
    bytes_.assign(slots_ * stride(), 0);  // a narrow hole is 0
    if (!sparse_ && wide_)
        for (std::size_t i = 0; i < slots_; ++i)
            writeSlot(i, kHoleSlot);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::size_t index = sparse_ ? i : static_cast<std::size_t>(cells[i].col - first_);
        if (sparse_) {
            const std::int32_t col = cells[i].col;
            std::memcpy(bytes_.data() + index * stride(), &col, sizeof col);
        }
        if (wide_)
            writeSlot(index, slots[i]);
        else
            std::memcpy(bytes_.data() + index * stride() + (sparse_ ? 4 : 0), &narrow[i], sizeof narrow[i]);
    }
    cells_ = static_cast<std::uint32_t>(cells.size());
}

void CellRow::compact()
{
    if (slots_ > 0) {
        const auto span = static_cast<std::uint64_t>(colEnd()) - static_cast<std::uint64_t>(colAt(0));
        bool needsWide = false;
        for (std::size_t i = 0; wide_ && !needsWide && i < slots_; ++i)
            needsWide = !FitsNarrow(slotAt(i));
        const bool wantSparse = !DenseIsSmaller(span, cells_, needsWide);
        if (wantSparse != sparse_ || needsWide != wide_)
            assign(cells());
    }
    bytes_.shrink_to_fit();
}

const CellRow& SheetData::RowsView::operator[](std::size_t row) const
{
    static const CellRow kNoCells;
    const std::uint32_t index = sheet_->rowIndex_[row];
    return index == 0 ? kNoCells : sheet_->rows_[index - 1];
}

CellRow& SheetData::rowFor(int row)
{
    const auto r = static_cast<std::size_t>(row);
    if (r >= rowIndex_.size())
        rowIndex_.resize(r + 1, 0);
    if (rowIndex_[r] == 0) {
        rows_.emplace_back();
        rowIndex_[r] = static_cast<std::uint32_t>(rows_.size());
    }
    return rows_[rowIndex_[r] - 1];
}

void SheetData::put(int row, const Cell& cell)
{
    if (row < 0 || cell.col < 0)
        return;
    if (cell.type == CellType::Empty && !hasRow(row))
        return;  // nothing to take away
    CellRow& cells = rowFor(row);
    const std::size_t before = cells.size();
    cells.set(cell);
    cellCount_ = cellCount_ - before + cells.size();
    if (cell.type != CellType::Empty) {
        rowEnd_ = std::max(rowEnd_, row + 1);
        colEnd_ = std::max(colEnd_, cell.col + 1);
    }
}

int SheetData::putRow(int row, std::vector<Cell>& cells)
{
    if (row < 0 || cells.empty()) {
        cells.clear();
        return -1;
    }
    int twice = -1;
    const auto noteTwice = [&twice](int col) {
        if (col >= 0 && (twice < 0 || col < twice))
            twice = col;
    };
    bool ordered = true;
    for (std::size_t i = 1; i < cells.size() && ordered; ++i)
        ordered = cells[i - 1].col < cells[i].col;
    if (!ordered) {
        // Stable, so that of two cells in one column the later one stays last.
        std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.col < b.col; });
        std::vector<Cell> unique;
        unique.reserve(cells.size());
        for (const Cell& c : cells) {
            if (!unique.empty() && unique.back().col == c.col) {
                noteTwice(c.col);
                unique.back() = c;
            } else {
                unique.push_back(c);
            }
        }
        cells.swap(unique);
    }
    cells.erase(std::remove_if(cells.begin(), cells.end(),
                               [](const Cell& c) { return c.col < 0 || c.type == CellType::Empty; }),
                cells.end());
    if (cells.empty())
        return twice;
    CellRow& stored = rowFor(row);
    const std::size_t before = stored.size();
    if (stored.empty()) {
        stored.assign(cells);
    } else {
        // One merge of two column-ordered runs; of two cells in one column the new one wins.
        const std::vector<Cell> old = stored.cells();
        std::vector<Cell> merged;
        merged.reserve(old.size() + cells.size());
        auto o = old.begin();
        for (const Cell& cell : cells) {
            for (; o != old.end() && o->col < cell.col; ++o)
                merged.push_back(*o);
            if (o != old.end() && o->col == cell.col) {
                noteTwice(cell.col);
                ++o;
            }
            merged.push_back(cell);
        }
        merged.insert(merged.end(), o, old.end());
        stored.assign(merged);
    }
    cellCount_ = cellCount_ - before + stored.size();
    rowEnd_ = std::max(rowEnd_, row + 1);
    colEnd_ = std::max(colEnd_, stored.colEnd());
    cells.clear();
    return twice;
}

void SheetData::shrinkToFit()
{
    rowIndex_.resize(static_cast<std::size_t>(rowEnd_));
    rowIndex_.shrink_to_fit();
    for (CellRow& row : rows_)
        row.compact();
    rows_.shrink_to_fit();
    strings_.shrink_to_fit();
}

std::size_t SheetData::storedBytes() const
{
    std::size_t bytes = rowIndex_.capacity() * sizeof(std::uint32_t) + rows_.capacity() * sizeof(CellRow);
    for (const CellRow& row : rows_)
        bytes += row.storedBytes();
    return bytes;
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

std::optional<Cell> SheetData::find(int row, int col) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rowIndex_.size() || rowIndex_[static_cast<std::size_t>(row)] == 0)
        return std::nullopt;
    return rows_[rowIndex_[static_cast<std::size_t>(row)] - 1].find(col);
}

}  // namespace wb
