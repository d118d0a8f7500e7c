#include "rozuzezer/ui/frmGlobalRozuzezerSettings.h"

#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "rozuzezer/ui/DialogSupport.h"

#include <QString>

#include <algorithm>

namespace rozuzezer::ui {

using namespace platform::ui;
using platform::MsgBox;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

constexpr int kImportTab = 1;
constexpr const char* kCartsMessage = "You must enter a number of Carts from 1 to 99999";
const char* const kPictureRows[] = {"\".BMP\" (uncompressed)", "\".GIF\" (compressed)", "\".JPG\" (compressed)"};
const char* const kServers[] = {"gnudb.gnudb.org", "gnudb.org", "freedb.dbpoweramp.com"};

std::string Upper(const std::string& s) { return S(Q(s).toUpper()); }

// Characters 3 to 5 of a picture row: the type's three letters.
std::string PictureLetters(const std::string& row) { return row.size() >= 5 ? row.substr(2, 3) : std::string(); }

// The members OK writes, so a save that failed leaves the object as it was.
struct Written {
    std::int32_t carts;
    std::string picture, server, email;
    std::int16_t link, individual, copyright, cddb, autoTop, normalise;
    explicit Written(const cRozuzezer& w)
        : carts(w.NumberCarts), picture(w.PictureFileExtension), server(w.CDDBServer), email(w.CDDBEmailAddress),
          link(w.AllowAudioFileLinking), individual(w.UseIndividualCartListFiles),
          copyright(w.StoreCopyrightInformationInCartChunk), cddb(w.CDDBEnabled), autoTop(w.CDRipAutoTop),
          normalise(w.CDRipNormalisePercent) {}
    void Restore(cRozuzezer& w) const {
        w.NumberCarts = carts;
        w.PictureFileExtension = picture;
        w.CDDBServer = server;
        w.CDDBEmailAddress = email;
        w.AllowAudioFileLinking = link;
        w.UseIndividualCartListFiles = individual;
        w.StoreCopyrightInformationInCartChunk = copyright;
        w.CDDBEnabled = cddb;
        w.CDRipAutoTop = autoTop;
        w.CDRipNormalisePercent = normalise;
    }
};

} // namespace

frmGlobalRozuzezerSettings::frmGlobalRozuzezerSettings(QWidget* owner) : Form("frmGlobalRozuzezerSettings", owner) {
    SetCaption("Global Verudivur Settings");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    QWidget* c = Client();
    tbsSettings = new TabStrip(c, "tbsSettings");
    Move(tbsSettings, 120, 120, 8460, 4680);
    QWidget* general = tbsSettings->AddTab("General");
    QWidget* importing = tbsSettings->AddTab("Importing Audio");
    QWidget* advanced = tbsSettings->AddTab("Advanced");

    frameRozuzezerLimits = new Frame(general, "frameRozuzezerLimits", "RozuzEzer Size");
    Move(frameRozuzezerLimits, 120, 120, 8160, 1380);
    lblNumberCarts = new Label(frameRozuzezerLimits, "lblNumberCarts", "Number of Carts that can be stored on the RozuzEzer:");
    Move(lblNumberCarts, 240, 405, 5580, 285);
    txtNoCarts = new TextBox(frameRozuzezerLimits, "txtNoCarts");
    Move(txtNoCarts, 5880, 360, 900, 330);
    cmdSetNoCarts = new CommandButton(frameRozuzezerLimits, "cmdSetNoCarts", "Set");
    Move(cmdSetNoCarts, 6900, 338, 1140, 375);
    lblNoCartsDesc = new Label(frameRozuzezerLimits, "lblNoCartsDesc", "(You cannot have more than 99,999 carts)");
    Move(lblNoCartsDesc, 240, 870, 7800, 285);
    fraPictureOptions = new Frame(general, "fraPictureOptions", "Picture Options:");
    Move(fraPictureOptions, 120, 1620, 8160, 840);
    lblPictureTypeDesc = new Label(fraPictureOptions, "lblPictureTypeDesc", "Verudivur Picture filename extension:");
    Move(lblPictureTypeDesc, 240, 405, 3960, 285);
    comboPictureType = new ComboBox(fraPictureOptions, "comboPictureType");
    Move(comboPictureType, 4320, 360, 3720, 330);

    fraOtherImportOptions = new Frame(importing, "fraOtherImportOptions", "Other Options:");
    Move(fraOtherImportOptions, 120, 120, 8160, 780);
    chkNormalise = new CheckBox(fraOtherImportOptions, "chkNormalise", "Normalise the imported  audio to:");
    Move(chkNormalise, 240, 375, 3600, 300);
    txtNormaliseLevel = new TextBox(fraOtherImportOptions, "txtNormaliseLevel");
    txtNormaliseLevel->SetMaxLength(3);
    Move(txtNormaliseLevel, 3900, 360, 600, 330);
    lblNormalisePercent = new Label(fraOtherImportOptions, "lblNormalisePercent", "percent");
    Move(lblNormalisePercent, 4620, 405, 1500, 285);
    fraRIPCDSettings = new Frame(importing, "fraRIPCDSettings", "CD 'Ripper' Settings:");
    Move(fraRIPCDSettings, 120, 1020, 8160, 2760);
    chkAutoTopAudio = new CheckBox(fraRIPCDSettings, "chkAutoTopAudio", "Automatically trim silence at the start (Top) of audio");
    Move(chkAutoTopAudio, 240, 360, 7680, 300);
    chkAllowCDDB = new CheckBox(fraRIPCDSettings, "chkAllowCDDB", "Allow the internet to be queried for CD Titles:");
    Move(chkAllowCDDB, 240, 780, 7680, 300);
    fraCDDB = new Frame(fraRIPCDSettings, "fraCDDB");
    Move(fraCDDB, 240, 1140, 7680, 1440);
    lblCDDBServerDesc = new Label(fraCDDB, "lblCDDBServerDesc", "CDDB Server:");
    Move(lblCDDBServerDesc, 240, 405, 1560, 285);
    comboCDDBServer = new ComboBox(fraCDDB, "comboCDDBServer", ComboBox::DropDownCombo);
    Move(comboCDDBServer, 1860, 360, 5580, 330);
    lblCDDBEmailAddress = new Label(fraCDDB, "lblCDDBEmailAddress", "E-Mail Address:");
    Move(lblCDDBEmailAddress, 240, 885, 1560, 285);
    txtCDDBEmailAddress = new TextBox(fraCDDB, "txtCDDBEmailAddress");
    Move(txtCDDBEmailAddress, 1860, 840, 5580, 330);
    lblCDDBPort = new Label(fraCDDB, "lblCDDBPort", "Server Port:");
    SetVisible(lblCDDBPort, false);

    lblAdvancedSettingsWarningDesc = new Label(advanced, "lblAdvancedSettingsWarningDesc",
                                               "Changing the following settings could result in losing information from your "
                                               "Verudivur. You should consult Brevant Ltd. before continuing.");
    lblAdvancedSettingsWarningDesc->setWordWrap(true);
    Move(lblAdvancedSettingsWarningDesc, 240, 240, 7980, 510);
    uAdvancedSettings = new uListSettings(advanced, "uAdvancedSettings");
    Move(uAdvancedSettings, 240, 840, 7980, 3300);

    cmdOK = new CommandButton(c, "cmdOK", "OK");
    cmdOK->SetDefault(true);
    Move(cmdOK, 5985, 4920, 1215, 375);
    cmdCancel = new CommandButton(c, "cmdCancel", "Cancel");
    cmdCancel->SetCancel(true);
    Move(cmdCancel, 7365, 4920, 1215, 375);

    On(cmdOK, &CommandButton::Click, this, &frmGlobalRozuzezerSettings::cmdOK_Click, "cmdOK_Click");
    On(cmdCancel, &CommandButton::Click, this, &frmGlobalRozuzezerSettings::cmdCancel_Click, "cmdCancel_Click");
    On(cmdSetNoCarts, &CommandButton::Click, this, &frmGlobalRozuzezerSettings::cmdSetNoCarts_Click, "cmdSetNoCarts_Click");
    On(chkAllowCDDB, &CheckBox::Click, this, &frmGlobalRozuzezerSettings::chkAllowCDDB_Click, "chkAllowCDDB_Click");
    On(chkNormalise, &CheckBox::Click, this, &frmGlobalRozuzezerSettings::chkNormalise_Click, "chkNormalise_Click");
    OnCall(txtNoCarts, &TextBox::KeyPress, this, [](int& key) { key = NumericKey(key); }, "txtNoCarts_KeyPress");
    OnCall(
        txtNormaliseLevel, &TextBox::LostFocus, this,
        [this] { txtNormaliseLevel->SetText(std::to_string(ClampedValue(txtNormaliseLevel->Text(), 0, 100))); },
        "txtNormaliseLevel_LostFocus");
    for (QWidget* w : std::initializer_list<QWidget*>{txtNoCarts, txtNormaliseLevel, txtCDDBEmailAddress})
        OnCall(static_cast<TextBox*>(w), &TextBox::GotFocus, this, [w] { SelectAllText(w); }, "GotFocus");
    OnCall(comboCDDBServer, &ComboBox::GotFocus, this, [this] { SelectAllText(comboCDDBServer); },
           "comboCDDBServer_GotFocus");
    chkAllowCDDB_Click();
    chkNormalise_Click();
    SetClientSizeTwips(this, 8700, 5415);
}

frmGlobalRozuzezerSettings::~frmGlobalRozuzezerSettings() { DisconnectFromWindow(this); }

void frmGlobalRozuzezerSettings::Form_Load() {
    txtNoCarts->SetMaxLength(static_cast<int>(std::string("99999").size()));
    tbsSettings->SetTab(0);
}

void frmGlobalRozuzezerSettings::Form_Unload(int& /*Cancel*/) { wall_ = nullptr; }

void frmGlobalRozuzezerSettings::SetVerudivur(cRozuzezer* wall) {
    if (!wall) return;
    if (!IsLoaded()) Load();
    wall_ = wall;
    txtNoCarts->SetText(std::to_string(wall->NumberCarts));
    comboPictureType->Clear();
    for (const char* row : kPictureRows) comboPictureType->AddItem(row);
    comboPictureType->SetListIndex(comboPictureType->ListCount() - 1);
    for (int i = 0; i < comboPictureType->ListCount(); ++i)
        if (Upper(PictureLetters(comboPictureType->List(i))) == Upper(wall->PictureFileExtension)) {
            comboPictureType->SetListIndex(i);
            break;
        }
    uAdvancedSettings->Clear();
    auto audio = uAdvancedSettings->AddGroup("AUDIO", "Audio Files:");
    uAdvancedSettings->AddSetting(audio, "LINK", "Allow Users to 'link' Carts to other files not stored in the Verudivur",
                                  wall->AllowAudioFileLinking != 0);
    uAdvancedSettings->AddSetting(audio, "INDFILES", "Store a copy of each Cart's information in an individual file.",
                                  wall->UseIndividualCartListFiles != 0);
    uAdvancedSettings->AddSetting(audio, "COPYRIGHTCARTCHUNK", "Use/store copyright details in CartChunk",
                                  wall->StoreCopyrightInformationInCartChunk != 0);
    uAdvancedSettings->expandAll();
    if (txtNoCarts->Locked()) cmdSetNoCarts_Click(); // a second fill starts from the open box
    cmdSetNoCarts_Click();
    chkAllowCDDB->SetValue(wall->CDDBEnabled != 0 ? 1 : 0);
    chkAllowCDDB_Click();
    txtCDDBEmailAddress->SetText(Trim(wall->CDDBEmailAddress));
    comboCDDBServer->Clear();
    for (const char* server : kServers) comboCDDBServer->AddItem(server);
    comboCDDBServer->SetText(wall->CDDBServer);
    chkAutoTopAudio->SetValue(wall->CDRipAutoTop != 0 ? 1 : 0);
    if (wall->CDRipNormalisePercent < 1) {
        chkNormalise->SetValue(0);
        txtNormaliseLevel->SetText("63");
    } else {
        chkNormalise->SetValue(1);
        txtNormaliseLevel->SetText(std::to_string(wall->CDRipNormalisePercent));
    }
    chkNormalise_Click();
}

void frmGlobalRozuzezerSettings::cmdSetNoCarts_Click() {
    if (!txtNoCarts->Locked()) {
        const double n = NumberValue(txtNoCarts->Text());
        if (n <= 0 || n > 99999) {
            MsgBox(kCartsMessage, MsgButtons::OK, MsgIcon::Exclamation);
            return;
        }
        cmdSetNoCarts->SetCaption("Change");
        txtNoCarts->SetLocked(true);
        SetEnabled(txtNoCarts, false);
        SetBackColor(txtNoCarts, syscolour::ButtonFace);
    } else {
        cmdSetNoCarts->SetCaption("Set");
        txtNoCarts->SetLocked(false);
        SetEnabled(txtNoCarts, true);
        SetBackColor(txtNoCarts, syscolour::Window);
    }
}

void frmGlobalRozuzezerSettings::chkAllowCDDB_Click() {
    const bool on = chkAllowCDDB->Value() == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{fraCDDB, lblCDDBServerDesc, comboCDDBServer, lblCDDBPort,
                                                      lblCDDBEmailAddress, txtCDDBEmailAddress})
        SetEnabled(w, on);
    SetBackColor(comboCDDBServer, on ? syscolour::Window : syscolour::ButtonFace);
    SetBackColor(txtCDDBEmailAddress, on ? syscolour::Window : syscolour::ButtonFace);
}

void frmGlobalRozuzezerSettings::chkNormalise_Click() {
    const bool on = chkNormalise->Value() != 0;
    SetEnabled(txtNormaliseLevel, on);
    SetBackColor(txtNormaliseLevel, on ? syscolour::Window : syscolour::ButtonFace);
}

void frmGlobalRozuzezerSettings::cmdOK_Click() {
    if (!wall_) return;
    auto refuse = [this](const std::string& text, int tab = kImportTab) {
        tbsSettings->SetTab(tab);
        MsgBox(text, MsgButtons::OK, MsgIcon::Exclamation);
    };
    // A number of carts never confirmed with Set must still be one Set would take: an empty
    // box or 0 would otherwise become a wall of one cart.
    if (!txtNoCarts->Locked() && NumberValue(txtNoCarts->Text()) <= 0)
        return refuse(kCartsMessage, 0);
    const long normalise = WholeValue(txtNormaliseLevel->Text());
    if (chkNormalise->Value() != 0 && (normalise < 0 || normalise > 100))
        return refuse("You must specify a percentage from 0 to 100 for the Normalise Imported Audio Percentage");
    const std::string server = comboCDDBServer->Text();
    const std::string email = txtCDDBEmailAddress->Text();
    if (chkAllowCDDB->Value() != 0) {
        if (Trim(server).empty() || server.find('.') == std::string::npos)
            return refuse("You must specify a valid CDDB or FreeDB Server to use to read CD Titles\n\n"
                          "Note that FreeDB Servers do not require an account, whilst CDDB servers do.");
        if (Trim(email).empty() || email.find('@') == std::string::npos || email.find('.') == std::string::npos)
            return refuse("You must enter a valid e-mail address to use CDDB or FreeDB Servers\n\n"
                          "This is normally the email address of the System Administrator");
    }
    if (MsgBox("Are you sure you want to change these settings - they affect everyone who uses this Verudivur "
               "regardless of which application or computer they use.\n\nAre you sure you want to continue?",
               MsgButtons::YesNo, MsgIcon::Question, {}, 2) != MsgResult::Yes)
        return;

    cRozuzezer& w = *wall_;
    const Written before(w);
    w.NumberCarts = std::clamp<long>(WholeValue(txtNoCarts->Text()), 1, 99999);
    const int picture = std::max(0, comboPictureType->ListIndex());
    w.PictureFileExtension = Upper(PictureLetters(comboPictureType->List(picture)));
    w.AllowAudioFileLinking = uAdvancedSettings->Setting("LINK") ? vbTrue : vbFalse;
    w.UseIndividualCartListFiles = uAdvancedSettings->Setting("INDFILES") ? vbTrue : vbFalse;
    w.StoreCopyrightInformationInCartChunk = uAdvancedSettings->Setting("COPYRIGHTCARTCHUNK") ? vbTrue : vbFalse;
    w.CDDBEnabled = chkAllowCDDB->Value() != 0 ? 1 : 0;
    w.CDDBServer = Trim(server);
    w.CDDBEmailAddress = Trim(email);
    w.CDRipAutoTop = chkAutoTopAudio->Value() != 0 ? 1 : 0;
    w.CDRipNormalisePercent = static_cast<std::int16_t>(chkNormalise->Value() != 0 ? normalise : 0);

    const std::string location = w.AudioLocation(1);
    if (!w.SaveRozuzezerSettings(location)) {
        before.Restore(w);
        MsgBox("The settings could not be written to the Verudivur in '" + location +
                   "'. Check that the location exists and that you may change files in it.",
               MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    MsgBox("The settings have been updated and written to the Verudivur", MsgButtons::OK, MsgIcon::Information);
    SetMousePointer(PointerHourglass);
    Unload();
    SetMousePointer(PointerDefault);
}

void frmGlobalRozuzezerSettings::cmdCancel_Click() { Unload(); }

} // namespace rozuzezer::ui
