// The utility object's numeric key filter: what a number box keeps of a typed character.
// A box's KeyPress handler replaces the key with the answer; 0 swallows it.
//
//   option 0: every key passes
//   option 1: digits (a whole number, no sign)
//   option 2: digits and "-" (a whole number with a sign)
//   option 3: digits, "-" and "." (a number with decimals, "." whatever the locale)
//
// Control keys (backspace, and the Ctrl+C / Ctrl+V / Ctrl+X / Ctrl+Z characters below 32)
// always pass, so a box can still be edited and use the clipboard; what a paste brings in is
// checked where the box's value is read.
#pragma once

#include <cstdint>

namespace helpers {

inline constexpr std::int32_t nkfAny = 0;
inline constexpr std::int32_t nkfWhole = 1;
inline constexpr std::int32_t nkfSigned = 2;
inline constexpr std::int32_t nkfDecimal = 3;

std::int32_t NumericKeyFilter(std::int32_t keyAscii, std::int32_t option);

} // namespace helpers
