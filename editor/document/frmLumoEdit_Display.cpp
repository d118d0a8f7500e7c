// Showing an item just read from a file: every detail control filled from the item, the
// marker boxes, then the audio opened for editing in the component or loaded into the player,
// and the markers handed to whichever of the two shows the audio.
#include "editor/document/frmLumoEdit.h"

#include "editor/details/AirDate.h"
#include "editor/shell/ErrorReport.h"
#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/TimeFormat.h"

#include "editor/shell/LumoEdit_FN.h"

#include <QApplication>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace lumoedit {

using namespace platform::ui;

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string TrimBoth(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A single as decimal text with at most seven significant digits ("12.5", "0").
std::string SingleText(float value) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    return std::string(buffer, r.ptr);
}

// The name of a last-play location: no location names exist in this program.
std::string LocationName(std::int16_t) { return {}; }

} // namespace

// A failure half-way (of the item, a control or an outside component) leaves no half-filled
// item behind: it is reported and the window starts a new, empty one, as after audio that
// cannot be opened.
void frmLumoEdit::DisplayDetails(int OpenAudio) try {
    if (!cAudioInformation) return;
    bLoadingInfo = true;
    // A failure on the way leaves the window usable: no guard stays up.
    ScopeExit guards([this] {
        bLoadingInfo = false;
        bUpdatingMarkers_ = false;
        SetMousePointer(PointerDefault);
    });
    UpdateDiskSpace();
    rozuzezer::cHardDiskItem& item = *cAudioInformation;
    if (allowEdit_) {
        txtDescription[1]->SetText(item.ItemTitle);
        txtDescription[2]->SetText(item.ArtistName(1));
        txtDescription[3]->SetText(item.Description(1));
        if (standalone_ && !item.Category.empty()) {
            const std::string wanted = Lower(item.Category);
            bool found = false;
            for (int i = 0; i < comboCategory->ListCount() && !found; ++i) {
                for (const std::string& piece : SplitBars(comboCategory->List(i)))
                    if (Lower(TrimBoth(piece)) == wanted) {
                        comboCategory->SetListIndex(i);
                        found = true;
                        break;
                    }
            }
        }
        if (standalone_) txtOutCue->SetText(item.OutCue);
        if (!(item.BackColour == static_cast<std::int32_t>(syscolour::ButtonFace) &&
              item.TextColour == static_cast<std::int32_t>(syscolour::ButtonText))) {
            chkCustomColours->SetValue(1);
            chkCustomColours_Click();
        }
        switch (item.EndType) {
        case rozuzezer::cheEnd: optAudioEnds->SetValue(true); break;
        case rozuzezer::cheFades: optAudioFades->SetValue(true); break;
        case rozuzezer::cheSustain: optAudioSustain->SetValue(true); break;
        case rozuzezer::cheSlowFade: optAudioSlowFade->SetValue(true); break;
        default: optAudioEndNotSpecified->SetValue(true); break;
        }
        if (item.LoopStart > 0) {
            chkLoop->SetValue(1);
            if (item.LoopNumberLoops > 0) {
                chkMaxLoop->SetValue(1);
                txtMaxLoop->SetText(std::to_string(item.LoopNumberLoops));
            }
            // The option reads "jump out of the loop": ticked when the item does not play the
            // loop through to its end.
            chkLoopJump->SetValue(item.LoopPlayToEnd ? 0 : 1);
        }
        SelectComboByItemData(item.IntroStartHW, comboIntroStartHWLine, comboIntroStartHWType);
        SelectComboByItemData(item.IntroEndHW, comboIntroEndHWLine, comboIntroEndHWType);
        SelectComboByItemData(item.ExtroHW, comboExtroHWLine, comboExtroHWType);
        SelectComboByItemData(item.HookStartHW, comboHookStartHWLine, comboHookStartHWType);
        SelectComboByItemData(item.HookEndHW, comboHookEndHWLine, comboHookEndHWType);
        if (txtDescription[1]->isVisible()) txtDescription[1]->setFocus();
        if (!item.Notes.empty()) {
            txtNotes->SetText(item.Notes);
        } else if (!item.NotesRTF.empty()) {
            rtxtNotesProcessor->SetTextRTF(item.NotesRTF);
            txtNotes->SetText(rtxtNotesProcessor->Text());
        }
        txtDAB->SetText(item.DABNotes);
        txtProductTitle->SetText(item.CopyrightProductTitle);
        txtMusicTitle->SetText(item.CopyrightMusicTitle);
        txtRecordLabel->SetText(item.CopyrightRecordLabel);
        txtRecordNumber->SetText(item.CopyrightRecordNumber);
        txtComposer->SetText(item.CopyrightComposer);
        txtPerformer->SetText(item.CopyrightPerformer);
        txtPublisher->SetText(item.CopyrightPublisher);
        txtRightsManagementRef->SetText(item.RightsManagementReference);
        if (listCopyrightCode->ListCount() > 0) listCopyrightCode->SetListIndex(0);
        const std::string code = Lower(item.CopyrightCode);
        for (int i = 1; i <= listCopyrightCode->ListCount(); ++i) {
            const std::string entry = listCopyrightCode->List(i - 1);
            if (!entry.empty() && Lower(entry.substr(0, 1)) == code) {
                listCopyrightCode->SetListIndex(i - 1);
                break;
            }
        }
        txtTotalDuration->SetText(SingleText(item.CopyrightTotalDuration));
        txtMusicDuration->SetText(SingleText(item.CopyrightMusicDuration));
        txtArtistWebLink->SetText(item.ArtistURL);
        txtOnlineStoreRef->SetText(item.OnlineStoreReference);
        txtWebNotes->SetText(item.WebNotes);
        txtSchedulerID->SetText(item.SchedulerReference);
        txtClient->SetText(item.Client);
        txtOriginator->SetText(item.Originator);
        lblOriginationDate->SetCaption(helpers::TimeFormat().DateRecordToText(item.OriginationSDate(), 2));
        const auto& time = helpers::TimeFormat();
        // Each date shows its own weekday, as when the user leaves its box.
        if (item.AirStartDate > 0) {
            chkAirStart->SetValue(1);
            txtAirStartDate->SetText(AirDateText(item.AirStartDate));
            txtAirStartDate_LostFocus();
            const std::string t = time.SecondsToText(item.AirStartTime, 2);
            txtAirStartHour->SetText(t.substr(0, 2));
            txtAirStartMinutes->SetText(t.size() >= 5 ? t.substr(3, 2) : "00");
        }
        if (item.AirEndDate > 0) {
            chkAirEnd->SetValue(1);
            txtAirEndDate->SetText(AirDateText(item.AirEndDate));
            txtAirEndDate_LostFocus();
            const std::string t = time.SecondsToText(item.AirEndTime, 2);
            txtAirEndHour->SetText(t.substr(0, 2));
            txtAirEndMinutes->SetText(t.size() >= 5 ? t.substr(3, 2) : "00");
        }
        for (std::int16_t i = 1; i <= 5; ++i) {
            const std::string where = LocationName(item.LastPlayLocation(i));
            if (where.empty()) continue;
            cmdEraseLastPlays->setEnabled(true);
            listLastPlays->AddItem(platform::FormatDate(item.LastPlay(i), "dddddd hh:nn:ss") + " by " + where);
        }
        bool apply = false;
        UpdateMarkerFields(apply);
    }

    Refresh();
    bUpdatingMarkers_ = true;
    chkLoop_Click();

    const bool open = OpenAudio == 1 || (OpenAudio == 0 && Preferences().EditorOpenAudioOnLoad());
    if (open) {
        int flags = 0;
        if (!SetupEditor(flags)) {
            guards.Release();
            bLoadingInfo = false;
            bUpdatingMarkers_ = false;
            SetMousePointer(PointerDefault);
            platform::MsgBox("The audio file could not be opened because it is corrupt or in an unsupported format",
                             platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
            ClearDetails(1);
            return;
        }
        // The audio is open: nothing is loading any more.
        HideProgress();
    } else {
        const std::string& file = item.AudioFileName;
        if (helpers::FileHelper().FileSize(file) > 0 && Lower(helpers::FileHelper().Extension(file)) == "wav") {
            // A file the player cannot play leaves it empty; the details stay shown.
            try {
                LumoPlayer1->OpenFile(file);
            } catch (...) {
            }
        }
        bUpdatingMarkers_ = false;
        UpdateZoomButtons(false);
        ApplyMarkers();
    }
    bUpdatingMarkers_ = false;

    cmdFastForward->setEnabled(true);
    cmdRewind->setEnabled(true);
    SetMousePointer(PointerDefault);
    toolMain->SetButtonEnabled("exporttransport", true);
    toolMain->SetButtonEnabled("delete", true);
    toolAudioEditor->SetButtonEnabled("silence", bAudioOpen_);
    ClearEdits();
    UpdateButtons();
    guards.Release();
    bLoadingInfo = false;
    if (txtDescription[1]->isVisible()) txtDescription[1]->setFocus();
} catch (...) {
    const std::int32_t number = CurrentErrorNumber();
    const std::string description = CurrentErrorDescription();
    const std::string file = cAudioInformation ? cAudioInformation->AudioFileName : std::string();
    HideProgress();
    ShowError("showing the details of File : " + file,
              description.empty() ? std::string(platform::StandardMessage(number)) : description);
    RunHandler("DisplayDetails", [this] { ClearDetails(3); });
}

} // namespace lumoedit
