#include <gtest/gtest.h>

#include "ui/about_text.h"
#include "ui/preview_rules.h"
#include "ui/results_file_name.h"
#include "workbook/book.h"

TEST(PreviewTint, DataBlockFromFirstRowAndColumn)
{
    // First data row 5, column C: the block starts at grid row 5, grid column 3.
    EXPECT_TRUE(preview::InDataBlock(5, 3, 5, 3));
    EXPECT_TRUE(preview::InDataBlock(30, 40, 5, 3));
    EXPECT_FALSE(preview::InDataBlock(4, 3, 5, 3));
    EXPECT_FALSE(preview::InDataBlock(5, 2, 5, 3));
    const Colour tint = preview::CellBackground(5, 3, 5, 3);
    EXPECT_EQ(tint.red, 200);
    EXPECT_EQ(tint.green, 255);
    EXPECT_EQ(tint.blue, 255);
    const Colour plain = preview::CellBackground(1, 1, 5, 3);
    EXPECT_EQ(plain.red, 255);
    EXPECT_EQ(plain.green, 255);
    EXPECT_EQ(plain.blue, 255);
}

TEST(PreviewTint, ClicksOnlyInsideTheSheet)
{
    EXPECT_TRUE(preview::AcceptsPosition(25, 30));
    EXPECT_TRUE(preview::AcceptsPosition(30, 30));
    EXPECT_FALSE(preview::AcceptsPosition(31, 30));
    EXPECT_FALSE(preview::AcceptsPosition(0, 30));
    EXPECT_FALSE(preview::AcceptsPosition(1, 0));
}

TEST(PreviewCell, HeadingsTextsAlignmentAndTint)
{
    std::unique_ptr<wb::Book> book = wb::xlCreateXMLBook();
    wb::Sheet* sheet = book->addSheet("Samples");
    sheet->writeStr(0, 0, "Sample");
    sheet->writeNum(2, 2, 40000);
    sheet->writeNum(3, 2, 12.5);
    sheet->writeStr(3, 27, "Navicula");

    // Column letters above, row numbers on the left (right-aligned), neither tinted.
    EXPECT_EQ(preview::Cell(*sheet, 0, 1, 1, 1).text, "A");
    EXPECT_EQ(preview::Cell(*sheet, 0, 27, 1, 1).text, "AA");
    EXPECT_EQ(preview::Cell(*sheet, 0, 28, 1, 1).text, "AB");
    EXPECT_EQ(preview::Cell(*sheet, 0, 0, 1, 1).text, "");
    EXPECT_FALSE(preview::Cell(*sheet, 0, 3, 1, 1).background);
    const GridCell rowNumber = preview::Cell(*sheet, 12, 0, 1, 1);
    EXPECT_EQ(rowNumber.text, "12");
    EXPECT_TRUE(rowNumber.rightAligned);
    EXPECT_FALSE(rowNumber.background);

    // Numbers and the date of grid row 3 right-aligned as in a spreadsheet; texts and
    // empty cells left.
    const GridCell date = preview::Cell(*sheet, 3, 3, 4, 3);
    EXPECT_EQ(date.text, "06-Jul-2009");
    EXPECT_TRUE(date.rightAligned);
    EXPECT_EQ(date.background, preview::kPlain);
    const GridCell count = preview::Cell(*sheet, 4, 3, 4, 3);
    EXPECT_EQ(count.text, "12.5");
    EXPECT_TRUE(count.rightAligned);
    EXPECT_EQ(count.background, preview::kDataTint);
    const GridCell name = preview::Cell(*sheet, 4, 28, 4, 3);
    EXPECT_EQ(name.text, "Navicula");
    EXPECT_FALSE(name.rightAligned);
    EXPECT_EQ(name.background, preview::kDataTint);
    const GridCell label = preview::Cell(*sheet, 1, 1, 4, 3);
    EXPECT_EQ(label.text, "Sample");
    EXPECT_FALSE(label.rightAligned);
    EXPECT_EQ(label.background, preview::kPlain);
    const GridCell empty = preview::Cell(*sheet, 10, 10, 4, 3);
    EXPECT_EQ(empty.text, "");
    EXPECT_FALSE(empty.rightAligned);
    EXPECT_EQ(empty.background, preview::kDataTint);
}

TEST(ResultsFileName, TypeChangeKeepsTheBaseName)
{
    EXPECT_EQ(ResultsFileNameForType("Results.xls", true), "Results.xlsx");
    EXPECT_EQ(ResultsFileNameForType("Results.xlsx", false), "Results.xls");
    // No extension typed: the new type's is added each time.
    EXPECT_EQ(ResultsFileNameForType("Run 1", true), "Run 1.xlsx");
    EXPECT_EQ(ResultsFileNameForType("Run 1", false), "Run 1.xls");
    // A folder typed into the box is dropped, on either kind of separator, and a drive.
    EXPECT_EQ(ResultsFileNameForType("/home/me/out/Run 2.xls", true), "Run 2.xlsx");
    EXPECT_EQ(ResultsFileNameForType("C:\\out\\Run 3.xlsx", false), "Run 3.xls");
    EXPECT_EQ(ResultsFileNameForType("C:Run 4.xls", true), "Run 4.xlsx");
    // Only the last extension goes; a leading dot is part of the name.
    EXPECT_EQ(ResultsFileNameForType("site.2023.xls", true), "site.2023.xlsx");
    EXPECT_EQ(ResultsFileNameForType(".hidden", false), ".hidden.xls");
    EXPECT_EQ(ResultsFileNameForType("", true), ".xlsx");
}

TEST(AboutText, VersionLineAndParagraphs)
{
    const std::string text = AboutText("2,0,13,0");
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "TORVEN II Version 2.0.13.0");
    EXPECT_EQ(text.substr(text.find("\r\n"), 4), "\r\n\r\n");
    EXPECT_NE(text.find("GNU General Public License"), std::string::npos);
    EXPECT_NE(text.find("issue tracker"), std::string::npos);
    // Paragraphs are separated by one empty line, never more.
    EXPECT_EQ(text.find("\r\n\r\n\r\n"), std::string::npos);
    EXPECT_EQ(AboutText("2.0.13.0"), text);
    // Without a version the word stays alone.
    const std::string empty = AboutText("");
    EXPECT_EQ(empty.substr(0, empty.find("\r\n")), "TORVEN II Version ");
    EXPECT_EQ(SplashVersionLine("2,0,13,0"), "Version 2.0.13.0");
}
