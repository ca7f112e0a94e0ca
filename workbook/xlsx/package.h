#pragma once

#include <string>
#include <vector>

#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// Where the parts of an .xlsx are: found through the package relationships, then
// workbook.xml and its relationships, never by guessing file names.
struct PackageLayout {
    struct SheetPart {
        std::string name;
        std::string part;   // empty for a sheet without cells of its own (a chart sheet)
    };
    std::vector<SheetPart> sheets;   // in workbook order
    std::string sharedStringsPart;   // empty when the workbook has none
    bool date1904 = false;           // workbookPr date1904: serials count from 1904
};

bool readPackageLayout(ZipArchive& zip, PackageLayout& layout, std::string& error);

// The part a relationship target names: relative to the folder of `sourcePart`, or
// from the package root when it starts with '/'. Percent escapes are decoded, "." and
// ".." resolved (never above the root).
std::string resolveTarget(const std::string& sourcePart, const std::string& target);

}  // namespace wb::xlsx
