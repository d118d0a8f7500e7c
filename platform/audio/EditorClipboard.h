// The system clipboard for the audio-editing component: audio travels as a WAV file's bytes.
// Needs Qt (the LumoAudioClipboard library); headless hosts use the component's own
// clipboard (AudioEditor::Copy, Paste, ClipboardFileName).
#pragma once

#include "platform/audio/AudioEditor.h"

namespace platform::audio {

// Copies the selection to the component's clipboard and to the system clipboard.
void CopyToClipboard(AudioEditor& editor);
// Pastes the system clipboard's audio (a WAV, or one audio file copied in a file manager) at
// the insert point; anything else pastes nothing.
void PasteFromClipboard(AudioEditor& editor);

} // namespace platform::audio
