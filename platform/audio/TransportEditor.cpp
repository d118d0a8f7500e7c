// The audio editor's transport: playing and recording its document through the engine.
#include "platform/audio/EditorImpl.h"
#include "platform/audio/Transport.h"

#include <algorithm>

namespace platform::audio {

namespace {

Transport& EnsureTransport(std::shared_ptr<Transport>& t) {
    if (!t) t = std::make_shared<Transport>();
    return *t;
}

// Levels of the levels event: 90 is full scale (0 dBFS), 0 is 60 dB below it or quieter.
constexpr int kLevelScale = 90;

} // namespace

const std::vector<TrackPtr>& AudioEditor::CurrentTracks() const {
    static const std::vector<TrackPtr> none;
    if (!impl_->hasDoc || impl_->history.empty()) return none;
    return impl_->Cur().tracks;
}

void AudioEditor::Play(int mode) {
    Impl& d = *impl_;
    d.RequireDoc();
    if (mode < 1 || mode > 3) Raise(err::InvalidPropertyValue, "The play mode must be 1, 2 or 3");
    if (state_ == kStateRecording) Raise(err::InvalidCall, "The audio editor is recording");
    if (state_ != kStateIdle && state_ != kStatePlaying && state_ != kStatePaused)
        Raise(err::InvalidCall, "The audio editor is busy");
    Transport& t = EnsureTransport(transport_);
    t.Stop();
    state_ = kStateIdle;

    const std::int64_t len = d.Len();
    const std::int64_t pos = std::clamp<std::int64_t>(d.position, 0, len);
    PlayPlan plan;
    if (d.HasSelection()) {
        auto [a, b] = d.Target();
        // A cursor inside the selection (after a pause, say) plays on from there.
        plan.start = pos >= a && pos < b ? pos : a;
        plan.end = mode == 2 ? len : b;
        if (mode == 3) {
            plan.loopStart = a;
            plan.loopEnd = b;
            plan.loopCount = 0;
        }
    } else {
        plan.start = pos;
        plan.end = len;
        if (mode == 3) {
            plan.loopStart = 0;
            plan.loopEnd = len;
            plan.loopCount = 0;
        }
    }
    t.Play(MakeDevice(DeviceDirection::Playback, d.playDevice), d.rate, d.Cur().tracks, plan);
    state_ = kStatePlaying;
    if (d.position != plan.start) {
        d.position = plan.start;
        PositionChanged.Emit();
    }
}

void AudioEditor::Pause() {
    if (state_ != kStatePlaying || !transport_) return;
    Pump();
    if (state_ != kStatePlaying) return; // it ended meanwhile
    transport_->Pause();
    state_ = kStatePaused;
}

void AudioEditor::Resume() {
    if (state_ != kStatePaused || !transport_) return;
    try {
        transport_->Resume();
    } catch (...) {
        transport_->Stop();
        state_ = kStateIdle;
        Stopped.Emit();
        throw;
    }
    state_ = transport_->Playing() ? kStatePlaying : kStateIdle;
}

void AudioEditor::Record(int mode) {
    Impl& d = *impl_;
    if (mode != 2) Raise(err::InvalidPropertyValue, "The record mode must be 2");
    d.RequireEditable();
    if (state_ != kStateIdle) Raise(err::InvalidCall, "The audio editor is busy");
    Transport& t = EnsureTransport(transport_);
    t.Record(MakeDevice(DeviceDirection::Recording, d.recordDevice), d.rate, d.channels, d.Work(), d.InsertPoint(),
             d.HasSelection() ? d.Target().second : d.InsertPoint());
    // Regions set while recording stand where the recording has come to: on the new timeline.
    d.regionsAtRecord = d.regions;
    state_ = kStateRecording;
}

void AudioEditor::Stop() {
    if (!transport_ || (state_ != kStatePlaying && state_ != kStatePaused && state_ != kStateRecording)) return;
    Impl& d = *impl_;
    const bool recording = state_ == kStateRecording;
    if (!recording) {
        Pump();
        if (state_ == kStateIdle) return; // ended by itself; the stopped event went out
        d.position = std::clamp<std::int64_t>(transport_->Position(), 0, d.Len());
        transport_->Stop();
        state_ = kStateIdle;
        PositionChanged.Emit();
        Stopped.Emit();
        return;
    }
    Pump();
    if (state_ != kStateRecording) return; // the card died and the recording went in already
    transport_->Stop();
    std::vector<TrackPtr> recorded;
    try {
        recorded = transport_->FinishRecording();
    } catch (...) {
        state_ = kStateIdle;
        Stopped.Emit();
        throw;
    }
    state_ = kStateIdle;
    const std::int64_t n = recorded.empty() ? 0 : recorded[0]->Length();
    if (n > 0 && d.hasDoc && static_cast<int>(recorded.size()) == d.channels) {
        const std::int64_t len = d.Len();
        std::int64_t from = std::min(transport_->RecordAt(), len);
        std::int64_t to = std::clamp(transport_->RecordReplaceTo(), from, len);
        if (to == from && recordingSettings_.Overwrite()) to = std::min(len, from + n);
        DocState next = d.Cur();
        for (std::size_t c = 0; c < next.tracks.size(); ++c)
            next.tracks[c] = next.tracks[c]->Replace(from, to, *recorded[c]);
        const std::vector<Region> placed = std::move(d.regionsAtRecord);
        d.Commit(std::move(next), {Splice{from, to - from, n}}, from + n, from + n, false, from + n, &placed);
    }
    PositionChanged.Emit();
    Stopped.Emit();
}

void AudioEditor::Pump() {
    if (!transport_) return;
    Impl& d = *impl_;
    if (!d.hasDoc && transport_->Active()) {
        // The document went while it played; nothing is left to play.
        transport_->Stop();
        if (state_ == kStateRecording) transport_->FinishRecording();
        state_ = kStateIdle;
        Stopped.Emit();
        return;
    }
    if (state_ != kStatePlaying && state_ != kStateRecording) return;
    TransportNews n = transport_->Pump();
    if (n.moved) {
        // While recording the head runs ahead of the document; while playing an edit may
        // have shortened it under the (unchanged) audio being played.
        d.position = state_ == kStateRecording ? n.position : std::min(n.position, d.Len());
        PositionChanged.Emit();
    }
    if (n.haveLevels) Levels.Emit(PeakToLevel(n.peak[0], kLevelScale), PeakToLevel(n.peak[1], kLevelScale));
    if (n.ended) {
        state_ = kStateIdle;
        Levels.Emit(0, 0);
        Stopped.Emit();
    } else if (n.failed) {
        if (state_ == kStateRecording) {
            // Keep what came in before the card died or the disk filled. A timer calls this:
            // nothing may escape, and Stop has raised the stopped event either way.
            try {
                Stop();
            } catch (...) {
            }
        } else {
            state_ = kStateIdle;
            Stopped.Emit();
        }
    }
}

} // namespace platform::audio
