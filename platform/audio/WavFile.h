// The WAV file on disk: reading its chunk list and format, and writing a new file beside the
// target that carries the target's other chunks over unchanged before it replaces it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::audio {

inline constexpr std::uint16_t kTagPcm = 1;
inline constexpr std::uint16_t kTagMsAdpcm = 2;
inline constexpr std::uint16_t kTagFloat = 3;
inline constexpr std::uint16_t kTagALaw = 6;
inline constexpr std::uint16_t kTagMuLaw = 7;
inline constexpr std::uint16_t kTagImaAdpcm = 0x11;
inline constexpr std::uint16_t kTagG726 = 0x45;
inline constexpr std::uint16_t kTagMpeg = 0x50;
inline constexpr std::uint16_t kTagMp3 = 0x55;
inline constexpr std::uint16_t kTagOkiAdpcm = 0x17; // Dialogic VOX
inline constexpr std::uint16_t kTagWmaV1 = 0x160;
inline constexpr std::uint16_t kTagWmaV2 = 0x161;
inline constexpr std::uint16_t kTagOggVorbis = 0x674F;
inline constexpr std::uint16_t kTagExtensible = 0xFFFE;

struct RiffChunk {
    std::string id;          // four characters
    std::int64_t offset = 0; // of the chunk header
    std::uint32_t size = 0;  // payload size as written in the header
};

struct WavInfo {
    std::uint16_t tag = 0;   // the real tag (the sub-format of an extensible record)
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t avgBytes = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    std::vector<std::uint8_t> fmt; // the format record as stored
    bool hasData = false;
    std::int64_t dataOffset = 0;   // of the first sample
    std::int64_t dataSize = 0;     // bytes actually present
    std::optional<std::uint32_t> factSamples; // the sample count of a "fact" chunk
    std::vector<RiffChunk> chunks;
};

// Reads the RIFF structure through fd. nullopt when the bytes are not a RIFF WAVE file;
// a WAVE file without a usable format or data chunk raises an error.
std::optional<WavInfo> ReadWavInfo(int fd, std::int64_t fileSize);

// Little-endian byte helpers.
void PutU16(std::vector<std::uint8_t>& b, std::uint16_t v);
void PutU32(std::vector<std::uint8_t>& b, std::uint32_t v);
std::vector<std::uint8_t> PcmFormatRecord(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                          std::uint16_t bits);

// A file written beside its target and put in its place only when complete. It is made
// unnamed in the target's folder (O_TMPFILE) and gets a name only at the end; where the
// file system cannot, it is named after its target, this process and this computer, so
// that a later save or open of the target finds it and removes it once its process is gone.
// A target the user may not write is refused before anything is written; the replacement
// takes the target's permission bits and, where it may, its owner and group.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    int Fd() const { return fd_; }
    // A path to the file being written, for writers that open it themselves; valid while
    // this object lives.
    const std::string& TempPath() const { return temp_; }
    void Write(const void* p, std::size_t n);
    void WriteAt(std::int64_t offset, const void* p, std::size_t n);
    std::int64_t Position() const { return pos_; }
    void Flush();
    // Flushes to disk and puts the file in the target's place.
    void Commit();
    // Hands the file to a writer that writes it by TempPath() (the FFmpeg muxers).
    void CloseForExternalWriter();

    // Raises an error when the target exists and the user may not write it (read-only, or
    // not the user's to write), or is not a regular file.
    static void RequireReplaceable(const std::string& target);
    // Removes what saves of the target left beside it when their process was killed.
    static void RemoveStale(const std::string& target) noexcept;
    // A name beside the target for a file its caller writes whole and renames over the
    // target itself: named as the temporaries are, so RemoveStale finds it once this process
    // is gone. The extension, when given, ends the name.
    static std::string TemporaryPath(const std::string& target, const std::string& extension = {});
    // Test hook: no unnamed files, as on a file system without them.
    static void UseNamedFilesOnly(bool on);

private:
    void Put(const std::uint8_t* p, std::size_t n, std::int64_t at);
    std::string target_, dir_, temp_;
    int fd_ = -1;
    bool unnamed_ = false;
    std::int64_t pos_ = 0;
    std::vector<std::uint8_t> buf_;
    bool committed_ = false;
};

struct WavPayload {
    std::vector<std::uint8_t> fmt;
    std::optional<std::uint32_t> factSamples;
    // Writes the audio bytes; returns nothing, the sink counts.
    std::function<void(AtomicFile&)> writeData;
};

// Writes target as a WAV file. When target already is a WAV file its chunks other than
// "fmt ", "fact" and "data" come through unchanged and in their order.
void WriteWavFile(const std::string& target, const WavPayload& payload);

} // namespace platform::audio
