#include "workbook/xls/records.h"

#include <bit>
#include <cstring>

namespace wb::xls {

double getDouble(const std::uint8_t* p)
{
    std::uint64_t bits = static_cast<std::uint64_t>(get32(p)) | (static_cast<std::uint64_t>(get32(p + 4)) << 32);
    return std::bit_cast<double>(bits);
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

void putDouble(std::vector<std::uint8_t>& out, double v)
{
    auto bits = std::bit_cast<std::uint64_t>(v);
    put32(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
    put32(out, static_cast<std::uint32_t>(bits >> 32));
}

void set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

double decodeRk(std::uint32_t rk)
{
    double value;
    if (rk & 0x02) {
        // A 30-bit signed integer in the high bits.
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        value = std::bit_cast<double>(bits);
    }
    return (rk & 0x01) ? value / 100.0 : value;
}

void appendLatin1(std::string& out, std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        appendUtf8(out, b);
}

static constexpr std::uint32_t kReplacement = 0xFFFD;

void appendUtf16(std::string& out, std::span<const std::uint8_t> bytes, std::uint32_t& pendingHigh)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = get16(bytes.data() + i);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (pendingHigh)
                appendUtf8(out, kReplacement);
            pendingHigh = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (pendingHigh) {
                appendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
                pendingHigh = 0;
            } else {
                appendUtf8(out, kReplacement);
            }
        } else {
            if (pendingHigh) {
                appendUtf8(out, kReplacement);
                pendingHigh = 0;
            }
            appendUtf8(out, unit);
        }
    }
}

void finishUtf16(std::string& out, std::uint32_t& pendingHigh)
{
    if (pendingHigh)
        appendUtf8(out, kReplacement);
    pendingHigh = 0;
}

bool utf8ToUtf16(std::string_view text, std::u16string& out)
{
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        auto b0 = static_cast<std::uint8_t>(text[i]);
        std::uint32_t cp;
        std::size_t len;
        if (b0 < 0x80) {
            cp = b0;
            len = 1;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F;
            len = 2;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F;
            len = 3;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (i + len > text.size())
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            auto b = static_cast<std::uint8_t>(text[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        static constexpr std::uint32_t kMinForLength[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinForLength[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return true;
}

bool RecordReader::next(Record& record)
{
    if (pos_ + 4 > stream_.size())
        return false;
    std::uint16_t type = get16(stream_.data() + pos_);
    std::size_t length = get16(stream_.data() + pos_ + 2);
    if (length > stream_.size() - pos_ - 4) {
        damaged_ = true;
        return false;
    }
    record.type = type;
    record.offset = pos_;
    record.data = stream_.subspan(pos_ + 4, length);
    pos_ += 4 + length;
    return true;
}

std::uint16_t RecordReader::peekType() const
{
    if (pos_ + 4 > stream_.size())
        return 0;
    return get16(stream_.data() + pos_);
}

void ContinuedData::settle()
{
    while (piece_ < pieces_.size() && pos_ >= pieces_[piece_].size()) {
        ++piece_;
        pos_ = 0;
    }
}

bool ContinuedData::readBytes(std::uint8_t* out, std::size_t n)
{
    while (n > 0) {
        settle();
        if (exhausted())
            return false;
        std::size_t take = std::min(n, pieces_[piece_].size() - pos_);
        std::memcpy(out, pieces_[piece_].data() + pos_, take);
        out += take;
        pos_ += take;
        n -= take;
    }
    return true;
}

bool ContinuedData::skip(std::size_t n)
{
    while (n > 0) {
        settle();
        if (exhausted())
            return false;
        std::size_t take = std::min(n, pieces_[piece_].size() - pos_);
        pos_ += take;
        n -= take;
    }
    return true;
}

bool ContinuedData::read8(std::uint8_t& v) { return readBytes(&v, 1); }

bool ContinuedData::read16(std::uint16_t& v)
{
    std::uint8_t b[2];
    if (!readBytes(b, 2))
        return false;
    v = get16(b);
    return true;
}

bool ContinuedData::read32(std::uint32_t& v)
{
    std::uint8_t b[4];
    if (!readBytes(b, 4))
        return false;
    v = get32(b);
    return true;
}

bool ContinuedData::readChars(std::size_t count, std::uint8_t flags, std::string& out)
{
    std::uint32_t pendingHigh = 0;
    bool wide = flags & 0x01;
    bool first = true;
    while (count > 0) {
        if (!first || (piece_ < pieces_.size() && pos_ >= pieces_[piece_].size())) {
            // The characters go on in the next piece, which starts with its own flag byte.
            ++piece_;
            pos_ = 0;
            if (exhausted() || pieces_[piece_].empty())
                return false;
            wide = pieces_[piece_][0] & 0x01;
            pos_ = 1;
        }
        first = false;
        if (exhausted())
            return false;
        std::span<const std::uint8_t> piece = pieces_[piece_];
        std::size_t available = (piece.size() - pos_) / (wide ? 2 : 1);
        std::size_t take = std::min(available, count);
        std::span<const std::uint8_t> bytes = piece.subspan(pos_, take * (wide ? 2 : 1));
        if (wide)
            appendUtf16(out, bytes, pendingHigh);
        else
            appendLatin1(out, bytes);
        pos_ += bytes.size();
        count -= take;
        if (count > 0 && take == 0 && pos_ < piece.size())
            return false;  // an odd byte left over in a 16-bit run: damaged
    }
    finishUtf16(out, pendingHigh);
    return true;
}

bool ContinuedData::readUnicodeString(std::string& out)
{
    std::uint16_t count;
    std::uint8_t flags;
    if (!read16(count) || !read8(flags))
        return false;
    std::uint16_t runs = 0;
    std::uint32_t phoneticBytes = 0;
    if ((flags & 0x08) && !read16(runs))
        return false;
    if ((flags & 0x04) && !read32(phoneticBytes))
        return false;
    if (!readChars(count, flags, out))
        return false;
    return skip(static_cast<std::size_t>(runs) * 4) && skip(phoneticBytes);
}

}  // namespace wb::xls
