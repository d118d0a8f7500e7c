// The component's events as the window answers them (progress and the message loop, regions,
// selection, audio changed), commands and closes that arrive inside an operation, the toolbar
// keys, and the zoom buttons from an hour down to a few samples.
#include "editor/support/EditorWindowFixture.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace editortest;

namespace {

class EventsZoomTest : public AudioWindowTest {
protected:
    void View(std::int64_t start, std::int64_t end) { editor->ctlEditor->ZoomToRange(start, end); }
    std::pair<std::int64_t, std::int64_t> Visible() {
        return {editor->ctlEditor->View().VisibleStart(), editor->ctlEditor->View().VisibleEnd()};
    }
    void SelectSamples(std::int64_t a, std::int64_t b) {
        auto& v = editor->ctlEditor->View();
        v.SetSelectionShown(true);
        v.SetSelectionStart(a);
        v.SetSelectionEnd(b);
    }
};

} // namespace

TEST_F(EventsZoomTest, ProgressRunsTheLoopAtMostTwiceASecondAndNothingStartsInsideIt) {
    Open(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    // A click on Play, a Set press and a close from the close box arrive while the loop runs;
    // the markers' controls are not live then.
    bool playRefused = false;
    Select(1, 1);
    const float introStart = editor->cAudioInformation->IntroStart();
    QTimer::singleShot(0, editor, [&] {
        editor->cmdPlay_Click();
        playRefused = editor->ctlEditor->State() == audio::kStateIdle;
        EXPECT_FALSE(editor->toolAudioEditor->isEnabled());
        for (QWidget* w : std::initializer_list<QWidget*>{editor->cmdSetIntroStart, editor->cmdSetLoopEnd,
                                                          editor->mtxtIntroStart, editor->mtxtLoopEnd, editor->chkLoop})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        editor->cmdSetIntroStart_Click();
        EXPECT_EQ(editor->cAudioInformation->IntroStart(), introStart) << "nothing is marked inside an edit";
        editor->close();
    });
    editor->cAudioInformation->ItemTitle = "kept";
    const int before = editor->MessageLoopRuns();
    editor->ctlEditor_Progress(10);
    EXPECT_EQ(editor->MessageLoopRuns(), before + 1);
    EXPECT_TRUE(playRefused);
    EXPECT_TRUE(editor->toolAudioEditor->isEnabled());
    EXPECT_TRUE(editor->cmdSetIntroStart->isEnabled());
    EXPECT_TRUE(editor->mtxtIntroStart->isEnabled());
    EXPECT_EQ(editor->cAudioInformation->ItemTitle, "kept") << "the close was refused";
    EXPECT_EQ(LastText(), "You cannot close this window until the Wave display has finished its current action");
    editor->ctlEditor_Progress(40);
    EXPECT_EQ(editor->prgProgress->Value(), 40) << "the bar follows every event";
    EXPECT_EQ(editor->MessageLoopRuns(), before + 1) << "but the loop does not run again so soon";

    // Nothing closes later by itself.
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(editor->IsLoaded());
    EXPECT_EQ(editor->cAudioInformation->ItemTitle, "kept");
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    editor->ctlEditor_Progress(60);
    EXPECT_EQ(editor->MessageLoopRuns(), before + 2);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// A close that arrives while a long effect runs (the close box, File, Exit, Esc) is refused
// with the reason; the window stays, and the effect runs to its end.
TEST_F(EventsZoomTest, ACloseDuringALongEffectIsRefusedAndTheEffectFinishes) {
    Open(120);
    editor->cAudioInformation->ItemTitle = "kept";
    const std::pair<const char*, std::function<void()>> closes[] = {
        {"close box", [&] { editor->close(); }},
        {"File, Exit", [&] { main->mnuExit_Click(); }},
        {"Esc", [&] {
             int key = 27;
             editor->Form_KeyPress(key);
         }},
    };
    for (const auto& [name, close] : closes) {
        boxes->Clear();
        // The first progress event after half a second lets the loop run: the close comes in there.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        bool asked = false;
        QTimer::singleShot(0, editor, [&, close = close] {
            asked = true;
            close();
        });
        const std::size_t steps = editor->ctlEditor->UndoSteps();
        Select(0, 120);
        editor->ProcessAudioButton("fadeout");
        EXPECT_TRUE(asked) << name;
        EXPECT_EQ(Texts(), std::vector<std::string>{
                               "You cannot close this window until the Wave display has finished its current action"})
            << name;
        EXPECT_TRUE(editor->IsLoaded()) << name;
        EXPECT_TRUE(main->IsLoaded()) << name;
        EXPECT_FALSE(editor->bInhibitUnloading()) << name;
        EXPECT_EQ(editor->cAudioInformation->ItemTitle, "kept") << name;
        EXPECT_EQ(editor->ctlEditor->UndoSteps(), steps + 1) << name << ": the fade was made";
        EXPECT_LT(Peak(0, 119.9, 120), 0.01) << name;
        EXPECT_FALSE(editor->pnlProgress->isVisible()) << name;
        // Nothing closes later by itself.
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        EXPECT_TRUE(editor->IsLoaded()) << name;
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EventsZoomTest, RegionEventsWriteTheirMarkersAndBoxesOnly) {
    Open(10, 2, Tone, [](rozuzezer::cHardDiskItem& item) {
        item.SetExtro(9);
        item.HookStart = 4;
        item.HookEnd = 5;
        item.LoopStart = 6;
        item.LoopEnd = 7;
    });
    auto& regions = editor->ctlEditor->Regions();
    ASSERT_EQ(regions.Count(), 4);
    auto move = [&](int index, double start, double length) {
        regions.SetCurrent(index);
        regions.SetStart(S(start));
        regions.SetLength(S(length));
        editor->ctlEditor->RegionChanged.Emit(index);
    };
    auto& item = *editor->cAudioInformation;
    move(2, 8.5, 3); // the extro: its start only
    EXPECT_FLOAT_EQ(item.Extro(), 8.5f);
    EXPECT_EQ(editor->mtxtExtro->Text(), "00:00:08.50");
    EXPECT_FLOAT_EQ(item.HookStart, 4);
    move(3, 2, 0.25);
    EXPECT_FLOAT_EQ(item.HookStart, 2);
    EXPECT_FLOAT_EQ(item.HookEnd, 2.25f);
    EXPECT_EQ(editor->mtxtHookEnd->Text(), "00:00:02.25");
    move(4, 7, 1);
    EXPECT_EQ(editor->mtxtLoopStart->Text(), "00:00:07.00");
    EXPECT_TRUE(editor->bEdited());
    EXPECT_FALSE(editor->bLoadingInfo);

    // A region of another tag marks the details edited and changes no marker.
    regions.Add(S(1), S(1), "Note", "x9", "Note");
    editor->ClearEdits();
    editor->ctlEditor->RegionChanged.Emit(regions.Count());
    EXPECT_TRUE(editor->bEdited());
    EXPECT_FLOAT_EQ(item.LoopStart, 7);
    // While the window loads, or with the audio only in the player, nothing happens.
    editor->ClearEdits();
    editor->bLoadingInfo = true;
    move(3, 1, 1);
    editor->bLoadingInfo = false;
    EXPECT_FLOAT_EQ(item.HookStart, 2);
    EXPECT_FALSE(editor->bEdited());
}

TEST_F(EventsZoomTest, AnItemWithoutALengthTakesTheFirstAudioAsItsWhole) {
    editor->ClearDetails(1);
    auto& item = *editor->cAudioInformation;
    ASSERT_EQ(item.TotalLength, 0);
    item.HookStart = 3;
    InputAnswer("10");
    editor->ProcessAudioButton("silence");
    EXPECT_FLOAT_EQ(item.Extro(), 10);
    EXPECT_FLOAT_EQ(item.HookStart, 0);
    EXPECT_FLOAT_EQ(item.LoopStart, 0);
    EXPECT_FLOAT_EQ(item.TotalLength, 10);
    EXPECT_EQ(editor->lblLength->Caption(), "00:00:10.00");
    EXPECT_FALSE(editor->pnlProgress->isVisible());
}

TEST_F(EventsZoomTest, TheSelectionShowsItsLengthWhicheverWayItWasMade) {
    Open(10);
    Select(4, 2); // made from right to left
    EXPECT_FLOAT_EQ(editor->SelectedLength, 2);
    EXPECT_EQ(editor->lblSelectionLength->Caption(), "00:00:02.00");
    EXPECT_TRUE(platform::ui::Visible(editor->pnlSelection));
    EXPECT_TRUE(editor->toolAudioEditor->ButtonEnabled("normalise"));
    EXPECT_FALSE(platform::ui::Visible(editor->cmdSetIntroEnd)) << "one tall start button for the pair";
    editor->ctlEditor->View().SetSelectionShown(false);
    EXPECT_FLOAT_EQ(editor->SelectedLength, 0);
    EXPECT_FALSE(platform::ui::Visible(editor->pnlSelection));
    EXPECT_FALSE(editor->toolAudioEditor->ButtonEnabled("cut"));
    EXPECT_TRUE(editor->cmdZoomSelectionStart->isEnabled());
    EXPECT_TRUE(platform::ui::Visible(editor->cmdSetIntroEnd));

    // The visible range becomes the selection.
    View(S(1), S(3));
    editor->ctlEditor->SelectVisibleRange.Emit();
    EXPECT_FLOAT_EQ(editor->SelectedLength, 2);
}

// After every edit and effect the keys that follow the component's state show it idle again:
// "silence" and "paste" need no click in the waveform to come back.
TEST_F(EventsZoomTest, TheStateKeysAreLiveAfterEveryCommand) {
    Open(6);
    const std::string other = dir / "other.wav";
    WriteWav(other, 1, 2, Tone);
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"cut", [&] { Select(1, 1.5); editor->AudioCut(); }},
        {"copy", [&] { Select(1, 1.5); editor->AudioCopy(); }},
        {"paste", [&] { Select(2, 2); editor->AudioPaste(); }},
        {"mix paste", [&] { Select(0, 0); TransformAnswers({}); editor->AudioMixPaste(); }},
        {"delete", [&] { Select(1, 1.5); editor->AudioDeleteSelection(); }},
        {"select all", [&] { editor->AudioSelectAll(); }},
        {"undo", [&] { editor->AudioUndo(); }},
        {"redo", [&] { editor->AudioRedo(); }},
        {"insert file", [&] { Select(1, 1); dialogs->AnswerFile(other); editor->AudioInsertFile(false); }},
        {"mix insert file", [&] { Select(1, 1); dialogs->AnswerFile(other); TransformAnswers({}); editor->AudioInsertFile(true); }},
        {"erase", [&] { Select(1, 1.5); editor->ProcessAudioButton("erase"); }},
        {"silence", [&] { Select(1, 1); InputAnswer("0.5"); editor->ProcessAudioButton("silence"); }},
        {"reverse", [&] { Select(1, 1.5); editor->ProcessAudioButton("reverse"); }},
        {"amplify", [&] { Select(1, 1.5); TransformAnswers({}); editor->ProcessAudioButton("amplify"); }},
        {"normalise", [&] { Select(1, 1.5); TransformAnswers({}); editor->ProcessAudioButton("normalise"); }},
        {"delete silence", [&] { Select(1, 3); TransformAnswers({}); editor->ProcessAudioButton("deletesilence"); }},
        {"time stretch", [&] { Select(1, 2); TransformAnswers({}); editor->ProcessAudioButton("timestretch"); }},
        {"fade in", [&] { Select(1, 1.5); editor->ProcessAudioButton("fadein"); }},
        {"fade out", [&] { Select(1, 1.5); editor->ProcessAudioButton("fadeout"); }},
        {"stereo", [&] { editor->ProcessAudioButton("stereo"); }},
    };
    for (const auto& [name, run] : commands) {
        run();
        ASSERT_EQ(editor->ctlEditor->State(), audio::kStateIdle) << name;
        EXPECT_TRUE(editor->toolAudioEditor->ButtonEnabled("silence")) << name;
        EXPECT_TRUE(editor->toolAudioEditor->ButtonEnabled("paste")) << name;
        EXPECT_EQ(editor->toolAudioEditor->ButtonEnabled("undo"), editor->ctlEditor->CanUndo()) << name;
        EXPECT_EQ(editor->toolAudioEditor->ButtonEnabled("redo"), editor->ctlEditor->CanRedo()) << name;
    }
    EXPECT_EQ(platform::ui::Form::UnscriptedModals(), 0);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EventsZoomTest, TheToolbarsHandTheirKeysOn) {
    Open(4);
    Select(1, 2);
    editor->toolAudioEditor->ClickButton("cut");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 3000, 1);
    editor->ProcessAudioButton("no such key");
    editor->toolAudioEditor_ButtonMenuClick("copytocart");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 3000, 1);
    const bool shown = editor->DisplayDescriptions();
    editor->ProcessButton("descriptions");
    editor->ProcessButton("Descriptions");
    EXPECT_EQ(editor->DisplayDescriptions(), shown);
    editor->bEdited_ = false;
    editor->toolMain->ClickButton("new");
    EXPECT_TRUE(editor->cAudioInformation->AudioFileName.empty());
    EXPECT_EQ(editor->ctlEditor->Length(), 0);
    EXPECT_EQ(editor->cmdZoomFull->toolTip().toStdString(), "Show the entire audio file");
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EventsZoomTest, ZoomStepsAndTheSelectionZoomsStayInsideTheDocument) {
    Open(1); // 44,100 samples
    struct Case {
        std::int64_t visStart, visEnd, selStart, selEnd;
        void (frmLumoEdit::*button)();
        std::int64_t wantStart, wantEnd;
    };
    const Case cases[] = {
        {0, 10, 0, 0, &frmLumoEdit::cmdZoomIn_Click, 2, 8},
        {100, 104, 0, 0, &frmLumoEdit::cmdZoomIn_Click, 100, 104},
        {0, 1000, 450, 500, &frmLumoEdit::cmdZoomSelectionEnd_Click, 450, 750},
        {0, 1000, 300, 500, &frmLumoEdit::cmdZoomSelectionStart_Click, 50, 550},
        // Outside the view: moved to centre it, same width, never before 0 or past the end.
        {500, 1500, 100, 200, &frmLumoEdit::cmdZoomSelectionStart_Click, 0, 1000},
        {0, 1000, 20000, 44000, &frmLumoEdit::cmdZoomSelectionEnd_Click, 43100, 44100},
        {0, 1000, 20000, 30000, &frmLumoEdit::cmdZoomSelectionStart_Click, 19500, 20500},
    };
    for (const Case& c : cases) {
        View(c.visStart, c.visEnd);
        SelectSamples(c.selStart, c.selEnd);
        (editor->*c.button)();
        EXPECT_EQ(Visible(), std::make_pair(c.wantStart, c.wantEnd)) << c.visStart << ".." << c.visEnd;
    }
    editor->cmdZoomFull_Click();
    EXPECT_EQ(Visible(), std::make_pair(std::int64_t{0}, std::int64_t{44100}));
}

TEST_F(EventsZoomTest, ZoomingThroughAnHour) {
    const std::string path = dir / "hour.wav";
    WriteWav(path, 3600, 1, [](std::int64_t, int) { return 0.0; }, 8000);
    editor->bEdited_ = false;
    ASSERT_TRUE(editor->OpenFile(path));
    ASSERT_TRUE(editor->AudioOpen());
    auto& view = editor->ctlEditor->View();
    const std::int64_t length = view.Length();
    ASSERT_EQ(length, 3600LL * 8000);
    editor->UpdateZoomButtons(true);
    EXPECT_FALSE(editor->cmdZoomFull->isEnabled()) << "the whole hour shows";
    for (int i = 0; i < 20; ++i) {
        const auto [s, e] = Visible();
        editor->cmdZoomIn->click();
        const auto [s2, e2] = Visible();
        EXPECT_LT(e2 - s2, e - s);
        EXPECT_NEAR(static_cast<double>(s2 + e2) / 2, static_cast<double>(s + e) / 2, 1);
    }
    EXPECT_LT(view.VisibleLength(), 60);
    EXPECT_TRUE(editor->cmdZoomFull->isEnabled());
    view.SetSelectionShown(true);
    view.SetSelectionStart(length / 3);
    view.SetSelectionEnd(length / 2);
    editor->cmdZoomSelectionStart_Click();
    EXPECT_LE(view.VisibleStart(), length / 3);
    EXPECT_GE(view.VisibleEnd(), length / 3);
    editor->cmdZoomSelectionEnd_Click();
    EXPECT_GE(view.VisibleStart(), length / 3);
    EXPECT_GE(view.VisibleEnd(), length / 2);
    editor->cmdZoomSelection_Click();
    EXPECT_EQ(Visible(), std::make_pair(length / 3, length / 2));
    editor->cmdZoomOut_Click();
    EXPECT_GT(view.VisibleLength(), length / 6);
    const QImage shot = editor->ctlEditor->Waveform().RenderImage(QSize(1920, 300));
    EXPECT_FALSE(shot.isNull());
    editor->cmdZoomFull_Click();
    EXPECT_EQ(Visible(), std::make_pair(std::int64_t{0}, length));
    EXPECT_TRUE(reported.empty()) << reported.front();
}
