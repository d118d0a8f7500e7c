// Date serials: double days since 30 December 1899, the time of day as the fraction.
// Before that day the whole part counts back and the fraction is still the time of day
// (-1.25 is 29 December 1899, 06:00).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
};

struct ClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The serial of a calendar date. Months outside 1..12 roll into the neighbouring years and
// days outside the month roll into the neighbouring months (day 0 is the last day of the
// month before). Raises error 5 when the result lies outside the years 100 to 9999.
double DateSerial(int year, int month, int day);

// The fraction of a day for a time; out-of-range parts roll over (25:00:00 is 1 + 1/24).
double TimeSerial(int hour, int minute, int second);

// The calendar date and time of day of a serial (time rounded to the nearest second).
CivilDate SplitDate(double serial);
ClockTime SplitTime(double serial);

// The whole day of a serial (its day number) and its time of day in seconds.
std::int32_t DayNumber(double serial);
double SecondsOfDay(double serial);

// Serial from a day number and seconds since midnight.
double SerialFromDayAndSeconds(std::int32_t day, double seconds);

// 1 = Sunday .. 7 = Saturday.
int Weekday(double serial);

// Whether year/month/day is a real calendar date (no roll-over).
bool IsValidDate(int year, int month, int day);

// Local date and time now, and today at midnight.
double Now();
double Today();

// Formats a serial with a date pattern: yyyy yy mmmm mmm mm m dddd ddd dd d hh h nn n ss s
// ("mm" right after an hour part means minutes); anything else is copied. English names.
std::string FormatDate(double serial, std::string_view pattern);

} // namespace platform
