// The book/sheet layer itself: its rules and its round trip through an .xlsx file.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "workbook/book.h"

using testing_support::TempDir;
using wb::CellType;

TEST(Book, SheetNamesAreCheckedBeforeUse)
{
    auto book = wb::xlCreateXMLBook();
    EXPECT_NE(book->addSheet("Uncertainty LTDI2"), nullptr);
    EXPECT_NE(book->addSheet(std::string(31, 'a')), nullptr);
    // The limit counts characters, not bytes: 31 two-byte letters fit, 32 do not.
    std::string accented;
    for (int i = 0; i < 31; ++i)
        accented += "\xC3\xA9";
    EXPECT_NE(book->addSheet(accented), nullptr);
    EXPECT_EQ(book->addSheet(accented + "\xC3\xA9"), nullptr);

    const std::string refused[] = {"", std::string(32, 'b'), "a[b", "a]b", "a:b", "a*b", "a?b", "a/b", "a\\b",
                                   "'quoted", "quoted'", "uncertainty ltdi2"};
    for (const std::string& name : refused) {
        EXPECT_EQ(book->addSheet(name), nullptr) << name;
        EXPECT_FALSE(book->errorMessage().empty()) << name;
    }
    EXPECT_EQ(book->sheetCount(), 3);
}

TEST(Book, CellsKindsAndHandles)
{
    auto book = wb::xlCreateXMLBook();
    EXPECT_EQ(book->sheetCount(), 0);
    EXPECT_EQ(book->getSheet(0), nullptr);
    wb::Sheet* first = book->addSheet("One");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->writeNum(2, 3, 7.25));
    // Handles given out earlier stay valid while more sheets are added.
    for (int i = 0; i < 20; ++i)
        ASSERT_NE(book->addSheet("S" + std::to_string(i)), nullptr);
    EXPECT_EQ(first->name(), "One");
    EXPECT_EQ(first->readNum(2, 3), 7.25);
    EXPECT_EQ(book->getSheet(0), first);
    EXPECT_EQ(book->getSheet(-1), nullptr);
    EXPECT_EQ(book->getSheet(21), nullptr);

    EXPECT_FALSE(first->writeNum(-1, 0, 1));
    EXPECT_FALSE(first->writeStr(0, -1, "x"));
    EXPECT_TRUE(first->writeStr(2, 3, "replaced"));
    EXPECT_EQ(first->cellType(2, 3), CellType::Text);
    EXPECT_EQ(first->readNum(2, 3), 0.0);
    EXPECT_EQ(first->readStr(2, 3), "replaced");
    EXPECT_EQ(first->lastRow(), 3);
    EXPECT_EQ(first->lastCol(), 4);
    EXPECT_EQ(first->data().cellCount(), 1u);
}

TEST(Book, XlsxRoundTripAndFailedLoadKeepsTheBook)
{
    TempDir dir;
    auto book = wb::xlCreateXMLBook();
    wb::Format* date = book->addFormat();
    date->setNumFormat(14);
    EXPECT_EQ(date->numFormat(), 14);
    wb::Sheet* sheet = book->addSheet("Daten");
    ASSERT_NE(sheet, nullptr);
    sheet->writeStr(0, 0, "Sample");
    sheet->writeStr(0, 1, "Sample");  // the same text twice: one shared string
    sheet->writeNum(1, 0, 40313, date);
    sheet->writeNum(1, 1, 0.1);
    sheet->writeNum(4, 6, -1e300);
    sheet->writeNum(3, 2, 1.0 / 3.0);
    std::string path = dir.file("round.xlsx");
    ASSERT_TRUE(book->save(path)) << book->errorMessage();

    auto back = wb::xlCreateXMLBook();
    ASSERT_TRUE(back->load(path)) << back->errorMessage();
    ASSERT_EQ(back->sheetCount(), 1);
    const wb::Sheet& s = *back->getSheet(0);
    EXPECT_EQ(s.name(), "Daten");
    EXPECT_EQ(s.readStr(0, 0), "Sample");
    EXPECT_EQ(s.readStr(0, 1), "Sample");
    EXPECT_EQ(s.readNum(1, 0), 40313.0);
    EXPECT_EQ(s.readNum(1, 1), 0.1);
    EXPECT_EQ(s.readNum(4, 6), -1e300);
    EXPECT_EQ(s.readNum(3, 2), 1.0 / 3.0);  // 17 significant digits survive the text form
    EXPECT_EQ(s.lastRow(), 5);
    EXPECT_EQ(s.lastCol(), 7);

    testing_support::writeFile(dir.file("bad.xlsx"), "not a workbook");
    EXPECT_FALSE(back->load(dir.file("bad.xlsx")));
    EXPECT_FALSE(back->errorMessage().empty());
    ASSERT_EQ(back->sheetCount(), 1);
    EXPECT_EQ(back->getSheet(0)->readNum(1, 0), 40313.0);
}
