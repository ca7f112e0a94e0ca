#pragma once

#include <string>
#include <string_view>

// Case folding of ASCII letters only, as Access compares codes and names; bytes of
// non-ASCII characters compare as they are.
inline char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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
