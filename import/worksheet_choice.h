#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "workbook/book.h"

// The parts of the worksheet choice that need no window: the book for a file name, a
// sheet by its name, the first-data-row guess, the column letters and the preview grid's
// cell texts. The desktop dialog and the command line share them.
namespace worksheet {

// The format a file's name gives: .xls (any case) the binary format, every other name .xlsx.
wb::Book::FileFormat FormatFor(const std::string& path);
// A new empty book for the file's format (FormatFor).
std::unique_ptr<wb::Book> CreateBookFor(const std::string& path);

// The first sheet, in workbook order, whose name equals name exactly; nullptr when none.
const wb::Sheet* FindSheet(const wb::Book& book, std::string_view name);
// Its index from 0, or -1.
int FindSheetIndex(const wb::Book& book, std::string_view name);

// The guessed first data row (1-based): the first of the sheet's first 20 rows whose
// column B holds a non-empty text. Nothing when there is none.
std::optional<int> GuessFirstDataRow(const wb::Sheet& sheet);
constexpr int kFirstRowGuessRows = 20;

// The metric family a sheet's labels name (column A): "Calcium" in row 5 DAM; otherwise
// "Alkalinity" in row 4 rivers and "Type" in row 4 lakes (any case, anywhere in the
// label, as the import checks them). Nothing when the labels name none.
std::optional<int> GuessFamily(const wb::Sheet& sheet);

// The 1-based column number of column letters (the inverse of wb::ColumnLetters plus
// one): "AA" (any case) gives 27; nothing for an empty text, a character that is
// not a letter, or a column beyond the int range.
std::optional<int> ColumnNumber(std::string_view letters);

// The text of the preview grid at grid row and grid column (both from 1; the sheet's
// cell at index row - 1, column - 1): numbers with "%.13g", except in grid row 3 from grid
// column 3 on, where a number strictly between 20000 and 60000 is a sampling date shown
// as "%d-%b-%Y"; texts as they are; nothing for every other cell.
std::string PreviewCellText(const wb::Sheet& sheet, int gridRow, int gridColumn);

}  // namespace worksheet
