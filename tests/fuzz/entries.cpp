#include "tests/fuzz/entries.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "import/job_workbooks.h"
#include "import/sample_import.h"
#include "tests/support/stand_in_tables.h"
#include "refdb/jet/csv_table.h"
#include "refdb/mdb_file.h"
#include "taxa/taxa.h"
#include "workbook/sheet_stream.h"
#include "workbook/xls/codec.h"
#include "workbook/xlsx/codec.h"

namespace fuzz {

namespace {

using testing_support::StandInTables;

// The readers open files by name; an anonymous in-memory file gives them one without
// touching the disk on every run.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC))
    {
        for (std::size_t done = 0; fd_ >= 0 && done < size;) {
            ssize_t n = ::write(fd_, data + done, size - done);
            if (n <= 0) {
                ::close(fd_);
                fd_ = -1;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    ~MemoryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

// Compares the streamed cells with the cells the loaded sheet stores; aborts on a
// difference, so that the fuzzer reports it as a finding. A file that gives a cell twice
// is refused by both reads (as damaged), so a sheet read to its end hands each position
// over once: one handed over again is a fault of the stream, not of the file.
class SameAsStored : public wb::CellVisitor {
public:
    explicit SameAsStored(const wb::SheetData* sheet) : sheet_(sheet) {}

    bool cell(const wb::StreamedCell& cell) override
    {
        if (!sheet_)
            return true;
        const auto [place, fresh] = cells_.try_emplace({cell.row, cell.col});
        if (!fresh)
            std::abort();
        Kept& kept = place->second;
        kept.type = cell.type;
        kept.number = cell.number;
        kept.text.assign(cell.text);
        return true;
    }
    void restart() override { cells_.clear(); }
    // True when the streamed cells are the stored ones, each with its value.
    bool allSeen()
    {
        if (!sheet_)
            return true;
        std::size_t stored = 0;
        const auto rows = sheet_->rows();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (const wb::Cell& cell : rows[r]) {
                ++stored;
                const auto found = cells_.find({static_cast<int>(r), cell.col});
                if (found == cells_.end())
                    return false;  // a stored cell never handed over
                const Kept& kept = found->second;
                const bool same = kept.type == cell.type
                    && (cell.type == wb::CellType::Text ? kept.text == sheet_->textOf(cell)
                                                        : std::memcmp(&kept.number, &cell.number, sizeof(double)) == 0
                                                              || kept.number == cell.number);
                if (!same)
                    std::abort();
            }
        }
        if (stored != cells_.size())
            std::abort();  // a cell the loaded sheet lacks
        return true;
    }

private:
    struct Kept {
        wb::CellType type = wb::CellType::Empty;
        double number = 0.0;
        std::string text;
    };
    const wb::SheetData* sheet_;
    std::map<std::pair<int, int>, Kept> cells_;
};

}  // namespace

void readXlsx(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file(data, size);
    if (!file.ok())
        return;
    wb::WorkbookData book;
    std::string error;
    const bool loaded = wb::readXlsxFile(file.path(), book, error);

    // The streamed read of every sheet: when the book loaded, the very cells it stores.
    // A book that loads streams too: the stream keeps less and reads the same parts. (Its
    // open() also makes the checks Book::load makes first, which may refuse a file that
    // the reader alone takes.)
    wb::WorkbookStream stream(wb::Book::FileFormat::Xlsx);
    if (!stream.open(file.path()))
        return;
    if (loaded && static_cast<std::size_t>(stream.sheetCount()) != book.sheets.size())
        std::abort();
    for (int i = 0; i < stream.sheetCount(); ++i) {
        SameAsStored visitor(loaded ? &book.sheets[static_cast<std::size_t>(i)] : nullptr);
        const wb::StreamEnd end = stream.readSheet(i, visitor);
        if (end != wb::StreamEnd::Done) {
            if (loaded)
                std::abort();
            return;
        }
        if (!visitor.allSeen())
            std::abort();  // a stored cell never handed over
    }
}

void readXls(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file(data, size);
    if (!file.ok())
        return;
    wb::WorkbookData book;
    std::string error;
    wb::readXlsFile(file.path(), book, error);
}

void readAccess(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file(data, size);
    if (!file.ok())
        return;
    std::string reason;
    std::unique_ptr<AccessFile> db = AccessFile::open(file.path(), reason);
    if (!db)
        return;
    for (const std::string& name : db->tableNames()) {
        AccessFile::Table table;
        db->readTable(name, table, reason);
    }
}

void readCsvTable(const std::uint8_t* data, std::size_t size)
{
    refdb::TableSpec table;
    std::string error;
    refdb::parseCsvTable(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.csv", table, error);
}

void readTaxonMap(const std::uint8_t* data, std::size_t size)
{
    taxa::TaxonMap map;
    std::string error;
    if (!taxa::ParseTaxonMap(std::string_view(reinterpret_cast<const char*>(data), size), map, error))
        return;
    static const taxa::Suggester suggester({{"NI259A", "Nitzschia palea"},
                                            {"NI276A", "Nitzschia paleacea"},
                                            {"CO386A", "Cocconeis placentula var. euglypta (Ehrenb.) Grunow"},
                                            {"FR001A", "Fragilaria capucina var. rumpens K\xC3\xBCtz."},
                                            {"EU131A", "Eunotia arcus"},
                                            {"EU142A", "Eunotia arcubus"}});
    for (const taxa::MapLine& line : map.lines) {
        suggester.suggest({line.code, line.name});
        suggester.suggest({line.mappedCode, ""});
    }
    taxa::CheckTaxonMap(map, suggester.list());
    // What is written must read back as the same lines.
    taxa::TaxonMap back;
    if (!taxa::ParseTaxonMap(taxa::TaxonMapText(map), back, error) || back.lines.size() != map.lines.size())
        std::abort();
    for (std::size_t k = 0; k < map.lines.size(); ++k)
        if (back.lines[k].code != map.lines[k].code || back.lines[k].mappedCode != map.lines[k].mappedCode ||
            back.lines[k].name != map.lines[k].name || back.lines[k].mappedName != map.lines[k].mappedName ||
            back.lines[k].reason != map.lines[k].reason)
            std::abort();
}

namespace {

// The user of both imports: the same choice every time, the messages kept.
class PresetUser : public UserInteraction {
public:
    void showMessage(const std::string& text, const std::string& detail) override
    {
        messages.push_back(text + "|" + detail);
    }
    Answer askYesNoCancel(const std::string&) override { return Answer::Cancel; }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book&, const std::vector<std::string>&, int) override
    {
        WorksheetChoice choice;
        choice.firstDataRow = 5;
        return choice;
    }
    std::optional<std::string> chooseResultsFile() override { return std::nullopt; }
    std::vector<std::string> messages;
};

bool sameCounts(const Matrix& a, const Matrix& b)
{
    if (a.nRows() != b.nRows() || a.nCols() != b.nCols())
        return false;
    for (int r = 0; r < a.nRows(); ++r)
        for (int c = 0; c < a.nCols(); ++c)
            if (const double x = a(r, c), y = b(r, c); std::memcmp(&x, &y, sizeof(double)) != 0)
                return false;
    return true;
}

bool sameSamples(const ImportedSamples& a, const ImportedSamples& b)
{
    if (a.sheetName != b.sheetName || a.sampleCount != b.sampleCount || a.taxonCount != b.taxonCount
        || a.headerRowCount != b.headerRowCount || a.headerLabels != b.headerLabels || a.headerValues != b.headerValues
        || a.summary != b.summary || a.taxa.size() != b.taxa.size() || !a.counts || !b.counts
        || !sameCounts(*a.counts, *b.counts))
        return false;
    for (std::size_t t = 0; t < a.taxa.size(); ++t)
        if (a.taxa[t].code != b.taxa[t].code || a.taxa[t].name != b.taxa[t].name)
            return false;
    return true;
}

}  // namespace

void importPreset(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file(data, size);
    if (!file.ok())
        return;
    StandInTables tables;
    PresetUser loadedUser, streamedUser;
    const std::optional<ImportedSamples> loaded = ImportSamples(file.path(), tables, loadedUser);
    const std::optional<ImportedSamples> streamed =
        ImportPresetSamples(file.path(), {std::nullopt, 5, 3, familyRivers}, tables, streamedUser);
    if (loaded.has_value() != streamed.has_value() || loadedUser.messages != streamedUser.messages
        || (loaded && !sameSamples(*loaded, *streamed)))
        std::abort();
}

void readJobFile(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file(data, size);
    if (!file.ok())
        return;
    std::vector<JobWorkbook> workbooks;
    const std::optional<std::string> refused = ReadJobFile(file.path(), WorksheetOptions{}, workbooks);
    if (refused ? refused->empty() || !workbooks.empty() : workbooks.empty())
        std::abort();
    for (const JobWorkbook& workbook : workbooks)
        if (workbook.path.empty() || workbook.worksheet.firstDataColumn < 1
            || (workbook.worksheet.firstDataRow && *workbook.worksheet.firstDataRow < 1))
            std::abort();
}

Entry entryNamed(std::string_view target)
{
    if (target == "jobfile")
        return &readJobFile;
    if (target == "preset")
        return &importPreset;
    if (target == "xlsx")
        return &readXlsx;
    if (target == "xls")
        return &readXls;
    if (target == "access")
        return &readAccess;
    if (target == "csv")
        return &readCsvTable;
    if (target == "taxonmap")
        return &readTaxonMap;
    return nullptr;
}

}  // namespace fuzz
