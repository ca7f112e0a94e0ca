#pragma once

#include <string>
#include <vector>

#include "workbook/cells/cell_store.h"
#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// Streams one worksheet part into `sheet`: only the cells are kept, whatever the size
// of the part's XML. Rows and cells without an r attribute follow the one before;
// a cell without a value is blank when it has a style, else not stored; a formula
// cell keeps its cached result (none cached: not stored). The <dimension> record is
// ignored: the sheet's ends come from the cells present.
bool readSheet(ZipArchive& zip, const std::string& part, const std::vector<std::string>& sharedStrings,
               SheetData& sheet, std::string& error);

}  // namespace wb::xlsx
