#include "platform/audio/Block.h"

#include "platform/audio/AudioEditor.h"

#include "platform/base/Error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <future>
#include <list>
#include <thread>
#include <signal.h>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::audio {

void Stats::Add(const Stats& o) {
    if (o.count == 0) return;
    if (count == 0) {
        min = o.min;
        max = o.max;
    } else {
        min = std::min(min, o.min);
        max = std::max(max, o.max);
    }
    sum += o.sum;
    sumSq += o.sumSq;
    count += o.count;
}

static Stats RawStats(const float* x, std::int64_t n) {
    Stats s;
    if (n <= 0) return s;
    float mn = x[0], mx = x[0];
    double sum = 0, sq = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        float v = x[i];
        mn = std::min(mn, v);
        mx = std::max(mx, v);
        sum += v;
        sq += static_cast<double>(v) * v;
    }
    s.min = mn;
    s.max = mx;
    s.sum = sum;
    s.sumSq = sq;
    s.count = n;
    return s;
}

Summaries Summaries::Compute(const float* x, std::int64_t n) {
    Summaries s;
    const std::int64_t fineCount = (n + kFineWindow - 1) / kFineWindow;
    const std::int64_t coarseCount = (n + kCoarseWindow - 1) / kCoarseWindow;
    s.fine.resize(static_cast<std::size_t>(fineCount));
    s.fineSum.resize(static_cast<std::size_t>(fineCount));
    s.coarse.resize(static_cast<std::size_t>(coarseCount));
    s.coarseSum.assign(static_cast<std::size_t>(coarseCount), 0.0);
    std::vector<double> coarseSq(static_cast<std::size_t>(coarseCount), 0.0);
    constexpr int kLanes = 16; // independent lanes, so the compiler can use vector registers
    for (std::int64_t w = 0; w < fineCount; ++w) {
        const std::int64_t a = w * kFineWindow, b = std::min(n, a + kFineWindow), len = b - a;
        const float* p = x + a;
        float mn, mx, sum, sq;
        if (len == kFineWindow) {
            float lmn[kLanes], lmx[kLanes], lsum[kLanes], lsq[kLanes];
#if defined(__SSE2__)
            // The same lanes four at a time: the same sums in the same order; the lowest and
            // highest of all lanes at once, which order cannot change.
            __m128 mn4 = _mm_loadu_ps(p), mx4 = mn4;
            __m128 s0 = _mm_setzero_ps(), s1 = s0, s2 = s0, s3 = s0, q0 = s0, q1 = s0, q2 = s0, q3 = s0;
            for (int i = 0; i < kFineWindow; i += kLanes) {
                const __m128 v0 = _mm_loadu_ps(p + i), v1 = _mm_loadu_ps(p + i + 4), v2 = _mm_loadu_ps(p + i + 8),
                             v3 = _mm_loadu_ps(p + i + 12);
                mn4 = _mm_min_ps(_mm_min_ps(mn4, v0), _mm_min_ps(_mm_min_ps(v1, v2), v3));
                mx4 = _mm_max_ps(_mm_max_ps(mx4, v0), _mm_max_ps(_mm_max_ps(v1, v2), v3));
                s0 = _mm_add_ps(s0, v0), s1 = _mm_add_ps(s1, v1), s2 = _mm_add_ps(s2, v2), s3 = _mm_add_ps(s3, v3);
                q0 = _mm_add_ps(q0, _mm_mul_ps(v0, v0)), q1 = _mm_add_ps(q1, _mm_mul_ps(v1, v1));
                q2 = _mm_add_ps(q2, _mm_mul_ps(v2, v2)), q3 = _mm_add_ps(q3, _mm_mul_ps(v3, v3));
            }
            for (int l = 0; l < kLanes; l += 4) {
                _mm_storeu_ps(lmn + l, mn4);
                _mm_storeu_ps(lmx + l, mx4);
            }
            _mm_storeu_ps(lsum, s0), _mm_storeu_ps(lsum + 4, s1), _mm_storeu_ps(lsum + 8, s2), _mm_storeu_ps(lsum + 12, s3);
            _mm_storeu_ps(lsq, q0), _mm_storeu_ps(lsq + 4, q1), _mm_storeu_ps(lsq + 8, q2), _mm_storeu_ps(lsq + 12, q3);
#else
            for (int l = 0; l < kLanes; ++l) {
                lmn[l] = lmx[l] = p[l];
                lsum[l] = lsq[l] = 0;
            }
            for (int i = 0; i < kFineWindow; i += kLanes)
                for (int l = 0; l < kLanes; ++l) {
                    const float v = p[i + l];
                    lmn[l] = v < lmn[l] ? v : lmn[l];
                    lmx[l] = v > lmx[l] ? v : lmx[l];
                    lsum[l] += v;
                    lsq[l] += v * v;
                }
#endif
            mn = lmn[0], mx = lmx[0], sum = 0, sq = 0;
            for (int l = 0; l < kLanes; ++l) {
                mn = std::min(mn, lmn[l]);
                mx = std::max(mx, lmx[l]);
                sum += lsum[l];
                sq += lsq[l];
            }
        } else {
            mn = mx = p[0];
            sum = sq = 0;
            for (std::int64_t i = 0; i < len; ++i) {
                mn = std::min(mn, p[i]);
                mx = std::max(mx, p[i]);
                sum += p[i];
                sq += p[i] * p[i];
            }
        }
        s.fine[static_cast<std::size_t>(w)] = {mn, mx, std::sqrt(sq / static_cast<float>(len))};
        s.fineSum[static_cast<std::size_t>(w)] = sum;
        const auto c = static_cast<std::size_t>(a / kCoarseWindow);
        SummaryPoint& cp = s.coarse[c];
        if (a % kCoarseWindow == 0) {
            cp.min = mn;
            cp.max = mx;
        } else {
            cp.min = std::min(cp.min, mn);
            cp.max = std::max(cp.max, mx);
        }
        s.coarseSum[c] += sum;
        coarseSq[c] += sq;
    }
    for (std::int64_t c = 0; c < coarseCount; ++c) {
        const std::int64_t len = std::min<std::int64_t>(kCoarseWindow, n - c * kCoarseWindow);
        s.coarse[static_cast<std::size_t>(c)].rms =
            static_cast<float>(std::sqrt(coarseSq[static_cast<std::size_t>(c)] / static_cast<double>(len)));
    }
    return s;
}

void Summaries::Append(const Summaries& next) {
    fine.insert(fine.end(), next.fine.begin(), next.fine.end());
    fineSum.insert(fineSum.end(), next.fineSum.begin(), next.fineSum.end());
    coarse.insert(coarse.end(), next.coarse.begin(), next.coarse.end());
    coarseSum.insert(coarseSum.end(), next.coarseSum.begin(), next.coarseSum.end());
}

// ---- Storage and cache

static std::atomic<std::uint64_t> g_nextStorageId{1};

Storage::Storage() : id_(g_nextStorageId++) {}
Storage::~Storage() { BlockCache::Instance().Forget(id_); }

struct BlockCache::Impl {
    mutable std::mutex mutex;
    std::size_t budget = 48u << 20;
    std::size_t bytes = 0;
    struct Item {
        std::shared_ptr<const ChannelData> data;
        std::size_t bytes;
        std::list<std::uint64_t>::iterator pos;
    };
    std::list<std::uint64_t> lru; // front = most recent
    std::unordered_map<std::uint64_t, Item> items;
    // Loads under way, so a second reader waits for the first instead of reading again.
    std::unordered_map<std::uint64_t, std::shared_future<std::shared_ptr<const ChannelData>>> loading;

    void Trim() {
        while (bytes > budget && !lru.empty()) {
            auto id = lru.back();
            lru.pop_back();
            auto it = items.find(id);
            bytes -= it->second.bytes;
            items.erase(it);
        }
    }
};

BlockCache::BlockCache() : impl_(std::make_unique<Impl>()) {}

BlockCache& BlockCache::Instance() {
    static BlockCache* cache = new BlockCache(); // outlives every static storage
    return *cache;
}

static std::size_t SizeOf(const ChannelData& d) {
    std::size_t n = 0;
    for (auto& c : d) n += c.size() * sizeof(float);
    return n;
}

std::shared_ptr<const ChannelData> BlockCache::Get(const Storage& s) {
    std::promise<std::shared_ptr<const ChannelData>> promise;
    {
        std::unique_lock lock(impl_->mutex);
        auto it = impl_->items.find(s.Id());
        if (it != impl_->items.end()) {
            impl_->lru.splice(impl_->lru.begin(), impl_->lru, it->second.pos);
            return it->second.data;
        }
        auto l = impl_->loading.find(s.Id());
        if (l != impl_->loading.end()) {
            auto f = l->second;
            lock.unlock();
            return f.get();
        }
        impl_->loading.emplace(s.Id(), promise.get_future().share());
    }
    std::shared_ptr<ChannelData> data;
    try {
        data = std::make_shared<ChannelData>();
        s.Load(*data);
    } catch (...) {
        promise.set_exception(std::current_exception());
        std::lock_guard lock(impl_->mutex);
        impl_->loading.erase(s.Id());
        throw;
    }
    Put(s, data);
    promise.set_value(data);
    {
        std::lock_guard lock(impl_->mutex);
        impl_->loading.erase(s.Id());
    }
    return data;
}

std::shared_ptr<const ChannelData> BlockCache::Peek(const Storage& s) {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->items.find(s.Id());
    if (it == impl_->items.end()) return nullptr;
    impl_->lru.splice(impl_->lru.begin(), impl_->lru, it->second.pos);
    return it->second.data;
}

void BlockCache::Put(const Storage& s, std::shared_ptr<const ChannelData> data) {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->items.find(s.Id());
    if (it != impl_->items.end()) return;
    impl_->lru.push_front(s.Id());
    std::size_t b = SizeOf(*data);
    impl_->items.emplace(s.Id(), Impl::Item{std::move(data), b, impl_->lru.begin()});
    impl_->bytes += b;
    impl_->Trim();
}

void BlockCache::Forget(std::uint64_t id) {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->items.find(id);
    if (it == impl_->items.end()) return;
    impl_->bytes -= it->second.bytes;
    impl_->lru.erase(it->second.pos);
    impl_->items.erase(it);
}

void BlockCache::SetBudget(std::size_t bytes) {
    std::lock_guard lock(impl_->mutex);
    impl_->budget = bytes;
    impl_->Trim();
}

std::size_t BlockCache::Budget() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->budget;
}

std::size_t BlockCache::Bytes() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->bytes;
}

// ---- PCM file

namespace {

// Opened files with a read lease, by the leased descriptor, and the pipe the signal writes to.
struct LeaseWatch {
    std::mutex mutex;
    std::unordered_map<int, std::pair<const PcmFile*, std::weak_ptr<PcmFile>>> files;
};
LeaseWatch& Watch() {
    static auto* w = new LeaseWatch(); // the watcher thread outlives static destruction
    return *w;
}
// Every opened file, leased or not, for the program's own metadata writes.
struct OpenedFiles {
    std::mutex mutex;
    std::unordered_map<const PcmFile*, std::weak_ptr<PcmFile>> files;
};
OpenedFiles& Opened() {
    static auto* o = new OpenedFiles();
    return *o;
}
std::atomic<int> g_leasePipe{-1};

void OnLeaseBreak(int, siginfo_t* si, void*) {
    // Only note it: the copy cannot run in a signal handler.
    const int saved = errno;
    const int fd = si->si_fd;
    const int p = g_leasePipe.load(std::memory_order_relaxed);
    if (p >= 0 && ::write(p, &fd, sizeof fd) < 0) {
    }
    errno = saved;
}

// Once per process: a real-time signal nobody else handles, and the thread that answers it.
int LeaseSignal() {
    static const int sig = [] {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return 0;
        ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
        g_leasePipe = fds[1];
        for (int s = SIGRTMIN + 4; s <= SIGRTMAX - 4; ++s) {
            struct sigaction old {};
            if (::sigaction(s, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL)
                continue;
            struct sigaction sa {};
            sa.sa_sigaction = OnLeaseBreak;
            sa.sa_flags = SA_SIGINFO | SA_RESTART;
            sigemptyset(&sa.sa_mask);
            if (::sigaction(s, &sa, nullptr) != 0) continue;
            std::thread([r = fds[0]] {
                for (;;) {
                    int fd = -1;
                    const ssize_t n = ::read(r, &fd, sizeof fd);
                    if (n < 0 && errno == EINTR) continue;
                    if (n != static_cast<ssize_t>(sizeof fd)) continue;
                    std::shared_ptr<PcmFile> f;
                    {
                        std::lock_guard lock(Watch().mutex);
                        auto it = Watch().files.find(fd);
                        if (it != Watch().files.end()) f = it->second.second.lock();
                    }
                    if (f) f->Detach();
                }
            }).detach();
            return s;
        }
        g_leasePipe = -1;
        ::close(fds[0]);
        ::close(fds[1]);
        return 0;
    }();
    return sig;
}

std::atomic<int> g_copySerial{0};

// An unnamed file in the folder: nothing is left behind whatever happens to the process.
int OpenCopyFile(const std::string& folder) {
    std::error_code ec;
    std::string dir = folder.empty() ? std::filesystem::temp_directory_path(ec).string() : folder;
    if (dir.empty()) dir = "/tmp";
    std::filesystem::create_directories(dir, ec);
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    const std::string path = (std::filesystem::path(dir) / ("lumoaudio-" + std::to_string(::getpid()) + "-copy" +
                                                            std::to_string(g_copySerial++) + ".work"))
                                 .string();
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::unlink(path.c_str());
    return fd;
}

// Copies bytes to the same offset; a source that ends early is fine (the rest reads as silence).
bool CopyRange(int from, int to, std::int64_t off, std::int64_t len) {
    loff_t in = off, out = off;
    while (len > 0) {
        const ssize_t n = ::copy_file_range(from, &in, to, &out, static_cast<std::size_t>(len), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return true;
        if (n < 0) break; // across filesystems on older kernels: by hand
        len -= n;
    }
    std::vector<char> buf(1 << 20);
    while (len > 0) {
        const ssize_t r = ::pread(from, buf.data(), static_cast<std::size_t>(std::min<std::int64_t>(len, 1 << 20)), in);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) return true;
        if (r < 0) return false;
        for (ssize_t done = 0; done < r;) {
            const ssize_t w = ::pwrite(to, buf.data() + done, static_cast<std::size_t>(r - done), out + done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
        in += r;
        out += r;
        len -= r;
    }
    return true;
}

std::int64_t MtimeNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

PcmFile::PcmFile(int fd, std::int64_t dataOffset, std::int64_t frames, int channels, Encoding enc,
                 std::string copyFolder)
    : fd_(fd), dataOffset_(dataOffset), frames_(frames), channels_(channels), enc_(enc),
      copyFolder_(std::move(copyFolder)) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0) {
        size_ = st.st_size;
        mtimeNs_ = MtimeNs(st);
        dev_ = st.st_dev;
        ino_ = st.st_ino;
    }
}

PcmFile::~PcmFile() {
    {
        std::lock_guard lock(Opened().mutex);
        Opened().files.erase(this);
    }
    if (leaseFd_ >= 0) {
        std::lock_guard lock(Watch().mutex);
        auto it = Watch().files.find(leaseFd_);
        if (it != Watch().files.end() && it->second.first == this) Watch().files.erase(it);
    }
    if (fd_ >= 0) ::close(fd_); // also ends the lease
}

bool PcmFile::Guard() {
    {
        std::lock_guard lock(Opened().mutex);
        Opened().files[this] = weak_from_this();
    }
    const int sig = LeaseSignal();
    if (sig == 0 || fd_ < 0) return false;
    {
        // Known before the lease is taken, so a break straight after it is answered.
        std::lock_guard lock(Watch().mutex);
        Watch().files[fd_] = {this, weak_from_this()};
    }
    {
        std::unique_lock lock(fdMutex_);
        leaseFd_ = fd_;
    }
    if (::fcntl(fd_, F_SETSIG, sig) == 0 && ::fcntl(fd_, F_SETLEASE, F_RDLCK) == 0) return true;
    // Not ours and no right to it, open for writing elsewhere, or a network filesystem.
    {
        std::unique_lock lock(fdMutex_);
        leaseFd_ = -1;
    }
    std::lock_guard lock(Watch().mutex);
    Watch().files.erase(fd_);
    return false;
}

void PcmFile::Hold(std::int64_t first, std::int64_t frames) const {
    std::lock_guard lock(heldMutex_);
    held_.emplace(first, frames);
}

void PcmFile::Drop(std::int64_t first, std::int64_t frames) const {
    std::lock_guard lock(heldMutex_);
    auto it = held_.find({first, frames});
    if (it != held_.end()) held_.erase(it);
}

void PcmFile::Detach() {
    int leased;
    {
        std::shared_lock lock(fdMutex_);
        if (copied_ || leaseFd_ < 0) return;
        leased = leaseFd_;
    }
    // A note about a descriptor number used again since is not a break.
    if (::fcntl(leased, F_GETLEASE) == F_RDLCK) return;
    const int copy = OpenCopyFile(copyFolder_);
    bool ok = copy >= 0;
    {
        std::lock_guard held(heldMutex_); // no region comes or goes while the ranges are copied
        const std::int64_t frameBytes = static_cast<std::int64_t>(BytesPerSample()) * channels_;
        std::int64_t a = -1, b = -1;
        auto flush = [&] {
            if (ok && a >= 0) ok = CopyRange(leased, copy, dataOffset_ + a * frameBytes, (b - a) * frameBytes);
        };
        for (const auto& [first, n] : held_) {
            if (a >= 0 && first <= b) {
                b = std::max(b, first + n);
                continue;
            }
            flush();
            a = first;
            b = first + n;
        }
        flush();
        std::unique_lock lock(fdMutex_);
        if (ok) {
            fd_ = copy;
            copied_ = true;
        } else {
            gone_ = true; // no room for a copy: what is cached stays, the rest is silent
        }
    }
    if (!ok && copy >= 0) ::close(copy);
    {
        std::lock_guard lock(Watch().mutex);
        Watch().files.erase(leased);
    }
    ::fcntl(leased, F_SETLEASE, F_UNLCK); // the other program goes on
    if (ok) ::close(leased);
    std::unique_lock lock(fdMutex_);
    leaseFd_ = -1;
}

void PcmFile::PauseForOwnWrite() {
    ownWrite_ = true;
    std::shared_lock lock(fdMutex_);
    if (leaseFd_ >= 0 && !copied_) ::fcntl(leaseFd_, F_SETLEASE, F_UNLCK);
}

void PcmFile::ResumeAfterOwnWrite() {
    {
        std::shared_lock lock(fdMutex_);
        struct stat st {};
        if (!copied_ && ::fstat(fd_, &st) == 0) {
            size_ = st.st_size;
            mtimeNs_ = MtimeNs(st);
        }
        // Taken again; where it cannot be (the file is open for writing elsewhere meanwhile),
        // a later change is noticed on the next read, as without a lease.
        if (leaseFd_ >= 0 && !copied_) ::fcntl(leaseFd_, F_SETLEASE, F_RDLCK);
    }
    ownWrite_ = false;
}

OwnMetadataWrite::OwnMetadataWrite(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    std::vector<std::shared_ptr<PcmFile>> found;
    {
        std::lock_guard lock(Opened().mutex);
        for (auto& [raw, weak] : Opened().files)
            if (auto f = weak.lock(); f && f->SameFile(st.st_dev, st.st_ino)) found.push_back(std::move(f));
    }
    for (auto& f : found) {
        f->PauseForOwnWrite();
        files_.push_back(f);
    }
}

OwnMetadataWrite::~OwnMetadataWrite() {
    for (auto& f : files_) static_cast<PcmFile*>(f.get())->ResumeAfterOwnWrite();
}

bool PcmFile::ChangedOnDisk() const {
    if (ownWrite_) return false;
    // While the lease holds nobody has written: new dates alone (a touch) change nothing.
    if (leaseFd_ >= 0 && ::fcntl(leaseFd_, F_GETLEASE) == F_RDLCK) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    // A file that only grew is taken as appended to (a recording still being made).
    return st.st_size < size_ || (st.st_size == size_ && MtimeNs(st) != mtimeNs_);
}

static int BytesOf(PcmFile::Encoding e) {
    switch (e) {
    case PcmFile::Encoding::UInt8: return 1;
    case PcmFile::Encoding::Int16: return 2;
    case PcmFile::Encoding::Int24: return 3;
    case PcmFile::Encoding::Int32: return 4;
    case PcmFile::Encoding::Float32: return 4;
    case PcmFile::Encoding::Float64: return 8;
    }
    return 2;
}

int PcmFile::BytesPerSample() const { return BytesOf(enc_); }

void PcmFile::Convert(const unsigned char* src, std::int64_t frames, int channels, Encoding enc,
                      ChannelData& out, std::int64_t outOffset) {
    const int bps = BytesOf(enc);
    if (enc == Encoding::Int16 && channels == 2) {
        // The common case in one pass over the bytes.
        float* l = out[0].data() + outOffset;
        float* r = out[1].data() + outOffset;
        std::int64_t i = 0;
#if defined(__SSE2__)
        const __m128 k = _mm_set1_ps(1.0f / 32768.0f);
        for (; i + 4 <= frames; i += 4) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i)); // l0 r0 l1 r1 ...
            __m128i left = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
            __m128i right = _mm_srai_epi32(v, 16);
            _mm_storeu_ps(l + i, _mm_mul_ps(_mm_cvtepi32_ps(left), k));
            _mm_storeu_ps(r + i, _mm_mul_ps(_mm_cvtepi32_ps(right), k));
        }
#endif
        for (; i < frames; ++i) {
            std::int16_t v[2];
            std::memcpy(v, src + 4 * i, 4);
            l[i] = static_cast<float>(v[0]) * (1.0f / 32768.0f);
            r[i] = static_cast<float>(v[1]) * (1.0f / 32768.0f);
        }
        return;
    }
    for (int c = 0; c < channels; ++c) {
        float* dst = out[static_cast<std::size_t>(c)].data() + outOffset;
        const unsigned char* p = src + c * bps;
        const std::size_t step = static_cast<std::size_t>(bps * channels);
        switch (enc) {
        case Encoding::UInt8:
            for (std::int64_t i = 0; i < frames; ++i, p += step)
                dst[i] = (static_cast<float>(*p) - 128.0f) * (1.0f / 128.0f);
            break;
        case Encoding::Int16:
            for (std::int64_t i = 0; i < frames; ++i, p += step) {
                std::int16_t v;
                std::memcpy(&v, p, 2);
                dst[i] = static_cast<float>(v) * (1.0f / 32768.0f);
            }
            break;
        case Encoding::Int24:
            for (std::int64_t i = 0; i < frames; ++i, p += step) {
                std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                           static_cast<std::uint32_t>(p[1]) << 16 |
                                                           static_cast<std::uint32_t>(p[2]) << 24) >> 8;
                dst[i] = static_cast<float>(v) * (1.0f / 8388608.0f);
            }
            break;
        case Encoding::Int32:
            for (std::int64_t i = 0; i < frames; ++i, p += step) {
                std::int32_t v;
                std::memcpy(&v, p, 4);
                dst[i] = static_cast<float>(static_cast<double>(v) * (1.0 / 2147483648.0));
            }
            break;
        case Encoding::Float32:
            for (std::int64_t i = 0; i < frames; ++i, p += step) {
                float v;
                std::memcpy(&v, p, 4);
                dst[i] = std::isfinite(v) ? v : 0.0f;
            }
            break;
        case Encoding::Float64:
            for (std::int64_t i = 0; i < frames; ++i, p += step) {
                double v;
                std::memcpy(&v, p, 8);
                dst[i] = std::isfinite(v) ? static_cast<float>(v) : 0.0f;
            }
            break;
        }
    }
}

void PcmFile::Read(std::int64_t first, std::int64_t count, ChannelData& out) const {
    // Keeps the vectors' memory when the caller reuses them.
    out.resize(static_cast<std::size_t>(channels_));
    for (auto& c : out) c.resize(static_cast<std::size_t>(count));
    ReadInto(first, count, out, 0);
}

void PcmFile::ReadInto(std::int64_t first, std::int64_t count, ChannelData& out, std::int64_t outOffset) const {
    const auto silence = [&](std::int64_t from) {
        for (auto& c : out) std::fill(c.begin() + outOffset + from, c.begin() + outOffset + count, 0.0f);
    };
    std::shared_lock lock(fdMutex_);
    if (!gone_ && !copied_ && ChangedOnDisk()) gone_ = true;
    if (gone_) {
        silence(0);
        return;
    }
    const std::int64_t frameBytes = static_cast<std::int64_t>(BytesPerSample()) * channels_;
    constexpr std::int64_t kChunk = 1 << 18;
    thread_local std::vector<unsigned char> buf; // reused: fresh pages cost more than the copy
    buf.resize(static_cast<std::size_t>(std::min<std::int64_t>(count, kChunk) * frameBytes));
    std::int64_t done = 0;
    while (done < count) {
        std::int64_t want = std::min<std::int64_t>(count - done, kChunk);
        std::int64_t bytes = want * frameBytes, got = 0;
        while (got < bytes) {
            ssize_t r = ::pread(fd_, buf.data() + got, static_cast<std::size_t>(bytes - got),
                                static_cast<off_t>(dataOffset_ + (first + done) * frameBytes + got));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break; // gone or unreadable: the rest stays silent
            got += r;
        }
        std::int64_t frames = got / frameBytes;
        Convert(buf.data(), frames, channels_, enc_, out, outOffset + done);
        done += frames;
        if (frames < want) break;
    }
    silence(done);
}

void FileRegion::Load(ChannelData& out) const { file_->Read(first_, frames_, out); }
void FileRegion::LoadRange(std::int64_t first, std::int64_t count, ChannelData& out, std::int64_t outOffset) const {
    file_->ReadInto(first_ + first, count, out, outOffset);
}

// ---- Work files

static std::atomic<int> g_workSerial{0};

WorkFile::WorkFile(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        path_ = (std::filesystem::path(folder) /
                 ("lumoaudio-" + std::to_string(::getpid()) + "-" + std::to_string(g_workSerial++) + ".work"))
                    .string();
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0)
        Raise(err::PathFileAccess, "The temporary folder " + folder + " cannot hold work files: " +
                                       std::strerror(errno));
}

WorkFile::~WorkFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::int64_t WorkFile::Append(const float* x, std::int64_t n) {
    std::int64_t off;
    {
        std::lock_guard lock(mutex_);
        off = end_;
        end_ += n * static_cast<std::int64_t>(sizeof(float));
    }
    const char* p = reinterpret_cast<const char*>(x);
    std::int64_t bytes = n * static_cast<std::int64_t>(sizeof(float)), done = 0;
    while (done < bytes) {
        ssize_t w = ::pwrite(fd_, p + done, static_cast<std::size_t>(bytes - done), static_cast<off_t>(off + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) Raise(err::DiskFull, "The temporary folder is full: " + std::string(std::strerror(errno)));
        done += w;
    }
    return off;
}

void WorkFile::Read(std::int64_t offset, float* x, std::int64_t n) const {
    char* p = reinterpret_cast<char*>(x);
    std::int64_t bytes = n * static_cast<std::int64_t>(sizeof(float)), done = 0;
    while (done < bytes) {
        ssize_t r = ::pread(fd_, p + done, static_cast<std::size_t>(bytes - done), static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += r;
    }
    if (done < bytes) std::memset(p + done, 0, static_cast<std::size_t>(bytes - done));
}

void WorkFile::Release(std::int64_t offset, std::int64_t n) {
    // Give the space back; the file keeps its size so later offsets stay valid.
    ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                static_cast<off_t>(n * static_cast<std::int64_t>(sizeof(float))));
}

WorkRegion::~WorkRegion() { file_->Release(offset_, frames_); }

void WorkRegion::Load(ChannelData& out) const {
    out.assign(1, std::vector<float>(static_cast<std::size_t>(frames_)));
    file_->Read(offset_, out[0].data(), frames_);
}

void WorkRegion::LoadRange(std::int64_t first, std::int64_t count, ChannelData& out, std::int64_t outOffset) const {
    file_->Read(offset_ + first * static_cast<std::int64_t>(sizeof(float)), out[0].data() + outOffset, count);
}

// ---- Blocks

std::shared_ptr<const ChannelData> Block::Data() const { return BlockCache::Instance().Get(*storage_); }

std::shared_ptr<const ChannelData> Block::Loaded() const { return BlockCache::Instance().Peek(*storage_); }

bool Block::LoadUnless(const std::atomic<bool>& stop) const {
    if (Loaded()) return true;
    // A part at a time, so a reader told to stop (the document closed) ends within one part.
    constexpr std::int64_t kPart = 1 << 17;
    auto data = std::make_shared<ChannelData>(static_cast<std::size_t>(storage_->Channels()),
                                              std::vector<float>(static_cast<std::size_t>(Frames())));
    for (std::int64_t at = 0; at < Frames(); at += kPart) {
        if (stop.load(std::memory_order_relaxed)) return false;
        storage_->LoadRange(at, std::min(kPart, Frames() - at), *data, at);
    }
    BlockCache::Instance().Put(*storage_, std::move(data));
    return true;
}

void Block::ReadDirect(std::int64_t first, std::int64_t count, float* out) const {
    if (count <= 0) return;
    if (auto d = Loaded()) {
        std::copy_n(Samples(*d) + first, count, out);
        return;
    }
    thread_local ChannelData part; // reused: a player reads small parts often
    part.resize(static_cast<std::size_t>(storage_->Channels()));
    for (auto& c : part)
        if (c.size() < static_cast<std::size_t>(count)) c.resize(static_cast<std::size_t>(count));
    storage_->LoadRange(first, count, part, 0);
    std::copy_n(Samples(part), count, out);
}

static std::pair<float, float> MinMax(const float* x, std::int64_t n) {
    const auto [lo, hi] = std::minmax_element(x, x + n);
    return {*lo, *hi};
}

void Block::Remember(std::int64_t first, std::int64_t count, std::pair<float, float> v) const {
    std::lock_guard lock(rangesMutex_);
    if (ranges_.size() >= 512) ranges_.clear(); // a few per paint; old zooms go
    ranges_[{first, count}] = v;
}

std::optional<std::pair<float, float>> Block::RangeMinMax(std::int64_t first, std::int64_t count) const {
    if (count <= 0) return std::nullopt;
    {
        std::lock_guard lock(rangesMutex_);
        auto it = ranges_.find({first, count});
        if (it != ranges_.end()) return it->second;
    }
    if (auto d = Loaded()) return MinMax(Samples(*d) + first, count);
    return std::nullopt;
}

std::pair<float, float> Block::ReadRangeMinMax(std::int64_t first, std::int64_t count) const {
    if (auto v = RangeMinMax(first, count)) return *v;
    std::vector<float> x(static_cast<std::size_t>(count));
    ReadDirect(first, count, x.data());
    const auto v = MinMax(x.data(), count);
    Remember(first, count, v);
    return v;
}

Stats Block::StatsOf(std::int64_t first, std::int64_t count) const {
    Stats s;
    if (count <= 0) return s;
    const std::int64_t last = first + count;
    std::shared_ptr<const ChannelData> data;
    auto raw = [&](std::int64_t a, std::int64_t b) {
        if (b <= a) return;
        if (!data) data = Data();
        s.Add(RawStats(Samples(*data) + a, b - a));
    };
    // Whole windows from the summaries (the coarse ones where they fit, the fine ones at the
    // ends), only the ragged ends from the samples themselves.
    auto windows = [&](std::int64_t a, std::int64_t b, std::int64_t size, const std::vector<SummaryPoint>& pts,
                       auto sumOf, auto&& finer) {
        std::int64_t w = (a + size - 1) / size;
        std::int64_t pos = std::min(w * size, b);
        finer(a, pos);
        while (pos < b) {
            std::int64_t wEnd = std::min((w + 1) * size, Frames());
            if (wEnd > b || static_cast<std::size_t>(w) >= pts.size()) {
                finer(pos, b);
                return;
            }
            const auto& p = pts[static_cast<std::size_t>(w)];
            Stats c;
            c.min = p.min;
            c.max = p.max;
            c.sum = sumOf(w);
            c.count = wEnd - pos;
            c.sumSq = static_cast<double>(p.rms) * p.rms * static_cast<double>(c.count);
            s.Add(c);
            pos = wEnd;
            ++w;
        }
    };
    auto fine = [&](std::int64_t a, std::int64_t b) {
        if (summaries_.fineSum.size() != summaries_.fine.size()) return raw(a, b);
        windows(a, b, kFineWindow, summaries_.fine,
                [&](std::int64_t w) { return static_cast<double>(summaries_.fineSum[static_cast<std::size_t>(w)]); }, raw);
    };
    windows(first, last, kCoarseWindow, summaries_.coarse,
            [&](std::int64_t w) { return summaries_.coarseSum[static_cast<std::size_t>(w)]; }, fine);
    return s;
}

void BlockWriter::Write(const float* x, std::int64_t n) {
    while (n > 0) {
        std::int64_t room = kWorkBlockFrames - static_cast<std::int64_t>(pending_.size());
        std::int64_t take = std::min(room, n);
        pending_.insert(pending_.end(), x, x + take);
        x += take;
        n -= take;
        if (static_cast<std::int64_t>(pending_.size()) == kWorkBlockFrames) Flush();
    }
}

namespace {

BlockPtr MakeWorkBlock(const std::shared_ptr<WorkFile>& file, std::vector<float> samples) {
    const auto n = static_cast<std::int64_t>(samples.size());
    std::int64_t off = file->Append(samples.data(), n);
    auto storage = std::make_shared<WorkRegion>(file, off, n);
    Summaries sums = Summaries::Compute(samples.data(), n);
    auto data = std::make_shared<ChannelData>(1);
    (*data)[0] = std::move(samples);
    BlockCache::Instance().Put(*storage, data);
    return std::make_shared<const Block>(storage, 0, std::move(sums));
}

} // namespace

void BlockWriter::Flush() {
    if (pending_.empty()) return;
    if (inFlight_.valid()) blocks_.push_back(inFlight_.get());
    inFlight_ = std::async(std::launch::async, [file = file_, samples = std::move(pending_)]() mutable {
        return MakeWorkBlock(file, std::move(samples));
    });
    pending_ = {};
    pending_.reserve(static_cast<std::size_t>(kWorkBlockFrames));
}

std::vector<BlockPtr> BlockWriter::Finish() {
    if (inFlight_.valid()) blocks_.push_back(inFlight_.get());
    // The last block is made here: there is nothing to do meanwhile.
    if (!pending_.empty()) blocks_.push_back(MakeWorkBlock(file_, std::move(pending_)));
    pending_.clear();
    return std::move(blocks_);
}

void CleanStaleFiles(const std::string& folder) {
    // Once per folder and process: what a crashed run left is there at our start.
    static std::mutex m;
    static std::vector<std::string> done;
    {
        std::lock_guard lock(m);
        if (std::find(done.begin(), done.end(), folder) != done.end()) return;
        done.push_back(folder);
    }
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.rfind("lumoaudio-", 0) != 0) continue;
        std::size_t dash = name.find('-', 10);
        if (dash == std::string::npos) continue;
        char* stop = nullptr;
        long pid = std::strtol(name.c_str() + 10, &stop, 10);
        if (stop != name.c_str() + dash || pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue; // still running
        std::error_code rm;
        std::filesystem::remove(it->path(), rm);
    }
}

} // namespace platform::audio
