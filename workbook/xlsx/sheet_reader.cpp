#include "workbook/xlsx/sheet_reader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "workbook/xlsx/text_collector.h"
#include "workbook/xlsx/values.h"
#include "workbook/xlsx/xml.h"
#include "workbook/xlsx/xml_scanner.h"

namespace wb::xlsx {

namespace {

enum class ValueKind { Number, Shared, Boolean, Error, FormulaText, Inline, Date };

// The kind a cell's t attribute names (none: a number).
bool kindOf(const std::optional<std::string_view>& t, ValueKind& kind)
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

std::optional<std::string_view> attributeView(const char** attributes, std::string_view name)
{
    const char* value = attribute(attributes, name);
    return value ? std::optional<std::string_view>(value) : std::nullopt;
}

class SheetHandler : public CellHandler {
public:
    SheetHandler(const SharedStrings& sharedStrings, SheetData& sheet, BookReading& book)
        : shared_(sharedStrings), sheet_(sheet), book_(book)
    {
    }

    ~SheetHandler()
    {
        // The book's index of shared strings is left empty for the next sheet.
        for (std::uint32_t index : book_.used)
            book_.poolIndex[index] = kNone;
        book_.used.clear();
    }

    void start(std::string_view name, const char** attributes) override
    {
        if (!book_.budget.takeElements(1)) {
            failTooLarge(ReadBudget::elementsRefusal());
            return;
        }
        if (!inSheetData_) {
            if (name == "sheetData")
                inSheetData_ = true;
            return;
        }
        if (inCell_) {
            startInCell(name);
        } else if (name == "c") {
            startCell(attributeView(attributes, "r"), attributeView(attributes, "t"), attribute(attributes, "s") != nullptr);
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
            flushRow();
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

    void cell(const PlainCell& cell) override
    {
        if (!book_.budget.takeElements(1 + std::uint64_t{cell.hasValue} + std::uint64_t{cell.hasFormula})) {
            failTooLarge(ReadBudget::elementsRefusal());
            return;
        }
        startCell(cell.hasR ? std::optional<std::string_view>(cell.r) : std::nullopt,
                  cell.hasT ? std::optional<std::string_view>(cell.t) : std::nullopt, cell.hasS);
        if (failed())
            return;
        hasValue_ = cell.hasValue;
        hasFormula_ = cell.hasFormula;
        endCell(cell.value);
    }

    void finish()
    {
        flushRow();
        mergeLateCells();
    }

    bool takeBudget(std::size_t bytes)
    {
        if (book_.budget.take(bytes))
            return true;
        failTooLarge(book_.budget.refusal());
        return false;
    }

private:
    void startRow(const char** attributes)
    {
        flushRow();
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

    void startCell(const std::optional<std::string_view>& r, const std::optional<std::string_view>& t, bool styled)
    {
        int row = currentRow_ < 0 ? 0 : currentRow_;
        int col = nextCol_;
        if (r) {
            if (!parseCellRef(*r, row, col)) {
                fail("cell reference \"" + std::string(*r) + "\" out of range (A1 to XFD1048576) or not understood");
                return;
            }
        } else if (col >= kMaxCols) {
            fail("more cells in a row than a sheet can hold (" + std::to_string(kMaxCols) + ")");
            return;
        }
        if (row != currentRow_) {
            flushRow();
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
        Cell cell;
        cell.col = cellCol_;
        if (kind_ == ValueKind::Inline && hasInline_) {
            cell.type = CellType::Text;
            if (!addText(inline_.finish(), cell.text))
                return;
        } else if (!hasValue_ || (value.empty() && kind_ != ValueKind::FormulaText && kind_ != ValueKind::Inline)) {
            if (hasFormula_ || !styled_)
                return;  // a formula with nothing cached, or a cell that is only a position
            cell.type = CellType::Blank;
        } else if (!valueCell(value, cell)) {
            return;
        }
        pending_.push_back(cell);
        // A row written with the same cells again and again is stored a part at a time,
        // so that its cells waiting here stay few.
        if (pending_.size() >= kMaxPendingCells)
            flushRow();
    }

    bool valueCell(std::string_view value, Cell& cell)
    {
        switch (kind_) {
        case ValueKind::Number:
            cell.type = CellType::Number;
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
            if (sheet_.date1904)
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
            if (!parseIndex(value, index) || index >= shared_.size()) {
                fail("a shared string that the table lacks");
                return false;
            }
            cell.type = CellType::Text;
            return sheetStringOf(index, cell.text);
        }
        case ValueKind::FormulaText:
        case ValueKind::Inline: {
            // t="inlineStr" with a <v> instead of <is>: some writers do that.
            std::string text(value);
            decodeEscapes(text);
            cell.type = CellType::Text;
            return addText(std::move(text), cell.text);
        }
        }
        return false;
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

    // Stores a row's cells (merging with those stored; of two in one column the later in
    // `cells` wins), counting what it adds in the budget.
    void store(int row, std::vector<Cell>& cells)
    {
        const std::size_t before = sheet_.cellCount();
        const bool fresh = !sheet_.hasRow(row);
        sheet_.putRow(row, cells);
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

    const SharedStrings& shared_;
    SheetData& sheet_;
    BookReading& book_;
    std::uint32_t emptyText_ = kNone;  // the pool's entry for an empty text, once there is one
    std::vector<Cell> pending_;  // the cells of currentRow_ not yet stored
    std::unordered_map<int, std::vector<Cell>> late_;  // cells of stored rows met again, by row
    std::size_t lateCells_ = 0;
    bool inSheetData_ = false;
    bool inCell_ = false;
    bool inValue_ = false;
    bool inInline_ = false;
    int currentRow_ = -1;
    int nextCol_ = 0;
    int cellCol_ = 0;
    ValueKind kind_ = ValueKind::Number;
    bool styled_ = false;
    bool hasValue_ = false;
    bool hasInline_ = false;
    bool hasFormula_ = false;
    std::string value_;
    TextCollector inline_;
};

}  // namespace

bool readSheet(ZipArchive& zip, const std::string& part, const SharedStrings& sharedStrings, SheetData& sheet,
               BookReading& book, std::string& error)
{
    SheetHandler handler(sharedStrings, sheet, book);
    if (!scanSheetPart(zip, part, handler, error))
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
