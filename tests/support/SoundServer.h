// A private PulseAudio server for tests and benchmarks: its own folder (runtime, home, state),
// null sinks at 44.1 kHz stereo float — "lumo_out", the default sink, "lumo_in", whose monitor
// is the default source, and two outputs as a studio has them, "OnAirDeck" and
// "CueHeadphones" (described as "On Air Deck" and "Cue Headphones") — and nothing
// system-wide. Each object starts its own server,
// so parallel test programs never share one; it is stopped (and, should the program die,
// killed) with its owner. While it runs, the program's PulseAudio clients, and so ALSA's
// PulseAudio plugin and PortAudio through it, talk to this server only.
//
// MonitorRecorder takes down everything a sink plays, from its monitor, with the time each
// piece arrived; SignalSource plays a signal into a sink, as a program or a microphone would
// feed the recording side.
#pragma once

#include "platform/devices/Devices.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace soundtest {

inline constexpr int kServerRate = 44100;
inline constexpr int kServerChannels = 2;

struct ServerSink {
    const char* name;
    const char* description;
};
// In the server's order; the first is the default sink.
inline constexpr ServerSink kServerSinks[] = {{"lumo_out", "lumo_out"},
                                              {"lumo_in", "lumo_in"},
                                              {"OnAirDeck", "On Air Deck"},
                                              {"CueHeadphones", "Cue Headphones"}};

class SoundServer {
public:
    // Starts the server and waits for it to take clients; Why() says what went wrong when it
    // could not (no pulseaudio installed, say).
    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool Running() const { return pid_ > 0; }
    const std::string& Why() const { return why_; }
    // Why the program's sound devices (PortAudio, through ALSA's PulseAudio plugin) do not
    // reach the server; empty when they do. Drops a fake device list the program set.
    std::string WhyNotReached() const;
    // Kills the server at once, as a crash would.
    void Kill();
    // Runs pactl against this server; its exit status, and what it printed when asked.
    int Pactl(const std::string& arguments, std::string* output = nullptr) const;
    // Takes a sink away, as unplugging a card would; false when there was no such sink.
    bool RemoveSink(const std::string& sink) const;
    // Makes a sink start afresh at the latency its clients ask for now. A null sink that had
    // no client renders in blocks of two seconds until it is restarted.
    void Restart(const std::string& sink) const;
    const std::string& Folder() const { return folder_; }

private:
    void Start();
    std::string folder_, why_;
    pid_t pid_ = -1;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
};

// The sink of this server that sound card `card` of the device list plays on, or, for a
// recording card, whose monitor it records (0: the default device); empty when there is none.
std::string SinkOf(platform::devices::Direction d, int card);

class MonitorRecorder {
public:
    // Records `sink`'s monitor from now on, the sink restarted so it runs at the recorder's
    // short latency; returns once audio is coming in. Error() says why when it cannot.
    MonitorRecorder(const SoundServer& server, const std::string& sink);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    const std::string& Error() const { return error_; }
    // What came in so far, interleaved stereo; frame 0 is the first the monitor gave.
    std::vector<float> Samples() const;
    std::int64_t Frames() const;
    // The server's own count of the frames the sink has played by now, counted as Samples()
    // counts them (the monitor is handed each frame as it is mixed, before it is played);
    // -1 when the server cannot tell.
    std::int64_t PlayedFrames() const;
    // Stops taking down (also when the server went).
    void Stop();

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    std::string error_;
};

class SignalSource {
public:
    // Plays silence into `sink` until Play is called, then the signal (interleaved stereo),
    // then silence again. Error() says why when it cannot.
    SignalSource(const SoundServer& server, const std::string& sink);
    ~SignalSource();
    SignalSource(const SignalSource&) = delete;
    SignalSource& operator=(const SignalSource&) = delete;

    const std::string& Error() const { return error_; }
    void Play(std::vector<float> interleaved);
    // True once the whole signal has been handed to the server.
    bool Done() const { return done_; }

private:
    void Run();
    struct Stream;
    std::unique_ptr<Stream> stream_;
    std::string error_;
    std::mutex mutex_;
    std::vector<float> signal_;
    std::size_t next_ = 0;
    std::atomic<bool> stop_{false}, done_{false};
    std::thread thread_;
};

// Where `signal` (interleaved stereo) lies in `recorded`, compared sample for sample. What the
// sound server does when a stream runs dry (a computer too busy to feed it in time) is told
// apart from samples that are wrong: it plays silence, and drops what then comes too late.
struct SignalMatch {
    bool found = false;
    std::int64_t offset = 0;      // recorded frame of the signal's first frame
    std::int64_t matched = 0;     // frames equal, from the first on, without a break
    std::int64_t frames = 0;      // frames of the signal
    std::int64_t firstWrong = -1; // signal frame of the first difference, -1: none
    struct Gap {
        std::int64_t at;      // signal frame before which silence was played
        std::int64_t silence; // frames of it
        std::int64_t dropped; // signal frames left out after it
    };
    // When the differences are all such stream-ran-dry gaps: each of them, in order.
    std::vector<Gap> gaps;
    bool ranDry = false;
    bool Exact() const { return found && matched == frames; }
    // The signal frame at a recorded frame; -1 in silence put in, or outside the signal.
    std::int64_t SignalFrameAt(std::int64_t recordedFrame) const;
    std::string Describe() const;
};
SignalMatch FindSignal(const std::vector<float>& recorded, const std::vector<float>& signal);

// How far positions given while playing were from what the server played: each reading is
// a position given (signal frame) and the server's PlayedFrames() taken right after it.
// Milliseconds, readings outside the signal and just after a gap left out (where a stream ran
// dry no one can tell until its next period).
std::vector<double> PositionErrorsMs(const std::vector<std::pair<std::int64_t, std::int64_t>>& readings,
                                     const SignalMatch& m);

// A test signal, one plane per channel: left a 441 Hz tone, right a sweep from 40 Hz to
// 16 kHz that never repeats, both at half scale.
std::vector<std::vector<float>> ToneAndSweep(std::int64_t frames, int rate = kServerRate);
std::vector<float> Interleave(const std::vector<std::vector<float>>& planes);

} // namespace soundtest
