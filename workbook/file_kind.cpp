#include "workbook/file_kind.h"

#include "base/regular_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "workbook/xls/compound_file.h"

namespace wb {

namespace {

constexpr std::string_view kZipMagic("PK\x03\x04", 4);
constexpr std::string_view kEmptyZipMagic("PK\x05\x06", 4);
constexpr std::string_view kCompoundMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
// The end record of a zip directory: 22 bytes, then a comment of up to 65535 bytes.
constexpr std::size_t kZipEndSearchBytes = 22 + 65535;
// A compound file larger than this is not opened just to name its kind.
constexpr std::uintmax_t kMaxCompoundProbeBytes = std::uintmax_t{256} << 20;

constexpr const char* kSaveAsXlsx = "; open it in a spreadsheet program and save it as an .xlsx workbook";
constexpr const char* kPasswordProtected =
    "the workbook is encrypted (password protected); save it without a password and try again";

bool startsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

// An OpenDocument package stores its media type first and uncompressed, as the entry
// "mimetype" right after the first local header (30 bytes).
bool isOpenDocumentSpreadsheet(std::string_view head)
{
    return head.size() > 30 && head.substr(30).starts_with("mimetypeapplication/vnd.oasis.opendocument.spreadsheet");
}

// No NUL byte and no control character other than tab, line ends and form feed: a text
// file, in any 8-bit encoding or UTF-8. A UTF-16 byte order mark counts as text too.
bool looksLikeText(std::string_view head)
{
    if (startsWith(head, "\xFF\xFE") || startsWith(head, "\xFE\xFF"))
        return true;
    for (char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f')
            return false;
    }
    return true;
}

// Files a user might pick by mistake, by their first bytes.
const char* otherKind(std::string_view head)
{
    struct Kind {
        std::string_view magic;
        const char* name;
    };
    static const Kind kinds[] = {
        {std::string_view("\x89PNG", 4), "a PNG picture"},
        {std::string_view("\xFF\xD8\xFF", 3), "a JPEG picture"},
        {"GIF8", "a GIF picture"},
        {"%PDF", "a PDF document"},
        {std::string_view("\x1F\x8B", 2), "a gzip file"},
        {"Rar!", "a RAR archive"},
        {std::string_view("7z\xBC\xAF", 4), "a 7-Zip archive"},
        {"SQLite format 3", "an SQLite database"},
        {std::string_view("\x00\x01\x00\x00Standard Jet DB", 19), "an Access database"},
        {std::string_view("\x00\x01\x00\x00Standard ACE DB", 19), "an Access database"},
    };
    for (const Kind& kind : kinds)
        if (startsWith(head, kind.magic))
            return kind.name;
    return nullptr;
}

// Whether the zip file ends with the record that its directory needs: a zip cut short
// (a copy or download that stopped) loses that record first.
bool zipHasEndRecord(std::ifstream& in, std::uintmax_t size)
{
    const std::uintmax_t tail = std::min<std::uintmax_t>(size, kZipEndSearchBytes);
    std::string bytes(static_cast<std::size_t>(tail), '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(size - tail));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(tail)))
        return true;  // unreadable here: let the reader say so
    return bytes.rfind(kEmptyZipMagic) != std::string::npos;
}

// A compound file given an .xlsx name: Office wraps a password-protected .xlsx in one,
// with the stream EncryptionInfo; any other is most likely an .xls workbook renamed.
std::string compoundFileReason(const std::string& path, std::uintmax_t size)
{
    const std::string unsure = "the file is not an .xlsx workbook (it is an .xls workbook or a password-protected file)";
    if (size > kMaxCompoundProbeBytes)
        return unsure;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        return unsure;
    CompoundFile container;
    std::string ignored;
    if (!container.open(std::move(bytes), ignored))
        return unsure;
    if (container.hasStream("EncryptionInfo"))
        return kPasswordProtected;
    if (container.hasStream("Workbook") || container.hasStream("Book"))
        return "it is an Excel 97-2003 workbook named like an .xlsx workbook; give it the extension .xls";
    return "the file is not a workbook (a compound file of another program, such as a Word 97-2003 document)";
}

}  // namespace

bool CheckWorkbookFile(const std::string& path, Book::FileFormat format, std::string& reason)
{
    namespace fs = std::filesystem;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int code = errno;
        const fs::path parent = fs::path(path).parent_path();
        std::error_code ec;
        if (code == ENOENT && !parent.empty() && !fs::is_directory(parent, ec))
            reason = "the folder " + parent.string() + " does not exist";
        else if (code == ENOENT)
            reason = "the file does not exist";
        else
            reason = std::strerror(code);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        reason = "it is a folder, not a file";
        return false;
    }
    // A FIFO would block the open below until a writer came; a device such as /dev/zero
    // has no size to judge and never ends.
    if (!S_ISREG(st.st_mode)) {
        reason = std::string(kNotRegularFile) + " (a pipe, a device or a socket), not a workbook";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::strerror(errno != 0 ? errno : EACCES);
        return false;
    }
    const auto size = static_cast<std::uintmax_t>(st.st_size);
    if (size == 0) {
        reason = "the file is empty";
        return false;
    }
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));

    if (startsWith(head, kZipMagic) || startsWith(head, kEmptyZipMagic)) {
        if (isOpenDocumentSpreadsheet(head)) {
            reason = std::string("it is an OpenDocument spreadsheet (.ods), which this program does not read") + kSaveAsXlsx;
            return false;
        }
        if (format == Book::FileFormat::Xls) {
            reason = "it is not an Excel 97-2003 workbook but a zip file (an .xlsx workbook needs the extension .xlsx)";
            return false;
        }
        if (!zipHasEndRecord(in, size)) {
            reason = "the file is truncated (the end of its zip directory is missing)";
            return false;
        }
        return true;
    }
    if (startsWith(head, kCompoundMagic)) {
        if (format == Book::FileFormat::Xlsx) {
            reason = compoundFileReason(path, size);
            return false;
        }
        return true;
    }
    if (const char* kind = otherKind(head)) {
        reason = std::string("it is ") + kind + ", not a workbook";
        return false;
    }
    if (looksLikeText(head)) {
        reason = std::string("it is a text file (such as a .csv file), which this program does not read") + kSaveAsXlsx;
        return false;
    }
    reason = format == Book::FileFormat::Xls ? "it is not a workbook (not an Excel 97-2003 .xls file)"
                                              : "it is not a workbook (not a zip file, as an .xlsx workbook is)";
    return false;
}

}  // namespace wb
