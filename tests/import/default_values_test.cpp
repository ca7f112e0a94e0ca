#include "import/default_values.h"

#include <clocale>

#include <gtest/gtest.h>

namespace {

DefaultValueTexts all(const char* alkalinity, const char* calcium, const char* doc)
{
    return DefaultValueTexts{std::string(alkalinity), std::string(calcium), std::string(doc)};
}

}  // namespace

TEST(DefaultValues, BoundsAreAcceptedAndReachTheValues)
{
    DefaultValues values;
    EXPECT_FALSE(CheckDefaultValues(all("1000", "100", "0"), values));
    EXPECT_EQ(values.alkalinityMgL, 1000);
    EXPECT_EQ(values.calciumUeqL, 100);
    EXPECT_EQ(values.docMgL, 0);
    EXPECT_FALSE(CheckDefaultValues(all(" +12.5 ", "0", "20"), values));
    EXPECT_EQ(values.alkalinityMgL, 12.5);
}

TEST(DefaultValues, RefusalNamesTheFirstBoxInDialogOrderAndChangesNothing)
{
    struct Case {
        DefaultValueTexts texts;
        DefaultValueBox box;
        const char* message;
    } cases[] = {
        {all("1000.5", "100", "1"), DefaultValueBox::alkalinity, "Please enter a number between 0 and 1000."},
        {all("-1", "100", "1"), DefaultValueBox::alkalinity, "Please enter a number between 0 and 1000."},
        {all("100", "101", "1"), DefaultValueBox::calcium, "Please enter a number between 0 and 100."},
        {all("100", "100", "20.01"), DefaultValueBox::doc, "Please enter a number between 0 and 20."},
        {all("", "100", "1"), DefaultValueBox::alkalinity, "Please enter a number."},
        {all("100", "5mg", "1"), DefaultValueBox::calcium, "Please enter a number."},
        {all("100", "100", "nan"), DefaultValueBox::doc, "Please enter a number."},
        {all("100", "100", "1e999"), DefaultValueBox::doc, "Please enter a number."},
        // The first failing box wins, even when a later one also fails.
        {all("2000", "abc", "abc"), DefaultValueBox::alkalinity, "Please enter a number between 0 and 1000."},
        // A good first box is not written when a later one fails.
        {all("7", "500", "1"), DefaultValueBox::calcium, "Please enter a number between 0 and 100."},
    };
    for (const Case& c : cases) {
        DefaultValues values;
        std::optional<DefaultValueRefusal> refusal = CheckDefaultValues(c.texts, values);
        ASSERT_TRUE(refusal) << c.message;
        EXPECT_EQ(refusal->box, c.box) << c.message;
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(values.alkalinityMgL, 100);
        EXPECT_EQ(values.calciumUeqL, 100);
        EXPECT_EQ(values.docMgL, 1);
    }
}

TEST(DefaultValues, AbsentTextKeepsTheCurrentValue)
{
    DefaultValues values;
    values.calciumUeqL = 42;
    DefaultValueTexts texts;
    texts.doc = "3";
    EXPECT_FALSE(CheckDefaultValues(texts, values));
    EXPECT_EQ(values.alkalinityMgL, 100);
    EXPECT_EQ(values.calciumUeqL, 42);
    EXPECT_EQ(values.docMgL, 3);
}

TEST(DefaultValues, TextsIgnoreTheLocale)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    EXPECT_EQ(DefaultValueText(100), "100");
    EXPECT_EQ(DefaultValueText(2.5), "2.5");
    DefaultValues values;
    EXPECT_FALSE(CheckDefaultValues(all("2.5", "100", "1"), values));
    EXPECT_EQ(values.alkalinityMgL, 2.5);
    EXPECT_TRUE(CheckDefaultValues(all("2,5", "100", "1"), values));
    std::setlocale(LC_ALL, "C");
}
