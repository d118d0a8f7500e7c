// The stretch in parts on several threads against one plain stretch of the same audio: the
// same length, and joins that cannot be heard.
#include "platform/audio/Stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace platform::audio;

namespace {

constexpr int kRate = 44100;

// Interleaved stereo output of a stretch of `signal` (one function for both channels).
template <typename Signal>
std::vector<float> Stretched(Signal signal, std::int64_t frames, double tempo, double rate, std::int64_t partFrames,
                             int threads) {
    StretchSettings s;
    s.rate = kRate;
    s.channels = 2;
    s.tempo = tempo;
    s.rateFactor = rate;
    const auto outFrames = static_cast<std::int64_t>(std::llround(static_cast<double>(frames) / (tempo * rate)));
    std::vector<float> out;
    int lastProgress = -1;
    StretchFrames(
        s, frames, outFrames,
        [&](std::int64_t from, std::int64_t n, float* x) {
            for (std::int64_t i = 0; i < n; ++i) {
                x[2 * i] = signal(0, from + i);
                x[2 * i + 1] = signal(1, from + i);
            }
        },
        [&](const float* x, std::int64_t n) { out.insert(out.end(), x, x + 2 * n); },
        [&](int p) {
            EXPECT_GE(p, lastProgress);
            lastProgress = p;
        },
        partFrames, threads);
    EXPECT_EQ(lastProgress, 100);
    EXPECT_EQ(static_cast<std::int64_t>(out.size()), 2 * outFrames);
    return out;
}

// Fits a sine of that frequency to each 10 ms of channel c; the worst share of what the sine
// does not explain, and the lowest and highest amplitude, away from the ends.
struct ToneFit {
    double worstResidual = 0, lowAmp = 1e9, highAmp = 0;
};
ToneFit FitTone(const std::vector<float>& x, int c, double hz) {
    ToneFit f;
    const std::int64_t n = static_cast<std::int64_t>(x.size()) / 2, win = kRate / 100;
    const double w = 2 * M_PI * hz / kRate;
    for (std::int64_t a = kRate / 10; a + win < n - kRate / 10; a += win / 2) {
        double ss = 0, cc = 0, sc = 0, xs = 0, xc = 0, xx = 0;
        for (std::int64_t i = 0; i < win; ++i) {
            const double s = std::sin(w * static_cast<double>(i)), co = std::cos(w * static_cast<double>(i));
            const double v = x[static_cast<std::size_t>(2 * (a + i) + c)];
            ss += s * s, cc += co * co, sc += s * co, xs += v * s, xc += v * co, xx += v * v;
        }
        const double det = ss * cc - sc * sc;
        const double A = (xs * cc - xc * sc) / det, B = (xc * ss - xs * sc) / det;
        const double explained = A * xs + B * xc;
        f.worstResidual = std::max(f.worstResidual, (xx - explained) / std::max(xx, 1e-12));
        const double amp = std::sqrt(A * A + B * B);
        f.lowAmp = std::min(f.lowAmp, amp);
        f.highAmp = std::max(f.highAmp, amp);
    }
    return f;
}

std::vector<double> Envelope(const std::vector<float>& x, std::int64_t win) {
    std::vector<double> e;
    for (std::size_t a = 0; a + static_cast<std::size_t>(2 * win) <= x.size(); a += static_cast<std::size_t>(2 * win)) {
        double sum = 0;
        for (std::size_t i = a; i < a + static_cast<std::size_t>(2 * win); ++i) sum += static_cast<double>(x[i]) * x[i];
        e.push_back(std::sqrt(sum / static_cast<double>(2 * win)));
    }
    return e;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < n; ++i) ma += a[i], mb += b[i];
    ma /= static_cast<double>(n), mb /= static_cast<double>(n);
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

} // namespace

// A steady tone through parts of one second (a join every second): it stays the same pure
// tone at the same level through every join, as it does through one plain stretch.
TEST(StretchTest, JoinsOfPartsAreInaudibleOnATone) {
    const std::int64_t frames = 12LL * kRate;
    const auto tone = [](int c, std::int64_t i) {
        return 0.5f * static_cast<float>(std::sin(2 * M_PI * 440.0 * static_cast<double>(i) / kRate + c));
    };
    struct Case {
        const char* what;
        double tempo, rate;
        double heardHz;
    } cases[] = {{"tempo 110 %", 1.1, 1.0, 440.0}, {"tempo 80 %", 0.8, 1.0, 440.0}, {"speed 125 %", 1.0, 1.25, 550.0}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        const auto plain = Stretched(tone, frames, k.tempo, k.rate, frames, 1);
        const auto parts = Stretched(tone, frames, k.tempo, k.rate, kRate, 4);
        for (int c = 0; c < 2; ++c) {
            const ToneFit p = FitTone(plain, c, k.heardHz), q = FitTone(parts, c, k.heardHz);
            EXPECT_LE(q.worstResidual, std::max(2 * p.worstResidual, 1e-3)) << "channel " << c;
            EXPECT_GT(q.lowAmp, 0.5 * std::pow(10.0, -0.5 / 20)) << "a dip at a join";
            EXPECT_LT(q.highAmp, 0.5 * std::pow(10.0, 0.5 / 20));
        }
    }
}

// Programme-like audio (chords whose levels move): the parts' output follows the plain
// stretch's loudness from 10 ms to 10 ms, and a short input is one plain stretch exactly.
TEST(StretchTest, PartsFollowAPlainStretch) {
    const std::int64_t frames = 20LL * kRate;
    const auto music = [](int c, std::int64_t i) {
        const double t = static_cast<double>(i) / kRate;
        const double level = 0.3 + 0.25 * std::sin(2 * M_PI * 0.7 * t) * std::sin(2 * M_PI * 0.13 * t + c);
        return static_cast<float>(level * (std::sin(2 * M_PI * 220 * t) + 0.5 * std::sin(2 * M_PI * 330 * t + c) +
                                           0.3 * std::sin(2 * M_PI * 523 * t)) / 1.8);
    };
    const auto plain = Stretched(music, frames, 1.1, 1.0, frames, 1);
    const auto parts = Stretched(music, frames, 1.1, 1.0, 2 * kRate, 8);
    const auto a = Envelope(plain, kRate / 100), b = Envelope(parts, kRate / 100);
    EXPECT_GT(Correlation(a, b), 0.99);
    double worst = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    EXPECT_LT(worst, 0.03); // of levels up to about 0.5
    EXPECT_EQ(Stretched(music, kRate, 1.1, 1.0, 0, 8), Stretched(music, kRate, 1.1, 1.0, 0, 1));
}
