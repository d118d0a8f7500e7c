// The fuzz targets hand their input to code that works on files by name: one scratch folder
// per process, in memory (tmpfs) where the machine has one, so that a run costs no disk work
// and a save's flushes return at once. Removed when the process ends.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace fuzzscratch {

// The folder: under /dev/shm, else $BVR_TEST_TMP, else /tmp.
inline const std::string& Folder() {
    static const std::string dir = [] {
        const char* test = std::getenv("BVR_TEST_TMP");
        const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : test && *test ? test : "/tmp";
        std::string d = base + "/bvr-fuzz-XXXXXX";
        if (!::mkdtemp(d.data())) std::abort();
        static std::string made;
        made = d;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
        return d;
    }();
    return dir;
}

inline std::string File(const std::string& name) { return Folder() + "/" + name; }

// The file holds exactly the bytes afterwards.
inline bool Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 && done == size;
}

// The file's bytes; empty when it cannot be read.
inline std::string Read(const std::string& path) {
    std::string out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return out;
}

} // namespace fuzzscratch
