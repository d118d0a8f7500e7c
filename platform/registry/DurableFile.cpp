#include "platform/registry/DurableFile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform::detail {
namespace {

FileStamp FromStat(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.dev = static_cast<std::uint64_t>(st.st_dev);
    s.ino = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.mode = static_cast<std::uint32_t>(st.st_mode);
    return s;
}

// Writable by access(2) and by its mode bits (which root would otherwise ignore).
bool Writable(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::atomic<std::int64_t> g_steps{0};

// One step of a replace; dies here when the test hook asks for it.
void Step(std::int64_t killAt) {
    const std::int64_t n = ++g_steps;
    if (killAt > 0 && n == killAt) ::raise(SIGKILL);
}

std::int64_t KillHook() {
    const char* v = std::getenv("BVR_DURABLE_KILL_AT_STEP");
    return (v && *v) ? std::strtoll(v, nullptr, 10) : 0;
}

} // namespace

std::int64_t DurableStepsSoFar() { return g_steps.load(); }

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

FileStamp StampOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return {};
    return FromStat(st);
}

bool TooNewToTrust(const FileStamp& st) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t ns = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    constexpr std::int64_t kStep = 50'000'000;
    return ns - st.mtimeNs < kStep || ns - st.ctimeNs < kStep;
}

ReadResult ReadCapped(const std::string& path, std::size_t cap) {
    ReadResult r;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        r.error = errno;
        return r;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        r.error = errno;
        ::close(fd);
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.error = EISDIR;
        ::close(fd);
        return r;
    }
    r.stamp = FromStat(st);
    auto want = static_cast<std::size_t>(st.st_size);
    if (want > cap) {
        want = cap;
        r.truncated = true;
    }
    try {
        r.bytes.resize(want);
    } catch (const std::bad_alloc&) {
        r.error = ENOMEM;
        ::close(fd);
        return r;
    }
    std::size_t got = 0;
    while (got < want) {
        ssize_t n = ::read(fd, r.bytes.data() + got, want - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            r.error = errno;
            break;
        }
        if (n == 0) break; // shrank while reading
        got += static_cast<std::size_t>(n);
    }
    r.bytes.resize(got);
    if (!r.truncated && r.error == 0) {
        // A file that grew while being read is not known to be complete.
        char extra;
        ssize_t n = ::read(fd, &extra, 1);
        if (n > 0) r.truncated = true;
    }
    ::close(fd);
    return r;
}

bool MayReplace(const std::string& path) {
    struct stat st;
    std::string folder = FolderOf(path);
    if (::stat(path.c_str(), &st) == 0) {
        if (!Writable(path, st)) return false;
    } else if (errno != ENOENT) {
        return false;
    }
    // The folder must take the temporary file and the rename; a missing folder is created
    // from its nearest existing parent.
    for (;;) {
        if (::stat(folder.c_str(), &st) == 0)
            return S_ISDIR(st.st_mode) && Writable(folder, st) &&
                   ::access(folder.c_str(), X_OK) == 0;
        if (errno != ENOENT || folder == "/" || folder == ".") return false;
        folder = FolderOf(folder);
    }
}

std::string FollowLinks(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p.string();
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_); // closing releases the flock
}

int FileLock::Acquire(const std::string& lockPath) {
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            int e = errno;
            ::close(fd);
            return e;
        }
    }
    fd_ = fd;
    return 0;
}

int ReplaceDurably(const std::string& path, const std::string& tmpPath, std::string_view bytes,
                   std::uint32_t newMode) {
    struct stat old;
    bool hadOld = ::stat(path.c_str(), &old) == 0;
    ::unlink(tmpPath.c_str()); // left by a writer that died; we hold the lock
    int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    static_cast<mode_t>(newMode));
    if (fd < 0) return errno;
    const std::int64_t killAt = KillHook();
    Step(killAt);
    const std::size_t half = bytes.size() / 2;
    int err = WriteAll(fd, bytes.substr(0, half));
    Step(killAt);
    if (err == 0) err = WriteAll(fd, bytes.substr(half));
    Step(killAt);
    if (err == 0 && hadOld) {
        ::fchmod(fd, old.st_mode & 07777);
        if (::geteuid() == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Owned by us now; still readable and writable as before.
        }
    }
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0) Step(killAt);
    if (err == 0 && ::rename(tmpPath.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(tmpPath.c_str());
        return err;
    }
    Step(killAt);
    int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

int MakeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return ec.value();
    return 0;
}

void WarnOnce(const std::string& key, const std::string& message) {
    static auto* m = new std::mutex;
    // The keys said last, as hashes in a fixed ring: a long run that meets many damaged
    // versions forgets the oldest, and nothing is allocated per key (memory that grew with
    // every damaged version would look like a leak to the leak checkers).
    static std::array<std::size_t, 1024> said{};
    static std::size_t next = 0;
    const std::size_t h = std::hash<std::string>{}(key) | 1; // 0 marks a free place
    std::lock_guard<std::mutex> g(*m);
    if (std::find(said.begin(), said.end(), h) != said.end()) return;
    said[next++ % said.size()] = h;
    std::fprintf(stderr, "%s\n", message.c_str());
}

} // namespace platform::detail
