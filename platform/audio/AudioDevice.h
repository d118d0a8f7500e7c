// Where playback and recording plug in: a device that pulls or pushes interleaved float
// frames. The transport that drives it, and the devices themselves, sit on top of the
// component and raise its position, level and stopped events on the caller's thread.
#pragma once

#include <cstdint>
#include <functional>

namespace platform::audio {

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Starts a stream; `pull` fills `frames` frames for playback, `push` takes recorded ones.
    virtual bool Start(int sampleRate, int channels,
                       std::function<std::int64_t(float* interleaved, std::int64_t frames)> pull,
                       std::function<void(const float* interleaved, std::int64_t frames)> push) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
};

} // namespace platform::audio
