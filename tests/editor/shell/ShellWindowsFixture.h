// The shell's windows under test: a fresh registry and drive map (ShellTest), scripted message
// boxes and common dialogs, a fake device list, nothing launched, and a recording double of
// the editor window.
#pragma once

#include "ShellFixture.h"

#include "editor/shell/EditorWindow.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/base/MessageBox.h"
#include "platform/devices/Devices.h"
#include "platform/fs/Process.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Form.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class FakeEditor : public lumoedit::iEditorWindow {
public:
    std::vector<std::string> calls;
    bool loaded = false;
    bool allowEdit = false, standalone = false;
    bool edited = false, inhibit = false, refuseUnload = false;
    bool hasAudio = false, selected = false, canUndo = false, canRedo = false, pasteMix = false;
    std::set<std::string> enabledKeys;

    void Load() override { loaded = true; calls.push_back("Load"); }
    bool IsLoaded() const override { return loaded; }
    void Show() override { calls.push_back("Show"); }
    void Refresh() override { calls.push_back("Refresh"); }
    void SetWindowState(int s) override { calls.push_back("WindowState " + std::to_string(s)); }
    bool Unload() override {
        calls.push_back("Unload");
        if (refuseUnload) return false;
        loaded = false;
        return true;
    }
    double MinWidthLimit() const override { return 8355; }
    double MinHeightLimit() const override { return 6000; }
    double OuterWidth() const override { return 9000; }
    double InnerWidth() const override { return 8880; }
    double OuterHeight() const override { return 7000; }
    double InnerHeight() const override { return 6600; }
    void LoadSettings() override { calls.push_back("LoadSettings"); }
    bool ClearDetails(int f) override { calls.push_back("ClearDetails " + std::to_string(f)); return true; }
    bool OpenFile(const std::string& f) override { calls.push_back("OpenFile [" + f + "]"); return true; }
    bool SaveSelection() override { calls.push_back("SaveSelection"); return true; }
    bool SaveFile() override { calls.push_back("SaveFile"); return true; }
    bool SaveAsFile(const std::string& f, bool sel) override {
        calls.push_back("SaveAsFile [" + f + "] " + (sel ? "True" : "False"));
        return true;
    }
    void AudioCut() override { calls.push_back("AudioCut"); }
    void AudioCopy() override { calls.push_back("AudioCopy"); }
    void AudioPaste() override { calls.push_back("AudioPaste"); }
    void AudioMixPaste() override { calls.push_back("AudioMixPaste"); }
    void AudioDeleteSelection() override { calls.push_back("AudioDeleteSelection"); }
    void AudioSelectAll() override { calls.push_back("AudioSelectAll"); }
    bool AudioSelected() override { return selected; }
    void AudioUndo() override { calls.push_back("AudioUndo"); }
    void AudioRedo() override { calls.push_back("AudioRedo"); }
    void AudioInsertFile(bool mix) override { calls.push_back(std::string("AudioInsertFile ") + (mix ? "True" : "False")); }
    void ProcessButton(const std::string& k) override { calls.push_back("ProcessButton " + k); }
    void ProcessAudioButton(const std::string& k) override { calls.push_back("ProcessAudioButton " + k); }
    bool DocumentHasAudio() override { return hasAudio; }
    bool CanUndo() override { return canUndo; }
    bool CanRedo() override { return canRedo; }
    bool AudioButtonEnabled(const std::string& k) override { return enabledKeys.count(k) > 0; }
    bool PasteMixEnabled() override { return pasteMix; }
    bool AllowEditInformation() const override { return allowEdit; }
    void SetAllowEditInformation(bool on) override {
        allowEdit = on;
        calls.push_back(std::string("AllowEditInformation ") + (on ? "True" : "False"));
    }
    bool StandaloneMode() const override { return standalone; }
    void SetStandaloneMode(bool on) override {
        standalone = on;
        calls.push_back(std::string("StandaloneMode ") + (on ? "True" : "False"));
    }
    bool bEdited() const override { return edited; }
    bool bInhibitUnloading() const override { return inhibit; }
};

class ShellWindowsTest : public ShellTest {
protected:
    platform::ScopedScriptedMessageBoxes boxes;
    platform::ui::ScopedScriptedCommonDialogs dialogs;
    platform::devices::ScopedFakeDevices devices{platform::devices::ParseDeviceList(
        "out 0x0FFF Desk speakers;out 0x0FFF Studio monitors;in 0x0FFF Line in;in 0x0FFF Microphone")};
    std::vector<std::string> opened;   // shell "open" targets
    std::vector<std::string> started;  // programs started
    std::set<std::string> startable;   // programs that start
    FakeEditor* editor = nullptr;      // owned by the main window
    std::string oldLine = helpers::Utility().CommandLine();

    void SetUp() override {
        ShellTest::SetUp();
        lumoedit::ReleaseApplicationObjects();
        lumoedit::SetProgramCommandLine("");
        helpers::Utility().SetCommandLine("");
        helpers::Utility().SetDebugLevel(0);
        platform::ui::Form::ClearModalScript();
        platform::fs::SetShellOpenHook([this](const std::string& t) {
            opened.push_back(t);
            return true;
        });
        lumoedit::SetProgramStarter([this](const std::string& p, const std::vector<std::string>&) {
            started.push_back(p);
            return startable.count(p) > 0;
        });
        lumoedit::SetEditorWindowFactory([this](lumoedit::frmMain&) {
            auto e = std::make_unique<FakeEditor>();
            editor = e.get();
            return std::unique_ptr<lumoedit::iEditorWindow>(std::move(e));
        });
    }
    void TearDown() override {
        lumoedit::SetEditorWindowFactory({});
        lumoedit::SetProgramStarter({});
        platform::fs::SetShellOpenHook({});
        platform::ui::Form::ClearModalScript();
        lumoedit::ReleaseApplicationObjects();
        helpers::Utility().SetCommandLine(oldLine);
        ShellTest::TearDown();
    }

    // The program's folder (where the help file, manual and notes lie).
    std::string Beside(const std::string& name) const { return dir / name; }
};
