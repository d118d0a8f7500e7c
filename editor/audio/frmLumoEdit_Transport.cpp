// The transport: play, pause, stop, record, rewind and fast forward, the hook and the loop,
// the play modes, the position display and seeking with the play-progress bar, on the
// audio-editing component while the audio is open for editing and on the player otherwise;
// and the player's events.
#include "editor/audio/AudioCommand.h"
#include "editor/document/frmLumoEdit.h"

#include "editor/shell/LumoEdit_FN.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/devices/Devices.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include <algorithm>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

namespace {

constexpr OleColour kExtroColour = 0x0000FF, kMainColour = 0xFFFFFF, kIntroColour = 0x00FF00,
                    kPreIntroColour = 0xFF5050;

// The playback device of the settings, as the options dialog lists it.
std::string PlaybackDeviceName() {
    const std::int32_t card = AudioSettings().EditSoundCardNumber;
    if (card <= 0) return "the system's default sound device";
    const auto caps = platform::devices::GetDeviceCaps(platform::devices::Direction::Output, card - 1);
    if (!caps) return "sound card " + std::to_string(card) + ", which this computer does not have,";
    return "\"" + caps->name + "\" (sound card " + std::to_string(card) + ")";
}

// Starts playback. When no sound device can be opened the user is told so, and which device
// the settings name; nothing plays and false is the answer.
template <typename F>
bool StartPlayback(F&& start) {
    try {
        start();
        return true;
    } catch (const platform::RuntimeError& e) {
        if (e.Number() != platform::err::DeviceIO) throw;
        std::string text = "No sound device can be opened for playback: " + PlaybackDeviceName() + " could not be opened.";
        if (e.Description() != platform::StandardMessage(e.Number())) text += "\n\n" + e.Description();
        text += "\n\nChoose another playback device under Tools, Options.";
        platform::MsgBox(text, platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        return false;
    }
}

} // namespace

std::string frmLumoEdit::TimeText(double seconds) {
    // The time boxes and labels hold two digits of hours: longer times show the largest that fits.
    constexpr double kLargest = 99 * 3600 + 59 * 60 + 59.99;
    if (seconds > kLargest) seconds = kLargest;
    return helpers::TimeFormat().SecondsToText(seconds);
}

std::int64_t frmLumoEdit::SecondsToSamples(double seconds) {
    // Markers come from files: nonsense is taken as the start, and nothing lies past a
    // million hours.
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    seconds = std::min(seconds, 3.6e9);
    return ctlEditor->View().MsToSamples(std::nearbyint(seconds * 1000.0));
}

double frmLumoEdit::SamplesToSeconds(std::int64_t samples) {
    return static_cast<double>(ctlEditor->View().SamplesToMs(samples)) / 1000.0;
}

// ---- the player's loop ------------------------------------------------------------------------

void frmLumoEdit::PlayerLoopSetup() {
    const auto& item = *cAudioInformation;
    auto& player = *LumoPlayer1;
    player.LoopStart = static_cast<float>(helpers::cUtility::Larger(4.5, item.LoopStart));
    player.LoopEnd = static_cast<float>(helpers::cUtility::Larger(item.LoopEnd, player.LoopStart + 0.5));
    // The count box holds up to three digits; 0 is no maximum. A negative count (pasted into
    // the box) plays the loop once instead of for ever.
    std::int32_t count = item.LoopNumberLoops;
    if (count < 0) count = 1;
    player.LoopCount = std::min<std::int32_t>(count, 999);
    // Only a loop that is really set plays as one: both markers above 0, the end after the
    // start, and audio long enough for the section the player would loop.
    player.LoopEnabled = chkLoop->Value() != 0 && item.LoopStart > 0 && item.LoopEnd > item.LoopStart &&
                         player.LoopEnd > 0 && player.LoopEnd <= player.Length();
    StartPlayback([&player] { player.Play(); });
}

// ---- the buttons ----------------------------------------------------------------------------

void frmLumoEdit::cmdPlay_Click() {
    AudioCommand command(*this, false);
    if (!command) return;
    if (bAudioOpen_) {
        auto& view = ctlEditor->View();
        view.SetPosition(view.Position() < view.Length() ? view.SelectionStart() : 0);
        StartPlayback([this] { ctlEditor->Play(playMode_); });
        UpdateButtons();
        EditorToFront();
        return;
    }
    switch (LumoPlayer1->State()) {
    case audio::kPlayerStopped:
    case audio::kPlayerCued: PlayerLoopSetup(); break;
    case audio::kPlayerPlaying: LumoPlayer1->Seek(0); break;
    default: break;
    }
}

void frmLumoEdit::AuditionFrom(double Seconds) {
    AudioCommand command(*this, false);
    if (!command) return;
    if (bAudioOpen_) {
        // Play starts at the selection's start: the audition point becomes an empty, hidden
        // selection.
        auto& view = ctlEditor->View();
        const std::int64_t at = std::min(SecondsToSamples(Seconds), view.Length());
        view.SetSelectionShown(false);
        view.SetSelectionStart(at);
        view.SetSelectionEnd(at);
        view.SetPosition(at);
    } else if (LumoPlayer1->State() != audio::kPlayerEmpty) {
        LumoPlayer1->Seek(static_cast<float>(std::max(0.0, Seconds)));
        if (LumoPlayer1->State() == audio::kPlayerPlaying) return;
    }
    cmdPlay_Click();
}

void frmLumoEdit::cmdPause_Click() {
    AudioCommand command(*this, false);
    if (!command) return;
    if (bAudioOpen_) {
        const int state = ctlEditor->State();
        if (state == audio::kStatePlaying) {
            ctlEditor->Pause();
            SetButtonPicture(cmdPause, *imgListToolbar, "pauseblue");
        } else if (state == audio::kStatePaused) {
            StartPlayback([this] { ctlEditor->Resume(); });
            SetButtonPicture(cmdPause, *imgListToolbar, "pause");
            UpdateButtons();
        }
        EditorToFront();
        return;
    }
    switch (LumoPlayer1->State()) {
    case audio::kPlayerStopped:
    case audio::kPlayerCued: PlayerLoopSetup(); break;
    case audio::kPlayerPlaying: LumoPlayer1->Pause(); break;
    default: break;
    }
}

void frmLumoEdit::cmdStop_Click() {
    AudioCommand command(*this, false);
    if (!command) return;
    if (bAudioOpen_) {
        const int state = ctlEditor->State();
        {
            ScopedFlag stopping(stopping_);
            ctlEditor->Stop();
        }
        if (state == audio::kStateRecording) EndOfRecording();
        UpdateButtons();
        EditorToFront();
    } else if (LumoPlayer1->State() != audio::kPlayerEmpty) {
        LumoPlayer1->Stop();
    }
}

void frmLumoEdit::EndOfRecording() {
    recording_ = false;
    SetButtonPicture(cmdRecord, *imgListToolbar, "recorddark");
    bool apply = true;
    UpdateMarkerFields(apply);
}

// A marker pair plays only when it is set: both above 0 and the end after the start.
namespace {
bool PairSet(float start, float end) { return start > 0 && end > start; }
} // namespace

void frmLumoEdit::cmdPlayHook_Click() {
    AudioCommand command(*this, false);
    if (!command) return;
    const auto& item = *cAudioInformation;
    if (!PairSet(item.HookStart, item.HookEnd)) {
        platform::MsgBox("You must set the Hook first", platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        return;
    }
    if (bAudioOpen_) {
        auto& view = ctlEditor->View();
        view.SetSelectionShown(true);
        view.SetSelectionStart(SecondsToSamples(item.HookStart));
        view.SetSelectionEnd(SecondsToSamples(item.HookEnd));
        PlayModeFromCode(0);
        EditorToFront();
    } else if (LumoPlayer1->State() != audio::kPlayerEmpty) {
        LumoPlayer1->Seek(static_cast<float>(helpers::cUtility::ClampDouble(item.HookStart, 0, item.AudioEnd)));
        PlayerLoopSetup();
    } else {
        PlayModeFromCode(0);
    }
}

void frmLumoEdit::cmdPlayLoop_Click() {
    AudioCommand command(*this, false);
    if (!command) return;
    const auto& item = *cAudioInformation;
    if (!PairSet(item.LoopStart, item.LoopEnd)) {
        platform::MsgBox("You must select a section to loop first", platform::MsgButtons::OK,
                         platform::MsgIcon::Exclamation);
        return;
    }
    if (bAudioOpen_) {
        auto& view = ctlEditor->View();
        view.SetSelectionShown(true);
        view.SetSelectionStart(SecondsToSamples(item.LoopStart));
        view.SetSelectionEnd(SecondsToSamples(item.LoopEnd));
        PlayModeFromCode(1);
        EditorToFront();
    } else if (LumoPlayer1->State() != audio::kPlayerEmpty) {
        LumoPlayer1->Seek(static_cast<float>(helpers::cUtility::ClampDouble(item.LoopStart, 0, item.AudioEnd)));
        PlayerLoopSetup();
    }
}

void frmLumoEdit::PlayModeFromCode(int Index) {
    OptionButton* option = optPlayMode[static_cast<std::size_t>(Index)];
    if (option->Value()) optPlayMode_Click(Index);
    else option->SetValue(true); // its click handler plays
}

void frmLumoEdit::optPlayMode_Click(int Index) {
    static const char* const kPictures[] = {"play", "loop", "playend"};
    static const int kModes[] = {1, 3, 2};
    if (Index < 0 || Index > 2) return;
    AudioCommand command(*this, false);
    if (!command) return;
    playMode_ = kModes[Index];
    cmdPlay_Click();
    SetButtonPicture(cmdPlay, *imgListToolbar, kPictures[Index]);
}

void frmLumoEdit::cmdRewind_Click() {
    AudioCommand command(*this);
    if (!command) return;
    auto& view = ctlEditor->View();
    view.SetPosition(0);
    view.SetVisibleStart(0);
    EditorToFront();
}

void frmLumoEdit::cmdFastForward_Click() {
    AudioCommand command(*this);
    if (!command) return;
    auto& view = ctlEditor->View();
    view.SetPosition(view.Length());
    view.SetVisibleEnd(view.Length());
    EditorToFront();
}

void frmLumoEdit::cmdRecord_Click() {
    AudioCommand command(*this, false);
    if (!command) return;
    if (!bAudioOpen_) {
        if (platform::MsgBox("The Audio file must be opened for editing before you can record\n\nDo you want to continue?",
                             platform::MsgButtons::YesNo, platform::MsgIcon::Question) == platform::MsgResult::Yes) {
            int flags = 2;
            SetupEditor(flags);
        }
        return;
    }
    switch (ctlEditor->State()) {
    case audio::kStateIdle: {
        ctlEditor->RecordingSettings().SetOverwrite(false);
        try {
            ctlEditor->Record(2);
        } catch (...) {
            platform::MsgBox("LumoEdit could not start recording because of a problem with your soundcard\nor with "
                             "the configuration of the LumoEdit software",
                             platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
            return;
        }
        RunHandler("cmdRecord_Click", [this] {
            recording_ = true;
            recordingMarks_ = {};
            if (txtDescription[1]->Text().empty()) txtDescription[1]->SetText("New Audio");
            SetAudioEdited();
            SetButtonPicture(cmdRecord, *imgListToolbar, "record");
            UpdateButtons();
        });
        break;
    }
    case audio::kStateRecording:
        {
            ScopedFlag stopping(stopping_);
            ctlEditor->Stop();
        }
        EndOfRecording();
        UpdateButtons();
        break;
    default: break;
    }
    EditorToFront();
}

// ---- the position display ---------------------------------------------------------------------

void frmLumoEdit::UpdatePlayPosition(float Position) {
    const std::string text = TimeText(Position);
    if (text != lastPositionText_) {
        lblPosition->SetCaption(text);
        lastPositionText_ = text;
    }
    // The player's last events arrive as the window goes, after its item has.
    if (!cAudioInformation) return;
    const auto& item = *cAudioInformation;
    const char* part;
    OleColour colour;
    if (item.Extro() > 0 && Position >= item.Extro()) part = "Extro", colour = kExtroColour;
    else if (Position >= item.IntroEnd()) part = "Main", colour = kMainColour;
    else if (Position >= item.IntroStart()) part = "Intro", colour = kIntroColour;
    else part = "Pre-Intro", colour = kPreIntroColour;
    if (lblAudioPart->Caption() != part) {
        lblAudioPart->SetCaption(part);
        SetForeColor(lblAudioPart, colour);
        SetForeColor(lblPosition, colour);
    }
    if (LumoPlayer1->State() != audio::kPlayerEmpty) {
        const double length = LumoPlayer1->Length();
        if (length > 0 && std::isfinite(Position)) {
            const double max = prgPlayProgress->Max();
            prgPlayProgress->SetValue(static_cast<int>(helpers::cUtility::ClampDouble(max * Position / length, 0, max)));
        }
    }
}

// ---- seeking with the play-progress bar ---------------------------------------------------------

void frmLumoEdit::prgPlayProgress_MouseDown(int Button, int, double X, double) {
    if (Button < 1 || LumoPlayer1->State() <= audio::kPlayerEmpty) return;
    const double width = Width(prgPlayProgress);
    const double length = LumoPlayer1->Length();
    if (!(width > 0) || !(length > 0)) return;
    LumoPlayer1->Seek(static_cast<float>(helpers::cUtility::ClampDouble(X / width, 0, 1) * length));
}

void frmLumoEdit::prgPlayProgress_MouseMove(int Button, int Shift, double X, double Y) {
    prgPlayProgress_MouseDown(Button, Shift, X, Y);
}

// ---- the player's events ------------------------------------------------------------------------

void frmLumoEdit::LumoPlayer1_LevelsChanged(int Left, int Right) {
    nctLeftVol->SetLevel(Left);
    nctRightVol->SetLevel(Right);
}

void frmLumoEdit::LumoPlayer1_PositionChanged(float) { UpdatePlayPosition(LumoPlayer1->Position()); }

void frmLumoEdit::LumoPlayer1_PlaybackShown() {
    prgPlayProgress->setVisible(true);
    ZOrder(prgPlayProgress, 0);
    pnlAudioPart->setVisible(true);
    ZOrder(pnlAudioPart, 0);
    LumoPlayer1->Stop();
}

void frmLumoEdit::LumoPlayer1_PlaybackHidden() {
    lblAudioPart->SetCaption("");
    prgPlayProgress->setVisible(false);
    pnlAudioPart->setVisible(false);
    UpdateButtons();
}

void frmLumoEdit::LumoPlayer1_PlayerEventA() { UpdateButtons(); }
void frmLumoEdit::LumoPlayer1_PlayerEventB() { UpdateButtons(); }
void frmLumoEdit::LumoPlayer1_PlayerEventC() { UpdateButtons(); }
void frmLumoEdit::LumoPlayer1_PlayerEventD() { LumoPlayer1->Stop(); }

} // namespace lumoedit
