#include "platform/audio/WavFile.h"

#include "platform/base/Error.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::audio {

namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool ReadAt(int fd, std::int64_t off, void* p, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd, static_cast<char*>(p) + done, n - done, static_cast<off_t>(off) + static_cast<off_t>(done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
    }
    return true;
}

[[noreturn]] void Corrupt(const std::string& why) { Raise(err::InvalidPropertyValue, "The WAV file is damaged: " + why); }

} // namespace

void PutU16(std::vector<std::uint8_t>& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<std::uint8_t> PcmFormatRecord(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                          std::uint16_t bits) {
    std::vector<std::uint8_t> f;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    PutU16(f, tag);
    PutU16(f, channels);
    PutU32(f, rate);
    PutU32(f, rate * align);
    PutU16(f, align);
    PutU16(f, bits);
    return f;
}

std::optional<WavInfo> ReadWavInfo(int fd, std::int64_t fileSize) {
    std::uint8_t head[12];
    if (fileSize < 12 || !ReadAt(fd, 0, head, 12)) return std::nullopt;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return std::nullopt;
    WavInfo info;
    // The RIFF size is often wrong (streams, crashed writers): walk to the end of the file.
    std::int64_t pos = 12;
    bool haveFmt = false;
    while (pos + 8 <= fileSize) {
        std::uint8_t h[8];
        if (!ReadAt(fd, pos, h, 8)) break;
        RiffChunk c;
        c.id.assign(reinterpret_cast<const char*>(h), 4);
        c.offset = pos;
        c.size = U32(h + 4);
        info.chunks.push_back(c);
        const std::int64_t payload = pos + 8;
        const std::int64_t present = std::min<std::int64_t>(c.size, fileSize - payload);
        if (c.id == "fmt " && !haveFmt) {
            if (present < 14) Corrupt("its format chunk is too short");
            info.fmt.resize(static_cast<std::size_t>(std::min<std::int64_t>(present, 4096)));
            if (!ReadAt(fd, payload, info.fmt.data(), info.fmt.size())) Corrupt("its format chunk cannot be read");
            const std::uint8_t* f = info.fmt.data();
            info.tag = U16(f);
            info.channels = U16(f + 2);
            info.rate = U32(f + 4);
            info.avgBytes = U32(f + 8);
            info.blockAlign = U16(f + 12);
            info.bits = info.fmt.size() >= 16 ? U16(f + 14) : 0;
            if (info.tag == kTagExtensible && info.fmt.size() >= 26) info.tag = U16(f + 24);
            haveFmt = true;
        } else if (c.id == "fact" && !info.factSamples && present >= 4) {
            std::uint8_t v[4];
            if (ReadAt(fd, payload, v, 4)) info.factSamples = U32(v);
        } else if (c.id == "data" && !info.hasData) {
            info.hasData = true;
            info.dataOffset = payload;
            info.dataSize = std::max<std::int64_t>(0, present);
        }
        if (info.chunks.size() > 100000) break;
        pos = payload + static_cast<std::int64_t>(c.size) + (c.size & 1);
    }
    if (!haveFmt) Corrupt("it has no format chunk");
    if (!info.hasData) Corrupt("it has no audio data chunk");
    if (info.channels == 0 || info.rate == 0) Corrupt("its format gives no channels or no sample rate");
    return info;
}

// ---- AtomicFile

namespace {

std::atomic<bool> gNamedOnly{false};

// Test hook: BVR_AUDIO_KILL_AT_STEP=N makes the process kill itself (SIGKILL) before the Nth
// step of a file's save (a write, the flush, the naming, the rename). Read when a save
// starts; never set outside tests.
std::atomic<std::int64_t> gSteps{0};
std::int64_t gKillAt = 0;

void ReadKillHook() {
    const char* v = std::getenv("BVR_AUDIO_KILL_AT_STEP");
    gKillAt = v && *v ? std::strtoll(v, nullptr, 10) : 0;
    gSteps = 0;
}
void Step() {
    if (gKillAt > 0 && ++gSteps == gKillAt) ::raise(SIGKILL);
}

std::string FolderOf(const std::string& target) {
    const std::filesystem::path t(target);
    return t.has_parent_path() ? t.parent_path().string() : std::string(".");
}

// Names of the temporaries: "." + the target's name + ".saving-" + who wrote it, the
// target's name cut so that the whole stays a legal name.
constexpr std::size_t kNameMax = 255;
constexpr std::string_view kSaving = ".saving-";

std::string StalePrefix(const std::string& target) {
    std::string base = std::filesystem::path(target).filename().string();
    const std::size_t room = kNameMax - 1 - kSaving.size() - 64; // room for the writer's part and an extension
    if (base.size() > room) base.resize(room);
    return "." + base + std::string(kSaving);
}

std::uint32_t HostHash() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    std::uint32_t h = 2166136261u;
    for (const char* c = host; *c; ++c) h = (h ^ static_cast<unsigned char>(*c)) * 16777619u;
    return h;
}

// When a process started, in clock ticks after boot; 0 when there is no such process or
// it cannot be told.
std::uint64_t StartTime(long pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char buf[1024];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return 0;
    buf[n] = '\0';
    // The fields behind the command name, which may hold blanks and parentheses itself.
    const char* p = std::strrchr(buf, ')');
    if (!p) return 0;
    for (int field = 2; field < 22 && p; ++field) p = std::strchr(p + 1, ' ');
    return p ? std::strtoull(p + 1, nullptr, 10) : 0;
}

// A name for a temporary of the target: this process as the names say it (pid, start
// time, computer) and a number no other temporary of this process has.
std::string TemporaryName(const std::string& dir, const std::string& target) {
    static std::atomic<unsigned> serial{0};
    char w[80];
    std::snprintf(w, sizeof w, "p%ld-t%llu-h%08x-%06x", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(StartTime(static_cast<long>(::getpid()))), HostHash(),
                  serial++ & 0xFFFFFFu);
    return (std::filesystem::path(dir) / (StalePrefix(target) + w)).string();
}

// A temporary of this computer whose process is gone.
bool Stale(std::string_view writer) {
    long pid = 0;
    unsigned long long start = 0;
    unsigned host = 0;
    int used = 0;
    const std::string w(writer);
    if (std::sscanf(w.c_str(), "p%ld-t%llu-h%8x-%n", &pid, &start, &host, &used) != 3 || used <= 0) return false;
    // Another computer's process, seen through a shared folder, cannot be asked.
    if (host != HostHash() || pid <= 0) return false;
    const std::uint64_t now = StartTime(pid);
    if (now != 0) return start != 0 && now != start; // a new process under an old number
    // No such process, or no /proc to say so.
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

mode_t Umask() {
    // From the kernel, without changing it (umask(2) would, for every thread).
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned m = 0;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "Umask: %o", &m) == 1) {
                std::fclose(f);
                return static_cast<mode_t>(m);
            }
        std::fclose(f);
    }
    const mode_t m = ::umask(022);
    ::umask(m);
    return m;
}

[[noreturn]] void CannotReplace(const std::string& target, const std::string& why) {
    Raise(err::PermissionDenied, "The file " + target + " " + why + ". Nothing has been saved.");
}

} // namespace

void AtomicFile::UseNamedFilesOnly(bool on) { gNamedOnly = on; }

void AtomicFile::RequireReplaceable(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT) return; // a new file
        CannotReplace(target, std::string("cannot be reached (") + std::strerror(errno) + ")");
    }
    if (!S_ISREG(st.st_mode)) CannotReplace(target, "is not a file");
    // The read-only attribute holds for everyone, the administrator too.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) CannotReplace(target, "is read-only");
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        CannotReplace(target, errno == EROFS ? "is on a disk that cannot be written" : "may not be written by you");
}

namespace {

// What earlier versions left when killed: ".NAME.saving-" and six random characters (the
// component's saves), or ".STEM.saving-<pid>-<n>.EXT" (the window's Save As). Their names do
// not say whether their writer still runs; an hour without a write says it does not.
bool EarlierLeftover(std::string_view name, const std::string& target) {
    const std::filesystem::path t(target);
    const std::string component = "." + t.filename().string() + std::string(kSaving);
    if (name.size() == component.size() + 6 && name.compare(0, component.size(), component) == 0)
        return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(component.size()), name.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
    const std::string side = "." + t.stem().string() + std::string(kSaving), ext = t.extension().string();
    if (name.size() <= side.size() + ext.size() || name.compare(0, side.size(), side) != 0 ||
        name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return false;
    const std::string_view mid = name.substr(side.size(), name.size() - side.size() - ext.size());
    const std::size_t dash = mid.find('-');
    auto digits = [](std::string_view v) {
        return !v.empty() && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return dash != std::string_view::npos && digits(mid.substr(0, dash)) && digits(mid.substr(dash + 1));
}

bool UntouchedForAnHour(int dirFd, const char* name) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return false;
    return ::time(nullptr) - st.st_mtime > 3600;
}

} // namespace

void AtomicFile::RemoveStale(const std::string& target) noexcept {
    try {
        const std::string prefix = StalePrefix(target);
        const std::string dir = FolderOf(target);
        DIR* d = ::opendir(dir.c_str());
        if (!d) return;
        while (const dirent* e = ::readdir(d)) {
            const std::string_view name(e->d_name);
            const bool ours = name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0;
            if ((ours && Stale(name.substr(prefix.size()))) ||
                (EarlierLeftover(name, target) && UntouchedForAnHour(::dirfd(d), e->d_name)))
                ::unlinkat(::dirfd(d), e->d_name, 0);
        }
        ::closedir(d);
    } catch (...) {
    }
}

std::string AtomicFile::TemporaryPath(const std::string& target, const std::string& extension) {
    return TemporaryName(FolderOf(target), target) + (extension.size() <= 16 ? extension : std::string());
}

AtomicFile::AtomicFile(const std::string& target) : target_(target), dir_(FolderOf(target)) {
    ReadKillHook();
    RequireReplaceable(target);
    RemoveStale(target);
    if (!gNamedOnly) {
        fd_ = ::open(dir_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            // Named only at the end, through the link the process has to it.
            temp_ = "/proc/self/fd/" + std::to_string(fd_);
            if (::access(temp_.c_str(), F_OK) == 0) {
                unnamed_ = true;
            } else {
                ::close(fd_);
                fd_ = -1;
            }
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
            Raise(err::PathFileAccess, "Cannot write beside " + target + ": " + std::strerror(errno));
        }
    }
    if (fd_ < 0) {
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            temp_ = TemporaryName(dir_, target);
            fd_ = ::open(temp_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) {
            temp_.clear();
            Raise(err::PathFileAccess, "Cannot write beside " + target + ": " + std::strerror(errno));
        }
    }
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !unnamed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Put(const std::uint8_t* p, std::size_t n, std::int64_t at) {
    Step();
    std::size_t done = 0;
    while (done < n) {
        ssize_t w = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(at) + static_cast<off_t>(done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) Raise(err::DiskFull, "Cannot write " + target_ + ": " + std::strerror(errno));
        done += static_cast<std::size_t>(w);
    }
    // Start writing it out now, so the disk works while the rest is made and the final
    // flush has little left to wait for.
    if (n > 0) ::sync_file_range(fd_, static_cast<off_t>(at), static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE);
}

void AtomicFile::Flush() {
    if (buf_.empty()) return;
    Put(buf_.data(), buf_.size(), pos_ - static_cast<std::int64_t>(buf_.size()));
    buf_.clear();
}

void AtomicFile::Write(const void* p, std::size_t n) {
    // Small writes are gathered up to this much; the buffer grows only as far as a save
    // needs it, so that a short file costs no megabyte of fresh pages.
    constexpr std::size_t kGather = 1 << 20;
    const auto* b = static_cast<const std::uint8_t*>(p);
    if (buf_.size() + n > kGather) Flush();
    if (n >= kGather) {
        // Large writes go out as they are, without a copy.
        Put(b, n, pos_);
        pos_ += static_cast<std::int64_t>(n);
        return;
    }
    buf_.insert(buf_.end(), b, b + n);
    pos_ += static_cast<std::int64_t>(n);
}

void AtomicFile::WriteAt(std::int64_t offset, const void* p, std::size_t n) {
    Flush();
    Step();
    if (::pwrite(fd_, p, n, static_cast<off_t>(offset)) != static_cast<ssize_t>(n))
        Raise(err::DiskFull, "Cannot write " + target_ + ": " + std::strerror(errno));
}

void AtomicFile::CloseForExternalWriter() {
    // The descriptor stays open: it is what keeps an unnamed file, and what the final
    // flush goes through.
    Flush();
}

void AtomicFile::Commit() {
    Flush();
    Step();
    if (::fsync(fd_) != 0) Raise(err::DeviceIO, "Cannot write " + target_ + ": " + std::strerror(errno));
    // The file that is replaced gives its permission bits, and its owner and group where
    // this user may give them; a new file gets what the user's umask allows.
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0 && ::fchown(fd_, static_cast<uid_t>(-1), st.st_gid) != 0) {
            // Not this user's to give: the new file is the user's own.
        }
        ::fchmod(fd_, st.st_mode & 07777);
    } else {
        ::fchmod(fd_, 0666 & ~Umask());
    }
    std::string named = temp_;
    if (unnamed_) {
        // A name it may be found by should this process be killed before the rename.
        Step();
        int e = EEXIST;
        for (int attempt = 0; attempt < 100 && e == EEXIST; ++attempt) {
            named = TemporaryName(dir_, target_);
            e = ::linkat(AT_FDCWD, temp_.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
        }
        if (e != 0) Raise(err::PathFileAccess, "Cannot name the new " + target_ + ": " + std::strerror(e));
    }
    Step();
    if (::rename(named.c_str(), target_.c_str()) != 0) {
        const int e = errno;
        if (unnamed_) ::unlink(named.c_str());
        Raise(err::PathFileAccess, "Cannot replace " + target_ + ": " + std::strerror(e));
    }
    committed_ = true;
    ::close(fd_);
    fd_ = -1;
    // The rename itself reaches the disk with the folder.
    int dfd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    Step();
}

// ---- WAV writer

void WriteWavFile(const std::string& target, const WavPayload& payload) {
    std::vector<RiffChunk> old;
    int oldFd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (oldFd >= 0) {
        struct stat st {};
        if (::fstat(oldFd, &st) == 0 && S_ISREG(st.st_mode)) {
            try {
                if (auto info = ReadWavInfo(oldFd, st.st_size)) old = info->chunks;
            } catch (const RuntimeError&) {
                old.clear(); // a broken target has nothing we could keep
            }
            // Keep only chunks that are wholly present.
            std::erase_if(old, [&](const RiffChunk& c) {
                return c.id != "data" && c.offset + 8 + static_cast<std::int64_t>(c.size) > st.st_size;
            });
        }
    }
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0) ::close(fd);
        }
    } closer{oldFd};

    AtomicFile out(target);
    const std::uint8_t head[12] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    out.Write(head, 12);
    auto chunkHeader = [&](const char* id, std::uint32_t size) {
        std::vector<std::uint8_t> h(id, id + 4);
        PutU32(h, size);
        out.Write(h.data(), h.size());
    };
    auto writeFmt = [&] {
        chunkHeader("fmt ", static_cast<std::uint32_t>(payload.fmt.size()));
        out.Write(payload.fmt.data(), payload.fmt.size());
        if (payload.fmt.size() & 1) out.Write("\0", 1);
        if (payload.factSamples) {
            chunkHeader("fact", 4);
            std::vector<std::uint8_t> v;
            PutU32(v, *payload.factSamples);
            out.Write(v.data(), 4);
        }
    };
    auto writeData = [&] {
        chunkHeader("data", 0);
        const std::int64_t start = out.Position();
        payload.writeData(out);
        const std::int64_t size = out.Position() - start;
        if (size > 0xFFFFFFF0LL) Raise(err::Overflow, "The audio is too long for a WAV file");
        if (size & 1) out.Write("\0", 1);
        std::vector<std::uint8_t> v;
        PutU32(v, static_cast<std::uint32_t>(size));
        out.WriteAt(start - 4, v.data(), 4);
    };
    bool fmtDone = false, dataDone = false;
    std::vector<std::uint8_t> copy;
    for (const auto& c : old) {
        if (c.id == "fmt ") {
            if (!fmtDone) writeFmt();
            fmtDone = true;
        } else if (c.id == "data") {
            if (!fmtDone) writeFmt();
            fmtDone = true;
            if (!dataDone) writeData();
            dataDone = true;
        } else if (c.id == "fact") {
            continue;
        } else {
            std::int64_t total = 8 + static_cast<std::int64_t>(c.size) + (c.size & 1);
            std::int64_t done = 0;
            while (done < total) {
                std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(total - done, 1 << 20));
                copy.resize(n);
                if (!ReadAt(oldFd, c.offset + done, copy.data(), n)) {
                    // A pad byte missing at the very end of the old file.
                    std::fill(copy.begin(), copy.end(), 0);
                    ReadAt(oldFd, c.offset + done, copy.data(), n - 1);
                }
                out.Write(copy.data(), n);
                done += static_cast<std::int64_t>(n);
            }
        }
    }
    if (!fmtDone) writeFmt();
    if (!dataDone) writeData();
    const std::int64_t riff = out.Position() - 8;
    if (riff > 0xFFFFFFFFLL) Raise(err::Overflow, "The audio is too long for a WAV file");
    std::vector<std::uint8_t> v;
    PutU32(v, static_cast<std::uint32_t>(riff));
    out.WriteAt(4, v.data(), 4);
    out.Commit();
}

} // namespace platform::audio
