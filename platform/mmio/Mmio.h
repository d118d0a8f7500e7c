// RIFF chunk file I/O: open, descend, ascend, create a chunk, read, write, seek, close.
//
// The walker trusts only what it can check: a RIFF chunk ends at the smaller of its declared
// end and the end of the file, a child is searched only within its parent's trusted end, and
// a read never goes past the end of the innermost chunk descended into. RF64/BW64 files are
// read through their ds64 sizes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::mmio {

using FOURCC = std::uint32_t;

constexpr FOURCC MakeFourCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<unsigned char>(a)) |
           (static_cast<FOURCC>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<FOURCC>(static_cast<unsigned char>(d)) << 24);
}
// The first four characters of a text, blanks filling a shorter one.
FOURCC StringToFOURCC(std::string_view text);
std::string FOURCCToString(FOURCC id);
// Four printable ASCII characters, as every registered chunk id is.
bool PlausibleId(FOURCC id);

inline constexpr FOURCC kRIFF = MakeFourCC('R', 'I', 'F', 'F');
inline constexpr FOURCC kRF64 = MakeFourCC('R', 'F', '6', '4');
inline constexpr FOURCC kBW64 = MakeFourCC('B', 'W', '6', '4');
inline constexpr FOURCC kDS64 = MakeFourCC('d', 's', '6', '4');

// Result codes, numbered as the multimedia file I/O of the platform numbers them.
inline constexpr int MMSYSERR_NOERROR = 0;
inline constexpr int MMIOERR_FILENOTFOUND = 257;
inline constexpr int MMIOERR_OUTOFMEMORY = 258;
inline constexpr int MMIOERR_CANNOTOPEN = 259;
inline constexpr int MMIOERR_CANNOTCLOSE = 260;
inline constexpr int MMIOERR_CANNOTREAD = 261;
inline constexpr int MMIOERR_CANNOTWRITE = 262;
inline constexpr int MMIOERR_CANNOTSEEK = 263;
inline constexpr int MMIOERR_CANNOTEXPAND = 264;
inline constexpr int MMIOERR_CHUNKNOTFOUND = 265;
inline constexpr int MMIOERR_ACCESSDENIED = 268;

// Descend flags.
inline constexpr unsigned MMIO_FINDCHUNK = 0x10;
inline constexpr unsigned MMIO_FINDRIFF = 0x20;

struct ChunkInfo {
    FOURCC ckid = 0;
    std::uint64_t cksize = 0;       // declared size (the ds64 size for RF64 chunks)
    FOURCC fccType = 0;             // form type of a RIFF chunk
    std::uint64_t dwDataOffset = 0; // file offset of the first data byte
    std::uint64_t trustedEnd = 0;   // min(declared end, parent's trusted end)
    bool dirty = false;             // created here: Ascend writes its size
    bool rf64 = false;              // an RF64/BW64 form
    std::uint64_t HeaderOffset() const { return dwDataOffset - 8; }
    std::uint64_t Available() const { return trustedEnd - dwDataOffset; }
};

// CreateNew: a file that must not exist yet, for reading and writing, by its owner only.
// ReadNoLink: for reading, unless the name is a symbolic link.
enum class OpenMode { Read, ReadWrite, CreateNew, ReadNoLink };

class File {
public:
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // nullptr on failure, with the reason in *error when given.
    static std::unique_ptr<File> Open(const std::string& path, OpenMode mode, int* error = nullptr);

    // Finds the chunk: with MMIO_FINDRIFF the first RIFF (or RF64/BW64) chunk of form type
    // ck.fccType searching from the start of the file; with MMIO_FINDCHUNK the first chunk
    // with id ck.ckid from the current position to the parent's trusted end (the file when
    // parent is null); with neither, the chunk at the current position. On success the
    // position is the first data byte (behind the form type for a RIFF chunk).
    int Descend(ChunkInfo& ck, const ChunkInfo* parent, unsigned flags);
    // Leaves a chunk: a created one gets its size (and pad byte) written; the position
    // moves behind the chunk and its pad byte.
    int Ascend(ChunkInfo& ck);
    // Writes an 8-byte header (12 with a form type) with size 0 at the current position.
    int CreateChunk(ChunkInfo& ck, bool riff = false);

    // Bytes read, or -1. Reads stop at the innermost descended chunk's trusted end.
    std::int64_t Read(void* buffer, std::int64_t count);
    // Bytes written (all of them), or -1; the position moves on.
    std::int64_t Write(const void* buffer, std::int64_t count);
    // Positioned variants that leave the position alone.
    std::int64_t ReadAt(std::uint64_t offset, void* buffer, std::int64_t count);
    bool WriteAt(std::uint64_t offset, const void* buffer, std::int64_t count);
    // The same, handing the bytes over: a staged write keeps them without a copy.
    bool WriteAt(std::uint64_t offset, std::string&& bytes);
    // Writes `count` zero bytes (staged, without holding them).
    bool WriteZerosAt(std::uint64_t offset, std::uint64_t count);

    // origin 0 start, 1 current, 2 end. New position, or -1.
    std::int64_t Seek(std::int64_t offset, int origin);
    std::uint64_t Tell() const { return pos_; }
    std::uint64_t Size() const { return size_; }
    // Where the chunk behind one with this data offset and size starts: behind its pad
    // byte, or right behind its data when a writer left the pad out (the byte where the pad
    // should be starts a plausible chunk id and the padded position does not).
    std::uint64_t NextChunk(std::uint64_t dataOffset, std::uint64_t size);
    bool Truncate(std::uint64_t length);
    // Makes what was written reach the disk before this returns.
    bool Flush();
    int Close();
    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }

    // From Stage() on, writes change only what this File reads back, so that a change made
    // of many writes can be checked whole before anything of it reaches the file; Apply
    // then writes them, in the order they were made. Truncation is not staged.
    void Stage();
    bool Staging() const { return staging_; }
    struct StagedWrite {
        std::uint64_t offset;
        std::string bytes;
        std::uint64_t zeros = 0; // zero bytes behind them
        std::uint64_t End() const { return offset + bytes.size() + zeros; }
    };
    const std::vector<StagedWrite>& Staged() const { return staged_; }
    // The file's size when staging began, and its bytes as they are on the disk.
    std::uint64_t UnstagedSize() const { return unstagedSize_; }
    std::int64_t ReadUnstaged(std::uint64_t offset, void* buffer, std::int64_t count);
    // Writes the staged writes and ends staging; false at the first that fails (errno says why).
    bool ApplyStaged();

private:
    File() = default;
    bool Fill(std::uint64_t offset, std::size_t need); // refills the read cache from offset
    std::int64_t RawRead(std::uint64_t offset, void* buffer, std::int64_t count);
    // What the file holds from offset, staged writes included.
    std::int64_t ReadThrough(std::uint64_t offset, unsigned char* out, std::size_t count);

    int fd_ = -1;
    std::string path_;
    bool staging_ = false;
    std::vector<StagedWrite> staged_;
    std::uint64_t unstagedSize_ = 0;
    OpenMode mode_ = OpenMode::Read;
    std::uint64_t pos_ = 0;
    std::uint64_t size_ = 0;
    struct Level {
        std::uint64_t dataOffset;
        std::uint64_t trustedEnd;
    };
    std::vector<Level> stack_; // descended chunks, innermost last
    // ds64 sizes of an RF64 file.
    std::uint64_t ds64Data_ = 0;
    bool haveDs64_ = false;
    // A small read cache: chunk headers and small chunks come from one read.
    std::vector<unsigned char> cache_;
    std::uint64_t cacheOffset_ = 0;
    std::size_t cacheLength_ = 0;
};

// Removes a file; flushes a folder, so that files created or removed in it stay so.
bool Remove(const std::string& path);
bool FlushFolder(const std::string& folder);

// Test hook: every change this layer makes to the disk, in order, as it makes it.
struct Change {
    enum Kind { Wrote, Truncated, Flushed, Created, Removed, FolderFlushed } kind;
    std::string path;          // the file, or the folder for FolderFlushed
    std::uint64_t offset = 0;  // Wrote: where; Truncated: the new length
    std::string bytes;         // Wrote: what
};
// Installs the observer (an empty one removes it); never set outside tests.
void ObserveChanges(std::function<void(const Change&)> observer);

// Test hook: BVR_MMIO_KILL_AT_WRITE=N makes the process kill itself (SIGKILL) at its Nth
// write or truncate through this layer; "N:half" first writes that write's first half, up to
// the last sector boundary of the file in it.
// Read when a file is opened; never set outside tests.
std::int64_t WritesSoFar();

} // namespace platform::mmio
