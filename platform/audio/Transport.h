// Playback and recording engine shared by the audio editor and the player control. The
// device's callbacks run on the device's own thread; they touch only atomics, immutable tracks
// and a lock-free ring, and the owner's thread collects what happened with Pump().
#pragma once

#include "platform/audio/AudioDevice.h"
#include "platform/audio/Track.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace platform::audio {

enum class DeviceDirection { Playback, Recording };

// A playback device that knows how far the listener has got: the frames of the current
// stream, counted from its start, that have left the speaker by now. That is the frames
// handed over less what the card and the sound system still hold; it never goes back.
class ListenerClock {
public:
    virtual ~ListenerClock() = default;
    virtual std::int64_t FramesHeard() const = 0;
};

// Makes the device for a direction and a sound-card number (0: the default device; n: device
// n - 1). The default factory opens PortAudio streams.
using DeviceFactory = std::function<std::shared_ptr<AudioDevice>(DeviceDirection, int soundCard)>;
std::shared_ptr<AudioDevice> MakeDevice(DeviceDirection d, int soundCard);

// Replaces the device factory of the whole process while alive (tests, benchmarks).
class ScopedDeviceFactory {
public:
    explicit ScopedDeviceFactory(DeviceFactory f);
    ~ScopedDeviceFactory();
    ScopedDeviceFactory(const ScopedDeviceFactory&) = delete;
    ScopedDeviceFactory& operator=(const ScopedDeviceFactory&) = delete;

private:
    DeviceFactory previous_;
};

// What to play: [start, end), and a loop section [loopStart, loopEnd) played loopCount times
// in all (0: until stopped; -1: no loop).
struct PlayPlan {
    std::int64_t start = 0, end = 0;
    std::int64_t loopStart = 0, loopEnd = 0;
    int loopCount = -1;
};

// Level in 0..scale of a peak: full scale gives `scale`, 60 dB below full scale or less gives 0.
int PeakToLevel(float peak, int scale);

// What happened since the last Pump().
struct TransportNews {
    bool running = false;        // playing or recording (not paused)
    std::int64_t position = 0;   // document position of the play or record head
    bool moved = false;          // position differs from the last Pump
    bool haveLevels = false;
    float peak[2] = {0, 0};      // per-channel peaks since the last Pump (mono: both the same)
    bool ended = false;          // playback reached its end by itself
    bool failed = false;         // the device stopped with an error
    std::string error;
};

class Transport {
public:
    Transport();
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Starts playing the tracks on the device; raises an error when the device cannot start.
    void Play(std::shared_ptr<AudioDevice> device, int rate, std::vector<TrackPtr> tracks, const PlayPlan& plan);
    // Stops the stream and keeps the play head; Resume starts it again from there.
    void Pause();
    void Resume();
    // Ends playback or recording. Recording's blocks are handed back by FinishRecording.
    void Stop();

    // Records from the device into blocks of the work file, one writer per channel.
    // `at` and `replaceTo` are the document range the recording goes into, kept for the owner.
    void Record(std::shared_ptr<AudioDevice> device, int rate, int channels, std::shared_ptr<WorkFile> work,
                std::int64_t at, std::int64_t replaceTo);
    std::int64_t RecordAt() const { return recordAt_; }
    std::int64_t RecordReplaceTo() const { return recordTo_; }
    // Stops recording and gives the recorded audio, one track per channel.
    std::vector<TrackPtr> FinishRecording();

    bool Playing() const { return mode_ == Mode::Playing; }
    bool Recording() const { return mode_ == Mode::Recording; }
    bool Paused() const { return mode_ == Mode::Paused; }
    bool Active() const { return mode_ != Mode::Idle; }
    std::int64_t Position() const;
    std::int64_t RecordedFrames() const;
    std::int64_t LostFrames() const;

    TransportNews Pump();

private:
    enum class Mode { Idle, Playing, Paused, Recording };
    struct PlayState;
    struct RecordState;
    void StartDevice();
    // Frames of the stream the listener has heard (all handed over, for a device that cannot tell).
    std::int64_t FramesHeard() const;
    std::shared_ptr<AudioDevice> device_;
    std::shared_ptr<PlayState> play_;
    std::shared_ptr<RecordState> rec_;
    Mode mode_ = Mode::Idle;
    std::int64_t lastPosition_ = -1;
    std::int64_t recordAt_ = 0, recordTo_ = 0;
};

} // namespace platform::audio
