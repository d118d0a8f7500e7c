#include "editor/shell/SoundPlayer.h"

namespace lumoedit {

namespace {

class SilentPlayer : public iSoundPlayer {
public:
    void PlayFile(const std::string&) override {}
    void Stop() override {}
};

std::shared_ptr<iSoundPlayer>& Current() {
    static std::shared_ptr<iSoundPlayer> p = std::make_shared<SilentPlayer>();
    return p;
}

} // namespace

std::shared_ptr<iSoundPlayer> SetSoundPlayer(std::shared_ptr<iSoundPlayer> player) {
    std::shared_ptr<iSoundPlayer> old = Current();
    Current() = player ? std::move(player) : std::make_shared<SilentPlayer>();
    return old;
}

iSoundPlayer& SoundPlayer() { return *Current(); }

} // namespace lumoedit
