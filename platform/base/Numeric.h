// Number conversions with the platform's rules: half-to-even rounding, range checks that
// raise Overflow (6), the leading-number reading of a text, and the general number form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Nearest whole number, halves going to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// Rounds half-to-even and checks the range of the target; raises error 6 outside it
// (and for NaN or infinity).
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);
// Raises error 6 when the value is beyond single precision's range.
float ToSingle(double value);
// A date serial must lie within 1 Jan 100 .. 31 Dec 9999; raises error 6 outside.
double ToDateSerial(double value);

// Range checks without rounding, for values that already are whole numbers.
std::int16_t CheckInt16(std::int64_t value);
std::int32_t CheckInt32(std::int64_t value);

// The leading number of a text: blanks, tabs and line feeds are skipped wherever they
// stand; then an optional sign, digits with "." as the decimal point and an optional
// exponent ("E" or "D", optional sign); or "&H" hexadecimal / "&O" octal whole numbers
// (up to 32 bits they read as a 32-bit signed value, so "&H8000000F" is -2147483633).
// Reading stops at the first character that does not fit; no number gives 0. A value
// beyond double precision raises error 6.
double Val(std::string_view text);

// The general number form with at most `digits` significant digits, "." as the decimal
// point whatever the locale, no trailing zeros, exponent form ("1E+15", "1.5E-07") for
// very large or small values. FormatSingle uses 7 digits, FormatDouble 15.
std::string FormatGeneral(double value, int digits);
std::string FormatSingle(float value);
std::string FormatDouble(double value);

} // namespace platform
