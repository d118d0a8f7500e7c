#include "rozuzezer/core/MultimediaAPI.h"

#include "rozuzezer/core/WavRiff.h"

#include "platform/mmio/Journal.h"

#include <algorithm>
#include <vector>

#include <sys/stat.h>

namespace rozuzezer {

namespace mmio = platform::mmio;

double FileLength(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<double>(st.st_size);
}

bool WriteCartAndBextChunks(const std::string& path, const CartChunkRecord* cart, const std::string& tagText,
                            const BextChunkRecord* bext) {
    unsigned char cartImage[CartChunkRecord::kSize];
    unsigned char bextImage[BextChunkRecord::kSize];
    std::vector<wav::ChunkWrite> writes;
    if (cart) {
        EncodeCart(*cart, cartImage);
        writes.push_back({wav::kCart, std::string_view(reinterpret_cast<const char*>(cartImage), sizeof cartImage),
                          tagText, true});
    }
    if (bext) {
        EncodeBext(*bext, bextImage);
        // The coding history behind the fixed part of an existing chunk stays as it is.
        writes.push_back({wav::kBext, std::string_view(reinterpret_cast<const char*>(bextImage), sizeof bextImage),
                          {}, false});
    }
    if (writes.empty()) {
        wav::SetLastWriteError({});
        return true;
    }
    const auto st = wav::WriteChunks(path, writes);
    if (st == wav::WriteStatus::OpenFailed) {
        if (cart) wav::ShowCartOpenRefused();
        if (bext) wav::ShowBextOpenRefused();
    }
    return st == wav::WriteStatus::Written;
}

std::string LastChunkWriteError() { return wav::LastWriteError(); }

namespace wav {

Reader::Reader(const std::string& path) {
    // A save that a crash or a power cut interrupted is taken back before anything is read.
    mmio::RollBackInterrupted(path);
    file_ = mmio::File::Open(path, mmio::OpenMode::Read);
    if (!file_ || file_->Size() == 0) {
        file_.reset();
        return;
    }
    riff_.fccType = kWAVE;
    const int e = file_->Descend(riff_, nullptr, mmio::MMIO_FINDRIFF);
    status_ = e;
    if (e != 0) file_.reset();
}

int Reader::Find(FOURCC id, ChunkInfo& ck) {
    if (!file_) return status_ == 0 ? -1 : status_;
    for (const ChunkInfo& c : index_) {
        if (c.ckid == id) {
            ck = c;
            return 0;
        }
    }
    if (walked_) return platform::mmio::MMIOERR_CHUNKNOTFOUND;
    // Few files have more chunks than this; behind them every search walks on unrecorded.
    constexpr std::size_t kIndexLimit = 256;
    if (next_ == 0) next_ = riff_.dwDataOffset + 4;
    std::uint64_t p = next_;
    for (;;) {
        const bool full = index_.size() >= kIndexLimit;
        file_->Seek(static_cast<std::int64_t>(p), 0);
        ChunkInfo c;
        if (file_->Descend(c, &riff_, 0) != 0) {
            walked_ = !full;
            return platform::mmio::MMIOERR_CHUNKNOTFOUND;
        }
        file_->Ascend(c);
        const std::uint64_t q = file_->Tell();
        if (q <= p) {
            walked_ = !full;
            return platform::mmio::MMIOERR_CHUNKNOTFOUND;
        }
        if (!full) {
            index_.push_back(c);
            next_ = q;
        }
        p = q;
        if (c.ckid == id) {
            ck = c;
            return 0;
        }
    }
}

std::int64_t Reader::ReadChunk(const ChunkInfo& ck, std::uint64_t at, void* buffer, std::int64_t count) {
    if (!file_ || count < 0) return -1;
    const std::uint64_t avail = ck.Available();
    if (at >= avail) return 0;
    const auto n = static_cast<std::int64_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), avail - at));
    return file_->ReadAt(ck.dwDataOffset + at, buffer, n);
}

bool ReadFixedAndTail(Reader& r, FOURCC id, unsigned char* image, std::size_t fixedSize, std::string& tail,
                      std::size_t tailLimit) {
    tail.clear();
    ChunkInfo ck;
    if (r.Status() != 0 || r.Find(id, ck) != 0 || ck.cksize == 0) return false;
    const auto want = static_cast<std::int64_t>(std::min<std::uint64_t>(ck.cksize, fixedSize));
    if (r.ReadChunk(ck, 0, image, want) < 0) return false;
    // Only what the file holds is allocated, whatever size the chunk claims.
    const std::uint64_t held = ck.Available() > fixedSize ? ck.Available() - fixedSize : 0;
    const std::uint64_t n = std::min<std::uint64_t>({ck.cksize > fixedSize ? ck.cksize - fixedSize : 0, held, tailLimit});
    if (n > 0) {
        tail.resize(static_cast<std::size_t>(n));
        const std::int64_t got = r.ReadChunk(ck, fixedSize, tail.data(), static_cast<std::int64_t>(n));
        tail.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    return true;
}

int ReadFormat(Reader& r, WaveFormatRecord& format, std::uint64_t& dataSize) {
    if (r.Status() != 0) return r.Status();
    dataSize = 0;
    ChunkInfo fmt;
    if (const int e = r.Find(kFmt, fmt); e != 0) return e;
    if (fmt.cksize == 0) return 0;
    unsigned char b[18] = {};
    const std::int64_t want = static_cast<std::int64_t>(std::min<std::uint64_t>(fmt.cksize, 18));
    const std::int64_t got = r.ReadChunk(fmt, 0, b, want);
    if (got != want) return -1;
    // Field by field, as far as the chunk goes.
    auto u16 = [&](int o) { return static_cast<std::uint16_t>(b[o] | (b[o + 1] << 8)); };
    auto u32 = [&](int o) {
        return static_cast<std::uint32_t>(b[o]) | (static_cast<std::uint32_t>(b[o + 1]) << 8) |
               (static_cast<std::uint32_t>(b[o + 2]) << 16) | (static_cast<std::uint32_t>(b[o + 3]) << 24);
    };
    if (got >= 2) format.wFormatTag = u16(0);
    if (got >= 4) format.nChannels = u16(2);
    if (got >= 8) format.nSamplesPerSec = u32(4);
    if (got >= 12) format.nAvgBytesPerSec = u32(8);
    if (got >= 14) format.nBlockAlign = u16(12);
    if (got >= 16) format.wBitsPerSample = u16(14);
    if (got >= 18) format.cbSize = u16(16);
    ChunkInfo data;
    // The audio that is really there: a cut-off recording claims more than the file holds.
    if (r.Find(kData, data) == 0) dataSize = std::min(data.cksize, r.FileSize() - data.dwDataOffset);
    return 0;
}

} // namespace wav

std::int32_t ReadWaveFormat(const std::string& path, WaveFormatRecord& format, std::uint64_t& dataSize) {
    if (FileLength(path) <= 0) return -1;
    dataSize = 0;
    wav::Reader r(path);
    return wav::ReadFormat(r, format, dataSize);
}

float GetWaveDuration(const std::string& path) {
    WaveFormatRecord f;
    std::uint64_t size = 0;
    if (ReadWaveFormat(path, f, size) != 0 || f.nAvgBytesPerSec == 0) return 0;
    return static_cast<float>(static_cast<double>(size) / static_cast<double>(f.nAvgBytesPerSec));
}

} // namespace rozuzezer
