#include "import/serial_date.h"

#include "base/civil_date.h"
#include "import/sample_layout.h"
#include "matrix/number_format.h"

CalendarDate SerialToDate(int serial)
{
    if (serial == 60)
        return {29, 2, 1900};
    // Before the 29 February 1900 that never was, serials run one day behind the count of
    // days from 30 December 1899.
    long long days = serial;
    if (days < 60)
        days += 1;
    const civil::Date date = civil::DateFromDays(days - civil::kDaysFrom1899To1970);
    return {static_cast<int>(date.day), static_cast<int>(date.month), static_cast<int>(date.year)};
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

std::string DateHeaderText(double serial)
{
    return layout::ShownAsDate(serial) ? numtext::g(serial) : numtext::g17(serial);
}
