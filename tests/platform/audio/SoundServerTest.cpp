// Playing and recording through a real sound server: a private PulseAudio with null sinks,
// reached as a user's program reaches it, through PortAudio and ALSA's PulseAudio plugin. What
// the sink played is taken from its monitor and compared with the item sample by sample, and
// the server's own count of frames played is the clock the positions are held against.
//
// A stream the computer was too busy to feed in time gets silence put in by the server; a run
// that shows only that is tried again, and reported.
#include "AudioFixtures.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/LumoPlayer.h"
#include "platform/audio/PortAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/base/Error.h"
#include "platform/component/Object.h"
#include "platform/devices/Devices.h"
#include "rozuzezer/core/WaveDevices.h"
#include "rozuzezer/core/cAudioSettings.h"
#include "tests/support/SoundServer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <chrono>
#include <ostream>
#include <thread>

using namespace platform::audio;
using namespace soundtest;
using Clock = std::chrono::steady_clock;
using testsupport::TempDir;

namespace {

constexpr int kRate = kServerRate;
constexpr int kAttempts = 10;

double Ms(std::int64_t frames) { return static_cast<double>(frames) * 1000.0 / kRate; }

// The first and last frames that are not silence.
std::pair<std::int64_t, std::int64_t> Audible(const std::vector<float>& interleaved) {
    const auto frames = static_cast<std::int64_t>(interleaved.size() / 2);
    auto silent = [&](std::int64_t i) { return interleaved[2 * i] == 0 && interleaved[2 * i + 1] == 0; };
    std::int64_t first = 0, last = frames - 1;
    while (first < frames && silent(first)) ++first;
    while (last > first && silent(last)) --last;
    return {first, last};
}

// The real sound card, watched: how far the server had played when the stream was stopped.
class WatchedCard final : public AudioDevice, public ListenerClock {
public:
    WatchedCard(DeviceDirection d, int card, const MonitorRecorder* const& monitor)
        : card_(std::make_shared<PortAudioDevice>(d, card)), monitor_(monitor) {}
    bool Start(int rate, int channels, std::function<std::int64_t(float*, std::int64_t)> pull,
               std::function<void(const float*, std::int64_t)> push) override {
        stopped_ = false;
        return card_->Start(rate, channels, std::move(pull), std::move(push));
    }
    void Stop() override {
        if (!stopped_ && monitor_) playedAtStop = monitor_->PlayedFrames();
        stopped_ = true;
        card_->Stop();
    }
    bool Running() const override { return card_->Running(); }
    std::int64_t FramesHeard() const override { return card_->FramesHeard(); }
    std::int64_t playedAtStop = -1;

private:
    std::shared_ptr<PortAudioDevice> card_;
    const MonitorRecorder* const& monitor_;
    bool stopped_ = true;
};

class SoundServerTest : public ::testing::Test {
protected:
    TempDir dir{"sound"};
    std::unique_ptr<SoundServer> server;
    const MonitorRecorder* watching = nullptr; // the cards made while it is set are watched
    std::shared_ptr<WatchedCard> lastCard;
    ScopedDeviceFactory factory{[this](DeviceDirection d, int card) -> std::shared_ptr<AudioDevice> {
        lastCard = std::make_shared<WatchedCard>(d, card, watching);
        return lastCard;
    }};

    void SetUp() override {
        server = std::make_unique<SoundServer>();
        if (const std::string why = server->WhyNotReached(); !why.empty()) GTEST_SKIP() << why;
    }

    // A 16-bit WAV, as carts are, of the tone and the sweep; mono takes the tone only.
    std::string SignalFile(const std::string& name, double seconds, int channels = 2) {
        auto planes = ToneAndSweep(std::llround(seconds * kRate));
        planes.resize(static_cast<std::size_t>(channels));
        const std::string path = dir / name;
        audiotest::WriteBytes(path, audiotest::WavBytes(planes, kRate, 16));
        return path;
    }

    // Starts a stream with the server holding `ms` of it (0: the server's default).
    static void WithServerLatency(int ms, const std::function<void()>& start) {
        std::optional<testsupport::ScopedEnv> latency;
        if (ms > 0) latency.emplace("PULSE_LATENCY_MSEC", std::to_string(ms)); // read as the stream connects
        start();
    }

    // Runs `attempt` with the sink's monitor recorded until a run had no silence put in,
    // kAttempts at most; the last run is taken as it is. `attempt` plays, then judges what
    // came, given whether it is the last try, and answers whether it is done.
    void WithMonitor(const std::function<bool(MonitorRecorder&, bool last)>& attempt,
                     const std::string& sink = "lumo_out") {
        for (int i = 1; i <= kAttempts; ++i) {
            MonitorRecorder monitor(*server, sink);
            ASSERT_EQ(monitor.Error(), "");
            watching = &monitor;
            const bool done = attempt(monitor, i == kAttempts);
            watching = nullptr;
            if (done || HasFailure()) return;
        }
    }
    static bool Retry(const SignalMatch& m, bool last) {
        if (last || m.Exact() || !m.ranDry) return false;
        std::printf("%s; once more\n", m.Describe().c_str());
        return true;
    }

    // Plays through `play` (which starts playing, waits for the end and calls `notice` from
    // the back end's stopped notice) and checks what the sink played: `expected` whole and
    // exact with only silence around it, the stream stopped and the notice raised once the
    // server had played the last frame, and not long after.
    void PlayAndCheck(const std::vector<float>& expected, const std::function<void(const std::function<void()>&)>& play,
                      const std::string& sink = "lumo_out") {
        WithMonitor([&](MonitorRecorder& monitor, bool last) {
            std::int64_t playedAtNotice = -1;
            play([&] { playedAtNotice = monitor.PlayedFrames(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            monitor.Stop();
            const auto heard = monitor.Samples();
            const SignalMatch m = FindSignal(heard, expected);
            if (HasFailure() || Retry(m, last)) return HasFailure();
            EXPECT_TRUE(m.Exact()) << m.Describe();
            const auto [first, final] = Audible(heard);
            const auto [expFirst, expFinal] = Audible(expected);
            EXPECT_EQ(first, m.offset + expFirst) << "something before the start";
            EXPECT_EQ(final, m.offset + expFinal) << "something after the end";
            const double stop = Ms(lastCard->playedAtStop - (m.offset + m.frames));
            const double notice = Ms(playedAtNotice - (m.offset + m.frames));
            std::printf("the stream stopped %.1f ms and the stopped notice came %.1f ms after the end was played\n",
                        stop, notice);
            EXPECT_GE(stop, 0.0) << "the stream was stopped before its end was played";
            EXPECT_GE(notice, 0.0) << "the notice came before the end was played";
            EXPECT_LT(notice, 500.0) << "the notice came long after the end was played";
            return true;
        }, sink);
    }

    // The component and the player play on sound card `card` at once until `takeAway` takes
    // it from them: both stop within two seconds as on a failed card, the player cued where it
    // was.
    void BothStopWhenTheCardGoes(AudioEditor& e, LumoPlayer& p, int card, const std::function<void()>& takeAway) {
        const std::string path = SignalFile("signal.wav", 5.0);
        e.SetTemporaryFolder(dir.path().string());
        e.OpenAudio(path);
        e.SetPlaybackDevice(card);
        p.SetTemporaryFolder(dir.path().string());
        p.OpenFile(path);
        p.SetOutputDevice(card);
        int stopped = 0;
        std::string events;
        e.Stopped.Connect([&] { ++stopped; });
        p.PlayerEventC.Connect([&] { events += "C"; });
        p.PlayerEventD.Connect([&] { events += "D"; });
        e.Play(1);
        p.Play();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        e.Pump();
        p.Pump();
        ASSERT_EQ(e.State(), kStatePlaying);
        ASSERT_EQ(p.State(), kPlayerPlaying);
        takeAway();
        const auto t0 = Clock::now();
        ASSERT_TRUE(PumpUntil(
            [&] {
                e.Pump();
                p.Pump();
            },
            [&] { return stopped > 0 && !events.empty(); }, 5));
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 2.0);
        EXPECT_EQ(e.State(), kStateIdle);
        EXPECT_EQ(events, "D") << "the player's notice of a failed card";
        EXPECT_EQ(p.State(), kPlayerCued);
        EXPECT_GT(p.Position(), 0.3f) << "cued where it was";
    }

    // Pumps as the window's timer does until `done`, at most `seconds`; false when it timed out.
    template <typename Pump, typename Done>
    static bool PumpUntil(Pump pump, Done done, double seconds) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (!done()) {
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            pump();
        }
        return true;
    }
};

// ---- every sample, through the component and the player

struct PlayCase {
    const char* name;
    int channels;
    double seconds;
    double selFrom, selTo; // seconds; equal: no selection, play from selFrom to the end
    int latencyMs;
};
void PrintTo(const PlayCase& c, std::ostream* os) { *os << c.name; }

class ComponentPlays : public SoundServerTest, public ::testing::WithParamInterface<PlayCase> {};

TEST_P(ComponentPlays, EverySampleReachesTheSinkAndTheStopComesWhenTheLastWasHeard) {
    const PlayCase c = GetParam();
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(SignalFile("signal.wav", c.seconds, c.channels));
    const bool selection = c.selFrom != c.selTo;
    const std::int64_t from = std::llround(c.selFrom * kRate);
    const std::int64_t to = selection ? std::llround(c.selTo * kRate) : e.Length();
    int stopped = 0;
    std::function<void()> notice;
    e.Stopped.Connect([&] {
        ++stopped;
        notice();
    });
    PlayAndCheck(audiotest::StereoSamples(e, from, to), [&](const std::function<void()>& onStopped) {
        e.View().SetSelectionShown(selection);
        e.View().SetSelectionStart(from);
        e.View().SetSelectionEnd(selection ? to : from);
        e.View().SetPosition(from);
        stopped = 0;
        notice = onStopped;
        WithServerLatency(c.latencyMs, [&] { e.Play(1); });
        EXPECT_TRUE(PumpUntil([&] { e.Pump(); }, [&] { return stopped > 0; }, c.seconds + 10));
        EXPECT_EQ(stopped, 1);
        EXPECT_EQ(e.State(), kStateIdle);
        EXPECT_EQ(e.View().Position(), to) << "the position shows the end of what was played";
    });
}

INSTANTIATE_TEST_SUITE_P(Cases, ComponentPlays,
                         ::testing::Values(PlayCase{"WholeStereoItem", 2, 3.0, 0, 0, 0},
                                           PlayCase{"WholeItemLargeLatency", 2, 3.0, 0, 0, 200},
                                           PlayCase{"MonoFromTheCursor", 1, 2.0, 0.5, 0.5, 0},
                                           PlayCase{"Selection", 2, 3.0, 0.75, 2.25, 0}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SoundServerTest, ThePlayerPlaysEverySampleAndStopsWhenTheLastWasHeard) {
    const std::string path = SignalFile("signal.wav", 2.5);
    AudioEditor file;
    file.SetTemporaryFolder(dir.path().string());
    file.OpenAudio(path);
    LumoPlayer p;
    p.SetTemporaryFolder(dir.path().string());
    p.OpenFile(path);
    std::string events;
    std::function<void()> notice;
    p.PlayerEventC.Connect([&] {
        events += "C";
        notice();
    });
    p.PlayerEventD.Connect([&] { events += "D"; });
    PlayAndCheck(audiotest::StereoSamples(file, 0, file.Length()), [&](const std::function<void()>& onStopped) {
        events.clear();
        notice = onStopped;
        p.Play();
        EXPECT_TRUE(PumpUntil([&] { p.Pump(); }, [&] { return !events.empty(); }, 12));
        EXPECT_EQ(events, "C");
        EXPECT_EQ(p.State(), kPlayerStopped);
    });
}

// Stop and Pause by the user do not wait for what the server holds: nothing is played after
// them, and the position kept is the one heard.
TEST_F(SoundServerTest, StopAndPauseStopAtOnce) {
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(SignalFile("signal.wav", 3.0));
    const auto expected = audiotest::StereoSamples(e, 0, e.Length());
    for (const bool pause : {false, true}) {
        SCOPED_TRACE(pause ? "pause" : "stop");
        MonitorRecorder monitor(*server, "lumo_out");
        ASSERT_EQ(monitor.Error(), "");
        e.View().SetPosition(0);
        WithServerLatency(200, [&] { e.Play(1); });
        ASSERT_TRUE(PumpUntil([&] { e.Pump(); }, [&] { return e.View().Position() > kRate; }, 10));
        const std::int64_t played = monitor.PlayedFrames();
        if (pause) e.Pause();
        else e.Stop();
        const std::int64_t kept = e.View().Position();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        monitor.Stop();
        if (pause) e.Stop();
        const auto heard = monitor.Samples();
        const SignalMatch m = FindSignal(heard, expected);
        ASSERT_TRUE(m.found) << m.Describe();
        const std::int64_t stoppedAt = m.SignalFrameAt(played);
        ASSERT_GT(stoppedAt, 0) << m.Describe();
        std::printf("played on for %.1f ms after the stop; kept %.1f ms from what was heard\n",
                    Ms(Audible(heard).second - played), Ms(kept - stoppedAt));
        EXPECT_LT(Ms(Audible(heard).second - played), 30.0) << "played on after the stop";
        EXPECT_LT(std::abs(Ms(kept - stoppedAt)), 20.0);
    }
}

// ---- the position is what is heard

struct PositionCase {
    const char* name;
    bool player;
    int latencyMs; // what the server holds of the stream; 0: its default
};
void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }

class PositionHeard : public SoundServerTest, public ::testing::WithParamInterface<PositionCase> {};

// While playing, the position given is the frame the server is playing at that moment,
// within 20 ms, however much it holds in between.
TEST_P(PositionHeard, WithinTwentyMillisecondsOfWhatTheServerPlays) {
    const PositionCase c = GetParam();
    const std::string path = SignalFile("signal.wav", 3.0);
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(path);
    const auto expected = audiotest::StereoSamples(e, 0, e.Length());
    LumoPlayer p;
    p.SetTemporaryFolder(dir.path().string());
    if (c.player) p.OpenFile(path);
    auto playing = [&] { return c.player ? p.State() == kPlayerPlaying : e.State() == kStatePlaying; };

    WithMonitor([&](MonitorRecorder& monitor, bool last) {
        e.View().SetPosition(0);
        WithServerLatency(c.latencyMs, [&] {
            if (c.player) p.Play();
            else e.Play(1);
        });
        // The position given, and the server's count of frames played then: taken before and
        // after, a reading the computer interrupted left out.
        std::vector<std::pair<std::int64_t, std::int64_t>> said;
        while (playing() && said.size() < 2000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            const std::int64_t before = monitor.PlayedFrames();
            std::int64_t at;
            if (c.player) {
                p.Pump();
                at = std::llround(p.Position() * kRate);
            } else {
                e.Pump();
                at = e.View().Position();
            }
            const std::int64_t after = monitor.PlayedFrames();
            if (playing() && before >= 0 && after - before < kRate / 500) said.emplace_back(at, (before + after) / 2);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        monitor.Stop();
        const SignalMatch m = FindSignal(monitor.Samples(), expected);
        if (Retry(m, last)) return false;
        EXPECT_TRUE(m.Exact() || m.ranDry) << m.Describe();

        std::vector<double> errors = PositionErrorsMs(said, m);
        EXPECT_GT(errors.size(), 100u);
        if (errors.empty()) return true;
        std::sort(errors.begin(), errors.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
        const double median = errors[errors.size() / 2], worst = errors.back();
        std::printf("position error: median %.1f ms, worst %.1f ms over %zu readings\n", median, worst, errors.size());
        EXPECT_LE(std::fabs(worst), 20.0) << "median " << median << " ms";
        return true;
    });
}

INSTANTIATE_TEST_SUITE_P(Cases, PositionHeard,
                         ::testing::Values(PositionCase{"ComponentDefaultLatency", false, 0},
                                           PositionCase{"ComponentLargeLatency", false, 200},
                                           PositionCase{"PlayerDefaultLatency", true, 0},
                                           PositionCase{"PlayerLargeLatency", true, 200}),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- recording

// The place of a device in a list by its name; -1 when it is not there.
int PlaceOf(const std::vector<platform::devices::DeviceCaps>& devices, const std::string& name) {
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].name == name) return static_cast<int>(i);
    return -1;
}

struct RecordCase {
    const char* name;
    const char* source;    // the device chosen, by its name in the list; empty: the default (0)
    const char* fed;       // the sink whose monitor that is, fed the signal
    const char* elsewhere; // a sink fed something else meanwhile; empty: none
};
void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }

class Recording : public SoundServerTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(Recording, TakesDownExactlyWhatWasPlayedIntoTheSource) {
    const RecordCase c = GetParam();
    int card = 0;
    if (*c.source) {
        card = PlaceOf(platform::devices::Devices().inputs, c.source) + 1;
        ASSERT_GE(card, 1) << c.source << " is not listed";
    }
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(SignalFile("before.wav", 0.5));
    e.SetRecordingDevice(card);
    const std::int64_t before = e.Length();
    const auto signal = Interleave(ToneAndSweep(2 * kRate));
    // The same signal with its channels the other way round: what the other source hears.
    auto planes = ToneAndSweep(4 * kRate);
    std::swap(planes[0], planes[1]);
    const auto other = Interleave(planes);
    for (int i = 1; i <= kAttempts; ++i) {
        SignalSource source(*server, c.fed);
        ASSERT_EQ(source.Error(), "");
        std::optional<SignalSource> noise;
        if (*c.elsewhere) {
            noise.emplace(*server, c.elsewhere);
            ASSERT_EQ(noise->Error(), "");
            noise->Play(other);
        }
        e.View().SetPosition(before);
        e.Record(2);
        ASSERT_EQ(e.State(), kStateRecording);
        auto pumpFor = [&](std::int64_t frames) {
            const std::int64_t from = e.View().Position();
            return PumpUntil([&] { e.Pump(); }, [&] { return e.View().Position() > from + frames; }, 10);
        };
        EXPECT_TRUE(pumpFor(kRate / 4));
        source.Play(signal);
        EXPECT_TRUE(PumpUntil([&] { e.Pump(); }, [&] { return source.Done(); }, 10));
        EXPECT_TRUE(pumpFor(kRate / 2));
        e.Stop();
        ASSERT_EQ(e.State(), kStateIdle);
        const SignalMatch m = FindSignal(audiotest::StereoSamples(e, before, e.Length()), signal);
        if (Retry(m, i == kAttempts)) {
            e.Undo();
            continue;
        }
        EXPECT_TRUE(m.Exact()) << m.Describe();
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Recording,
                         ::testing::Values(RecordCase{"TheDefaultSource", "", "lumo_in", ""},
                                           RecordCase{"AChosenMonitor", "Monitor of On Air Deck", "OnAirDeck",
                                                      "lumo_in"}),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- the server's sinks and sources are the devices

TEST_F(SoundServerTest, TheDevicesAreTheServersSinksAndSourcesUnderTheirDescriptions) {
    using namespace rozuzezer::MultimediaAPI;
    const auto list = platform::devices::Devices();
    std::vector<std::string> outputs, sinks;
    for (const auto& d : list.outputs) {
        outputs.push_back(d.name);
        EXPECT_EQ(d.formats, 0xCCCu) << d.name << ": every 16-bit format, which the server converts";
        EXPECT_EQ(d.channels, kServerChannels);
    }
    for (const ServerSink& sink : kServerSinks) sinks.emplace_back(sink.description);
    EXPECT_EQ(outputs, sinks);
    for (const ServerSink& sink : kServerSinks)
        EXPECT_GE(PlaceOf(list.inputs, std::string("Monitor of ") + sink.description), 0) << sink.description;
    EXPECT_EQ(list.defaultOutput, PlaceOf(list.outputs, "lumo_out"));
    ASSERT_GE(list.defaultInput, 0);
    EXPECT_EQ(list.inputs[static_cast<std::size_t>(list.defaultInput)].name, "Monitor of lumo_in");

    // The queries and the profile count on that list as they would on sound cards.
    const auto sinkCount = static_cast<std::int16_t>(std::size(kServerSinks));
    EXPECT_EQ(CountSuitableWaveOutDevices(44100, 1), sinkCount);
    EXPECT_EQ(FindSuitableWaveOutDevice(2, 44100, 1), 2);
    EXPECT_EQ(LastSuitableWaveOutDevice(44100, 1), sinkCount - 1);
    EXPECT_EQ(LastSuitableWaveInDevice(44100, 1), static_cast<std::int16_t>(list.inputs.size() - 1));
    testsupport::ScopedEnv registry("BREVANT_REGISTRY_DIR", (dir.path() / "registry").string());
    auto settings = platform::component::MakeRef<rozuzezer::cAudioSettings>();
    ASSERT_TRUE(settings->LoadProfile("Profile1"));
    EXPECT_EQ(settings->NumberPlayers, sinkCount);
    for (std::int16_t i = 1; i <= sinkCount; ++i) EXPECT_EQ(settings->PlayerSoundCardNumber(i), i);
    EXPECT_EQ(settings->EditSoundCardNumber, sinkCount) << "the last player's card";
    EXPECT_EQ(settings->RecordingSoundCardNumber, static_cast<std::int16_t>(list.inputs.size()));
}

// Everything a run left on other sinks: frames that were not silence.
class Untouched {
public:
    Untouched(const SoundServer& server, std::initializer_list<const char*> sinks) {
        for (const char* sink : sinks) {
            names_.emplace_back(sink);
            monitors_.push_back(std::make_unique<MonitorRecorder>(server, sink));
            EXPECT_EQ(monitors_.back()->Error(), "");
        }
    }
    // Milliseconds that were not silence, per sink.
    std::string Heard() {
        std::string text;
        for (std::size_t i = 0; i < monitors_.size(); ++i) {
            monitors_[i]->Stop();
            const auto samples = monitors_[i]->Samples();
            std::int64_t frames = 0;
            for (std::size_t f = 0; f + 1 < samples.size(); f += 2)
                if (samples[f] != 0 || samples[f + 1] != 0) ++frames;
            if (frames > 0) text += names_[i] + ": " + std::to_string(Ms(frames)) + " ms; ";
        }
        return text;
    }

private:
    std::vector<std::string> names_;
    std::vector<std::unique_ptr<MonitorRecorder>> monitors_;
};

struct ChosenCase {
    const char* name;
    bool player;
    const char* device; // by its name in the list; empty: the default device (0)
    const char* sink;   // where it must play
    const char* defaultSink;
};
void PrintTo(const ChosenCase& c, std::ostream* os) { *os << c.name; }

class PlaysThere : public SoundServerTest, public ::testing::WithParamInterface<ChosenCase> {};

TEST_P(PlaysThere, EverySampleAndNothingOnTheOtherSinks) {
    const ChosenCase c = GetParam();
    if (std::string(c.defaultSink) != "lumo_out") {
        ASSERT_EQ(server->Pactl(std::string("set-default-sink ") + c.defaultSink), 0);
    }
    int card = 0;
    if (*c.device) {
        card = PlaceOf(platform::devices::Devices().outputs, c.device) + 1;
        ASSERT_GE(card, 1) << c.device << " is not listed";
    } else {
        const auto caps = platform::devices::GetDeviceCaps(platform::devices::Direction::Output, -1);
        ASSERT_TRUE(caps);
        const auto sink = std::find_if(std::begin(kServerSinks), std::end(kServerSinks),
                                       [&](const ServerSink& s) { return std::string(s.name) == c.defaultSink; });
        EXPECT_EQ(caps->name, sink->description) << "the default device is the server's default sink";
    }
    std::vector<const char*> others;
    for (const ServerSink& s : kServerSinks)
        if (std::string(s.name) != c.sink && std::string(s.name) != "lumo_in") others.push_back(s.name);
    ASSERT_EQ(others.size(), 2u);
    Untouched elsewhere(*server, {others[0], others[1]});

    const std::string path = SignalFile("signal.wav", 1.5);
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(path);
    e.SetPlaybackDevice(card);
    LumoPlayer p;
    p.SetTemporaryFolder(dir.path().string());
    p.SetOutputDevice(card);
    if (c.player) p.OpenFile(path);
    bool stopped = false;
    std::function<void()> notice;
    e.Stopped.Connect([&] {
        stopped = true;
        notice();
    });
    p.PlayerEventC.Connect([&] {
        stopped = true;
        notice();
    });
    PlayAndCheck(
        audiotest::StereoSamples(e, 0, e.Length()),
        [&](const std::function<void()>& onStopped) {
            stopped = false;
            notice = onStopped;
            e.View().SetPosition(0);
            if (c.player) p.Play();
            else e.Play(1);
            EXPECT_TRUE(PumpUntil(
                [&] {
                    if (c.player) p.Pump();
                    else e.Pump();
                },
                [&] { return stopped; }, 10));
        },
        c.sink);
    EXPECT_EQ(elsewhere.Heard(), "") << "played on another sink";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaysThere,
    ::testing::Values(ChosenCase{"ComponentOnTheSecondSink", false, "Cue Headphones", "CueHeadphones", "lumo_out"},
                      ChosenCase{"PlayerOnTheFirstSink", true, "On Air Deck", "OnAirDeck", "lumo_out"},
                      ChosenCase{"PlayerOnTheDefaultSinkOnceTheServerChangedIt", true, "", "OnAirDeck",
                                 "OnAirDeck"},
                      ChosenCase{"ComponentOnTheDefaultSinkOnceTheServerChangedIt", false, "", "CueHeadphones",
                                 "CueHeadphones"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SoundServerTest, TheDefaultSourceFollowsTheServersDefault) {
    ASSERT_EQ(server->Pactl("set-default-source CueHeadphones.monitor"), 0);
    const auto caps = platform::devices::GetDeviceCaps(platform::devices::Direction::Input, -1);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->name, "Monitor of Cue Headphones");
}

// A sink unplugged while players use it: they stop as on a failed card, nothing goes on
// playing elsewhere, and its number is then a missing device.
TEST_F(SoundServerTest, ASinkThatGoesAwayStopsItsPlayersAtOnceAndIsThenMissing) {
    const int card = PlaceOf(platform::devices::Devices().outputs, "Cue Headphones") + 1;
    ASSERT_EQ(card, static_cast<int>(std::size(kServerSinks))) << "the last sink, so its number is left unused";
    AudioEditor e;
    LumoPlayer p;
    Untouched elsewhere(*server, {"lumo_out", "OnAirDeck"});
    BothStopWhenTheCardGoes(e, p, card, [&] { ASSERT_TRUE(server->RemoveSink("CueHeadphones")); });
    if (HasFatalFailure()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::string heard = elsewhere.Heard();
    std::printf("after the sink went: %s\n", heard.empty() ? "nothing elsewhere" : heard.c_str());
    for (const char* sink : {"lumo_out: ", "OnAirDeck: "}) {
        if (const auto at = heard.find(sink); at != std::string::npos) {
            EXPECT_LT(std::stod(heard.substr(at + std::strlen(sink))), 30.0) << "played on elsewhere: " << heard;
        }
    }
    for (const bool player : {false, true}) {
        SCOPED_TRACE(player ? "player" : "component");
        try {
            if (player) p.Play();
            else e.Play(1);
            ADD_FAILURE() << "played on a sink that is gone";
        } catch (const platform::RuntimeError& err) {
            EXPECT_EQ(err.Number(), platform::err::DeviceIO);
            EXPECT_NE(err.Description().find("is not available for playback"), std::string::npos) << err.Description();
        }
    }
}

// LumoEdit started before the sound server: once it runs, playing finds it.
TEST(SoundServerLate, AServerStartedAfterAPlayThatFoundNoneIsFound) {
    TempDir dir("late");
    platform::devices::SetFakeDevices(std::nullopt);
    const std::string path = dir / "signal.wav";
    audiotest::WriteBytes(path, audiotest::WavBytes(ToneAndSweep(kRate), kRate, 16));
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(path);
    try {
        e.Play(1);
        e.Stop();
        GTEST_SKIP() << "this computer plays without a sound server";
    } catch (const platform::RuntimeError& err) {
        EXPECT_EQ(err.Number(), platform::err::DeviceIO);
    }
    SoundServer server;
    if (!server.Running()) GTEST_SKIP() << "no sound server here: " << server.Why();
    e.Play(1);
    EXPECT_EQ(e.State(), kStatePlaying);
    e.Stop();
}

// ---- the server going away

TEST_F(SoundServerTest, AServerKilledWhilePlayingStopsBothBackEndsAtOnce) {
    AudioEditor e;
    LumoPlayer p;
    BothStopWhenTheCardGoes(e, p, 0, [&] { server->Kill(); });
    if (HasFatalFailure()) return;
    // With no server left, playing again is refused with the device's error (unless this
    // computer has a sound card of its own).
    try {
        e.Play(1);
        e.Stop();
    } catch (const platform::RuntimeError& err) {
        EXPECT_EQ(err.Number(), platform::err::DeviceIO);
    }
    EXPECT_EQ(e.State(), kStateIdle);
}

TEST_F(SoundServerTest, AServerKilledWhileRecordingKeepsTheTakeSoFar) {
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(SignalFile("before.wav", 0.5));
    const std::int64_t before = e.Length();
    SignalSource source(*server, "lumo_in");
    ASSERT_EQ(source.Error(), "");
    source.Play(Interleave(ToneAndSweep(10 * kRate)));
    int stopped = 0;
    e.Stopped.Connect([&] { ++stopped; });
    e.View().SetPosition(before);
    e.Record(2);
    ASSERT_TRUE(PumpUntil([&] { e.Pump(); }, [&] { return e.View().Position() > before + kRate / 2; }, 10));
    server->Kill();
    const auto t0 = Clock::now();
    ASSERT_TRUE(PumpUntil([&] { e.Pump(); }, [&] { return stopped > 0; }, 5));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 2.0);
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_GT(e.Length(), before + kRate / 2) << "the take up to the failure is in the document";
    EXPECT_TRUE(e.CanUndo());
}

} // namespace
