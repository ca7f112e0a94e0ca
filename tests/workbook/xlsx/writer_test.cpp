// Files written through the book layer, read back by openpyxl (an independent reader).
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "workbook/book.h"

using testing_support::TempDir;

namespace {

// Prints every cell of every sheet as "sheet|coordinate|data type|value|number format".
const char kDump[] = R"(
import sys
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1])
print("sheets|" + "|".join(wb.sheetnames))
for ws in wb.worksheets:
    for row in ws.iter_rows():
        for c in row:
            if c.value is None:
                continue
            v = c.value
            if isinstance(v, float):
                v = repr(v)
            print("%s|%s|%s|%s|%s" % (ws.title, c.coordinate, c.data_type, v, c.number_format))
)";

std::string dump(const std::string& path)
{
    std::string out;
    int status = testing_support::runPython(kDump, testing_support::shellQuote(path), &out);
    EXPECT_EQ(status, 0) << out;
    return out;
}

// The results workbook's way of writing: two formats first, then sheets and cells.
void writeResultsLike(wb::Book& book)
{
    wb::Format* date = book.addFormat();
    date->setNumFormat(14);
    wb::Format* twoDecimals = book.addFormat();
    twoDecimals->setNumFormat(2);
    wb::Sheet* summary = book.addSheet("Job Summary");
    ASSERT_NE(summary, nullptr);
    EXPECT_TRUE(summary->writeStr(0, 0, "TORVEN II – Größe µg/l"));
    EXPECT_TRUE(summary->writeStr(2, 0, "Code"));
    wb::Sheet* samples = book.addSheet("Sample Summary");
    ASSERT_NE(samples, nullptr);
    EXPECT_TRUE(samples->writeNum(1, 0, 40313, date));
    EXPECT_TRUE(samples->writeNum(1, 1, 1234.5678, twoDecimals));
    EXPECT_TRUE(samples->writeNum(1, 2, -0.125));
    EXPECT_TRUE(samples->writeNum(1, 3, 12));
    EXPECT_TRUE(samples->writeStr(1, 4, "Good"));
}

const char kExpected[] =
    "sheets|Job Summary|Sample Summary\n"
    "Job Summary|A1|s|TORVEN II – Größe µg/l|General\n"
    "Job Summary|A3|s|Code|General\n"
    "Sample Summary|A2|d|2010-05-15 00:00:00|mm-dd-yy\n"
    "Sample Summary|B2|n|1234.5678|0.00\n"
    "Sample Summary|C2|n|-0.125|General\n"
    "Sample Summary|D2|n|12|General\n"
    "Sample Summary|E2|s|Good|General\n";

}  // namespace

TEST(XlsxWriter, OpenpyxlReadsSheetsKindsValuesAndFormats)
{
    TempDir dir;
    auto book = wb::xlCreateXMLBook();
    writeResultsLike(*book);
    std::string path = dir.file("Results.xlsx");
    ASSERT_TRUE(book->save(path)) << book->errorMessage();
    // openpyxl shows built-in format 14 as "mm-dd-yy" and turns such a number into a
    // date: serial 40313 is 2010-05-15 (2010-01-01 = 40179, + 134 days).
    EXPECT_EQ(dump(path), kExpected);
    // Nothing else is left beside the file.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(XlsxWriter, NumbersStayRightUnderCommaDecimalLocale)
{
    TempDir dir;
    std::string path = dir.file("Results.xlsx");
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is not installed";
    {
        auto book = wb::xlCreateXMLBook();
        writeResultsLike(*book);
        bool saved = book->save(path);
        std::setlocale(LC_ALL, "C");
        ASSERT_TRUE(saved) << book->errorMessage();
    }
    EXPECT_EQ(dump(path), kExpected);
}

TEST(XlsxWriter, FailedSavesLeaveTheTargetAndNoLitter)
{
    TempDir dir;
    std::string path = dir.file("Results.xlsx");
    testing_support::writeFile(path, "the earlier results");

    auto book = wb::xlCreateXMLBook();
    wb::Sheet* sheet = book->addSheet("S");
    ASSERT_NE(sheet, nullptr);
    // Longer than the 32,767 characters a cell can hold: libxlsxwriter refuses it while
    // the file is being built, after the temporary file exists.
    ASSERT_TRUE(sheet->writeStr(0, 0, std::string(40000, 'x')));
    EXPECT_FALSE(book->save(path));
    EXPECT_NE(book->errorMessage().find("A1"), std::string::npos) << book->errorMessage();
    EXPECT_EQ(testing_support::readFile(path), "the earlier results");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);

    auto fine = wb::xlCreateXMLBook();
    ASSERT_NE(fine->addSheet("S"), nullptr);
    EXPECT_FALSE(fine->save(dir.file("no such folder/Results.xlsx")));
    EXPECT_NE(fine->errorMessage().find("does not exist"), std::string::npos) << fine->errorMessage();
    EXPECT_FALSE(fine->save(dir.path().string()));
    EXPECT_NE(fine->errorMessage().find("folder"), std::string::npos) << fine->errorMessage();
}

TEST(XlsxWriter, NonFiniteNumbersNeverReachTheFile)
{
    TempDir dir;
    auto book = wb::xlCreateXMLBook();
    wb::Sheet* sheet = book->addSheet("S");
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->writeNum(0, 0, std::nan("")));
    EXPECT_FALSE(sheet->writeNum(0, 1, INFINITY));
    EXPECT_FALSE(sheet->writeNum(0, 2, -INFINITY));
    EXPECT_EQ(sheet->cellType(0, 0), wb::CellType::Empty);
    EXPECT_TRUE(sheet->writeNum(1, 0, 2.5));
    std::string path = dir.file("finite.xlsx");
    ASSERT_TRUE(book->save(path)) << book->errorMessage();
    EXPECT_EQ(dump(path), "sheets|S\nS|A2|n|2.5|General\n");
}
