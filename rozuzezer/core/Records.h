// Records that cross the library's interface.
#pragma once

#include <cstdint>

namespace rozuzezer {

// Boolean as the interface carries it: 16 bits, True = -1, False = 0. Any other value
// is stored and compared as it is.
using VBool = std::int16_t;
inline constexpr VBool vbTrue = -1;
inline constexpr VBool vbFalse = 0;
inline constexpr VBool ToVBool(bool b) { return b ? vbTrue : vbFalse; }

// The platform's wave-format structure, fields in their order.
struct WaveFormatRecord {
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;
    bool operator==(const WaveFormatRecord&) const = default;
};

// One date and time: a day number (days since 30 December 1899) and seconds since midnight.
struct SDateRecord {
    std::int32_t Date = 0;
    float Time = 0;
    bool operator==(const SDateRecord&) const = default;
};

} // namespace rozuzezer
