// The shell's dialogs driven offscreen: options, save-format options, the input box, the
// document viewer and the about box.
#include "ShellWindowsFixture.h"

#include "editor/shell/ErrorReport.h"
#include "rozuzezer/ui/AudioFormatChooser.h"
#include "editor/shell/SoundPlayer.h"
#include "editor/shell/frmAbout.h"
#include "editor/shell/frmAudioFormatOptions.h"
#include "editor/shell/frmGoodInputBox.h"
#include "editor/shell/frmOptions.h"
#include "editor/shell/frmPrintPreview.h"
#include "platform/registry/DurableFile.h"
#include "platform/registry/Registry.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <filesystem>
#include <memory>

using namespace lumoedit;
using namespace rozuzezer::ui;
using platform::MsgResult;
using platform::ui::Form;

namespace {

std::vector<std::string> Texts(const platform::ScriptedMessageBoxes& b) {
    std::vector<std::string> out;
    for (const auto& m : b.Shown()) out.push_back(m.text);
    return out;
}

class OptionsTest : public ShellWindowsTest {
protected:
    std::string temp;
    void SetUp() override {
        ShellWindowsTest::SetUp();
        temp = dir / "temp/";
        std::filesystem::create_directories(temp);
        AudioSettings().LoadProfile("Profile1");
        AudioSettings().EditorTemporaryDirectory = temp;
        AudioSettings().RecordingSoundCardNumber = 2; // the second input
        AudioSettings().EditSoundCardNumber = 0;      // the default output
    }
    std::string Perm(const std::string& name) { return Permissions().GetPermission(name, "<none>"); }
};

} // namespace

TEST_F(OptionsTest, OpensWithTheStoredValues) {
    Permissions().SetPermission("SaveFormats", "|WAV|MP3|", "");
    frmOptions f;
    f.Load();
    EXPECT_EQ(f.tbsOptions->Tab(), 0);
    EXPECT_EQ(f.tbsOptions->TabCaption(2), "Advanced Settings");
    ASSERT_EQ(f.comboRecordDevice->ListCount(), 3);
    EXPECT_EQ(f.comboRecordDevice->List(0), "Line in"); // the default device comes first
    EXPECT_EQ(f.comboRecordDevice->ListIndex(), 2);
    EXPECT_EQ(f.comboRecordDevice->Text(), "Microphone");
    EXPECT_EQ(f.comboPlaybackDevice->ListIndex(), 0);
    EXPECT_EQ(f.txtTemporaryPath->Text(), temp);
    EXPECT_TRUE(f.listOptions->Setting("OPENAUDIO"));
    EXPECT_EQ(f.chkForceAudioFormat->Value(), 1);
    EXPECT_TRUE(platform::ui::Enabled(f.cmdChangeAudioFormat));
    EXPECT_EQ(f.listLoadFormats->TickedItems(), (std::vector<std::string>{"LOADMP2", "LOADMP3", "LOADOGG", "LOADWAV"}));
    EXPECT_EQ(f.listSaveFormats->TickedItems(), (std::vector<std::string>{"SAVEMP3", "SAVEWAV"}));
    EXPECT_EQ(f.listSaveFormats->Count(), 7);
    EXPECT_EQ(f.listLoadFormats->Count(), 6);

    // The options button only for formats that have variants.
    for (const char* key : {"SAVEPCM", "SAVEIMA", "SAVEWAV", "SAVEOGG", "SAVEWMA", "SAVEMP2", "SAVEMP3"}) {
        f.listSaveFormats->SetSetting(key, false);
        f.listSaveFormats->SetSetting(key, true);
        const bool hasOptions = std::string(key) >= "SAVEMP" && std::string(key) != "SAVEPCM" && std::string(key) != "SAVEWAV";
        EXPECT_EQ(platform::ui::Enabled(f.cmdSaveFormatOptions), hasOptions) << key;
    }
    f.listSaveFormats->SetSetting("SAVEMP3", false);
    EXPECT_FALSE(platform::ui::Enabled(f.cmdSaveFormatOptions));
}

TEST_F(OptionsTest, OkStoresEverythingInListOrder) {
    Permissions().SetPermission("LoadFormats", "|WAV|MP2|", "");
    frmOptions f;
    f.Load();
    f.comboPlaybackDevice->SetListIndex(2); // Studio monitors: device 1, stored as 2
    f.txtTemporaryPath->SetText(dir / "new temp");
    f.listOptions->SetSetting("OPENAUDIO", false);
    f.chkForceAudioFormat->SetValue(0);
    EXPECT_FALSE(platform::ui::Enabled(f.fraAudioFormat));
    f.listLoadFormats->SetSetting("LOADOGG", true);
    boxes->Answer(MsgResult::Yes); // create the folder
    // The profile, the preference and the permissions: one durable write each (the
    // preferences' key exists already, so the preference is not two).
    Preferences().SetPreference("EditorLastOpenPath", "/srv", "");
    const auto steps = platform::detail::DurableStepsSoFar();
    f.cmdOK_Click();
    EXPECT_EQ(platform::detail::DurableStepsSoFar() - steps, 3 * 5);
    EXPECT_EQ(Texts(*boxes), (std::vector<std::string>{
                                 "Do you want the Temporary Directory to be created?\n\nNote: This directory must be "
                                 "created before you can continue",
                                 "The new Temporary Directory will take effect next time you start LumoEdit"}));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "new temp"));
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_EQ(Perm("LoadFormats"), "|MP2|OGG|WAV|");
    EXPECT_EQ(Perm("SaveFormats"), "|MP2|MP3|OGG|IMA|WAV|");
    EXPECT_FALSE(Preferences().EditorOpenAudioOnLoad());

    rozuzezer::cAudioSettings stored;
    stored.LoadProfile("Profile1");
    EXPECT_EQ(stored.EditSoundCardNumber, 2);
    EXPECT_EQ(stored.RecordingSoundCardNumber, 2);
    EXPECT_EQ(stored.EditorTemporaryDirectory, (dir / "new temp") + "/");
    EXPECT_NE(stored.AudioAllowOtherFormat, 0);
}

TEST_F(OptionsTest, RefusalsKeepTheDialogOpen) {
    frmOptions f;
    f.Load();
    f.txtTemporaryPath->SetText("   ");
    f.cmdOK_Click();
    f.txtTemporaryPath->SetText(dir / "missing");
    boxes->Answer(MsgResult::No);
    f.cmdOK_Click();
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    f.txtTemporaryPath->SetText(temp.substr(0, temp.size() - 1)); // as loaded, without its "/"
    f.comboRecordDevice->SetListIndex(-1);
    f.cmdOK_Click();
    EXPECT_EQ(Texts(*boxes), (std::vector<std::string>{
                                 "You must enter a Temporary Directory before you can continue",
                                 "Do you want the Temporary Directory to be created?\n\nNote: This directory must be "
                                 "created before you can continue",
                                 "You must select a Sound Device to record from"}));
    EXPECT_TRUE(f.IsLoaded());

    // Every save format unticked: refused, but the profile is already saved.
    boxes->Clear();
    f.comboRecordDevice->SetListIndex(1);
    for (const auto& item : f.listSaveFormats->Items()) f.listSaveFormats->SetSetting(item.key, false);
    f.cmdOK_Click();
    EXPECT_EQ(Texts(*boxes).back(), "You must select at least one Audio Format that users are allowed to Save");
    EXPECT_TRUE(f.IsLoaded());
    EXPECT_EQ(f.txtTemporaryPath->Text(), temp);
    EXPECT_EQ(Perm("SaveFormats"), "<none>");
    rozuzezer::cAudioSettings stored;
    stored.LoadProfile("Profile1");
    EXPECT_EQ(stored.RecordingSoundCardNumber, 1);
    f.cmdCancel_Click();
    EXPECT_FALSE(f.IsLoaded());
}

TEST_F(OptionsTest, SaveFormatOptionsNeedTheForcedFormat) {
    frmOptions f;
    f.Load();
    f.listSaveFormats->SetSetting("SAVEMP3", false);
    f.listSaveFormats->SetSetting("SAVEMP3", true);
    f.chkForceAudioFormat->SetValue(0);
    f.cmdSaveFormatOptions_Click();
    EXPECT_EQ(Texts(*boxes), std::vector<std::string>{"You must enable the 'Force Audio Files Format' option to use this feature"});

    // Fixed variant chosen, confirmed: stored as the format's permission on OK.
    f.chkForceAudioFormat->SetValue(1);
    SetAudioFormatChooser([](helpers::cAudioFormat& fmt, std::int32_t family, std::int32_t options) {
        EXPECT_EQ(family, helpers::cAudioFormat::afMPEG3);
        EXPECT_EQ(options, 48);
        fmt.SetBitRate(192000);
        return true;
    });
    Form::ScriptModal([](Form& dlg) {
        auto& o = dynamic_cast<frmAudioFormatOptions&>(dlg);
        EXPECT_TRUE(o.optAnyFormat->Value());
        EXPECT_FALSE(platform::ui::Enabled(o.cmdChangeFormat));
        EXPECT_EQ(o.lblAudioFormatDescription->Caption(), "Any MPEG Layer 3 format ");
        o.optSingleFormat->SetValue(true);
        o.cmdChangeFormat_Click();
        // The label names the variant chosen, before OK makes it the object's.
        EXPECT_EQ(o.lblAudioFormatDescription->Caption(), "MPEG Layer 3, 192 kBit/s, 44,100 Hz, Stereo ");
        o.optAnyFormat->SetValue(true);
        EXPECT_EQ(o.lblAudioFormatDescription->Caption(), "Any MPEG Layer 3 format ");
        o.optSingleFormat->SetValue(true);
        o.cmdOK_Click();
    });
    f.cmdSaveFormatOptions_Click();
    const std::string value = f.SaveFormatOptions().at("SAVEMP3");
    EXPECT_NE(value.find("BitRate=192000"), std::string::npos) << value;

    // Cancelled: the earlier value stays.
    Form::ScriptModal([](Form& dlg) {
        auto& o = dynamic_cast<frmAudioFormatOptions&>(dlg);
        EXPECT_TRUE(o.optSingleFormat->Value());
        o.optAnyFormat->SetValue(true);
        o.close(); // the close box counts as Cancel
    });
    f.cmdSaveFormatOptions_Click();
    EXPECT_EQ(f.SaveFormatOptions().at("SAVEMP3"), value);
    SetAudioFormatChooser({});
    f.cmdOK_Click();
    EXPECT_EQ(Perm("SAVEMP3"), value);
    EXPECT_EQ(Perm("SAVEMP2"), "<none>");
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

TEST_F(ShellWindowsTest, AudioFormatOptionsWithoutAnObject) {
    frmAudioFormatOptions dialog;
    EXPECT_FALSE(dialog.GetAudioFormat(nullptr));
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

TEST_F(ShellWindowsTest, InputBoxCancelAndConfirm) {
    struct Case {
        std::function<void(frmGoodInputBox&)> act;
        bool cancelled;
        std::string result;
    };
    const Case cases[] = {
        {[](frmGoodInputBox& b) { b.cmdCancel_Click(); }, true, ""},
        {[](frmGoodInputBox& b) { b.close(); }, true, ""},
        {[](frmGoodInputBox& b) { b.Text1->SetText(""); b.cmdOK_Click(); }, false, ""},
        {[](frmGoodInputBox& b) { b.cmdOK_Click(); }, false, "123456789"},
        {[](frmGoodInputBox& b) { b.Text1->SetText("  2.5 "); b.cmdOK_Click(); }, false, "  2.5 "},
    };
    for (const auto& c : cases) {
        std::string title, prompt, text;
        int maxLength = -1;
        Form::ScriptModal([&](Form& f) {
            auto& b = dynamic_cast<frmGoodInputBox&>(f);
            title = b.Caption();
            prompt = b.Label1->Caption();
            text = b.Text1->Text();
            maxLength = b.Text1->MaxLength();
            c.act(b);
        });
        std::string result = "old";
        const bool cancelled = GoodInputBox("  What duration of silence (in seconds) do you want to insert? ",
                                            " Insert Silence ", "123456789", 4, result);
        EXPECT_EQ(cancelled, c.cancelled);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(title, "Insert Silence");
        EXPECT_EQ(prompt, "What duration of silence (in seconds) do you want to insert?");
        EXPECT_EQ(text, "123456789"); // longer than the limit, kept in full
        EXPECT_EQ(maxLength, 4);
    }
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

TEST_F(ShellWindowsTest, InputBoxOtherModes) {
    std::string result;
    Form::ScriptModal([](Form& f) {
        auto& b = dynamic_cast<frmGoodInputBox&>(f);
        b.listMulti->SetSelected(0, true);
        b.listMulti->SetSelected(2, true);
        b.cmdOK_Click();
    });
    EXPECT_FALSE(GoodInputChoice("Pick", "Presets", InputChoiceMode::MultiList, {"a", "b", "c"}, "", result));
    EXPECT_EQ(result, "1,3");
    Form::ScriptModal([](Form& f) { dynamic_cast<frmGoodInputBox&>(f).cmdOK_Click(); });
    EXPECT_FALSE(GoodInputChoice("Pick", "Presets", InputChoiceMode::List, {"a", "b"}, "b", result));
    EXPECT_EQ(result, "b");
    Form::ScriptModal([](Form& f) {
        auto& b = dynamic_cast<frmGoodInputBox&>(f);
        b.comboCombo->SetText("typed");
        b.cmdOK_Click();
    });
    EXPECT_FALSE(GoodInputChoice("Pick", "Presets", InputChoiceMode::Combo, {"a"}, "a", result));
    EXPECT_EQ(result, "typed");
}

TEST_F(ShellWindowsTest, ViewerSavesRichTextOrPlainText) {
    const std::string source = dir / "notes.rtf";
    testsupport::WriteFile(source, "{\\rtf1\\ansi Hello {\\b bold} world\\par}");
    frmPrintPreview viewer;
    bool floating = false;
    viewer.DisplayFile(source, "", platform::ui::Modeless, floating);
    EXPECT_EQ(viewer.Caption(), "Print Preview - " + source);
    EXPECT_EQ(viewer.rtfFile->Text(), "Hello bold world");
    EXPECT_FALSE(viewer.toolButtons->ButtonEnabled("print")); // no printer

    dialogs->AnswerFile(dir / "copy.RTF");
    dialogs->AnswerFile(dir / "copy.txt");
    dialogs->AnswerFile(dir / "no such folder/copy.rtf");
    viewer.toolButtons_ButtonClick("SAVE");
    viewer.toolButtons_ButtonClick("save");
    viewer.toolButtons_ButtonClick("save");
    viewer.toolButtons_ButtonClick("save"); // cancelled: nothing
    ASSERT_EQ(dialogs->fileRequests.size(), 4u);
    EXPECT_EQ(dialogs->fileRequests[0].filter, "Rich Text Files (*.rtf)|*.rtf|Text files (*.txt)|*.txt|All Files|*.*");
    EXPECT_EQ(dialogs->fileRequests[0].title, "Select File to Save to");
    EXPECT_EQ(dialogs->fileRequests[0].fileName, "notes.rtf");
    EXPECT_EQ(testsupport::ReadFile(dir / "copy.RTF").rfind("{\\rtf", 0), 0u);
    EXPECT_NE(testsupport::ReadFile(dir / "copy.RTF").find("bold"), std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(dir / "copy.txt").substr(0, 16), "Hello bold world");
    ASSERT_EQ(boxes->Shown().size(), 1u); // the failed save
    EXPECT_EQ(boxes->Shown()[0].text.rfind("There was a problem while saving the document", 0), 0u);
    EXPECT_TRUE(viewer.isVisible());

    // Missing file: nothing shown; a non-RTF file shows as plain text.
    frmPrintPreview other;
    other.DisplayFile(dir / "missing.rtf", "x", platform::ui::Modeless, floating);
    EXPECT_FALSE(other.IsLoaded());
    testsupport::WriteFile(dir / "plain.rtf", "just text");
    other.DisplayFile(dir / "plain.rtf", "x", platform::ui::Modeless, floating);
    EXPECT_EQ(other.rtfFile->Text(), "just text");
    viewer.Unload();
    other.Unload();
}

TEST_F(ShellWindowsTest, ViewerPrintsTheWholeDocumentOrTheSelection) {
    const std::string source = dir / "notes.rtf";
    testsupport::WriteFile(source, "{\\rtf1\\ansi First line\\par Second line\\par}");
    dialogs->SetHasPrinter(true);
    frmPrintPreview viewer;
    bool floating = false;
    viewer.DisplayFile(source, "Notes", platform::ui::Modeless, floating);
    EXPECT_TRUE(viewer.toolButtons->ButtonEnabled("print"));

    viewer.toolButtons_ButtonClick("print"); // cancelled: quiet
    EXPECT_TRUE(boxes->Shown().empty());
    platform::ui::PrintAnswer pdf;
    pdf.outputFile = dir / "out.pdf";
    dialogs->AnswerPrint(pdf);
    viewer.rtfFile->SetSelStart(3); // a caret inside the text selects nothing
    viewer.toolButtons_ButtonClick("print");
    ASSERT_EQ(dialogs->printRequests.size(), 2u);
    EXPECT_EQ(dialogs->printRequests[1].title, "Print Document");
    EXPECT_EQ(dialogs->printRequests[1].flags, 786696);
    EXPECT_GT(std::filesystem::file_size(dir / "out.pdf"), 0u);

    viewer.rtfFile->SetSelStart(0);
    viewer.rtfFile->SetSelLength(5);
    viewer.toolButtons_ButtonClick("print");
    EXPECT_EQ(dialogs->printRequests[2].flags, 786696 | 1);
    EXPECT_TRUE(boxes->Shown().empty());
    viewer.Unload();
}

namespace {
class RecordingPlayer : public iSoundPlayer {
public:
    std::vector<std::string> calls;
    void PlayFile(const std::string& p) override { calls.push_back("play " + p); }
    void Stop() override { calls.push_back("stop"); }
};
} // namespace

TEST_F(ShellWindowsTest, AboutBox) {
    auto player = std::make_shared<RecordingPlayer>();
    auto previous = SetSoundPlayer(player);
    {
        frmAbout about;
        about.Load();
        EXPECT_EQ(about.lblVersion->Caption(), "Version " + ProgramVersion());
        EXPECT_EQ(ProgramVersion().find('.') != std::string::npos, true);
        EXPECT_NE(about.lblCopyright->Caption().find("Brevant"), std::string::npos);
        EXPECT_EQ(about.picLogo->cursor().shape(), Qt::ArrowCursor);
        about.picLogo_Click();
        EXPECT_TRUE(player->calls.empty());

        about.cmdSysInfo_Click();
        ASSERT_EQ(boxes->Shown().size(), 1u);
        EXPECT_EQ(boxes->Shown()[0].text, "System Information Is Unavailable At This Time");
        EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::None);
        EXPECT_EQ(about.MousePointer(), platform::ui::PointerDefault);

        about.lblSupportEmail_Click();
        about.lblSupportWeb_Click();
        EXPECT_EQ(opened, (std::vector<std::string>{"mailto:support@brevant.example?subject=LumoEdit Version " +
                                                        ProgramVersion(),
                                                    "http://support.brevant.example"}));
        about.Unload();
    }
    // With the logo sound and a registered system information tool.
    testsupport::WriteFile(dir / "LumoEdit.abt", "RIFF");
    namespace reg = platform::registry;
    reg::HKEY key = 0;
    ASSERT_EQ(reg::RegCreateKey(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", &key), 0);
    const std::string tool = "/usr/bin/sysinfo-tool";
    reg::RegSetValueEx(key, "PATH", reg::REG_SZ, reinterpret_cast<const std::uint8_t*>(tool.c_str()),
                       static_cast<reg::DWORD>(tool.size() + 1));
    reg::RegCloseKey(key);
    startable = {tool};
    boxes->Clear();
    frmAbout about;
    about.Load();
    EXPECT_EQ(about.picLogo->cursor().shape(), Qt::PointingHandCursor);
    about.picLogo_Click();
    about.cmdSysInfo_Click();
    EXPECT_EQ(started, std::vector<std::string>{tool});
    EXPECT_TRUE(boxes->Shown().empty());
    about.close();
    EXPECT_EQ(player->calls, (std::vector<std::string>{"stop", "play " + (dir / "LumoEdit.abt"), "stop"}));
    std::string value;
    EXPECT_FALSE(GetKeyValue(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", "PATH", value));
    EXPECT_TRUE(value.empty());
    SetSoundPlayer(previous);
}

TEST_F(ShellWindowsTest, InputBoxModelessWaitsUntilHidden) {
    QWidget owner;
    Form::ScriptModal([](Form& f) {
        auto& b = dynamic_cast<frmGoodInputBox&>(f);
        EXPECT_FALSE(b.isModal());
        b.Text1->SetText("Slow start");
        b.cmdOK_Click();
    });
    std::string result;
    EXPECT_FALSE(GoodInputBox("What do you want to call this Preset?", "Add Time Stretch Preset", "", 0, result, &owner,
                              "*", false));
    EXPECT_EQ(result, "Slow start");
    EXPECT_TRUE(owner.isVisible()); // shown again afterwards
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

TEST_F(ShellWindowsTest, FormatChooserKeepsTheChosenVariant) {
    auto format = platform::component::MakeRef<helpers::cAudioFormat>();
    Form::ScriptModal([](Form& f) {
        auto& c = dynamic_cast<frmAudioFormatChooser&>(f);
        c.comboEncoding->SetListIndex(1); // IMA ADPCM
        c.comboRate->SetListIndex(3);     // 22050 Hz
        c.comboChannels->SetListIndex(0); // mono
        c.cmdOK_Click();
    });
    EXPECT_TRUE(ChooseAudioFormat(*format, helpers::cAudioFormat::afWave, 32759));
    EXPECT_EQ(format->FormatTag(), helpers::cAudioFormat::kTagIMAADPCM);
    EXPECT_EQ(format->SamplesPerSec(), 22050u);
    EXPECT_EQ(format->Channels(), 1);
    auto copy = platform::component::MakeRef<helpers::cAudioFormat>();
    ASSERT_TRUE(copy->SetFormatText(format->FormatText()));
    EXPECT_TRUE(copy->SameFormat(*format));

    const std::string before = format->FormatText();
    Form::ScriptModal([](Form& f) {
        auto& c = dynamic_cast<frmAudioFormatChooser&>(f);
        c.comboEncoding->SetListIndex(0);
        c.cmdCancel->SetValue(true);
    });
    EXPECT_FALSE(ChooseAudioFormat(*format, helpers::cAudioFormat::afWave, 32759));
    EXPECT_EQ(format->FormatText(), before);

    auto mp3 = platform::component::MakeRef<helpers::cAudioFormat>();
    mp3->SetFormatFamily(helpers::cAudioFormat::afMPEG3);
    Form::ScriptModal([](Form& f) {
        auto& c = dynamic_cast<frmAudioFormatChooser&>(f);
        c.comboQuality->SetListIndex(c.comboQuality->ListCount() - 1); // 320 kBit/s
        c.cmdOK_Click();
    });
    EXPECT_TRUE(ChooseAudioFormat(*mp3, helpers::cAudioFormat::afMPEG3, 48));
    EXPECT_EQ(mp3->BitRate(), 320000u);
    EXPECT_EQ(mp3->FormatFamily(), helpers::cAudioFormat::afMPEG3);
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

TEST_F(OptionsTest, UnknownDeviceAndFolderWithoutItsSeparator) {
    AudioSettings().RecordingSoundCardNumber = 9; // no such device: nothing selected
    AudioSettings().EditorTemporaryDirectory = temp.substr(0, temp.size() - 1);
    frmOptions f;
    f.Load();
    EXPECT_EQ(f.comboRecordDevice->ListIndex(), -1);
    f.cmdOK_Click();
    EXPECT_EQ(Texts(*boxes), std::vector<std::string>{"You must select a Sound Device to record from"});
    f.comboRecordDevice->SetListIndex(0);
    boxes->Clear();
    f.cmdOK_Click();
    // compared after the separator was added, so the notice shows for the same folder
    EXPECT_EQ(Texts(*boxes), std::vector<std::string>{"The new Temporary Directory will take effect next time you start LumoEdit"});
    EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Information);
    EXPECT_EQ(AudioSettings().EditorTemporaryDirectory, temp);
    EXPECT_FALSE(f.IsLoaded());
}

// A machine without sound devices (or without one direction) has nothing to choose: OK keeps
// the stored numbers and stores everything else.
TEST_F(OptionsTest, WithoutSoundDevicesOkKeepsTheStoredNumbersAndStoresTheRest) {
    struct Case {
        const char* devices;
        std::int16_t record, playback; // stored after OK
    } cases[] = {
        {"", 2, 0},
        {"out 0x0FFF Desk speakers;out 0x0FFF Studio monitors", 2, 2},
        {"in 0x0FFF Line in", 0, 0},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("devices \"") + c.devices + "\"");
        boxes->Clear();
        AudioSettings().RecordingSoundCardNumber = 2;
        AudioSettings().EditSoundCardNumber = 0;
        const std::string folder = dir / ("other temp " + std::to_string(++n) + "/");
        std::filesystem::create_directories(folder);
        {
            platform::devices::ScopedFakeDevices machine{platform::devices::ParseDeviceList(c.devices)};
            frmOptions f;
            f.Load();
            if (f.comboPlaybackDevice->ListCount() > 0) f.comboPlaybackDevice->SetListIndex(f.comboPlaybackDevice->ListCount() - 1);
            if (f.comboRecordDevice->ListCount() > 0) f.comboRecordDevice->SetListIndex(0);
            f.txtTemporaryPath->SetText(folder);
            f.cmdOK_Click();
            EXPECT_EQ(Texts(*boxes), std::vector<std::string>{"The new Temporary Directory will take effect next time you start LumoEdit"});
            EXPECT_FALSE(f.IsLoaded());
        }
        // Read back where the devices are there again (a profile read keeps a number within them).
        rozuzezer::cAudioSettings stored;
        stored.LoadProfile("Profile1");
        EXPECT_EQ(stored.EditorTemporaryDirectory, folder);
        EXPECT_EQ(stored.RecordingSoundCardNumber, c.record);
        EXPECT_EQ(stored.EditSoundCardNumber, c.playback);
    }
}

TEST_F(OptionsTest, FolderTypedWithBlanksIsStoredAsChecked) {
    const std::string typed = dir / "new temp";
    frmOptions f;
    f.Load();
    f.txtTemporaryPath->SetText("  " + typed + "  ");
    boxes->Answer(platform::MsgResult::Yes); // create it
    f.cmdOK_Click();
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_EQ(AudioSettings().EditorTemporaryDirectory, typed + "/");
    EXPECT_TRUE(std::filesystem::is_directory(AudioSettings().EditorTemporaryDirectory));
}

TEST_F(ShellWindowsTest, KeyValuesAsText) {
    namespace reg = platform::registry;
    reg::HKEY key = 0;
    ASSERT_EQ(reg::RegCreateKey(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", &key), 0);
    const std::uint8_t number[4] = {0xFE, 0xFF, 0xFF, 0xFF};
    reg::RegSetValueEx(key, "N", reg::REG_DWORD, number, 4);
    const std::uint8_t raw[2] = {1, 2};
    reg::RegSetValueEx(key, "B", reg::REG_BINARY, raw, 2);
    reg::RegCloseKey(key);
    std::string value = "kept";
    EXPECT_TRUE(GetKeyValue(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "N", value));
    EXPECT_EQ(value, "-2");
    value = "kept";
    EXPECT_TRUE(GetKeyValue(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "B", value));
    EXPECT_EQ(value, "kept"); // other types leave it as it was
    EXPECT_FALSE(GetKeyValue(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "missing", value));
    EXPECT_EQ(value, "");
}

namespace {

// A click into a box leaves its whole text selected (the caret the click places comes after
// the box got the focus).
void ExpectClickSelectsAll(QWidget* box) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(box->window(), 1000));
    auto* combo = qobject_cast<QComboBox*>(box);
    QWidget* target = combo ? combo->lineEdit() : box;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(4, target->height() / 2));
    QTest::qWait(20);
    ASSERT_TRUE(box->hasFocus());
    if (combo) {
        EXPECT_EQ(combo->lineEdit()->selectedText(), combo->currentText());
    } else if (auto* e = qobject_cast<QLineEdit*>(box)) {
        EXPECT_EQ(e->selectedText(), e->text());
    }
}

} // namespace

TEST_F(OptionsTest, AClickIntoTheTemporaryFolderSelectsItAll) {
    frmOptions f;
    f.Load();
    f.Show(platform::ui::Modeless);
    f.tbsOptions->SetTab(2);
    QTest::qWait(20);
    ASSERT_EQ(f.txtTemporaryPath->Text(), temp);
    ExpectClickSelectsAll(f.txtTemporaryPath);
    f.Unload();
}

TEST_F(ShellWindowsTest, AClickIntoTheInputBoxSelectsItAll) {
    for (const bool combo : {false, true}) {
        SCOPED_TRACE(combo ? "combo" : "text");
        Form::ScriptModal([&](Form& f) {
            auto& b = dynamic_cast<frmGoodInputBox&>(f);
            QWidget* box = combo ? static_cast<QWidget*>(b.comboCombo) : b.Text1;
            b.cmdOk->setFocus(); // the box gets the focus by the click
            ExpectClickSelectsAll(box);
            b.cmdOK_Click();
        });
        std::string result;
        if (combo) GoodInputChoice("Pick", "Presets", InputChoiceMode::Combo, {"first preset"}, "first preset", result);
        else GoodInputBox("How long?", "Silence", "12.5 seconds", 20, result);
    }
    EXPECT_EQ(Form::UnscriptedModals(), 0);
}

TEST_F(ShellWindowsTest, ThePrintoutStartsWithAnEmptyCourierLine) {
    const std::string source = dir / "notes.rtf";
    testsupport::WriteFile(source, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 First line\\par Second line\\par}");
    frmPrintPreview viewer;
    bool floating = false;
    viewer.DisplayFile(source, "Notes", platform::ui::Modeless, floating);
    auto check = [&](const std::string& text) {
        const std::unique_ptr<QTextDocument> page = viewer.Printout();
        const QTextBlock first = page->firstBlock();
        EXPECT_TRUE(first.text().isEmpty());
        EXPECT_EQ(first.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("Courier")});
        EXPECT_EQ(page->toPlainText().toStdString(), "\n" + text);
    };
    check(viewer.rtfFile->document()->toPlainText().toStdString());
    viewer.rtfFile->SetSelStart(0);
    viewer.rtfFile->SetSelLength(5);
    check("First");
    viewer.Unload();
}

TEST_F(ShellWindowsTest, TheErrorBoxShowsTheArrowAndThePointerComesBack) {
    // The program's own start-up wires the report to the screen's pointer.
    ASSERT_TRUE(InitialiseApplication());
    struct PointerWatch : platform::MessageBoxService {
        std::vector<int> seen;
        platform::MsgResult Show(const platform::MessageRequest&) override {
            seen.push_back(platform::ui::ScreenMousePointer());
            return platform::MsgResult::OK;
        }
    };
    auto watch = std::make_shared<PointerWatch>();
    auto previous = platform::SetMessageBoxService(watch);
    platform::ui::SetScreenMousePointer(platform::ui::PointerHourglass);
    ReportError("while testing.", 11);
    EXPECT_EQ(platform::ui::ScreenMousePointer(), platform::ui::PointerHourglass);
    platform::ui::SetScreenMousePointer(platform::ui::PointerDefault);
    platform::SetMessageBoxService(previous);
    SetMousePointerHooks({});
    ASSERT_EQ(watch->seen.size(), 1u);
    EXPECT_EQ(watch->seen[0], platform::ui::PointerDefault);
}
