#include <clocale>
#include <cstdio>
#include <gtest/gtest.h>

#include "matrix/number_format.h"

namespace {

// Sets a comma-decimal locale for the test's lifetime (when the machine has one).
class CommaLocale {
public:
    CommaLocale()
    {
        const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE"};
        for (const char* n : names)
            if (std::setlocale(LC_ALL, n)) {
                active = true;
                break;
            }
    }
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    bool active = false;
};

}  // namespace

TEST(NumberText, GeneralFormatsAsPrintfDoes)
{
    EXPECT_EQ(numtext::g(40321), "40321");
    EXPECT_EQ(numtext::g(123.4567), "123.457");
    EXPECT_EQ(numtext::g(1234567), "1.23457e+06");
    EXPECT_EQ(numtext::g(0.0001), "0.0001");
    EXPECT_EQ(numtext::g(0.00001), "1e-05");
    EXPECT_EQ(numtext::g(100), "100");
    EXPECT_EQ(numtext::g(-99.9), "-99.9");
    EXPECT_EQ(numtext::g(0), "0");
    EXPECT_EQ(numtext::g13(0.1 + 0.2), "0.3");
    EXPECT_EQ(numtext::g13(1.0 / 3.0), "0.3333333333333");
    EXPECT_EQ(numtext::g17(0.1), "0.10000000000000001");
}

TEST(NumberText, TemplatesFillInOrder)
{
    EXPECT_EQ(numtext::format("%d alkalinity values out of range.\r\nSet to %g or %g mg/l.", {3LL, 6.0, 150.0}),
              "3 alkalinity values out of range.\r\nSet to 6 or 150 mg/l.");
    EXPECT_EQ(numtext::format("row %d, col %d", {12LL, 3LL}), "row 12, col 3");
    EXPECT_EQ(numtext::format("Code = %08lx", {static_cast<long long>(static_cast<int>(0x80004005))}),
              "Code = 80004005");
    EXPECT_EQ(numtext::format("%ld|%s|%%|%5.1f|%-4d|", {7LL, "text", 2.25, 9LL}), "7|text|%|  2.2|9   |");
    EXPECT_EQ(numtext::format("%02d-%s-%04d", {6LL, "Jul", 2009LL}), "06-Jul-2009");
}

TEST(NumberText, SameTextUnderACommaDecimalLocale)
{
    CommaLocale locale;
    if (!locale.active)
        GTEST_SKIP() << "no comma-decimal locale installed";
    char printed[32];
    std::snprintf(printed, sizeof printed, "%g", 123.4567);
    ASSERT_STREQ(printed, "123,457") << "the locale should really use a comma";
    EXPECT_EQ(numtext::g(123.4567), "123.457");
    EXPECT_EQ(numtext::g13(2.5), "2.5");
    EXPECT_EQ(numtext::format("%g mg/l", {0.5}), "0.5 mg/l");
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("2.5"), 2.5);
}

TEST(NumberText, LeadingIntegerReadsLikeAtoi)
{
    EXPECT_EQ(numtext::leadingInteger("40000"), 40000);
    EXPECT_EQ(numtext::leadingInteger("  40000.75"), 40000);
    EXPECT_EQ(numtext::leadingInteger("-12abc"), -12);
    EXPECT_EQ(numtext::leadingInteger("+7"), 7);
    EXPECT_EQ(numtext::leadingInteger(""), 0);
    EXPECT_EQ(numtext::leadingInteger("x12"), 0);
    EXPECT_EQ(numtext::leadingInteger("99999999999999"), 2147483647);
}

TEST(NumberText, LeadingNumberTakesTheLongestDecimalNumber)
{
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("100"), 100.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber(" 12.5 mg/l"), 12.5);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("-3e2x"), -300.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("5."), 5.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("1e"), 1.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("2e+"), 2.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("."), 0.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(numtext::leadingNumber("1,5"), 1.0);
}
