// The document side's handlers: the marker boxes and the audio cover's click.
#include "editor/document/frmLumoEdit.h"

#include "platform/ui/Handlers.h"

namespace lumoedit {

using namespace platform::ui;

void frmLumoEdit::ConnectDocumentHandlers() {
    ConnectMarkerHandlers();
    On(lblUncoverAudio, &Label::Click, this, &frmLumoEdit::lblUncoverAudio_Click, "lblUncoverAudio_Click");
    On(imgUncoverAudio, &PictureBox::Click, this, &frmLumoEdit::imgUncoverAudio_Click, "imgUncoverAudio_Click");
    On(pnlAudioEditorCover, &Panel::Click, this, &frmLumoEdit::pnlAudioEditorCover_Click, "pnlAudioEditorCover_Click");
}

} // namespace lumoedit
