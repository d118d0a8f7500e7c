#include "platform/audio/PortAudioDevice.h"

#include "platform/base/Error.h"
#include "platform/devices/Devices.h"

#include <alsa/asoundlib.h>
#include <pa_linux_alsa.h>
#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

int StreamCallback(const void* in, void* out, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                   PaStreamCallbackFlags, void* self) {
    const double now = time ? time->currentTime : 0, dac = time ? time->outputBufferDacTime : 0;
    return static_cast<PortAudioDevice*>(self)->Deliver(in, out, frames, now, dac) ? paContinue : paComplete;
}

std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Playback that ran out stops this long after its last frame was reckoned heard, for a
// reckoning a little early.
constexpr double kPlayOutMarginSeconds = 0.010;
// Should the reckoning never get there, the silent play-out ends after this much more than
// the stream's nominal latency.
constexpr double kPlayOutLimitSeconds = 5.0;
// What a stream to the sound server asks to be held: PortAudio's suggestion for ALSA's
// PulseAudio device.
constexpr double kServerLatencySeconds = 0.0348;

const char* What(DeviceDirection d) { return d == DeviceDirection::Playback ? "playback" : "recording"; }

} // namespace

PortAudioDevice::PortAudioDevice(DeviceDirection direction, int soundCard)
    : direction_(direction), soundCard_(soundCard) {}

PortAudioDevice::~PortAudioDevice() { Stop(); }

bool PortAudioDevice::Deliver(const void* in, void* out, unsigned long frames, double now, double dac) {
    const auto n = static_cast<std::int64_t>(frames);
    if (pull_) {
        auto* o = static_cast<float*>(out);
        const std::int64_t first = handed_.load(std::memory_order_relaxed);
        std::int64_t end = end_.load(std::memory_order_relaxed);
        std::int64_t got = 0;
        if (end < 0) {
            got = std::clamp<std::int64_t>(pull_(o, n), 0, n);
            if (got < n) end = first + got;
        }
        std::fill(o + got * channels_, o + n * channels_, 0.0f);
        // When this period's first frame reaches the speaker; a host that gives no times is
        // taken at the stream's nominal latency.
        const double ahead = now > 0 && dac > 0 ? std::max(0.0, dac - now) : latency_;
        const std::int64_t at = SteadyNs() + std::llround(ahead * 1e9);
        clockSeq_.fetch_add(1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        clockFrame_.store(first, std::memory_order_relaxed);
        clockNs_.store(at, std::memory_order_relaxed);
        clockSeq_.fetch_add(1, std::memory_order_release);
        handed_.store(first + n, std::memory_order_relaxed);
        if (end < 0) return true;
        end_.store(end, std::memory_order_release);
        // Silence until Running() sees the last frame heard.
        return first + n - end < std::llround((latency_ + kPlayOutLimitSeconds) * rate_);
    }
    if (push_ && in) push_(static_cast<const float*>(in), n);
    return true;
}

std::int64_t PortAudioDevice::HeardAt(std::int64_t steadyNs) const {
    std::int64_t frame = -1, at = 0;
    for (;;) {
        const std::uint64_t s1 = clockSeq_.load(std::memory_order_acquire);
        if (s1 & 1) continue;
        frame = clockFrame_.load(std::memory_order_relaxed);
        at = clockNs_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (clockSeq_.load(std::memory_order_relaxed) == s1) break;
    }
    if (frame < 0) return 0;
    const double since = static_cast<double>(steadyNs - at) / 1e9;
    const auto heard = frame + static_cast<std::int64_t>(std::floor(since * rate_));
    return std::clamp<std::int64_t>(heard, 0, handed_.load(std::memory_order_relaxed));
}

std::int64_t PortAudioDevice::FramesHeard() const {
    if (!stream_ || direction_ != DeviceDirection::Playback) return heard_.load(std::memory_order_relaxed);
    // A later period may put the speaker a little behind the last reckoning: never go back.
    const std::int64_t now = HeardAt(SteadyNs());
    std::int64_t before = heard_.load(std::memory_order_relaxed);
    while (now > before && !heard_.compare_exchange_weak(before, now, std::memory_order_relaxed)) {
    }
    return std::max(now, before);
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
    const bool playback = direction_ == DeviceDirection::Playback;
    auto release = [&] {
        if (stream_) Pa_CloseStream(stream_);
        stream_ = nullptr;
        if (initialised_) devices::ReleasePortAudio();
        initialised_ = false;
    };
    auto fail = [&](const std::string& text) {
        release();
        Raise(err::DeviceIO, text);
    };
    if (soundCard_ < 0) fail("Sound card " + std::to_string(soundCard_) + " is not a valid " + what + " device number");
    pull_ = std::move(pull);
    push_ = std::move(push);
    channels_ = channels;
    rate_ = sampleRate;
    clockFrame_ = -1;
    clockNs_ = 0;
    handed_ = 0;
    end_ = -1;
    heard_ = 0;
    // PortAudio stays started between streams. Should the sound system have changed since
    // (a device gone, a sound server started), the stream is tried once more on it afresh.
    std::string problem;
    for (bool fresh : {false, true}) {
        release();
        if (PaError e = devices::AcquirePortAudio(fresh); e != paNoError)
            fail(std::string("The sound system could not be started: ") + Pa_GetErrorText(e));
        initialised_ = true;
        const auto target = devices::FindStreamTarget(
            playback ? devices::Direction::Output : devices::Direction::Input, soundCard_ - 1);
        if (!target) {
            problem = soundCard_ == 0 ? "There is no sound card for " + what + " on this computer"
                                      : "Sound card " + std::to_string(soundCard_) + " is not available for " + what;
            continue;
        }
        const std::string name = target->name.empty() ? "the default device" : target->name;
        PaStreamParameters p{};
        PaAlsaStreamInfo alsa{};
        if (target->portAudioIndex >= 0) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(target->portAudioIndex);
            p.device = target->portAudioIndex;
            p.suggestedLatency = playback ? info->defaultHighOutputLatency : info->defaultHighInputLatency;
        } else {
            // The sound server's sink or source, by name, through ALSA's PulseAudio plugin.
            PaAlsa_InitializeStreamInfo(&alsa);
            alsa.deviceString = target->alsaDevice.c_str();
            p.device = paUseHostApiSpecificDeviceSpecification;
            p.hostApiSpecificStreamInfo = &alsa;
            p.suggestedLatency = kServerLatencySeconds;
        }
        p.channelCount = channels;
        p.sampleFormat = paFloat32;
        latency_ = p.suggestedLatency;
        PaError e = Pa_OpenStream(&stream_, playback ? nullptr : &p, playback ? &p : nullptr, sampleRate,
                                  paFramesPerBufferUnspecified, paClipOff, &StreamCallback, this);
        if (e != paNoError) {
            stream_ = nullptr;
            problem = "The sound card \"" + name + "\" could not be opened for " + what + " at " +
                      std::to_string(sampleRate) + " Hz with " + std::to_string(channels) +
                      " channels: " + Pa_GetErrorText(e);
            continue;
        }
        if (const PaStreamInfo* si = Pa_GetStreamInfo(stream_); si && playback) latency_ = si->outputLatency;
        e = Pa_StartStream(stream_);
        if (e == paNoError) {
            if (!target->serverName.empty())
                watch_ = std::make_unique<devices::ServerStreamWatch>(
                    playback ? devices::Direction::Output : devices::Direction::Input, target->serverName);
            return;
        }
        problem = "The sound card \"" + name + "\" could not start " + what + ": " + Pa_GetErrorText(e);
    }
    fail(problem);
}

void PortAudioDevice::Stop() {
    watch_.reset();
    if (stream_ || initialised_) {
        devices::QuietAudioScope quiet;
        if (stream_) {
            Pa_AbortStream(stream_);
            Pa_CloseStream(stream_);
            stream_ = nullptr;
        }
        if (initialised_) devices::ReleasePortAudio();
        initialised_ = false;
    }
    if (quietStream_) {
        quietStream_ = false;
        StreamClosed();
    }
}

bool PortAudioDevice::Running() const {
    if (!stream_ || Pa_IsStreamActive(stream_) != 1 || (watch_ && watch_->Lost())) return false;
    const std::int64_t end = end_.load(std::memory_order_acquire);
    return end < 0 || FramesHeard() < end + std::llround(kPlayOutMarginSeconds * rate_);
}

} // namespace platform::audio
