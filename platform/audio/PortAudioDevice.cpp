#include "platform/audio/PortAudioDevice.h"

#include "platform/base/Error.h"
#include "platform/devices/Devices.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform::audio {

extern "C" void SilentStreamAlsaHandler(const char*, int, const char*, int, const char*, ...) {}

namespace {

// While a stream is open, ALSA's complaints (an underrun, say) stay off standard error; the
// handler that was there before comes back with the last stream.
std::mutex streamMutex;
int openStreams = 0;
snd_lib_error_handler_t handlerBefore = nullptr;

void StreamOpened() {
    std::lock_guard lock(streamMutex);
    if (openStreams++ == 0) {
        handlerBefore = snd_lib_error;
        snd_lib_error_set_handler(&SilentStreamAlsaHandler);
    }
}

void StreamClosed() {
    std::lock_guard lock(streamMutex);
    if (--openStreams == 0) snd_lib_error_set_handler(handlerBefore);
}

int StreamCallback(const void* in, void* out, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* self) {
    return static_cast<PortAudioDevice*>(self)->Deliver(in, out, frames) ? paContinue : paComplete;
}

const char* What(DeviceDirection d) { return d == DeviceDirection::Playback ? "playback" : "recording"; }

} // namespace

PortAudioDevice::PortAudioDevice(DeviceDirection direction, int soundCard)
    : direction_(direction), soundCard_(soundCard) {}

PortAudioDevice::~PortAudioDevice() { Stop(); }

bool PortAudioDevice::Deliver(const void* in, void* out, unsigned long frames) {
    const auto n = static_cast<std::int64_t>(frames);
    if (pull_) {
        auto* o = static_cast<float*>(out);
        std::int64_t got = pull_(o, n);
        if (got < n) {
            std::fill(o + std::max<std::int64_t>(got, 0) * channels_, o + n * channels_, 0.0f);
            return false;
        }
        return true;
    }
    if (push_ && in) push_(static_cast<const float*>(in), n);
    return true;
}

bool PortAudioDevice::Start(int sampleRate, int channels,
                            std::function<std::int64_t(float*, std::int64_t)> pull,
                            std::function<void(const float*, std::int64_t)> push) {
    Stop();
    Open(sampleRate, channels, std::move(pull), std::move(push));
    StreamOpened(); // after the quiet scope, which puts back the handler it found
    quietStream_ = true;
    return true;
}

void PortAudioDevice::Open(int sampleRate, int channels, std::function<std::int64_t(float*, std::int64_t)> pull,
                           std::function<void(const float*, std::int64_t)> push) {
    devices::QuietAudioScope quiet;
    const std::string what = What(direction_);
    auto fail = [&](const std::string& text) {
        if (stream_) Pa_CloseStream(stream_);
        stream_ = nullptr;
        if (initialised_) Pa_Terminate();
        initialised_ = false;
        Raise(err::DeviceIO, text);
    };
    if (soundCard_ < 0) fail("Sound card " + std::to_string(soundCard_) + " is not a valid " + what + " device number");
    // The device list is read before PortAudio starts, since reading it starts and ends
    // PortAudio itself.
    int index = paNoDevice;
    std::string name;
    if (soundCard_ > 0) {
        auto dir = direction_ == DeviceDirection::Playback ? devices::Direction::Output : devices::Direction::Input;
        auto caps = devices::GetDeviceCaps(dir, soundCard_ - 1);
        if (!caps || caps->hostIndex < 0)
            fail("Sound card " + std::to_string(soundCard_) + " is not available for " + what);
        index = caps->hostIndex;
        name = caps->name;
    }
    PaError e = Pa_Initialize();
    if (e != paNoError) fail(std::string("The sound system could not be started: ") + Pa_GetErrorText(e));
    initialised_ = true;
    if (soundCard_ == 0) {
        index = direction_ == DeviceDirection::Playback ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
        if (index == paNoDevice) fail("There is no sound card for " + what + " on this computer");
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (!info) fail("Sound card " + std::to_string(soundCard_) + " is not available for " + what);
    if (name.empty()) name = info->name ? info->name : "the default device";

    PaStreamParameters p{};
    p.device = index;
    p.channelCount = channels;
    p.sampleFormat = paFloat32;
    p.suggestedLatency = direction_ == DeviceDirection::Playback ? info->defaultHighOutputLatency
                                                                 : info->defaultHighInputLatency;
    pull_ = std::move(pull);
    push_ = std::move(push);
    channels_ = channels;
    const bool playback = direction_ == DeviceDirection::Playback;
    e = Pa_OpenStream(&stream_, playback ? nullptr : &p, playback ? &p : nullptr, sampleRate,
                      paFramesPerBufferUnspecified, paClipOff, &StreamCallback, this);
    if (e != paNoError) {
        stream_ = nullptr;
        fail("The sound card \"" + name + "\" could not be opened for " + what + " at " + std::to_string(sampleRate) +
             " Hz with " + std::to_string(channels) + " channels: " + Pa_GetErrorText(e));
    }
    e = Pa_StartStream(stream_);
    if (e != paNoError) fail("The sound card \"" + name + "\" could not start " + what + ": " + Pa_GetErrorText(e));
}

void PortAudioDevice::Stop() {
    if (stream_ || initialised_) {
        devices::QuietAudioScope quiet;
        if (stream_) {
            Pa_AbortStream(stream_);
            Pa_CloseStream(stream_);
            stream_ = nullptr;
        }
        if (initialised_) Pa_Terminate();
        initialised_ = false;
    }
    if (quietStream_) {
        quietStream_ = false;
        StreamClosed();
    }
}

std::int64_t PortAudioDevice::OutputLatencyFrames() const {
    if (!stream_ || direction_ != DeviceDirection::Playback) return 0;
    const PaStreamInfo* info = Pa_GetStreamInfo(stream_);
    return info ? static_cast<std::int64_t>(info->outputLatency * info->sampleRate) : 0;
}

bool PortAudioDevice::Running() const { return stream_ && Pa_IsStreamActive(stream_) == 1; }

} // namespace platform::audio
