// File plumbing shared by the registry and the profile files: change stamps for cache
// checks, capped reads, the write-permission rule, an exclusive lock beside a file, and the
// durable replace (temporary file, fsync, rename, fsync of the folder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::detail {

// What identifies one version of a file: equal stamps mean the same contents.
struct FileStamp {
    bool exists = false;
    std::uint64_t dev = 0, ino = 0, size = 0;
    std::int64_t mtimeNs = 0, ctimeNs = 0;
    std::uint32_t mode = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path);

// The folder part of a path ("." when it has none, "/" for the root).
std::string FolderOf(const std::string& path);

// File times tick in steps of a few milliseconds, so a program rewriting a file in place
// within the same step leaves its stamp unchanged. A version this new must be read again at
// the next call instead of trusted.
bool TooNewToTrust(const FileStamp& stamp);

struct ReadResult {
    int error = 0;          // errno of the failure; ENOENT when the file does not exist
    bool truncated = false; // the file is larger than the cap; bytes hold its start
    std::string bytes;
    FileStamp stamp;        // of the file actually read
};

// Reads at most `cap` bytes of the file.
ReadResult ReadCapped(const std::string& path, std::size_t cap);

// Whether this process may replace the file: the file (or, while it is missing, the nearest
// existing folder above it) is writable by access(2) and carries a write bit in its mode,
// and so is its folder. The mode rule holds for root as well.
bool MayReplace(const std::string& path);

// The file a path finally names when it is a symbolic link, so that a replace keeps the link.
std::string FollowLinks(const std::string& path);

// An exclusive flock held on a lock file for the lifetime of the object.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Creates the lock file when needed and waits for the lock; returns 0 or errno.
    int Acquire(const std::string& lockPath);

private:
    int fd_ = -1;
};

// Replaces `path` with `bytes` durably: writes `tmpPath` (same folder; the caller holds the
// lock, so a fixed name is safe), fsyncs it, renames it over `path` and fsyncs the folder.
// The new file keeps the old file's mode (and owner, where allowed); a new file gets
// `newMode` (less the umask). Returns 0 or errno; on failure `path` is untouched.
int ReplaceDurably(const std::string& path, const std::string& tmpPath, std::string_view bytes,
                   std::uint32_t newMode);

// Test hook: BVR_DURABLE_KILL_AT_STEP=N makes the process kill itself (SIGKILL) at the Nth step
// of its durable replaces, counted from its start: each replace takes five steps (temporary
// file created; half of the bytes written; all written; flushed and closed; renamed, before the
// folder is flushed). Read at every replace; never set outside tests.
std::int64_t DurableStepsSoFar();

// Creates the folder and its parents; returns 0 or errno.
int MakeFolders(const std::string& folder);

// Writes a line to stderr once per key in this process.
void WarnOnce(const std::string& key, const std::string& message);

} // namespace platform::detail
