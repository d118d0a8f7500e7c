#include "platform/audio/SampleLoader.h"

#include <algorithm>

namespace platform::audio {

SampleLoader::~SampleLoader() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        queue_.clear();
    }
    stop_ = true;
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void SampleLoader::Want(const std::vector<SampleRequest>& requests) {
    std::lock_guard lock(mutex_);
    queue_.clear();
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
        if (it->block) queue_.push_back({it->block, it->first, it->count});
    if (!thread_.joinable() && !queue_.empty()) thread_ = std::thread([this] { Run(); });
    cv_.notify_one();
}

void SampleLoader::Cancel() {
    std::unique_lock lock(mutex_);
    queue_.clear();
    if (!busy_) return;
    stop_ = true;
    idle_.wait(lock, [&] { return !busy_; });
    stop_ = false;
}

bool SampleLoader::Idle() const {
    std::lock_guard lock(mutex_);
    return !busy_ && queue_.empty();
}

void SampleLoader::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [&] { return quit_ || !queue_.empty(); });
        if (quit_) return;
        const Pending next = queue_.back();
        queue_.pop_back();
        BlockPtr block = next.block.lock();
        if (!block) continue;
        const bool whole = next.count < 0;
        if (whole ? block->Loaded() != nullptr : block->RangeMinMax(next.first, next.count).has_value()) continue;
        busy_ = true;
        lock.unlock();
        bool loaded = false;
        try {
            if (whole) {
                loaded = block->LoadUnless(stop_);
            } else {
                block->ReadRangeMinMax(next.first, next.count);
                loaded = true;
            }
        } catch (...) {
            // An unreadable block stays drawn from its summaries.
        }
        block.reset(); // before Cancel returns: the document may close its file
        lock.lock();
        busy_ = false;
        if (loaded) completed_.fetch_add(1, std::memory_order_acq_rel);
        idle_.notify_all();
    }
}

} // namespace platform::audio
