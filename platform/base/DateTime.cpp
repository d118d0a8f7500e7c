#include "platform/base/DateTime.h"

#include "platform/base/Error.h"

#include <cmath>
#include <ctime>

namespace platform {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Whole day and time fraction of a serial, with the fraction always the time of day.
void Split(double serial, std::int64_t& day, double& fraction) {
    double whole = std::trunc(serial);
    fraction = std::fabs(serial - whole);
    day = static_cast<std::int64_t>(whole);
    // Round to the nearest second first, so 23:59:59.9 becomes the next day.
    double secs = std::round(fraction * 86400.0);
    if (secs >= 86400.0) {
        secs -= 86400.0;
        day += serial < 0 ? -1 : 1;
    }
    fraction = secs / 86400.0;
}

} // namespace

double DateSerial(int year, int month, int day) {
    std::int64_t y = year;
    std::int64_t m = static_cast<std::int64_t>(month) - 1;
    y += m >= 0 ? m / 12 : -((11 - m) / 12);
    m = ((m % 12) + 12) % 12;
    std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(m + 1), 1) - kEpochOffset +
                        (static_cast<std::int64_t>(day) - 1);
    if (days < -657434 || days > 2958465) Raise(err::InvalidCall);
    return static_cast<double>(days);
}

double TimeSerial(int hour, int minute, int second) {
    double secs = static_cast<double>(hour) * 3600.0 + static_cast<double>(minute) * 60.0 + second;
    return secs / 86400.0;
}

CivilDate SplitDate(double serial) {
    std::int64_t day;
    double frac;
    Split(serial, day, frac);
    return CivilFromDays(day + kEpochOffset);
}

ClockTime SplitTime(double serial) {
    std::int64_t day;
    double frac;
    Split(serial, day, frac);
    int secs = static_cast<int>(std::lround(frac * 86400.0));
    return {secs / 3600, (secs / 60) % 60, secs % 60};
}

std::int32_t DayNumber(double serial) { return static_cast<std::int32_t>(std::trunc(serial)); }

double SecondsOfDay(double serial) { return std::fabs(serial - std::trunc(serial)) * 86400.0; }

double SerialFromDayAndSeconds(std::int32_t day, double seconds) {
    double frac = seconds / 86400.0;
    return day < 0 ? day - frac : day + frac;
}

int Weekday(double serial) {
    std::int64_t day;
    double frac;
    Split(serial, day, frac);
    // 30 December 1899 was a Saturday (7).
    return static_cast<int>((((day + 6) % 7) + 7) % 7) + 1;
}

bool IsValidDate(int year, int month, int day) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static const int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int len = kLen[month - 1];
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) len = 29;
    return day <= len;
}

double Now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return DateSerial(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           TimeSerial(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

double Today() { return std::trunc(Now()); }

std::string FormatDate(double serial, std::string_view p) {
    CivilDate d = SplitDate(serial);
    ClockTime t = SplitTime(serial);
    int wd = Weekday(serial);
    std::string out;
    auto two = [&](int v) {
        out.push_back(static_cast<char>('0' + (v / 10) % 10));
        out.push_back(static_cast<char>('0' + v % 10));
    };
    bool afterHour = false;
    std::size_t i = 0;
    auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < p.size() && (p[i + n] == c || p[i + n] == c - 'a' + 'A')) ++n;
        return n;
    };
    while (i < p.size()) {
        char c = static_cast<char>(p[i] >= 'A' && p[i] <= 'Z' ? p[i] - 'A' + 'a' : p[i]);
        std::size_t n = (c >= 'a' && c <= 'z') ? run(c) : 0;
        if (c == 'y' && n >= 3) {
            out += std::to_string(d.year);
        } else if (c == 'y' && n >= 1) {
            two(d.year % 100);
        } else if (c == 'm' && n >= 1 && afterHour && n <= 2) {
            n == 2 ? two(t.minute) : (void)(out += std::to_string(t.minute));
            afterHour = false;
        } else if (c == 'm' && n >= 4) {
            out += kMonths[d.month - 1];
        } else if (c == 'm' && n == 3) {
            out.append(kMonths[d.month - 1], 3);
        } else if (c == 'm' && n >= 1) {
            n == 2 ? two(d.month) : (void)(out += std::to_string(d.month));
        } else if (c == 'd' && n >= 4) {
            out += kDays[wd - 1];
        } else if (c == 'd' && n == 3) {
            out.append(kDays[wd - 1], 3);
        } else if (c == 'd' && n >= 1) {
            n == 2 ? two(d.day) : (void)(out += std::to_string(d.day));
        } else if (c == 'h' && n >= 1) {
            n >= 2 ? two(t.hour) : (void)(out += std::to_string(t.hour));
            afterHour = true;
        } else if (c == 'n' && n >= 1) {
            n >= 2 ? two(t.minute) : (void)(out += std::to_string(t.minute));
        } else if (c == 's' && n >= 1) {
            n >= 2 ? two(t.second) : (void)(out += std::to_string(t.second));
        } else {
            out.push_back(p[i]);
            i += 1;
            continue;
        }
        i += n;
    }
    return out;
}

} // namespace platform
