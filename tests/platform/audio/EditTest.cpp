#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/AudioEditor.h"
#include "platform/base/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <utility>

using namespace platform::audio;
using namespace audiotest;
namespace fs = std::filesystem;

// The system clipboard needs Qt: a headless host links without it, so the component itself
// declares no clipboard call it cannot define.
template <typename T>
concept DeclaresSystemClipboard = requires(T& e) { e.CopyToClipboard(); } || requires(T& e) { e.PasteFromClipboard(); };
static_assert(!DeclaresSystemClipboard<AudioEditor>);

namespace {

// A stereo document of 1 s at 8 kHz whose samples tell their position: ch0 = i/1e4, ch1 = -i/1e4.
class EditTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"audioedit"};
    AudioEditor ed;
    std::vector<std::vector<float>> planes;
    int audioChanged = 0, selectionChanged = 0;
    std::vector<int> regionEvents;

    void SetUp() override {
        ed.SetTemporaryFolder((dir.path() / "tmp").string());
        planes.assign(2, std::vector<float>(8000));
        for (int i = 0; i < 8000; ++i) {
            planes[0][static_cast<std::size_t>(i)] = static_cast<float>(i) / 10000.0f;
            planes[1][static_cast<std::size_t>(i)] = -static_cast<float>(i) / 10000.0f;
        }
        WriteBytes(dir / "ramp.wav", WavBytes(planes, 8000, 32, true));
        ed.OpenAudio(dir / "ramp.wav");
        ed.AudioChanged.Connect([&] { ++audioChanged; });
        ed.SelectionChanged.Connect([&] { ++selectionChanged; });
        ed.RegionChanged.Connect([&](int i) { regionEvents.push_back(i); });
    }
    void Select(std::int64_t a, std::int64_t b) {
        ed.View().SetSelectionShown(true);
        ed.View().SetSelectionStart(a);
        ed.View().SetSelectionEnd(b);
    }
    // Start and length of region i (which becomes the current one).
    using Span = std::pair<std::int64_t, std::int64_t>;
    Span Where(int i) {
        ed.Regions().SetCurrent(i);
        return {ed.Regions().Start(), ed.Regions().Length()};
    }
    void OnlyChannel(int c) {
        for (int k = 1; k <= ed.Channels().Count(); ++k) {
            ed.Channels().SetCurrent(k);
            ed.Channels().SetSelected(k == c);
        }
    }
    float At(int c, std::int64_t i) { return Channel(ed, c, i, 1)[0]; }
};

} // namespace

TEST_F(EditTest, CutUndoRedoSpliceAndRestoreExactly) {
    auto original0 = Channel(ed, 0), original1 = Channel(ed, 1);
    EXPECT_FALSE(ed.CanUndo());
    Select(1000, 3000);
    ed.Cut();
    EXPECT_EQ(ed.Length(), 6000);
    EXPECT_FLOAT_EQ(At(0, 999), 0.0999f);
    EXPECT_FLOAT_EQ(At(0, 1000), 0.3f);
    EXPECT_FLOAT_EQ(At(1, 1000), -0.3f);
    EXPECT_FALSE(ed.View().SelectionShown());
    EXPECT_EQ(ed.View().Position(), 1000);
    EXPECT_GE(audioChanged, 1);
    EXPECT_TRUE(ed.CanUndo());
    ed.Undo();
    EXPECT_EQ(Channel(ed, 0), original0);
    EXPECT_EQ(Channel(ed, 1), original1);
    EXPECT_TRUE(ed.CanRedo());
    ed.Redo();
    EXPECT_EQ(ed.Length(), 6000);
    EXPECT_FALSE(ed.CanRedo());
    // A new edit after an undo drops the redo.
    ed.Undo();
    Select(0, 10);
    ed.Delete();
    EXPECT_FALSE(ed.CanRedo());
    EXPECT_EQ(ed.Length(), 7990);
}

TEST_F(EditTest, ClipboardIsAWavFileAndPastesAtTheCursor) {
    std::string clip = ed.ClipboardFileName();
    EXPECT_FALSE(fs::exists(clip)); // nothing copied yet
    Select(2000, 2100);
    ed.Copy();
    clip = ed.ClipboardFileName();
    ASSERT_TRUE(fs::exists(clip));
    EXPECT_EQ(fs::path(clip).parent_path(), dir.path() / "tmp");
    // The file is ordinary audio: another instance opens it.
    AudioEditor other;
    other.OpenAudio(clip);
    EXPECT_EQ(other.Length(), 100);
    EXPECT_FLOAT_EQ(Channel(other, 0)[0], 0.2f);

    ed.View().SetSelectionShown(false);
    ed.View().SetPosition(10);
    ed.BeginEdit();
    ed.Paste();
    ed.EndEdit();
    EXPECT_EQ(ed.Length(), 8100);
    EXPECT_FLOAT_EQ(At(0, 10), 0.2f);
    EXPECT_FLOAT_EQ(At(1, 109), -0.2099f);
    EXPECT_FLOAT_EQ(At(0, 110), 0.001f);
    EXPECT_EQ(ed.View().SelectionStart(), 10);
    EXPECT_EQ(ed.View().SelectionEnd(), 110);

    // A clipboard file put there by someone else is what pastes next: mono at another rate.
    WriteBytes(clip, WavBytes({std::vector<float>(4000, 0.25f)}, 4000, 32, true));
    ed.View().SetSelectionShown(false);
    ed.View().SetPosition(0);
    ed.Paste();
    EXPECT_EQ(ed.Length(), 8100 + 8000);
    EXPECT_NEAR(At(0, 4000), 0.25f, 1e-3);
    EXPECT_NEAR(At(1, 4000), 0.25f, 1e-3);
}

TEST_F(EditTest, EditBracketMakesOneUndoStep) {
    ed.BeginEdit();
    Select(0, 100);
    ed.Delete();
    Select(0, 100);
    ed.Delete();
    ed.EndEdit();
    EXPECT_EQ(ed.Length(), 7800);
    ed.Undo();
    EXPECT_EQ(ed.Length(), 8000);
    EXPECT_FALSE(ed.CanUndo());
}

TEST_F(EditTest, DeleteWithOneChannelSelectedSilencesAndKeepsTheLength) {
    OnlyChannel(2);
    Select(100, 200);
    ed.Delete();
    EXPECT_EQ(ed.Length(), 8000);
    EXPECT_EQ(At(1, 150), 0.0f);
    EXPECT_FLOAT_EQ(At(0, 150), 0.015f);
    // Copy takes only the selected channel.
    Select(300, 400);
    ed.Copy();
    AudioEditor other;
    other.OpenAudio(ed.ClipboardFileName());
    EXPECT_EQ(other.ChannelCount(), 1);
    EXPECT_FLOAT_EQ(Channel(other, 0)[0], -0.03f);
}

TEST_F(EditTest, MixPasteAndMixInsertMixAtTheirLevels) {
    Select(0, 1000);
    ed.Copy();
    ed.View().SetSelectionShown(false);
    ed.View().SetPosition(7500); // the clip runs 500 samples past the end
    ed.MixPaste(50, 100);
    EXPECT_EQ(ed.Length(), 8500);
    EXPECT_FLOAT_EQ(At(0, 7600), 0.38f + 0.01f);
    EXPECT_FLOAT_EQ(At(0, 8200), 0.07f);
    ed.Undo();
    EXPECT_EQ(ed.Length(), 8000);

    // A file of another rate and channel count is converted first.
    WriteBytes(dir / "mono16k.wav", WavBytes({std::vector<float>(1600, 0.5f)}, 16000, 32, true));
    ed.View().SetSelectionShown(false);
    ed.View().SetPosition(0);
    ed.MixInsertFile(100, dir / "mono16k.wav", 20);
    EXPECT_EQ(ed.Length(), 8000);
    EXPECT_NEAR(At(0, 400), 0.04f + 0.1f, 2e-3);
    EXPECT_NEAR(At(1, 400), -0.04f + 0.1f, 2e-3);
    EXPECT_NEAR(At(0, 900), 0.09f, 1e-6);

    ed.View().SetSelectionShown(false);
    ed.InsertFile(dir / "mono16k.wav");
    EXPECT_EQ(ed.Length(), 8800);
    EXPECT_NEAR(At(1, 400), 0.5f, 2e-3);
    EXPECT_THROW(ed.InsertFile(dir / "missing.wav"), platform::RuntimeError);
}

TEST_F(EditTest, RegionsMoveWithEditsBeforeThemAndComeBackOnUndo) {
    auto& r = ed.Regions();
    r.Add(0, 0, "Intro", "1", "Intro", 0, 0, 0, 0);
    r.SetStart(1000);
    r.SetLength(500);
    r.SetColour(65535);
    r.Add(0, 0, "Extro", "2", "Extro");
    r.SetStart(6000);
    ASSERT_EQ(r.Count(), 2);
    Select(2000, 3000); // between them
    ed.Delete();
    r.SetCurrent(1);
    EXPECT_EQ(r.Start(), 1000);
    EXPECT_EQ(r.Length(), 500);
    EXPECT_EQ(r.Colour(), 65535);
    r.SetCurrent(2);
    EXPECT_EQ(r.Start(), 5000);
    EXPECT_EQ(r.Tag(), "2");
    EXPECT_EQ(regionEvents, std::vector<int>{2});
    regionEvents.clear();
    ed.Undo();
    EXPECT_EQ(r.Start(), 6000);
    EXPECT_EQ(regionEvents, std::vector<int>{2});
    // An insertion inside a region lengthens it.
    ed.View().SetSelectionShown(false);
    ed.View().SetPosition(1200);
    ed.Processing().InsertSilence(100); // 800 samples
    r.SetCurrent(1);
    EXPECT_EQ(r.Length(), 1300);
    r.Delete();
    EXPECT_EQ(r.Count(), 1);
    EXPECT_THROW(r.SetCurrent(2), platform::RuntimeError);
}

TEST_F(EditTest, ViewUnitsAndSelectionEvents) {
    EXPECT_EQ(ed.View().MsToSamples(1500), 12000);
    EXPECT_EQ(ed.View().SamplesToMs(8000), 1000);
    EXPECT_EQ(ed.View().SamplesToMs(4), 1); // 0.5 ms rounds to even
    EXPECT_EQ(ed.View().Length(), 8000);
    selectionChanged = 0;
    Select(10, 20);
    EXPECT_EQ(selectionChanged, 3);
    Select(10, 20);
    EXPECT_EQ(selectionChanged, 3); // no change, no event
    int moved = 0;
    ed.PositionChanged.Connect([&] { ++moved; });
    ed.View().SetPosition(99999);
    EXPECT_EQ(ed.View().Position(), 8000);
    EXPECT_EQ(moved, 1);
    ed.ZoomSelection();
    EXPECT_EQ(ed.View().VisibleStart(), 10);
    EXPECT_EQ(ed.View().VisibleEnd(), 20);
    ed.ZoomFull();
    EXPECT_EQ(ed.View().VisibleLength(), 8000);
}

TEST_F(EditTest, UndoMovesRegionsWithTheAudioButKeepsTheCallersOwnChanges) {
    auto& r = ed.Regions();
    auto where = [this](int i) { return Where(i); };
    r.Add(6000, 500, "Intro", "1", "Intro");
    r.Add(1200, 300, "Hook", "3", "Hook"); // inside what is cut next
    Select(1000, 2000);
    ed.Delete();
    EXPECT_EQ(where(1), (Span{5000, 500}));
    EXPECT_EQ(where(2), (Span{1000, 0}));
    // What the caller does after the edit is its own: a move and a new region.
    r.SetCurrent(1);
    r.SetStart(4000);
    r.Add(6500, 100, "Extro", "2", "Extro");
    ed.Undo();
    ASSERT_EQ(r.Count(), 3);
    EXPECT_EQ(where(1), (Span{5000, 500})); // carried over the cut's place
    EXPECT_EQ(where(2), (Span{1200, 300})); // left alone: exactly back
    EXPECT_EQ(where(3), (Span{7500, 100}));
    EXPECT_EQ(r.Tag(), "2");
    ed.Redo();
    EXPECT_EQ(where(1), (Span{4000, 500}));
    EXPECT_EQ(where(2), (Span{1000, 0}));
    EXPECT_EQ(where(3), (Span{6500, 100}));
    // Deleting regions leaves the current one pointing at one that is there, or at none.
    r.SetCurrent(3);
    r.Delete();
    EXPECT_EQ(r.Current(), 2);
    EXPECT_EQ(r.Tag(), "3");
    ed.Undo(); // an undo does not bring a deleted region back
    EXPECT_EQ(r.Count(), 2);
    r.Delete();
    r.Delete();
    EXPECT_EQ(r.Count(), 0);
    EXPECT_EQ(r.Current(), 0);
    EXPECT_THROW(r.Tag(), platform::RuntimeError);
    r.Add(10, 10, "Loop", "4", "Loop");
    ed.OpenAudio(dir / "ramp.wav");
    EXPECT_EQ(r.Count(), 0);
    EXPECT_EQ(r.Current(), 0);
}

// What a caller changes in a region while it takes an edit in (its own rules on the new
// length, inside the audio-changed event) belongs to that edit: undo puts back what was before
// the edit, redo what the caller made of it. After any change no region reaches past the audio.
TEST_F(EditTest, RegionsSetWhileAnEditIsTakenInBelongToItAndStayWithinTheAudio) {
    auto& r = ed.Regions();
    auto where = [this](int i) { return Where(i); };
    r.Add(7990, 0, "Extro", "2", "Extro");
    r.Add(9000, 500, "Hook", "3", "Hook"); // from a damaged file: past the end
    // Each event with the change count it saw: one change, one count, counted before its events.
    std::vector<std::pair<int, std::uint64_t>> moved;
    const std::uint64_t count = ed.ChangeCount();
    ed.RegionChanged.Connect([&](int i) { moved.emplace_back(i, ed.ChangeCount()); });
    ed.AudioChanged.Connect([&] {
        if (ed.Length() != 7000) return;
        r.SetCurrent(1);
        r.SetStart(ed.Length()); // the caller's rule: the extro goes with the end
    });
    Select(1000, 2000);
    ed.Delete();
    EXPECT_EQ(moved, (std::vector<std::pair<int, std::uint64_t>>{{1, count + 1}, {2, count + 1}}));
    EXPECT_EQ(where(1), (Span{7000, 0}));
    EXPECT_EQ(where(2), (Span{7000, 0})) << "inside the audio";
    ed.Undo();
    EXPECT_EQ(where(1), (Span{7990, 0})) << "as it was before the edit, not carried from the end";
    EXPECT_EQ(where(2), (Span{8000, 0}));
    ed.Redo();
    EXPECT_EQ(where(1), (Span{7000, 0}));
}

// An operation's events go out once it is over: a handler finds the component idle, as a
// finished operation leaves it, and may start the next one at once.
TEST_F(EditTest, TheEventsOfAnOperationGoOutOnceItIsIdle) {
    WriteBytes(dir / "more.wav", WavBytes({std::vector<float>(800, 0.1f), std::vector<float>(800, 0.1f)}, 8000, 16));
    ed.Regions().Add(7000, 100, "Extro", "2", "Extro");
    struct Seen {
        std::string event;
        int state;
    };
    std::vector<Seen> seen;
    ed.SelectionChanged.Connect([&] { seen.push_back({"selection", ed.State()}); });
    ed.AudioChanged.Connect([&] { seen.push_back({"audio", ed.State()}); });
    ed.RegionChanged.Connect([&](int) { seen.push_back({"region", ed.State()}); });
    auto& fx = ed.Processing();
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"copy and paste", [&] { Select(100, 200); ed.Copy(); Select(300, 300); ed.Paste(); }},
        {"mix paste", [&] { Select(0, 0); ed.MixPaste(50, 50); }},
        {"cut", [&] { Select(100, 200); ed.Cut(); }},
        {"delete", [&] { Select(100, 200); ed.Delete(); }},
        {"insert file", [&] { Select(0, 0); ed.InsertFile(dir / "more.wav"); }},
        {"mix insert file", [&] { Select(0, 0); ed.MixInsertFile(50, dir / "more.wav", 50); }},
        {"erase", [&] { Select(100, 200); fx.Erase(); }},
        {"insert silence", [&] { Select(0, 0); fx.InsertSilence(20); }},
        {"reverse", [&] { Select(100, 200); fx.Reverse(); }},
        {"amplify", [&] { Select(100, 200); fx.Amplify(50); }},
        {"normalise", [&] { Select(100, 200); fx.Normalise(90, false); }},
        {"delete silence", [&] { Select(0, 2000); fx.DeleteSilence(-6, 10, 10); }},
        {"fade", [&] { Select(100, 200); fx.Fade(100, 0); }},
        {"time stretch", [&] { Select(0, 800); fx.TimeStretch(200); }},
        {"change speed", [&] { Select(0, 800); fx.ChangeSpeed(50); }},
        {"undo", [&] { ed.Undo(); }},
        {"redo", [&] { ed.Redo(); }},
        {"open", [&] { ed.OpenAudio(dir / "ramp.wav"); ed.Regions().Add(7000, 100, "Extro", "2", "Extro"); }},
    };
    for (const auto& [name, run] : operations) {
        seen.clear();
        run();
        EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Seen& s) { return s.event == "audio"; })) << name;
        for (const Seen& s : seen) EXPECT_EQ(s.state, kStateIdle) << name << ": " << s.event;
    }

    // Idle means idle: a handler of the audio-changed event edits again.
    bool again = true;
    ed.AudioChanged.Connect([&] {
        if (!std::exchange(again, false)) return;
        Select(0, 10);
        ed.Delete();
    });
    const std::int64_t before = ed.Length();
    Select(100, 200);
    ed.Delete();
    EXPECT_EQ(ed.Length(), before - 110);

    // A handler's error reaches the caller, with the component idle again.
    ed.AudioChanged.Connect([] { throw std::runtime_error("handler"); });
    Select(100, 200);
    EXPECT_THROW(ed.Delete(), std::runtime_error);
    EXPECT_EQ(ed.State(), kStateIdle);
    Select(100, 200);
    EXPECT_THROW(ed.Delete(), std::runtime_error) << "and the next operation runs";
}
