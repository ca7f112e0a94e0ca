#include "results/results_csv.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

#include "results/assessment.h"
#include "base/ascii_case.h"
#include "base/civil_date.h"
#include "base/output_folder.h"
#include "base/safe_file.h"
#include "matrix/number_format.h"
#include "results/provenance.h"
#include "results/results_workbook.h"
#include "results/sample_quality_sheet.h"
#include "results/sources_sheet.h"

namespace results {

std::string CsvFileName(const std::string& sheetName)
{
    std::string name;
    name.reserve(sheetName.size() + 4);
    for (char c : sheetName)
        name += c == ' ' ? '-' : foldAscii(c);
    return name + ".csv";
}

std::string ChartFileStem(const chart::SiteChartData& data)
{
    std::string name = CsvFileName(chart::ChartCaption(data));
    name.resize(name.size() - 4);  // without ".csv"
    return name;
}

std::vector<std::string> HistoryFileStems(const chart::SiteHistoryData& data)
{
    std::string stem = CsvFileName(chart::HistoryCaption(data));
    stem.resize(stem.size() - 4);
    std::vector<std::string> stems;
    for (const chart::HistoryPage& page : chart::HistoryPages(data))
        stems.push_back(page.of == 0 ? stem : stem + "-" + std::to_string(page.number));
    return stems;
}

std::int64_t DateCellDays(const ResultCell& cell)
{
    return static_cast<std::int64_t>(std::floor(cell.number)) - civil::kDaysFrom1899To1970;
}

std::string CsvFieldText(const ResultCell& cell)
{
    switch (cell.kind) {
    case ResultCell::Kind::Text: return cell.text;
    case ResultCell::Kind::Number:
        // A date cell as the date it shows, which a reader of the file need not work out.
        if (cell.format == CellFormat::Date && std::isfinite(cell.number))
            return civil::IsoDateText(civil::DateFromDays(DateCellDays(cell)));
        // As in the workbook, where a value that is not a finite number leaves its cell empty.
        return std::isfinite(cell.number) ? numtext::g17(cell.number) : std::string();
    case ResultCell::Kind::Empty:
    case ResultCell::Kind::Missing: break;
    }
    return std::string();
}

namespace {

void appendQuoted(std::string& out, const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

bool IsCsvExportName(const std::string& fileName)
{
    return fileName == "sample-summary.csv" || fileName == "job-summary.txt" || fileName == "sample-quality.csv" || fileName == "sources.csv"
        || (fileName.starts_with("uncertainty-") && fileName.ends_with(".csv"));
}

std::string CsvText(const ResultSheet& sheet)
{
    std::size_t width = 0;
    for (const ResultRow& row : sheet.rows)
        width = std::max(width, row.size());
    std::string out;
    for (const ResultRow& row : sheet.rows) {
        for (std::size_t c = 0; c < width; ++c) {
            if (c > 0)
                out += ',';
            if (c < row.size())
                appendQuoted(out, CsvFieldText(row[c]));
        }
        out += '\n';
    }
    return out;
}

std::string SummaryWithLineFeeds(const std::string& summary)
{
    std::string out;
    out.reserve(summary.size() + 1);
    for (std::size_t i = 0; i < summary.size(); ++i) {
        if (summary[i] == '\r' && i + 1 < summary.size() && summary[i + 1] == '\n')
            continue;
        out += summary[i];
    }
    out += '\n';
    return out;
}

std::string JobSummaryText(const Assessment& job)
{
    std::string out = SummaryWithLineFeeds(SummaryText(job));
    for (const ResultRow& row : LackingTaxaRows(job)) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += '\t';
            out += CsvFieldText(row[c]);
        }
        out += '\n';
    }
    out += '\n';
    for (const std::string& line : ProvenanceLines(JobProvenance(job)))
        out += line + '\n';
    return out;
}

namespace {

// The tables of the CSV export, in the order of the results workbook's sheets.
std::vector<ResultSheet> exportTables(const Assessment& job)
{
    std::vector<ResultSheet> tables;
    tables.push_back(SampleSummarySheet(job));
    std::vector<ResultSheet> sites = SiteSheets(job);
    tables.insert(tables.end(), std::make_move_iterator(sites.begin()), std::make_move_iterator(sites.end()));
    tables.push_back(SampleQualitySheet(job));
    tables.push_back(SourcesSheet(job));
    return tables;
}

}  // namespace

std::vector<std::string> ResultsCsvFileNames(const Assessment& job)
{
    std::vector<std::string> names;
    for (const ResultSheet& table : exportTables(job))
        names.push_back(CsvFileName(table.name));
    names.push_back("job-summary.txt");
    return names;
}

bool WriteResultsCsv(const Assessment& job, const std::string& folder, std::string& error)
{
    namespace fs = std::filesystem;
    if (!CreateOutputFolder(folder, error))
        return false;
    const fs::path dir(folder);
    const std::vector<ResultSheet> tables = exportTables(job);
    std::vector<std::pair<std::string, std::string>> files;
    for (const ResultSheet& table : tables)
        files.emplace_back(CsvFileName(table.name), CsvText(table));
    files.emplace_back("job-summary.txt", JobSummaryText(job));
    // A sample workbook that happens to carry one of these names is never replaced.
    for (const auto& [name, text] : files) {
        const std::string target = (dir / name).string();
        if (IsJobWorkbook(job, target)) {
            error = "Cannot write " + target + ": it is the sample workbook of this job";
            return false;
        }
    }
    std::vector<std::pair<std::string, std::string_view>> set;
    for (const auto& [name, text] : files)
        set.emplace_back(name, text);
    if (!safefile::ReplaceFileSet(folder, set, IsCsvExportName, error)) {
        error = "Cannot write " + error;
        return false;
    }
    return true;
}

}  // namespace results
