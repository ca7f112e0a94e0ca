#include "refdb/mdb_row_decoder.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <mdbtools.h>

namespace {

void appendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Code page 1252 differs from Latin-1 only in 0x80 to 0x9F; unassigned bytes there
// become U+FFFD.
const std::uint16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::uint32_t readLe(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

}  // namespace

std::string decodeJetText(const unsigned char* bytes, std::size_t size, bool jet3)
{
    std::string out;
    if (!bytes || size == 0)
        return out;
    if (jet3) {
        out.reserve(size);
        for (std::size_t i = 0; i < size; ++i) {
            unsigned char c = bytes[i];
            appendUtf8(out, (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c);
        }
        return out;
    }

    std::vector<std::uint16_t> units;
    units.reserve(size);
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        // Compressed: one byte per character while compressed, two while not; a zero
        // byte switches between the two.
        bool compressed = true;
        std::size_t i = 2;
        while (i < size) {
            if (bytes[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(bytes[i]);
                ++i;
            } else if (i + 1 < size) {
                units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < size; i += 2)
            units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }

    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;
        }
        appendUtf8(out, u);
    }
    return out;
}

DbValue decodeFixedValue(int mdbType, const unsigned char* p, std::size_t size, int scale)
{
    DbValue v;
    auto need = [&](std::size_t n) { return p && size >= n; };
    switch (mdbType) {
    case MDB_BYTE:
        if (!need(1))
            break;
        v.kind = DbValue::kindByte;
        v.byte = p[0];
        return v;
    case MDB_INT:
        if (!need(2))
            break;
        v.kind = DbValue::kindInt16;
        v.int16 = static_cast<std::int16_t>(readLe(p, 2));
        return v;
    case MDB_LONGINT:
        if (!need(4))
            break;
        v.kind = DbValue::kindInt32;
        v.int32 = static_cast<std::int32_t>(readLe(p, 4));
        return v;
    case MDB_FLOAT: {
        if (!need(4))
            break;
        std::uint32_t bits = readLe(p, 4);
        v.kind = DbValue::kindFloat;
        std::memcpy(&v.single, &bits, 4);
        return v;
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: {
        if (!need(8))
            break;
        std::uint64_t bits = (static_cast<std::uint64_t>(readLe(p + 4, 4)) << 32) | readLe(p, 4);
        v.kind = mdbType == MDB_DOUBLE ? DbValue::kindDouble : DbValue::kindDate;
        std::memcpy(&v.real, &bits, 8);
        return v;
    }
    case MDB_MONEY: {
        if (!need(8))
            break;
        std::uint64_t bits = (static_cast<std::uint64_t>(readLe(p + 4, 4)) << 32) | readLe(p, 4);
        v.kind = DbValue::kindCurrency;
        v.currency = static_cast<std::int64_t>(bits);
        return v;
    }
    case MDB_NUMERIC: {
        // A sign byte, then the unscaled 128-bit value as four little-endian 32-bit
        // words, the most significant word first.
        if (!need(17))
            break;
        double mantissa = 0;
        for (int word = 0; word < 4; ++word)
            mantissa = mantissa * 4294967296.0 + readLe(p + 1 + 4 * word, 4);
        v.kind = DbValue::kindDecimal;
        v.real = mantissa / std::pow(10.0, scale);
        if (p[0] & 0x80)
            v.real = -v.real;
        return v;
    }
    case MDB_REPID: {
        if (!need(16))
            break;
        static const char* hex = "0123456789ABCDEF";
        // The first three groups are little-endian, the last two as stored.
        const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        v.kind = DbValue::kindText;
        v.text = "{";
        for (int i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10)
                v.text += '-';
            v.text += hex[p[order[i]] >> 4];
            v.text += hex[p[order[i]] & 15];
        }
        v.text += '}';
        return v;
    }
    default:
        break;
    }
    return DbValue::null();
}
