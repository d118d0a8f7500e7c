// The cue markers through the edits of the audio, as a user makes them: every edit command
// moves the markers after it and those inside it with the audio, undo and redo bring back the
// markers of before and after the edit, and what is saved is what the window shows. A seeded
// run of random edits, undos and redos is checked against a model of where each marker must be.
#include "editor/support/EditorWindowFixture.h"

#include "platform/base/Numeric.h"
#include "shared/helpers/Utility.h"

#include <gtest/gtest.h>

#include <QAction>

#include <array>
#include <map>
#include <random>

using namespace editortest;

namespace {

// The seven markers in the order intro start, intro end, extro, hook start, hook end, loop
// start, loop end.
using Markers = std::array<double, 7>;
constexpr const char* kNames[7] = {"intro start", "intro end", "extro", "hook start", "hook end", "loop start",
                                   "loop end"};

class MarkersFollowTest : public AudioWindowTest {
protected:
    // Intro 2-3 s and hook 9-11 s before and inside an edit at 8-12 s, loop 14-16 s and extro
    // 18 s after it, in 20 s of audio.
    static constexpr Markers kLayout = {2, 3, 18, 9, 11, 14, 16};

    std::string OpenLayout(const Markers& m, double seconds) {
        return Open(seconds, 2, Tone, [m](rozuzezer::cHardDiskItem& item) {
            item.SetIntroStart(static_cast<float>(m[0]));
            item.SetIntroEnd(static_cast<float>(m[1]));
            item.SetExtro(static_cast<float>(m[2]));
            item.HookStart = static_cast<float>(m[3]);
            item.HookEnd = static_cast<float>(m[4]);
            item.LoopStart = static_cast<float>(m[5]);
            item.LoopEnd = static_cast<float>(m[6]);
        });
    }

    Markers Held() const {
        const auto& i = *editor->cAudioInformation;
        return {i.IntroStart(), i.IntroEnd(), i.Extro(), i.HookStart, i.HookEnd, i.LoopStart, i.LoopEnd};
    }

    const audio::Region* RegionOf(int tag) const {
        auto& r = editor->ctlEditor->Regions();
        for (int i = 1; i <= r.Count(); ++i)
            if (r.At(i).tag == std::to_string(tag)) return &r.At(i);
        return nullptr;
    }

    // The item, the boxes and the regions all hold these markers, the length label this length.
    void ExpectShown(const Markers& want, double length, const std::string& what) {
        SCOPED_TRACE(what);
        const Markers held = Held();
        platform::ui::MaskedTextBox* const shown[7] = {editor->mtxtIntroStart, editor->mtxtIntroEnd,
                                                       editor->mtxtExtro,      editor->mtxtHookStart,
                                                       editor->mtxtHookEnd,    editor->mtxtLoopStart,
                                                       editor->mtxtLoopEnd};
        for (int m = 0; m < 7; ++m) {
            EXPECT_NEAR(held[m], want[m], 0.002) << kNames[m];
            EXPECT_EQ(shown[m]->Text(), frmLumoEdit::TimeText(held[m])) << kNames[m];
        }
        const std::pair<int, int> pairs[] = {{0, 1}, {2, 2}, {3, 4}, {5, 6}};
        for (int tag = 1; tag <= 4; ++tag) {
            const audio::Region* r = RegionOf(tag);
            // The hook's region is there while a hook end is set, the loop's while the loop is on.
            const bool wanted = tag == 3 ? want[4] > 0 : tag == 4 ? editor->chkLoop->Value() != 0 : true;
            ASSERT_EQ(r != nullptr, wanted) << "region " << tag;
            if (!r) continue;
            const auto [from, end] = pairs[tag - 1];
            EXPECT_NEAR(static_cast<double>(r->start), static_cast<double>(S(want[from])), 50) << "region " << tag;
            if (tag != 2) {
                EXPECT_NEAR(static_cast<double>(r->start + r->length), static_cast<double>(S(want[end])), 50)
                    << "region " << tag;
            }
        }
        EXPECT_NEAR(editor->cAudioInformation->TotalLength, length, 0.002);
        EXPECT_EQ(editor->lblLength->Caption(), frmLumoEdit::TimeText(editor->cAudioInformation->TotalLength));
    }

    // Places region `tag` as a drag (report) or a damaged source (no event) would.
    void PlaceRegion(int tag, std::int64_t start, std::int64_t length, bool report) {
        auto& regions = editor->ctlEditor->Regions();
        for (int i = 1; i <= regions.Count(); ++i)
            if (regions.At(i).tag == std::to_string(tag)) {
                regions.SetCurrent(i);
                regions.SetStart(start);
                regions.SetLength(length);
                if (report) editor->ctlEditor->RegionChanged.Emit(i);
            }
    }

    double Length() const { return editor->ctlEditor->LengthMs() / 1000.0; }
    // A time as a box holds it once typed or set: in hundredths.
    static double Typed(double seconds) { return helpers::cUtility::TimeTextToSeconds(frmLumoEdit::TimeText(seconds), 11); }

    void RunCard(double ms) {
        for (double done = 0; done < ms; done += 25) {
            card->AdvanceMs(25);
            editor->ctlEditor->Pump();
        }
    }
};

// Markers shifted by d from `from` on.
Markers ShiftedAfter(Markers m, double from, double d) {
    for (double& v : m)
        if (v > from) v += d;
    return m;
}

} // namespace

// Each edit command on an edit at 8-12 s (or at the point named), with markers before, inside
// and after it: all seven markers, their boxes and their regions move with the audio; undo
// brings back the markers of before the edit, redo those after it.
TEST_F(MarkersFollowTest, EveryEditMovesTheMarkersWithTheAudioAndUndoAndRedoFollow) {
    struct Row {
        const char* name;
        std::function<void()> edit;
        // The markers after the edit, given the new length.
        std::function<Markers(double)> expected;
    };
    auto copyFirstFour = [this] {
        Select(0, 4);
        editor->AudioCopy();
    };
    auto stretchTo = [this](double seconds) {
        Select(8, 12);
        const std::string typed = platform::FormatDouble(seconds);
        TransformAnswers([typed](frmLumoEditTransform& d) { d.txtStretchNewLength->SetText(typed); });
        editor->ProcessAudioButton("timestretch");
        EXPECT_NEAR(Length(), 16 + seconds, 0.001) << "stretched to " << typed;
    };
    // The audio 8-12 s became `length - 16` seconds long: inside in proportion, after shifted.
    auto stretched = [](double length) {
        const double k = (length - 16) / 4;
        Markers m = ShiftedAfter(kLayout, 12, length - 20);
        m[3] = 8 + (9 - 8) * k;
        m[4] = 8 + (11 - 8) * k;
        return m;
    };
    const std::string two = dir / "two.wav";
    WriteWav(two, 2, 2, [](std::int64_t, int) { return 0.25; });
    const Row rows[] = {
        {"cut", [&] { Select(8, 12); editor->AudioCut(); }, [](double) { return Markers{2, 3, 14, 8, 8, 10, 12}; }},
        {"delete", [&] { Select(8, 12); editor->AudioDeleteSelection(); },
         [](double) { return Markers{2, 3, 14, 8, 8, 10, 12}; }},
        {"paste inside the hook",
         [&] {
             copyFirstFour();
             Select(10, 10);
             editor->AudioPaste();
         },
         [](double) { return Markers{2, 3, 22, 9, 15, 18, 20}; }},
        {"mix paste past the end",
         [&] {
             copyFirstFour();
             Select(18, 18);
             TransformAnswers(nullptr);
             editor->AudioMixPaste();
         },
         [](double) { return kLayout; }},
        {"insert file inside the hook",
         [&] {
             dialogs->AnswerFile(two);
             Select(10, 10);
             editor->AudioInsertFile(false);
         },
         [](double) { return Markers{2, 3, 20, 9, 13, 16, 18}; }},
        {"insert silence inside the intro",
         [&] {
             InputAnswer("5");
             Select(2.5, 2.5);
             editor->ProcessAudioButton("silence");
         },
         [](double) { return Markers{2, 8, 23, 14, 16, 19, 21}; }},
        {"time stretch longer", [&] { stretchTo(8); }, stretched},
        {"time stretch shorter", [&] { stretchTo(2); }, stretched},
        {"time stretch to a fortieth", [&] { stretchTo(0.1); }, stretched},
        {"time stretch to four times", [&] { stretchTo(16); }, stretched},
        {"reverse", [&] { Select(8, 12); editor->ProcessAudioButton("reverse"); }, [](double) { return kLayout; }},
        {"record into the hook",
         [&] {
             Select(10, 10);
             editor->cmdRecord_Click();
             RunCard(1000);
             editor->cmdRecord_Click();
         },
         [](double length) { return ShiftedAfter(kLayout, 10, length - 20); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenLayout(kLayout, 20);
        ASSERT_EQ(editor->chkLoop->Value(), 1);
        ExpectShown(kLayout, 20, "as opened");
        row.edit();
        const double length = Length();
        const Markers after = row.expected(length);
        ExpectShown(after, length, "after the edit");
        editor->AudioUndo();
        ExpectShown(kLayout, 20, "after undo");
        editor->AudioRedo();
        ExpectShown(after, length, "after redo");
        EXPECT_FALSE(editor->pnlProgress->isVisible());
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// All the audio cut or deleted from the main window's menus, then taken back: undo brings back
// every marker as it was, redo leaves the item without audio again, a second undo brings them
// back once more, and the saved file holds them as the file held them when it was opened.
TEST_F(MarkersFollowTest, UndoAfterCuttingAllTheAudioBringsBackEveryMarker) {
    const char* const removals[] = {"mnuCut", "mnuDeleteSelection"};
    // Without audio every marker is 0; the regions, at 0, keep what an undo carries back.
    auto expectNone = [this](const char* what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(editor->ctlEditor->Length(), 0);
        EXPECT_EQ(Held(), (Markers{0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(editor->mtxtLoopEnd->Text(), frmLumoEdit::TimeText(0));
        EXPECT_EQ(editor->lblLength->Caption(), frmLumoEdit::TimeText(0));
    };
    for (const char* removal : removals) {
        SCOPED_TRACE(removal);
        const std::string path = OpenLayout(kLayout, 20);
        const auto timers = PostTimers(path);
        ASSERT_FALSE(timers.empty());
        auto menu = [this](const char* name) {
            QAction* action = main->Menu(name);
            ASSERT_NE(action, nullptr) << name;
            main->mnuFile_Click(); // the menus take the editor's state as they open
            main->mnuEdit_Click();
            ASSERT_TRUE(action->isEnabled()) << name;
            action->trigger();
        };
        menu("mnuSelectAll");
        menu(removal);
        expectNone("all removed");
        menu("mnuUndo");
        ExpectShown(kLayout, 20, "undone");
        menu("mnuRedo");
        expectNone("redone");
        menu("mnuUndo");
        ExpectShown(kLayout, 20, "undone again");

        menu("mnuSave");
        EXPECT_FALSE(editor->bEdited());
        EXPECT_EQ(PostTimers(path), timers) << "libsndfile reads the markers the file was opened with";
        rozuzezer::cHardDiskItem back;
        ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
        const Markers read = {back.IntroStart(), back.IntroEnd(), back.Extro(), back.HookStart,
                              back.HookEnd,      back.LoopStart,  back.LoopEnd};
        for (int m = 0; m < 7; ++m) EXPECT_NEAR(read[m], kLayout[m], 0.002) << kNames[m];
        EXPECT_EQ(ReadWav(path).Frames(), S(20));
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// The producer's cart: cutting its first second moves every marker one second earlier, and the
// file's post timers say so when libsndfile reads them back.
TEST_F(MarkersFollowTest, CuttingTheFirstSecondMovesEveryMarkerAndTheFileSaysSo) {
    const std::string path = Open(10, 2, Tone, [](rozuzezer::cHardDiskItem& item) {
        item.SetIntroStart(2);
        item.SetIntroEnd(3);
        item.HookStart = 5;
        item.HookEnd = 6;
        item.SetExtro(8);
    });
    Select(0, 1);
    editor->AudioCut();
    const auto& item = *editor->cAudioInformation;
    EXPECT_NEAR(item.IntroStart(), 1, 0.001);
    EXPECT_NEAR(item.IntroEnd(), 2, 0.001);
    EXPECT_NEAR(item.HookStart, 4, 0.001);
    EXPECT_NEAR(item.HookEnd, 5, 0.001);
    EXPECT_NEAR(item.Extro(), 7, 0.001);
    EXPECT_EQ(editor->mtxtHookEnd->Text(), "00:00:05.00");
    EXPECT_EQ(editor->mtxtExtro->Text(), "00:00:07.00");
    ASSERT_TRUE(editor->SaveFile());

    std::map<std::string, std::int32_t> timers;
    for (const auto& [usage, at] : PostTimers(path)) timers[usage] = at;
    EXPECT_NEAR(timers["INT1"], S(1), 1);
    EXPECT_NEAR(timers["INT3"], S(2), 1);
    EXPECT_NEAR(timers["MRK1"], S(4), 1);
    EXPECT_NEAR(timers["MRK2"], S(5), 1);
    EXPECT_NEAR(timers["SEG1"], S(7), 1);
    EXPECT_EQ(ReadWav(path).Frames(), S(9));
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// A file without an outro gets none from an edit that makes it longer: the reader's "none" (the
// old end) is not written as a time inside the new audio.
TEST_F(MarkersFollowTest, InsertingSilenceWritesNoOutroThatWasNotThere) {
    const std::string path = Open(20, 2, Tone, [](rozuzezer::cHardDiskItem& item) { item.SetExtro(18); });
    auto outros = [&] {
        std::vector<std::pair<std::string, std::int32_t>> out;
        for (const auto& t : PostTimers(path))
            if (t.first.rfind("OUT", 0) == 0) out.push_back(t);
        return out;
    };
    ASSERT_TRUE(outros().empty());
    Select(5, 5);
    InputAnswer("2");
    editor->ProcessAudioButton("silence");
    ASSERT_NEAR(editor->ctlEditor->LengthMs(), 22000, 1);
    ASSERT_TRUE(editor->SaveFile());
    EXPECT_TRUE(outros().empty()) << outros().front().first << " at " << outros().front().second;
    EXPECT_EQ(ReadWav(path).Frames(), S(22));
    // Longer again by a paste, and back by undo: still none.
    Select(0, 1);
    editor->AudioCopy();
    Select(2, 2);
    editor->AudioPaste();
    ASSERT_TRUE(editor->SaveFile());
    EXPECT_TRUE(outros().empty());
    editor->AudioUndo();
    editor->AudioUndo();
    ASSERT_TRUE(editor->SaveFile());
    EXPECT_TRUE(outros().empty());
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// Outros the file holds move with the audio like the markers, through undo too, and are
// written where they now stand; nothing of them shows on the waveform.
TEST_F(MarkersFollowTest, TheFilesOwnOutrosMoveWithTheAudio) {
    const std::string path = Open(10, 2, Tone, [](rozuzezer::cHardDiskItem& item) {
        item.SetOutroEx(1, 6);
        item.SetOutroEx(2, 7);
    });
    const auto& item = *editor->cAudioInformation;
    ASSERT_FLOAT_EQ(item.OutroEx(1), 6);
    for (int tag : {5, 6}) {
        ASSERT_NE(RegionOf(tag), nullptr) << tag;
        EXPECT_TRUE(RegionOf(tag)->options & audio::kRegionHidden) << tag;
    }
    auto timers = [&] {
        std::map<std::string, std::int32_t> t;
        for (const auto& [usage, at] : PostTimers(path)) t[usage] = at;
        return t;
    };
    Select(1, 1);
    InputAnswer("2");
    editor->ProcessAudioButton("silence");
    EXPECT_NEAR(item.OutroEx(1), 8, 0.001);
    EXPECT_NEAR(item.OutroEx(2), 9, 0.001);
    ASSERT_TRUE(editor->SaveFile());
    auto t = timers();
    EXPECT_NEAR(t["OUT1"], S(8), 1);
    EXPECT_NEAR(t["OUT2"], S(9), 1);

    editor->AudioUndo();
    EXPECT_NEAR(item.OutroEx(1), 6, 0.001);
    // A cut over the first outro takes it to where the cut was; the second follows the audio.
    Select(5.5, 6.5);
    editor->AudioCut();
    EXPECT_NEAR(item.OutroEx(1), 5.5, 0.001);
    EXPECT_NEAR(item.OutroEx(2), 6, 0.001);
    ASSERT_TRUE(editor->SaveFile());
    t = timers();
    EXPECT_NEAR(t["OUT1"], S(5.5), 1);
    EXPECT_NEAR(t["OUT2"], S(6), 1);
    EXPECT_EQ(t.count("OUT3"), 0u);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// A marker the user moves after an edit is not put back by the edit's undo: the component
// carries it through the undone edit, while the markers it left alone return to where they were.
TEST_F(MarkersFollowTest, AMarkerMovedSinceTheEditIsCarriedThroughItsUndoAndRedo) {
    OpenLayout(kLayout, 20);
    Select(8, 12);
    editor->AudioCut();
    PlaceRegion(3, S(8.5), S(1), true);
    ExpectShown({2, 3, 14, 8.5, 9.5, 10, 12}, 16, "hook dragged after the cut");
    editor->AudioUndo();
    ExpectShown({2, 3, 18, 12.5, 13.5, 14, 16}, 20, "undone: the dragged hook stays with its audio");
    editor->AudioRedo();
    ExpectShown({2, 3, 14, 8.5, 9.5, 10, 12}, 16, "redone");
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// 200 seeded random steps on 60 s of audio - cuts, deletes, pastes, inserted silence, time
// stretches, undos, redos and regions dragged by the user - checked after every step against
// a model: each marker edge follows the splice of its edit, undo puts back an edge the user left
// alone since the edit and carries one the user moved, redo likewise. Then the item is saved
// and libsndfile reads the post timers back.
TEST_F(MarkersFollowTest, RandomEditsUndosAndRedosMoveTheMarkersAsTheModelSays) {
    // Markers from 6 s to 50 s; every edit lies after 5 s and ends a second before the end, so
    // no length or loop rule takes part: each marker only follows its audio.
    const std::string path = OpenLayout({6, 12, 50, 20, 25, 30, 40}, 60);
    ASSERT_EQ(editor->chkLoop->Value(), 1);
    auto& view = editor->ctlEditor->View();
    auto& regions = editor->ctlEditor->Regions();
    auto selectSamples = [&](std::int64_t a, std::int64_t b) {
        view.SetSelectionShown(true);
        view.SetSelectionStart(a);
        view.SetSelectionEnd(b);
        if (a == b) view.SetPosition(a);
    };
    selectSamples(S(6), S(7.5));
    editor->AudioCopy();

    // The model: the four regions' edges (intro, extro, hook, loop), in samples.
    struct Splice {
        std::int64_t at, removed, inserted;
    };
    using Edges = std::array<std::pair<std::int64_t, std::int64_t>, 4>;
    auto mapPos = [](std::int64_t p, const Splice& s) -> std::int64_t {
        if (p <= s.at) return p;
        if (p >= s.at + s.removed) return p - s.removed + s.inserted;
        return s.at + std::llround(static_cast<double>(p - s.at) * static_cast<double>(s.inserted) /
                                   static_cast<double>(s.removed));
    };
    auto mapEdges = [&](std::pair<std::int64_t, std::int64_t> e, const Splice& s) {
        return std::make_pair(mapPos(e.first, s), std::max(mapPos(e.first, s), mapPos(e.second, s)));
    };
    struct Step {
        Splice splice;
        Edges before, after;
    };
    Edges model;
    const Markers& m0 = Held();
    model[0] = {S(m0[0]), S(m0[1])};
    model[1] = {S(m0[2]), S(m0[2])};
    model[2] = {S(m0[3]), S(m0[4])};
    model[3] = {S(m0[5]), S(m0[6])};
    std::int64_t length = editor->ctlEditor->Length();
    std::vector<Step> steps;
    std::size_t done = 0;

    auto regionIndex = [&](int tag) {
        for (int i = 1; i <= regions.Count(); ++i)
            if (regions.At(i).tag == std::to_string(tag)) return i;
        return 0;
    };
    auto check = [&](int step, const char* what) {
        SCOPED_TRACE(std::to_string(step) + ": " + what);
        ASSERT_EQ(editor->ctlEditor->Length(), length);
        const Markers held = Held();
        const double want[7] = {model[0].first / 44100.0,  model[0].second / 44100.0, model[1].first / 44100.0,
                                model[2].first / 44100.0,  model[2].second / 44100.0, model[3].first / 44100.0,
                                model[3].second / 44100.0};
        for (int m = 0; m < 7; ++m) ASSERT_NEAR(held[m], want[m], 0.002) << kNames[m];
        for (int tag = 1; tag <= 4; ++tag) {
            const int i = regionIndex(tag);
            ASSERT_NE(i, 0) << "region " << tag;
            const auto& r = regions.At(i);
            ASSERT_NEAR(static_cast<double>(r.start), static_cast<double>(model[tag - 1].first), 2) << "region " << tag;
            if (tag != 2) {
                ASSERT_NEAR(static_cast<double>(r.start + r.length), static_cast<double>(model[tag - 1].second), 2)
                    << "region " << tag;
            }
        }
        ASSERT_EQ(editor->mtxtLoopEnd->Text(), frmLumoEdit::TimeText(held[6]));
        ASSERT_EQ(editor->mtxtHookStart->Text(), frmLumoEdit::TimeText(held[3]));
        ASSERT_NEAR(editor->cAudioInformation->TotalLength, static_cast<double>(length) / 44100.0, 0.001);
    };
    auto edited = [&](const Splice& s) {
        Step step{s, model, {}};
        for (auto& e : model) e = mapEdges(e, s);
        step.after = model;
        steps.resize(done);
        steps.push_back(step);
        ++done;
        length = editor->ctlEditor->Length();
    };

    std::mt19937 random(20260302);
    auto uniform = [&](std::int64_t lo, std::int64_t hi) {
        return hi <= lo ? lo : std::uniform_int_distribution<std::int64_t>(lo, hi)(random);
    };
    for (int step = 0; step < 200; ++step) {
        const std::int64_t lo = S(5), hi = length - S(1);
        const int roll = static_cast<int>(uniform(0, 99));
        const char* what = "";
        if (roll < 20 && hi - lo > S(1)) {
            const bool cut = roll < 12;
            what = cut ? "cut" : "delete";
            const std::int64_t a = uniform(lo, hi - S(0.5));
            const std::int64_t b = a + uniform(S(0.05), std::min(cut ? S(2) : S(1), hi - a));
            selectSamples(a, b);
            if (cut) editor->AudioCut();
            else editor->AudioDeleteSelection();
            edited({a, b - a, 0});
        } else if (roll < 32) {
            what = "paste";
            const std::int64_t p = uniform(lo, hi);
            selectSamples(p, p);
            const std::int64_t before = editor->ctlEditor->Length();
            editor->AudioPaste();
            edited({p, 0, editor->ctlEditor->Length() - before});
        } else if (roll < 40) {
            what = "insert silence";
            const std::int64_t p = uniform(lo, hi);
            selectSamples(p, p);
            const std::int64_t before = editor->ctlEditor->Length();
            InputAnswer(std::to_string(uniform(1, 20) / 10.0));
            editor->ProcessAudioButton("silence");
            edited({p, 0, editor->ctlEditor->Length() - before});
        } else if (roll < 48 && hi - lo > S(2)) {
            what = "time stretch";
            const std::int64_t a = uniform(lo, hi - S(1));
            const std::int64_t b = a + uniform(S(0.2), S(1));
            selectSamples(a, b);
            const double seconds = static_cast<double>(b - a) / 44100.0 * (uniform(60, 200) / 100.0);
            char text[32];
            std::snprintf(text, sizeof text, "%.3f", seconds);
            const std::string typed = text;
            TransformAnswers([typed](frmLumoEditTransform& d) { d.txtStretchNewLength->SetText(typed); });
            const std::int64_t before = editor->ctlEditor->Length();
            editor->ProcessAudioButton("timestretch");
            edited({a, b - a, b - a + editor->ctlEditor->Length() - before});
        } else if (roll < 75) {
            what = "undo";
            ASSERT_EQ(editor->ctlEditor->CanUndo(), done > 0);
            if (done == 0) continue;
            editor->AudioUndo();
            const Step& s = steps[--done];
            const Splice back{s.splice.at, s.splice.inserted, s.splice.removed};
            for (std::size_t k = 0; k < 4; ++k) model[k] = model[k] == s.after[k] ? s.before[k] : mapEdges(model[k], back);
            length = editor->ctlEditor->Length();
        } else if (roll < 90) {
            what = "redo";
            ASSERT_EQ(editor->ctlEditor->CanRedo(), done < steps.size());
            if (done == steps.size()) continue;
            editor->AudioRedo();
            const Step& s = steps[done++];
            for (std::size_t k = 0; k < 4; ++k) model[k] = model[k] == s.before[k] ? s.after[k] : mapEdges(model[k], s.splice);
            length = editor->ctlEditor->Length();
        } else {
            // The user drags the intro (kept before the extro) or the hook.
            what = "drag";
            const bool intro = uniform(0, 1) == 0;
            const std::int64_t top = intro ? model[1].first : hi;
            if (top - S(5.5) < S(0.2)) continue;
            const std::int64_t a = uniform(S(5.5), top - S(0.1));
            const std::int64_t b = uniform(a, top);
            PlaceRegion(intro ? 1 : 3, a, b - a, true);
            model[intro ? 0 : 2] = {a, b};
        }
        check(step, what);
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(reported.empty()) << reported.front();

    ASSERT_TRUE(editor->SaveFile());
    EXPECT_EQ(ReadWav(path).Frames(), length);
    std::map<std::string, std::int32_t> timers;
    for (const auto& [usage, at] : PostTimers(path)) timers[usage] = at;
    const std::pair<const char*, std::int64_t> want[] = {
        {"INT1", model[0].first}, {"INT3", model[0].second}, {"SEG1", model[1].first}, {"MRK1", model[2].first},
        {"MRK2", model[2].second}, {"MRK3", model[3].first}, {"MRK4", model[3].second}};
    for (const auto& [usage, at] : want) {
        ASSERT_EQ(timers.count(usage), 1u) << usage;
        EXPECT_NEAR(timers[usage], static_cast<double>(at), 45) << usage;
    }
}

// Marks made with the Set buttons while recording stay at the time they were made, in a new
// item and in existing audio; the new item still gets its extro at the end of what was recorded.
TEST_F(MarkersFollowTest, MarksMadeWhileRecordingStayWhereTheyWereMade) {
    auto at = [this] { return static_cast<double>(editor->ctlEditor->View().SamplesToMs(editor->ctlEditor->View().Position())) / 1000.0; };
    {
        SCOPED_TRACE("a new item");
        editor->ClearDetails(1);
        editor->cmdRecord_Click();
        ASSERT_EQ(editor->ctlEditor->State(), audio::kStateRecording);
        RunCard(2000);
        const double introStart = at();
        editor->cmdSetIntroStart_Click();
        RunCard(3000);
        const double introEnd = at();
        editor->cmdSetIntroEnd_Click();
        RunCard(2000);
        editor->cmdStop_Click();
        ASSERT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
        const double length = Length();
        EXPECT_NEAR(length, 7, 0.05);
        EXPECT_NEAR(introStart, 2, 0.05);
        EXPECT_NEAR(introEnd, 5, 0.05);
        // The marks as their boxes took them (hundredths); the extro the intro pushed along is
        // the item's first audio's, at its end, as its box shows it.
        ExpectShown({Typed(introStart), Typed(introEnd), Typed(length), 0, 0, 0, 0}, length, "after stop");
    }
    {
        SCOPED_TRACE("recording into existing audio");
        OpenLayout(kLayout, 20);
        Select(10, 10);
        editor->cmdRecord_Click();
        RunCard(1000);
        const double hookEnd = at();
        editor->cmdSetHookEnd_Click(); // the hook end marked inside what is being recorded
        RunCard(1000);
        editor->cmdStop_Click();
        const double length = Length();
        EXPECT_NEAR(hookEnd, 11, 0.05);
        Markers want = ShiftedAfter(kLayout, 10, length - 20);
        want[4] = Typed(hookEnd);
        ExpectShown(want, length, "after stop");
        editor->AudioUndo();
        EXPECT_NEAR(Length(), 20, 0.001);
        EXPECT_NEAR(Held()[2], 18, 0.002) << "the extro of before the recording";
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// Damaged and unusual input: regions past the audio, markers of a damaged file far beyond it,
// zero-length regions, an undo across a save, a recording the sound card ends. The markers stay
// within the audio and in their pairs' order, nothing raises into Qt, and what is saved is
// what the window shows.
TEST_F(MarkersFollowTest, BadInputKeepsTheMarkersWithinTheAudioAndSavesWhatIsShown) {
    struct Row {
        const char* name;
        std::function<void()> run;
    };
    std::string path;
    auto openWith = [&](const Markers& m, double seconds) { path = OpenLayout(m, seconds); };
    const Row rows[] = {
        {"a region placed past the audio",
         [&] {
             openWith(kLayout, 20);
             PlaceRegion(3, S(30), S(5), false);
             Select(8, 12);
             editor->AudioCut();
         }},
        {"markers of a damaged file far past the audio",
         [&] {
             openWith({50, 70, 99, 60, 65, 80, 90}, 10);
             Select(2, 4);
             editor->AudioCut();
             editor->AudioUndo();
         }},
        {"zero-length regions",
         [&] {
             openWith({5, 5, 18, 7, 7, 14, 14}, 20);
             Select(4, 6);
             editor->AudioCut();
             editor->AudioUndo();
             editor->AudioRedo();
         }},
        {"an undo across a save",
         [&] {
             openWith(kLayout, 20);
             Select(8, 12);
             editor->AudioCut();
             ASSERT_TRUE(editor->SaveFile());
             editor->AudioUndo();
         }},
        {"a recording the sound card ends",
         [&] {
             openWith(kLayout, 20);
             Select(10, 10);
             editor->cmdRecord_Click();
             RunCard(1000);
             editor->cmdSetIntroEnd_Click();
             card->Break();
             RunCard(100);
             ASSERT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.run();
        const auto& item = *editor->cAudioInformation;
        const Markers held = Held();
        for (int m = 0; m < 7; ++m) {
            EXPECT_GE(held[m], 0) << kNames[m];
            EXPECT_LE(held[m], item.TotalLength + 0.0005) << kNames[m];
        }
        EXPECT_LE(held[0], held[1]);
        EXPECT_LE(held[3], held[4]);
        EXPECT_LE(held[5], held[6]);
        for (int i = 1; i <= editor->ctlEditor->Regions().Count(); ++i) {
            const audio::Region& r = editor->ctlEditor->Regions().At(i);
            EXPECT_LE(r.start + r.length, editor->ctlEditor->Length()) << "region " << r.tag;
        }
        // Saved and read back: the file holds what the boxes show.
        ASSERT_TRUE(editor->SaveFile());
        rozuzezer::cHardDiskItem reread;
        ASSERT_TRUE(reread.LoadFromWAVFile(path, 3));
        const Markers back = {reread.IntroStart(), reread.IntroEnd(), reread.Extro(), reread.HookStart,
                              reread.HookEnd,      reread.LoopStart,  reread.LoopEnd};
        platform::ui::MaskedTextBox* const shown[7] = {editor->mtxtIntroStart, editor->mtxtIntroEnd,
                                                       editor->mtxtExtro,      editor->mtxtHookStart,
                                                       editor->mtxtHookEnd,    editor->mtxtLoopStart,
                                                       editor->mtxtLoopEnd};
        for (int m = 0; m < 7; ++m) {
            // The file leaves out an extro at the very end; the reader gives it back as the end.
            if (m == 2 && back[m] == 0) continue;
            EXPECT_EQ(frmLumoEdit::TimeText(back[m]), shown[m]->Text()) << kNames[m];
        }
        EXPECT_EQ(ReadWav(path).Frames(), editor->ctlEditor->Length());
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// An extro at the end of the audio (within a tenth of a second) follows the end when audio is
// added there or the end comes nearer; one the edit carries with the audio stays where the
// audio took it, and undo and redo put it back exactly.
TEST_F(MarkersFollowTest, AnExtroAtTheEndFollowsTheEndAndOneCarriedWithTheAudioStaysThere) {
    struct Row {
        const char* name;
        double extro;
        std::function<void()> edit;
        double after;
    };
    auto pasteAt = [this](double at) {
        Select(0, 4);
        editor->AudioCopy();
        Select(at, at);
        editor->AudioPaste();
    };
    const Row rows[] = {
        {"audio added at the end", 19.95, [&] { pasteAt(20); }, 24},
        {"an extro short of the end", 19.8, [&] { pasteAt(20); }, 19.8},
        {"the end cut nearer", 19.95, [&] { Select(19.96, 20); editor->AudioCut(); }, 19.96},
        {"audio added before it", 19.95, [&] { pasteAt(10); }, 23.95},
        {"carried towards the old end", 17.95, [&] { pasteAt(10); }, 21.95},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Markers m = kLayout;
        m[2] = row.extro;
        OpenLayout(m, 20);
        row.edit();
        EXPECT_NEAR(Held()[2], row.after, 0.002);
        EXPECT_EQ(editor->mtxtExtro->Text(), frmLumoEdit::TimeText(Held()[2]));
        editor->AudioUndo();
        EXPECT_NEAR(Held()[2], row.extro, 0.002) << "undone";
        editor->AudioRedo();
        EXPECT_NEAR(Held()[2], row.after, 0.002) << "redone";
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}
