// What the main window needs of the item editor window: the members it calls to forward its
// File, Edit and Audio menus, to enable their entries, and to start and end the program.
// The editor window implements this; the main window never sees more of it.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace lumoedit {

class frmMain;

class iEditorWindow {
public:
    virtual ~iEditorWindow() = default;

    // Window operations. Load runs the window's own load handler (once); Show shows it as a
    // child window in the main window's MdiArea(); WindowState 0 normal, 1 minimised,
    // 2 maximised (filling the main window).
    virtual void Load() = 0;
    virtual bool IsLoaded() const = 0;
    virtual void Show() = 0;
    virtual void Refresh() = 0;
    virtual void SetWindowState(int state) = 0;
    // Asks the window to close as the main window closes (its save prompt may refuse).
    virtual bool Unload() = 0;

    // Its size-limit control's minimum width and height, and its outer and inner sizes, all
    // in twips: the main window keeps room for the editor's frame.
    virtual double MinWidthLimit() const = 0;
    virtual double MinHeightLimit() const = 0;
    virtual double OuterWidth() const = 0;
    virtual double InnerWidth() const = 0;
    virtual double OuterHeight() const = 0;
    virtual double InnerHeight() const = 0;

    // Document commands.
    virtual void LoadSettings() = 0;
    // Resets the window to an empty item (the flags say what else); False when the user
    // cancelled the save question or the reset failed.
    virtual bool ClearDetails(int Flags) = 0;
    virtual bool OpenFile(const std::string& Filename) = 0;
    virtual bool SaveSelection() = 0;
    virtual bool SaveFile() = 0;
    virtual bool SaveAsFile(const std::string& Filename, bool Selection) = 0;

    // Edit commands on the audio-editing component.
    virtual void AudioCut() = 0;
    virtual void AudioCopy() = 0;
    virtual void AudioPaste() = 0;
    virtual void AudioMixPaste() = 0;
    virtual void AudioDeleteSelection() = 0;
    virtual void AudioSelectAll() = 0;
    virtual bool AudioSelected() = 0;
    virtual void AudioUndo() = 0;
    virtual void AudioRedo() = 0;
    virtual void AudioInsertFile(bool MixInsert) = 0;

    // Key dispatchers of the main and audio toolbars.
    virtual void ProcessButton(const std::string& ButtonKey) = 0;
    virtual void ProcessAudioButton(const std::string& ButtonKey) = 0;

    // What the menus copy: the open document's audio length is above zero, undo / redo
    // steps exist, the enabled state of an audio toolbar key, and of the "pastemix" entry of
    // the "paste" key's drop-down menu.
    virtual bool DocumentHasAudio() = 0;
    virtual bool CanUndo() = 0;
    virtual bool CanRedo() = 0;
    virtual bool AudioButtonEnabled(const std::string& ButtonKey) = 0;
    virtual bool PasteMixEnabled() = 0;

    // Properties and fields.
    virtual bool AllowEditInformation() const = 0;
    virtual void SetAllowEditInformation(bool on) = 0;
    virtual bool StandaloneMode() const = 0;
    virtual void SetStandaloneMode(bool on) = 0;
    virtual bool bEdited() const = 0;
    virtual bool bInhibitUnloading() const = 0;
};

// Makes the editor window for a main window. The program installs the real one; until one
// is installed the main window runs without an editor (its forwarding menus do nothing).
using EditorWindowFactory = std::function<std::unique_ptr<iEditorWindow>(frmMain& main)>;
EditorWindowFactory SetEditorWindowFactory(EditorWindowFactory factory);
EditorWindowFactory CurrentEditorWindowFactory();

} // namespace lumoedit
