// One user command of the editor window's audio side. While the component works, its progress
// event lets the message loop run, so clicks, keys and menu entries can arrive in the middle
// of an operation: a command that starts there does nothing (it tests false). A command that
// needs the audio open for editing also does nothing without it.
#pragma once

#include "editor/document/frmLumoEdit.h"

namespace lumoedit {

class AudioCommand {
public:
    explicit AudioCommand(frmLumoEdit& w, bool needsAudio = true) : ok_(w.MayStartCommand(needsAudio)) {}
    AudioCommand(const AudioCommand&) = delete;
    AudioCommand& operator=(const AudioCommand&) = delete;
    explicit operator bool() const { return ok_; }

private:
    bool ok_;
};

} // namespace lumoedit
