// The air window: "do not play before" and "do not play after", each a tick box with a date,
// an hour and a minute box, stored as a day number and seconds since midnight. Dates are read
// and written in the user's locale (AirDate.h); what earlier versions wrote still reads.
#include "editor/details/AirDate.h"
#include "editor/details/DetailText.h"
#include "editor/document/frmLumoEdit.h"

#include "platform/base/DateTime.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

#include <cstdio>

namespace lumoedit {

using namespace platform::ui;
using namespace details;

namespace {

struct Limit {
    CheckBox* check;
    Frame* frame;
    TextBox* date;
    TextBox* hour;
    TextBox* minutes;
    Label* day;
    std::int32_t rozuzezer::cHardDiskItem::*itemDate;
    float rozuzezer::cHardDiskItem::*itemTime;
    OleColour passed; // the date box's colour once the date has passed
};

// The hour and minute boxes as the time they stand for, clamped whatever was typed: the box
// text itself is rewritten only when the box is left.
std::int32_t Hour(const TextBox* b) { return static_cast<std::int32_t>(platform::RoundHalfEven(ClampedNumber(b->Text(), 0, 23))); }
std::int32_t Minute(const TextBox* b) { return static_cast<std::int32_t>(platform::RoundHalfEven(ClampedNumber(b->Text(), 0, 59))); }

float Seconds(const Limit& l) { return static_cast<float>(Hour(l.hour) * 3600 + Minute(l.minutes) * 60); }

std::string TwoDigits(std::int32_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(v));
    return buf;
}

void Clicked(frmLumoEdit& w, const Limit& l, void (frmLumoEdit::*dateChange)()) {
    const bool on = l.check->Value() != 0;
    l.frame->setEnabled(on);
    l.day->setEnabled(on);
    for (TextBox* b : {l.date, l.hour, l.minutes}) {
        b->setEnabled(on);
        SetBackColor(b, on ? syscolour::Window : syscolour::ButtonFace);
    }
    if (w.bLoadingInfo) return;
    (w.*dateChange)();
    w.SetTextEdited();
}

void DateChanged(frmLumoEdit& w, const Limit& l) {
    std::int32_t day = 0;
    const bool valid = l.check->Value() != 0 && ReadAirDate(l.date->Text(), day);
    if (!valid) {
        SetBackColor(l.date, l.check->Value() == 1 ? syscolour::Window : syscolour::ButtonFace);
        if (w.bLoadingInfo) return;
        (*w.cAudioInformation).*l.itemDate = 0;
        (*w.cAudioInformation).*l.itemTime = 0;
        w.SetTextEdited();
        return;
    }
    SetBackColor(l.date, static_cast<std::int32_t>(platform::Today()) > day ? l.passed : syscolour::Window);
    if (w.bLoadingInfo) return;
    (*w.cAudioInformation).*l.itemDate = day;
    (*w.cAudioInformation).*l.itemTime = Seconds(l);
    w.SetTextEdited();
}

void DateLeft(const Limit& l) {
    std::int32_t day = 0;
    if (ReadAirDate(l.date->Text(), day)) {
        l.date->SetText(AirDateText(day));
        l.day->SetCaption(AirWeekdayText(day));
    } else {
        l.day->SetCaption("");
    }
}

} // namespace

namespace {

Limit StartLimit(frmLumoEdit& w) {
    return {w.chkAirStart,  w.fraAirStart, w.txtAirStartDate, w.txtAirStartHour, w.txtAirStartMinutes, w.lblAirStartDay,
            &rozuzezer::cHardDiskItem::AirStartDate, &rozuzezer::cHardDiskItem::AirStartTime, 0x00FF00};
}

Limit EndLimit(frmLumoEdit& w) {
    return {w.chkAirEnd,  w.fraAirEnd, w.txtAirEndDate, w.txtAirEndHour, w.txtAirEndMinutes, w.lblAirEndDay,
            &rozuzezer::cHardDiskItem::AirEndDate, &rozuzezer::cHardDiskItem::AirEndTime, 0x0000FF};
}

} // namespace

void frmLumoEdit::chkAirStart_Click() { Clicked(*this, StartLimit(*this), &frmLumoEdit::txtAirStartDate_Change); }
void frmLumoEdit::chkAirEnd_Click() { Clicked(*this, EndLimit(*this), &frmLumoEdit::txtAirEndDate_Change); }
void frmLumoEdit::txtAirStartDate_Change() { DateChanged(*this, StartLimit(*this)); }
void frmLumoEdit::txtAirEndDate_Change() { DateChanged(*this, EndLimit(*this)); }
void frmLumoEdit::txtAirStartDate_LostFocus() { DateLeft(StartLimit(*this)); }
void frmLumoEdit::txtAirEndDate_LostFocus() { DateLeft(EndLimit(*this)); }
void frmLumoEdit::txtAirStartHour_LostFocus() { txtAirStartHour->SetText(TwoDigits(Hour(txtAirStartHour))); }
void frmLumoEdit::txtAirStartMinutes_LostFocus() { txtAirStartMinutes->SetText(TwoDigits(Minute(txtAirStartMinutes))); }
void frmLumoEdit::txtAirEndHour_LostFocus() { txtAirEndHour->SetText(TwoDigits(Hour(txtAirEndHour))); }
void frmLumoEdit::txtAirEndMinutes_LostFocus() { txtAirEndMinutes->SetText(TwoDigits(Minute(txtAirEndMinutes))); }

bool frmLumoEdit::AirWindowValid() {
    std::int32_t startDay = 0, endDay = 0;
    const bool start = chkAirStart->Value() == 1, end = chkAirEnd->Value() == 1;
    auto refuse = [](const char* text) {
        platform::MsgBox(text, platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        return false;
    };
    if (start && !ReadAirDate(txtAirStartDate->Text(), startDay))
        return refuse("The 'Do not play before' date you have specified is not valid!");
    if (end && !ReadAirDate(txtAirEndDate->Text(), endDay))
        return refuse("The 'Do not play after' date you have specified is not valid!");
    if (start && end) {
        const double startTime = Hour(txtAirStartHour) * 3600 + Minute(txtAirStartMinutes) * 60;
        const double endTime = Hour(txtAirEndHour) * 3600 + Minute(txtAirEndMinutes) * 60;
        if (!helpers::cTimeFormat::IsBefore(startDay, startTime, endDay, endTime))
            return refuse("The 'Do not play before' date must be earlier than the 'Do not play after' date!");
    }
    return true;
}

void frmLumoEdit::ConnectAirWindow() {
    On(chkAirStart, &CheckBox::Click, this, &frmLumoEdit::chkAirStart_Click, "chkAirStart_Click");
    On(chkAirEnd, &CheckBox::Click, this, &frmLumoEdit::chkAirEnd_Click, "chkAirEnd_Click");
    On(txtAirStartDate, &TextBox::Change, this, &frmLumoEdit::txtAirStartDate_Change, "txtAirStartDate_Change");
    On(txtAirEndDate, &TextBox::Change, this, &frmLumoEdit::txtAirEndDate_Change, "txtAirEndDate_Change");
    On(txtAirStartDate, &TextBox::LostFocus, this, &frmLumoEdit::txtAirStartDate_LostFocus, "txtAirStartDate_LostFocus");
    On(txtAirEndDate, &TextBox::LostFocus, this, &frmLumoEdit::txtAirEndDate_LostFocus, "txtAirEndDate_LostFocus");
    const std::pair<TextBox*, void (frmLumoEdit::*)()> times[] = {
        {txtAirStartHour, &frmLumoEdit::txtAirStartDate_Change},
        {txtAirStartMinutes, &frmLumoEdit::txtAirStartDate_Change},
        {txtAirEndHour, &frmLumoEdit::txtAirEndDate_Change},
        {txtAirEndMinutes, &frmLumoEdit::txtAirEndDate_Change}};
    for (const auto& [box, dateChange] : times) {
        On(box, &TextBox::Change, this, dateChange, "AirTime_Change");
        OnCall(box, &TextBox::KeyPress, this, [](int& k) { k = NumericKey(k); }, "AirTime_KeyPress");
    }
    On(txtAirStartHour, &TextBox::LostFocus, this, &frmLumoEdit::txtAirStartHour_LostFocus, "txtAirStartHour_LostFocus");
    On(txtAirStartMinutes, &TextBox::LostFocus, this, &frmLumoEdit::txtAirStartMinutes_LostFocus,
       "txtAirStartMinutes_LostFocus");
    On(txtAirEndHour, &TextBox::LostFocus, this, &frmLumoEdit::txtAirEndHour_LostFocus, "txtAirEndHour_LostFocus");
    On(txtAirEndMinutes, &TextBox::LostFocus, this, &frmLumoEdit::txtAirEndMinutes_LostFocus,
       "txtAirEndMinutes_LostFocus");
    for (TextBox* b : {txtAirStartDate, txtAirStartHour, txtAirStartMinutes, txtAirEndDate, txtAirEndHour, txtAirEndMinutes})
        OnCall(b, &TextBox::GotFocus, this, [b] { SelectAllOnFocusMove(b); }, "Air_GotFocus");
    // The limits start unticked: their controls as an unticked box leaves them.
    ScopedFlag loading(bLoadingInfo);
    chkAirStart_Click();
    chkAirEnd_Click();
}

} // namespace lumoedit
