// The system clipboard for the audio-editing component: audio travels as a WAV file's bytes.
// Needs Qt (the LumoAudioClipboard library); headless hosts use the component's own
// clipboard (AudioEditor::Copy, Paste, ClipboardFileName). The two are kept apart: neither
// call reads or replaces the component's own clipboard.
#pragma once

#include "platform/audio/AudioEditor.h"

namespace platform::audio {

// Copies the selection to the system clipboard; without a selection it copies nothing.
void CopyToClipboard(AudioEditor& editor);
// Inserts the system clipboard's audio (a WAV, or one audio file copied in a file manager) at
// the insert point; anything else pastes nothing.
void PasteFromClipboard(AudioEditor& editor);

} // namespace platform::audio
