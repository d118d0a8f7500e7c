// The shell's short sounds (the about box's logo sound) played through the audio layer's
// player, on the editing sound card of the audio settings.
#pragma once

#include "editor/shell/SoundPlayer.h"

#include <memory>

namespace lumoedit {

std::shared_ptr<iSoundPlayer> MakeAudioLayerSoundPlayer();

} // namespace lumoedit
