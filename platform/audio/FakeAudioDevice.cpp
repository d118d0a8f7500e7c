#include "platform/audio/FakeAudioDevice.h"

#include "platform/base/Error.h"

#include <algorithm>
#include <cmath>

namespace platform::audio {

FakeAudioDevice::FakeAudioDevice(std::int64_t periodFrames) : period_(std::max<std::int64_t>(1, periodFrames)) {}

FakeAudioDevice::~FakeAudioDevice() { Stop(); }

bool FakeAudioDevice::Start(int sampleRate, int channels, std::function<std::int64_t(float*, std::int64_t)> pull,
                            std::function<void(const float*, std::int64_t)> push) {
    Stop();
    if (failNext_) {
        failNext_ = false;
        if (!failText_.empty()) Raise(err::DeviceIO, failText_);
        return false;
    }
    ++starts_;
    rate_ = sampleRate;
    channels_ = channels;
    pull_ = std::move(pull);
    push_ = std::move(push);
    buffer_.assign(static_cast<std::size_t>(period_ * channels), 0.0f);
    streamFrames_ = 0;
    drain_ = -1;
    {
        std::lock_guard lock(mutex_);
        pulledYet_ = false;
    }
    running_ = true;
    if (freeRunning_) {
        stopThread_ = false;
        thread_ = std::thread([this] { Run(); });
    }
    return true;
}

void FakeAudioDevice::Stop() {
    stopThread_ = true;
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    running_ = false;
}

void FakeAudioDevice::Tick(std::int64_t frames) {
    if (drain_ >= 0) {
        drain_ -= frames;
        if (drain_ <= 0) running_ = false;
    } else if (pull_) {
        std::int64_t got = pull_(buffer_.data(), frames);
        pulled_ += std::max<std::int64_t>(got, 0);
        {
            std::lock_guard lock(mutex_);
            if (!pulledYet_) {
                pulledYet_ = true;
                firstPull_ = std::chrono::steady_clock::now();
            }
            if (keep_) played_.insert(played_.end(), buffer_.begin(), buffer_.begin() + got * channels_);
        }
        if (got < frames) {
            // The stream is complete once what the card holds has played.
            drain_ = latency_ - (frames - got);
            if (drain_ <= 0) running_ = false;
        }
    } else if (push_) {
        if (source_) source_(streamFrames_, frames, channels_, buffer_.data());
        else std::fill(buffer_.begin(), buffer_.begin() + frames * channels_, 0.0f);
        push_(buffer_.data(), frames);
        pushed_ += frames;
    }
    streamFrames_ += frames;
}

void FakeAudioDevice::Advance(std::int64_t frames) {
    while (frames > 0 && running_) {
        std::int64_t k = std::min(frames, period_);
        Tick(k);
        frames -= k;
    }
}

void FakeAudioDevice::AdvanceMs(double ms) {
    Advance(static_cast<std::int64_t>(std::llround(ms * rate_ / 1000.0)));
}

void FakeAudioDevice::Run() {
    auto next = std::chrono::steady_clock::now();
    const auto step = std::chrono::duration<double>(speed_ > 0 ? static_cast<double>(period_) / rate_ / speed_ : 0.0);
    while (running_ && !stopThread_) {
        Tick(period_);
        if (speed_ > 0) {
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(step);
            std::this_thread::sleep_until(next);
        }
    }
}

std::int64_t FakeAudioDevice::FramesHeard() const { return std::max<std::int64_t>(0, streamFrames_ - latency_); }

std::vector<float> FakeAudioDevice::Played() const {
    std::lock_guard lock(mutex_);
    return played_;
}

std::chrono::steady_clock::time_point FakeAudioDevice::FirstPull() const {
    std::lock_guard lock(mutex_);
    return firstPull_;
}

} // namespace platform::audio
