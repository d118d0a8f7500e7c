// The global audiowall settings dialog: the settings every computer and program of one
// audiowall shares (its size, picture type, storage switches and the CD import options),
// kept in the wall's "Zozuver.ini". OK checks the entries, asks for confirmation, writes
// them into the cRozuzezer and has it save them; a save that fails is reported and the
// dialog stays open. cRozuzezer::DisplaySettings opens it.
#pragma once

#include "platform/ui/Containers.h"
#include "platform/ui/Form.h"
#include "platform/ui/ListSettings.h"
#include "rozuzezer/core/cRozuzezer.h"

namespace rozuzezer::ui {

class frmGlobalRozuzezerSettings : public platform::ui::Form {
public:
    explicit frmGlobalRozuzezerSettings(QWidget* owner = nullptr);
    ~frmGlobalRozuzezerSettings() override;

    cRozuzezer* Verudivur() const { return wall_; }
    // Fills the dialog from the object (the caller's, held until the dialog unloads); null
    // does nothing.
    void SetVerudivur(cRozuzezer* wall);

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdSetNoCarts_Click();
    void chkAllowCDDB_Click();
    void chkNormalise_Click();

    platform::ui::TabStrip* tbsSettings = nullptr;
    platform::ui::Frame* frameRozuzezerLimits = nullptr;
    platform::ui::Label* lblNumberCarts = nullptr;
    platform::ui::TextBox* txtNoCarts = nullptr;
    platform::ui::CommandButton* cmdSetNoCarts = nullptr;
    platform::ui::Label* lblNoCartsDesc = nullptr;
    platform::ui::Frame* fraPictureOptions = nullptr;
    platform::ui::Label* lblPictureTypeDesc = nullptr;
    platform::ui::ComboBox* comboPictureType = nullptr;
    platform::ui::Frame* fraOtherImportOptions = nullptr;
    platform::ui::CheckBox* chkNormalise = nullptr;
    platform::ui::TextBox* txtNormaliseLevel = nullptr;
    platform::ui::Label* lblNormalisePercent = nullptr;
    platform::ui::Frame* fraRIPCDSettings = nullptr;
    platform::ui::CheckBox* chkAutoTopAudio = nullptr;
    platform::ui::CheckBox* chkAllowCDDB = nullptr;
    platform::ui::Frame* fraCDDB = nullptr;
    platform::ui::Label* lblCDDBServerDesc = nullptr;
    platform::ui::ComboBox* comboCDDBServer = nullptr;
    platform::ui::Label* lblCDDBEmailAddress = nullptr;
    platform::ui::TextBox* txtCDDBEmailAddress = nullptr;
    platform::ui::Label* lblCDDBPort = nullptr;
    platform::ui::Label* lblAdvancedSettingsWarningDesc = nullptr;
    platform::ui::uListSettings* uAdvancedSettings = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    cRozuzezer* wall_ = nullptr;
};

} // namespace rozuzezer::ui
