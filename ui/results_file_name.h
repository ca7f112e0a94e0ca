#pragma once

#include <string>

// The file-name box of the results save dialog, when the user picks the other file type:
// any folder typed into the box is dropped, and the name keeps its base with the new
// type's extension ("C:\\out\\Run 1.xls" becomes "Run 1.xlsx"; "Run 1" becomes "Run 1.xls").
std::string ResultsFileNameForType(const std::string& typed, bool xlsx);
