#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/AudioEditor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace platform::audio;
using namespace audiotest;

namespace {

class EffectsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"audiofx"};
    AudioEditor ed;
    int audioChanged = 0;
    void Open(const std::vector<std::vector<float>>& planes, int rate = 8000) {
        ed.SetTemporaryFolder((dir.path() / "tmp").string());
        WriteBytes(dir / "in.wav", WavBytes(planes, rate, 32, true));
        ed.OpenAudio(dir / "in.wav");
        ed.AudioChanged.Connect([&] { ++audioChanged; });
    }
    void Select(std::int64_t a, std::int64_t b) {
        ed.View().SetSelectionShown(true);
        ed.View().SetSelectionStart(a);
        ed.View().SetSelectionEnd(b);
    }
    void OnlyChannel(int c) {
        for (int k = 1; k <= ed.Channels().Count(); ++k) {
            ed.Channels().SetCurrent(k);
            ed.Channels().SetSelected(k == c);
        }
    }
};

} // namespace

TEST_F(EffectsTest, EveryEffectTouchesOnlyTheSelectedChannelAndUndoes) {
    Open(TonePlanes(2, 16000, 8000));
    const auto left = Channel(ed, 0), right = Channel(ed, 1);
    struct Case {
        const char* name;
        std::function<void(AudioEditor::ProcessingObject&)> run;
    } cases[] = {
        {"erase", [](auto& p) { p.Erase(); }},
        {"reverse", [](auto& p) { p.Reverse(); }},
        {"amplify", [](auto& p) { p.Amplify(150); }},
        {"normalise", [](auto& p) { p.Normalise(90, true); }},
        {"fade", [](auto& p) { p.Fade(100, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OnlyChannel(1);
        Select(4000, 12000);
        int before = audioChanged;
        c.run(ed.Processing());
        EXPECT_EQ(audioChanged, before + 1);
        EXPECT_EQ(ed.Length(), 16000);
        EXPECT_EQ(Channel(ed, 1), right);
        auto now = Channel(ed, 0);
        EXPECT_NE(now, left);
        EXPECT_EQ(std::vector<float>(now.begin(), now.begin() + 4000), std::vector<float>(left.begin(), left.begin() + 4000));
        ed.Undo();
        EXPECT_EQ(Channel(ed, 0), left);
        ed.Redo();
        EXPECT_NE(Channel(ed, 0), left);
        ed.Undo();
    }
}

TEST_F(EffectsTest, LevelEffectsGiveTheirLevels) {
    std::vector<float> x(8000), y(8000);
    for (int i = 0; i < 8000; ++i) {
        x[static_cast<std::size_t>(i)] = 0.1f + 0.2f * static_cast<float>(std::sin(i * 0.05)); // DC 0.1
        y[static_cast<std::size_t>(i)] = 0.4f * static_cast<float>(std::sin(i * 0.07));
    }
    Open({x, y});
    // Nothing selected: the whole document.
    ed.Processing().Amplify(50);
    EXPECT_NEAR(Channel(ed, 1, 100, 1)[0], 0.5f * y[100], 1e-6);
    ed.Undo();
    ed.Processing().Normalise(100, false);
    // One gain for both channels keeps their balance: the louder one reaches full scale.
    EXPECT_NEAR(ed.ChannelStats(1, 0, 8000).Peak(), 1.0, 1e-4);
    EXPECT_NEAR(ed.ChannelStats(0, 0, 8000).max, 0.3 * 2.5, 1e-4);
    ed.Undo();
    ed.Processing().Normalise(50, true);
    Stats s = ed.ChannelStats(0, 0, 8000);
    EXPECT_NEAR(s.sum / static_cast<double>(s.count), 0.0, 1e-4);
    EXPECT_NEAR(std::max(ed.ChannelStats(0, 0, 8000).Peak(), ed.ChannelStats(1, 0, 8000).Peak()), 0.5, 1e-3);
    ed.Undo();
    // Amplify stops at full scale while the transform option is on, and clips when it is off.
    ed.Processing().SetTransformOption(true);
    ed.Processing().Amplify(1000);
    EXPECT_NEAR(ed.ChannelStats(1, 0, 8000).Peak(), 1.0, 1e-3);
    ed.Undo();
    ed.Processing().SetTransformOption(false);
    ed.Processing().Amplify(1000);
    EXPECT_NEAR(ed.ChannelStats(1, 0, 8000).Peak(), 4.0, 1e-2);
    ed.Undo();
    ed.Processing().Fade(0, 100);
    EXPECT_EQ(Channel(ed, 1, 0, 1)[0], 0.0f);
    EXPECT_NEAR(Channel(ed, 1, 4000, 1)[0], y[4000] * 4000.0f / 7999.0f, 1e-5);
    EXPECT_NEAR(Channel(ed, 1, 7999, 1)[0], y[7999], 1e-6);
    ed.Undo();
    ed.Processing().Reverse();
    EXPECT_EQ(Channel(ed, 0), std::vector<float>(x.rbegin(), x.rend()));
    Select(1001, 6003); // an odd stretch inside: reversed again, within the reversed audio
    ed.Processing().Reverse();
    auto twice = Channel(ed, 0);
    std::vector<float> expect(x.rbegin(), x.rend());
    std::reverse(expect.begin() + 1001, expect.begin() + 6003);
    EXPECT_EQ(twice, expect);
}

TEST_F(EffectsTest, SilenceIsInsertedErasedAndDeleted) {
    std::vector<float> x(16000, 0.0f);
    for (int i = 0; i < 16000; ++i)
        if (i < 4000 || i >= 12000) x[static_cast<std::size_t>(i)] = 0.5f * static_cast<float>(std::sin(i * 0.3));
    Open({x, x});
    // 1 s of silence (8000 samples) in the middle; keep 100 ms after the sound (release)
    // and 50 ms before it (attack): 8000 - 800 - 400 removed.
    ed.Processing().DeleteSilence(-60, 50, 100);
    EXPECT_EQ(ed.Length(), 16000 - 6800);
    ed.Undo();
    // Insert silence goes in at the selection's start and keeps all of the audio.
    Select(1000, 13000);
    ed.Processing().InsertSilence(250);
    EXPECT_EQ(ed.Length(), 16000 + 2000);
    EXPECT_EQ(Channel(ed, 0, 1000, 2000), std::vector<float>(2000, 0.0f));
    EXPECT_EQ(Channel(ed, 0, 3000, 15000), std::vector<float>(x.begin() + 1000, x.end()));
    EXPECT_EQ(ed.View().SelectionStart(), 1000);
    EXPECT_EQ(ed.View().SelectionEnd(), 3000);
    ed.Undo();
    ed.View().SetSelectionShown(false);
    ed.View().SetPosition(500);
    ed.Processing().InsertSilence(125);
    EXPECT_EQ(Channel(ed, 1, 0, 500), std::vector<float>(x.begin(), x.begin() + 500));
    EXPECT_EQ(Channel(ed, 1, 500, 1000), std::vector<float>(1000, 0.0f));
    EXPECT_EQ(ed.Length(), 17000);
    ed.Undo();
    Select(10, 20);
    ed.Processing().Erase();
    EXPECT_EQ(Channel(ed, 1, 10, 10), std::vector<float>(10, 0.0f));
    EXPECT_NE(Channel(ed, 1, 20, 1)[0], 0.0f);
}

TEST_F(EffectsTest, TimeStretchKeepsPitchAndSpeedChangeDoesNot) {
    const int rate = 44100;
    Open(TonePlanes(2, rate * 2, rate), rate);
    ed.Processing().TimeStretch(200); // twice as fast: half the length
    EXPECT_EQ(ed.Length(), rate);
    auto mid = Channel(ed, 0, rate / 4, rate / 2);
    EXPECT_NEAR(Frequency(mid, rate), 440, 10);
    ed.Undo();
    Select(0, rate);
    ed.Processing().ChangeSpeed(50); // the first second at half speed: twice as long, an octave down
    EXPECT_EQ(ed.Length(), rate * 3);
    auto slow = Channel(ed, 1, rate / 2, rate);
    EXPECT_NEAR(Frequency(slow, rate), 440, 10); // channel 2 was 880 Hz
    EXPECT_EQ(ed.View().SelectionEnd(), 2 * rate);
}

// Any shortening is reached, in as many passes as it takes: the exact length, the tone at its
// pitch through the stretch and raised by the speed change, sound to the end, and one run of
// progress from 0 to 100 over all the passes.
TEST_F(EffectsTest, StretchAndSpeedChangeReachAnyShortening) {
    const int rate = 44100;
    std::vector<float> tone(static_cast<std::size_t>(60 * rate));
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 100.0 * static_cast<double>(i) / rate));
    Open({tone}, rate);
    std::vector<int> progress;
    ed.Progress.Connect([&](int p) { progress.push_back(p); });
    struct Case {
        const char* what;
        double seconds; // selected from the start
        float ratio;
        bool speed;
        double hz; // heard afterwards; 0: above the top of the band
    } cases[] = {
        {"10 s stretched to a fortieth", 10, 4000, false, 100},
        {"10 s at forty times the speed", 10, 4000, true, 4000},
        {"60 s stretched to 0.1 s", 60, 60000, false, 100},
        {"60 s at six hundred times the speed", 60, 60000, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        progress.clear();
        const auto selected = static_cast<std::int64_t>(c.seconds * rate);
        Select(0, selected);
        if (c.speed) ed.Processing().ChangeSpeed(c.ratio);
        else ed.Processing().TimeStretch(c.ratio);
        const std::int64_t n = std::llround(static_cast<double>(selected) * 100 / c.ratio);
        ASSERT_EQ(ed.Length(), 60 * rate - selected + n);
        EXPECT_EQ(ed.View().SelectionEnd(), n);
        const auto out = Channel(ed, 0, 0, n);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v) && std::abs(v) <= 1; }));
        if (c.hz > 0) {
            EXPECT_NEAR(Frequency(out, rate), c.hz, c.hz * 0.05);
            for (int tenth = 0; tenth < 10; ++tenth) {
                const auto part = Channel(ed, 0, n * tenth / 10, n / 10);
                const float peak = std::abs(*std::max_element(part.begin(), part.end(),
                                                              [](float a, float b) { return std::abs(a) < std::abs(b); }));
                EXPECT_GT(peak, 0.35f) << "tenth " << tenth;
            }
        }
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), 100);
        ed.Undo();
    }
}

TEST_F(EffectsTest, EditsThatChangeTheLengthUndoAndRedoExactly) {
    std::vector<float> x(16000, 0.0f);
    for (int i = 0; i < 16000; ++i)
        if (i < 5000 || i >= 11000) x[static_cast<std::size_t>(i)] = 0.4f * static_cast<float>(std::sin(i * 0.2));
    std::vector<float> y(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) y[i] = -0.5f * x[i];
    Open({x, y});
    WriteBytes(dir / "ins.wav", WavBytes(TonePlanes(2, 3000, 22050), 22050, 16));
    struct Case {
        const char* name;
        std::function<void(AudioEditor&)> run;
    } cases[] = {
        {"insert silence", [](AudioEditor& e) { e.Processing().InsertSilence(100); }},
        {"delete silence", [](AudioEditor& e) { e.Processing().DeleteSilence(-50, 10, 10); }},
        {"time stretch", [](AudioEditor& e) { e.Processing().TimeStretch(80); }},
        {"change speed", [](AudioEditor& e) { e.Processing().ChangeSpeed(125); }},
        {"cut", [](AudioEditor& e) { e.Cut(); }},
        {"paste", [](AudioEditor& e) { e.Paste(); }},
        {"mix paste", [](AudioEditor& e) { e.MixPaste(50, 100); }},
        {"insert file", [this](AudioEditor& e) { e.InsertFile(dir / "ins.wav"); }},
        {"mix insert file", [this](AudioEditor& e) { e.MixInsertFile(100, dir / "ins.wav", 100); }},
    };
    Select(1000, 3000);
    ed.Copy();
    int states = 0, busy = 0;
    ed.Progress.Connect([&](int) {
        ++states;
        busy += ed.State() == kStateBusy;
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Select(4000, 12000);
        const auto before0 = Channel(ed, 0), before1 = Channel(ed, 1);
        c.run(ed);
        EXPECT_EQ(states, busy); // busy whenever it reports progress
        const auto after0 = Channel(ed, 0), after1 = Channel(ed, 1);
        EXPECT_NE(after0, before0);
        EXPECT_EQ(after0.size(), after1.size());
        ed.Undo();
        EXPECT_EQ(Channel(ed, 0), before0);
        EXPECT_EQ(Channel(ed, 1), before1);
        ed.Redo();
        EXPECT_EQ(Channel(ed, 0), after0);
        EXPECT_EQ(Channel(ed, 1), after1);
        ed.Undo();
        EXPECT_EQ(ed.State(), kStateIdle);
    }
}

TEST_F(EffectsTest, AnEffectWithNothingToDoStillEndsWithTheAudioChangedEvent) {
    std::vector<float> loud(8000);
    for (int i = 0; i < 8000; ++i) loud[static_cast<std::size_t>(i)] = 0.5f * static_cast<float>(std::sin(i * 0.3));
    Open({loud, loud});
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::function<void(AudioEditor::ProcessingObject&)> run;
    } cases[] = {
        {"erase with nothing selected", [this] { ed.View().SetSelectionShown(false); }, [](auto& p) { p.Erase(); }},
        {"reverse with no channel selected", [this] { OnlyChannel(0); }, [](auto& p) { p.Reverse(); }},
        {"amplify with no channel selected", [this] { OnlyChannel(0); }, [](auto& p) { p.Amplify(50); }},
        {"normalise with no channel selected", [this] { OnlyChannel(0); }, [](auto& p) { p.Normalise(90, false); }},
        {"fade with no channel selected", [this] { OnlyChannel(0); }, [](auto& p) { p.Fade(0, 100); }},
        {"delete silence where there is none", [] {}, [](auto& p) { p.DeleteSilence(-60, 10, 10); }},
        {"no silence to insert", [] {}, [](auto& p) { p.InsertSilence(0); }},
        {"stretch by nothing", [] {}, [](auto& p) { p.TimeStretch(0); }},
    };
    const auto before = Channel(ed, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OnlyChannel(1);
        ed.Channels().SetCurrent(2);
        ed.Channels().SetSelected(true);
        c.arrange();
        const int events = audioChanged;
        c.run(ed.Processing());
        EXPECT_EQ(audioChanged, events + 1);
        EXPECT_FALSE(ed.CanUndo());
        EXPECT_EQ(Channel(ed, 0), before);
    }
}
