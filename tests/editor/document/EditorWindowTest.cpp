// The editor window driven offscreen inside the real main window, as the program starts it:
// start-up, modes, layout, the close paths and their refusals, the settings it hands on.
#include "editor/support/EditorWindowFixture.h"

#include "editor/document/frmLumoEdit.h"
#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/ShellFixture.h"
#include "editor/shell/frmMain.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/devices/Devices.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/TimeFormat.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace lumoedit;
using platform::MsgResult;
namespace audio = platform::audio;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

using EditorWindowTest = editortest::EditorWindowFixture;

TEST_F(EditorWindowTest, StartsMaximisedInsideTheMainWindowWithAnEmptyNewDocument) {
    Start("/debug");
    // A file name on the command line would be opened; "/debug" alone is traced as a start
    // without one.
    if (!editor->ctlEditor->HasDocument()) editor->ClearDetails(1);
    EXPECT_TRUE(editor->IsLoaded());
    ASSERT_NE(Frame(), nullptr);
    EXPECT_EQ(Frame()->mdiArea(), main->MdiArea());
    EXPECT_EQ(editor->EditorWindowState(), platform::ui::Maximized);
    EXPECT_TRUE(editor->StandaloneMode());
    EXPECT_TRUE(editor->AllowEditInformation());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    EXPECT_TRUE(reported.empty()) << reported.front();

    // The empty document, ready for editing, with the regions of the markers.
    EXPECT_TRUE(editor->AudioOpen());
    EXPECT_TRUE(editor->ctlEditor->HasDocument());
    EXPECT_EQ(editor->ctlEditor->SampleRate(), 44100);
    EXPECT_EQ(editor->ctlEditor->ChannelCount(), 2);
    EXPECT_TRUE(platform::ui::Visible(editor->ctlEditor));
    EXPECT_FALSE(platform::ui::Visible(editor->pnlAudioEditorCover));
    ASSERT_EQ(editor->ctlEditor->Regions().Count(), 2);
    EXPECT_EQ(editor->ctlEditor->Regions().At(1).name, "Intro");
    EXPECT_EQ(editor->ctlEditor->Regions().At(2).tag, "2");
    EXPECT_EQ(editor->StatusPanelText("audioformat"), "  PCM, 44,100 Hz, 16 Bit, Stereo  ");
    EXPECT_NE(editor->StatusPanelText("copyright").find("Brevant"), std::string::npos);
    EXPECT_TRUE(platform::ui::Visible(editor->StatusBar1));

    // An empty item: nothing to save yet, the details at their defaults.
    EXPECT_FALSE(editor->bEdited());
    EXPECT_FALSE(editor->toolMain->ButtonEnabled("save"));
    EXPECT_FALSE(editor->toolMain->ButtonEnabled("saveas"));
    ASSERT_TRUE(editor->cAudioInformation);
    EXPECT_EQ(editor->cAudioInformation->LoopNumberLoops, 10);
    EXPECT_EQ(editor->txtMaxLoop->Text(), "10");
    EXPECT_EQ(editor->chkMaxLoop->Value(), 1);
    EXPECT_EQ(editor->mtxtIntroStart->Text(), "00:00:00.00");
    EXPECT_EQ(editor->txtAirStartHour->Text(), "00");
    EXPECT_EQ(editor->txtAirEndMinutes->Text(), "59");
    EXPECT_EQ(editor->txtAirStartDate->Text(), platform::FormatDate(platform::Today() + 1, "dd mmmm yyyy"));
    EXPECT_EQ(editor->listCopyrightCode->ListCount(), 6);
    EXPECT_EQ(editor->listCopyrightCode->Text(), "<Not Specified>");
    ASSERT_EQ(editor->comboCategory->ListCount(), 29);
    EXPECT_EQ(editor->comboCategory->List(22), "Spots" + std::string(1000, ' ') + "SPO|SPOT");
    EXPECT_EQ(editor->comboIntroStartHWLine->Text(), "<N/A>");
    EXPECT_EQ(editor->comboHookEndHWType->Text(), "Clear");
    EXPECT_FALSE(editor->comboHookEndHWType->isEnabled());
    EXPECT_TRUE(editor->optAudioEndNotSpecified->Value());
    EXPECT_EQ(editor->lblSpaceRemain->Caption().empty(), false);

    // File mode's keys and tabs.
    for (const char* key : {"new", "open", "saveas", "save", "descriptions"})
        EXPECT_TRUE(editor->toolMain->ButtonVisible(key)) << key;
    for (const char* key : {"edit", "editsep", "link", "delete", "import", "exporttransport", "cartnumber"})
        EXPECT_FALSE(editor->toolMain->ButtonVisible(key)) << key;
    EXPECT_FALSE(editor->toolAudioEditor->ButtonVisible("exportsectiontohditem"));
    EXPECT_FALSE(editor->toolAudioEditor->ButtonMenu("paste", "pastecart")->isVisible());
    EXPECT_EQ(editor->tbsTiming->TabCaption(2), "Other");
    EXPECT_TRUE(platform::ui::Visible(editor->fraOtherTiming));
    EXPECT_FALSE(platform::ui::Visible(editor->fraLastPlayInformation));
    EXPECT_TRUE(platform::ui::Visible(editor->fraStandaloneDetails));
    EXPECT_FALSE(editor->cmdPlayHook->isEnabled());

    // Every key and button with a picture shows a real one.
    for (QAction* a : editor->toolAudioEditor->actions())
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
        }
    for (const char* key : {"new", "open", "save", "saveas", "descriptions"})
        EXPECT_FALSE(editor->toolMain->Button(key)->icon().isNull()) << key;
    for (auto* b : {editor->cmdPlay, editor->cmdStop, editor->cmdRecord, editor->cmdRewind, editor->cmdZoomIn,
                    editor->cmdZoomSelectionEnd})
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    EXPECT_FALSE(editor->optAudioSlowFade->icon().isNull());

    // The trace of the start in the debug log, in order.
    const std::string log = ReadAll(LogFilePath(platform::Now()));
    std::size_t at = 0;
    for (const char* line : {"LumoEdit Form Initialize", "LumoEdit Form Load", "Load Settings (End)",
                             "LumoEdit Form Load(End)", "LumoEdit Form Activate", "SetupEditor (End)"}) {
        at = log.find(line, at);
        EXPECT_NE(at, std::string::npos) << line;
        if (at == std::string::npos) break;
    }
}

TEST_F(EditorWindowTest, TheDescriptionsToggleIsKeptPerUser) {
    Start();
    EXPECT_FALSE(editor->DisplayDescriptions()); // the preference's default
    EXPECT_FALSE(platform::ui::Visible(editor->tbsCartDetails));
    const double below = platform::ui::Top(editor->toolMain) + platform::ui::Height(editor->toolMain);
    EXPECT_DOUBLE_EQ(platform::ui::Top(editor->toolAudioEditor), std::nearbyint(below));
    const double tall = platform::ui::Height(editor->ctlEditor);

    editor->SetDisplayDescriptions(true);
    EXPECT_TRUE(platform::ui::Visible(editor->tbsCartDetails));
    EXPECT_TRUE(editor->toolMain->ButtonValue("descriptions"));
    EXPECT_TRUE(Preferences().EditorDisplayDescriptions());
    EXPECT_DOUBLE_EQ(tall - platform::ui::Height(editor->ctlEditor), platform::ui::Height(editor->tbsCartDetails) + 60);

    // The next start shows them as the user left them.
    main->Unload();
    main.reset();
    Start();
    EXPECT_TRUE(editor->DisplayDescriptions());
    EXPECT_TRUE(platform::ui::Visible(editor->tbsCartDetails));
    editor->SetDisplayDescriptions(false);
    EXPECT_FALSE(editor->toolMain->ButtonValue("descriptions"));
    EXPECT_FALSE(Preferences().EditorDisplayDescriptions());

    // Without leave to edit, the key goes and the tabs with it.
    editor->SetDisplayDescriptions(true);
    editor->SetAllowEditInformation(false);
    EXPECT_FALSE(editor->toolMain->ButtonVisible("descriptions"));
    EXPECT_FALSE(platform::ui::Visible(editor->tbsCartDetails));
    editor->SetAllowEditInformation(true);
}

TEST_F(EditorWindowTest, TheLayoutFollowsTheWindowsWidth) {
    Preferences().SetEditorDisplayDescriptions(true);
    Start();
    using platform::ui::Left;
    using platform::ui::Top;
    using platform::ui::Width;
    using platform::ui::Height;
    for (double width : {24000.0, 16000.0, 11000.0}) {
        main->Move(0, 0, width, 15000);
        QApplication::processEvents();
        SCOPED_TRACE(width);
        const double SW = editor->ScaleWidth();
        EXPECT_DOUBLE_EQ(Left(editor->nctRightVol) + Width(editor->nctRightVol), SW - 60);
        EXPECT_DOUBLE_EQ(Left(editor->nctRightVol) - (Left(editor->nctLeftVol) + Width(editor->nctLeftVol)), 60);
        EXPECT_DOUBLE_EQ(Left(editor->ctlEditor) + Width(editor->ctlEditor), Left(editor->nctLeftVol) - 60);
        EXPECT_DOUBLE_EQ(Width(editor->tbsCartDetails), SW - 120);
        EXPECT_DOUBLE_EQ(Width(editor->txtNotes), Width(editor->txtWebNotes));
        EXPECT_DOUBLE_EQ(Width(editor->txtNotes), (Width(editor->tbsCartDetails) - 300) / 2);
        EXPECT_DOUBLE_EQ(Left(editor->pnlLength) + Width(editor->pnlLength), SW - 60);
        EXPECT_GE(Left(editor->pnlAudioPosition), Left(editor->picControls) + Width(editor->picControls) + 60);
        EXPECT_DOUBLE_EQ(Top(editor->picControls) + Height(editor->picControls),
                         editor->ScaleHeight() - Height(editor->StatusBar1));
        EXPECT_DOUBLE_EQ(Left(editor->pnlTiming) + Width(editor->pnlTiming), Width(editor->fraGeneralInfo) - 60);
        EXPECT_DOUBLE_EQ(Left(editor->pnlAudioEditorCover), Left(editor->ctlEditor));
        EXPECT_DOUBLE_EQ(Width(editor->pnlAudioEditorCover), Width(editor->ctlEditor));
        EXPECT_DOUBLE_EQ(Left(editor->pnlProgress) + Width(editor->pnlProgress) + 30,
                         Left(editor->ctlEditor) + Width(editor->ctlEditor));
    }

    // Restored in file mode, the window is maximised again at once.
    Frame()->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(editor->EditorWindowState(), platform::ui::Maximized);

    // Below the minimum size nothing moves.
    editor->SetStandaloneMode(false);
    editor->HWndGrab1->SetLimitSize(false);
    Frame()->showNormal();
    Frame()->resize(700, 500);
    QApplication::processEvents();
    const double meter = Left(editor->nctRightVol);
    const double details = Width(editor->tbsCartDetails);
    Frame()->resize(500, 380); // 7500 x 5700 twips
    QApplication::processEvents();
    EXPECT_LT(editor->OuterWidth(), 8355);
    EXPECT_DOUBLE_EQ(Left(editor->nctRightVol), meter);
    EXPECT_DOUBLE_EQ(Width(editor->tbsCartDetails), details);
    editor->HWndGrab1->SetLimitSize(true);
}

TEST_F(EditorWindowTest, ItsOwnCloseBoxStartsANewItemInsteadOfClosing) {
    Start();
    struct Case {
        bool edited;
        MsgResult answer;
        bool cleared;
    };
    for (const Case& c : {Case{false, MsgResult::OK, true}, Case{true, MsgResult::No, true},
                          Case{true, MsgResult::Cancel, false}}) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        boxes->Clear();
        main->bUnloadCancelled = false;
        if (c.edited) editor->SetTextEdited();
        boxes->Answer(c.answer);
        const auto* before = editor->cAudioInformation.get();
        editor->close();
        QApplication::processEvents();
        EXPECT_TRUE(editor->IsLoaded());
        EXPECT_TRUE(main->IsLoaded());
        EXPECT_EQ(editor->cAudioInformation.get() != before, c.cleared);
        EXPECT_EQ(editor->bEdited(), !c.cleared);
        EXPECT_EQ(main->bUnloadCancelled, !c.cleared);
        EXPECT_FALSE(editor->bInhibitUnloading());
        EXPECT_EQ(editor->MousePointer(), platform::ui::PointerDefault);
        if (c.edited) {
            EXPECT_EQ(Texts(), std::vector<std::string>{"Do you want to save the changes you made to your new audio file?"});
        } else {
            EXPECT_TRUE(Texts().empty());
        }
    }
    editor->bEdited_ = false;
}

TEST_F(EditorWindowTest, TheSaveQuestionsNoDropsTheChangesAndCancelKeepsThem) {
    Start();
    editor->SetTextEdited();
    editor->cAudioInformation->AudioFileName = "/srv/audio/Morning Show.wav";
    boxes->Answer(MsgResult::Cancel);
    const auto* item = editor->cAudioInformation.get();
    EXPECT_FALSE(editor->ClearDetails(1));
    EXPECT_EQ(editor->cAudioInformation.get(), item);
    EXPECT_TRUE(editor->bEdited());
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, "Do you want to save the changes you made to \"/srv/audio/Morning Show.wav\"?");
    EXPECT_EQ(boxes->Shown()[0].buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);

    boxes->Answer(MsgResult::No);
    EXPECT_TRUE(editor->ClearDetails(1));
    EXPECT_NE(editor->cAudioInformation.get(), item);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(editor->AudioOpen());

    // A save that fails (the answer Yes) changes nothing either.
    editor->SetTextEdited();
    item = editor->cAudioInformation.get();
    boxes->Answer(MsgResult::Yes);
    EXPECT_FALSE(editor->ClearDetails(1));
    EXPECT_EQ(editor->cAudioInformation.get(), item);
    EXPECT_TRUE(editor->bEdited());
    // Flag 2 asks nothing and drops the changes.
    boxes->Clear();
    EXPECT_TRUE(editor->ClearDetails(2));
    EXPECT_TRUE(boxes->Shown().empty());
    EXPECT_FALSE(editor->bEdited());
}

TEST_F(EditorWindowTest, FileExitUnloadsTheEditorThenTheMainWindow) {
    Start();
    editor->SetTextEdited();
    boxes->Answer(MsgResult::Cancel);
    main->mnuExit_Click();
    EXPECT_TRUE(main->IsLoaded());
    EXPECT_TRUE(editor->IsLoaded());
    EXPECT_TRUE(main->bUnloadCancelled);
    EXPECT_TRUE(editor->bEdited());

    boxes->Answer(MsgResult::No);
    main->mnuExit_Click();
    EXPECT_FALSE(editor->IsLoaded());
    EXPECT_FALSE(main->IsLoaded());
    EXPECT_FALSE(editor->ctlEditor->HasDocument());
    EXPECT_FALSE(editor->AudioOpen());
    EXPECT_FALSE(editor->cAudioInformation);
    editor = nullptr;
}

TEST_F(EditorWindowTest, CloseIsRefusedWhileLoadingOrRecording) {
    Start();
    editor->bLoadingInfo = true;
    EXPECT_FALSE(editor->Unload());
    editor->bLoadingInfo = false;
    EXPECT_EQ(Texts().back(), "You cannot close this window until it has finished loading the Audio Information!");

    editor->ctlEditor->Record(2);
    card->AdvanceMs(100);
    ASSERT_EQ(editor->ctlEditor->State(), audio::kStateRecording);
    boxes->Clear();
    main->mnuExit_Click();
    EXPECT_TRUE(editor->IsLoaded());
    EXPECT_TRUE(main->IsLoaded());
    EXPECT_FALSE(editor->bInhibitUnloading());
    EXPECT_EQ(Texts(), std::vector<std::string>{"You cannot close this window while audio is being recorded!"});

    // Stop ends the recording; the close then goes through.
    editor->cmdStop_Click();
    EXPECT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
    EXPECT_GT(editor->ctlEditor->Length(), 0);
    editor->bEdited_ = false;
    EXPECT_TRUE(editor->Unload());
}

TEST_F(EditorWindowTest, OptionsHandTheChangedDevicesOnAtOnce) {
    Start();
    EXPECT_EQ(editor->ctlEditor->PlaybackDevice(), AudioSettings().EditSoundCardNumber);
    AudioSettings().EditSoundCardNumber = 2;
    AudioSettings().RecordingSoundCardNumber = 1;
    AudioSettings().EditorTemporaryDirectory = dir / "work/";
    platform::ui::Form::ScriptModal([](platform::ui::Form& f) { f.Hide(); });
    main->mnuOptions_Click();
    EXPECT_EQ(editor->ctlEditor->PlaybackDevice(), 2);
    EXPECT_EQ(editor->ctlEditor->RecordingDevice(), 1);
    EXPECT_EQ(editor->LumoPlayer1->OutputDevice(), 2);
    EXPECT_EQ(editor->ctlEditor->TemporaryFolder(), dir / "work/");
    EXPECT_FALSE(editor->ctlEditor->MouseMarkerEvents());
    EXPECT_TRUE(editor->ctlEditor->Processing().TransformOption());
    EXPECT_EQ(editor->ctlEditor->Processing().TransformMode(), 3);
}

TEST_F(EditorWindowTest, TheDiskSpaceNeverRaises) {
    Start();
    const std::int64_t free = helpers::FileHelper().FreeSpace(dir / "c");
    editor->tmrUpdateHDSpace_Timer();
    if (free >= (std::int64_t{1} << 31)) {
        EXPECT_EQ(editor->lblSpaceRemain->Caption(), ">03:22:00.00");
    } else {
        EXPECT_EQ(editor->lblSpaceRemain->Caption(), helpers::TimeFormat().SecondsToText(free / 176400.0));
    }

    AudioSettings().AudioFormat()->SetAvgBytesPerSec(0);
    editor->tmrUpdateHDSpace_Timer();
    EXPECT_EQ(editor->lblSpaceRemain->Caption(), "--:--:--.--");
    AudioSettings().AudioFormat()->SetPCM(44100, 2, 16);
    editor->cAudioInformation->AudioFileName = "/no/such/drive/take.wav";
    editor->tmrUpdateHDSpace_Timer();
    EXPECT_NE(editor->lblSpaceRemain->Caption(), "");
    EXPECT_TRUE(reported.empty());
}

// An item whose file is gone, or empty, gets new audio from the cover and Record, and its save
// writes that audio under its name. Save As, which opens the audio first, has none to save.
TEST_F(EditorWindowTest, AMissingOrEmptyNamedFileGetsANewDocumentToRecordInto) {
    lumoedit::Preferences().SetEditorOpenAudioOnLoad(false);
    Start();
    for (const bool empty : {false, true}) {
        const std::string path = dir / (empty ? "empty.wav" : "gone.wav");
        editortest::WriteWav(path, 2, 2, editortest::Tone);
        editor->bEdited_ = false;
        ASSERT_TRUE(editor->OpenFile(path));
        ASSERT_FALSE(editor->AudioOpen());
        if (empty) std::ofstream(path, std::ios::trunc);
        else std::filesystem::remove(path);
        boxes->Clear();

        editor->txtDescription[1]->SetText("Retake");
        dialogs->AnswerFile(dir / "elsewhere.wav", 6);
        EXPECT_FALSE(editor->SaveAsFile("", false));
        EXPECT_EQ(Texts(), std::vector<std::string>{"The audio file \"" + path + "\" could not be found, or it is empty."});
        EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.wav"));
        EXPECT_FALSE(editor->ctlEditor->HasDocument());

        boxes->Clear();
        editor->lblUncoverAudio_Click();
        EXPECT_TRUE(Texts().empty()) << Texts().front();
        ASSERT_TRUE(editor->AudioOpen());
        EXPECT_EQ(editor->ctlEditor->Length(), 0);
        EXPECT_FALSE(editor->pnlAudioEditorCover->isVisible());
        editor->cmdRecord_Click();
        ASSERT_EQ(editor->ctlEditor->State(), audio::kStateRecording);
        card->AdvanceMs(1000);
        editor->cmdStop_Click();
        ASSERT_EQ(editor->ctlEditor->State(), audio::kStateIdle);
        const std::int64_t recorded = editor->ctlEditor->Length();
        EXPECT_GT(recorded, 0);

        EXPECT_TRUE(editor->SaveFile()) << (Texts().empty() ? "" : Texts().back());
        const editortest::Read back = editortest::ReadWav(path);
        EXPECT_EQ(back.Frames(), recorded);
        rozuzezer::cHardDiskItem saved;
        ASSERT_TRUE(saved.LoadFromWAVFile(path, 3));
        EXPECT_EQ(saved.ItemTitle, "Retake");
        EXPECT_FALSE(editor->bEdited());
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(EditorWindowTest, AProfileFormatWithoutARateFallsBackToCdQualityAndSaysSoOnce) {
    InitialiseApplication();
    AudioSettings().AudioFormat()->SetSamplesPerSec(0);
    AudioSettings().AudioFormat()->SetChannels(0);
    ASSERT_TRUE(AudioSettings().SaveProfile("Profile1"));
    ReleaseApplicationObjects();
    Start();
    EXPECT_EQ(editor->ctlEditor->SampleRate(), 44100);
    EXPECT_EQ(editor->ctlEditor->ChannelCount(), 2);
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_NE(boxes->Shown()[0].text.find("44,100 Hz, 16 Bit, Stereo"), std::string::npos);
    EXPECT_TRUE(editor->ClearDetails(1));
    EXPECT_EQ(boxes->Shown().size(), 1u);
    EXPECT_TRUE(reported.empty());
}

// The failure is raised from a handler connected without the kit, so it unwinds through Qt's
// frames, which free nothing on the way: the check runs in a child process that ends without
// the leak report.
TEST_F(EditorWindowTest, AResetThatFailsLeavesAnEmptyItemAndTheFlagsDown) {
    Start();
    EXPECT_EXIT(
        {
            editor->txtNotes->SetText("Studio notes");
            editor->bEdited_ = false;
            QObject::connect(editor->txtNotes, &platform::ui::TextArea::Change, editor,
                             [] { platform::Raise(platform::err::PathFileAccess, "The notes could not be cleared"); });
            boxes->Clear();
            int failed = 0;
            if (editor->ClearDetails(2)) failed |= 1;
            if (editor->bLoadingInfo || editor->bEdited()) failed |= 2;
            if (!editor->cAudioInformation || !editor->cAudioInformation->AudioFileName.empty()) failed |= 4;
            if (boxes->Shown().empty() ||
                boxes->Shown().back().text.rfind("There was a problem clearing the window", 0) != 0)
                failed |= 8;
            if (!editor->Unload()) failed |= 16; // closing works again
            std::_Exit(failed);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(EditorWindowTest, StartsWithBadSettingsAndSaysWhatTheUserMustChange) {
    struct Case {
        const char* name;
        std::string temp;
        const char* devices;
        const char* message; // "" : none
    };
    const Case cases[] = {
        {"work folder under a file", "/dev/null/work/", "out 0x0FFF Desk speakers;in 0x0FFF Line in",
         "The temporary folder for audio editing, \"/dev/null/work/\", cannot be written."},
        {"no sound card at all", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::devices::ScopedFakeDevices cards{platform::devices::ParseDeviceList(c.devices)};
        InitialiseApplication();
        AudioSettings().EditorTemporaryDirectory = c.temp;
        ASSERT_TRUE(AudioSettings().SaveProfile("Profile1"));
        ReleaseApplicationObjects();
        boxes->Clear();
        Start();
        EXPECT_TRUE(editor->IsLoaded());
        EXPECT_TRUE(editor->ctlEditor->HasDocument());
        if (*c.message) {
            ASSERT_EQ(boxes->Shown().size(), 1u);
            EXPECT_EQ(boxes->Shown()[0].text.rfind(c.message, 0), 0u) << boxes->Shown()[0].text;
        } else {
            EXPECT_TRUE(Texts().empty()) << Texts().front();
        }
        EXPECT_TRUE(reported.empty());
        main->Unload();
        main.reset();
        editor = nullptr;
    }
}

TEST_F(EditorWindowTest, TheButtonsFollowTheTransportState) {
    Start();
    struct Expect {
        const char* name;
        bool marks, stop, pause, play, jog, record, modes12, exportKey, editKey;
        const char* introCaption;
        const char* hookCaption;
    };
    auto check = [&](const Expect& e) {
        SCOPED_TRACE(e.name);
        editor->UpdateButtons();
        for (auto* b : {editor->cmdSetIntroStart, editor->cmdSetIntroEnd, editor->cmdSetExtro, editor->cmdSetHookStart,
                        editor->cmdSetHookEnd})
            EXPECT_EQ(b->isEnabled(), e.marks) << b->objectName().toStdString();
        EXPECT_EQ(editor->cmdStop->isEnabled(), e.stop);
        EXPECT_EQ(editor->cmdPause->isEnabled(), e.pause);
        EXPECT_EQ(editor->cmdPlay->isEnabled(), e.play);
        EXPECT_EQ(editor->cmdFastForward->isEnabled(), e.jog);
        EXPECT_EQ(editor->cmdRewind->isEnabled(), e.jog);
        EXPECT_EQ(editor->cmdRecord->isEnabled(), e.record);
        EXPECT_EQ(editor->optPlayMode[0]->isEnabled(), e.marks);
        EXPECT_EQ(editor->optPlayMode[1]->isEnabled(), e.modes12);
        EXPECT_EQ(editor->optPlayMode[2]->isEnabled(), e.modes12);
        EXPECT_FALSE(editor->cmdPlayHook->isEnabled()); // file mode
        EXPECT_EQ(editor->toolMain->ButtonEnabled("exporttransport"), e.exportKey);
        EXPECT_EQ(editor->toolMain->ButtonEnabled("edit"), e.editKey);
        EXPECT_EQ(editor->cmdSetIntroStart->Caption(), e.introCaption);
        EXPECT_EQ(editor->cmdSetLoopEnd->Caption(), e.hookCaption);
    };
    // Idle with the audio open for editing.
    check({"idle, open", true, false, false, true, true, true, true, true, true, "Set (&/)", "Set"});
    editor->chkLoop->SetValue(1);
    editor->UpdateButtons();
    EXPECT_TRUE(editor->cmdSetLoopStart->isEnabled());
    editor->chkLoop->SetValue(0);

    // Recording: every audio key off, Stop and Record on, the marker buttons mark.
    editor->ctlEditor->Record(2);
    card->AdvanceMs(50);
    // ("exporttransport" keeps the state it had.)
    check({"recording", true, true, false, false, false, true, true, true, false, "Mark (&/)", "Mark"});
    for (QAction* a : editor->toolAudioEditor->actions())
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
        }
    editor->cmdStop_Click();

    // Nothing loaded anywhere: all transport and marker buttons off, "edit" on.
    editor->ClearDetails(4 | 2);
    check({"nothing loaded", false, false, false, false, false, false, false, false, true, "Set (&/)", "Set"});
    EXPECT_FALSE(editor->cmdSetLoopStart->isEnabled());
    EXPECT_TRUE(platform::ui::Visible(editor->pnlAudioEditorCover));
    EXPECT_FALSE(editor->toolMain->ButtonEnabled("saveas"));
}

TEST_F(EditorWindowTest, ClosedByCodeTheEditorGoesAndTheMainWindowFollowsHalfASecondLater) {
    Start();
    editor->SetTextEdited();
    boxes->Answer(MsgResult::No);
    EXPECT_TRUE(editor->Unload());
    EXPECT_FALSE(editor->IsLoaded());
    EXPECT_TRUE(main->IsLoaded());
    EXPECT_TRUE(main->tmrunload->Enabled());
    EXPECT_EQ(main->tmrunload->Interval(), 500);
    QTest::qWait(800);
    EXPECT_FALSE(main->IsLoaded());
    editor = nullptr;
}

TEST_F(EditorWindowTest, TheViewIsClampedToTheDocumentAndTheZoomButtonsFollowIt) {
    Start();
    editor->ctlEditor->Record(2);
    card->AdvanceMs(1000);
    editor->cmdStop_Click();
    const auto length = static_cast<std::int32_t>(editor->ctlEditor->View().Length());
    ASSERT_GT(length, 40000);
    struct Case {
        std::int32_t start, end, wantStart, wantEnd;
    };
    for (const Case& c : {Case{-500, 1000, 0, 1000}, Case{length + 10, length + 20, length, length},
                          Case{3000, 2000, 3000, 3000}, Case{100, length * 2, 100, length}}) {
        std::int32_t s = c.start, e = c.end;
        editor->SetEditorView(s, e);
        EXPECT_EQ(s, c.wantStart) << c.start;
        EXPECT_EQ(e, c.wantEnd) << c.end;
    }
    std::int32_t s = 0, e = length / 4;
    editor->SetEditorView(s, e);
    editor->UpdateZoomButtons(true);
    EXPECT_TRUE(editor->cmdZoomFull->isEnabled());
    EXPECT_TRUE(editor->cmdZoomOut->isEnabled());
    EXPECT_TRUE(editor->cmdZoomIn->isEnabled());
    EXPECT_FALSE(editor->cmdZoomSelection->isEnabled());

    // Under the cover every zoom button is off.
    editor->bEdited_ = false;
    editor->ClearDetails(4 | 2);
    editor->UpdateZoomButtons(true);
    for (auto* b : {editor->cmdZoomFull, editor->cmdZoomIn, editor->cmdZoomOut, editor->cmdZoomSelection,
                    editor->cmdZoomSelectionStart, editor->cmdZoomSelectionEnd})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
}
