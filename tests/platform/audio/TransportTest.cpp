// Playing and recording the editor's document on a fake sound card driven by the test.
#include "AudioFixtures.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/base/Error.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include <sys/resource.h>
#include <thread>

using namespace platform::audio;
using testsupport::TempDir;

namespace {

constexpr int kRate = 44100;

struct TransportFixture : ::testing::Test {
    TempDir dir{"transport"};
    std::shared_ptr<FakeAudioDevice> out = std::make_shared<FakeAudioDevice>(441);
    std::shared_ptr<FakeAudioDevice> in = std::make_shared<FakeAudioDevice>(441);
    std::vector<std::pair<DeviceDirection, int>> asked;
    ScopedDeviceFactory factory{[this](DeviceDirection d, int card) -> std::shared_ptr<AudioDevice> {
        asked.emplace_back(d, card);
        return d == DeviceDirection::Playback ? std::static_pointer_cast<AudioDevice>(out)
                                              : std::static_pointer_cast<AudioDevice>(in);
    }};
    AudioEditor e;
    int stopped = 0, positions = 0;
    std::vector<std::pair<int, int>> levels;

    void SetUp() override {
        e.SetTemporaryFolder(dir.path().string());
        out->KeepPlayed(true);
        e.Stopped.Connect([this] { ++stopped; });
        e.PositionChanged.Connect([this] { ++positions; });
        e.Levels.Connect([this](int l, int r) { levels.emplace_back(l, r); });
    }
    void Open(int channels, std::int64_t frames) {
        std::string path = dir / "doc.wav";
        audiotest::WriteToneWav(path, channels, frames, kRate);
        e.OpenAudio(path);
    }
    // Advances the device by `frames` in steps of 25 ms, pumping the events after each.
    void Run(std::int64_t frames) {
        while (frames > 0) {
            std::int64_t k = std::min<std::int64_t>(frames, kRate / 40);
            out->Advance(k);
            in->Advance(k);
            e.Pump();
            frames -= k;
        }
    }
    // The document's interleaved samples of [a, b).
    std::vector<float> Doc(std::int64_t a, std::int64_t b) {
        const int ch = e.ChannelCount();
        std::vector<float> x(static_cast<std::size_t>((b - a) * ch));
        for (int c = 0; c < ch; ++c) {
            auto v = audiotest::Channel(e, c, a, b - a);
            for (std::size_t i = 0; i < v.size(); ++i) x[i * ch + static_cast<std::size_t>(c)] = v[i];
        }
        return x;
    }
    void Select(std::int64_t a, std::int64_t b) {
        e.View().SetSelectionShown(true);
        e.View().SetSelectionStart(a);
        e.View().SetSelectionEnd(b);
    }
};

TEST_F(TransportFixture, PlayToTheEndRaisesStoppedOnce) {
    Open(2, 30000);
    e.SetPlaybackDevice(3);
    e.View().SetPosition(1000);
    e.Play(1);
    EXPECT_EQ(e.State(), kStatePlaying);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(DeviceDirection::Playback, 3));
    EXPECT_EQ(out->SampleRate(), kRate);
    EXPECT_EQ(out->Channels(), 2);
    Run(kRate); // a second: more than the 29000 frames left
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(e.View().Position(), 30000);
    EXPECT_EQ(out->Played(), Doc(1000, 30000));
    // 29000 frames in 25 ms steps: a position event for each step that moved the head.
    EXPECT_GE(positions, 29000 / (kRate / 40));
    Run(kRate);
    EXPECT_EQ(stopped, 1);
}

// With no room in memory for blocks the card is fed from the samples read on their own:
// through reversed and amplified pieces, exactly the document.
TEST_F(TransportFixture, WithNothingInMemoryPlaybackIsStillExactlyTheDocument) {
    const std::size_t budget = BlockCache::Instance().Budget();
    BlockCache::Instance().SetBudget(0);
    Open(2, 3 * kRate);
    Select(20011, 50023);
    e.Processing().Reverse();
    Select(40007, 90001);
    e.Processing().Amplify(60);
    e.View().SetSelectionShown(false);
    e.View().SetPosition(10003);
    e.Play(1);
    Run(kRate);
    e.Stop();
    const auto played = out->Played();
    const auto expected = Doc(10003, 10003 + static_cast<std::int64_t>(played.size()) / 2);
    EXPECT_GE(played.size(), static_cast<std::size_t>(2 * (kRate - 441)));
    EXPECT_EQ(played, expected);
    BlockCache::Instance().SetBudget(budget);
}

TEST_F(TransportFixture, PlayModesChooseWhatIsPlayed) {
    Open(1, 20000);
    struct Case {
        int mode;
        std::int64_t cursor, selA, selB; // selA == selB: no selection
        std::int64_t from, to;
    } cases[] = {
        {1, 500, 0, 0, 500, 20000},       // cursor to the end
        {1, 0, 2000, 6000, 2000, 6000},   // the selection
        {1, 3000, 2000, 6000, 3000, 6000},// from a cursor inside the selection
        {2, 0, 2000, 6000, 2000, 20000},  // ignores the selection's end
        {1, 20000, 0, 0, 20000, 20000},   // at the end: nothing to play
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " cursor " << c.cursor);
        out = std::make_shared<FakeAudioDevice>(441);
        out->KeepPlayed(true);
        e.View().SetSelectionShown(false);
        if (c.selA != c.selB) Select(c.selA, c.selB);
        e.View().SetPosition(c.cursor);
        int before = stopped;
        e.Play(c.mode);
        Run(kRate);
        EXPECT_EQ(e.State(), kStateIdle);
        EXPECT_EQ(stopped, before + 1);
        EXPECT_EQ(out->Played(), Doc(c.from, c.to));
    }
}

TEST_F(TransportFixture, PauseAndResumeKeepThePosition) {
    Open(2, 40000);
    e.Play(1);
    Run(10000);
    const std::int64_t at = e.View().Position();
    EXPECT_EQ(at, out->FramesPulled());
    e.Pause();
    EXPECT_EQ(e.State(), kStatePaused);
    Run(5000); // a paused card is not asked for frames
    EXPECT_EQ(e.View().Position(), at);
    EXPECT_EQ(out->FramesPulled(), at);
    e.Resume();
    EXPECT_EQ(e.State(), kStatePlaying);
    Run(kRate);
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(out->Played(), Doc(0, 40000)); // nothing skipped, nothing twice
}

TEST_F(TransportFixture, ThePositionIsWhatIsHeardNotWhatWasHandedOver) {
    Open(1, 30000);
    out->SetLatency(2000);
    e.Play(1);
    Run(10000);
    EXPECT_EQ(out->FramesPulled(), 10000);
    EXPECT_EQ(e.View().Position(), 8000);
    e.Pause(); // the card's 2000 frames not yet heard are played again after the pause
    EXPECT_EQ(e.View().Position(), 8000);
    e.Resume();
    Run(22000); // the last frame is handed over; its sound is still in the card
    EXPECT_EQ(out->FramesPulled(), 10000 + 22000);
    EXPECT_EQ(e.State(), kStatePlaying);
    EXPECT_EQ(e.View().Position(), 28000);
    EXPECT_EQ(stopped, 0);
    Run(2000 + 441); // one period to find the end, then the card's 2000 frames
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(e.View().Position(), 30000);
    auto expected = Doc(0, 10000);
    auto rest = Doc(8000, 30000);
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(out->Played(), expected);
}

// Paused while the card plays out its last frames, all handed over: resuming plays them.
TEST_F(TransportFixture, PauseWhileTheCardPlaysOutResumesWithWhatWasNotHeard) {
    Open(1, 10000);
    out->SetLatency(3000);
    e.Play(1);
    Run(11000); // everything handed over, 2000 frames still in the card
    ASSERT_EQ(e.State(), kStatePlaying);
    EXPECT_EQ(e.View().Position(), 8000);
    e.Pause();
    EXPECT_EQ(e.View().Position(), 8000);
    e.Resume();
    ASSERT_EQ(e.State(), kStatePlaying);
    Run(kRate);
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(e.View().Position(), 10000);
    auto expected = Doc(0, 10000);
    auto rest = Doc(8000, 10000);
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(out->Played(), expected);
}

TEST_F(TransportFixture, LoopPlayRepeatsTheSelectionUntilStopped) {
    Open(2, 20000);
    Select(4000, 5000);
    out->SetLatency(700); // what is heard is still in the third pass
    e.Play(3);
    Run(3500);
    EXPECT_EQ(e.State(), kStatePlaying);
    std::vector<float> expected;
    for (int i = 0; i < 4; ++i) {
        auto part = Doc(4000, 5000);
        expected.insert(expected.end(), part.begin(), part.end());
    }
    expected.resize(3500 * 2);
    EXPECT_EQ(out->Played(), expected);
    e.Stop();
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(e.View().Position(), 4800);
    EXPECT_EQ(stopped, 1);
}

TEST_F(TransportFixture, LoopWithoutSelectionWrapsToTheStart) {
    Open(1, 3000);
    e.View().SetPosition(2000);
    e.Play(3);
    Run(2500);
    auto expected = Doc(2000, 3000);
    auto whole = Doc(0, 1500);
    expected.insert(expected.end(), whole.begin(), whole.end());
    EXPECT_EQ(out->Played(), expected);
    EXPECT_EQ(e.State(), kStatePlaying);
}

TEST_F(TransportFixture, LevelsArePerChannelPeaks) {
    // Left at half scale (-6 dB), right silent.
    std::string path = dir / "left.wav";
    auto planes = audiotest::TonePlanes(2, 20000, kRate);
    std::fill(planes[1].begin(), planes[1].end(), 0.0f);
    audiotest::WriteBytes(path, audiotest::WavBytes(planes, kRate, 32, true));
    e.OpenAudio(path);
    e.Play(1);
    Run(4 * (kRate / 40));
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.back(), std::make_pair(PeakToLevel(0.5f, 90), 0));
    EXPECT_EQ(PeakToLevel(1.0f, 90), 90);
    EXPECT_EQ(PeakToLevel(0.0005f, 90), 0);
}

TEST_F(TransportFixture, RecordingInsertsExactlyWhatTheCardDelivered) {
    Open(2, 10000);
    auto before = Doc(0, 10000);
    in->SetSource([](std::int64_t first, std::int64_t frames, int ch, float* x) {
        for (std::int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < ch; ++c)
                x[i * ch + c] = static_cast<float>(((first + i) * 7 + c * 13) % 2001 - 1000) / 1000.0f;
    });
    e.SetRecordingDevice(2);
    e.View().SetPosition(4000);
    e.Record(2);
    EXPECT_EQ(e.State(), kStateRecording);
    EXPECT_EQ(asked.back(), std::make_pair(DeviceDirection::Recording, 2));
    EXPECT_EQ(in->SampleRate(), kRate);
    EXPECT_EQ(in->Channels(), 2);
    Run(300000); // longer than one work block
    EXPECT_GE(positions, 300000 / (kRate / 40));
    EXPECT_EQ(e.View().Position(), 4000 + 300000);
    e.Stop();
    EXPECT_EQ(e.State(), kStateIdle);
    ASSERT_EQ(e.Length(), 310000);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 8000, Doc(0, 4000).begin()));
    auto rec = Doc(4000, 304000);
    std::vector<float> expected(rec.size());
    for (std::int64_t i = 0; i < 300000; ++i)
        for (int c = 0; c < 2; ++c)
            expected[static_cast<std::size_t>(i * 2 + c)] =
                static_cast<float>((i * 7 + c * 13) % 2001 - 1000) / 1000.0f;
    EXPECT_EQ(rec, expected);
    auto tail = Doc(304000, 310000);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), before.begin() + 8000));
    EXPECT_EQ(e.View().Position(), 304000);
    ASSERT_TRUE(e.CanUndo());
    e.Undo();
    EXPECT_EQ(e.Length(), 10000);
    EXPECT_EQ(Doc(0, 10000), before);
}

// The work folder fills up in the middle of a recording: what was written is kept.
TEST_F(TransportFixture, AFullDiskEndsTheRecordingKeepingWhatWasWritten) {
    Open(2, 10000);
    in->SetSource([](std::int64_t first, std::int64_t frames, int ch, float* x) {
        for (std::int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < ch; ++c) x[i * ch + c] = static_cast<float>((first + i) % 1000) / 1000.0f;
    });
    e.Record(2);
    // Room for three blocks of one channel: both channels' first blocks, then the left's
    // second one; the right's second block finds the disk full.
    const std::int64_t block = kWorkBlockFrames * static_cast<std::int64_t>(sizeof(float));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(3 * block);
    setrlimit(RLIMIT_FSIZE, &small);
    for (int i = 0; i < 200 && e.State() == kStateRecording; ++i) {
        in->Advance(kRate / 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        e.Pump();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(stopped, 1);
    ASSERT_EQ(e.Length(), 10000 + kWorkBlockFrames);
    for (int c = 0; c < 2; ++c) {
        auto v = audiotest::Channel(e, c, 0, kWorkBlockFrames);
        bool same = true;
        for (std::int64_t i = 0; i < kWorkBlockFrames; ++i)
            same = same && v[static_cast<std::size_t>(i)] == static_cast<float>(i % 1000) / 1000.0f;
        EXPECT_TRUE(same) << c;
    }
    EXPECT_TRUE(e.CanUndo());
}

TEST_F(TransportFixture, RecordingReplacesTheSelectionOrOverwrites) {
    in->SetSource([](std::int64_t, std::int64_t frames, int ch, float* x) { std::fill(x, x + frames * ch, 0.25f); });
    struct Case {
        bool overwrite;
        std::int64_t selA, selB;
        std::int64_t length;
    } cases[] = {{false, 1000, 3000, 10000 - 2000 + 882}, {true, 0, 0, 10000}, {true, 9500, 9500, 9500 + 882}};
    for (const auto& c : cases) {
        Open(1, 10000);
        e.RecordingSettings().SetOverwrite(c.overwrite);
        if (c.selA != c.selB) Select(c.selA, c.selB);
        else e.View().SetPosition(c.selA == 0 ? 1000 : c.selA);
        e.Record(2);
        Run(882);
        e.Stop();
        EXPECT_EQ(e.Length(), c.length);
        auto v = audiotest::Channel(e, 0, c.selA == 0 ? 1000 : c.selA, 882);
        EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](float x) { return x == 0.25f; }));
    }
}

// A region set while recording stands where the recording had come to, on the new timeline:
// the recording does not shift it. What was there before follows the audio after the record
// point, an edge at a time.
TEST_F(TransportFixture, RegionsSetWhileRecordingStayWhereTheyWereSet) {
    Open(1, 10000);
    auto& r = e.Regions();
    r.Add(2000, 1000, "Intro", "1", "Intro"); // before the record point
    r.Add(6000, 2000, "Hook", "3", "Hook");   // after it
    r.Add(8000, 0, "Extro", "2", "Extro");
    e.View().SetPosition(4000);
    e.Record(2);
    Run(3000);
    r.SetCurrent(2);
    r.SetStart(5000); // the hook start marked at the head; its end left as it was
    r.SetLength(3000);
    r.Add(6500, 0, "Loop", "4", "Loop"); // made during the recording
    Run(2000);
    e.Stop();
    ASSERT_EQ(e.Length(), 15000);
    auto span = [&](int i) {
        r.SetCurrent(i);
        return std::make_pair(r.Start(), r.Start() + r.Length());
    };
    EXPECT_EQ(span(1), std::make_pair(std::int64_t{2000}, std::int64_t{3000}));
    EXPECT_EQ(span(2), std::make_pair(std::int64_t{5000}, std::int64_t{13000}));
    EXPECT_EQ(span(3), std::make_pair(std::int64_t{13000}, std::int64_t{13000}));
    EXPECT_EQ(span(4), std::make_pair(std::int64_t{6500}, std::int64_t{6500}));
}

TEST_F(TransportFixture, RefusesWhatCannotBeDone) {
    EXPECT_THROW(e.Play(1), platform::RuntimeError); // no document
    Open(1, 1000);
    EXPECT_THROW(e.Play(4), platform::RuntimeError);
    EXPECT_THROW(e.Record(1), platform::RuntimeError);
    e.Record(2);
    EXPECT_THROW(e.Play(1), platform::RuntimeError); // recording
    EXPECT_THROW(e.Record(2), platform::RuntimeError);
    e.Stop();
    EXPECT_EQ(e.Length(), 1000); // nothing was delivered, nothing inserted
    EXPECT_FALSE(e.CanUndo());
}

TEST_F(TransportFixture, ACardThatFailsLeavesTheEditorIdle) {
    Open(2, 50000);
    out->FailNextStart("The sound card \"Desk\" could not be opened");
    try {
        e.Play(1);
        FAIL() << "played on a failing card";
    } catch (const platform::RuntimeError& err) {
        EXPECT_EQ(err.Number(), platform::err::DeviceIO);
        EXPECT_NE(err.Description().find("Desk"), std::string::npos);
    }
    EXPECT_EQ(e.State(), kStateIdle);
    e.Play(1);
    Run(1000);
    out->Break(); // pulled out while playing
    Run(1000);
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(stopped, 1);
}

TEST_F(TransportFixture, StoppingAfterTheDocumentClosedIsQuiet) {
    Open(1, 50000);
    e.Play(1);
    Run(1000);
    e.CloseDocument();
    Run(1000);
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(stopped, 1);
    e.Stop();
    EXPECT_EQ(stopped, 1);
}

// Any order of transport calls, with the card on its own thread at many times real time:
// the editor stays in a state it can name, its cursor inside the document.
TEST_F(TransportFixture, RandomCallsWithACardOnItsOwnThread) {
    Open(2, 200000);
    out = std::make_shared<FakeAudioDevice>(256);
    out->SetFreeRunning(20.0);
    in = std::make_shared<FakeAudioDevice>(256);
    in->SetFreeRunning(20.0);
    std::uint32_t seed = 12345;
    auto next = [&](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    for (int i = 0; i < 300; ++i) {
        try {
            switch (next(9)) {
            case 0: e.Play(static_cast<int>(next(3)) + 1); break;
            case 1: e.Pause(); break;
            case 2: e.Resume(); break;
            case 3: e.Stop(); break;
            case 4: e.View().SetPosition(next(200000)); break;
            case 5: Select(next(100000), 100000 + next(100000)); break;
            case 6: if (e.State() == kStateIdle) e.Record(2); break;
            case 7: if (e.State() == kStateIdle && e.CanUndo()) e.Undo(); break;
            default: break;
            }
        } catch (const platform::RuntimeError&) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(next(3000)));
        e.Pump();
        const int st = e.State();
        EXPECT_TRUE(st == kStateIdle || st == kStatePlaying || st == kStatePaused || st == kStateRecording) << st;
        if (st != kStateRecording) {
            EXPECT_GE(e.View().Position(), 0);
            EXPECT_LE(e.View().Position(), e.Length());
        }
    }
    e.Stop();
    EXPECT_EQ(e.State(), kStateIdle);
}

// The real sound system on a computer without a sound card: a clear error, quickly, and
// nothing from ALSA or PortAudio on standard error.
TEST(TransportNoCard, PlayingReportsAClearError) {
    TempDir dir("nocard");
    std::string path = dir / "a.wav";
    audiotest::WriteToneWav(path, 2, 44100);
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    e.OpenAudio(path);
    for (int card : {0, 7}) {
        e.SetPlaybackDevice(card);
        testing::internal::CaptureStderr();
        auto t0 = std::chrono::steady_clock::now();
        std::string error;
        try {
            e.Play(1);
            e.Stop(); // a machine that has a card plays
        } catch (const platform::RuntimeError& err) {
            error = err.Description();
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::string noise = testing::internal::GetCapturedStderr();
        EXPECT_LT(seconds, 20.0);
        EXPECT_EQ(noise, "");
        EXPECT_EQ(e.State(), kStateIdle);
        if (card == 7) {
            EXPECT_NE(error.find("Sound card 7"), std::string::npos) << error;
        }
        if (!error.empty()) std::printf("card %d: %s\n", card, error.c_str());
    }
}

// Through PortAudio for real, on ALSA's null device (a card that takes whatever it is given,
// as fast as it is given), named as the default device by the user's ALSA settings.
TEST(TransportNullCard, PlaysAndRecordsThroughPortAudio) {
    TempDir home("nullcard");
    testsupport::WriteFile(home.path() / ".asoundrc", "pcm.!default {\n    type null\n}\n");
    testsupport::ScopedEnv env("HOME", home.path().string());
    std::string path = home / "a.wav";
    audiotest::WriteToneWav(path, 2, 13230); // 0.3 s
    AudioEditor e;
    e.SetTemporaryFolder(home.path().string());
    e.OpenAudio(path);
    int stopped = 0, positions = 0;
    e.Stopped.Connect([&] { ++stopped; });
    e.PositionChanged.Connect([&] { ++positions; });
    testing::internal::CaptureStderr();
    try {
        e.Play(1);
    } catch (const platform::RuntimeError& err) {
        testing::internal::GetCapturedStderr();
        GTEST_SKIP() << "no ALSA null device here: " << err.Description();
    }
    auto t0 = std::chrono::steady_clock::now();
    while (stopped == 0 && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        e.Pump();
    }
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(e.State(), kStateIdle);
    EXPECT_EQ(e.View().Position(), 13230);
    EXPECT_GE(positions, 1);

    e.View().SetPosition(0);
    e.Record(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    e.Pump();
    e.Stop();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_GT(e.Length(), 13230 + 4410); // at least a tenth of a second came in
    EXPECT_TRUE(e.CanUndo());
}

} // namespace
