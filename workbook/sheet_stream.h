#pragma once

#include <memory>
#include <string>

#include "workbook/book.h"
#include "workbook/cells/cell_visitor.h"
#include "workbook/cells/read_progress.h"

namespace wb {

// Reads the cells of one sheet without keeping them: each is handed to a CellVisitor in
// order (see there), so that a caller keeps only what it needs of a large sheet. The same
// cells, values, checks, limits and refusals as Book::load; an .xlsx sheet is scanned as
// its part is inflated, an .xls workbook (at most a few megabytes of cells) is loaded
// whole by open() and its sheet walked.
//
// The limits of an .xlsx read are those of a book holding the shared-string table and the
// one sheet read (each readSheet starts afresh after the table), so a file that loads
// streams too. A sheet whose cells are not in order is inflated twice (see CellVisitor::
// restart), which counts twice towards the bytes a book may inflate.
//
//   wb::WorkbookStream stream(wb::Book::FileFormat::Xlsx);
//   if (!stream.open(path)) ... stream.errorMessage();
//   switch (stream.readSheet(0, visitor, progress)) { ... }
//
// Everything it reads is its own: streams on several threads at once do not meet.
class WorkbookStream {
public:
    explicit WorkbookStream(Book::FileFormat format);
    ~WorkbookStream();
    WorkbookStream(const WorkbookStream&) = delete;
    WorkbookStream& operator=(const WorkbookStream&) = delete;

    // Opens the file and lists its sheets; false (with errorMessage) when it cannot be read
    // as a workbook of this format. An .xlsx file's cells are not read yet; an .xls file is
    // read whole here, telling `progress` (which may cancel: then wasCancelled()).
    bool open(const std::string& path, const ProgressCallback& progress = ProgressCallback());

    int sheetCount() const;
    // The sheet's name (index from 0); empty for an index out of range.
    std::string sheetName(int index) const;
    // True when the workbook counts its date serials from 1904 (see SheetData::date1904).
    bool isDate1904() const;

    // Hands the cells of the sheet at `index` to the visitor. For an .xlsx file the
    // progress counts the inflated bytes of the shared-string table (read with the first
    // sheet) and of the sheet's part. Failed and Cancelled set errorMessage() (Cancelled:
    // kReadCancelled); Stopped is the visitor's own stop, with no message.
    StreamEnd readSheet(int index, CellVisitor& visitor, const ProgressCallback& progress = ProgressCallback());

    bool wasCancelled() const { return cancelled_; }
    std::string errorMessage() const { return error_; }

private:
    struct Xlsx;
    Book::FileFormat format_;
    std::unique_ptr<Xlsx> xlsx_;       // an open .xlsx file
    std::unique_ptr<Book> book_;       // an .xls file, loaded
    std::string error_;
    bool cancelled_ = false;
};

}  // namespace wb
