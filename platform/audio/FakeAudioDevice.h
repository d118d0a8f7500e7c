// A sound card without hardware, driven by a clock that the caller advances: each period it
// pulls frames for playback or pushes frames for recording, exactly as a device's callback
// would. It can also run on a thread of its own, in real time or faster.
#pragma once

#include "platform/audio/AudioDevice.h"
#include "platform/audio/Transport.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::audio {

class FakeAudioDevice final : public AudioDevice, public ListenerClock {
public:
    // Fills `frames` interleaved frames of recorded audio; `first` counts from the start of
    // the stream.
    using Source = std::function<void(std::int64_t first, std::int64_t frames, int channels, float* out)>;

    explicit FakeAudioDevice(std::int64_t periodFrames = 512);
    ~FakeAudioDevice() override;
    FakeAudioDevice(const FakeAudioDevice&) = delete;
    FakeAudioDevice& operator=(const FakeAudioDevice&) = delete;

    bool Start(int sampleRate, int channels,
               std::function<std::int64_t(float* interleaved, std::int64_t frames)> pull,
               std::function<void(const float* interleaved, std::int64_t frames)> push) override;
    void Stop() override;
    bool Running() const override { return running_; }

    // The test clock: runs the stream for that many frames (whole periods; a partial last one).
    void Advance(std::int64_t frames);
    void AdvanceMs(double ms);
    // Runs the clock on a thread from the next Start on: speed 1 is real time, 0 as fast as
    // the callbacks allow.
    void SetFreeRunning(double speed) { speed_ = speed; freeRunning_ = true; }

    void SetSource(Source s) { source_ = std::move(s); }
    // The next Start fails (returns false, or raises the text when one is given).
    void FailNextStart(std::string error = {}) { failNext_ = true; failText_ = std::move(error); }
    // The device dies in the middle of the stream, as a card that is pulled out.
    void Break() { running_ = false; }
    // Frames the card holds between hand-over and the speaker: the listener is that far
    // behind, and after the last frame the stream runs on that long before it ends.
    void SetLatency(std::int64_t frames) { latency_ = frames; }
    std::int64_t FramesHeard() const override;
    // Keeps every played frame (off by default for long runs).
    void KeepPlayed(bool on) { keep_ = on; }

    std::vector<float> Played() const;
    std::int64_t FramesPulled() const { return pulled_; }
    std::int64_t FramesPushed() const { return pushed_; }
    int Starts() const { return starts_; }
    int SampleRate() const { return rate_; }
    int Channels() const { return channels_; }
    // When the first frames of the current stream were handed over.
    std::chrono::steady_clock::time_point FirstPull() const;

private:
    void Tick(std::int64_t frames);
    void Run();
    std::int64_t period_;
    std::atomic<bool> running_{false};
    bool freeRunning_ = false, keep_ = false, failNext_ = false;
    double speed_ = 0;
    std::string failText_;
    int rate_ = 0, channels_ = 0, starts_ = 0;
    std::function<std::int64_t(float*, std::int64_t)> pull_;
    std::function<void(const float*, std::int64_t)> push_;
    Source source_;
    std::vector<float> buffer_;
    mutable std::mutex mutex_; // guards played_ and firstPull_
    std::vector<float> played_;
    std::chrono::steady_clock::time_point firstPull_{};
    bool pulledYet_ = false;
    std::atomic<std::int64_t> pulled_{0}, pushed_{0};
    std::atomic<std::int64_t> streamFrames_{0};
    std::int64_t latency_ = 0, drain_ = -1; // drain_: frames left to play out, -1 while pulling
    std::thread thread_;
    std::atomic<bool> stopThread_{false};
};

} // namespace platform::audio
