#pragma once

#include <string>
#include <string_view>

namespace wb::xlsx {

// The grid's limits: 1,048,576 rows and 16,384 columns (A to XFD).
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxCols = 16384;

// A cell reference such as "B7" or "$B$7" -> 0-based row 6, column 1. False for anything
// else, and for a reference beyond the grid.
bool parseCellRef(std::string_view ref, int& row, int& col);
// A 1-based row number (the r attribute of a row) -> 0-based row; false beyond the grid.
bool parseRowNumber(std::string_view text, int& row);
// A decimal number written the file's way ("1.5", "-2E-3"); false unless the whole
// text is a finite number.
bool parseNumber(std::string_view text, double& value);
bool parseIndex(std::string_view text, unsigned long& value);

// The value of a hexadecimal digit, or -1.
int hexDigit(char c);

// Undoes the _xHHHH_ escapes with which a workbook stores characters XML cannot carry
// (control characters, and "_x005F_" for a literal "_"). Surrogate pairs are joined;
// an unpaired surrogate becomes U+FFFD.
void decodeEscapes(std::string& text);

// An ISO 8601 date or date-time ("2024-03-05", "2024-03-05T12:00:00", "T12:00"-less
// times "12:30:00") -> serial day number of the 1900 date system, where day 60 is the
// 29 February 1900 that never was. False when the text is no such date.
bool isoDateToSerial(std::string_view text, double& serial);

// The code of an error value ("#DIV/0!" -> 0x07), as the .xls format numbers them;
// #N/A for texts this reader does not know.
int errorCode(std::string_view text);
// The text of an error code ("#N/A" for codes without one).
const char* errorText(int code);

}  // namespace wb::xlsx
