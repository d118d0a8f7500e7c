// The processing object: effects on the selection (the whole document when nothing is
// selected) of the selected channels. Level changes are kept as a gain on the pieces, so
// they cost no sample copies; effects that change samples one by one write new blocks for
// their range only.
#include "platform/audio/EditorImpl.h"
#include "platform/audio/Stretch.h"

#include <algorithm>
#include <cmath>

namespace platform::audio {

namespace {

using Impl = AudioEditor::Impl;

struct Prepared {
    std::int64_t a = 0, b = 0;
    std::vector<int> chans;
};

Prepared Prepare(Impl& d) {
    d.RequireEditable();
    Prepared p;
    std::tie(p.a, p.b) = d.Target();
    p.chans = d.SelectedChannels();
    return p;
}

// Ends an effect that kept the length: the selection stays.
void CommitSameLength(Impl& d, DocState next) {
    d.Commit(std::move(next), {}, d.selStart, d.selEnd, d.selShown, d.position);
}

double PeakOf(Impl& d, const Prepared& p, const std::vector<double>& dc) {
    double peak = 0;
    for (std::size_t i = 0; i < p.chans.size(); ++i) {
        Stats s = d.Cur().tracks[static_cast<std::size_t>(p.chans[i])]->StatsOf(p.a, p.b - p.a);
        if (s.count == 0) continue;
        peak = std::max({peak, std::abs(s.min - dc[i]), std::abs(s.max - dc[i])});
    }
    return peak;
}

// Runs SoundTouch over [a, b) of every channel into exactly `outLength` frames, in as many
// passes as the ratio needs (each after the first on what the one before wrote); returns the
// new audio per channel.
std::vector<TrackPtr> Stretch(Impl& d, std::int64_t a, std::int64_t b, double tempo, double rateFactor, int quality,
                              std::int64_t outLength) {
    const int ch = d.channels;
    StretchSettings whole;
    whole.rate = d.rate;
    whole.channels = ch;
    whole.tempo = tempo;
    whole.rateFactor = rateFactor;
    whole.quality = quality;
    const std::vector<StretchSettings> steps = StretchSteps(whole);
    // Each pass's length; progress is shared out by the audio each pass reads.
    std::vector<std::int64_t> lengths;
    double work = 0, done = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::int64_t in = i == 0 ? b - a : lengths.back();
        work += static_cast<double>(in);
        const double factor = steps[i].tempo * steps[i].rateFactor;
        lengths.push_back(i + 1 == steps.size()
                              ? outLength
                              : std::max<std::int64_t>(1, std::llround(static_cast<double>(in) / factor)));
    }
    std::vector<TrackPtr> tracks = d.Cur().tracks; // read by the stretch's threads
    std::int64_t from = a, frames = b - a;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::vector<BlockWriter> writers;
        for (int c = 0; c < ch; ++c) writers.emplace_back(d.Work());
        std::vector<float> plane;
        StretchFrames(
            steps[i], frames, lengths[i],
            [&tracks, from, ch](std::int64_t at, std::int64_t k, float* inter) {
                std::vector<float> pl(static_cast<std::size_t>(k));
                for (int c = 0; c < ch; ++c) {
                    tracks[static_cast<std::size_t>(c)]->Read(from + at, k, pl.data());
                    for (std::int64_t j = 0; j < k; ++j) inter[j * ch + c] = pl[static_cast<std::size_t>(j)];
                }
            },
            [&](const float* inter, std::int64_t k) {
                plane.resize(static_cast<std::size_t>(k));
                for (int c = 0; c < ch; ++c) {
                    for (std::int64_t j = 0; j < k; ++j) plane[static_cast<std::size_t>(j)] = inter[j * ch + c];
                    writers[static_cast<std::size_t>(c)].Write(plane.data(), k);
                }
            },
            [&](int pct) { d.EmitProgress(static_cast<int>((done + static_cast<double>(frames) * pct / 100) * 100 / work)); });
        done += static_cast<double>(frames);
        std::vector<TrackPtr> out;
        for (auto& w : writers) out.push_back(Track::FromBlocks(w.Finish()));
        tracks = std::move(out);
        from = 0;
        frames = lengths[i];
    }
    return tracks;
}

void LengthChange(Impl& d, const Prepared& p, const std::vector<TrackPtr>& replacement) {
    DocState next = d.Cur();
    const std::int64_t n = replacement.empty() ? 0 : replacement[0]->Length();
    for (int c = 0; c < d.channels; ++c) {
        auto& t = next.tracks[static_cast<std::size_t>(c)];
        t = t->Replace(p.a, p.b, *replacement[static_cast<std::size_t>(c)]);
    }
    const bool sel = d.HasSelection();
    d.Commit(std::move(next), {Splice{p.a, p.b - p.a, n}}, p.a, sel ? p.a + n : p.a, sel, p.a);
}

} // namespace

void AudioEditor::ProcessingObject::Erase() {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    // Silencing a whole document is never what an erase without a selection meant.
    if (!d.HasSelection() || p.b <= p.a || p.chans.empty()) return d.NothingChanged();
    BusyScope busy(e_.state_);
    DocState next = d.Cur();
    auto silence = Track::Silence(p.b - p.a);
    for (int c : p.chans) next.tracks[static_cast<std::size_t>(c)] = next.tracks[static_cast<std::size_t>(c)]->Replace(p.a, p.b, *silence);
    CommitSameLength(d, std::move(next));
}

void AudioEditor::ProcessingObject::InsertSilence(std::int32_t ms) {
    Impl& d = *e_.impl_;
    d.RequireEditable();
    const std::int64_t n = ms > 0 ? e_.View().MsToSamples(ms) : 0;
    if (n <= 0) return d.NothingChanged();
    BusyScope busy(e_.state_);
    // In at the cursor (the selection's start); nothing is replaced.
    const std::int64_t at = d.InsertPoint();
    auto silence = Track::Silence(n);
    DocState next = d.Cur();
    for (auto& t : next.tracks) t = t->Replace(at, at, *silence);
    d.Commit(std::move(next), {Splice{at, 0, n}}, at, at + n, true, at);
}

void AudioEditor::ProcessingObject::Reverse() {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    if (p.b <= p.a || p.chans.empty()) return d.NothingChanged();
    BusyScope busy(e_.state_);
    DocState next = d.Cur();
    for (int c : p.chans) next.tracks[static_cast<std::size_t>(c)] = next.tracks[static_cast<std::size_t>(c)]->Reversed(p.a, p.b);
    CommitSameLength(d, std::move(next));
}

void AudioEditor::ProcessingObject::Amplify(float percent) {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    if (p.b <= p.a || p.chans.empty() || !std::isfinite(percent)) return d.NothingChanged();
    BusyScope busy(e_.state_);
    double gain = std::max(0.0f, percent) / 100.0;
    if (option_) {
        double peak = PeakOf(d, p, std::vector<double>(p.chans.size(), 0.0));
        if (peak > 0 && peak * gain > 1.0) gain = 1.0 / peak;
    }
    DocState next = d.Cur();
    for (int c : p.chans)
        next.tracks[static_cast<std::size_t>(c)] = next.tracks[static_cast<std::size_t>(c)]->Scaled(p.a, p.b, static_cast<float>(gain), 0.0f);
    CommitSameLength(d, std::move(next));
}

void AudioEditor::ProcessingObject::Normalise(float percent, bool removeDcBias) {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    if (p.b <= p.a || p.chans.empty() || !std::isfinite(percent)) return d.NothingChanged();
    BusyScope busy(e_.state_);
    std::vector<double> dc(p.chans.size(), 0.0);
    if (removeDcBias)
        for (std::size_t i = 0; i < p.chans.size(); ++i) {
            Stats s = d.Cur().tracks[static_cast<std::size_t>(p.chans[i])]->StatsOf(p.a, p.b - p.a);
            if (s.count) dc[i] = s.sum / static_cast<double>(s.count);
        }
    // One gain for all channels keeps their balance.
    const double peak = PeakOf(d, p, dc);
    DocState next = d.Cur();
    const double target = std::clamp(percent, 0.0f, 100.0f) / 100.0;
    const double gain = peak > 0 ? target / peak : 1.0;
    for (std::size_t i = 0; i < p.chans.size(); ++i) {
        auto& t = next.tracks[static_cast<std::size_t>(p.chans[i])];
        t = t->Scaled(p.a, p.b, static_cast<float>(gain), static_cast<float>(-dc[i] * gain));
    }
    CommitSameLength(d, std::move(next));
}

void AudioEditor::ProcessingObject::Fade(float startPercent, float endPercent) {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    if (p.b <= p.a || p.chans.empty()) return d.NothingChanged();
    BusyScope busy(e_.state_);
    const std::int64_t n = p.b - p.a;
    const double g0 = startPercent / 100.0, g1 = endPercent / 100.0;
    const double step = n > 1 ? (g1 - g0) / static_cast<double>(n - 1) : 0.0;
    DocState next = d.Cur();
    for (std::size_t k = 0; k < p.chans.size(); ++k) {
        const int c = p.chans[k];
        const TrackPtr src = next.tracks[static_cast<std::size_t>(c)];
        auto faded = d.Render(n, [&](std::int64_t pos, std::int64_t cnt, float* out) {
            src->Read(p.a + pos, cnt, out);
            for (std::int64_t i = 0; i < cnt; ++i) {
                double g = g0 + step * static_cast<double>(pos + i);
                float v = static_cast<float>(out[i] * g);
                out[i] = option_ ? std::clamp(v, -1.0f, 1.0f) : v;
            }
            d.EmitProgress(static_cast<int>(((static_cast<std::int64_t>(k) * n + pos + cnt) * 100) /
                                            (n * static_cast<std::int64_t>(p.chans.size()))));
        });
        next.tracks[static_cast<std::size_t>(c)] = src->Replace(p.a, p.b, *faded);
    }
    CommitSameLength(d, std::move(next));
}

void AudioEditor::ProcessingObject::DeleteSilence(float thresholdDb, float attackMs, float releaseMs) {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    if (p.b <= p.a || p.chans.empty()) return d.NothingChanged();
    BusyScope busy(e_.state_);
    // Silent where every selected channel stays below the threshold. A silent stretch is
    // removed except for `release` after the sound before it and `attack` before the sound
    // after it; a stretch shorter than both together is kept.
    const double thr = std::pow(10.0, -std::abs(thresholdDb) / 20.0);
    const std::int64_t attack = e_.View().MsToSamples(std::max(0.0f, attackMs));
    const std::int64_t release = e_.View().MsToSamples(std::max(0.0f, releaseMs));
    std::vector<std::pair<std::int64_t, std::int64_t>> cuts;
    constexpr std::int64_t kStep = 1 << 16;
    std::vector<float> buf(kStep), loud(kStep);
    std::int64_t runStart = -1;
    auto endRun = [&](std::int64_t runEnd, bool atStart, bool atEnd) {
        std::int64_t s = atStart ? runStart : runStart + release;
        std::int64_t e = atEnd ? runEnd : runEnd - attack;
        if (e > s) cuts.emplace_back(s, e);
    };
    for (std::int64_t pos = p.a; pos < p.b; pos += kStep) {
        std::int64_t k = std::min(kStep, p.b - pos);
        std::fill(loud.begin(), loud.begin() + k, 0.0f);
        for (int c : p.chans) {
            d.Cur().tracks[static_cast<std::size_t>(c)]->Read(pos, k, buf.data());
            for (std::int64_t i = 0; i < k; ++i)
                loud[static_cast<std::size_t>(i)] = std::max(loud[static_cast<std::size_t>(i)], std::abs(buf[static_cast<std::size_t>(i)]));
        }
        for (std::int64_t i = 0; i < k; ++i) {
            bool silent = loud[static_cast<std::size_t>(i)] < thr;
            if (silent && runStart < 0) runStart = pos + i;
            if (!silent && runStart >= 0) {
                endRun(pos + i, false, false);
                runStart = -1;
            }
        }
        d.EmitProgress(static_cast<int>((pos + k - p.a) * 100 / (p.b - p.a)));
    }
    if (runStart >= 0) endRun(p.b, false, false);
    if (cuts.empty()) return d.NothingChanged();
    DocState next = d.Cur();
    std::vector<Splice> splices;
    std::int64_t removed = 0;
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
        for (auto& t : next.tracks) t = t->Replace(it->first, it->second, *Track::Empty());
        splices.push_back(Splice{it->first, it->second - it->first, 0});
        removed += it->second - it->first;
    }
    const bool sel = d.HasSelection();
    d.Commit(std::move(next), std::move(splices), p.a, sel ? p.b - removed : p.a, sel, p.a);
}

void AudioEditor::ProcessingObject::TimeStretch(float ratioPercent) {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    if (p.b <= p.a || !std::isfinite(ratioPercent) || ratioPercent <= 0) return d.NothingChanged();
    BusyScope busy(e_.state_);
    const double tempo = std::max(ratioPercent / 100.0, kMinRatioPercent / 100);
    const auto outLen = static_cast<std::int64_t>(std::llround(static_cast<double>(p.b - p.a) / tempo));
    LengthChange(d, p, Stretch(d, p.a, p.b, tempo, 1.0, mode_, outLen));
}

void AudioEditor::ProcessingObject::ChangeSpeed(float ratioPercent) {
    Impl& d = *e_.impl_;
    Prepared p = Prepare(d);
    if (p.b <= p.a || !std::isfinite(ratioPercent) || ratioPercent <= 0) return d.NothingChanged();
    BusyScope busy(e_.state_);
    const double rate = std::max(ratioPercent / 100.0, kMinRatioPercent / 100);
    const auto outLen = static_cast<std::int64_t>(std::llround(static_cast<double>(p.b - p.a) / rate));
    LengthChange(d, p, Stretch(d, p.a, p.b, 1.0, rate, mode_, outLen));
}

} // namespace platform::audio
