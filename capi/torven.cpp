// libtorven: the C interface over the core. Every entry point catches whatever the core
// throws and turns it into a status and a message, because an exception must not unwind
// into a C, Python or R caller.

#include "capi/torven.h"

#include <cmath>
#include <dlfcn.h>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "base/data_files.h"
#include "base/safe_file.h"
#include "import/default_values.h"
#include "import/job_options.h"
#include "import/job_workbooks.h"
#include "import/sample_import.h"
#include "metrics/analysis.h"
#include "metrics/unmatched_taxa.h"
#include "refdb/memory_table.h"
#include "results/assessment.h"
#include "results/provenance.h"
#include "results/results_csv.h"
#include "results/results_sheets.h"
#include "results/results_workbook.h"
#include "results/sample_quality_sheet.h"
#include "results/sources_sheet.h"
#include "taxa/taxa.h"
#include "torven_version.h"

// The programs' folder as seen from the library's, set by the build from the install
// folders; the build tree keeps the same shape, so that one rule serves both.
#ifndef TORVEN_PROGRAMS_FROM_LIBRARY
#define TORVEN_PROGRAMS_FROM_LIBRARY "../bin"
#endif

struct torven_messages {
    struct Message {
        std::string text;
        std::string detail;
    };
    std::vector<Message> list;
};

struct torven_options {
    ImportOptions import;
    // As given; checked when the job runs, in the Default values dialog's order.
    std::optional<std::string> alkalinityText, calciumText, docText;
    std::optional<std::string> taxonMapPath;
    int limit = 3;
};

struct torven_table {
    struct Column {
        std::string name;
        int type = TORVEN_NUMBER;
        std::vector<double> numbers;
        std::vector<std::optional<std::string>> texts;
    };
    std::string name;
    std::size_t rows = 0;
    std::vector<Column> columns;
};

struct torven_job {
    Assessment assessment;
    // The files the job read, by what they are to the user: no save of the job writes over
    // one of them ("the reference database", path).
    std::vector<std::pair<std::string, std::string>> inputs;
    std::string summary;
    std::vector<std::string> provenance;
    std::vector<std::string> siteIndexNames;
    torven_messages messages;
};

namespace {

void addMessage(torven_messages* messages, std::string text, std::string detail = std::string())
{
    if (messages)
        messages->list.push_back({std::move(text), std::move(detail)});
}

// The library's user: every message is kept for the caller, every choice comes from the
// options, and a question is answered No, as on the command line.
class LibraryUser : public UserInteraction {
public:
    LibraryUser(WorksheetOptions worksheet, torven_messages* messages)
        : worksheet_(std::move(worksheet)), messages_(messages)
    {
    }
    void showMessage(const std::string& text, const std::string& detail) override { addMessage(messages_, text, detail); }
    Answer askYesNoCancel(const std::string&) override { return Answer::No; }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                   int) override
    {
        return ChooseWorksheetFromOptions(worksheet_, book, sheetNames, usageError_);
    }
    std::optional<std::string> chooseResultsFile() override { return std::nullopt; }
    const std::optional<std::string>& usageError() const { return usageError_; }

private:
    WorksheetOptions worksheet_;
    torven_messages* messages_;
    std::optional<std::string> usageError_;
};

// The folder of this library, with its trailing '/'; empty when it cannot be told.
std::string libraryDirectory()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&torven_version), &info) == 0 || !info.dli_fname)
        return std::string();
    std::error_code error;
    std::filesystem::path path = std::filesystem::canonical(info.dli_fname, error);
    if (error)
        return std::string();
    return path.parent_path().string() + '/';
}

// Protects the job's inputs (for as long as `inputs` lives, around one save) and checks
// the files the save would write, as the command line does before it writes: a target
// that is one of the inputs, or no regular file, is a usage error naming it.
int checkTargets(const torven_job& job, safefile::JobInputs& inputs, const std::vector<std::string>& targets,
                 torven_messages* messages)
{
    for (const auto& [role, path] : job.inputs)
        inputs.add(path, role);
    for (const std::string& target : targets) {
        std::string reason;
        if (!safefile::CheckTarget(target, reason)) {
            addMessage(messages, target + ": " + reason);
            return TORVEN_USAGE;
        }
    }
    return TORVEN_OK;
}

// Opens the reference database as the programs do when none is named: the user's choice,
// the user's data folder, then the programs' own folder (the one they are installed in)
// and the system's data folders.
void openReferenceDatabase(Application& app, const torven_options& options)
{
    if (options.import.databasePath) {
        app.OpenReferenceData(*options.import.databasePath);
        return;
    }
    std::string programs = libraryDirectory();
    if (!programs.empty()) {
        programs = (std::filesystem::path(programs) / TORVEN_PROGRAMS_FROM_LIBRARY).lexically_normal().string();
        if (programs.back() != '/')
            programs += '/';
    }
    const torven::DataFileSearch database = torven::FindReferenceDatabase(programs);
    app.OpenReferenceData(database.path, database.notFoundDetail());
}

// Runs an entry point's body; whatever it throws becomes a failure with a message, as the
// command line reports it.
template <typename Body>
int guarded(torven_messages* messages, Body&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        addMessage(messages, "Error reading file", "not enough memory");
    } catch (const std::exception& e) {
        addMessage(messages, e.what());
    } catch (...) {
        addMessage(messages, "unexpected failure");
    }
    return TORVEN_FAILED;
}

// ---- Tables from the results sheets ----

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

bool isDateCell(const results::ResultCell& cell)
{
    return cell.kind == results::ResultCell::Kind::Number && cell.format == results::CellFormat::Date
        && std::isfinite(cell.number);
}

// A cell with nothing the CSV file would show.
bool isBlank(const results::ResultCell& cell)
{
    using Kind = results::ResultCell::Kind;
    return cell.kind == Kind::Empty || cell.kind == Kind::Missing
        || (cell.kind == Kind::Number && !std::isfinite(cell.number)) || (cell.kind == Kind::Text && cell.text.empty());
}

// The rows after the header row of sheet as typed columns. A column is of dates when its
// every value is a date cell, of numbers when every value is a number, else of texts, each
// the CSV field's text; so that every value formatted as the CSV file formats it is the
// file's field.
torven_table* tableOfRows(std::string name, const std::vector<results::ResultRow>& rows, std::size_t headerRow)
{
    auto table = std::make_unique<torven_table>();
    table->name = std::move(name);
    if (headerRow >= rows.size())
        return table.release();
    const results::ResultRow& header = rows[headerRow];
    std::size_t width = header.size();
    for (std::size_t r = headerRow + 1; r < rows.size(); ++r)
        width = std::max(width, rows[r].size());
    table->rows = rows.size() - headerRow - 1;
    static const results::ResultCell empty;
    auto cellAt = [&](std::size_t r, std::size_t c) -> const results::ResultCell& {
        return c < rows[r].size() ? rows[r][c] : empty;
    };
    for (std::size_t c = 0; c < width; ++c) {
        torven_table::Column column;
        column.name = c < header.size() ? results::CsvFieldText(header[c]) : std::string();
        bool texts = false, dates = false, numbers = false;
        for (std::size_t r = headerRow + 1; r < rows.size(); ++r) {
            const results::ResultCell& cell = cellAt(r, c);
            if (isBlank(cell))
                continue;
            if (cell.kind == results::ResultCell::Kind::Text)
                texts = true;
            else if (isDateCell(cell))
                dates = true;
            else
                numbers = true;
        }
        if (texts || (dates && numbers)) {
            column.type = TORVEN_TEXT;
            for (std::size_t r = headerRow + 1; r < rows.size(); ++r) {
                const results::ResultCell& cell = cellAt(r, c);
                if (isBlank(cell))
                    column.texts.emplace_back();
                else
                    column.texts.emplace_back(results::CsvFieldText(cell));
            }
        } else {
            column.type = dates ? TORVEN_DATE : TORVEN_NUMBER;
            for (std::size_t r = headerRow + 1; r < rows.size(); ++r) {
                const results::ResultCell& cell = cellAt(r, c);
                if (isBlank(cell))
                    column.numbers.push_back(kMissing);
                else if (dates)
                    column.numbers.push_back(double(results::DateCellDays(cell)));
                else
                    column.numbers.push_back(cell.number);
            }
        }
        table->columns.push_back(std::move(column));
    }
    return table.release();
}

torven_table* tableOfSheet(const results::ResultSheet& sheet)
{
    return tableOfRows(sheet.name, sheet.rows, sheet.headerRow < 0 ? 0 : static_cast<std::size_t>(sheet.headerRow));
}

// The table of one of the job's results sheets (sheetOf(assessment)); null without a job,
// or when the table cannot be made.
template <typename SheetOf>
torven_table* jobSheetTable(const torven_job* job, SheetOf&& sheetOf)
{
    if (!job)
        return nullptr;
    try {
        return tableOfSheet(sheetOf(job->assessment));
    } catch (...) {
        return nullptr;
    }
}

torven_table::Column textColumn(std::string name)
{
    torven_table::Column column;
    column.name = std::move(name);
    column.type = TORVEN_TEXT;
    return column;
}

torven_table::Column numberColumn(std::string name)
{
    torven_table::Column column;
    column.name = std::move(name);
    column.type = TORVEN_NUMBER;
    return column;
}

// The options' checks that the command line makes before it reads the workbook: the
// chemistry defaults (the Default values dialog's messages) and the taxon map.
int checkJobOptions(const torven_options& options, DefaultValues& defaults,
                    std::shared_ptr<const taxa::TaxonMap>& taxonMap, torven_messages* messages)
{
    const DefaultValueTexts texts{options.alkalinityText, options.calciumText, options.docText};
    if (std::optional<DefaultValueRefusal> refusal = CheckDefaultValues(texts, defaults)) {
        addMessage(messages, refusal->message);
        return TORVEN_USAGE;
    }
    if (options.taxonMapPath) {
        auto map = std::make_shared<taxa::TaxonMap>();
        std::string error;
        if (!taxa::ReadTaxonMap(*options.taxonMapPath, *map, error)) {
            addMessage(messages, "the taxon map is not used: " + error);
            return TORVEN_USAGE;
        }
        taxonMap = std::move(map);
    }
    return TORVEN_OK;
}

const torven_options& optionsOrDefault(const torven_options* options)
{
    static const torven_options defaults;
    return options ? *options : defaults;
}

// The road of one job, as torven-cli assess runs it: the workbooks imported side by side
// and pooled, the analysis, the sites. TORVEN_OK with job set; else the messages say why.
int assessJob(const std::vector<JobWorkbook>& workbooks, const std::optional<std::string>& jobFile,
              const torven_options& options, torven_job*& job, torven_messages* messages)
{
    DefaultValues defaults;
    std::shared_ptr<const taxa::TaxonMap> taxonMap;
    if (int status = checkJobOptions(options, defaults, taxonMap, messages); status != TORVEN_OK)
        return status;

    auto made = std::make_unique<torven_job>();
    LibraryUser user(options.import.worksheet, &made->messages);
    Application app(user);
    openReferenceDatabase(app, options);

    JobImport imported = ImportJobWorkbooks(workbooks, app, user);
    auto fail = [&](int status) {
        if (messages)
            messages->list.insert(messages->list.end(), made->messages.list.begin(), made->messages.list.end());
        return status;
    };
    if (imported.usageError) {
        addMessage(&made->messages, *imported.usageError);
        return fail(TORVEN_USAGE);
    }
    if (!imported.samples)
        return fail(TORVEN_FAILED);
    Assessment& assessment = made->assessment;
    assessment.samples = std::move(*imported.samples);
    assessment.samples.defaultAlkalinity = defaults.alkalinityMgL;
    assessment.samples.defaultCalcium = defaults.calciumUeqL;
    assessment.samples.defaultDOC = defaults.docMgL;
    std::optional<Analysis> analysis = Analyse(assessment.samples, {taxonMap, options.taxonMapPath.value_or("")}, user);
    if (!analysis)
        return fail(TORVEN_FAILED);
    assessment.analysis = std::move(*analysis);
    assessment.sites = SummariseAllSites(assessment.samples, assessment.analysis, user);
    // The results are read from the analysis and the sites; the counts are not needed.
    assessment.samples.counts.reset();

    for (const JobWorkbook& workbook : workbooks)
        made->inputs.emplace_back("the sample workbook", workbook.path);
    if (jobFile)
        made->inputs.emplace_back("the job file", *jobFile);
    made->inputs.emplace_back("the reference database", app.referencePath);
    if (options.taxonMapPath)
        made->inputs.emplace_back("the taxon map", *options.taxonMapPath);
    made->summary = results::SummaryWithLineFeeds(SummaryText(assessment));
    made->provenance = results::ProvenanceLines(results::JobProvenance(assessment));
    for (const results::ResultSheet& sheet : results::SiteSheets(assessment))
        for (int index = 1; index <= 2; ++index)
            if (sheet.name == results::SiteSheetName(assessment, index))
                made->siteIndexNames.emplace_back(IndexName(assessment.samples.family, index));
    job = made.release();
    return TORVEN_OK;
}

}  // namespace

extern "C" {

const char* torven_version(void)
{
    return torven::kProductVersion;
}

torven_messages* torven_messages_new(void)
{
    return new (std::nothrow) torven_messages;
}

void torven_messages_free(torven_messages* messages)
{
    delete messages;
}

size_t torven_messages_count(const torven_messages* messages)
{
    return messages ? messages->list.size() : 0;
}

const char* torven_messages_text(const torven_messages* messages, size_t index)
{
    return messages && index < messages->list.size() ? messages->list[index].text.c_str() : nullptr;
}

const char* torven_messages_detail(const torven_messages* messages, size_t index)
{
    return messages && index < messages->list.size() ? messages->list[index].detail.c_str() : nullptr;
}

torven_options* torven_options_new(void)
{
    return new (std::nothrow) torven_options;
}

void torven_options_free(torven_options* options)
{
    delete options;
}

int torven_options_set(torven_options* options, const char* name, const char* value, torven_messages* messages)
{
    if (!options || !name || !value) {
        addMessage(messages, "an option needs a name and a value");
        return TORVEN_USAGE;
    }
    return guarded(messages, [&]() -> int {
        const std::string option = std::string("--") + name;
        if (IsImportOption(option)) {
            if (std::optional<std::string> refused = TakeImportOption(option, value, options->import)) {
                addMessage(messages, *refused);
                return TORVEN_USAGE;
            }
        } else if (option == "--alkalinity") {
            options->alkalinityText = value;
        } else if (option == "--calcium") {
            options->calciumText = value;
        } else if (option == "--doc") {
            options->docText = value;
        } else if (option == "--taxon-map") {
            options->taxonMapPath = value;
        } else if (option == "--limit") {
            std::optional<int> limit = parseCount(value);
            if (!limit || *limit < 1 || *limit > 5) {
                addMessage(messages, "--limit needs a number from 1 to 5, not '" + std::string(value) + "'");
                return TORVEN_USAGE;
            }
            options->limit = *limit;
        } else {
            addMessage(messages, "unknown option '" + std::string(name) + "'");
            return TORVEN_USAGE;
        }
        return int(TORVEN_OK);
    });
}

void torven_table_free(torven_table* table)
{
    delete table;
}

const char* torven_table_name(const torven_table* table)
{
    return table ? table->name.c_str() : nullptr;
}

size_t torven_table_rows(const torven_table* table)
{
    return table ? table->rows : 0;
}

size_t torven_table_columns(const torven_table* table)
{
    return table ? table->columns.size() : 0;
}

const char* torven_table_column_name(const torven_table* table, size_t column)
{
    return table && column < table->columns.size() ? table->columns[column].name.c_str() : nullptr;
}

int torven_table_column_type(const torven_table* table, size_t column)
{
    return table && column < table->columns.size() ? table->columns[column].type : -1;
}

const double* torven_table_numbers(const torven_table* table, size_t column)
{
    if (!table || column >= table->columns.size() || table->columns[column].type == TORVEN_TEXT)
        return nullptr;
    return table->columns[column].numbers.data();
}

const char* torven_table_text(const torven_table* table, size_t row, size_t column)
{
    if (!table || column >= table->columns.size() || row >= table->columns[column].texts.size())
        return nullptr;
    const std::optional<std::string>& text = table->columns[column].texts[row];
    return text ? text->c_str() : nullptr;
}

int torven_assess(const char* workbook, const torven_options* options, torven_job** job, torven_messages* messages)
{
    return torven_assess_workbooks(workbook ? &workbook : nullptr, 1, options, job, messages);
}

int torven_assess_workbooks(const char* const* workbooks, size_t count, const torven_options* given, torven_job** job,
                            torven_messages* messages)
{
    if (job)
        *job = nullptr;
    if (!job || !workbooks || count == 0) {
        addMessage(messages, "no workbook given");
        return TORVEN_USAGE;
    }
    for (size_t i = 0; i < count; ++i)
        if (!workbooks[i]) {
            addMessage(messages, "no workbook given");
            return TORVEN_USAGE;
        }
    return guarded(messages, [&]() -> int {
        const torven_options& options = optionsOrDefault(given);
        std::vector<JobWorkbook> named;
        for (size_t i = 0; i < count; ++i)
            named.push_back({workbooks[i], options.import.worksheet});
        return assessJob(named, std::nullopt, options, *job, messages);
    });
}

int torven_assess_job_file(const char* jobFile, const torven_options* given, torven_job** job,
                           torven_messages* messages)
{
    if (job)
        *job = nullptr;
    if (!job || !jobFile) {
        addMessage(messages, "no job file given");
        return TORVEN_USAGE;
    }
    return guarded(messages, [&]() -> int {
        const torven_options& options = optionsOrDefault(given);
        std::vector<JobWorkbook> named;
        if (std::optional<std::string> refused = ReadJobFile(jobFile, options.import.worksheet, named)) {
            addMessage(messages, *refused);
            return int(TORVEN_USAGE);
        }
        return assessJob(named, std::string(jobFile), options, *job, messages);
    });
}

void torven_job_free(torven_job* job)
{
    delete job;
}

const char* torven_job_summary(const torven_job* job)
{
    return job ? job->summary.c_str() : nullptr;
}

size_t torven_job_provenance_count(const torven_job* job)
{
    return job ? job->provenance.size() : 0;
}

const char* torven_job_provenance_line(const torven_job* job, size_t index)
{
    return job && index < job->provenance.size() ? job->provenance[index].c_str() : nullptr;
}

const torven_messages* torven_job_messages(const torven_job* job)
{
    return job ? &job->messages : nullptr;
}

size_t torven_job_site_table_count(const torven_job* job)
{
    return job ? job->siteIndexNames.size() : 0;
}

const char* torven_job_site_index(const torven_job* job, size_t index)
{
    return job && index < job->siteIndexNames.size() ? job->siteIndexNames[index].c_str() : nullptr;
}

torven_table* torven_job_samples(const torven_job* job)
{
    return jobSheetTable(job, results::SampleSummarySheet);
}

torven_table* torven_job_sites(const torven_job* job, size_t index)
{
    if (!job || index >= job->siteIndexNames.size())
        return nullptr;
    try {
        std::vector<results::ResultSheet> sheets = results::SiteSheets(job->assessment);
        return index < sheets.size() ? tableOfSheet(sheets[index]) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

torven_table* torven_job_quality(const torven_job* job)
{
    return jobSheetTable(job, results::SampleQualitySheet);
}

torven_table* torven_job_unscored_taxa(const torven_job* job)
{
    if (!job)
        return nullptr;
    try {
        // The list opens with an empty row, its title and another empty row, then its
        // header; no rows at all when every taxon has its scores.
        const std::vector<results::ResultRow> rows = results::LackingTaxaRows(job->assessment);
        return tableOfRows("Unscored taxa", rows, 3);
    } catch (...) {
        return nullptr;
    }
}

torven_table* torven_job_sources(const torven_job* job)
{
    return jobSheetTable(job, results::SourcesSheet);
}

int torven_job_save(const torven_job* job, const char* path, torven_messages* messages)
{
    if (!job || !path) {
        addMessage(messages, "no results file given");
        return TORVEN_USAGE;
    }
    return guarded(messages, [&]() -> int {
        if (results::IsJobWorkbook(job->assessment, path)) {
            addMessage(messages, results::kOwnWorkbookMessage, path);
            return int(TORVEN_USAGE);
        }
        safefile::JobInputs inputs;
        if (int status = checkTargets(*job, inputs, {path}, messages); status != TORVEN_OK)
            return status;
        LibraryUser user(WorksheetOptions{}, messages);
        return results::SaveResultsWorkbook(job->assessment, path, user) ? int(TORVEN_OK) : int(TORVEN_NOT_WRITTEN);
    });
}

int torven_job_write_csv(const torven_job* job, const char* folder, torven_messages* messages)
{
    if (!job || !folder) {
        addMessage(messages, "no folder given");
        return TORVEN_USAGE;
    }
    return guarded(messages, [&]() -> int {
        std::vector<std::string> targets;
        for (const std::string& name : results::ResultsCsvFileNames(job->assessment))
            targets.push_back((std::filesystem::path(folder) / name).string());
        safefile::JobInputs inputs;
        if (int status = checkTargets(*job, inputs, targets, messages); status != TORVEN_OK)
            return status;
        std::string error;
        if (!results::WriteResultsCsv(job->assessment, folder, error)) {
            addMessage(messages, error);
            return int(TORVEN_NOT_WRITTEN);
        }
        return int(TORVEN_OK);
    });
}

int torven_suggest(const char* workbook, const torven_options* given, torven_table** table, torven_messages* messages)
{
    if (!table || !workbook) {
        addMessage(messages, "no workbook given");
        return TORVEN_USAGE;
    }
    *table = nullptr;
    return guarded(messages, [&]() -> int {
        const torven_options& options = optionsOrDefault(given);
        LibraryUser user(options.import.worksheet, messages);
        Application app(user);
        openReferenceDatabase(app, options);
        const std::optional<ImportedSamples> samples = ImportSamples(workbook, app, user);
        if (!samples) {
            if (user.usageError()) {
                addMessage(messages, *user.usageError());
                return int(TORVEN_USAGE);
            }
            return int(TORVEN_FAILED);
        }
        auto made = std::make_unique<torven_table>();
        made->name = "Suggestions";
        for (const char* name : {"code", "name"})
            made->columns.push_back(textColumn(name));
        made->columns.push_back(numberColumn("rank"));
        for (const char* name : {"suggested code", "suggested name"})
            made->columns.push_back(textColumn(name));
        made->columns.push_back(numberColumn("score"));
        made->columns.push_back(textColumn("reason"));
        auto& c = made->columns;
        const UnmatchedTaxa unmatched = FindUnmatchedTaxa(*samples, static_cast<std::size_t>(options.limit));
        for (const UnmatchedTaxon& taxon : unmatched.taxa) {
            auto addRow = [&](const taxa::Suggestion* s) {
                c[0].texts.emplace_back(taxon.code);
                c[1].texts.emplace_back(taxon.name);
                c[2].numbers.push_back(s ? double(s->rank) : kMissing);
                c[3].texts.push_back(s ? std::optional<std::string>(s->code) : std::nullopt);
                c[4].texts.push_back(s ? std::optional<std::string>(s->name) : std::nullopt);
                c[5].numbers.push_back(s ? double(s->score) : kMissing);
                c[6].texts.push_back(s ? std::optional<std::string>(s->reason) : std::nullopt);
                ++made->rows;
            };
            if (taxon.suggestions.best.empty())
                addRow(nullptr);
            for (const taxa::Suggestion& s : taxon.suggestions.best)
                addRow(&s);
        }
        *table = made.release();
        return int(TORVEN_OK);
    });
}

int torven_taxa(const torven_options* given, torven_table** table, torven_messages* messages)
{
    if (!table) {
        addMessage(messages, "no table given");
        return TORVEN_USAGE;
    }
    *table = nullptr;
    return guarded(messages, [&]() -> int {
        const torven_options& options = optionsOrDefault(given);
        LibraryUser user(WorksheetOptions{}, messages);
        Application app(user);
        openReferenceDatabase(app, options);
        if (!app.masterTaxonList)
            return int(TORVEN_FAILED);
        const MemoryTable& list = *app.masterTaxonList;
        auto made = std::make_unique<torven_table>();
        made->name = "NBSMasterTaxonList_PhaseII";
        made->rows = static_cast<std::size_t>(list.rowCount);
        for (int col = 0; col < list.colCount; ++col) {
            torven_table::Column column;
            column.name = list.ColumnName(col);
            const int kind = list.ColumnKind(col);
            column.type = kind == MemoryTable::kindText ? TORVEN_TEXT
                : kind == MemoryTable::kindBool         ? TORVEN_LOGICAL
                                                        : TORVEN_NUMBER;
            for (int row = 0; row < list.rowCount; ++row) {
                switch (kind) {
                case MemoryTable::kindShort: {
                    int value = 0;
                    column.numbers.push_back(list.GetShort(row, col, value) ? double(value) : kMissing);
                    break;
                }
                case MemoryTable::kindLong: {
                    long value = 0;
                    column.numbers.push_back(list.GetLong(row, col, value) ? double(value) : kMissing);
                    break;
                }
                case MemoryTable::kindDouble: {
                    double value = 0;
                    column.numbers.push_back(list.GetDouble(row, col, value) ? value : kMissing);
                    break;
                }
                case MemoryTable::kindText: {
                    std::string value;
                    column.texts.push_back(list.GetString(row, col, value) ? std::optional<std::string>(value)
                                                                            : std::nullopt);
                    break;
                }
                case MemoryTable::kindBool: {
                    std::uint8_t value = 0;
                    column.numbers.push_back(list.GetBool(row, col, value) ? double(value) : kMissing);
                    break;
                }
                default: column.numbers.push_back(kMissing);
                }
            }
            made->columns.push_back(std::move(column));
        }
        *table = made.release();
        return int(TORVEN_OK);
    });
}

}  // extern "C"
