#include "tests/app/import_fixture.h"

#include <gtest/gtest.h>

#include "matrix/number_format.h"

namespace import_fixture {

namespace {

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += numtext::format("\\u%04x", {static_cast<long long>(c)});
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// argv: workbook path, JSON file of [{"name": ..., "cells": [[row0, col0, kind, value]]}].
const char* const kWriter = R"PY(
import json, sys
path, spec = sys.argv[1], json.load(open(sys.argv[2], encoding='utf-8'))
date1904 = len(sys.argv) > 3 and sys.argv[3] == '1904'
if path.lower().endswith('.xls'):
    import xlwt
    book = xlwt.Workbook()
    book.set_dates_1904(date1904)
    bold = xlwt.easyxf('font: bold on')
    for sheet in spec:
        ws = book.add_sheet(sheet['name'], cell_overwrite_ok=True)
        for r, c, kind, value in sheet['cells']:
            if kind in ('n', 's'):
                ws.write(r, c, value)
            elif kind == 'b':
                ws.write(r, c, bool(value))
            elif kind == 'e':
                ws.row(r).set_cell_error(c, value)
            elif kind == 'blank':
                ws.write(r, c, None, bold)
    book.save(path)
else:
    import openpyxl
    from openpyxl.styles import Font
    book = openpyxl.Workbook()
    book.remove(book.active)
    if date1904:
        from openpyxl.utils.datetime import CALENDAR_MAC_1904
        book.epoch = CALENDAR_MAC_1904
    for sheet in spec:
        ws = book.create_sheet(sheet['name'])
        for r, c, kind, value in sheet['cells']:
            cell = ws.cell(row=r + 1, column=c + 1)
            if kind == 'n':
                cell.value = value
            elif kind == 's':
                cell.value = value
                cell.data_type = 's'  # never a formula or an error code
            elif kind == 'b':
                cell.value = bool(value)
            elif kind == 'e':
                cell.value = value
                cell.data_type = 'e'
            elif kind == 'blank':
                cell.value = None
                cell.font = Font(bold=True)
    book.save(path)
)PY";

const char* const kNoSheets = R"PY(
import sys, zipfile
parts = {
  '[Content_Types].xml': '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>',
  '_rels/.rels': '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>',
  'xl/workbook.xml': '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets/></workbook>',
  'xl/_rels/workbook.xml.rels': '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"></Relationships>',
}
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for name, body in parts.items():
        z.writestr(name, body)
)PY";

}  // namespace

SheetSpec& SheetSpec::add(int row, int col, const char* kind, const std::string& valueJson)
{
    cells_.push_back("[" + std::to_string(row - 1) + "," + std::to_string(col - 1) + ",\"" + kind + "\"," + valueJson
                     + "]");
    return *this;
}

SheetSpec& SheetSpec::number(int row, int col, double value) { return add(row, col, "n", numtext::g17(value)); }
SheetSpec& SheetSpec::text(int row, int col, const std::string& value) { return add(row, col, "s", jsonString(value)); }
SheetSpec& SheetSpec::boolean(int row, int col, bool value) { return add(row, col, "b", value ? "1" : "0"); }
SheetSpec& SheetSpec::error(int row, int col, const std::string& code) { return add(row, col, "e", jsonString(code)); }
SheetSpec& SheetSpec::blank(int row, int col) { return add(row, col, "blank", "null"); }

std::string SheetSpec::json() const
{
    std::string out = "{\"name\":" + jsonString(name_) + ",\"cells\":[";
    for (std::size_t i = 0; i < cells_.size(); ++i)
        out += (i ? "," : "") + cells_[i];
    return out + "]}";
}

SheetSpec riversSheet(const std::string& name)
{
    SheetSpec sheet(name);
    sheet.text(1, 1, "Sample").text(1, 3, "S1").text(1, 4, "S2");
    sheet.text(2, 1, "Site code").text(2, 3, "Site A").text(2, 4, "Site B");
    sheet.text(3, 1, "Date").number(3, 3, 40321).number(3, 4, 40000);
    sheet.text(4, 1, "Alkalinity (mg/l)").number(4, 3, 123.4567).number(4, 4, 1234567);
    sheet.text(5, 1, "NBN0001").text(5, 2, "Achnanthes minutissima").number(5, 3, 10).number(5, 4, 20);
    sheet.text(6, 1, "NBN0002").text(6, 2, "Navicula lanceolata").number(6, 3, 30).number(6, 4, 40);
    return sheet;
}

std::string writeWorkbook(const testing_support::TempDir& dir, const std::string& fileName,
                          const std::vector<SheetSpec>& sheets, bool date1904)
{
    std::string spec = "[";
    for (std::size_t i = 0; i < sheets.size(); ++i)
        spec += (i ? "," : "") + sheets[i].json();
    spec += "]";
    const std::string specPath = dir.file(fileName + ".json");
    testing_support::writeFile(specPath, spec);
    const std::string path = dir.file(fileName);
    std::string output;
    int status = testing_support::runPython(
        kWriter,
        testing_support::shellQuote(path) + " " + testing_support::shellQuote(specPath) + (date1904 ? " 1904" : "") + " 2>&1",
        &output);
    EXPECT_EQ(status, 0) << output;
    return path;
}

std::string writeXlsxWithoutSheets(const testing_support::TempDir& dir, const std::string& fileName)
{
    const std::string path = dir.file(fileName);
    std::string output;
    EXPECT_EQ(testing_support::runPython(kNoSheets, testing_support::shellQuote(path) + " 2>&1", &output), 0) << output;
    return path;
}

}  // namespace import_fixture
