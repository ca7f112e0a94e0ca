#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>
#include <unordered_map>

#include "workbook/cells/cell_names.h"
#include "workbook/xls/codec.h"
#include "workbook/xls/compound_file.h"
#include "workbook/xls/records.h"

namespace wb {

namespace {

// A number record can carry any 64-bit pattern; NaN and the infinities are not numbers a
// sheet can show, so they are kept as the error a spreadsheet gives them (#NUM!).
void setFileNumber(wb::SheetData& sheet, int row, int col, double value)
{
    if (std::isfinite(value))
        sheet.setNumber(row, col, value);
    else
        sheet.setError(row, col, 0x24);
}

using namespace xls;

// Larger files are not .xls workbooks: the format's stream sizes are 32-bit.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{1} << 31;

// Row slots all sheets together may span. A sheet keeps one (empty) row entry for every
// row above its last cell, so a small hostile file of thousands of sheets, each with one
// cell in the last row, would otherwise cost 1.5 MiB per sheet; this allows 64 sheets
// that reach the last of the 65,536 rows.
constexpr std::size_t kMaxRowSlotsPerBook = std::size_t{4} << 20;
// Sheets listed in one workbook; spreadsheet programs stop at a few thousand.
constexpr std::size_t kMaxSheets = 10000;

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxFileBytes) {
        error = size < 0 ? "cannot read " + path : "the file is too large to be an .xls workbook";
        return false;
    }
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

struct SheetEntry {
    std::uint32_t offset = 0;
    std::uint8_t kind = 0;  // 0 worksheet, 1 macro sheet, 2 chart, 6 module
    std::string name;
};

// Reads the records of one workbook stream; BIFF8, and BIFF5 as far as cells go.
class BiffParser {
public:
    BiffParser(std::span<const std::uint8_t> stream, std::string& error, ReadProgress* progress)
        : stream_(stream), error_(error), progress_(progress)
    {
    }
    bool parse(WorkbookData& out);

private:
    bool fail(std::string reason)
    {
        error_ = std::move(reason);
        return false;
    }
    bool damagedStream() { return fail("the workbook stream is damaged (a record runs past the end of the stream)"); }
    bool parseGlobals(std::size_t& globalsEnd);
    bool parseSst(RecordReader& reader, const Record& first);
    // One sheet's substream, from its BOF to its EOF (`end` is just past it).
    bool parseSheet(std::size_t offset, SheetData& sheet, std::size_t& end);

    // What reading one sheet keeps between its records.
    struct SheetState {
        explicit SheetState(SheetData& s) : sheet(s) {}
        SheetData& sheet;
        // Shared string -> the sheet's own copy of it.
        std::unordered_map<std::uint32_t, std::uint32_t> localText;
        // A formula whose text result comes in the STRING record that follows it.
        bool pendingString = false;
        int pendingRow = 0;
        int pendingCol = 0;
        std::string text;  // reused for every text read
    };
    // The steps of a sheet: a cell record (any of the kinds below), a formula's cached
    // result, and the text of a shared string for a LABELSST.
    bool readCell(const Record& r, SheetState& state);
    bool readFormulaResult(std::span<const std::uint8_t> d, int row, int col, SheetState& state);
    bool sharedText(std::uint32_t index, SheetState& state, std::uint32_t& local);
    // The short text of a BOUNDSHEET (8-bit count).
    bool shortText(std::span<const std::uint8_t> data, std::string& out);
    // The text of a LABEL, RSTRING or STRING record's body from `at` (16-bit count).
    bool cellText(ContinuedData& data, std::string& out);
    void gatherContinues(RecordReader& reader, ContinuedData& data);

    std::span<const std::uint8_t> stream_;
    std::string& error_;
    ReadProgress* progress_;
    bool biff8_ = true;
    bool date1904_ = false;
    std::vector<SheetEntry> sheets_;
    std::vector<std::string> sst_;
    // Each sheet keeps its own copies of the shared strings it uses, so many sheets that
    // point at the same long strings could make the copies far larger than the file. The
    // copies are allowed a budget in proportion to the stream.
    std::size_t copyBudget_ = 0;
    // Row slots of the sheets read so far (see kMaxRowSlotsPerBook).
    std::size_t rowSlots_ = 0;
};

void BiffParser::gatherContinues(RecordReader& reader, ContinuedData& data)
{
    Record r;
    while (reader.peekType() == kContinue && reader.next(r))
        data.add(r.data);
}

bool BiffParser::shortText(std::span<const std::uint8_t> data, std::string& out)
{
    out.clear();
    if (data.empty())
        return false;
    std::size_t count = data[0];
    if (!biff8_) {
        if (data.size() < 1 + count)
            return false;
        appendLatin1(out, data.subspan(1, count));
        return true;
    }
    if (data.size() < 2)
        return false;
    ContinuedData text;
    text.add(data.subspan(2));
    return text.readChars(count, data[1], out);
}

bool BiffParser::cellText(ContinuedData& data, std::string& out)
{
    out.clear();
    if (biff8_)
        return data.readUnicodeString(out);
    std::uint16_t count;
    if (!data.read16(count))
        return false;
    return data.readChars(count, 0, out);
}

bool BiffParser::parseSst(RecordReader& reader, const Record& first)
{
    ContinuedData data;
    data.add(first.data);
    gatherContinues(reader, data);
    std::uint32_t total, unique;
    if (!data.read32(total) || !data.read32(unique))
        return fail("the shared string table is damaged (too short)");
    // The stated count only bounds the loop; the table grows with strings really present.
    for (std::uint32_t i = 0; i < unique && !data.atEnd(); ++i) {
        std::string text;
        if (!data.readUnicodeString(text))
            return fail("the shared string table is damaged (a string runs past its end)");
        sst_.push_back(std::move(text));
    }
    return true;
}

bool BiffParser::parseGlobals(std::size_t& globalsEnd)
{
    RecordReader reader(stream_, 0);
    Record r;
    if (!reader.next(r) || r.type != kBof || r.data.size() < 4)
        return fail("not an Excel 97-2003 workbook (the workbook stream does not begin with a BOF record)");
    std::uint16_t version = get16(r.data.data());
    if (version == 0x0500)
        biff8_ = false;
    else if (version != 0x0600)
        return fail("unsupported Excel file version (only BIFF5 and BIFF8 workbooks can be read)");
    if (get16(r.data.data() + 2) != kBofGlobals)
        return fail("the workbook stream does not begin with the workbook globals");
    while (reader.next(r)) {
        switch (r.type) {
        case kEof:
            globalsEnd = r.offset + 4 + r.data.size();
            return true;
        case kDateMode:
            date1904_ = r.data.size() >= 2 && get16(r.data.data()) == 1;
            break;
        case kFilePass:
            return fail("the workbook is encrypted (password protected); save it without a password and try again");
        case kBoundSheet: {
            if (r.data.size() < 6)
                return fail("a sheet record (BOUNDSHEET) is too short");
            if (sheets_.size() == kMaxSheets)
                return fail("the workbook lists more sheets than the reader accepts (over "
                            + std::to_string(kMaxSheets) + ")");
            SheetEntry entry;
            entry.offset = get32(r.data.data());
            entry.kind = r.data[5];
            if (!shortText(r.data.subspan(6), entry.name))
                return fail("a sheet name is damaged");
            sheets_.push_back(std::move(entry));
            break;
        }
        case kSst:
            if (biff8_ && !parseSst(reader, r))
                return false;
            break;
        default:
            break;
        }
    }
    if (reader.damaged())
        return damagedStream();
    return fail("the workbook stream is truncated (its global section has no end)");
}

bool BiffParser::sharedText(std::uint32_t index, SheetState& state, std::uint32_t& local)
{
    if (index >= sst_.size())
        return fail("a cell in sheet \"" + state.sheet.name + "\" refers to a shared string that does not exist");
    auto [it, added] = state.localText.try_emplace(index, 0);
    if (added) {
        if (sst_[index].size() > copyBudget_)
            return fail("the workbook's texts are too large for their file (damaged file)");
        copyBudget_ -= sst_[index].size();
        it->second = state.sheet.addString(sst_[index]);
    }
    local = it->second;
    return true;
}

bool BiffParser::readFormulaResult(std::span<const std::uint8_t> d, int row, int col, SheetState& state)
{
    // The cached result: a double, or a tagged value when its top two bytes are FFFF.
    if (get16(d.data() + 12) != 0xFFFF) {
        setFileNumber(state.sheet, row, col, getDouble(d.data() + 6));
        return true;
    }
    switch (d[6]) {
    case 0:  // text, in the STRING record that follows
        state.pendingString = true;
        state.pendingRow = row;
        state.pendingCol = col;
        break;
    case 1:
        state.sheet.setBoolean(row, col, d[8] != 0);
        break;
    case 2:
        state.sheet.setError(row, col, d[8]);
        break;
    case 3:
        state.sheet.setText(row, col, "");
        break;
    default:  // nothing cached: the cell reads as empty
        break;
    }
    return true;
}

bool BiffParser::readCell(const Record& r, SheetState& state)
{
    SheetData& sheet = state.sheet;
    const std::uint8_t* d = r.data.data();
    const std::size_t n = r.data.size();
    auto tooShort = [&]() { return fail("a cell record in sheet \"" + sheet.name + "\" is too short"); };
    auto beyondColumns = [&]() {
        return fail("sheet \"" + sheet.name + "\" has a cell beyond column 256, the .xls limit");
    };
    // Every cell record starts with row and column.
    if (n < 6)
        return tooShort();
    const int row = get16(d);
    const int col = get16(d + 2);
    if (col >= kMaxCols)
        return beyondColumns();
    if (row >= sheet.rowEnd() && rowSlots_ + static_cast<std::size_t>(row) + 1 > kMaxRowSlotsPerBook)
        return fail("the file is too large (its sheets span more rows than the reader accepts)");
    // A cell given twice leaves it open which value the sheet holds (a program that reads
    // the first sees other counts than one that reads the last): the file is damaged.
    auto givenTwice = [&](int at) {
        return fail("the file is damaged (sheet \"" + sheet.name + "\": cell " + CellName(row, at) + " is given twice)");
    };
    const auto repeated = [&](std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            if (sheet.find(row, col + static_cast<int>(i)))
                return col + static_cast<int>(i);
        return -1;
    };
    if (r.type != kMulRk && r.type != kMulBlank && repeated(1) >= 0)
        return givenTwice(col);
    switch (r.type) {
    case kNumber:
        if (n < 14)
            return tooShort();
        setFileNumber(sheet, row, col, getDouble(d + 6));
        return true;
    case kRk:
        if (n < 10)
            return tooShort();
        setFileNumber(sheet, row, col, decodeRk(get32(d + 6)));
        return true;
    case kMulRk: {
        std::size_t count = (n - 6) / 6;  // xf and RK per cell, then the last column
        if (count == 0)
            return tooShort();
        if (col + count > static_cast<std::size_t>(kMaxCols))
            return beyondColumns();
        if (const int at = repeated(count); at >= 0)
            return givenTwice(at);
        for (std::size_t i = 0; i < count; ++i)
            setFileNumber(sheet, row, col + static_cast<int>(i), decodeRk(get32(d + 4 + 6 * i + 2)));
        return true;
    }
    case kMulBlank: {
        std::size_t count = (n - 6) / 2;
        if (count == 0)
            return tooShort();
        if (col + count > static_cast<std::size_t>(kMaxCols))
            return beyondColumns();
        if (const int at = repeated(count); at >= 0)
            return givenTwice(at);
        for (std::size_t i = 0; i < count; ++i)
            sheet.setBlank(row, col + static_cast<int>(i));
        return true;
    }
    case kBlank:
        sheet.setBlank(row, col);
        return true;
    case kLabelSst: {
        if (n < 10)
            return tooShort();
        std::uint32_t local;
        if (!sharedText(get32(d + 6), state, local))
            return false;
        sheet.setTextIndex(row, col, local);
        return true;
    }
    case kLabel:
    case kRString: {
        ContinuedData data;
        data.add(r.data.subspan(6));
        if (!cellText(data, state.text))
            return fail("a text cell in sheet \"" + sheet.name + "\" is damaged");
        sheet.setText(row, col, state.text);
        return true;
    }
    case kBoolErr:
        if (n < 8)
            return tooShort();
        if (d[7])
            sheet.setError(row, col, d[6]);
        else
            sheet.setBoolean(row, col, d[6] != 0);
        return true;
    case kFormula:
        if (n < 20)
            return tooShort();
        return readFormulaResult(r.data, row, col, state);
    default:
        return true;
    }
}

bool BiffParser::parseSheet(std::size_t offset, SheetData& sheet, std::size_t& end)
{
    RecordReader reader(stream_, offset);
    Record r;
    if (!reader.next(r) || r.type != kBof || r.data.size() < 4)
        return fail("sheet \"" + sheet.name + "\" does not start where the workbook says");

    SheetState state(sheet);
    int depth = 0;  // embedded chart substreams have their own BOF ... EOF
    while (reader.next(r)) {
        if (progress_ && !progress_->advanceTo(r.offset))
            return fail(kReadCancelled);
        if (r.type == kBof) {
            ++depth;
            continue;
        }
        if (r.type == kEof) {
            if (depth == 0) {
                end = r.offset + 4;
                return true;
            }
            --depth;
            continue;
        }
        if (depth > 0)
            continue;
        if (r.type == kString) {
            ContinuedData data;
            data.add(r.data);
            gatherContinues(reader, data);
            if (state.pendingString) {
                if (!cellText(data, state.text))
                    return fail("a formula's text result in sheet \"" + sheet.name + "\" is damaged");
                sheet.setText(state.pendingRow, state.pendingCol, state.text);
                state.pendingString = false;
            }
            continue;
        }
        const bool cellRecord = r.type == kNumber || r.type == kRk || r.type == kMulRk || r.type == kLabelSst
                                || r.type == kLabel || r.type == kRString || r.type == kBoolErr || r.type == kBlank
                                || r.type == kMulBlank || r.type == kFormula;
        if (!cellRecord)
            continue;
        state.pendingString = false;
        if (!readCell(r, state))
            return false;
    }
    if (reader.damaged())
        return damagedStream();
    return fail("sheet \"" + sheet.name + "\" is truncated (it has no end record)");
}

bool BiffParser::parse(WorkbookData& out)
{
    copyBudget_ = (std::size_t{64} << 20) + 8 * stream_.size();
    std::size_t globalsEnd = 0;
    if (!parseGlobals(globalsEnd))
        return false;
    std::vector<std::size_t> worksheets;
    for (std::size_t i = 0; i < sheets_.size(); ++i)
        if (sheets_[i].kind == 0)
            worksheets.push_back(i);
    if (worksheets.empty())
        return fail("the workbook has no worksheets");

    // Sheets are read in stream order and must not overlap: a file whose sheets all point
    // at one place would otherwise be read again for each of them.
    std::vector<std::size_t> byOffset = worksheets;
    std::stable_sort(byOffset.begin(), byOffset.end(),
                     [&](std::size_t a, std::size_t b) { return sheets_[a].offset < sheets_[b].offset; });
    std::vector<SheetData> parsed(sheets_.size());
    std::size_t freeFrom = globalsEnd;
    for (std::size_t index : byOffset) {
        const SheetEntry& entry = sheets_[index];
        if (entry.offset >= stream_.size())
            return fail("sheet \"" + entry.name + "\" lies outside the workbook stream");
        if (entry.offset < freeFrom)
            return fail("sheet \"" + entry.name + "\" overlaps another part of the workbook stream");
        parsed[index].name = entry.name;
        parsed[index].date1904 = date1904_;
        std::size_t end = 0;
        if (!parseSheet(entry.offset, parsed[index], end))
            return false;
        parsed[index].shrinkToFit();
        rowSlots_ += static_cast<std::size_t>(parsed[index].rowEnd());
        freeFrom = end;
    }
    for (std::size_t index : worksheets)
        out.sheets.push_back(std::move(parsed[index]));
    return true;
}

}  // namespace

bool readXlsFile(const std::string& path, WorkbookData& out, std::string& error, ReadProgress* progress)
{
    out = WorkbookData{};
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, bytes, error))
        return false;
    CompoundFile container;
    if (!container.open(std::move(bytes), error))
        return false;
    std::vector<std::uint8_t> stream;
    // "Workbook" holds BIFF8; Excel 5 and 95 named theirs "Book".
    const char* name = container.hasStream("Workbook") ? "Workbook" : container.hasStream("Book") ? "Book" : nullptr;
    if (!name) {
        // Office keeps a password-protected .xlsx workbook in a compound file of this kind.
        error = container.hasStream("EncryptionInfo")
                    ? "the workbook is encrypted (password protected); save it without a password and try again"
                    : "the file holds no workbook (not an Excel 97-2003 .xls file)";
        return false;
    }
    if (!container.readStream(name, stream, error))
        return false;
    WorkbookData book;
    if (progress)
        progress->addTotal(stream.size());
    BiffParser parser(stream, error, progress);
    if (!parser.parse(book))
        return false;
    if (progress && !progress->finish()) {
        error = kReadCancelled;
        return false;
    }
    out = std::move(book);
    return true;
}

}  // namespace wb
