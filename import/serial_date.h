#pragma once

#include <string>

// Spreadsheet serial day numbers in the 1900 date system, where serial 60 is the
// 29 February 1900 that the spreadsheet believes in.
struct CalendarDate {
    int day = 0;
    int month = 0;
    int year = 0;
};

CalendarDate SerialToDate(int serial);

// The date of a serial as "%d-%b-%Y" (two-digit day, English month abbreviation,
// four-digit year), e.g. 40000 gives "06-Jul-2009".
std::string SerialDateText(int serial);

// The text a sampling date's number travels as in the job's header rows: as other header
// numbers within the window of dates shown ("40321"), and outside it every digit the
// number has ("2958465", "1e+15", "1.5"), so that the results write the number the
// workbook holds rather than the few digits of its short form.
std::string DateHeaderText(double serial);
