// Time stretch and speed change through SoundTouch. A long range is cut into parts that are
// stretched on several threads at once, each started a little early and run a little past
// its end; neighbouring parts are joined where they agree best (the way the stretch joins its
// own pieces), with a short cross-fade, so a join is as smooth as any inside one part.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace platform::audio {

struct StretchSettings {
    int rate = 44100, channels = 1;
    double tempo = 1.0;      // above 1 faster, pitch kept
    double rateFactor = 1.0; // above 1 faster and higher
    int quality = 3;         // 0 fastest .. 3 best
};

// Fills `frames` interleaved input frames from input frame `from` (0 is the range's start);
// called on several threads at once.
using StretchInput = std::function<void(std::int64_t from, std::int64_t frames, float* interleaved)>;
// Takes the output, interleaved, in order; called on the caller's thread.
using StretchOutput = std::function<void(const float* interleaved, std::int64_t frames)>;

// Stretches `frames` input frames into exactly `outFrames` output frames. Parts are
// `partFrames` long (0: 15 seconds; shorter inputs go in one part, as one plain stretch);
// `threads` 0 uses the machine's cores. `progress` gets 0..100 on the caller's thread.
void StretchFrames(const StretchSettings& s, std::int64_t frames, std::int64_t outFrames, const StretchInput& in,
                   const StretchOutput& out, const std::function<void(int)>& progress = {},
                   std::int64_t partFrames = 0, int threads = 0);

// The passes that make the change `s` asks for: `s` itself up to 20 times shorter. Beyond
// that one pass leaves silence where its last grains should be, holds ever more input, and
// speeds up through an anti-alias filter too short for the job; the change is then made in
// passes, tempo steps of at most 20 and speed steps of at most 4, the largest first, so that
// every pass after the first works on far less audio.
std::vector<StretchSettings> StretchSteps(const StretchSettings& s);

} // namespace platform::audio
