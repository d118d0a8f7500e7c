// The editor window inside the real main window, offscreen, as the program starts it: the
// scripted message boxes and common dialogs, fake sound devices and a scratch registry.
#pragma once

#include "editor/document/frmLumoEdit.h"
#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/ShellFixture.h"
#include "editor/shell/frmMain.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/base/MessageBox.h"
#include "platform/devices/Devices.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

#include <QApplication>
#include <QMdiSubWindow>

#include <memory>
#include <string>
#include <vector>

using namespace lumoedit;
namespace audio = platform::audio;

class EditorFixture : public ShellTest {
protected:
    platform::ScopedScriptedMessageBoxes boxes;
    platform::ui::ScopedScriptedCommonDialogs dialogs;
    platform::devices::ScopedFakeDevices devices{platform::devices::ParseDeviceList(
        "out 0x0FFF Desk speakers;out 0x0FFF Studio monitors;in 0x0FFF Line in;in 0x0FFF Microphone")};
    std::shared_ptr<audio::FakeAudioDevice> card = std::make_shared<audio::FakeAudioDevice>();
    audio::ScopedDeviceFactory factory{
        [this](audio::DeviceDirection, int) -> std::shared_ptr<audio::AudioDevice> { return card; }};
    std::string oldLine = helpers::Utility().CommandLine();
    std::unique_ptr<frmMain> main;
    frmLumoEdit* editor = nullptr;
    std::vector<std::string> reported;

    void SetUp() override {
        ShellTest::SetUp();
        ReleaseApplicationObjects();
        SetProgramCommandLine("");
        helpers::Utility().SetCommandLine("");
        helpers::Utility().SetDebugLevel(0);
        platform::ui::Form::ClearModalScript();
        helpers::cTimeFormat::SetPauseHandler([](double) {});
        platform::ui::SetHandlerErrorReporter([this](std::exception_ptr e, const std::string& handler) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                reported.push_back(handler + ": " + x.what());
            }
        });
        InstallEditorWindow();
    }
    void TearDown() override {
        if (main) {
            if (editor) editor->bEdited_ = false;
            main->Unload();
            main.reset();
        }
        SetEditorWindowFactory({});
        platform::ui::SetHandlerErrorReporter({});
        helpers::cTimeFormat::SetPauseHandler({});
        platform::ui::Form::ClearModalScript();
        ReleaseApplicationObjects();
        helpers::Utility().SetCommandLine(oldLine);
        ShellTest::TearDown();
    }

    // Starts the program's main window, which loads and shows the editor window.
    void Start(const std::string& commandLine = "") {
        SetProgramCommandLine(commandLine);
        main = std::make_unique<frmMain>();
        main->Load();
        main->Move(0, 0, 24000, 15000);
        QApplication::processEvents();
        editor = dynamic_cast<frmLumoEdit*>(main->Editor());
        ASSERT_NE(editor, nullptr);
    }

    std::vector<std::string> Texts() {
        std::vector<std::string> t;
        for (const auto& m : boxes->Shown()) t.push_back(m.text);
        return t;
    }

    QMdiSubWindow* Frame() const { return qobject_cast<QMdiSubWindow*>(editor->parentWidget()); }
};

