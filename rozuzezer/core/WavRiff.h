// Inside the WAV metadata routines: one open file with its RIFF/WAVE chunk found, the
// chunk readers that work on it, and the one chunk writer that owns the write policy.
#pragma once

#include "platform/mmio/Mmio.h"
#include "rozuzezer/core/MultimediaAPI.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rozuzezer::wav {

using platform::mmio::ChunkInfo;
using platform::mmio::FOURCC;
using platform::mmio::MakeFourCC;

inline constexpr FOURCC kWAVE = MakeFourCC('W', 'A', 'V', 'E');
inline constexpr FOURCC kFmt = MakeFourCC('f', 'm', 't', ' ');
inline constexpr FOURCC kData = MakeFourCC('d', 'a', 't', 'a');
inline constexpr FOURCC kCart = MakeFourCC('c', 'a', 'r', 't');
inline constexpr FOURCC kBext = MakeFourCC('b', 'e', 'x', 't');
inline constexpr FOURCC kCue = MakeFourCC('c', 'u', 'e', ' ');

// The longest variable text (tag text, coding history) the chunk routines deliver.
inline constexpr std::size_t kMaxVariableText = 32000;
// The longest tag text an item reads, and so the longest it writes: whatever a save puts
// in the tag text must come back.
inline constexpr std::size_t kMaxItemTagText = 16u << 20;

// An open WAV file for reading: presence test, open, descent into RIFF/WAVE.
class Reader {
public:
    explicit Reader(const std::string& path);
    // 0 when the RIFF/WAVE chunk was found; -1 when the file is missing, empty or cannot be
    // opened; otherwise the error of the failed descent.
    int Status() const { return status_; }
    // The first child with the id (searched from behind the form type); 0 or an mmio error.
    int Find(FOURCC id, ChunkInfo& ck);
    // Reads up to count bytes of a chunk's data from `at`, never past its trusted end.
    std::int64_t ReadChunk(const ChunkInfo& ck, std::uint64_t at, void* buffer, std::int64_t count);
    const ChunkInfo& Riff() const { return riff_; }
    std::uint64_t FileSize() const { return file_ ? file_->Size() : 0; }

private:
    // The children walked so far, in file order: each chunk is found once per open file,
    // however many routines look for chunks.
    std::unique_ptr<platform::mmio::File> file_;
    ChunkInfo riff_{};
    int status_ = -1;
    std::vector<ChunkInfo> index_;
    std::uint64_t next_ = 0;   // where the walk goes on
    bool walked_ = false;      // no chunk behind the last one walked
};

// Finds the chunk, reads its fixed part over `image` (whose bytes stay where the chunk is
// shorter) and at most tailLimit of the bytes behind it into `tail`. False when the chunk
// is missing, empty or cannot be read.
bool ReadFixedAndTail(Reader& r, FOURCC id, unsigned char* image, std::size_t fixedSize, std::string& tail,
                      std::size_t tailLimit);

// Cuts a text field at its first NUL and pads it with blanks again.
template <std::size_t N>
void Recut(TextField<N>& f) {
    if (void* nul = std::memchr(f.data(), '\0', N))
        std::memset(nul, ' ', N - static_cast<std::size_t>(static_cast<char*>(nul) - f.data()));
}

int ReadFormat(Reader& r, WaveFormatRecord& format, std::uint64_t& dataSize);
bool ReadCart(Reader& r, CartChunkRecord& record, std::string& tagText, std::size_t tagLimit = kMaxVariableText);
bool ReadBext(Reader& r, BextChunkRecord& record, std::string& codingHistory);
std::int32_t ReadCue(Reader& r, std::vector<CuePointRecord>& points);
void ClearCart(CartChunkRecord& r);
void ClearBext(BextChunkRecord& r);

enum class WriteStatus { Written, Refused, OpenFailed };

// Writes one metadata chunk. An existing chunk is rewritten in place within its size: the
// fixed part (cut to the chunk), then, when fillRoom, `tail` cut to the room behind the
// fixed part and zeros to the end of the chunk. A missing chunk is appended at the end with
// the fixed part and the whole tail. Every change is built in memory first and written in
// one piece; an append that fails is cut back. Files this cannot describe with 32-bit sizes
// (RF64, over 4 GB) are refused, and so are files with bytes the write would have to change
// without knowing what they are: a chunk that claims more than the file holds while chunks
// follow it, or a cut-off chunk or header at the end where a chunk would have to be added.
WriteStatus WriteChunk(const std::string& path, FOURCC id, std::string_view fixed,
                       std::string_view tail, bool fillRoom);

// Several chunks in one open of the file, in order, each as WriteChunk writes it. All or
// nothing: when one is refused, what the others changed is taken back and the file is
// byte for byte as it was.
struct ChunkWrite {
    FOURCC id;
    std::string_view fixed;
    std::string_view tail;
    bool fillRoom;
};
WriteStatus WriteChunks(const std::string& path, std::span<const ChunkWrite> writes);

// Why the last write on this thread was refused (a sentence for the user); empty after one
// that succeeded.
const std::string& LastWriteError();
void SetLastWriteError(std::string why);

// The message of each writer when the file exists, is not read-only and still cannot be
// opened for writing.
void ShowCartOpenRefused();
void ShowBextOpenRefused();

} // namespace rozuzezer::wav
