#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// Reads a results workbook back with another program's reader (openpyxl for .xlsx, xlrd
// for .xls, both under Debian's python3) and compares it with the expected cells.
namespace readback {

// What a cell is expected to hold, one token per cell: "" empty, "t:text" a text without
// a format, "n:12" a number without a format, "f:0.53" a number in the two-decimal format,
// "d:40000" a number (serial day) in the date format.
using ExpectedRow = std::vector<std::string>;

struct ExpectedSheet {
    std::string name;
    std::vector<ExpectedRow> rows;
};

struct ReadCell {
    std::string kind;  // "s" text, "n" number, "d" date, anything else a kind we never write
    std::string value;
    int format = 0;  // built-in number format id
};

struct ReadSheet {
    std::string name;
    std::map<std::pair<int, int>, ReadCell> cells;
    int columnEnd = 0;  // one after the last column holding a cell
};

// How a sheet looks, as the other program's reader sees it. Widths are in characters as
// the file stores them (the cell padding of 5/7 of a digit included).
struct ReadLayout {
    std::string name;
    std::map<int, double> columnWidths;
    int frozenRows = 0, frozenCols = 0;
    std::vector<std::pair<int, int>> boldCells;  // in row, then column order
    int titleFirstRow = -1, titleLastRow = -1;   // rows printed on every page
    // Page set-up; only the .xlsx reader sees these (empty for .xls).
    std::string orientation, footer;
    int paperSize = 0;
    bool fitToPage = false;
    int fitToWidth = -1, fitToHeight = -1;  // -1 when the file leaves the default
};

struct ReadBook {
    std::vector<ReadLayout> sheets;
    // The document properties (.xlsx only).
    std::string title, subject, application;
};

// The layout of every sheet and the document properties; fails the test (and returns
// none) when the reader cannot read the file.
ReadBook readLayout(const std::string& path);

// Every sheet of the workbook in order; fails the test (and returns none) when the
// reader cannot read the file.
std::vector<ReadSheet> readWorkbook(const std::string& path);

// Adds a failure for each cell that differs, each cell that is missing and each cell
// that should not be there.
void expectSheet(const ReadSheet& actual, const ExpectedSheet& expected);
void expectWorkbook(const std::vector<ReadSheet>& actual, const std::vector<ExpectedSheet>& expected);

}  // namespace readback
