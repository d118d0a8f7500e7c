#include "platform/mmio/Mmio.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::mmio {

namespace {

constexpr std::size_t kCacheSize = 4 * 1024;
constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t Le64(const unsigned char* p) {
    return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}
void PutLe32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// Test hook state (see Mmio.h).
std::function<void(const Change&)> g_observer;
std::atomic<std::int64_t> g_writes{0};
std::int64_t g_killAt = 0;
bool g_killHalf = false;

void ReadKillHook() {
    const char* v = std::getenv("BVR_MMIO_KILL_AT_WRITE");
    g_killAt = 0;
    g_killHalf = false;
    if (!v || !*v) return;
    char* end = nullptr;
    g_killAt = std::strtoll(v, &end, 10);
    g_killHalf = end && std::strcmp(end, ":half") == 0;
}

// Counts one write at `offset`; returns how many bytes may be written before the process
// dies (count when no kill is due).
std::int64_t CountWrite(std::uint64_t offset, std::int64_t count) {
    const std::int64_t n = ++g_writes;
    if (g_killAt > 0 && n == g_killAt) {
        // The kernel copies a write into the file page by page and stops only between pages,
        // so what is written of it ends at a sector of the file.
        const std::uint64_t cut = (offset + static_cast<std::uint64_t>(count / 2)) / 512 * 512;
        if (!g_killHalf || cut <= offset) raise(SIGKILL);
        return static_cast<std::int64_t>(cut - offset);
    }
    return count;
}

void Observe(Change::Kind kind, const std::string& path, std::uint64_t offset = 0, const void* bytes = nullptr,
             std::size_t count = 0) {
    if (!g_observer) return;
    Change c{kind, path, offset, {}};
    if (bytes) c.bytes.assign(static_cast<const char*>(bytes), count);
    g_observer(c);
}

// Reads up to count bytes from the disk; fewer at the end of the file, -1 on failure.
std::int64_t PReadAll(int fd, unsigned char* out, std::size_t count, std::uint64_t offset) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, out + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}

bool PWriteAll(int fd, const unsigned char* p, std::int64_t count, std::uint64_t offset) {
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, p, static_cast<std::size_t>(count), static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        count -= n;
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

} // namespace

std::int64_t WritesSoFar() { return g_writes.load(); }

void ObserveChanges(std::function<void(const Change&)> observer) { g_observer = std::move(observer); }

bool Remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return false;
    Observe(Change::Removed, path);
    return true;
}

bool FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    if (ok) Observe(Change::FolderFlushed, folder);
    return ok;
}

FOURCC StringToFOURCC(std::string_view text) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < 4 && i < text.size(); ++i) c[i] = text[i];
    return MakeFourCC(c[0], c[1], c[2], c[3]);
}

std::string FOURCCToString(FOURCC id) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>((id >> (8 * i)) & 0xFF);
    return s;
}

bool PlausibleId(FOURCC id) {
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>((id >> (8 * i)) & 0xFF);
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

std::uint64_t File::NextChunk(std::uint64_t dataOffset, std::uint64_t size) {
    const std::uint64_t end = dataOffset + size;
    if (!(size & 1)) return end;
    if (end + 1 + 8 > size_) {
        // No header fits behind a pad byte; one that fits right behind the data is the last
        // chunk of a writer that left the pad out.
        unsigned char h[4];
        if (end + 8 <= size_ && RawRead(end, h, 4) == 4 && PlausibleId(Le32(h))) return end;
        return end + 1;
    }
    unsigned char h[9];
    if (RawRead(end, h, 9) != 9) return end + 1;
    // Behind an odd chunk the next one starts behind the pad byte, or right behind the data
    // when its writer left the pad out. The id alone can mislead (behind a missing pad, the
    // id's last three characters and the size's low byte are often printable too), so each
    // place is judged by its header: a plausible id whose size fits the file, and better
    // still, one followed by another plausible header or by the end of the file.
    auto judge = [&](std::uint64_t at, const unsigned char* p) {
        if (!PlausibleId(Le32(p))) return 0;
        const std::uint64_t csize = Le32(p + 4);
        const std::uint64_t next = at + 8 + csize;
        if (next > size_) return 0;
        unsigned char n[4];
        for (const std::uint64_t q : {next, next + (csize & 1)}) {
            if (q == size_) return 2;
            if (q + 8 <= size_ && RawRead(q, n, 4) == 4 && PlausibleId(Le32(n))) return 2;
        }
        return 1;
    };
    const int padded = judge(end + 1, h + 1);
    const int unpadded = judge(end, h);
    if (padded != unpadded) return padded > unpadded ? end + 1 : end;
    // Both read well: the byte where the pad should be is printable, not the zero writers
    // put there, so it starts the next id.
    if (padded > 0) return end;
    if (!PlausibleId(Le32(h + 1)) && PlausibleId(Le32(h))) return end;
    return end + 1;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<File> File::Open(const std::string& path, OpenMode mode, int* error) {
    auto fail = [&](int e) -> std::unique_ptr<File> {
        if (error) *error = e;
        return nullptr;
    };
    ReadKillHook();
    // Non-blocking so that a FIFO or device under the name cannot hang the open; only
    // regular files are kept. A regular file under another program's lease (the audio
    // component holds one on the files it reads in place) answers EWOULDBLOCK while the
    // holder lets go: that open is made again, waiting for it.
    const bool reading = mode == OpenMode::Read || mode == OpenMode::ReadNoLink;
    const int flags = (reading ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK |
                      (mode == OpenMode::CreateNew ? O_CREAT | O_EXCL : 0) | (mode == OpenMode::ReadNoLink ? O_NOFOLLOW : 0);
    int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0 && errno == EWOULDBLOCK) fd = ::open(path.c_str(), flags & ~O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return fail(MMIOERR_CANNOTOPEN);
        if (errno == ENOENT) return fail(MMIOERR_FILENOTFOUND);
        if (errno == EACCES || errno == EPERM || errno == EROFS) return fail(MMIOERR_ACCESSDENIED);
        return fail(MMIOERR_CANNOTOPEN);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(MMIOERR_CANNOTOPEN);
    }
    std::unique_ptr<File> f(new File());
    f->fd_ = fd;
    f->mode_ = reading ? OpenMode::Read : OpenMode::ReadWrite;
    f->path_ = path;
    f->size_ = static_cast<std::uint64_t>(st.st_size);
    if (mode == OpenMode::CreateNew) Observe(Change::Created, path);
    if (error) *error = MMSYSERR_NOERROR;
    return f;
}

int File::Close() {
    if (fd_ < 0) return MMSYSERR_NOERROR;
    const int r = ::close(fd_);
    fd_ = -1;
    return r == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

bool File::Fill(std::uint64_t offset, std::size_t need) {
    // What the file holds from there, up to the cache's size: a small file costs a small read.
    const std::size_t want = std::max<std::size_t>(
        need, static_cast<std::size_t>(std::min<std::uint64_t>(kCacheSize, offset < size_ ? size_ - offset : 0)));
    if (cache_.size() < want) cache_.resize(want);
    cacheOffset_ = offset;
    cacheLength_ = 0;
    const std::int64_t got = ReadThrough(offset, cache_.data(), want);
    if (got < 0) return false;
    cacheLength_ = static_cast<std::size_t>(got);
    return true;
}

std::int64_t File::ReadThrough(std::uint64_t offset, unsigned char* out, std::size_t count) {
    const std::int64_t got = PReadAll(fd_, out, count, offset);
    if (got < 0 || staged_.empty()) return got;
    // Staged writes over the disk's bytes; what lies between the disk's end and a staged
    // write beyond it reads as zeros, as it will in the file.
    const std::uint64_t end = offset + std::min<std::uint64_t>(count, size_ > offset ? size_ - offset : 0);
    if (offset + static_cast<std::uint64_t>(got) < end)
        std::memset(out + got, 0, static_cast<std::size_t>(end - offset - static_cast<std::uint64_t>(got)));
    for (const StagedWrite& w : staged_) {
        const std::uint64_t from = std::max(offset, w.offset), to = std::min(end, w.End());
        if (from >= to) continue;
        const std::uint64_t bytesEnd = std::min(to, w.offset + w.bytes.size());
        if (from < bytesEnd)
            std::memcpy(out + (from - offset), w.bytes.data() + (from - w.offset), static_cast<std::size_t>(bytesEnd - from));
        const std::uint64_t zerosFrom = std::max(from, bytesEnd);
        if (zerosFrom < to) std::memset(out + (zerosFrom - offset), 0, static_cast<std::size_t>(to - zerosFrom));
    }
    return static_cast<std::int64_t>(end > offset ? end - offset : 0);
}

std::int64_t File::ReadUnstaged(std::uint64_t offset, void* buffer, std::int64_t count) {
    if (fd_ < 0 || count < 0) return -1;
    return PReadAll(fd_, static_cast<unsigned char*>(buffer), static_cast<std::size_t>(count), offset);
}

void File::Stage() {
    staging_ = true;
    staged_.clear();
    unstagedSize_ = size_;
}

bool File::ApplyStaged() {
    staging_ = false;
    std::vector<StagedWrite> writes;
    writes.swap(staged_);
    cacheLength_ = 0;
    // Reads from here on come from the disk, which must then hold the staged writes.
    size_ = unstagedSize_;
    for (const StagedWrite& w : writes) {
        if (!WriteAt(w.offset, w.bytes.data(), static_cast<std::int64_t>(w.bytes.size()))) return false;
        if (!WriteZerosAt(w.offset + w.bytes.size(), w.zeros)) return false;
    }
    return true;
}

bool File::Flush() {
    if (fd_ < 0) return false;
    if (::fsync(fd_) != 0) return false;
    Observe(Change::Flushed, path_);
    return true;
}

std::int64_t File::RawRead(std::uint64_t offset, void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    // Small reads (headers, fixed parts) come from the cache.
    if (count <= static_cast<std::int64_t>(kCacheSize / 2)) {
        const auto n = static_cast<std::size_t>(count);
        if (!(cacheLength_ > 0 && offset >= cacheOffset_ && offset + n <= cacheOffset_ + cacheLength_)) {
            if (!Fill(offset, n)) return -1;
        }
        if (offset < cacheOffset_ || offset >= cacheOffset_ + cacheLength_) return 0;
        const std::size_t have = std::min<std::size_t>(n, cacheOffset_ + cacheLength_ - offset);
        std::memcpy(out, cache_.data() + (offset - cacheOffset_), have);
        return static_cast<std::int64_t>(have);
    }
    return ReadThrough(offset, out, static_cast<std::size_t>(count));
}

std::int64_t File::ReadAt(std::uint64_t offset, void* buffer, std::int64_t count) {
    if (fd_ < 0 || count < 0) return -1;
    return RawRead(offset, buffer, count);
}

bool File::WriteAt(std::uint64_t offset, const void* buffer, std::int64_t count) {
    if (fd_ < 0 || mode_ != OpenMode::ReadWrite || count < 0) return false;
    if (count == 0) return true;
    cacheLength_ = 0;
    const auto* p = static_cast<const unsigned char*>(buffer);
    if (staging_) {
        staged_.push_back({offset, std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(count))});
        size_ = std::max(size_, offset + static_cast<std::uint64_t>(count));
        return true;
    }
    const std::int64_t allowed = CountWrite(offset, count);
    if (allowed < count) {
        PWriteAll(fd_, p, allowed, offset);
        raise(SIGKILL);
    }
    if (!PWriteAll(fd_, p, count, offset)) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0) size_ = static_cast<std::uint64_t>(st.st_size);
        return false;
    }
    size_ = std::max(size_, offset + static_cast<std::uint64_t>(count));
    Observe(Change::Wrote, path_, offset, p, static_cast<std::size_t>(count));
    return true;
}

bool File::WriteAt(std::uint64_t offset, std::string&& bytes) {
    if (!staging_ || fd_ < 0 || mode_ != OpenMode::ReadWrite || bytes.empty())
        return WriteAt(offset, bytes.data(), static_cast<std::int64_t>(bytes.size()));
    cacheLength_ = 0;
    size_ = std::max(size_, offset + bytes.size());
    staged_.push_back({offset, std::move(bytes)});
    return true;
}

bool File::WriteZerosAt(std::uint64_t offset, std::uint64_t count) {
    if (fd_ < 0 || mode_ != OpenMode::ReadWrite) return false;
    if (count == 0) return true;
    if (staging_) {
        cacheLength_ = 0;
        size_ = std::max(size_, offset + count);
        staged_.push_back({offset, {}, count});
        return true;
    }
    static const std::string zeros(1u << 20, '\0');
    for (std::uint64_t done = 0; done < count;) {
        const std::uint64_t n = std::min<std::uint64_t>(count - done, zeros.size());
        if (!WriteAt(offset + done, zeros.data(), static_cast<std::int64_t>(n))) return false;
        done += n;
    }
    return true;
}

bool File::Truncate(std::uint64_t length) {
    if (fd_ < 0 || mode_ != OpenMode::ReadWrite || staging_) return false;
    cacheLength_ = 0;
    CountWrite(length, 1);
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) return false;
    size_ = length;
    Observe(Change::Truncated, path_, length);
    return true;
}

std::int64_t File::Read(void* buffer, std::int64_t count) {
    if (fd_ < 0 || count < 0) return -1;
    std::uint64_t limit = size_;
    if (!stack_.empty()) limit = std::min(limit, stack_.back().trustedEnd);
    if (pos_ >= limit) return 0;
    const std::int64_t n = static_cast<std::int64_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), limit - pos_));
    const std::int64_t got = RawRead(pos_, buffer, n);
    if (got > 0) pos_ += static_cast<std::uint64_t>(got);
    return got;
}

std::int64_t File::Write(const void* buffer, std::int64_t count) {
    if (!WriteAt(pos_, buffer, count)) return -1;
    pos_ += static_cast<std::uint64_t>(count);
    return count;
}

std::int64_t File::Seek(std::int64_t offset, int origin) {
    std::int64_t base = 0;
    if (origin == 1) base = static_cast<std::int64_t>(pos_);
    else if (origin == 2) base = static_cast<std::int64_t>(size_);
    else if (origin != 0) return -1;
    const std::int64_t p = base + offset;
    if (p < 0) return -1;
    pos_ = static_cast<std::uint64_t>(p);
    return p;
}

int File::Descend(ChunkInfo& ck, const ChunkInfo* parent, unsigned flags) {
    if (fd_ < 0) return MMIOERR_CANNOTREAD;
    const std::uint64_t bound = parent ? std::min(parent->trustedEnd, size_) : size_;
    std::uint64_t p = (flags & MMIO_FINDRIFF) ? 0 : pos_;
    if (parent && p < parent->dwDataOffset) p = parent->dwDataOffset;
    const FOURCC wantId = ck.ckid;
    const FOURCC wantType = ck.fccType;
    for (;;) {
        if (p + 8 > bound) return MMIOERR_CHUNKNOTFOUND;
        unsigned char h[12];
        if (RawRead(p, h, 8) != 8) return MMIOERR_CHUNKNOTFOUND;
        const FOURCC id = Le32(h);
        const std::uint32_t size32 = Le32(h + 4);
        std::uint64_t size = size32;
        const std::uint64_t dataStart = p + 8;
        bool rf64 = false;

        if (flags & MMIO_FINDRIFF) {
            const bool isRiff = id == kRIFF || id == kRF64 || id == kBW64;
            if (isRiff && p + 12 <= bound && RawRead(p + 8, h + 8, 4) == 4 && Le32(h + 8) == wantType) {
                rf64 = id != kRIFF;
                if (rf64) {
                    // The real sizes stand in the ds64 chunk right behind the form type.
                    unsigned char ds[8 + 24];
                    if (RawRead(p + 12, ds, sizeof ds) != static_cast<std::int64_t>(sizeof ds) ||
                        Le32(ds) != kDS64 || Le32(ds + 4) < 24)
                        return MMIOERR_CHUNKNOTFOUND;
                    if (size32 == kUnknownSize) size = Le64(ds + 8);
                    ds64Data_ = Le64(ds + 16);
                    haveDs64_ = true;
                } else if (size32 == kUnknownSize || size32 == 0) {
                    size = bound - dataStart; // a streaming writer never filled it in
                }
                ck.ckid = id;
                ck.cksize = size;
                ck.fccType = wantType;
                ck.dwDataOffset = dataStart;
                ck.trustedEnd = dataStart + std::min(size, bound - dataStart);
                ck.dirty = false;
                ck.rf64 = rf64;
                if (ck.trustedEnd < dataStart + 4) return MMIOERR_CHUNKNOTFOUND;
                pos_ = dataStart + 4;
                stack_.push_back({ck.dwDataOffset, ck.trustedEnd});
                return MMSYSERR_NOERROR;
            }
        } else {
            if (id == MakeFourCC('d', 'a', 't', 'a') && size32 == kUnknownSize) {
                size = (haveDs64_ && ds64Data_ > 0) ? ds64Data_ : bound - dataStart;
            }
            if (!(flags & MMIO_FINDCHUNK) || id == wantId) {
                ck.ckid = id;
                ck.cksize = size;
                ck.fccType = 0;
                ck.dwDataOffset = dataStart;
                ck.trustedEnd = dataStart + std::min(size, bound - dataStart);
                ck.dirty = false;
                ck.rf64 = false;
                if (id == kRIFF || id == MakeFourCC('L', 'I', 'S', 'T')) {
                    if (ck.trustedEnd >= dataStart + 4 && RawRead(dataStart, h + 8, 4) == 4) ck.fccType = Le32(h + 8);
                }
                pos_ = dataStart;
                stack_.push_back({ck.dwDataOffset, ck.trustedEnd});
                return MMSYSERR_NOERROR;
            }
        }
        // Next chunk: behind this one and its pad byte; none behind one that runs to the end.
        if (size >= bound - dataStart) return MMIOERR_CHUNKNOTFOUND;
        const std::uint64_t next = NextChunk(dataStart, size);
        if (next <= p) return MMIOERR_CHUNKNOTFOUND;
        p = next;
    }
}

int File::Ascend(ChunkInfo& ck) {
    if (fd_ < 0) return MMIOERR_CANNOTSEEK;
    while (!stack_.empty() && stack_.back().dataOffset >= ck.dwDataOffset) {
        const bool match = stack_.back().dataOffset == ck.dwDataOffset;
        stack_.pop_back();
        if (match) break;
    }
    if (ck.dirty) {
        // A created chunk is as long as what was written into it.
        const std::uint64_t end = std::max(pos_, ck.dwDataOffset);
        const std::uint64_t size = end - ck.dwDataOffset;
        if (size > 0xFFFFFFFFull) return MMIOERR_CANNOTWRITE;
        if (size & 1) {
            const unsigned char zero = 0;
            if (!WriteAt(end, &zero, 1)) return MMIOERR_CANNOTWRITE;
        }
        unsigned char s[4];
        PutLe32(s, static_cast<std::uint32_t>(size));
        if (!WriteAt(ck.dwDataOffset - 4, s, 4)) return MMIOERR_CANNOTWRITE;
        ck.cksize = size;
        ck.trustedEnd = end;
        ck.dirty = false;
        pos_ = end + (size & 1);
        return MMSYSERR_NOERROR;
    }
    pos_ = ck.cksize > ck.trustedEnd - ck.dwDataOffset ? ck.trustedEnd : NextChunk(ck.dwDataOffset, ck.cksize);
    return MMSYSERR_NOERROR;
}

int File::CreateChunk(ChunkInfo& ck, bool riff) {
    if (fd_ < 0 || mode_ != OpenMode::ReadWrite) return MMIOERR_CANNOTWRITE;
    unsigned char h[12];
    PutLe32(h, riff ? kRIFF : ck.ckid);
    PutLe32(h + 4, riff ? 4u : 0u);
    PutLe32(h + 8, ck.fccType);
    const std::int64_t n = riff ? 12 : 8;
    if (!WriteAt(pos_, h, n)) return MMIOERR_CANNOTWRITE;
    if (riff) ck.ckid = kRIFF;
    ck.cksize = riff ? 4 : 0;
    ck.dwDataOffset = pos_ + 8;
    ck.trustedEnd = ck.dwDataOffset + ck.cksize;
    ck.dirty = true;
    pos_ += static_cast<std::uint64_t>(n);
    stack_.push_back({ck.dwDataOffset, ~0ull});
    return MMSYSERR_NOERROR;
}

} // namespace platform::mmio
