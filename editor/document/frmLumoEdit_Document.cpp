// The document side's handlers: the detail fields a save writes, the marker boxes, and the
// audio cover's click.
#include "editor/document/frmLumoEdit.h"

#include "platform/ui/Handlers.h"

namespace lumoedit {

using namespace platform::ui;

void frmLumoEdit::ConnectDocumentHandlers() {
    for (int i = 1; i <= 3; ++i)
        OnCall(txtDescription[static_cast<std::size_t>(i)], &TextBox::Change, this, [this, i] { txtDescription_Change(i); },
               "txtDescription_Change");
    On(txtOriginator, &TextBox::Change, this, &frmLumoEdit::txtOriginator_Change, "txtOriginator_Change");
    for (CheckBox* c : {chkAirStart, chkAirEnd}) On(c, &CheckBox::Click, this, &frmLumoEdit::AirWindow_Change, "AirWindow_Change");
    for (TextBox* t : {txtAirStartDate, txtAirStartHour, txtAirStartMinutes, txtAirEndDate, txtAirEndHour, txtAirEndMinutes})
        On(t, &TextBox::Change, this, &frmLumoEdit::AirWindow_Change, "AirWindow_Change");
    ConnectMarkerHandlers();
    On(lblUncoverAudio, &Label::Click, this, &frmLumoEdit::lblUncoverAudio_Click, "lblUncoverAudio_Click");
    On(imgUncoverAudio, &PictureBox::Click, this, &frmLumoEdit::imgUncoverAudio_Click, "imgUncoverAudio_Click");
    On(pnlAudioEditorCover, &Panel::Click, this, &frmLumoEdit::pnlAudioEditorCover_Click, "pnlAudioEditorCover_Click");
}

} // namespace lumoedit
