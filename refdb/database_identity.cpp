#include "refdb/database_identity.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/ascii_case.h"
#include "base/civil_date.h"
#include "base/sha256.h"
#include "refdb/ado_database.h"
#include "refdb/ado_recordset.h"

const char* const kDemonstrationDataLine = "Reference database: demonstration data, not for reporting";

namespace {

bool saysDemonstrationData(const std::string& value)
{
    static const std::string words = "demonstration data";
    if (value.size() < words.size())
        return false;
    for (std::size_t at = 0; at + words.size() <= value.size(); ++at)
        if (equalsIgnoringCase(std::string_view(value).substr(at, words.size()), words))
            return true;
    return false;
}

std::string groupedThousands(std::uintmax_t value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

bool hasTable(CADODatabase& database, const std::string& name)
{
    std::vector<std::string> names;
    if (!database.GetTableNames(names))
        return false;
    for (const std::string& table : names)
        if (table == name)
            return true;
    return false;
}

}  // namespace

bool ReadDatabaseIdentity(const std::string& path, CADODatabase& database, DatabaseIdentity& identity,
                          std::string& error)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        error = std::strerror(errno);
        return false;
    }
    DatabaseIdentity read;
    read.fileName = std::filesystem::path(path).filename().string();
    read.sizeBytes = static_cast<std::uintmax_t>(status.st_size);
    read.modifiedUtc = civil::UtcTimeText(static_cast<std::int64_t>(status.st_mtime));
    if (!Sha256OfFile(path, read.sha256, error))
        return false;

    if (database.IsOpen() && hasTable(database, "Version")) {
        CADORecordset recordset(database);
        if (recordset.Open("Version", CADORecordset::modeTable) && !recordset.IsEOF()) {
            for (int field = 0; field < recordset.GetFieldCount(); ++field) {
                FieldInfo info;
                std::string value;
                recordset.GetFieldInfo(field, info);
                // A null or unreadable value is shown empty: the row is still worth naming.
                if (!recordset.GetFieldValue(field, value))
                    value.clear();
                read.demonstration = read.demonstration || saysDemonstrationData(value);
                read.version.emplace_back(std::string(info.name), value);
            }
        }
    }
    identity = std::move(read);
    return true;
}

std::vector<std::string> DatabaseIdentityLines(const DatabaseIdentity& identity, long masterTaxonRows)
{
    std::vector<std::string> lines;
    lines.push_back("Reference database: " + identity.fileName + " (" + groupedThousands(identity.sizeBytes) +
                    " bytes, modified " + identity.modifiedUtc + ")");
    lines.push_back("Reference database SHA-256: " + identity.sha256);
    if (masterTaxonRows >= 0)
        lines.push_back("Master taxon list: " + std::to_string(masterTaxonRows) + " rows");
    if (!identity.version.empty()) {
        std::string line = "Database version: ";
        for (std::size_t i = 0; i < identity.version.size(); ++i)
            line += (i ? "; " : "") + identity.version[i].first + " = " + identity.version[i].second;
        lines.push_back(line);
    }
    if (identity.demonstration)
        lines.push_back(kDemonstrationDataLine);
    return lines;
}
