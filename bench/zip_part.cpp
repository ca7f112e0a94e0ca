#include "bench/zip_part.h"

namespace bench_zip {

bool AddPart(zipFile zip, const char* name, const std::string& bytes)
{
    zip_fileinfo info{};
    return zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6, 1) == ZIP_OK
        && zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())) == ZIP_OK
        && zipCloseFileInZip(zip) == ZIP_OK;
}

}  // namespace bench_zip
