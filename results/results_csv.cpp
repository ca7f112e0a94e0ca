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

#include "app/tvn_doc.h"
#include "matrix/number_format.h"

namespace results {

std::string CsvFileName(const std::string& sheetName)
{
    std::string name;
    name.reserve(sheetName.size() + 4);
    for (char c : sheetName) {
        if (c == ' ')
            name += '-';
        else if (c >= 'A' && c <= 'Z')
            name += static_cast<char>(c - 'A' + 'a');
        else
            name += c;
    }
    return name + ".csv";
}

namespace {

std::string fieldText(const ResultCell& cell)
{
    switch (cell.kind) {
    case ResultCell::Kind::Text: return cell.text;
    case ResultCell::Kind::Number:
        // As in the workbook, where a value that is not a finite number leaves its cell empty.
        return std::isfinite(cell.number) ? numtext::g17(cell.number) : std::string();
    case ResultCell::Kind::Empty:
    case ResultCell::Kind::Missing: break;
    }
    return std::string();
}

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

// Closes the stream and removes the temporary file unless the write was committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
        : pattern_((target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string())
    {
        int fd = mkstemp(pattern_.data());
        if (fd < 0)
            return;
        // mkstemp makes the file private; a results file gets the usual permissions.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        stream_ = fdopen(fd, "wb");
        if (!stream_)
            ::close(fd);
        created_ = true;
    }
    ~TemporaryFile()
    {
        if (stream_)
            std::fclose(stream_);
        if (created_ && !committed_)
            std::remove(pattern_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool ok() const { return stream_ != nullptr; }
    bool write(const std::string& bytes)
    {
        return std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size();
    }
    // Flushes, closes and moves the file over target.
    bool commit(const std::filesystem::path& target)
    {
        FILE* stream = stream_;
        stream_ = nullptr;
        if (std::fflush(stream) != 0 || fsync(fileno(stream)) != 0) {
            std::fclose(stream);
            return false;
        }
        if (std::fclose(stream) != 0)
            return false;
        if (std::rename(pattern_.c_str(), target.c_str()) != 0)
            return false;
        committed_ = true;
        return true;
    }

private:
    std::string pattern_;
    FILE* stream_ = nullptr;
    bool created_ = false;
    bool committed_ = false;
};

bool writeWhole(const std::filesystem::path& target, const std::string& bytes, std::string& error)
{
    errno = 0;
    TemporaryFile file(target);
    if (!file.ok() || !file.write(bytes) || !file.commit(target)) {
        error = "Cannot write " + target.string() + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

}  // namespace

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
                appendQuoted(out, fieldText(row[c]));
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

std::string JobSummaryText(const CTVNDoc& job)
{
    std::string out = SummaryWithLineFeeds(job.summary);
    for (const ResultRow& row : LackingTaxaRows(job)) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += '\t';
            out += fieldText(row[c]);
        }
        out += '\n';
    }
    return out;
}

bool WriteResultsCsv(const CTVNDoc& job, const std::string& folder, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        error = "Cannot create the folder " + folder + (ec ? ": " + ec.message() : std::string(": not a folder"));
        return false;
    }
    const fs::path dir(folder);
    std::vector<ResultSheet> tables;
    tables.push_back(SampleSummarySheet(job));
    std::vector<ResultSheet> sites = SiteSheets(job);
    tables.insert(tables.end(), std::make_move_iterator(sites.begin()), std::make_move_iterator(sites.end()));
    for (const ResultSheet& table : tables) {
        if (!writeWhole(dir / CsvFileName(table.name), CsvText(table), error))
            return false;
    }
    return writeWhole(dir / "job-summary.txt", JobSummaryText(job), error);
}

}  // namespace results
