// Document state and button state: the edited flags, the enabled state and captions of the
// transport, marker and toolbar controls, and the recording time the free disk space allows.
#include "editor/document/frmLumoEdit.h"

#include "editor/shell/LumoEdit_FN.h"
#include "platform/base/Numeric.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/TimeFormat.h"

#include <cmath>
#include <limits>

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

// "saveas" also with the audio under the cover: Save As opens the audio itself first.
void frmLumoEdit::SetTextEdited() {
    bEdited_ = true;
    bTextEdited_ = true;
    toolMain->SetButtonEnabled("save", true);
    toolMain->SetButtonEnabled("saveas", true);
}

void frmLumoEdit::SetAudioEdited() {
    bEdited_ = true;
    bAudioEdited = true;
    toolMain->SetButtonEnabled("save", true);
    toolMain->SetButtonEnabled("saveas", true);
}

void frmLumoEdit::ClearEdits() {
    bEdited_ = false;
    bAudioEdited = false;
    bTextEdited_ = false;
    toolMain->SetButtonEnabled("save", false);
    toolMain->SetButtonEnabled("saveas", ctlEditor->HasDocument() && ctlEditor->LengthMs() > 0);
}

int frmLumoEdit::TransportState() const {
    if (bAudioOpen_) return static_cast<std::int16_t>(ctlEditor->State());
    switch (LumoPlayer1->State()) {
    case audio::kPlayerCued: return LumoPlayer1->Position() != 0 ? audio::kStatePaused : audio::kStateIdle;
    case audio::kPlayerPlaying: return audio::kStatePlaying;
    default: return audio::kStateIdle;
    }
}

void frmLumoEdit::UpdateButtons() {
    const int state = TransportState();
    const bool running = state == audio::kStatePlaying || state == audio::kStateRecording || state == audio::kStatePaused;

    lblUncoverAudio->setEnabled(state != audio::kStatePlaying);

    if (state == audio::kStatePlaying || state == audio::kStateRecording) {
        for (QAction* a : toolAudioEditor->actions())
            if (!a->isSeparator()) toolAudioEditor->SetButtonEnabled(S(a->objectName()), false);
    } else {
        toolAudioEditor->SetButtonEnabled("undo", state == audio::kStateIdle && ctlEditor->CanUndo());
        toolAudioEditor->SetButtonEnabled("redo", state == audio::kStateIdle && ctlEditor->CanRedo());
        const bool stereo = ctlEditor->AudioFormat().Channels() == 2;
        toolAudioEditor->SetButtonEnabled("stereo", stereo);
        for (const char* k : {"leftchannel", "rightchannel"})
            if (QAction* a = toolAudioEditor->ButtonMenu("stereo", k)) a->setEnabled(stereo);
        toolAudioEditor->SetButtonEnabled("paste", true);
    }

    // A: the transport runs; B: idle with audio present; C: idle without audio.
    const bool present = LumoPlayer1->State() != audio::kPlayerEmpty || bAudioOpen_;
    const char caseId = running ? 'A' : present ? 'B' : 'C';
    const bool live = caseId != 'C';
    for (CommandButton* b : {cmdSetIntroStart, cmdSetIntroEnd, cmdSetExtro, cmdSetHookStart, cmdSetHookEnd})
        b->setEnabled(live);
    if (caseId == 'B' && chkLoop->Value() == 1) {
        cmdSetLoopStart->setEnabled(true);
        cmdSetLoopEnd->setEnabled(true);
    } else if (caseId == 'C') {
        cmdSetLoopStart->setEnabled(false);
        cmdSetLoopEnd->setEnabled(false);
    }
    cmdStop->setEnabled(caseId == 'A');
    cmdPause->setEnabled(caseId == 'A' && state != audio::kStateRecording);
    cmdPlay->setEnabled(caseId == 'B' || (caseId == 'A' && state != audio::kStateRecording));
    const bool jog = bAudioOpen_ && (caseId == 'B' || (caseId == 'A' && state != audio::kStateRecording));
    cmdFastForward->setEnabled(jog);
    cmdRewind->setEnabled(jog);
    cmdRecord->setEnabled(caseId == 'B' || (caseId == 'A' && state == audio::kStateRecording));
    optPlayMode[0]->setEnabled(live);
    optPlayMode[1]->setEnabled(live && bAudioOpen_);
    optPlayMode[2]->setEnabled(live && bAudioOpen_);
    cmdPlayHook->setEnabled(live && !standalone_);
    if (caseId == 'B') toolMain->SetButtonEnabled("exporttransport", true);
    else if (caseId == 'C') toolMain->SetButtonEnabled("exporttransport", false);
    toolMain->SetButtonEnabled("edit", caseId != 'A');

    const bool mark = caseId == 'A';
    cmdSetIntroStart->SetCaption(mark ? "Mark (&/)" : "Set (&/)");
    cmdSetIntroEnd->SetCaption(mark ? "Mark (&*)" : "Set (&*)");
    cmdSetExtro->SetCaption(mark ? "Mark (&-)" : "Set (&-)");
    for (CommandButton* b : {cmdSetHookStart, cmdSetHookEnd, cmdSetLoopStart, cmdSetLoopEnd})
        b->SetCaption(mark ? "Mark" : "Set");
}

// The recording time left on the drive of the item's file (drive "c:" for a new item). A
// drive whose free space cannot be read, or a format without a byte rate, shows
// "--:--:--.--": nothing to divide by is no reason to stop the window.
void frmLumoEdit::UpdateDiskSpace() {
    ++diskSpaceUpdates_;
    std::string folder = "c:";
    if (cAudioInformation && !cAudioInformation->AudioFileName.empty())
        folder = helpers::FileHelper().FolderPart(cAudioInformation->AudioFileName, false);
    const std::int64_t free = helpers::FileHelper().FreeSpace(folder);
    const auto& format = AudioSettings().AudioFormat();
    const std::int32_t rate = format ? static_cast<std::int32_t>(format->AvgBytesPerSec()) : 0;
    if (free < 0 || rate <= 0) {
        lblSpaceRemain->SetCaption("--:--:--.--");
        return;
    }
    const auto& time = helpers::TimeFormat();
    if (free < (std::int64_t{1} << 31)) {
        lblSpaceRemain->SetCaption(time.SecondsToText(static_cast<double>(free) / rate));
        return;
    }
    double seconds = std::nearbyint(static_cast<double>(std::numeric_limits<std::int32_t>::max()) / rate);
    seconds -= std::fmod(seconds, 60.0);
    lblSpaceRemain->SetCaption(">" + time.SecondsToText(seconds));
}

void frmLumoEdit::tmrUpdateHDSpace_Timer() { UpdateDiskSpace(); }

} // namespace lumoedit
