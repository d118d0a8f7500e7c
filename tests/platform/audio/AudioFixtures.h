// Small WAV writers and signal checks for the audio component's tests.
#pragma once

#include "platform/audio/AudioEditor.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace audiotest {

inline void Put16(std::string& b, std::uint16_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}
inline void Put32(std::string& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string Chunk(const std::string& id, const std::string& payload) {
    std::string c = id;
    Put32(c, static_cast<std::uint32_t>(payload.size()));
    c += payload;
    if (payload.size() & 1) c += '\0';
    return c;
}

// A test tone: channel c is a sine of 440 * (c + 1) Hz at half scale.
inline float Tone(int c, std::int64_t i, int rate) {
    return 0.5f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * (c + 1) * static_cast<double>(i) / rate));
}

// Sample bytes of planar audio in the given PCM encoding.
inline std::string PcmBytes(const std::vector<std::vector<float>>& planes, int bits, bool isFloat) {
    std::string out;
    const std::size_t n = planes.empty() ? 0 : planes[0].size();
    for (std::size_t i = 0; i < n; ++i)
        for (const auto& pl : planes) {
            double x = pl[i];
            if (isFloat) {
                float f = static_cast<float>(x);
                out.append(reinterpret_cast<const char*>(&f), 4);
            } else if (bits == 8) {
                out += static_cast<char>(static_cast<std::uint8_t>(std::lround(x * 127.0) + 128));
            } else if (bits == 16) {
                Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(x * 32767.0))));
            } else if (bits == 24) {
                auto v = static_cast<std::int32_t>(std::lround(x * 8388607.0));
                for (int k = 0; k < 3; ++k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
            } else {
                Put32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(x * 2147483647.0))));
            }
        }
    return out;
}

inline std::vector<std::vector<float>> TonePlanes(int channels, std::int64_t frames, int rate) {
    std::vector<std::vector<float>> p(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)));
    for (int c = 0; c < channels; ++c)
        for (std::int64_t i = 0; i < frames; ++i) p[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = Tone(c, i, rate);
    return p;
}

// A WAV file of the planes; `before` and `after` are whole chunks placed around the audio.
inline std::string WavBytes(const std::vector<std::vector<float>>& planes, int rate, int bits = 16, bool isFloat = false,
                            const std::string& before = {}, const std::string& after = {}) {
    const int ch = static_cast<int>(planes.size());
    std::string fmt;
    Put16(fmt, isFloat ? 3 : 1);
    Put16(fmt, static_cast<std::uint16_t>(ch));
    Put32(fmt, static_cast<std::uint32_t>(rate));
    Put32(fmt, static_cast<std::uint32_t>(rate * ch * bits / 8));
    Put16(fmt, static_cast<std::uint16_t>(ch * bits / 8));
    Put16(fmt, static_cast<std::uint16_t>(bits));
    std::string body = "WAVE" + Chunk("fmt ", fmt) + before + Chunk("data", PcmBytes(planes, bits, isFloat)) + after;
    std::string riff = "RIFF";
    Put32(riff, static_cast<std::uint32_t>(body.size()));
    return riff + body;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteToneWav(const std::string& path, int channels, std::int64_t frames, int rate = 44100, int bits = 16) {
    WriteBytes(path, WavBytes(TonePlanes(channels, frames, rate), rate, bits));
}

inline std::vector<float> Channel(const platform::audio::AudioEditor& e, int c, std::int64_t start = 0, std::int64_t count = -1) {
    if (count < 0) count = e.Length() - start;
    std::vector<float> v(static_cast<std::size_t>(count));
    e.ReadSamples(c, start, count, v.data());
    return v;
}

// What a stereo sink plays of [from, to) of a document, interleaved: a mono document on both
// sides.
inline std::vector<float> StereoSamples(const platform::audio::AudioEditor& e, std::int64_t from, std::int64_t to) {
    std::vector<float> out(static_cast<std::size_t>(2 * (to - from)));
    for (int side = 0; side < 2; ++side) {
        const auto v = Channel(e, std::min(side, e.ChannelCount() - 1), from, to - from);
        for (std::size_t i = 0; i < v.size(); ++i) out[2 * i + static_cast<std::size_t>(side)] = v[i];
    }
    return out;
}

// Best normalised correlation of b against a over lags -maxLag..maxLag, and the lag.
inline std::pair<double, int> BestCorrelation(const std::vector<float>& a, const std::vector<float>& b, int maxLag) {
    double best = -2;
    int bestLag = 0;
    const std::size_t n = std::min(a.size(), b.size());
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double sab = 0, saa = 0, sbb = 0;
        for (std::size_t i = 0; i < n; i += 3) {
            std::int64_t j = static_cast<std::int64_t>(i) + lag;
            if (j < 0 || j >= static_cast<std::int64_t>(b.size())) continue;
            sab += a[i] * b[static_cast<std::size_t>(j)];
            saa += a[i] * a[i];
            sbb += b[static_cast<std::size_t>(j)] * b[static_cast<std::size_t>(j)];
        }
        double r = saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0;
        if (r > best) {
            best = r;
            bestLag = lag;
        }
    }
    return {best, bestLag};
}

// Frequency of a signal from its rising zero crossings.
inline double Frequency(const std::vector<float>& x, int rate) {
    int crossings = 0;
    std::size_t first = 0, last = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0 && x[i] >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

} // namespace audiotest
