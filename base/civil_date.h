#pragma once

#include <cstdint>
#include <string>

// Proleptic Gregorian calendar dates and day counts. Spreadsheets and Access both count
// days from 30 December 1899 (day 0); this counts from 1 January 1970, which is day 25569
// of theirs.
namespace civil {

struct Date {
    std::int64_t year = 1970;
    unsigned month = 1;  // 1 to 12
    unsigned day = 1;    // 1 to 31
};

inline constexpr std::int64_t kDaysFrom1899To1970 = 25569;

// Days from 1970-01-01 to the date (negative before it).
std::int64_t DaysFromDate(std::int64_t year, unsigned month, unsigned day);
// The date that many days after 1970-01-01.
Date DateFromDays(std::int64_t days);

bool IsLeapYear(std::int64_t year);
// 28 to 31; 0 for a month outside 1 to 12.
unsigned DaysInMonth(std::int64_t year, unsigned month);

// The date as ISO 8601, "2023-03-08" (years outside 0 to 9999 with their digits as they are).
std::string IsoDateText(const Date& date);
// A moment given in seconds since 1970-01-01 00:00:00 UTC as "2026-12-08 21:40:07 UTC".
std::string UtcTimeText(std::int64_t secondsSince1970);

}  // namespace civil
