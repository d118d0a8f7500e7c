// The air window's date boxes read whatever the user types or pastes: any text either is no
// date or is a date of the range that writes back and reads back to the same day, and the
// serial form the document side reads agrees with it.
#include "editor/details/AirDate.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::int32_t day = -7;
    double serial = -7;
    const bool read = lumoedit::ReadAirDate(text, day);
    if (lumoedit::ParseAirDate(text, serial) != read) std::abort();
    if (!read) {
        if (day != -7 || serial != -7) std::abort();
        return 0;
    }
    if (serial != day) std::abort();
    if (day < lumoedit::kFirstAirDay || day > lumoedit::kLastAirDay) std::abort();
    std::int32_t again = 0;
    if (!lumoedit::ReadAirDate(lumoedit::AirDateText(day), again) || again != day) std::abort();
    if (lumoedit::AirWeekdayText(day).empty()) std::abort();
    return 0;
}
