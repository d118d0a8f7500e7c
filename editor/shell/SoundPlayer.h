// Short sounds the shell plays from files (the about box's logo sound): played in the
// background without a default sound when the file cannot be played, and stopped on demand.
// The audio layer installs the real player; until then nothing is heard.
#pragma once

#include <memory>
#include <string>

namespace lumoedit {

class iSoundPlayer {
public:
    virtual ~iSoundPlayer() = default;
    // Starts the file and returns at once; a file that cannot be played is silence.
    virtual void PlayFile(const std::string& path) = 0;
    // Stops what is playing (nothing when nothing plays).
    virtual void Stop() = 0;
};

// Installs a player (nullptr: the silent one); returns the previous one.
std::shared_ptr<iSoundPlayer> SetSoundPlayer(std::shared_ptr<iSoundPlayer> player);
iSoundPlayer& SoundPlayer();

} // namespace lumoedit
