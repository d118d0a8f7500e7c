#include "platform/audio/Transport.h"

#include "platform/audio/PortAudioDevice.h"
#include "platform/base/Error.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>
#include <utility>

namespace platform::audio {

namespace {

std::mutex& FactoryMutex() {
    static std::mutex m;
    return m;
}
DeviceFactory& Factory() {
    static DeviceFactory f;
    return f;
}

// Peaks travel between threads as the bits of a non-negative float, whose order as unsigned
// numbers is the order of the values.
void RaisePeak(std::atomic<std::uint32_t>& slot, float v) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(std::fabs(v));
    std::uint32_t cur = slot.load(std::memory_order_relaxed);
    while (bits > cur && !slot.compare_exchange_weak(cur, bits, std::memory_order_relaxed)) {
    }
}
float TakePeak(std::atomic<std::uint32_t>& slot) {
    return std::bit_cast<float>(slot.exchange(0, std::memory_order_relaxed));
}

void NotePeaks(std::atomic<std::uint32_t>* slots, const float* interleaved, std::int64_t frames, int channels) {
    float peak[2] = {0, 0};
    for (std::int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            float v = std::fabs(interleaved[i * channels + c]);
            float& p = peak[std::min(c, 1)];
            if (v > p) p = v;
        }
    RaisePeak(slots[0], peak[0]);
    RaisePeak(slots[1], channels > 1 ? peak[1] : peak[0]);
}

} // namespace

std::shared_ptr<AudioDevice> MakeDevice(DeviceDirection d, int soundCard) {
    DeviceFactory f;
    {
        std::lock_guard lock(FactoryMutex());
        f = Factory();
    }
    if (f) return f(d, soundCard);
    return std::make_shared<PortAudioDevice>(d, soundCard);
}

ScopedDeviceFactory::ScopedDeviceFactory(DeviceFactory f) {
    std::lock_guard lock(FactoryMutex());
    previous_ = std::exchange(Factory(), std::move(f));
}
ScopedDeviceFactory::~ScopedDeviceFactory() {
    std::lock_guard lock(FactoryMutex());
    Factory() = std::move(previous_);
}

int PeakToLevel(float peak, int scale) {
    if (!(peak > 0.001f)) return 0; // -60 dB and below, and NaN
    double db = 20.0 * std::log10(std::min(1.0f, peak));
    return static_cast<int>(std::lround(scale * (1.0 + db / 60.0)));
}

// ---- Playback

struct Transport::PlayState {
    std::vector<TrackPtr> tracks;
    int rate = 44100, channels = 1;
    PlayPlan plan;
    std::atomic<std::int64_t> pos{0};
    std::atomic<bool> ended{false};
    std::atomic<std::uint32_t> peaks[2]{};
    int passes = 0;       // completed passes of the loop section
    bool looping = false; // the loop section still lies ahead or is playing
    std::vector<std::vector<float>> scratch;
    // The first samples, read before anything else so the card starts at once.
    std::vector<std::vector<float>> head;
    std::int64_t headStart = 0, headLength = 0;

    static constexpr std::int64_t kChunk = 4096;
    static constexpr std::int64_t kHead = 16384;

    void ReadHead() {
        headStart = pos.load(std::memory_order_relaxed);
        headLength = std::clamp<std::int64_t>(std::min(plan.end, looping ? plan.loopEnd : plan.end) - headStart, 0, kHead);
        head.assign(tracks.size(), std::vector<float>(static_cast<std::size_t>(headLength)));
        for (std::size_t c = 0; c < tracks.size(); ++c) tracks[c]->Read(headStart, headLength, head[c].data(), true);
    }

    // Loads the blocks of the next seconds ahead of the device, on a thread of its own, so the
    // device's callback finds them in memory instead of waiting for the disk.
    std::thread prefetch;
    std::atomic<bool> stopPrefetch{false};

    void Touch(std::int64_t from, std::int64_t to) const {
        for (const auto& t : tracks) {
            std::int64_t start = 0;
            for (const Piece& piece : t->Pieces()) {
                const std::int64_t end = start + piece.length;
                if (stopPrefetch.load(std::memory_order_relaxed)) return;
                // Given up part way when playback stops, so a new start never waits for it.
                if (end > from && start < to && piece.block && !piece.block->Loaded()) piece.block->LoadUnless(stopPrefetch);
                if (end >= to) break;
                start = end;
            }
        }
    }
    void PrefetchLoop() {
        const std::int64_t ahead = 4LL * rate;
        while (!stopPrefetch.load(std::memory_order_relaxed)) {
            const std::int64_t p = pos.load(std::memory_order_relaxed);
            try {
                Touch(p, p + ahead);
                if (plan.loopCount >= 0 && plan.loopEnd > plan.loopStart) Touch(plan.loopStart, plan.loopStart + ahead);
            } catch (...) {
                // What cannot be loaded ahead is read when it is played.
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    void StartPrefetch() {
        stopPrefetch = false;
        prefetch = std::thread([this] { PrefetchLoop(); });
    }
    void StopPrefetch() {
        stopPrefetch = true;
        if (prefetch.joinable()) prefetch.join();
    }
    ~PlayState() { StopPrefetch(); }

    // Where the device's frames came from, so that the position can be given as heard, the
    // card's delay later than handed over: each entry is the first device frame of a run
    // of consecutive document samples, and that sample. A sequence lock keeps the reader
    // from seeing a half-written entry; the device's thread never waits.
    static constexpr std::int64_t kLog = 64;
    std::atomic<std::uint64_t> seq{0};
    std::atomic<std::int64_t> logDev[kLog]{}, logDoc[kLog]{};
    std::atomic<std::int64_t> logCount{0}, devFrames{0};
    std::int64_t expected = -1; // the device thread's next sample when nothing jumps

    void Log(std::int64_t dev, std::int64_t doc) {
        seq.fetch_add(1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        const std::int64_t i = logCount.load(std::memory_order_relaxed);
        logDev[i % kLog].store(dev, std::memory_order_relaxed);
        logDoc[i % kLog].store(doc, std::memory_order_relaxed);
        logCount.store(i + 1, std::memory_order_relaxed);
        seq.fetch_add(1, std::memory_order_release);
    }
    // Only while the device is stopped.
    void ResetLog() {
        logCount = 0;
        devFrames = 0;
        expected = -1;
    }
    // The document position the listener hears now, the device having played `target` frames.
    std::int64_t Heard(std::int64_t target) const {
        std::int64_t dev[kLog], doc[kLog], count = 0;
        for (;;) {
            const std::uint64_t s1 = seq.load(std::memory_order_acquire);
            if (s1 & 1) continue;
            count = logCount.load(std::memory_order_relaxed);
            for (std::int64_t i = 0; i < std::min(count, kLog); ++i) {
                dev[i] = logDev[i].load(std::memory_order_relaxed);
                doc[i] = logDoc[i].load(std::memory_order_relaxed);
            }
            std::atomic_thread_fence(std::memory_order_acquire);
            if (seq.load(std::memory_order_relaxed) == s1) break;
        }
        if (count == 0) return pos.load(std::memory_order_relaxed);
        // The newest entry that began at or before the target; else the oldest one kept.
        std::int64_t best = -1, oldest = -1;
        for (std::int64_t k = std::max<std::int64_t>(0, count - kLog); k < count; ++k) {
            const std::int64_t i = k % kLog;
            if (oldest < 0) oldest = i;
            if (dev[i] <= target) best = i;
        }
        if (best < 0) return doc[oldest];
        return std::clamp<std::int64_t>(doc[best] + (target - dev[best]), 0, plan.end);
    }

    // Runs on the device's thread.
    std::int64_t Pull(float* out, std::int64_t frames) {
        std::int64_t p = pos.load(std::memory_order_relaxed), n = 0;
        const std::int64_t dev0 = devFrames.load(std::memory_order_relaxed);
        // At the loop's end the head goes back at once, so the position never shows the end.
        auto wrap = [&] {
            if (!looping || p < plan.loopEnd) return false;
            ++passes;
            if (plan.loopCount == 0 || passes < plan.loopCount) {
                p = plan.loopStart;
                Log(dev0 + n, p);
                expected = p;
            } else {
                looping = false;
            }
            return true;
        };
        while (n < frames) {
            if (wrap()) continue;
            const std::int64_t limit = looping ? plan.loopEnd : plan.end;
            const std::int64_t k = std::min({frames - n, limit - p, kChunk});
            if (k <= 0) break;
            if (p != expected) Log(dev0 + n, p);
            expected = p + k;
            float* dst = out + n * channels;
            for (int c = 0; c < channels; ++c) {
                const float* s;
                if (p >= headStart && p + k <= headStart + headLength) {
                    s = head[static_cast<std::size_t>(c)].data() + (p - headStart);
                } else {
                    // Never waits for a whole block: what the loader has not brought yet is
                    // read on its own.
                    float* buf = scratch[static_cast<std::size_t>(c)].data();
                    tracks[static_cast<std::size_t>(c)]->Read(p, k, buf, true);
                    s = buf;
                }
                for (std::int64_t i = 0; i < k; ++i) dst[i * channels + c] = s[i];
            }
            NotePeaks(peaks, dst, k, channels);
            p += k;
            n += k;
        }
        wrap();
        pos.store(p, std::memory_order_relaxed);
        devFrames.store(dev0 + frames, std::memory_order_relaxed);
        if (n < frames) {
            std::fill(out + n * channels, out + frames * channels, 0.0f);
            ended.store(true, std::memory_order_release);
        }
        return n;
    }
};

// ---- Recording

namespace {

// One channel of a recording into work-file blocks. Unlike an edit's writer it keeps every
// block written before a failure (a full disk), so the recording up to then is not lost.
class RecordWriter {
public:
    explicit RecordWriter(std::shared_ptr<WorkFile> file) : file_(std::move(file)) {
        pending_.reserve(static_cast<std::size_t>(kWorkBlockFrames));
    }
    void Write(const float* x, std::int64_t n) {
        while (n > 0) {
            const std::int64_t take = std::min(kWorkBlockFrames - static_cast<std::int64_t>(pending_.size()), n);
            pending_.insert(pending_.end(), x, x + take);
            x += take;
            n -= take;
            if (static_cast<std::int64_t>(pending_.size()) == kWorkBlockFrames) Flush();
        }
    }
    void Flush() {
        if (pending_.empty()) return;
        const auto n = static_cast<std::int64_t>(pending_.size());
        const std::int64_t off = file_->Append(pending_.data(), n);
        auto storage = std::make_shared<WorkRegion>(file_, off, n);
        Summaries sums = Summaries::Compute(pending_.data(), n);
        blocks_.push_back(std::make_shared<Block>(storage, 0, std::move(sums)));
        pending_.clear();
    }
    // What reached the work file; what could not be written is dropped.
    std::vector<BlockPtr> Finish(bool tryPending) {
        if (tryPending) {
            try {
                Flush();
            } catch (...) {
            }
        }
        return std::move(blocks_);
    }

private:
    std::shared_ptr<WorkFile> file_;
    std::vector<float> pending_;
    std::vector<BlockPtr> blocks_;
};

} // namespace

struct Transport::RecordState {
    int rate = 44100, channels = 1;
    std::int64_t at = 0;
    std::vector<float> ring;
    std::uint64_t mask = 0;
    std::atomic<std::uint64_t> head{0}, tail{0}; // in samples; head written by the device, tail by the writer
    std::atomic<std::int64_t> recorded{0}, lost{0};
    std::atomic<std::uint32_t> peaks[2]{};
    std::atomic<bool> stopWriter{false};
    std::vector<RecordWriter> writers;
    std::atomic<bool> writeFailed{false};
    std::thread writer;
    std::exception_ptr writerError;

    static constexpr std::uint64_t kRingSamples = std::uint64_t{1} << 22;

    // Runs on the device's thread: never blocks, never allocates.
    void Push(const float* in, std::int64_t frames) {
        if (frames <= 0) return;
        const std::uint64_t n = static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(channels);
        const std::uint64_t h = head.load(std::memory_order_relaxed);
        const std::uint64_t t = tail.load(std::memory_order_acquire);
        if (ring.size() - (h - t) < n) {
            lost.fetch_add(frames, std::memory_order_relaxed);
            return;
        }
        const std::uint64_t first = h & mask, part = std::min<std::uint64_t>(n, ring.size() - first);
        std::memcpy(ring.data() + first, in, part * sizeof(float));
        std::memcpy(ring.data(), in + part, (n - part) * sizeof(float));
        head.store(h + n, std::memory_order_release);
        recorded.fetch_add(frames, std::memory_order_relaxed);
        NotePeaks(peaks, in, frames, channels);
    }

    void WriterLoop() {
        std::vector<std::vector<float>> planes(static_cast<std::size_t>(channels));
        try {
            for (;;) {
                const std::uint64_t t = tail.load(std::memory_order_relaxed);
                const std::uint64_t h = head.load(std::memory_order_acquire);
                if (h == t) {
                    if (stopWriter.load(std::memory_order_acquire) && head.load(std::memory_order_acquire) == t) break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    continue;
                }
                const std::uint64_t ch = static_cast<std::uint64_t>(channels);
                std::uint64_t n = std::min<std::uint64_t>(h - t, 65536 * ch);
                const std::uint64_t frames = n / ch;
                for (auto& p : planes) p.resize(frames);
                for (std::uint64_t i = 0; i < frames; ++i)
                    for (std::uint64_t c = 0; c < ch; ++c) planes[c][i] = ring[(t + i * ch + c) & mask];
                tail.store(t + frames * ch, std::memory_order_release);
                for (std::size_t c = 0; c < planes.size(); ++c)
                    writers[c].Write(planes[c].data(), static_cast<std::int64_t>(frames));
            }
        } catch (...) {
            writerError = std::current_exception();
            writeFailed = true;
            // Keep draining so the device never sees a full ring; the samples are lost.
            while (!stopWriter.load(std::memory_order_acquire)) {
                tail.store(head.load(std::memory_order_acquire), std::memory_order_release);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
    }
};

// ---- Transport

Transport::Transport() = default;

Transport::~Transport() {
    try {
        Stop();
        if (rec_) FinishRecording();
    } catch (...) {
    }
}

void Transport::StartDevice() {
    std::function<std::int64_t(float*, std::int64_t)> pull;
    std::function<void(const float*, std::int64_t)> push;
    int rate = 0, channels = 0;
    if (play_) {
        auto p = play_;
        p->ResetLog();
        pull = [p](float* out, std::int64_t frames) { return p->Pull(out, frames); };
        rate = p->rate;
        channels = p->channels;
    } else {
        auto r = rec_;
        push = [r](const float* in, std::int64_t frames) { r->Push(in, frames); };
        rate = r->rate;
        channels = r->channels;
    }
    if (!device_->Start(rate, channels, std::move(pull), std::move(push)))
        Raise(err::DeviceIO, "The sound card could not be started");
}

std::int64_t Transport::FramesHeard() const {
    if (const auto* clock = dynamic_cast<const ListenerClock*>(device_.get())) return clock->FramesHeard();
    return play_ ? play_->devFrames.load(std::memory_order_relaxed) : 0;
}

void Transport::Play(std::shared_ptr<AudioDevice> device, int rate, std::vector<TrackPtr> tracks,
                     const PlayPlan& plan) {
    Stop();
    if (tracks.empty()) Raise(err::InvalidCall, "There is no audio to play");
    auto p = std::make_shared<PlayState>();
    p->rate = rate;
    p->channels = static_cast<int>(tracks.size());
    p->plan = plan;
    const std::int64_t length = tracks[0]->Length();
    p->plan.end = std::clamp<std::int64_t>(plan.end, 0, length);
    p->plan.start = std::clamp<std::int64_t>(plan.start, 0, p->plan.end);
    p->plan.loopStart = std::clamp<std::int64_t>(plan.loopStart, 0, p->plan.end);
    p->plan.loopEnd = std::clamp<std::int64_t>(plan.loopEnd, p->plan.loopStart, p->plan.end);
    // A loop section lies ahead only when the play head has not passed it.
    p->looping = plan.loopCount >= 0 && p->plan.loopEnd > p->plan.loopStart && p->plan.start < p->plan.loopEnd;
    p->pos = p->plan.start;
    p->tracks = std::move(tracks);
    p->scratch.assign(p->tracks.size(), std::vector<float>(PlayState::kChunk));
    play_ = p;
    device_ = std::move(device);
    lastPosition_ = -1;
    p->ReadHead(); // before the loader's look-ahead competes for the disk
    p->StartPrefetch();
    try {
        StartDevice();
    } catch (...) {
        p->StopPrefetch();
        play_.reset();
        device_.reset();
        throw;
    }
    mode_ = Mode::Playing;
}

void Transport::Pause() {
    if (mode_ != Mode::Playing) return;
    // What the card held but had not played yet is gone: go on from what was heard, also when
    // all was handed over and the card was playing out its last frames.
    const std::int64_t heard = play_->Heard(FramesHeard());
    device_->Stop();
    play_->pos = heard;
    if (heard < play_->plan.end) play_->ended = false;
    mode_ = Mode::Paused;
}

void Transport::Resume() {
    if (mode_ != Mode::Paused) return;
    if (play_->ended) {
        Stop();
        return;
    }
    StartDevice();
    mode_ = Mode::Playing;
}

void Transport::Stop() {
    if (device_) device_->Stop();
    if (mode_ == Mode::Recording) {
        mode_ = Mode::Idle; // the recording waits in rec_ for FinishRecording
        return;
    }
    device_.reset();
    if (play_) play_->StopPrefetch();
    play_.reset();
    mode_ = Mode::Idle;
}

void Transport::Record(std::shared_ptr<AudioDevice> device, int rate, int channels, std::shared_ptr<WorkFile> work,
                       std::int64_t at, std::int64_t replaceTo) {
    Stop();
    if (rec_) FinishRecording();
    if (channels <= 0) Raise(err::InvalidCall, "There is no document to record into");
    auto r = std::make_shared<RecordState>();
    r->rate = rate;
    r->channels = channels;
    r->at = at;
    recordAt_ = at;
    recordTo_ = std::max(at, replaceTo);
    r->ring.assign(RecordState::kRingSamples, 0.0f);
    r->mask = RecordState::kRingSamples - 1;
    for (int c = 0; c < channels; ++c) r->writers.emplace_back(work);
    rec_ = r;
    device_ = std::move(device);
    lastPosition_ = -1;
    r->writer = std::thread([r] { r->WriterLoop(); });
    try {
        StartDevice();
    } catch (...) {
        r->stopWriter = true;
        r->writer.join();
        rec_.reset();
        device_.reset();
        throw;
    }
    mode_ = Mode::Recording;
}

std::vector<TrackPtr> Transport::FinishRecording() {
    if (!rec_) return {};
    if (device_) device_->Stop();
    device_.reset();
    mode_ = Mode::Idle;
    auto r = std::move(rec_);
    r->stopWriter = true;
    if (r->writer.joinable()) r->writer.join();
    std::vector<TrackPtr> out;
    std::int64_t shortest = -1;
    for (auto& w : r->writers) {
        out.push_back(Track::FromBlocks(w.Finish(!r->writerError)));
        shortest = shortest < 0 ? out.back()->Length() : std::min(shortest, out.back()->Length());
    }
    // After a failed write the channels may have got unequally far: keep what all of them hold.
    for (auto& t : out)
        if (t->Length() > shortest) t = t->Slice(0, shortest);
    if (r->writerError && shortest <= 0) std::rethrow_exception(r->writerError);
    return out;
}

std::int64_t Transport::Position() const {
    if (play_) return mode_ == Mode::Playing ? play_->Heard(FramesHeard()) : play_->pos.load(std::memory_order_relaxed);
    if (rec_) return rec_->at + rec_->recorded.load(std::memory_order_relaxed);
    return 0;
}

std::int64_t Transport::RecordedFrames() const { return rec_ ? rec_->recorded.load() : 0; }
std::int64_t Transport::LostFrames() const { return rec_ ? rec_->lost.load() : 0; }

TransportNews Transport::Pump() {
    TransportNews n;
    if (mode_ == Mode::Idle || mode_ == Mode::Paused) {
        n.position = Position();
        return n;
    }
    n.running = true;
    n.position = Position();
    n.moved = n.position != lastPosition_;
    lastPosition_ = n.position;
    auto* slots = play_ ? play_->peaks : rec_->peaks;
    n.peak[0] = TakePeak(slots[0]);
    n.peak[1] = TakePeak(slots[1]);
    n.haveLevels = true;
    if (play_ && play_->ended.load(std::memory_order_acquire)) {
        if (device_->Running()) return n; // the card still plays what it holds
        n.position = play_->plan.end;
        n.moved = n.position != lastPosition_ || n.moved;
        lastPosition_ = n.position;
        n.ended = true;
        n.running = false;
        Stop();
    } else if (rec_ && rec_->writeFailed.load()) {
        n.failed = true;
        n.running = false;
        n.error = "The recording stopped: its work file could not be written";
        device_->Stop();
        mode_ = Mode::Idle;
    } else if (!device_->Running()) {
        n.failed = true;
        n.running = false;
        n.error = "The sound card stopped unexpectedly";
        if (mode_ == Mode::Recording) device_->Stop();
        else Stop();
        mode_ = Mode::Idle;
    }
    return n;
}

} // namespace platform::audio
