#include "platform/devices/ServerDevices.h"

#include <pulse/pulseaudio.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::devices {

namespace {

using Clock = std::chrono::steady_clock;

// A server that takes this long to answer is taken as no server.
constexpr auto kAnswerWithin = std::chrono::seconds(3);
constexpr std::size_t kMaxDevicesPerKind = 1000;

// The server resamples and remixes: every device takes 16-bit audio at every rate and
// channel count of the table.
constexpr std::uint32_t kSixteenBit = WAVE_FORMAT_1M16 | WAVE_FORMAT_1S16 | WAVE_FORMAT_2M16 | WAVE_FORMAT_2S16 |
                                      WAVE_FORMAT_4M16 | WAVE_FORMAT_4S16;

constexpr pa_context_flags_t kConnectFlags = PA_CONTEXT_NOAUTOSPAWN;

DeviceCaps CapsOf(const std::string& name, const char* description, const pa_sample_spec& spec) {
    DeviceCaps caps;
    caps.name = description && *description ? description : name;
    caps.formats = kSixteenBit;
    caps.channels = spec.channels;
    return caps;
}

// What one reading of the lists collects, from the library's callbacks.
struct Reading {
    server::Devices devices;
    std::string defaultSink, defaultSource;
    int pending = 3;
    bool failed = false;

    template <typename Info>
    static void Add(const Info* info, int eol, void* self, Direction d) {
        auto& r = *static_cast<Reading*>(self);
        if (eol != 0) {
            if (eol < 0) r.failed = true;
            --r.pending;
            return;
        }
        auto& caps = d == Direction::Output ? r.devices.list.outputs : r.devices.list.inputs;
        auto& names = d == Direction::Output ? r.devices.sinks : r.devices.sources;
        if (!info || !info->name || caps.size() >= kMaxDevicesPerKind) return;
        names.emplace_back(info->name);
        caps.push_back(CapsOf(names.back(), info->description, info->sample_spec));
    }
    static void Sink(pa_context*, const pa_sink_info* i, int eol, void* self) { Add(i, eol, self, Direction::Output); }
    static void Source(pa_context*, const pa_source_info* i, int eol, void* self) { Add(i, eol, self, Direction::Input); }
    static void Server(pa_context*, const pa_server_info* i, void* self) {
        auto& r = *static_cast<Reading*>(self);
        if (i) {
            r.defaultSink = i->default_sink_name ? i->default_sink_name : "";
            r.defaultSource = i->default_source_name ? i->default_source_name : "";
        } else {
            r.failed = true;
        }
        --r.pending;
    }
};

int PlaceOf(const std::vector<std::string>& names, const std::string& name) {
    const auto at = std::find(names.begin(), names.end(), name);
    return at == names.end() ? -1 : static_cast<int>(at - names.begin());
}

// One connection on a loop of our own, run on the caller's thread until a deadline.
class Connection {
public:
    Connection() : loop_(pa_mainloop_new()) {
        if (loop_) context_ = pa_context_new(pa_mainloop_get_api(loop_), "sound devices");
    }
    ~Connection() {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_) pa_mainloop_free(loop_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    pa_context* Context() const { return context_; }

    bool Connect(Clock::time_point deadline) {
        if (!context_ || pa_context_connect(context_, nullptr, kConnectFlags, nullptr) < 0) return false;
        return RunUntil([&] { return pa_context_get_state(context_) == PA_CONTEXT_READY; }, deadline);
    }

    template <typename Done>
    bool RunUntil(Done done, Clock::time_point deadline) {
        while (!done()) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) return false;
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            if (pa_mainloop_prepare(loop_, static_cast<int>(std::min<long long>(left, 100000))) < 0 ||
                pa_mainloop_poll(loop_) < 0 || pa_mainloop_dispatch(loop_) < 0)
                return false;
        }
        return true;
    }

private:
    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

// ---- watching streams on a server device

// One connection that outlives its callers, on a thread of the library's, told of every sink
// and source that goes away.
class Watcher {
public:
    Watcher() : loop_(pa_threaded_mainloop_new()) {}
    ~Watcher() {
        if (!loop_) return;
        pa_threaded_mainloop_stop(loop_);
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        pa_threaded_mainloop_free(loop_);
    }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    // Connects; false when the server cannot be reached (or the connection was lost).
    bool Start() {
        if (!loop_) return false;
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "sound devices");
        if (!context_) return false;
        pa_context_set_subscribe_callback(context_, &Watcher::Event, this);
        if (pa_context_connect(context_, nullptr, kConnectFlags, nullptr) < 0 || pa_threaded_mainloop_start(loop_) < 0)
            return false;
        Lock lock(*this);
        if (!Wait([&] { return pa_context_get_state(context_) == PA_CONTEXT_READY; })) return false;
        pa_operation* op = pa_context_subscribe(
            context_, static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE),
            nullptr, nullptr);
        if (!op) return false;
        pa_operation_unref(op);
        return true;
    }

    bool Usable() const {
        Lock lock(*this);
        return PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
    }

    std::uint64_t Watch(Direction d, const std::string& serverName, std::shared_ptr<std::atomic<bool>> lost) {
        Lock lock(*this);
        const std::uint64_t id = ++lastId_;
        const std::uint32_t device = DeviceIndex(d, serverName);
        if (device == PA_INVALID_INDEX) {
            lost->store(true);
            return id;
        }
        // Registered before this program's stream is looked for: from now on its device's
        // going away is seen.
        entries_.push_back({id, d, device, PA_INVALID_INDEX, std::move(lost)});
        const std::uint32_t stream = NewestOwnStream(d, device);
        // Gone between the look-up and the registration: the event came before it.
        const bool gone = DeviceIndex(d, serverName) != device;
        for (Entry& e : entries_)
            if (e.id == id) {
                e.stream = stream;
                if (gone) Lose(e);
            }
        return id;
    }

    void Forget(std::uint64_t id) {
        Lock lock(*this);
        std::erase_if(entries_, [&](const Entry& e) { return e.id == id; });
    }

private:
    struct Entry {
        std::uint64_t id;
        Direction direction;
        std::uint32_t device, stream;
        std::shared_ptr<std::atomic<bool>> lost;
    };

    struct Lock {
        explicit Lock(const Watcher& w) : loop(w.loop_) { pa_threaded_mainloop_lock(loop); }
        ~Lock() { pa_threaded_mainloop_unlock(loop); }
        pa_threaded_mainloop* loop;
    };

    // With the lock held: lets the loop run until `done`, at most a few seconds.
    template <typename Done>
    bool Wait(Done done) {
        const auto deadline = Clock::now() + kAnswerWithin;
        while (!done()) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) || Clock::now() > deadline) return false;
            pa_threaded_mainloop_unlock(loop_);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            pa_threaded_mainloop_lock(loop_);
        }
        return true;
    }
    bool Finish(pa_operation* op) {
        if (!op) return false;
        const bool done = Wait([&] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        if (!done) pa_operation_cancel(op);
        pa_operation_unref(op);
        return done;
    }

    // The server's index of a sink or source by name; PA_INVALID_INDEX when there is none.
    std::uint32_t DeviceIndex(Direction d, const std::string& name) {
        std::uint32_t index = PA_INVALID_INDEX;
        pa_operation* op = nullptr;
        if (d == Direction::Output)
            op = pa_context_get_sink_info_by_name(
                context_, name.c_str(),
                [](pa_context*, const pa_sink_info* i, int eol, void* out) {
                    if (eol == 0 && i) *static_cast<std::uint32_t*>(out) = i->index;
                },
                &index);
        else
            op = pa_context_get_source_info_by_name(
                context_, name.c_str(),
                [](pa_context*, const pa_source_info* i, int eol, void* out) {
                    if (eol == 0 && i) *static_cast<std::uint32_t*>(out) = i->index;
                },
                &index);
        return Finish(op) ? index : PA_INVALID_INDEX;
    }

    // The newest stream of this program on a device that no other watch holds.
    std::uint32_t NewestOwnStream(Direction d, std::uint32_t device) {
        struct Found {
            std::vector<std::uint32_t> ownClients;
            std::vector<std::pair<std::uint32_t, std::uint32_t>> streams; // (stream, client)
            std::uint32_t device;
        } found{{}, {}, device};
        pa_operation* clients = pa_context_get_client_info_list(
            context_,
            [](pa_context*, const pa_client_info* i, int eol, void* self) {
                if (eol != 0 || !i) return;
                const char* pid = pa_proplist_gets(i->proplist, PA_PROP_APPLICATION_PROCESS_ID);
                if (pid && std::strtoll(pid, nullptr, 10) == static_cast<long long>(::getpid()))
                    static_cast<Found*>(self)->ownClients.push_back(i->index);
            },
            &found);
        if (!Finish(clients)) return PA_INVALID_INDEX;
        pa_operation* streams = nullptr;
        if (d == Direction::Output)
            streams = pa_context_get_sink_input_info_list(
                context_,
                [](pa_context*, const pa_sink_input_info* i, int eol, void* self) {
                    auto& f = *static_cast<Found*>(self);
                    if (eol == 0 && i && i->sink == f.device) f.streams.emplace_back(i->index, i->client);
                },
                &found);
        else
            streams = pa_context_get_source_output_info_list(
                context_,
                [](pa_context*, const pa_source_output_info* i, int eol, void* self) {
                    auto& f = *static_cast<Found*>(self);
                    if (eol == 0 && i && i->source == f.device) f.streams.emplace_back(i->index, i->client);
                },
                &found);
        if (!Finish(streams)) return PA_INVALID_INDEX;
        std::uint32_t newest = PA_INVALID_INDEX;
        for (const auto& candidate : found.streams) {
            const std::uint32_t stream = candidate.first;
            const bool own = std::find(found.ownClients.begin(), found.ownClients.end(), candidate.second) !=
                             found.ownClients.end();
            const bool held = std::any_of(entries_.begin(), entries_.end(),
                                          [&](const Entry& e) { return e.direction == d && e.stream == stream; });
            if (own && !held && (newest == PA_INVALID_INDEX || stream > newest)) newest = stream;
        }
        return newest;
    }

    // With the lock held. The server has moved the stream to another device by now: it ends
    // there before it is heard much.
    void Lose(Entry& e) {
        e.lost->store(true);
        if (e.stream == PA_INVALID_INDEX) return;
        pa_operation* op = e.direction == Direction::Output
                               ? pa_context_kill_sink_input(context_, e.stream, nullptr, nullptr)
                               : pa_context_kill_source_output(context_, e.stream, nullptr, nullptr);
        if (op) pa_operation_unref(op);
        e.stream = PA_INVALID_INDEX;
    }

    // On the loop's thread, with the lock held.
    static void Event(pa_context*, pa_subscription_event_type_t t, std::uint32_t index, void* self) {
        if ((t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_REMOVE) return;
        const auto facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        if (facility != PA_SUBSCRIPTION_EVENT_SINK && facility != PA_SUBSCRIPTION_EVENT_SOURCE) return;
        const Direction d = facility == PA_SUBSCRIPTION_EVENT_SINK ? Direction::Output : Direction::Input;
        for (Entry& e : static_cast<Watcher*>(self)->entries_)
            if (e.direction == d && e.device == index) static_cast<Watcher*>(self)->Lose(e);
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    std::vector<Entry> entries_;
    std::uint64_t lastId_ = 0;
};

std::mutex watcherMutex;
std::shared_ptr<Watcher> currentWatcher;

// The connection for a new watch: the one there is while it lasts.
std::shared_ptr<Watcher> TheWatcher() {
    std::lock_guard lock(watcherMutex);
    if (!currentWatcher || !currentWatcher->Usable()) {
        auto w = std::make_shared<Watcher>();
        currentWatcher = w->Start() ? std::move(w) : nullptr;
    }
    return currentWatcher;
}

} // namespace

std::optional<server::Devices> server::ReadDevices() {
    // Only when asked for: libpulse would otherwise start a server of its own.
    const auto deadline = Clock::now() + kAnswerWithin;
    Connection c;
    if (!c.Connect(deadline)) return std::nullopt;
    Reading r;
    pa_operation* ops[] = {pa_context_get_server_info(c.Context(), &Reading::Server, &r),
                           pa_context_get_sink_info_list(c.Context(), &Reading::Sink, &r),
                           pa_context_get_source_info_list(c.Context(), &Reading::Source, &r)};
    bool answered = std::all_of(std::begin(ops), std::end(ops), [](pa_operation* op) { return op != nullptr; }) &&
                    c.RunUntil([&] { return r.pending == 0; }, deadline);
    for (pa_operation* op : ops)
        if (op) {
            if (!answered) pa_operation_cancel(op);
            pa_operation_unref(op);
        }
    if (!answered || r.failed) return std::nullopt;
    r.devices.list.defaultOutput = PlaceOf(r.devices.sinks, r.defaultSink);
    r.devices.list.defaultInput = PlaceOf(r.devices.sources, r.defaultSource);
    return std::move(r.devices);
}

ServerStreamWatch::ServerStreamWatch(Direction d, const std::string& serverName)
    : lost_(std::make_shared<std::atomic<bool>>(false)) {
    auto w = TheWatcher();
    if (!w) {
        // No server to ask: the stream on it has gone with it.
        lost_->store(true);
        return;
    }
    id_ = w->Watch(d, serverName, lost_);
    watcher_ = std::move(w);
}

ServerStreamWatch::~ServerStreamWatch() {
    if (watcher_) static_cast<Watcher*>(watcher_.get())->Forget(id_);
}

bool ServerStreamWatch::Lost() const { return lost_->load(); }

} // namespace platform::devices
