#include "editor/shell/frmOptions.h"

#include "editor/shell/ClientSize.h"
#include "rozuzezer/ui/AudioFormatChooser.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmAudioFormatOptions.h"
#include "platform/base/MessageBox.h"
#include "platform/devices/Devices.h"
#include "shared/helpers/FileHelper.h"

#include <QString>

namespace lumoedit {

using namespace platform::ui;
using rozuzezer::ui::ChooseAudioFormat;
using platform::MsgBox;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

struct FormatRow {
    const char* load; // nullptr: a save-only format
    const char* save;
    const char* caption;
    const char* code;
};

const FormatRow kFormats[] = {
    {"LOADMP2", "SAVEMP2", "MPEG 2 (*.mp2)", "MP2"},
    {"LOADMP3", "SAVEMP3", "MPEG 3 (*.mp3)", "MP3"},
    {"LOADOGG", "SAVEOGG", "Ogg Vorbis (*.ogg)", "OGG"},
    {"LOADPCM", "SAVEPCM", "Raw PCM (*.pcm)", "PCM"},
    {"LOADWMA", "SAVEWMA", "Windows Media (*.wma)", "WMA"},
    {nullptr, "SAVEIMA", "Windows IMA ADPCM WAV (*.WAV)", "IMA"},
    {"LOADWAV", "SAVEWAV", "Windows WAV (*.WAV)", "WAV"},
};

constexpr const char* kLoadDefault = "|MP2|MP3|OGG|WAV|";
constexpr const char* kSaveDefault = "|MP2|MP3|OGG|IMA|WAV|";

bool Holds(const std::string& list, const char* code) { return list.find(std::string("|") + code + "|") != std::string::npos; }

// The format family a save key's options are chosen in; 0 for keys without options.
std::int32_t FamilyOfSaveKey(const std::string& key) {
    if (key == "SAVEMP2") return helpers::cAudioFormat::afMPEG2;
    if (key == "SAVEMP3") return helpers::cAudioFormat::afMPEG3;
    if (key == "SAVEOGG") return helpers::cAudioFormat::afOggVorbis;
    if (key == "SAVEWMA") return helpers::cAudioFormat::afWindowsMedia;
    return 0;
}

void FillDevices(ComboBox* combo, platform::devices::Direction d) {
    combo->Clear();
    const int count = platform::devices::DeviceCount(d);
    for (int i = -1; i < count; ++i) {
        auto caps = platform::devices::GetDeviceCaps(d, i);
        if (!caps) continue;
        combo->AddItem(caps->name);
        combo->SetItemData(combo->NewIndex(), i + 1);
    }
}

void SelectByItemData(ComboBox* combo, long value) {
    for (int i = 0; i < combo->ListCount(); ++i) {
        if (combo->ItemData(i) == value) {
            combo->SetListIndex(i);
            return;
        }
    }
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

} // namespace

frmOptions::frmOptions(QWidget* owner) : Form("frmOptions", owner) {
    SetCaption("LumoEdit Options");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    QWidget* c = Client();
    tbsOptions = new TabStrip(c, "tbsOptions");
    Move(tbsOptions, 120, 120, 9480, 4140);
    QWidget* general = tbsOptions->AddTab("General");
    QWidget* formats = tbsOptions->AddTab("File Formats");
    QWidget* advanced = tbsOptions->AddTab("Advanced Settings");

    // General
    fraAudioSettings = new Frame(general, "fraAudioSettings", "Audio Settings:");
    Move(fraAudioSettings, 120, 120, 9120, 1260);
    lblRecordDeviceDesc = new Label(fraAudioSettings, "lblRecordDeviceDesc", "Record using:");
    Move(lblRecordDeviceDesc, 240, 405, 1500, 285);
    comboRecordDevice = new ComboBox(fraAudioSettings, "comboRecordDevice");
    Move(comboRecordDevice, 1800, 360, 7080, 330);
    lblPlaybackDeviceDesc = new Label(fraAudioSettings, "lblPlaybackDeviceDesc", "Playback using:");
    Move(lblPlaybackDeviceDesc, 240, 825, 1500, 285);
    comboPlaybackDevice = new ComboBox(fraAudioSettings, "comboPlaybackDevice");
    Move(comboPlaybackDevice, 1800, 780, 7080, 330);

    fraTemporaryDirectory = new Frame(general, "fraTemporaryDirectory", "Temporary Directory:");
    Move(fraTemporaryDirectory, 120, 1500, 9120, 840);
    lblTempDirectoryDesc = new Label(fraTemporaryDirectory, "lblTempDirectoryDesc", "Directory:");
    Move(lblTempDirectoryDesc, 240, 405, 1500, 285);
    txtTemporaryPath = new TextBox(fraTemporaryDirectory, "txtTemporaryPath");
    Move(txtTemporaryPath, 1800, 360, 5820, 330);
    cmdBrowseTempPath = new CommandButton(fraTemporaryDirectory, "cmdBrowseTempPath", "Browse");
    Move(cmdBrowseTempPath, 7740, 338, 1140, 375);

    fraOptions = new Frame(general, "fraOptions", "Options:");
    Move(fraOptions, 120, 2460, 9120, 1200);
    listOptions = new uListSettings(fraOptions, "listOptions");
    Move(listOptions, 240, 330, 8640, 720);

    // File Formats
    fraLoadFormats = new Frame(formats, "fraLoadFormats", "Allow users to Load these formats:");
    Move(fraLoadFormats, 120, 120, 4500, 3540);
    listLoadFormats = new uListSettings(fraLoadFormats, "listLoadFormats");
    Move(listLoadFormats, 180, 330, 4140, 3030);
    Frame1 = new Frame(formats, "Frame1", "Allow Users to Save in these formats:");
    Move(Frame1, 4740, 120, 4500, 3540);
    listSaveFormats = new uListSettings(Frame1, "listSaveFormats");
    Move(listSaveFormats, 180, 330, 4140, 2550);
    cmdSaveFormatOptions = new CommandButton(Frame1, "cmdSaveFormatOptions", "Format Options");
    Move(cmdSaveFormatOptions, 2520, 2985, 1800, 375);
    SetEnabled(cmdSaveFormatOptions, false);

    // Advanced Settings
    chkForceAudioFormat = new CheckBox(advanced, "chkForceAudioFormat",
                                       "Only allow new audio files to be created in this format:");
    Move(chkForceAudioFormat, 240, 240, 8880, 300);
    fraAudioFormat = new Frame(advanced, "fraAudioFormat");
    Move(fraAudioFormat, 120, 660, 9120, 1020);
    lblAudioFormatDescription = new Label(fraAudioFormat, "lblAudioFormatDescription");
    Move(lblAudioFormatDescription, 240, 420, 7140, 285);
    cmdChangeAudioFormat = new CommandButton(fraAudioFormat, "cmdChangeAudioFormat", "Change");
    Move(cmdChangeAudioFormat, 7620, 375, 1260, 375);

    cmdOK = new CommandButton(c, "cmdOK", "OK");
    cmdOK->SetDefault(true);
    Move(cmdOK, 7005, 4380, 1215, 375);
    cmdCancel = new CommandButton(c, "cmdCancel", "Cancel");
    cmdCancel->SetCancel(true);
    Move(cmdCancel, 8385, 4380, 1215, 375);

    connect(cmdOK, &CommandButton::Click, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &CommandButton::Click, this, &frmOptions::cmdCancel_Click);
    connect(chkForceAudioFormat, &CheckBox::Click, this, &frmOptions::chkForceAudioFormat_Click);
    connect(cmdChangeAudioFormat, &CommandButton::Click, this, &frmOptions::cmdChangeAudioFormat_Click);
    connect(cmdBrowseTempPath, &CommandButton::Click, this, &frmOptions::cmdBrowseTempPath_Click);
    connect(cmdSaveFormatOptions, &CommandButton::Click, this, &frmOptions::cmdSaveFormatOptions_Click);
    connect(listSaveFormats, &uListSettings::ItemCheck, this, &frmOptions::listSaveFormats_ItemCheck);
    connect(listSaveFormats, &uListSettings::ItemClick, this, &frmOptions::listSaveFormats_ItemCheck);
    connect(listSaveFormats, &uListSettings::DblClick, this, &frmOptions::listSaveFormats_DblClick);
    connect(txtTemporaryPath, &TextBox::GotFocus, this, [this] { SelectAllText(txtTemporaryPath); });
    SetClientSize(this, 9720, 4875);
}

frmOptions::~frmOptions() = default;

void frmOptions::Form_Load() {
    saveOptions_.clear();
    rozuzezer::cAudioSettings& settings = AudioSettings();
    listOptions->Clear();
    auto group = listOptions->AddGroup("PREFERENCES", "Preferences");
    listOptions->AddSetting(group, "OPENAUDIO", "Open the file for audio editing immediately",
                            Preferences().EditorOpenAudioOnLoad());
    forced_ = settings.AudioFormat()->Clone();
    lblAudioFormatDescription->SetCaption(forced_->Description() + " ");
    chkForceAudioFormat->SetValue(settings.AudioAllowOtherFormat == 0 ? 1 : 0);
    chkForceAudioFormat_Click();

    {
        platform::devices::ScopedSnapshot snapshot;
        FillDevices(comboRecordDevice, platform::devices::Direction::Input);
        FillDevices(comboPlaybackDevice, platform::devices::Direction::Output);
    }
    SelectByItemData(comboRecordDevice, settings.RecordingSoundCardNumber);
    SelectByItemData(comboPlaybackDevice, settings.EditSoundCardNumber);
    txtTemporaryPath->SetText(settings.EditorTemporaryDirectory);
    FillFormats();
    tbsOptions->SetTab(0);
}

void frmOptions::FillFormats() {
    const std::string load = Permissions().GetPermission("LoadFormats", kLoadDefault);
    const std::string save = Permissions().GetPermission("SaveFormats", kSaveDefault);
    listLoadFormats->Clear();
    auto lg = listLoadFormats->AddGroup("LOADFORMATS", "Allow users to Load:");
    for (const auto& row : kFormats)
        if (row.load) listLoadFormats->AddSetting(lg, row.load, row.caption, Holds(load, row.code));
    listLoadFormats->expandAll();
    listSaveFormats->Clear();
    auto sg = listSaveFormats->AddGroup("SAVEFORMATS", "Allow users to Save:");
    for (const auto& row : kFormats) {
        listSaveFormats->AddSetting(sg, row.save, row.caption, Holds(save, row.code));
        saveOptions_[row.save] = Permissions().GetPermission(row.save, "");
    }
    listSaveFormats->expandAll();
    listOptions->expandAll();
}

void frmOptions::Form_Unload(int&) {
    forced_ = {};
    saveOptions_.clear();
}

void frmOptions::chkForceAudioFormat_Click() {
    const bool on = chkForceAudioFormat->Value() == 1;
    SetEnabled(fraAudioFormat, on);
    SetEnabled(lblAudioFormatDescription, on);
    SetEnabled(cmdChangeAudioFormat, on);
}

void frmOptions::cmdChangeAudioFormat_Click() {
    if (!forced_) return;
    ChooseAudioFormat(*forced_, 2, 32759, this);
    lblAudioFormatDescription->SetCaption(forced_->Description() + " ");
}

void frmOptions::cmdBrowseTempPath_Click() {
    std::string start = txtTemporaryPath->Text();
    if (start.empty()) start = helpers::FileHelper().EnvironmentValue("TMP");
    CommonDialog dialog;
    dialog.Owner = this;
    const std::string folder = dialog.BrowseForFolder("Directory to store Temporary files in:", start);
    if (!folder.empty()) txtTemporaryPath->SetText(folder);
}

void frmOptions::listSaveFormats_ItemCheck(const std::string& key, bool ticked) {
    if (ticked) {
        SetEnabled(cmdSaveFormatOptions, FamilyOfSaveKey(key) != 0);
        SetTag(cmdSaveFormatOptions, key);
    } else {
        SetEnabled(cmdSaveFormatOptions, false);
    }
}

void frmOptions::listSaveFormats_DblClick() {
    if (Enabled(cmdSaveFormatOptions)) cmdSaveFormatOptions_Click();
}

void frmOptions::cmdSaveFormatOptions_Click() {
    if (chkForceAudioFormat->Value() != 1) {
        MsgBox("You must enable the 'Force Audio Files Format' option to use this feature", MsgButtons::OK,
               MsgIcon::Exclamation);
        return;
    }
    const std::string key = Tag(cmdSaveFormatOptions);
    auto it = saveOptions_.find(key);
    if (it == saveOptions_.end() || !forced_) return;
    auto format = platform::component::MakeRef<helpers::cAudioFormat>();
    format->SetFormatFamily(FamilyOfSaveKey(key));
    format->SetSamplesPerSec(forced_->SamplesPerSec());
    format->SetChannels(forced_->Channels());
    if (!it->second.empty()) {
        format->SetAnyFormat("");
        format->SetFormatText(it->second);
    } else {
        format->SetAnyFormat("ANY");
    }
    frmAudioFormatOptions dialog(this);
    if (!dialog.GetAudioFormat(format.get())) return;
    it->second = format->AnyFormat() == "ANY" ? std::string() : format->FormatText();
}

void frmOptions::cmdOK_Click() {
    rozuzezer::cAudioSettings& settings = AudioSettings();
    std::string folder = TrimBlanks(txtTemporaryPath->Text());
    if (folder.empty()) {
        MsgBox("You must enter a Temporary Directory before you can continue", MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    if (!helpers::FileHelper().FolderExists(folder)) {
        const MsgResult r = MsgBox("Do you want the Temporary Directory to be created?\n\n"
                                   "Note: This directory must be created before you can continue",
                                   MsgButtons::YesNo, MsgIcon::Question);
        if (r != MsgResult::Yes) return;
        if (!helpers::FileHelper().CreateFolder(folder, true)) {
            MsgBox("The Temporary Directory \"" + folder + "\" could not be created. Please choose another directory.",
                   MsgButtons::OK, MsgIcon::Exclamation);
            return;
        }
    }
    // A machine without sound devices has nothing to choose from: its lists are empty and the
    // stored numbers stay as they are, so the other options can still be changed.
    if (comboRecordDevice->ListCount() > 0 && comboRecordDevice->ListIndex() < 0) {
        MsgBox("You must select a Sound Device to record from", MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    if (comboPlaybackDevice->ListCount() > 0 && comboPlaybackDevice->ListIndex() < 0) {
        MsgBox("You must select a Sound Device to play audio with", MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    if (comboRecordDevice->ListIndex() >= 0)
        settings.RecordingSoundCardNumber = static_cast<std::int16_t>(comboRecordDevice->ItemData(comboRecordDevice->ListIndex()));
    if (comboPlaybackDevice->ListIndex() >= 0)
        settings.EditSoundCardNumber = static_cast<std::int16_t>(comboPlaybackDevice->ItemData(comboPlaybackDevice->ListIndex()));
    // The separator goes after the folder that was checked, not after blanks typed behind it.
    if (folder.back() != '/') folder += '/';
    txtTemporaryPath->SetText(folder);
    if (!SameIgnoringCase(settings.EditorTemporaryDirectory, folder))
        MsgBox("The new Temporary Directory will take effect next time you start LumoEdit", MsgButtons::OK,
               MsgIcon::Information);
    settings.EditorTemporaryDirectory = folder;
    settings.AudioAllowOtherFormat = chkForceAudioFormat->Value() == 1 ? 0 : -1;
    if (forced_) settings.AudioFormat()->CopyFrom(*forced_);
    settings.SaveProfile("Profile1");
    Preferences().SetEditorOpenAudioOnLoad(listOptions->Setting("OPENAUDIO"));

    if (listLoadFormats->TickedItems().empty()) {
        MsgBox("You must select at least one Audio Format that users are allowed to Load", MsgButtons::OK,
               MsgIcon::Exclamation);
        return;
    }
    if (listSaveFormats->TickedItems().empty()) {
        MsgBox("You must select at least one Audio Format that users are allowed to Save", MsgButtons::OK,
               MsgIcon::Exclamation);
        return;
    }
    // The format lists and their options are stored as one change, so every program of the
    // machine sees the old permissions or the new ones.
    std::vector<cDirectoryPrefPerms::PermissionChange> permissions;
    std::string load = "|";
    for (const auto& item : listLoadFormats->Items())
        if (item.ticked) load += item.key.substr(4) + "|";
    permissions.push_back({"LoadFormats", load, ""});
    std::string save = "|";
    for (const auto& item : listSaveFormats->Items()) {
        if (!item.ticked) continue;
        save += item.key.substr(4) + "|";
        permissions.push_back({item.key, saveOptions_[item.key], ""});
    }
    permissions.push_back({"SaveFormats", save, ""});
    Permissions().SetPermissions(permissions);
    cCurrentUser& user = BVDirectory().CurrentUser();
    BVDirectory().SaveContactPermissions(user.UserNumber(), user);
    Unload();
}

void frmOptions::cmdCancel_Click() { Unload(); }

} // namespace lumoedit
