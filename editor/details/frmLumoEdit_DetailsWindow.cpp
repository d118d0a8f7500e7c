// What the document side calls of the details side: the hardware-line lists, the loop and
// colour options. The marker boxes are frmLumoEdit_Markers.cpp.
#include "editor/document/frmLumoEdit.h"

#include "editor/details/DetailText.h"
#include "editor/shell/LumoEdit_FN.h"
#include "platform/ui/Handlers.h"

#include <algorithm>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;

namespace {

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
        ComboBox* l = list;
        auto changed = handler;
        OnCall(list, &ComboBox::KeyPress, this,
               [this, l, changed](int& key) {
                   // A key the filter swallows ends here; a key the type-ahead used still
                   // counts as a change.
                   key = details::NumericKey(key);
                   if (key == 0) return;
                   comboHWLine_KeyPress(l, key);
                   (this->*changed)();
               },
               "HWLine_KeyPress");
    }
    for (ComboBox* type : {comboIntroStartHWType, comboIntroEndHWType, comboExtroHWType, comboHookStartHWType,
                           comboHookEndHWType}) {
        On(type, &ComboBox::Click, this, &frmLumoEdit::comboHWType_Change, "HWType_Click");
        On(type, &ComboBox::Change, this, &frmLumoEdit::comboHWType_Change, "HWType_Change");
    }
    const std::pair<CommandButton*, void (frmLumoEdit::*)()> sets[] = {
        {cmdSetIntroStart, &frmLumoEdit::cmdSetIntroStart_Click}, {cmdSetIntroEnd, &frmLumoEdit::cmdSetIntroEnd_Click},
        {cmdSetExtro, &frmLumoEdit::cmdSetExtro_Click},           {cmdSetHookStart, &frmLumoEdit::cmdSetHookStart_Click},
        {cmdSetHookEnd, &frmLumoEdit::cmdSetHookEnd_Click},       {cmdSetLoopStart, &frmLumoEdit::cmdSetLoopStart_Click},
        {cmdSetLoopEnd, &frmLumoEdit::cmdSetLoopEnd_Click}};
    for (const auto& [button, handler] : sets) On(button, &CommandButton::Click, this, handler, "cmdSet_Click");
    On(chkLoopJump, &CheckBox::Click, this, &frmLumoEdit::chkLoopJump_Click, "chkLoopJump_Click");
    const std::pair<CommandButton*, void (frmLumoEdit::*)()> pictures[] = {
        {cmdNextPicture, &frmLumoEdit::cmdNextPicture_Click}, {cmdPreviousPicture, &frmLumoEdit::cmdPreviousPicture_Click},
        {cmdClearPic, &frmLumoEdit::cmdClearPic_Click},       {cmdMovePicUp, &frmLumoEdit::cmdMovePicUp_Click},
        {cmdMovePicDown, &frmLumoEdit::cmdMovePicDown_Click}, {cmdImportPicture, &frmLumoEdit::cmdImportPicture_Click},
        {cmdEraseLastPlays, &frmLumoEdit::cmdEraseLastPlays_Click}};
    for (const auto& [button, handler] : pictures) On(button, &CommandButton::Click, this, handler, "Picture_Click");
    On(picCopyright1, &PictureBox::Resize, this, &frmLumoEdit::picCopyright1_Resize, "picCopyright1_Resize");
    ConnectDetailFields();
    ConnectAirWindow();
}

void frmLumoEdit::comboHWLine_KeyPress(ComboBox* LineList, int& KeyAscii) {
    KeyAscii = TypeAhead(LineList, KeyAscii, LineList->ListCount() > 1);
}

void frmLumoEdit::comboHWType_Change() {
    if (!bLoadingInfo) SetTextEdited();
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
        LoopMarkersFollowOption(on);
        SetTextEdited();
        UpdateButtons();
        ApplyMarkers();
    }
}

// An unticked loop option must not leave loop markers in the item: saved, they would tick the
// option again when the file is opened. They are kept aside instead, and a re-tick in this
// window brings them back.
void frmLumoEdit::LoopMarkersFollowOption(bool on) {
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    if (!on) {
        if (item.LoopStart == 0 && item.LoopEnd == 0) return;
        keptLoopStart_ = item.LoopStart;
        keptLoopEnd_ = item.LoopEnd;
        item.LoopStart = 0;
        item.LoopEnd = 0;
        ScopedFlag guard(bUpdatingMarkers_, true);
        mtxtLoopStart->SetText(TimeText(0));
        mtxtLoopEnd->SetText(TimeText(0));
        item.LoopStart = 0;
        item.LoopEnd = 0;
        return;
    }
    if (item.LoopStart != 0 || item.LoopEnd != 0 || (keptLoopStart_ == 0 && keptLoopEnd_ == 0)) return;
    item.LoopStart = keptLoopStart_;
    item.LoopEnd = keptLoopEnd_;
    keptLoopStart_ = keptLoopEnd_ = 0;
    ScopedFlag guard(bUpdatingMarkers_, true);
    // Capped as every box is: a loop kept from beyond the boxes' hundred hours comes back as
    // the longest time they hold.
    mtxtLoopStart->SetText(TimeText(item.LoopStart));
    mtxtLoopEnd->SetText(TimeText(item.LoopEnd));
}

void frmLumoEdit::chkMaxLoop_Click() {
    const bool on = chkLoop->Value() != 0 && chkMaxLoop->Value() != 0;
    Usable(txtMaxLoop, on);
    if (bLoadingInfo) return;
    SetTextEdited();
    cAudioInformation->LoopNumberLoops = on ? details::LoopCount(txtMaxLoop->Text()) : 0;
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
