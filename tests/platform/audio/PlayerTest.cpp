// The player control on a fake sound card: states, events, pause, seek and the loop section.
#include "AudioFixtures.h"

#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/LumoPlayer.h"
#include "platform/audio/Transport.h"
#include "platform/base/Error.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform::audio;
using testsupport::TempDir;

namespace {

constexpr int kRate = 8000;

struct PlayerFixture : ::testing::Test {
    TempDir dir{"player"};
    std::shared_ptr<FakeAudioDevice> out = std::make_shared<FakeAudioDevice>(100);
    int card = -1;
    ScopedDeviceFactory factory{[this](DeviceDirection, int c) -> std::shared_ptr<AudioDevice> {
        card = c;
        return out;
    }};
    LumoPlayer p;
    std::string events;
    std::vector<float> file; // the file's samples, mono
    std::vector<std::pair<int, int>> levels;
    int positions = 0;

    void SetUp() override {
        out->KeepPlayed(true);
        p.SetTemporaryFolder(dir.path().string());
        p.PlaybackShown.Connect([this] { events += "S"; });
        p.PlaybackHidden.Connect([this] { events += "H"; });
        p.PlayerEventA.Connect([this] { events += "A"; });
        p.PlayerEventB.Connect([this] { events += "B"; });
        p.PlayerEventC.Connect([this] { events += "C"; });
        p.PlayerEventD.Connect([this] { events += "D"; });
        p.LevelsChanged.Connect([this](int l, int r) { levels.emplace_back(l, r); });
        p.PositionChanged.Connect([this](float) { ++positions; });
        // Two seconds of a ramp that never repeats, exact in float.
        std::vector<std::vector<float>> planes(1, std::vector<float>(2 * kRate));
        for (std::size_t i = 0; i < planes[0].size(); ++i) planes[0][i] = static_cast<float>(i) / 32768.0f;
        file = planes[0];
        audiotest::WriteBytes(dir / "ramp.wav", audiotest::WavBytes(planes, kRate, 32, true));
        p.OpenFile(dir / "ramp.wav");
    }
    void Run(std::int64_t frames) {
        while (frames > 0) {
            std::int64_t k = std::min<std::int64_t>(frames, kRate / 40);
            out->Advance(k);
            p.Pump();
            frames -= k;
        }
    }
    std::vector<float> Span(std::int64_t a, std::int64_t b) const {
        return {file.begin() + a, file.begin() + b};
    }
};

TEST_F(PlayerFixture, PlaysTheFileToTheEndAndStops) {
    EXPECT_EQ(events, "S");
    EXPECT_EQ(p.State(), kPlayerCued);
    EXPECT_FLOAT_EQ(p.Length(), 2.0f);
    p.SetOutputDevice(2);
    p.Play();
    EXPECT_EQ(card, 2);
    EXPECT_EQ(p.State(), kPlayerPlaying);
    EXPECT_TRUE(p.Playing());
    Run(kRate);
    EXPECT_NEAR(p.Position(), 1.0f, 1e-6);
    EXPECT_GE(positions, 40);
    ASSERT_FALSE(levels.empty());
    EXPECT_GT(levels.back().first, 0);
    EXPECT_EQ(levels.back().first, levels.back().second); // mono feeds both meters
    Run(2 * kRate);
    EXPECT_EQ(events, "SAC");
    EXPECT_EQ(p.State(), kPlayerStopped);
    EXPECT_EQ(p.Position(), 0.0f);
    EXPECT_EQ(levels.back(), std::make_pair(0, 0));
    EXPECT_EQ(out->Played(), file);
    p.CloseFile();
    EXPECT_EQ(p.State(), kPlayerEmpty);
    EXPECT_EQ(events, "SACH");
}

TEST_F(PlayerFixture, PauseKeepsThePositionAndPlayGoesOn) {
    p.Play();
    Run(4000);
    p.Pause();
    EXPECT_EQ(p.State(), kPlayerCued);
    EXPECT_FLOAT_EQ(p.Position(), 0.5f);
    p.Play();
    Run(2 * kRate);
    EXPECT_EQ(events, "SABAC");
    EXPECT_EQ(out->Played(), file);
}

TEST_F(PlayerFixture, SeekMovesThePlayHead) {
    p.Seek(1.5f);
    EXPECT_EQ(p.State(), kPlayerCued);
    EXPECT_FLOAT_EQ(p.Position(), 1.5f);
    p.Play();
    Run(1000);
    p.Seek(0.25f); // while playing: on from there
    EXPECT_EQ(p.State(), kPlayerPlaying);
    Run(1000);
    auto expected = Span(12000, 13000);
    auto second = Span(2000, 3000);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(out->Played(), expected);
    p.Seek(-3.0f);
    EXPECT_EQ(p.Position(), 0.0f);
    p.Seek(99.0f);
    EXPECT_FLOAT_EQ(p.Position(), 2.0f);
}

TEST_F(PlayerFixture, TheLoopSectionPlaysLoopCountTimesThenOnToTheEnd) {
    struct Case {
        int count;
        bool enabled;
        int passes; // how often the section [0.5 s, 0.75 s) is heard
    } cases[] = {{2, true, 2}, {1, true, 1}, {3, false, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        out = std::make_shared<FakeAudioDevice>(100);
        out->KeepPlayed(true);
        p.Stop();
        p.LoopStart = 0.5f;
        p.LoopEnd = 0.75f;
        p.LoopCount = c.count;
        p.LoopEnabled = c.enabled;
        p.Play();
        Run(4 * kRate);
        std::vector<float> expected = Span(0, 4000);
        for (int i = 0; i < c.passes; ++i) {
            auto s = Span(4000, 6000);
            expected.insert(expected.end(), s.begin(), s.end());
        }
        auto rest = Span(6000, 16000);
        expected.insert(expected.end(), rest.begin(), rest.end());
        EXPECT_EQ(out->Played(), expected);
        EXPECT_EQ(p.State(), kPlayerStopped);
    }
}

TEST_F(PlayerFixture, LoopCountZeroLoopsUntilStopped) {
    p.LoopStart = 1.0f;
    p.LoopEnd = 1.25f;
    p.LoopCount = 0;
    p.LoopEnabled = true;
    p.Seek(1.0f);
    p.Play();
    Run(10 * kRate);
    EXPECT_EQ(p.State(), kPlayerPlaying);
    EXPECT_GE(p.Position(), 1.0f);
    EXPECT_LT(p.Position(), 1.25f);
    p.Stop();
    EXPECT_EQ(p.State(), kPlayerStopped);
    EXPECT_EQ(events, "SAC");
}

TEST_F(PlayerFixture, DecodesFilesThatAreNotPcm) {
    AudioEditor e;
    e.SetTemporaryFolder(dir.path().string());
    audiotest::WriteToneWav(dir / "tone.wav", 2, 44100, 44100);
    e.OpenAudio(dir / "tone.wav");
    e.SaveFormat().SetOggVorbis(44100, 2, 128000, 0, 0, true);
    e.SaveAudio(dir / "tone.ogg", false, filetype::OggVorbis);
    p.OpenFile(dir / "tone.ogg");
    EXPECT_NEAR(p.Length(), 1.0f, 0.05f);
    p.Play();
    Run(22050);
    auto played = out->Played();
    ASSERT_EQ(played.size(), 2u * 22050);
    float peak = 0;
    for (float x : played) peak = std::max(peak, std::fabs(x));
    EXPECT_GT(peak, 0.3f);
}

TEST_F(PlayerFixture, FailuresAreReportedAndLeaveItSafe) {
    audiotest::WriteBytes(dir / "junk.wav", std::string("RIFF\x04\0\0\0WAVEjunk", 16));
    EXPECT_THROW(p.OpenFile(dir / "junk.wav"), platform::RuntimeError);
    EXPECT_EQ(p.State(), kPlayerEmpty);
    EXPECT_EQ(events, "SH"); // the earlier file was closed first
    p.Play(); // nothing loaded: nothing happens
    EXPECT_EQ(p.State(), kPlayerEmpty);

    p.OpenFile(dir / "ramp.wav");
    out->FailNextStart("The sound card \"Desk\" could not be opened");
    EXPECT_THROW(p.Play(), platform::RuntimeError);
    EXPECT_NE(p.State(), kPlayerPlaying);
    p.Play();
    Run(800);
    out->Break();
    Run(800);
    EXPECT_EQ(events, "SHSAD");
    EXPECT_EQ(p.State(), kPlayerCued);
    EXPECT_FLOAT_EQ(p.Position(), 0.1f);
}

} // namespace
