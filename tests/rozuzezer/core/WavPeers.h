// What other programs make of a file: the audio libsndfile gives, the bytes FFmpeg decodes.
#pragma once

#include "support/TestSupport.h"

#include <sndfile.h>

#include <string>
#include <vector>

namespace wavpeers {

// Whether libsndfile opens the file, and the audio it gives.
struct Heard {
    bool opens = false;
    sf_count_t frames = 0;
    std::vector<short> pcm;
    bool operator==(const Heard&) const = default;
};

inline Heard Libsndfile(const std::string& path) {
    Heard h;
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) return h;
    h.opens = true;
    h.frames = info.frames;
    h.pcm.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(sf, h.pcm.data(), info.frames);
    sf_close(sf);
    return h;
}

// The audio bytes FFmpeg decodes (none when it cannot open the file), or "-" when it is not
// installed.
inline std::string Ffmpeg(const std::string& path) {
    if (!testsupport::HaveTool("ffmpeg")) return "-";
    return testsupport::RunTool("ffmpeg -nostdin -v quiet -i '" + path + "' -f s16le - 2>/dev/null");
}

} // namespace wavpeers
