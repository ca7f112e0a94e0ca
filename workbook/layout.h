#pragma once

#include <string>
#include <vector>

namespace wb {

// How a written sheet looks on screen and on paper. Nothing here changes a cell: the
// writers turn it into column, window and page records of their format.
struct SheetLayout {
    // Width of each column from column 0, in characters of the default font's digits; a
    // width of 0 (or a column past the end) keeps the default width.
    std::vector<double> columnWidths;
    // Rows from the top and columns from the left that stay in view when scrolling.
    int frozenRows = 0;
    int frozenCols = 0;
    bool landscape = false;
    // Paper by its printer paper number (9 is A4); 0 leaves it to the printer.
    int paperSize = 0;
    // Pages across that the printout is scaled to fit; 0 prints at full size.
    int fitPagesWide = 0;
    // Rows printed at the top of every page (first and last, from 0); -1 for none.
    int titleFirstRow = -1;
    int titleLastRow = -1;
    // Page footer in the spreadsheet header/footer codes (&L, &C, &R for the left, centre
    // and right parts, &A the sheet name, &P the page number, &N the page count).
    std::string footer;
};

// The document properties a file manager or the spreadsheet's properties dialog shows.
struct DocumentProperties {
    std::string title;
    std::string subject;
    std::string keywords;
    // Free text; lines separated by LF.
    std::string comments;
    // The program that wrote the file, with its version.
    std::string application;
};

// Everything about a book's look that is written but never read back: the font of each
// cell format, each sheet's layout and the document properties.
struct BookLayout {
    // One entry per cell format of the book (in WorkbookData::formats order): bold text.
    std::vector<bool> boldFormats;
    // One entry per sheet, in sheet order.
    std::vector<SheetLayout> sheets;
    DocumentProperties properties;

    bool isBold(std::size_t format) const { return format < boldFormats.size() && boldFormats[format]; }
};

// The widest column a caller may ask for, in characters (the limit of both formats).
inline constexpr double kMaxColumnWidth = 255.0;

}  // namespace wb
