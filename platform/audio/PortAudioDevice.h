// Playback or recording through PortAudio on a sound card given by number (0: the system's
// default device; n: device n - 1 of the device list). Failures raise errors that say what
// went wrong; the sound system's own chatter never reaches standard error.
#pragma once

#include "platform/audio/AudioDevice.h"
#include "platform/audio/Transport.h"

#include <atomic>
#include <functional>
#include <string>

namespace platform::audio {

class PortAudioDevice final : public AudioDevice, public LatencyReporting {
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
    bool Running() const override;
    // How far behind the frames handed over the listener is, in frames of the stream.
    std::int64_t OutputLatencyFrames() const override;

    // One period of the stream, on PortAudio's thread; false once playback has run out.
    bool Deliver(const void* in, void* out, unsigned long frames);

private:
    void Open(int sampleRate, int channels, std::function<std::int64_t(float*, std::int64_t)> pull,
              std::function<void(const float*, std::int64_t)> push);
    DeviceDirection direction_;
    int soundCard_;
    void* stream_ = nullptr;
    bool initialised_ = false;
    bool quietStream_ = false;
    int channels_ = 0;
    std::function<std::int64_t(float*, std::int64_t)> pull_;
    std::function<void(const float*, std::int64_t)> push_;
};

} // namespace platform::audio
