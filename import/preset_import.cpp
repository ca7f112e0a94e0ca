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
#include "import/serial_date.h"
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

// Takes the cells of the sheet in order. Anything unexpected (cells out of order, a cell
// among the counts that is no number, a list that does not fit the checks) makes it give
// up, with the reason: the caller then imports the loaded book, which says what is wrong.
// The extent the file states is a hint for the count matrix's first size, no more: many
// writers state none (they write rows as they come) or a wrong one, and the matrix grows
// as taxa come.
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

    // A run of numbers within the samples of the taxon row under way, the most common
    // thing by far, goes into the counts at once: cell() would keep none of them (they lie
    // right of column B and below the header rows) and would check and set each alike.
    // What of a run lies outside the samples, and a run with a count out of range, goes
    // cell by cell.
    bool numbers(int row, int col, const double* values, int count) override
    {
        const int end = col + count;
        const int from = std::max({col, dataColumn_, 2});
        const int to = std::min(end, dataColumn_ + sampleCount_);
        if (gaveUp_ || !inTaxonRow_ || row != currentRow_ || row == 0 || from >= to)
            return CellVisitor::numbers(row, col, values, count);
        if (from > col && (!CellVisitor::numbers(row, col, values, from - col) || gaveUp_))
            return false;
        const double* counts = values + (from - col);
        for (int i = 0; i < to - from; ++i)
            if (!layout::IsCountInRange(counts[i]))
                return CellVisitor::numbers(row, from, counts, end - from);  // gives up at that count
        rowEnd_ = std::max(rowEnd_, row + 1);
        colEnd_ = std::max(colEnd_, to);
        tiles_->setSamples(from - dataColumn_, nextTaxonRow_ - 1 - dataRow_, counts, to - from);
        return to == end || CellVisitor::numbers(row, to, values + (to - col), end - to);
    }

    void extent(int rows, int /*cols*/) override { statedRows_ = rows; }
    // How much of the workbook's parts has been inflated, of how much in all.
    void noteRead(std::uint64_t done, std::uint64_t total)
    {
        readBytes_ = done;
        totalBytes_ = total;
    }
    void restart() override { giveUp("its cells are not in order"); }

    bool gaveUp() const { return gaveUp_; }
    const std::string& reason() const { return reason_; }
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

    void giveUp(std::string reason)
    {
        if (!gaveUp_)
            reason_ = std::move(reason);
        gaveUp_ = true;
    }

    // The samples run along row 1 from the first data column to the first cell that ends
    // the list; row 1 is whole once a later row begins. The matrix starts with room for
    // the taxa the sheet's stated rows hold, when that is believable.
    bool prepare()
    {
        sampleCount_ = 0;
        while (const KeptCell* name = nameCell(dataColumn_ + sampleCount_)) {
            if (EndsList(name->type))
                break;
            ++sampleCount_;
        }
        if (sampleCount_ < 1) {
            giveUp("row 1 holds no sample name at the first data column");
            return false;
        }
        if (sampleCount_ > Matrix::maxRows) {
            giveUp("it has more samples than an analysis takes");
            return false;
        }
        int room = statedRows_ - dataRow_;
        if (room < 1 || room > Matrix::maxCols || static_cast<long long>(room) * sampleCount_ > kMostFirstCells)
            room = std::min(kFirstTaxa, Matrix::maxCols);
        try {
            counts_ = std::make_unique<Matrix>(sampleCount_, room, 0.0);
        } catch (const MatrixError&) {
            giveUp("there is not enough memory for its counts");
            return false;
        }
        nextTaxonRow_ = dataRow_;
        tiles_.emplace(*counts_);
        return true;
    }

    // Room in the count matrix for the taxon at index `taxon` (from 0). The matrix grows to
    // the taxa that the share of the sheet read so far foretells (the rows of a count
    // table are much alike), with a little to spare, for it is the largest thing an import
    // holds; by half when nothing foretells. At least by an eighth, so that however wrong
    // the foretelling, the copies of the counts add up to a few times the matrix at most.
    bool makeRoom(int taxon)
    {
        const int cols = counts_->nCols();
        if (taxon < cols)
            return true;
        if (taxon >= Matrix::maxCols) {
            giveUp("it has more taxa than an analysis takes");
            return false;
        }
        double room = cols + cols / 2;
        // The bytes counted include the chunk being scanned, which lies mostly ahead.
        const std::uint64_t step = wb::ReadProgress::kStep;
        const std::uint64_t read = readBytes_ > step ? readBytes_ - step : 0;
        if (read > 0 && totalBytes_ > read) {
            const double foretold = static_cast<double>(taxon) * static_cast<double>(totalBytes_) / read;
            room = std::max(cols + cols / 8.0, foretold * 1.03 + CountTiles::kTaxa);
        }
        room = std::clamp(room, taxon + 1.0, static_cast<double>(Matrix::maxCols));
        try {
            counts_->resizeColumns(static_cast<int>(room), 0.0);
        } catch (const MatrixError&) {
            giveUp("there is not enough memory for its counts");
            return false;
        }
        return true;
    }

    bool countCell(const wb::StreamedCell& cell)
    {
        if (gaveUp_)
            return false;
        if (!counts_ && !prepare())
            return false;
        if (cell.row != currentRow_) {
            currentRow_ = cell.row;
            // A taxon row is the next row down with a code in column A, its first cell.
            inTaxonRow_ = listOpen_ && cell.row == nextTaxonRow_ && cell.col == 0 && !EndsList(cell.type);
            if (inTaxonRow_) {
                if (!makeRoom(nextTaxonRow_ - dataRow_))
                    return false;
                ++nextTaxonRow_;
            } else {
                listOpen_ = false;
            }
        }
        if (!inTaxonRow_ || cell.col < dataColumn_ || cell.col >= dataColumn_ + sampleCount_)
            return true;
        if (cell.type == wb::CellType::Number) {
            if (!layout::IsCountInRange(cell.number)) {
                // As for indeterminate data: the loaded book's import names the cell.
                giveUp("the count in row " + std::to_string(cell.row + 1) + ", column " + std::to_string(cell.col + 1)
                       + " is out of range");
                return false;
            }
            tiles_->set(cell.col - dataColumn_, nextTaxonRow_ - 1 - dataRow_, cell.number);
            return true;
        }
        if (cell.type == wb::CellType::Empty || cell.type == wb::CellType::Blank)
            return true;
        // Indeterminate data: the loaded book's import names the cell in its message.
        giveUp("the count in row " + std::to_string(cell.row + 1) + ", column " + std::to_string(cell.col + 1)
               + " is not a number");
        return false;
    }

    // The first room for taxa when the file states no believable extent, and the most
    // cells a stated extent may set aside before any taxon has come (128 MB of counts).
    static constexpr int kFirstTaxa = 64;
    static constexpr long long kMostFirstCells = 16LL << 20;

    const int dataRow_;
    const int dataColumn_;
    int statedRows_ = -1;
    std::uint64_t readBytes_ = 0, totalBytes_ = 0;
    int rowEnd_ = 0;
    int colEnd_ = 0;
    bool gaveUp_ = false;
    std::string reason_;
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
                values.push_back(DateHeaderText(wb::SerialIn1900System(value->number, date1904)));
            else
                values.push_back(textOf(*value));
        }
    }
    return true;
}

// The taxon codes (column A) and names (column B, texts only) of the taxon rows; false
// when one is too long for the results.
bool copyTaxa(const TableCollector& table, ImportedSamples& samples)
{
    samples.taxa.reserve(static_cast<std::size_t>(samples.taxonCount));
    for (int t = 0; t < samples.taxonCount; ++t) {
        const int row = samples.headerRowCount + t;
        const KeptCell* code = table.columnA(row);
        const KeptCell* name = table.columnB(row);
        samples.taxa.push_back(
            {code ? textOf(*code) : std::string(), name && name->type == wb::CellType::Text ? name->text : std::string()});
        if (layout::IsTextTooLong(samples.taxa.back().code) || layout::IsTextTooLong(samples.taxa.back().name))
            return false;
    }
    return true;
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

// The first data row's guess from the cells of the sheet's first rows: the first text in
// column B, as worksheet::GuessFirstDataRow takes it from a loaded sheet.
class FirstRowGuess : public wb::CellVisitor {
public:
    bool cell(const wb::StreamedCell& cell) override
    {
        if (cell.row >= worksheet::kFirstRowGuessRows)
            return false;
        if (cell.col == 1 && cell.type == wb::CellType::Text && !cell.text.empty()) {
            row = cell.row + 1;
            return false;
        }
        return true;
    }
    void restart() override { row.reset(); }

    std::optional<int> row;
};

int sheetIndexOf(const wb::WorkbookStream& stream, const std::optional<std::string>& sheetName)
{
    if (!sheetName)
        return stream.sheetCount() > 0 ? 0 : -1;
    for (int i = 0; i < stream.sheetCount(); ++i)
        if (stream.sheetName(i) == *sheetName)
            return i;
    return -1;
}

// The samples, or nothing when the sheet is not as the preset import expects (nothing has
// been shown then; `reason` says why).
std::optional<ImportedSamples> streamSamples(const std::string& path, const PresetChoice& choice,
                                             ReferenceSource& references, UserInteraction& ui, bool& failed,
                                             std::string& reason)
{
    failed = false;
    const int family = choice.family == familyLakes || choice.family == familyDam ? choice.family : familyRivers;
    const int headerRows = choice.firstDataRow - 1;
    if (HeaderCountError(family, headerRows)) {
        reason = "the first data row leaves too few header rows for the metric";
        return std::nullopt;
    }
    if (choice.firstDataColumn < 1) {
        reason = "the first data column is before column A";
        return std::nullopt;
    }

    // The digest names the exact file the samples came from; it is taken while the sheet
    // is read. A file that cannot be read again leaves it empty, which the results state.
    FileDigest digest(path);
    wb::WorkbookStream stream(wb::Book::FileFormat::Xlsx);
    TableCollector table(choice.firstDataRow, choice.firstDataColumn);
    wb::StreamEnd end = wb::StreamEnd::Failed;
    int sheetIndex = -1;
    bool opened = false;
    const std::string name = std::filesystem::path(path).filename().string();
    const bool finished = ui.runLong("Reading " + name, [&](WorkProgress& progress) {
        const wb::ProgressCallback report = [&progress, &table](std::uint64_t done, std::uint64_t total) {
            table.noteRead(done, total);
            return progress.report(done, total);
        };
        opened = stream.open(path, report);
        if (!opened)
            return;
        sheetIndex = sheetIndexOf(stream, choice.sheetName);
        if (sheetIndex >= 0)
            end = stream.readSheet(sheetIndex, table, report);
    });
    if (!finished || end == wb::StreamEnd::Cancelled) {
        failed = true;  // stopped by the user: nothing to say
        return std::nullopt;
    }
    if (table.gaveUp()) {
        reason = table.reason();
        return std::nullopt;
    }
    if (!opened) {
        reason = "it cannot be streamed: " + stream.errorMessage();
        return std::nullopt;
    }
    if (sheetIndex < 0 || sheetIndex >= stream.sheetCount()) {
        reason = stream.sheetCount() > 0 ? "the workbook has no sheet of that name" : "the workbook lists no sheet";
        return std::nullopt;
    }
    if (end != wb::StreamEnd::Done) {
        reason = "its sheet cannot be streamed: " + stream.errorMessage();
        return std::nullopt;
    }
    if (table.rowEnd() < 2 || table.colEnd() < 2) {
        reason = "the sheet has fewer than two rows or columns";
        return std::nullopt;
    }
    // The counts never began: no cell at or below the first data row.
    if (table.sampleCount() < 1) {
        reason = "the sheet has no cell at or below the first data row";
        return std::nullopt;
    }
    if (table.taxonCount() < 1) {
        reason = "column A holds no taxon code at the first data row";
        return std::nullopt;
    }

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
    if (!copyHeaderRows(table, choice.firstDataColumn - 1, stream.isDate1904(), samples)) {
        reason = "a header row's label does not fit the metric";
        return std::nullopt;
    }
    // A text too long for the results: the loaded book's import names its cell.
    if (!copyTaxa(table, samples) || layout::IsTextTooLong(samples.sheetName)
        || std::any_of(samples.headerLabels.begin(), samples.headerLabels.end(), layout::IsTextTooLong)
        || std::any_of(samples.headerValues.begin(), samples.headerValues.end(), [](const std::vector<std::string>& row) {
               return std::any_of(row.begin(), row.end(), layout::IsTextTooLong);
           })) {
        reason = "a name or header text is longer than " + std::to_string(layout::kMaxTextCharacters) + " characters";
        return std::nullopt;
    }

    if (!LoadReferenceTables(samples, references, ui)) {
        failed = true;
        return std::nullopt;
    }
    samples.counts = table.takeCounts();
    // The room left over (rows the file stated below the list, or the last growth) goes.
    samples.counts->resizeColumns(samples.taxonCount, 0.0);
    samples.workbookSha256 = digest.result();
    samples.summary = ImportSummary(samples, NotImportedLines(notImportedInput(table, choice.firstDataColumn - 1, samples)));
    return samples;
}

}  // namespace

std::optional<int> GuessPresetFirstDataRow(const std::string& path, const std::optional<std::string>& sheetName)
{
    if (worksheet::FormatFor(path) != wb::Book::FileFormat::Xlsx)
        return std::nullopt;
    wb::WorkbookStream stream(wb::Book::FileFormat::Xlsx);
    if (!stream.open(path))
        return std::nullopt;
    const int index = sheetIndexOf(stream, sheetName);
    if (index < 0)
        return std::nullopt;
    FirstRowGuess guess;
    const wb::StreamEnd end = stream.readSheet(index, guess);
    if (end != wb::StreamEnd::Done && end != wb::StreamEnd::Stopped)
        return std::nullopt;
    return guess.row.value_or(1);
}

std::optional<ImportedSamples> ImportPresetSamples(const std::string& path, const PresetChoice& choice,
                                                   ReferenceSource& references, UserInteraction& ui,
                                                   ImportRoute* route)
{
    ImportRoute taken;
    if (!references.masterList()) {
        ui.showMessage("Error retrieving taxon list");
        return std::nullopt;
    }
    if (worksheet::FormatFor(path) == wb::Book::FileFormat::Xlsx) {
        bool failed = false;
        std::optional<ImportedSamples> samples = streamSamples(path, choice, references, ui, failed, taken.loadedBecause);
        if (samples || failed) {
            // Failed: stopped by the user, or the reference tables failed after the sheet was read.
            taken.streamed = true;
            taken.loadedBecause.clear();
            if (route)
                *route = taken;
            return samples;
        }
    } else {
        taken.loadedBecause = "an .xls workbook is always read whole";
    }
    if (route)
        *route = taken;
    // An .xls workbook, or a sheet that is not as expected: the import of the loaded book,
    // whose choice (UserInteraction::chooseWorksheet) is the same, and which says what is wrong.
    return ImportSamples(path, references, ui, choice.family);
}
