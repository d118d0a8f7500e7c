// The main window driven offscreen: start-up, forwarding, menu enabling, update notes, help
// entries, the mixer and shutdown.
#include "ShellWindowsFixture.h"

#include "editor/shell/Registry.h"
#include "editor/shell/frmPrintPreview.h"
#include "platform/base/DateTime.h"
#include "shared/helpers/FileHelper.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>

#include <chrono>
#include <cmath>
#include <filesystem>

using namespace lumoedit;
namespace fs = std::filesystem;

namespace {

std::string StoredNotesDate() {
    return Registry::GetStringSetting(HKEY_CURRENT_USER, kSettingsKey, "UpdateInformationFileDate", "");
}

std::string FileGeneralDate(const std::string& path) {
    return GeneralDate(std::floor(helpers::FileHelper().FileDateTime(path) * 86400.0 + 1e-6) / 86400.0);
}

void SetFileAge(const std::string& path, std::chrono::hours age) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

} // namespace

TEST(NotesDate, ReadsWhatItWritesAndNothingElse) {
    struct Case {
        const char* text;
        bool ok;
        double serial;
    };
    const Case cases[] = {
        {"10/12/2026 08:25:04", true, platform::DateSerial(2026, 12, 10) + platform::TimeSerial(8, 25, 4)},
        {"10/12/2026", true, platform::DateSerial(2026, 12, 10)},
        {"2026-12-10 08:25", true, platform::DateSerial(2026, 12, 10) + platform::TimeSerial(8, 25, 0)},
        {"01/12/1013 00:02", true, platform::DateSerial(1013, 12, 1) - platform::TimeSerial(0, 2, 0)},
        {"31/02/2026", false, 0},
        {"10/12/26", false, 0},
        {"10/12/2026 24:00:00", false, 0},
        {"10/12/2026 08:25:04 PM", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        double serial = -1;
        EXPECT_EQ(ParseGeneralDate(c.text, serial), c.ok) << c.text;
        if (c.ok) {
            EXPECT_NEAR(serial, c.serial, 1e-9) << c.text;
            double again = 0;
            EXPECT_TRUE(ParseGeneralDate(GeneralDate(serial), again)) << GeneralDate(serial);
            EXPECT_NEAR(again, serial, 1e-9) << c.text;
        }
    }
}

TEST_F(ShellWindowsTest, StartUpReadsTheCommandLine) {
    struct Case {
        std::vector<std::string> args;
        int debugLevel;
        int clear;
        std::string open; // "" : nothing opened
    };
    const Case cases[] = {
        {{}, 0, 1, ""},
        {{"/debug"}, -1, 2, ""},
        {{"/DEBUG", "/srv/audio/My Song.wav"}, -1, 2, "\"/srv/audio/My Song.wav\""},
        {{"/srv/x.wav", "/Debug"}, -1, 2, "/srv/x.wav"},
        {{"/EDITORSCALE"}, 0, 2, ""},
        {{"/editorscale", "/debug", "  "}, -1, 2, "\"  \""}, // a blank name is opened, and found missing
        {{""}, 0, 2, "\"\""},
        {{"/srv/debug/a.wav"}, 0, 2, "/srv/debug/a.wav"},
        {{"/home/jürgen/Müsik/Ça va.wav"}, 0, 2, "\"/home/jürgen/Müsik/Ça va.wav\""},
        {{"/srv/My /debug take.wav", "/DEBUG"}, -1, 2, "\"/srv/My /debug take.wav\""},
        {{"/srv/Take /EditorScale 2.wav", "/editorscale"}, 0, 2, "\"/srv/Take /EditorScale 2.wav\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(JoinCommandLine(c.args));
        helpers::Utility().SetDebugLevel(0);
        SetProgramCommandLine("  " + JoinCommandLine(c.args) + " ");
        frmMain main;
        main.Load();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(helpers::Utility().DebugLevel(), c.debugLevel);
        EXPECT_EQ(AudioSettings().ProfileName, "Profile1");
        std::vector<std::string> expected = {"Load", "AllowEditInformation True", "StandaloneMode True",
                                             "WindowState 2", "Show", "ClearDetails " + std::to_string(c.clear),
                                             "Refresh"};
        if (!c.open.empty()) expected.push_back("OpenFile [" + c.open + "]");
        EXPECT_EQ(editor->calls, expected);
        EXPECT_FALSE(main.bLoading);
        EXPECT_TRUE(main.isVisible());
        // room for the editor's frame on top of its own limits
        EXPECT_EQ(main.HWndGrab1->MinWidth(), 8355 + 120);
        EXPECT_EQ(main.HWndGrab1->MinHeight(), 6000 + 400);
        main.Unload();
    }
}

TEST_F(ShellWindowsTest, MenusForwardToTheEditorWindow) {
    frmMain main;
    main.Load();
    const std::map<std::string, std::string> forwarded = {
        {"mnuNew", "ProcessButton new"},
        {"mnuOpen", "OpenFile []"},
        {"mnuSave", "SaveFile"},
        {"mnuSaveAs", "SaveAsFile [] False"},
        {"mnuSaveSelection", "SaveSelection"},
        {"mnuUndo", "AudioUndo"},
        {"mnuRedo", "AudioRedo"},
        {"mnuSelectAll", "AudioSelectAll"},
        {"mnuCopy", "AudioCopy"},
        {"mnuCut", "AudioCut"},
        {"mnuPaste", "AudioPaste"},
        {"mnuMixPaste", "AudioMixPaste"},
        {"mnuInsertFile", "AudioInsertFile False"},
        {"mnuMixInsertFile", "AudioInsertFile True"},
        {"mnuDeleteSelection", "AudioDeleteSelection"},
        {"mnuMuteSelection", "ProcessAudioButton erase"},
        {"mnuAmplify", "ProcessAudioButton amplify"},
        {"mnuNormalise", "ProcessAudioButton normalise"},
        {"mnuFadeIn", "ProcessAudioButton fadein"},
        {"mnuFadeOut", "ProcessAudioButton fadeout"},
        {"mnuTimeStretch", "ProcessAudioButton timestretch"},
        {"mnuReverse", "ProcessAudioButton reverse"},
        {"mnuInsertSilence", "ProcessAudioButton silence"},
        {"mnuDeleteSilence", "ProcessAudioButton deletesilence"},
    };
    for (const auto& [menu, call] : forwarded) {
        SCOPED_TRACE(menu);
        editor->calls.clear();
        QAction* a = main.Menu(menu);
        ASSERT_NE(a, nullptr);
        a->trigger();
        EXPECT_EQ(editor->calls, std::vector<std::string>{call});
    }
    // Shortcuts and captions as the menus show them
    EXPECT_EQ(main.Menu("mnuNew")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(main.Menu("mnuSelectAll")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(main.Menu("mnuContents")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(main.Menu("mnuBrevantSupportWebsite")->text().toStdString(), "Online Technical &Support ");
    EXPECT_EQ(main.windowTitle().toStdString(), "Brevant Lumo Edit");
    main.Unload();
}

TEST_F(ShellWindowsTest, MenusTakeTheEditorsStateWhenOpened) {
    frmMain main;
    main.Load();
    auto menu = [&](const char* name) { return main.findChild<QMenu*>(name); };
    auto on = [&](const char* name) { return main.Menu(name)->isEnabled(); };

    emit menu("mnuFile")->aboutToShow();
    emit menu("mnuEdit")->aboutToShow();
    emit menu("mnuAudio")->aboutToShow();
    for (const char* m : {"mnuSave", "mnuSaveAs", "mnuSaveSelection", "mnuUndo", "mnuRedo", "mnuSelectAll", "mnuCut",
                          "mnuCopy", "mnuPaste", "mnuMixPaste", "mnuDeleteSelection", "mnuMuteSelection", "mnuAmplify",
                          "mnuNormalise", "mnuFadeIn", "mnuFadeOut", "mnuTimeStretch", "mnuReverse", "mnuInsertSilence",
                          "mnuDeleteSilence"})
        EXPECT_FALSE(on(m)) << m;
    EXPECT_TRUE(on("mnuInsertFile"));
    EXPECT_TRUE(on("mnuMixInsertFile"));
    EXPECT_TRUE(on("mnuNew"));

    editor->edited = true;
    editor->hasAudio = true;
    editor->canRedo = true;
    editor->pasteMix = true;
    editor->enabledKeys = {"copy", "erase", "normalise", "silence"};
    emit menu("mnuFile")->aboutToShow();
    emit menu("mnuEdit")->aboutToShow();
    emit menu("mnuAudio")->aboutToShow();
    EXPECT_TRUE(on("mnuSave"));
    EXPECT_TRUE(on("mnuSaveAs"));
    EXPECT_FALSE(on("mnuSaveSelection"));
    EXPECT_FALSE(on("mnuUndo"));
    EXPECT_TRUE(on("mnuRedo"));
    EXPECT_TRUE(on("mnuSelectAll"));
    EXPECT_TRUE(on("mnuCopy"));
    EXPECT_FALSE(on("mnuCut"));
    EXPECT_FALSE(on("mnuPaste"));
    EXPECT_TRUE(on("mnuMixPaste"));
    EXPECT_TRUE(on("mnuMuteSelection"));
    EXPECT_FALSE(on("mnuDeleteSelection"));
    EXPECT_TRUE(on("mnuNormalise"));
    EXPECT_TRUE(on("mnuInsertSilence"));
    EXPECT_FALSE(on("mnuAmplify"));
    EXPECT_FALSE(on("mnuDeleteSilence"));
    main.Unload();
}

TEST_F(ShellWindowsTest, ShortcutKeysActByTheEditorsStateOfNow) {
    frmMain main;
    main.Load();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    // The File menu was opened while nothing was edited: Save went grey.
    emit main.findChild<QMenu*>("mnuFile")->aboutToShow();
    ASSERT_FALSE(main.Menu("mnuSave")->isEnabled());
    editor->edited = true;
    editor->enabledKeys = {"copy"};
    editor->calls.clear();
    QTest::keyClick(&main, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&main, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(editor->calls, (std::vector<std::string>{"SaveFile", "AudioCopy"}));
    // and a key whose entry is off now does nothing
    editor->edited = false;
    editor->calls.clear();
    QTest::keyClick(&main, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&main, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(editor->calls.empty());
    main.Unload();
}

TEST_F(ShellWindowsTest, ShutdownRoads) {
    {
        // The close box is refused while the editor is deciding; Exit is not.
        frmMain main;
        main.Load();
        editor->inhibit = true;
        EXPECT_FALSE(main.close());
        EXPECT_TRUE(main.IsLoaded());
        EXPECT_TRUE(boxes->Shown().empty());
        editor->calls.clear();
        main.Menu("mnuExit")->trigger();
        EXPECT_FALSE(main.IsLoaded());
        EXPECT_EQ(editor->calls, std::vector<std::string>{"Unload"});
    }
    {
        // The editor's save prompt cancelled: the main window stays.
        frmMain main;
        main.Load();
        editor->refuseUnload = true;
        main.Menu("mnuExit")->trigger();
        EXPECT_TRUE(main.IsLoaded());
        main.Move(600, 450, 11000, 8500);
        editor->refuseUnload = false;
        // The editor unloads itself: 500 ms later the main window goes and stores its place.
        editor->loaded = false;
        main.AudioEditorClosed(editor);
        EXPECT_TRUE(main.tmrunload->Enabled());
        EXPECT_EQ(main.tmrunload->Interval(), 500);
        main.tmrunload_Timer();
        EXPECT_FALSE(main.IsLoaded());
        EXPECT_FALSE(main.tmrunload->Enabled());
        EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, std::string(kSettingsKey) + "\\Position", "Width", 0), 11000);
    }
}

TEST_F(ShellWindowsTest, UpdateNotesShowWhenNewerThanTheStoredDate) {
    const std::string notes = Beside("updates.rtf"); // the name is found in any letter case
    testsupport::WriteFile(notes, "{\\rtf1\\ansi {\\b New} in this version\\par}");
    SetFileAge(notes, std::chrono::hours(48));
    std::vector<std::string> shown;
    auto startUp = [&] {
        platform::ui::Form::ScriptModal([&](platform::ui::Form& f) {
            auto* viewer = dynamic_cast<frmPrintPreview*>(&f);
            ASSERT_NE(viewer, nullptr);
            shown.push_back(viewer->Caption() + ": " + viewer->rtfFile->Text());
            f.Hide();
        });
        frmMain main;
        main.Load();
        main.Unload();
        platform::ui::Form::ClearModalScript();
    };

    startUp(); // nothing stored
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Quarn Update Information..: New in this version");
    EXPECT_EQ(StoredNotesDate(), FileGeneralDate(notes));

    startUp(); // same file
    EXPECT_EQ(shown.size(), 1u);

    SetFileAge(notes, std::chrono::hours(1)); // a newer file
    startUp();
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(StoredNotesDate(), FileGeneralDate(notes));

    for (const char* bad : {"yesterday", "31/02/2026", "99/99/9999 99:99", "12:00", "0"}) {
        SCOPED_TRACE(bad);
        Registry::SaveStringSetting(HKEY_CURRENT_USER, kSettingsKey, "UpdateInformationFileDate", bad, "");
        const std::size_t before = shown.size();
        startUp();
        EXPECT_EQ(shown.size(), before + 1);
        EXPECT_EQ(StoredNotesDate(), FileGeneralDate(notes));
    }

    // A stored date after the file's: nothing shown.
    Registry::SaveStringSetting(HKEY_CURRENT_USER, kSettingsKey, "UpdateInformationFileDate",
                                GeneralDate(platform::Now() + 1), "");
    const std::size_t before = shown.size();
    startUp();
    EXPECT_EQ(shown.size(), before);
}

TEST_F(ShellWindowsTest, UpdateNotesThatAreEmptyTruncatedOrNoRtf) {
    const std::string notes = Beside("UPDATES.RTF");
    struct Case {
        std::string bytes;
        bool shown;
        std::string text;
    };
    const Case cases[] = {
        {"", false, ""},
        {"{\\rtf1\\ansi Half a {\\b sentence", true, "Half a sentence"},
        {"Plain notes\nsecond line\n", true, "Plain notes\nsecond line"},
        {std::string("\x00\xff\x01{", 4), true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Registry::SaveStringSetting(HKEY_CURRENT_USER, kSettingsKey, "UpdateInformationFileDate", "", "");
        testsupport::WriteFile(notes, c.bytes);
        bool shown = false;
        std::string text;
        platform::ui::Form::ScriptModal([&](platform::ui::Form& f) {
            shown = true;
            text = dynamic_cast<frmPrintPreview&>(f).rtfFile->Text();
            f.Hide();
        });
        frmMain main;
        main.Load();
        EXPECT_EQ(shown, c.shown);
        if (c.shown && !c.text.empty()) {
            EXPECT_EQ(text.substr(0, c.text.size()), c.text);
        }
        EXPECT_EQ(StoredNotesDate().empty(), !c.shown);
        EXPECT_TRUE(main.Menu("mnuUpdateInfo")->isVisible());
        main.Unload();
        platform::ui::Form::ClearModalScript();
    }
}

TEST_F(ShellWindowsTest, HelpManualAndWebEntries) {
    {
        testsupport::WriteFile(Beside("LumoEdit.chm"), ""); // empty counts as absent
        frmMain main;
        main.Load();
        EXPECT_FALSE(main.Menu("mnuContents")->isVisible());
        EXPECT_FALSE(main.Menu("mnuContentsSep")->isVisible());
        EXPECT_FALSE(main.Menu("mnuManual")->isVisible());
        EXPECT_FALSE(main.Menu("mnuManualSep")->isVisible());
        main.Menu("mnuUpdateInfo")->trigger(); // no notes: nothing happens
        EXPECT_EQ(platform::ui::Form::UnscriptedModals(), 0);
        main.Unload();
    }
    std::filesystem::remove(Beside("LumoEdit.chm"));
    testsupport::WriteFile(Beside("LUMOEDIT.CHM"), "help");
    testsupport::WriteFile(Beside("lumoedit.pdf"), "%PDF");
    frmMain main;
    main.Load();
    EXPECT_TRUE(main.Menu("mnuContents")->isVisible());
    EXPECT_TRUE(main.Menu("mnuContentsSep")->isVisible());
    EXPECT_TRUE(main.Menu("mnuManual")->isVisible());
    main.Menu("mnuContents")->trigger();
    main.Menu("mnuManual")->trigger();
    main.Menu("mnuForum")->trigger();
    main.Menu("mnuBrevantSupportWebsite")->trigger();
    main.Menu("mnuBrevantWebsite")->trigger();
    EXPECT_EQ(opened, (std::vector<std::string>{Beside("LUMOEDIT.CHM"), Beside("lumoedit.pdf"), kForumAddress,
                                                kSupportAddress, kHomeAddress}));
    main.Unload();
}

// Without a web browser the web entries say why, as the mixer entry does: at once when nothing
// could be started, and once the opener has found no browser.
TEST_F(ShellWindowsTest, WebEntriesWithoutABrowserSayWhy) {
    frmMain main;
    main.Load();
    platform::fs::SetShellOpenHook([](const std::string&) { return false; });
    for (const char* entry : {"mnuForum", "mnuBrevantSupportWebsite", "mnuBrevantWebsite"}) {
        SCOPED_TRACE(entry);
        boxes->Clear();
        main.Menu(entry)->trigger();
        ASSERT_EQ(boxes->Shown().size(), 1u);
        EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
        EXPECT_NE(boxes->Shown()[0].text.find("no web browser was found"), std::string::npos);
    }
    const std::string home = std::string("The web page ") + kHomeAddress + " could not be opened";
    EXPECT_EQ(boxes->Shown()[0].text.rfind(home, 0), 0u) << boxes->Shown()[0].text;

    // An opener that starts and finds no browser (xdg-open's exit 3).
    platform::fs::SetShellOpenHook({});
    testsupport::ScopedEnv realRun("BVR_TEST_TMP", std::nullopt);
    const std::filesystem::path bin = dir.path() / "bin";
    std::filesystem::create_directories(bin);
    testsupport::WriteFile(bin / "xdg-open", "#!/bin/sh\nexit 3\n");
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    testsupport::ScopedEnv path("PATH", bin.string());
    boxes->Clear();
    main.Menu("mnuBrevantWebsite")->trigger();
    QElapsedTimer clock;
    clock.start();
    while (boxes->Shown().empty() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text.rfind(home, 0), 0u);
    main.Unload();
}

TEST_F(ShellWindowsTest, MixerStartsTheFirstInstalledOne) {
    frmMain main;
    main.Load();
    main.Menu("mnuWindowsMixer")->trigger();
    EXPECT_EQ(started, MixerPrograms());
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_NE(boxes->Shown()[0].text.find("pavucontrol"), std::string::npos);

    started.clear();
    startable = {"pavucontrol"};
    main.Menu("mnuWindowsMixer")->trigger();
    EXPECT_EQ(started, std::vector<std::string>{"pavucontrol"});
    EXPECT_EQ(boxes->Shown().size(), 1u);
    main.Unload();
}

TEST_F(ShellWindowsTest, OptionsReloadTheEditorsSettings) {
    frmMain main;
    main.Load();
    editor->calls.clear();
    std::string caption;
    platform::ui::Form::ScriptModal([&](platform::ui::Form& f) {
        caption = f.Caption();
        f.Unload();
    });
    main.Menu("mnuOptions")->trigger();
    EXPECT_EQ(caption, "LumoEdit Options");
    EXPECT_EQ(editor->calls, std::vector<std::string>{"LoadSettings"});
    platform::ui::Form::ScriptModal([&](platform::ui::Form& f) {
        caption = f.Caption();
        f.Unload();
    });
    main.Menu("mnuAbout")->trigger();
    EXPECT_EQ(caption, "About Lumo Edit v1");
    EXPECT_EQ(platform::ui::Form::UnscriptedModals(), 0);
    main.Unload();
}
