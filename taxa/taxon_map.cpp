#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include "base/ascii_case.h"
#include "base/csv.h"
#include "base/regular_file.h"
#include "base/safe_file.h"
#include "taxa/taxa.h"
#include "taxa/taxon_name.h"

namespace taxa {

namespace {

// A map holds one line per taxon of a workbook; a file far larger than any workbook's
// taxa could fill is not a map.
constexpr std::size_t kMaxMapBytes = 16u << 20;

// Codes are matched whole; a line break or other control character in one is a damaged
// file, not a code.
bool hasControl(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return std::string(text);
}

std::string located(std::size_t line, const std::string& reason)
{
    return "line " + std::to_string(line) + ": " + reason;
}

}  // namespace

bool ParseTaxonMap(std::string_view text, TaxonMap& map, std::string& error)
{
    error.clear();
    if (text.size() > kMaxMapBytes) {
        error = "a taxon map is a small file; this one holds " + std::to_string(text.size()) + " bytes";
        return false;
    }
    if (!IsUtf8(text)) {
        error = "the file is not UTF-8 text";
        return false;
    }
    static constexpr const char* kColumns[] = {"code", "mapped code", "name", "mapped name", "reason"};
    TaxonMap read;
    bool headerRead = false;
    std::unordered_map<std::string, std::size_t> lineOfCode;  // folded code -> index
    std::size_t errorLine = 0;
    std::string reason;
    const bool parsed = csv::forEachRecord(
        text,
        [&](csv::Record& record) {
            errorLine = record.line;
            if (!headerRead) {
                headerRead = true;
                bool header = record.fields.size() == 5;
                for (std::size_t k = 0; header && k < 5; ++k)
                    header = equalsIgnoringCase(trimmed(record.fields[k].text), kColumns[k]);
                if (!header)
                    reason = "the first line must be the header \"" + std::string(kTaxonMapHeader) + "\"";
                return header;
            }
            if (record.fields.size() != 5) {
                reason = std::to_string(record.fields.size()) + (record.fields.size() == 1 ? " field" : " fields") +
                         ", but a map line has 5: " + std::string(kTaxonMapHeader);
                return false;
            }
            MapLine line;
            line.code = std::move(record.fields[0].text);
            line.mappedCode = std::move(record.fields[1].text);
            line.name = std::move(record.fields[2].text);
            line.mappedName = std::move(record.fields[3].text);
            line.reason = std::move(record.fields[4].text);
            line.line = record.line;
            if (line.code.empty()) {
                reason = "the code is empty";
                return false;
            }
            if (line.mappedCode.empty()) {
                reason = "the mapped code of " + line.code + " is empty";
                return false;
            }
            if (hasControl(line.code) || hasControl(line.mappedCode)) {
                reason = "a code holds a line break or another control character";
                return false;
            }
            auto [it, added] = lineOfCode.try_emplace(foldedCopy(line.code), read.lines.size());
            if (!added) {
                const MapLine& first = read.lines[it->second];
                // The same choice written twice is harmless; two choices for one code are not.
                if (!equalsIgnoringCase(first.mappedCode, line.mappedCode)) {
                    reason = "code " + line.code + " is mapped to " + line.mappedCode + " here and to " +
                             first.mappedCode + " on line " + std::to_string(first.line);
                    return false;
                }
                return true;
            }
            read.lines.push_back(std::move(line));
            return true;
        },
        errorLine, reason);
    if (!parsed) {
        error = located(errorLine, reason);
        return false;
    }
    if (!headerRead) {
        error = located(1, "the file is empty; a taxon map begins with the header \"" + std::string(kTaxonMapHeader) +
                               "\"");
        return false;
    }
    map = std::move(read);
    return true;
}

bool ReadTaxonMap(const std::string& path, TaxonMap& map, std::string& error)
{
    std::string reason;
    const int fd = OpenRegularFile(path, reason);
    if (fd < 0) {
        error = path + (reason == kNotRegularFile ? ": " + reason : std::string(": cannot be opened"));
        return false;
    }
    // Read at most one byte past the limit, so that a huge file is refused without being held.
    std::string text(kMaxMapBytes + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t n = ::read(fd, text.data() + size, text.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            error = path + ": cannot be read";
            return false;
        }
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    if (size > kMaxMapBytes) {
        // Named by the file's own size, not by the part of it read.
        struct stat st {};
        const long long whole = ::fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : static_cast<long long>(size);
        ::close(fd);
        error = path + ": a taxon map is a small file; this one holds " + std::to_string(whole) + " bytes";
        return false;
    }
    ::close(fd);
    text.resize(size);
    if (!ParseTaxonMap(text, map, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string TaxonMapBeside(const std::string& workbookPath)
{
    std::filesystem::path path(workbookPath);
    path.replace_extension(".taxa.csv");
    return path.string();
}

std::string TaxonMapText(const TaxonMap& map)
{
    std::string text(kTaxonMapHeader);
    text += '\n';
    for (const MapLine& line : map.lines) {
        csv::appendField(text, line.code);
        text += ',';
        csv::appendField(text, line.mappedCode);
        text += ',';
        csv::appendField(text, line.name);
        text += ',';
        csv::appendField(text, line.mappedName);
        text += ',';
        csv::appendField(text, line.reason);
        text += '\n';
    }
    return text;
}

bool WriteTaxonMap(const std::string& path, const TaxonMap& map, std::string& error)
{
    if (!safefile::WriteFile(path, TaxonMapText(map), error)) {
        error = "Cannot write " + path + ": " + error;
        return false;
    }
    return true;
}

const MapLine* FindMapLine(const TaxonMap& map, std::string_view code)
{
    for (const MapLine& line : map.lines)
        if (equalsIgnoringCase(line.code, code))
            return &line;
    return nullptr;
}

std::vector<MapProblem> CheckTaxonMap(const TaxonMap& map, const std::vector<ListRow>& list)
{
    std::unordered_map<std::string, std::size_t> listCodes;
    for (std::size_t row = 0; row < list.size(); ++row)
        listCodes.try_emplace(foldedCopy(list[row].code), row);
    std::vector<MapProblem> problems;
    for (std::size_t k = 0; k < map.lines.size(); ++k) {
        const MapLine& line = map.lines[k];
        if (listCodes.count(foldedCopy(line.code))) {
            problems.push_back({MapProblem::Kind::CodeMatchesList, k, line.line,
                                located(line.line, "code " + line.code +
                                                       " is in the master taxon list itself; the map line is not used")});
        } else if (!listCodes.count(foldedCopy(line.mappedCode))) {
            problems.push_back({MapProblem::Kind::TargetNotInList, k, line.line,
                                located(line.line, "mapped code " + line.mappedCode + " of " + line.code +
                                                       " is not in the master taxon list; the map line is not used")});
        }
    }
    return problems;
}

}  // namespace taxa
