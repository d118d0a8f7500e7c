#include "platform/mmio/Journal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::mmio {

namespace {

constexpr std::string_view kMagic = "BVRJRNL1";
// More than any change of ours replaces: such a file is none of our journals.
constexpr std::uint64_t kMaxJournal = 512u << 20;
constexpr std::string_view kSuffix = ".bvr-journal";

void Put64(std::string& s, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
std::uint64_t Get64(std::string_view s, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

} // namespace

namespace {

// Enough to tell a journal the disk kept whole from one it kept in part; taken in pieces,
// as the journal is written. Words in the machine's order: a journal is read where it was
// written.
class Checksum {
public:
    void Add(std::string_view s) {
        size_ += s.size();
        while (!s.empty() && carried_ > 0 && carried_ < 8) {
            carry_[carried_++] = s.front();
            s.remove_prefix(1);
            if (carried_ == 8) {
                Word(carry_);
                carried_ = 0;
            }
        }
        for (; s.size() >= 8; s.remove_prefix(8)) Word(s.data());
        for (const char c : s) carry_[carried_++] = c;
    }
    std::uint64_t Value() const {
        std::uint64_t h = h_;
        for (std::size_t i = 0; i < carried_; ++i) {
            h = (h ^ static_cast<unsigned char>(carry_[i])) * 0xC4CEB9FE1A85EC53ull;
            h ^= h >> 29;
        }
        return (h ^ size_) * 0xFF51AFD7ED558CCDull;
    }

private:
    void Word(const char* p) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h_ = (h_ ^ w) * 0xFF51AFD7ED558CCDull;
        h_ ^= h_ >> 32;
    }
    std::uint64_t h_ = 0x9E3779B97F4A7C15ull, size_ = 0;
    char carry_[8] = {};
    std::size_t carried_ = 0;
};

} // namespace

std::uint64_t JournalChecksum(std::string_view body) {
    Checksum c;
    c.Add(body);
    return c.Value();
}

namespace {

// The pieces a disk writes whole: a power cut or a killed write leaves each of them as it
// was or as one write of the change made it.
constexpr std::uint64_t kSector = 512;

// Where a change may leave a piece of the file in between: every sector's start and the ends
// of every write of it. Within one piece each write either writes all of it or none.
class Cuts {
public:
    explicit Cuts(std::vector<std::uint64_t> bounds) : bounds_(std::move(bounds)) {
        std::sort(bounds_.begin(), bounds_.end());
        bounds_.erase(std::unique(bounds_.begin(), bounds_.end()), bounds_.end());
    }
    // The end of the piece that starts at `p`, not beyond `end`.
    std::uint64_t Next(std::uint64_t p, std::uint64_t end) const {
        std::uint64_t n = (p / kSector + 1) * kSector;
        const auto it = std::upper_bound(bounds_.begin(), bounds_.end(), p);
        if (it != bounds_.end()) n = std::min(n, *it);
        return std::min(n, end);
    }

private:
    std::vector<std::uint64_t> bounds_;
};

struct Piece {
    std::uint64_t from, to, sum;
    bool operator<(const Piece& o) const { return from != o.from ? from < o.from : to != o.to ? to < o.to : sum < o.sum; }
};

// A journal says what the change replaced (the old bytes of each range, the file's length
// before) and what it writes (the length after, a checksum of each piece of each write), so
// that it is taken back only where the file holds what the change could have left.
struct Parsed {
    std::uint64_t oldLength = 0, newLength = 0;
    std::vector<std::pair<std::uint64_t, std::string_view>> entries;
    std::vector<Piece> written; // sorted
    std::vector<std::uint64_t> bounds;
};

std::optional<Parsed> Parse(std::string_view s) {
    constexpr std::size_t kHead = 8 + 3 * 8;
    if (s.size() < kHead + 16 || s.substr(0, 8) != kMagic) return std::nullopt;
    const std::string_view body = s.substr(0, s.size() - 8);
    if (JournalChecksum(body) != Get64(s, body.size())) return std::nullopt;
    Parsed p;
    p.oldLength = Get64(s, 8);
    p.newLength = Get64(s, 16);
    if (p.oldLength > p.newLength) return std::nullopt;
    const std::uint64_t count = Get64(s, 24);
    std::size_t at = kHead;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (body.size() - at < 16) return std::nullopt;
        const std::uint64_t offset = Get64(s, at), n = Get64(s, at + 8);
        at += 16;
        // What it puts back lies within the file as it was.
        if (n > body.size() - at || offset > p.oldLength || n > p.oldLength - offset) return std::nullopt;
        p.entries.emplace_back(offset, body.substr(at, static_cast<std::size_t>(n)));
        at += static_cast<std::size_t>(n);
    }
    if (body.size() - at < 8) return std::nullopt;
    const std::uint64_t writes = Get64(s, at);
    at += 8;
    if (writes > (body.size() - at) / 16) return std::nullopt;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;
    p.bounds.push_back(p.oldLength);
    for (std::uint64_t i = 0; i < writes; ++i, at += 16) {
        const std::uint64_t offset = Get64(s, at), n = Get64(s, at + 8);
        if (offset > p.newLength || n > p.newLength - offset) return std::nullopt;
        extents.emplace_back(offset, offset + n);
        p.bounds.push_back(offset);
        p.bounds.push_back(offset + n);
    }
    const Cuts cuts(p.bounds);
    for (const auto& [from, to] : extents) {
        for (std::uint64_t q = from; q < to;) {
            if (body.size() - at < 8) return std::nullopt;
            const std::uint64_t next = cuts.Next(q, to);
            p.written.push_back({q, next, Get64(s, at)});
            at += 8;
            q = next;
        }
    }
    if (at != body.size()) return std::nullopt;
    std::sort(p.written.begin(), p.written.end());
    return p;
}

std::uint64_t PieceSum(const char* bytes, std::size_t n) {
    Checksum c;
    c.Add(std::string_view(bytes, n));
    return c.Value();
}

// Calls `each(from, to, bytes)` for every piece of [from, to) of the file as the disk holds
// it, reading a megabyte at a time; false when the file cannot be read or `each` says no.
template <typename Each>
bool ForEachPiece(File& f, const Cuts& cuts, std::uint64_t from, std::uint64_t to, Each each) {
    std::string buf;
    for (std::uint64_t p = from; p < to;) {
        // A megabyte and more, so that it holds whole pieces (none longer than a sector).
        const std::uint64_t end = std::min(to, p + (1u << 20) + kSector);
        buf.resize(static_cast<std::size_t>(end - p));
        if (f.ReadUnstaged(p, buf.data(), static_cast<std::int64_t>(buf.size())) != static_cast<std::int64_t>(buf.size()))
            return false;
        const std::uint64_t base = p;
        for (std::uint64_t q = cuts.Next(p, to); q <= end; q = cuts.Next(p, to)) {
            if (!each(p, q, buf.data() + (p - base))) return false;
            p = q;
            if (p == to) break;
        }
    }
    return true;
}

// Whether the file holds what the change could have left: a length between the one before
// and the one after; in what it replaced, each piece old or as one of its writes made it;
// behind the old end, each piece as one of its writes made it or zeros (a write the disk did
// not keep, in front of one it kept).
bool Fits(File& f, std::uint64_t length, const Parsed& p) {
    if (length < p.oldLength || length > p.newLength) return false;
    const Cuts cuts(p.bounds);
    auto written = [&](std::uint64_t from, std::uint64_t to, const char* bytes) {
        const Piece key{from, to, PieceSum(bytes, static_cast<std::size_t>(to - from))};
        return std::binary_search(p.written.begin(), p.written.end(), key);
    };
    for (const auto& entry : p.entries) {
        const std::uint64_t offset = entry.first;
        const std::string_view old = entry.second;
        const bool ok = ForEachPiece(f, cuts, offset, offset + old.size(), [&](std::uint64_t from, std::uint64_t to, const char* bytes) {
            const std::size_t n = static_cast<std::size_t>(to - from);
            return std::memcmp(bytes, old.data() + (from - offset), n) == 0 || written(from, to, bytes);
        });
        if (!ok) return false;
    }
    return ForEachPiece(f, cuts, p.oldLength, length, [&](std::uint64_t from, std::uint64_t to, const char* bytes) {
        const std::size_t n = static_cast<std::size_t>(to - from);
        return std::all_of(bytes, bytes + n, [](char c) { return c == 0; }) || written(from, to, bytes);
    });
}

std::string FolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// The ranges of the file that the staged writes replace, sorted, none overlapping another.
std::vector<std::pair<std::uint64_t, std::uint64_t>> Replaced(const File& f) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges, out;
    const std::uint64_t old = f.UnstagedSize();
    for (const File::StagedWrite& w : f.Staged()) {
        const std::uint64_t to = std::min(old, w.End());
        if (w.offset < to) ranges.emplace_back(w.offset, to);
    }
    std::sort(ranges.begin(), ranges.end());
    for (const auto& [from, to] : ranges) {
        if (!out.empty() && from <= out.back().second) out.back().second = std::max(out.back().second, to);
        else out.emplace_back(from, to);
    }
    return out;
}

// The checksum of what a staged write puts into [from, to), a piece of it.
std::uint64_t WrittenSum(const File::StagedWrite& w, std::uint64_t from, std::uint64_t to) {
    static const char zeros[kSector] = {};
    static const std::uint64_t zeroSector = PieceSum(zeros, kSector);
    const std::uint64_t bytesEnd = w.offset + w.bytes.size();
    if (from >= bytesEnd && to - from == kSector) return zeroSector;
    Checksum c;
    if (from < bytesEnd)
        c.Add(std::string_view(w.bytes).substr(static_cast<std::size_t>(from - w.offset),
                                               static_cast<std::size_t>(std::min(to, bytesEnd) - from)));
    if (to > bytesEnd) c.Add(std::string_view(zeros, static_cast<std::size_t>(to - std::max(from, bytesEnd))));
    return c.Value();
}

// Writes the journal of the staged change to `j`: the file's length before and after the
// change, the bytes the change replaces, in pieces read from the file, and the checksums of
// what each write puts into each piece; a checksum of all that last. Without `j`, keeps the
// replaced bytes in `kept` instead. False, with errno, when the file cannot be read or the
// journal written.
bool WriteJournal(File& f, File* j, std::vector<std::pair<std::uint64_t, std::string>>& kept) {
    const auto ranges = Replaced(f);
    Checksum sum;
    std::uint64_t at = 0;
    // Written a megabyte at a time: a small journal in one write.
    std::string pending;
    auto out = [&] {
        const bool ok = j->WriteAt(at, pending.data(), static_cast<std::int64_t>(pending.size()));
        at += pending.size();
        pending.clear();
        return ok;
    };
    auto put = [&](std::string_view bytes) {
        sum.Add(bytes);
        pending += bytes;
        return pending.size() < (1u << 20) || out();
    };
    std::string s(kMagic);
    Put64(s, f.UnstagedSize());
    Put64(s, f.Size());
    Put64(s, ranges.size());
    if (j && !put(s)) return false;
    for (const auto& [from, to] : ranges) {
        s.clear();
        Put64(s, from);
        Put64(s, to - from);
        if (j && !put(s)) return false;
        if (!j) kept.emplace_back(from, std::string());
        for (std::uint64_t p = from; p < to;) {
            const auto n = static_cast<std::int64_t>(std::min<std::uint64_t>(to - p, 1u << 20));
            s.resize(static_cast<std::size_t>(n));
            if (f.ReadUnstaged(p, s.data(), n) != n) {
                if (errno == 0) errno = EIO;
                return false;
            }
            if (!j) kept.back().second += s;
            else if (!put(s)) return false;
            p += static_cast<std::uint64_t>(n);
        }
    }
    if (!j) return true;
    s.clear();
    Put64(s, f.Staged().size());
    std::vector<std::uint64_t> bounds{f.UnstagedSize()};
    for (const File::StagedWrite& w : f.Staged()) {
        Put64(s, w.offset);
        Put64(s, w.End() - w.offset);
        bounds.push_back(w.offset);
        bounds.push_back(w.End());
    }
    if (!put(s)) return false;
    const Cuts cuts(std::move(bounds));
    for (const File::StagedWrite& w : f.Staged()) {
        s.clear();
        for (std::uint64_t p = w.offset; p < w.End();) {
            const std::uint64_t q = cuts.Next(p, w.End());
            Put64(s, WrittenSum(w, p, q));
            p = q;
            if (s.size() >= (1u << 16)) {
                if (!put(s)) return false;
                s.clear();
            }
        }
        if (!put(s)) return false;
    }
    Put64(pending, sum.Value());
    return out();
}

// The whole of a journal, when it is of a size any of ours can have.
bool ReadJournal(File& j, std::string& image) {
    image.clear();
    if (j.Size() > kMaxJournal) return true;
    image.resize(static_cast<std::size_t>(j.Size()));
    return j.ReadAt(0, image.data(), static_cast<std::int64_t>(image.size())) == static_cast<std::int64_t>(image.size());
}

// Puts back what the journal holds; true once the file is as it was before the change.
bool PutBack(File& f, const std::vector<std::pair<std::uint64_t, std::string_view>>& entries, std::uint64_t length) {
    for (const auto& [offset, bytes] : entries)
        if (!f.WriteAt(offset, bytes.data(), static_cast<std::int64_t>(bytes.size()))) return false;
    return (f.Size() == length || f.Truncate(length)) && f.Flush();
}

bool RemoveJournal(const std::string& journal) {
    return Remove(journal) && FlushFolder(FolderOf(journal));
}

// Whether a journal may be believed for the file: one we could have written for it (a regular
// file of one link, owned by the user who runs the program or by the file's owner) and that
// nobody else may have written since.
bool Trustworthy(const struct stat& js, const struct stat& file) {
    return S_ISREG(js.st_mode) && js.st_nlink == 1 && (js.st_uid == ::geteuid() || js.st_uid == file.st_uid) &&
           (js.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string Reason(int e) { return e == 0 ? "an unknown failure" : std::strerror(e); }

} // namespace

std::string JournalPath(const std::string& path) {
    // Beside the file a link leads to; a folder on the way is the same folder either way.
    struct stat st {};
    char* real = ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) ? ::realpath(path.c_str(), nullptr) : nullptr;
    const std::string p = real ? std::string(real) : path;
    std::free(real);
    const std::size_t slash = p.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    std::string base = p.substr(slash == std::string::npos ? 0 : slash + 1);
    std::string name = "." + base + std::string(kSuffix);
    if (name.size() > NAME_MAX) {
        // A long name keeps its start and a hash of the whole, so that two long names that
        // begin alike keep journals of their own.
        std::uint64_t h = 1469598103934665603ull;
        for (const char c : base) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        char tag[20];
        std::snprintf(tag, sizeof tag, "-%016llx", static_cast<unsigned long long>(h));
        base.resize(NAME_MAX - 1 - kSuffix.size() - std::strlen(tag));
        name = "." + base + tag + std::string(kSuffix);
    }
    return folder + name;
}

bool LockForChange(File& f) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + seconds(5);
    for (;;) {
        if (::flock(f.Descriptor(), LOCK_EX | LOCK_NB) == 0) return true;
        // A file system without locks: nothing to wait for.
        if (errno != EWOULDBLOCK && errno != EINTR) return true;
        if (steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
}

bool RollBackInterrupted(File& f) {
    const std::string journal = JournalPath(f.Path());
    struct stat fs {}, js {};
    if (::lstat(journal.c_str(), &js) != 0 || ::fstat(f.Descriptor(), &fs) != 0) return true;
    // Anything at that name we could not have written, or that someone else may have
    // changed, is left alone: it neither changes the file nor stands in a save's way.
    auto j = File::Open(journal, OpenMode::ReadNoLink);
    if (!j || ::fstat(j->Descriptor(), &js) != 0 || !Trustworthy(js, fs)) return true;
    std::string image;
    if (!ReadJournal(*j, image)) return false;
    const std::optional<Parsed> p = Parse(image);
    // A journal that was never completed (its change never began) goes, and so does one the
    // file no longer fits: the file was changed since, by someone else.
    if (p && Fits(f, static_cast<std::uint64_t>(fs.st_size), *p) && !PutBack(f, p->entries, p->oldLength)) return false;
    j->Close();
    // Removed only while the name still leads to what was read.
    struct stat now {};
    if (::lstat(journal.c_str(), &now) != 0 || now.st_dev != js.st_dev || now.st_ino != js.st_ino) return true;
    return RemoveJournal(journal);
}

void RollBackInterrupted(const std::string& path) {
    struct stat js {};
    if (::lstat(JournalPath(path).c_str(), &js) != 0) return; // the common case: nothing to do
    auto f = File::Open(path, OpenMode::ReadWrite);
    if (!f || !LockForChange(*f)) return;
    RollBackInterrupted(*f);
}

bool CommitStaged(File& f, std::string& why) {
    if (f.Staged().empty()) return f.ApplyStaged();
    const std::uint64_t length = f.UnstagedSize();
    const std::string journal = JournalPath(f.Path());
    const std::string folder = FolderOf(journal);
    std::unique_ptr<File> j = File::Open(journal, OpenMode::CreateNew);
    // Without a journal (a folder the user may not write, or something not ours standing at
    // its name) what the change replaces is kept here, and the change is flushed all the same.
    if (!j && errno != EACCES && errno != EPERM && errno != EROFS && errno != EEXIST) {
        why = Reason(errno);
        return false;
    }
    std::vector<std::pair<std::uint64_t, std::string>> kept;
    if (!WriteJournal(f, j.get(), kept) || (j && (!j->Flush() || !FlushFolder(folder)))) {
        why = Reason(errno);
        if (j) {
            j->Close();
            RemoveJournal(journal);
        }
        return false;
    }
    if (!f.ApplyStaged() || !f.Flush()) {
        why = Reason(errno);
        // What cannot be put back now, the next open puts back from the journal.
        std::string image;
        std::optional<Parsed> old;
        if (j && ReadJournal(*j, image)) old = Parse(image);
        if (!j) {
            old.emplace();
            for (const auto& [offset, bytes] : kept) old->entries.emplace_back(offset, bytes);
        }
        if (old && PutBack(f, old->entries, length) && j) {
            j->Close();
            RemoveJournal(journal);
        }
        return false;
    }
    if (j && !RemoveJournal(journal)) {
        // A journal left behind would take the change back at the next open: emptied, it
        // is one that was never completed.
        if (!j->Truncate(0) || !j->Flush()) {
            why = Reason(errno);
            return false;
        }
    }
    return true;
}

} // namespace platform::mmio
