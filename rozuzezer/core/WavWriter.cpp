// The one place that changes a WAV file's metadata chunks, and its policy: never touch the
// audio, prepare a change whole and check it before any of it reaches the file, leave a file
// that every reader can still open at any moment the writer might be stopped, and one that
// holds the old item or the new whatever a power cut leaves of the change.
#include "rozuzezer/core/WavRiff.h"

#include "platform/mmio/Journal.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace rozuzezer::wav {

namespace {

namespace mmio = platform::mmio;

constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;
// The most a save rewrites of one chunk, or moves of what follows the RIFF chunk: what it
// replaces is kept in memory and in the journal until the change is on the disk.
constexpr std::uint64_t kMaxRewrite = 64u << 20;

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

// Walks the chunks up to `limit`, the end of the RIFF chunk where bytes that are no chunks
// follow it, the end of the file otherwise.
Tail WalkTail(mmio::File& f, FOURCC id, std::uint64_t limit) {
    Tail t;
    const std::uint64_t size = limit;
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

// The top-level chunks as the readers walk them: header offset and id, in file order.
using ChunkList = std::vector<std::pair<std::uint64_t, FOURCC>>;

// The file as the readers will find it once the staged writes are made.
ChunkList WalkAsReaders(mmio::File& f) {
    ChunkList out;
    ChunkInfo riff;
    riff.fccType = kWAVE;
    if (f.Descend(riff, nullptr, mmio::MMIO_FINDRIFF) != 0) return out;
    std::uint64_t p = riff.dwDataOffset + 4;
    // Beyond this many chunks a file is no WAV file anyone wrote on purpose.
    for (std::size_t n = 0; n < 100000; ++n) {
        f.Seek(static_cast<std::int64_t>(p), 0);
        ChunkInfo c;
        if (f.Descend(c, &riff, 0) != 0) break;
        out.emplace_back(c.HeaderOffset(), c.ckid);
        f.Ascend(c);
        if (f.Tell() <= p) break;
        p = f.Tell();
    }
    f.Ascend(riff);
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

WriteStatus CannotWrite() { return Refuse("The file could not be read. The file has not been changed."); }

std::string Mib(std::uint64_t bytes) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f MiB", static_cast<double>(bytes) / (1 << 20));
    return b;
}

// A write after which some reader would walk the file differently: it is taken back.
WriteStatus Unfound() {
    return Refuse("The chunks could not be written so that every reader still finds them. The file has not been "
                  "changed.");
}

// Rewrites the data of an existing chunk within its room; `limit` is where the RIFF chunk ends.
WriteStatus InPlace(mmio::File& f, FOURCC id, const Found& ck, const Tail& t, std::uint64_t limit,
                    std::string_view fixed, std::string_view tail, bool fillRoom) {
    const std::uint64_t data = ck.offset + 8;
    const std::uint64_t room = std::min<std::uint64_t>(ck.size, limit - data);
    if (fillRoom && room > kMaxRewrite)
        return Refuse("The " + Named(id) + " chunk holds " + Mib(room) + ", more than the " + Mib(kMaxRewrite) +
                      " a save rewrites (it rewrites a chunk whole, so that nothing of an older, longer tag text "
                      "is read back). The file has not been changed.");
    std::string buf(fixed.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(room, fixed.size()))));
    std::uint64_t zeros = 0;
    if (fillRoom && room > fixed.size()) {
        // The whole room is rewritten, so nothing of an older, longer tail can be read back.
        const auto extra = static_cast<std::size_t>(room - fixed.size());
        buf.append(tail.substr(0, std::min(extra, tail.size())));
        zeros = extra - std::min(extra, tail.size());
    }
    const std::uint64_t zerosAt = data + buf.size();
    if (!f.WriteAt(data, std::move(buf)) || !f.WriteZerosAt(zerosAt, zeros)) return CannotWrite();
    std::uint32_t riff = 0;
    if (t.clean && ReadRiffSize(f, riff) && limit - 8 <= kMax32 && riff != limit - 8) {
        if (!WriteRiffSize(f, static_cast<std::uint32_t>(limit - 8))) return CannotWrite();
    }
    return WriteStatus::Written;
}

// An id as the chunks of real files spell them: letters, digits and "_", padded with blanks.
// Stricter than the readers' test, so that text and numbers inside a chunk seldom pass.
// Asked of every byte behind a cut-off chunk: one look-up a character.
constexpr auto kIdChars = [] {
    std::array<unsigned char, 256> t{}; // 1: may start an id, 2: may follow
    for (int c = 0; c < 256; ++c) {
        const bool word = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(word ? 3 : c == ' ' ? 2 : 0);
    }
    return t;
}();

bool LooksLikeId(FOURCC id) {
    return (kIdChars[id & 0xFF] & 1) & (kIdChars[(id >> 8) & 0xFF] >> 1) & (kIdChars[(id >> 16) & 0xFF] >> 1) &
           (kIdChars[id >> 24] >> 1);
}

// Whether whole chunks run from `p` to the very end of the file.
bool ChunksToTheEnd(mmio::File& f, std::uint64_t p) {
    const std::uint64_t size = f.Size();
    for (std::size_t n = 0; n < 100000 && p < size; ++n) {
        unsigned char h[8];
        if (p + 8 > size || f.ReadAt(p, h, 8) != 8 || !LooksLikeId(Le32(h))) return false;
        const std::uint64_t csize = Le32(h + 4);
        p += 8 + csize;
        if (p < size && (csize & 1)) ++p; // the pad; the last chunk may lack it
    }
    return p == size;
}

// Where the RIFF chunk ends when bytes that are no chunks follow it (an ID3v1 tag, padding):
// new chunks go in front of those, which stay behind them as they are. The end of the file
// otherwise, and every byte behind the RIFF header is taken as chunks.
std::uint64_t RiffEnd(mmio::File& f) {
    const std::uint64_t size = f.Size();
    unsigned char b[4];
    if (f.ReadAt(4, b, 4) != 4) return size;
    std::uint64_t end = 8 + std::uint64_t{Le32(b)};
    if (end < 12 || end >= size) return size;
    // A size that ends inside a chunk says nothing about where the chunks end.
    const Tail t = WalkTail(f, 0, end);
    if (!t.clean) return size;
    unsigned char pad = 1;
    // A RIFF size that leaves out the pad byte of its last chunk, which is there.
    if (t.missingPad && f.ReadAt(end, &pad, 1) == 1 && pad == 0 && ++end == size) return size;
    // Chunks that run to the end of the file are chunks their writer forgot to count.
    return ChunksToTheEnd(f, end) ? size : end;
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

Behind ChunksBehind(mmio::File& f, std::uint64_t headerAt) {
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
bool TakenAsCutOff(mmio::File& f, const Tail& t, bool ours) {
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

// Writes a whole new chunk at `at` (the end of the RIFF chunk, `riffEnd`, or over filler at
// its end that it replaces), preceded by the pad byte the chunk before it lacks. With nameLast
// the chunk is written as JUNK and gets its id only once complete, so a write stopped half-way
// leaves filler that every reader skips, never a cut-off chunk that a reader must parse.
// Filler longer than the chunk keeps the rest as filler: `fillerEnd` is where it ends (0:
// none). What follows the RIFF chunk moves behind its new end, as it is.
WriteStatus Append(mmio::File& f, std::uint64_t riffEnd, std::uint64_t at, bool padFirst, FOURCC id,
                   std::string_view fixed, std::string_view tail, bool nameLast, std::uint64_t fillerEnd = 0) {
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
    const std::uint64_t behind = f.Size() - riffEnd;
    const bool moves = behind > 0 && end != riffEnd;
    if (moves) {
        if (behind > kMaxRewrite)
            return Refuse("The file has " + Mib(behind) + " behind its RIFF chunk, more than the " + Mib(kMaxRewrite) +
                          " a save moves. The file has not been changed.");
        // First behind where the RIFF chunk will end: until the RIFF size says so, what
        // lies there is merely more of what follows the RIFF chunk.
        const auto n = static_cast<std::int64_t>(behind);
        std::string trailer(static_cast<std::size_t>(behind), '\0');
        if (f.ReadAt(riffEnd, trailer.data(), n) != n || !f.WriteAt(end, trailer.data(), n)) return CannotWrite();
    }
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
    // Where bytes follow the RIFF chunk, the chunk comes first (as filler, behind the RIFF
    // end, among bytes every reader already passes over), so that the RIFF size never takes
    // in those bytes.
    const auto newRiff = static_cast<std::uint32_t>(end - 8);
    if (!moves && newRiff != oldRiff && !WriteRiffSize(f, newRiff)) return CannotWrite();
    if (!f.WriteAt(at, std::move(buf))) return CannotWrite();
    if (moves && newRiff != oldRiff && !WriteRiffSize(f, newRiff)) return CannotWrite();
    if (nameLast) {
        std::string name;
        PutLe32(name, id);
        if (!f.WriteAt(idAt, name.data(), 4)) return CannotWrite();
    }
    return WriteStatus::Written;
}

// Every other chunk with the id becomes JUNK (its bytes stay), so that no reader can take a
// stale one.
bool RetireOthers(mmio::File& f, const Tail& t, std::uint64_t keptAt) {
    for (const Found& c : t.same) {
        if (c.offset == keptAt) continue;
        std::string id;
        PutLe32(id, kJunk);
        if (!f.WriteAt(c.offset, id.data(), 4)) return false;
    }
    return true;
}

// One chunk written into the open file, which stages the writes: the caller writes them
// only once every chunk of the save is written.
WriteStatus WriteOne(mmio::File& f, const ChunkWrite& w) {
    const FOURCC id = w.id;
    const std::string_view fixed = w.fixed, tail = w.tail;
    const bool fillRoom = w.fillRoom;
    // Found afresh for each chunk: an earlier write of the same save may have moved its end.
    ChunkInfo riff;
    riff.fccType = kWAVE;
    if (f.Descend(riff, nullptr, mmio::MMIO_FINDRIFF) != 0) return Refuse("The file is not a RIFF WAVE file.");
    f.Ascend(riff);
    // Sizes that 32 bits cannot hold: writing would break the file.
    if (riff.rf64 || riff.HeaderOffset() != 0 || f.Size() - 8 > kMax32)
        return Refuse("The file is an RF64 file or larger than 4 GB: its sizes cannot be rewritten as a WAV file's.");

    // Where the chunks end: behind them may follow bytes that are no chunks, which stay.
    const std::uint64_t size = RiffEnd(f);
    Tail t = WalkTail(f, id, size);
    if (t.truncated) {
        const bool ours = t.truncatedId == kCart || t.truncatedId == kBext || t.truncatedId == kJunk;
        if (!TakenAsCutOff(f, t, ours)) return Refuse(Damaged(t));
        if (ours) {
            // Cut off: it becomes a whole chunk of the bytes it still has, and so the last
            // chunk of the file, rewritten or reused like any other.
            std::string held;
            PutLe32(held, static_cast<std::uint32_t>(f.Size() - (t.truncatedAt + 8)));
            if (!f.WriteAt(t.truncatedAt + 4, held.data(), 4)) return CannotWrite();
            t = WalkTail(f, id, size);
        }
    }
    // Fewer than 8 bytes behind the last chunk: zeros are nobody's and a new chunk may go
    // over them; anything else is the start of a header, which stays where it is.
    bool zeroRemainder = false;
    if (t.shortRemainder) {
        unsigned char r[8] = {};
        const auto n = static_cast<std::int64_t>(size - t.end);
        zeroRemainder = f.ReadAt(t.end, r, n) == n && std::all_of(r, r + n, [](unsigned char c) { return c == 0; });
    }
    // Why nothing can be added at the end, when it cannot.
    std::string endRefusal;
    if (t.truncated) {
        endRefusal = "The file ends in a cut-off " + Named(t.truncatedId) + " chunk, behind which nothing can be "
                     "added. The file has not been changed.";
    } else if (t.shortRemainder && !zeroRemainder) {
        unsigned char r[8] = {};
        f.ReadAt(t.end, r, static_cast<std::int64_t>(size - t.end));
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
    const ChunkList before = WalkAsReaders(f);
    // Chunks from here on are replaced by the write; those in front of it must stay.
    std::uint64_t cut = ~0ull;
    auto grow = [&](std::uint64_t at, bool pad, bool nameLast, std::uint64_t filler) {
        if (!canAppend) return Refuse(endRefusal);
        cut = std::min(cut, at);
        return Append(f, size, at, pad, id, fixed, tail, nameLast, filler);
    };
    // A printable byte in a pad place could read as the start of the next id once other
    // bytes have changed; zero, as pads are, it cannot.
    for (const std::uint64_t o : t.oddPads) {
        const unsigned char zero = 0;
        if (!f.WriteAt(o, &zero, 1)) return CannotWrite();
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
            result = InPlace(f, id, c, t, size, fixed, tail, fillRoom);
        } else if (last) {
            // The last chunk: written whole where it stands, growing the RIFF chunk.
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
    if (result == WriteStatus::Written && !RetireOthers(f, t, keptAt)) result = CannotWrite();
    // The readers walk the file as it will be. Should the walk have changed in front of what
    // was written, or not reach the written chunk (a chunk whose pad byte the walk must
    // guess), nothing is changed.
    if (result == WriteStatus::Written && !WalkKept(before, WalkAsReaders(f), cut, id, keptAt))
        result = Unfound();
    return result;
}

// A data chunk of size 0 followed by other chunks: some readers (FFmpeg) take a data chunk
// of size 0 to run to the end of the file and would play what follows as noise. A data chunk
// of size 0 goes at the end instead, and the earlier ones become JUNK; they hold nothing.
WriteStatus EmptyDataLast(mmio::File& f) {
    const ChunkList before = WalkAsReaders(f);
    std::vector<std::uint64_t> empty;
    for (const auto& [offset, ckid] : before) {
        if (ckid != kData) continue;
        unsigned char h[8];
        if (f.ReadAt(offset, h, 8) != 8) return WriteStatus::Written;
        // A data chunk that holds audio: what the readers play is not moved.
        if (Le32(h + 4) != 0) return WriteStatus::Written;
        empty.push_back(offset);
    }
    if (empty.empty() || before.empty()) return WriteStatus::Written;
    const bool lastIsEmpty = empty.back() == before.back().first;
    if (lastIsEmpty && empty.size() == 1) return WriteStatus::Written; // as it should be
    const std::uint64_t at = RiffEnd(f);
    const Tail t = WalkTail(f, kData, at);
    // An end behind which nothing can go: left as it is.
    if (!lastIsEmpty && (!t.clean || t.lastAt != before.back().first)) return WriteStatus::Written;
    const bool pad = t.missingPad;
    if (!lastIsEmpty) {
        const WriteStatus st = Append(f, at, at, pad, kData, {}, {}, false);
        if (st != WriteStatus::Written) return st;
    }
    const std::uint64_t last = lastIsEmpty ? empty.back() : at + (pad ? 1 : 0);
    for (const std::uint64_t o : empty) {
        if (o == last) continue;
        std::string name;
        PutLe32(name, kJunk);
        if (!f.WriteAt(o, name.data(), 4)) return CannotWrite();
    }
    // Every reader finds the rest as it was, and the empty data chunk last.
    const ChunkList after = WalkAsReaders(f);
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
    if (!mmio::LockForChange(*f)) return Refuse("Another program is changing the file. The file has not been changed.");
    // What a crash or a power cut left of an earlier save is taken back before anything else.
    if (!mmio::RollBackInterrupted(*f))
        return Refuse("The journal of an earlier save, \"" + mmio::JournalPath(path) +
                      "\", can be neither taken back nor removed. The file has not been changed.");
    // All or nothing: the whole change is prepared and checked before any of it is written.
    f->Stage();
    WriteStatus result = WriteStatus::Written;
    for (const ChunkWrite& w : writes) {
        result = WriteOne(*f, w);
        if (result != WriteStatus::Written) break;
    }
    if (result == WriteStatus::Written && !writes.empty()) result = EmptyDataLast(*f);
    std::string why;
    if (result == WriteStatus::Written && !mmio::CommitStaged(*f, why))
        result = Refuse("The file could not be written (" + why + "). The file has not been changed.");
    if (f->Close() != 0 && result == WriteStatus::Written) result = Refuse("The file could not be closed.");
    if (result == WriteStatus::Written) tLastError.clear();
    return result;
}

WriteStatus WriteChunk(const std::string& path, FOURCC id, std::string_view fixed, std::string_view tail,
                       bool fillRoom) {
    const ChunkWrite w{id, fixed, tail, fillRoom};
    return WriteChunks(path, std::span<const ChunkWrite>(&w, 1));
}

} // namespace rozuzezer::wav
