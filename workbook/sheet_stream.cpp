#include "workbook/sheet_stream.h"

#include <new>

#include "workbook/file_kind.h"
#include "workbook/xlsx/package.h"
#include "workbook/xlsx/read_budget.h"
#include "workbook/xlsx/shared_strings.h"
#include "workbook/xlsx/sheet_reader.h"
#include "workbook/xlsx/zip.h"

namespace wb {

struct WorkbookStream::Xlsx {
    xlsx::ZipArchive zip;
    xlsx::PackageLayout layout;
    // What the shared-string table left of the book's budget: each sheet read starts from it.
    xlsx::ReadBudget budget;
    xlsx::SharedStrings sharedStrings;
    bool sharedStringsRead = false;
};

WorkbookStream::WorkbookStream(Book::FileFormat format) : format_(format) {}
WorkbookStream::~WorkbookStream() = default;

bool WorkbookStream::open(const std::string& path, const ProgressCallback& progress)
{
    xlsx_.reset();
    book_.reset();
    cancelled_ = false;
    error_.clear();
    if (format_ == Book::FileFormat::Xls) {
        auto book = std::make_unique<Book>(Book::FileFormat::Xls);
        if (!book->load(path, progress)) {
            cancelled_ = book->wasCancelled();
            error_ = book->errorMessage();
            return false;
        }
        book_ = std::move(book);
        return true;
    }
    std::string reason;
    if (!CheckWorkbookFile(path, format_, reason)) {
        error_ = reason;
        return false;
    }
    try {
        auto opened = std::make_unique<Xlsx>();
        if (!opened->zip.open(path, reason) || !xlsx::readPackageLayout(opened->zip, opened->layout, reason)) {
            error_ = reason;
            return false;
        }
        xlsx_ = std::move(opened);
    } catch (const std::bad_alloc&) {
        error_ = "there is not enough memory to read it";
        return false;
    }
    return true;
}

int WorkbookStream::sheetCount() const
{
    if (book_)
        return book_->sheetCount();
    return xlsx_ ? static_cast<int>(xlsx_->layout.sheets.size()) : 0;
}

std::string WorkbookStream::sheetName(int index) const
{
    if (index < 0 || index >= sheetCount())
        return {};
    if (book_)
        return book_->getSheet(index)->name();
    return xlsx_->layout.sheets[static_cast<std::size_t>(index)].name;
}

bool WorkbookStream::isDate1904() const
{
    if (book_)
        return book_->sheetCount() > 0 && book_->getSheet(0)->isDate1904();
    return xlsx_ && xlsx_->layout.date1904;
}

StreamEnd WorkbookStream::readSheet(int index, CellVisitor& visitor, const ProgressCallback& callback)
{
    cancelled_ = false;
    error_.clear();
    if (index < 0 || index >= sheetCount()) {
        error_ = "the workbook has no sheet " + std::to_string(index + 1);
        return StreamEnd::Failed;
    }
    ReadProgress progress(callback, 0);
    ReadProgress* counted = callback ? &progress : nullptr;
    if (book_) {
        const SheetData& sheet = book_->getSheet(index)->data();
        visitor.extent(sheet.rowEnd(), sheet.colEnd());
        if (!VisitCells(sheet, visitor))
            return StreamEnd::Stopped;
        if (counted && !progress.finish()) {
            cancelled_ = true;
            error_ = kReadCancelled;
            return StreamEnd::Cancelled;
        }
        return StreamEnd::Done;
    }

    Xlsx& book = *xlsx_;
    const xlsx::PackageLayout::SheetPart& listed = book.layout.sheets[static_cast<std::size_t>(index)];
    const bool readStrings = !book.sharedStringsRead && !book.layout.sharedStringsPart.empty()
        && book.zip.has(book.layout.sharedStringsPart);
    if (counted) {
        if (readStrings)
            progress.addTotal(book.zip.statedBytes(book.layout.sharedStringsPart));
        if (!listed.part.empty())
            progress.addTotal(book.zip.statedBytes(listed.part));
    }
    StreamEnd end = StreamEnd::Done;
    std::string reason;
    try {
        if (readStrings) {
            xlsx::SharedStrings strings;
            xlsx::ReadBudget budget = book.budget;
            if (!xlsx::readSharedStrings(book.zip, book.layout.sharedStringsPart, strings, budget, reason, counted)) {
                end = counted && progress.stopped() ? StreamEnd::Cancelled : StreamEnd::Failed;
            } else {
                book.sharedStrings = std::move(strings);
                book.budget = budget;
                book.sharedStringsRead = true;
            }
        }
        // A sheet without a part of its own (a chart sheet) has no cells.
        if (end == StreamEnd::Done && !listed.part.empty()) {
            xlsx::BookReading reading;
            reading.budget = book.budget;
            end = xlsx::streamSheet(book.zip, listed.part, book.sharedStrings, book.layout.date1904, visitor, reading,
                                    reason, counted);
        }
    } catch (const std::bad_alloc&) {
        end = StreamEnd::Failed;
        reason = "there is not enough memory to read it";
    }
    if (end == StreamEnd::Done && counted && !progress.finish())
        end = StreamEnd::Cancelled;
    if (end == StreamEnd::Cancelled) {
        cancelled_ = true;
        error_ = kReadCancelled;
    } else if (end == StreamEnd::Failed) {
        error_ = reason;
    }
    return end;
}

}  // namespace wb
