// The Set buttons (mark, set, audition, in both back ends) and the loop options.
#include "editor/support/EditorWindowFixture.h"

#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumoedit;
using editortest::DetailsTest;
namespace audio = platform::audio;
using platform::ui::MaskedTextBox;
using platform::ui::syscolour::ButtonFace;
using platform::ui::syscolour::Window;

namespace {

const std::string kZero = "00:00:00.00";

} // namespace

TEST_F(DetailsTest, IdleSetButtonsSetFromTheSelectionOrTheCursor) {
    OpenForEditing(ToneFile("tone.wav", 60));
    struct Case {
        const char* what;
        double start, end;
        void (frmLumoEdit::*press)();
        // The boxes written: intro start, intro end, extro, hook start, hook end ("" untouched).
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"cursor, intro start", 12.5, 12.5, &frmLumoEdit::cmdSetIntroStart_Click, {T(12.5), "", "", "", ""}},
        {"selection, intro start", 3.2, 9.8, &frmLumoEdit::cmdSetIntroStart_Click, {T(3.2), T(9.8), "", "", ""}},
        {"selection, intro end", 3.2, 9.8, &frmLumoEdit::cmdSetIntroEnd_Click, {"", T(9.8), "", "", ""}},
        {"selection, extro", 3.2, 9.8, &frmLumoEdit::cmdSetExtro_Click, {"", "", T(9.8), "", ""}},
        {"selection from 0, intro start", 0, 9.8, &frmLumoEdit::cmdSetIntroStart_Click, {T(0), T(9.8), "", "", ""}},
        {"selection, hook start", 3.2, 9.8, &frmLumoEdit::cmdSetHookStart_Click, {"", "", "", T(3.2), T(9.8)}},
        {"selection, hook end", 3.2, 9.8, &frmLumoEdit::cmdSetHookEnd_Click, {"", "", "", "", T(9.8)}},
        {"selection to the end, intro end", 30, 60, &frmLumoEdit::cmdSetIntroEnd_Click, {"", T(60), "", "", ""}},
    };
    MaskedTextBox* const order[] = {editor->mtxtIntroStart, editor->mtxtIntroEnd, editor->mtxtExtro,
                                    editor->mtxtHookStart, editor->mtxtHookEnd};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The written boxes show the button's times; the others may follow by the markers'
        // order rules, which are the boxes' own.
        for (MaskedTextBox* b : order) b->SetText("00:00:01.00");
        Select(c.start, c.end);
        (editor->*c.press)();
        for (std::size_t i = 0; i < 5; ++i) {
            if (!c.boxes[i].empty()) {
                EXPECT_EQ(order[i]->Text(), c.boxes[i]) << i;
            }
        }
        EXPECT_EQ(Seconds(editor->ctlEditor->View().SelectionStart()), c.start) << "no audition moved the cursor";
    }
    EXPECT_TRUE(reported.empty());
}

TEST_F(DetailsTest, NothingUsableSelectedAuditionsFromThePreRoll) {
    OpenForEditing(ToneFile("tone.wav", 60));
    auto& item = *editor->cAudioInformation;
    struct Case {
        const char* what;
        double start, end; // the selection at the press
        void (frmLumoEdit::*press)();
        void (*store)(rozuzezer::cHardDiskItem&);
        double from; // where the audition plays from
    };
    const Case cases[] = {
        {"intro start at 8 s", 0, 0, &frmLumoEdit::cmdSetIntroStart_Click,
         [](rozuzezer::cHardDiskItem& i) { i.SetIntroStart(8); }, 0},
        {"intro start at 35 s", 0, 0, &frmLumoEdit::cmdSetIntroStart_Click,
         [](rozuzezer::cHardDiskItem& i) { i.SetIntroStart(35); }, 15},
        {"hook start at 10 s", 0, 0, &frmLumoEdit::cmdSetHookStart_Click,
         [](rozuzezer::cHardDiskItem& i) { i.HookStart = 10; }, 8},
        {"hook start at 1 s", 0, 0, &frmLumoEdit::cmdSetHookStart_Click,
         [](rozuzezer::cHardDiskItem& i) { i.HookStart = 1; }, 0},
        {"hook end at 30 s, selection from 0", 0, 9.8, &frmLumoEdit::cmdSetHookEnd_Click,
         [](rozuzezer::cHardDiskItem& i) { i.HookEnd = 30; }, 10},
        {"extro at 50 s, selection to the end", 20, 60, &frmLumoEdit::cmdSetExtro_Click,
         [](rozuzezer::cHardDiskItem& i) { i.SetExtro(50); }, 30},
        {"loop end at 40 s, cursor at 0", 0, 0, &frmLumoEdit::cmdSetLoopEnd_Click,
         [](rozuzezer::cHardDiskItem& i) { i.LoopEnd = 40; }, 20},
    };
    MaskedTextBox* const all[] = {editor->mtxtIntroStart, editor->mtxtIntroEnd, editor->mtxtExtro, editor->mtxtHookStart,
                                  editor->mtxtHookEnd, editor->mtxtLoopStart, editor->mtxtLoopEnd};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.store(item);
        std::vector<std::string> before;
        for (MaskedTextBox* b : all) before.push_back(b->Text());
        editor->bEdited_ = false;
        Select(c.start, c.end);
        (editor->*c.press)();
        EXPECT_EQ(editor->ctlEditor->View().Position(), Samples(c.from));
        EXPECT_EQ(editor->ctlEditor->View().SelectionStart(), Samples(c.from)) << "play starts there";
        for (std::size_t i = 0; i < std::size(all); ++i) EXPECT_EQ(all[i]->Text(), before[i]) << "an audition writes no box";
        EXPECT_FALSE(editor->bEdited());
        editor->cmdStop_Click();
        editor->ctlEditor->View().SetSelectionShown(true);
    }
}

TEST_F(DetailsTest, WhilePlayingEveryButtonMarksThePlayPosition) {
    OpenForEditing(ToneFile("tone.wav", 60));
    Select(3.2, 40); // a selection does not count while the transport runs
    editor->ctlEditor->Play(1);
    for (int i = 0; i < 40; ++i) {
        card->AdvanceMs(25);
        editor->ctlEditor->Pump();
    }
    editor->UpdateButtons();
    ASSERT_EQ(editor->ctlEditor->State(), audio::kStatePlaying);
    EXPECT_EQ(editor->cmdSetIntroEnd->Caption(), "Mark (&*)");
    EXPECT_EQ(editor->cmdSetIntroStart->Caption(), "Mark (&/)");
    EXPECT_EQ(editor->cmdSetHookStart->Caption(), "Mark");
    const double at = Seconds(editor->ctlEditor->View().Position());
    EXPECT_GT(at, 3.2);
    editor->mtxtIntroEnd->SetText(kZero);
    editor->mtxtHookEnd->SetText("00:00:50.00");
    editor->cmdSetIntroEnd_Click();
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), T(static_cast<float>(at)));
    editor->cmdSetHookStart_Click();
    EXPECT_EQ(editor->mtxtHookStart->Text(), T(static_cast<float>(at)));
    EXPECT_EQ(editor->mtxtHookEnd->Text(), "00:00:50.00") << "a mark writes the button's own box only";

    editor->ctlEditor->Pause();
    editor->UpdateButtons();
    EXPECT_EQ(editor->cmdSetExtro->Caption(), "Mark (&-)");
    editor->cmdSetExtro_Click();
    EXPECT_EQ(editor->mtxtExtro->Text(), T(static_cast<float>(Seconds(editor->ctlEditor->View().Position()))));
    editor->cmdStop_Click();
    EXPECT_EQ(editor->cmdSetIntroEnd->Caption(), "Set (&*)");
}

// A mark takes what is heard at the press: the card's buffered audio not yet, and the time
// since the position was last shown already.
TEST_F(DetailsTest, AMarkWhilePlayingIsThePositionHeardAtThePress) {
    OpenForEditing(ToneFile("tone.wav", 20));
    card->SetLatency(Samples(0.2));
    editor->ctlEditor->View().SetPosition(0);
    editor->ctlEditor->Play(1);
    for (int i = 0; i < 40; ++i) {
        card->AdvanceMs(25);
        editor->ctlEditor->Pump();
    }
    card->AdvanceMs(60); // played on, the window's timer not yet come
    ASSERT_EQ(editor->ctlEditor->State(), audio::kStatePlaying);
    editor->cmdSetIntroEnd_Click();
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), T(1.06f - 0.2f)) << "1.06 s handed to the card, 0.2 s of it not heard";
}

TEST_F(DetailsTest, WithNothingLoadedASetButtonLeavesTheMarkerAlone) {
    editor->ClearDetails(2);
    ASSERT_FALSE(editor->AudioOpen());
    ASSERT_EQ(editor->LumoPlayer1->State(), audio::kPlayerEmpty);
    editor->mtxtIntroEnd->SetText("00:00:05.00");
    editor->mtxtLoopStart->SetText("00:00:07.00");
    const std::string introEnd = editor->mtxtIntroEnd->Text(), loopStart = editor->mtxtLoopStart->Text();
    const float stored = editor->cAudioInformation->IntroEnd();
    editor->bEdited_ = false;
    editor->cmdSetIntroEnd_Click();
    editor->cmdSetLoopStart_Click();
    editor->cmdSetExtro_Click();
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), introEnd);
    EXPECT_EQ(editor->mtxtLoopStart->Text(), loopStart);
    EXPECT_EQ(editor->cAudioInformation->IntroEnd(), stored);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(reported.empty());
}

TEST_F(DetailsTest, MarksWhileRecordingReachTheLengthRecordedSoFar) {
    editor->ClearDetails(1); // a new, empty document
    ASSERT_TRUE(editor->AudioOpen());
    EXPECT_EQ(editor->cAudioInformation->AudioEnd, 0);
    editor->ctlEditor->Record(2);
    for (int i = 0; i < 80; ++i) {
        card->AdvanceMs(25);
        editor->ctlEditor->Pump();
    }
    ASSERT_EQ(editor->ctlEditor->State(), audio::kStateRecording);
    const double at = Seconds(editor->ctlEditor->View().Position());
    ASSERT_GT(at, 1.0);
    editor->cmdSetIntroEnd_Click();
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), T(static_cast<float>(at)));
    EXPECT_NEAR(editor->cAudioInformation->IntroEnd(), at, 0.001)
        << "the marker's clamp is the recorded length, not the 0 of the new document";
    editor->cmdStop_Click();
    EXPECT_NEAR(editor->cAudioInformation->IntroEnd(), at, 0.001) << "and the mark stays where it was made";
}

TEST_F(DetailsTest, SetButtonsBeyondHundredHoursWriteTheLongestTimeTheBoxesHold) {
    // A hundred hours and more, cheaply: one sample a second.
    const std::string path = dir / "long.wav";
    editortest::WriteWav(path, 101 * 3600, 1, [](std::int64_t, int) { return 0.25; }, 1);
    OpenForEditing(path);
    Select(100.25 * 3600, 100.25 * 3600);
    editor->cmdSetIntroStart_Click();
    EXPECT_EQ(editor->mtxtIntroStart->Text(), "99:59:59.99");
    EXPECT_NEAR(editor->cAudioInformation->IntroStart(), 99 * 3600 + 59 * 60 + 59.99, 0.05); // a float
    Select(100.5 * 3600, 100.75 * 3600);
    editor->cmdSetExtro_Click();
    EXPECT_EQ(editor->mtxtExtro->Text(), "99:59:59.99");
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// A loop kept aside while unticked comes back into boxes that hold two digits of hours.
TEST_F(DetailsTest, ReTickingALoopKeptFromBeyondHundredHoursShowsTheLongestTimeTheBoxesHold) {
    const std::string path = dir / "long.wav";
    editortest::WriteWav(path, 101 * 3600, 1, [](std::int64_t, int) { return 0.25; }, 1);
    OpenForEditing(path);
    auto& item = *editor->cAudioInformation;
    editor->chkLoop->SetValue(1);
    item.LoopStart = 100 * 3600; // as the file held them
    item.LoopEnd = 100.5 * 3600;
    editor->chkLoop->SetValue(0);
    editor->chkLoop->SetValue(1);
    EXPECT_TRUE(reported.empty()) << reported.front();
    EXPECT_EQ(editor->mtxtLoopStart->Text(), "99:59:59.99");
    EXPECT_EQ(editor->mtxtLoopEnd->Text(), "99:59:59.99");
    EXPECT_NEAR(item.LoopStart, 99 * 3600 + 59 * 60 + 59.99, 0.05); // a float
    EXPECT_NEAR(item.LoopEnd, 99 * 3600 + 59 * 60 + 59.99, 0.05);
    EXPECT_TRUE(Texts().empty()) << Texts().front();
}

// Audio too short for a loop's minimum holds no loop, whatever writes the loop boxes - a Set
// button, or an edit that leaves the audio between the two minimums - and nothing is said.
TEST_F(DetailsTest, AudioTooShortForALoopHoldsNoneAndSaysNothing) {
    OpenForEditing(ToneFile("short.wav", 3));
    auto& item = *editor->cAudioInformation;
    editor->chkLoop->SetValue(1);
    editor->ctlEditor->View().SetSelectionShown(true);
    Select(1, 2.5);
    editor->cmdSetLoopStart_Click();
    EXPECT_EQ(item.LoopStart, 0);
    EXPECT_EQ(item.LoopEnd, 0);
    Select(0.5, 2.9);
    editor->cmdSetLoopEnd_Click();
    EXPECT_EQ(item.LoopEnd, 0);
    EXPECT_EQ(editor->mtxtLoopEnd->Text(), kZero);

    // 4.55 s left by a cut: long enough for a loop start, too short for a loop end.
    editor->bEdited_ = false;
    OpenForEditing(ToneFile("ten.wav", 10));
    auto& ten = *editor->cAudioInformation;
    editor->chkLoop->SetValue(1);
    editor->mtxtLoopStart->SetText(T(5));
    editor->mtxtLoopEnd->SetText(T(9));
    ASSERT_FLOAT_EQ(ten.LoopEnd, 9.0f);
    editor->ctlEditor->View().SetSelectionShown(true);
    Select(4.55, 10);
    editor->AudioCut();
    EXPECT_NEAR(ten.TotalLength, 4.55, 0.001);
    EXPECT_LE(ten.LoopStart, ten.TotalLength);
    EXPECT_LE(ten.LoopEnd, ten.TotalLength);
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(DetailsTest, PlayerBackEndAuditionsAtZeroAndMarksWhereItStands) {
    const std::string path = ToneFile("tone.wav", 60);
    editor->ClearDetails(2);
    editor->cAudioInformation->LoadFromWAVFile(path, 3);
    editor->LumoPlayer1->OpenFile(path);
    ASSERT_FALSE(editor->AudioOpen());
    ASSERT_NE(editor->LumoPlayer1->State(), audio::kPlayerEmpty);
    editor->cAudioInformation->SetIntroStart(35);
    editor->cmdSetIntroStart_Click(); // stopped at 0: audition from 15 s
    EXPECT_FLOAT_EQ(editor->LumoPlayer1->Position(), 15.0f);
    EXPECT_EQ(editor->mtxtIntroStart->Text(), kZero);
    editor->LumoPlayer1->Stop(); // the audition may have started playing

    editor->LumoPlayer1->Seek(42.3f);
    for (void (frmLumoEdit::*press)() : {&frmLumoEdit::cmdSetIntroStart_Click, &frmLumoEdit::cmdSetIntroEnd_Click,
                                         &frmLumoEdit::cmdSetHookEnd_Click, &frmLumoEdit::cmdSetExtro_Click})
        (editor->*press)();
    EXPECT_EQ(editor->mtxtIntroStart->Text(), T(42.3f));
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), T(42.3f));
    EXPECT_EQ(editor->mtxtHookEnd->Text(), T(42.3f));
    EXPECT_EQ(editor->mtxtExtro->Text(), T(42.3f));

    editor->mtxtExtro->SetText(kZero);
    editor->cAudioInformation->SetExtro(50);
    editor->LumoPlayer1->Seek(editor->LumoPlayer1->Length());
    editor->cmdSetExtro_Click(); // at the very end the extro auditions instead
    EXPECT_EQ(editor->mtxtExtro->Text(), kZero);
    EXPECT_FLOAT_EQ(editor->LumoPlayer1->Position(), 30.0f);
    editor->LumoPlayer1->Stop();
}

TEST_F(DetailsTest, LoopOptionsEnableGreyAndStoreTheirFields) {
    editor->ClearDetails(2);
    auto& item = *editor->cAudioInformation;
    EXPECT_EQ(editor->txtMaxLoop->Text(), "10");
    EXPECT_EQ(editor->chkMaxLoop->Value(), 1);
    EXPECT_FALSE(editor->mtxtLoopStart->isEnabled());
    EXPECT_EQ(platform::ui::BackColor(editor->txtMaxLoop), ButtonFace);

    editor->chkLoop->SetValue(1);
    EXPECT_TRUE(editor->bEdited());
    EXPECT_TRUE(editor->fraLooping->isEnabled());
    EXPECT_TRUE(editor->txtMaxLoop->isEnabled());
    EXPECT_EQ(platform::ui::BackColor(editor->mtxtLoopStart), Window);
    EXPECT_EQ(platform::ui::BackColor(editor->txtMaxLoop), Window);
    EXPECT_EQ(item.LoopNumberLoops, 10);

    struct Case {
        const char* text;
        int maxLoop;
        std::int32_t stored;
    };
    for (const Case& c : {Case{"7", 1, 7}, Case{"", 1, 0}, Case{"2.5", 1, 2}, Case{"3.5", 1, 4}, Case{"9e9", 1, 999},
                          Case{"12", 0, 0}, Case{"12", 2, 12}}) {
        SCOPED_TRACE(c.text);
        editor->chkMaxLoop->SetValue(c.maxLoop);
        editor->txtMaxLoop->SetText(c.text);
        EXPECT_EQ(item.LoopNumberLoops, c.stored);
    }
    editor->chkMaxLoop->SetValue(1);
    editor->txtMaxLoop->SetText("10");

    editor->chkLoopJump->SetValue(1);
    EXPECT_FALSE(item.LoopPlayToEnd);
    editor->chkLoopJump->SetValue(0);
    EXPECT_TRUE(item.LoopPlayToEnd);

    editor->chkLoop->SetValue(0);
    EXPECT_FALSE(editor->cmdSetLoopStart->isEnabled());
    EXPECT_FALSE(editor->txtMaxLoop->isEnabled());
    EXPECT_EQ(platform::ui::BackColor(editor->mtxtLoopEnd), ButtonFace);
    EXPECT_EQ(item.LoopNumberLoops, 0);
    editor->chkLoop->SetValue(1);
    EXPECT_EQ(item.LoopNumberLoops, 10);

    // While the window fills its controls the options change only the controls.
    editor->bEdited_ = false;
    {
        platform::ui::ScopedFlag loading(editor->bLoadingInfo);
        editor->chkLoop->SetValue(0);
        editor->chkLoopJump->SetValue(1);
        editor->txtMaxLoop->SetText("5");
    }
    EXPECT_FALSE(editor->cmdSetLoopStart->isEnabled());
    EXPECT_EQ(item.LoopNumberLoops, 10);
    EXPECT_TRUE(item.LoopPlayToEnd);
    EXPECT_FALSE(editor->bEdited());
}

TEST_F(DetailsTest, UntickingTheLoopTakesItsMarkersOutOfTheItemAndATickBringsThemBack) {
    OpenForEditing(ToneFile("tone.wav", 60));
    auto& item = *editor->cAudioInformation;
    editor->chkLoop->SetValue(1);
    item.LoopStart = 12;
    item.LoopEnd = 20;
    editor->chkLoop->SetValue(0);
    EXPECT_EQ(item.LoopStart, 0) << "saved, the markers would tick the option again on reopening";
    EXPECT_EQ(item.LoopEnd, 0);
    EXPECT_EQ(editor->mtxtLoopStart->Text(), kZero);
    editor->chkLoop->SetValue(1);
    EXPECT_EQ(item.LoopStart, 12);
    EXPECT_EQ(item.LoopEnd, 20);
    EXPECT_EQ(editor->mtxtLoopEnd->Text(), T(20));

    // What is put aside belongs to its item: another file's tick does not bring it back.
    editor->chkLoop->SetValue(0);
    editor->bEdited_ = false;
    OpenForEditing(ToneFile("other.wav", 60));
    auto& other = *editor->cAudioInformation;
    editor->chkLoop->SetValue(1);
    EXPECT_LE(other.LoopStart, 0);
    EXPECT_LE(other.LoopEnd, 0);
    EXPECT_EQ(editor->mtxtLoopStart->Text(), kZero);
}

// The loop-start box's change rule clamps and stores.
TEST_F(DetailsTest, LoopStartFromACursorAtTwoSecondsIsStoredAsTheLoopMinimum) {
    OpenForEditing(ToneFile("tone.wav", 60));
    editor->chkLoop->SetValue(1);
    Select(2, 2);
    editor->cmdSetLoopStart_Click();
    EXPECT_EQ(editor->mtxtLoopStart->Text(), T(4.5));
    EXPECT_FLOAT_EQ(editor->cAudioInformation->LoopStart, 4.5f);
}

// A time box shows what the item holds once the user leaves it: a time typed only in part, one
// its rule clamped, and the boxes an order rule moved.
TEST_F(DetailsTest, LeavingATimeBoxShowsWhatTheItemHolds) {
    OpenForEditing(ToneFile("tone.wav", 20));
    auto& item = *editor->cAudioInformation;
    editor->mtxtIntroStart->SetText(T(2));
    editor->mtxtIntroEnd->SetText(T(10));
    editor->mtxtExtro->SetText(T(12));
    struct Case {
        const char* what;
        MaskedTextBox* box;
        const char* typed;
        std::string whileTyping; // the box before the focus leaves
    };
    const Case cases[] = {
        {"part of a time", editor->mtxtIntroEnd, "9", "9_:__:__.__"},
        {"past the end", editor->mtxtHookEnd, "00010000", "00:00:20.00"},
        {"after the intro end and the extro", editor->mtxtIntroStart, "00001500", "00:00:15.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.box->setFocus(Qt::TabFocusReason);
        c.box->selectAll();
        QTest::keyClicks(c.box, c.typed);
        EXPECT_EQ(c.box->Text(), c.whileTyping);
        editor->txtDescription[1]->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        for (MaskedTextBox* box : {editor->mtxtIntroStart, editor->mtxtIntroEnd, editor->mtxtExtro,
                                   editor->mtxtHookStart, editor->mtxtHookEnd}) {
            const float held = box == editor->mtxtIntroStart ? item.IntroStart()
                               : box == editor->mtxtIntroEnd ? item.IntroEnd()
                               : box == editor->mtxtExtro    ? item.Extro()
                               : box == editor->mtxtHookStart ? item.HookStart
                                                              : item.HookEnd;
            EXPECT_EQ(box->Text(), T(held)) << box->objectName().toStdString();
        }
    }
    EXPECT_FLOAT_EQ(item.IntroEnd(), 15) << "moved by the intro start's order rule";
    EXPECT_FLOAT_EQ(item.Extro(), 15);
    EXPECT_FLOAT_EQ(item.HookEnd, 20);
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// A click into a time box selects its time, so the first digit typed starts a new one. A
// producer who then checks another window (a running order, a dialog of the program) comes
// back to the time half typed, the caret where it was, and finishes it.
TEST_F(DetailsTest, AHalfTypedTimeSurvivesAnotherWindow) {
    OpenForEditing(ToneFile("tone.wav", 20));
    editor->SetDisplayDescriptions(true);
    editor->mtxtIntroStart->SetText(T(2));
    editor->mtxtIntroEnd->SetText(T(10));
    QWidget program; // another program's window
    program.resize(200, 100);
    QDialog dialog(main.get());
    struct Case {
        const char* what;
        QWidget* window;
    } cases[] = {{"another program", &program}, {"a dialog of the program", &dialog}};
    MaskedTextBox* box = editor->mtxtIntroEnd;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        editor->txtDescription[1]->setFocus(Qt::TabFocusReason);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() * 3 / 4, box->height() / 2));
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), box);
        EXPECT_EQ(box->SelText(), T(10)) << "the click selected the whole time";
        QTest::keyClicks(box, "0");
        EXPECT_EQ(box->Text(), "0_:__:__.__");

        c.window->show();
        c.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(c.window));
        EXPECT_EQ(box->Text(), "0_:__:__.__") << "the box kept what was typed";
        EXPECT_EQ(editor->mtxtIntroStart->Text(), T(2));
        c.window->hide();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), box);
        EXPECT_EQ(box->SelText(), "") << "coming back selects nothing";
        QTest::keyClicks(box, "0001100");
        EXPECT_EQ(box->Text(), "00:00:11.00");
        EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroEnd(), 11);

        // A time left half typed for another box of the window shows what the item holds.
        QTest::keyClick(box, Qt::Key_Backspace);
        EXPECT_EQ(box->Text(), "00:00:11.0_");
        editor->txtDescription[1]->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(box->Text(), T(11));
        box->SetText(T(10));
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}
