#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace testing_support {

// Two copies of a river workbook (openpyxl): in `lab`, ZZ990001 and ZZ990002 are named as a
// lab names them: "Fragilaria  capucina v. rumpens" (rank abbreviated, a double space,
// FR001A in the list) and "Achnanthidium minutissimum (Kütz.) Czarn." (an authority added,
// AC002A); in `corrected` the same rows carry the list's codes FR001A and AC002A. The
// Python interpreter's exit status (0 when both were written).
inline int writeLabCopies(const std::string& source, const std::string& lab, const std::string& corrected)
{
    const char* const script = R"(
import sys, openpyxl
source, lab, corrected = sys.argv[1:4]
for path, codes in ((lab, ("ZZ990001", "ZZ990002")), (corrected, ("FR001A", "AC002A"))):
    book = openpyxl.load_workbook(source)
    sheet = book.worksheets[0]
    for row in range(1, sheet.max_row + 1):
        if sheet.cell(row, 1).value == "ZZ990001":
            sheet.cell(row, 1).value = codes[0]
            sheet.cell(row, 2).value = "Fragilaria  capucina v. rumpens"
        elif sheet.cell(row, 1).value == "ZZ990002":
            sheet.cell(row, 1).value = codes[1]
            sheet.cell(row, 2).value = "Achnanthidium minutissimum (K\u00fctz.) Czarn."
    book.save(path)
)";
    return runPython(script, shellQuote(source) + " " + shellQuote(lab) + " " + shellQuote(corrected));
}

}  // namespace testing_support
