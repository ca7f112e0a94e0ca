#pragma once

#include <string>

#include "workbook/book.h"

namespace wb {

// The checks made before a workbook file is handed to its reader, so that a file which
// is plainly not a workbook of the expected format is refused with the reason a user can
// act on: a missing file or folder, a folder, an empty file, a text (.csv) file, an
// OpenDocument (.ods) spreadsheet, a password-protected workbook, a zip file cut short,
// a picture or a document of another kind, or the other workbook format under this
// one's extension. False with that reason; true when the reader should try the file
// (its own reasons then say what is wrong inside it).
bool CheckWorkbookFile(const std::string& path, Book::FileFormat format, std::string& reason);

}  // namespace wb
