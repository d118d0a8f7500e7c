// The stored texts of the effects' parameters: any number preference reads into its range,
// and any preset text reads into presets that are written and read back unchanged.
#include "editor/audio/TransformSettings.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    using namespace lumoedit;

    const double v = ReadSettingNumber(text, 100, 1, 2000);
    if (!(v >= 1 && v <= 2000)) std::abort();
    const double l = ReadSettingNumber(text, -1, -1, 3.4e38);
    if (!std::isfinite(l)) std::abort();

    const auto presets = ParseStretchPresets(text);
    for (const auto& p : presets)
        if (!std::isfinite(p.Seconds)) std::abort();
    // The length is written with a Single's seven digits. Titles with neither "," nor "|" (as the dialog allows) survive a save and a load.
    bool plain = true;
    for (const auto& p : presets)
        if (p.Title.empty() || p.Title.find_first_of(",|") != std::string::npos) plain = false;
    if (plain && !presets.empty()) {
        const auto again = ParseStretchPresets(FormatStretchPresets(presets));
        if (again.size() != presets.size()) std::abort();
        for (std::size_t i = 0; i < again.size(); ++i)
            if (again[i].Title != presets[i].Title || again[i].PreservePitch != presets[i].PreservePitch ||
                std::fabs(again[i].Seconds - presets[i].Seconds) > 1e-6 * std::fabs(presets[i].Seconds) + 1e-30f)
                std::abort();
    }
    return 0;
}
