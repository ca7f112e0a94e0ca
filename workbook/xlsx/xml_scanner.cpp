#include "workbook/xlsx/xml_scanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "workbook/xlsx/values.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace wb::xlsx {

namespace {

bool isSpace(char c) { return isXmlSpace(c); }

// The bytes that cannot be part of a name (expat's name rules are wider than this only
// for characters no workbook part uses in its element names), as a table: names are
// scanned byte by byte.
struct NameEnds {
    bool ends[256] = {};
    constexpr NameEnds()
    {
        for (unsigned char c : {' ', '\t', '\n', '\r', '/', '>', '=', '<', '"', '\'', '&'})
            ends[c] = true;
    }
};
constexpr NameEnds kNameEnds;
inline bool endsName(char c) { return kNameEnds.ends[static_cast<unsigned char>(c)]; }

// The plain characters of an attribute value or a cell's text: printable ASCII other
// than the two that start markup and references. A table too, for the same reason; a
// second one leaves out the '"' that ends a value in double quotes.
struct PlainChars {
    bool plain[256] = {};
    bool inQuotes[256] = {};
    constexpr PlainChars()
    {
        for (int c = 0x20; c < 0x7F; ++c) {
            plain[c] = c != '<' && c != '&';
            inQuotes[c] = plain[c] && c != '"';
        }
    }
};
constexpr PlainChars kPlainChars;

// The first byte from p on, before limit, that `marked` does not mark; limit when there is
// none. Four bytes a step: the values and texts of cells are short, and a loop's own test
// for each byte would cost as much as the byte's.
inline const char* skipMarked(const bool (&marked)[256], const char* p, const char* limit)
{
    auto is = [&marked](char c) { return marked[static_cast<unsigned char>(c)]; };
    while (limit - p >= 4) {
        if (!is(p[0]))
            return p;
        if (!is(p[1]))
            return p + 1;
        if (!is(p[2]))
            return p + 2;
        if (!is(p[3]))
            return p + 3;
        p += 4;
    }
    while (p < limit && is(*p))
        ++p;
    return p;
}

void appendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// A code point XML allows in a document.
bool isXmlChar(unsigned code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
        || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// The length of the UTF-8 sequence at `p` (at most `n` bytes available) if it is a whole,
// valid XML character; 0 when it is invalid; -1 when it may continue past `n`.
int utf8Length(const unsigned char* p, std::size_t n)
{
    const unsigned char c = p[0];
    int length;
    unsigned code;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        code = c & 0x07;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= n)
            return -1;
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || !isXmlChar(code))
        return 0;
    return length;
}

class Scanner {
public:
    enum class Outcome { Going, Failed, OtherEncoding };

    explicit Scanner(XmlHandler& handler, CellHandler* cells = nullptr) : handler_(handler), cells_(cells) {}

    // Takes the next inflated bytes; false once the scan has stopped (failure or an
    // encoding for parsePart).
    bool feed(const char* data, std::size_t length)
    {
        if (!buffer_.empty()) {
            // A token the last bytes cut off: it is finished with the start of these,
            // which is usually enough, and the rest is scanned where it lies below. A
            // longer token takes them all, as it would have taken them at once.
            const std::size_t kept = buffer_.size();
            const std::size_t joined = std::min(length, kJoinBytes);
            buffer_.append(data, joined);
            std::size_t used = 0;
            if (!scanBuffer(used))
                return false;
            if (used < kept) {
                if (joined < length) {
                    buffer_.append(data + joined, length - joined);
                    if (!scanBuffer(used))
                        return false;
                }
                return keptFits();
            }
            buffer_.clear();
            data += used - kept;
            length -= used - kept;
        }
        // The bytes are scanned where they lie; only what a token cut at their end leaves
        // is copied, to be finished with the next bytes.
        view_ = data;
        viewSize_ = length;
        const std::size_t used = scan(false);
        if (outcome_ != Outcome::Going)
            return false;
        lines_ += countLines(data, used);
        buffer_.assign(data + used, length - used);
        return keptFits();
    }
    // The end of the part: what is left must close the document.
    bool finish()
    {
        if (outcome_ != Outcome::Going)
            return false;
        view_ = buffer_.data();
        viewSize_ = buffer_.size();
        const std::size_t used = scan(true);
        if (outcome_ != Outcome::Going)
            return false;
        if (used < buffer_.size())
            return malformed("unclosed token", used);
        if (!rootSeen_ || depth() > 0)
            return malformed("no element found", used);
        return true;
    }
    Outcome outcome() const { return outcome_; }

private:
    // Bytes of the next chunk joined to a token that the last one cut (see feed()).
    static constexpr std::size_t kJoinBytes = 8192;

    // Scans buffer_ (not at the end of the part), drops what it used up and sets `used`.
    bool scanBuffer(std::size_t& used)
    {
        view_ = buffer_.data();
        viewSize_ = buffer_.size();
        used = scan(false);
        if (outcome_ != Outcome::Going)
            return false;
        lines_ += countLines(buffer_.data(), used);
        buffer_.erase(0, used);
        return true;
    }
    // What is kept of a cut token stays within the longest token read.
    bool keptFits()
    {
        if (buffer_.size() > static_cast<std::size_t>(kMaxTokenBytes)) {
            handler_.failTooLarge(kTagTooLong);
            outcome_ = Outcome::Failed;
            return false;
        }
        return true;
    }

    std::size_t depth() const { return openNames_.size(); }

    bool malformed(const char* what, std::size_t at)
    {
        const std::size_t line = lines_ + 1 + countLines(view_, std::min(at, viewSize_));
        handler_.fail(std::string("not well-formed XML (") + what + " at line " + std::to_string(line) + ")");
        outcome_ = Outcome::Failed;
        return false;
    }
    bool handlerFailed()
    {
        if (handler_.failed())
            outcome_ = Outcome::Failed;
        return outcome_ != Outcome::Going;
    }

    // Scans the buffer from its start; returns how many bytes were used up. At the end
    // of the part (`last`) nothing more will come.
    std::size_t scan(bool last)
    {
        const char* const begin = view_;
        const char* const end = begin + viewSize_;
        const char* p = begin;
        if (!started_) {
            if (end - p < 4 && !last)
                return 0;
            started_ = true;
            const auto* u = reinterpret_cast<const unsigned char*>(p);
            if (end - p >= 2 && ((u[0] == 0xFE && u[1] == 0xFF) || (u[0] == 0xFF && u[1] == 0xFE))) {
                outcome_ = Outcome::OtherEncoding;  // UTF-16
                return 0;
            }
            if (end - p >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF)
                p += 3;
            firstToken_ = true;
        }
        while (p < end) {
            if (*p != '<') {
                const char* textEnd = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
                if (!textEnd)
                    textEnd = end;
                const char* done = text(p, textEnd, last || textEnd != end);
                if (outcome_ != Outcome::Going)
                    return static_cast<std::size_t>(p - begin);
                p = done;
                if (p < textEnd)
                    return static_cast<std::size_t>(p - begin);  // an entity or character cut by the chunk's end
                continue;
            }
            if (cells_ && end - p >= 3 && p[1] == 'c' && (isSpace(p[2]) || p[2] == '>' || p[2] == '/') && inRow()) {
                // First the run of cells of the usual form that may start here.
                if (const char* after = cells_->usualCells(p, end); after != p) {
                    resumeAt_ = 0;
                    if (handlerFailed())
                        return static_cast<std::size_t>(p - begin);
                    p = after;
                    continue;
                }
                // Else a plain cell read whole; after it a run of usual cells may start
                // again (taking one leaves the handler taking cells unless it failed).
                const char* next = nullptr;
                const Fast fast = plainCell(p, end, next);
                if (fast == Fast::Done) {
                    resumeAt_ = 0;
                    if (handlerFailed())
                        return static_cast<std::size_t>(p - begin);
                    p = next;
                    continue;
                }
                if (fast == Fast::Incomplete && !last)
                    return static_cast<std::size_t>(p - begin);
                // Not plain, or cut off at the end of the part: the events read it and
                // refuse it as they would.
            }
            const char* next = markup(p, end);
            if (outcome_ != Outcome::Going || !next)
                return static_cast<std::size_t>(p - begin);
            p = next;
        }
        return static_cast<std::size_t>(p - begin);
    }

    // The line feeds among `length` bytes. Some writers put every element of a worksheet
    // on a line of its own (several lines a cell), so this counts 16 bytes a step rather
    // than searching from one line end to the next.
    static std::size_t countLines(const char* p, std::size_t length)
    {
        std::size_t lines = 0;
        const char* const end = p + length;
#ifdef __SSE2__
        const __m128i feed = _mm_set1_epi8('\n');
        while (end - p >= 16) {
            // Up to 255 steps of 16 bytes counted in byte lanes, then summed.
            const std::ptrdiff_t steps = std::min<std::ptrdiff_t>((end - p) / 16, 255);
            __m128i counts = _mm_setzero_si128();
            for (std::ptrdiff_t i = 0; i < steps; ++i, p += 16)
                counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), feed));
            const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
            lines += static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        }
#endif
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
            ++lines;
            ++p;
        }
        return lines;
    }

    // The open element is an unprefixed row, a cell element inside it would be one level
    // deeper and its children one more, and the handler takes cells now.
    bool inRow() const { return openIsRow_ && cells_->takesCells(); }

    // An element was opened or closed: whether the one open now is a row that can hold
    // cells, kept so that it is not worked out again for every cell.
    void openChanged()
    {
        openIsRow_ = depth() > 0 && depth() + 2 < static_cast<std::size_t>(kMaxXmlDepth) && openName() == "row";
    }
    void openElement(std::string_view name)
    {
        openNames_.push_back(names_.size());
        names_.append(name);
        openChanged();
    }
    void closeElement()
    {
        names_.resize(openNames_.back());
        openNames_.pop_back();
        openChanged();
    }

    enum class Fast { Done, NotPlain, Incomplete };

    static std::uint64_t load64(const char* p)
    {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        return word;
    }

    // A plain character of an attribute value or a cell's text (see PlainChars).
    static bool plainChar(char c) { return kPlainChars.plain[static_cast<unsigned char>(c)]; }

    // The attributes of a start tag from q (just after the element name) to its '>' or
    // '/>', each as it stands between its quotes; `take` sees each name and value. Only
    // plain attributes are read here: a reference, a line end or a non-ASCII byte in one,
    // spaces around '=', a prefixed name, or more than eight attributes make the tag not
    // plain.
    template <typename Take>
    Fast plainAttributes(const char*& q, const char* limit, Fast cut, bool& empty, Take take)
    {
        std::string_view names[8];
        int count = 0;
        for (;;) {
            const char* space = q;
            while (q < limit && isSpace(*q))
                ++q;
            if (q == limit)
                return cut;
            if (*q == '>') {
                ++q;
                empty = false;
                return Fast::Done;
            }
            if (*q == '/') {
                if (q + 1 == limit)
                    return cut;
                if (q[1] != '>')
                    return Fast::NotPlain;
                q += 2;
                empty = true;
                return Fast::Done;
            }
            if (q == space || count == 8)
                return Fast::NotPlain;
            const char* nameStart = q;
            while (q < limit && !endsName(*q) && static_cast<unsigned char>(*q) < 0x80)
                ++q;
            if (q == limit)
                return cut;
            if (q == nameStart || *q != '=')
                return Fast::NotPlain;
            const std::string_view name(nameStart, static_cast<std::size_t>(q - nameStart));
            // A prefixed name (x:t, or a namespace declaration) is left to the events,
            // which match attributes by their local name.
            if (name.find(':') != std::string_view::npos)
                return Fast::NotPlain;
            if (++q == limit)
                return cut;
            const char quote = *q;
            if (quote != '"' && quote != '\'')
                return Fast::NotPlain;
            const char* valueStart = ++q;
            while (q < limit && *q != quote && plainChar(*q))
                ++q;
            if (q == limit)
                return cut;
            if (*q != quote)
                return Fast::NotPlain;
            for (int i = 0; i < count; ++i)
                if (names[i] == name)
                    return Fast::NotPlain;  // the events refuse the duplicate
            names[count++] = name;
            take(name, std::string_view(valueStart, static_cast<std::size_t>(q - valueStart)));
            ++q;
        }
    }

    // The attributes of a cell tag as writers put them, from q (just after "<c") to
    // after its '>' or "/>": r, s and t in any order, each at most once, each after one
    // space and quoted with '"', their values plain. Reads what plainAttributes would
    // read from such a tag, without its general loop. False for any other tag, and for
    // one that reaches `limit`: plainAttributes then reads it from the start.
    static bool usualCellAttributes(const char*& q, const char* limit, PlainCell& cell, bool& empty)
    {
        const char* at = q;
        unsigned seen = 0;
        for (;;) {
            if (limit - at < 4)
                return false;
            if (at[0] == '>') {
                q = at + 1;
                empty = false;
                return true;
            }
            if (at[0] == '/') {
                if (at[1] != '>')
                    return false;
                q = at + 2;
                empty = true;
                return true;
            }
            if (at[0] != ' ' || at[2] != '=' || at[3] != '"')
                return false;
            const unsigned which = at[1] == 'r' ? 1u : at[1] == 's' ? 2u : at[1] == 't' ? 4u : 0u;
            if (which == 0 || (seen & which) != 0)
                return false;
            seen |= which;
            const char* value = at + 4;
            const char* v = skipMarked(kPlainChars.inQuotes, value, limit);
            if (v == limit || *v != '"')
                return false;
            const std::string_view text(value, static_cast<std::size_t>(v - value));
            if (which == 1) {
                cell.r = text;
                cell.hasR = true;
            } else if (which == 4) {
                cell.t = text;
                cell.hasT = true;
            } else {
                cell.hasS = true;
            }
            at = v + 1;
        }
    }

    // Plain text from q up to the '<' that ends it; `cut` when the buffer ends first.
    static Fast plainText(const char*& q, const char* limit, Fast cut)
    {
        while (q < limit && plainChar(*q))
            ++q;
        if (q == limit)
            return cut;
        return *q == '<' ? Fast::Done : Fast::NotPlain;
    }

    // A whole plain cell at p ("<c" and a space, '>' or '/'): handed to the cell handler
    // and `next` set after it. A cell longer than kPlainCellBytes is left to the events,
    // which read a long value piece by piece and refuse one too long for a cell.
    Fast plainCell(const char* p, const char* end, const char*& next)
    {
        constexpr std::ptrdiff_t kPlainCellBytes = 4096;
        const char* limit = end;
        Fast cut = Fast::Incomplete;
        if (end - p > kPlainCellBytes) {
            limit = p + kPlainCellBytes;
            cut = Fast::NotPlain;
        }
        PlainCell cell;
        const char* q = p + 2;
        bool empty = false;
        Fast read = Fast::Done;
        if (!usualCellAttributes(q, limit, cell, empty)) {
            cell = PlainCell();
            q = p + 2;
            read = plainAttributes(q, limit, cut, empty, [&cell](std::string_view name, std::string_view value) {
                if (name == "r") {
                    cell.r = value;
                    cell.hasR = true;
                } else if (name == "t") {
                    cell.t = value;
                    cell.hasT = true;
                } else if (name == "s") {
                    cell.hasS = true;
                }
            });
            if (read != Fast::Done)
                return read;
        }
        // The usual content, <v>plain text</v></c>, checked first at once.
        if (!empty && limit - q >= 3 && q[0] == '<' && q[1] == 'v' && q[2] == '>') {
            const char* text = q + 3;
            const char* v = skipMarked(kPlainChars.plain, text, limit);
            if (limit - v >= 8 && load64(v) == load64("</v></c>")) {
                cell.value = std::string_view(text, static_cast<std::size_t>(v - text));
                cell.hasValue = true;
                cells_->cell(cell);
                next = v + 8;
                return Fast::Done;
            }
        }
        while (!empty) {
            while (q < limit && isSpace(*q))
                ++q;
            if (limit - q < 4)
                return cut;
            if (*q != '<')
                return Fast::NotPlain;
            if (q[1] == '/') {
                if (q[2] != 'c' || q[3] != '>')
                    return Fast::NotPlain;
                q += 4;
                break;
            }
            if (q[1] == 'v' && q[2] == '>' && !cell.hasValue) {
                const char* text = q += 3;
                if ((read = plainText(q, limit, cut)) != Fast::Done)
                    return read;
                if (limit - q < 4)
                    return cut;
                if (std::memcmp(q, "</v>", 4) != 0)
                    return Fast::NotPlain;
                cell.value = std::string_view(text, static_cast<std::size_t>(q - text));
                cell.hasValue = true;
                q += 4;
                continue;
            }
            if (q[1] == 'f' && (isSpace(q[2]) || q[2] == '>' || q[2] == '/') && !cell.hasFormula) {
                q += 2;
                bool emptyFormula = false;
                if ((read = plainAttributes(q, limit, cut, emptyFormula, [](std::string_view, std::string_view) {}))
                    != Fast::Done)
                    return read;
                if (!emptyFormula) {
                    if ((read = plainText(q, limit, cut)) != Fast::Done)
                        return read;
                    if (limit - q < 4)
                        return cut;
                    if (std::memcmp(q, "</f>", 4) != 0)
                        return Fast::NotPlain;
                    q += 4;
                }
                cell.hasFormula = true;
                continue;
            }
            return Fast::NotPlain;
        }
        cells_->cell(cell);
        next = q;
        return Fast::Done;
    }

    // Character data from p to end; returns where it stopped (before an incomplete
    // reference or character at the end when more may come).
    const char* text(const char* p, const char* end, bool complete)
    {
        firstToken_ = false;
        const char* run = p;
        decoded_.clear();
        bool decoding = false;
        auto flush = [&](const char* upTo) {
            if (decoding)
                decoded_.append(run, static_cast<std::size_t>(upTo - run));
        };
        while (p < end) {
            const auto c = static_cast<unsigned char>(*p);
            if (c >= 0x20 && c != '&' && c < 0x80) {
                ++p;
                continue;
            }
            if (c == '&') {
                const char* semicolon = static_cast<const char*>(std::memchr(p, ';', static_cast<std::size_t>(std::min<std::ptrdiff_t>(end - p, 12))));
                if (!semicolon) {
                    if (!complete && end - p < 12)
                        break;
                    malformed("undefined entity", static_cast<std::size_t>(p - view_));
                    return p;
                }
                if (!decoding) {
                    decoding = true;
                    decoded_.assign(run, static_cast<std::size_t>(p - run));
                } else {
                    flush(p);
                }
                if (!reference(std::string_view(p + 1, static_cast<std::size_t>(semicolon - p - 1)), decoded_)) {
                    malformed("undefined entity", static_cast<std::size_t>(p - view_));
                    return p;
                }
                p = semicolon + 1;
                run = p;
                continue;
            }
            if (c == '\r') {
                // Line ends are read as one line feed, as XML requires.
                if (p + 1 == end && !complete)
                    break;
                if (!decoding) {
                    decoding = true;
                    decoded_.assign(run, static_cast<std::size_t>(p - run));
                } else {
                    flush(p);
                }
                decoded_.push_back('\n');
                p += (p + 1 < end && p[1] == '\n') ? 2 : 1;
                run = p;
                continue;
            }
            if (c < 0x20) {
                if (c == '\t' || c == '\n') {
                    ++p;
                    continue;
                }
                malformed("not well-formed (invalid token)", static_cast<std::size_t>(p - view_));
                return p;
            }
            const int length = utf8Length(reinterpret_cast<const unsigned char*>(p), static_cast<std::size_t>(end - p));
            if (length < 0 && !complete)
                break;
            if (length <= 0) {
                malformed("not well-formed (invalid token)", static_cast<std::size_t>(p - view_));
                return p;
            }
            p += length;
        }
        const char* start = decoding ? nullptr : run;
        flush(p);
        const char* data = decoding ? decoded_.data() : start;
        const std::size_t length = decoding ? decoded_.size() : static_cast<std::size_t>(p - start);
        if (length == 0)
            return p;
        if (depth() == 0) {
            // Outside the root element only white space may stand.
            for (std::size_t i = 0; i < length; ++i) {
                if (!isSpace(data[i])) {
                    malformed(rootSeen_ ? "junk after document element" : "syntax error",
                              static_cast<std::size_t>(p - view_));
                    return p;
                }
            }
            return p;
        }
        handler_.text(data, static_cast<int>(length));
        handlerFailed();
        return p;
    }

    // The text of a reference without & and ;, appended to out; false when it is none
    // of the five predefined entities or a character reference to an XML character.
    static bool reference(std::string_view name, std::string& out)
    {
        if (name == "lt")
            out.push_back('<');
        else if (name == "gt")
            out.push_back('>');
        else if (name == "amp")
            out.push_back('&');
        else if (name == "quot")
            out.push_back('"');
        else if (name == "apos")
            out.push_back('\'');
        else if (name.size() >= 2 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            std::string_view digits = name.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8)
                return false;
            unsigned code = 0;
            for (char d : digits) {
                int value = hex ? hexDigit(d) : (d >= '0' && d <= '9' ? d - '0' : -1);
                if (value < 0)
                    return false;
                code = code * (hex ? 16 : 10) + static_cast<unsigned>(value);
            }
            if (!isXmlChar(code))
                return false;
            appendUtf8(out, code);
        } else {
            return false;
        }
        return true;
    }

    // A tag, comment, processing instruction or CDATA section at p ('<'). Returns the
    // position after it, or nullptr when it is not complete in the buffer (or failed).
    const char* markup(const char* p, const char* end)
    {
        const std::size_t at = static_cast<std::size_t>(p - view_);
        if (end - p < 2)
            return nullptr;
        auto find = [&](const char* from, const char* what) -> const char* {
            const std::string_view rest(from, static_cast<std::size_t>(end - from));
            const std::size_t found = rest.find(what);
            return found == std::string_view::npos ? nullptr : from + found;
        };
        const bool first = firstToken_;
        firstToken_ = false;
        if (p[1] == '?') {
            const char* close = find(p + 2, "?>");
            if (!close) {
                firstToken_ = first;
                return nullptr;
            }
            const std::string_view body(p + 2, static_cast<std::size_t>(close - p - 2));
            if (body.substr(0, 3) == "xml" && (body.size() == 3 || isSpace(body[3]))) {
                if (!first) {
                    malformed("XML or text declaration not at start of entity", at);
                    return nullptr;
                }
                if (!utf8Declared(body)) {
                    outcome_ = Outcome::OtherEncoding;
                    return nullptr;
                }
            }
            return close + 2;
        }
        if (p[1] == '!') {
            if (end - p < 9)
                return nullptr;
            if (std::string_view(p, 4) == "<!--") {
                const char* close = find(p + 4, "-->");
                return close ? close + 3 : nullptr;
            }
            if (std::string_view(p, 9) == "<![CDATA[") {
                const char* close = find(p + 9, "]]>");
                if (!close)
                    return nullptr;
                if (depth() == 0) {
                    malformed("syntax error", at);
                    return nullptr;
                }
                // Checked as character data, but taken as it stands (no references).
                for (const char* c = p + 9; c < close;) {
                    const auto u = static_cast<unsigned char>(*c);
                    const int length = u >= 0x20 && u < 0x80 ? 1
                        : (u == '\t' || u == '\n' || u == '\r') ? 1
                        : utf8Length(reinterpret_cast<const unsigned char*>(c), static_cast<std::size_t>(close - c));
                    if (length <= 0) {
                        malformed("not well-formed (invalid token)", at);
                        return nullptr;
                    }
                    c += length;
                }
                handler_.text(p + 9, static_cast<int>(close - p - 9));
                return handlerFailed() ? nullptr : close + 3;
            }
            if (std::string_view(p, 9) == "<!DOCTYPE") {
                handler_.fail("a document type declaration, which workbook parts never have");
                outcome_ = Outcome::Failed;
                return nullptr;
            }
            malformed("not well-formed (invalid token)", at);
            return nullptr;
        }
        if (p[1] == '/')
            return endTag(p, end, at);
        return startTag(p, end, at);
    }

    static bool utf8Declared(std::string_view declaration)
    {
        const std::size_t found = declaration.find("encoding");
        if (found == std::string_view::npos)
            return true;
        std::size_t i = found + 8;
        while (i < declaration.size() && (isSpace(declaration[i]) || declaration[i] == '='))
            ++i;
        if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\''))
            return false;
        const std::size_t close = declaration.find(declaration[i], i + 1);
        if (close == std::string_view::npos)
            return false;
        std::string name(declaration.substr(i + 1, close - i - 1));
        for (char& c : name)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        return name == "UTF-8" || name == "UTF8";
    }

    const char* endTag(const char* p, const char* end, std::size_t at)
    {
        const char* close = static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(end - p)));
        if (!close)
            return nullptr;
        const char* nameEnd = p + 2;
        while (nameEnd < close && !endsName(*nameEnd))
            ++nameEnd;
        for (const char* c = nameEnd; c < close; ++c) {
            if (!isSpace(*c)) {
                malformed("not well-formed (invalid token)", at);
                return nullptr;
            }
        }
        const std::string_view name(p + 2, static_cast<std::size_t>(nameEnd - p - 2));
        if (depth() == 0 || name != openName()) {
            malformed("mismatched tag", at);
            return nullptr;
        }
        closeElement();
        handler_.end(localPart(name));
        return handlerFailed() ? nullptr : close + 1;
    }

    std::string_view openName() const
    {
        return std::string_view(names_).substr(openNames_.back());
    }

    static std::string_view localPart(std::string_view name)
    {
        const std::size_t colon = name.rfind(':');
        return colon == std::string_view::npos ? name : name.substr(colon + 1);
    }

    const char* startTag(const char* p, const char* end, std::size_t at)
    {
        const char* q = p + 1;
        const char* nameEnd = q;
        while (nameEnd < end && !endsName(*nameEnd))
            ++nameEnd;
        if (nameEnd == end)
            return nullptr;
        if (nameEnd == q || (*q >= '0' && *q <= '9') || *q == '-' || *q == '.') {
            malformed("not well-formed (invalid token)", at);
            return nullptr;
        }
        if (rootSeen_ && depth() == 0) {
            malformed("junk after document element", at);
            return nullptr;
        }
        // The attributes: name, NUL, value, NUL, ... in one block; pointers made after.
        // A tag cut by the end of the buffer is taken up again after its last whole
        // attribute when more has come (it is then at the buffer's start), so that a tag
        // of many attributes is read once, not once for every chunk.
        q = nameEnd;
        if (resumeAt_ > 0 && at == 0 && static_cast<std::size_t>(end - p) > resumeAt_) {
            q = p + resumeAt_;
        } else {
            attributeText_.clear();
            attributeStarts_.clear();
            attributeNames_.clear();
        }
        resumeAt_ = 0;
        const char* whole = q;  // after the last whole attribute
        auto cut = [&]() -> const char* {
            if (at == 0 && whole > nameEnd)
                resumeAt_ = static_cast<std::size_t>(whole - p);
            return nullptr;
        };
        bool empty = false;
        for (;;) {
            whole = q;
            while (q < end && isSpace(*q))
                ++q;
            if (q == end)
                return cut();
            if (*q == '>') {
                ++q;
                break;
            }
            if (*q == '/') {
                if (q + 1 == end)
                    return cut();
                if (q[1] != '>') {
                    malformed("not well-formed (invalid token)", at);
                    return nullptr;
                }
                empty = true;
                q += 2;
                break;
            }
            if (q == nameEnd || !isSpace(q[-1])) {
                malformed("not well-formed (invalid token)", at);
                return nullptr;
            }
            const char* attributeName = q;
            while (q < end && !endsName(*q))
                ++q;
            if (q == end)
                return cut();
            const std::string_view name(attributeName, static_cast<std::size_t>(q - attributeName));
            while (q < end && isSpace(*q))
                ++q;
            if (q == end)
                return cut();
            if (name.empty() || *q != '=') {
                malformed("not well-formed (invalid token)", at);
                return nullptr;
            }
            ++q;
            while (q < end && isSpace(*q))
                ++q;
            if (q == end)
                return cut();
            if (*q != '"' && *q != '\'') {
                malformed("not well-formed (invalid token)", at);
                return nullptr;
            }
            const char* closeQuote = static_cast<const char*>(std::memchr(q + 1, *q, static_cast<std::size_t>(end - q - 1)));
            if (!closeQuote)
                return cut();
            if (isDuplicate(name)) {
                malformed("duplicate attribute", at);
                return nullptr;
            }
            attributeStarts_.push_back(attributeText_.size());
            attributeText_.append(name);
            attributeText_.push_back('\0');
            attributeStarts_.push_back(attributeText_.size());
            if (!attributeNames_.empty())
                attributeNames_.insert(attributeStarts_[attributeStarts_.size() - 2]);
            if (!attributeValue(q + 1, closeQuote)) {
                malformed("not well-formed (invalid token)", at);
                return nullptr;
            }
            attributeText_.push_back('\0');
            q = closeQuote + 1;
        }
        if (depth() == static_cast<std::size_t>(kMaxXmlDepth)) {
            handler_.fail("elements nested too deeply (over " + std::to_string(kMaxXmlDepth) + " levels)");
            outcome_ = Outcome::Failed;
            return nullptr;
        }
        const std::string_view name(p + 1, static_cast<std::size_t>(nameEnd - p - 1));
        attributes_.clear();
        for (std::size_t start : attributeStarts_)
            attributes_.push_back(attributeText_.data() + start);
        attributes_.push_back(nullptr);
        rootSeen_ = true;
        openElement(name);
        handler_.start(localPart(name), attributes_.data());
        if (handlerFailed())
            return nullptr;
        if (empty) {
            closeElement();
            handler_.end(localPart(name));
            if (handlerFailed())
                return nullptr;
        }
        return q;
    }

    // Whether the tag read so far has an attribute of this name: compared one by one for
    // the few attributes of a real tag, looked up in a hash set once there are more.
    bool isDuplicate(std::string_view name)
    {
        constexpr std::size_t kCompared = 16;
        const std::size_t count = attributeStarts_.size() / 2;
        if (count < kCompared) {
            for (std::size_t i = 0; i < attributeStarts_.size(); i += 2) {
                if (attributeNameAt(attributeStarts_[i]) == name)
                    return true;
            }
            return false;
        }
        if (attributeNames_.empty()) {
            for (std::size_t i = 0; i < attributeStarts_.size(); i += 2)
                attributeNames_.insert(attributeStarts_[i]);
        }
        // The set holds offsets into attributeText_; the name looked up is placed after
        // its end for the moment, where the next attribute would go.
        const std::size_t probe = attributeText_.size();
        attributeText_.append(name);
        attributeText_.push_back('\0');
        const bool found = attributeNames_.count(probe) > 0;
        attributeText_.resize(probe);
        return found;
    }

    std::string_view attributeNameAt(std::size_t offset) const { return std::string_view(attributeText_.data() + offset); }

    // Offsets of attribute names in attributeText_, hashed and compared by the names.
    struct NameHash {
        const std::string* text;
        std::size_t operator()(std::size_t offset) const
        {
            return std::hash<std::string_view>()(std::string_view(text->data() + offset));
        }
    };
    struct NameEqual {
        const std::string* text;
        bool operator()(std::size_t a, std::size_t b) const
        {
            return std::string_view(text->data() + a) == std::string_view(text->data() + b);
        }
    };

    // An attribute's value with its references replaced and its white space characters
    // read as spaces, as XML reads them, appended to attributeText_.
    bool attributeValue(const char* p, const char* end)
    {
        while (p < end) {
            // Plain characters are taken a run at a time.
            const char* run = p;
            while (p < end && static_cast<unsigned char>(*p) >= 0x20 && static_cast<unsigned char>(*p) < 0x80 && *p != '&'
                   && *p != '<')
                ++p;
            attributeText_.append(run, static_cast<std::size_t>(p - run));
            if (p == end)
                break;
            const auto c = static_cast<unsigned char>(*p);
            if (c == '<')
                return false;
            if (c == '&') {
                const char* semicolon = static_cast<const char*>(std::memchr(p, ';', static_cast<std::size_t>(end - p)));
                if (!semicolon || !reference(std::string_view(p + 1, static_cast<std::size_t>(semicolon - p - 1)), attributeText_))
                    return false;
                p = semicolon + 1;
                continue;
            }
            if (c == '\t' || c == '\n' || c == '\r') {
                attributeText_.push_back(' ');
                p += (c == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
                continue;
            }
            if (c < 0x20)
                return false;
            const int length = c < 0x80 ? 1 : utf8Length(reinterpret_cast<const unsigned char*>(p), static_cast<std::size_t>(end - p));
            if (length <= 0)
                return false;
            attributeText_.append(p, static_cast<std::size_t>(length));
            p += length;
        }
        return true;
    }

    XmlHandler& handler_;
    CellHandler* cells_;  // a worksheet's handler, for the plain cells; else null
    Outcome outcome_ = Outcome::Going;
    std::string buffer_;           // the start of a token cut by the end of the bytes fed so far
    const char* view_ = nullptr;   // the bytes being scanned: buffer_, or a chunk fed
    std::size_t viewSize_ = 0;
    std::size_t lines_ = 0;        // line feeds in the bytes used up
    bool started_ = false;
    bool firstToken_ = false;      // nothing but a byte order mark read so far
    bool rootSeen_ = false;
    std::string names_;                    // the open elements' names, end to end
    std::vector<std::size_t> openNames_;   // where each open element's name starts
    bool openIsRow_ = false;               // see openChanged()
    std::string decoded_;
    std::string attributeText_;
    std::vector<std::size_t> attributeStarts_;
    std::vector<const char*> attributes_;
    std::unordered_set<std::size_t, NameHash, NameEqual> attributeNames_{0, NameHash{&attributeText_},
                                                                         NameEqual{&attributeText_}};
    std::size_t resumeAt_ = 0;  // where a start tag cut at the buffer's start is taken up again
};

}  // namespace

namespace {

bool scan(ZipArchive& zip, const std::string& part, XmlHandler& handler, CellHandler* cells, std::string& error,
          ReadProgress* progress)
{
    Scanner scanner(handler, cells);
    auto feed = [&scanner, progress](const char* data, std::size_t length) {
        return (!progress || progress->advance(length)) && scanner.feed(data, length);
    };
    // A second thread pays only for a large part; a small one is read where it is.
    constexpr std::uint64_t kThreadFromStoredBytes = std::uint64_t{1} << 20;
    bool read = zip.storedBytes(part) >= kThreadFromStoredBytes ? readPartAhead(zip, part, feed, error)
                                                                 : zip.read(part, feed, error);
    if (progress && progress->stopped()) {
        error = kReadCancelled;
        return false;
    }
    if (scanner.outcome() == Scanner::Outcome::OtherEncoding)
        return parsePart(zip, part, handler, error, progress);
    if (read)
        read = scanner.finish();
    if (handler.failed()) {
        error = handler.failureOf(part);
        return false;
    }
    return read;
}

}  // namespace

bool scanPart(ZipArchive& zip, const std::string& part, XmlHandler& handler, std::string& error,
              ReadProgress* progress)
{
    return scan(zip, part, handler, nullptr, error, progress);
}

bool scanSheetPart(ZipArchive& zip, const std::string& part, CellHandler& handler, std::string& error,
                   ReadProgress* progress)
{
    return scan(zip, part, handler, &handler, error, progress);
}

}  // namespace wb::xlsx
