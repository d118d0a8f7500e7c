// The editor window's modes (descriptions shown, details editable, standalone file mode) and
// its layout at every size.
#include "editor/document/frmLumoEdit.h"

#include "editor/shell/LumoEdit_FN.h"
#include "platform/ui/Handlers.h"
#include "platform/ui/Twips.h"

#include <algorithm>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;

namespace {
double Whole(double twips) { return std::nearbyint(twips); }
} // namespace

void frmLumoEdit::SetDisplayDescriptions(bool on) {
    displayDescriptions_ = on;
    tbsCartDetails->setVisible(on);
    toolMain->SetButtonValue("descriptions", on);
    Preferences().SetEditorDisplayDescriptions(on);
    Form_Resize();
}

void frmLumoEdit::SetAllowEditInformation(bool on) {
    allowEdit_ = on;
    tbsCartDetails->setVisible(displayDescriptions_ && on);
    toolMain->SetButtonVisible("descriptions", on);
}

void frmLumoEdit::SetStandaloneMode(bool S) {
    standalone_ = S;
    StatusBar1->setVisible(S);
    tbsTiming->setTabText(2, Q(S ? "Other" : "Hardware"));
    fraOtherTiming->setVisible(S);
    fraHardware->setVisible(!S);
    if (S) ZOrder(fraOtherTiming, 0);
    pnlCartNumber->setVisible(!S);
    for (int i = 1; i <= 3; ++i) {
        SetLeft(txtDescription[i], Left(lblDescriptionDesc[i]) + Width(lblDescriptionDesc[i]));
        lblDescriptionDesc[i]->setVisible(true);
    }
    SetLeft(comboCategory, Left(txtDescription[3]));
    SetLeft(lblOutCueDesc, Left(comboCategory) + Width(comboCategory) + 60);
    SetLeft(txtOutCue, Left(lblOutCueDesc) + Width(lblOutCueDesc) + 60);
    Form_Resize();

    struct Key {
        const char* key;
        bool inFileMode;
    };
    const Key mainKeys[] = {{"edit", false},  {"editsep", false},  {"cartnumber", false}, {"cartnumbersep", false},
                            {"new", true},    {"opensep", true},   {"open", true},        {"saveas", true},
                            {"import", false}, {"exporttransport", false}, {"link", false}, {"linksep", false},
                            {"delete", false}, {"deletesep", false}};
    for (const Key& k : mainKeys) toolMain->SetButtonVisible(k.key, S == k.inFileMode);
    for (const auto& [button, entry] : {std::pair{"copy", "copytocart"}, std::pair{"copy", "copytocartsep"},
                                        std::pair{"paste", "pastecart"}, std::pair{"paste", "mixpastecart"}})
        if (QAction* a = toolAudioEditor->ButtonMenu(button, entry)) a->setVisible(!S);
    toolAudioEditor->SetButtonVisible("exportsectiontohditem", !S);

    pnlPictureDesc->setVisible(!S);
    pnlImage->setVisible(!S);
    fraLastPlayInformation->setVisible(!S);
    lblCategoryDesc->setVisible(S);
    comboCategory->setVisible(S);
    lblOutCueDesc->setVisible(S);
    txtOutCue->setVisible(S);
    fraStandaloneDetails->setVisible(S);
    Form_Resize();
}

void frmLumoEdit::Form_Resize() {
    // A window not yet on screen is laid out when it shows (Show runs the layout).
    if (!IsLoaded() || maximising_ || !isVisible()) return;
    if (EditorWindowState() == Normal && standalone_) {
        // The frame tells the window of the change while it makes it: the layout runs once
        // the window is maximised, not in between.
        {
            ScopedFlag busy(maximising_);
            SetWindowState(Maximized);
        }
        if (EditorWindowState() == Normal) return;
    }
    const double SW = ScaleWidth();
    const double SH = ScaleHeight();
    // The bars that dock themselves: the main toolbar along the top, the status bar at the
    // bottom in file mode.
    Move(toolMain, 0, Top(toolMain), SW, Height(toolMain));
    const double B = standalone_ ? Height(StatusBar1) : 0;
    if (standalone_) Move(StatusBar1, 0, SH - B, SW, Height(StatusBar1));

    if (OuterWidth() < HWndGrab1->MinWidth() || OuterHeight() < HWndGrab1->MinHeight()) return;

    Move(pnlAudioEditorRunning, 0, 0, SW, SH - B);

    Move(tbsCartDetails, 60, Top(toolMain) + Height(toolMain), SW - 120, Height(tbsCartDetails));
    const double T = Width(tbsCartDetails);

    // "General".
    SetWidth(fraGeneralInfo, T - 120);
    SetLeft(pnlTiming, Width(fraGeneralInfo) - Width(pnlTiming) - 60);
    for (int i = 1; i <= 3; ++i)
        SetWidth(txtDescription[i], Left(pnlTiming) - 60 - Left(txtDescription[i]));
    SetWidth(lblLinkedFileDesc, Left(pnlTiming) - 60 - Left(lblLinkedFileDesc));
    SetWidth(txtOutCue, Left(pnlTiming) - 60 - Left(txtOutCue));

    // "Notes": two columns of the same width.
    SetWidth(txtNotes, (T - 300) / 2);
    SetWidth(txtDAB, Width(txtNotes));
    SetLeft(lblWebTextDisplay, Left(txtNotes) + Width(txtNotes) + 60);
    for (QWidget* w : std::initializer_list<QWidget*>{txtWebNotes, lblArtistWebPage, txtArtistWebLink,
                                                      lblOnlineStoreReference, txtOnlineStoreRef})
        Move(w, Left(lblWebTextDisplay), Top(w), Width(txtNotes), Height(w));
    SetWidth(lblNotesDesc, Width(txtNotes));
    SetWidth(lblDABDesc, Width(txtNotes));

    // "Copyright".
    SetWidth(picCopyright1, T - 300 - Width(picCopyright2));
    SetLeft(picCopyright2, Left(picCopyright1) + Width(picCopyright1) + 60);

    // "Other".
    SetWidth(fraLastPlayInformation, T - 420 - Width(pnlPictureDesc) - Width(pnlImage));
    SetLeft(fraLastPlayInformation, Left(pnlImage) + Width(pnlImage) + 60);
    SetWidth(listLastPlays, Width(fraLastPlayInformation) - 2 * Left(listLastPlays));
    SetWidth(cmdEraseLastPlays, Width(listLastPlays));
    SetWidth(pnlEraseLastPlayInfoDesc, Width(listLastPlays));
    SetWidth(fraStandaloneDetails, T - 120);
    SetWidth(txtSchedulerID, Width(fraStandaloneDetails) - 60 - Left(txtSchedulerID));
    SetLeft(lblOriginationDate, Width(fraStandaloneDetails) - 60 - Width(lblOriginationDate));
    SetLeft(lblOriginationDateDesc, Left(lblOriginationDate) - 60 - Width(lblOriginationDateDesc));
    SetWidth(txtOriginator, Left(lblOriginationDateDesc) - 60 - Left(txtOriginator));
    SetWidth(txtClient, Width(fraStandaloneDetails) - 60 - Left(txtClient));

    // The transport bar, the audio toolbar and the audio area.
    SetTop(picControls, SH - B - Height(picControls));
    const double Y = displayDescriptions_ ? Whole(Top(tbsCartDetails) + Height(tbsCartDetails) + 60)
                                          : Whole(Top(toolMain) + Height(toolMain));
    Move(toolAudioEditor, 0, Y, SW, Height(toolAudioEditor));
    const double A = Whole(Top(toolAudioEditor) + Height(toolAudioEditor) + 60);
    Move(nctRightVol, SW - 60 - Width(nctRightVol), A, Width(nctRightVol), Top(picControls) - 60 - A);
    Move(nctLeftVol, Left(nctRightVol) - 60 - Width(nctRightVol), A, Width(nctLeftVol), Height(nctRightVol));
    Move(ctlEditor, 60, A, Left(nctLeftVol) - 120, Height(nctLeftVol));
    Move(pnlAudioEditorCover, Left(ctlEditor), Top(ctlEditor), Width(ctlEditor), Height(ctlEditor));
    const double m = Left(prgPlayProgress);
    Move(prgPlayProgress, m, Height(pnlAudioEditorCover) - Height(prgPlayProgress) - m,
         Width(pnlAudioEditorCover) - 2 * m, Height(prgPlayProgress));
    SetLeft(pnlProgress, Left(ctlEditor) + Width(ctlEditor) - Width(pnlProgress) - 30);
    SetTop(pnlProgress, Top(ctlEditor) + 30);
    PlaceSelectionPanel();

    SetLeft(pnlAudioPosition, std::max(Whole(Left(picControls) + Width(picControls) + 60),
                                       Whole((Width(ctlEditor) - Width(pnlAudioPosition)) / 2)));
    SetTop(pnlAudioPosition, Top(picControls));
    SetLeft(pnlLength, SW - Width(pnlLength) - 60);
    SetTop(pnlLength, Top(picControls));

    Move(pnlAudioPart, Left(pnlAudioPosition) - Left(pnlAudioEditorCover),
         Top(prgPlayProgress) - Height(pnlAudioPart) - 60, Width(pnlAudioPosition), Height(pnlAudioPart));
    SetWidth(lblAudioPart, Width(pnlAudioPart) - 2 * Left(lblAudioPart));

    // The cover's picture and invitation stay in its middle.
    SetLeft(imgUncoverAudio, (Width(pnlAudioEditorCover) - Width(imgUncoverAudio)) / 2);
    SetTop(imgUncoverAudio, std::max(60.0, Height(pnlAudioEditorCover) / 2 - Height(imgUncoverAudio)));
    Move(lblUncoverAudio, 60, Top(imgUncoverAudio) + Height(imgUncoverAudio) + 60, Width(pnlAudioEditorCover) - 120,
         Height(lblUncoverAudio));
}

// The selection panel stands in the waveform's bottom right corner, above the scroll bar of a
// zoomed view, so the bar's end stays in reach.
void frmLumoEdit::PlaceSelectionPanel() {
    SetLeft(pnlSelection, Left(ctlEditor) + Width(ctlEditor) - Width(pnlSelection) - 30);
    SetTop(pnlSelection, Top(ctlEditor) + Height(ctlEditor) - PixelsToTwipsY(ctlEditor->ScrollBarHeight()) -
                             Height(pnlSelection) - 30);
}

} // namespace lumoedit
