// Reads a generated .xlsx of 5 million number cells and reports the time and the peak
// memory of the process. Usage: xlsx_read_bench [file [columns]]; the file is written
// first when it does not exist (streamed, so it adds little to the peak).
#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/zip_part.h"
#include "workbook/book.h"
#include "workbook/cells/cell_names.h"

namespace {

constexpr long kCells = 5'000'000;

using bench_zip::AddPart;
using wb::ColumnLetters;

// A package laid out like a spreadsheet program's: r attributes on rows and cells,
// numbers of up to 17 significant digits.
bool generate(const std::string& path, int columns)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    const char* rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const char* pkg = "http://schemas.openxmlformats.org/package/2006/relationships";
    bool ok = AddPart(zip, "[Content_Types].xml",
                      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>")
        && AddPart(zip, "_rels/.rels", std::string("<Relationships xmlns=\"") + pkg + "\"><Relationship Id=\"rId1\" Type=\""
                                           + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>")
        && AddPart(zip, "xl/workbook.xml",
                   std::string("<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"")
                       + rel + "\"><sheets><sheet name=\"Counts\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")
        && AddPart(zip, "xl/_rels/workbook.xml.rels",
                   std::string("<Relationships xmlns=\"") + pkg + "\"><Relationship Id=\"rId1\" Type=\"" + rel
                       + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
    zip_fileinfo info{};
    ok = ok && zipOpenNewFileInZip64(zip, "xl/worksheets/sheet1.xml", &info, nullptr, 0, nullptr, 0, nullptr,
                                     Z_DEFLATED, 6, 1) == ZIP_OK;
    std::string chunk = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    long rows = kCells / columns;
    std::string letters[16384];
    for (int c = 0; c < columns; ++c)
        letters[c] = ColumnLetters(c);
    unsigned long long state = 88172645463325252ULL;
    for (long r = 0; r < rows && ok; ++r) {
        std::string rowNumber = std::to_string(r + 1);
        chunk += "<row r=\"" + rowNumber + "\">";
        for (int c = 0; c < columns; ++c) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            char number[32];
            double value = (c % 3 == 0) ? static_cast<double>(state % 1000) : static_cast<double>(state % 100000000) / 997.0;
            auto end = std::to_chars(number, number + sizeof number, value).ptr;
            chunk += "<c r=\"" + letters[c] + rowNumber + "\"><v>";
            chunk.append(number, end);
            chunk += "</v></c>";
        }
        chunk += "</row>";
        if (chunk.size() > (1 << 20)) {
            ok = zipWriteInFileInZip(zip, chunk.data(), static_cast<unsigned>(chunk.size())) == ZIP_OK;
            chunk.clear();
        }
    }
    chunk += "</sheetData></worksheet>";
    ok = ok && zipWriteInFileInZip(zip, chunk.data(), static_cast<unsigned>(chunk.size())) == ZIP_OK
        && zipCloseFileInZip(zip) == ZIP_OK;
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    int columns = argc > 2 ? std::atoi(argv[2]) : 100;
    if (columns < 1 || columns > 16384) {
        std::fprintf(stderr, "columns must be 1 to 16384\n");
        return 2;
    }
    std::string path = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "torven_bench_5m.xlsx").string();
    if (!std::filesystem::exists(path)) {
        std::printf("writing %s (%ld cells, %d columns)...\n", path.c_str(), kCells, columns);
        if (!generate(path, columns)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    auto start = std::chrono::steady_clock::now();
    auto book = wb::xlCreateXMLBook();
    if (!book->load(path)) {
        std::fprintf(stderr, "load failed: %s\n", book->errorMessage().c_str());
        return 1;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const wb::Sheet& sheet = *book->getSheet(0);
    std::printf("read %zu cells (%d rows x %d columns) from %.1f MB in %.2f s; peak memory %.0f MB\n",
                sheet.data().cellCount(), sheet.lastRow(), sheet.lastCol(),
                static_cast<double>(std::filesystem::file_size(path)) / 1e6, seconds,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    // What the cells take in the store, against 8 bytes a cell for their numbers alone.
    const double stored = static_cast<double>(sheet.data().storedBytes());
    std::printf("the cells take %.1f MB, %.2f bytes a cell (their numbers as doubles: %.1f MB)\n", stored / 1e6,
                stored / static_cast<double>(sheet.data().cellCount()),
                8.0 * static_cast<double>(sheet.data().cellCount()) / 1e6);
    return 0;
}
