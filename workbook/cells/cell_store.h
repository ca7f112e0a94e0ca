#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wb {

// The cell kinds a caller sees, numbered as the sample reader and the preview expect.
enum class CellType : std::uint8_t { Empty = 0, Number = 1, Text = 2, Boolean = 3, Blank = 4, Error = 5 };

// One cell as a caller sees it (the store keeps it far smaller, see CellRow). A number
// (and a date, which is its serial day number) lives in `number`; a boolean is 0 or 1
// there; an error keeps its code there (0x07 #DIV/0! ...). A text is an index into its
// sheet's string pool. `format` is 0 for none, else the book's format number + 1.
struct Cell {
    std::int32_t col = 0;
    CellType type = CellType::Empty;
    std::uint16_t format = 0;
    std::uint32_t text = 0;
    double number = 0.0;
};

// The cells of one row, packed. Each cell is one slot of 4 or 8 bytes: a narrow row
// (4 bytes a cell) serves while every cell is a whole number of at most 30 bits, a text
// index below 2^28, a boolean, an error code or a blank; one other value widens the row
// to 8 bytes a cell, where a number keeps its exact bits and the other kinds sit in a
// NaN pattern no number of a file takes (a number that has it anyway is kept aside,
// bit for bit). A dense row's slots stand for consecutive columns from its first (holes
// cost a slot); a sparse row keeps a column number beside each slot. Whichever layout
// is smaller is chosen when a row is stored whole; cell formats, which only books being
// written carry, are kept aside too.
class CellRow {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Cell;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Cell;

        const_iterator() = default;
        Cell operator*() const { return row_->cellAt(index_); }
        const_iterator& operator++()
        {
            ++index_;
            skipHoles();
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }

    private:
        friend class CellRow;
        const_iterator(const CellRow* row, std::size_t index) : row_(row), index_(index) { skipHoles(); }
        void skipHoles()
        {
            while (index_ < row_->slots_ && row_->isHole(index_))
                ++index_;
        }
        const CellRow* row_ = nullptr;
        std::size_t index_ = 0;
    };

    CellRow() = default;
    CellRow(const CellRow& other);
    CellRow& operator=(const CellRow& other);
    CellRow(CellRow&&) noexcept;
    CellRow& operator=(CellRow&&) noexcept;
    ~CellRow();

    bool empty() const { return cells_ == 0; }
    // The cells stored (holes of a dense row not counted).
    std::size_t size() const { return cells_; }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, slots_); }
    std::optional<Cell> find(int col) const;
    // The column after the last cell (0 for an empty row).
    int colEnd() const;
    // Bytes the row's storage takes, for the benchmarks.
    std::size_t storedBytes() const;

private:
    friend class SheetData;
    struct Aside;

    std::size_t slotBytes() const { return wide_ ? 8 : 4; }
    std::size_t stride() const { return slotBytes() + (sparse_ ? 4 : 0); }
    int colAt(std::size_t index) const;
    std::uint64_t slotAt(std::size_t index) const;
    bool isHole(std::size_t index) const;
    Cell cellAt(std::size_t index) const;
    // The index of the slot for col (dense: where it would be; sparse: the first at or after).
    std::size_t lowerBound(int col) const;

    // Sets a cell (replacing one in its column).
    void set(const Cell& cell);
    // Replaces the row with cells (ordered by column, one per column), in the smaller layout.
    void assign(const std::vector<Cell>& cells);
    // Stores the row again in the smaller layout if it is not, without spare capacity.
    void compact();

    std::vector<Cell> cells() const;
    void writeSlot(std::size_t index, std::uint64_t slot);
    void insertSlot(std::size_t index, int col, std::uint64_t slot);
    void widen();
    std::uint64_t encode(const Cell& cell);
    void forget(int col);

    std::vector<unsigned char> bytes_;
    std::unique_ptr<Aside> aside_;
    std::int32_t first_ = 0;   // a dense row: the column of slot 0
    std::uint32_t slots_ = 0;  // slots in use
    std::uint32_t cells_ = 0;  // slots that hold a cell
    bool wide_ = false;
    bool sparse_ = false;
};

// The cells of one sheet, row by row; each row keeps its cells ordered by column.
// Only rows that hold cells take more than a few bytes.
class SheetData {
public:
    // The rows as the writers walk them: rows()[r] is row r (an empty one where none is).
    class RowsView {
    public:
        std::size_t size() const { return sheet_->rowIndex_.size(); }
        const CellRow& operator[](std::size_t row) const;

    private:
        friend class SheetData;
        explicit RowsView(const SheetData* sheet) : sheet_(sheet) {}
        const SheetData* sheet_;
    };

    std::string name;
    // True when the workbook counts its date serials from 1904 (as old Mac spreadsheets
    // do): serial 0 is 1 January 1904, 1462 days after the 1900 system's day 0. Number
    // cells keep the serial as the file holds it; whoever reads a cell as a date converts.
    bool date1904 = false;

    // Sets (or replaces) a cell. Rows and columns are 0-based.
    void setNumber(int row, int col, double value, std::uint16_t format = 0);
    void setText(int row, int col, std::string_view text, std::uint16_t format = 0);
    void setBoolean(int row, int col, bool value);
    void setError(int row, int col, int code);
    void setBlank(int row, int col, std::uint16_t format = 0);

    // The cell at (row, col), or nothing when none is stored there.
    std::optional<Cell> find(int row, int col) const;
    const std::string& textOf(const Cell& cell) const { return strings_[cell.text]; }

    // The numbers after the last row and column that hold a cell (0 for an empty sheet).
    int rowEnd() const { return rowEnd_; }
    int colEnd() const { return colEnd_; }
    std::size_t cellCount() const { return cellCount_; }

    RowsView rows() const { return RowsView(this); }
    // True when the row holds at least one cell.
    bool hasRow(int row) const
    {
        if (row < 0 || static_cast<std::size_t>(row) >= rowIndex_.size())
            return false;
        const std::uint32_t index = rowIndex_[static_cast<std::size_t>(row)];
        return index != 0 && !rows_[index - 1].empty();
    }
    const std::vector<std::string>& strings() const { return strings_; }

    // Texts shared by many cells (a reader's shared-string table) are added once
    // and their index passed to setTextIndex.
    std::uint32_t addString(std::string text);
    void setTextIndex(int row, int col, std::uint32_t index, std::uint16_t format = 0);

    void reserveRows(std::size_t n) { rowIndex_.reserve(n); }

    // Stores a whole row at once (a reader's fast path). `cells` may come in any column
    // order; of two cells in one column the later wins. Cells with a negative column are
    // dropped. Merges with cells already stored in that row. `cells` is left empty. Returns
    // the first column (the lowest) that was given a cell twice, in `cells` or beside a
    // stored one, or -1: a reader refuses such a file rather than keep either cell.
    int putRow(int row, std::vector<Cell>& cells);
    // Gives back the spare capacity that growing left behind (after a file is read) and
    // stores each row in its smaller layout.
    void shrinkToFit();
    // Bytes the cells take (rows and their slots, texts not counted), for the benchmarks.
    std::size_t storedBytes() const;

private:
    void put(int row, const Cell& cell);
    CellRow& rowFor(int row);

    // rowIndex_[r] is 0 for a row without cells, else 1 + its place in rows_: a sheet
    // whose cells sit far down costs 4 bytes for each row above them.
    std::vector<std::uint32_t> rowIndex_;
    std::vector<CellRow> rows_;
    std::vector<std::string> strings_;
    int rowEnd_ = 0;
    int colEnd_ = 0;
    std::size_t cellCount_ = 0;
};

// Days from the 1904 date system's day 0 (1 January 1904) to the 1900 system's serial of
// that day: a workbook kept in the 1904 system stores 38538 for 6 July 2009, which the
// 1900 system numbers 40000.
inline constexpr int kDate1904Offset = 1462;

// A date serial as the 1900 system numbers it, whichever system its workbook uses.
inline double SerialIn1900System(double serial, bool date1904)
{
    return date1904 ? serial + kDate1904Offset : serial;
}

// What a file holds, format aside: its sheets in workbook order and the number
// formats of the cell formats added for writing (a built-in number format id each).
struct WorkbookData {
    std::vector<SheetData> sheets;
    std::vector<int> formats;
};

}  // namespace wb
