#include "workbook/book.h"

#include "base/ascii_case.h"
#include "workbook/file_kind.h"
#include "workbook/xls/codec.h"
#include "workbook/xlsx/codec.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace wb {

void Format::setNumFormat(int builtinId)
{
    book_->data_.formats[static_cast<std::size_t>(index_)] = builtinId;
}

int Format::numFormat() const
{
    return book_->data_.formats[static_cast<std::size_t>(index_)];
}

void Format::setBold(bool bold)
{
    book_->layout_.boldFormats[static_cast<std::size_t>(index_)] = bold;
}

bool Format::isBold() const
{
    return book_->layout_.isBold(static_cast<std::size_t>(index_));
}

CellType Sheet::cellType(int row, int col) const
{
    const std::optional<Cell> cell = data_->find(row, col);
    return cell ? cell->type : CellType::Empty;
}

std::optional<std::string> Sheet::readStr(int row, int col) const
{
    const std::optional<Cell> cell = data_->find(row, col);
    if (!cell || cell->type != CellType::Text)
        return std::nullopt;
    return data_->textOf(*cell);
}

double Sheet::readNum(int row, int col) const
{
    const std::optional<Cell> cell = data_->find(row, col);
    if (!cell || cell->type != CellType::Number)
        return 0.0;
    return cell->number;
}

bool Sheet::readBool(int row, int col) const
{
    const std::optional<Cell> cell = data_->find(row, col);
    return cell && cell->type == CellType::Boolean && cell->number != 0.0;
}

static std::uint16_t formatNumber(const Format* format)
{
    return format ? static_cast<std::uint16_t>(format->index() + 1) : 0;
}

bool Sheet::writeStr(int row, int col, const std::string& text, const Format* format)
{
    if (row < 0 || col < 0)
        return false;
    data_->setText(row, col, text, formatNumber(format));
    return true;
}

bool Sheet::writeNum(int row, int col, double value, const Format* format)
{
    // A file cannot hold NaN or an infinity; refuse them here rather than write garbage.
    if (row < 0 || col < 0 || !std::isfinite(value))
        return false;
    data_->setNumber(row, col, value, formatNumber(format));
    return true;
}

bool Sheet::setColumnWidth(int col, double characters)
{
    if (col < 0 || !(characters >= 0.0 && characters <= kMaxColumnWidth))
        return false;
    std::vector<double>& widths = layout_->columnWidths;
    if (static_cast<std::size_t>(col) >= widths.size())
        widths.resize(static_cast<std::size_t>(col) + 1, 0.0);
    widths[static_cast<std::size_t>(col)] = characters;
    return true;
}

bool Sheet::freezePanes(int rows, int cols)
{
    if (rows < 0 || cols < 0)
        return false;
    layout_->frozenRows = rows;
    layout_->frozenCols = cols;
    return true;
}

void Sheet::setLandscape(bool landscape) { layout_->landscape = landscape; }

bool Sheet::setPaper(int paperSize)
{
    // Printer paper numbers are 16-bit in both file formats.
    if (paperSize < 0 || paperSize > 0xFFFF)
        return false;
    layout_->paperSize = paperSize;
    return true;
}

bool Sheet::fitToPagesWide(int pages)
{
    if (pages < 0 || pages > 0x7FFF)
        return false;
    layout_->fitPagesWide = pages;
    return true;
}

bool Sheet::printTitleRows(int first, int last)
{
    if (first < 0 || last < first)
        return false;
    layout_->titleFirstRow = first;
    layout_->titleLastRow = last;
    return true;
}

void Sheet::setFooter(const std::string& footer) { layout_->footer = footer; }

Book::Book(FileFormat format) : format_(format) {}
Book::~Book() = default;

// Keeps one Sheet handle per sheet; handles already given out stay valid when the
// sheet vector grows, because only their data and layout pointers are renewed.
void Book::rebuildHandles()
{
    layout_.sheets.resize(data_.sheets.size());
    sheets_.resize(std::min(sheets_.size(), data_.sheets.size()));
    for (std::size_t i = 0; i < data_.sheets.size(); ++i) {
        if (i < sheets_.size()) {
            sheets_[i]->data_ = &data_.sheets[i];
            sheets_[i]->layout_ = &layout_.sheets[i];
        } else {
            sheets_.push_back(std::unique_ptr<Sheet>(new Sheet(&data_.sheets[i], &layout_.sheets[i])));
        }
    }
}

bool Book::load(const std::string& path) { return load(path, ProgressCallback()); }

bool Book::load(const std::string& path, const ProgressCallback& callback)
{
    cancelled_ = false;
    WorkbookData loaded;
    std::string reason;
    if (!CheckWorkbookFile(path, format_, reason)) {
        error_ = reason;
        return false;
    }
    bool ok = false;
    ReadProgress progress(callback, 0);
    ReadProgress* counted = callback ? &progress : nullptr;
    try {
        ok = format_ == FileFormat::Xls ? readXlsFile(path, loaded, reason, counted)
                                        : readXlsxFile(path, loaded, reason, counted);
    } catch (const std::bad_alloc&) {
        // The readers bound what a file may make them keep, but a machine short of memory
        // can still run out: a failed read like any other, said of this file.
        loaded = WorkbookData();
        reason = "there is not enough memory to read it";
    }
    if (!ok || progress.stopped()) {
        cancelled_ = progress.stopped();
        error_ = cancelled_ ? std::string(kReadCancelled) : reason;
        return false;
    }
    data_ = std::move(loaded);
    // A loaded book keeps its cells only; its look starts afresh.
    layout_ = BookLayout{};
    sheets_.clear();
    formats_.clear();
    rebuildHandles();
    error_.clear();
    return true;
}

bool Book::save(const std::string& path)
{
    std::string reason;
    bool ok = format_ == FileFormat::Xls ? writeXlsFile(data_, layout_, path, reason)
                                         : writeXlsxFile(data_, layout_, path, reason);
    if (!ok) {
        error_ = reason;
        return false;
    }
    error_.clear();
    return true;
}

Sheet* Book::getSheet(int index)
{
    if (index < 0 || index >= sheetCount())
        return nullptr;
    return sheets_[static_cast<std::size_t>(index)].get();
}

const Sheet* Book::getSheet(int index) const
{
    if (index < 0 || index >= sheetCount())
        return nullptr;
    return sheets_[static_cast<std::size_t>(index)].get();
}

// The rules both file formats share: 1 to 31 characters, none of []:*?/\\, no
// apostrophe first or last, and no two sheets whose names differ only in case.
static std::string sheetNameProblem(const std::string& name, const std::vector<SheetData>& sheets)
{
    if (name.empty())
        return "a sheet name cannot be empty";
    std::size_t characters = 0;
    for (unsigned char c : name) {
        if ((c & 0xC0) != 0x80)
            ++characters;
    }
    if (characters > 31)
        return "the sheet name \"" + name + "\" is longer than 31 characters";
    if (name.find_first_of("[]:*?/\\") != std::string::npos)
        return "the sheet name \"" + name + "\" holds one of the characters [ ] : * ? / \\";
    if (name.front() == '\'' || name.back() == '\'')
        return "the sheet name \"" + name + "\" begins or ends with an apostrophe";
    for (const SheetData& sheet : sheets) {
        if (equalsIgnoringCase(sheet.name, name))
            return "the workbook already has a sheet named \"" + sheet.name + "\"";
    }
    return {};
}

Sheet* Book::addSheet(const std::string& name)
{
    std::string problem = sheetNameProblem(name, data_.sheets);
    if (!problem.empty()) {
        error_ = problem;
        return nullptr;
    }
    data_.sheets.emplace_back();
    data_.sheets.back().name = name;
    rebuildHandles();  // the vector may have moved every sheet
    return sheets_.back().get();
}

Format* Book::addFormat()
{
    data_.formats.push_back(0);
    layout_.boldFormats.push_back(false);
    formats_.push_back(std::unique_ptr<Format>(new Format(this, static_cast<int>(data_.formats.size() - 1))));
    return formats_.back().get();
}

void Book::setProperties(const DocumentProperties& properties) { layout_.properties = properties; }

std::unique_ptr<Book> xlCreateBook() { return std::make_unique<Book>(Book::FileFormat::Xls); }
std::unique_ptr<Book> xlCreateXMLBook() { return std::make_unique<Book>(Book::FileFormat::Xlsx); }

}  // namespace wb
