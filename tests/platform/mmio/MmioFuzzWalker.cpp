// Walks every chunk of arbitrary bytes: no read may leave its chunk, no walk may hang.
#include "platform/mmio/Mmio.h"
#include "fuzz/FuzzScratch.h"

#include <cstdlib>
#include <vector>

using namespace platform::mmio;

namespace {

void Walk(File& f, const ChunkInfo& parent, int depth) {
    f.Seek(static_cast<std::int64_t>(parent.dwDataOffset + (parent.fccType ? 4 : 0)), 0);
    std::vector<unsigned char> buf(4096);
    for (int n = 0; n < 10000; ++n) {
        ChunkInfo ck;
        if (f.Descend(ck, &parent, 0) != 0) break;
        if (ck.dwDataOffset < parent.dwDataOffset || ck.trustedEnd > parent.trustedEnd) std::abort();
        std::uint64_t got = 0;
        for (;;) {
            const std::int64_t r = f.Read(buf.data(), static_cast<std::int64_t>(buf.size()));
            if (r <= 0) break;
            got += static_cast<std::uint64_t>(r);
        }
        if (got > ck.Available()) std::abort();
        if (ck.fccType && depth < 3) Walk(f, ck, depth + 1);
        f.Seek(static_cast<std::int64_t>(ck.dwDataOffset), 0);
        f.Ascend(ck);
        if (f.Tell() <= ck.HeaderOffset()) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzscratch::File("riff.wav");
    if (!fuzzscratch::Write(path, data, size)) return 0;
    auto f = File::Open(path, OpenMode::Read);
    if (!f) return 0;
    ChunkInfo riff;
    riff.fccType = StringToFOURCC("WAVE");
    if (f->Descend(riff, nullptr, MMIO_FINDRIFF) != 0) return 0;
    if (riff.trustedEnd > f->Size()) std::abort();
    Walk(*f, riff, 0);
    for (const char* id : {"fmt ", "data", "cart", "bext", "cue ", "LIST"}) {
        ChunkInfo ck;
        ck.ckid = StringToFOURCC(id);
        f->Seek(12, 0);
        if (f->Descend(ck, &riff, MMIO_FINDCHUNK) == 0) f->Ascend(ck);
    }
    return 0;
}
