// The transport on the fake sound card: playing the selection with the position and meters
// following, pause and resume, recording into a new document and its failures, and the
// player back end with seeking, the loop and the hook.
#include "editor/support/EditorWindowFixture.h"

#include "shared/helpers/Utility.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace editortest;
using platform::ui::ButtonPicture;

namespace {

class TransportTest : public AudioWindowTest {
protected:
    double ShownPosition() { return helpers::cUtility::TimeTextToSeconds(editor->lblPosition->Caption(), 1); }
    // Runs the card and lets the component and the player report what happened.
    void Run(double ms) {
        card->AdvanceMs(ms);
        editor->ctlEditor->Pump();
        editor->LumoPlayer1->Pump();
    }
    // A new item whose 20 s tone is only loaded into the player.
    rozuzezer::cHardDiskItem& InThePlayer(const std::string& name) {
        const std::string path = dir / name;
        WriteWav(path, 20, 2, Tone);
        editor->ClearDetails(0);
        auto& item = *editor->cAudioInformation;
        item.AudioFileName = path;
        item.AudioEnd = 20;
        editor->LumoPlayer1->OpenFile(path);
        EXPECT_FALSE(editor->AudioOpen());
        return item;
    }
};

} // namespace

TEST_F(TransportTest, PlayingTheSelectionMovesThePositionTheMetersAndThePartLabel) {
    Open(10, 2, Tone, [](rozuzezer::cHardDiskItem& item) {
        item.SetIntroStart(1);
        item.SetIntroEnd(3);
        item.SetExtro(9);
    });
    Select(2, 4);
    editor->cmdPlay->click();
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStatePlaying);
    Run(500);
    EXPECT_NEAR(ShownPosition(), 2.5, 0.05);
    EXPECT_EQ(editor->lblAudioPart->Caption(), "Intro");
    EXPECT_GT(editor->nctLeftVol->Level(), 80) << "a tone at half scale on the 0..90 scale";
    Run(700);
    EXPECT_EQ(editor->lblAudioPart->Caption(), "Main");
    EXPECT_EQ(platform::ui::ForeColor(editor->lblPosition), 0xFFFFFFu);

    editor->cmdPause->click();
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStatePaused);
    EXPECT_EQ(ButtonPicture(editor->cmdPause), "pauseblue");
    editor->cmdPause->click();
    EXPECT_EQ(ButtonPicture(editor->cmdPause), "pause");
    Run(2000); // past the selection's end: it stops by itself
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
    EXPECT_EQ(editor->nctLeftVol->Level(), 0);
    EXPECT_NEAR(ShownPosition(), 4, 0.05);

    // Play from the end of the audio starts at 0; the play modes set the picture.
    editor->ctlEditor->View().SetSelectionShown(false);
    editor->ctlEditor->View().SetPosition(editor->ctlEditor->View().Length());
    editor->optPlayMode[2]->SetValue(true);
    EXPECT_EQ(editor->PlayMode(), 2);
    EXPECT_EQ(ButtonPicture(editor->cmdPlay), "playend");
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStatePlaying);
    Run(100);
    EXPECT_LT(ShownPosition(), 0.2);
    editor->cmdStop->click();
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
    editor->ProcessButton("playloop");
    EXPECT_EQ(editor->PlayMode(), 3);
    EXPECT_EQ(ButtonPicture(editor->cmdPlay), "loop") << "the image key, not a missing toolbar button";
    editor->cmdStop_Click();

    // An audition from a marker plays from that point, not from an old selection's start.
    Select(6, 8);
    editor->AuditionFrom(1.5);
    Run(100);
    EXPECT_NEAR(ShownPosition(), 1.6, 0.05);
    editor->cmdStop_Click();
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(TransportTest, TheLevelEventScalesNinetyToFullAndShowsNothingWhileIdle) {
    Open(2);
    struct Case {
        int left, right, shownLeft, shownRight;
    };
    Select(0, 1);
    editor->cmdPlay_Click();
    for (const Case& c : {Case{45, 120, 50, 100}, Case{-5, 90, 0, 100}, Case{1, 89, 1, 99}}) {
        editor->ctlEditor_Levels(c.left, c.right);
        EXPECT_EQ(editor->nctLeftVol->Level(), c.shownLeft);
        EXPECT_EQ(editor->nctRightVol->Level(), c.shownRight);
    }
    editor->cmdStop_Click();
    editor->ctlEditor_Levels(80, 80);
    EXPECT_EQ(editor->nctLeftVol->Level(), 0);
}

TEST_F(TransportTest, ThePartLabelFollowsTheMarkersAndLongTimesAreCapped) {
    Open(2);
    auto& item = *editor->cAudioInformation;
    struct Case {
        float introStart, introEnd, extro, at;
        const char* part;
    };
    const Case cases[] = {
        {0, 0, 8, 0, "Main"},     {0, 0, 8, 8, "Extro"},     {1, 3, 8, 3, "Main"},
        {1, 3, 8, 1, "Intro"},    {1, 3, 8, 0.5f, "Pre-Intro"}, {1, 3, 0, 100, "Main"},
    };
    for (const Case& c : cases) {
        item.SetIntroStart(c.introStart);
        item.SetIntroEnd(c.introEnd);
        item.SetExtro(c.extro);
        editor->UpdatePlayPosition(c.at);
        EXPECT_EQ(editor->lblAudioPart->Caption(), c.part) << c.at;
    }
    editor->UpdatePlayPosition(400000);
    EXPECT_EQ(editor->lblPosition->Caption(), "99:59:59.99");
    EXPECT_EQ(frmLumoEdit::TimeText(359999.99), "99:59:59.99");
    EXPECT_EQ(frmLumoEdit::TimeText(-3), "00:00:00.00");

    // A hook read from a damaged file, far past any audio: it plays what there is.
    item.HookStart = 1e30f;
    item.HookEnd = 3e38f;
    editor->cmdPlayHook_Click();
    editor->cmdStop_Click();
    EXPECT_LE(editor->ctlEditor->View().SelectionEnd(), editor->ctlEditor->View().Length());
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(TransportTest, RecordIntoANewDocumentAndWhenTheCardFailsOrGoes) {
    card->SetSource([](std::int64_t first, std::int64_t frames, int channels, float* out) {
        for (std::int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                out[i * channels + c] = static_cast<float>(0.3 * std::sin((first + i) * 0.05));
    });
    editor->ClearDetails(1);
    ASSERT_TRUE(editor->AudioOpen());
    editor->cmdRecord->click();
    ASSERT_EQ(editor->ctlEditor->State(), audio::kStateRecording);
    EXPECT_EQ(ButtonPicture(editor->cmdRecord), "record");
    EXPECT_EQ(editor->txtDescription[1]->Text(), "New Audio");
    EXPECT_TRUE(editor->bAudioEdited);
    // Record while recording stops it; the length is taken in.
    Run(1000);
    EXPECT_GT(ShownPosition(), 0.9) << "the position follows the recording";
    editor->cmdRecord->click();
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
    EXPECT_EQ(ButtonPicture(editor->cmdRecord), "recorddark");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 1000, 15);
    EXPECT_EQ(editor->lblLength->Caption().substr(0, 8), "00:00:01");
    const std::string out = dir / "recorded.wav";
    editor->ctlEditor->SaveAudio(out, false);
    EXPECT_NEAR(static_cast<double>(ReadWav(out).Frames()), 44100, 700);

    // No sound card: the message, and nothing changes.
    editor->ClearEdits();
    card->FailNextStart("There is no sound card for recording on this computer");
    editor->cmdRecord_Click();
    EXPECT_EQ(LastText(), "LumoEdit could not start recording because of a problem with your soundcard\nor with the "
                          "configuration of the LumoEdit software");
    EXPECT_FALSE(editor->bEdited());
    EXPECT_EQ(ButtonPicture(editor->cmdRecord), "recorddark");

    // A card pulled out mid-take: what came in is kept and the window says why.
    editor->cmdRecord_Click();
    Run(500);
    card->Break();
    Run(50);
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
    EXPECT_EQ(ButtonPicture(editor->cmdRecord), "recorddark");
    EXPECT_NE(LastText().find("sound card stopped working"), std::string::npos) << LastText();
    EXPECT_GT(editor->ctlEditor->LengthMs(), 1400);

    // Record while playing does nothing.
    editor->cmdPlay_Click();
    boxes->Clear();
    editor->cmdRecord_Click();
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStatePlaying);
    editor->cmdStop_Click();
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(TransportTest, RecordingNeedsTheAudioOpenForEditing) {
    editor->ClearDetails(0);
    ASSERT_FALSE(editor->AudioOpen());
    boxes->Answer(platform::MsgResult::No);
    editor->cmdRecord_Click();
    EXPECT_EQ(LastText(), "The Audio file must be opened for editing before you can record\n\nDo you want to continue?");
    EXPECT_FALSE(editor->AudioOpen());
    boxes->Answer(platform::MsgResult::Yes);
    editor->cmdRecord_Click();
    EXPECT_TRUE(editor->AudioOpen());
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStateIdle) << "the next press records";
}

// The player loops only a loop that is really set: both markers above 0, the end after the
// start, and audio long enough for the section it would play.
TEST_F(TransportTest, ThePlayerLoopsOnlyARealLoop) {
    auto& item = InThePlayer("loop.wav");
    struct Case {
        const char* what;
        float start, end;
        int ticked;
        bool loops;
    };
    const Case cases[] = {
        {"a set loop", 6, 10, 1, true},
        {"the option unticked", 6, 10, 0, false},
        {"no loop markers", 0, 0, 1, false},
        {"a fresh item's markers", -1, -1, 1, false},
        {"the end before the start", 8, 6, 1, false},
        {"an empty loop", 8, 8, 1, false},
        {"past the end of the audio", 15, 25, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editor->chkLoop->SetValue(c.ticked);
        item.LoopStart = c.start;
        item.LoopEnd = c.end;
        editor->LumoPlayer1->Stop();
        editor->cmdPlay_Click();
        EXPECT_EQ(editor->LumoPlayer1->State(), audio::kPlayerPlaying);
        EXPECT_EQ(editor->LumoPlayer1->LoopEnabled, c.loops);
    }
    editor->LumoPlayer1->Stop();
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(TransportTest, ThePlayerSeeksWithTheBarAndPlaysTheLoopAndTheHook) {
    auto& item = InThePlayer("player.wav");
    EXPECT_TRUE(editor->prgPlayProgress->isVisibleTo(editor->pnlAudioEditorCover));
    EXPECT_EQ(editor->LumoPlayer1->State(), audio::kPlayerStopped);

    // Unset loop and hook refuse on the player too (a loop marker of -1 is not set).
    editor->cmdPlayLoop_Click();
    EXPECT_EQ(LastText(), "You must select a section to loop first");
    item.HookStart = 0;
    item.HookEnd = 3;
    editor->cmdPlayHook_Click();
    EXPECT_EQ(LastText(), "You must set the Hook first");
    EXPECT_EQ(editor->LumoPlayer1->State(), audio::kPlayerStopped);

    // A click on the bar seeks; a drag with the button held goes on seeking.
    const int w = editor->prgPlayProgress->width();
    QTest::mousePress(editor->prgPlayProgress, Qt::LeftButton, {}, QPoint(w / 4, 2));
    EXPECT_NEAR(editor->LumoPlayer1->Position(), 5, 0.2);
    QMouseEvent move(QEvent::MouseMove, QPointF(w / 2, 2), QPointF(w / 2, 2), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(editor->prgPlayProgress, &move);
    EXPECT_NEAR(editor->LumoPlayer1->Position(), 10, 0.2);
    QMouseEvent hover(QEvent::MouseMove, QPointF(w, 2), QPointF(w, 2), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(editor->prgPlayProgress, &hover);
    EXPECT_NEAR(editor->LumoPlayer1->Position(), 10, 0.2) << "no button held: no seek";
    editor->prgPlayProgress_MouseDown(1, 0, -500, 0);
    EXPECT_NEAR(editor->LumoPlayer1->Position(), 0, 0.01) << "before the bar: the start";
    const double width = platform::ui::Width(editor->prgPlayProgress);
    editor->LumoPlayer1->Seek(3);
    platform::ui::SetWidth(editor->prgPlayProgress, 0);
    editor->prgPlayProgress_MouseDown(1, 0, 100, 0);
    EXPECT_NEAR(editor->LumoPlayer1->Position(), 3, 0.01) << "a bar without width seeks nowhere";
    platform::ui::SetWidth(editor->prgPlayProgress, width);

    // The loop: never before 4.5 s, at least half a second long, a negative count plays once.
    item.LoopStart = 2;
    item.LoopEnd = 2.2f;
    editor->chkLoop->SetValue(1);
    item.LoopNumberLoops = -4; // as a paste into the count box leaves it
    editor->cmdPlayLoop_Click();
    auto& player = *editor->LumoPlayer1;
    EXPECT_EQ(player.State(), audio::kPlayerPlaying);
    EXPECT_FLOAT_EQ(player.LoopStart, 4.5f);
    EXPECT_FLOAT_EQ(player.LoopEnd, 5);
    EXPECT_EQ(player.LoopCount, 1);
    EXPECT_TRUE(player.LoopEnabled);
    Run(300);
    EXPECT_GT(editor->prgPlayProgress->Value(), 0) << "the bar follows the player";
    EXPECT_NEAR(ShownPosition(), player.Position(), 0.02);
    // Play while playing restarts from the start.
    editor->cmdPlay_Click();
    EXPECT_LT(player.Position(), 0.05);
    editor->cmdPause_Click();
    EXPECT_NE(player.State(), audio::kPlayerPlaying);

    // The hook plays from its start.
    item.HookStart = 12;
    item.HookEnd = 15;
    editor->chkLoop->SetValue(0);
    item.LoopNumberLoops = 3000;
    editor->cmdPlayHook_Click();
    EXPECT_EQ(player.State(), audio::kPlayerPlaying);
    EXPECT_NEAR(player.Position(), 12, 0.05);
    EXPECT_EQ(player.LoopCount, 999);
    EXPECT_FALSE(player.LoopEnabled);
    editor->cmdStop_Click();
    EXPECT_NE(player.State(), audio::kPlayerPlaying);
    EXPECT_TRUE(reported.empty()) << reported.front();
    // The program ends with the player cued in the file: its last events find no item.
    player.Seek(5);
}
