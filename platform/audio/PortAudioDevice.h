// Playback or recording through PortAudio on a sound card given by number (0: the system's
// default device; n: device n - 1 of the device list). A sound server's sink or source is
// reached by name through ALSA's PulseAudio plugin; a stream there ends, as a failed card's
// does, when that sink or source goes away. Failures raise errors that say what
// went wrong; the sound system's own chatter never reaches standard error.
//
// Playback that runs out goes on, silent, until the listener has heard its last frame: only
// then does the device stop running, so nothing the card and the sound server still hold is
// cut off. Which frame is being heard comes from the time PortAudio gives each period for
// reaching the speaker (its DAC time), so it includes the sound server's own buffering.
#pragma once

#include "platform/audio/AudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/devices/Devices.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace platform::audio {

class PortAudioDevice final : public AudioDevice, public ListenerClock {
public:
    PortAudioDevice(DeviceDirection direction, int soundCard);
    ~PortAudioDevice() override;
    PortAudioDevice(const PortAudioDevice&) = delete;
    PortAudioDevice& operator=(const PortAudioDevice&) = delete;

    // Raises platform::RuntimeError (DeviceIO) when the stream cannot be opened or started.
    bool Start(int sampleRate, int channels,
               std::function<std::int64_t(float* interleaved, std::int64_t frames)> pull,
               std::function<void(const float* interleaved, std::int64_t frames)> push) override;
    void Stop() override;
    // False once the stream has failed, or playback has run out and its last frame was heard.
    bool Running() const override;
    std::int64_t FramesHeard() const override;
    // Frames handed to the stream so far, silence after the end included.
    std::int64_t FramesHandedOver() const { return handed_.load(std::memory_order_relaxed); }

    // One period of the stream, on PortAudio's thread. `now` and `dac` are the stream's times
    // of the call and of the period's first frame reaching the speaker (0: not known). False
    // ends the stream.
    bool Deliver(const void* in, void* out, unsigned long frames, double now, double dac);

private:
    void Open(int sampleRate, int channels, std::function<std::int64_t(float*, std::int64_t)> pull,
              std::function<void(const float*, std::int64_t)> push);
    // The frame heard at a moment of the steady clock, from the last period's hand-over.
    std::int64_t HeardAt(std::int64_t steadyNs) const;
    DeviceDirection direction_;
    int soundCard_;
    void* stream_ = nullptr;
    std::unique_ptr<devices::ServerStreamWatch> watch_; // a stream to a chosen sink or source
    bool initialised_ = false;
    bool quietStream_ = false;
    int channels_ = 0;
    int rate_ = 0;
    double latency_ = 0; // the stream's nominal output latency, seconds
    std::function<std::int64_t(float*, std::int64_t)> pull_;
    std::function<void(const float*, std::int64_t)> push_;

    // Written by PortAudio's thread. The last period's first frame and when it is heard, on
    // the steady clock, behind a sequence count so a reader never takes half of a pair.
    std::atomic<std::uint64_t> clockSeq_{0};
    std::atomic<std::int64_t> clockFrame_{-1}, clockNs_{0};
    std::atomic<std::int64_t> handed_{0}; // frames handed over, silence included
    std::atomic<std::int64_t> end_{-1};   // the first frame past the audio, once it ran out
    mutable std::atomic<std::int64_t> heard_{0}; // the furthest frame reported heard
};

} // namespace platform::audio
