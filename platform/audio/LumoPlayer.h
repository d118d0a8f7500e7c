// The player control: plays an audio file without opening it for editing (PCM WAV is read in
// place; other formats are decoded into the work folder), with a loop section and the item's
// markers. Every event is raised on the thread that calls it; while it plays, Pump() (a timer
// in the window) raises the position and level events.
//
// State: 0 nothing loaded; 5 loaded and stopped (position 0); 10 loaded and cued at its
// position (just opened, sought or paused); 20 playing.
//
// Events: PlaybackShown when a file has been loaded, PlaybackHidden when it is closed;
// PlayerEventA when playing starts, PlayerEventB when it pauses, PlayerEventC when it stops
// (by Stop or at the end of the audio), PlayerEventD when the sound card fails while playing.
// LevelsChanged carries 0..100 per channel (100 full scale, 0 at -60 dB and below);
// PositionChanged the position in seconds.
#pragma once

#include "platform/audio/AudioEditor.h"

#include <memory>
#include <string>

namespace platform::audio {

inline constexpr int kPlayerEmpty = 0;
inline constexpr int kPlayerStopped = 5;
inline constexpr int kPlayerCued = 10;
inline constexpr int kPlayerPlaying = 20;

class LumoPlayer {
public:
    LumoPlayer();
    ~LumoPlayer();
    LumoPlayer(const LumoPlayer&) = delete;
    LumoPlayer& operator=(const LumoPlayer&) = delete;

    // Raises an error for a file it cannot play, and then holds nothing.
    void OpenFile(const std::string& path);
    void CloseFile();
    const std::string& FileName() const { return path_; }

    // Plays from the position (from the start when the position is at the end); the loop
    // section, when enabled, plays LoopCount times (0: until stopped), then on to the end.
    // Raises an error when the sound card cannot start.
    void Play();
    void Pause();
    // Stops and goes back to the start.
    void Stop();
    // Seconds, clamped to the audio.
    void Seek(float seconds);
    int State() const { return state_; }
    bool Playing() const { return state_ == kPlayerPlaying; }
    float Position() const;
    float Length() const;

    int OutputDevice() const { return device_; }
    void SetOutputDevice(int soundCard) { device_ = soundCard; }
    // Where files that are not PCM WAV are decoded to.
    void SetTemporaryFolder(const std::string& folder);

    // The item's markers, seconds; kept for the host, playing does not stop at them.
    float AudioStart = 0, AudioEnd = 0, IntroStart = 0, IntroEnd = 0, Extro = 0, HookStart = 0, HookEnd = 0;
    float LoopStart = 0, LoopEnd = 0;
    int LoopCount = 0;
    bool LoopEnabled = false;

    void Pump();

    Signal<int, int> LevelsChanged;
    Signal<float> PositionChanged;
    Signal<> PlaybackShown, PlaybackHidden;
    Signal<> PlayerEventA, PlayerEventB, PlayerEventC, PlayerEventD;

private:
    std::int64_t Frames(float seconds) const;
    void Start(bool keepPosition);
    std::unique_ptr<AudioEditor> source_;
    std::unique_ptr<class Transport> transport_;
    std::string path_, tempFolder_;
    int state_ = kPlayerEmpty;
    int device_ = 0;
    int rate_ = 44100;
    std::int64_t position_ = 0, length_ = 0;
};

} // namespace platform::audio
