// The cue chunk: a count and 24-byte points.
#include "rozuzezer/core/WavBytes.h"
#include "rozuzezer/core/WavRiff.h"

#include <algorithm>
#include <vector>

namespace rozuzezer {

namespace {
// More points than any editor makes; a larger count is refused rather than allocated.
constexpr std::uint64_t kMaxCuePoints = 1u << 20;
} // namespace

namespace wav {

std::int32_t ReadCue(Reader& r, std::vector<CuePointRecord>& points) {
    if (r.Status() == -1) return -1;
    ChunkInfo ck;
    if (const int e = r.Find(kCue, ck); e != 0) return -e;
    if (ck.cksize == 0) return -1;
    unsigned char c[4];
    if (r.ReadChunk(ck, 0, c, 4) != 4) return -1;
    std::uint32_t raw = 0;
    ByteReader(c).U32(raw);
    const auto count = static_cast<std::int32_t>(raw);
    if (count <= 0) return count;
    // Only the points the chunk really holds.
    const std::uint64_t held = (ck.Available() - 4) / 24;
    const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), held);
    if (n > kMaxCuePoints) return -1;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(n * 24));
    if (n > 0 && r.ReadChunk(ck, 4, bytes.data(), static_cast<std::int64_t>(bytes.size())) !=
                     static_cast<std::int64_t>(bytes.size()))
        return -1;
    points.assign(static_cast<std::size_t>(n), CuePointRecord{});
    for (std::size_t i = 0; i < points.size(); ++i) {
        ByteReader rd(bytes.data() + i * 24);
        rd.U32(points[i].Name);
        rd.U32(points[i].Position);
        rd.U32(points[i].Chunk);
        rd.U32(points[i].ChunkStart);
        rd.U32(points[i].BlockStart);
        rd.U32(points[i].SampleOffset);
    }
    return static_cast<std::int32_t>(n);
}

} // namespace wav

std::int32_t ReadCueChunk(const std::string& path, std::vector<CuePointRecord>& points) {
    if (FileLength(path) <= 0) return -1;
    wav::Reader r(path);
    return wav::ReadCue(r, points);
}

} // namespace rozuzezer
