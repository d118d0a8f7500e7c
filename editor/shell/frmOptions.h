// The options dialog: the editor's audio devices, temporary folder, forced audio format,
// open-audio preference, and which formats users may load and save.
#pragma once

#include "platform/ui/CommonDialog.h"
#include "platform/ui/Containers.h"
#include "platform/ui/Form.h"
#include "platform/ui/ListSettings.h"
#include "shared/helpers/AudioFormat.h"

#include <map>
#include <string>

namespace lumoedit {

class frmOptions : public platform::ui::Form {
public:
    explicit frmOptions(QWidget* owner = nullptr);
    ~frmOptions() override;

    void cmdOK_Click();
    void cmdCancel_Click();
    void chkForceAudioFormat_Click();
    void cmdChangeAudioFormat_Click();
    void cmdBrowseTempPath_Click();
    void cmdSaveFormatOptions_Click();
    void listSaveFormats_ItemCheck(const std::string& key, bool ticked);
    void listSaveFormats_DblClick();

    // The per-format save option values, by save key ("SAVEMP2" ...).
    const std::map<std::string, std::string>& SaveFormatOptions() const { return saveOptions_; }
    const helpers::AudioFormatRef& ForcedFormat() const { return forced_; }

    platform::ui::TabStrip* tbsOptions = nullptr;
    platform::ui::Frame* fraAudioSettings = nullptr;
    platform::ui::Label* lblRecordDeviceDesc = nullptr;
    platform::ui::ComboBox* comboRecordDevice = nullptr;
    platform::ui::Label* lblPlaybackDeviceDesc = nullptr;
    platform::ui::ComboBox* comboPlaybackDevice = nullptr;
    platform::ui::Frame* fraOptions = nullptr;
    platform::ui::uListSettings* listOptions = nullptr;
    platform::ui::CheckBox* chkForceAudioFormat = nullptr;
    platform::ui::Frame* fraAudioFormat = nullptr;
    platform::ui::Label* lblAudioFormatDescription = nullptr;
    platform::ui::CommandButton* cmdChangeAudioFormat = nullptr;
    platform::ui::Frame* fraLoadFormats = nullptr;
    platform::ui::uListSettings* listLoadFormats = nullptr;
    platform::ui::Frame* Frame1 = nullptr;
    platform::ui::uListSettings* listSaveFormats = nullptr;
    platform::ui::CommandButton* cmdSaveFormatOptions = nullptr;
    platform::ui::Frame* fraTemporaryDirectory = nullptr;
    platform::ui::Label* lblTempDirectoryDesc = nullptr;
    platform::ui::TextBox* txtTemporaryPath = nullptr;
    platform::ui::CommandButton* cmdBrowseTempPath = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    void FillFormats();
    helpers::AudioFormatRef forced_;
    std::map<std::string, std::string> saveOptions_;
};

} // namespace lumoedit
