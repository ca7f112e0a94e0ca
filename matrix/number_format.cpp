#include "matrix/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace numtext {

namespace {

std::string floating(double value, char conversion, int precision)
{
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    std::chars_format fmt = std::chars_format::general;
    if (conversion == 'f')
        fmt = std::chars_format::fixed;
    else if (conversion == 'e')
        fmt = std::chars_format::scientific;
    if (precision < 0)
        precision = 6;
    if ((conversion == 'g' || conversion == 'G') && precision == 0)
        precision = 1;
    char buffer[400];
    std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, fmt, precision);
    if (r.ec != std::errc())
        return "";
    std::string out(buffer, r.ptr);
    if (conversion == 'G')
        for (char& c : out)
            if (c == 'e')
                c = 'E';
    return out;
}

std::string integer(long long value, char conversion)
{
    char buffer[32];
    std::to_chars_result r;
    if (conversion == 'x' || conversion == 'X') {
        // Hexadecimal shows the 32-bit pattern of negative codes, as %lx does with a long
        // that holds an HRESULT.
        unsigned long long bits = value < 0 ? static_cast<unsigned long long>(static_cast<std::uint32_t>(value))
                                            : static_cast<unsigned long long>(value);
        r = std::to_chars(buffer, buffer + sizeof buffer, bits, 16);
        std::string out(buffer, r.ptr);
        if (conversion == 'X')
            for (char& c : out)
                if (c >= 'a' && c <= 'f')
                    c = static_cast<char>(c - 'a' + 'A');
        return out;
    }
    r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

}  // namespace

std::string general(double value, int precision)
{
    return floating(value, 'g', precision);
}

std::string g(double value) { return general(value, 6); }
std::string g13(double value) { return general(value, 13); }
std::string g17(double value) { return general(value, 17); }

std::string format(std::string_view pattern, std::initializer_list<Arg> args)
{
    std::string out;
    const Arg* next = args.begin();
    std::size_t i = 0;
    while (i < pattern.size()) {
        char c = pattern[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < pattern.size() && pattern[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        bool leftAlign = false, zeroPad = false;
        while (i < pattern.size() && (pattern[i] == '-' || pattern[i] == '0')) {
            if (pattern[i] == '-')
                leftAlign = true;
            else
                zeroPad = true;
            ++i;
        }
        int width = 0;
        while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9')
            width = width * 10 + (pattern[i++] - '0');
        int precision = -1;
        if (i < pattern.size() && pattern[i] == '.') {
            ++i;
            precision = 0;
            while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9')
                precision = precision * 10 + (pattern[i++] - '0');
        }
        while (i < pattern.size() && (pattern[i] == 'l' || pattern[i] == 'h'))
            ++i;
        if (i >= pattern.size())
            break;
        char conversion = pattern[i++];
        std::string piece;
        const Arg* arg = next != args.end() ? next++ : nullptr;
        if (arg) {
            switch (conversion) {
            case 'd': case 'i': case 'u': case 'x': case 'X': {
                long long v = 0;
                if (auto p = std::get_if<long long>(arg))
                    v = *p;
                else if (auto d = std::get_if<double>(arg))
                    v = static_cast<long long>(*d);
                piece = integer(v, conversion);
                break;
            }
            case 'g': case 'G': case 'f': case 'e': {
                if (auto d = std::get_if<double>(arg))
                    piece = floating(*d, conversion, precision);
                else if (auto p = std::get_if<long long>(arg))
                    piece = floating(static_cast<double>(*p), conversion, precision);
                break;
            }
            case 's':
                if (auto s = std::get_if<std::string_view>(arg)) {
                    piece = std::string(*s);
                    if (precision >= 0 && piece.size() > static_cast<std::size_t>(precision))
                        piece.resize(static_cast<std::size_t>(precision));
                }
                break;
            default:
                break;
            }
        }
        if (static_cast<int>(piece.size()) < width) {
            std::size_t pad = static_cast<std::size_t>(width) - piece.size();
            if (leftAlign) {
                piece.append(pad, ' ');
            } else if (zeroPad && conversion != 's') {
                std::size_t signAt = (!piece.empty() && piece[0] == '-') ? 1 : 0;
                piece.insert(signAt, pad, '0');
            } else {
                piece.insert(0, pad, ' ');
            }
        }
        out += piece;
    }
    return out;
}

}  // namespace numtext

namespace numtext {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

int leadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    bool any = false;
    while (i < text.size() && isDigit(text[i])) {
        any = true;
        if (value < 10000000000LL)
            value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (!any)
        return 0;
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return 2147483647;
    if (value < -2147483648LL)
        return -2147483647 - 1;
    return static_cast<int>(value);
}

double leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    std::size_t start = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::size_t digitsFrom = i;
    std::size_t intDigits = 0, fracDigits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++intDigits;
    }
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        while (j < text.size() && isDigit(text[j])) {
            ++j;
            ++fracDigits;
        }
        if (intDigits + fracDigits > 0)
            i = j;
    }
    if (intDigits + fracDigits == 0)
        return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    (void)start;
    double value = 0.0;
    std::from_chars(text.data() + digitsFrom, text.data() + i, value, std::chars_format::general);
    return negative ? -value : value;
}

}  // namespace numtext
