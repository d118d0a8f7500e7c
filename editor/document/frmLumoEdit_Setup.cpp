// Audio set-up and view: the settings handed to the audio-editing component and the player,
// putting the component in charge of the item's audio (open, or a new document in the
// profile's format, with the regions that stand for the cue markers), and the zoom buttons.
#include "editor/document/frmLumoEdit.h"

#include "rozuzezer/ui/AudioFormatChooser.h"
#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/Utility.h"

#include <filesystem>
#include <unistd.h>

namespace lumoedit {

using namespace platform::ui;

namespace {

void Log(const std::string& text) { WriteLog(text, -1, logPlain); }

bool FolderWritable(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

void frmLumoEdit::LoadSettings() {
    Log("Load Settings");
    auto& settings = AudioSettings();
    Log("Settings Devices to " + std::to_string(settings.RecordingSoundCardNumber) + ", " +
        std::to_string(settings.EditSoundCardNumber));
    ctlEditor->SetRecordingDevice(settings.RecordingSoundCardNumber);
    ctlEditor->SetPlaybackDevice(settings.EditSoundCardNumber);
    Log("Disabling Mouse Marker Events");
    ctlEditor->SetMouseMarkerEvents(false);
    Log("Setting Temporary Directory to " + settings.EditorTemporaryDirectory);
    const std::string folder = settings.EditorTemporaryDirectory;
    if (!folder.empty() && !FolderWritable(folder))
        platform::MsgBox("The temporary folder for audio editing, \"" + folder +
                             "\", cannot be written. Audio cannot be edited or recorded until another folder "
                             "is chosen under Tools, Options.",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    ctlEditor->SetTemporaryFolder(settings.EditorTemporaryDirectory);
    LumoPlayer1->SetTemporaryFolder(settings.EditorTemporaryDirectory);
    Log("Setting Transform Parameters");
    ctlEditor->Processing().SetTransformOption(true);
    ctlEditor->Processing().SetTransformMode(3);
    LumoPlayer1->SetOutputDevice(static_cast<std::int16_t>(settings.EditSoundCardNumber));
    Log("Load Settings (End)");
}

helpers::AudioFormatRef frmLumoEdit::NewDocumentFormat() {
    helpers::AudioFormatRef format = platform::component::MakeRef<helpers::cAudioFormat>();
    const auto& profile = AudioSettings().AudioFormat();
    if (profile) format->SetFormatText(profile->FormatText());
    if (format->SamplesPerSec() == 0 || format->SamplesPerSec() > 768000 || format->Channels() == 0 ||
        format->Channels() > 32) {
        if (!formatWarned_) {
            formatWarned_ = true;
            platform::MsgBox("The audio format of the audio settings (" + format->Description() +
                                 ") has no usable sample rate or channel count, so new audio is made as PCM, "
                                 "44,100 Hz, 16 Bit, Stereo. Choose another format under Tools, Options.",
                             platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        }
        format->SetPCM(44100, 2, 16);
    }
    return format;
}

bool frmLumoEdit::SetupEditor(int& Flags) {
    Log("SetupEditor");
    if (!cAudioInformation) return false;
    if (LumoPlayer1->Playing()) LumoPlayer1->Stop();
    // The component cannot open a file under its own playback (of the new empty document,
    // say): that playback ends here as the player's does.
    if (ctlEditor->State() == platform::audio::kStatePlaying || ctlEditor->State() == platform::audio::kStatePaused) ctlEditor->Stop();
    SetMousePointer(PointerHourglass);
    ScopeExit pointer([this] { SetMousePointer(PointerDefault); });
    // Our component needs no open bracket for what follows: the notice is given and closed.
    ctlEditor->BeginEdit();
    ctlEditor->EndEdit();
    if (Preferences().EditorScaleMode() != 0) {
        Log("Setting Display Scale");
        ctlEditor->TimeScale().SetScaleMode(2);
        ctlEditor->LevelScale().SetScaleMode(2);
    }
    ctlEditor->setVisible(true);
    ctlEditor->BringToFront();
    pnlAudioEditorCover->setVisible(false);

    // A named file that is missing or empty gets a new document, as an item without a file
    // does: the cover and Record give the item new audio, which its save writes under the name.
    const std::string& file = cAudioInformation->AudioFileName;
    if (!file.empty() && helpers::FileHelper().FileSize(file) > 0) {
        ShowProgress("Loading...");
        try {
            ctlEditor->OpenAudio(file);
        } catch (...) {
            HideProgress();
            return false;
        }
        bAudioOpen_ = true;
    } else {
        helpers::AudioFormatRef format = NewDocumentFormat();
        if (AudioSettings().AudioAllowOtherFormat != 0 && (Flags & 2) == 0)
            rozuzezer::ui::ChooseAudioFormat(*format, 2, 0x7FF7, this);
        if (format->SamplesPerSec() == 0 || format->Channels() == 0) format->SetPCM(44100, 2, 16);
        ctlEditor->NewDocument(static_cast<int>(format->SamplesPerSec()), format->Channels());
        bAudioOpen_ = true;
    }
    SetStatusPanelText("audioformat", "  " + ctlEditor->AudioFormat().Description() + "  ");

    auto& regions = ctlEditor->Regions();
    for (int i = regions.Count(); i >= 1; --i) {
        regions.SetCurrent(i);
        regions.Delete();
    }
    if (allowEdit_ && bAudioOpen_) {
        regions.Add(0, 0, "Intro", "1", "Intro", 0, 0, 0, 0);
        regions.Add(0, 0, "Extro", "2", "Extro", 0, 0, 0, 0);
        if (cAudioInformation->HookEnd > 0) regions.Add(0, 0, "Hook", "3", "Hook", 0, 0, 0, 0);
        if (chkLoop->Value() == 1) regions.Add(0, 0, "Loop", "4", "Loop", 0, 0, 0, 0);
        // The outros the file holds have no place in the window: hidden regions carry them
        // with the audio, as the markers' regions carry theirs.
        const rozuzezer::cHardDiskItem& item = *cAudioInformation;
        for (std::int16_t i = 1; i <= kOutros; ++i)
            if (item.OutroEx(i) > 0 && item.OutroEx(i) < item.AudioEnd)
                regions.Add(SecondsToSamples(item.OutroEx(i)), 0, "Outro", std::to_string(kFirstOutroTag + i - 1),
                            "Outro", 0, platform::audio::kRegionHidden, 0, 0);
    }
    bUpdatingMarkers_ = false;
    ApplyMarkers();
    pointer.Release();
    SetMousePointer(PointerDefault);
    UpdateButtons();
    // The component told its new document while the audio was not yet open here: the keys
    // and zoom buttons that follow the selection are set now, as its events would have.
    ctlEditor_SelectionChanged();
    Log("SetupEditor (End)");
    return true;
}

void frmLumoEdit::UpdateZoomButtons(bool Enable) {
    if (Enable && bAudioOpen_) {
        auto& view = ctlEditor->View();
        const bool whole = view.VisibleLength() == view.Length() && view.VisibleStart() == 0;
        cmdZoomFull->setEnabled(!whole);
        cmdZoomIn->setEnabled(view.Length() > 0);
        cmdZoomOut->setEnabled(cmdZoomFull->isEnabled());
        cmdZoomSelection->setEnabled(AudioSelected());
        cmdZoomSelectionStart->setEnabled(AudioSelected());
        cmdZoomSelectionEnd->setEnabled(AudioSelected());
        return;
    }
    for (CommandButton* b : {cmdZoomFull, cmdZoomIn, cmdZoomOut, cmdZoomSelection, cmdZoomSelectionStart,
                             cmdZoomSelectionEnd})
        b->setEnabled(false);
}

void frmLumoEdit::SetEditorView(std::int32_t& Start, std::int32_t& End) {
    auto& view = ctlEditor->View();
    const auto length = static_cast<std::int32_t>(std::min<std::int64_t>(view.Length(), INT32_MAX));
    Start = helpers::cUtility::ClampLong(Start, 0, length);
    End = helpers::cUtility::ClampLong(End, 0, length);
    if (Start > End) End = Start;
    std::int64_t s = Start, e = End;
    ctlEditor->ZoomToRange(s, e);
}

} // namespace lumoedit
