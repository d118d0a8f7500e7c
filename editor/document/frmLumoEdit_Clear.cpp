// Starting a new, empty item: the save question, then every detail field, list, option,
// marker box and transport control back to its empty state, and the audio area shown as the
// component (ready for editing) or as its cover.
#include "editor/document/frmLumoEdit.h"

#include "editor/details/AirDate.h"

#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/base/DateTime.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

#include <QMdiSubWindow>

namespace lumoedit {

using namespace platform::ui;

namespace {

void First(ComboBox* list) {
    if (list->ListCount() > 0) list->SetListIndex(0);
}

// The frame keeps its title, and the main window its " - [title]", when the window's own
// caption becomes empty: both are emptied here, so that nothing names an item that has gone.
void EmptyFrameTitle(QMdiSubWindow* frame) {
    if (!frame || frame->windowTitle().isEmpty()) return;
    const QString suffix = QStringLiteral(" - [%1]").arg(frame->windowTitle());
    frame->setWindowTitle(QString());
    QWidget* top = frame->window();
    if (top != frame && top->windowTitle().endsWith(suffix)) top->setWindowTitle(top->windowTitle().chopped(suffix.size()));
}

} // namespace

bool frmLumoEdit::ClearDetails(int Flags) {
    if (bEdited_ && (Flags & 2) == 0) {
        const std::string& file = cAudioInformation ? cAudioInformation->AudioFileName : std::string();
        const std::string question = file.empty() ? "Do you want to save the changes you made to your new audio file?"
                                                  : "Do you want to save the changes you made to \"" + file + "\"?";
        const auto answer = platform::MsgBox(question, platform::MsgButtons::YesNoCancel, platform::MsgIcon::Exclamation);
        if (answer == platform::MsgResult::Cancel) return false;
        if (answer == platform::MsgResult::Yes && !SaveItem()) return false;
    }
    try {
        ResetControls(Flags);
    } catch (...) {
        // Whatever failed, the window ends with a new, empty item and its flags down, so
        // closing and editing work again.
        const std::int32_t number = CurrentErrorNumber();
        bLoadingInfo = false;
        bUpdatingMarkers_ = false;
        bCheckingMarkerOrder_ = false;
        cAudioInformation = platform::component::MakeRef<rozuzezer::cHardDiskItem>();
        RunHandler("ClearDetails", [this] {
            ClearEdits();
            UpdateButtons();
        });
        ReportError("clearing the window for a new audio file", number);
        return false;
    }
    if (Flags & 1) SetupEditor(Flags);
    if (standalone_) ctlEditor_SelectionChanged();
    return true;
}

void frmLumoEdit::ResetControls(int Flags) {
    {
        ScopedFlag markers(bUpdatingMarkers_, true);
        ScopedFlag loading(bLoadingInfo, true);
        ScopedFlag order(bCheckingMarkerOrder_, true);

        cAudioInformation = platform::component::MakeRef<rozuzezer::cHardDiskItem>();
        SelectedLength = 0;
        EditHDRef.clear();
        LinkFileName.clear();

        lblLinkedFileDesc->setVisible(false);
        lblLinkedFileDesc->SetCaption("");
        SetCaption("");
        EmptyFrameTitle(SubWindow());
        pnlCartNumber->SetCaption("");
        main_.UpdateAudioEditorCaption("", this);

        tbsCartDetails->SetTab(0);
        tbsTiming->SetTab(0);
        SetBackColor(tbsCartDetails, syscolour::ButtonFace);

        First(listCopyrightCode);
        for (ComboBox* list : {comboIntroStartHWLine, comboIntroStartHWType, comboIntroEndHWLine, comboIntroEndHWType,
                               comboExtroHWLine, comboExtroHWType, comboHookStartHWLine, comboHookStartHWType,
                               comboHookEndHWLine, comboHookEndHWType})
            First(list);

        for (Toolbar* bar : {toolAudioEditor, toolMain})
            for (QAction* a : bar->actions())
                if (Tag(a) == "edit") bar->SetButtonEnabled(S(a->objectName()), false);

        for (CommandButton* b : {cmdFastForward, cmdRewind, cmdPlay, cmdPause, cmdStop}) b->setEnabled(false);

        ctlEditor->CloseDocument();
        bAudioOpen_ = false;

        if ((Flags & 4) == 0 && Preferences().EditorOpenAudioOnLoad()) {
            ctlEditor->setVisible(true);
            ctlEditor->BringToFront();
            pnlAudioEditorCover->setVisible(false);
        } else {
            pnlAudioEditorCover->setVisible(true);
            ZOrder(pnlAudioEditorCover, 0);
            ctlEditor->setVisible(false);
        }

        const bool bold = Preferences().CartFont().Bold;
        for (int i = 1; i <= 3; ++i) {
            TextBox* box = txtDescription[i];
            box->SetText("");
            SetForeColor(box, syscolour::ButtonText);
            SetBackColor(box, syscolour::Window);
            QFont f = box->font();
            f.setBold(bold);
            box->setFont(f);
            box->SetMaxLength(50);
        }

        First(comboCategory);
        chkCustomColours->SetValue(0);

        rozuzezer::cHardDiskItem& item = *cAudioInformation;
        item.AudioEnd = 0;
        item.SetIntroStart(0);
        item.SetIntroEnd(0);
        item.SetExtro(0);
        item.LoopStart = 0;
        item.LoopEnd = 0;
        item.HookStart = 0;
        item.HookEnd = 0;
        item.BackColour = static_cast<std::int32_t>(syscolour::ButtonFace);
        item.TextColour = static_cast<std::int32_t>(syscolour::ButtonText);
        item.LoopNumberLoops = 10;
        // A loop put aside by unticking, and marks of a recording, belong to the item that goes.
        keptLoopStart_ = keptLoopEnd_ = 0;
        recordingMarks_ = {};

        const std::string zero = helpers::TimeFormat().SecondsToText(0);
        for (MaskedTextBox* box : {mtxtExtro, mtxtIntroStart, mtxtIntroEnd, mtxtLoopStart, mtxtLoopEnd, mtxtHookStart,
                                   mtxtHookEnd})
            box->SetText(zero);

        txtMaxLoop->SetText("10");
        chkMaxLoop->SetValue(1);
        chkLoopJump->SetValue(0);
        chkLoop->SetValue(0);
        chkLoop_Click();

        const std::pair<ComboBox*, ComboBox*> lines[] = {
            {comboIntroStartHWLine, comboIntroStartHWType}, {comboIntroEndHWLine, comboIntroEndHWType},
            {comboExtroHWLine, comboExtroHWType},           {comboHookStartHWLine, comboHookStartHWType},
            {comboHookEndHWLine, comboHookEndHWType}};
        void (frmLumoEdit::*changed[])() = {&frmLumoEdit::comboIntroStartHWLine_Change,
                                            &frmLumoEdit::comboIntroEndHWLine_Change,
                                            &frmLumoEdit::comboExtroHWLine_Change,
                                            &frmLumoEdit::comboHookStartHWLine_Change,
                                            &frmLumoEdit::comboHookEndHWLine_Change};
        for (std::size_t i = 0; i < 5; ++i) {
            First(lines[i].first);
            (this->*changed[i])();
            First(lines[i].second);
        }

        lblLength->SetCaption("00:00:00.00");
        optAudioEndNotSpecified->SetValue(true);
        First(listCopyrightCode);

        for (TextBox* box : {txtProductTitle, txtMusicTitle, txtRecordLabel, txtRecordNumber, txtComposer, txtPerformer,
                             txtPublisher, txtRightsManagementRef, txtTotalDuration, txtMusicDuration,
                             txtArtistWebLink, txtOnlineStoreRef})
            box->SetText("");
        txtWebNotes->SetText("");
        txtNotes->SetText("");
        txtOutCue->SetText("");
        txtDAB->SetText("");
        rtxtNotesProcessor->SetTextRTF("");
        txtSchedulerID->SetText("");
        txtClient->SetText("");
        txtOriginator->SetText("");
        lblOriginationDate->SetCaption("");

        const double today = platform::Today();
        chkAirStart->SetValue(0);
        txtAirStartDate->SetText(AirDateText(static_cast<std::int32_t>(today) + 1));
        txtAirStartDate_LostFocus();
        txtAirStartHour->SetText("00");
        txtAirStartMinutes->SetText("00");

        const platform::CivilDate d = platform::SplitDate(today);
        chkAirEnd->SetValue(0);
        txtAirEndDate->SetText(
            AirDateText(static_cast<std::int32_t>(platform::DateSerial(d.year + 1, d.month, d.day))));
        txtAirEndDate_LostFocus();
        txtAirEndHour->SetText("23");
        txtAirEndMinutes->SetText("59");

        listLastPlays->Clear();
        cmdEraseLastPlays->setEnabled(false);

        UpdateDiskSpace();
    }
    // The guards come down here on every way out (the scope above), and stay down.
    bUpdatingMarkers_ = false;
    bLoadingInfo = false;
    bCheckingMarkerOrder_ = false;

    ClearEdits();
    SetStatusPanelText("audioformat", "");
    UpdateButtons();
}

} // namespace lumoedit
