#pragma once

// A table for the Access writer read from a CSV file whose first line names the columns as
// Name:type (text, text(N), memo, byte, integer, long, single, double, currency, boolean,
// datetime). Every error names the file and the line: "FILE:LINE: reason".

#include <cstddef>
#include <string>
#include <string_view>

#include "refdb/jet/writer.h"

namespace refdb {

// Parses one header field, "Name:type"; false with the reason.
bool parseColumnHeader(std::string_view field, ColumnSpec& column, std::string& reason);

// Parses the CSV text into table (its name is left as it is). fileLabel names the file in
// error messages.
bool parseCsvTable(std::string_view text, const std::string& fileLabel, TableSpec& table, std::string& error);

// Reads the file at path and parses it.
bool readCsvTable(const std::string& path, TableSpec& table, std::string& error);

}  // namespace refdb
