// The edit and effect commands through the window, as a user drives them: the toolbar keys,
// the transform dialog and the input box, with the audio checked in the component and in the
// files it writes.
#include "editor/support/EditorWindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <map>

using namespace editortest;

namespace {
class EditCommandsTest : public AudioWindowTest {};
} // namespace

TEST_F(EditCommandsTest, NormaliseUndoRedoAndTheUndoneEditStillCountsAsAChange) {
    Open(10);
    Select(2, 4);
    TransformAnswers([](frmLumoEditTransform& d) {
        EXPECT_EQ(d.txtNormaliseLevel->Text(), "100");
        d.txtNormaliseLevel->SetText("80");
    });
    editor->toolAudioEditor->ClickButton("normalise");
    EXPECT_NEAR(Peak(0, 2, 4), 0.8, 0.01);
    EXPECT_NEAR(Peak(0, 5, 7), 0.5, 0.01) << "only the selection";
    EXPECT_TRUE(editor->bAudioEdited);
    EXPECT_FALSE(editor->pnlProgress->isVisible());
    EXPECT_EQ(editor->MousePointer(), platform::ui::PointerDefault);
    EXPECT_EQ(lumoedit::Preferences().GetPreference("EditorNormalisePercentage", ""), "80");
    EXPECT_TRUE(editor->toolAudioEditor->ButtonEnabled("undo"));

    // After a save the flags are down; undo is a change again, so the close asks.
    editor->ClearEdits();
    editor->toolAudioEditor->ClickButton("undo");
    EXPECT_NEAR(Peak(0, 2, 4), 0.5, 0.01);
    EXPECT_TRUE(editor->bEdited());
    EXPECT_TRUE(editor->bAudioEdited);
    EXPECT_TRUE(editor->toolAudioEditor->ButtonEnabled("redo"));
    editor->ClearEdits();
    editor->AudioRedo();
    EXPECT_NEAR(Peak(0, 2, 4), 0.8, 0.01);
    EXPECT_TRUE(editor->bAudioEdited);
    EXPECT_TRUE(reported.empty()) << reported.front();
    EXPECT_EQ(platform::ui::Form::UnscriptedModals(), 0);
}

TEST_F(EditCommandsTest, ACutMovesTheExtroAndTheLengthAndUndoKeepsMarkersSetSinceTheEdit) {
    Open(10, 2, Tone, [](rozuzezer::cHardDiskItem& item) {
        item.SetIntroStart(0.5f);
        item.SetIntroEnd(1.5f);
        item.SetExtro(8);
    });
    ASSERT_EQ(editor->ctlEditor->Regions().Count(), 2);
    Select(2, 4);
    editor->toolAudioEditor->ClickButton("cut");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 8000, 1);
    EXPECT_FLOAT_EQ(editor->cAudioInformation->Extro(), 6);
    EXPECT_EQ(editor->mtxtExtro->Text(), "00:00:06.00");
    EXPECT_EQ(editor->lblLength->Caption(), "00:00:08.00");
    EXPECT_TRUE(editor->bAudioEdited);

    // The intro is dragged after the cut: its region event writes the markers and the boxes.
    auto& regions = editor->ctlEditor->Regions();
    regions.SetCurrent(1);
    regions.SetStart(44100);
    regions.SetLength(22050);
    editor->ctlEditor->RegionChanged.Emit(1);
    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroStart(), 1);
    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroEnd(), 1.5f);
    EXPECT_EQ(editor->mtxtIntroStart->Text(), "00:00:01.00");
    EXPECT_EQ(editor->mtxtIntroEnd->Text(), "00:00:01.50");

    // Undo brings the audio back, not the intro of before the drag; the regions show the markers.
    editor->AudioUndo();
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 10000, 1);
    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroStart(), 1);
    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroEnd(), 1.5f);
    regions.SetCurrent(1);
    EXPECT_EQ(regions.Start(), 44100);
    EXPECT_EQ(regions.Length(), 22050);
    EXPECT_EQ(editor->lblLength->Caption(), "00:00:10.00");

    // What the component saves is the audio as edited.
    editor->AudioRedo();
    const std::string out = dir / "cut.wav";
    editor->ctlEditor->SaveAudio(out, false);
    const Read r = ReadWav(out);
    EXPECT_EQ(r.Frames(), S(8));
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EditCommandsTest, DeleteOnTheLeftChannelOnlySilencesItAndKeepsTheLength) {
    Open(6);
    Select(1, 2);
    editor->toolAudioEditor_ButtonMenuClick("LeftChannel");
    editor->AudioDeleteSelection();
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 6000, 1);
    EXPECT_LT(Peak(0, 1, 2), 0.001) << "left silenced";
    EXPECT_NEAR(Peak(1, 1, 2), 0.5, 0.01) << "right kept";
    EXPECT_NEAR(Peak(0, 3, 4), 0.5, 0.01);

    // "stereo" takes both again, and delete removes the audio.
    editor->ProcessAudioButton("STEREO");
    Select(1, 2);
    editor->AudioDeleteSelection();
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 5000, 1);

    // A mono document keeps its only channel, whichever side is asked for.
    Open(3, 1);
    editor->toolAudioEditor_ButtonMenuClick("rightchannel");
    auto& channels = editor->ctlEditor->Channels();
    channels.SetCurrent(1);
    EXPECT_TRUE(channels.Selected());
    Select(1, 2);
    editor->ClearEdits();
    editor->ProcessAudioButton("erase");
    EXPECT_LT(Peak(0, 1, 2), 0.001);

    // Without a document the channel keys and the effects do nothing and raise nothing.
    editor->ctlEditor->CloseDocument();
    editor->ClearEdits();
    for (const char* k : {"leftchannel", "rightchannel"}) editor->toolAudioEditor_ButtonMenuClick(k);
    for (const char* k : {"stereo", "erase", "reverse", "fadein", "cut", "delete", "undo"}) editor->ProcessAudioButton(k);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EditCommandsTest, PasteMixPasteInsertFileAndTheSystemClipboard) {
    Open(4);
    // Nothing on the component's clipboard yet.
    editor->AudioPaste();
    EXPECT_EQ(LastText(), "There is nothing on the Clipboard to Paste!");
    EXPECT_FALSE(editor->bEdited());

    Select(0, 1);
    editor->AudioCopy();
    EXPECT_FALSE(editor->bEdited()) << "copy changes nothing";
    Select(2, 2);
    editor->toolAudioEditor_ButtonMenuClick("paste");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 5000, 1);

    // Mix paste: the two levels come from the preferences and go back there.
    lumoedit::Preferences().SetPreference("EditorMixPasteOriginalPercentage", "500", "50");
    TransformAnswers([](frmLumoEditTransform& d) {
        EXPECT_EQ(d.txtMixPasteOriginal->Text(), "300");
        EXPECT_EQ(d.txtMixPasteNewAudio->Text(), "50");
        d.txtMixPasteOriginal->SetText("100");
        d.txtMixPasteNewAudio->SetText("0.4"); // rounds to 0: refused
        d.cmdOK_Click();
        d.txtMixPasteNewAudio->SetText("100");
    });
    Select(0, 0);
    editor->toolAudioEditor_ButtonMenuClick("pastemix");
    EXPECT_EQ(LastText(), "You must enter a number for the new audio from 0 to 300");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 5000, 1);
    EXPECT_EQ(lumoedit::Preferences().GetPreference("EditorMixPasteNewAudioPercentage", ""), "100");
    EXPECT_NEAR(Peak(0, 0, 1), 1.0, 0.02) << "the tone mixed onto itself";

    // Insert a file, and a file that is not there.
    const std::string other = dir / "other.wav";
    WriteWav(other, 2, 2, [](std::int64_t, int) { return 0.25; });
    dialogs->AnswerFile(other);
    Select(1, 1);
    editor->toolAudioEditor_ButtonMenuClick("insertfile");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 7000, 1);
    EXPECT_NEAR(Peak(0, 1.1, 2.9), 0.25, 0.01);
    EXPECT_EQ(dialogs->fileRequests.back().title, "Select the file that you want to insert into this audio:");
    dialogs->AnswerFile(dir / "missing.wav");
    editor->AudioInsertFile(false);
    EXPECT_EQ(LastText(), "The file you chose (" + (dir / "missing.wav") + ") cannot be found");
    dialogs->CancelFile();
    editor->AudioInsertFile(true);
    EXPECT_FALSE(editor->pnlProgress->isVisible());
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 7000, 1);

    // Through the system clipboard: the selection goes out as audio and comes back in.
    Select(1, 3);
    editor->toolAudioEditor_ButtonMenuClick("copytoclipboard");
    EXPECT_FALSE(editor->pnlProgress->isVisible());
    Select(0, 0);
    editor->ClearEdits();
    editor->toolAudioEditor_ButtonMenuClick("pastefromclipboard");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 9000, 1);
    EXPECT_TRUE(editor->bAudioEdited);
    // Text on the clipboard pastes nothing and marks nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("not audio"));
    editor->ClearEdits();
    editor->toolAudioEditor_ButtonMenuClick("pastefromclipboard");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 9000, 1);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_FALSE(editor->pnlProgress->isVisible());
    reported.clear();
}

// Cut, Copy and Paste use the LumoEdit clip area, the Windows Clipboard entries the system
// clipboard: neither takes the other's audio, in either direction.
TEST_F(EditCommandsTest, TheTwoClipboardsAreKeptApart) {
    Open(4);
    auto length = [&] { return editor->ctlEditor->LengthMs() / 1000; };
    // Out to the system clipboard only: the clip area has nothing to paste.
    Select(1, 3);
    editor->toolAudioEditor_ButtonMenuClick("copytoclipboard");
    Select(0, 0);
    editor->AudioPaste();
    EXPECT_EQ(LastText(), "There is nothing on the Clipboard to Paste!");
    EXPECT_NEAR(length(), 4, 0.001);

    // One second in the clip area, then two seconds to the system clipboard.
    Select(0, 1);
    editor->AudioCopy();
    Select(1, 3);
    editor->toolAudioEditor_ButtonMenuClick("copytoclipboard");
    Select(0, 0);
    editor->toolAudioEditor->ClickButton("paste");
    EXPECT_NEAR(length(), 5, 0.001) << "the clip area kept its second";
    Select(0, 0);
    editor->toolAudioEditor_ButtonMenuClick("pastefromclipboard");
    EXPECT_NEAR(length(), 7, 0.001) << "the system clipboard's two seconds";
    Select(0, 0);
    editor->toolAudioEditor_ButtonMenuClick("paste");
    EXPECT_NEAR(length(), 8, 0.001) << "the clip area still holds its second";
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EditCommandsTest, InsertAndDeleteSilenceAndTimeStretchWithAPreset) {
    Open(4);
    struct Answer {
        const char* text;
        bool inserted;
    };
    // The stored default is offered; out-of-range and unreadable answers are refused.
    for (const Answer& a : {Answer{"2000.5", false}, Answer{"0", false}, Answer{"abc", false}, Answer{"1,5", true}}) {
        InputAnswer(a.text);
        const double before = editor->ctlEditor->LengthMs();
        Select(1, 1);
        editor->ProcessAudioButton("silence");
        EXPECT_EQ(editor->ctlEditor->LengthMs() > before, a.inserted) << a.text;
        if (!a.inserted) {
            EXPECT_EQ(LastText(), "You must enter a duration from 0.001 to 2000") << a.text;
        }
    }
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 5000, 1) << "\"1,5\" reads as 1 second";
    InputAnswer("", false);
    editor->ProcessAudioButton("silence");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 5000, 1);

    // Delete silence finds the inserted second.
    TransformAnswers([](frmLumoEditTransform& d) {
        EXPECT_EQ(d.txtSilenceThreshold->Text(), "60");
        d.txtSilenceAttack->SetText("200");
    });
    Select(0, 5);
    editor->ProcessAudioButton("deletesilence");
    EXPECT_LT(editor->ctlEditor->LengthMs(), 4300);
    EXPECT_EQ(lumoedit::Preferences().GetPreference("EditorDeleteSilenceAttackms", ""), "200");

    // Time stretch: refused without a selection; with one, a preset sets the new length.
    Select(0, 0);
    editor->ProcessAudioButton("timestretch");
    EXPECT_EQ(LastText(), "You must select the audio that you want to time stretch first");
    Open(8);
    Select(0, 4);
    TransformAnswers([](frmLumoEditTransform& d) {
        EXPECT_EQ(d.txtStretchNewLength->Text(), "0.1") << "nothing stored: the shortest length";
        d.listStretchPresets->SetListIndex(0); // "10 Seconds"
    });
    editor->ProcessAudioButton("timestretch");
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 14000, 30);
    EXPECT_EQ(lumoedit::Preferences().GetPreference("EditorTimeStretchNewLength", ""), "10");
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// A ten-second selection to a fortieth and to four times, the pitch kept or not: the length
// the dialog took, and audio (not silence) to its end; what is stored is offered next time.
TEST_F(EditCommandsTest, TimeStretchReachesEveryLengthTheDialogOffers) {
    struct Case {
        const char* typed;
        bool pitch;
        double length;
    };
    // Low enough that four times the speed still lies well below the top of the band.
    const auto low = [](std::int64_t frame, int) { return 0.5 * std::sin(frame * 2 * M_PI * 100.0 / 44100.0); };
    for (const Case& c : {Case{"0.25", true, 0.25}, Case{"0.25", false, 0.25}, Case{"40", true, 40}, Case{"40", false, 40}}) {
        SCOPED_TRACE(std::string(c.typed) + (c.pitch ? " keeping the pitch" : " at another speed"));
        Open(20, 2, low);
        Select(5, 15);
        TransformAnswers([c](frmLumoEditTransform& d) {
            d.txtStretchNewLength->SetText(c.typed);
            d.chkTimeStretchPreservePitch->SetValue(c.pitch ? 1 : 0);
        });
        editor->ProcessAudioButton("timestretch");
        EXPECT_TRUE(boxes->Shown().empty()) << LastText();
        const double stretched = editor->ctlEditor->LengthMs() / 1000.0 - 10;
        EXPECT_NEAR(stretched, c.length, 0.02 * c.length);
        EXPECT_NEAR(editor->cAudioInformation->TotalLength, 10 + stretched, 0.001);
        for (double at : {0.0, 0.45, 0.9}) EXPECT_GT(Peak(0, 5 + at * stretched, 5 + (at + 0.1) * stretched), 0.3) << at;
        EXPECT_NEAR(Peak(1, 5 + stretched, 15 + stretched), 0.5, 0.01) << "the audio after it is untouched";
        TransformAnswers([c](frmLumoEditTransform& d) { EXPECT_EQ(d.txtStretchNewLength->Text(), c.typed); }, false);
        editor->ProcessAudioButton("timestretch");
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

// Stored preferences are read as numbers and clamped before they become whole; "." is the
// decimal point whatever the locale.
TEST_F(EditCommandsTest, StoredPreferencesReadAsNumbersThenClamped) {
    Open(4);
    Select(1, 2);
    auto& prefs = lumoedit::Preferences();
    struct Case {
        const char* stored;
        const char* shown;
    };
    for (const Case& c : {Case{"1e12", "100"}, Case{"abc", "100"}, Case{"0", "1"}, Case{"55.5", "56"}}) {
        prefs.SetPreference("EditorNormalisePercentage", c.stored, "100");
        std::string shown;
        TransformAnswers([&](frmLumoEditTransform& d) { shown = d.txtNormaliseLevel->Text(); }, false);
        editor->ProcessAudioButton("normalise");
        EXPECT_EQ(shown, c.shown) << c.stored;
    }
    prefs.SetPreference("EditorDeleteSilenceThreshold", "120", "60");
    std::string threshold;
    TransformAnswers([&](frmLumoEditTransform& d) { threshold = d.txtSilenceThreshold->Text(); }, false);
    editor->ProcessAudioButton("deletesilence");
    EXPECT_EQ(threshold, "92");
    EXPECT_FALSE(editor->bEdited()) << "a cancelled dialog changes nothing";

    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    InputAnswer("2.25");
    editor->ProcessAudioButton("silence");
    EXPECT_EQ(prefs.GetPreference("EditorInsertSilence", ""), "2.25");
    std::string offered;
    platform::ui::Form::ScriptModal([&](platform::ui::Form& f) {
        auto& b = dynamic_cast<lumoedit::frmGoodInputBox&>(f);
        offered = b.Text1->Text();
        b.cmdCancel_Click();
    });
    editor->ProcessAudioButton("silence");
    EXPECT_EQ(offered, "2.25") << (comma ? "under a decimal-comma locale" : "");
    std::setlocale(LC_ALL, saved.c_str());
}

// A call that fails, or that changes nothing, leaves the panel hidden, the edit bracket
// closed, the audio and the undo history as they were.
TEST_F(EditCommandsTest, FailuresLeaveTheAudioTheHistoryAndThePanelConsistent) {
    // Effects on an empty document raise no audio-changed event; the panel goes all the same.
    editor->ClearDetails(1);
    for (const char* k : {"reverse", "fadein", "erase"}) {
        editor->ProcessAudioButton(k);
        EXPECT_FALSE(editor->pnlProgress->isVisible()) << k;
    }
    EXPECT_EQ(editor->MousePointer(), platform::ui::PointerDefault);

    // A file that is not audio: the insert fails inside its bracket, which still closes, so the
    // next two edits are two undo steps.
    Open(6);
    const std::string junk = dir / "junk.wav";
    testsupport::WriteFile(junk, std::string(5000, 'x'));
    dialogs->AnswerFile(junk);
    Select(1, 1);
    emit editor->toolAudioEditor->ButtonMenuClick("paste", "insertfile");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_FALSE(editor->pnlProgress->isVisible());
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 6000, 1);
    Select(0, 1);
    editor->AudioCut();
    Select(0, 1);
    editor->AudioCut();
    editor->AudioUndo();
    EXPECT_NEAR(editor->ctlEditor->LengthMs(), 5000, 1) << "one undo takes back one cut";

    reported.clear();

    // An image on the system clipboard pastes nothing.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    editor->ClearEdits();
    const double length = editor->ctlEditor->LengthMs();
    editor->toolAudioEditor_ButtonMenuClick("pastefromclipboard");
    EXPECT_FALSE(editor->bEdited());
    EXPECT_EQ(editor->ctlEditor->LengthMs(), length);
}

// The intro region dragged with the mouse on the waveform: its boxes follow at every move.
TEST_F(EditCommandsTest, DraggingTheIntroRegionMovesItsBoxes) {
    Open(10, 2, Tone, [](rozuzezer::cHardDiskItem& item) {
        item.SetIntroStart(1);
        item.SetIntroEnd(2);
        item.SetExtro(9);
    });
    auto& view = editor->ctlEditor->Waveform();
    view.resize(1000, 300);
    editor->ctlEditor->ZoomFull();
    const int x = view.XOf(editor->ctlEditor->Regions().At(1).start + editor->ctlEditor->Regions().At(1).length, 1000);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(x, 150));
    for (int dx = 10; dx <= 100; dx += 10) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x + dx, 150), view.mapToGlobal(QPointF(x + dx, 150)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&view, &move);
    }
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(x + 100, 150));
    // 100 pixels of 1000 over ten seconds: one second later.
    EXPECT_NEAR(editor->cAudioInformation->IntroEnd(), 3, 0.02);
    EXPECT_FLOAT_EQ(editor->cAudioInformation->IntroStart(), 1);
    EXPECT_EQ(editor->mtxtIntroEnd->Text().substr(0, 8), "00:00:03");
    EXPECT_TRUE(editor->bEdited());
    EXPECT_FALSE(editor->bAudioEdited) << "a marker is a detail, not an audio edit";
}

// The whole round through the document's own paths: a file opened, two seconds cut before
// its extro, the intro region dragged, the item saved, and the file read back by libsndfile
// and by the item: the audio is shorter and every marker sits at its new sample.
TEST_F(EditCommandsTest, ACutAndADraggedIntroAreSavedAtTheirNewSamples) {
    const std::string path = Open(10, 2, Tone, [](rozuzezer::cHardDiskItem& item) {
        item.SetIntroStart(1);
        item.SetIntroEnd(2);
        item.SetExtro(9);
    });
    ASSERT_EQ(editor->cAudioInformation->AudioFileName, path);
    Select(6, 8);
    editor->toolAudioEditor->ClickButton("cut");
    ASSERT_NEAR(editor->ctlEditor->LengthMs(), 8000, 1);
    ASSERT_FLOAT_EQ(editor->cAudioInformation->Extro(), 7);

    auto& view = editor->ctlEditor->Waveform();
    view.resize(1000, 300);
    editor->ctlEditor->ZoomFull();
    const auto& intro = editor->ctlEditor->Regions().At(1);
    const int x = view.XOf(intro.start + intro.length, 1000);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(x, 150));
    for (int dx = 10; dx <= 100; dx += 10) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x + dx, 150), view.mapToGlobal(QPointF(x + dx, 150)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&view, &move);
    }
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(x + 100, 150));
    // 100 pixels of 1000 over eight seconds.
    const float introEnd = editor->cAudioInformation->IntroEnd();
    ASSERT_NEAR(introEnd, 2.8, 0.02);

    ASSERT_TRUE(editor->SaveFile());
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_TRUE(reported.empty()) << reported.front();

    const Read audio = ReadWav(path);
    EXPECT_EQ(audio.Frames(), S(8));
    std::map<std::string, std::int32_t> timers;
    for (const auto& [usage, at] : PostTimers(path)) timers[usage] = at;
    EXPECT_EQ(timers["INT1"], S(1));
    EXPECT_NEAR(timers["INT3"], S(introEnd), 1);
    EXPECT_NEAR(timers["SEG1"], S(7), 1);

    rozuzezer::cHardDiskItem reread;
    ASSERT_TRUE(reread.LoadFromWAVFile(path, 3));
    EXPECT_NEAR(reread.IntroStart(), 1, 1e-4);
    EXPECT_NEAR(reread.IntroEnd(), introEnd, 1e-4);
    EXPECT_NEAR(reread.Extro(), 7, 1e-4);
}

// The main window's Edit and Audio menus reach the same commands, and leaving the program
// after an edit asks about it.
TEST_F(EditCommandsTest, TheMainWindowsMenusDriveTheCommands) {
    Open(4);
    main->mnuSelectAll_Click();
    EXPECT_FLOAT_EQ(editor->SelectedLength, 4);
    main->mnuAudio_Click();
    TransformAnswers([](frmLumoEditTransform& d) { d.txtAmplifyLevel->SetText("50"); });
    main->mnuAmplify_Click();
    EXPECT_NEAR(Peak(0, 0, 4), 0.25, 0.01);
    EXPECT_EQ(LastText(), "") << "no message";
    main->mnuEdit_Click();
    main->mnuUndo_Click();
    EXPECT_NEAR(Peak(1, 0, 4), 0.5, 0.01);
    main->mnuRedo_Click();
    EXPECT_NEAR(Peak(1, 0, 4), 0.25, 0.01);
    main->mnuFadeOut_Click();
    EXPECT_LT(Peak(0, 3.95, 4), 0.01);
    EXPECT_TRUE(editor->bEdited());

    boxes->Answer(platform::MsgResult::Cancel);
    main->mnuExit_Click();
    EXPECT_TRUE(editor->IsLoaded()) << "Cancel keeps the window and the edit";
    EXPECT_NE(LastText().find("Do you want to save the changes"), std::string::npos) << LastText();
    EXPECT_TRUE(reported.empty()) << reported.front();
}
