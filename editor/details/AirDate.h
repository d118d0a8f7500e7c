// The air window's date text: one fixed form, written and read the same under every locale.
//
// Written: "dd mmmm yyyy" with English month names ("31 December 2030"), the day number's
// weekday "dddd" in English ("Tuesday").
// Read: that form, the month's first three letters or more ("31 Dec 2030", "31 sept 2030"),
// day-first numbers ("31/12/2030", "31-12-2030", "31.12.2030", two-digit years 00-29 as
// 20xx and 30-99 as 19xx) and ISO "2030-12-31"; letter case and extra blanks do not matter,
// and a time of day behind the date ("1/2/2007 13:00") is ignored: the date is its day. A
// date must exist in the calendar (no roll-over: "31/02/2026" is refused) and lie within
// 31 December 1899 (day 1) and 31 December 9999.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumoedit {

inline constexpr std::int32_t kFirstAirDay = 1;       // 31 December 1899
inline constexpr std::int32_t kLastAirDay = 2958465;  // 31 December 9999

// False (day untouched) when the text is not a date of the range above.
bool ReadAirDate(std::string_view text, std::int32_t& day);
// The same as a date serial (the day at midnight), for callers that work in serials.
bool ParseAirDate(const std::string& text, double& serial);
// "" for a day outside the range.
std::string AirDateText(std::int32_t day);
std::string AirWeekdayText(std::int32_t day);

} // namespace lumoedit
