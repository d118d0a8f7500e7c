#include "editor/shell/frmAudioFormatOptions.h"

#include "editor/shell/ClientSize.h"
#include "rozuzezer/ui/AudioFormatChooser.h"

#include <QCoreApplication>

namespace lumoedit {

using namespace platform::ui;
using rozuzezer::ui::ChooseAudioFormat;

frmAudioFormatOptions::frmAudioFormatOptions(QWidget* owner) : Form("frmAudioFormatOptions", owner) {
    SetCaption("Audio Format Options");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    QWidget* c = Client();
    optAnyFormat = new OptionButton(c, "optAnyFormat", "Allow Users to save in any format");
    Move(optAnyFormat, 240, 180, 5400, 300);
    optSingleFormat = new OptionButton(c, "optSingleFormat", "Only allow Users to save in this format:");
    Move(optSingleFormat, 240, 540, 5400, 300);
    fraForceFormat = new Frame(c, "fraForceFormat");
    Move(fraForceFormat, 480, 900, 5160, 1020);
    lblAudioFormatDescription = new Label(fraForceFormat, "lblAudioFormatDescription");
    lblAudioFormatDescription->setWordWrap(true);
    Move(lblAudioFormatDescription, 180, 200, 4800, 285);
    cmdChangeFormat = new CommandButton(fraForceFormat, "cmdChangeFormat", "Change Format");
    Move(cmdChangeFormat, 3300, 540, 1680, 375);
    cmdOK = new CommandButton(c, "cmdOK", "OK");
    cmdOK->SetDefault(true);
    Move(cmdOK, 3060, 2100, 1215, 375);
    cmdCancel = new CommandButton(c, "cmdCancel", "Cancel");
    cmdCancel->SetCancel(true);
    Move(cmdCancel, 4425, 2100, 1215, 375);
    connect(optAnyFormat, &OptionButton::Click, this, &frmAudioFormatOptions::optSingleFormat_Click);
    connect(optSingleFormat, &OptionButton::Click, this, &frmAudioFormatOptions::optSingleFormat_Click);
    connect(cmdChangeFormat, &CommandButton::Click, this, &frmAudioFormatOptions::cmdChangeFormat_Click);
    connect(cmdOK, &CommandButton::Click, this, &frmAudioFormatOptions::cmdOK_Click);
    connect(cmdCancel, &CommandButton::Click, this, &frmAudioFormatOptions::cmdCancel_Click);
    SetClientSize(this, 5880, 2595);
}

frmAudioFormatOptions::~frmAudioFormatOptions() = default;

void frmAudioFormatOptions::Form_Initialize() { format_ = platform::component::MakeRef<helpers::cAudioFormat>(); }

bool frmAudioFormatOptions::GetAudioFormat(helpers::cAudioFormat* Format) {
    if (!Format) return false;
    Load();
    format_ = helpers::AudioFormatRef(Format);
    if (Format->AnyFormat() == "ANY") optAnyFormat->SetValue(true);
    else optSingleFormat->SetValue(true);
    optSingleFormat_Click();
    Show(Modal);
    const bool ok = !Cancelled;
    Unload();
    QCoreApplication::processEvents();
    return ok;
}

void frmAudioFormatOptions::optSingleFormat_Click() {
    const bool single = optSingleFormat->Value();
    SetEnabled(fraForceFormat, single);
    SetEnabled(lblAudioFormatDescription, single);
    SetEnabled(cmdChangeFormat, single);
    ShowDescription();
}

// The label says what OK would allow: any variant, or the one chosen. The object's own mark
// changes only at OK, so it cannot say that while the user chooses.
void frmAudioFormatOptions::ShowDescription() {
    if (!format_) return;
    const helpers::AudioFormatRef shown = format_->Clone();
    shown->SetAnyFormat(optSingleFormat->Value() ? "" : "ANY");
    lblAudioFormatDescription->SetCaption(shown->Description() + " ");
}

void frmAudioFormatOptions::cmdChangeFormat_Click() {
    if (!format_) return;
    ChooseAudioFormat(*format_, format_->FormatFamily(), 48, this);
    ShowDescription();
}

void frmAudioFormatOptions::cmdOK_Click() {
    if (format_) format_->SetAnyFormat(optAnyFormat->Value() ? "ANY" : "");
    Cancelled = false;
    Hide();
}

void frmAudioFormatOptions::cmdCancel_Click() {
    Cancelled = true;
    Hide();
}

void frmAudioFormatOptions::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode == FormControlMenu) {
        Cancel = 1;
        cmdCancel_Click();
    }
}

void frmAudioFormatOptions::Form_Unload(int&) { format_ = {}; }

} // namespace lumoedit
