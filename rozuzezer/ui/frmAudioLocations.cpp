#include "rozuzezer/ui/frmAudioLocations.h"

#include "platform/base/MessageBox.h"
#include "platform/fs/Files.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Handlers.h"
#include "rozuzezer/ui/DialogSupport.h"
#include "shared/helpers/FileHelper.h"

#include <algorithm>

namespace rozuzezer::ui {

using namespace platform::ui;
using platform::MsgBox;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

const char* const kRowCaptions[] = {"Carts 1 to 1000:",     "Carts 1001 to 2000:", "Carts 2001 to 3000:",
                                    "Carts 3001 to 4000:",  "Carts 4001 to 5000:", "Carts 5001 to 6000:",
                                    "Carts 6001 to 7000:",  "Carts 7001 to 8000:", "Carts 8001 to 9000:",
                                    "Carts 9001 to 10000:", "Carts 10001 to..."};

} // namespace

frmAudioLocations::frmAudioLocations(QWidget* owner) : Form("frmAudioLocations", owner) {
    SetCaption("Verudivur Locations:");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    QWidget* c = Client();
    const QIcon browse = ThemeIcon("folder-open");
    for (int i = 1; i <= kRows; ++i) {
        const double top = 240 + (i - 1) * 420.0;
        const std::string index = "(" + std::to_string(i) + ")";
        Label2[i] = new Label(c, "Label2" + index, kRowCaptions[i - 1]);
        Move(Label2[i], 240, top + 45, 2100, 285);
        txtCartLocations[i] = new TextBox(c, "txtCartLocations" + index);
        txtCartLocations[i]->SetMaxLength(255);
        Move(txtCartLocations[i], 2400, top, 5400, 330);
        cmdChangeCartLocation[i] = new CommandButton(c, "cmdChangeCartLocation" + index);
        cmdChangeCartLocation[i]->setIcon(browse);
        if (browse.isNull()) cmdChangeCartLocation[i]->SetCaption("...");
        cmdChangeCartLocation[i]->setToolTip(Q("Select the Folder that this part of the Verudivur is stored in"));
        Move(cmdChangeCartLocation[i], 7920, top - 15, 480, 360);
        OnCall(txtCartLocations[i], &TextBox::Change, this, [this, i] { txtCartLocations_Change(i); },
               "txtCartLocations_Change");
        OnCall(
            txtCartLocations[i], &TextBox::GotFocus, this,
            [this, i] {
                txtCartLocations[i]->SetSelStart(0);
                txtCartLocations[i]->SetSelLength(1000);
            },
            "txtCartLocations_GotFocus");
        OnCall(cmdChangeCartLocation[i], &CommandButton::Click, this, [this, i] { cmdChangeCartLocation_Click(i); },
               "cmdChangeCartLocation_Click");
    }
    const double below = 240 + kRows * 420.0 + 60;
    chkUseOneCartLocation = new CheckBox(c, "chkUseOneCartLocation", "Store all carts in the same location");
    Move(chkUseOneCartLocation, 2400, below, 6000, 300);
    cmdSettings = new CommandButton(c, "cmdSettings", "Global Verudivur Settings");
    cmdSettings->setToolTip(Q("Global Verudivur Settings"));
    cmdSettings->setIcon(ThemeIcon("configure"));
    Move(cmdSettings, 240, below + 540, 3000, 375);
    cmdOK = new CommandButton(c, "cmdOK", "OK");
    cmdOK->SetDefault(true);
    Move(cmdOK, 5805, below + 540, 1215, 375);
    cmdCancel = new CommandButton(c, "cmdCancel", "Cancel");
    cmdCancel->SetCancel(true);
    Move(cmdCancel, 7185, below + 540, 1215, 375);
    SetEnabled(cmdSettings, false);

    On(chkUseOneCartLocation, &CheckBox::Click, this, &frmAudioLocations::chkUseOneCartLocation_Click, "chkUseOneCartLocation_Click");
    On(cmdOK, &CommandButton::Click, this, &frmAudioLocations::cmdOK_Click, "cmdOK_Click");
    On(cmdCancel, &CommandButton::Click, this, &frmAudioLocations::cmdCancel_Click, "cmdCancel_Click");
    On(cmdSettings, &CommandButton::Click, this, &frmAudioLocations::cmdSettings_Click, "cmdSettings_Click");
    SetClientSizeTwips(this, 8640, below + 1035);
}

frmAudioLocations::~frmAudioLocations() { DisconnectFromWindow(this); }

void frmAudioLocations::Form_Load() {
    Cancelled = false;
    SetMousePointer(PointerDefault);
}

void frmAudioLocations::Form_QueryUnload(int& Cancel, int UnloadMode) {
    // The close box is Cancel: nothing is written and no folder gets created.
    if (UnloadMode == FormControlMenu) {
        Cancel = 1;
        cmdCancel_Click();
    }
}

void frmAudioLocations::Form_Unload(int& /*Cancel*/) {
    Cancelled = false;
    wall_ = nullptr;
}

void frmAudioLocations::SetVerudivur(cRozuzezer* wall) {
    Cancelled = false;
    if (!wall) return;
    if (!IsLoaded()) Load();
    wall_ = wall;
    bool allSame = true;
    for (int i = 1; i <= kRows; ++i) {
        txtCartLocations[i]->SetText(Trim(wall->AudioLocation(static_cast<std::int16_t>(i))));
        if (txtCartLocations[i]->Text() != txtCartLocations[1]->Text()) allSame = false;
    }
    txtCartLocations_Change(1);
    if (allSame) chkUseOneCartLocation->SetValue(1);
}

void frmAudioLocations::chkUseOneCartLocation_Click() {
    const bool one = chkUseOneCartLocation->Value() != 0;
    for (int i = 2; i <= kRows; ++i) {
        if (one) txtCartLocations[i]->SetText(txtCartLocations[1]->Text());
        SetEnabled(Label2[i], !one);
        SetEnabled(txtCartLocations[i], !one);
        SetEnabled(cmdChangeCartLocation[i], !one);
    }
}

void frmAudioLocations::txtCartLocations_Change(int /*Index*/) {
    if (chkUseOneCartLocation->Value() != 0)
        for (int i = 2; i <= kRows; ++i) txtCartLocations[i]->SetText(txtCartLocations[1]->Text());
    SetEnabled(cmdSettings, !Trim(txtCartLocations[1]->Text()).empty());
}

void frmAudioLocations::cmdChangeCartLocation_Click(int Index) {
    if (Index < 1 || Index > kRows) return;
    CommonDialog dialog;
    dialog.Owner = this;
    const std::string folder =
        dialog.BrowseForFolder("Select the directory that the audio is stored in", txtCartLocations[Index]->Text());
    if (!folder.empty()) txtCartLocations[Index]->SetText(Trim(folder));
}

void frmAudioLocations::cmdOK_Click() {
    if (!wall_) return;
    SetMousePointer(PointerHourglass);
    const int count = std::min<int>(wall_->NumberAudioLocations(), kRows);
    for (int i = 1; i <= count; ++i) {
        std::string row = Trim(txtCartLocations[i]->Text());
        // "/" alone is the root folder, a real location; only a separator after a name goes.
        if (!row.empty() && (row.back() == '\\' || (row.back() == '/' && row.size() > 1))) row.pop_back();
        row = Trim(row);
        wall_->SetAudioLocation(static_cast<std::int16_t>(i), row);
    }
    Cancelled = false;
    Hide();
    SetMousePointer(PointerDefault);
}

void frmAudioLocations::cmdCancel_Click() {
    Cancelled = true;
    Hide();
}

void frmAudioLocations::cmdSettings_Click() {
    const std::string first = Trim(txtCartLocations[1]->Text());
    if (first.empty()) {
        MsgBox("You must enter a valid location for Carts 1 to 1000 before you can adjust the Verudivur's Settings",
               MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    if (!helpers::FileHelper().FolderExists(platform::fs::ResolveNoCase(first))) {
        MsgBox("The location entered for Carts 1 to 1000 must be created before you can adjust the Verudivur's Settings",
               MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    auto wall = platform::component::MakeRef<cRozuzezer>();
    const std::int16_t count = wall_ ? wall_->NumberAudioLocations() : static_cast<std::int16_t>(kRows);
    wall->SetNumberAudioLocations(count);
    for (int i = 1; i <= std::min<int>(count, kRows); ++i)
        wall->SetAudioLocation(static_cast<std::int16_t>(i), Trim(txtCartLocations[i]->Text()));
    wall->GetRozuzezerSettings(wall->AudioLocation(1));
    wall->DisplaySettings();
}

} // namespace rozuzezer::ui
