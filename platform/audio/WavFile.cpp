#include "platform/audio/WavFile.h"

#include "platform/base/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

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

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    std::filesystem::path t(target);
    std::string dir = t.has_parent_path() ? t.parent_path().string() : std::string(".");
    std::string templ = (std::filesystem::path(dir) / ("." + t.filename().string() + ".saving-XXXXXX")).string();
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0)
        Raise(err::PathFileAccess, "Cannot write beside " + target + ": " + std::strerror(errno));
    temp_ = name.data();
    buf_.reserve(1 << 20);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Put(const std::uint8_t* p, std::size_t n, std::int64_t at) {
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
    Put(buf_.data(), buf_.size(), pos_ - static_cast<std::int64_t>(buf_.size()));
    buf_.clear();
}

void AtomicFile::Write(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    if (buf_.size() + n > buf_.capacity()) Flush();
    if (n >= buf_.capacity()) {
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
    if (::pwrite(fd_, p, n, static_cast<off_t>(offset)) != static_cast<ssize_t>(n))
        Raise(err::DiskFull, "Cannot write " + target_ + ": " + std::strerror(errno));
}

void AtomicFile::CloseForExternalWriter() {
    Flush();
    ::close(fd_);
    fd_ = -1;
}

void AtomicFile::Commit() {
    if (fd_ >= 0) {
        Flush();
        if (::fsync(fd_) != 0) Raise(err::DeviceIO, "Cannot write " + target_ + ": " + std::strerror(errno));
    } else {
        int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
    struct stat st {};
    mode_t mode = 0666 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }();
    if (::stat(target_.c_str(), &st) == 0) mode = st.st_mode & 07777;
    ::chmod(temp_.c_str(), mode);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        Raise(err::PathFileAccess, "Cannot replace " + target_ + ": " + std::strerror(errno));
    committed_ = true;
    // The rename itself reaches the disk with the folder.
    std::filesystem::path dir = std::filesystem::path(target_).parent_path();
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
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
