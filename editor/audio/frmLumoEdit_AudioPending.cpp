// Procedures of the audio side that are still to be built: the edit and effect commands,
// the toolbar dispatch, play and pause, and the position display. They do nothing yet, and
// no control is connected to them.
#include "editor/document/frmLumoEdit.h"

namespace lumoedit {

void frmLumoEdit::AudioCut() {}
void frmLumoEdit::AudioCopy() {}
void frmLumoEdit::AudioPaste() {}
void frmLumoEdit::AudioMixPaste() {}
void frmLumoEdit::AudioDeleteSelection() {}
void frmLumoEdit::AudioSelectAll() {}
void frmLumoEdit::AudioUndo() {}
void frmLumoEdit::AudioRedo() {}
void frmLumoEdit::AudioInsertFile(bool) {}
void frmLumoEdit::ProcessButton(const std::string&) {}
void frmLumoEdit::ProcessAudioButton(const std::string&) {}
void frmLumoEdit::cmdPlay_Click() {}
void frmLumoEdit::cmdPause_Click() {}
void frmLumoEdit::UpdatePlayPosition(float) {}

} // namespace lumoedit
