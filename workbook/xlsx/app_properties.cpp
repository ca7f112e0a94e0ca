#include "workbook/xlsx/app_properties.h"

#include <unzip.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace wb::xlsx {

namespace {

constexpr char kAppPart[] = "docProps/app.xml";
constexpr std::size_t kChunkBytes = 64 * 1024;

struct UnzipCloser {
    void operator()(void* unz) const { unzClose(unz); }
};
struct ZipCloser {
    void operator()(void* zip) const { zipClose(zip, nullptr); }
};

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// The bytes of the current entry, raw (as stored) or inflated.
bool readEntry(unzFile unz, bool raw, std::string& out)
{
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(unz, &method, &level, raw ? 1 : 0) != UNZ_OK)
        return false;
    std::vector<char> chunk(kChunkBytes);
    int n = 0;
    while ((n = unzReadCurrentFile(unz, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0)
        out.append(chunk.data(), static_cast<std::size_t>(n));
    const bool closed = unzCloseCurrentFile(unz) == UNZ_OK;
    // A raw read cannot check the CRC, which the close reports as an error.
    return n == 0 && (closed || raw);
}

// The failure of a step: the system's reason when it gave one (a full disk, a file-size
// limit), as every other save says it, else the step.
std::string withReason(const std::string& what, int systemError)
{
    return systemError != 0 ? std::string(std::strerror(systemError)) : what;
}

}  // namespace

bool copyWithApplication(const std::string& from, const std::string& to, const std::string& application,
                         std::string& error)
{
    std::unique_ptr<void, UnzipCloser> unz(unzOpen64(from.c_str()));
    if (!unz) {
        error = "the written package cannot be read back";
        return false;
    }
    errno = 0;
    std::unique_ptr<void, ZipCloser> zip(zipOpen64(to.c_str(), APPEND_STATUS_CREATE));
    if (!zip) {
        error = withReason("the package cannot be rewritten", errno);
        return false;
    }
    for (int more = unzGoToFirstFile(unz.get()); more == UNZ_OK; more = unzGoToNextFile(unz.get())) {
        unz_file_info64 info{};
        char name[512];
        if (unzGetCurrentFileInfo64(unz.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
            error = "the written package cannot be read back";
            return false;
        }
        zip_fileinfo stamp{};
        stamp.tmz_date.tm_sec = info.tmu_date.tm_sec;
        stamp.tmz_date.tm_min = info.tmu_date.tm_min;
        stamp.tmz_date.tm_hour = info.tmu_date.tm_hour;
        stamp.tmz_date.tm_mday = info.tmu_date.tm_mday;
        stamp.tmz_date.tm_mon = info.tmu_date.tm_mon;
        stamp.tmz_date.tm_year = info.tmu_date.tm_year;
        stamp.dosDate = info.dosDate;

        const bool isApp = std::string(name) == kAppPart;
        std::string bytes;
        if (!readEntry(unz.get(), !isApp, bytes)) {
            error = std::string("the part ") + name + " of the written package cannot be read back";
            return false;
        }
        if (isApp) {
            const std::string open = "<Application>", close = "</Application>";
            const std::size_t begin = bytes.find(open);
            const std::size_t end = begin == std::string::npos ? begin : bytes.find(close, begin);
            if (end != std::string::npos)
                bytes.replace(begin + open.size(), end - begin - open.size(), xmlEscaped(application));
        }
        const int method = isApp ? Z_DEFLATED : static_cast<int>(info.compression_method);
        const int raw = isApp ? 0 : 1;
        errno = 0;
        if (zipOpenNewFileInZip2(zip.get(), name, &stamp, nullptr, 0, nullptr, 0, nullptr, method,
                                 Z_DEFAULT_COMPRESSION, raw) != ZIP_OK ||
            zipWriteInFileInZip(zip.get(), bytes.data(), static_cast<unsigned>(bytes.size())) != ZIP_OK ||
            (isApp ? zipCloseFileInZip(zip.get())
                   : zipCloseFileInZipRaw(zip.get(), static_cast<uLong>(info.uncompressed_size),
                                          static_cast<uLong>(info.crc))) != ZIP_OK) {
            error = withReason("the package cannot be rewritten", errno);
            return false;
        }
    }
    errno = 0;
    if (zipClose(zip.release(), nullptr) != ZIP_OK) {
        error = withReason("the package cannot be rewritten", errno);
        return false;
    }
    return true;
}

}  // namespace wb::xlsx
