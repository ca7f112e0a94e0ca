// The look of a written .xls file: bold cells, column widths, frozen panes and print
// titles as xlrd reads them, the document properties decoded from the property set, and
// layouts the format cannot hold refused.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/temp_dir.h"
#include "workbook/book.h"
#include "workbook/xls/codec.h"
#include "workbook/xls/compound_file.h"
#include "workbook/xls/summary_information.h"

namespace {

using testing_support::readFile;
using testing_support::runPython;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;

// Per sheet: the bold cells, each column width (in 1/256 of a digit), the frozen panes
// and the print titles that xlrd finds.
const char* kLayoutScript = R"PY(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
titles = {}
for name in book.name_obj_list:
    if name.builtin and name.name == 'Print_Titles':
        sheet, rlo, rhi, clo, chi = name.area2d(clipped=False)
        titles[name.scope] = 'titles %s rows %d-%d cols %d-%d' % (sheet.name, rlo, rhi - 1, clo, chi - 1)
for i, s in enumerate(book.sheets()):
    print('sheet ' + s.name)
    for r in range(s.nrows):
        for c in range(s.ncols):
            if s.cell_type(r, c) != xlrd.XL_CELL_EMPTY:
                font = book.font_list[book.xf_list[s.cell_xf_index(r, c)].font_index]
                print('cell %d %d %s' % (r, c, 'bold' if font.bold and font.weight == 700 else 'plain'))
    for c, info in sorted(s.colinfo_map.items()):
        print('width %d %d' % (c, info.width))
    if s.panes_are_frozen:
        print('frozen %d %d' % (s.horz_split_pos, s.vert_split_pos))
    if i in titles:
        print(titles[i])
)PY";

TEST(XlsLayout, ReadByXlrd)
{
    auto book = wb::xlCreateBook();
    wb::Format* bold = book->addFormat();
    bold->setBold();
    wb::Format* boldTwoDecimals = book->addFormat();
    boldTwoDecimals->setBold();
    boldTwoDecimals->setNumFormat(2);
    wb::Format* plainTwoDecimals = book->addFormat();
    plainTwoDecimals->setNumFormat(2);
    EXPECT_TRUE(bold->isBold());
    EXPECT_FALSE(plainTwoDecimals->isBold());

    wb::Sheet* first = book->addSheet("Rows");
    first->writeStr(0, 0, "Header", bold);
    first->writeNum(0, 1, 2.5, boldTwoDecimals);
    first->writeNum(1, 0, 3.25, plainTwoDecimals);
    first->writeStr(1, 1, "plain");
    ASSERT_TRUE(first->setColumnWidth(0, 10));
    ASSERT_TRUE(first->setColumnWidth(3, 50));  // a column without cells
    ASSERT_TRUE(first->freezePanes(2, 0));
    ASSERT_TRUE(first->printTitleRows(0, 1));
    wb::Sheet* untouched = book->addSheet("Plain");
    untouched->writeStr(0, 0, "x");
    wb::Sheet* third = book->addSheet("Both");
    third->writeStr(0, 0, "y");
    ASSERT_TRUE(third->freezePanes(1, 1));
    ASSERT_TRUE(third->printTitleRows(0, 0));
    third->setFooter("&L&A&RPage &P");
    third->setLandscape();
    ASSERT_TRUE(third->fitToPagesWide(1));

    TempDir dir;
    const std::string path = dir.file("layout.xls");
    ASSERT_TRUE(book->save(path)) << book->errorMessage();
    std::string out;
    ASSERT_EQ(runPython(kLayoutScript, shellQuote(path), &out), 0) << out;
    // Widths with the cell padding: (10 * 7 + 5) * 256 / 7 = 2742.9 and (50 * 7 + 5) * 256 / 7 = 12982.9, cut.
    EXPECT_EQ(out,
              "sheet Rows\n"
              "cell 0 0 bold\n"
              "cell 0 1 bold\n"
              "cell 1 0 plain\n"
              "cell 1 1 plain\n"
              "width 0 2742\n"
              "width 3 12982\n"
              "frozen 2 0\n"
              "titles Rows rows 0-1 cols 0-255\n"
              "sheet Plain\n"
              "cell 0 0 plain\n"
              "sheet Both\n"
              "cell 0 0 plain\n"
              "frozen 1 1\n"
              "titles Both rows 0-0 cols 0-255\n");

    // The cells read back as they were written.
    auto again = wb::xlCreateBook();
    ASSERT_TRUE(again->load(path)) << again->errorMessage();
    EXPECT_EQ(again->getSheet(0)->readStr(0, 0).value_or(""), "Header");
    EXPECT_EQ(again->getSheet(0)->readNum(0, 1), 2.5);
    EXPECT_EQ(again->getSheet(0)->readNum(1, 0), 3.25);
}

TEST(XlsLayout, SettersRefuseWhatNoFormatHolds)
{
    auto book = wb::xlCreateBook();
    wb::Sheet* sheet = book->addSheet("S");
    EXPECT_FALSE(sheet->setColumnWidth(-1, 10));
    EXPECT_FALSE(sheet->setColumnWidth(0, -1));
    EXPECT_FALSE(sheet->setColumnWidth(0, 256));
    EXPECT_FALSE(sheet->freezePanes(-1, 0));
    EXPECT_FALSE(sheet->printTitleRows(2, 1));
    EXPECT_FALSE(sheet->printTitleRows(-1, 0));
    EXPECT_FALSE(sheet->fitToPagesWide(-1));
    EXPECT_FALSE(sheet->setPaper(70000));
    EXPECT_TRUE(sheet->layout().columnWidths.empty());
    EXPECT_EQ(sheet->layout().titleFirstRow, -1);
}

TEST(XlsLayout, BeyondTheFormatIsRefused)
{
    struct Case {
        const char* what;
        const char* inError;
        void (*fill)(wb::SheetLayout&);
    };
    const Case cases[] = {
        {"footer of 256 characters", "255", [](wb::SheetLayout& l) { l.footer = std::string(256, 'f'); }},
        {"footer not UTF-8", "UTF-8", [](wb::SheetLayout& l) { l.footer = "caf\xE9"; }},
        {"frozen row 65536", "frozen", [](wb::SheetLayout& l) { l.frozenRows = 65536; }},
        {"frozen column 256", "frozen", [](wb::SheetLayout& l) { l.frozenCols = 256; }},
        {"title row 65536", "print title", [](wb::SheetLayout& l) { l.titleFirstRow = 0, l.titleLastRow = 65536; }},
        {"width 300", "column width", [](wb::SheetLayout& l) { l.columnWidths = {300}; }},
    };
    TempDir dir;
    const std::string path = dir.file("old.xls");
    for (const Case& c : cases) {
        writeFile(path, "previous results");
        wb::WorkbookData data;
        data.sheets.emplace_back().name = "Sheet";
        wb::BookLayout layout;
        c.fill(layout.sheets.emplace_back());
        std::string error;
        EXPECT_FALSE(wb::writeXlsFile(data, layout, path, error)) << c.what;
        EXPECT_NE(error.find(c.inError), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(readFile(path), "previous results") << c.what;
    }
}

// The summary information property set, decoded by its published layout: a header
// naming one section, the section's property table, each value typed.
struct PropertySet {
    int codePage = 0;
    std::map<std::uint32_t, std::string> texts;
};

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}

PropertySet decode(const std::vector<std::uint8_t>& s)
{
    PropertySet set;
    EXPECT_EQ(s.at(0), 0xFE);
    EXPECT_EQ(s.at(1), 0xFF);
    EXPECT_EQ(le32(s, 24), 1u);  // one section
    const std::uint8_t fmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                    0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
    EXPECT_TRUE(std::equal(fmtid, fmtid + 16, s.begin() + 28));
    const std::size_t section = le32(s, 44);
    EXPECT_LE(section + le32(s, section), s.size());
    const std::uint32_t count = le32(s, section + 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = le32(s, section + 8 + 8 * i);
        const std::size_t at = section + le32(s, section + 12 + 8 * i);
        const std::uint32_t type = le32(s, at) & 0xFFFF;
        if (type == 2) {  // 16-bit integer
            set.codePage = s.at(at + 4) | (s.at(at + 5) << 8);
        } else if (type == 0x1E) {  // text with its closing zero
            const std::uint32_t size = le32(s, at + 4);
            EXPECT_EQ(s.at(at + 8 + size - 1), 0);
            set.texts[id] = std::string(s.begin() + static_cast<std::ptrdiff_t>(at + 8),
                                        s.begin() + static_cast<std::ptrdiff_t>(at + 8 + size - 1));
        } else {
            ADD_FAILURE() << "property " << id << " of type " << type;
        }
    }
    return set;
}

PropertySet writtenProperties(const wb::DocumentProperties& properties, const std::string& path)
{
    auto book = wb::xlCreateBook();
    book->addSheet("S")->writeNum(0, 0, 1);
    book->setProperties(properties);
    EXPECT_TRUE(book->save(path)) << book->errorMessage();
    std::string bytes = readFile(path);
    wb::CompoundFile file;
    std::string error;
    EXPECT_TRUE(file.open({bytes.begin(), bytes.end()}, error)) << error;
    std::vector<std::uint8_t> stream;
    EXPECT_TRUE(file.readStream("\x05SummaryInformation", stream, error)) << error;
    EXPECT_TRUE(file.hasStream("Workbook"));
    return stream.empty() ? PropertySet{} : decode(stream);
}

TEST(XlsLayout, DocumentProperties)
{
    TempDir dir;
    // Latin-1 texts in the Windows Latin-1 code page (ß is 0xDF there).
    wb::DocumentProperties properties;
    properties.title = "TORVEN II results";
    properties.subject = "Größe.xlsx";
    properties.keywords = "TORVEN II, TDI";
    properties.comments = "Program: TORVEN II\nAnalysed: now";
    properties.application = "TORVEN II 2.0";
    PropertySet latin = writtenProperties(properties, dir.file("a.xls"));
    EXPECT_EQ(latin.codePage, 1252);
    // Keywords and comments are properties 5 and 6.
    EXPECT_EQ(latin.texts, (std::map<std::uint32_t, std::string>{{2, "TORVEN II results"},
                                                                 {3, "Gr\xF6\xDF" "e.xlsx"},
                                                                 {5, "TORVEN II, TDI"},
                                                                 {6, "Program: TORVEN II\nAnalysed: now"},
                                                                 {0x12, "TORVEN II 2.0"}}));
    // Any other character makes them all UTF-8.
    properties = {};
    properties.title = "T";
    properties.subject = "Ω.xls";
    PropertySet wide = writtenProperties(properties, dir.file("b.xls"));
    EXPECT_EQ(wide.codePage, 65001);
    EXPECT_EQ(wide.texts, (std::map<std::uint32_t, std::string>{{2, "T"}, {3, "Ω.xls"}}));

    // No properties, no stream; xlrd still reads the file with the stream.
    EXPECT_TRUE(wb::summaryInformationStream({}).empty());
    std::string out;
    EXPECT_EQ(runPython("import sys, xlrd\nprint(xlrd.open_workbook(sys.argv[1]).sheet_names())",
                        shellQuote(dir.file("a.xls")), &out),
              0)
        << out;
    EXPECT_EQ(out, "['S']\n");
}

}  // namespace
