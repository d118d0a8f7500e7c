// Every chunk reader on arbitrary bytes, and the writers on a copy: no crash, no hang, no
// unbounded allocation, and a write never changes the bytes of the audio.
#include "rozuzezer/core/MultimediaAPI.h"
#include "platform/mmio/Mmio.h"
#include "fuzz/FuzzScratch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
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

namespace {

// Where the first data chunk's bytes lie, as far as the file holds them; empty without one.
struct Audio {
    std::uint64_t offset = 0;
    std::string bytes;
};

Audio FindAudio(const std::string& path) {
    namespace mmio = platform::mmio;
    Audio a;
    auto f = mmio::File::Open(path, mmio::OpenMode::Read);
    if (!f) return a;
    mmio::ChunkInfo riff;
    riff.fccType = mmio::StringToFOURCC("WAVE");
    if (f->Descend(riff, nullptr, mmio::MMIO_FINDRIFF) != 0) return a;
    mmio::ChunkInfo data;
    data.ckid = mmio::StringToFOURCC("data");
    if (f->Descend(data, &riff, mmio::MMIO_FINDCHUNK) != 0) return a;
    a.offset = data.dwDataOffset;
    a.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(data.cksize, f->Size() - data.dwDataOffset)));
    const std::int64_t got = f->ReadAt(a.offset, a.bytes.data(), static_cast<std::int64_t>(a.bytes.size()));
    a.bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return a;
}

// The same bytes of the file now.
std::string BytesAt(const std::string& path, std::uint64_t offset, std::size_t n) {
    std::string out(n, '\0');
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    const bool ok = std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0;
    out.resize(ok ? std::fread(out.data(), 1, n, f) : 0);
    std::fclose(f);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzscratch::File("chunks.wav");
    if (!fuzzscratch::Write(path, data, size)) return 0;
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

    // Writers: whatever they do, the audio is never touched.
    const Audio audio = FindAudio(path);
    // A writer that fails leaves the file exactly as it was.
    const std::string beforeCart(reinterpret_cast<const char*>(data), size);
    const bool wroteCart = WriteCartChunk(path, cart, tags + "<NOTES>fuzz</NOTES>");
    WAV_FUZZ_CHECK(wroteCart || fuzzscratch::Read(path) == beforeCart);
    const std::string beforeBext = wroteCart ? fuzzscratch::Read(path) : beforeCart;
    const bool wroteBext = WriteBextChunk(path, bext);
    WAV_FUZZ_CHECK(wroteBext || fuzzscratch::Read(path) == beforeBext);
    if (wroteCart || wroteBext) {
        std::uint64_t after = 0;
        WaveFormatRecord g;
        WAV_FUZZ_CHECK(!(ReadWaveFormat(path, g, after) == 0 && dataSize > 0 && after != dataSize));
        WAV_FUZZ_CHECK(!(wroteCart && !ReadCartChunk(path, cart, tags)));
        WAV_FUZZ_CHECK(!(wroteBext && !ReadBextChunk(path, bext, history)));
    }
    WAV_FUZZ_CHECK(BytesAt(path, audio.offset, audio.bytes.size()) == audio.bytes);
    return 0;
}
