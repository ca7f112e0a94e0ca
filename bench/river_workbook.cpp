// Writes a large river workbook as a spreadsheet program does: every text (sample names,
// site codes, taxon codes and names) in the shared-string table, cells with r attributes,
// a count in every cell of the taxon block (zeros included), and the sheet's extent in a
// <dimension> element as spreadsheet programs write it. For the reading benchmarks
// (bench/read_bench, stream_bench).
//
//   river_workbook OUT.xlsx [SAMPLES [TAXA [TAXON-LIST.csv]]]
//   (defaults 5000 samples, 1000 taxa; taxon codes from the list's second column, with
//   made-up codes when it has fewer)

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/zip_part.h"
#include "workbook/cells/cell_names.h"

namespace {

using bench_zip::AddPart;
using wb::ColumnLetters;

std::vector<std::string> listedCodes(const std::string& csv)
{
    std::vector<std::string> codes;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        const std::size_t first = line.find(',');
        const std::size_t second = first == std::string::npos ? first : line.find(',', first + 1);
        if (second != std::string::npos && second > first + 1)
            codes.push_back(line.substr(first + 1, second - first - 1));
    }
    return codes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: river_workbook OUT.xlsx [SAMPLES [TAXA [TAXON-LIST.csv]]]\n");
        return 2;
    }
    const int samples = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int taxa = argc > 3 ? std::atoi(argv[3]) : 1000;
    std::vector<std::string> codes = argc > 4 ? listedCodes(argv[4]) : std::vector<std::string>();
    codes.resize(static_cast<std::size_t>(taxa));
    for (int t = 0; t < taxa; ++t)
        if (codes[static_cast<std::size_t>(t)].empty())
            codes[static_cast<std::size_t>(t)] = "BENCH" + std::to_string(t);

    std::vector<std::string> strings;
    std::unordered_map<std::string, std::size_t> indexOf;
    auto shared = [&](const std::string& text) {
        auto [it, added] = indexOf.try_emplace(text, strings.size());
        if (added)
            strings.push_back(text);
        return std::to_string(it->second);
    };
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> count(1, 60);
    std::uniform_real_distribution<double> alkalinity(10, 200);

    std::string sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                        "<dimension ref=\"A1:" + ColumnLetters(1 + samples) + std::to_string(4 + taxa) + "\"/><sheetData>";
    auto textCell = [&](int row, int col, const std::string& text) {
        sheet += "<c r=\"" + ColumnLetters(col) + std::to_string(row + 1) + "\" t=\"s\"><v>" + shared(text) + "</v></c>";
    };
    auto numberCell = [&](int row, int col, const std::string& number, bool date = false) {
        sheet += "<c r=\"" + ColumnLetters(col) + std::to_string(row + 1) + (date ? "\" s=\"1\"><v>" : "\"><v>") + number
                 + "</v></c>";
    };
    const char* labels[] = {"Sample", "Site code", "Sampling date", "Alkalinity (mg/l)"};
    for (int row = 0; row < 4; ++row) {
        sheet += "<row r=\"" + std::to_string(row + 1) + "\">";
        textCell(row, 0, labels[row]);
        for (int s = 0; s < samples; ++s) {
            if (row == 0)
                textCell(row, 2 + s, "S" + std::to_string(s + 1));
            else if (row == 1)
                textCell(row, 2 + s, "SITE" + std::to_string(s / 5));
            else if (row == 2)
                numberCell(row, 2 + s, std::to_string(44927 + (s * 7) % 365), true);
            else {
                char text[32];
                std::snprintf(text, sizeof text, "%.15g", alkalinity(rng));
                numberCell(row, 2 + s, text);
            }
        }
        sheet += "</row>";
    }
    for (int t = 0; t < taxa; ++t) {
        const int row = 4 + t;
        sheet += "<row r=\"" + std::to_string(row + 1) + "\">";
        textCell(row, 0, codes[static_cast<std::size_t>(t)]);
        textCell(row, 1, "Taxon " + std::to_string(t));
        // About one taxon in eight present in a sample, as in real counts; the rest 0.
        for (int s = 0; s < samples; ++s)
            numberCell(row, 2 + s, (rng() & 7) == 0 ? std::to_string(count(rng)) : "0");
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";

    std::string sst = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\""
                      + std::to_string(strings.size()) + "\" uniqueCount=\"" + std::to_string(strings.size()) + "\">";
    for (const std::string& s : strings)
        sst += "<si><t>" + s + "</t></si>";
    sst += "</sst>";

    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    zipFile zip = zipOpen64(argv[1], APPEND_STATUS_CREATE);
    const bool ok = zip
        && AddPart(zip, "[Content_Types].xml",
                   "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                   "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                   "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                   "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                   "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                   "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                   "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/></Types>")
        && AddPart(zip, "_rels/.rels",
                   "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                   "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>")
        && AddPart(zip, "xl/workbook.xml",
                   "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                   "xmlns:r=\"" + rel + "\"><sheets><sheet name=\"Samples\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")
        && AddPart(zip, "xl/_rels/workbook.xml.rels",
                   "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                   "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                   "<Relationship Id=\"rId2\" Type=\"" + rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                   "<Relationship Id=\"rId3\" Type=\"" + rel + "/styles\" Target=\"styles.xml\"/></Relationships>")
        && AddPart(zip, "xl/styles.xml",
                   "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                   "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>")
        && AddPart(zip, "xl/sharedStrings.xml", sst) && AddPart(zip, "xl/worksheets/sheet1.xml", sheet);
    if (zip)
        zipClose(zip, nullptr);
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %d samples x %d taxa, %zu shared strings, sheet XML %.1f MB\n", argv[1], samples, taxa,
                strings.size(), static_cast<double>(sheet.size()) / 1e6);
    return 0;
}
