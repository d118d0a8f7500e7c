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
// A file written this long after its journal was last written has been changed since by
// someone else: the journal no longer describes it.
constexpr std::int64_t kStaleSeconds = 60;

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

struct Parsed {
    std::uint64_t device = 0, inode = 0, length = 0;
    std::vector<std::pair<std::uint64_t, std::string_view>> entries;
};

std::optional<Parsed> Parse(std::string_view s) {
    constexpr std::size_t kHead = 8 + 4 * 8;
    if (s.size() < kHead + 8 || s.substr(0, 8) != kMagic) return std::nullopt;
    const std::string_view body = s.substr(0, s.size() - 8);
    if (JournalChecksum(body) != Get64(s, body.size())) return std::nullopt;
    Parsed p;
    p.device = Get64(s, 8);
    p.inode = Get64(s, 16);
    p.length = Get64(s, 24);
    const std::uint64_t count = Get64(s, 32);
    std::size_t at = kHead;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (body.size() - at < 16) return std::nullopt;
        const std::uint64_t offset = Get64(s, at), n = Get64(s, at + 8);
        at += 16;
        if (n > body.size() - at) return std::nullopt;
        p.entries.emplace_back(offset, body.substr(at, static_cast<std::size_t>(n)));
        at += static_cast<std::size_t>(n);
    }
    if (at != body.size()) return std::nullopt;
    // What it puts back lies within the file as it was.
    for (const auto& [offset, bytes] : p.entries)
        if (offset > p.length || bytes.size() > p.length - offset) return std::nullopt;
    return p;
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

// Writes the journal of the staged change to `j`: which file (device and inode), its length
// before the change, and the bytes the change replaces, in pieces read from the file; a
// checksum of all that last. Without `j`, keeps those bytes in `kept` instead. False, with
// errno, when the file cannot be read or the journal written.
bool WriteJournal(File& f, const struct stat& st, File* j, std::vector<std::pair<std::uint64_t, std::string>>& kept) {
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
    Put64(s, static_cast<std::uint64_t>(st.st_dev));
    Put64(s, static_cast<std::uint64_t>(st.st_ino));
    Put64(s, f.UnstagedSize());
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
            if (f.ReadUnstaged(p, s.data(), n) != n) return false;
            if (!j) kept.back().second += s;
            else if (!put(s)) return false;
            p += static_cast<std::uint64_t>(n);
        }
    }
    if (!j) return true;
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

std::string Reason(int e) { return e == 0 ? "an unknown failure" : std::strerror(e); }

} // namespace

std::string JournalPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    const std::filesystem::path p(real ? std::string(real) : path);
    std::free(real);
    std::string base = p.filename().string();
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
    return (p.parent_path() / name).string();
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

void RollBackInterrupted(File& f) {
    const std::string journal = JournalPath(f.Path());
    struct stat js {};
    if (::lstat(journal.c_str(), &js) != 0 || !S_ISREG(js.st_mode)) return;
    std::string image;
    if (auto j = File::Open(journal, OpenMode::ReadWrite)) {
        if (!ReadJournal(*j, image)) return;
        const std::optional<Parsed> p = Parse(image);
        struct stat fs {};
        // A change only ever adds to a file, so what it interrupted is never shorter than
        // the file was.
        if (p && ::fstat(f.Descriptor(), &fs) == 0 && p->device == static_cast<std::uint64_t>(fs.st_dev) &&
            p->inode == static_cast<std::uint64_t>(fs.st_ino) && p->length <= static_cast<std::uint64_t>(fs.st_size) &&
            fs.st_mtim.tv_sec <= js.st_mtim.tv_sec + kStaleSeconds) {
            // The journal's time moves on first, so that a rollback that is itself cut
            // short still finds its journal current.
            if (::futimens(j->Descriptor(), nullptr) != 0 || !j->Flush()) return;
            if (!PutBack(f, p->entries, p->length)) return;
        }
        // Otherwise it was never completed, and so its change never began, or the file it
        // describes is gone or changed since.
    } else {
        return;
    }
    RemoveJournal(journal);
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
    if (!j && errno != EACCES && errno != EPERM && errno != EROFS) {
        why = errno == EEXIST ? "the journal of an earlier save stands beside it and cannot be taken back"
                              : Reason(errno);
        return false;
    }
    // Without a journal (a folder the user may not write) what the change replaces is kept
    // here, and the change is flushed all the same.
    struct stat st {};
    std::vector<std::pair<std::uint64_t, std::string>> kept;
    if (::fstat(f.Descriptor(), &st) != 0 || !WriteJournal(f, st, j.get(), kept) ||
        (j && (!j->Flush() || !FlushFolder(folder)))) {
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
