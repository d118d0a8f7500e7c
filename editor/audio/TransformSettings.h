// The stored texts behind the effects' parameters: a number preference read into its range,
// and the time-stretch presets ("title,seconds,pitch" joined by "|"). No window needed, so
// the fuzz target reads them as the window does.
#pragma once

#include "editor/shell/LumoEdit_FN.h"
#include "platform/base/Numeric.h"
#include "shared/helpers/Utility.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

namespace lumoedit {

// A stored number in its range. It is read as a number first and clamped before anything
// makes it whole, so "1e12" gives the upper bound; a text without a digit, or one too large
// for any number, gives the default. "." is the decimal point whatever the locale.
inline double ReadSettingNumber(const std::string& text, double fallback, double lowest, double highest) {
    double v = fallback;
    if (std::any_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        try {
            v = platform::Val(text);
        } catch (...) {
            v = fallback;
        }
    }
    if (!std::isfinite(v)) v = fallback;
    return helpers::cUtility::ClampDouble(v, lowest, highest);
}

struct StretchPreset {
    std::string Title;
    float Seconds = 0;
    bool PreservePitch = false;
};

// The presets of a stored text, in order: it ends at the first entry that is empty after
// trimming; an entry without exactly three comma fields, or whose length is no number a
// Single holds, is skipped.
inline std::vector<StretchPreset> ParseStretchPresets(const std::string& stored) {
    std::vector<StretchPreset> out;
    for (const std::string& entry : SplitBars(stored)) {
        if (TrimBlanks(entry).empty()) break;
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (;;) {
            const std::size_t comma = entry.find(',', from);
            fields.push_back(entry.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        if (fields.size() != 3) continue;
        double seconds = 0, pitch = 0;
        try {
            seconds = platform::Val(fields[1]);
            pitch = platform::Val(fields[2]);
        } catch (...) {
            continue;
        }
        if (!std::isfinite(seconds) || std::fabs(seconds) > 3.4e38) continue;
        out.push_back(StretchPreset{TrimBlanks(fields[0]), static_cast<float>(seconds), pitch != 0});
    }
    return out;
}

inline std::string FormatStretchPresets(const std::vector<StretchPreset>& presets) {
    std::string text;
    for (std::size_t i = 0; i < presets.size(); ++i) {
        if (i > 0) text += '|';
        text += presets[i].Title + "," + platform::FormatSingle(presets[i].Seconds) + "," +
                (presets[i].PreservePitch ? "1" : "0");
    }
    return text;
}

} // namespace lumoedit
