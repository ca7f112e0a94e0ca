// The import of a sample workbook into an analysis job.

#include <filesystem>
#include <optional>
#include <utility>

#include "app/tvn_app.h"
#include "app/tvn_doc.h"
#include "base/ascii_case.h"
#include "matrix/number_format.h"
#include "workbook/book.h"
#include "app/worksheet_choice.h"

namespace {

// Header rows each family needs above the first taxon: sampling date and alkalinity or
// lake type (rows 3 and 4), or sampling date, calcium and DOC (rows 3, 5 and 6).
constexpr int kHeaderRowsRiversLakes = 4;
constexpr int kHeaderRowsDam = 6;
// Header row index of the sampling dates.
constexpr int kDateHeaderRow = 2;

// An error cell ends a list like an empty one: a #DIV/0! in the sample-name row or the
// code column is a typing slip, not a sample or a taxon.
bool endsList(wb::CellType type)
{
    return type == wb::CellType::Empty || type == wb::CellType::Blank || type == wb::CellType::Error;
}

// A header value or a numeric taxon code: numbers with "%g", texts as they are.
std::string cellText(const wb::Sheet& sheet, int row, int col)
{
    switch (sheet.cellType(row, col)) {
    case wb::CellType::Number: return numtext::g(sheet.readNum(row, col));
    case wb::CellType::Text: return sheet.readStr(row, col).value_or("");
    default: return "";
    }
}

// The label check of header row index i for a family; nothing when the row passes.
std::optional<std::string> labelError(int family, int row, const std::string& label)
{
    const std::string upper = upperCopy(label);
    auto lacks = [&](const char* word) { return upper.find(word) == std::string::npos; };
    if (row == 3 && family == familyRivers && lacks("ALKALINITY"))
        return "Error: Alkalinity values must be in row 4 for TDI3 or TDI4 calculations.";
    if (row == 3 && family == familyLakes && lacks("TYPE"))
        return "Error: Lake Type must be in row 4 for LTDI1 or LTDI2 calculations.";
    if (row == 4 && family == familyDam && lacks("CALCIUM"))
        return "Error: Calcium values must be in row 5 for DAM calculations.";
    if (row == 5 && family == familyDam && lacks("DOC"))
        return "Error: DOC values must be in row 6 for DAM calculations.";
    return std::nullopt;
}

std::optional<std::string> headerCountError(int family, int headerRows)
{
    if (family == familyDam) {
        if (headerRows < kHeaderRowsDam)
            return "Insufficient data to calculate EQR.\n"
                   "Sampling date, calcium and DOC values must be in rows 3, 5 and 6.";
    } else if (headerRows < kHeaderRowsRiversLakes) {
        return family == familyLakes
                   ? "Insufficient data to calculate EQR.\nSampling date and lake type must be in rows 3 and 4."
                   : "Insufficient data to calculate EQR.\nSampling date and alkalinity must be in rows 3 and 4.";
    }
    return std::nullopt;
}

}  // namespace

bool CTVNDoc::OpenWorkbook(const std::string& workbookPath)
{
    // Without the master taxon list no taxon of any sample could be matched, so there is
    // no point in reading the workbook at all.
    if (!app || !app->masterTaxonList) {
        ui.showMessage("Error retrieving taxon list");
        return false;
    }
    path = workbookPath;

    // The book lives in this scope: every return below releases it.
    std::unique_ptr<wb::Book> book = worksheet::CreateBookFor(workbookPath);
    {
        BusyIndicator busy(ui);
        if (!book || !book->load(workbookPath))
            book.reset();
    }
    if (!book) {
        ui.showMessage("Error reading file");
        return false;
    }
    title = std::filesystem::path(workbookPath).filename().string();

    const int sheetCount = book->sheetCount();
    if (sheetCount < 1) {
        ui.showMessage("No sheets");
        return false;
    }
    std::vector<std::string> sheetNames;
    sheetNames.reserve(static_cast<std::size_t>(sheetCount));
    for (int i = 0; i < sheetCount; ++i)
        sheetNames.push_back(book->getSheet(i)->name());

    std::optional<WorksheetChoice> choice = ui.chooseWorksheet(*book, sheetNames, family);
    if (!choice)
        return false;
    family = choice->family;
    if (family != familyLakes && family != familyDam)
        family = familyRivers;
    familyName = FamilyName(family);
    const int firstRow = choice->firstDataRow;      // R, 1-based
    const int firstColumn = choice->firstDataColumn;  // K, 1-based

    const wb::Sheet* sheet = nullptr;
    if (choice->sheetIndex >= 0 && choice->sheetIndex < sheetCount) {
        sheetName = sheetNames[static_cast<std::size_t>(choice->sheetIndex)];
        sheet = worksheet::FindSheet(*book, sheetName);
    }
    const int colEnd = sheet ? sheet->lastCol() : 0;
    const int rowEnd = sheet ? sheet->lastRow() : 0;
    if (colEnd < 2 || rowEnd < 2) {
        ui.showMessage("Worksheet has no data, try again");
        return false;
    }

    // A row or column below 1 cannot come from the dialog; it finds no entries.
    int sampleEnd = firstColumn - 1;
    if (firstColumn >= 1)
        while (sampleEnd < colEnd && !endsList(sheet->cellType(0, sampleEnd)))
            ++sampleEnd;
    if (firstColumn < 1 || sampleEnd <= firstColumn - 1) {
        ui.showMessage("No entries found in Sample Name row");
        return false;
    }
    int taxonEnd = firstRow - 1;
    if (firstRow >= 1)
        while (taxonEnd < rowEnd && !endsList(sheet->cellType(taxonEnd, 0)))
            ++taxonEnd;
    if (firstRow < 1 || taxonEnd <= firstRow - 1) {
        ui.showMessage("No entries found in Taxon Code column");
        return false;
    }

    taxonCount = taxonEnd - (firstRow - 1);
    sampleCount = sampleEnd - (firstColumn - 1);
    headerRowCount = firstRow - 1;
    // Checked here, before any header value is copied, so that an oversized sheet costs
    // nothing and never reaches the matrix, which would refuse it with an exception.
    if (sampleCount > dMat::maxRows || taxonCount > dMat::maxCols) {
        ui.showMessage(numtext::format(
            "Too much data: the worksheet has %d samples and %d taxa; at most %d samples and %d taxa can be "
            "imported.",
            {static_cast<long long>(sampleCount), static_cast<long long>(taxonCount),
             static_cast<long long>(dMat::maxRows), static_cast<long long>(dMat::maxCols)}));
        return false;
    }

    if (std::optional<std::string> error = headerCountError(family, headerRowCount)) {
        ui.showMessage(*error);
        return false;
    }

    headerLabels.assign(static_cast<std::size_t>(headerRowCount), std::string());
    headerValues.assign(static_cast<std::size_t>(headerRowCount), std::vector<std::string>());
    for (int i = 0; i < headerRowCount; ++i) {
        std::string& label = headerLabels[static_cast<std::size_t>(i)];
        label = sheet->readStr(i, 0).value_or("");
        if (std::optional<std::string> error = labelError(family, i, label)) {
            ui.showMessage(*error);
            return false;
        }
        std::vector<std::string>& values = headerValues[static_cast<std::size_t>(i)];
        values.reserve(static_cast<std::size_t>(sampleCount));
        for (int s = 0; s < sampleCount; ++s) {
            const int col = firstColumn - 1 + s;
            // The sampling date travels as its serial in the 1900 system, which is what
            // every reader of that row counts in, whichever system the workbook used.
            if (i == kDateHeaderRow && sheet->cellType(i, col) == wb::CellType::Number)
                values.push_back(numtext::g(wb::SerialIn1900System(sheet->readNum(i, col), sheet->isDate1904())));
            else
                values.push_back(cellText(*sheet, i, col));
        }
    }

    if (!app->LoadBoundaries(FirstIndexName(family), 1)
        || (family != familyDam && !app->LoadBoundaries(SecondIndexName(family), 2))) {
        ui.showMessage("Error retrieving boundary data");
        return false;
    }
    cocAvailable = app->LoadCoCParameters(familyName);
    // The job keeps the tables its own import loaded; a later import replaces the
    // application's, never these.
    masterTaxonList = app->masterTaxonList;
    boundaries1 = app->boundaries1;
    boundaries2 = family == familyDam ? nullptr : app->boundaries2;
    cocParameters = cocAvailable ? app->cocParameters : nullptr;

    // The first count cell that is not a number (nor empty), 1-based; shown once the
    // busy indicator is gone.
    std::optional<std::pair<int, int>> badCell;
    {
        BusyIndicator busy(ui);
        counts = std::make_unique<dMat>(sampleCount, taxonCount, 0.0);
        taxa.clear();
        taxa.reserve(static_cast<std::size_t>(taxonCount));
        for (int t = 0; t < taxonCount && !badCell; ++t) {
            const int row = firstRow - 1 + t;
            taxa.push_back({cellText(*sheet, row, 0), sheet->readStr(row, 1).value_or("")});
            for (int s = 0; s < sampleCount; ++s) {
                const int col = firstColumn - 1 + s;
                wb::CellType type = sheet->cellType(row, col);
                if (type == wb::CellType::Number) {
                    (*counts)(s, t) = sheet->readNum(row, col);
                } else if (type != wb::CellType::Empty && type != wb::CellType::Blank) {
                    badCell = std::make_pair(row + 1, col + 1);
                    break;
                }
            }
        }
    }

    if (badCell)
        ui.showMessage(numtext::format("Error: indeterminate data in row %d, col %d",
                                       {static_cast<long long>(badCell->first), static_cast<long long>(badCell->second)}));

    book.reset();
    ComposeImportSummary();
    return !badCell;
}
