// One channel of a document: an immutable sequence of pieces of blocks. Edits build new
// tracks that share the pieces they did not touch, so an undo step costs what changed.
#pragma once

#include "platform/audio/Block.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::audio {

// A run of samples: part of a block (or silence when block is null), read forwards or
// backwards, scaled by gain and shifted by bias.
struct Piece {
    BlockPtr block;
    std::int64_t offset = 0;
    std::int64_t length = 0;
    float gain = 1.0f;
    float bias = 0.0f;
    bool reversed = false;

    Piece Sub(std::int64_t from, std::int64_t count) const;
    // direct: a block not in memory is not loaded whole; only these samples are read.
    // loaded: the block's samples, already at hand.
    void Read(std::int64_t from, std::int64_t count, float* out, bool direct = false,
              const ChannelData* loaded = nullptr) const;
    Stats StatsOf(std::int64_t from, std::int64_t count) const;
};

class Track;
using TrackPtr = std::shared_ptr<const Track>;

class Track {
public:
    Track() = default;
    explicit Track(std::vector<Piece> pieces);
    static TrackPtr Empty();
    static TrackPtr Silence(std::int64_t length);
    static TrackPtr FromBlocks(const std::vector<BlockPtr>& blocks);

    std::int64_t Length() const { return length_; }
    const std::vector<Piece>& Pieces() const { return pieces_; }

    // Samples [from, from+count); beyond the end reads as silence. direct: blocks not in
    // memory are not loaded whole, only the samples asked for are read (a player's start).
    void Read(std::int64_t from, std::int64_t count, float* out, bool direct = false) const;
    Stats StatsOf(std::int64_t from, std::int64_t count) const;
    // Loads the blocks under [from, from+count) into the cache ahead of a reader.
    void Prefetch(std::int64_t from, std::int64_t count) const;

    TrackPtr Slice(std::int64_t from, std::int64_t to) const;
    // This track with [from, to) replaced by the whole of insert.
    TrackPtr Replace(std::int64_t from, std::int64_t to, const Track& insert) const;
    TrackPtr Scaled(std::int64_t from, std::int64_t to, float gain, float bias) const;
    TrackPtr Reversed(std::int64_t from, std::int64_t to) const;

private:
    void Append(const Piece& p);
    void AppendRange(const Track& t, std::int64_t from, std::int64_t to);
    std::size_t Find(std::int64_t pos) const;
    std::vector<Piece> pieces_;
    std::vector<std::int64_t> starts_;
    std::int64_t length_ = 0;
};

} // namespace platform::audio
