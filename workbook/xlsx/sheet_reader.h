#pragma once

#include <string>
#include <vector>

#include "workbook/cells/cell_store.h"
#include "workbook/cells/cell_visitor.h"
#include "workbook/cells/read_progress.h"
#include "workbook/xlsx/read_budget.h"
#include "workbook/xlsx/shared_strings.h"
#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// Streams one worksheet part into `sheet`: only the cells are kept, whatever the size
// of the part's XML. Rows and cells without an r attribute follow the one before;
// a cell without a value is blank when it has a style, else not stored; a formula
// cell keeps its cached result (none cached: not stored). The <dimension> record is
// ignored: the sheet's ends come from the cells present.
//
// A sheet keeps its own copy of each shared string it uses. Its cells and texts are
// counted in the book's budget, and the sheet is refused ("the file is too large") when
// they outgrow it: no shape of file (a row written again and again, many sheets, texts
// copied from one long shared string) keeps more than the budget allows. A cell given
// twice (two values for one place) is refused as damage, the cell named.
//
// The inflated bytes are counted in `progress` (when given); a read it stops returns
// false with kReadCancelled.
bool readSheet(ZipArchive& zip, const std::string& part, const SharedStrings& sharedStrings, SheetData& sheet,
               BookReading& book, std::string& error, ReadProgress* progress = nullptr);

// Reads one worksheet part as readSheet does, but hands each cell to `visitor` instead of
// keeping it: the same cells, values, checks and refusals, and the same limits on the
// elements of the book (`book`). A part whose cells are not in order (rows going back,
// a cell given twice) is read again whole into a sheet of its own, within the budget
// the book had before it, and walked after visitor.restart(). `error` is set when the
// read Failed or was Cancelled (kReadCancelled).
StreamEnd streamSheet(ZipArchive& zip, const std::string& part, const SharedStrings& sharedStrings, bool date1904,
                      CellVisitor& visitor, BookReading& book, std::string& error, ReadProgress* progress = nullptr);

}  // namespace wb::xlsx
