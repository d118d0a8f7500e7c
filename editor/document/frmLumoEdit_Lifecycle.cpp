// The editor window's lifecycle: creation, load (lists, settings, modes, an empty item),
// activation, the close check with its refusals and save question, and unload in order.
#include "editor/document/frmLumoEdit.h"

#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmAbout.h"
#include "editor/shell/frmMain.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

namespace {

void Trace(const char* text) { WriteLog(text, -1, logPlain); }

struct Category {
    const char* name;
    const char* codes;
};
// "Spots" has no leading "|": its first code reads as "SPOT", as it always has.
constexpr Category kCategories[] = {
    {"<Any>", "|ALL"},
    {"Announcer Stack", "|STK"},
    {"Beds", "|BED|BEDS"},
    {"Commercials", "|COM|COMM"},
    {"Contests", "|CON|CONT"},
    {"Daily Play Lists", "|DAY"},
    {"Emergency Broadcasts", "|EB"},
    {"Fillers", "|FIL|FILL"},
    {"Intros", "|INT|INTR"},
    {"Jingles", "|JIN|JING"},
    {"Liners", "|LIN|LINE"},
    {"Logos", "|LOG|LOGO"},
    {"Magic Call", "|MAG|MAGI"},
    {"Music", "|MUS|MUSC"},
    {"Network Delay", "|NET|NETW"},
    {"News", "|NEW|NEWS"},
    {"Promos", "|PRO|PROM"},
    {"Public Service Announcements", "|PSA"},
    {"Segues", "|SEG"},
    {"Shows", "|SHW|SHOW"},
    {"Sound Bits", "|BIT|BITS"},
    {"Sound Effects", "|SND|EFX"},
    {"Spots", "SPO|SPOT"},
    {"Sports", "|SPR|SPRT"},
    {"Stagers", "|STG|STAG"},
    {"Station ID", "|ID"},
    {"Sweeps", "|SWP|SWEP"},
    {"Test Tones", "|TST|TEST"},
    {"Temporary", "|TMP|TEMP"},
};

constexpr const char* kCopyrightCodes[] = {"<Not Specified>", "C - Commercial", "D - Disc",
                                           "L - Live/Local", "P - Promo", "S - Station Ident"};

std::string SaveQuestion(const rozuzezer::cHardDiskItem* item) {
    if (!item || item->AudioFileName.empty()) return "Do you want to save the changes you made to your new audio file?";
    return "Do you want to save the changes you made to \"" + item->AudioFileName + "\"?";
}

} // namespace

void frmLumoEdit::Form_Initialize() {
    Trace("LumoEdit Form Initialize");
    playMode_ = 1;
    Trace("LumoEdit Form Initialize(End)");
}

void frmLumoEdit::Form_Load() {
    Trace("LumoEdit Form Load");
    cAudioInformation = platform::component::MakeRef<rozuzezer::cHardDiskItem>();
    if (Preferences().EditorScaleMode() != 0) {
        Trace("Setting Display Scale");
        ctlEditor->TimeScale().SetScaleMode(2);
        ctlEditor->LevelScale().SetScaleMode(2);
    }
    Trace("Informing Application of Window Creation");
    main_.AudioEditorOpened(this, "Lumo Edit");
    // A device or folder that cannot be set is reported; the window still starts, and the
    // options dialog sets them again.
    RunHandler("LoadSettings", [this] { LoadSettings(); });
    toolMain->SetButtonVisible("link", false);

    {
        ScopedFlag loading(bLoadingInfo);
        listCopyrightCode->Clear();
        for (const char* code : kCopyrightCodes) listCopyrightCode->AddItem(code);
        comboCategory->Clear();
        const std::string blanks(1000, ' ');
        // The list shows each category's name; the row with its codes stays the entry's text.
        for (const Category& c : kCategories) {
            comboCategory->AddItem(std::string(c.name) + blanks + c.codes);
            comboCategory->SetShownText(comboCategory->NewIndex(), c.name);
        }
        FillHardwareCombos(comboIntroStartHWLine, comboIntroStartHWType);
        FillHardwareCombos(comboIntroEndHWLine, comboIntroEndHWType);
        FillHardwareCombos(comboExtroHWLine, comboExtroHWType);
        FillHardwareCombos(comboHookStartHWLine, comboHookStartHWType);
        FillHardwareCombos(comboHookEndHWLine, comboHookEndHWType);
    }
    SetStatusPanelText("copyright", ProgramCopyright());
    SetAllowEditInformation(true);
    SetStandaloneMode(false);
    ClearDetails(0);
    // The user directory always has a current user here; without one the details show.
    SetDisplayDescriptions(Preferences().EditorDisplayDescriptions());
    Trace("LumoEdit Form Load(End)");
}

void frmLumoEdit::Form_Activate() {
    main_.AudioEditorActivated(this);
    Trace("LumoEdit Form Activate");
    if (!standalone_) {
        const bool outside = !AudioSettings().AudioEditor.empty();
        toolMain->SetButtonVisible("edit", outside);
        toolMain->SetButtonVisible("editsep", outside);
    }
    if (activatedOnce_) return;
    tbsCartDetails->SetTab(0);
    tbsTiming->SetTab(0);
    pnlAudioEditorRunning->setVisible(false);
    ZOrder(pnlAudioEditorRunning, 1);
    activatedOnce_ = true;
    if (txtDescription[1]->isVisible() && txtDescription[1]->isEnabled()) txtDescription[1]->setFocus();
    UpdateButtons();
    tbsCartDetails->SetTab(0);
    SetScreenMousePointer(PointerDefault);
    Trace("LumoEdit Form Activate(End)");
}

void frmLumoEdit::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (bLoadingInfo) {
        platform::MsgBox("You cannot close this window until it has finished loading the Audio Information!",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        Cancel = 1;
        return;
    }
    if (ctlEditor->State() == audio::kStatePlaying) cmdStop_Click();
    if (ctlEditor->State() == audio::kStatePaused) cmdStop_Click();

    ScopedFlag deciding(bInhibitUnloading_);
    // A close asked for from the message loop inside an operation is refused as one while the
    // component works: the window stays whole under the handler that is still using it.
    const int state = AudioBusy() ? audio::kStateBusy : ctlEditor->State();
    if (state != audio::kStateIdle) {
        platform::MsgBox(state == audio::kStateRecording
                             ? "You cannot close this window while audio is being recorded!"
                             : "You cannot close this window until the Wave display has finished its current action",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        Cancel = 1;
        return;
    }
    if (!EditHDRef.empty() && IsItemInRecorder()) {
        Cancel = 1;
        return;
    }
    if (bEdited_) {
        switch (platform::MsgBox(SaveQuestion(cAudioInformation.get()), platform::MsgButtons::YesNoCancel,
                                 platform::MsgIcon::Exclamation)) {
        case platform::MsgResult::Cancel:
            main_.bUnloadCancelled = true;
            Cancel = 1;
            return;
        case platform::MsgResult::Yes:
            // A save that failed keeps the window, the item and its edited flags: clearing
            // either would let the next close drop the changes without asking.
            if (!SaveItem()) {
                Cancel = 1;
                return;
            }
            break;
        default:
            Cancel = 0;
            break;
        }
    }
    if (UnloadMode == FormControlMenu && standalone_) {
        // The window's own close box starts a new, empty item; the window stays.
        SetMousePointer(PointerHourglass);
        ScopeExit pointer([this] { SetMousePointer(PointerDefault); });
        ClearDetails(2);
        Cancel = 1;
        helpers::TimeFormat().Pause(0.5);
    }
    bInhibitUnloading_ = false;
    ClearEdits();
}

void frmLumoEdit::Form_Unload(int&) {
    if (LumoPlayer1->Playing()) LumoPlayer1->Stop();
    if (ctlEditor->State() != audio::kStateIdle) ctlEditor->Stop();
    raise();
    if (CallbackForm) {
        RunHandler("HardDiskItemUpdated", [this] { CallbackForm->HardDiskItemUpdated(EditHDRef); });
        CallbackForm = nullptr;
    }
    try {
        ctlEditor->CloseDocument();
    } catch (...) {
        try {
            ctlEditor->CloseDocument();
        } catch (...) {
        }
    }
    bAudioOpen_ = false;
    EditHDRef.clear();
    activatedOnce_ = false;
    main_.AudioEditorClosed(this);
    cAudioInformation = nullptr;
}

} // namespace lumoedit
