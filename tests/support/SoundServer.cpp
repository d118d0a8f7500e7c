#include "tests/support/SoundServer.h"

#include "platform/devices/Devices.h"
#include "support/TestSupport.h"

#include <alsa/asoundlib.h>
#include <pulse/error.h>
#include <pulse/pulseaudio.h>
#include <pulse/simple.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace soundtest {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string Tail(const std::string& path, std::size_t bytes = 600) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.size() > bytes ? text.substr(text.size() - bytes) : text;
}

bool Accepts(const std::string& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, socketPath.c_str(), sizeof a.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// The variables that lead a program to a sound server, a session bus or a display.
bool Private(const std::string& entry) {
    static const char* const kPrefixes[] = {"HOME=", "XDG_", "PULSE_", "DBUS_", "DISPLAY=", "WAYLAND_"};
    for (const char* p : kPrefixes)
        if (entry.rfind(p, 0) == 0) return true;
    return false;
}

pa_sample_spec Spec() { return {PA_SAMPLE_FLOAT32LE, kServerRate, kServerChannels}; }

constexpr std::size_t kFrameBytes = sizeof(float) * kServerChannels;

} // namespace

// ---- the server

SoundServer::SoundServer() { Start(); }

void SoundServer::Start() {
    const std::string program = testsupport::ToolPath("pulseaudio");
    if (program.empty()) {
        why_ = "pulseaudio is not installed (Debian: pulseaudio, pulseaudio-utils, libasound2-plugins)";
        return;
    }
    if (testsupport::ToolPath("pactl").empty()) {
        why_ = "pactl is not installed (Debian: pulseaudio-utils)";
        return;
    }
    // Under /tmp: a socket's path must stay short.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumo-pulse-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        why_ = "no folder for the sound server: " + std::string(std::strerror(errno));
        return;
    }
    folder_ = pattern;
    const std::string run = folder_ + "/run", home = folder_ + "/home", socket = run + "/native";
    for (const auto& d : {run, home, home + "/.config", folder_ + "/state"}) fs::create_directories(d);
    ::chmod(run.c_str(), 0700);
    {
        std::ofstream pa(folder_ + "/server.pa");
        for (const ServerSink& sink : kServerSinks) {
            std::string description; // blanks escaped, as the server's command parser wants them
            for (const char* c = sink.description; *c; ++c) description += *c == ' ' ? std::string("\\ ") : std::string(1, *c);
            pa << "load-module module-null-sink sink_name=" << sink.name << " format=float32le rate=" << kServerRate
               << " channels=" << kServerChannels << " norewinds=1 sink_properties=device.description=\"" << description
               << "\"\n";
        }
        pa << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket << "\n"
           << "set-default-sink lumo_out\n"
           << "set-default-source lumo_in.monitor\n";
        std::ofstream(folder_ + "/client.conf") << "autospawn = no\n";
    }

    std::vector<std::string> args = {program,
                                     "-n",
                                     "-F",
                                     folder_ + "/server.pa",
                                     "--daemonize=no",
                                     "--use-pid-file=no",
                                     "--exit-idle-time=-1",
                                     "--disable-shm=yes",
                                     "--realtime=yes",
                                     "--high-priority=yes",
                                     "--no-cpu-limit=yes",
                                     "--log-target=file:" + folder_ + "/server.log"};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (!Private(*e)) env.emplace_back(*e);
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, std::string>>{
             {"HOME", home},
             {"XDG_RUNTIME_DIR", run},
             {"XDG_CONFIG_HOME", home + "/.config"},
             {"PULSE_RUNTIME_PATH", run},
             {"PULSE_STATE_PATH", folder_ + "/state"}})
        env.push_back(std::string(name) + "=" + value);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        why_ = "the sound server could not be started: " + std::string(std::strerror(errno));
        return;
    }
    if (pid == 0) {
        // Goes with the program that started it, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    pid_ = pid;
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (!Accepts(socket)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            why_ = "the sound server stopped at once: " + Tail(folder_ + "/server.log");
            return;
        }
        if (Clock::now() > deadline) {
            Kill();
            why_ = "the sound server did not answer within 15 s: " + Tail(folder_ + "/server.log");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, std::string>>{
             {"PULSE_SERVER", "unix:" + socket},
             {"PULSE_CLIENTCONFIG", folder_ + "/client.conf"},
             {"PULSE_COOKIE", home + "/.config/pulse/cookie"}}) {
        const char* old = std::getenv(name);
        savedEnv_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
}

SoundServer::~SoundServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) != pid_) {
            if (Clock::now() > deadline) {
                Kill();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
    }
    for (auto it = savedEnv_.rbegin(); it != savedEnv_.rend(); ++it) {
        if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else ::unsetenv(it->first.c_str());
    }
    std::error_code ec;
    if (!folder_.empty()) fs::remove_all(folder_, ec);
}

std::string SoundServer::WhyNotReached() const {
    if (!Running()) return "no sound server here: " + why_;
    platform::devices::SetFakeDevices(std::nullopt);
    const auto outs = platform::devices::Devices().outputs;
    if (std::none_of(outs.begin(), outs.end(), [](const auto& d) { return d.name == kServerSinks[0].description; }))
        return "the device list does not come from the sound server";
    snd_pcm_t* pcm = nullptr;
    {
        platform::devices::QuietAudioScope quiet;
        if (snd_pcm_open(&pcm, "pulse", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) pcm = nullptr;
    }
    if (!pcm)
        return "PortAudio does not reach the sound server: ALSA's PulseAudio plugin is missing (Debian: "
               "libasound2-plugins)";
    snd_pcm_close(pcm);
    return {};
}

bool SoundServer::RemoveSink(const std::string& sink) const {
    std::string modules;
    if (Pactl("list short modules", &modules) != 0) return false;
    std::istringstream lines(modules);
    for (std::string line; std::getline(lines, line);)
        if (line.find("module-null-sink") != std::string::npos &&
            line.find("sink_name=" + sink + " ") != std::string::npos)
            return Pactl("unload-module " + line.substr(0, line.find_first_of(" \t"))) == 0;
    return false;
}

void SoundServer::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

int SoundServer::Pactl(const std::string& arguments, std::string* output) const {
    FILE* p = ::popen(("pactl " + arguments + " 2>&1").c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    const int status = ::pclose(p);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void SoundServer::Restart(const std::string& sink) const {
    Pactl("suspend-sink " + sink + " 1");
    Pactl("suspend-sink " + sink + " 0");
}

std::string SinkOf(platform::devices::Direction d, int card) {
    const auto list = platform::devices::Devices();
    const auto& devices = list.Of(d);
    const bool output = d == platform::devices::Direction::Output;
    const int place = card == 0 ? (output ? list.defaultOutput : list.defaultInput) : card - 1;
    if (place < 0 || place >= static_cast<int>(devices.size())) return {};
    for (const ServerSink& sink : kServerSinks)
        if (devices[static_cast<std::size_t>(place)].name == (output ? "" : "Monitor of ") + std::string(sink.description))
            return sink.name;
    return {};
}

// ---- the monitor

struct MonitorRecorder::Stream {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    mutable std::mutex mutex; // guards samples
    std::vector<float> samples;

    static void ContextState(pa_context*, void* self) {
        pa_threaded_mainloop_signal(static_cast<Stream*>(self)->loop, 0);
    }
    static void StreamState(pa_stream*, void* self) { pa_threaded_mainloop_signal(static_cast<Stream*>(self)->loop, 0); }
    static void Read(pa_stream* s, std::size_t, void* self) {
        auto& me = *static_cast<Stream*>(self);
        const void* data = nullptr;
        std::size_t bytes = 0;
        while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &data, &bytes) == 0 && bytes > 0) {
            std::lock_guard lock(me.mutex);
            const std::size_t n = bytes / sizeof(float);
            if (data) {
                const auto* f = static_cast<const float*>(data);
                me.samples.insert(me.samples.end(), f, f + n);
            } else {
                me.samples.insert(me.samples.end(), n, 0.0f); // a hole: what the server dropped
            }
            pa_stream_drop(s);
        }
    }
    // With the loop locked: waits until `ready` or `failed` is true, at most a few seconds.
    template <typename Ready, typename Failed>
    bool Wait(Ready ready, Failed failed) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!ready()) {
            if (failed() || Clock::now() > deadline) return false;
            pa_threaded_mainloop_unlock(loop);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            pa_threaded_mainloop_lock(loop);
        }
        return true;
    }
    void Close() {
        if (!loop) return;
        pa_threaded_mainloop_stop(loop);
        if (stream) {
            pa_stream_set_read_callback(stream, nullptr, nullptr);
            pa_stream_unref(stream);
        }
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        stream = nullptr;
        context = nullptr;
    }
    ~Stream() { Close(); }
};

MonitorRecorder::MonitorRecorder(const SoundServer& server, const std::string& sink) : stream_(new Stream) {
    Stream& st = *stream_;
    st.loop = pa_threaded_mainloop_new();
    st.context = pa_context_new(pa_threaded_mainloop_get_api(st.loop), "lumo-test");
    pa_context_set_state_callback(st.context, &Stream::ContextState, &st);
    if (pa_context_connect(st.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(st.loop) < 0) {
        error_ = "the sound server cannot be reached: " + std::string(pa_strerror(pa_context_errno(st.context)));
        return;
    }
    pa_threaded_mainloop_lock(st.loop);
    const bool connected = st.Wait([&] { return pa_context_get_state(st.context) == PA_CONTEXT_READY; },
                                   [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(st.context)); });
    bool recording = false;
    if (connected) {
        const pa_sample_spec spec = Spec();
        st.stream = pa_stream_new(st.context, "monitor", &spec, nullptr);
        pa_stream_set_state_callback(st.stream, &Stream::StreamState, &st);
        pa_stream_set_read_callback(st.stream, &Stream::Read, &st);
        // Pieces of 5 ms, so each arrives close to when it was mixed.
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(kServerRate / 200 * kFrameBytes);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                          PA_STREAM_ADJUST_LATENCY);
        recording = pa_stream_connect_record(st.stream, (sink + ".monitor").c_str(), &attr, flags) == 0 &&
                    st.Wait([&] { return pa_stream_get_state(st.stream) == PA_STREAM_READY; },
                            [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(st.stream)); });
    }
    pa_threaded_mainloop_unlock(st.loop);
    if (!recording) {
        error_ = "the monitor of " + sink + " cannot be recorded: " + pa_strerror(pa_context_errno(st.context));
        Stop();
        return;
    }
    server.Restart(sink);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Frames() < kServerRate / 20 || PlayedFrames() < 0) {
        if (Clock::now() > deadline) {
            error_ = "the monitor of " + sink + " delivers nothing";
            Stop();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

MonitorRecorder::~MonitorRecorder() { Stop(); }

void MonitorRecorder::Stop() { stream_->Close(); }

std::vector<float> MonitorRecorder::Samples() const {
    std::lock_guard lock(stream_->mutex);
    return stream_->samples;
}

std::int64_t MonitorRecorder::Frames() const {
    std::lock_guard lock(stream_->mutex);
    return static_cast<std::int64_t>(stream_->samples.size() / kServerChannels);
}

std::int64_t MonitorRecorder::PlayedFrames() const {
    Stream& st = *stream_;
    if (!st.loop || !st.stream) return -1;
    pa_threaded_mainloop_lock(st.loop);
    pa_usec_t usec = 0;
    const bool known = pa_stream_get_time(st.stream, &usec) == 0;
    pa_threaded_mainloop_unlock(st.loop);
    return known ? static_cast<std::int64_t>(usec * kServerRate / 1000000) : -1;
}

// ---- a signal into a sink

struct SignalSource::Stream {
    pa_simple* s = nullptr;
    ~Stream() {
        if (s) pa_simple_free(s);
    }
};

SignalSource::SignalSource(const SoundServer& server, const std::string& sink) : stream_(new Stream) {
    const pa_sample_spec spec = Spec();
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    // A fifth of a second ahead: a busy computer must not leave the signal with holes.
    attr.tlength = static_cast<std::uint32_t>(kServerRate / 5 * kFrameBytes);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    int err = 0;
    stream_->s =
        pa_simple_new(nullptr, "lumo-test", PA_STREAM_PLAYBACK, sink.c_str(), "signal", &spec, nullptr, &attr, &err);
    if (!stream_->s) {
        error_ = std::string("nothing can be played into ") + sink + ": " + pa_strerror(err);
        return;
    }
    thread_ = std::thread([this] { Run(); });
    server.Restart(sink);
}

SignalSource::~SignalSource() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void SignalSource::Play(std::vector<float> interleaved) {
    std::lock_guard lock(mutex_);
    signal_ = std::move(interleaved);
    next_ = 0;
    done_ = signal_.empty();
}

void SignalSource::Run() {
    std::vector<float> piece(kServerRate / 200 * kServerChannels);
    while (!stop_) {
        std::fill(piece.begin(), piece.end(), 0.0f);
        {
            std::lock_guard lock(mutex_);
            const std::size_t n = std::min(piece.size(), signal_.size() - next_);
            std::copy_n(signal_.begin() + static_cast<std::ptrdiff_t>(next_), n, piece.begin());
            next_ += n;
            if (n > 0 && next_ == signal_.size()) done_ = true;
        }
        int err = 0;
        if (pa_simple_write(stream_->s, piece.data(), piece.size() * sizeof(float), &err) < 0) break;
    }
}

// ---- signals

std::vector<std::vector<float>> ToneAndSweep(std::int64_t frames, int rate) {
    std::vector<std::vector<float>> planes(2, std::vector<float>(static_cast<std::size_t>(frames)));
    const double f0 = 40, f1 = 16000, seconds = static_cast<double>(frames) / rate, k = std::log(f1 / f0);
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        planes[0][static_cast<std::size_t>(i)] = static_cast<float>(0.5 * std::sin(2 * M_PI * 441.0 * t));
        const double phase = 2 * M_PI * f0 * seconds / k * (std::exp(t / seconds * k) - 1);
        planes[1][static_cast<std::size_t>(i)] = static_cast<float>(0.5 * std::sin(phase));
    }
    return planes;
}

std::vector<float> Interleave(const std::vector<std::vector<float>>& planes) {
    const std::size_t channels = planes.size(), n = planes.empty() ? 0 : planes[0].size();
    std::vector<float> out(n * channels);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < channels; ++c) out[i * channels + c] = planes[c][i];
    return out;
}

SignalMatch FindSignal(const std::vector<float>& recorded, const std::vector<float>& signal) {
    SignalMatch m;
    constexpr std::size_t ch = kServerChannels;
    m.frames = static_cast<std::int64_t>(signal.size() / ch);
    // The first frames that are not silence are the key to where the signal begins.
    std::size_t keyStart = 0;
    while (keyStart < signal.size() && signal[keyStart] == 0.0f) ++keyStart;
    keyStart -= keyStart % ch;
    const std::size_t keyLength = std::min<std::size_t>(64 * ch, signal.size() - keyStart);
    if (keyLength == 0 || recorded.size() < keyLength) return m;
    auto key = signal.begin() + static_cast<std::ptrdiff_t>(keyStart);
    for (std::size_t at = 0; at + keyLength <= recorded.size(); at += ch) {
        if (!std::equal(key, key + static_cast<std::ptrdiff_t>(keyLength),
                        recorded.begin() + static_cast<std::ptrdiff_t>(at)))
            continue;
        if (at < keyStart) continue;
        m.found = true;
        m.offset = static_cast<std::int64_t>((at - keyStart) / ch);
        break;
    }
    if (!m.found) return m;
    const std::size_t base = static_cast<std::size_t>(m.offset) * ch;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        if (base + i >= recorded.size() || recorded[base + i] != signal[i]) {
            m.firstWrong = static_cast<std::int64_t>(i / ch);
            break;
        }
    }
    m.matched = m.firstWrong < 0 ? m.frames : m.firstWrong;
    if (m.firstWrong < 0) return m;
    // On from the first difference, over stretches of silence and what was dropped after them.
    auto silent = [&](std::size_t at) {
        return at * ch + 1 < recorded.size() && recorded[at * ch] == 0.0f && recorded[at * ch + 1] == 0.0f;
    };
    auto same = [&](std::size_t frame, std::size_t at) {
        return at * ch + 1 < recorded.size() && recorded[at * ch] == signal[frame * ch] &&
               recorded[at * ch + 1] == signal[frame * ch + 1];
    };
    const std::size_t frames = static_cast<std::size_t>(m.frames);
    // Sixteen frames in a row, so a resumption is not found by chance.
    auto resumes = [&](std::size_t frame, std::size_t at) {
        for (std::size_t k = 0; k < 16 && frame + k < frames; ++k)
            if (!same(frame + k, at + k)) return false;
        return true;
    };
    std::size_t i = static_cast<std::size_t>(m.firstWrong), j = static_cast<std::size_t>(m.offset) + i;
    while (i < frames) {
        if (same(i, j)) {
            ++i;
            ++j;
            continue;
        }
        const std::size_t from = j;
        while (silent(j)) ++j;
        if (j == from) return m;
        std::size_t k = i;
        const std::size_t limit = std::min(frames, i + kServerRate);
        while (k < limit && !resumes(k, j)) ++k;
        if (k == limit) return m;
        m.gaps.push_back({static_cast<std::int64_t>(i), static_cast<std::int64_t>(j - from),
                          static_cast<std::int64_t>(k - i)});
        i = k;
    }
    m.ranDry = true;
    return m;
}

std::int64_t SignalMatch::SignalFrameAt(std::int64_t recordedFrame) const {
    std::int64_t frame = 0, at = offset;
    for (const Gap& g : gaps) {
        if (recordedFrame < at + (g.at - frame)) break;
        at += g.at - frame;
        if (recordedFrame < at + g.silence) return -1;
        at += g.silence;
        frame = g.at + g.dropped;
    }
    const std::int64_t f = frame + (recordedFrame - at);
    return f >= 0 && f < frames ? f : -1;
}

std::vector<double> PositionErrorsMs(const std::vector<std::pair<std::int64_t, std::int64_t>>& readings,
                                     const SignalMatch& m) {
    std::vector<double> errors;
    for (const auto& [given, played] : readings) {
        const std::int64_t heard = played < 0 ? -1 : m.SignalFrameAt(played);
        const bool nearGap = std::any_of(m.gaps.begin(), m.gaps.end(), [&](const SignalMatch::Gap& g) {
            return heard >= g.at && heard < g.at + g.dropped + kServerRate / 10;
        });
        if (heard <= 0 || nearGap) continue;
        errors.push_back(static_cast<double>(given - heard) * 1000.0 / kServerRate);
    }
    return errors;
}

std::string SignalMatch::Describe() const {
    std::ostringstream s;
    if (!found) {
        s << "the signal's first frames were not recorded";
        return s.str();
    }
    s << "signal at recorded frame " << offset << ": " << matched << " of " << frames << " frames equal";
    if (firstWrong >= 0) s << ", the first wrong one is frame " << firstWrong;
    if (ranDry) {
        s << "; the stream ran dry:";
        for (const Gap& g : gaps)
            s << " " << g.silence << " frames of silence before frame " << g.at << " (" << g.dropped
              << " dropped);";
    }
    return s.str();
}

} // namespace soundtest
