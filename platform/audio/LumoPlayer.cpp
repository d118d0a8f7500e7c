#include "platform/audio/LumoPlayer.h"

#include "platform/audio/Transport.h"
#include "platform/base/Error.h"

#include <algorithm>
#include <cmath>

namespace platform::audio {

LumoPlayer::LumoPlayer() : transport_(std::make_unique<Transport>()) {}

LumoPlayer::~LumoPlayer() {
    transport_.reset(); // stops the stream before the audio goes
}

void LumoPlayer::SetTemporaryFolder(const std::string& folder) { tempFolder_ = folder; }

std::int64_t LumoPlayer::Frames(float seconds) const {
    if (!std::isfinite(seconds)) return seconds > 0 ? length_ : 0;
    return std::clamp<std::int64_t>(std::llround(static_cast<double>(seconds) * rate_), 0, length_);
}

void LumoPlayer::OpenFile(const std::string& path) {
    if (state_ != kPlayerEmpty) CloseFile();
    auto src = std::make_unique<AudioEditor>();
    if (!tempFolder_.empty()) src->SetTemporaryFolder(tempFolder_);
    // PCM is read where it lies; anything else must be decoded before it can play.
    src->SetReadOnly(true);
    src->OpenAudio(path, 0, 1);
    // A read-only open measures coded audio without decoding it: it holds no samples yet.
    bool measuredOnly = false;
    for (const auto& t : src->CurrentTracks())
        for (const auto& piece : t->Pieces()) measuredOnly = measuredOnly || !piece.block;
    if (measuredOnly) {
        src->SetReadOnly(false);
        src->OpenAudio(path, 0, 1);
    }
    source_ = std::move(src);
    path_ = path;
    rate_ = source_->SampleRate();
    length_ = source_->Length();
    position_ = 0;
    state_ = kPlayerCued;
    PlaybackShown.Emit();
}

void LumoPlayer::CloseFile() {
    if (state_ == kPlayerEmpty) return;
    transport_->Stop();
    source_.reset();
    path_.clear();
    state_ = kPlayerEmpty;
    position_ = length_ = 0;
    PlaybackHidden.Emit();
}

void LumoPlayer::Play() { Start(false); }

void LumoPlayer::Start(bool keepPosition) {
    if (state_ == kPlayerEmpty) return;
    if (state_ == kPlayerPlaying && !keepPosition) position_ = transport_->Position();
    transport_->Stop();
    if (position_ >= length_ && !keepPosition) position_ = 0;
    PlayPlan plan;
    plan.start = position_;
    plan.end = length_;
    if (LoopEnabled) {
        plan.loopStart = Frames(LoopStart);
        plan.loopEnd = Frames(LoopEnd);
        plan.loopCount = std::max(0, LoopCount);
    }
    try {
        transport_->Play(MakeDevice(DeviceDirection::Playback, device_), rate_, source_->CurrentTracks(), plan);
    } catch (...) {
        state_ = position_ > 0 ? kPlayerCued : kPlayerStopped;
        throw;
    }
    state_ = kPlayerPlaying;
    PlayerEventA.Emit();
}

void LumoPlayer::Pause() {
    if (state_ != kPlayerPlaying) return;
    Pump();
    if (state_ != kPlayerPlaying) return;
    position_ = transport_->Position();
    transport_->Stop();
    state_ = kPlayerCued;
    LevelsChanged.Emit(0, 0);
    PlayerEventB.Emit();
}

void LumoPlayer::Stop() {
    if (state_ == kPlayerEmpty) return;
    const bool was = state_ != kPlayerStopped;
    transport_->Stop();
    position_ = 0;
    state_ = kPlayerStopped;
    if (!was) return;
    LevelsChanged.Emit(0, 0);
    PositionChanged.Emit(0.0f);
    PlayerEventC.Emit();
}

void LumoPlayer::Seek(float seconds) {
    if (state_ == kPlayerEmpty) return;
    position_ = Frames(seconds);
    if (state_ == kPlayerPlaying) {
        state_ = kPlayerCued;
        Start(true);
    } else {
        state_ = kPlayerCued;
    }
    PositionChanged.Emit(Position());
}

float LumoPlayer::Position() const {
    const std::int64_t p = state_ == kPlayerPlaying ? transport_->Position() : position_;
    return static_cast<float>(static_cast<double>(p) / rate_);
}

float LumoPlayer::Length() const { return static_cast<float>(static_cast<double>(length_) / rate_); }

void LumoPlayer::Pump() {
    if (state_ != kPlayerPlaying) return;
    TransportNews n = transport_->Pump();
    if (n.moved) PositionChanged.Emit(static_cast<float>(static_cast<double>(n.position) / rate_));
    if (n.haveLevels) LevelsChanged.Emit(PeakToLevel(n.peak[0], 100), PeakToLevel(n.peak[1], 100));
    if (n.ended) {
        position_ = 0;
        state_ = kPlayerStopped;
        LevelsChanged.Emit(0, 0);
        PositionChanged.Emit(0.0f);
        PlayerEventC.Emit();
    } else if (n.failed) {
        position_ = std::min(n.position, length_);
        state_ = kPlayerCued;
        LevelsChanged.Emit(0, 0);
        PlayerEventD.Emit();
    }
}

} // namespace platform::audio
