// Playback through a real sound server (a private PulseAudio with a null sink, as the
// "soundserver" tests start it): the time from Play to the first sample at the sink, on the
// default device and on a sink chosen by its device number, against paplay playing the same
// file there, and how far the position given while playing is from the
// server's own count of frames played, at the server's default latency and with 200 ms held.
#include "bench/BenchReport.h"
#include "platform/audio/AudioEditor.h"
#include "platform/audio/PortAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/devices/Devices.h"
#include "tests/platform/audio/AudioFixtures.h"
#include "tests/support/SoundServer.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

extern char** environ;

using namespace platform::audio;
using namespace soundtest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = kServerRate;

// Readings taken while something plays: when, and the server's count of frames played.
using Readings = std::vector<std::pair<Clock::time_point, std::int64_t>>;

// When the signal's first frame was played at the sink, from the readings; nullopt when it
// was not found.
std::optional<Clock::time_point> FirstPlayed(const MonitorRecorder& monitor, const Readings& readings,
                                             const std::vector<float>& signal) {
    const SignalMatch m = FindSignal(monitor.Samples(), signal);
    if (!m.found) return std::nullopt;
    for (const auto& [at, played] : readings)
        if (played >= m.offset)
            return at - std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(static_cast<double>(played - m.offset) / kRate));
    return std::nullopt;
}

// Takes readings until `playing` turns false, then a little longer.
template <typename Playing>
Readings Watch(const MonitorRecorder& monitor, Playing playing) {
    Readings r;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (playing() && Clock::now() < deadline) {
        r.emplace_back(Clock::now(), monitor.PlayedFrames());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return r;
}

// Play on sound card `card` (0: the default device), which is the server's `sink`; paplay plays
// the same file on the same sink.
void BenchFirstSample(const SoundServer& server, AudioEditor& e, const std::string& wav, int card,
                      const std::string& sink, const std::string& name) {
    const auto signal = audiotest::StereoSamples(e, 0, e.Length());
    std::vector<double> ours, peer;
    e.SetPlaybackDevice(card);
    for (int i = 0; i < 20; ++i) {
        {
            MonitorRecorder monitor(server, sink);
            e.View().SetPosition(0);
            const auto t0 = Clock::now();
            e.Play(1);
            const auto r = Watch(monitor, [&] {
                e.Pump();
                return e.State() == kStatePlaying;
            });
            if (auto first = FirstPlayed(monitor, r, signal))
                ours.push_back(std::chrono::duration<double, std::milli>(*first - t0).count());
        }
        {
            MonitorRecorder monitor(server, sink);
            std::string program = "paplay", device = "--device=" + sink, file = wav;
            char* argv[] = {program.data(), device.data(), file.data(), nullptr};
            pid_t pid = -1;
            const auto t0 = Clock::now();
            if (posix_spawnp(&pid, "paplay", nullptr, nullptr, argv, environ) != 0) continue;
            int status = 0;
            const auto r = Watch(monitor, [&] { return ::waitpid(pid, &status, WNOHANG) == 0; });
            if (auto first = FirstPlayed(monitor, r, signal))
                peer.push_back(std::chrono::duration<double, std::milli>(*first - t0).count());
        }
    }
    auto worst = [](const std::vector<double>& v) { return v.empty() ? -1.0 : *std::max_element(v.begin(), v.end()); };
    bench::Report("sound_play_to_first_sample_at_" + name + "_median_of_20", bench::Median(ours), "ms", "paplay",
                  bench::Median(peer));
    bench::Report("sound_play_to_first_sample_at_" + name + "_worst_of_20", worst(ours), "ms", "paplay", worst(peer));
    if (ours.size() < 20) std::printf("bench note: the first sample was found in %zu of 20 runs\n", ours.size());
}

void BenchPosition(const SoundServer& server, AudioEditor& e, int latencyMs, const std::string& name) {
    const auto signal = audiotest::StereoSamples(e, 0, e.Length());
    std::vector<double> medians, worsts, accounted;
    for (int run = 0; run < 3; ++run) {
        MonitorRecorder monitor(server, "lumo_out");
        std::shared_ptr<PortAudioDevice> card;
        ScopedDeviceFactory factory([&](DeviceDirection d, int soundCard) -> std::shared_ptr<AudioDevice> {
            card = std::make_shared<PortAudioDevice>(d, soundCard);
            return card;
        });
        e.View().SetPosition(0);
        {
            std::optional<std::string> before;
            if (const char* v = std::getenv("PULSE_LATENCY_MSEC")) before = v;
            if (latencyMs > 0) ::setenv("PULSE_LATENCY_MSEC", std::to_string(latencyMs).c_str(), 1);
            e.Play(1);
            if (before) ::setenv("PULSE_LATENCY_MSEC", before->c_str(), 1);
            else ::unsetenv("PULSE_LATENCY_MSEC");
        }
        std::vector<std::pair<std::int64_t, std::int64_t>> said;
        std::vector<double> held;
        while (e.State() == kStatePlaying) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            // The server's count before and after: a reading the computer interrupted is left out.
            const std::int64_t before = monitor.PlayedFrames();
            e.Pump();
            const std::int64_t after = monitor.PlayedFrames();
            if (e.State() != kStatePlaying) break;
            if (before < 0 || after - before >= kRate / 500) continue;
            said.emplace_back(e.View().Position(), (before + after) / 2);
            held.push_back(static_cast<double>(card->FramesHandedOver() - card->FramesHeard()) * 1000.0 / kRate);
        }
        monitor.Stop();
        const SignalMatch m = FindSignal(monitor.Samples(), signal);
        if (!m.Exact() && !m.ranDry) continue;
        auto errors = PositionErrorsMs(said, m);
        if (errors.empty()) continue;
        for (double& x : errors) x = std::fabs(x);
        worsts.push_back(*std::max_element(errors.begin(), errors.end()));
        medians.push_back(bench::Median(errors));
        accounted.push_back(bench::Median(held));
        if (m.ranDry) std::printf("bench note: %s run %d: the stream ran dry %zu times\n", name.c_str(), run, m.gaps.size());
    }
    bench::ReportRuns("sound_position_error_" + name + "_median", medians, "ms");
    bench::ReportRuns("sound_position_error_" + name + "_worst", worsts, "ms");
    bench::ReportRuns("sound_position_latency_accounted_" + name, accounted, "ms");
}

} // namespace

int main() {
    SoundServer server;
    if (!server.Running()) {
        std::printf("bench sound_server skipped: %s\n", server.Why().c_str());
        return 0;
    }
    const std::string folder = bench::ScratchFolder("sound");
    const std::string wav = folder + "/signal.wav";
    audiotest::WriteBytes(wav, audiotest::WavBytes(ToneAndSweep(kRate / 2), kRate, 16));
    const std::string longWav = folder + "/long.wav";
    audiotest::WriteBytes(longWav, audiotest::WavBytes(ToneAndSweep(3 * kRate), kRate, 16));
    try {
        AudioEditor e;
        e.SetTemporaryFolder(folder);
        e.OpenAudio(wav);
        BenchFirstSample(server, e, wav, 0, "lumo_out", "sink");
        // A sink chosen by its number in the device list, as a player set to it plays.
        const auto outputs = platform::devices::Devices().outputs;
        const auto chosen = std::find_if(outputs.begin(), outputs.end(), [](const auto& d) { return d.name == "On Air Deck"; });
        if (chosen == outputs.end()) std::printf("bench note: the device list does not show the server's sinks\n");
        else BenchFirstSample(server, e, wav, static_cast<int>(chosen - outputs.begin()) + 1, "OnAirDeck", "chosen_sink");
        e.SetPlaybackDevice(0);
        e.OpenAudio(longWav);
        BenchPosition(server, e, 0, "default_latency");
        BenchPosition(server, e, 200, "200ms_latency");
    } catch (const std::exception& x) {
        std::printf("bench sound_server failed: %s\n", x.what());
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
