#include "tests/workbook/xlsx/shapes.h"

#include "workbook/cells/cell_names.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <sys/stat.h>

namespace xlsx_shapes {

namespace {

constexpr std::size_t kChunk = 1 << 20;

bool writeStreamed(zipFile zip, const StreamedPart& part)
{
    zip_fileinfo info{};
    if (zipOpenNewFileInZip64(zip, part.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 1)
        != ZIP_OK)
        return false;
    std::string buffer = part.head;
    auto flush = [&](bool always) {
        if (buffer.empty() || (!always && buffer.size() < kChunk))
            return true;
        const bool ok = zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(buffer.size())) == ZIP_OK;
        buffer.clear();
        return ok;
    };
    for (std::size_t i = 0; i < part.count; ++i) {
        buffer += part.unit(i);
        if (!flush(false))
            return false;
    }
    buffer += part.tail;
    return flush(true) && zipCloseFileInZip(zip) == ZIP_OK;
}

StreamedPart fixed(const std::string& name, const std::string& bytes)
{
    return {name, bytes, nullptr, 0, ""};
}

const char kSheetHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet "
                          "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const char kSheetTail[] = "</sheetData></worksheet>";

// A package of one sheet whose sheetData body is `count` units.
Shape oneSheet(std::function<std::string(std::size_t)> unit, std::size_t count, const std::string& head = "",
               const std::string& tail = "")
{
    Shape shape;
    shape.parts = xlsx_fixtures::package({{"S", ""}});
    shape.large.push_back({"xl/worksheets/sheet1.xml", kSheetHead + head, std::move(unit), count, tail + kSheetTail});
    return shape;
}

std::string repeated(const std::string& unit, std::size_t count)
{
    std::string out;
    out.reserve(unit.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        out += unit;
    return out;
}

}  // namespace

std::size_t writeShape(const std::string& path, const Shape& shape)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(zip, nullptr) << path;
    if (!zip)
        return 0;
    bool ok = true;
    for (const xlsx_fixtures::Part& part : shape.parts) {
        bool replaced = false;
        for (const StreamedPart& large : shape.large)
            replaced = replaced || large.name == part.name;
        if (!replaced)
            ok = ok && writeStreamed(zip, fixed(part.name, part.bytes));
    }
    for (const StreamedPart& large : shape.large)
        ok = ok && writeStreamed(zip, large);
    ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    EXPECT_TRUE(ok) << path;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

Shape manyAttributes(std::size_t attributes, bool duplicateLast)
{
    Shape shape;
    shape.parts = xlsx_fixtures::package({{"S", ""}});
    shape.large.push_back({"xl/worksheets/sheet1.xml",
                           "<?xml version=\"1.0\"?>\n<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"",
                           [](std::size_t i) { return " a" + std::to_string(i) + "=\"\""; }, attributes,
                           std::string(duplicateLast ? " a0=\"\"" : "")
                               + "><sheetData><row><c><v>7</v></c></row></sheetData></worksheet>"});
    return shape;
}

Shape repeatedRow(std::size_t cells, std::size_t repeats)
{
    const std::string row = "<row r=\"1\">" + repeated("<c><v>1</v></c>", cells) + "</row>";
    return oneSheet([row](std::size_t) { return row; }, repeats);
}

Shape rowThenRepeats(std::size_t cells, std::size_t repeats)
{
    return oneSheet([](std::size_t i) { return "<row r=\"1\"><c r=\"A1\"><v>" + std::to_string(i) + "</v></c></row>"; },
                    repeats, "<row r=\"1\">" + repeated("<c><v>1</v></c>", cells) + "</row>");
}

Shape interleavedRows(std::size_t cells)
{
    return oneSheet(
        [cells](std::size_t i) {
            const std::size_t col = cells - 1 - i / 2;
            const std::string row = std::to_string(1 + i % 2);
            return "<row r=\"" + row + "\"><c r=\"" + wb::ColumnLetters(static_cast<int>(col)) + row
                + "\"><v>1</v></c></row>";
        },
        2 * cells);
}

Shape freshRows(std::size_t cells, std::size_t rows)
{
    const std::string row = "<row>" + repeated("<c><v>1</v></c>", cells) + "</row>";
    return oneSheet([row](std::size_t) { return row; }, rows);
}

Shape manySheetsOverTable(std::size_t strings, std::size_t sheets)
{
    std::vector<std::pair<std::string, std::string>> listed;
    for (std::size_t i = 0; i < sheets; ++i)
        listed.emplace_back("S" + std::to_string(i), xlsx_fixtures::sheetXml("<row><c t=\"s\"><v>0</v></c></row>"));
    Shape shape;
    shape.parts = xlsx_fixtures::package(listed, "<sst/>");
    shape.large.push_back({"xl/sharedStrings.xml",
                           "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">",
                           [](std::size_t) { return std::string("<si/>"); }, strings, "</sst>"});
    return shape;
}

Shape emptyFormulaText(std::size_t cells, std::size_t rows)
{
    const std::string row = "<row>" + repeated("<c t=\"str\"><v></v></c>", cells) + "</row>";
    return oneSheet([row](std::size_t) { return row; }, rows);
}

Shape longText(std::size_t bytes)
{
    return oneSheet([](std::size_t) { return std::string(4096, 'x'); }, bytes / 4096,
                    "<row><c t=\"inlineStr\"><is><t>" + std::string(bytes % 4096, 'x'), "</t></is></c></row>");
}

Shape deepNesting(std::size_t depth)
{
    Shape shape = oneSheet([](std::size_t) { return std::string("<x>"); }, depth, "<row><c><v>1</v></c>", "");
    shape.large.back().tail = repeated("</x>", depth) + "</row>" + kSheetTail;
    return shape;
}

Shape rowNumbers(const std::vector<std::string>& numbers)
{
    return oneSheet(
        [numbers](std::size_t i) { return "<row r=\"" + numbers[i] + "\"><c><v>" + std::to_string(i) + "</v></c></row>"; },
        numbers.size());
}

Shape manyElements(std::size_t count)
{
    const std::string unit = repeated("<x/>", 1024);
    return oneSheet([unit](std::size_t) { return unit; }, count / 1024, "<row><c><v>1</v></c></row>");
}

Shape manyElementsInPart(const std::string& part, std::size_t count)
{
    Shape shape;
    shape.parts = xlsx_fixtures::package({{"S", xlsx_fixtures::sheetXml("<row><c><v>1</v></c></row>")}});
    for (const xlsx_fixtures::Part& small : shape.parts) {
        if (small.name != part)
            continue;
        // The part as written, its elements added before its last end tag.
        const std::size_t close = small.bytes.rfind("</");
        const std::string unit = repeated("<x/>", 1024);
        shape.large.push_back({part, small.bytes.substr(0, close), [unit](std::size_t) { return unit; },
                               count / 1024, small.bytes.substr(close)});
    }
    return shape;
}

Shape manyColumns(std::size_t cells)
{
    return oneSheet([](std::size_t i) { return "<c><v>" + std::to_string(i) + "</v></c>"; }, cells, "<row>", "</row>");
}

Shape largeTable(std::size_t strings, std::size_t bytes)
{
    Shape shape;
    shape.parts = xlsx_fixtures::package({{"S", xlsx_fixtures::sheetXml("<row><c t=\"s\"><v>1</v></c></row>")}}, "<sst/>");
    const std::string filler(bytes > 8 ? bytes - 8 : 0, 'y');
    shape.large.push_back({"xl/sharedStrings.xml",
                           "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">",
                           [filler, bytes](std::size_t i) {
                               std::string text = std::to_string(i) + filler;
                               text.resize(bytes, 'z');
                               return "<si><t>" + text + "</t></si>";
                           },
                           strings, "</sst>"});
    return shape;
}

}  // namespace xlsx_shapes
