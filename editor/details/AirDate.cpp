// Air dates are read in the form the window writes them ("dd mmmm yyyy"), and also as
// dd/mm/yyyy and yyyy-mm-dd, so that what is shown always reads back whatever the locale.
#include "editor/details/AirDate.h"

#include "platform/base/DateTime.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace lumoedit {

namespace {

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool Digits(const std::string& s) {
    if (s.empty() || s.size() > 4) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

int MonthOf(std::string word) {
    static const char* const months[] = {"january", "february", "march",     "april",   "may",      "june",
                                         "july",    "august",   "september", "october", "november", "december"};
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word.size() < 3) return 0;
    for (int i = 0; i < 12; ++i)
        if (std::string(months[i]).compare(0, word.size(), word) == 0) return i + 1;
    return 0;
}

} // namespace

bool ParseAirDate(const std::string& text, double& serial) {
    std::string t = Trimmed(text);
    for (char& c : t)
        if (c == '/' || c == '-' || c == '.' || c == ',') c = ' ';
    std::istringstream in(t);
    std::string a, b, c, rest;
    if (!(in >> a >> b >> c) || (in >> rest)) return false;
    int day = 0, month = 0, year = 0;
    if (Digits(a) && a.size() == 4 && Digits(b) && Digits(c)) { // yyyy-mm-dd
        year = std::atoi(a.c_str());
        month = std::atoi(b.c_str());
        day = std::atoi(c.c_str());
    } else if (Digits(a) && Digits(c) && c.size() == 4) { // dd mmmm yyyy, dd/mm/yyyy
        day = std::atoi(a.c_str());
        month = Digits(b) ? std::atoi(b.c_str()) : MonthOf(b);
        year = std::atoi(c.c_str());
    } else {
        return false;
    }
    if (year < 100 || !platform::IsValidDate(year, month, day)) return false;
    serial = platform::DateSerial(year, month, day);
    return true;
}

} // namespace lumoedit
