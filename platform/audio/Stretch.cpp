#include "platform/audio/Stretch.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <future>
#include <thread>
#include <vector>

namespace platform::audio {

namespace {

struct Part {
    std::int64_t from = 0, to = 0; // input frames stretched, warm-up and run-on included
    std::int64_t outOffset = 0;    // where its first output frame falls in the whole output
    std::int64_t seam = 0;         // where in the whole output it takes over from the part before
};

// One plain stretch of input [from, to), all of its output.
std::vector<float> StretchPart(const StretchSettings& s, std::int64_t from, std::int64_t to, const StretchInput& in) {
    const int ch = s.channels;
    soundtouch::SoundTouch st;
    st.setSampleRate(static_cast<unsigned>(s.rate));
    st.setChannels(static_cast<unsigned>(ch));
    // Only the stage that is asked for: a rate of exactly 1 still runs the resampler.
    if (s.tempo != 1.0) st.setTempo(s.tempo);
    if (s.rateFactor != 1.0) st.setRate(s.rateFactor);
    st.setSetting(SETTING_USE_QUICKSEEK, s.quality < 2 ? 1 : 0);
    st.setSetting(SETTING_USE_AA_FILTER, s.quality >= 1 ? 1 : 0);
    constexpr std::int64_t kStep = 1 << 14;
    std::vector<float> buf(static_cast<std::size_t>(kStep * ch)), got;
    const double factor = s.tempo * s.rateFactor;
    got.reserve(static_cast<std::size_t>((static_cast<double>(to - from) / factor + 2.0 * s.rate) * ch));
    const auto drain = [&] {
        for (;;) {
            const std::size_t at = got.size();
            got.resize(at + static_cast<std::size_t>(kStep * ch));
            const unsigned n = st.receiveSamples(got.data() + at, static_cast<unsigned>(kStep));
            got.resize(at + static_cast<std::size_t>(n) * static_cast<std::size_t>(ch));
            if (n == 0) break;
        }
    };
    for (std::int64_t pos = from; pos < to; pos += kStep) {
        const std::int64_t k = std::min(kStep, to - pos);
        in(pos, k, buf.data());
        st.putSamples(buf.data(), static_cast<unsigned>(k));
        drain();
    }
    st.flush();
    drain();
    return got;
}

// The shift, within -reach..reach, at which `b` continues `a` best over `len` frames.
std::int64_t BestShift(const float* a, const float* b, std::int64_t len, std::int64_t reach, int ch) {
    std::int64_t best = 0;
    double bestScore = -1e300;
    const std::int64_t n = len * ch;
    for (std::int64_t d = -reach; d <= reach; ++d) {
        const float* q = b + d * ch;
        double dot = 0, energy = 1e-9;
        for (std::int64_t i = 0; i < n; ++i) {
            dot += static_cast<double>(a[i]) * q[i];
            energy += static_cast<double>(q[i]) * q[i];
        }
        const double score = dot / std::sqrt(energy);
        if (score > bestScore || (score == bestScore && std::llabs(d) < std::llabs(best))) {
            bestScore = score;
            best = d;
        }
    }
    return best;
}

} // namespace

void StretchFrames(const StretchSettings& s, std::int64_t frames, std::int64_t outFrames, const StretchInput& in,
                   const StretchOutput& out, const std::function<void(int)>& progress, std::int64_t partFrames,
                   int threads) {
    const int ch = std::max(1, s.channels);
    const double factor = s.tempo * s.rateFactor; // input frames per output frame
    if (partFrames <= 0) partFrames = 15LL * s.rate;
    if (threads <= 0) threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    // Each part starts this much early and runs on this much past its end: well over the
    // stretch's own sequence and search, so at its seam it runs as if it had started long
    // before; the join looks within `reach` and fades over `fade` output frames.
    const std::int64_t reach = s.rate / 50, fade = s.rate / 100;
    const std::int64_t margin = static_cast<std::int64_t>(std::ceil(0.25 * s.rate * std::max(1.0, factor)));

    std::vector<Part> parts;
    for (std::int64_t a = 0; a < frames; a += partFrames) {
        // A short last part goes with the one before.
        const std::int64_t b = frames - (a + partFrames) < partFrames / 2 ? frames : a + partFrames;
        Part p;
        p.from = std::max<std::int64_t>(0, a - margin);
        p.to = std::min(frames, b + margin);
        p.outOffset = static_cast<std::int64_t>(std::llround(static_cast<double>(p.from) / factor));
        p.seam = static_cast<std::int64_t>(std::llround(static_cast<double>(a) / factor));
        parts.push_back(p);
        a = b - partFrames;
    }
    if (parts.empty()) parts.push_back(Part{});

    // Parts in flight, oldest first; at most `threads` at once, joined in order.
    std::deque<std::future<std::vector<float>>> running;
    std::size_t next = 0;
    const auto launch = [&] {
        while (next < parts.size() && running.size() < static_cast<std::size_t>(threads)) {
            const Part p = parts[next++];
            running.push_back(std::async(std::launch::async, [&s, &in, p] { return StretchPart(s, p.from, p.to, in); }));
        }
    };
    std::vector<float> prev, mixed;
    std::int64_t prevBase = 0; // whole-output frame t is prev's frame t - prevBase
    std::int64_t written = 0;
    const auto emit = [&](std::int64_t until) {
        // Output [written, until) from prev; what it lacks is silence.
        until = std::min(until, outFrames);
        if (until <= written) return;
        const std::int64_t have = static_cast<std::int64_t>(prev.size()) / ch;
        const std::int64_t a = written - prevBase;
        const std::int64_t real = std::clamp<std::int64_t>(have - a, 0, until - written);
        if (real > 0) out(prev.data() + a * ch, real);
        if (real < until - written) {
            std::vector<float> zeros(static_cast<std::size_t>((until - written - real) * ch), 0.0f);
            out(zeros.data(), until - written - real);
        }
        written = until;
    };
    try {
        launch();
        for (std::size_t k = 0; k < parts.size(); ++k) {
            std::vector<float> cur = running.front().get();
            running.pop_front();
            launch();
            if (k == 0) {
                prev = std::move(cur);
                prevBase = parts[0].outOffset;
            } else {
                const Part& p = parts[k];
                const std::int64_t seam = p.seam;
                emit(seam);
                const std::int64_t prevFrames = static_cast<std::int64_t>(prev.size()) / ch;
                const std::int64_t curFrames = static_cast<std::int64_t>(cur.size()) / ch;
                const std::int64_t pa = seam - prevBase;         // prev's frame at the seam
                const std::int64_t ca = seam - p.outOffset;      // cur's frame at the seam, before the shift
                std::int64_t len = std::min<std::int64_t>(fade, prevFrames - pa);
                const std::int64_t r = std::clamp<std::int64_t>(std::min(ca, curFrames - ca - len) , 0, reach);
                std::int64_t shift = 0;
                if (len > 0 && r > 0) shift = BestShift(prev.data() + pa * ch, cur.data() + ca * ch, len, r, ch);
                len = std::clamp<std::int64_t>(std::min(len, curFrames - (ca + shift)), 0, fade);
                if (len > 0 && seam < outFrames) {
                    mixed.resize(static_cast<std::size_t>(len * ch));
                    for (std::int64_t i = 0; i < len; ++i) {
                        const float w = (static_cast<float>(i) + 0.5f) / static_cast<float>(len);
                        for (int c = 0; c < ch; ++c) {
                            const std::size_t o = static_cast<std::size_t>(i * ch + c);
                            mixed[o] = prev[static_cast<std::size_t>((pa + i) * ch + c)] * (1.0f - w) +
                                       cur[static_cast<std::size_t>((ca + shift + i) * ch + c)] * w;
                        }
                    }
                    const std::int64_t take = std::min(len, outFrames - seam);
                    out(mixed.data(), take);
                    written = seam + take;
                }
                prev = std::move(cur);
                prevBase = p.outOffset - shift;
            }
            if (progress) progress(static_cast<int>((k + 1) * 100 / parts.size()));
        }
        emit(outFrames);
    } catch (...) {
        for (auto& f : running) f.wait();
        throw;
    }
}

std::vector<StretchSettings> StretchSteps(const StretchSettings& s) {
    constexpr double kOnePass = 20, kTempoStep = 20, kSpeedStep = 4;
    if (s.tempo <= kOnePass && s.rateFactor <= kOnePass) return {s};
    std::vector<StretchSettings> steps;
    // Whole steps first, the remainder last; the tempo's passes, then the speed's.
    const auto split = [&](double factor, double step, double StretchSettings::*field) {
        StretchSettings one = s;
        one.tempo = one.rateFactor = 1.0;
        if (factor > kOnePass)
            for (; factor > step; factor /= step) {
                one.*field = step;
                steps.push_back(one);
            }
        if (std::abs(factor - 1.0) > 1e-9) {
            one.*field = factor;
            steps.push_back(one);
        }
    };
    split(s.tempo, kTempoStep, &StretchSettings::tempo);
    split(s.rateFactor, kSpeedStep, &StretchSettings::rateFactor);
    return steps;
}

} // namespace platform::audio
