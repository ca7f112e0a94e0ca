#include "workbook/xlsx/codec.h"
#include "workbook/xlsx/package.h"
#include "workbook/xlsx/shared_strings.h"
#include "workbook/xlsx/sheet_reader.h"
#include "workbook/xlsx/zip.h"

namespace wb {

namespace {

// Row slots all sheets together may span. A sheet keeps one (empty) row entry for
// every row above its last cell, so a tiny hostile file with many sheets each holding
// one cell in the last row would otherwise cost 24 MiB per sheet.
constexpr long long kMaxRowSlotsPerBook = 16LL * 1048576;

}  // namespace

bool readXlsxFile(const std::string& path, WorkbookData& out, std::string& error, ReadProgress* progress)
{
    out = WorkbookData();
    xlsx::ZipArchive zip;
    if (!zip.open(path, error))
        return false;
    xlsx::PackageLayout layout;
    if (!xlsx::readPackageLayout(zip, layout, error))
        return false;

    const bool hasSharedStrings = !layout.sharedStringsPart.empty() && zip.has(layout.sharedStringsPart);
    if (progress) {
        if (hasSharedStrings)
            progress->addTotal(zip.statedBytes(layout.sharedStringsPart));
        for (const xlsx::PackageLayout::SheetPart& listed : layout.sheets)
            if (!listed.part.empty())
                progress->addTotal(zip.statedBytes(listed.part));
    }

    xlsx::BookReading reading;
    xlsx::SharedStrings sharedStrings;
    if (hasSharedStrings
        && !xlsx::readSharedStrings(zip, layout.sharedStringsPart, sharedStrings, reading.budget, error, progress))
        return false;

    WorkbookData book;
    book.sheets.reserve(layout.sheets.size());
    long long rowSlots = 0;
    for (const xlsx::PackageLayout::SheetPart& listed : layout.sheets) {
        book.sheets.emplace_back();
        SheetData& sheet = book.sheets.back();
        sheet.name = listed.name;
        sheet.date1904 = layout.date1904;
        if (listed.part.empty())
            continue;
        if (!xlsx::readSheet(zip, listed.part, sharedStrings, sheet, reading, error, progress))
            return false;
        rowSlots += sheet.rowEnd();
        if (rowSlots > kMaxRowSlotsPerBook) {
            error = "the file is too large (its sheets span more rows than the reader accepts: "
                + std::to_string(kMaxRowSlotsPerBook) + " in all)";
            return false;
        }
    }
    if (progress && !progress->finish()) {
        error = kReadCancelled;
        return false;
    }
    out = std::move(book);
    return true;
}

}  // namespace wb
