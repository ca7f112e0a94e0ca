#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tests/workbook/xlsx/fixtures.h"

// Workbooks of shapes a fuzzer never reaches: small files whose parts inflate to
// hundreds of megabytes of one pattern (a tag of many attributes, a row written again
// and again, many sheets over a large shared-string table, ...). Each part is written
// piece by piece, so the test never holds a whole part.
namespace xlsx_shapes {

// A part made of a head, `count` units and a tail; unit(i) is the i-th unit.
struct StreamedPart {
    std::string name;
    std::string head;
    std::function<std::string(std::size_t)> unit;
    std::size_t count = 0;
    std::string tail;
};

struct Shape {
    std::vector<xlsx_fixtures::Part> parts;  // the package's small parts
    std::vector<StreamedPart> large;         // its large ones (in place of small parts of the same name)
};

// Writes the shape as an .xlsx file; its size in bytes.
std::size_t writeShape(const std::string& path, const Shape& shape);

// The worksheet element with `attributes` distinct attributes (a0="" a1="" ...), and
// one given twice at the end when `duplicateLast`.
Shape manyAttributes(std::size_t attributes, bool duplicateLast = false);
// <row r="1"> with `cells` number cells, written `repeats` times.
Shape repeatedRow(std::size_t cells, std::size_t repeats);
// <row r="1"> with `cells` cells, then `repeats` times again with its first cell alone
// (holding the repeat's number).
Shape rowThenRepeats(std::size_t cells, std::size_t repeats);
// Rows 1 and 2 of `cells` cells each, interleaved cell by cell (<row r="1"> with one
// cell, <row r="2"> with one, ...), the columns from the last; every cell 1.
Shape interleavedRows(std::size_t cells);
// The same number of cells in `rows` fresh rows of `cells` each.
Shape freshRows(std::size_t cells, std::size_t rows);
// A table of `strings` empty shared strings and `sheets` sheets of one cell using one.
Shape manySheetsOverTable(std::size_t strings, std::size_t sheets);
// Rows of `cells` empty formula-text cells (<c t="str"><v></v></c>), `rows` of them.
Shape emptyFormulaText(std::size_t cells, std::size_t rows);
// One cell with a text of `bytes` characters (inline).
Shape longText(std::size_t bytes);
// A cell inside `depth` nested elements.
Shape deepNesting(std::size_t depth);
// Cells at the given row numbers (1-based, as written), one each.
Shape rowNumbers(const std::vector<std::string>& rowNumbers);
// A cell, then `count` empty elements of a name no reader knows (<x/>).
Shape manyElements(std::size_t count);
// A one-cell workbook whose part `part` ("xl/workbook.xml" or "xl/_rels/workbook.xml.rels")
// holds `count` more empty elements (<x/>) before its own end tag.
Shape manyElementsInPart(const std::string& part, std::size_t count);
// One row of `cells` cells in consecutive columns (over 16,384 is too many).
Shape manyColumns(std::size_t cells);
// `strings` distinct shared strings of `bytes` characters each, used by one cell.
Shape largeTable(std::size_t strings, std::size_t bytes);

}  // namespace xlsx_shapes
