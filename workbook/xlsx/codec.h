#pragma once

#include <string>

#include "workbook/cells/cell_store.h"
#include "workbook/cells/read_progress.h"
#include "workbook/layout.h"

namespace wb {

// The .xlsx back end. Each returns false with a reason in `error` and leaves `out` empty on
// failure; the writer never leaves a partly written file at path. The reader counts what
// it reads in `progress` (when given); a read it stops fails with kReadCancelled.
bool readXlsxFile(const std::string& path, WorkbookData& out, std::string& error, ReadProgress* progress = nullptr);
// The layout (fonts, column widths, panes, page set-up, properties) is written as far as
// the format allows; a book written without one has the format's defaults.
bool writeXlsxFile(const WorkbookData& book, const BookLayout& layout, const std::string& path, std::string& error);
inline bool writeXlsxFile(const WorkbookData& book, const std::string& path, std::string& error)
{
    return writeXlsxFile(book, BookLayout{}, path, error);
}

}  // namespace wb
