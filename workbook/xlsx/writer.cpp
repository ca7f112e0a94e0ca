#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "base/library_output.h"
#include "base/safe_file.h"
#include "workbook/cells/cell_names.h"
#include "workbook/xlsx/app_properties.h"
#include "workbook/xlsx/codec.h"
#include "workbook/xlsx/locale_scope.h"
#include "workbook/xlsx/values.h"

namespace wb {

namespace {

// Owns the libxlsxwriter workbook until workbook_close takes it.
struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};
using WorkbookPtr = std::unique_ptr<lxw_workbook, WorkbookCloser>;

lxw_error writeCell(lxw_worksheet* sheet, int row, const Cell& cell, const SheetData& data, lxw_format* format)
{
    auto r = static_cast<lxw_row_t>(row);
    auto c = static_cast<lxw_col_t>(cell.col);
    switch (cell.type) {
    case CellType::Number:
        return worksheet_write_number(sheet, r, c, cell.number, format);
    case CellType::Text:
        return worksheet_write_string(sheet, r, c, data.textOf(cell).c_str(), format);
    case CellType::Boolean:
        return worksheet_write_boolean(sheet, r, c, cell.number != 0.0, format);
    case CellType::Error: {
        // No cell of the format holds an error but a formula's result: "=#N/A" and the like.
        std::string text = xlsx::errorText(static_cast<int>(cell.number));
        return worksheet_write_formula_str(sheet, r, c, ("=" + text).c_str(), format, text.c_str());
    }
    case CellType::Blank:
        return worksheet_write_blank(sheet, r, c, format);
    case CellType::Empty:
        break;
    }
    return LXW_NO_ERROR;
}

// Everything libxlsxwriter would refuse (or print a warning for) is found here first,
// so that the reason reaches the caller and nothing reaches stderr.
bool checkSheet(const SheetData& sheet, std::string& error)
{
    const auto& rows = sheet.rows();
    if (rows.size() > static_cast<std::size_t>(xlsx::kMaxRows)) {
        error = "the sheet \"" + sheet.name + "\" has more rows than an .xlsx sheet can hold (1048576)";
        return false;
    }
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (const Cell& cell : rows[row]) {
            if (cell.col >= xlsx::kMaxCols) {
                error = "the sheet \"" + sheet.name + "\" has more columns than an .xlsx sheet can hold (16384)";
                return false;
            }
            if (cell.type == CellType::Number && !std::isfinite(cell.number)) {
                error = "cell " + CellName(static_cast<int>(row), cell.col) + " of sheet \"" + sheet.name
                    + "\" holds no finite number";
                return false;
            }
        }
    }
    return true;
}

// Column widths, panes and page set-up of one sheet; the reason of a refusal in error.
bool applyLayout(lxw_worksheet* worksheet, const SheetLayout& layout, const std::string& sheetName,
                 std::string& error)
{
    auto refused = [&](const char* what, lxw_error rc) {
        error = "the " + std::string(what) + " of sheet \"" + sheetName + "\" cannot be written: " + lxw_strerror(rc);
        return false;
    };
    for (std::size_t col = 0; col < layout.columnWidths.size() && col < static_cast<std::size_t>(xlsx::kMaxCols);
         ++col) {
        const double width = layout.columnWidths[col];
        if (width <= 0.0)
            continue;
        auto c = static_cast<lxw_col_t>(col);
        if (lxw_error rc = worksheet_set_column(worksheet, c, c, width, nullptr); rc != LXW_NO_ERROR)
            return refused("column widths", rc);
    }
    if (layout.frozenRows > 0 || layout.frozenCols > 0)
        worksheet_freeze_panes(worksheet, static_cast<lxw_row_t>(layout.frozenRows),
                               static_cast<lxw_col_t>(layout.frozenCols));
    if (layout.landscape)
        worksheet_set_landscape(worksheet);
    if (layout.paperSize > 0 && layout.paperSize <= 255)
        worksheet_set_paper(worksheet, static_cast<uint8_t>(layout.paperSize));
    if (layout.fitPagesWide > 0)
        worksheet_fit_to_pages(worksheet, static_cast<uint16_t>(layout.fitPagesWide), 0);
    if (layout.titleFirstRow >= 0) {
        lxw_error rc = worksheet_repeat_rows(worksheet, static_cast<lxw_row_t>(layout.titleFirstRow),
                                             static_cast<lxw_row_t>(layout.titleLastRow));
        if (rc != LXW_NO_ERROR)
            return refused("print titles", rc);
    }
    if (!layout.footer.empty()) {
        if (lxw_error rc = worksheet_set_footer(worksheet, layout.footer.c_str()); rc != LXW_NO_ERROR)
            return refused("footer", rc);
    }
    return true;
}

}  // namespace

bool writeXlsxFile(const WorkbookData& book, const BookLayout& layout, const std::string& path, std::string& error)
{
    for (const SheetData& sheet : book.sheets) {
        if (!checkSheet(sheet, error))
            return false;
    }
    safefile::PendingFile output(path);
    if (!output.create(error)) {
        error = "cannot write \"" + path + "\": " + error;
        return false;
    }
    // libxlsxwriter prints numbers with the C library's printf, and its diagnostics on
    // standard error; the reason of a failure goes into the error text instead.
    xlsx::CLocaleScope cLocale;
    LibraryOutputSilencer quiet;

    WorkbookPtr workbook(workbook_new(output.temporaryPath().c_str()));
    if (!workbook) {
        error = "cannot write \"" + path + "\": out of memory";
        return false;
    }
    // The library keeps the pointers until the book is closed; the texts live here.
    DocumentProperties texts = layout.properties;
    lxw_doc_properties properties{};
    properties.title = texts.title.empty() ? nullptr : texts.title.data();
    properties.subject = texts.subject.empty() ? nullptr : texts.subject.data();
    properties.keywords = texts.keywords.empty() ? nullptr : texts.keywords.data();
    properties.comments = texts.comments.empty() ? nullptr : texts.comments.data();
    if (properties.title || properties.subject || properties.keywords || properties.comments) {
        if (lxw_error rc = workbook_set_properties(workbook.get(), &properties); rc != LXW_NO_ERROR) {
            error = "the document properties cannot be written: " + std::string(lxw_strerror(rc));
            return false;
        }
    }

    std::vector<lxw_format*> formats;
    for (std::size_t f = 0; f < book.formats.size(); ++f) {
        const int numFormat = book.formats[f];
        lxw_format* format = workbook_add_format(workbook.get());
        if (!format) {
            error = "cannot write \"" + path + "\": out of memory";
            return false;
        }
        if (numFormat >= 0 && numFormat <= 255)
            format_set_num_format_index(format, static_cast<uint8_t>(numFormat));
        if (layout.isBold(f))
            format_set_bold(format);
        formats.push_back(format);
    }

    for (std::size_t s = 0; s < book.sheets.size(); ++s) {
        const SheetData& sheet = book.sheets[s];
        lxw_error check = workbook_validate_sheet_name(workbook.get(), sheet.name.c_str());
        if (sheet.name.empty() || check != LXW_NO_ERROR) {
            error = "the sheet name \"" + sheet.name + "\" cannot be used: "
                + (sheet.name.empty() ? std::string("it is empty") : std::string(lxw_strerror(check)));
            return false;
        }
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook.get(), sheet.name.c_str());
        if (!worksheet) {
            error = "the sheet \"" + sheet.name + "\" cannot be added";
            return false;
        }
        if (s < layout.sheets.size() && !applyLayout(worksheet, layout.sheets[s], sheet.name, error))
            return false;
        const auto& rows = sheet.rows();
        for (std::size_t row = 0; row < rows.size(); ++row) {
            for (const Cell& cell : rows[row]) {
                lxw_format* format = nullptr;
                if (cell.format > 0 && cell.format <= formats.size())
                    format = formats[cell.format - 1];
                lxw_error rc = writeCell(worksheet, static_cast<int>(row), cell, sheet, format);
                if (rc != LXW_NO_ERROR) {
                    error = "cell " + CellName(static_cast<int>(row), cell.col) + " of sheet \"" + sheet.name
                        + "\" cannot be written: " + lxw_strerror(rc);
                    return false;
                }
            }
        }
    }

    errno = 0;
    lxw_error closed = workbook_close(workbook.release());
    const int systemError = errno;
    if (closed != LXW_NO_ERROR) {
        // The library's own text names only its zip step ("Zip generic error ZIP_ERRNO
        // while creating the xlsx file."); where the system said what went wrong (a full
        // disk, a file-size limit), that is the reason, in the words the .xls writer and
        // every other save use.
        error = "cannot write \"" + path + "\": " + (systemError != 0 ? std::strerror(systemError) : lxw_strerror(closed));
        return false;
    }
    if (layout.properties.application.empty()) {
        if (!output.commit(error)) {
            error = "cannot write \"" + path + "\": " + error;
            return false;
        }
        return true;
    }
    // The library names no other program than Excel as the writer: the package is copied
    // once more with the application named, and that copy replaces the target.
    safefile::PendingFile named(path);
    if (!named.create(error) ||
        !xlsx::copyWithApplication(output.temporaryPath(), named.temporaryPath(), layout.properties.application,
                                   error) ||
        !named.commit(error)) {
        error = "cannot write \"" + path + "\": " + error;
        return false;
    }
    return true;
}

}  // namespace wb
