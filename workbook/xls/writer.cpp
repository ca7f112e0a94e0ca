#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "workbook/xls/codec.h"
#include "base/ascii_case.h"
#include "workbook/cells/cell_names.h"
#include "workbook/xls/compound_file_writer.h"
#include "workbook/xls/records.h"
#include "workbook/xls/summary_information.h"

namespace wb {

namespace {

using namespace xls;

// Excel's own limit on a cell's text, in UTF-16 units.
constexpr std::size_t kMaxTextUnits = 32767;
constexpr std::size_t kMaxSheetNameUnits = 31;
// Excel keeps at most about 4000 cell formats; more cannot be written.
constexpr std::size_t kMaxFormats = 4000;
// Built-in number formats are 0 to 163; higher ids need FORMAT records of their own.
constexpr int kMaxBuiltinNumFormat = 163;
// The style XFs every reader expects (0 to 14), then the default cell XF.
constexpr std::uint16_t kStyleXfCount = 15;
constexpr std::uint16_t kDefaultCellXf = 15;
// Fonts 0 to 3 and 5 are the default font (there is no font 4); the bold font follows.
constexpr std::uint16_t kBoldFont = 6;
// Header and footer texts hold at most 255 characters.
constexpr std::size_t kMaxFooterUnits = 255;
// The built-in name of the rows and columns printed on every page.
constexpr std::uint8_t kPrintTitlesName = 0x07;

// A BIFF text as written: 8-bit when every character fits in Latin-1, else UTF-16.
struct EncodedText {
    std::u16string units;
    bool wide = false;
};

EncodedText encode(std::u16string units)
{
    EncodedText t;
    t.wide = std::any_of(units.begin(), units.end(), [](char16_t c) { return c > 0xFF; });
    t.units = std::move(units);
    return t;
}

void putChars(std::vector<std::uint8_t>& out, const EncodedText& t, std::size_t from, std::size_t count)
{
    for (std::size_t i = from; i < from + count; ++i) {
        if (t.wide)
            put16(out, static_cast<std::uint16_t>(t.units[i]));
        else
            out.push_back(static_cast<std::uint8_t>(t.units[i]));
    }
}

class StreamWriter {
public:
    void record(std::uint16_t type, const std::vector<std::uint8_t>& body)
    {
        put16(out_, type);
        put16(out_, static_cast<std::uint16_t>(body.size()));
        out_.insert(out_.end(), body.begin(), body.end());
    }
    std::size_t size() const { return out_.size(); }
    std::vector<std::uint8_t>& bytes() { return out_; }

private:
    std::vector<std::uint8_t> out_;
};

class XlsWriter {
public:
    XlsWriter(const WorkbookData& book, const BookLayout& layout, std::string& error)
        : book_(book), layout_(layout), error_(error)
    {
    }
    bool build();
    std::vector<std::uint8_t>& stream() { return stream_.bytes(); }

private:
    bool fail(std::string reason)
    {
        error_ = std::move(reason);
        return false;
    }
    bool check();
    bool checkLayout(std::size_t sheet);
    bool collectStrings();
    void writeGlobals(std::vector<std::size_t>& sheetOffsetFields);
    void writeSst();
    void writePrintTitles();
    void writeSheet(std::size_t index);
    void writePageSetup(const SheetLayout& layout, std::size_t index);
    void writeColumnWidths(const SheetLayout& layout);
    void writeWindow(const SheetLayout& layout, std::size_t index);
    const SheetLayout& layoutOf(std::size_t sheet) const
    {
        static const SheetLayout none;
        return sheet < layout_.sheets.size() ? layout_.sheets[sheet] : none;
    }
    std::uint16_t xfOf(const Cell& cell) const
    {
        return cell.format == 0 ? kDefaultCellXf : static_cast<std::uint16_t>(kDefaultCellXf + cell.format);
    }

    const WorkbookData& book_;
    const BookLayout& layout_;
    std::string& error_;
    StreamWriter stream_;
    std::vector<EncodedText> sheetNames_;
    std::vector<EncodedText> footers_;
    std::vector<EncodedText> sst_;
    std::size_t textCells_ = 0;
    // Per sheet: its string pool index -> shared string index.
    std::vector<std::vector<std::uint32_t>> sstIndex_;
};

bool validErrorCode(double code)
{
    static constexpr int kCodes[] = {0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A};
    return std::any_of(std::begin(kCodes), std::end(kCodes), [&](int c) { return code == c; });
}

bool XlsWriter::check()
{
    if (book_.sheets.empty())
        return fail("a workbook needs at least one sheet");
    if (book_.formats.size() > kMaxFormats)
        return fail("the workbook has more cell formats than the .xls format can hold");
    for (int id : book_.formats)
        if (id < 0 || id > kMaxBuiltinNumFormat)
            return fail("number format " + std::to_string(id) + " is not a built-in number format");

    std::vector<std::u16string> folded;
    for (const SheetData& sheet : book_.sheets) {
        std::u16string units;
        if (!utf8ToUtf16(sheet.name, units))
            return fail("sheet name \"" + sheet.name + "\" is not valid UTF-8 text");
        if (units.empty() || units.size() > kMaxSheetNameUnits)
            return fail("sheet name \"" + sheet.name + "\" must have 1 to 31 characters");
        if (units.find_first_of(u"[]:*?/\\") != std::u16string::npos)
            return fail("sheet name \"" + sheet.name + "\" contains one of the characters [ ] : * ? / \\");
        if (units.front() == u'\'' || units.back() == u'\'')
            return fail("sheet name \"" + sheet.name + "\" must not begin or end with an apostrophe");
        std::u16string key = units;
        std::transform(key.begin(), key.end(), key.begin(), [](char16_t c) { return upperAscii(c); });
        if (std::find(folded.begin(), folded.end(), key) != folded.end())
            return fail("the workbook has two sheets named \"" + sheet.name + "\"");
        folded.push_back(std::move(key));
        sheetNames_.push_back(encode(std::move(units)));
        if (!checkLayout(sheetNames_.size() - 1))
            return false;

        const auto& rows = sheet.rows();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (rows[r].empty())
                continue;
            if (r >= static_cast<std::size_t>(kMaxRows))
                return fail("sheet \"" + sheet.name + "\" has a cell in row " + std::to_string(r + 1) +
                            ", beyond the .xls limit of 65,536 rows");
            for (const Cell& cell : rows[r]) {
                const int row = static_cast<int>(r);
                if (cell.col >= kMaxCols)
                    return fail("sheet \"" + sheet.name + "\" has a cell in column " + std::to_string(cell.col + 1) +
                                ", beyond the .xls limit of 256 columns");
                if (cell.format > book_.formats.size())
                    return fail("cell " + CellName(row, cell.col) + " of sheet \"" + sheet.name +
                                "\" has an unknown cell format");
                if (cell.type == CellType::Number && !std::isfinite(cell.number))
                    return fail("cell " + CellName(row, cell.col) + " of sheet \"" + sheet.name +
                                "\" holds a number that is not finite (NaN or infinity)");
                if (cell.type == CellType::Error && !validErrorCode(cell.number))
                    return fail("cell " + CellName(row, cell.col) + " of sheet \"" + sheet.name +
                                "\" holds an unknown error code");
            }
        }
    }
    return true;
}

bool XlsWriter::checkLayout(std::size_t index)
{
    const SheetLayout& layout = layoutOf(index);
    const std::string& name = book_.sheets[index].name;
    std::u16string footer;
    if (!utf8ToUtf16(layout.footer, footer))
        return fail("the footer of sheet \"" + name + "\" is not valid UTF-8 text");
    if (footer.size() > kMaxFooterUnits)
        return fail("the footer of sheet \"" + name + "\" is longer than 255 characters");
    footers_.push_back(encode(std::move(footer)));
    if (layout.frozenRows >= kMaxRows || layout.frozenCols >= kMaxCols)
        return fail("the frozen panes of sheet \"" + name + "\" lie beyond the .xls limits");
    if (layout.titleFirstRow >= 0 && (layout.titleLastRow >= kMaxRows || layout.titleLastRow < layout.titleFirstRow))
        return fail("the print title rows of sheet \"" + name + "\" lie beyond the .xls limits");
    if (layout.fitPagesWide < 0 || layout.fitPagesWide > 0x7FFF || layout.paperSize < 0 || layout.paperSize > 0xFFFF)
        return fail("the page set-up of sheet \"" + name + "\" cannot be written");
    for (double width : layout.columnWidths)
        if (!(width >= 0.0 && width <= kMaxColumnWidth))
            return fail("a column width of sheet \"" + name + "\" is not from 0 to 255 characters");
    return true;
}

bool XlsWriter::collectStrings()
{
    std::unordered_map<std::string_view, std::uint32_t> known;
    for (const SheetData& sheet : book_.sheets) {
        std::vector<std::uint32_t>& map = sstIndex_.emplace_back(sheet.strings().size(), UINT32_MAX);
        const auto rows = sheet.rows();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (const Cell& cell : rows[r]) {
                if (cell.type != CellType::Text)
                    continue;
                ++textCells_;
                if (map[cell.text] != UINT32_MAX)
                    continue;
                const std::string& text = sheet.textOf(cell);
                auto [it, added] = known.try_emplace(text, static_cast<std::uint32_t>(sst_.size()));
                if (added) {
                    std::u16string units;
                    if (!utf8ToUtf16(text, units))
                        return fail("a text in sheet \"" + sheet.name + "\" is not valid UTF-8");
                    if (units.size() > kMaxTextUnits)
                        return fail("a text in sheet \"" + sheet.name +
                                    "\" is longer than the 32,767 characters a cell can hold");
                    sst_.push_back(encode(std::move(units)));
                }
                map[cell.text] = it->second;
            }
        }
    }
    return true;
}

std::vector<std::uint8_t> fontRecord(bool bold)
{
    std::vector<std::uint8_t> b;
    put16(b, 200);                // height in twips: 10 points
    put16(b, bold ? 0x0001 : 0);  // the bold bit, which older readers go by
    put16(b, 0x7FFF);             // automatic colour
    put16(b, bold ? 700 : 400);   // weight
    put16(b, 0);
    b.push_back(0);  // no underline
    b.push_back(0);
    b.push_back(0);
    b.push_back(0);
    const char name[] = "Arial";
    b.push_back(static_cast<std::uint8_t>(sizeof name - 1));
    b.push_back(0);  // 8-bit characters
    b.insert(b.end(), name, name + sizeof name - 1);
    return b;
}

std::vector<std::uint8_t> xfRecord(std::uint16_t numFormat, bool style, std::uint8_t usedAttributes,
                                   std::uint16_t font = 0)
{
    std::vector<std::uint8_t> b;
    put16(b, font);
    put16(b, numFormat);
    // Locked; a style XF has the style bit and parent 0xFFF, a cell XF the Normal style.
    put16(b, style ? 0xFFF5 : 0x0001);
    b.push_back(0x20);  // bottom aligned
    b.push_back(0);
    b.push_back(0);
    b.push_back(usedAttributes);
    put32(b, 0);  // no borders
    put32(b, 0);
    put16(b, 0x20C0);  // pattern colours: system foreground and background
    return b;
}

void XlsWriter::writeGlobals(std::vector<std::size_t>& sheetOffsetFields)
{
    std::vector<std::uint8_t> b;
    auto body = [&b]() -> std::vector<std::uint8_t>& {
        b.clear();
        return b;
    };

    auto& bof = body();
    put16(bof, 0x0600);
    put16(bof, kBofGlobals);
    put16(bof, 0x0DBB);
    put16(bof, 0x07CC);
    put32(bof, 0);
    put32(bof, 0x06);
    stream_.record(kBof, bof);

    put16(body(), 1200);  // texts are UTF-16
    stream_.record(kCodePage, b);

    auto& window = body();
    put16(window, 0);
    put16(window, 0);
    put16(window, 0x4000);
    put16(window, 0x2000);
    put16(window, 0x0038);  // horizontal and vertical scroll bars, sheet tabs
    put16(window, 0);       // active sheet
    put16(window, 0);       // first visible tab
    put16(window, 1);       // selected tabs
    put16(window, 0x0258);  // tab bar width ratio (per mille)
    stream_.record(kWindow1, window);

    put16(body(), 0);  // dates count from 1900
    stream_.record(0x0022, b);

    // Font 4 does not exist in BIFF; readers expect the four before it and the one after.
    const std::vector<std::uint8_t> font = fontRecord(false);
    for (int i = 0; i < 5; ++i)
        stream_.record(kFont, font);
    stream_.record(kFont, fontRecord(true));  // font 6

    stream_.record(kXf, xfRecord(0, true, 0x00));
    for (std::uint16_t i = 1; i < kStyleXfCount; ++i)
        stream_.record(kXf, xfRecord(0, true, 0xF4));
    stream_.record(kXf, xfRecord(0, false, 0x00));
    // One cell XF per cell format of the book, each on its built-in number format; the
    // used-attribute bits say which of its parts replace the Normal style's (number
    // format 0x04, font 0x08).
    for (std::size_t f = 0; f < book_.formats.size(); ++f) {
        const bool bold = layout_.isBold(f);
        stream_.record(kXf, xfRecord(static_cast<std::uint16_t>(book_.formats[f]), false,
                                     bold ? 0x0C : 0x04, bold ? kBoldFont : 0));
    }

    auto& style = body();
    put16(style, 0x8000);  // built-in style on XF 0
    style.push_back(0);    // "Normal"
    style.push_back(0xFF);
    stream_.record(kStyle, style);

    for (const EncodedText& name : sheetNames_) {
        auto& sheet = body();
        put32(sheet, 0);  // the sheet's BOF position, filled in once known
        sheet.push_back(0);
        sheet.push_back(0);
        sheet.push_back(static_cast<std::uint8_t>(name.units.size()));
        sheet.push_back(name.wide ? 1 : 0);
        putChars(sheet, name, 0, name.units.size());
        sheetOffsetFields.push_back(stream_.size() + 4);
        stream_.record(kBoundSheet, sheet);
    }

    writePrintTitles();
    writeSst();
    stream_.record(kEof, body());
}

// Rows printed on every page are the sheet's built-in name Print_Titles, a 3D reference
// to those rows across all columns; 3D references go through the EXTERNSHEET table,
// which points at the SUPBOOK record of this workbook's own sheets.
void XlsWriter::writePrintTitles()
{
    std::vector<std::size_t> titled;
    for (std::size_t i = 0; i < book_.sheets.size(); ++i)
        if (layoutOf(i).titleFirstRow >= 0)
            titled.push_back(i);
    if (titled.empty())
        return;

    std::vector<std::uint8_t> b;
    put16(b, static_cast<std::uint16_t>(book_.sheets.size()));
    put16(b, 0x0401);  // marks the SUPBOOK of the workbook's own sheets
    stream_.record(kSupBook, b);

    b.clear();
    put16(b, static_cast<std::uint16_t>(titled.size()));
    for (std::size_t sheet : titled) {
        put16(b, 0);  // the SUPBOOK above
        put16(b, static_cast<std::uint16_t>(sheet));
        put16(b, static_cast<std::uint16_t>(sheet));
    }
    stream_.record(kExternSheet, b);

    for (std::size_t i = 0; i < titled.size(); ++i) {
        const SheetLayout& layout = layoutOf(titled[i]);
        std::vector<std::uint8_t> formula;
        formula.push_back(0x3B);  // tArea3d, reference class
        put16(formula, static_cast<std::uint16_t>(i));  // EXTERNSHEET entry
        put16(formula, static_cast<std::uint16_t>(layout.titleFirstRow));
        put16(formula, static_cast<std::uint16_t>(layout.titleLastRow));
        put16(formula, 0);  // columns 0 to 255, absolute
        put16(formula, static_cast<std::uint16_t>(kMaxCols - 1));

        b.clear();
        put16(b, 0x0020);  // built-in name
        b.push_back(0);    // no keyboard shortcut
        b.push_back(1);    // name length: one character, the built-in name's code
        put16(b, static_cast<std::uint16_t>(formula.size()));
        put16(b, 0);
        put16(b, static_cast<std::uint16_t>(titled[i] + 1));  // local to that sheet
        b.push_back(0);  // no menu, description, help or status texts
        b.push_back(0);
        b.push_back(0);
        b.push_back(0);
        b.push_back(0);  // 8-bit characters
        b.push_back(kPrintTitlesName);
        b.insert(b.end(), formula.begin(), formula.end());
        stream_.record(kName, b);
    }
}

void XlsWriter::writeSst()
{
    // Strings fill records of at most 8224 bytes; a string's 3-byte header is never
    // split, its characters are, and the piece that goes on in a CONTINUE record starts
    // with the flag byte again.
    struct Piece {
        std::vector<std::uint8_t> body;
    };
    std::vector<Piece> pieces(1);
    put32(pieces[0].body, static_cast<std::uint32_t>(textCells_));
    put32(pieces[0].body, static_cast<std::uint32_t>(sst_.size()));

    // EXTSST points at every dsst-th string, in at most 128 buckets.
    const std::size_t perBucket = std::max<std::size_t>(8, sst_.size() / 128 + 1);
    struct Bucket {
        std::size_t piece, offset;
    };
    std::vector<Bucket> buckets;

    auto room = [&]() { return kMaxRecordData - pieces.back().body.size(); };
    for (std::size_t i = 0; i < sst_.size(); ++i) {
        const EncodedText& text = sst_[i];
        const std::size_t charSize = text.wide ? 2 : 1;
        if (room() < 3 + (text.units.empty() ? 0 : charSize))
            pieces.emplace_back();
        if (i % perBucket == 0)
            buckets.push_back({pieces.size() - 1, pieces.back().body.size()});
        std::vector<std::uint8_t>& first = pieces.back().body;
        put16(first, static_cast<std::uint16_t>(text.units.size()));
        first.push_back(text.wide ? 1 : 0);
        std::size_t done = 0;
        for (;;) {
            std::size_t n = std::min(text.units.size() - done, room() / charSize);
            putChars(pieces.back().body, text, done, n);
            done += n;
            if (done == text.units.size())
                break;
            pieces.emplace_back();
            pieces.back().body.push_back(text.wide ? 1 : 0);
        }
    }

    std::vector<std::size_t> pieceStart;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        pieceStart.push_back(stream_.size());
        stream_.record(p == 0 ? kSst : kContinue, pieces[p].body);
    }
    std::vector<std::uint8_t> ext;
    put16(ext, static_cast<std::uint16_t>(perBucket));
    for (const Bucket& bucket : buckets) {
        put32(ext, static_cast<std::uint32_t>(pieceStart[bucket.piece] + 4 + bucket.offset));
        put16(ext, static_cast<std::uint16_t>(4 + bucket.offset));
        put16(ext, 0);
    }
    stream_.record(kExtSst, ext);
}

void XlsWriter::writeSheet(std::size_t index)
{
    const SheetData& sheet = book_.sheets[index];
    std::vector<std::uint8_t> b;

    put16(b, 0x0600);
    put16(b, kBofWorksheet);
    put16(b, 0x0DBB);
    put16(b, 0x07CC);
    put32(b, 0);
    put32(b, 0x06);
    stream_.record(kBof, b);

    const SheetLayout& layout = layoutOf(index);
    writePageSetup(layout, index);
    writeColumnWidths(layout);

    // The used range from the cells that will be written.
    std::uint32_t firstRow = 0, rowEnd = 0;
    std::uint16_t firstCol = 0, colEnd = 0;
    bool any = false;
    const auto& rows = sheet.rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const Cell& cell : rows[r]) {
            if (cell.type == CellType::Empty)
                continue;
            auto col = static_cast<std::uint16_t>(cell.col);
            if (!any) {
                firstRow = static_cast<std::uint32_t>(r);
                firstCol = col;
                any = true;
            }
            rowEnd = static_cast<std::uint32_t>(r + 1);
            firstCol = std::min(firstCol, col);
            colEnd = std::max<std::uint16_t>(colEnd, static_cast<std::uint16_t>(col + 1));
        }
    }
    b.clear();
    put32(b, firstRow);
    put32(b, rowEnd);
    put16(b, firstCol);
    put16(b, colEnd);
    put16(b, 0);
    stream_.record(kDimensions, b);

    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const Cell& cell : rows[r]) {
            b.clear();
            put16(b, static_cast<std::uint16_t>(r));
            put16(b, static_cast<std::uint16_t>(cell.col));
            put16(b, xfOf(cell));
            switch (cell.type) {
            case CellType::Number:
                putDouble(b, cell.number);
                stream_.record(kNumber, b);
                break;
            case CellType::Text:
                put32(b, sstIndex_[index][cell.text]);
                stream_.record(kLabelSst, b);
                break;
            case CellType::Boolean:
            case CellType::Error:
                b.push_back(static_cast<std::uint8_t>(cell.number != 0.0 ? cell.number : 0));
                b.push_back(cell.type == CellType::Error ? 1 : 0);
                stream_.record(kBoolErr, b);
                break;
            case CellType::Blank:
                stream_.record(kBlank, b);
                break;
            case CellType::Empty:
                break;
            }
        }
    }

    writeWindow(layout, index);
    b.clear();
    stream_.record(kEof, b);
}

void XlsWriter::writePageSetup(const SheetLayout& layout, std::size_t index)
{
    std::vector<std::uint8_t> b;
    // Automatic page breaks shown, outline buttons below and right, outline symbols;
    // 0x0100 scales the printout to a number of pages rather than a percentage.
    put16(b, static_cast<std::uint16_t>(0x04C1 | (layout.fitPagesWide > 0 ? 0x0100 : 0)));
    stream_.record(kWsBool, b);

    const EncodedText& footer = footers_[index];
    if (!footer.units.empty()) {
        b.clear();
        put16(b, static_cast<std::uint16_t>(footer.units.size()));
        b.push_back(footer.wide ? 1 : 0);
        putChars(b, footer, 0, footer.units.size());
        stream_.record(kFooter, b);
    }

    b.clear();
    put16(b, static_cast<std::uint16_t>(layout.paperSize));
    put16(b, 100);  // scale in percent, when not fitted to pages
    put16(b, 1);    // first page number
    put16(b, static_cast<std::uint16_t>(layout.fitPagesWide));
    put16(b, 0);    // as many pages down as needed
    // Pages in columns; portrait (0x0002) or landscape; the paper, scale and
    // orientation are set (0x0004 and 0x0040 clear).
    put16(b, layout.landscape ? 0x0000 : 0x0002);
    put16(b, 600);  // print resolution in dpi, across and down
    put16(b, 600);
    putDouble(b, 0.3);  // header and footer margins in inches
    putDouble(b, 0.3);
    put16(b, 1);  // copies
    stream_.record(kSetup, b);
}

// A width in characters as Excel stores it: in 1/256 of the digit width, with the cell's
// padding of 5 pixels (of a 7-pixel digit) added.
std::uint16_t storedColumnWidth(double characters)
{
    const double pixels = std::floor(characters * 7.0 + 0.5) + 5.0;
    return static_cast<std::uint16_t>(std::min(pixels * 256.0 / 7.0, 65535.0));
}

void XlsWriter::writeColumnWidths(const SheetLayout& layout)
{
    const std::size_t columns = std::min(layout.columnWidths.size(), static_cast<std::size_t>(kMaxCols));
    for (std::size_t col = 0; col < columns; ++col) {
        const double width = layout.columnWidths[col];
        if (width <= 0.0)
            continue;
        std::vector<std::uint8_t> b;
        put16(b, static_cast<std::uint16_t>(col));
        put16(b, static_cast<std::uint16_t>(col));
        put16(b, storedColumnWidth(width));
        put16(b, kDefaultCellXf);
        put16(b, 0);  // shown, no outline
        put16(b, 0);
        stream_.record(kColInfo, b);
    }
}

void XlsWriter::writeWindow(const SheetLayout& layout, std::size_t index)
{
    const bool frozen = layout.frozenRows > 0 || layout.frozenCols > 0;
    // Gridlines, headers, zeros, automatic grid colour, outline symbols; the first sheet
    // is also selected and shown. Frozen panes (0x0008) that are not a split (0x0100).
    std::uint16_t options = index == 0 ? 0x06B6 : 0x00B6;
    if (frozen)
        options |= 0x0108;
    std::vector<std::uint8_t> b;
    put16(b, options);
    put16(b, 0);
    put16(b, 0);
    put32(b, 0x40);
    put16(b, 0);
    put16(b, 0);
    put32(b, 0);
    stream_.record(kWindow2, b);
    if (!frozen)
        return;

    b.clear();
    put16(b, static_cast<std::uint16_t>(layout.frozenCols));
    put16(b, static_cast<std::uint16_t>(layout.frozenRows));
    put16(b, static_cast<std::uint16_t>(layout.frozenRows));  // first row of the lower pane
    put16(b, static_cast<std::uint16_t>(layout.frozenCols));  // first column of the right pane
    // The active pane: lower right when both are frozen, else the lower or the right one.
    b.push_back(layout.frozenRows > 0 && layout.frozenCols > 0 ? 0 : layout.frozenRows > 0 ? 2 : 1);
    b.push_back(0);
    stream_.record(kPane, b);
}

bool XlsWriter::build()
{
    if (!check() || !collectStrings())
        return false;
    std::vector<std::size_t> offsetFields;
    writeGlobals(offsetFields);
    for (std::size_t i = 0; i < book_.sheets.size(); ++i) {
        if (stream_.size() > 0xFFFFFFFFu)
            return fail("the workbook is too large for the .xls format");
        set32(stream_.bytes(), offsetFields[i], static_cast<std::uint32_t>(stream_.size()));
        writeSheet(i);
    }
    return true;
}

}  // namespace

bool writeXlsFile(const WorkbookData& book, const BookLayout& layout, const std::string& path, std::string& error)
{
    XlsWriter writer(book, layout, error);
    if (!writer.build())
        return false;
    const std::vector<std::uint8_t> summary = summaryInformationStream(layout.properties);
    std::vector<CompoundStream> streams{{u"Workbook", writer.stream()}};
    if (!summary.empty())
        streams.push_back({kSummaryInformationName, summary});
    return writeCompoundFile(path, streams, error);
}

}  // namespace wb
