// The audio side's connections to the controls and components, the progress panel, and the
// selection display with the keys that depend on a selection.
#include "editor/document/frmLumoEdit.h"

#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

void frmLumoEdit::ConnectAudioHandlers() {
    using Self = frmLumoEdit;
    // The panels that lie over the waveform hide what is under them.
    for (Panel* p : {pnlProgress, pnlSelection}) SetBackColor(p, syscolour::ButtonFace);
    // The part of the item under the play position reads in its colour on black, as the
    // position does; bar and part show while the player holds a file.
    SetBackColor(pnlAudioPart, 0x000000);
    prgPlayProgress->setVisible(false);
    pnlAudioPart->setVisible(false);
    OnCall(toolMain, &Toolbar::ButtonClick, this, [this](const std::string& key) { toolMain_ButtonClick(key); },
           "toolMain_ButtonClick");
    OnCall(
        toolMain, &Toolbar::ButtonMenuClick, this,
        [this](const std::string&, const std::string& key) { toolMain_ButtonMenuClick(key); },
        "toolMain_ButtonMenuClick");
    OnCall(
        toolAudioEditor, &Toolbar::ButtonClick, this,
        [this](const std::string& key) { toolAudioEditor_ButtonClick(key); }, "toolAudioEditor_ButtonClick");
    OnCall(
        toolAudioEditor, &Toolbar::ButtonMenuClick, this,
        [this](const std::string&, const std::string& key) { toolAudioEditor_ButtonMenuClick(key); },
        "toolAudioEditor_ButtonMenuClick");

    const std::pair<CommandButton*, void (Self::*)()> buttons[] = {
        {cmdPlay, &Self::cmdPlay_Click},
        {cmdPause, &Self::cmdPause_Click},
        {cmdStop, &Self::cmdStop_Click},
        {cmdRecord, &Self::cmdRecord_Click},
        {cmdRewind, &Self::cmdRewind_Click},
        {cmdFastForward, &Self::cmdFastForward_Click},
        {cmdPlayHook, &Self::cmdPlayHook_Click},
        {cmdPlayLoop, &Self::cmdPlayLoop_Click},
        {cmdZoomFull, &Self::cmdZoomFull_Click},
        {cmdZoomIn, &Self::cmdZoomIn_Click},
        {cmdZoomOut, &Self::cmdZoomOut_Click},
        {cmdZoomSelection, &Self::cmdZoomSelection_Click},
        {cmdZoomSelectionStart, &Self::cmdZoomSelectionStart_Click},
        {cmdZoomSelectionEnd, &Self::cmdZoomSelectionEnd_Click},
    };
    for (const auto& [button, handler] : buttons) On(button, &CommandButton::Click, this, handler, "Click");
    for (int i = 0; i < 3; ++i)
        OnCall(optPlayMode[static_cast<std::size_t>(i)], &OptionButton::Click, this, [this, i] { optPlayMode_Click(i); },
               "optPlayMode_Click");
    OnCall(
        prgPlayProgress, &ProgressBar::MouseDown, this,
        [this](int b, int s, double x, double y) { prgPlayProgress_MouseDown(b, s, x, y); }, "prgPlayProgress_MouseDown");
    OnCall(
        prgPlayProgress, &ProgressBar::MouseMove, this,
        [this](int b, int s, double x, double y) { prgPlayProgress_MouseMove(b, s, x, y); }, "prgPlayProgress_MouseMove");

    // The components' events; a raised error ends the handler and is reported.
    auto& player = *LumoPlayer1;
    player.LevelsChanged.Connect([this](int l, int r) { RunHandler("LumoPlayer1_LevelsChanged", [&] { LumoPlayer1_LevelsChanged(l, r); }); });
    player.PositionChanged.Connect([this](float p) { RunHandler("LumoPlayer1_PositionChanged", [&] { LumoPlayer1_PositionChanged(p); }); });
    player.PlaybackShown.Connect([this] { RunHandler("LumoPlayer1_PlaybackShown", [&] { LumoPlayer1_PlaybackShown(); }); });
    player.PlaybackHidden.Connect([this] { RunHandler("LumoPlayer1_PlaybackHidden", [&] { LumoPlayer1_PlaybackHidden(); }); });
    player.PlayerEventA.Connect([this] { RunHandler("LumoPlayer1_PlayerEventA", [&] { LumoPlayer1_PlayerEventA(); }); });
    player.PlayerEventB.Connect([this] { RunHandler("LumoPlayer1_PlayerEventB", [&] { LumoPlayer1_PlayerEventB(); }); });
    player.PlayerEventC.Connect([this] { RunHandler("LumoPlayer1_PlayerEventC", [&] { LumoPlayer1_PlayerEventC(); }); });
    player.PlayerEventD.Connect([this] { RunHandler("LumoPlayer1_PlayerEventD", [&] { LumoPlayer1_PlayerEventD(); }); });

    auto& editor = *ctlEditor;
    editor.Progress.Connect([this](int pct) { RunHandler("ctlEditor_Progress", [&] { ctlEditor_Progress(pct); }); });
    editor.RegionChanged.Connect([this](int i) { RunHandler("ctlEditor_RegionChanged", [&] { ctlEditor_RegionChanged(i); }); });
    editor.PositionChanged.Connect([this] { RunHandler("ctlEditor_PositionChanged", [&] { ctlEditor_PositionChanged(); }); });
    editor.SelectionChanged.Connect([this] { RunHandler("ctlEditor_SelectionChanged", [&] { ctlEditor_SelectionChanged(); }); });
    editor.SelectVisibleRange.Connect([this] { RunHandler("ctlEditor_SelectVisibleRange", [&] { ctlEditor_SelectVisibleRange(); }); });
    editor.AudioChanged.Connect([this] { RunHandler("ctlEditor_AudioChanged", [&] { ctlEditor_AudioChanged(); }); });
    editor.Stopped.Connect([this] { RunHandler("ctlEditor_Stopped", [&] { ctlEditor_Stopped(); }); });
    editor.Levels.Connect([this](int l, int r) { RunHandler("ctlEditor_Levels", [&] { ctlEditor_Levels(l, r); }); });
    editor.ScrollBarShown.Connect([this] { RunHandler("PlaceSelectionPanel", [&] { PlaceSelectionPanel(); }); });
    editor.Waveform().MouseDown.Connect([this](int b, int s, int x, int y) {
        RunHandler("ctlEditor_MouseDown", [&] { ctlEditor_MouseDown(b, s, x, y); });
    });
}

void frmLumoEdit::ShowProgress(const std::string& Caption) {
    SetMousePointer(PointerHourglass);
    lblProgressDesc->SetCaption((Caption.empty() ? std::string("Updating") : Caption) + " ");
    prgProgress->SetValue(0);
    pnlProgress->setVisible(true);
    ZOrder(pnlProgress, 0);
    // The panel paints before the work starts.
    pnlProgress->repaint();
}

void frmLumoEdit::HideProgress() {
    SetMousePointer(PointerDefault);
    pnlProgress->setVisible(false);
    prgProgress->SetValue(0);
    lblProgressDesc->SetCaption(" ");
}

// The component in front of the window's other controls; the panels that lie over it (the
// selection's length, the progress of an operation) stay readable on top.
void frmLumoEdit::EditorToFront() {
    ctlEditor->BringToFront();
    for (Panel* p : {pnlSelection, pnlProgress})
        if (Visible(p)) ZOrder(p, 0);
}

bool frmLumoEdit::AudioSelected() {
    return ctlEditor->HasDocument() && ctlEditor->View().SelectionShown() &&
           ctlEditor->View().SelectionStart() != ctlEditor->View().SelectionEnd();
}

// No item host is ever connected, so no recorder holds this item.
bool frmLumoEdit::IsItemInRecorder() { return false; }

void frmLumoEdit::ctlEditor_SelectionChanged() {
    const bool selected = AudioSelected();
    auto& view = ctlEditor->View();
    if (selected) {
        // A selection made from right to left has its start after its end; its length is the
        // distance, in 64 bits, so hours of audio do not overflow.
        const std::int64_t samples = view.SelectionEnd() - view.SelectionStart();
        SelectedLength = static_cast<float>(SamplesToSeconds(samples < 0 ? -samples : samples));
        lblSelectionLength->SetCaption(TimeText(SelectedLength));
    } else {
        SelectedLength = 0;
    }
    pnlSelection->setVisible(selected);
    if (selected) ZOrder(pnlSelection, 0);
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
    UpdatePlayPosition(static_cast<float>(SamplesToSeconds(view.Position())));
}

} // namespace lumoedit
