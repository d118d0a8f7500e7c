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
    std::uint64_t lastSize = 0;      // its declared size
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
        t.lastSize = csize;
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

// Why the last write on this thread was refused, for the caller's message.
thread_local std::string tLastError;

WriteStatus Refuse(std::string why) {
    if (tLastError.empty()) tLastError = std::move(why);
    return WriteStatus::Refused;
}

std::string Named(FOURCC id) {
    std::string s = mmio::FOURCCToString(id);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return "\"" + s + "\"";
}

WriteStatus CannotWrite() { return Refuse("The file could not be written (the disk may be full)."); }

// A write after which some reader would walk the file differently: it is taken back.
WriteStatus Unfound() {
    return Refuse("The chunks could not be written so that every reader still finds them. The file has not been "
                  "changed.");
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
    if (!f.WriteAt(data, buf.data(), static_cast<std::int64_t>(buf.size()))) return CannotWrite();
    std::uint32_t riff = 0;
    if (t.clean && ReadRiffSize(f, riff) && f.Size() - 8 <= kMax32 && riff != f.Size() - 8) {
        if (!WriteRiffSize(f, static_cast<std::uint32_t>(f.Size() - 8))) return CannotWrite();
    }
    return WriteStatus::Written;
}

// An id as the chunks of real files spell them: letters, digits and "_", padded with blanks.
// Stricter than the readers' test, so that text and numbers inside a chunk seldom pass.
bool LooksLikeId(FOURCC id) {
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>((id >> (8 * i)) & 0xFF);
        const bool word = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!word && !(c == ' ' && i > 0)) return false;
    }
    return true;
}

// What a chunk that claims more than the file holds may hide: a chain of whole chunks
// starting at some byte of its data. `exact` when one runs to the very end of the file;
// `open` when one ends in a few bytes or a header that is cut off in turn.
struct Behind {
    bool exact = false;
    bool open = false;
    bool tooLong = false; // more to look through than any chunk of ours holds
};

// The longest chunk of ours: a cart chunk with the longest tag text an item writes.
constexpr std::uint64_t kMaxOwnChunk = CartChunkRecord::kSize + kMaxItemTagText;

Behind ChunksBehind(Journal& f, std::uint64_t headerAt) {
    Behind r;
    const std::uint64_t from = headerAt + 8, size = f.Size();
    if (size <= from) return r;
    if (size - from > kMaxOwnChunk) {
        r.tooLong = true;
        return r;
    }
    const auto n = static_cast<std::size_t>(size - from);
    std::string b(n, '\0');
    if (f.ReadAt(from, b.data(), static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n)) {
        r.tooLong = true; // cannot look: as good as too long
        return r;
    }
    const auto* u = reinterpret_cast<const unsigned char*>(b.data());
    // g[i]: how the chain from byte i ends, worked out from the end of the file backwards.
    enum : unsigned char { kBroken, kOpen, kExact };
    std::vector<unsigned char> g(n + 1, kBroken);
    g[n] = kExact;
    auto whole = [&](std::size_t i, std::uint64_t& end) {
        if (n - i < 8 || !LooksLikeId(Le32(u + i))) return false;
        end = i + 8 + static_cast<std::uint64_t>(Le32(u + i + 4));
        return end <= n;
    };
    for (std::size_t i = n; i-- > 0;) {
        if (n - i < 8) {
            g[i] = kOpen;
            continue;
        }
        if (!LooksLikeId(Le32(u + i))) continue;
        const std::uint64_t s = Le32(u + i + 4), end = i + 8 + s;
        if (end > n) g[i] = kOpen;
        else if (end == n || end + (s & 1) == n) g[i] = kExact;
        else g[i] = std::max(g[end + (s & 1)], (s & 1) ? g[end] : static_cast<unsigned char>(kBroken));
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t end = 0;
        if (!whole(i, end)) continue;
        if (g[i] == kExact) {
            r.exact = true;
            break;
        }
        if (g[i] == kOpen) r.open = true;
    }
    return r;
}

// A chunk that claims to run past the end of the file is taken as cut off (by a stopped
// write, or a copy) only when nothing behind its header reads as chunks: otherwise its size
// is wrong and the chunks behind it would be lost with it. One of ours whose end is where
// the RIFF size says the file ends is what a stopped write of ours leaves (it writes that
// size first); its own fields may look like chunks that are cut off.
bool TakenAsCutOff(Journal& f, const Tail& t, bool ours) {
    const Behind b = ChunksBehind(f, t.truncatedAt);
    if (b.tooLong) return !ours;
    if (b.exact) return false;
    if (!ours) return true;
    unsigned char h[8];
    std::uint32_t riff = 0;
    if (!ReadRiffSize(f, riff) || f.ReadAt(t.truncatedAt, h, 8) != 8) return false;
    const std::uint64_t size = Le32(h + 4);
    const bool riffEndsWithIt = std::uint64_t{riff} + 8 == t.truncatedAt + 8 + size + (size & 1);
    return riffEndsWithIt || !b.open;
}

std::string Damaged(const Tail& t) {
    return "The file is damaged: its " + Named(t.truncatedId) + " chunk (at byte " + std::to_string(t.truncatedAt) +
           ") claims more bytes than the file holds, and other chunks follow it. The file has not been changed.";
}

// Writes a whole new chunk at `at` (the end of the file, or over filler at the end that it
// replaces), preceded by the pad byte the chunk before it lacks. With nameLast the chunk is
// written as JUNK and gets its id only once complete, so a write stopped half-way leaves
// filler that every reader skips, never a cut-off chunk that a reader must parse. Filler
// longer than the chunk keeps the rest as filler: `fillerEnd` is where it ends (0: none).
WriteStatus Append(Journal& f, std::uint64_t at, bool padFirst, FOURCC id, std::string_view fixed,
                   std::string_view tail, bool nameLast, std::uint64_t fillerEnd = 0) {
    const std::uint64_t payload = fixed.size() + tail.size();
    if (payload > kMax32) return Refuse("The chunk is too long for a WAV file.");
    std::string buf;
    buf.reserve(static_cast<std::size_t>(payload) + 10);
    if (padFirst) buf.push_back('\0');
    const std::uint64_t idAt = at + (padFirst ? 1 : 0);
    PutLe32(buf, nameLast ? kJunk : id);
    PutLe32(buf, static_cast<std::uint32_t>(payload));
    buf.append(fixed);
    buf.append(tail);
    if (payload & 1) buf.push_back('\0');
    const std::uint64_t newEnd = at + buf.size();
    const std::uint64_t end = std::max(newEnd, fillerEnd);
    if (end - 8 > kMax32) return Refuse("The file would grow beyond the 4 GB a WAV file can describe.");
    if (fillerEnd > newEnd) {
        // What is left of the filler becomes filler of its own before anything else changes:
        // inside the old filler it is filler still.
        if (fillerEnd - newEnd < 8) return CannotWrite();
        std::string rest;
        PutLe32(rest, kJunk);
        PutLe32(rest, static_cast<std::uint32_t>(fillerEnd - newEnd - 8));
        if (!f.WriteAt(newEnd, rest.data(), 8)) return CannotWrite();
    }

    std::uint32_t oldRiff = 0;
    if (!ReadRiffSize(f, oldRiff)) return CannotWrite();
    // The RIFF size first: until the chunk is complete, the file merely claims more than it
    // holds, which every reader takes in its stride; a chunk beyond the RIFF end would not be.
    const auto newRiff = static_cast<std::uint32_t>(end - 8);
    if (newRiff != oldRiff && !WriteRiffSize(f, newRiff)) return CannotWrite();
    // A failure from here on is taken back by the caller's journal.
    if (!f.WriteAt(at, buf.data(), static_cast<std::int64_t>(buf.size()))) return CannotWrite();
    if (nameLast) {
        std::string name;
        PutLe32(name, id);
        if (!f.WriteAt(idAt, name.data(), 4)) return CannotWrite();
    }
    return WriteStatus::Written;
}

// Every other chunk with the id becomes JUNK (its bytes stay), so that no reader can take a
// stale one.
bool RetireOthers(Journal& f, const Tail& t, std::uint64_t keptAt) {
    for (const Found& c : t.same) {
        if (c.offset == keptAt) continue;
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
    if (f->Descend(riff, nullptr, mmio::MMIO_FINDRIFF) != 0) return Refuse("The file is not a RIFF WAVE file.");
    f->Ascend(riff);
    // Sizes that 32 bits cannot hold: writing would break the file.
    if (riff.rf64 || riff.HeaderOffset() != 0 || f->Size() - 8 > kMax32)
        return Refuse("The file is an RF64 file or larger than 4 GB: its sizes cannot be rewritten as a WAV file's.");

    Tail t = WalkTail(*f, id);
    if (t.truncated) {
        const bool ours = t.truncatedId == kCart || t.truncatedId == kBext || t.truncatedId == kJunk;
        if (!TakenAsCutOff(j, t, ours)) return Refuse(Damaged(t));
        if (ours) {
            // Cut off: it becomes a whole chunk of the bytes it still has, and so the last
            // chunk of the file, rewritten or reused like any other.
            std::string held;
            PutLe32(held, static_cast<std::uint32_t>(f->Size() - (t.truncatedAt + 8)));
            if (!j.WriteAt(t.truncatedAt + 4, held.data(), 4)) return CannotWrite();
            t = WalkTail(*f, id);
        }
    }
    const std::uint64_t size = f->Size();
    // Fewer than 8 bytes behind the last chunk: zeros are nobody's and a new chunk may go
    // over them; anything else is the start of a header, which stays where it is.
    bool zeroRemainder = false;
    if (t.shortRemainder) {
        unsigned char r[8] = {};
        const auto n = static_cast<std::int64_t>(size - t.end);
        zeroRemainder = j.ReadAt(t.end, r, n) == n && std::all_of(r, r + n, [](unsigned char c) { return c == 0; });
    }
    // Why nothing can be added at the end, when it cannot.
    std::string endRefusal;
    if (t.truncated) {
        endRefusal = "The file ends in a cut-off " + Named(t.truncatedId) + " chunk, behind which nothing can be "
                     "added. The file has not been changed.";
    } else if (t.shortRemainder && !zeroRemainder) {
        unsigned char r[8] = {};
        j.ReadAt(t.end, r, static_cast<std::int64_t>(size - t.end));
        std::string start;
        for (std::uint64_t i = 0; i < std::min<std::uint64_t>(4, size - t.end); ++i)
            start.push_back(r[i] >= 0x20 && r[i] <= 0x7E ? static_cast<char>(r[i]) : '?');
        endRefusal = "The file ends in " + std::to_string(size - t.end) + " bytes of a cut-off chunk header (\"" +
                     start + "\"), behind which nothing can be added. The file has not been changed.";
    } else if (!t.clean && !t.shortRemainder) {
        endRefusal = "The file's end cannot be read. The file has not been changed.";
    }
    const bool canAppend = endRefusal.empty();
    const std::uint64_t newLength = 8 + fixed.size() + tail.size() + ((fixed.size() + tail.size()) & 1);
    // Filler at the end takes the new chunk: all of it, or the front with filler left behind.
    const std::uint64_t junkLength = size - t.lastAt;
    const bool overJunk = t.clean && t.lastId == kJunk && t.lastAt >= 12 &&
                          (junkLength <= newLength || junkLength >= newLength + 8);
    const std::uint64_t appendAt = overJunk ? t.lastAt : t.clean ? size : t.end;
    const bool padFirst = t.clean && t.missingPad && !overJunk;
    const std::uint64_t fillerEnd = overJunk && junkLength > newLength ? size : 0;
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
    auto grow = [&](std::uint64_t at, bool pad, bool nameLast, std::uint64_t filler) {
        if (!canAppend) return Refuse(endRefusal);
        cut = std::min(cut, at);
        return Append(j, at, pad, id, fixed, tail, nameLast, filler);
    };
    // A printable byte in a pad place could read as the start of the next id once other
    // bytes have changed; zero, as pads are, it cannot.
    for (const std::uint64_t o : t.oddPads) {
        const unsigned char zero = 0;
        if (!j.WriteAt(o, &zero, 1)) return CannotWrite();
    }
    WriteStatus result = WriteStatus::Refused;
    std::uint64_t keptAt = ~0ull;
    if (target) {
        const Found& c = *target;
        const std::uint64_t room = std::min<std::uint64_t>(c.size, size - (c.offset + 8));
        // A chunk too small for the fixed part would lose fields, one too small for the tail
        // would lose tags: it moves rather than drop them.
        const bool fits = fixed.size() + (fillRoom ? tail.size() : 0) <= room;
        const bool last = c.offset == t.lastAt && t.clean;
        keptAt = c.offset;
        if (fits) {
            result = InPlace(j, c, t, fixed, tail, fillRoom);
        } else if (last) {
            // The last chunk of the file: written whole where it stands, growing the file.
            result = grow(c.offset, false, false, 0);
        } else if (canAppend) {
            // Too small for what it must hold: a new chunk at the end takes its place, and
            // only then does the old one become JUNK.
            result = grow(appendAt, padFirst, true, fillerEnd);
            keptAt = appendAt + (padFirst ? 1 : 0);
        } else {
            // Nowhere to grow: cutting what does not fit would lose fields or tags.
            result = Refuse(endRefusal);
        }
    } else {
        result = grow(appendAt, padFirst, true, fillerEnd);
        keptAt = appendAt + (padFirst ? 1 : 0);
    }
    if (result == WriteStatus::Written && !RetireOthers(j, t, keptAt)) result = CannotWrite();
    // The readers walk the file as it is now. Should the walk have changed in front of what
    // was written, or not reach the written chunk (a chunk whose pad byte the walk must
    // guess), nothing is changed.
    if (result == WriteStatus::Written && !WalkKept(before, WalkAsReaders(path), cut, id, keptAt))
        result = Unfound();
    return result;
}

// A data chunk of size 0 followed by other chunks: some readers (FFmpeg) take a data chunk
// of size 0 to run to the end of the file and would play what follows as noise. A data chunk
// of size 0 goes at the end instead, and the earlier ones become JUNK; they hold nothing.
WriteStatus EmptyDataLast(mmio::File* f, Journal& j, const std::string& path) {
    const ChunkList before = WalkAsReaders(path);
    std::vector<std::uint64_t> empty;
    for (const auto& [offset, ckid] : before) {
        if (ckid != kData) continue;
        unsigned char h[8];
        if (j.ReadAt(offset, h, 8) != 8) return WriteStatus::Written;
        // A data chunk that holds audio: what the readers play is not moved.
        if (Le32(h + 4) != 0) return WriteStatus::Written;
        empty.push_back(offset);
    }
    if (empty.empty() || before.empty()) return WriteStatus::Written;
    const bool lastIsEmpty = empty.back() == before.back().first;
    if (lastIsEmpty && empty.size() == 1) return WriteStatus::Written; // as it should be
    const Tail t = WalkTail(*f, kData);
    // An end behind which nothing can go: left as it is.
    if (!lastIsEmpty && (!t.clean || t.lastAt != before.back().first)) return WriteStatus::Written;
    const std::uint64_t at = f->Size();
    const bool pad = t.missingPad;
    if (!lastIsEmpty) {
        const WriteStatus st = Append(j, at, pad, kData, {}, {}, false);
        if (st != WriteStatus::Written) return st;
    }
    const std::uint64_t last = lastIsEmpty ? empty.back() : at + (pad ? 1 : 0);
    for (const std::uint64_t o : empty) {
        if (o == last) continue;
        std::string name;
        PutLe32(name, kJunk);
        if (!j.WriteAt(o, name.data(), 4)) return CannotWrite();
    }
    // Every reader finds the rest as it was, and the empty data chunk last.
    const ChunkList after = WalkAsReaders(path);
    std::size_t k = 0;
    for (const auto& [offset, ckid] : before) {
        while (k < after.size() && after[k].first < offset) ++k;
        const bool retired = ckid == kData && offset != last && std::find(empty.begin(), empty.end(), offset) != empty.end();
        if (k == after.size() || after[k].first != offset || after[k].second != (retired ? kJunk : ckid))
            return Unfound();
    }
    if (after.empty() || after.back().first != last || after.back().second != kData) return Unfound();
    return WriteStatus::Written;
}

} // namespace

const std::string& LastWriteError() { return tLastError; }
void SetLastWriteError(std::string why) { tLastError = std::move(why); }

WriteStatus WriteChunks(const std::string& path, std::span<const ChunkWrite> writes) {
    tLastError.clear();
    struct stat st {};
    if (FileLength(path) <= 0 || ::stat(path.c_str(), &st) != 0) return Refuse("The file can no longer be found.");
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Refuse("The file is read-only.");
    auto f = mmio::File::Open(path, mmio::OpenMode::ReadWrite);
    if (!f) {
        tLastError = "The file could not be opened for writing.";
        return WriteStatus::OpenFailed;
    }
    Journal j(*f);
    WriteStatus result = WriteStatus::Written;
    for (const ChunkWrite& w : writes) {
        result = WriteOne(f.get(), j, path, w);
        if (result != WriteStatus::Written) break;
    }
    if (result == WriteStatus::Written && !writes.empty()) result = EmptyDataLast(f.get(), j, path);
    // All or nothing: a save that fails leaves the file as it found it.
    if (result != WriteStatus::Written && j.Changed()) j.Undo();
    if (f->Close() != 0 && result == WriteStatus::Written) result = CannotWrite();
    if (result == WriteStatus::Written) tLastError.clear();
    return result;
}

WriteStatus WriteChunk(const std::string& path, FOURCC id, std::string_view fixed, std::string_view tail,
                       bool fillRoom) {
    const ChunkWrite w{id, fixed, tail, fillRoom};
    return WriteChunks(path, std::span<const ChunkWrite>(&w, 1));
}

} // namespace rozuzezer::wav
