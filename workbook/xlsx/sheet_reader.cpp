#include "workbook/xlsx/sheet_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "workbook/cells/cell_names.h"
#include "workbook/cells/cell_visitor.h"
#include "workbook/xlsx/text_collector.h"
#include "workbook/xlsx/values.h"
#include "workbook/xlsx/xml.h"
#include "workbook/xlsx/xml_scanner.h"

namespace wb::xlsx {

namespace {

enum class ValueKind { Number, Shared, Boolean, Error, FormulaText, Inline, Date };

// The kind a cell's t attribute names (none, null: a number).
bool kindOf(const std::string_view* t, ValueKind& kind)
{
    if (!t) {
        kind = ValueKind::Number;
        return true;
    }
    const std::string_view type = *t;
    if (type == "n")
        kind = ValueKind::Number;
    else if (type == "s")
        kind = ValueKind::Shared;
    else if (type == "b")
        kind = ValueKind::Boolean;
    else if (type == "e")
        kind = ValueKind::Error;
    else if (type == "str")
        kind = ValueKind::FormulaText;
    else if (type == "inlineStr")
        kind = ValueKind::Inline;
    else if (type == "d")
        kind = ValueKind::Date;
    else
        return false;
    return true;
}

// Up to 15 digits and nothing else: most values of a sheet (counts, indexes of shared
// strings), read here without the general readers, which give the same for them (below
// 2^53 a whole number's double is exact).
inline bool smallWhole(std::string_view text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 15)
        return false;
    std::uint64_t whole = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
    }
    value = whole;
    return true;
}

// The text of the reference that a cell at (row, col) would have as writers put it
// ("B7"), kept from cell to cell: the next column's is the last one's with its letters
// counted on. A cell whose r attribute is this very text is at (row, col), unread; most
// cells of a sheet are. Any other text is read by parseCellRef.
class ExpectedReference {
public:
    // Expanded where it is called (for every cell), as is take() of the handlers below.
    [[gnu::always_inline]] bool is(std::string_view text, int row, int col)
    {
        return at(row, col) && text.size() == size_ && same(text.data());
    }

    // Makes the reference that of (row, col); false when there is none (a place outside
    // the grid, or before any row).
    [[gnu::always_inline]] bool at(int row, int col)
    {
        if (row != row_ || col != col_) {
            if (valid_ && row == row_ && col == col_ + 1)
                next();
            else
                make(row, col);
        }
        return valid_;
    }
    // The reference's length, and whether its bytes stand at `text` (which has at least
    // that many): valid after at() returned true.
    std::size_t size() const { return size_; }
    // Whether the reference's size_ bytes stand at `text`: two loads of each that overlap
    // (a reference has 2 to 10 bytes), instead of a loop or a call to memcmp.
    [[gnu::always_inline]] bool same(const char* text) const
    {
        const std::size_t n = size_;
        if (n >= 8)
            return load<std::uint64_t>(text) == load<std::uint64_t>(text_)
                && load<std::uint64_t>(text + n - 8) == load<std::uint64_t>(text_ + n - 8);
        if (n >= 4)
            return load<std::uint32_t>(text) == load<std::uint32_t>(text_)
                && load<std::uint32_t>(text + n - 4) == load<std::uint32_t>(text_ + n - 4);
        return load<std::uint16_t>(text) == load<std::uint16_t>(text_)
            && load<std::uint16_t>(text + n - 2) == load<std::uint16_t>(text_ + n - 2);
    }

private:
    template <typename Word>
    static Word load(const char* p)
    {
        Word word;
        std::memcpy(&word, p, sizeof word);
        return word;
    }

    // Out of line: it is needed once a row, is() for every cell.
    [[gnu::noinline]] void make(int row, int col)
    {
        row_ = row;
        col_ = col;
        valid_ = row >= 0 && row < kMaxRows && col >= 0 && col < kMaxCols;
        if (!valid_)
            return;
        char letters[3];
        letterCount_ = 0;
        for (int n = col + 1; n > 0; n = (n - 1) / 26)
            letters[letterCount_++] = static_cast<char>('A' + (n - 1) % 26);
        for (std::size_t i = 0; i < letterCount_; ++i)
            text_[i] = letters[letterCount_ - 1 - i];
        const std::string digits = std::to_string(row + 1);
        std::memcpy(text_ + letterCount_, digits.data(), digits.size());
        size_ = letterCount_ + digits.size();
    }
    void next()
    {
        ++col_;
        if (col_ >= kMaxCols) {
            valid_ = false;
            return;
        }
        std::size_t i = letterCount_;
        while (i > 0 && text_[i - 1] == 'Z')
            text_[--i] = 'A';
        if (i > 0) {
            ++text_[i - 1];
        } else {
            // "Z7" -> "AA7": one letter more in front, the digits moved along.
            std::memmove(text_ + letterCount_ + 1, text_ + letterCount_, size_ - letterCount_);
            text_[letterCount_++] = 'A';
            ++size_;
        }
    }

    int row_ = -1;
    int col_ = -1;
    bool valid_ = false;
    // The letters, then the digits of a row number up to 1048576; room beyond them for
    // the loads of same(), which compare only the first size_ bytes.
    char text_[16] = {};
    std::size_t letterCount_ = 0;
    std::size_t size_ = 0;
};

// A cell as the worksheet gives it, its value read. A text's characters stay where they
// are (the shared-string table, or the parser's own buffer) until the next cell.
struct ParsedCell {
    int row = 0;
    int col = 0;
    CellType type = CellType::Empty;
    double number = 0.0;
    std::string_view text;
    long shared = -1;  // the index of a text from the shared-string table
};

// Reads the cells of a worksheet part: rows and cells without an r attribute, the kinds
// of value and their checks. What becomes of each cell is up to the class below it:
// take() receives it, rowBreak() tells where the cells of one row element end.
class CellParser : public CellHandler {
public:
    CellParser(const SharedStrings& sharedStrings, bool date1904, BookReading& book)
        : shared_(sharedStrings), book_(book), date1904_(date1904)
    {
    }

    void start(std::string_view name, const char** attributes) override
    {
        if (!book_.budget.takeElements(1)) {
            failTooLarge(ReadBudget::elementsRefusal());
            return;
        }
        if (!inSheetData_) {
            if (name == "sheetData")
                inSheetData_ = dimensionSeen_ = true;  // (a <dimension> after the cells is not heeded)
            else if (name == "dimension" && !dimensionSeen_)
                dimension(attribute(attributes, "ref"));
            return;
        }
        if (inCell_) {
            startInCell(name);
        } else if (name == "c") {
            const char* r = attribute(attributes, "r");
            const char* t = attribute(attributes, "t");
            const std::string_view rText = r ? std::string_view(r) : std::string_view();
            const std::string_view tText = t ? std::string_view(t) : std::string_view();
            startCell(r ? &rText : nullptr, t ? &tText : nullptr, attribute(attributes, "s") != nullptr);
        } else if (name == "row") {
            startRow(attributes);
        }
    }

    void end(std::string_view name) override
    {
        if (!inSheetData_)
            return;
        if (inCell_) {
            if (name == "c")
                endCell(value_);
            else if (inInline_ && name == "is")
                inInline_ = false;
            else if (inInline_)
                inline_.end(name);
            else if (name == "v")
                inValue_ = false;
        } else if (name == "sheetData") {
            rowBreak();
            inSheetData_ = false;
        }
    }

    void text(const char* data, int length) override
    {
        bool fits = true;
        if (inValue_) {
            fits = value_.size() + static_cast<std::size_t>(length) <= kMaxTextBytes;
            if (fits)
                value_.append(data, static_cast<std::size_t>(length));
        } else if (inInline_) {
            fits = inline_.text(data, length);
        }
        if (!fits)
            failTooLarge("a cell value longer than a cell can hold (over " + LimitText(kMaxTextBytes) + ")");
    }

    bool takesCells() const override { return inSheetData_ && !inCell_; }

protected:
    // What cell() of a handler below does with a plain cell: `handler` is that very
    // handler, of its final class, so that taking a usual cell calls its take() directly
    // rather than through the table of virtual functions (that call is made millions of
    // times for a large sheet).
    template <typename Handler>
    void readCell(Handler& handler, const PlainCell& cell)
    {
        if (!book_.budget.takeElements(1 + std::uint64_t{cell.hasValue} + std::uint64_t{cell.hasFormula})) {
            failTooLarge(ReadBudget::elementsRefusal());
            return;
        }
        ParsedCell parsed;
        if (usualCell(cell, parsed)) {
            handler.take(parsed);
            return;
        }
        otherCell(cell);
    }

    template <typename Word>
    static Word load(const char* p)
    {
        Word word;
        std::memcpy(&word, p, sizeof word);
        return word;
    }

    // The attributes of a usual cell after its r, from q to after the '>' that ends the
    // tag: t="n" or t="s" (`shared`) and s="digits", each at most once, in any order,
    // each after one space. False for anything else, or a tag that reaches `end`.
    static bool usualAttributes(const char*& q, const char* end, bool& shared)
    {
        bool typed = false;
        bool styled = false;
        for (;;) {
            if (q == end)
                return false;
            if (*q == '>') {
                ++q;
                return true;
            }
            if (end - q < 6 || q[0] != ' ' || q[2] != '=' || q[3] != '"')
                return false;
            if (q[1] == 't' && !typed && (q[4] == 'n' || q[4] == 's') && q[5] == '"') {
                typed = true;
                shared = q[4] == 's';
                q += 6;
            } else if (q[1] == 's' && !styled) {
                const char* v = q + 4;
                while (v < end && *v >= '0' && *v <= '9')
                    ++v;
                if (v == end || *v != '"')
                    return false;
                styled = true;
                q = v + 1;
            } else {
                return false;
            }
        }
    }

    // What usualCells() of a handler below does (see CellHandler::usualCells): reads cells
    // written exactly as <c r="B7"><v>12</v></c>, with t="n" or t="s" and an s attribute
    // of digits after the r in any order, in the current row after the cell before (most
    // often right after it, its reference then compared as text) and with a value of up
    // to 15 digits (a number cell's value may also be another short plain text that
    // reads as a number). White space may stand between the cell's tag, its <v> element and its
    // end tag, and between cells, but not inside the <v>. Each is the very cell that
    // readCell() would take from the scanner's PlainCell (counted alike in the book's
    // elements); anything else ends the run, to be read the general way. The handler
    // takes the run's cells by takeInRun() (which may keep numbers back to hand them on
    // together) and learns where the run ends by endRun().
    template <typename Handler>
    const char* readUsualCells(Handler& handler, const char* p, const char* end)
    {
        const char* const stop = usualRun(handler, p, end);
        handler.endRun();
        return stop;
    }

    template <typename Handler>
    const char* usualRun(Handler& handler, const char* p, const char* end)
    {
        for (bool first = true;; first = false) {
            // Between cells (never before the first: the scanner stands at its "<c").
            if (!first)
                p = skipXmlSpace(p, end);
            const char* q = p;
            if (end - q < 6 || load<std::uint32_t>(q) != load<std::uint32_t>("<c r")
                || load<std::uint16_t>(q + 4) != load<std::uint16_t>("=\""))
                return p;
            q += 6;
            int col = nextCol_;
            if (expected_.at(currentRow_, nextCol_) && static_cast<std::size_t>(end - q) > expected_.size()
                && expected_.same(q) && q[expected_.size()] == '"') {
                q += expected_.size() + 1;
            } else {
                // A later column of the row, after a gap (or the next one written
                // otherwise): read as startCell() reads it.
                constexpr std::size_t kLongestReference = 16;
                const auto* quote = static_cast<const char*>(
                    std::memchr(q, '"', std::min(static_cast<std::size_t>(end - q), kLongestReference)));
                int row = 0;
                if (!quote || !parseCellRef(std::string_view(q, static_cast<std::size_t>(quote - q)), row, col)
                    || row != currentRow_ || col < nextCol_)
                    return p;
                q = quote + 1;
            }
            bool shared = false;
            // The two forms of most sheets, "><v>" and " t="n"><v>", compared a word at a
            // time; other attributes one by one.
            if (end - q >= 10 && load<std::uint64_t>(q) == load<std::uint64_t>(" t=\"n\"><")
                && load<std::uint16_t>(q + 8) == load<std::uint16_t>("v>")) {
                q += 10;
            } else if (end - q >= 4 && load<std::uint32_t>(q) == load<std::uint32_t>("><v>")) {
                q += 4;
            } else if (usualAttributes(q, end, shared) && (q = skipXmlSpace(q, end), end - q >= 3) && q[0] == '<'
                       && q[1] == 'v' && q[2] == '>') {
                q += 3;
            } else {
                return p;
            }
            // The value: most often 1 to 15 digits (so below 2^53, its double exact).
            const char* const digits = q;
            const char* const digitsEnd = end - q > 16 ? q + 16 : end;
            std::uint64_t whole = 0;
            for (unsigned digit; q < digitsEnd && (digit = static_cast<unsigned char>(*q) - unsigned{'0'}) < 10; ++q)
                whole = whole * 10 + digit;
            double number = static_cast<double>(whole);
            if (q == digits || q - digits > 15 || q == end || *q != '<') {
                // Any other text of a number cell (a fraction, an exponent, a sign, spaces):
                // read as valueCell() reads it when it is short and of plain characters
                // (printable ASCII but for '<' and '&', as the scanner's plain cells).
                if (shared)
                    return p;
                constexpr std::ptrdiff_t kLongestNumber = 64;
                const char* const limit = end - digits > kLongestNumber ? digits + kLongestNumber : end;
                q = digits;
                while (q < limit && *q >= ' ' && *q < 0x7F && *q != '<' && *q != '&')
                    ++q;
                if (q == digits || q == limit || *q != '<'
                    || !parseNumber(std::string_view(digits, static_cast<std::size_t>(q - digits)), number))
                    return p;
            }
            if (end - q < 8)
                return p;
            if (load<std::uint64_t>(q) == load<std::uint64_t>("</v></c>")) {
                q += 8;
            } else {
                if (load<std::uint32_t>(q) != load<std::uint32_t>("</v>"))
                    return p;
                q = skipXmlSpace(q + 4, end);
                if (end - q < 4 || load<std::uint32_t>(q) != load<std::uint32_t>("</c>"))
                    return p;
                q += 4;
            }
            if (shared && whole >= shared_.size())
                return p;
            if (!book_.budget.takeElements(2)) {  // the cell and its <v>
                failTooLarge(ReadBudget::elementsRefusal());
                return q;
            }
            ParsedCell parsed;
            parsed.row = currentRow_;
            parsed.col = col;
            if (shared) {
                parsed.type = CellType::Text;
                parsed.text = shared_[static_cast<std::size_t>(whole)];
                parsed.shared = static_cast<long>(whole);
            } else {
                parsed.type = CellType::Number;
                parsed.number = number;
            }
            nextCol_ = col + 1;
            handler.takeInRun(parsed);
            if (failed())
                return q;
            p = q;
        }
    }

    virtual void take(const ParsedCell& cell) = 0;
    virtual void rowBreak() = 0;
    // The extent the <dimension> element states (rows and columns to its last cell).
    virtual void statedExtent(int rows, int cols) { (void)rows; (void)cols; }

    bool takeBudget(std::size_t bytes)
    {
        if (book_.budget.take(bytes))
            return true;
        failTooLarge(book_.budget.refusal());
        return false;
    }

    const SharedStrings& shared_;
    BookReading& book_;
    int currentRow_ = -1;

private:
    // <dimension ref="A1:C10"/> (or "A1" for one cell): a statement of the file's, not checked
    // against the cells; one that cannot be read is passed over.
    void dimension(const char* ref)
    {
        dimensionSeen_ = true;
        if (!ref)
            return;
        std::string_view last(ref);
        const std::size_t colon = last.find(':');
        if (colon != std::string_view::npos)
            last = last.substr(colon + 1);
        int row = 0;
        int col = 0;
        if (parseCellRef(last, row, col))
            statedExtent(row + 1, col + 1);
    }

    void startRow(const char** attributes)
    {
        rowBreak();
        const char* r = attribute(attributes, "r");
        int row = currentRow_ + 1;
        if (r && !parseRowNumber(r, row)) {
            fail("row number out of range (1 to " + std::to_string(kMaxRows) + ") or not understood");
            return;
        }
        if (row >= kMaxRows) {
            fail("more rows than a sheet can hold (" + std::to_string(kMaxRows) + ")");
            return;
        }
        currentRow_ = row;
        nextCol_ = 0;
    }

    // Most cells of a sheet: in the current row, right after the cell before and named so
    // by their r attribute, a number or a shared string whose value is a small whole
    // number, no formula. Such a cell is read here at once into `parsed`, with the value
    // the general steps below (startCell, endCell) would give it; false leaves any other
    // cell to them, with nothing changed but the expected reference, which they work out
    // again alike.
    [[gnu::always_inline]] bool usualCell(const PlainCell& cell, ParsedCell& parsed)
    {
        if (!cell.hasR || !cell.hasValue || cell.hasFormula)
            return false;
        bool shared = false;
        if (cell.hasT) {
            if (cell.t.size() != 1 || (cell.t[0] != 'n' && cell.t[0] != 's'))
                return false;
            shared = cell.t[0] == 's';
        }
        std::uint64_t whole = 0;
        if (!smallWhole(cell.value, whole) || (shared && whole >= shared_.size()))
            return false;
        if (!expected_.is(cell.r, currentRow_, nextCol_))
            return false;  // (also for a cell before any row: currentRow_ is then -1)
        parsed.row = currentRow_;
        parsed.col = nextCol_;
        if (shared) {
            parsed.type = CellType::Text;
            parsed.text = shared_[static_cast<std::size_t>(whole)];
            parsed.shared = static_cast<long>(whole);
        } else {
            parsed.type = CellType::Number;
            parsed.number = static_cast<double>(whole);
        }
        ++nextCol_;
        return true;
    }

    // Any other plain cell, by the general steps; kept out of line so that readCell
    // stays small where it is expanded.
    [[gnu::noinline]] void otherCell(const PlainCell& cell)
    {
        startCell(cell.hasR ? &cell.r : nullptr, cell.hasT ? &cell.t : nullptr, cell.hasS);
        if (failed())
            return;
        hasValue_ = cell.hasValue;
        hasFormula_ = cell.hasFormula;
        endCell(cell.value);
    }

    // A cell starts; r and t are its attributes' values, null when it has none.
    void startCell(const std::string_view* r, const std::string_view* t, bool styled)
    {
        int row = currentRow_ < 0 ? 0 : currentRow_;
        int col = nextCol_;
        if (r) {
            if (!expected_.is(*r, currentRow_, nextCol_) && !parseCellRef(*r, row, col)) {
                fail("cell reference \"" + std::string(*r) + "\" out of range (A1 to XFD1048576) or not understood");
                return;
            }
        } else if (col >= kMaxCols) {
            fail("more cells in a row than a sheet can hold (" + std::to_string(kMaxCols) + ")");
            return;
        }
        if (row != currentRow_) {
            rowBreak();
            currentRow_ = row;
        }
        if (!kindOf(t, kind_)) {
            fail("unknown cell type");
            return;
        }
        nextCol_ = col + 1;
        cellCol_ = col;
        styled_ = styled;
        hasValue_ = false;
        hasInline_ = false;
        hasFormula_ = false;
        inCell_ = true;
        value_.clear();
    }

    void startInCell(std::string_view name)
    {
        if (inInline_) {
            inline_.start(name);
        } else if (name == "v") {
            inValue_ = true;
            hasValue_ = true;
            value_.clear();
        } else if (name == "is") {
            inInline_ = true;
            hasInline_ = true;
            inline_.begin();
        } else if (name == "f") {
            hasFormula_ = true;
        }
    }

    // The cell ends; value is the text of its <v>.
    void endCell(std::string_view value)
    {
        inCell_ = false;
        inValue_ = false;
        inInline_ = false;
        ParsedCell cell;
        cell.row = currentRow_ < 0 ? 0 : currentRow_;
        cell.col = cellCol_;
        if (kind_ == ValueKind::Inline && hasInline_) {
            cell.type = CellType::Text;
            text_ = inline_.finish();
            cell.text = text_;
        } else if (!hasValue_ || (value.empty() && kind_ != ValueKind::FormulaText && kind_ != ValueKind::Inline)) {
            if (hasFormula_ || !styled_)
                return;  // a formula with nothing cached, or a cell that is only a position
            cell.type = CellType::Blank;
        } else if (!valueCell(value, cell)) {
            return;
        }
        take(cell);
    }

    bool valueCell(std::string_view value, ParsedCell& cell)
    {
        switch (kind_) {
        case ValueKind::Number:
            cell.type = CellType::Number;
            if (std::uint64_t whole; smallWhole(value, whole)) {
                cell.number = static_cast<double>(whole);
                return true;
            }
            if (!parseNumber(value, cell.number)) {
                fail("a number cell that holds no number");
                return false;
            }
            return true;
        case ValueKind::Date:
            cell.type = CellType::Number;
            if (!isoDateToSerial(value, cell.number)) {
                fail("a date cell that holds no date");
                return false;
            }
            // Number cells hold the workbook's own serials; so does a date written as text.
            if (date1904_)
                cell.number -= kDate1904Offset;
            return true;
        case ValueKind::Boolean:
            cell.type = CellType::Boolean;
            if (value == "1" || value == "true")
                cell.number = 1.0;
            else if (value == "0" || value == "false")
                cell.number = 0.0;
            else {
                fail("a boolean cell that holds no boolean");
                return false;
            }
            return true;
        case ValueKind::Error:
            cell.type = CellType::Error;
            cell.number = errorCode(value);
            return true;
        case ValueKind::Shared: {
            unsigned long index = 0;
            std::uint64_t whole = 0;
            const bool read = smallWhole(value, whole) ? (index = static_cast<unsigned long>(whole), true)
                                                       : parseIndex(value, index);
            if (!read || index >= shared_.size()) {
                fail("a shared string that the table lacks");
                return false;
            }
            cell.type = CellType::Text;
            cell.text = shared_[index];
            cell.shared = static_cast<long>(index);
            return true;
        }
        case ValueKind::FormulaText:
        case ValueKind::Inline: {
            // t="inlineStr" with a <v> instead of <is>: some writers do that.
            text_.assign(value);
            decodeEscapes(text_);
            cell.type = CellType::Text;
            cell.text = text_;
            return true;
        }
        }
        return false;
    }

    bool date1904_;
    bool dimensionSeen_ = false;
    bool inSheetData_ = false;
    bool inCell_ = false;
    bool inValue_ = false;
    bool inInline_ = false;
    int nextCol_ = 0;
    int cellCol_ = 0;
    ValueKind kind_ = ValueKind::Number;
    ExpectedReference expected_;
    bool styled_ = false;
    bool hasValue_ = false;
    bool hasInline_ = false;
    bool hasFormula_ = false;
    std::string value_;
    std::string text_;  // the text of the current cell when it is not a shared one
    TextCollector inline_;
};

// Keeps the cells in the sheet's store.
class StoreHandler final : public CellParser {
public:
    StoreHandler(const SharedStrings& sharedStrings, SheetData& sheet, BookReading& book)
        : CellParser(sharedStrings, sheet.date1904, book), sheet_(sheet)
    {
    }

    ~StoreHandler()
    {
        // The book's index of shared strings is left empty for the next sheet.
        for (std::uint32_t index : book_.used)
            book_.poolIndex[index] = kNone;
        book_.used.clear();
    }

    void finish()
    {
        flushRow();
        mergeLateCells();
    }

    void cell(const PlainCell& cell) override { readCell(*this, cell); }
    const char* usualCells(const char* p, const char* end) override { return readUsualCells(*this, p, end); }

private:
    friend class CellParser;

    void rowBreak() override { flushRow(); }

    [[gnu::always_inline]] void takeInRun(const ParsedCell& parsed) { take(parsed); }
    void endRun() {}

    [[gnu::always_inline]] void take(const ParsedCell& parsed) override
    {
        Cell cell;
        cell.col = parsed.col;
        cell.type = parsed.type;
        cell.number = parsed.number;
        if (parsed.type == CellType::Text) {
            if (parsed.shared >= 0 ? !sheetStringOf(static_cast<unsigned long>(parsed.shared), cell.text)
                                   : !addText(std::string(parsed.text), cell.text))
                return;
        }
        pending_.push_back(cell);
        // A row written with the same cells again and again is stored a part at a time,
        // so that its cells waiting here stay few.
        if (pending_.size() >= kMaxPendingCells)
            flushRow();
    }

    // Each shared string a sheet uses is copied into its pool once, within the budget.
    bool sheetStringOf(unsigned long sharedIndex, std::uint32_t& poolIndex)
    {
        if (book_.poolIndex.empty()) {
            if (!takeBudget(shared_.size() * sizeof(std::uint32_t)))
                return false;
            book_.poolIndex.assign(shared_.size(), kNone);
        }
        std::uint32_t& index = book_.poolIndex[sharedIndex];
        if (index == kNone) {
            if (!addText(std::string(shared_[sharedIndex]), index))
                return false;
            book_.used.push_back(static_cast<std::uint32_t>(sharedIndex));
        }
        poolIndex = index;
        return true;
    }

    // A text added to the sheet's pool, counted in the budget; all empty texts share one entry.
    bool addText(std::string text, std::uint32_t& index)
    {
        if (text.empty() && emptyText_ != kNone) {
            index = emptyText_;
            return true;
        }
        if (!takeBudget(kTextCost + text.size()))
            return false;
        index = sheet_.addString(std::move(text));
        if (sheet_.strings()[index].empty())
            emptyText_ = index;
        return true;
    }

    // Cells normally come row by row, so each row's cells are stored together when the
    // next row begins. A row met again later (rows out of order, or cells of two rows
    // interleaved, or one row written again and again) is merged with what is stored,
    // which costs the whole stored row: it is done at once only when the cells brought
    // are at least a quarter of the row. Fewer are kept aside with the row's other late
    // cells until they are (then that row is merged), or until all cells kept aside are
    // a quarter of the cells stored (then all are merged). So every merge costs at most
    // about four times the cells it brings, and the cells kept aside stay few beside
    // those stored, whatever the order of the rows.
    void flushRow()
    {
        if (!pending_.empty() && currentRow_ >= 0) {
            if (!sheet_.hasRow(currentRow_)) {
                store(currentRow_, pending_);
            } else {
                const std::size_t stored = sheet_.rows()[static_cast<std::size_t>(currentRow_)].size();
                auto late = late_.find(currentRow_);
                if (late == late_.end() && pending_.size() * 4 >= stored) {
                    store(currentRow_, pending_);
                } else {
                    if (late == late_.end())
                        late = late_.emplace(currentRow_, std::vector<Cell>()).first;
                    late->second.insert(late->second.end(), pending_.begin(), pending_.end());
                    lateCells_ += pending_.size();
                    if (late->second.size() * 4 >= stored) {
                        lateCells_ -= late->second.size();
                        store(currentRow_, late->second);
                        late_.erase(late);
                    }
                    if (lateCells_ >= std::max(kMinLateCells, sheet_.cellCount() / 4))
                        mergeLateCells();
                }
            }
        }
        pending_.clear();
    }

    // Stores a row's cells (merging with those stored), counting what it adds in the
    // budget. A cell given twice leaves it open which of the two values the sheet holds (a
    // program that reads the first would see other counts than one that reads the last):
    // the file is refused as damaged, naming the cell.
    void store(int row, std::vector<Cell>& cells)
    {
        if (failed()) {
            cells.clear();
            return;
        }
        const std::size_t before = sheet_.cellCount();
        const bool fresh = !sheet_.hasRow(row);
        const int twice = sheet_.putRow(row, cells);
        if (twice >= 0) {
            fail("cell " + CellName(row, twice) + " is given twice");
            return;
        }
        const std::size_t added = sheet_.cellCount() > before ? sheet_.cellCount() - before : 0;
        takeBudget(added * kCellCost + (fresh ? kRowCost : 0));
    }

    void mergeLateCells()
    {
        for (auto& [row, cells] : late_)
            store(row, cells);
        late_.clear();
        lateCells_ = 0;
    }

    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    static constexpr std::size_t kMaxPendingCells = 2 * kMaxCols;
    static constexpr std::size_t kMinLateCells = std::size_t{1} << 16;

    SheetData& sheet_;
    std::uint32_t emptyText_ = kNone;  // the pool's entry for an empty text, once there is one
    std::vector<Cell> pending_;  // the cells of currentRow_ not yet stored
    std::unordered_map<int, std::vector<Cell>> late_;  // cells of stored rows met again, by row
    std::size_t lateCells_ = 0;
};

// Hands the cells to a visitor as they come, while they come in order; the first cell
// that is not after the one before stops the scan (the caller then reads the sheet whole).
class StreamHandler final : public CellParser {
public:
    StreamHandler(const SharedStrings& sharedStrings, bool date1904, BookReading& book, CellVisitor& visitor)
        : CellParser(sharedStrings, date1904, book), visitor_(visitor)
    {
    }

    bool outOfOrder() const { return outOfOrder_; }
    bool stopped() const { return stopped_; }

    void cell(const PlainCell& cell) override { readCell(*this, cell); }
    const char* usualCells(const char* p, const char* end) override { return readUsualCells(*this, p, end); }

private:
    friend class CellParser;

    void rowBreak() override {}
    void statedExtent(int rows, int cols) override { visitor_.extent(rows, cols); }

    // The number cells of a run of usual cells wait here to go to the visitor together
    // (CellVisitor::numbers) while they stand in consecutive columns: they are of one
    // row, each after the one before, so only the first needs the check of order.
    [[gnu::always_inline]] void takeInRun(const ParsedCell& parsed)
    {
        if (parsed.type != CellType::Number) {
            endRun();
            if (!failed())
                take(parsed);
            return;
        }
        if (runCount_ > 0 && parsed.col != runCol_ + runCount_) {
            endRun();
            if (failed())
                return;
        }
        if (runCount_ == 0) {
            if (!inOrder(parsed))
                return;
            runRow_ = parsed.row;
            runCol_ = parsed.col;
        }
        run_[static_cast<std::size_t>(runCount_++)] = parsed.number;
        if (runCount_ == kRunCells)
            endRun();
    }
    void endRun()
    {
        if (runCount_ == 0)
            return;
        const int count = runCount_;
        runCount_ = 0;
        lastRow_ = runRow_;
        lastCol_ = runCol_ + count - 1;
        if (!visitor_.numbers(runRow_, runCol_, run_.data(), count)) {
            stopped_ = true;
            fail("stopped");
        }
    }

    bool inOrder(const ParsedCell& parsed)
    {
        if (parsed.row < lastRow_ || (parsed.row == lastRow_ && parsed.col <= lastCol_)) {
            outOfOrder_ = true;
            fail("cells out of order");
            return false;
        }
        return true;
    }

    [[gnu::always_inline]] void take(const ParsedCell& parsed) override
    {
        if (!inOrder(parsed))
            return;
        lastRow_ = parsed.row;
        lastCol_ = parsed.col;
        StreamedCell cell;
        cell.row = parsed.row;
        cell.col = parsed.col;
        cell.type = parsed.type;
        cell.number = parsed.number;
        cell.text = parsed.text;
        if (!visitor_.cell(cell)) {
            stopped_ = true;
            fail("stopped");
        }
    }

    static constexpr int kRunCells = 256;

    CellVisitor& visitor_;
    std::array<double, kRunCells> run_;
    int runCount_ = 0;
    int runRow_ = 0;
    int runCol_ = 0;
    int lastRow_ = -1;
    int lastCol_ = -1;
    bool outOfOrder_ = false;
    bool stopped_ = false;
};

}  // namespace

StreamEnd streamSheet(ZipArchive& zip, const std::string& part, const SharedStrings& sharedStrings, bool date1904,
                      CellVisitor& visitor, BookReading& book, std::string& error, ReadProgress* progress)
{
    const ReadBudget before = book.budget;
    {
        StreamHandler handler(sharedStrings, date1904, book, visitor);
        const bool read = scanSheetPart(zip, part, handler, error, progress);
        if (progress && progress->stopped())
            return StreamEnd::Cancelled;
        if (handler.stopped()) {
            error.clear();
            return StreamEnd::Stopped;
        }
        if (read)
            return StreamEnd::Done;
        if (!handler.outOfOrder())
            return StreamEnd::Failed;
    }
    // Cells out of order: the sheet is read whole, within what the book had left before
    // this sheet, and walked in order.
    error.clear();
    BookReading whole;
    whole.budget = before;
    SheetData sheet;
    sheet.date1904 = date1904;
    if (progress)
        progress->addTotal(zip.statedBytes(part));
    if (!readSheet(zip, part, sharedStrings, sheet, whole, error, progress))
        return progress && progress->stopped() ? StreamEnd::Cancelled : StreamEnd::Failed;
    book.budget = whole.budget;
    visitor.restart();
    visitor.extent(sheet.rowEnd(), sheet.colEnd());
    return VisitCells(sheet, visitor) ? StreamEnd::Done : StreamEnd::Stopped;
}

bool readSheet(ZipArchive& zip, const std::string& part, const SharedStrings& sharedStrings, SheetData& sheet,
               BookReading& book, std::string& error, ReadProgress* progress)
{
    StoreHandler handler(sharedStrings, sheet, book);
    if (!scanSheetPart(zip, part, handler, error, progress))
        return false;
    handler.finish();
    if (handler.failed()) {
        error = handler.failureOf(part);
        return false;
    }
    sheet.shrinkToFit();
    return true;
}

}  // namespace wb::xlsx
