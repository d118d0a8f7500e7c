#include "platform/base/Numeric.h"

#include "platform/base/Error.h"

#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <stdlib.h>

namespace platform {

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    double lower = std::floor(value);
    double diff = value - lower;
    if (diff > 0.5) return lower + 1.0;
    if (diff < 0.5) return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::int16_t ToInt16(double value) {
    double r = RoundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0)) Raise(err::Overflow);
    return static_cast<std::int16_t>(r);
}

std::int32_t ToInt32(double value) {
    double r = RoundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(err::Overflow);
    return static_cast<std::int32_t>(r);
}

float ToSingle(double value) {
    if (std::isnan(value) || std::fabs(value) > static_cast<double>(FLT_MAX)) Raise(err::Overflow);
    return static_cast<float>(value);
}

double ToDateSerial(double value) {
    // 1 January 100 and the last moment of 31 December 9999.
    if (!(value >= -657434.0 && value < 2958466.0)) Raise(err::Overflow);
    return value;
}

std::int16_t CheckInt16(std::int64_t value) {
    if (value < -32768 || value > 32767) Raise(err::Overflow);
    return static_cast<std::int16_t>(value);
}

std::int32_t CheckInt32(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        Raise(err::Overflow);
    return static_cast<std::int32_t>(value);
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Reads a radix number after "&H" / "&O". Blanks between digits are skipped.
double ReadRadix(std::string_view s, std::size_t i, int radix) {
    double value = 0;
    std::uint64_t whole = 0;
    bool fits = true;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (IsBlank(c)) continue;
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        if (d >= radix) break;
        value = value * radix + d;
        if (fits) {
            whole = whole * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
            if (whole > 0xFFFFFFFFull) fits = false;
        }
    }
    if (!std::isfinite(value)) Raise(err::Overflow);
    if (fits) return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(whole)));
    return value;
}

} // namespace

double Val(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i + 1 < s.size() && s[i] == '&') {
        char p = s[i + 1];
        if (p == 'H' || p == 'h') return ReadRadix(s, i + 2, 16);
        if (p == 'O' || p == 'o') return ReadRadix(s, i + 2, 8);
        return 0;
    }
    // Collect the accepted characters, blanks dropped, then convert in one go.
    std::string buf;
    buf.reserve(32);
    auto skip = [&] { while (i < s.size() && IsBlank(s[i])) ++i; };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        buf.push_back(s[i++]);
        skip();
    }
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (IsBlank(c)) continue;
        if (c >= '0' && c <= '9') {
            digits = true;
            // A mantissa this long only adds digits below double precision; keep the
            // scale by counting them without storing them all.
            if (buf.size() < 400) buf.push_back(c);
            else if (!point) buf.push_back(c); // whole part: needed for the magnitude
        } else if (c == '.' && !point) {
            point = true;
            buf.push_back('.');
        } else {
            break;
        }
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        while (j < s.size() && IsBlank(s[j])) ++j;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp.push_back(s[j++]);
        bool expDigits = false;
        for (; j < s.size(); ++j) {
            char c = s[j];
            if (IsBlank(c)) continue;
            if (c < '0' || c > '9') break;
            expDigits = true;
            if (exp.size() < 12) exp.push_back(c);
        }
        if (expDigits) buf += exp;
    }
    errno = 0;
    char* end = nullptr;
    // The program's locale may use a comma as decimal point; the text form never does.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    double v = strtod_l(buf.c_str(), &end, cLocale);
    if (!std::isfinite(v) || (errno == ERANGE && std::fabs(v) > 1.0)) Raise(err::Overflow);
    return v;
}

std::string FormatGeneral(double value, int digits) {
    if (value == 0.0 || !std::isfinite(value)) {
        if (std::isnan(value)) return "NaN";
        if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
        return "0";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, value);
    // snprintf follows the C locale for the point only in "C"; make sure of it.
    for (char& c : buf)
        if (c == ',') c = '.';
    return buf;
}

std::string FormatSingle(float value) { return FormatGeneral(static_cast<double>(value), 7); }
std::string FormatDouble(double value) { return FormatGeneral(value, 15); }

} // namespace platform
