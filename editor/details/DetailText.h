// How the details side reads numbers and texts out of its boxes.
#pragma once

#include "platform/base/Error.h"
#include "platform/base/Numeric.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace lumoedit::details {

// Leading and trailing blanks removed.
inline std::string TrimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// A box's leading number within [lowest, highest]: a number beyond what a double holds counts
// as the end of the range its sign points to; no number gives 0 (clamped).
inline double ClampedNumber(const std::string& text, double lowest, double highest) {
    double v = 0;
    try {
        v = platform::Val(text);
    } catch (const platform::RuntimeError&) {
        v = text.find('-') < text.find_first_of("0123456789") ? lowest : highest;
    }
    if (!std::isfinite(v)) v = 0;
    return std::clamp(v, lowest, highest);
}

// The loop-count box (three digits): whole passes, halves to even.
inline std::int32_t LoopCount(const std::string& text) {
    return static_cast<std::int32_t>(platform::RoundHalfEven(ClampedNumber(text, 0, 999)));
}

// Longest duration the duration text writes and reads back (10,000 hours).
inline constexpr double kLongestDuration = 3.6e7;

inline float DurationValue(const std::string& text) {
    return static_cast<float>(ClampedNumber(text, 0, kLongestDuration));
}

inline int NumericKey(int keyAscii) { return (keyAscii >= '0' && keyAscii <= '9') || keyAscii < 32 ? keyAscii : 0; }

} // namespace lumoedit::details
