// The air window's date text, in the user's locale: QLocale(), which is the system locale of
// the environment (LC_ALL, then LC_TIME, then LANG) unless the program set a default.
//
// Written: "dd mmmm yyyy" with the locale's month name and digits ("31 December 2030",
// "31 décembre 2030"), and the weekday "dddd" in the locale's language.
// Read:
// - a month name with the day and the year around it: the locale's long and short names and
//   the English ones, which earlier versions wrote, English also by its first three letters or
//   more ("31 Dec 2030", "31 sept 2030", "December 31, 2030", "31 dicembre 2030");
// - numbers alone in the locale's short-date order ("12/31/2030" for a US user, "31.12.2030"
//   for a German one), and day-first where that order gives no date; ISO "2030-12-31" always.
//   Two-digit years 00-29 are 20xx and 30-99 19xx.
// Letter case, blanks and the locale's own digits do not matter, and a time of day behind the
// date ("1/2/2007 13:00") is ignored: the date is its day. A date must exist in the calendar
// (no roll-over: "31/02/2026" is refused) and lie within 31 December 1899 (day 1) and
// 31 December 9999.
#pragma once

#include <QLocale>

#include <cstdint>
#include <string>
#include <string_view>

namespace lumoedit {

inline constexpr std::int32_t kFirstAirDay = 1;       // 31 December 1899
inline constexpr std::int32_t kLastAirDay = 2958465;  // 31 December 9999

// False (day untouched) when the text is not a date of the range above.
bool ReadAirDate(std::string_view text, std::int32_t& day, const QLocale& locale = QLocale());
// The same as a date serial (the day at midnight), for callers that work in serials.
bool ParseAirDate(const std::string& text, double& serial);
// "" for a day outside the range.
std::string AirDateText(std::int32_t day, const QLocale& locale = QLocale());
std::string AirWeekdayText(std::int32_t day, const QLocale& locale = QLocale());

} // namespace lumoedit
