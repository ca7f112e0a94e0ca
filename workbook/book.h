#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "workbook/cells/cell_store.h"
#include "workbook/cells/read_progress.h"
#include "workbook/layout.h"

namespace wb {

class Book;

// A cell format made by Book::addFormat: a built-in number format and, optionally, bold text.
class Format {
public:
    void setNumFormat(int builtinId);
    int numFormat() const;
    void setBold(bool bold = true);
    bool isBold() const;
    // Position among the book's formats, from 0.
    int index() const { return index_; }

private:
    friend class Book;
    Format(Book* book, int index) : book_(book), index_(index) {}
    Book* book_;
    int index_;
};

// One sheet of a book. Rows and columns are counted from 0.
class Sheet {
public:
    std::string name() const { return data_->name; }
    // True when the workbook's date serials count from 1904 (see SheetData::date1904).
    bool isDate1904() const { return data_->date1904; }
    int lastRow() const { return data_->rowEnd(); }
    int lastCol() const { return data_->colEnd(); }
    CellType cellType(int row, int col) const;
    // The text of a text cell; nothing for any other kind.
    std::optional<std::string> readStr(int row, int col) const;
    // The number of a number cell (a date is its serial day number); 0 otherwise.
    double readNum(int row, int col) const;
    // The value of a boolean cell; false otherwise.
    bool readBool(int row, int col) const;
    bool writeStr(int row, int col, const std::string& text, const Format* format = nullptr);
    bool writeNum(int row, int col, double value, const Format* format = nullptr);

    // How the sheet looks and prints when saved; none of these changes a cell. Each
    // returns false (and changes nothing) for an argument out of its range.
    // The width of one column in characters of the default font's digits, from 0 to 255.
    bool setColumnWidth(int col, double characters);
    // Keeps the top `rows` rows and the left `cols` columns in view; 0 and 0 unfreezes.
    bool freezePanes(int rows, int cols);
    void setLandscape(bool landscape = true);
    // A printer paper number (9 for A4; 0 leaves the choice to the printer).
    bool setPaper(int paperSize);
    // Scales the printout to `pages` pages across (0: full size); the height is free.
    bool fitToPagesWide(int pages);
    // Prints rows first to last (from 0) at the top of every page.
    bool printTitleRows(int first, int last);
    // The page footer, in header/footer codes (&A sheet name, &P page number, ...).
    void setFooter(const std::string& footer);

    const SheetData& data() const { return *data_; }
    const SheetLayout& layout() const { return *layout_; }

private:
    friend class Book;
    Sheet(SheetData* data, SheetLayout* layout) : data_(data), layout_(layout) {}
    SheetData* data_;
    SheetLayout* layout_;
};

// A workbook in memory, read from or written to an .xls or .xlsx file. Which of the
// two it is matters only to load and save.
class Book {
public:
    enum class FileFormat { Xls, Xlsx };

    explicit Book(FileFormat format);
    ~Book();
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    // Replaces the book's content with the file's; false (with errorMessage) when the
    // file cannot be read as a workbook of this book's format.
    bool load(const std::string& path);
    // The same, telling `progress` how far the reading has come (see ProgressCallback).
    // When the callback stops the reading, load returns false, wasCancelled() is true,
    // errorMessage() is kReadCancelled and the book is as it was before. Everything the
    // read makes is its own: books loaded on several threads at once do not meet, and the
    // callback is called on the thread that called load.
    bool load(const std::string& path, const ProgressCallback& progress);
    // True when the last load was stopped by its progress callback.
    bool wasCancelled() const { return cancelled_; }
    // Writes the book to path; false (with errorMessage) when that fails.
    bool save(const std::string& path);

    int sheetCount() const { return static_cast<int>(sheets_.size()); }
    // The sheet at index (from 0), or nullptr.
    Sheet* getSheet(int index);
    const Sheet* getSheet(int index) const;
    // A new last sheet; nullptr (with errorMessage) when the name is not a valid sheet name
    // (empty, over 31 characters, one of []:*?/\, an apostrophe at either end, or the
    // name of another sheet of the book, case aside).
    Sheet* addSheet(const std::string& name);
    Format* addFormat();
    // The title, subject and writing program that the saved file's properties show.
    void setProperties(const DocumentProperties& properties);
    std::string errorMessage() const { return error_; }

    FileFormat fileFormat() const { return format_; }
    const WorkbookData& data() const { return data_; }
    const BookLayout& layout() const { return layout_; }

private:
    friend class Format;
    void rebuildHandles();

    FileFormat format_;
    WorkbookData data_;
    BookLayout layout_;
    std::vector<std::unique_ptr<Sheet>> sheets_;
    std::vector<std::unique_ptr<Format>> formats_;
    std::string error_;
    bool cancelled_ = false;
};

// A new empty book for .xls files, and one for .xlsx files.
std::unique_ptr<Book> xlCreateBook();
std::unique_ptr<Book> xlCreateXMLBook();

}  // namespace wb
