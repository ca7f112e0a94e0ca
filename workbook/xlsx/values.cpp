#include "workbook/xlsx/values.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "base/ascii_case.h"
#include "base/civil_date.h"
#include "workbook/cells/utf8.h"

namespace wb::xlsx {

using wb::appendUtf8;

bool parseCellRef(std::string_view ref, int& row, int& col)
{
    const char* p = ref.data();
    const char* const end = p + ref.size();
    if (p < end && *p == '$')
        ++p;
    const char* const letters = p;
    int column = 0;
    while (p < end) {
        const char c = upperAscii(*p);
        if (c < 'A' || c > 'Z')
            break;
        if (p - letters == 3)
            return false;  // a fourth letter
        column = column * 26 + (c - 'A' + 1);
        ++p;
    }
    if (p == letters || column > kMaxCols)
        return false;
    if (p < end && *p == '$')
        ++p;
    if (!parseRowNumber(std::string_view(p, static_cast<std::size_t>(end - p)), row))
        return false;
    col = column - 1;
    return true;
}

bool parseRowNumber(std::string_view text, int& row)
{
    // Digits only (leading zeros allowed), read by hand: a row number is read for every
    // cell of a sheet.
    if (text.empty())
        return false;
    int number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
        if (number > kMaxRows)
            return false;
    }
    if (number < 1)
        return false;
    row = number - 1;
    return true;
}

static std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool parseNumber(std::string_view text, double& value)
{
    text = trimmed(text);
    // from_chars takes no leading '+'; a writer may still put one.
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    // Most cells of a count table are short whole numbers: up to 15 digits the integer is
    // below 2^53, so its double is exact and the same as from_chars would give.
    if (text.size() <= 15) {
        std::uint64_t whole = 0;
        bool digits = true;
        for (char c : text) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (digits) {
            value = static_cast<double>(whole);
            return true;
        }
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

bool parseIndex(std::string_view text, unsigned long& value)
{
    text = trimmed(text);
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code unit of an escape "_xHHHH_" at text[i], or -1.
static long escapeAt(const std::string& text, std::size_t i)
{
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_')
        return -1;
    long unit = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
        int d = hexDigit(text[k]);
        if (d < 0)
            return -1;
        unit = unit * 16 + d;
    }
    return unit;
}

void decodeEscapes(std::string& text)
{
    if (text.find("_x") == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        long unit = escapeAt(text, i);
        if (unit < 0) {
            out.push_back(text[i++]);
            continue;
        }
        i += 7;
        std::uint32_t cp = static_cast<std::uint32_t>(unit);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            long low = escapeAt(text, i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(low) - 0xDC00);
                i += 7;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    text.swap(out);
}

static bool readDigits(std::string_view& text, std::size_t count, long& value)
{
    if (text.size() < count)
        return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    text.remove_prefix(count);
    return true;
}

static bool readTime(std::string_view& text, double& dayFraction)
{
    long h = 0, mi = 0, s = 0;
    if (!readDigits(text, 2, h) || text.empty() || text.front() != ':')
        return false;
    text.remove_prefix(1);
    if (!readDigits(text, 2, mi))
        return false;
    double seconds = 0.0;
    if (!text.empty() && text.front() == ':') {
        text.remove_prefix(1);
        if (!readDigits(text, 2, s))
            return false;
        seconds = static_cast<double>(s);
        if (!text.empty() && text.front() == '.') {
            text.remove_prefix(1);
            double scale = 0.1;
            while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
                seconds += (text.front() - '0') * scale;
                scale /= 10;
                text.remove_prefix(1);
            }
        }
    }
    if (h > 24 || mi > 59 || s > 60)
        return false;
    // A zone suffix is accepted and ignored: the serial number has no time zone.
    if (!text.empty() && text.front() == 'Z')
        text.remove_prefix(1);
    else if (!text.empty() && (text.front() == '+' || text.front() == '-') && text.size() == 6)
        text = std::string_view();
    dayFraction = (static_cast<double>(h) * 3600.0 + static_cast<double>(mi) * 60.0 + seconds) / 86400.0;
    return text.empty();
}

bool isoDateToSerial(std::string_view text, double& serial)
{
    text = trimmed(text);
    double fraction = 0.0;
    if (text.size() >= 3 && text[2] == ':') {
        // A bare time: a serial below 1.
        if (!readTime(text, fraction))
            return false;
        serial = fraction;
        return true;
    }
    long y = 0, m = 0, d = 0;
    if (!readDigits(text, 4, y) || text.empty() || text.front() != '-')
        return false;
    text.remove_prefix(1);
    if (!readDigits(text, 2, m) || text.empty() || text.front() != '-')
        return false;
    text.remove_prefix(1);
    if (!readDigits(text, 2, d) || m < 1 || m > 12 || d < 1)
        return false;
    if (d > static_cast<long>(civil::DaysInMonth(y, static_cast<unsigned>(m))))
        return false;
    if (!text.empty()) {
        if (text.front() != 'T' && text.front() != ' ')
            return false;
        text.remove_prefix(1);
        if (!readTime(text, fraction))
            return false;
    }
    // Serial 1 is 1900-01-01. The 1900 system counts a 29 February 1900, so from
    // 1 March 1900 on a serial is the day count from 1899-12-30.
    long days = static_cast<long>(civil::DaysFromDate(y, static_cast<unsigned>(m), static_cast<unsigned>(d))
                                  + civil::kDaysFrom1899To1970);
    if (days < 61)
        days -= 1;  // 1900-01-01 .. 1900-02-28 are serials 1 .. 59
    if (days < 0)
        return false;  // before the 1900 system's day 0
    serial = static_cast<double>(days) + fraction;
    return true;
}

namespace {
struct KnownError {
    std::string_view text;
    int code;
};
constexpr KnownError kKnownErrors[] = {{"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
                                       {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A},    {"#GETTING_DATA", 0x2B}};
}  // namespace

int errorCode(std::string_view text)
{
    text = trimmed(text);
    for (const KnownError& k : kKnownErrors) {
        if (k.text == text)
            return k.code;
    }
    return 0x2A;
}

const char* errorText(int code)
{
    for (const KnownError& k : kKnownErrors) {
        if (k.code == code)
            return k.text.data();
    }
    return "#N/A";
}

}  // namespace wb::xlsx
