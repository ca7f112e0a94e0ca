#pragma once

#include <string>
#include <utility>
#include <vector>

namespace xlsx_fixtures {

struct Part {
    std::string name;
    std::string bytes;
};

// Writes a zip archive with minizip; `deflate` false stores the parts as they are
// (so that damage to a copy reaches the XML, not only the deflate stream).
void writeZip(const std::string& path, const std::vector<Part>& parts, bool deflate = true);

// A workbook package around the given worksheets (name, whole sheet XML), with the
// shared-string part when `sharedStrings` is not empty.
std::vector<Part> package(const std::vector<std::pair<std::string, std::string>>& sheets,
                          const std::string& sharedStrings = "");

// A worksheet document around a <sheetData> body.
std::string sheetXml(const std::string& sheetDataBody);

// Runs an openpyxl script with `out` as its first argument; fails the test when it fails.
void runOpenpyxl(const std::string& script, const std::string& out);

}  // namespace xlsx_fixtures
