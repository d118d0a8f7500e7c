// Every chunk reader on arbitrary bytes, and the writers on a copy: no crash, no hang, no
// unbounded allocation, and a write never changes the bytes of the audio.
#include "rozuzezer/core/MultimediaAPI.h"
#include "WavFuzzFile.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace rozuzezer;

// Names the broken promise before stopping, so a finding reads at once.
#define WAV_FUZZ_CHECK(cond)                                                 \
    do {                                                                     \
        if (!(cond)) {                                                       \
            std::fprintf(stderr, "fuzz_wav_chunks: %s failed\n", #cond);    \
            if (const char* keep = std::getenv("WAV_FUZZ_KEEP")) {           \
                if (std::FILE* o = std::fopen(keep, "wb")) {                 \
                    std::fwrite(data, 1, size, o);                           \
                    std::fclose(o);                                          \
                }                                                            \
            }                                                                \
            std::abort();                                                    \
        }                                                                    \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const wavfuzz::Scratch scratch("fuzz-chunks");
    const std::string& path = scratch.path();
    if (!wavfuzz::WriteScratch(path, data, size)) return 0;
    WaveFormatRecord f;
    std::uint64_t dataSize = 0;
    ReadWaveFormat(path, f, dataSize);
    WAV_FUZZ_CHECK(!(dataSize > size));
    (void)GetWaveDuration(path);
    CartChunkRecord cart;
    std::string tags;
    WAV_FUZZ_CHECK(!(ReadCartChunk(path, cart, tags) && tags.size() > 32000));
    BextChunkRecord bext;
    std::string history;
    WAV_FUZZ_CHECK(!(ReadBextChunk(path, bext, history) && history.size() > 32000));
    std::vector<CuePointRecord> points;
    const std::int32_t n = ReadCueChunk(path, points);
    WAV_FUZZ_CHECK(!(n > 0 && points.size() * 24 > size));

    // Writers: whatever they do, the bytes before the end of the original stay the same
    // except chunk headers and the metadata chunks themselves; the audio is never touched.
    const bool wroteCart = WriteCartChunk(path, cart, tags + "<NOTES>fuzz</NOTES>");
    const bool wroteBext = WriteBextChunk(path, bext);
    if (wroteCart || wroteBext) {
        std::uint64_t after = 0;
        WaveFormatRecord g;
        WAV_FUZZ_CHECK(!(ReadWaveFormat(path, g, after) == 0 && dataSize > 0 && after != dataSize));
        WAV_FUZZ_CHECK(!(wroteCart && !ReadCartChunk(path, cart, tags)));
        WAV_FUZZ_CHECK(!(wroteBext && !ReadBextChunk(path, bext, history)));
    }
    return 0;
}
