#include "tests/import/import_fixture.h"

#include <filesystem>

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

// openpyxl's write-only mode: rows appended in order, cells between them as None.
const char* const kWriteOnlyWriter = R"PY(
import json, sys
import openpyxl
from openpyxl.cell import WriteOnlyCell
from openpyxl.styles import Font
path, spec = sys.argv[1], json.load(open(sys.argv[2], encoding='utf-8'))
book = openpyxl.Workbook(write_only=True)
for sheet in spec:
    ws = book.create_sheet(sheet['name'])
    rows = {}
    for r, c, kind, value in sheet['cells']:
        rows.setdefault(r, {})[c] = (kind, value)
    for r in range(max(rows) + 1 if rows else 0):
        cells = rows.get(r, {})
        line = [None] * (max(cells) + 1 if cells else 0)
        for c, (kind, value) in cells.items():
            cell = WriteOnlyCell(ws)
            if kind == 'b':
                cell.value = bool(value)
            elif kind == 'blank':
                cell.font = Font(bold=True)
            else:
                cell.value = value
                if kind in ('s', 'e'):
                    cell.data_type = kind
            line[c] = cell
        ws.append(line)
book.save(path)
)PY";

// R's openxlsx, one cell at a time; a blank is a cell with a style and no value.
const char* const kOpenxlsxWriter = R"R(
args <- commandArgs(TRUE)
suppressMessages({ library(openxlsx); library(jsonlite) })
spec <- fromJSON(args[2], simplifyVector = FALSE)
wb <- createWorkbook()
bold <- createStyle(textDecoration = "bold")
for (sheet in spec) {
  addWorksheet(wb, sheet$name)
  for (cell in sheet$cells) {
    r <- cell[[1]] + 1; c <- cell[[2]] + 1; kind <- cell[[3]]
    if (kind == "blank") addStyle(wb, sheet$name, bold, rows = r, cols = c)
    else if (kind == "b") writeData(wb, sheet$name, as.logical(cell[[4]]), startRow = r, startCol = c, colNames = FALSE)
    else if (kind == "e") stop("openxlsx writes no error cells")
    else writeData(wb, sheet$name, cell[[4]], startRow = r, startCol = c, colNames = FALSE)
  }
}
saveWorkbook(wb, args[1], overwrite = TRUE)
)R";

bool haveOpenxlsx()
{
    return testing_support::runCommand(
               "command -v Rscript >/dev/null 2>&1 && Rscript -e 'quit(status = !(requireNamespace(\"openxlsx\", "
               "quietly = TRUE) && requireNamespace(\"jsonlite\", quietly = TRUE)))' >/dev/null 2>&1")
        == 0;
}

bool haveProgram(const std::string& name)
{
    return testing_support::runCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

}  // namespace

const char* WriterName(XlsxWriter writer)
{
    switch (writer) {
    case XlsxWriter::Openpyxl:
        return "openpyxl";
    case XlsxWriter::OpenpyxlWriteOnly:
        return "openpyxl write-only";
    case XlsxWriter::Openxlsx:
        return "openxlsx";
    case XlsxWriter::LibreOffice:
        return "LibreOffice";
    case XlsxWriter::Gnumeric:
        return "gnumeric";
    }
    return "";
}

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

std::string writeXlsxWith(const testing_support::TempDir& dir, const std::string& fileName,
                          const std::vector<SheetSpec>& sheets, XlsxWriter writer)
{
    using testing_support::shellQuote;
    if (writer == XlsxWriter::Openpyxl)
        return writeWorkbook(dir, fileName, sheets);
    if (writer == XlsxWriter::Openxlsx && !haveOpenxlsx())
        return {};
    if (writer == XlsxWriter::LibreOffice && !haveProgram("soffice"))
        return {};
    if (writer == XlsxWriter::Gnumeric && !haveProgram("ssconvert"))
        return {};

    const std::string path = dir.file(fileName);
    std::string output;
    int status = -1;
    if (writer == XlsxWriter::OpenpyxlWriteOnly || writer == XlsxWriter::Openxlsx) {
        std::string spec = "[";
        for (std::size_t i = 0; i < sheets.size(); ++i)
            spec += (i ? "," : "") + sheets[i].json();
        const std::string specPath = dir.file(fileName + ".json");
        testing_support::writeFile(specPath, spec + "]");
        const std::string arguments = shellQuote(path) + " " + shellQuote(specPath) + " 2>&1";
        if (writer == XlsxWriter::OpenpyxlWriteOnly) {
            status = testing_support::runPython(kWriteOnlyWriter, arguments, &output);
        } else {
            const std::string script = dir.file(fileName + ".R");
            testing_support::writeFile(script, kOpenxlsxWriter);
            output = testing_support::commandOutput("Rscript " + shellQuote(script) + " " + arguments, &status);
        }
    } else {
        // The re-saves start from openpyxl's file, in a folder of their own (LibreOffice
        // names its output after its input).
        const std::filesystem::path from = dir.path() / ("from-" + std::string(WriterName(writer)));
        std::filesystem::create_directories(from);
        const std::string source = (from / fileName).string();
        std::filesystem::rename(writeWorkbook(dir, fileName + ".openpyxl.xlsx", sheets), source);
        if (writer == XlsxWriter::LibreOffice) {
            // A profile of its own, and a limit: soffice has been seen to hang on a damaged profile.
            output = testing_support::commandOutput(
                "timeout 300 soffice --headless --norestore -env:UserInstallation="
                    + shellQuote("file://" + (from / "profile").string()) + " --convert-to xlsx --outdir "
                    + shellQuote(dir.path().string()) + " " + shellQuote(source) + " 2>&1",
                &status);
        } else {
            output = testing_support::commandOutput("ssconvert " + shellQuote(source) + " " + shellQuote(path) + " 2>&1",
                                                    &status);
        }
        if (status == 0 && !std::filesystem::exists(path))
            status = -1;
    }
    EXPECT_EQ(status, 0) << WriterName(writer) << ": " << output;
    return path;
}

// Zip packages of other programs: an OpenDocument spreadsheet (its media type stored
// first, as the format requires) and a Word document.
const char* const kForeignPackages = R"PY(
import sys, zipfile
ods, docx = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(ods, 'w') as z:
    z.writestr(zipfile.ZipInfo('mimetype'), 'application/vnd.oasis.opendocument.spreadsheet')
    z.writestr('content.xml', '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"/>',
               zipfile.ZIP_DEFLATED)
with zipfile.ZipFile(docx, 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr('_rels/.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
               'Target="word/document.xml"/></Relationships>')
    z.writestr('word/document.xml', '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
               '<w:body><w:p><w:r><w:t>Samples</w:t></w:r></w:p></w:body></w:document>')
)PY";

std::vector<UnreadableFile> writeUnreadableFiles(const testing_support::TempDir& dir)
{
    using testing_support::readFile;
    using testing_support::writeFile;
    std::vector<UnreadableFile> files;
    files.push_back({dir.file("missing.xlsx"), "the file does not exist"});
    files.push_back({dir.file("no-such-folder/samples.xlsx"), "the folder " + dir.file("no-such-folder") + " does not exist"});
    writeFile(dir.file("empty.xlsx"), "");
    files.push_back({dir.file("empty.xlsx"), "the file is empty"});
    writeFile(dir.file("samples.csv"), "Sample,,S1\r\nNBN0001,Achnanthes,10\r\n");
    files.push_back({dir.file("samples.csv"), "it is a text file (such as a .csv file), which this program does not read; "
                                              "open it in a spreadsheet program and save it as an .xlsx workbook"});
    writeFile(dir.file("picture.xlsx"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    files.push_back({dir.file("picture.xlsx"), "it is a PNG picture, not a workbook"});

    std::string output;
    EXPECT_EQ(testing_support::runPython(kForeignPackages,
                                         testing_support::shellQuote(dir.file("samples.ods")) + " " +
                                             testing_support::shellQuote(dir.file("letter.xlsx")) + " 2>&1",
                                         &output),
              0)
        << output;
    files.push_back({dir.file("samples.ods"), "it is an OpenDocument spreadsheet (.ods), which this program does not "
                                              "read; open it in a spreadsheet program and save it as an .xlsx workbook"});
    files.push_back({dir.file("letter.xlsx"), "the file is not a workbook (it is a Word document)"});

    // A real .xlsx cut in half, as an interrupted copy leaves it.
    const std::string whole = readFile(writeWorkbook(dir, "whole.xlsx", {riversSheet()}));
    writeFile(dir.file("cut.xlsx"), whole.substr(0, whole.size() / 2));
    files.push_back({dir.file("cut.xlsx"), "the file is truncated (the end of its zip directory is missing)"});

    // A real .xls whose record after the globals' BOF is turned into FILEPASS, the mark
    // of an encrypted workbook.
    std::string xls = readFile(writeWorkbook(dir, "whole.xls", {riversSheet()}));
    const std::string bof("\x09\x08\x10\x00\x00\x06\x05\x00", 8);
    const std::size_t at = xls.find(bof);
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) {
        xls[at + 20] = 0x2F;
        xls[at + 21] = 0x00;
    }
    writeFile(dir.file("locked.xls"), xls);
    files.push_back({dir.file("locked.xls"),
                     "the workbook is encrypted (password protected); save it without a password and try again"});

    std::filesystem::copy_file(dir.file("whole.xlsx"), dir.file("renamed.xls"));
    files.push_back({dir.file("renamed.xls"),
                     "it is not an Excel 97-2003 workbook but a zip file (an .xlsx workbook needs the extension .xlsx)"});
    return files;
}

std::string writeXlsxWithoutSheets(const testing_support::TempDir& dir, const std::string& fileName)
{
    const std::string path = dir.file(fileName);
    std::string output;
    EXPECT_EQ(testing_support::runPython(kNoSheets, testing_support::shellQuote(path) + " 2>&1", &output), 0) << output;
    return path;
}

}  // namespace import_fixture
