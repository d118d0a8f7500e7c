// The audio-editing component's events (progress, regions, position, selection, audio
// changed, stopped, mouse, levels) and the six zoom buttons.
#include "editor/audio/AudioCommand.h"
#include "editor/document/frmLumoEdit.h"

#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

// The bar follows every event; the message loop runs at most once per half second, with the
// window's commands shut while it does, so nothing starts inside the operation.
void frmLumoEdit::ctlEditor_Progress(int Percent) {
    prgProgress->SetValue(Percent);
    const auto& clock = helpers::TimeFormat();
    if (progressStampSet_ && clock.ElapsedSince(progressStamp_) <= 0.5) return;
    progressStamp_ = clock.Stamp();
    progressStampSet_ = true;
    // The markers too: a Set press or a typed time in the middle of an edit would be taken
    // against the audio as it was.
    QWidget* const shut[] = {toolMain,        toolAudioEditor, picControls,     cmdSetIntroStart, cmdSetIntroEnd,
                             cmdSetExtro,     cmdSetHookStart, cmdSetHookEnd,   cmdSetLoopStart,  cmdSetLoopEnd,
                             mtxtIntroStart,  mtxtIntroEnd,    mtxtExtro,       mtxtHookStart,    mtxtHookEnd,
                             mtxtLoopStart,   mtxtLoopEnd,     chkLoop};
    constexpr std::size_t kShut = sizeof(shut) / sizeof(shut[0]);
    bool wasEnabled[kShut];
    for (std::size_t i = 0; i < kShut; ++i) {
        wasEnabled[i] = shut[i]->isEnabled();
        shut[i]->setEnabled(false);
    }
    ++loopDepth_;
    ScopeExit reopen([&] {
        --loopDepth_;
        for (std::size_t i = 0; i < kShut; ++i) shut[i]->setEnabled(wasEnabled[i]);
    });
    ++messageLoopRuns_;
    QCoreApplication::processEvents();
}

// A region the component moved (an edit, undo, redo, recording, a drag) is taken into the item
// as it is: no box rule runs for it, so an edit that moves several regions moves every marker.
void frmLumoEdit::ctlEditor_RegionChanged(int RegionIndex) {
    if (bLoadingInfo || !bAudioOpen_) return;
    auto& regions = ctlEditor->Regions();
    if (RegionIndex < 1 || RegionIndex > regions.Count()) return;
    regions.SetCurrent(RegionIndex);
    const std::int64_t start = std::max<std::int64_t>(0, regions.Start());
    const std::int64_t length = std::max<std::int64_t>(0, regions.Length());
    double kind = 0;
    try {
        kind = platform::Val(regions.Tag());
    } catch (...) {
        kind = 0;
    }
    auto& item = *cAudioInformation;
    const auto from = static_cast<float>(SamplesToSeconds(start));
    const double span = SamplesToSeconds(length);
    auto show = [this](MaskedTextBox* box, float marker) {
        ScopedFlag loading(bLoadingInfo);
        box->SetText(TimeText(marker));
    };
    if (kind == 1) {
        item.SetIntroStart(from);
        item.SetIntroEnd(static_cast<float>(span + item.IntroStart()));
        show(mtxtIntroStart, item.IntroStart());
        show(mtxtIntroEnd, item.IntroEnd());
    } else if (kind == 2) {
        extroMovedBy_ = ctlEditor->ChangeCount();
        item.SetExtro(from);
        show(mtxtExtro, item.Extro());
    } else if (kind == 3) {
        item.HookStart = from;
        item.HookEnd = static_cast<float>(span + item.HookStart);
        show(mtxtHookStart, item.HookStart);
        show(mtxtHookEnd, item.HookEnd);
    } else if (kind == 4) {
        item.LoopStart = from;
        item.LoopEnd = static_cast<float>(span + item.LoopStart);
        show(mtxtLoopStart, item.LoopStart);
        show(mtxtLoopEnd, item.LoopEnd);
    } else {
        for (std::int16_t i = 1; i <= kOutros; ++i)
            if (kind == kFirstOutroTag + i - 1) item.SetOutroEx(i, from);
    }
    SetTextEdited();
}

bool frmLumoEdit::HasRegionTagged(int Tag) {
    auto& regions = ctlEditor->Regions();
    for (int i = 1; i <= regions.Count(); ++i)
        if (regions.At(i).tag == std::to_string(Tag)) return true;
    return false;
}

void frmLumoEdit::ctlEditor_PositionChanged() {
    UpdatePlayPosition(static_cast<float>(SamplesToSeconds(ctlEditor->View().Position())));
}

void frmLumoEdit::ctlEditor_SelectVisibleRange() {
    auto& view = ctlEditor->View();
    view.SetSelectionShown(true);
    view.SetSelectionStart(view.VisibleStart());
    view.SetSelectionEnd(view.VisibleEnd());
}

void frmLumoEdit::ctlEditor_AudioChanged() {
    HideProgress();
    if (!bAudioOpen_) return;
    auto& item = *cAudioInformation;
    const auto newLength = static_cast<float>(SamplesToSeconds(ctlEditor->View().Length()));
    if (newLength != item.TotalLength) {
        const float oldEnd = item.AudioEnd;
        if (item.TotalLength == 0 && !restoringAudio_) {
            // The item's first audio: its markers start afresh, but marks made while it was
            // being recorded stay where they were made. Audio an undo or redo puts back is
            // not new: its markers came back with it.
            auto reset = [this](Marker m) { return (recordingMarks_.stored & (1u << m)) == 0; };
            if (reset(mkIntroStart)) item.SetIntroStart(0);
            if (reset(mkIntroEnd)) item.SetIntroEnd(0);
            if (reset(mkLoopStart)) item.LoopStart = 0;
            if (reset(mkLoopEnd)) item.LoopEnd = 0;
            if (reset(mkHookStart)) item.HookStart = 0;
            if (reset(mkHookEnd)) item.HookEnd = 0;
            if ((recordingMarks_.set & (1u << mkExtro)) == 0) item.SetExtro(newLength);
        }
        bool apply = false;
        UpdateMarkerFields(apply);
        // An outro at the old end is the file's way of saying it has none: it stays at the
        // end, never a time inside longer audio. The file's own outros move with their regions.
        for (std::int16_t i = 1; i <= kOutros; ++i)
            if (item.OutroEx(i) > 0 && item.OutroEx(i) >= oldEnd && !HasRegionTagged(kFirstOutroTag + i - 1))
                item.SetOutroEx(i, item.AudioEnd);
    }
    if (ctlEditor->State() != audio::kStateRecording) recordingMarks_ = {};
    ctlEditor_SelectionChanged();
    UpdateButtons();
    UpdateZoomButtons(true);
}

void frmLumoEdit::ctlEditor_Stopped() {
    ctlEditor_PositionChanged();
    nctLeftVol->SetLevel(0);
    nctRightVol->SetLevel(0);
    // A recording that ended without Stop (the sound card went, the disk filled) keeps what
    // came in; the window takes it in as a stop would, and says why.
    if (recording_ && !stopping_ && ctlEditor->State() != audio::kStateRecording) {
        EndOfRecording();
        platform::MsgBox("The recording stopped because the sound card stopped working. The audio recorded until "
                         "then has been kept.",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    }
    UpdateButtons();
    ctlEditor_SelectionChanged();
}

void frmLumoEdit::ctlEditor_MouseDown(int, int, int, int) { EditorToFront(); }

void frmLumoEdit::ctlEditor_Levels(int Left, int Right) {
    const int state = ctlEditor->State();
    if (state == audio::kStateIdle) Left = Right = 0;
    auto meter = [](int level) {
        return helpers::cUtility::ClampLong(static_cast<std::int32_t>(platform::RoundHalfEven(level / 90.0 * 100)), 0,
                                            100);
    };
    nctLeftVol->SetLevel(meter(Left));
    nctRightVol->SetLevel(meter(Right));
    if (state == audio::kStateRecording) ctlEditor_PositionChanged();
}

// ---- zoom -----------------------------------------------------------------------------------
// Every zoom button leaves the six buttons as the view it made allows: our component raises
// no event when only its view changes, so nothing else would enable them again.

void frmLumoEdit::SetEditorView64(std::int64_t Start, std::int64_t End) {
    const std::int64_t length = ctlEditor->View().Length();
    Start = std::clamp<std::int64_t>(Start, 0, length);
    End = std::clamp<std::int64_t>(End, 0, length);
    if (Start > End) End = Start;
    // A view needs a width to draw: one sample at the least.
    if (End == Start) {
        if (End < length) ++End;
        else if (Start > 0) --Start;
    }
    ctlEditor->ZoomToRange(Start, End);
    ctlEditor->Waveform().update();
}

void frmLumoEdit::cmdZoomFull_Click() {
    AudioCommand command(*this);
    if (!command) return;
    UpdateZoomButtons(true);
    ctlEditor->ZoomFull();
    ctlEditor->Waveform().update();
    EditorToFront();
    UpdateZoomButtons(true);
}

void frmLumoEdit::cmdZoomOut_Click() {
    AudioCommand command(*this);
    if (!command) return;
    UpdateZoomButtons(false);
    ctlEditor->ZoomOut();
    ctlEditor->Waveform().update();
    EditorToFront();
    UpdateZoomButtons(true);
}

void frmLumoEdit::cmdZoomSelection_Click() {
    AudioCommand command(*this);
    if (!command) return;
    UpdateZoomButtons(false);
    ctlEditor->ZoomSelection();
    ctlEditor->Waveform().update();
    EditorToFront();
    UpdateZoomButtons(true);
}

void frmLumoEdit::cmdZoomIn_Click() {
    AudioCommand command(*this);
    if (!command) return;
    UpdateZoomButtons(false);
    auto& view = ctlEditor->View();
    const std::int64_t span = view.VisibleEnd() - view.VisibleStart();
    if (span >= 5) {
        const auto q = static_cast<std::int64_t>(platform::RoundHalfEven(static_cast<double>(span) / 4));
        SetEditorView64(view.VisibleStart() + q, view.VisibleEnd() - q);
    }
    EditorToFront();
    UpdateZoomButtons(true);
}

// Zooms in around a point of the selection, or, when the point lies outside the view, moves
// the view (same width, within the document) so that the point is in its middle.
void frmLumoEdit::ZoomAtSelection(bool atEnd) {
    UpdateZoomButtons(false);
    auto& view = ctlEditor->View();
    const std::int64_t visStart = view.VisibleStart(), visEnd = view.VisibleEnd();
    const std::int64_t span = visEnd - visStart;
    const std::int64_t p = atEnd ? view.SelectionEnd() : view.SelectionStart();
    if (p > visEnd || p < visStart) {
        const std::int64_t length = view.Length();
        const std::int64_t width = std::clamp<std::int64_t>(span, 1, std::max<std::int64_t>(1, length));
        std::int64_t start = p - static_cast<std::int64_t>(platform::RoundHalfEven(static_cast<double>(width) / 2));
        start = std::clamp<std::int64_t>(start, 0, std::max<std::int64_t>(0, length - width));
        std::int64_t end = start + width;
        ctlEditor->ZoomToRange(start, end);
        ctlEditor->Waveform().update();
    } else {
        const auto q = static_cast<std::int64_t>(platform::RoundHalfEven(static_cast<double>(span) / 4));
        std::int64_t start = p - q;
        if (atEnd && view.SelectionStart() > start) start = view.SelectionStart();
        SetEditorView64(start, p + q);
    }
    EditorToFront();
    UpdateZoomButtons(true);
}

void frmLumoEdit::cmdZoomSelectionStart_Click() {
    AudioCommand command(*this);
    if (command) ZoomAtSelection(false);
}

void frmLumoEdit::cmdZoomSelectionEnd_Click() {
    AudioCommand command(*this);
    if (command) ZoomAtSelection(true);
}

} // namespace lumoedit
