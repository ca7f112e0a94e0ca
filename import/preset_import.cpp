// The import of a worksheet chosen before any cell is read: the counts go from the sheet's
// scanner straight into the count matrix, and of the other cells only those the import
// reads are kept (row 1, the header rows, columns A and B).

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

#include "base/file_digest.h"
#include "import/count_tiles.h"
#include "import/import_steps.h"
#include "import/not_imported.h"
#include "import/sample_import.h"
#include "import/sample_layout.h"
#include "import/worksheet_choice.h"
#include "matrix/number_format.h"
#include "workbook/book.h"
#include "workbook/sheet_stream.h"

namespace {

// A cell the import may read again: its kind and value.
struct KeptCell {
    wb::CellType type = wb::CellType::Empty;
    double number = 0;
    std::string text;
};

// A header value or a taxon code, as the import of a loaded book gives it (CellText).
std::string textOf(const KeptCell& cell)
{
    return CellText(cell.type, cell.number, cell.text);
}

// Takes the cells of the sheet in order. Anything unexpected (cells out of order, a sheet
// larger than its file says, a cell among the counts that is no number, a list that does
// not fit the checks) makes it give up: the caller then imports the loaded book, which
// says what is wrong.
class TableCollector : public wb::CellVisitor {
public:
    TableCollector(int firstRow, int firstColumn) : dataRow_(firstRow - 1), dataColumn_(firstColumn - 1) {}

    bool cell(const wb::StreamedCell& cell) override
    {
        rowEnd_ = std::max(rowEnd_, cell.row + 1);
        colEnd_ = std::max(colEnd_, cell.col + 1);
        if (cell.row == 0)
            nameRow_.resize(static_cast<std::size_t>(cell.col) + 1);
        if (cell.row == 0 || (cell.row < dataRow_ && cell.col >= dataColumn_) || cell.col <= 1) {
            if (cell.row == 0)
                keep(nameRow_[static_cast<std::size_t>(cell.col)], cell);
            else if (cell.row < dataRow_ && cell.col >= dataColumn_)
                keep(header(cell.row, cell.col), cell);
            if (cell.col <= 1) {
                // Rows come in order: each column's cells are kept sorted by row.
                std::vector<std::pair<int, KeptCell>>& column = cell.col == 0 ? columnA_ : columnB_;
                column.emplace_back(cell.row, KeptCell());
                keep(column.back().second, cell);
            }
        }
        if (cell.row < dataRow_)
            return true;
        return countCell(cell);
    }

    void extent(int rows, int /*cols*/) override { statedRows_ = rows; }
    void restart() override { gaveUp_ = true; }

    bool gaveUp() const { return gaveUp_; }
    int rowEnd() const { return rowEnd_; }
    int colEnd() const { return colEnd_; }
    int sampleCount() const { return sampleCount_; }
    int taxonCount() const { return nextTaxonRow_ - dataRow_; }
    const KeptCell* nameCell(int col) const { return at(nameRow_, col); }
    const KeptCell* columnA(int row) const { return inColumn(columnA_, row); }
    const KeptCell* columnB(int row) const { return inColumn(columnB_, row); }
    const KeptCell* headerCell(int row, int col) const
    {
        if (row < 0 || static_cast<std::size_t>(row) >= headers_.size())
            return nullptr;
        return at(headers_[static_cast<std::size_t>(row)], col - dataColumn_);
    }
    std::unique_ptr<Matrix> takeCounts()
    {
        if (tiles_)
            tiles_->flush();
        return std::move(counts_);
    }

private:
    static const KeptCell* at(const std::vector<KeptCell>& cells, int index)
    {
        return index >= 0 && static_cast<std::size_t>(index) < cells.size() ? &cells[static_cast<std::size_t>(index)]
                                                                              : nullptr;
    }

    static const KeptCell* inColumn(const std::vector<std::pair<int, KeptCell>>& cells, int row)
    {
        auto found = std::lower_bound(cells.begin(), cells.end(), row,
                                      [](const std::pair<int, KeptCell>& cell, int r) { return cell.first < r; });
        return found != cells.end() && found->first == row ? &found->second : nullptr;
    }

    static void keep(KeptCell& kept, const wb::StreamedCell& cell)
    {
        kept.type = cell.type;
        kept.number = cell.number;
        kept.text.assign(cell.text);
    }

    KeptCell& header(int row, int col)
    {
        if (headers_.size() <= static_cast<std::size_t>(row))
            headers_.resize(static_cast<std::size_t>(row) + 1);
        std::vector<KeptCell>& cells = headers_[static_cast<std::size_t>(row)];
        const std::size_t at = static_cast<std::size_t>(col - dataColumn_);
        if (cells.size() <= at)
            cells.resize(at + 1);
        return cells[at];
    }

    // The samples run along row 1 from the first data column to the first cell that ends
    // the list; row 1 is whole once a later row begins. The matrix takes as many taxa as
    // the sheet's stated rows leave room for.
    bool prepare()
    {
        sampleCount_ = 0;
        while (const KeptCell* name = nameCell(dataColumn_ + sampleCount_)) {
            if (EndsList(name->type))
                break;
            ++sampleCount_;
        }
        const int room = statedRows_ - dataRow_;
        if (sampleCount_ < 1 || sampleCount_ > Matrix::maxRows || room < 1 || room > Matrix::maxCols)
            return false;
        counts_ = std::make_unique<Matrix>(sampleCount_, room, 0.0);
        nextTaxonRow_ = dataRow_;
        tiles_.emplace(*counts_);
        return true;
    }

    bool countCell(const wb::StreamedCell& cell)
    {
        if (gaveUp_)
            return false;
        if (!counts_ && !prepare()) {
            gaveUp_ = true;
            return false;
        }
        if (cell.row != currentRow_) {
            currentRow_ = cell.row;
            // A taxon row is the next row down with a code in column A, its first cell.
            inTaxonRow_ = listOpen_ && cell.row == nextTaxonRow_ && cell.col == 0 && !EndsList(cell.type);
            if (inTaxonRow_) {
                if (nextTaxonRow_ - dataRow_ >= counts_->nCols()) {
                    gaveUp_ = true;  // more rows than the file said
                    return false;
                }
                ++nextTaxonRow_;
            } else {
                listOpen_ = false;
            }
        }
        if (!inTaxonRow_ || cell.col < dataColumn_ || cell.col >= dataColumn_ + sampleCount_)
            return true;
        if (cell.type == wb::CellType::Number) {
            tiles_->set(cell.col - dataColumn_, nextTaxonRow_ - 1 - dataRow_, cell.number);
            return true;
        }
        if (cell.type == wb::CellType::Empty || cell.type == wb::CellType::Blank)
            return true;
        gaveUp_ = true;  // indeterminate data: the loaded book's import names the cell
        return false;
    }

    const int dataRow_;
    const int dataColumn_;
    int statedRows_ = -1;
    int rowEnd_ = 0;
    int colEnd_ = 0;
    bool gaveUp_ = false;
    std::vector<KeptCell> nameRow_;
    std::vector<std::vector<KeptCell>> headers_;  // [row][column - first data column]
    std::vector<std::pair<int, KeptCell>> columnA_, columnB_;  // (row, cell), by row
    std::unique_ptr<Matrix> counts_;
    std::optional<CountTiles> tiles_;  // into counts_
    int sampleCount_ = 0;
    int currentRow_ = -1;
    int nextTaxonRow_ = 0;
    bool listOpen_ = true;
    bool inTaxonRow_ = false;
};

// The labels and per-sample values of the header rows, as the import of a loaded book
// copies them; false when a label does not fit the family.
bool copyHeaderRows(const TableCollector& table, int firstColumn, bool date1904, ImportedSamples& samples)
{
    const int headerRows = samples.headerRowCount;
    samples.headerLabels.assign(static_cast<std::size_t>(headerRows), std::string());
    samples.headerValues.assign(static_cast<std::size_t>(headerRows), std::vector<std::string>());
    for (int i = 0; i < headerRows; ++i) {
        const KeptCell* label = table.columnA(i);
        std::string& text = samples.headerLabels[static_cast<std::size_t>(i)];
        text = label && label->type == wb::CellType::Text ? label->text : std::string();
        if (LabelError(samples.family, i, text))
            return false;
        std::vector<std::string>& values = samples.headerValues[static_cast<std::size_t>(i)];
        values.reserve(static_cast<std::size_t>(samples.sampleCount));
        for (int s = 0; s < samples.sampleCount; ++s) {
            const KeptCell* value = i == 0 ? table.nameCell(firstColumn + s) : table.headerCell(i, firstColumn + s);
            if (!value)
                values.emplace_back();
            else if (i == layout::dateRow && value->type == wb::CellType::Number)
                values.push_back(numtext::g(wb::SerialIn1900System(value->number, date1904)));
            else
                values.push_back(textOf(*value));
        }
    }
    return true;
}

// The taxon codes (column A) and names (column B, texts only) of the taxon rows.
void copyTaxa(const TableCollector& table, ImportedSamples& samples)
{
    samples.taxa.reserve(static_cast<std::size_t>(samples.taxonCount));
    for (int t = 0; t < samples.taxonCount; ++t) {
        const int row = samples.headerRowCount + t;
        const KeptCell* code = table.columnA(row);
        const KeptCell* name = table.columnB(row);
        samples.taxa.push_back(
            {code ? textOf(*code) : std::string(), name && name->type == wb::CellType::Text ? name->text : std::string()});
    }
}

// Row 1 and column A as texts, for the check of what the import left out.
NotImportedInput notImportedInput(const TableCollector& table, int firstColumn, const ImportedSamples& samples)
{
    NotImportedInput input;
    for (int col = 0; col < table.colEnd(); ++col) {
        const KeptCell* cell = table.nameCell(col);
        input.nameRow.push_back(cell ? textOf(*cell) : std::string());
    }
    for (int row = 0; row < table.rowEnd(); ++row) {
        const KeptCell* cell = table.columnA(row);
        input.codeColumn.push_back(cell ? textOf(*cell) : std::string());
    }
    input.firstColumn = firstColumn;
    input.sampleCount = samples.sampleCount;
    input.firstRow = samples.headerRowCount;
    input.taxonCount = samples.taxonCount;
    return input;
}

// The samples, or nothing when the sheet is not as the preset import expects (nothing has
// been shown then).
std::optional<ImportedSamples> streamSamples(const std::string& path, const PresetChoice& choice,
                                             ReferenceSource& references, UserInteraction& ui, bool& failed)
{
    failed = false;
    const int family = choice.family == familyLakes || choice.family == familyDam ? choice.family : familyRivers;
    const int headerRows = choice.firstDataRow - 1;
    if (HeaderCountError(family, headerRows) || choice.firstDataColumn < 1)
        return std::nullopt;

    // The digest names the exact file the samples came from; it is taken while the sheet
    // is read. A file that cannot be read again leaves it empty, which the results state.
    FileDigest digest(path);
    wb::WorkbookStream stream(wb::Book::FileFormat::Xlsx);
    TableCollector table(choice.firstDataRow, choice.firstDataColumn);
    wb::StreamEnd end = wb::StreamEnd::Failed;
    int sheetIndex = -1;
    const std::string name = std::filesystem::path(path).filename().string();
    const bool finished = ui.runLong("Reading " + name, [&](WorkProgress& progress) {
        const wb::ProgressCallback report = [&progress](std::uint64_t done, std::uint64_t total) {
            return progress.report(done, total);
        };
        if (!stream.open(path, report))
            return;
        sheetIndex = 0;
        if (choice.sheetName) {
            sheetIndex = -1;
            for (int i = 0; i < stream.sheetCount(); ++i)
                if (stream.sheetName(i) == *choice.sheetName) {
                    sheetIndex = i;
                    break;
                }
        }
        if (sheetIndex >= 0 && sheetIndex < stream.sheetCount())
            end = stream.readSheet(sheetIndex, table, report);
    });
    if (!finished || end == wb::StreamEnd::Cancelled) {
        failed = true;  // stopped by the user: nothing to say
        return std::nullopt;
    }
    if (end != wb::StreamEnd::Done || table.gaveUp() || table.rowEnd() < 2 || table.colEnd() < 2
        || table.sampleCount() < 1 || table.taxonCount() < 1 || table.sampleCount() > Matrix::maxRows
        || table.taxonCount() > Matrix::maxCols)
        return std::nullopt;

    ImportedSamples samples;
    samples.path = path;
    samples.title = name;
    samples.sheetName = stream.sheetName(sheetIndex);
    samples.family = family;
    samples.familyName = FamilyName(family);
    samples.sampleCount = table.sampleCount();
    samples.taxonCount = table.taxonCount();
    samples.headerRowCount = headerRows;
    samples.firstDataColumn = choice.firstDataColumn;
    if (!copyHeaderRows(table, choice.firstDataColumn - 1, stream.isDate1904(), samples))
        return std::nullopt;

    if (!LoadReferenceTables(samples, references, ui)) {
        failed = true;
        return std::nullopt;
    }
    samples.counts = table.takeCounts();
    if (samples.counts->nCols() > samples.taxonCount) {
        // Fewer taxa than the rows the file stated: the rows below the list go.
        std::vector<std::uint8_t> beyond(static_cast<std::size_t>(samples.counts->nCols()), 0);
        for (std::size_t t = static_cast<std::size_t>(samples.taxonCount); t < beyond.size(); ++t)
            beyond[t] = 1;
        samples.counts->deleteColumns(beyond);
    }
    copyTaxa(table, samples);
    samples.workbookSha256 = digest.result();
    samples.summary = ImportSummary(samples, NotImportedLines(notImportedInput(table, choice.firstDataColumn - 1, samples)));
    return samples;
}

}  // namespace

std::optional<ImportedSamples> ImportPresetSamples(const std::string& path, const PresetChoice& choice,
                                                   ReferenceSource& references, UserInteraction& ui)
{
    if (!references.masterList()) {
        ui.showMessage("Error retrieving taxon list");
        return std::nullopt;
    }
    if (worksheet::FormatFor(path) == wb::Book::FileFormat::Xlsx) {
        bool failed = false;
        if (std::optional<ImportedSamples> samples = streamSamples(path, choice, references, ui, failed))
            return samples;
        if (failed)
            return std::nullopt;
    }
    // An .xls workbook, or a sheet that is not as expected: the import of the loaded book,
    // whose choice (UserInteraction::chooseWorksheet) is the same, and which says what is wrong.
    return ImportSamples(path, references, ui, choice.family);
}
