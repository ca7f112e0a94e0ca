#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/cells/utf8.h"

// The pieces of the BIFF record format shared by the .xls reader and writer:
// record numbers, little-endian access and the conversion of BIFF texts.
namespace wb::xls {

enum RecordType : std::uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kFooter = 0x0015,
    kExternSheet = 0x0017,
    kName = 0x0018,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kFont = 0x0031,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kPane = 0x0041,
    kCodePage = 0x0042,
    kColInfo = 0x007D,
    kWsBool = 0x0081,
    kBoundSheet = 0x0085,
    kSetup = 0x00A1,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kExtSst = 0x00FF,
    kSupBook = 0x01AE,
    kDimensions = 0x0200,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kWindow2 = 0x023E,
    kRk = 0x027E,
    kStyle = 0x0293,
    kBof = 0x0809,
};

// The largest record body BIFF8 allows; longer data goes on in CONTINUE records.
inline constexpr std::size_t kMaxRecordData = 8224;

inline constexpr int kMaxRows = 65536;
inline constexpr int kMaxCols = 256;

// The BOF record's substream kinds.
inline constexpr std::uint16_t kBofGlobals = 0x0005;
inline constexpr std::uint16_t kBofWorksheet = 0x0010;

inline std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
double getDouble(const std::uint8_t* p);

void put16(std::vector<std::uint8_t>& out, std::uint16_t v);
void put32(std::vector<std::uint8_t>& out, std::uint32_t v);
void putDouble(std::vector<std::uint8_t>& out, double v);
void set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v);

// The number an RK value stands for (a packed integer or the high half of a double,
// optionally divided by 100).
double decodeRk(std::uint32_t rk);

using wb::appendUtf8;
// BIFF character data: 8-bit "compressed" characters are Latin-1 (the low byte of their
// UTF-16 value); the others UTF-16LE. Both are appended to out as UTF-8. A lone surrogate
// becomes U+FFFD. `pendingHigh` carries a high surrogate across a CONTINUE split.
void appendLatin1(std::string& out, std::span<const std::uint8_t> bytes);
void appendUtf16(std::string& out, std::span<const std::uint8_t> bytes, std::uint32_t& pendingHigh);
void finishUtf16(std::string& out, std::uint32_t& pendingHigh);

// UTF-8 to UTF-16 code units; false when text is not valid UTF-8.
bool utf8ToUtf16(std::string_view text, std::u16string& out);

// One record as found in a stream: its type and its body, which lies inside the stream.
struct Record {
    std::uint16_t type = 0;
    std::span<const std::uint8_t> data;
    std::size_t offset = 0;  // of the record header within the stream
};

// Walks the records of a BIFF stream from a given offset.
class RecordReader {
public:
    RecordReader(std::span<const std::uint8_t> stream, std::size_t offset) : stream_(stream), pos_(offset) {}
    // The next record, or false at the end of the stream or when a record does not
    // fit in what is left of it (then `damaged()` tells which).
    bool next(Record& record);
    // The next record's type without moving on; 0 when there is none.
    std::uint16_t peekType() const;
    bool damaged() const { return damaged_; }

private:
    std::span<const std::uint8_t> stream_;
    std::size_t pos_;
    bool damaged_ = false;
};

// A record's body and the bodies of the CONTINUE records after it, read as one run of
// bytes; a text's character data restarts at each piece with a repeated flag byte.
class ContinuedData {
public:
    void add(std::span<const std::uint8_t> piece) { if (!piece.empty()) pieces_.push_back(piece); }
    bool atEnd()
    {
        settle();
        return exhausted();
    }
    // Raw bytes, which may cross pieces; false when the data ends first.
    bool readBytes(std::uint8_t* out, std::size_t n);
    bool skip(std::size_t n);
    bool read8(std::uint8_t& v);
    bool read16(std::uint16_t& v);
    bool read32(std::uint32_t& v);
    // The characters of a text whose header (count, flags) has been read: `count`
    // characters, 8-bit or 16-bit as the flags' low bit says, switching with the flag
    // byte at the start of each following piece.
    bool readChars(std::size_t count, std::uint8_t flags, std::string& out);
    // A whole BIFF8 text: 16-bit character count, flags, optional rich-text run count and
    // phonetic size, the characters, then the skipped runs and phonetic data.
    bool readUnicodeString(std::string& out);

private:
    void settle();
    bool exhausted() const { return piece_ >= pieces_.size(); }
    std::vector<std::span<const std::uint8_t>> pieces_;
    std::size_t piece_ = 0;
    std::size_t pos_ = 0;
};

}  // namespace wb::xls
