// The detail fields a save writes that the document side needs kept on the item as they are
// typed: the three description lines, the originator and the air window (AirDate.h).
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

} // namespace

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
