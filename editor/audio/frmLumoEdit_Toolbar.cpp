// The two toolbars: their clicks as keys, the document keys of toolMain, the drop-down entries
// of toolAudioEditor (system clipboard, inserting a file, one channel), and the command guard
// that keeps commands out of a running operation.
#include "editor/audio/AudioCommand.h"
#include "editor/document/frmLumoEdit.h"
#include "platform/audio/EditorClipboard.h"

#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"

#include <cctype>

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

// ---- the command guard ----------------------------------------------------------------------

bool frmLumoEdit::AudioBusy() const {
    return loopDepth_ > 0 || (ctlEditor && ctlEditor->State() == audio::kStateBusy);
}

bool frmLumoEdit::MayStartCommand(bool needsAudio) {
    if (AudioBusy()) return false;
    return !needsAudio || (bAudioOpen_ && ctlEditor->HasDocument());
}

// ---- toolMain -------------------------------------------------------------------------------

void frmLumoEdit::toolMain_ButtonClick(const std::string& key) { ProcessButton(key); }

void frmLumoEdit::toolMain_ButtonMenuClick(const std::string& key) { ProcessButton(key); }

void frmLumoEdit::ProcessButton(const std::string& ButtonKey) {
    AudioCommand command(*this, false);
    if (!command) return;
    const std::string key = Lower(ButtonKey);
    if (key == "new") {
        if (standalone_) ClearDetails(1);
    } else if (key == "open") {
        if (standalone_) OpenFile("");
    } else if (key == "saveas") {
        if (standalone_) SaveAsFile("", false);
    } else if (key == "save") {
        SaveItem();
    } else if (key == "delete") {
        // Deleting a cart needs a host audiowall.
    } else if (key == "play" || key == "playloop" || key == "playend") {
        playMode_ = key == "play" ? 1 : key == "playloop" ? 3 : 2;
        cmdPlay_Click();
        SetButtonPicture(cmdPlay, *imgListToolbar, key == "play" ? "play" : key == "playloop" ? "loop" : "playend");
    } else if (key == "playhook") {
        const auto& item = *cAudioInformation;
        if (!(item.HookStart > 0 && item.HookEnd > item.HookStart)) {
            platform::MsgBox("You must set the Hook first", platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
            return;
        }
        if (!bAudioOpen_) return;
        auto& view = ctlEditor->View();
        view.SetSelectionShown(true);
        view.SetSelectionStart(SecondsToSamples(item.HookStart));
        view.SetSelectionEnd(SecondsToSamples(item.HookEnd));
        cmdPlay_Click();
    } else if (key == "descriptions") {
        SetDisplayDescriptions(!DisplayDescriptions());
    } else if (key == "exportaudio") {
        ExportToAudioFile();
    } else if (key == "edit") {
        EditInAudioEditor();
    }
    // "link", "linktofile", "linkstop", "exporttransport" and "import" belong to a host
    // audiowall; their entries are hidden here.
}

// ---- toolAudioEditor ------------------------------------------------------------------------

void frmLumoEdit::toolAudioEditor_ButtonClick(const std::string& key) { ProcessAudioButton(key); }

void frmLumoEdit::toolAudioEditor_ButtonMenuClick(const std::string& ButtonKey) {
    const std::string key = Lower(ButtonKey);
    if (key == "copy") return AudioCopy();
    if (key == "paste") return AudioPaste();
    if (key == "pastemix") return AudioMixPaste();
    if (key == "insertfile") return AudioInsertFile(false);
    if (key == "mixinsertfile") return AudioInsertFile(true);
    AudioCommand command(*this);
    if (!command) return;
    if (key == "copytoclipboard") {
        ShowProgress("Copy to Clip..");
        ScopeExit hide([this] { HideProgress(); });
        audio::CopyToClipboard(*ctlEditor);
    } else if (key == "pastefromclipboard") {
        ShowProgress("Pasting..");
        ScopeExit hide([this] { HideProgress(); });
        const std::vector<audio::TrackPtr> before = ctlEditor->CurrentTracks();
        {
            ctlEditor->BeginEdit();
            ScopeExit end([this] { ctlEditor->EndEdit(); });
            audio::PasteFromClipboard(*ctlEditor);
        }
        // Only a paste that brought audio in is an edit.
        if (ctlEditor->CurrentTracks() != before) SetAudioEdited();
    } else if (key == "leftchannel") {
        ApplyChannels(true, false);
    } else if (key == "rightchannel") {
        ApplyChannels(false, true);
    }
    // "copytocart", "pastecart" and "mixpastecart" need a host audiowall.
}

} // namespace lumoedit
