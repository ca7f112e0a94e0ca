#pragma once

// Text as Jet 4 stores it: UCS-2 little endian, or its compressed form (a 0xFF 0xFE mark,
// then one byte per character while the high bytes are 0).

#include <cstdint>
#include <string>
#include <string_view>

namespace refdb {

// Decodes UTF-8 into UTF-16 code units (characters beyond the basic plane become
// surrogate pairs). False for text that is not valid UTF-8 (overlong forms, surrogates,
// truncated sequences, values above U+10FFFF).
bool utf8ToUtf16(std::string_view utf8, std::u16string& utf16);

// The bytes Jet 4 keeps for a text or memo value: compressed when every character lies in
// U+0001..U+00FF and that is shorter, otherwise plain UCS-2. A plain value that would
// begin with the compression mark (a leading U+FEFF) is written as a compressed value
// that switches at once to the plain mode, so that readers do not mistake it. False when
// that is impossible (such a value also holds a character whose low byte is 0).
bool jetTextBytes(const std::u16string& text, std::string& bytes);

}  // namespace refdb
