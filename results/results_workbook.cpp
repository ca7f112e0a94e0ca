#include "results/results_workbook.h"

#include <filesystem>

#include "app/tvn_doc.h"
#include "base/safe_file.h"
#include "results/results_sheets.h"
#include "workbook/book.h"

namespace results {

bool IsXlsPath(const std::string& path)
{
    return std::filesystem::path(path).extension() == ".xls";
}

bool IsJobWorkbook(const CTVNDoc& job, const std::string& path)
{
    return safefile::SameFile(job.path, path);
}

namespace {

// The built-in number formats of the two cell formats.
constexpr int kShortDateFormat = 14;
constexpr int kTwoDecimalsFormat = 2;

}  // namespace

bool WriteResultsWorkbook(const CTVNDoc& job, const std::string& path, std::string& error)
{
    std::unique_ptr<wb::Book> book = IsXlsPath(path) ? wb::xlCreateBook() : wb::xlCreateXMLBook();
    // Both formats exist before any sheet, as the file formats keep them book-wide.
    wb::Format* date = book->addFormat();
    date->setNumFormat(kShortDateFormat);
    wb::Format* twoDecimals = book->addFormat();
    twoDecimals->setNumFormat(kTwoDecimalsFormat);
    auto formatOf = [&](CellFormat f) -> const wb::Format* {
        switch (f) {
        case CellFormat::Date: return date;
        case CellFormat::TwoDecimals: return twoDecimals;
        case CellFormat::None: break;
        }
        return nullptr;
    };

    for (const ResultSheet& content : ResultSheets(job)) {
        wb::Sheet* sheet = book->addSheet(content.name);
        if (!sheet) {
            error = book->errorMessage();
            return false;
        }
        for (std::size_t r = 0; r < content.rows.size(); ++r) {
            const ResultRow& row = content.rows[r];
            for (std::size_t c = 0; c < row.size(); ++c) {
                const ResultCell& cell = row[c];
                const int ri = static_cast<int>(r), ci = static_cast<int>(c);
                switch (cell.kind) {
                case ResultCell::Kind::Empty:
                    break;
                case ResultCell::Kind::Text:
                    sheet->writeStr(ri, ci, cell.text, formatOf(cell.format));
                    break;
                case ResultCell::Kind::Number:
                case ResultCell::Kind::Missing:
                    // A value the file cannot hold (NaN, an infinity) is refused by
                    // writeNum and leaves the cell empty.
                    sheet->writeNum(ri, ci, cell.number, formatOf(cell.format));
                    break;
                }
            }
        }
    }
    if (!book->save(path)) {
        error = book->errorMessage();
        return false;
    }
    return true;
}

}  // namespace results
