#include "base/civil_date.h"

#include <gtest/gtest.h>

TEST(CivilDate, KnownDaysBothWays)
{
    struct Case {
        std::int64_t year;
        unsigned month, day;
        std::int64_t days;  // since 1970-01-01, worked out by hand
    } cases[] = {
        {1970, 1, 1, 0},
        {1969, 12, 31, -1},
        {1899, 12, 30, -25569},   // the spreadsheet's day 0
        {2009, 7, 6, 40000 - 25569},
        {2000, 2, 29, 11016},     // 30 years (7 leap days) + 31 + 28 days
        {2000, 3, 1, 11017},
        {1600, 1, 1, -135140},    // 370 * 365 days + 90 leap days
        {100, 1, 1, -683003},     // as Python's datetime counts it
        {9999, 12, 31, 2932896},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(civil::DaysFromDate(c.year, c.month, c.day), c.days) << c.year << "-" << c.month << "-" << c.day;
        const civil::Date date = civil::DateFromDays(c.days);
        EXPECT_EQ(date.year, c.year) << c.days;
        EXPECT_EQ(date.month, c.month) << c.days;
        EXPECT_EQ(date.day, c.day) << c.days;
    }
}

TEST(CivilDate, EveryDayOfFourCenturiesRoundTripsInOrder)
{
    std::int64_t expected = civil::DaysFromDate(1800, 1, 1);
    for (std::int64_t year = 1800; year < 2200; ++year)
        for (unsigned month = 1; month <= 12; ++month)
            for (unsigned day = 1; day <= civil::DaysInMonth(year, month); ++day) {
                ASSERT_EQ(civil::DaysFromDate(year, month, day), expected) << year << "-" << month << "-" << day;
                const civil::Date back = civil::DateFromDays(expected);
                ASSERT_TRUE(back.year == year && back.month == month && back.day == day) << expected;
                ++expected;
            }
}

TEST(CivilDate, LeapYearsAndMonthLengths)
{
    EXPECT_TRUE(civil::IsLeapYear(2000));
    EXPECT_FALSE(civil::IsLeapYear(1900));
    EXPECT_TRUE(civil::IsLeapYear(2024));
    EXPECT_FALSE(civil::IsLeapYear(2023));
    EXPECT_EQ(civil::DaysInMonth(1900, 2), 28u);
    EXPECT_EQ(civil::DaysInMonth(2000, 2), 29u);
    EXPECT_EQ(civil::DaysInMonth(2021, 4), 30u);
    EXPECT_EQ(civil::DaysInMonth(2021, 13), 0u);
    EXPECT_EQ(civil::DaysInMonth(2021, 0), 0u);
}

TEST(CivilDate, IsoAndUtcTexts)
{
    EXPECT_EQ(civil::IsoDateText({2023, 3, 8}), "2023-03-08");
    EXPECT_EQ(civil::IsoDateText({900, 12, 31}), "0900-12-31");
    EXPECT_EQ(civil::UtcTimeText(0), "1970-01-01 00:00:00 UTC");
    // 1 700 000 000 s: 19675 days (to 14 November 2023) and 80 000 s (22:13:20).
    EXPECT_EQ(civil::UtcTimeText(1700000000), "2023-11-14 22:13:20 UTC");
    // A second before 1970 belongs to the last day of 1969.
    EXPECT_EQ(civil::UtcTimeText(-1), "1969-12-31 23:59:59 UTC");
}
