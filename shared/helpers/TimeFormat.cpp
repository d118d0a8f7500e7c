#include "shared/helpers/TimeFormat.h"

#include "platform/base/DateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

namespace helpers {
namespace {

std::mutex& PauseMutex() {
    static std::mutex m;
    return m;
}

cTimeFormat::PauseHandler& Pauser() {
    static cTimeFormat::PauseHandler handler;
    return handler;
}

// Beyond this many seconds (about 11,000 years) texts stop growing.
constexpr double kMaxSeconds = 3.6e11;

double Sane(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return 0;
    return seconds > kMaxSeconds ? kMaxSeconds : seconds;
}

std::string Duration(double seconds) {
    const auto hundredths = static_cast<long long>(std::llround(Sane(seconds) * 100.0));
    const long long h = hundredths / 360000;
    const long long m = hundredths / 6000 % 60;
    const long long s = hundredths / 100 % 60;
    const long long c = hundredths % 100;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%02lld", h, m, s, c);
    return buf;
}

std::string TimeOfDay(double seconds) {
    long long whole = 0;
    if (std::isfinite(seconds) && seconds > 0) {
        if (seconds < 86400.0) {
            whole = std::llround(seconds);
            if (whole > 86399) whole = 86399; // 23:59:59.6 stays on its day
        } else {
            whole = static_cast<long long>(std::fmod(std::round(Sane(seconds)), 86400.0));
        }
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return buf;
}

std::string Short(double seconds, bool tenths) {
    const double v = Sane(seconds);
    char buf[64];
    if (tenths) {
        const auto t = static_cast<long long>(std::llround(v * 10.0));
        const long long h = t / 36000, m = t / 600 % 60, s = t / 10 % 60, d = t % 10;
        if (h > 0) std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld.%lld", h, m, s, d);
        else std::snprintf(buf, sizeof buf, "%lld:%02lld.%lld", m, s, d);
    } else {
        const auto t = static_cast<long long>(std::llround(v));
        const long long h = t / 3600, m = t / 60 % 60, s = t % 60;
        if (h > 0) std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", h, m, s);
        else std::snprintf(buf, sizeof buf, "%lld:%02lld", m, s);
    }
    return buf;
}

} // namespace

cTimeFormat& cTimeFormat::Instance() {
    static cTimeFormat instance;
    return instance;
}

std::string cTimeFormat::SecondsToText(double seconds, std::int32_t style) const {
    switch (style) {
    case tfTimeOfDay: return TimeOfDay(seconds);
    case tfShortTenths:
    case tfShortTile: return Short(seconds, true);
    case tfShortWhole: return Short(seconds, false);
    default: return Duration(seconds);
    }
}

std::string cTimeFormat::DateRecordToText(std::int32_t day, double seconds, std::int32_t /*style*/) const {
    // Day numbers of 1 Jan 100 and 31 Dec 9999: outside them a day has no calendar text.
    if (day == 0 || day < -657434 || day > 2958465) return {};
    std::string text;
    try {
        text = platform::FormatDate(static_cast<double>(day), "dd mmm yyyy");
    } catch (...) {
        return {}; // a day number outside the calendar has no text
    }
    return text + " " + TimeOfDay(seconds);
}

bool cTimeFormat::IsBefore(std::int32_t dayA, double secondsA, std::int32_t dayB, double secondsB) {
    if (dayA != dayB) return dayA < dayB;
    return secondsA < secondsB;
}

void cTimeFormat::Pause(double seconds) const {
    if (!(seconds > 0)) return;
    if (seconds > 3600) seconds = 3600;
    PauseHandler handler;
    {
        std::lock_guard lock(PauseMutex());
        handler = Pauser();
    }
    if (handler) handler(seconds);
    else std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

cTimeFormat::PauseHandler cTimeFormat::SetPauseHandler(PauseHandler handler) {
    std::lock_guard lock(PauseMutex());
    PauseHandler old = std::move(Pauser());
    Pauser() = std::move(handler);
    return old;
}

double cTimeFormat::Stamp() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double cTimeFormat::ElapsedSince(double stamp) const { return Stamp() - stamp; }

} // namespace helpers
