#include "base/lock_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace {

// A lock file is a few hundred bytes; more than this is not one worth reading.
constexpr std::size_t kLockFileBytes = 4096;

std::string readHead(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(kLockFileBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(in ? bytes.size() : static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    return bytes;
}

// A name shown in a question: printable, without control characters, trimmed.
std::string shownName(std::string_view name)
{
    std::string shown;
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)
            shown += c;
    const std::size_t first = shown.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return shown.substr(first, shown.find_last_not_of(' ') - first + 1);
}

bool isFile(const std::filesystem::path& path)
{
    std::error_code noThrow;
    return std::filesystem::is_regular_file(path, noThrow);
}

}  // namespace

std::string LibreOfficeLockHolder(std::string_view text)
{
    // "Jane Doe,jdoe,host,09.12.2026 08:30,file:///home/jdoe/.config/libreoffice/4;": the
    // fields end at a comma, the record at a semicolon, and a backslash takes the next
    // character as it is (LibreOffice's own escape, not CSV quoting).
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < text.size() && fields.size() <= 2; ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size())
            fields.back() += text[++i];
        else if (c == ',')
            fields.emplace_back();
        else if (c == ';' || c == '\n' || c == '\r')
            break;
        else
            fields.back() += c;
    }
    for (std::size_t i = 0; i < fields.size() && i < 2; ++i)
        if (std::string name = shownName(fields[i]); !name.empty())
            return name;
    return std::string();
}

std::string ExcelLockHolder(std::string_view bytes)
{
    if (bytes.empty())
        return std::string();
    const std::size_t length = static_cast<unsigned char>(bytes[0]);
    if (length == 0 || length >= bytes.size() || length > 54)
        return std::string();
    return shownName(bytes.substr(1, length));
}

std::optional<FileLock> FindFileLock(const std::string& path)
{
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.parent_path();
    const std::string name = target.filename().string();
    if (name.empty())
        return std::nullopt;
    const std::filesystem::path libreOffice = folder / (".~lock." + name + "#");
    if (isFile(libreOffice))
        return FileLock{libreOffice.string(), LibreOfficeLockHolder(readHead(libreOffice))};
    const std::filesystem::path excel = folder / ("~$" + name);
    if (isFile(excel))
        return FileLock{excel.string(), ExcelLockHolder(readHead(excel))};
    return std::nullopt;
}
