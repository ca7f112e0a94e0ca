#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// The cell kinds a caller sees, numbered as the sample reader and the preview expect.
enum class CellType : std::uint8_t { Empty = 0, Number = 1, Text = 2, Boolean = 3, Blank = 4, Error = 5 };

// One stored cell. A number (and a date, which is its serial day number) lives in
// `number`; a boolean is 0 or 1 there; an error keeps its code there (0x07 #DIV/0! ...).
// A text is an index into its sheet's string pool. `format` is 0 for none, else the
// book's format number + 1.
struct Cell {
    std::int32_t col = 0;
    CellType type = CellType::Empty;
    std::uint16_t format = 0;
    std::uint32_t text = 0;
    double number = 0.0;
};

// The cells of one sheet, row by row; each row keeps its cells ordered by column.
// Only cells that are present take memory (a row without cells is an empty vector).
class SheetData {
public:
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

    // The cell at (row, col), or nullptr when none is stored there.
    const Cell* find(int row, int col) const;
    const std::string& textOf(const Cell& cell) const { return strings_[cell.text]; }

    // The numbers after the last row and column that hold a cell (0 for an empty sheet).
    int rowEnd() const { return rowEnd_; }
    int colEnd() const { return colEnd_; }
    std::size_t cellCount() const { return cellCount_; }

    const std::vector<std::vector<Cell>>& rows() const { return rows_; }
    // True when the row holds at least one cell.
    bool hasRow(int row) const
    {
        return row >= 0 && static_cast<std::size_t>(row) < rows_.size() && !rows_[static_cast<std::size_t>(row)].empty();
    }
    const std::vector<std::string>& strings() const { return strings_; }

    // Texts shared by many cells (a reader's shared-string table) are added once
    // and their index passed to setTextIndex.
    std::uint32_t addString(std::string text);
    void setTextIndex(int row, int col, std::uint32_t index, std::uint16_t format = 0);

    void reserveRows(std::size_t n) { rows_.reserve(n); }

    // Stores a whole row at once (a reader's fast path). `cells` may come in any column
    // order; of two cells in one column the later wins. Cells with a negative column are
    // dropped. Merges with cells already stored in that row. `cells` is left empty.
    void putRow(int row, std::vector<Cell>& cells);
    // Gives back the spare capacity that growing left behind (after a file is read).
    void shrinkToFit();

private:
    void put(int row, const Cell& cell);

    std::vector<std::vector<Cell>> rows_;
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
