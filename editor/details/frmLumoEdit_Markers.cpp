// The seven marker time boxes: what a typed (or set) time does — clamp, store, show in normal
// form, keep each group in order — and the two hand-overs: the item's markers into the boxes
// after the audio changed, and into the back end that shows the audio (the component's named
// regions, or the player).
#include "editor/document/frmLumoEdit.h"

#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include <QApplication>

#include <algorithm>
#include <array>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;

namespace {

constexpr float kLoopStartMin = 4.5f;
constexpr float kLoopEndMin = 4.6f;

float Clamp(double value, double lowest, double highest) {
    return static_cast<float>(helpers::cUtility::ClampDouble(value, lowest, highest));
}

// How far the markers may go: the end of the audio, or its whole length where the item has no
// end of its own (a file without metadata, an MP3).
float MarkerEnd(const rozuzezer::cHardDiskItem& item) {
    return std::max(0.0f, item.AudioEnd > 0 ? item.AudioEnd : item.TotalLength);
}


// The seven markers in the order of the Marker enumeration.
std::array<float, 7> Markers(const rozuzezer::cHardDiskItem& item) {
    return {item.IntroStart(), item.IntroEnd(), item.Extro(), item.HookStart, item.HookEnd, item.LoopStart, item.LoopEnd};
}

} // namespace

void frmLumoEdit::SetMarker(rozuzezer::cHardDiskItem& item, Marker m, float value) {
    switch (m) {
    case mkIntroStart: item.SetIntroStart(value); break;
    case mkIntroEnd: item.SetIntroEnd(value); break;
    case mkExtro: item.SetExtro(value); break;
    case mkHookStart: item.HookStart = value; break;
    case mkHookEnd: item.HookEnd = value; break;
    case mkLoopStart: item.LoopStart = value; break;
    case mkLoopEnd: item.LoopEnd = value; break;
    }
}

MaskedTextBox* frmLumoEdit::MarkerBox(Marker m) const {
    switch (m) {
    case mkIntroStart: return mtxtIntroStart;
    case mkIntroEnd: return mtxtIntroEnd;
    case mkExtro: return mtxtExtro;
    case mkHookStart: return mtxtHookStart;
    case mkHookEnd: return mtxtHookEnd;
    case mkLoopStart: return mtxtLoopStart;
    case mkLoopEnd: return mtxtLoopEnd;
    }
    return nullptr;
}

void frmLumoEdit::ConnectMarkerHandlers() {
    On(mtxtIntroStart, &MaskedTextBox::Change, this, &frmLumoEdit::mtxtIntroStart_Change, "mtxtIntroStart_Change");
    On(mtxtIntroEnd, &MaskedTextBox::Change, this, &frmLumoEdit::mtxtIntroEnd_Change, "mtxtIntroEnd_Change");
    On(mtxtExtro, &MaskedTextBox::Change, this, &frmLumoEdit::mtxtExtro_Change, "mtxtExtro_Change");
    On(mtxtHookStart, &MaskedTextBox::Change, this, &frmLumoEdit::mtxtHookStart_Change, "mtxtHookStart_Change");
    On(mtxtHookEnd, &MaskedTextBox::Change, this, &frmLumoEdit::mtxtHookEnd_Change, "mtxtHookEnd_Change");
    On(mtxtLoopStart, &MaskedTextBox::Change, this, &frmLumoEdit::mtxtLoopStart_Change, "mtxtLoopStart_Change");
    On(mtxtLoopEnd, &MaskedTextBox::Change, this, &frmLumoEdit::mtxtLoopEnd_Change, "mtxtLoopEnd_Change");
    for (Marker m : kAllMarkers) {
        MaskedTextBox* box = MarkerBox(m);
        On(box, &MaskedTextBox::LostFocus, this, &frmLumoEdit::MarkerBox_LostFocus, "mtxt_LostFocus");
        // A click or Tab into a box selects its time, so what is typed replaces it from the
        // first digit; the focus coming back with the window leaves a half-typed time as it was.
        OnCall(box, &MaskedTextBox::GotFocus, this, [box] { SelectAllOnFocusMove(box); }, "mtxt_GotFocus");
    }
}

// A box left with a time half typed, or one whose rule clamped or reordered what was typed,
// shows what the item holds once the focus has gone to another control of the window: the box
// never shows a time that would not be saved. The window losing the focus (to another program,
// a dialog or a menu) leaves the time as typed, to be finished on coming back.
void frmLumoEdit::MarkerBox_LostFocus() {
    if (bLoadingInfo || !cAudioInformation) return;
    const QWidget* to = QApplication::focusWidget();
    if (!to || !isAncestorOf(to)) return;
    const std::array<float, 7> stored = Markers(*cAudioInformation);
    ScopedFlag loading(bLoadingInfo);
    for (Marker m : kAllMarkers) {
        MaskedTextBox* box = MarkerBox(m);
        const std::string text = TimeText(std::max(0.0f, stored[m]));
        if (!box->hasFocus() && box->Text() != text) box->SetText(text);
    }
}

void frmLumoEdit::mtxtIntroStart_Change() { MarkerBoxChanged(mkIntroStart); }
void frmLumoEdit::mtxtIntroEnd_Change() { MarkerBoxChanged(mkIntroEnd); }
void frmLumoEdit::mtxtExtro_Change() { MarkerBoxChanged(mkExtro); }
void frmLumoEdit::mtxtHookStart_Change() { MarkerBoxChanged(mkHookStart); }
void frmLumoEdit::mtxtHookEnd_Change() { MarkerBoxChanged(mkHookEnd); }
void frmLumoEdit::mtxtLoopStart_Change() { MarkerBoxChanged(mkLoopStart); }
void frmLumoEdit::mtxtLoopEnd_Change() { MarkerBoxChanged(mkLoopEnd); }

void frmLumoEdit::MarkerBoxChanged(Marker m) {
    if (bLoadingInfo || !cAudioInformation) return;
    SetTextEdited();
    MaskedTextBox* box = MarkerBox(m);
    const std::string text = box->Text();
    if (text.find('_') != std::string::npos) return;

    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    const double t = helpers::cUtility::TimeTextToSeconds(text, 11);
    float end = MarkerEnd(item);
    float total = item.TotalLength > 0 ? item.TotalLength : end;
    bool recording = false;
    // While recording, the audio reaches as far as the recording has come: a mark there stays
    // where it was made (the item's end is still the length before the recording).
    if (bAudioOpen_ && ctlEditor->State() == platform::audio::kStateRecording) {
        const auto head = static_cast<float>(SamplesToSeconds(ctlEditor->View().Position()));
        end = std::max(end, head);
        total = std::max(total, head);
        recording = true;
    }
    const bool looping = chkLoop->Value() != 0;
    // Audio too short for a loop's minimum holds no loop, rather than one past its end.
    auto loopTime = [&](float minimum, float highest) -> float {
        if (!looping || highest < minimum) return 0.0f;
        return Clamp(t, minimum, highest);
    };
    switch (m) {
    case mkIntroStart: item.SetIntroStart(Clamp(t, 0, end)); break;
    case mkIntroEnd: item.SetIntroEnd(Clamp(t, 0, end)); break;
    case mkExtro: item.SetExtro(Clamp(t, 0, end)); break;
    case mkHookStart: item.HookStart = Clamp(t, 0, end); break;
    case mkHookEnd: item.HookEnd = Clamp(t, 0, end); break;
    case mkLoopStart:
        item.LoopStart = static_cast<float>(t);
        item.LoopStart = loopTime(kLoopStartMin, std::max(0.0f, total));
        break;
    case mkLoopEnd:
        item.LoopEnd = static_cast<float>(t);
        item.LoopEnd = loopTime(kLoopEndMin, end);
        break;
    }
    const float stored = Markers(item)[m];
    if (recording) {
        recordingMarks_.stored |= 1u << m;
        if (!bCheckingMarkerOrder_) recordingMarks_.set |= 1u << m;
        recordingMarks_.value[m] = stored;
    }
    {
        ScopedFlag loading(bLoadingInfo);
        box->SetText(TimeText(std::max(0.0f, stored)));
    }
    if (bCheckingMarkerOrder_) return;
    {
        ScopedFlag order(bCheckingMarkerOrder_);
        auto copy = [](MaskedTextBox* from, MaskedTextBox* to) { to->SetText(from->Text()); };
        switch (m) {
        case mkIntroStart:
            if (item.IntroStart() > item.IntroEnd()) copy(mtxtIntroStart, mtxtIntroEnd);
            if (item.IntroEnd() > item.Extro()) copy(mtxtIntroEnd, mtxtExtro);
            break;
        case mkIntroEnd:
            if (item.IntroEnd() < item.IntroStart()) copy(mtxtIntroEnd, mtxtIntroStart);
            if (item.IntroEnd() > item.Extro()) copy(mtxtIntroEnd, mtxtExtro);
            break;
        case mkExtro:
            if (item.Extro() < item.IntroEnd()) copy(mtxtExtro, mtxtIntroEnd);
            if (item.IntroEnd() < item.IntroStart()) copy(mtxtIntroEnd, mtxtIntroStart);
            break;
        case mkHookStart:
            if (item.HookStart > item.HookEnd) copy(mtxtHookStart, mtxtHookEnd);
            break;
        case mkHookEnd:
            if (item.HookEnd < item.HookStart) copy(mtxtHookEnd, mtxtHookStart);
            break;
        case mkLoopStart:
            if (item.LoopStart > item.LoopEnd) copy(mtxtLoopStart, mtxtLoopEnd);
            break;
        case mkLoopEnd:
            if (item.LoopEnd < item.LoopStart) copy(mtxtLoopEnd, mtxtLoopStart);
            break;
        }
    }
    ApplyMarkers();
}

void frmLumoEdit::UpdateMarkerFields(bool& Apply) {
    if (!cAudioInformation) return;
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    const std::array<float, 7> before = Markers(item);
    {
        ScopedFlag guard(bUpdatingMarkers_, true);
        // Marks made during the recording just taken in stand where they were made, whatever
        // the recording did to their regions (a mark on the very sample of an old marker after
        // the record point looks to the component like a marker left alone).
        if (!bLoadingInfo && ctlEditor->State() != platform::audio::kStateRecording)
            for (Marker m : kAllMarkers)
                if (recordingMarks_.stored & (1u << m)) SetMarker(item, m, recordingMarks_.value[m]);
        // Without a document there is no new length to take.
        if (!bLoadingInfo && ctlEditor->HasDocument()) {
            auto& view = ctlEditor->View();
            const float length = static_cast<float>(view.SamplesToMs(view.Length()) / 1000.0);
            // The extro at the end follows the end. One this change moved has been carried with
            // the audio already (an insert before it, an undo putting it back): it stays where
            // the component put it. One marked during the recording that made the audio longer
            // is where the user put it.
            const bool carried = extroMovedBy_ == ctlEditor->ChangeCount();
            const bool marked = (recordingMarks_.set & (1u << mkExtro)) != 0;
            if (!carried && !marked && item.Extro() >= static_cast<float>(item.TotalLength - 0.1) &&
                length != item.TotalLength)
                item.SetExtro(length);
            item.TotalLength = length;
            item.AudioEnd = item.TotalLength;
        }
        const float total = std::max(0.0f, item.TotalLength);
        item.SetIntroStart(Clamp(item.IntroStart(), 0, total));
        item.SetIntroEnd(Clamp(item.IntroEnd(), 0, total));
        item.SetExtro(Clamp(item.Extro(), 0, total));
        item.HookStart = Clamp(item.HookStart, 0, total);
        item.HookEnd = Clamp(item.HookEnd, 0, total);
        if (chkLoop->Value() != 0) {
            // Too short for a loop: no loop rather than one past the end.
            item.LoopStart = total < kLoopStartMin ? 0.0f : Clamp(item.LoopStart, kLoopStartMin, total);
            item.LoopEnd = total < kLoopStartMin ? 0.0f : Clamp(item.LoopEnd, kLoopStartMin, total);
        }
        const std::pair<MaskedTextBox*, float> boxes[] = {
            {mtxtIntroStart, item.IntroStart()}, {mtxtIntroEnd, item.IntroEnd()}, {mtxtExtro, item.Extro()},
            {mtxtHookStart, item.HookStart},     {mtxtHookEnd, item.HookEnd},     {mtxtLoopStart, item.LoopStart},
            {mtxtLoopEnd, item.LoopEnd}};
        for (const auto& [box, value] : boxes) {
            const std::string text = TimeText(std::max(0.0f, value));
            if (box->Text() != text) box->SetText(text);
        }
        lblLength->SetCaption(TimeText(std::max(0.0f, item.TotalLength)));
    }
    // A marker these rules moved is moved on the waveform too: otherwise the region shows a
    // time the item no longer holds, and the region's next event would bring it back.
    if (Apply || (!bLoadingInfo && Markers(item) != before)) ApplyMarkers();
}

void frmLumoEdit::KeepMarkersWithin(float Length) {
    if (!cAudioInformation || Length < 0) return;
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    if (item.Extro() >= static_cast<float>(item.TotalLength - 0.1) && Length != item.TotalLength) item.SetExtro(Length);
    item.TotalLength = Length;
    if (item.AudioEnd > Length || item.AudioEnd <= 0) item.AudioEnd = Length;
    ScopedFlag loading(bLoadingInfo);
    bool apply = false;
    UpdateMarkerFields(apply);
}

void frmLumoEdit::ApplyMarkers() {
    if (bUpdatingMarkers_ || !cAudioInformation) return;
    const rozuzezer::cHardDiskItem& item = *cAudioInformation;
    if (!bAudioOpen_) {
        if (LumoPlayer1->State() == platform::audio::kPlayerEmpty) return;
        LumoPlayer1->AudioEnd = item.AudioEnd;
        LumoPlayer1->AudioStart = item.AudioStart();
        LumoPlayer1->Extro = item.Extro();
        LumoPlayer1->IntroEnd = item.IntroEnd();
        LumoPlayer1->IntroStart = item.IntroStart();
        LumoPlayer1->HookEnd = item.HookEnd;
        LumoPlayer1->HookStart = item.HookStart;
        UpdateButtons();
        return;
    }
    auto& regions = ctlEditor->Regions();
    auto present = [&](const std::string& tag, bool wanted, const char* name) {
        bool found = false;
        for (int i = 1; i <= regions.Count();) {
            regions.SetCurrent(i);
            if (platform::Val(regions.Tag()) == platform::Val(tag)) {
                if (!wanted || found) {
                    regions.Delete();
                    continue;
                }
                found = true;
            }
            ++i;
        }
        if (wanted && !found) regions.Add(0, 0, name, tag, name, 0, 0, 0, 0);
    };
    present("3", item.HookEnd > 0, "Hook");
    present("4", chkLoop->Value() != 0, "Loop");

    auto& view = ctlEditor->View();
    // The regions follow the audio to the sample, the markers hold milliseconds: an edge that
    // already stands at its marker's millisecond (give or take one) keeps its sample, so
    // handing the markers over never moves a region the user did not move.
    auto edge = [&](std::int64_t now, double seconds) {
        const double ms = platform::RoundHalfEven(std::clamp(std::isfinite(seconds) ? seconds : 0.0, 0.0, 3.6e9) * 1000.0);
        return std::abs(static_cast<double>(view.SamplesToMs(now)) - ms) <= 1 ? now : view.MsToSamples(ms);
    };
    auto place = [&](double from, double to, std::int32_t colour) {
        const std::int64_t a = edge(regions.Start(), from);
        const std::int64_t b = edge(regions.Start() + regions.Length(), to);
        regions.SetStart(a);
        regions.SetLength(std::max<std::int64_t>(0, b - a));
        regions.SetColour(colour);
    };
    const int count = regions.Count();
    for (int i = 1; i <= count; ++i) {
        regions.SetCurrent(i);
        switch (static_cast<int>(platform::Val(regions.Tag()))) {
        case 1: place(item.IntroStart(), item.IntroEnd(), 65535); break;
        case 2: place(item.Extro(), item.Extro(), 255); break;
        case 3: place(item.HookStart, item.HookEnd, 65280); break;
        case 4: place(item.LoopStart, item.LoopEnd, 0xFF0000); break;
        default: break;
        }
    }
}

} // namespace lumoedit
