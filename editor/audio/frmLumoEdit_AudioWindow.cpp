// What the document side calls of the audio side: the progress panel, the selection display
// and the selection-dependent keys, stop, and whether an item host's recorder holds the item.
#include "editor/document/frmLumoEdit.h"

#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

void frmLumoEdit::ConnectAudioHandlers() {}

void frmLumoEdit::ShowProgress(const std::string& Caption) {
    pnlProgress->setVisible(true);
    ZOrder(pnlProgress, 0);
    lblProgressDesc->SetCaption((Caption.empty() ? std::string("Updating") : Caption) + " ");
    prgProgress->SetValue(0);
}

void frmLumoEdit::HideProgress() {
    pnlProgress->setVisible(false);
    prgProgress->SetValue(0);
    lblProgressDesc->SetCaption(" ");
}

bool frmLumoEdit::AudioSelected() {
    return ctlEditor->HasDocument() && ctlEditor->View().SelectionStart() != ctlEditor->View().SelectionEnd();
}

// No item host is ever connected, so no recorder holds this item.
bool frmLumoEdit::IsItemInRecorder() { return false; }

void frmLumoEdit::ctlEditor_SelectionChanged() {
    const bool selected = AudioSelected();
    auto& view = ctlEditor->View();
    if (selected) {
        SelectedLength = static_cast<float>(view.SamplesToMs(view.SelectionEnd() - view.SelectionStart()) / 1000.0);
        lblSelectionLength->SetCaption(helpers::TimeFormat().SecondsToText(SelectedLength));
    } else {
        SelectedLength = 0;
    }
    pnlSelection->setVisible(selected);
    UpdateZoomButtons(true);
    // With a selection one tall start button stands for each pair.
    const std::pair<CommandButton*, CommandButton*> pairs[] = {
        {cmdSetIntroStart, cmdSetIntroEnd}, {cmdSetHookStart, cmdSetHookEnd}, {cmdSetLoopStart, cmdSetLoopEnd}};
    for (const auto& [start, end] : pairs) {
        if (selected) {
            SetHeight(start, Height(end) + Top(end) - Top(start));
            ZOrder(start, 0);
            end->setVisible(false);
        } else {
            SetHeight(start, Height(end));
            end->setVisible(true);
        }
    }
    const bool idleOpen = ctlEditor->State() == audio::kStateIdle && bAudioOpen_;
    for (const char* k : {"cut", "copy", "exportsectiontowav", "exportsectiontohditem"})
        toolAudioEditor->SetButtonEnabled(k, selected);
    toolAudioEditor->SetButtonEnabled("paste", idleOpen);
    for (const char* k : {"delete", "erase", "timestretch", "deletesilence"}) toolAudioEditor->SetButtonEnabled(k, selected);
    toolAudioEditor->SetButtonEnabled("silence", idleOpen);
    for (const char* k : {"reverse", "fadein", "fadeout", "amplify", "normalise"})
        toolAudioEditor->SetButtonEnabled(k, selected);
    cmdZoomSelection->setEnabled(selected);
    cmdZoomSelectionStart->setEnabled(bAudioOpen_);
    cmdZoomSelectionEnd->setEnabled(selected);
    UpdatePlayPosition(static_cast<float>(view.SamplesToMs(view.Position()) / 1000.0));
}

void frmLumoEdit::cmdStop_Click() {
    if (bAudioOpen_) {
        const int state = ctlEditor->State();
        ctlEditor->Stop();
        if (state == audio::kStateRecording) {
            SetButtonPicture(cmdRecord, *imgListToolbar, "recorddark");
            bool apply = true;
            UpdateMarkerFields(apply);
        }
        UpdateButtons();
    } else if (LumoPlayer1->State() != audio::kPlayerEmpty) {
        LumoPlayer1->Stop();
    }
}

} // namespace lumoedit
