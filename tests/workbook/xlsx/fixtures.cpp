#include "tests/workbook/xlsx/fixtures.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "tests/support/temp_dir.h"

namespace xlsx_fixtures {

void writeZip(const std::string& path, const std::vector<Part>& parts, bool deflate)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr) << path;
    for (const Part& part : parts) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip64(zip, part.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        deflate ? Z_DEFLATED : 0, deflate ? Z_DEFAULT_COMPRESSION : 0, 1),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, part.bytes.data(), static_cast<unsigned>(part.bytes.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

static const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
static const char kRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string sheetXml(const std::string& sheetDataBody)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"") + kMain
        + "\"><sheetData>" + sheetDataBody + "</sheetData></worksheet>";
}

std::vector<Part> package(const std::vector<std::pair<std::string, std::string>>& sheets,
                          const std::string& sharedStrings)
{
    std::vector<Part> parts;
    std::string types = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
                        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                        "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
    parts.push_back({"[Content_Types].xml", types});
    parts.push_back({"_rels/.rels", std::string("<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                                "<Relationship Id=\"rId1\" Type=\"")
                                        + kRel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
    std::string workbook = std::string("<?xml version=\"1.0\"?><workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kRel
        + "\"><sheets>";
    std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        std::string n = std::to_string(i + 1);
        workbook += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + kRel + "/worksheet\" Target=\"worksheets/sheet" + n
            + ".xml\"/>";
        parts.push_back({"xl/worksheets/sheet" + n + ".xml", sheets[i].second});
    }
    workbook += "</sheets></workbook>";
    if (!sharedStrings.empty()) {
        rels += std::string("<Relationship Id=\"rIdS\" Type=\"") + kRel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        parts.push_back({"xl/sharedStrings.xml", sharedStrings});
    }
    rels += "</Relationships>";
    parts.push_back({"xl/workbook.xml", workbook});
    parts.push_back({"xl/_rels/workbook.xml.rels", rels});
    return parts;
}

void runOpenpyxl(const std::string& script, const std::string& out)
{
    std::string output;
    int status = testing_support::runPython(script, testing_support::shellQuote(out), &output);
    ASSERT_EQ(status, 0) << output;
}

}  // namespace xlsx_fixtures
