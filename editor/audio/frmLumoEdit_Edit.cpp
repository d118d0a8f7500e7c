// The edit and effect commands on the audio-editing component: clipboard, mix paste, delete,
// select all, undo and redo, inserting a file, and the effects chosen by key with their
// parameters remembered per user.
#include "editor/audio/AudioCommand.h"
#include "editor/audio/TransformSettings.h"
#include "editor/audio/frmLumoEditTransform.h"
#include "editor/document/frmLumoEdit.h"

#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmGoodInputBox.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/Utility.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;

namespace {

double PreferenceNumber(const char* name, double fallback, double lowest, double highest) {
    return ReadSettingNumber(Preferences().GetPreference(name, PrefValue(fallback)), fallback, lowest, highest);
}

std::int16_t PreferenceLevel(const char* name, double fallback, double lowest, double highest) {
    return static_cast<std::int16_t>(platform::RoundHalfEven(PreferenceNumber(name, fallback, lowest, highest)));
}

std::int32_t PreferenceLong(const char* name, double fallback, double lowest, double highest) {
    return static_cast<std::int32_t>(platform::RoundHalfEven(PreferenceNumber(name, fallback, lowest, highest)));
}

bool NothingToPaste(platform::audio::AudioEditor& editor) {
    if (helpers::FileHelper().FileSize(editor.ClipboardFileName()) > 0) return false;
    platform::MsgBox("There is nothing on the Clipboard to Paste!", platform::MsgButtons::OK,
                     platform::MsgIcon::Exclamation);
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct MixLevels {
    std::int16_t original, added;
};

MixLevels ReadMixLevels() {
    return {PreferenceLevel("EditorMixPasteOriginalPercentage", 50, 1, 300),
            PreferenceLevel("EditorMixPasteNewAudioPercentage", 50, 1, 300)};
}

void StoreMixLevels(const MixLevels& m) {
    Preferences().SetPreference("EditorMixPasteOriginalPercentage", m.original, 50);
    Preferences().SetPreference("EditorMixPasteNewAudioPercentage", m.added, 50);
}

} // namespace

frmLumoEditTransform& frmLumoEdit::Transform() {
    if (!transform_) {
        transform_ = std::make_shared<frmLumoEditTransform>();
        transform_->Owner = window();
    }
    return *transform_;
}

// ---- the edit commands ----------------------------------------------------------------------

void frmLumoEdit::AudioCut() {
    AudioCommand command(*this);
    if (!command) return;
    SetAudioEdited();
    ShowProgress("Cutting...");
    ScopeExit hide([this] { HideProgress(); });
    ctlEditor->Cut();
}

void frmLumoEdit::AudioCopy() {
    AudioCommand command(*this);
    if (!command) return;
    ShowProgress("Copying...");
    ScopeExit hide([this] { HideProgress(); });
    ctlEditor->Copy();
}

void frmLumoEdit::AudioPaste() {
    AudioCommand command(*this);
    if (!command || NothingToPaste(*ctlEditor)) return;
    SetAudioEdited();
    ShowProgress("Pasting...");
    ScopeExit hide([this] { HideProgress(); });
    ctlEditor->BeginEdit();
    ScopeExit end([this] { ctlEditor->EndEdit(); });
    ctlEditor->Paste();
}

void frmLumoEdit::AudioMixPaste() {
    AudioCommand command(*this);
    if (!command || NothingToPaste(*ctlEditor)) return;
    MixLevels m = ReadMixLevels();
    if (!Transform().MixPaste(m.original, m.added)) return;
    SetAudioEdited();
    ShowProgress("Mix Pasting..");
    ScopeExit hide([this] { HideProgress(); });
    StoreMixLevels(m);
    ctlEditor->BeginEdit();
    ScopeExit end([this] { ctlEditor->EndEdit(); });
    ctlEditor->MixPaste(m.original, m.added);
}

void frmLumoEdit::AudioDeleteSelection() {
    AudioCommand command(*this);
    if (!command) return;
    SetAudioEdited();
    auto& channels = ctlEditor->Channels();
    bool every = true;
    for (int i = 1; i <= channels.Count() && every; ++i) {
        channels.SetCurrent(i);
        every = channels.Selected();
    }
    ShowProgress("Deleting...");
    ScopeExit hide([this] { HideProgress(); });
    if (every) ctlEditor->Delete();
    else ctlEditor->Processing().Erase();
}

void frmLumoEdit::AudioSelectAll() {
    AudioCommand command(*this);
    if (!command) return;
    auto& view = ctlEditor->View();
    view.SetSelectionShown(true);
    view.SetSelectionStart(0);
    view.SetSelectionEnd(view.Length());
}

// Undo and redo change the audio, so both mark it edited: after a save, an undone edit is
// still a change the close must ask about. The markers follow the regions the component puts
// back, through its region events.
void frmLumoEdit::AudioUndo() {
    AudioCommand command(*this);
    if (!command || !ctlEditor->CanUndo()) return;
    SetAudioEdited();
    ScopeExit hide([this] { HideProgress(); });
    {
        ScopedFlag restoring(restoringAudio_, true);
        ctlEditor->Undo();
    }
    bool apply = false;
    UpdateMarkerFields(apply);
    UpdateButtons();
}

void frmLumoEdit::AudioRedo() {
    AudioCommand command(*this);
    if (!command || !ctlEditor->CanRedo()) return;
    SetAudioEdited();
    ScopeExit hide([this] { HideProgress(); });
    {
        ScopedFlag restoring(restoringAudio_, true);
        ctlEditor->Redo();
    }
    bool apply = false;
    UpdateMarkerFields(apply);
    UpdateButtons();
}

void frmLumoEdit::AudioInsertFile(bool MixInsert) {
    AudioCommand command(*this);
    if (!command) return;
    ShowProgress("Insert File..");
    ScopeExit hide([this] {
        HideProgress();
        SetMousePointer(PointerDefault);
    });
    Selector.Filter = "Audio Files|*.wav;*.mp2;*.mp3;*.wma;*.ogg|All Files|*.*";
    Selector.FilterIndex = 1;
    Selector.DialogTitle = "Select the file that you want to insert into this audio:";
    Selector.Flags = 4100;
    Selector.CancelError = true;
    Selector.DefaultExt = "WAV";
    Selector.FileName.clear();
    Selector.Owner = this;
    try {
        Selector.ShowOpen();
    } catch (const platform::RuntimeError& e) {
        if (e.Number() == platform::err::Cancelled) return;
        throw;
    }
    const std::string chosen = TrimBlanks(Selector.FileName);
    if (helpers::FileHelper().FileSize(chosen) <= 0) {
        HideProgress();
        platform::MsgBox("The file you chose (" + chosen + ") cannot be found", platform::MsgButtons::OK,
                         platform::MsgIcon::Information);
        return;
    }
    const std::string path = helpers::FileHelper().FullPath(chosen);
    SetMousePointer(PointerHourglass);
    if (!MixInsert) {
        {
            ctlEditor->BeginEdit();
            ScopeExit end([this] { ctlEditor->EndEdit(); });
            ctlEditor->InsertFile(path);
        }
        SetAudioEdited();
        return;
    }
    MixLevels m = ReadMixLevels();
    if (!Transform().MixPaste(m.original, m.added)) return;
    StoreMixLevels(m);
    ctlEditor->MixInsertFile(m.original, path, m.added);
    SetAudioEdited();
}

// ---- the effects ----------------------------------------------------------------------------

void frmLumoEdit::ProcessAudioButton(const std::string& ButtonKey) {
    const std::string key = Lower(ButtonKey);
    if (key == "undo") return AudioUndo();
    if (key == "redo") return AudioRedo();
    if (key == "cut") return AudioCut();
    if (key == "copy") return AudioCopy();
    if (key == "exportsectiontowav") {
        AudioCommand command(*this);
        if (command) SaveAsFile("", true); // the selection, through the save-as path
        return;
    }
    if (key == "exportsectiontohditem") return; // needs a host audiowall
    if (key == "paste") return AudioPaste();
    if (key == "delete") return AudioDeleteSelection();

    static const char* const kEffects[] = {"erase",    "silence",     "reverse", "amplify", "normalise",
                                           "deletesilence", "timestretch", "fadein",  "fadeout", "stereo"};
    if (std::none_of(std::begin(kEffects), std::end(kEffects), [&](const char* k) { return key == k; })) return;
    AudioCommand command(*this);
    if (!command) return;
    auto& processing = ctlEditor->Processing();
    // Whatever the call does (an empty selection, no channel selected and a failure raise no
    // audio-changed event), the panel goes when it returns.
    ScopeExit hide([this] { HideProgress(); });
    auto run = [this](const std::string& caption, auto&& call) {
        SetAudioEdited();
        ShowProgress(caption);
        call();
    };
    // The level effects switch the clipping guard off for themselves and always back on.
    auto unguarded = [&processing](auto&& call) {
        processing.SetTransformOption(false);
        ScopeExit guard([&processing] { processing.SetTransformOption(true); });
        call();
    };

    if (key == "erase") {
        run("Erasing...", [&] { processing.Erase(); });
    } else if (key == "silence") {
        const double stored = PreferenceNumber("EditorInsertSilence", 1.5, 0.001, 2000);
        std::string answer;
        if (GoodInputBox("What duration of silence (in seconds) do you want to insert?", "Insert Silence",
                         platform::FormatSingle(static_cast<float>(stored)), 0, answer, this, "", true))
            return;
        double seconds = 0;
        try {
            seconds = platform::Val(answer);
        } catch (...) {
            seconds = 0;
        }
        if (!(seconds >= 0.001 && seconds <= 2000)) {
            platform::MsgBox("You must enter a duration from 0.001 to 2000", platform::MsgButtons::OK,
                             platform::MsgIcon::Exclamation);
            return;
        }
        Preferences().SetPreference("EditorInsertSilence", static_cast<float>(seconds), 1.5f);
        run("Inserting Silence...", [&] { processing.InsertSilence(platform::ToInt32(seconds * 1000)); });
    } else if (key == "reverse") {
        run("Reversing...", [&] { processing.Reverse(); });
    } else if (key == "amplify") {
        std::int16_t level = PreferenceLevel("EditorAmplifyPercentage", 100, 1, 2000);
        if (!Transform().Amplify(level)) return;
        Preferences().SetPreference("EditorAmplifyPercentage", level, 100);
        run("Amplifying by " + std::to_string(level) + "%...",
            [&] { unguarded([&] { processing.Amplify(level); }); });
    } else if (key == "normalise") {
        std::int16_t level = PreferenceLevel("EditorNormalisePercentage", 100, 1, 100);
        bool dcBias = false;
        if (!Transform().Normalise(level, dcBias)) return;
        Preferences().SetPreference("EditorNormalisePercentage", level, 100);
        run("Normalising to " + std::to_string(level) + "%...", [&] { processing.Normalise(level, dcBias); });
    } else if (key == "deletesilence") {
        std::int16_t threshold = PreferenceLevel("EditorDeleteSilenceThreshold", 60, 0, 92);
        std::int32_t attack = PreferenceLong("EditorDeleteSilenceAttackms", 100, 0, 1048576);
        std::int32_t release = PreferenceLong("EditorDeleteSilenceReleasems", 25, 0, 1048576);
        if (!Transform().DeleteSilence(threshold, attack, release)) return;
        Preferences().SetPreference("EditorDeleteSilenceThreshold", threshold, 60);
        Preferences().SetPreference("EditorDeleteSilenceAttackms", attack, 100);
        Preferences().SetPreference("EditorDeleteSilenceReleasems", release, 25);
        run("Deleting Silence...", [&] {
            processing.DeleteSilence(-static_cast<float>(threshold), static_cast<float>(attack),
                                     static_cast<float>(release));
        });
    } else if (key == "timestretch") {
        // Without a selection there is nothing to give a new length to.
        if (!AudioSelected() || !(SelectedLength > 0)) {
            platform::MsgBox("You must select the audio that you want to time stretch first", platform::MsgButtons::OK,
                             platform::MsgIcon::Exclamation);
            return;
        }
        const double current = SelectedLength;
        // Nothing stored (-1) reads as the shortest length, 0.1 s.
        auto newLength = static_cast<float>(PreferenceNumber("EditorTimeStretchNewLength", -1, 0.1, 4 * current));
        bool keepPitch = PreferenceNumber("EditorTimeStretchPreservePitch", 0, -1e9, 1e9) != 0;
        if (!Transform().Stretch(current, newLength, keepPitch)) return;
        Preferences().SetPreference("EditorTimeStretchNewLength", newLength, -1.0f);
        Preferences().SetPreference("EditorTimeStretchPreservePitch", keepPitch ? 1 : 0, 0);
        const auto ratio = static_cast<float>(current / newLength * 100.0);
        run("Time Stretching...", [&] {
            if (keepPitch) processing.TimeStretch(ratio);
            else processing.ChangeSpeed(ratio);
        });
    } else if (key == "fadein") {
        run("Fade in...", [&] { unguarded([&] { processing.Fade(0, 100); }); });
    } else if (key == "fadeout") {
        run("Fade out...", [&] { unguarded([&] { processing.Fade(100, 0); }); });
    } else if (key == "stereo") {
        ApplyChannels(true, true);
    }
}

// The channels later edits touch. Without a document there is nothing to choose; a mono
// document keeps its only channel whichever side is asked for, so edits never silently do
// nothing.
void frmLumoEdit::ApplyChannels(bool left, bool right) {
    if (!bAudioOpen_ || !ctlEditor->HasDocument()) return;
    auto& channels = ctlEditor->Channels();
    const int count = channels.Count();
    for (int i = 1; i <= count; ++i) {
        channels.SetCurrent(i);
        const bool on = count < 2 || (i == 1 ? left : i == 2 ? right : left && right);
        channels.SetSelected(on);
        channels.SetEnabled(true);
    }
}

} // namespace lumoedit
