// The editor window as the program starts it (inside the real main window, offscreen, with
// the scripted message boxes and dialogs and the fake sound card), and tone files to open.
#pragma once

#include "editor/document/frmLumoEdit.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/ShellFixture.h"
#include "editor/shell/frmMain.h"
#include "platform/audio/AudioFixtures.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/base/MessageBox.h"
#include "platform/devices/Devices.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

class DetailsTest : public ShellTest {
protected:
    platform::ScopedScriptedMessageBoxes boxes;
    platform::ui::ScopedScriptedCommonDialogs dialogs;
    platform::devices::ScopedFakeDevices devices{platform::devices::ParseDeviceList(
        "out 0x0FFF Desk speakers;out 0x0FFF Studio monitors;in 0x0FFF Line in;in 0x0FFF Microphone")};
    std::shared_ptr<platform::audio::FakeAudioDevice> card = std::make_shared<platform::audio::FakeAudioDevice>();
    platform::audio::ScopedDeviceFactory factory{
        [this](platform::audio::DeviceDirection, int) -> std::shared_ptr<platform::audio::AudioDevice> { return card; }};
    std::string oldLine = helpers::Utility().CommandLine();
    std::unique_ptr<lumoedit::frmMain> main;
    lumoedit::frmLumoEdit* editor = nullptr;
    std::vector<std::string> reported;

    void SetUp() override {
        ShellTest::SetUp();
        lumoedit::ReleaseApplicationObjects();
        lumoedit::SetProgramCommandLine("");
        helpers::Utility().SetCommandLine("");
        platform::ui::Form::ClearModalScript();
        helpers::cTimeFormat::SetPauseHandler([](double) {});
        platform::ui::SetHandlerErrorReporter([this](std::exception_ptr e, const std::string& handler) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                reported.push_back(handler + ": " + x.what());
            }
        });
        lumoedit::InstallEditorWindow();
        main = std::make_unique<lumoedit::frmMain>();
        main->Load();
        main->Move(0, 0, 24000, 15000);
        QApplication::processEvents();
        editor = dynamic_cast<lumoedit::frmLumoEdit*>(main->Editor());
        ASSERT_NE(editor, nullptr);
    }
    void TearDown() override {
        if (main) {
            if (editor) editor->bEdited_ = false;
            main->Unload();
            main.reset();
        }
        lumoedit::SetEditorWindowFactory({});
        platform::ui::SetHandlerErrorReporter({});
        helpers::cTimeFormat::SetPauseHandler({});
        platform::ui::Form::ClearModalScript();
        lumoedit::ReleaseApplicationObjects();
        helpers::Utility().SetCommandLine(oldLine);
        ShellTest::TearDown();
    }

    std::vector<std::string> Texts() {
        std::vector<std::string> t;
        for (const auto& m : boxes->Shown()) t.push_back(m.text);
        return t;
    }

    // A stereo tone of that many seconds at 44.1 kHz.
    std::string ToneFile(const std::string& name, double seconds) {
        const std::string path = dir / name;
        audiotest::WriteToneWav(path, 2, static_cast<std::int64_t>(seconds * 44100), 44100);
        return path;
    }

    // Whether the document side's open, save and marker boxes are built in this program: the
    // end-to-end tests that go through them wait for it.
    bool DocumentSideBuilt() {
        const std::string probe = ToneFile("probe.wav", 0.5);
        const bool built = editor->OpenFile(probe);
        editor->bEdited_ = false;
        editor->ClearDetails(2);
        return built;
    }

    // The item's audio open for editing in the component, as the document side leaves it
    // after opening a file (without that side: the item read from the file and set up).
    void OpenForEditing(const std::string& path) {
        if (editor->OpenFile(path) && editor->AudioOpen()) return;
        editor->bEdited_ = false;
        editor->ClearDetails(2);
        editor->cAudioInformation->LoadFromWAVFile(path, 3);
        int flags = 0;
        ASSERT_TRUE(editor->SetupEditor(flags));
        ASSERT_TRUE(editor->AudioOpen());
        editor->UpdateButtons();
    }

    // Saves the item as the document side does (without that side: the component lets go of
    // the file, whose audio is unchanged, and the item writes its chunks). True when the
    // document side saved.
    bool Save(const std::string& path) {
        if (editor->SaveFile()) return true;
        editor->ctlEditor->CloseDocument();
        EXPECT_TRUE(editor->cAudioInformation->SaveToWAVFile(path, 3));
        return false;
    }

    std::int64_t Samples(double seconds) { return editor->ctlEditor->View().MsToSamples(seconds * 1000.0); }
    double Seconds(std::int64_t samples) { return editor->ctlEditor->View().SamplesToMs(samples) / 1000.0; }

    // Cursor (start == end) or selection, in seconds.
    void Select(double start, double end) {
        auto& view = editor->ctlEditor->View();
        view.SetSelectionStart(Samples(start));
        view.SetSelectionEnd(Samples(end));
        view.SetPosition(Samples(start));
    }

    static std::string T(double seconds) { return helpers::TimeFormat().SecondsToText(seconds, 1); }
};
