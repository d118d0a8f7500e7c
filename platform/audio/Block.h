// Immutable sample blocks: where their samples live (a region of an opened PCM file or of a
// work file), a bounded cache of loaded samples, and the level summaries made with each block.
#pragma once

#include <algorithm>
#include <atomic>
#include <sys/types.h>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <vector>

namespace platform::audio {

inline constexpr int kFineWindow = 256;
inline constexpr int kCoarseWindow = 65536;
// Blocks made from a PCM file and blocks written by edits.
inline constexpr std::int64_t kFileBlockFrames = 1 << 20;
inline constexpr std::int64_t kWorkBlockFrames = 1 << 18;

struct SummaryPoint {
    float min = 0, max = 0, rms = 0;
};

// Level statistics of a run of samples.
struct Stats {
    double min = 0, max = 0, sum = 0, sumSq = 0;
    std::int64_t count = 0;
    void Add(const Stats& o);
    double Peak() const { return count ? std::max(-min, max) : 0.0; }
};

struct Summaries {
    std::vector<SummaryPoint> fine;    // one per 256 samples
    std::vector<float> fineSum;        // sum of the samples of each fine window
    std::vector<SummaryPoint> coarse;  // one per 65536 samples
    std::vector<double> coarseSum;     // sum of the samples of each coarse window
    static Summaries Compute(const float* x, std::int64_t n);
    // Adds the summaries of the samples that follow; all but the last part must be whole
    // coarse windows long.
    void Append(const Summaries& next);
};

using ChannelData = std::vector<std::vector<float>>;

// Where a block's samples live. Loading gives every channel of the region at once, so the
// channels of one file region are read from disk once.
class Storage {
public:
    Storage();
    virtual ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    virtual int Channels() const = 0;
    virtual std::int64_t Frames() const = 0;
    virtual void Load(ChannelData& out) const = 0;
    // Frames [first, first+count) into out from outOffset on; out is already sized.
    virtual void LoadRange(std::int64_t first, std::int64_t count, ChannelData& out, std::int64_t outOffset) const = 0;
    std::uint64_t Id() const { return id_; }

private:
    std::uint64_t id_;
};

// Loaded samples of recently used storages, within a byte budget for the whole process.
class BlockCache {
public:
    static BlockCache& Instance();
    std::shared_ptr<const ChannelData> Get(const Storage& s);
    // What is in memory now, or null: never reads.
    std::shared_ptr<const ChannelData> Peek(const Storage& s);
    void Put(const Storage& s, std::shared_ptr<const ChannelData> data);
    void Forget(std::uint64_t id);
    void SetBudget(std::size_t bytes);
    std::size_t Budget() const;
    std::size_t Bytes() const;

private:
    struct Impl;
    BlockCache();
    std::unique_ptr<Impl> impl_;
};

// An opened PCM file. The descriptor stays open for the life of the document, so the file
// may be renamed over or deleted meanwhile. Where the system grants a read lease, a program
// that opens the file to rewrite it waits until the ranges still in use are copied into an
// unnamed file of `copyFolder`; without a lease a rewrite is noticed on the next read and what
// is not cached reads as silence from then on. Bytes that have gone read as silence.
class PcmFile : public std::enable_shared_from_this<PcmFile> {
public:
    enum class Encoding { UInt8, Int16, Int24, Int32, Float32, Float64 };
    PcmFile(int fd, std::int64_t dataOffset, std::int64_t frames, int channels, Encoding enc,
            std::string copyFolder = {});
    ~PcmFile();
    PcmFile(const PcmFile&) = delete;
    PcmFile& operator=(const PcmFile&) = delete;
    int Channels() const { return channels_; }
    std::int64_t Frames() const { return frames_; }
    int BytesPerSample() const;
    // Asks to be told before another program rewrites the file; call once it is owned by a
    // shared_ptr. False when no lease could be taken (the change is then only noticed).
    bool Guard();
    // Reads frames [first, first+count) into out (planar), zero where the file holds nothing.
    void Read(std::int64_t first, std::int64_t count, ChannelData& out) const;
    // The same into out, which holds every channel already, from outOffset on.
    void ReadInto(std::int64_t first, std::int64_t count, ChannelData& out, std::int64_t outOffset) const;
    static void Convert(const unsigned char* src, std::int64_t frames, int channels,
                        Encoding enc, ChannelData& out, std::int64_t outOffset);
    // The frames regions refer to; only these are kept when the file is rewritten.
    void Hold(std::int64_t first, std::int64_t frames) const;
    void Drop(std::int64_t first, std::int64_t frames) const;
    // Copies the held ranges aside and reads from the copy (the lease's break).
    void Detach();
    // The program itself writes the file's metadata (never its audio): the lease is let go
    // for that while, nothing is copied, and afterwards the file is read as it now is.
    void PauseForOwnWrite();
    void ResumeAfterOwnWrite();
    bool SameFile(dev_t dev, ino_t ino) const { return dev_ == dev && ino_ == ino; }

private:
    bool ChangedOnDisk() const;
    mutable std::shared_mutex fdMutex_; // readers share; Detach swaps the descriptor alone
    int fd_;
    int leaseFd_ = -1;    // the descriptor holding the lease, while it is held
    bool copied_ = false; // fd_ is our copy
    mutable std::atomic<bool> gone_{false};
    std::atomic<std::int64_t> size_{0};
    std::atomic<std::int64_t> mtimeNs_{0};
    std::atomic<bool> ownWrite_{false};
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    std::int64_t dataOffset_, frames_;
    int channels_;
    Encoding enc_;
    std::string copyFolder_;
    mutable std::mutex heldMutex_;
    mutable std::multiset<std::pair<std::int64_t, std::int64_t>> held_;
};

class FileRegion final : public Storage {
public:
    FileRegion(std::shared_ptr<const PcmFile> file, std::int64_t first, std::int64_t frames)
        : file_(std::move(file)), first_(first), frames_(frames) {
        file_->Hold(first_, frames_);
    }
    ~FileRegion() override { file_->Drop(first_, frames_); }
    int Channels() const override { return file_->Channels(); }
    std::int64_t Frames() const override { return frames_; }
    void Load(ChannelData& out) const override;
    void LoadRange(std::int64_t first, std::int64_t count, ChannelData& out, std::int64_t outOffset) const override;

private:
    std::shared_ptr<const PcmFile> file_;
    std::int64_t first_, frames_;
};

// Append-only file of float samples in the component's temporary folder; removed when the
// last block stored in it goes.
class WorkFile {
public:
    explicit WorkFile(const std::string& folder);
    ~WorkFile();
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;
    std::int64_t Append(const float* x, std::int64_t n);
    void Read(std::int64_t offset, float* x, std::int64_t n) const;
    void Release(std::int64_t offset, std::int64_t n);
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
    std::mutex mutex_;
    std::int64_t end_ = 0;
};

class WorkRegion final : public Storage {
public:
    WorkRegion(std::shared_ptr<WorkFile> file, std::int64_t offset, std::int64_t frames)
        : file_(std::move(file)), offset_(offset), frames_(frames) {}
    ~WorkRegion() override;
    int Channels() const override { return 1; }
    std::int64_t Frames() const override { return frames_; }
    void Load(ChannelData& out) const override;
    void LoadRange(std::int64_t first, std::int64_t count, ChannelData& out, std::int64_t outOffset) const override;

private:
    std::shared_ptr<WorkFile> file_;
    std::int64_t offset_, frames_;
};

// One channel of a storage, with its summaries.
class Block {
public:
    Block(std::shared_ptr<const Storage> storage, int channel, Summaries summaries)
        : storage_(std::move(storage)), channel_(channel), summaries_(std::move(summaries)) {}
    std::int64_t Frames() const { return storage_->Frames(); }
    const Summaries& Summary() const { return summaries_; }
    // The block's samples (loaded through the cache).
    std::shared_ptr<const ChannelData> Data() const;
    // The samples if they are in memory now, else null: never waits for the disk.
    std::shared_ptr<const ChannelData> Loaded() const;
    // Loads the samples into the cache a part at a time; gives up, false, once `stop` is set.
    bool LoadUnless(const std::atomic<bool>& stop) const;
    // Samples [first, first+count) of the block straight from where they are stored, without
    // loading the whole block: what a reader that cannot wait for a whole block needs.
    void ReadDirect(std::int64_t first, std::int64_t count, float* out) const;
    // Lowest and highest sample of [first, first+count): from memory or from an earlier read
    // of that range; nothing when finding out would need the disk.
    std::optional<std::pair<float, float>> RangeMinMax(std::int64_t first, std::int64_t count) const;
    // The same, reading only that range when it is not in memory, and remembering it.
    std::pair<float, float> ReadRangeMinMax(std::int64_t first, std::int64_t count) const;
    const float* Samples(const ChannelData& d) const { return d[static_cast<std::size_t>(channel_)].data(); }
    Stats StatsOf(std::int64_t first, std::int64_t count) const;

private:
    void Remember(std::int64_t first, std::int64_t count, std::pair<float, float> v) const;
    std::shared_ptr<const Storage> storage_;
    int channel_;
    Summaries summaries_;
    mutable std::mutex rangesMutex_;
    mutable std::map<std::pair<std::int64_t, std::int64_t>, std::pair<float, float>> ranges_;
};

using BlockPtr = std::shared_ptr<const Block>;

// Writes the samples of one channel into work-file blocks; each full block is stored and
// summarised on another thread while the caller makes the next.
class BlockWriter {
public:
    explicit BlockWriter(std::shared_ptr<WorkFile> file) : file_(std::move(file)) {}
    void Write(const float* x, std::int64_t n);
    std::vector<BlockPtr> Finish();

private:
    void Flush();
    std::shared_ptr<WorkFile> file_;
    std::vector<float> pending_;
    std::vector<BlockPtr> blocks_;
    std::future<BlockPtr> inFlight_;
};

// Removes work and clipboard files of runs whose process is gone.
void CleanStaleFiles(const std::string& folder);

} // namespace platform::audio
