#include "import/worksheet_choice.h"

#include <gtest/gtest.h>

#include "import/user_interaction.h"
#include "workbook/book.h"
#include "workbook/cells/cell_names.h"

namespace {

using worksheet::ColumnNumber;
using worksheet::GuessFirstDataRow;
using worksheet::PreviewCellText;

TEST(ColumnNumber, IsTheInverseOfTheLetters)
{
    for (int c = 1; c <= 20000; ++c)
        ASSERT_EQ(ColumnNumber(wb::ColumnLetters(c - 1)), c) << c;
    EXPECT_EQ(ColumnNumber("aa"), 27);
    EXPECT_EQ(ColumnNumber("zZ"), 702);
    EXPECT_FALSE(ColumnNumber(""));
    EXPECT_FALSE(ColumnNumber("A1"));
    EXPECT_FALSE(ColumnNumber("ZZZZZZZZ"));  // beyond the int range
}

TEST(CreateBookFor, OnlyXlsInAnyCaseIsTheBinaryFormat)
{
    EXPECT_EQ(worksheet::CreateBookFor("a/b.xls")->fileFormat(), wb::Book::FileFormat::Xls);
    EXPECT_EQ(worksheet::CreateBookFor("B.XLS")->fileFormat(), wb::Book::FileFormat::Xls);
    EXPECT_EQ(worksheet::CreateBookFor("b.xlsx")->fileFormat(), wb::Book::FileFormat::Xlsx);
    EXPECT_EQ(worksheet::CreateBookFor("b.csv")->fileFormat(), wb::Book::FileFormat::Xlsx);
    EXPECT_EQ(worksheet::CreateBookFor("dir.xls/b")->fileFormat(), wb::Book::FileFormat::Xlsx);
}

TEST(FindSheet, ExactName)
{
    wb::Book book(wb::Book::FileFormat::Xlsx);
    book.addSheet("Data");
    book.addSheet("Other");
    EXPECT_EQ(worksheet::FindSheetIndex(book, "Other"), 1);
    EXPECT_EQ(worksheet::FindSheetIndex(book, "Data"), 0);
    EXPECT_EQ(worksheet::FindSheetIndex(book, "data"), -1);  // case counts
    EXPECT_EQ(worksheet::FindSheetIndex(book, "Data "), -1);
    EXPECT_EQ(worksheet::FindSheet(book, "DATA"), nullptr);
    EXPECT_EQ(worksheet::FindSheet(book, "Other"), book.getSheet(1));
}

class FirstRowGuess : public ::testing::Test {
protected:
    wb::Book book{wb::Book::FileFormat::Xlsx};
    wb::Sheet* sheet = book.addSheet("S");
};

TEST_F(FirstRowGuess, FirstTextInColumnB)
{
    sheet->writeStr(0, 0, "Sample");
    sheet->writeNum(2, 1, 5);     // a number in column B is no taxon name
    sheet->writeStr(3, 1, "");    // nor an empty text
    sheet->writeStr(4, 1, "Achnanthes");
    sheet->writeStr(6, 1, "Navicula");
    EXPECT_EQ(GuessFirstDataRow(*sheet), 5);
}

TEST_F(FirstRowGuess, OnlyTheFirstTwentyRows)
{
    sheet->writeStr(20, 1, "row 21");
    EXPECT_FALSE(GuessFirstDataRow(*sheet));
    sheet->writeStr(19, 1, "row 20");
    EXPECT_EQ(GuessFirstDataRow(*sheet), 20);
}

TEST_F(FirstRowGuess, TextInOtherColumnsIsIgnored)
{
    sheet->writeStr(1, 0, "A2");
    sheet->writeStr(1, 2, "C2");
    EXPECT_FALSE(GuessFirstDataRow(*sheet));
}

TEST_F(FirstRowGuess, FamilyFromTheChemistryLabels)
{
    EXPECT_FALSE(worksheet::GuessFamily(*sheet));  // an empty sheet names none
    sheet->writeStr(3, 0, "Lake type");
    EXPECT_EQ(worksheet::GuessFamily(*sheet), familyLakes);
    sheet->writeStr(3, 0, "ALKALINITY (mg/l)");
    EXPECT_EQ(worksheet::GuessFamily(*sheet), familyRivers);
    // A DAM sheet has its alkalinity in row 4 too: calcium in row 5 decides.
    sheet->writeStr(4, 0, "Calcium (ueq/l)");
    EXPECT_EQ(worksheet::GuessFamily(*sheet), familyDam);
    // Calcium in row 4 is not where the import reads it; a number is no label.
    wb::Sheet* other = book.addSheet("T");
    other->writeStr(3, 0, "Calcium");
    other->writeNum(4, 0, 1);
    EXPECT_FALSE(worksheet::GuessFamily(*other));
}

class PreviewText : public ::testing::Test {
protected:
    wb::Book book{wb::Book::FileFormat::Xlsx};
    wb::Sheet* sheet = book.addSheet("S");
};

TEST_F(PreviewText, DatesOnlyInRowThreeFromColumnThree)
{
    // 40000 is 6 July 2009 (the spreadsheet's own serial numbering).
    sheet->writeNum(2, 2, 40000);
    sheet->writeNum(2, 1, 40000);
    sheet->writeNum(3, 2, 40000);
    sheet->writeNum(2, 3, 20000);
    sheet->writeNum(2, 4, 20000.5);  // day 20000, 3 October 1954
    sheet->writeNum(2, 5, 60000);
    sheet->writeNum(2, 6, 59999);    // 60000 is 8 April 2064, so the day before
    EXPECT_EQ(PreviewCellText(*sheet, 3, 3), "06-Jul-2009");
    EXPECT_EQ(PreviewCellText(*sheet, 3, 2), "40000");
    EXPECT_EQ(PreviewCellText(*sheet, 4, 3), "40000");
    EXPECT_EQ(PreviewCellText(*sheet, 3, 4), "20000");
    EXPECT_EQ(PreviewCellText(*sheet, 3, 5), "03-Oct-1954");
    EXPECT_EQ(PreviewCellText(*sheet, 3, 6), "60000");
    EXPECT_EQ(PreviewCellText(*sheet, 3, 7), "07-Apr-2064");
}

TEST_F(PreviewText, NumbersWithThirteenDigitsAndTexts)
{
    sheet->writeNum(0, 0, 0.1 + 0.2);  // 0.30000000000000004 to 13 digits
    sheet->writeNum(0, 1, 1234567890123456.0);
    sheet->writeStr(0, 2, "Navicula\tx");
    sheet->writeNum(0, 3, -2.5);
    EXPECT_EQ(PreviewCellText(*sheet, 1, 1), "0.3");
    EXPECT_EQ(PreviewCellText(*sheet, 1, 2), "1.234567890123e+15");
    EXPECT_EQ(PreviewCellText(*sheet, 1, 3), "Navicula\tx");
    EXPECT_EQ(PreviewCellText(*sheet, 1, 4), "-2.5");
    EXPECT_EQ(PreviewCellText(*sheet, 1, 5), "");
    EXPECT_EQ(PreviewCellText(*sheet, 50, 50), "");
}

}  // namespace
