#pragma once

// RFC 4180 records: comma-separated fields, double quotes around a field that holds commas,
// quotes or line ends, a quote inside doubled. Lines end with LF or CR LF.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace refdb {

struct CsvField {
    std::string text;
    bool quoted = false;  // "" (quoted, empty) is an empty text; an unquoted empty field is NULL
};

struct CsvRecord {
    std::size_t line = 0;  // where the record begins, from 1
    std::vector<CsvField> fields;
};

// Splits text into records. A UTF-8 byte order mark at the start is skipped, and so are
// lines with nothing on them. False for malformed text, with the line of the fault and the
// reason.
bool parseCsv(std::string_view text, std::vector<CsvRecord>& records, std::size_t& errorLine, std::string& reason);

}  // namespace refdb
