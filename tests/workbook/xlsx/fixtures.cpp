#include "tests/workbook/xlsx/fixtures.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace xlsx_fixtures {

namespace {

void put16(std::string& out, unsigned value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void put64(std::string& out, std::uint64_t value)
{
    put32(out, static_cast<std::uint32_t>(value));
    put32(out, static_cast<std::uint32_t>(value >> 32));
}

// Raw deflate (no zlib header), as zip entries hold it.
std::string deflated(const std::string& bytes)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

void writeZip64(const std::string& path, const std::vector<Part>& parts, const Zip64Form& form)
{
    const std::string prefix = form.prefixBytes ? "a program before the archive" : "";
    std::string body;
    std::string directory;
    for (const Part& part : parts) {
        const std::string data = form.deflate ? deflated(part.bytes) : part.bytes;
        const std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0L, reinterpret_cast<const Bytef*>(part.bytes.data()), static_cast<uInt>(part.bytes.size())));
        const std::uint64_t offset = body.size();
        const unsigned method = form.deflate ? 8 : 0;
        const unsigned flags = form.dataDescriptors ? 8 : 0;
        // Local header: sizes in its ZIP64 extra field (zero with a data descriptor).
        std::string local;
        put32(local, 0x04034b50);
        put16(local, 45);
        put16(local, flags);
        put16(local, method);
        put32(local, 0x5A210000);  // a DOS time and date
        put32(local, form.dataDescriptors ? 0 : crc);
        put32(local, 0xFFFFFFFF);
        put32(local, 0xFFFFFFFF);
        put16(local, static_cast<unsigned>(part.name.size()));
        put16(local, 20);
        local += part.name;
        put16(local, 0x0001);
        put16(local, 16);
        put64(local, form.dataDescriptors ? 0 : part.bytes.size());
        put64(local, form.dataDescriptors ? 0 : data.size());
        body += local + data;
        if (form.dataDescriptors) {
            put32(body, 0x08074b50);
            put32(body, crc);
            put64(body, data.size());
            put64(body, part.bytes.size());
        }
        // Central header: every size and the offset in the ZIP64 extra field.
        const unsigned extraBytes = form.shortExtra ? 16 : 24;
        put32(directory, 0x02014b50);
        put16(directory, 45);
        put16(directory, 45);
        put16(directory, flags);
        put16(directory, method);
        put32(directory, 0x5A210000);
        put32(directory, crc);
        put32(directory, 0xFFFFFFFF);
        put32(directory, 0xFFFFFFFF);
        put16(directory, static_cast<unsigned>(part.name.size()));
        put16(directory, 4 + extraBytes);
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, 0xFFFFFFFF);
        directory += part.name;
        put16(directory, 0x0001);
        put16(directory, extraBytes);
        put64(directory, part.bytes.size());
        put64(directory, data.size());
        if (!form.shortExtra)
            put64(directory, offset);
    }
    std::string out = prefix + body + directory;
    // The ZIP64 end record and its locator (offsets counted as the archive counts them,
    // from its own start), then the end record.
    const std::uint64_t zip64End = body.size() + directory.size();
    put32(out, 0x06064b50);
    put64(out, 44);
    put16(out, 45);
    put16(out, 45);
    put32(out, 0);
    put32(out, 0);
    put64(out, parts.size());
    put64(out, parts.size());
    put64(out, directory.size());
    put64(out, body.size());
    put32(out, 0x07064b50);
    put32(out, 0);
    put64(out, zip64End);
    put32(out, 1);
    put32(out, 0x06054b50);
    put16(out, 0xFFFF);
    put16(out, 0xFFFF);
    put16(out, 0xFFFF);
    put16(out, 0xFFFF);
    put32(out, 0xFFFFFFFF);
    put32(out, 0xFFFFFFFF);
    put16(out, 0);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    EXPECT_TRUE(file.good()) << path;
}

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
