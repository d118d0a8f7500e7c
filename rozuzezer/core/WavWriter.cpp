// The one place that changes a WAV file's metadata chunks, and its policy: never touch the
// audio, change a file only in whole prepared pieces, and leave a file that every reader
// can still open at any moment the writer might be stopped.
#include "rozuzezer/core/WavRiff.h"

#include <algorithm>
#include <string>

#include <sys/stat.h>

namespace rozuzezer::wav {

namespace {

namespace mmio = platform::mmio;

constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void PutLe32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// How the file's top-level chunks end.
struct Tail {
    std::uint64_t end = 12;          // where the last whole chunk (with its pad) ends
    bool clean = false;              // the chunks fill the file exactly
    bool missingPad = false;         // the last chunk is odd and its pad byte is missing
    bool truncated = false;          // the last chunk claims more than the file holds
    std::uint64_t truncatedAt = 0;   // its header offset
    FOURCC truncatedId = 0;
    bool shortRemainder = false;     // fewer than 8 bytes behind the last whole chunk
};

Tail WalkTail(mmio::File& f) {
    Tail t;
    const std::uint64_t size = f.Size();
    std::uint64_t p = 12;
    for (;;) {
        if (p == size) {
            t.end = p;
            t.clean = true;
            return t;
        }
        if (p + 8 > size) {
            t.end = p;
            t.shortRemainder = true;
            return t;
        }
        unsigned char h[8];
        if (f.ReadAt(p, h, 8) != 8) {
            t.end = p;
            return t;
        }
        const std::uint64_t csize = Le32(h + 4);
        const std::uint64_t end = p + 8 + csize;
        if (end > size) {
            t.end = p;
            t.truncated = true;
            t.truncatedAt = p;
            t.truncatedId = Le32(h);
            return t;
        }
        if ((csize & 1) && end == size) {
            t.end = end;
            t.clean = true;
            t.missingPad = true;
            return t;
        }
        p = f.NextChunk(p + 8, csize);
    }
}

bool ReadRiffSize(mmio::File& f, std::uint32_t& v) {
    unsigned char b[4];
    if (f.ReadAt(4, b, 4) != 4) return false;
    v = Le32(b);
    return true;
}

bool WriteRiffSize(mmio::File& f, std::uint32_t v) {
    std::string s;
    PutLe32(s, v);
    return f.WriteAt(4, s.data(), 4);
}

// Rewrites the data of an existing chunk within its room.
WriteStatus InPlace(mmio::File& f, const ChunkInfo& ck, const Tail& t, std::string_view fixed,
                    std::string_view tail, bool fillRoom) {
    const std::uint64_t room = std::min<std::uint64_t>(ck.cksize, f.Size() - ck.dwDataOffset);
    std::string buf(fixed.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(room, fixed.size()))));
    if (fillRoom && room > fixed.size()) {
        // The whole room is rewritten, so nothing of an older, longer tail can be read back.
        const auto extra = static_cast<std::size_t>(room - fixed.size());
        buf.append(tail.substr(0, std::min(extra, tail.size())));
        buf.resize(buf.size() + (extra - std::min(extra, tail.size())), '\0');
    }
    if (!f.WriteAt(ck.dwDataOffset, buf.data(), static_cast<std::int64_t>(buf.size()))) return WriteStatus::Refused;
    std::uint32_t riff = 0;
    if (t.clean && ReadRiffSize(f, riff) && f.Size() - 8 <= kMax32 && riff != f.Size() - 8) {
        if (!WriteRiffSize(f, static_cast<std::uint32_t>(f.Size() - 8))) return WriteStatus::Refused;
    }
    return WriteStatus::Written;
}

// Writes a whole new chunk at `at` (the end of the file, or the start of a cut-off leftover
// at the end), preceded by the pad byte the chunk before it lacks.
WriteStatus Append(mmio::File& f, std::uint64_t at, bool padFirst, FOURCC id, std::string_view fixed,
                   std::string_view tail) {
    const std::uint64_t payload = fixed.size() + tail.size();
    if (payload > kMax32) return WriteStatus::Refused;
    std::string buf;
    buf.reserve(static_cast<std::size_t>(payload) + 10);
    if (padFirst) buf.push_back('\0');
    PutLe32(buf, id);
    PutLe32(buf, static_cast<std::uint32_t>(payload));
    buf.append(fixed);
    buf.append(tail);
    if (payload & 1) buf.push_back('\0');
    const std::uint64_t oldSize = f.Size();
    const std::uint64_t newEnd = at + buf.size();
    if (newEnd - 8 > kMax32) return WriteStatus::Refused;

    std::uint32_t oldRiff = 0;
    if (!ReadRiffSize(f, oldRiff)) return WriteStatus::Refused;
    // The RIFF size first: until the chunk is complete, the file merely claims more than it
    // holds, which every reader takes in its stride; a chunk beyond the RIFF end would not be.
    const auto newRiff = static_cast<std::uint32_t>(newEnd - 8);
    if (newRiff != oldRiff && !WriteRiffSize(f, newRiff)) return WriteStatus::Refused;
    if (at < oldSize && !f.Truncate(at)) {
        WriteRiffSize(f, oldRiff);
        return WriteStatus::Refused;
    }
    if (!f.WriteAt(at, buf.data(), static_cast<std::int64_t>(buf.size()))) {
        f.Truncate(std::min(at, oldSize));
        WriteRiffSize(f, oldRiff);
        return WriteStatus::Refused;
    }
    return WriteStatus::Written;
}

} // namespace

WriteStatus WriteChunk(const std::string& path, FOURCC id, std::string_view fixed, std::string_view tail,
                       bool fillRoom) {
    struct stat st {};
    if (FileLength(path) <= 0 || ::stat(path.c_str(), &st) != 0) return WriteStatus::Refused;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return WriteStatus::Refused; // read-only
    auto f = mmio::File::Open(path, mmio::OpenMode::ReadWrite);
    if (!f) return WriteStatus::OpenFailed;
    ChunkInfo riff;
    riff.fccType = kWAVE;
    if (f->Descend(riff, nullptr, mmio::MMIO_FINDRIFF) != 0) return WriteStatus::Refused;
    // Sizes that 32 bits cannot hold: writing would break the file.
    if (riff.rf64 || riff.HeaderOffset() != 0 || f->Size() - 8 > kMax32) return WriteStatus::Refused;

    const Tail t = WalkTail(*f);
    ChunkInfo ck;
    ck.ckid = id;
    f->Seek(static_cast<std::int64_t>(riff.dwDataOffset + 4), 0);
    WriteStatus result = WriteStatus::Refused;
    if (f->Descend(ck, &riff, mmio::MMIO_FINDCHUNK) == 0) {
        f->Ascend(ck);
        const bool cutOff = ck.dwDataOffset + ck.cksize > f->Size();
        if (!cutOff) {
            result = InPlace(*f, ck, t, fixed, tail, fillRoom);
        } else if (t.truncated && t.truncatedAt == ck.HeaderOffset()) {
            // A chunk cut off at the end of the file (a write that was stopped): write it whole.
            result = Append(*f, ck.HeaderOffset(), false, id, fixed, tail);
        }
    } else if (t.clean) {
        result = Append(*f, f->Size(), t.missingPad, id, fixed, tail);
    } else if (t.shortRemainder || (t.truncated && t.truncatedId == id)) {
        // Leftover of a stopped append of this chunk: it is replaced.
        result = Append(*f, t.end, false, id, fixed, tail);
    }
    if (f->Close() != 0 && result == WriteStatus::Written) result = WriteStatus::Refused;
    return result;
}

} // namespace rozuzezer::wav
