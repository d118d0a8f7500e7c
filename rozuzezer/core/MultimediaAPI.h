// Finding, reading and rewriting the chunks of a RIFF/WAVE file that carry an item's
// broadcast information: fmt, data, cart (AES46), bext (EBU Broadcast Wave) and cue.
//
// The records hold the chunks' bytes as they stand in the file (Windows-1252 text, fixed
// widths, no terminators); the item reader and writer convert to and from UTF-8. Every
// routine opens and closes the file itself.
#pragma once

#include "rozuzezer/core/Records.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace rozuzezer {

template <std::size_t N>
using TextField = std::array<char, N>;

struct PostTimerRecord {
    TextField<4> Usage{};
    std::uint32_t Value = 0;
};

// The fixed part of a cart chunk (2048 bytes in the file).
struct CartChunkRecord {
    static constexpr std::size_t kSize = 2048;
    TextField<4> Version{};
    TextField<64> Title{};
    TextField<64> Artist{};
    TextField<64> CutID{};
    TextField<64> ClientID{};
    TextField<64> Category{};
    TextField<64> Classification{};
    TextField<64> OutCue{};
    TextField<10> StartDate{};
    TextField<8> StartTime{};
    TextField<10> EndDate{};
    TextField<8> EndTime{};
    TextField<64> ProducerAppID{};
    TextField<64> ProducerAppVersion{};
    TextField<64> UserDef{};
    std::uint32_t LevelReference = 0;
    std::array<PostTimerRecord, 8> PostTimer{};
    TextField<276> Reserved{};
    TextField<1024> URL{};
};

// The fixed part of a bext chunk (602 bytes in the file).
struct BextChunkRecord {
    static constexpr std::size_t kSize = 602;
    TextField<256> Description{};
    TextField<32> Originator{};
    TextField<32> OriginatorReference{};
    TextField<10> OriginationDate{};
    TextField<8> OriginationTime{};
    std::uint32_t TimeReferenceLow = 0;
    std::uint32_t TimeReferenceHigh = 0;
    std::uint16_t Version = 0;
    std::array<std::uint8_t, 64> UMID{};
    TextField<190> Reserved{};
};

// One point of a cue chunk (24 bytes in the file).
struct CuePointRecord {
    std::uint32_t Name = 0;
    std::uint32_t Position = 0;
    std::uint32_t Chunk = 0; // FOURCC
    std::uint32_t ChunkStart = 0;
    std::uint32_t BlockStart = 0;
    std::uint32_t SampleOffset = 0;
};

// Byte images of the fixed parts, little-endian, fields at their offsets.
void EncodeCart(const CartChunkRecord& r, unsigned char out[CartChunkRecord::kSize]);
void DecodeCart(const unsigned char in[CartChunkRecord::kSize], CartChunkRecord& r);
void EncodeBext(const BextChunkRecord& r, unsigned char out[BextChunkRecord::kSize]);
void DecodeBext(const unsigned char in[BextChunkRecord::kSize], BextChunkRecord& r);

// A field's text up to its first NUL; and a text cut to the field and padded with blanks.
template <std::size_t N>
std::string FieldText(const TextField<N>& f) {
    const void* nul = std::memchr(f.data(), '\0', N);
    return std::string(f.data(), nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - f.data()) : N);
}
template <std::size_t N>
void SetField(TextField<N>& f, std::string_view text) {
    const std::size_t n = text.size() < N ? text.size() : N;
    if (n) std::memcpy(f.data(), text.data(), n);
    std::memset(f.data() + n, ' ', N - n);
}

// The file's size in bytes; 0 or less when it is missing (the presence test).
double FileLength(const std::string& path);

// 0 on success; -1 when the file is absent, empty, not openable or its fmt chunk is
// unreadable; otherwise the error of the failed descent. The data size is 64-bit so that
// RF64 files and files over 4 GB report their real size.
std::int32_t ReadWaveFormat(const std::string& path, WaveFormatRecord& format, std::uint64_t& dataSize);

// Seconds of audio: data size / nAvgBytesPerSec; 0 when the format cannot be read or gives
// no byte rate.
float GetWaveDuration(const std::string& path);

bool ReadCartChunk(const std::string& path, CartChunkRecord& record, std::string& tagText);
bool WriteCartChunk(const std::string& path, const CartChunkRecord& record, const std::string& tagText);
bool ReadBextChunk(const std::string& path, BextChunkRecord& record, std::string& codingHistory);
bool WriteBextChunk(const std::string& path, const BextChunkRecord& record);
// An item's save: the cart chunk (when given) and then the bext chunk (when given), each as
// its writer above writes it, in one open of the file. Both are written or neither: on
// False the file is byte for byte as it was.
bool WriteCartAndBextChunks(const std::string& path, const CartChunkRecord* cart, const std::string& tagText,
                            const BextChunkRecord* bext);
// Why the last of these writes, or the last item save, on this thread was refused: a
// sentence that names what is wrong with the file; empty after one that succeeded.
std::string LastChunkWriteError();

// The number of points read, or a negative value on failure; a count of 0 or below leaves
// the array as it was.
std::int32_t ReadCueChunk(const std::string& path, std::vector<CuePointRecord>& points);

} // namespace rozuzezer
