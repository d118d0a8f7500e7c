// The main window: the frame that starts the program, holds the item editor window, forwards
// its File, Edit and Audio menus to it, and ends the program when the editor has closed.
#pragma once

#include "editor/shell/EditorWindow.h"
#include "platform/ui/Form.h"
#include "platform/ui/HWndGrab.h"

#include <memory>
#include <string>
#include <vector>

class QMdiArea;

namespace lumoedit {

// The maker's web pages.
inline constexpr const char* kForumAddress = "https://forum.brevant.example/lumoedit";
inline constexpr const char* kSupportAddress = "https://support.brevant.example/";
inline constexpr const char* kHomeAddress = "https://www.brevant.example/";

class frmMain : public platform::ui::Form {
public:
    explicit frmMain(QWidget* owner = nullptr);
    ~frmMain() override;

    bool bLoading = false;
    bool bUnloadCancelled = false;

    // Called by the editor window.
    void UpdateAudioEditorCaption(const std::string& NewCaption, iEditorWindow* WindowForm);
    void AudioEditorOpened(iEditorWindow* WindowForm, const std::string& Caption);
    void AudioEditorActivated(iEditorWindow* WindowForm);
    void AudioEditorClosed(iEditorWindow* WindowForm);
    void UpdateMRU();

    // Where the editor window shows itself.
    QMdiArea* MdiArea() const { return mdi_; }
    // The editor window, loaded first when it is not (nullptr without an editor factory).
    iEditorWindow* Editor();

    // The program ends (the application quits) when this window unloads; main() turns it on.
    static void SetQuitOnUnload(bool on);

    // Menu handlers, public so that the program's other windows and tests run them as a
    // click does.
    void mnuFile_Click();
    void mnuEdit_Click();
    void mnuAudio_Click();
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuSaveSelection_Click();
    void mnuMRUAudio_Click(int Index);
    void mnuExit_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuSelectAll_Click();
    void mnuCopy_Click();
    void mnuCut_Click();
    void mnuPaste_Click();
    void mnuMixPaste_Click();
    void mnuInsertFile_Click();
    void mnuMixInsertFile_Click();
    void mnuDeleteSelection_Click();
    void mnuMuteSelection_Click();
    void mnuAmplify_Click();
    void mnuNormalise_Click();
    void mnuFadeIn_Click();
    void mnuFadeOut_Click();
    void mnuTimeStretch_Click();
    void mnuReverse_Click();
    void mnuInsertSilence_Click();
    void mnuDeleteSilence_Click();
    void mnuWindowsMixer_Click();
    void mnuOptions_Click();
    void mnuContents_Click();
    void mnuManual_Click();
    void mnuUpdateInfo_Click();
    void mnuForum_Click();
    void mnuBrevantSupportWebsite_Click();
    void mnuBrevantWebsite_Click();
    void mnuAbout_Click();
    void tmrunload_Timer();

    // Named entries (QActions) of the menu tree, and the recent-file array (from index 1).
    QAction* Menu(const std::string& name) const;
    const std::vector<QAction*>& mnuMRUAudio() const { return mru_; }
    platform::ui::Timer* tmrunload = nullptr;
    platform::ui::HWndGrab* HWndGrab1 = nullptr;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;

private:
    void BuildMenus();
    QAction* Item(QMenu* menu, const std::string& name, const std::string& caption,
                  void (frmMain::*handler)(), const QKeySequence& shortcut = {});
    // A file beside the program, as the help, manual and update-notes entries find it.
    std::string BesideProgram(const std::string& name) const;
    static bool Present(const std::string& path);
    void CopyEnabled(const std::string& menu, const std::string& key);
    void OpenWebPage(const std::string& address);

    std::unique_ptr<iEditorWindow> editor_;
    QMdiArea* mdi_ = nullptr;
    QMenu* mnuFile_ = nullptr;
    std::vector<QAction*> mru_;
};

// The main window while it exists (the recent-file list rebuilds its menu).
frmMain* MainWindow();

} // namespace lumoedit
