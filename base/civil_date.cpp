#include "base/civil_date.h"

#include <cstdio>

namespace civil {

// Both conversions are H. Hinnant's, exact over the whole range of a 64-bit day count:
// they count in 400-year eras of 146097 days that start on 1 March, so that the leap day
// is the last day of a year.

std::int64_t DaysFromDate(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);                          // 0 .. 399
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;  // 0 .. 365
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;  // 0 .. 146096
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

Date DateFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 = March
    Date date;
    date.day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    date.month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    date.year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

bool IsLeapYear(std::int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

unsigned DaysInMonth(std::int64_t year, unsigned month)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string IsoDateText(const Date& date)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(date.year), date.month, date.day);
    return text;
}

std::string UtcTimeText(std::int64_t secondsSince1970)
{
    // Floor division, so that a moment before 1970 falls on the day it belongs to.
    std::int64_t days = secondsSince1970 / 86400;
    std::int64_t seconds = secondsSince1970 % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    char time[16];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d UTC", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return IsoDateText(DateFromDays(days)) + time;
}

}  // namespace civil
