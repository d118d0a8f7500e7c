// The one place that changes a WAV file's metadata chunks, and its policy: never touch the
// audio, change a file only in whole prepared pieces, and leave a file that every reader
// can still open at any moment the writer might be stopped.
#include "rozuzezer/core/WavRiff.h"

#include <algorithm>
#include <string>
#include <vector>

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

constexpr FOURCC kJunk = MakeFourCC('J', 'U', 'N', 'K');

struct Found {
    std::uint64_t offset; // header offset
    std::uint64_t size;   // declared size
};

// The file's top-level chunks: where they end, and those with the wanted id.
struct Tail {
    std::uint64_t end = 12;          // where the last whole chunk (with its pad) ends
    bool clean = false;              // the chunks fill the file exactly
    bool missingPad = false;         // the last chunk is odd and its pad byte is missing
    bool truncated = false;          // the last chunk claims more than the file holds
    std::uint64_t truncatedAt = 0;   // its header offset
    FOURCC truncatedId = 0;
    bool shortRemainder = false;     // fewer than 8 bytes behind the last whole chunk
    std::uint64_t lastAt = 0;        // header offset of the last chunk
    FOURCC lastId = 0;
    std::vector<Found> same;         // chunks with the wanted id, in file order
    std::vector<std::uint64_t> oddPads; // pad bytes the walk skipped that are not zero
};

Tail WalkTail(mmio::File& f, FOURCC id) {
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
        t.lastAt = p;
        t.lastId = Le32(h);
        if (Le32(h) == id) t.same.push_back({p, csize});
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
        unsigned char pad = 0;
        if (p == end + 1 && f.ReadAt(end, &pad, 1) == 1 && pad != 0) t.oddPads.push_back(end);
    }
}

// Every change made to the file, with the bytes it replaced, so that a write that fails or
// would leave a chunk the readers cannot find is taken back whole.
class Journal {
public:
    explicit Journal(mmio::File& f) : f_(f), size_(f.Size()) {}
    std::uint64_t Size() const { return f_.Size(); }
    std::int64_t ReadAt(std::uint64_t offset, void* buffer, std::int64_t count) {
        return f_.ReadAt(offset, buffer, count);
    }
    bool WriteAt(std::uint64_t offset, const void* buffer, std::int64_t count) {
        return Save(offset, static_cast<std::uint64_t>(count)) && f_.WriteAt(offset, buffer, count);
    }
    bool Truncate(std::uint64_t length) {
        return (length >= f_.Size() || Save(length, f_.Size() - length)) && f_.Truncate(length);
    }
    bool Changed() const { return changed_; }
    // Back to the file as it was, newest change first.
    void Undo() {
        for (auto it = log_.rbegin(); it != log_.rend(); ++it)
            f_.WriteAt(it->offset, it->bytes.data(), static_cast<std::int64_t>(it->bytes.size()));
        f_.Truncate(size_);
    }

private:
    // Only bytes of the old file need keeping: what lies beyond it goes with the old length.
    // Bytes an earlier truncation of the same save cut off were kept by that truncation.
    bool Save(std::uint64_t offset, std::uint64_t count) {
        changed_ = true;
        const std::uint64_t kept = std::min(size_, f_.Size());
        if (offset >= kept || count == 0) return true;
        const std::uint64_t n = std::min(count, kept - offset);
        // What a metadata write replaces is small; more than this is no chunk of ours.
        if (n > (64u << 20)) return false;
        Entry e{offset, std::string(static_cast<std::size_t>(n), '\0')};
        if (f_.ReadAt(offset, e.bytes.data(), static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n)) return false;
        log_.push_back(std::move(e));
        return true;
    }
    struct Entry {
        std::uint64_t offset;
        std::string bytes;
    };
    mmio::File& f_;
    std::uint64_t size_;
    std::vector<Entry> log_;
    bool changed_ = false;
};

// The top-level chunks as the readers walk them: header offset and id, in file order.
using ChunkList = std::vector<std::pair<std::uint64_t, FOURCC>>;

ChunkList WalkAsReaders(const std::string& path) {
    ChunkList out;
    auto f = mmio::File::Open(path, mmio::OpenMode::Read);
    if (!f) return out;
    ChunkInfo riff;
    riff.fccType = kWAVE;
    if (f->Descend(riff, nullptr, mmio::MMIO_FINDRIFF) != 0) return out;
    std::uint64_t p = riff.dwDataOffset + 4;
    // Beyond this many chunks a file is no WAV file anyone wrote on purpose.
    for (std::size_t n = 0; n < 100000; ++n) {
        f->Seek(static_cast<std::int64_t>(p), 0);
        ChunkInfo c;
        if (f->Descend(c, &riff, 0) != 0) break;
        out.emplace_back(c.HeaderOffset(), c.ckid);
        f->Ascend(c);
        if (f->Tell() <= p) break;
        p = f->Tell();
    }
    return out;
}

// Whether the walk after a write still finds every chunk in front of `cut` that it found
// before (a retired one as JUNK), and the written chunk where it was written, first of its id.
bool WalkKept(const ChunkList& before, const ChunkList& after, std::uint64_t cut, FOURCC id,
              std::uint64_t keptAt) {
    std::size_t k = 0;
    for (const auto& [offset, ckid] : before) {
        if (offset >= cut) break;
        while (k < after.size() && after[k].first < offset) ++k;
        if (k == after.size() || after[k].first != offset) return false;
        if (after[k].second != ckid && !(ckid == id && after[k].second == kJunk)) return false;
    }
    for (const auto& [offset, ckid] : after)
        if (ckid == id) return offset == keptAt;
    return false;
}

bool ReadRiffSize(Journal& f, std::uint32_t& v) {
    unsigned char b[4];
    if (f.ReadAt(4, b, 4) != 4) return false;
    v = Le32(b);
    return true;
}

bool WriteRiffSize(Journal& f, std::uint32_t v) {
    std::string s;
    PutLe32(s, v);
    return f.WriteAt(4, s.data(), 4);
}

// Rewrites the data of an existing chunk within its room.
WriteStatus InPlace(Journal& f, const Found& ck, const Tail& t, std::string_view fixed,
                    std::string_view tail, bool fillRoom) {
    const std::uint64_t data = ck.offset + 8;
    const std::uint64_t room = std::min<std::uint64_t>(ck.size, f.Size() - data);
    std::string buf(fixed.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(room, fixed.size()))));
    if (fillRoom && room > fixed.size()) {
        // The whole room is rewritten, so nothing of an older, longer tail can be read back.
        const auto extra = static_cast<std::size_t>(room - fixed.size());
        buf.append(tail.substr(0, std::min(extra, tail.size())));
        buf.resize(buf.size() + (extra - std::min(extra, tail.size())), '\0');
    }
    if (!f.WriteAt(data, buf.data(), static_cast<std::int64_t>(buf.size()))) return WriteStatus::Refused;
    std::uint32_t riff = 0;
    if (t.clean && ReadRiffSize(f, riff) && f.Size() - 8 <= kMax32 && riff != f.Size() - 8) {
        if (!WriteRiffSize(f, static_cast<std::uint32_t>(f.Size() - 8))) return WriteStatus::Refused;
    }
    return WriteStatus::Written;
}

// Writes a whole new chunk at `at` (the end of the file, or over a chunk at the end that it
// replaces), preceded by the pad byte the chunk before it lacks. With nameLast the chunk is
// written as JUNK and gets its id only once complete, so a write stopped half-way leaves
// filler that every reader skips, never a cut-off chunk that a reader must parse.
WriteStatus Append(Journal& f, std::uint64_t at, bool padFirst, FOURCC id, std::string_view fixed,
                   std::string_view tail, bool nameLast) {
    const std::uint64_t payload = fixed.size() + tail.size();
    if (payload > kMax32) return WriteStatus::Refused;
    std::string buf;
    buf.reserve(static_cast<std::size_t>(payload) + 10);
    if (padFirst) buf.push_back('\0');
    const std::uint64_t idAt = at + (padFirst ? 1 : 0);
    PutLe32(buf, nameLast ? kJunk : id);
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
    // A failure from here on is taken back by the caller's journal.
    if (!f.WriteAt(at, buf.data(), static_cast<std::int64_t>(buf.size()))) return WriteStatus::Refused;
    if (nameLast) {
        std::string name;
        PutLe32(name, id);
        if (!f.WriteAt(idAt, name.data(), 4)) return WriteStatus::Refused;
    }
    // What is left of a longer chunk that this one replaced lies beyond the RIFF end now.
    if (newEnd < oldSize && !f.Truncate(newEnd)) return WriteStatus::Refused;
    return WriteStatus::Written;
}

// Every other chunk with the id goes, so that no reader can take a stale one: a whole one
// becomes JUNK (its bytes stay), one cut off at the end of the file is cut away.
bool RetireOthers(Journal& f, const Tail& t, std::uint64_t keptAt) {
    for (const Found& c : t.same) {
        if (c.offset == keptAt) continue;
        if (t.truncated && c.offset == t.truncatedAt) {
            if (!f.Truncate(c.offset)) return false;
            if (c.offset - 8 <= kMax32 && !WriteRiffSize(f, static_cast<std::uint32_t>(c.offset - 8))) return false;
            continue;
        }
        std::string id;
        PutLe32(id, kJunk);
        if (!f.WriteAt(c.offset, id.data(), 4)) return false;
    }
    return true;
}

// One chunk written into the open file. Every change goes through the caller's journal;
// the caller takes them back when this or a later write of the same save fails.
WriteStatus WriteOne(mmio::File* f, Journal& j, const std::string& path, const ChunkWrite& w) {
    const FOURCC id = w.id;
    const std::string_view fixed = w.fixed, tail = w.tail;
    const bool fillRoom = w.fillRoom;
    // Found afresh for each chunk: an earlier write of the same save may have moved its end.
    ChunkInfo riff;
    riff.fccType = kWAVE;
    if (f->Descend(riff, nullptr, mmio::MMIO_FINDRIFF) != 0) return WriteStatus::Refused;
    f->Ascend(riff);
    // Sizes that 32 bits cannot hold: writing would break the file.
    if (riff.rf64 || riff.HeaderOffset() != 0 || f->Size() - 8 > kMax32) return WriteStatus::Refused;

    const Tail t = WalkTail(*f, id);
    const std::uint64_t size = f->Size();
    WriteStatus result = WriteStatus::Refused;
    std::uint64_t keptAt = ~0ull;
    // Where a new chunk can go at the end: behind the last whole chunk, over filler (JUNK)
    // or the leftover of a stopped write at the end, or nowhere when the end cannot be
    // trusted.
    const bool canAppend =
        t.clean || t.shortRemainder || (t.truncated && (t.truncatedId == id || t.truncatedId == kJunk));
    const bool overJunk = t.clean && t.lastId == kJunk && t.lastAt >= 12;
    const std::uint64_t appendAt = overJunk ? t.lastAt : t.clean ? size : t.end;
    const bool padFirst = t.clean && t.missingPad && !overJunk;
    // The chunk to rewrite is the first one a reader finds: within the RIFF chunk's trusted
    // end. Others, beyond it too, are retired afterwards.
    const Found* target = nullptr;
    for (const Found& c : t.same) {
        if (c.offset + 8 <= riff.trustedEnd) {
            target = &c;
            break;
        }
    }
    const ChunkList before = WalkAsReaders(path);
    // Chunks from here on are replaced by the write; those in front of it must stay.
    std::uint64_t cut = ~0ull;
    auto grow = [&](std::uint64_t at, bool pad, bool nameLast) {
        cut = std::min(cut, at);
        return Append(j, at, pad, id, fixed, tail, nameLast);
    };
    // A printable byte in a pad place could read as the start of the next id once other
    // bytes have changed; zero, as pads are, it cannot.
    for (const std::uint64_t o : t.oddPads) {
        const unsigned char zero = 0;
        if (!j.WriteAt(o, &zero, 1)) return WriteStatus::Refused;
    }
    if (target) {
        const Found& c = *target;
        const std::uint64_t room = std::min<std::uint64_t>(c.size, size - (c.offset + 8));
        const bool cutOff = c.offset + 8 + c.size > size;
        // A chunk too small for the fixed part would lose fields, one too small for the tail
        // would lose tags: it moves rather than drop them.
        const bool fits = fixed.size() + (fillRoom ? tail.size() : 0) <= room;
        const bool last = c.offset == t.lastAt && (t.clean || cutOff);
        keptAt = c.offset;
        if (cutOff || (!fits && last)) {
            // Cut off by a stopped write, or the last chunk of the file: written whole where
            // it stands, growing the file.
            result = grow(c.offset, false, false);
        } else if (fits) {
            result = InPlace(j, c, t, fixed, tail, fillRoom);
        } else if (canAppend) {
            // Too small for what it must hold: a new chunk at the end takes its place, and
            // only then does the old one become JUNK.
            result = grow(appendAt, padFirst, true);
            keptAt = appendAt + (padFirst ? 1 : 0);
        } else if (room > 0) {
            // Nowhere to grow: what fits, the rest cut off.
            result = InPlace(j, c, t, fixed, tail, fillRoom);
        }
    } else if (canAppend) {
        result = grow(appendAt, padFirst, true);
        keptAt = appendAt + (padFirst ? 1 : 0);
    }
    if (result == WriteStatus::Written && !RetireOthers(j, t, keptAt)) result = WriteStatus::Refused;
    // Filler left at the end by a stopped write, which this write did not reuse, is cut off.
    const bool leftover = t.shortRemainder || (t.truncated && t.truncatedId == kJunk);
    if (result == WriteStatus::Written && leftover && keptAt != t.end && j.Size() > t.end && t.end - 8 <= kMax32) {
        cut = std::min(cut, t.end);
        if (!j.Truncate(t.end) || !WriteRiffSize(j, static_cast<std::uint32_t>(t.end - 8))) result = WriteStatus::Refused;
    }
    if (t.truncated && t.truncatedId == id) cut = std::min(cut, t.truncatedAt); // cut away when retired
    // The readers walk the file as it is now. Should the walk have changed in front of what
    // was written, or not reach the written chunk (a chunk whose pad byte the walk must
    // guess), nothing is changed.
    if (result == WriteStatus::Written && !WalkKept(before, WalkAsReaders(path), cut, id, keptAt))
        result = WriteStatus::Refused;
    return result;
}

} // namespace

WriteStatus WriteChunks(const std::string& path, std::span<const ChunkWrite> writes) {
    struct stat st {};
    if (FileLength(path) <= 0 || ::stat(path.c_str(), &st) != 0) return WriteStatus::Refused;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return WriteStatus::Refused; // read-only
    auto f = mmio::File::Open(path, mmio::OpenMode::ReadWrite);
    if (!f) return WriteStatus::OpenFailed;
    Journal j(*f);
    WriteStatus result = WriteStatus::Written;
    for (const ChunkWrite& w : writes) {
        result = WriteOne(f.get(), j, path, w);
        if (result != WriteStatus::Written) break;
    }
    // All or nothing: a save that fails leaves the file as it found it.
    if (result != WriteStatus::Written && j.Changed()) j.Undo();
    if (f->Close() != 0 && result == WriteStatus::Written) result = WriteStatus::Refused;
    return result;
}

WriteStatus WriteChunk(const std::string& path, FOURCC id, std::string_view fixed, std::string_view tail,
                       bool fillRoom) {
    const ChunkWrite w{id, fixed, tail, fillRoom};
    return WriteChunks(path, std::span<const ChunkWrite>(&w, 1));
}

} // namespace rozuzezer::wav
