#pragma once

#include <bit>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "workbook/xlsx/xml.h"
#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// A streaming reader of its own for the one large part of a workbook, the worksheet: the
// same events, limits and refusals as parsePart (no document type declaration, so no
// entities beyond the five predefined ones and character references; names, tags and
// nesting bounded; text checked as UTF-8 XML characters; tags matched), several times
// faster than a general parser, and with a large part inflated on a second thread meanwhile.
// A part in another encoding than UTF-8 is handed to parsePart.
// The inflated bytes are counted in `progress` (when given) on the calling thread; a read
// it stops returns false with kReadCancelled.
bool scanPart(ZipArchive& zip, const std::string& part, XmlHandler& handler, std::string& error,
              ReadProgress* progress = nullptr);

// One <c> element of a worksheet read whole: its r, t and s attributes, the text of its
// <v> and whether it has an <f>. The views point into the scanner's buffer and hold only
// plain characters (no references, no line ends), so they are the very text that the
// start, text and end events would have given.
struct PlainCell {
    std::string_view r, t, value;
    bool hasR = false, hasT = false, hasS = false;
    bool hasValue = false, hasFormula = false;
};

// XML's white space, the only text that may stand between the elements of a cell and
// between cells without meaning anything.
inline bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The first byte from p on, before end, that is not white space (end when there is none).
// Writers that indent their XML put a line end and a run of spaces before each element;
// 16 bytes are looked at a step. A byte above ' ' (most often, at once) is no white space.
inline const char* skipXmlSpace(const char* p, const char* end)
{
    if (p == end || static_cast<unsigned char>(*p) > ' ')
        return p;
#ifdef __SSE2__
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i space = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))));
        const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(space)) & 0xFFFFu;
        if (other != 0)
            return p + std::countr_zero(other);
        p += 16;
    }
#endif
    while (p < end && isXmlSpace(*p))
        ++p;
    return p;
}

// A worksheet's handler that also takes plain cells whole. Most of a worksheet is cells
// of the form <c r="B7" t="s"><v>12</v></c>; the scanner reads such a cell in one pass
// and hands it to cell() instead of five events. Anything else in a cell (references,
// an inline string, prefixed names, a cell cut by the end of what has been inflated so
// far when it is long) goes through the events as before, with the same checks.
class CellHandler : public XmlHandler {
public:
    // True when a <c> element met now would be a cell of the current row.
    virtual bool takesCells() const = 0;
    virtual void cell(const PlainCell& cell) = 0;
    // Cells of the one form nearly every cell of a large sheet has, read straight from the
    // bytes at p (a "<c", when takesCells()) one after another, each checked and taken as
    // cell() would take it, as long as they keep that form exactly and lie whole before
    // `end`. White space between the elements of a cell and between cells (an indented
    // sheet) is passed over, as the events pass it over there. Returns where it stopped
    // (after the white space it passed): p when the cell there is not of that form, and
    // the scanner reads it as before. (A handler that takes no such run returns p.)
    virtual const char* usualCells(const char* p, const char* end)
    {
        (void)end;
        return p;
    }
};

bool scanSheetPart(ZipArchive& zip, const std::string& part, CellHandler& handler, std::string& error,
                   ReadProgress* progress = nullptr);

}  // namespace wb::xlsx
