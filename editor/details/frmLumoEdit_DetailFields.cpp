// The detail fields a save writes that the document side needs kept on the item as they are
// typed: the three description lines, the originator and the air window. The air dates are
// read in the form the window writes them ("dd mmmm yyyy"), and also as dd/mm/yyyy and
// yyyy-mm-dd, so that what is shown always reads back whatever the locale.
#include "editor/document/frmLumoEdit.h"

#include "editor/details/AirDate.h"
#include "platform/base/DateTime.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace lumoedit {

using namespace platform::ui;

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

void frmLumoEdit::txtDescription_Change(int Index) {
    if (bLoadingInfo || !cAudioInformation) return;
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    const std::string text = txtDescription[static_cast<std::size_t>(Index)]->Text();
    if (Index == 1) item.ItemTitle = text;
    else if (Index == 2) item.SetArtistName(1, text);
    else if (Index == 3) item.SetDescription(1, text);
    SetTextEdited();
}

void frmLumoEdit::txtOriginator_Change() {
    if (!cAudioInformation) return;
    cAudioInformation->Originator = Trimmed(txtOriginator->Text());
    if (!bLoadingInfo) SetTextEdited();
}

void frmLumoEdit::AirWindow_Change() {
    if (bLoadingInfo || !cAudioInformation) return;
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    auto take = [](CheckBox* on, TextBox* date, TextBox* hour, TextBox* minutes, std::int32_t& day, float& time) {
        double serial = 0;
        if (on->Value() == 0 || !ParseAirDate(date->Text(), serial)) {
            day = 0;
            time = 0;
            return;
        }
        const double h = std::clamp(platform::Val(hour->Text()), 0.0, 23.0);
        const double m = std::clamp(platform::Val(minutes->Text()), 0.0, 59.0);
        day = platform::DayNumber(serial);
        time = static_cast<float>(std::floor(h) * 3600 + std::floor(m) * 60);
    };
    take(chkAirStart, txtAirStartDate, txtAirStartHour, txtAirStartMinutes, item.AirStartDate, item.AirStartTime);
    take(chkAirEnd, txtAirEndDate, txtAirEndHour, txtAirEndMinutes, item.AirEndDate, item.AirEndTime);
    SetTextEdited();
}

} // namespace lumoedit
