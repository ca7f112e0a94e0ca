#include <gtest/gtest.h>

#include "import/serial_date.h"

namespace {

void expectDate(int serial, int day, int month, int year)
{
    CalendarDate d = SerialToDate(serial);
    EXPECT_EQ(d.day, day) << "serial " << serial;
    EXPECT_EQ(d.month, month) << "serial " << serial;
    EXPECT_EQ(d.year, year) << "serial " << serial;
}

}  // namespace

TEST(SerialDate, TheSpreadsheetCalendar)
{
    expectDate(1, 1, 1, 1900);
    expectDate(59, 28, 2, 1900);
    expectDate(60, 29, 2, 1900);  // the leap day the spreadsheet invents
    expectDate(61, 1, 3, 1900);
    expectDate(20000, 3, 10, 1954);
    expectDate(40000, 6, 7, 2009);
    expectDate(60000, 8, 4, 2064);
    // 30 June and 1 July 2009, either side of the season change.
    expectDate(39994, 30, 6, 2009);
    expectDate(39995, 1, 7, 2009);
}

TEST(SerialDate, DateText)
{
    EXPECT_EQ(SerialDateText(40000), "06-Jul-2009");
    EXPECT_EQ(SerialDateText(20000), "03-Oct-1954");
    EXPECT_EQ(SerialDateText(60), "29-Feb-1900");
}
