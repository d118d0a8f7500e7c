// The time-format helper: one per process, created on first use and shared.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace helpers {

// One date and time as the helper takes it: a day number (days since 30 December 1899,
// 0 = not set) and seconds since midnight. rozuzezer::SDateRecord has the same shape; the
// templates below take any record with members Date and Time.
struct DateTimeRecord {
    std::int32_t Date = 0;
    float Time = 0;
};

class cTimeFormat {
public:
    static cTimeFormat& Instance();

    // Styles of SecondsToText.
    static constexpr std::int32_t tfDuration = 1;   // "hh:nn:ss.hh", the marker time text
    static constexpr std::int32_t tfTimeOfDay = 2;  // "hh:nn:ss"
    static constexpr std::int32_t tfShortTenths = 201;  // "m:ss.t" ("h:mm:ss.t" from 1 hour)
    static constexpr std::int32_t tfShortWhole = 202;   // "m:ss"   ("h:mm:ss" from 1 hour)
    static constexpr std::int32_t tfShortTile = 222;    // as 201

    // Seconds into a time text.
    // Style 1 (and any style not listed): hours, minutes, seconds and hundredths, each two
    // digits ("00:03:25.47"; hours grow past two digits from 100 hours on). Rounded to the
    // nearest hundredth; negative and non-numbers give "00:00:00.00".
    // Style 2: a time of day, "hh:nn:ss", rounded to the whole second, 00:00:00 to 23:59:59
    // (a day and more wraps round, negative gives 00:00:00).
    // cUtility::TimeTextToSeconds reads both back: forms 1/11 and 2.
    std::string SecondsToText(double seconds, std::int32_t style = tfDuration) const;

    // A date and time as text. Style 2 (and any other): "dd mmm yyyy hh:nn:ss"
    // ("01 Mar 2006 14:05:00"); a day number of 0 (not set) gives "".
    std::string DateRecordToText(std::int32_t day, double seconds, std::int32_t style = 2) const;
    template <typename R>
    std::string DateRecordToText(const R& record, std::int32_t style = 2) const {
        return DateRecordToText(record.Date, static_cast<double>(record.Time), style);
    }

    // Whether the first date-time lies strictly before the second (day first, then time).
    static bool IsBefore(std::int32_t dayA, double secondsA, std::int32_t dayB, double secondsB);
    template <typename R>
    static bool IsBefore(const R& a, const R& b) {
        return IsBefore(a.Date, static_cast<double>(a.Time), b.Date, static_cast<double>(b.Time));
    }

    // Waits a number of seconds. A window layer installs a handler that keeps the event
    // loop running meanwhile; without one the thread sleeps. Returns the previous handler.
    void Pause(double seconds) const;
    using PauseHandler = std::function<void(double seconds)>;
    static PauseHandler SetPauseHandler(PauseHandler handler);

    // A steady clock for throttles: a stamp in seconds, and the seconds since one.
    double Stamp() const;
    double ElapsedSince(double stamp) const;

private:
    cTimeFormat() = default;
};

inline cTimeFormat& TimeFormat() { return cTimeFormat::Instance(); }

} // namespace helpers
