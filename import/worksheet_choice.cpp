#include "import/worksheet_choice.h"

#include <climits>

#include "import/serial_date.h"
#include "import/user_interaction.h"
#include "import/sample_layout.h"
#include "base/ascii_case.h"
#include "matrix/number_format.h"
#include "workbook/book.h"
#include "workbook/cells/cell_names.h"

namespace worksheet {

namespace {

// The preview's grid rows count from 1 and take the table to start in the first row.
constexpr int kDateGridRow = layout::dateRow + 1;

}  // namespace

wb::Book::FileFormat FormatFor(const std::string& path)
{
    std::size_t slash = path.find_last_of("/\\");
    std::size_t dot = path.rfind('.');
    std::string extension;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        extension = path.substr(dot);
    for (char& c : extension)
        c = foldAscii(c);
    return extension == ".xls" ? wb::Book::FileFormat::Xls : wb::Book::FileFormat::Xlsx;
}

std::unique_ptr<wb::Book> CreateBookFor(const std::string& path)
{
    return FormatFor(path) == wb::Book::FileFormat::Xls ? wb::xlCreateBook() : wb::xlCreateXMLBook();
}

int FindSheetIndex(const wb::Book& book, std::string_view name)
{
    for (int i = 0; i < book.sheetCount(); ++i) {
        const wb::Sheet* sheet = book.getSheet(i);
        if (sheet && sheet->name() == name)
            return i;
    }
    return -1;
}

const wb::Sheet* FindSheet(const wb::Book& book, std::string_view name)
{
    return book.getSheet(FindSheetIndex(book, name));
}

std::optional<int> GuessFirstDataRow(const wb::Sheet& sheet)
{
    // Column B holds the taxon names: the first text there is taken for the first taxon.
    const int rowEnd = sheet.lastRow();
    for (int row = 0; row < rowEnd && row < kFirstRowGuessRows; ++row) {
        if (sheet.cellType(row, 1) != wb::CellType::Text)
            continue;
        std::optional<std::string> text = sheet.readStr(row, 1);
        if (text && !text->empty())
            return row + 1;
    }
    return std::nullopt;
}

std::optional<int> GuessFamily(const wb::Sheet& sheet)
{
    auto labelHas = [&sheet](int row, const char* word) {
        if (sheet.cellType(row, 0) != wb::CellType::Text)
            return false;
        return upperCopy(sheet.readStr(row, 0).value_or("")).find(word) != std::string::npos;
    };
    if (labelHas(layout::calciumRow, "CALCIUM"))
        return familyDam;
    if (labelHas(layout::alkalinityRow, "ALKALINITY"))
        return familyRivers;
    if (labelHas(layout::lakeTypeRow, "TYPE"))
        return familyLakes;
    return std::nullopt;
}

std::optional<int> ColumnNumber(std::string_view letters)
{
    if (letters.empty())
        return std::nullopt;
    long long column = 0;
    for (char c : letters) {
        char lower = foldAscii(c);
        if (lower < 'a' || lower > 'z')
            return std::nullopt;
        column = column * 26 + (lower - 'a' + 1);
        if (column > INT_MAX)
            return std::nullopt;
    }
    return static_cast<int>(column);
}

std::string PreviewCellText(const wb::Sheet& sheet, int gridRow, int gridColumn)
{
    const int row = gridRow - 1;
    const int col = gridColumn - 1;
    switch (sheet.cellType(row, col)) {
    case wb::CellType::Number: {
        const double value = sheet.readNum(row, col);
        const double serial = wb::SerialIn1900System(value, sheet.isDate1904());
        if (gridRow == kDateGridRow && gridColumn >= 3 && layout::ShownAsDate(serial))
            return SerialDateText(static_cast<int>(serial));
        return numtext::g13(value);
    }
    case wb::CellType::Text:
        return sheet.readStr(row, col).value_or("");
    default:
        return "";
    }
}

}  // namespace worksheet
