#include "app/serial_date.h"

#include "matrix/number_format.h"

CalendarDate SerialToDate(int serial)
{
    if (serial == 60)
        return {29, 2, 1900};
    long long n = serial;
    if (n < 60)
        n += 1;
    // The Fliegel and Van Flandern conversion from a Julian day number; 2483588 is the
    // Julian day of the spreadsheet's day 0 plus the algorithm's own offset.
    long long l = n + 2483588;
    long long k = 4 * l / 146097;
    l = l - (146097 * k + 3) / 4;
    long long i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    long long j = 80 * l / 2447;
    CalendarDate date;
    date.day = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    date.month = static_cast<int>(j + 2 - 12 * l);
    date.year = static_cast<int>(100 * (k - 49) + i + l);
    return date;
}

std::string SerialDateText(int serial)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    CalendarDate date = SerialToDate(serial);
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 || date.year < 0 || date.year > 9999)
        return "";
    return numtext::format("%02d-%s-%04d", {static_cast<long long>(date.day), months[date.month - 1],
                                            static_cast<long long>(date.year)});
}
