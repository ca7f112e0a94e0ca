#pragma once

#include <string>
#include <vector>

#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// The shared-string table: each entry's plain text, the runs of a rich text joined,
// its phonetic (ruby) runs left out and _xHHHH_ escapes decoded.
bool readSharedStrings(ZipArchive& zip, const std::string& part, std::vector<std::string>& strings,
                       std::string& error);

}  // namespace wb::xlsx
