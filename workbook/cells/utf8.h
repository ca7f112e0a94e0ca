#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Appends one Unicode code point to out as UTF-8; both file formats decode their texts
// (UTF-16 in .xls records, _xHHHH_ escapes in .xlsx) through it.
void appendUtf8(std::string& out, std::uint32_t codePoint);

}  // namespace wb
