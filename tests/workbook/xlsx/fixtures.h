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

// How writeZip64 marks its archive as ZIP64.
struct Zip64Form {
    bool deflate = true;
    bool prefixBytes = false;      // the directory's offset counted from past a few bytes
    bool dataDescriptors = false;  // sizes after the data, zero in the local headers
    bool shortExtra = false;       // a damaged one: the ZIP64 extra field lacks the offset
};

// Writes a ZIP64 archive by hand, as writers that always use ZIP64 make them: every size
// and offset in the central directory 0xFFFFFFFF with the real ones in the ZIP64 extra
// field, the local headers' sizes likewise, and the ZIP64 end record and its locator
// before an end record whose counts are all 0xFFFF.
void writeZip64(const std::string& path, const std::vector<Part>& parts, const Zip64Form& form = {});

// A workbook package around the given worksheets (name, whole sheet XML), with the
// shared-string part when `sharedStrings` is not empty.
std::vector<Part> package(const std::vector<std::pair<std::string, std::string>>& sheets,
                          const std::string& sharedStrings = "");

// A worksheet document around a <sheetData> body.
std::string sheetXml(const std::string& sheetDataBody);

// Runs an openpyxl script with `out` as its first argument; fails the test when it fails.
void runOpenpyxl(const std::string& script, const std::string& out);

}  // namespace xlsx_fixtures
