#pragma once

// RFC 4180 records: comma-separated fields, double quotes around a field that holds commas,
// quotes or line ends, a quote inside doubled. Lines end with LF or CR LF. Read by the
// table files of torven-mkrefdb and by the taxon map; written by the taxon map.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace csv {

struct Field {
    std::string text;
    bool quoted = false;  // "" (quoted, empty) is an empty text; an unquoted empty field is NULL
};

struct Record {
    std::size_t line = 0;  // where the record begins, from 1
    std::vector<Field> fields;
};

// Fields one record may hold; an Access table has at most 255 columns, a taxon map line 5. A field costs far
// more memory than the comma that makes it, so a line of nothing but commas is refused
// here rather than held.
inline constexpr std::size_t kMaxFields = 4096;

// Hands each record of the text to `take` as soon as it is complete (the record may be
// moved from). A UTF-8 byte order mark at the start is skipped, and so are lines with
// nothing on them. False for malformed text, with the line of the fault and the reason,
// and when `take` returns false (its reason left to it).
bool forEachRecord(std::string_view text, const std::function<bool(Record&)>& take, std::size_t& errorLine,
                   std::string& reason);

// All records of the text at once.
bool parse(std::string_view text, std::vector<Record>& records, std::size_t& errorLine, std::string& reason);

// Appends one field to a line being written: as it is, or in double quotes (a quote inside
// doubled) when it holds a comma, a quote or a line end.
void appendField(std::string& line, std::string_view text);

}  // namespace csv
