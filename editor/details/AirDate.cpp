#include "editor/details/AirDate.h"

#include "platform/base/DateTime.h"

#include <array>
#include <cctype>
#include <vector>

namespace lumoedit {

namespace {

constexpr std::array<const char*, 12> kMonths = {"january", "february", "march",     "april",   "may",      "june",
                                                 "july",    "august",   "september", "october", "november", "december"};

struct Part {
    bool number = false;
    std::string text;
};

// Splits into runs of digits and runs of letters; blanks, "/", "-", ".", "," separate. Any
// other character makes the text no date. A time of day ("13:00") ends the date.
bool Split(std::string_view t, std::vector<Part>& parts) {
    std::size_t i = 0;
    while (i < t.size()) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (c == ' ' || c == '\t' || c == '/' || c == '-' || c == '.' || c == ',') {
            ++i;
            continue;
        }
        if (c == ':') {
            // The last number read was the hour of a time behind the date: drop it and stop,
            // after checking that the rest reads as a time.
            if (parts.size() < 4 || !parts.back().number) return false;
            parts.pop_back();
            for (; i < t.size(); ++i) {
                const unsigned char r = static_cast<unsigned char>(t[i]);
                if (!std::isdigit(r) && r != ':' && r != '.' && r != ' ' && r != '\t' && std::toupper(r) != 'A' &&
                    std::toupper(r) != 'P' && std::toupper(r) != 'M')
                    return false;
            }
            return true;
        }
        Part p;
        p.number = std::isdigit(c) != 0;
        while (i < t.size()) {
            const unsigned char d = static_cast<unsigned char>(t[i]);
            if (p.number ? !std::isdigit(d) : !std::isalpha(d)) break;
            p.text += static_cast<char>(std::tolower(d));
            ++i;
        }
        if (p.text.empty()) return false; // a character that is neither
        if (p.text.size() > 9) return false;
        parts.push_back(std::move(p));
    }
    return true;
}

int Month(const std::string& name) {
    if (name.size() < 3) return 0;
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        const std::string_view full = kMonths[m];
        if (full.substr(0, name.size()) == name) return static_cast<int>(m) + 1;
    }
    return 0;
}

int Year(const std::string& digits) {
    const int y = std::stoi(digits);
    if (digits.size() <= 2) return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

} // namespace

bool ReadAirDate(std::string_view text, std::int32_t& day) {
    std::vector<Part> parts;
    if (text.size() > 64 || !Split(text, parts) || parts.size() != 3) return false;
    int y = 0, m = 0, d = 0;
    if (parts[0].number && parts[1].number && parts[2].number) {
        if (parts[0].text.size() == 4) { // ISO: year, month, day
            y = std::stoi(parts[0].text);
            m = std::stoi(parts[1].text);
            d = std::stoi(parts[2].text);
        } else {
            if (parts[2].text.size() != 2 && parts[2].text.size() != 4) return false;
            d = std::stoi(parts[0].text);
            m = std::stoi(parts[1].text);
            y = Year(parts[2].text);
        }
    } else if (parts[0].number && !parts[1].number && parts[2].number) {
        if (parts[2].text.size() != 2 && parts[2].text.size() != 4) return false;
        d = std::stoi(parts[0].text);
        m = Month(parts[1].text);
        y = Year(parts[2].text);
    } else {
        return false;
    }
    if (!platform::IsValidDate(y, m, d)) return false;
    if (y < 1899 || y > 9999) return false;
    const double serial = platform::DateSerial(y, m, d);
    if (serial < kFirstAirDay || serial > kLastAirDay) return false;
    day = static_cast<std::int32_t>(serial);
    return true;
}

bool ParseAirDate(const std::string& text, double& serial) {
    std::int32_t day = 0;
    if (!ReadAirDate(text, day)) return false;
    serial = day;
    return true;
}

std::string AirDateText(std::int32_t day) {
    if (day < kFirstAirDay || day > kLastAirDay) return {};
    return platform::FormatDate(day, "dd mmmm yyyy");
}

std::string AirWeekdayText(std::int32_t day) {
    if (day < kFirstAirDay || day > kLastAirDay) return {};
    return platform::FormatDate(day, "dddd");
}

} // namespace lumoedit
