// Texts from files and the registry that the helpers read: time texts of cart chunks,
// tag texts, stored audio formats.
#include "shared/helpers/AudioFormat.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int form : {1, 2, 11}) {
        const double s = helpers::cUtility::TimeTextToSeconds(text, form);
        if (!std::isfinite(s) || s < 0) std::abort();
        const std::string t = helpers::TimeFormat().SecondsToText(s, form == 2 ? 2 : 1);
        if (helpers::TimeFormat().SecondsToText(helpers::cUtility::TimeTextToSeconds(t, form), form == 2 ? 2 : 1) != t)
            std::abort();
    }
    const std::size_t half = size / 2;
    (void)helpers::cUtility::TagValue(text, text.substr(0, half % 9), ">", text.substr(half, half % 7));
    helpers::cAudioFormat f;
    const std::string before = f.FormatText();
    if (f.SetFormatText(text)) {
        helpers::cAudioFormat g;
        if (!g.SetFormatText(f.FormatText()) || !g.SameFormat(f)) std::abort();
        (void)f.Description();
    } else if (f.FormatText() != before) {
        std::abort();
    }
    return 0;
}
