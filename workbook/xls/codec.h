#pragma once

#include <string>

#include "workbook/cells/cell_store.h"

namespace wb {

// The .xls back end. Each returns false with a reason in `error` and leaves `out` empty on
// failure; the writer never leaves a partly written file at path.
bool readXlsFile(const std::string& path, WorkbookData& out, std::string& error);
bool writeXlsFile(const WorkbookData& book, const std::string& path, std::string& error);

}  // namespace wb
