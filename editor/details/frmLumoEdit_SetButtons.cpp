// The seven Set buttons beside the marker boxes: while the transport runs they mark the play
// position, while it is idle they set the selection or the cursor, and with nothing usable
// they audition the stored marker from a pre-roll before it. They only write the boxes; each
// box's own change rule stores, clamps and orders the markers.
#include "editor/document/frmLumoEdit.h"

#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include <algorithm>

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

namespace {

enum class Kind { Start, End, Extro };

struct Transport {
    float selStart = 0, selEnd = 0, position = 0, length = 0;
    bool idle = false;
    bool loaded = false;
};

// Capped like every other time text: the boxes hold two digits of hours.
std::string TimeText(float seconds) { return frmLumoEdit::TimeText(static_cast<double>(seconds)); }

// One press of a Set button: what it reads, which boxes it writes and how far it auditions.
struct SetPress {
    Kind kind;
    MaskedTextBox* box;
    MaskedTextBox* endBox; // start buttons: the end box a selection also fills
    float marker;          // the stored marker, for the audition
    double preRoll;
};

Transport ReadTransport(const frmLumoEdit& w, audio::AudioEditorControl& editor, audio::LumoPlayer& player) {
    Transport t;
    if (w.AudioOpen()) {
        // A mark takes the position heard at the press, not the one of the last timer tick.
        if (editor.State() == audio::kStatePlaying) editor.Pump();
        auto& view = editor.View();
        auto seconds = [&](std::int64_t samples) {
            return static_cast<float>(static_cast<double>(view.SamplesToMs(samples)) / 1000.0);
        };
        t.selStart = seconds(view.SelectionStart());
        t.selEnd = seconds(view.SelectionEnd());
        t.position = seconds(view.Position());
        t.length = seconds(view.Length());
        t.idle = editor.State() == audio::kStateIdle;
        t.loaded = true;
        return t;
    }
    const int state = player.State();
    if (state != audio::kPlayerEmpty) {
        t.selStart = player.Position();
        t.selEnd = player.Position();
        t.position = player.Position();
        t.length = player.Length();
        t.idle = state != audio::kPlayerPlaying;
        t.loaded = true;
    }
    return t;
}

void PressSet(frmLumoEdit& w, bool& updatingMarkers, const SetPress& p) {
    // In the middle of an edit (its progress lets clicks through) nothing is marked.
    if (w.AudioBusy()) return;
    const Transport t = ReadTransport(w, *w.ctlEditor, *w.LumoPlayer1);
    // Nothing loaded: there is no position to mark and nothing to play. Writing 0 would
    // erase the marker.
    if (!t.loaded) return;
    if (!t.idle) {
        // While recording, the box rule takes the recording's reach as the end of the audio. A
        // mark on the time the box already shows is still a mark of the recording's timeline
        // (the marker there would move with the recording): its rule runs all the same.
        const std::string text = TimeText(t.position);
        if (p.box->Text() != text) p.box->SetText(text);
        else if (w.ctlEditor->State() == audio::kStateRecording) emit p.box->Change();
        return;
    }
    bool audition = false;
    switch (p.kind) {
    case Kind::Start:
        if (t.selStart == 0 && t.selEnd == 0) {
            audition = true;
        } else if (t.selStart != t.selEnd) {
            {
                ScopedFlag guard(updatingMarkers, true);
                p.box->SetText(TimeText(t.selStart));
                p.endBox->SetText(TimeText(t.selEnd));
            }
            w.ApplyMarkers();
        } else {
            p.box->SetText(TimeText(t.selStart));
        }
        break;
    case Kind::End:
        if (t.selStart != 0) p.box->SetText(TimeText(t.selEnd));
        else audition = true;
        break;
    case Kind::Extro:
        if (t.selStart == 0 || t.selEnd == t.length) audition = true;
        else p.box->SetText(TimeText(t.selEnd));
        break;
    }
    if (!audition) return;
    w.AuditionFrom(helpers::cUtility::Larger(0.0, static_cast<double>(p.marker) - p.preRoll));
}

} // namespace

void frmLumoEdit::cmdSetIntroStart_Click() {
    PressSet(*this, bUpdatingMarkers_, {Kind::Start, mtxtIntroStart, mtxtIntroEnd, cAudioInformation->IntroStart(), 20});
}
void frmLumoEdit::cmdSetIntroEnd_Click() {
    PressSet(*this, bUpdatingMarkers_, {Kind::End, mtxtIntroEnd, nullptr, cAudioInformation->IntroEnd(), 20});
}
void frmLumoEdit::cmdSetExtro_Click() {
    PressSet(*this, bUpdatingMarkers_, {Kind::Extro, mtxtExtro, nullptr, cAudioInformation->Extro(), 20});
}
void frmLumoEdit::cmdSetHookStart_Click() {
    PressSet(*this, bUpdatingMarkers_, {Kind::Start, mtxtHookStart, mtxtHookEnd, cAudioInformation->HookStart, 2});
}
void frmLumoEdit::cmdSetHookEnd_Click() {
    PressSet(*this, bUpdatingMarkers_, {Kind::End, mtxtHookEnd, nullptr, cAudioInformation->HookEnd, 20});
}
void frmLumoEdit::cmdSetLoopStart_Click() {
    PressSet(*this, bUpdatingMarkers_, {Kind::Start, mtxtLoopStart, mtxtLoopEnd, cAudioInformation->LoopStart, 20});
}
void frmLumoEdit::cmdSetLoopEnd_Click() {
    PressSet(*this, bUpdatingMarkers_, {Kind::End, mtxtLoopEnd, nullptr, cAudioInformation->LoopEnd, 20});
}

void frmLumoEdit::chkLoopJump_Click() {
    if (bLoadingInfo) return;
    SetTextEdited();
    cAudioInformation->LoopPlayToEnd = chkLoopJump->Value() == 0;
}

} // namespace lumoedit
