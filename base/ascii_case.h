#pragma once

#include <string>
#include <string_view>

// Case folding of ASCII letters only, as Access compares codes and names and as workbook
// formats compare sheet and part names; bytes of non-ASCII characters stay as they are.

inline constexpr char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline constexpr char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The same for UTF-16 code units (names inside .xls files).
inline constexpr char16_t foldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

inline constexpr char16_t upperAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    return true;
}

inline std::string foldedCopy(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = foldAscii(c);
    return out;
}

inline std::string upperCopy(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upperAscii(c);
    return out;
}
