// Reads blocks' samples into the cache on a thread of its own, for the waveform view: a paint
// draws from what is in memory and asks for the rest, and is drawn again once it has come.
#pragma once

#include "platform/audio/Block.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::audio {

// Samples a paint lacked: the whole block (count -1), or the lowest and highest sample of a
// range of it.
struct SampleRequest {
    BlockPtr block;
    std::int64_t first = 0, count = -1;
    bool operator==(const SampleRequest& o) const {
        return block == o.block && first == o.first && count == o.count;
    }
};

class SampleLoader {
public:
    SampleLoader() = default;
    ~SampleLoader();
    SampleLoader(const SampleLoader&) = delete;
    SampleLoader& operator=(const SampleLoader&) = delete;

    // What is wanted now, most urgent first, in place of what was wanted before. Only weak
    // references are kept: a block nobody holds any more is never read.
    void Want(const std::vector<SampleRequest>& requests);
    // Forgets what is wanted and waits for a read under way to end (it stops within a part
    // of its block): once this returns no block asked for before is read.
    void Cancel();
    // Requests done since the start; a change means new samples are in memory.
    std::uint64_t Completed() const { return completed_.load(std::memory_order_acquire); }
    // Nothing wanted and nothing being read.
    bool Idle() const;

private:
    void Run();
    mutable std::mutex mutex_;
    std::condition_variable cv_, idle_;
    struct Pending {
        std::weak_ptr<const Block> block;
        std::int64_t first, count;
    };
    std::vector<Pending> queue_; // most urgent last
    bool busy_ = false, quit_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> completed_{0};
    std::thread thread_;
};

} // namespace platform::audio
