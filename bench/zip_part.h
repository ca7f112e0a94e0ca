#pragma once

#include <zip.h>

#include <string>

namespace bench_zip {

// Adds one deflated part to a package being written by the benchmarks' workbook makers.
bool AddPart(zipFile zip, const char* name, const std::string& bytes);

}  // namespace bench_zip
