#pragma once

// RFC 4180 records: comma-separated fields, double quotes around a field that holds commas,
// quotes or line ends, a quote inside doubled. Lines end with LF or CR LF.

#include <cstddef>
#include <functional>
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

// Fields one record may hold; an Access table has at most 255 columns. A field costs far
// more memory than the comma that makes it, so a line of nothing but commas is refused
// here rather than held.
inline constexpr std::size_t kMaxCsvFields = 4096;

// Hands each record of the text to `take` as soon as it is complete (the record may be
// moved from). A UTF-8 byte order mark at the start is skipped, and so are lines with
// nothing on them. False for malformed text, with the line of the fault and the reason,
// and when `take` returns false (its reason left to it).
bool forEachCsvRecord(std::string_view text, const std::function<bool(CsvRecord&)>& take, std::size_t& errorLine,
                      std::string& reason);

// All records of the text at once.
bool parseCsv(std::string_view text, std::vector<CsvRecord>& records, std::size_t& errorLine, std::string& reason);

}  // namespace refdb
