// What the document side calls of the details side: the hardware-line lists, the loop and
// colour options. The marker boxes are frmLumoEdit_Markers.cpp.
#include "editor/document/frmLumoEdit.h"

#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

#include <algorithm>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;

namespace {

// The stored value of a marker's hardware line names no line: no hardware lines exist here.
bool DecodeHardwareLine(std::int16_t, std::int32_t, std::int32_t&) { return false; }

void Usable(QWidget* box, bool on) {
    box->setEnabled(on);
    SetBackColor(box, on ? syscolour::Window : syscolour::ButtonFace);
}

} // namespace

void frmLumoEdit::ConnectDetailsHandlers() {
    On(chkLoop, &CheckBox::Click, this, &frmLumoEdit::chkLoop_Click, "chkLoop_Click");
    On(chkMaxLoop, &CheckBox::Click, this, &frmLumoEdit::chkMaxLoop_Click, "chkMaxLoop_Click");
    On(chkCustomColours, &CheckBox::Click, this, &frmLumoEdit::chkCustomColours_Click, "chkCustomColours_Click");
    const std::pair<ComboBox*, void (frmLumoEdit::*)()> lines[] = {
        {comboIntroStartHWLine, &frmLumoEdit::comboIntroStartHWLine_Change},
        {comboIntroEndHWLine, &frmLumoEdit::comboIntroEndHWLine_Change},
        {comboExtroHWLine, &frmLumoEdit::comboExtroHWLine_Change},
        {comboHookStartHWLine, &frmLumoEdit::comboHookStartHWLine_Change},
        {comboHookEndHWLine, &frmLumoEdit::comboHookEndHWLine_Change}};
    for (const auto& [list, handler] : lines) {
        On(list, &ComboBox::Click, this, handler, "HWLine_Click");
        On(list, &ComboBox::Change, this, handler, "HWLine_Change");
    }
}

void frmLumoEdit::FillHardwareCombos(ComboBox* LineList, ComboBox* ActionList) {
    LineList->Clear();
    LineList->AddItem("<N/A>");
    LineList->SetListIndex(0);
    for (const char* action : {"Clear", "Set", "Flash", "Pulse"}) ActionList->AddItem(action);
    ActionList->SetListIndex(0);
    Usable(ActionList, LineList->ListIndex() >= 1);
}

void frmLumoEdit::SelectComboByItemData(std::int16_t Value, ComboBox* LineList, ComboBox* ActionList) {
    std::int32_t action = 0;
    if (!DecodeHardwareLine(Value, 0, action)) {
        if (LineList->ListCount() > 0) LineList->SetListIndex(0);
        if (ActionList->ListCount() > 0) ActionList->SetListIndex(0);
    }
}

namespace {
void LineChanged(frmLumoEdit& w, ComboBox* line, ComboBox* action) {
    if (!w.bLoadingInfo) w.SetTextEdited();
    Usable(action, line->ListIndex() >= 1);
}
} // namespace

void frmLumoEdit::comboIntroStartHWLine_Change() { LineChanged(*this, comboIntroStartHWLine, comboIntroStartHWType); }
void frmLumoEdit::comboIntroEndHWLine_Change() { LineChanged(*this, comboIntroEndHWLine, comboIntroEndHWType); }
void frmLumoEdit::comboExtroHWLine_Change() { LineChanged(*this, comboExtroHWLine, comboExtroHWType); }
void frmLumoEdit::comboHookStartHWLine_Change() { LineChanged(*this, comboHookStartHWLine, comboHookStartHWType); }
void frmLumoEdit::comboHookEndHWLine_Change() { LineChanged(*this, comboHookEndHWLine, comboHookEndHWType); }

void frmLumoEdit::chkLoop_Click() {
    const bool on = chkLoop->Value() != 0;
    for (QWidget* w : std::initializer_list<QWidget*>{fraLooping, lblLoopStartDesc, lblLoopEndDesc, cmdSetLoopStart,
                                                      cmdSetLoopEnd, chkMaxLoop, chkLoopJump, lblLoopCount, cmdPlayLoop})
        w->setEnabled(on);
    Usable(mtxtLoopStart, on);
    Usable(mtxtLoopEnd, on);
    chkMaxLoop_Click();
    if (!bLoadingInfo) {
        SetTextEdited();
        UpdateButtons();
        ApplyMarkers();
    }
}

void frmLumoEdit::chkMaxLoop_Click() {
    const bool on = chkLoop->Value() != 0 && chkMaxLoop->Value() != 0;
    Usable(txtMaxLoop, on);
    if (bLoadingInfo) return;
    SetTextEdited();
    cAudioInformation->LoopNumberLoops =
        on ? static_cast<std::int32_t>(std::nearbyint(std::strtod(txtMaxLoop->Text().c_str(), nullptr))) : 0;
}

void frmLumoEdit::chkCustomColours_Click() {
    if (!bLoadingInfo) SetTextEdited();
    const bool on = chkCustomColours->Value() != 0;
    fraCustomColours->setEnabled(on);
    cmdChangeBackgroundColour->setEnabled(on);
    cmdChangeForegroundColour->setEnabled(on);
    const auto back = on ? static_cast<OleColour>(cAudioInformation->BackColour) : syscolour::Window;
    const auto text = on ? static_cast<OleColour>(cAudioInformation->TextColour) : syscolour::WindowText;
    for (int i = 1; i <= 3; ++i) {
        SetBackColor(txtDescription[i], back);
        SetForeColor(txtDescription[i], text);
    }
}

} // namespace lumoedit
