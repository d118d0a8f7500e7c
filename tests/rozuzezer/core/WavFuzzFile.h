// The fuzz targets hand their input to code that opens files: one scratch file per process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace wavfuzz {

// A file named after the target and the process, removed when the process ends.
class Scratch {
public:
    explicit Scratch(const char* tag) {
        const char* dir = std::getenv("BVR_TEST_TMP");
        const std::string base = dir && *dir ? dir : "/tmp";
        path_ = base + "/" + tag + "-" + std::to_string(::getpid()) + ".wav";
    }
    ~Scratch() { ::unlink(path_.c_str()); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline bool WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadScratch(const std::string& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

} // namespace wavfuzz
