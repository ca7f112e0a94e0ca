#include "refdb/jet/text.h"

namespace refdb {

bool utf8ToUtf16(std::string_view utf8, std::u16string& utf16)
{
    utf16.clear();
    utf16.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::uint32_t code = 0;
        std::size_t extra = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            extra = 3;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= utf8.size() && extra > 0)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000) {
            code -= 0x10000;
            utf16.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            utf16.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            utf16.push_back(static_cast<char16_t>(code));
        }
        i += extra + 1;
    }
    return true;
}

namespace {

void appendUcs2(const std::u16string& text, std::string& bytes)
{
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
}

}  // namespace

bool jetTextBytes(const std::u16string& text, std::string& bytes)
{
    bytes.clear();
    bool compressible = true;
    bool lowByteZero = false;
    for (char16_t unit : text) {
        if (unit == 0 || unit > 0xFF)
            compressible = false;
        if ((unit & 0xFF) == 0)
            lowByteZero = true;
    }
    // The mark costs two bytes; one byte per character saves one, so three characters
    // are the shortest text worth compressing.
    if (compressible && text.size() > 2) {
        bytes.reserve(2 + text.size());
        bytes.push_back('\xFF');
        bytes.push_back('\xFE');
        for (char16_t unit : text)
            bytes.push_back(static_cast<char>(unit));
        return true;
    }
    if (!text.empty() && text.front() == 0xFEFF) {
        // In the plain mode a 0x00 byte at a character's start switches modes, so a
        // character with a zero low byte cannot follow the switch.
        if (lowByteZero)
            return false;
        bytes.push_back('\xFF');
        bytes.push_back('\xFE');
        bytes.push_back('\0');
        appendUcs2(text, bytes);
        return true;
    }
    appendUcs2(text, bytes);
    return true;
}

}  // namespace refdb
