// The import of a sample workbook into an analysis job.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

#include "import/sample_import.h"

#include "import/count_tiles.h"
#include "import/import_steps.h"

#include "import/not_imported.h"
#include "import/sample_layout.h"
#include "import/serial_date.h"
#include "import/worksheet_choice.h"
#include "base/ascii_case.h"
#include "base/file_digest.h"
#include "matrix/number_format.h"
#include "workbook/book.h"

// An error cell ends a list like an empty one: a #DIV/0! in the sample-name row or the
// code column is a typing slip, not a sample or a taxon.
bool EndsList(wb::CellType type)
{
    return type == wb::CellType::Empty || type == wb::CellType::Blank || type == wb::CellType::Error;
}

std::string CellText(wb::CellType type, double number, std::string_view text)
{
    switch (type) {
    case wb::CellType::Number: return numtext::g(number);
    case wb::CellType::Text: return std::string(text);
    default: return "";
    }
}

namespace {

// CellText of a cell of a loaded sheet.
std::string cellText(const wb::Sheet& sheet, int row, int col)
{
    const wb::CellType type = sheet.cellType(row, col);
    return CellText(type, sheet.readNum(row, col), type == wb::CellType::Text ? *sheet.readStr(row, col) : "");
}

}  // namespace

std::optional<std::string> LabelError(int family, int row, const std::string& label)
{
    const std::string upper = upperCopy(label);
    auto lacks = [&](const char* word) { return upper.find(word) == std::string::npos; };
    if (row == layout::alkalinityRow && family == familyRivers && lacks("ALKALINITY"))
        return "Error: Alkalinity values must be in row 4 for TDI3 or TDI4 calculations.";
    if (row == layout::lakeTypeRow && family == familyLakes && lacks("TYPE"))
        return "Error: Lake Type must be in row 4 for LTDI1 or LTDI2 calculations.";
    if (row == layout::calciumRow && family == familyDam && lacks("CALCIUM"))
        return "Error: Calcium values must be in row 5 for DAM calculations.";
    if (row == layout::docRow && family == familyDam && lacks("DOC"))
        return "Error: DOC values must be in row 6 for DAM calculations.";
    return std::nullopt;
}

std::optional<std::string> HeaderCountError(int family, int headerRows)
{
    if (family == familyDam) {
        if (headerRows < layout::headerRowsDam)
            return "Insufficient data to calculate EQR.\n"
                   "Sampling date, calcium and DOC values must be in rows 3, 5 and 6.";
    } else if (headerRows < layout::headerRowsRiversLakes) {
        return family == familyLakes
                   ? "Insufficient data to calculate EQR.\nSampling date and lake type must be in rows 3 and 4."
                   : "Insufficient data to calculate EQR.\nSampling date and alkalinity must be in rows 3 and 4.";
    }
    return std::nullopt;
}

namespace {

// Where the table of one worksheet lies: its first data row and column (1-based, as the
// user chose them) and how many samples and taxa follow them.
struct TableExtent {
    int firstRow = 1;
    int firstColumn = 1;
    int sampleCount = 0;
    int taxonCount = 0;
};

}  // namespace

std::unique_ptr<wb::Book> ReadSampleWorkbook(UserInteraction& ui, const std::string& path, std::string* sha256)
{
    std::unique_ptr<wb::Book> book = worksheet::CreateBookFor(path);
    bool loaded = false;
    std::string reason;
    const std::string name = std::filesystem::path(path).filename().string();
    // The digest names the exact file the samples came from; it is taken while the book is
    // read. A file that cannot be read again leaves it empty, which the results state.
    std::optional<FileDigest> digest;
    if (sha256)
        digest.emplace(path);
    const bool finished = ui.runLong("Reading " + name, [&](WorkProgress& progress) {
        loaded = book->load(path, [&progress](std::uint64_t done, std::uint64_t total) {
            return progress.report(done, total);
        });
        if (!loaded) {
            reason = book->errorMessage();
            return;
        }
        if (digest)
            *sha256 = digest->result();
    });
    // A read the user stopped ends the import without a message.
    if (!finished || book->wasCancelled())
        return nullptr;
    if (!loaded) {
        ui.showMessage("Error reading file", FileProblemDetail(path, reason));
        return nullptr;
    }
    return book;
}

namespace {

// The sample names run along the first row from the first data column, the taxon codes
// down the first column from the first data row, each up to the first empty cell. The
// table's size, or nothing with the message shown.
std::optional<TableExtent> measureTable(UserInteraction& ui, const wb::Sheet* sheet, int firstRow, int firstColumn)
{
    const int colEnd = sheet ? sheet->lastCol() : 0;
    const int rowEnd = sheet ? sheet->lastRow() : 0;
    if (colEnd < 2 || rowEnd < 2) {
        ui.showMessage("Worksheet has no data, try again");
        return std::nullopt;
    }

    // A row or column below 1 cannot come from the dialog; it finds no entries.
    int sampleEnd = firstColumn - 1;
    if (firstColumn >= 1)
        while (sampleEnd < colEnd && !EndsList(sheet->cellType(layout::sampleNameRow, sampleEnd)))
            ++sampleEnd;
    if (firstColumn < 1 || sampleEnd <= firstColumn - 1) {
        ui.showMessage("No entries found in Sample Name row");
        return std::nullopt;
    }
    int taxonEnd = firstRow - 1;
    if (firstRow >= 1)
        while (taxonEnd < rowEnd && !EndsList(sheet->cellType(taxonEnd, 0)))
            ++taxonEnd;
    if (firstRow < 1 || taxonEnd <= firstRow - 1) {
        ui.showMessage("No entries found in Taxon Code column");
        return std::nullopt;
    }

    TableExtent extent;
    extent.firstRow = firstRow;
    extent.firstColumn = firstColumn;
    extent.taxonCount = taxonEnd - (firstRow - 1);
    extent.sampleCount = sampleEnd - (firstColumn - 1);
    // Checked here, before any header value is copied, so that an oversized sheet costs
    // nothing and never reaches the matrix, which would refuse it with an exception.
    if (extent.sampleCount > Matrix::maxRows || extent.taxonCount > Matrix::maxCols) {
        ui.showMessage(numtext::format(
            "Too much data: the worksheet has %d samples and %d taxa; at most %d samples and %d taxa can be "
            "imported.",
            {static_cast<long long>(extent.sampleCount), static_cast<long long>(extent.taxonCount),
             static_cast<long long>(Matrix::maxRows), static_cast<long long>(Matrix::maxCols)}));
        return std::nullopt;
    }
    return extent;
}

// The labels and the per-sample values of the header rows above the first taxon, each
// label checked against what the family needs there. False with the message shown.
bool copyHeaderRows(ImportedSamples& job, UserInteraction& ui, const wb::Sheet& sheet, const TableExtent& extent)
{
    job.headerLabels.assign(static_cast<std::size_t>(job.headerRowCount), std::string());
    job.headerValues.assign(static_cast<std::size_t>(job.headerRowCount), std::vector<std::string>());
    for (int i = 0; i < job.headerRowCount; ++i) {
        std::string& label = job.headerLabels[static_cast<std::size_t>(i)];
        label = sheet.readStr(i, 0).value_or("");
        if (std::optional<std::string> error = LabelError(job.family, i, label)) {
            ui.showMessage(*error);
            return false;
        }
        std::vector<std::string>& values = job.headerValues[static_cast<std::size_t>(i)];
        values.reserve(static_cast<std::size_t>(extent.sampleCount));
        for (int s = 0; s < extent.sampleCount; ++s) {
            const int col = extent.firstColumn - 1 + s;
            // The sampling date travels as its serial in the 1900 system, which is what
            // every reader of that row counts in, whichever system the workbook used.
            if (i == layout::dateRow && sheet.cellType(i, col) == wb::CellType::Number)
                values.push_back(DateHeaderText(wb::SerialIn1900System(sheet.readNum(i, col), sheet.isDate1904())));
            else
                values.push_back(cellText(sheet, i, col));
        }
    }
    return true;
}

}  // namespace

bool LoadReferenceTables(ImportedSamples& job, ReferenceSource& references, UserInteraction& ui)
{
    // The loader says why a table could not be read; after a first failure the second
    // table is not asked for, so that its message comes once.
    job.boundaries1 = references.boundaryTable(FirstIndexName(job.family));
    job.boundaries2 = job.family == familyDam || !job.boundaries1 ? nullptr
                                                                  : references.boundaryTable(SecondIndexName(job.family));
    if (!job.boundaries1 || (job.family != familyDam && !job.boundaries2)) {
        ui.showMessage("Error retrieving boundary data");
        return false;
    }
    job.cocParameters = references.cocTable(job.familyName);
    job.cocAvailable = job.cocParameters != nullptr;
    job.masterTaxonList = references.masterList();
    job.referenceIdentity = references.databaseIdentity();
    job.referenceNotes = references.referenceNotes();
    return true;
}

namespace {

// A cell that stops the copy: its worksheet row and column (1-based), and what is wrong
// with it.
struct BadCountCell {
    enum class Fault { Indeterminate, OutOfRange, TooLong };
    int row = 0;
    int column = 0;
    Fault fault = Fault::Indeterminate;
};

// The message for a cell that stops the import.
std::string BadCellMessage(const BadCountCell& cell)
{
    const std::initializer_list<numtext::Arg> place = {static_cast<long long>(cell.row), static_cast<long long>(cell.column)};
    switch (cell.fault) {
    case BadCountCell::Fault::OutOfRange: return numtext::format("Error: count out of range in row %d, col %d", place);
    case BadCountCell::Fault::TooLong:
        return numtext::format("Error: text longer than %d characters in row %d, col %d",
                               {static_cast<long long>(layout::kMaxTextCharacters), static_cast<long long>(cell.row),
                                static_cast<long long>(cell.column)});
    case BadCountCell::Fault::Indeterminate: break;
    }
    return numtext::format("Error: indeterminate data in row %d, col %d", place);
}

// The first header cell (a row's label in column A, then its samples' values, row by row)
// whose text is too long for the results.
std::optional<BadCountCell> firstLongHeaderText(const ImportedSamples& job, const TableExtent& extent)
{
    for (int i = 0; i < job.headerRowCount; ++i) {
        if (layout::IsTextTooLong(job.headerLabels[static_cast<std::size_t>(i)]))
            return BadCountCell{i + 1, 1, BadCountCell::Fault::TooLong};
        const std::vector<std::string>& values = job.headerValues[static_cast<std::size_t>(i)];
        for (std::size_t s = 0; s < values.size(); ++s)
            if (layout::IsTextTooLong(values[s]))
                return BadCountCell{i + 1, extent.firstColumn + static_cast<int>(s), BadCountCell::Fault::TooLong};
    }
    return std::nullopt;
}

// The taxon codes and names and the counts. The first count cell that is neither a
// number in range nor empty stops the copy, in reading order; nothing after it is read.
std::optional<BadCountCell> copyTaxaAndCounts(ImportedSamples& job, const wb::Sheet& sheet, const TableExtent& extent)
{
    job.counts = std::make_unique<Matrix>(extent.sampleCount, extent.taxonCount, 0.0);
    job.taxa.clear();
    job.taxa.reserve(static_cast<std::size_t>(extent.taxonCount));
    const auto rows = sheet.data().rows();
    CountTiles tiles(*job.counts);
    for (int t = 0; t < extent.taxonCount; ++t) {
        const int row = extent.firstRow - 1 + t;
        job.taxa.push_back({cellText(sheet, row, 0), sheet.readStr(row, 1).value_or("")});
        if (layout::IsTextTooLong(job.taxa.back().code) || layout::IsTextTooLong(job.taxa.back().name))
            return BadCountCell{row + 1, layout::IsTextTooLong(job.taxa.back().code) ? 1 : 2, BadCountCell::Fault::TooLong};
        // The row's cells in column order, those of the samples' columns taken: the same
        // order as reading cell by cell, without a search for each cell.
        const int firstCol = extent.firstColumn - 1;
        const int colEnd = firstCol + extent.sampleCount;
        if (static_cast<std::size_t>(row) >= rows.size())
            continue;
        for (const wb::Cell& cell : rows[static_cast<std::size_t>(row)]) {
            if (cell.col < firstCol)
                continue;
            if (cell.col >= colEnd)
                break;
            if (cell.type == wb::CellType::Number) {
                if (!layout::IsCountInRange(cell.number))
                    return BadCountCell{row + 1, cell.col + 1, BadCountCell::Fault::OutOfRange};
                tiles.set(cell.col - firstCol, t, cell.number);
            } else if (cell.type != wb::CellType::Empty && cell.type != wb::CellType::Blank) {
                return BadCountCell{row + 1, cell.col + 1, BadCountCell::Fault::Indeterminate};
            }
        }
    }
    tiles.flush();
    return std::nullopt;
}

// Row 1 and column A as texts, for the check of what the import left out.
NotImportedInput notImportedInput(const wb::Sheet& sheet, const TableExtent& extent)
{
    NotImportedInput input;
    for (int col = 0; col < sheet.lastCol(); ++col)
        input.nameRow.push_back(cellText(sheet, layout::sampleNameRow, col));
    for (int row = 0; row < sheet.lastRow(); ++row)
        input.codeColumn.push_back(cellText(sheet, row, 0));
    input.firstColumn = extent.firstColumn - 1;
    input.sampleCount = extent.sampleCount;
    input.firstRow = extent.firstRow - 1;
    input.taxonCount = extent.taxonCount;
    return input;
}

}  // namespace

std::optional<ImportedSamples> ImportSamples(const std::string& workbookPath, ReferenceSource& references,
                                             UserInteraction& ui, int family)
{
    // Without the master taxon list no taxon of any sample could be matched, so there is
    // no point in reading the workbook at all.
    if (!references.masterList()) {
        ui.showMessage("Error retrieving taxon list");
        return std::nullopt;
    }
    // The book lives in this scope: every return below releases it.
    std::string sha256;
    std::unique_ptr<wb::Book> book = ReadSampleWorkbook(ui, workbookPath, &sha256);
    if (!book)
        return std::nullopt;
    return ImportSamplesFromBook(*book, workbookPath, sha256, references, ui, family);
}

std::optional<ImportedSamples> ImportSamplesFromBook(const wb::Book& book, const std::string& workbookPath,
                                                     const std::string& workbookSha256, ReferenceSource& references,
                                                     UserInteraction& ui, int family,
                                                     const std::optional<ChoiceStart>& start)
{
    if (!references.masterList()) {
        ui.showMessage("Error retrieving taxon list");
        return std::nullopt;
    }
    ImportedSamples samples;
    samples.family = family;
    samples.path = workbookPath;
    samples.title = std::filesystem::path(workbookPath).filename().string();
    samples.workbookSha256 = workbookSha256;

    const int sheetCount = book.sheetCount();
    if (sheetCount < 1) {
        ui.showMessage("No sheets");
        return std::nullopt;
    }
    std::vector<std::string> sheetNames;
    sheetNames.reserve(static_cast<std::size_t>(sheetCount));
    for (int i = 0; i < sheetCount; ++i)
        sheetNames.push_back(book.getSheet(i)->name());

    // A choice whose sheet and metric do not fit is shown its message and offered again.
    std::optional<WorksheetChoice> choice;
    if (start) {
        WorksheetChoice from;
        const auto named = std::find(sheetNames.begin(), sheetNames.end(), start->sheetName);
        from.sheetIndex = named == sheetNames.end() ? 0 : static_cast<int>(named - sheetNames.begin());
        from.firstDataRow = start->firstDataRow;
        from.firstDataColumn = start->firstDataColumn;
        from.family = samples.family;
        choice = ui.chooseWorksheetFrom(book, sheetNames, from);
    } else {
        choice = ui.chooseWorksheet(book, sheetNames, samples.family);
    }
    std::optional<TableExtent> extent;
    const wb::Sheet* sheet = nullptr;
    for (; choice; choice = ui.chooseWorksheetAgain(book, sheetNames, *choice)) {
        samples.family = choice->family;
        if (samples.family != familyLakes && samples.family != familyDam)
            samples.family = familyRivers;
        samples.familyName = FamilyName(samples.family);

        sheet = nullptr;
        if (choice->sheetIndex >= 0 && choice->sheetIndex < sheetCount) {
            samples.sheetName = sheetNames[static_cast<std::size_t>(choice->sheetIndex)];
            // Quoted in the results' lines, as the names in the sheet's cells are.
            if (layout::IsTextTooLong(samples.sheetName)) {
                ui.showMessage(numtext::format("Error: the name of sheet %d is longer than %d characters",
                                               {static_cast<long long>(choice->sheetIndex + 1),
                                                static_cast<long long>(layout::kMaxTextCharacters)}));
                continue;
            }
            sheet = worksheet::FindSheet(book, samples.sheetName);
        }
        extent = measureTable(ui, sheet, choice->firstDataRow, choice->firstDataColumn);
        if (!extent)
            continue;
        samples.taxonCount = extent->taxonCount;
        samples.sampleCount = extent->sampleCount;
        samples.headerRowCount = extent->firstRow - 1;
        samples.firstDataColumn = extent->firstColumn;

        if (std::optional<std::string> error = HeaderCountError(samples.family, samples.headerRowCount)) {
            ui.showMessage(*error);
            continue;
        }
        if (copyHeaderRows(samples, ui, *sheet, *extent))
            break;
    }
    if (!choice)
        return std::nullopt;
    if (std::optional<BadCountCell> longText = firstLongHeaderText(samples, *extent)) {
        ui.showMessage(BadCellMessage(*longText));
        return std::nullopt;
    }
    if (!LoadReferenceTables(samples, references, ui))
        return std::nullopt;

    // The message waits until the copy is over.
    std::optional<BadCountCell> badCell;
    if (!ui.runLong("Importing " + samples.title,
                    [&](WorkProgress&) { badCell = copyTaxaAndCounts(samples, *sheet, *extent); }))
        return std::nullopt;
    if (badCell) {
        ui.showMessage(BadCellMessage(*badCell));
        return std::nullopt;
    }
    samples.summary = ImportSummary(samples, NotImportedLines(notImportedInput(*sheet, *extent)));
    return samples;
}
