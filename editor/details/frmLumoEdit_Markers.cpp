// The seven marker time boxes: what a typed (or set) time does — clamp, store, show in normal
// form, keep each group in order — and the two hand-overs: the item's markers into the boxes
// after the audio changed, and into the back end that shows the audio (the component's named
// regions, or the player).
#include "editor/document/frmLumoEdit.h"

#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include <algorithm>
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

} // namespace

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
    const float end = MarkerEnd(item);
    const bool looping = chkLoop->Value() != 0;
    // A loop needs its minimum inside the audio; on shorter audio it is refused, never stored
    // past the end.
    auto loopTime = [&](float minimum, float highest) -> float {
        if (!looping) return 0.0f;
        if (highest < minimum) {
            if (t > 0)
                platform::MsgBox("The audio is too short for a loop: a loop must start at least " +
                                     std::string("4.5 seconds into the audio and end by its end."),
                                 platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
            return 0.0f;
        }
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
        item.LoopStart = loopTime(kLoopStartMin, std::max(0.0f, item.TotalLength > 0 ? item.TotalLength : end));
        break;
    case mkLoopEnd:
        item.LoopEnd = static_cast<float>(t);
        item.LoopEnd = loopTime(kLoopEndMin, end);
        break;
    }
    const float stored = m == mkIntroStart ? item.IntroStart()
                         : m == mkIntroEnd ? item.IntroEnd()
                         : m == mkExtro    ? item.Extro()
                         : m == mkHookStart ? item.HookStart
                         : m == mkHookEnd   ? item.HookEnd
                         : m == mkLoopStart ? item.LoopStart
                                            : item.LoopEnd;
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

void frmLumoEdit::MarkerFromRegion(int Tag, float StartSeconds, float EndSeconds) {
    if (!cAudioInformation) return;
    // Written as if typed: the box's rule clamps, stores and keeps the order, the region's
    // value winning. A pair (intro, hook, loop) writes its start first, then its end; the end
    // then wins over the start it was just given, which is the region's own order.
    auto write = [this](MaskedTextBox* box, float seconds) {
        ScopedFlag loading(bLoadingInfo, false);
        const std::string text = TimeText(std::max(0.0f, seconds));
        if (box->Text() == text) MarkerBoxChanged(box == mtxtIntroStart  ? mkIntroStart
                                                  : box == mtxtIntroEnd  ? mkIntroEnd
                                                  : box == mtxtExtro     ? mkExtro
                                                  : box == mtxtHookStart ? mkHookStart
                                                  : box == mtxtHookEnd   ? mkHookEnd
                                                  : box == mtxtLoopStart ? mkLoopStart
                                                                         : mkLoopEnd);
        else box->SetText(text);
    };
    switch (Tag) {
    case 1: write(mtxtIntroStart, StartSeconds); write(mtxtIntroEnd, EndSeconds); break;
    case 2: write(mtxtExtro, StartSeconds); break;
    case 3: write(mtxtHookStart, StartSeconds); write(mtxtHookEnd, EndSeconds); break;
    case 4: write(mtxtLoopStart, StartSeconds); write(mtxtLoopEnd, EndSeconds); break;
    default: break;
    }
}

void frmLumoEdit::UpdateMarkerFields(bool& Apply) {
    if (!cAudioInformation) return;
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    {
        ScopedFlag guard(bUpdatingMarkers_, true);
        // Without a document there is no new length to take.
        if (!bLoadingInfo && ctlEditor->HasDocument()) {
            auto& view = ctlEditor->View();
            const float length = static_cast<float>(view.SamplesToMs(view.Length()) / 1000.0);
            if (item.Extro() >= static_cast<float>(item.TotalLength - 0.1) && length != item.TotalLength)
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
    if (Apply) ApplyMarkers();
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
    auto at = [&](double seconds) {
        return view.MsToSamples(platform::RoundHalfEven(std::max(0.0, seconds) * 1000.0));
    };
    auto span = [&](double from, double to) {
        return std::max<std::int64_t>(0, view.MsToSamples(platform::RoundHalfEven((to - from) * 1000.0)));
    };
    const int count = regions.Count();
    for (int i = 1; i <= count; ++i) {
        regions.SetCurrent(i);
        switch (static_cast<int>(platform::Val(regions.Tag()))) {
        case 1:
            regions.SetColour(65535);
            regions.SetStart(at(item.IntroStart()));
            regions.SetLength(span(item.IntroStart(), item.IntroEnd()));
            break;
        case 2:
            regions.SetStart(at(item.Extro()));
            regions.SetLength(0);
            regions.SetColour(255);
            break;
        case 3:
            regions.SetStart(at(item.HookStart));
            regions.SetLength(span(item.HookStart, item.HookEnd));
            regions.SetColour(65280);
            break;
        case 4:
            regions.SetStart(at(item.LoopStart));
            regions.SetLength(span(item.LoopStart, item.LoopEnd));
            regions.SetColour(0xFF0000);
            break;
        default: break;
        }
    }
}

} // namespace lumoedit
