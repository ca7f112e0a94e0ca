#pragma once

#include <string>
#include <vector>

#include "import/user_interaction.h"
#include "tests/support/temp_dir.h"

// Sample workbooks written at test time by other programs: openpyxl for .xlsx, xlwt for
// .xls. Rows and columns are 1-based here, as in the import's messages.
namespace import_fixture {

class SheetSpec {
public:
    explicit SheetSpec(std::string name) : name_(std::move(name)) {}

    SheetSpec& number(int row, int col, double value);
    SheetSpec& text(int row, int col, const std::string& value);
    SheetSpec& boolean(int row, int col, bool value);
    // An error cell such as "#DIV/0!".
    SheetSpec& error(int row, int col, const std::string& code = "#DIV/0!");
    // A cell with a format and no value.
    SheetSpec& blank(int row, int col);

    const std::string& name() const { return name_; }
    // A copy under another name (a workbook's sheet names are unique).
    SheetSpec renamed(std::string name) const
    {
        SheetSpec copy = *this;
        copy.name_ = std::move(name);
        return copy;
    }
    std::string json() const;

private:
    SheetSpec& add(int row, int col, const char* kind, const std::string& valueJson);

    std::string name_;
    std::vector<std::string> cells_;
};

// A rivers layout that imports: samples S1 and S2 in columns C and D, site codes, dates
// (40321, 40000), alkalinity (123.4567, 1234567) in rows 1 to 4, two taxa in rows 5 and 6
// with counts 10 20 / 30 40.
SheetSpec riversSheet(const std::string& name = "Samples");

// What the worksheet dialog would answer; row and column 1-based.
inline WorksheetChoice choose(int firstRow, int firstColumn = 3, int family = familyRivers, int sheetIndex = 0)
{
    WorksheetChoice choice;
    choice.sheetIndex = sheetIndex;
    choice.firstDataRow = firstRow;
    choice.firstDataColumn = firstColumn;
    choice.family = family;
    return choice;
}

// Writes the workbook (the format from the file name's extension) into dir and returns
// its path; a failure of the writing program fails the test. With date1904 the workbook
// counts its date serials from 1904; numbers are written as given either way.
std::string writeWorkbook(const testing_support::TempDir& dir, const std::string& fileName,
                          const std::vector<SheetSpec>& sheets, bool date1904 = false);

// The programs whose .xlsx files users bring: openpyxl in its normal mode (as
// writeWorkbook writes) and in its write-only mode (as pandas writes: inline strings, no
// <dimension>), R's openxlsx (shared strings, a <dimension> of "A1" whatever the extent),
// and LibreOffice and gnumeric re-saving an openpyxl file.
enum class XlsxWriter { Openpyxl, OpenpyxlWriteOnly, Openxlsx, LibreOffice, Gnumeric };
const char* WriterName(XlsxWriter writer);

// Writes the workbook through `writer` into dir and returns its path; an empty path when
// that program is not installed (the caller skips), a failure of the program fails the
// test. openxlsx writes no error cells: sheets for it hold none.
std::string writeXlsxWith(const testing_support::TempDir& dir, const std::string& fileName,
                          const std::vector<SheetSpec>& sheets, XlsxWriter writer);

// An .xlsx package whose workbook lists no sheet (no spreadsheet program writes one).
std::string writeXlsxWithoutSheets(const testing_support::TempDir& dir, const std::string& fileName);

// Files that are not readable workbooks, each with a part of the reason the reader gives:
// a missing file, a missing folder, an empty file, a CSV text, a PNG picture, an .ods
// spreadsheet, a Word document renamed .xlsx, an .xlsx cut short, a password-protected
// .xls and an .xlsx renamed .xls.
struct UnreadableFile {
    std::string path;
    std::string reason;
};
std::vector<UnreadableFile> writeUnreadableFiles(const testing_support::TempDir& dir);

}  // namespace import_fixture
