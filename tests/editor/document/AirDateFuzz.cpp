// The air-date boxes' text: anything typed reads as a real date or not at all, and every date
// the window writes reads back to the same day.
#include "editor/details/AirDate.h"
#include "platform/base/DateTime.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    double serial = 0;
    if (lumoedit::ParseAirDate(text, serial)) {
        const platform::CivilDate d = platform::SplitDate(serial);
        if (!platform::IsValidDate(d.year, d.month, d.day)) std::abort();
        if (d.year >= 1000) {
            double again = 0;
            if (!lumoedit::ParseAirDate(platform::FormatDate(serial, "dd mmmm yyyy"), again) || again != serial)
                std::abort();
        }
    }
    return 0;
}
