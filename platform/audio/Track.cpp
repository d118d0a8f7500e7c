#include "platform/audio/Track.h"

#include <algorithm>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace platform::audio {

Piece Piece::Sub(std::int64_t from, std::int64_t count) const {
    Piece p = *this;
    p.length = count;
    p.offset = reversed ? offset + (length - from - count) : offset + from;
    return p;
}

void Piece::Read(std::int64_t from, std::int64_t count, float* out, bool direct, const ChannelData* loaded) const {
    if (!block) {
        std::fill(out, out + count, bias);
        return;
    }
    // The block's samples [lo, lo + count) are the ones read.
    const std::int64_t lo = reversed ? offset + length - from - count : offset + from;
    std::shared_ptr<const ChannelData> data;
    if (!loaded) data = direct ? block->Loaded() : block->Data();
    if (data) loaded = data.get();
    thread_local std::vector<float> part;
    const float* src;
    if (loaded) {
        src = block->Samples(*loaded) + lo;
    } else {
        if (part.size() < static_cast<std::size_t>(count)) part.resize(static_cast<std::size_t>(count));
        block->ReadDirect(lo, count, part.data());
        src = part.data();
    }
    if (!reversed) {
        const float* s = src;
        if (gain == 1.0f && bias == 0.0f)
            std::copy(s, s + count, out);
        else
            for (std::int64_t i = 0; i < count; ++i) out[i] = s[i] * gain + bias;
    } else {
        const float* s = src + count - 1;
        std::int64_t i = 0;
#if defined(__SSE__)
        // Four at a time: load the four before, turn them round.
        const __m128 g = _mm_set1_ps(gain), b = _mm_set1_ps(bias);
        for (; i + 4 <= count; i += 4) {
            __m128 v = _mm_loadu_ps(s - i - 3);
            v = _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3));
            _mm_storeu_ps(out + i, _mm_add_ps(_mm_mul_ps(v, g), b));
        }
#endif
        for (; i < count; ++i) out[i] = s[-i] * gain + bias;
    }
}

Stats Piece::StatsOf(std::int64_t from, std::int64_t count) const {
    Stats s;
    if (count <= 0) return s;
    if (!block) {
        s.min = s.max = bias;
        s.sum = static_cast<double>(bias) * static_cast<double>(count);
        s.sumSq = static_cast<double>(bias) * bias * static_cast<double>(count);
        s.count = count;
        return s;
    }
    Piece sub = Sub(from, count);
    Stats raw = block->StatsOf(sub.offset, count);
    const double g = gain, b = bias;
    double lo = raw.min * g + b, hi = raw.max * g + b;
    s.min = std::min(lo, hi);
    s.max = std::max(lo, hi);
    s.sum = raw.sum * g + b * static_cast<double>(count);
    s.sumSq = g * g * raw.sumSq + 2 * g * b * raw.sum + b * b * static_cast<double>(count);
    s.count = count;
    return s;
}

Track::Track(std::vector<Piece> pieces) {
    for (auto& p : pieces) Append(p);
}

TrackPtr Track::Empty() {
    static TrackPtr empty = std::make_shared<Track>();
    return empty;
}

TrackPtr Track::Silence(std::int64_t length) {
    auto t = std::make_shared<Track>();
    Piece p;
    p.length = length;
    t->Append(p);
    return t;
}

TrackPtr Track::FromBlocks(const std::vector<BlockPtr>& blocks) {
    auto t = std::make_shared<Track>();
    for (auto& b : blocks) {
        Piece p;
        p.block = b;
        p.length = b->Frames();
        t->Append(p);
    }
    return t;
}

void Track::Append(const Piece& p) {
    if (p.length <= 0) return;
    if (!pieces_.empty()) {
        Piece& last = pieces_.back();
        // Neighbouring silences merge, so repeated edits do not fragment them.
        if (!last.block && !p.block && last.bias == p.bias) {
            last.length += p.length;
            length_ += p.length;
            return;
        }
        if (last.block && last.block == p.block && !last.reversed && !p.reversed &&
            last.gain == p.gain && last.bias == p.bias && last.offset + last.length == p.offset) {
            last.length += p.length;
            length_ += p.length;
            return;
        }
    }
    starts_.push_back(length_);
    pieces_.push_back(p);
    length_ += p.length;
}

std::size_t Track::Find(std::int64_t pos) const {
    auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
    return static_cast<std::size_t>(it - starts_.begin()) - 1;
}

void Track::Read(std::int64_t from, std::int64_t count, float* out, bool direct) const {
    if (count <= 0) return;
    if (from < 0) {
        std::int64_t pad = std::min(count, -from);
        std::fill(out, out + pad, 0.0f);
        out += pad;
        count -= pad;
        from = 0;
    }
    if (from >= length_ || pieces_.empty()) {
        std::fill(out, out + count, 0.0f);
        return;
    }
    std::size_t i = Find(from);
    while (count > 0 && i < pieces_.size()) {
        std::int64_t within = from - starts_[i];
        std::int64_t take = std::min(count, pieces_[i].length - within);
        pieces_[i].Read(within, take, out, direct);
        out += take;
        from += take;
        count -= take;
        ++i;
    }
    if (count > 0) std::fill(out, out + count, 0.0f);
}

Stats Track::StatsOf(std::int64_t from, std::int64_t count) const {
    Stats s;
    from = std::max<std::int64_t>(from, 0);
    std::int64_t to = std::min(length_, from + count);
    if (to <= from) return s;
    std::size_t i = Find(from);
    while (from < to && i < pieces_.size()) {
        std::int64_t within = from - starts_[i];
        std::int64_t take = std::min(to - from, pieces_[i].length - within);
        s.Add(pieces_[i].StatsOf(within, take));
        from += take;
        ++i;
    }
    return s;
}

void Track::Prefetch(std::int64_t from, std::int64_t count) const {
    from = std::max<std::int64_t>(from, 0);
    std::int64_t to = std::min(length_, from + count);
    if (to <= from) return;
    for (std::size_t i = Find(from); i < pieces_.size() && starts_[i] < to; ++i)
        if (pieces_[i].block) pieces_[i].block->Data();
}

void Track::AppendRange(const Track& t, std::int64_t from, std::int64_t to) {
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, t.length_);
    if (to <= from) return;
    std::size_t i = t.Find(from);
    while (from < to && i < t.pieces_.size()) {
        std::int64_t within = from - t.starts_[i];
        std::int64_t take = std::min(to - from, t.pieces_[i].length - within);
        Append(t.pieces_[i].Sub(within, take));
        from += take;
        ++i;
    }
}

TrackPtr Track::Slice(std::int64_t from, std::int64_t to) const {
    auto t = std::make_shared<Track>();
    t->AppendRange(*this, from, to);
    return t;
}

TrackPtr Track::Replace(std::int64_t from, std::int64_t to, const Track& insert) const {
    auto t = std::make_shared<Track>();
    t->AppendRange(*this, 0, from);
    t->AppendRange(insert, 0, insert.length_);
    t->AppendRange(*this, to, length_);
    return t;
}

TrackPtr Track::Scaled(std::int64_t from, std::int64_t to, float gain, float bias) const {
    auto mid = Slice(from, to);
    std::vector<Piece> pieces = mid->pieces_;
    for (auto& p : pieces) {
        p.gain *= gain;
        p.bias = p.bias * gain + bias;
    }
    return Replace(from, to, Track(std::move(pieces)));
}

TrackPtr Track::Reversed(std::int64_t from, std::int64_t to) const {
    auto mid = Slice(from, to);
    std::vector<Piece> pieces(mid->pieces_.rbegin(), mid->pieces_.rend());
    for (auto& p : pieces) p.reversed = !p.reversed;
    return Replace(from, to, Track(std::move(pieces)));
}

} // namespace platform::audio
