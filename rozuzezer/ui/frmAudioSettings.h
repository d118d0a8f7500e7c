// The audio settings dialog: one computer's audio settings profile (a cAudioSettings) on four
// tabs — the cart players and their sound devices, playback, recording and editing, and the
// advanced switches. It works on its controls and a few working copies while open; only OK
// writes into the settings object, and it does so only when every entry passed its checks,
// then saves the profile. cAudioSettings::DisplaySettings opens it.
#pragma once

#include "platform/ui/Containers.h"
#include "platform/ui/Form.h"
#include "platform/ui/Grid.h"
#include "platform/ui/ListSettings.h"
#include "rozuzezer/core/cAudioSettings.h"
#include "shared/helpers/AudioFormat.h"

#include <array>
#include <cstdint>

namespace rozuzezer::ui {

class frmAudioSettings : public platform::ui::Form {
public:
    // The players this dialog lets a computer run.
    static constexpr int kMaxPlayers = 12;
    // Working assignments of the special rows.
    static constexpr int kRecordKey = 95, kEditKey = 96, kInstantKey = 97, kHookKey = 98,
                         kPreviewKey = 99;

    explicit frmAudioSettings(QWidget* owner = nullptr);
    ~frmAudioSettings() override;

    // True once the dialog was left with Cancel, the close box or Esc.
    bool Cancelled = false;

    cAudioSettings* Settings() const { return settings_; }
    // Fills every control from the object; null only clears Cancelled.
    void SetSettings(cAudioSettings* settings);

    bool LimitedMode() const { return limitedMode_; }
    void SetLimitedMode(bool on);

    // The working assignment of a grid key (1..99); 0 outside.
    std::int16_t Assignment(int key) const;

    // ---- handlers ---------------------------------------------------------------------------
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdSetNoPlayers_Click();
    void cboPlayerAllocation_Click();
    void grdPlayers_MouseUp(int button, int shift, double x, double y);
    void grdPlayers_SelChange();
    void cboPlayer_Click();
    void HidePlayerList();
    void chkAudioEditor_Click();
    void cmdSelectAudioEditor_Click();
    void cmdSelectAudioFormat_Click();
    void cmdLumoTweak_Click();
    void optDucking_Click();

    // ---- controls ---------------------------------------------------------------------------
    platform::ui::TabStrip* tbsView = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;

    platform::ui::Frame* fraPlayers = nullptr;
    platform::ui::Label* lblPlayerDisplayAlignmentDesc = nullptr;
    platform::ui::ComboBox* comboPlayerDisplayAlignment = nullptr;
    platform::ui::Label* lblDeviceAllocationDesc = nullptr;
    platform::ui::ComboBox* cboPlayerAllocation = nullptr;
    platform::ui::Label* lblNumberCartPlayers = nullptr;
    platform::ui::TextBox* txtNumberCartPlayers = nullptr;
    platform::ui::CommandButton* cmdSetNoPlayers = nullptr;
    platform::ui::Grid* grdPlayers = nullptr;
    platform::ui::ComboBox* cboPlayer = nullptr;

    platform::ui::Frame* fraPlaybackOther = nullptr;
    platform::ui::Label* lblAllowEjectCartsDesc = nullptr;
    platform::ui::ComboBox* cboAllowEject = nullptr;
    platform::ui::Frame* framePlayoutOrder = nullptr;
    platform::ui::Label* lblFirstPlayerOrder = nullptr;
    platform::ui::ComboBox* listFirstPlayerOrder = nullptr;
    platform::ui::Label* lblLastPlayerOrder = nullptr;
    platform::ui::ComboBox* listLastPlayerOrder = nullptr;
    platform::ui::Frame* fraPlaybackVol = nullptr;
    std::array<platform::ui::Label*, 2> lblFadePercentDesc{};
    platform::ui::TextBox* txtFadePercent = nullptr;
    platform::ui::Frame* fraNormaVolumes = nullptr;
    platform::ui::Label* lblGeneralVOl = nullptr;
    platform::ui::TextBox* txtGeneralVolume = nullptr;
    platform::ui::Label* lblGeneralVolDesc = nullptr;
    platform::ui::Label* lblSweeperVolDesc = nullptr;
    platform::ui::OptionButton* optDucking = nullptr;
    platform::ui::TextBox* txtDuckVolume = nullptr;
    platform::ui::Label* lblDuckVolumePerc = nullptr;
    platform::ui::OptionButton* optSweeper = nullptr;
    platform::ui::TextBox* txtSweeperVol = nullptr;
    platform::ui::Label* lblSweepVolumePerc = nullptr;
    platform::ui::Frame* fraTesselCartVolumes = nullptr;
    platform::ui::Label* lblCartVolume = nullptr;
    platform::ui::TextBox* txtCartVolume = nullptr;
    platform::ui::Label* lblCartGroupVolume = nullptr;
    platform::ui::TextBox* txtCartGroupVolume = nullptr;
    platform::ui::Label* lblAdvertVolume = nullptr;
    platform::ui::TextBox* txtAdvertVolume = nullptr;

    platform::ui::CheckBox* chkAudioEditor = nullptr;
    platform::ui::Frame* fraEditAudioSettings = nullptr;
    platform::ui::TextBox* txtAudioEditor = nullptr;
    platform::ui::CommandButton* cmdSelectAudioEditor = nullptr;
    platform::ui::Slider* sldEditPriority = nullptr;
    platform::ui::Label* lblEditingPriorityDesc = nullptr;
    platform::ui::Label* lblEditPriorityDescProduct = nullptr;
    platform::ui::Label* lblEditPriorityDescEditor = nullptr;
    platform::ui::Frame* fraRecordSettings = nullptr;
    platform::ui::CheckBox* chkAllowDifferentFormat = nullptr;
    platform::ui::Label* lblAudioFormatDesc = nullptr;
    platform::ui::Label* lblAudioFormat = nullptr;
    platform::ui::CommandButton* cmdSelectAudioFormat = nullptr;
    platform::ui::CheckBox* chkRecordLocal = nullptr;

    platform::ui::Label* lblDebugMode = nullptr;
    platform::ui::ComboBox* comboDebug = nullptr;
    platform::ui::CommandButton* cmdLumoTweak = nullptr;
    platform::ui::Label* lblAdvancedSettingsWarningDesc = nullptr;
    platform::ui::uListSettings* uAdvancedSettings = nullptr;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;
    void Form_KeyPress(int& KeyAscii) override;

private:
    struct ValueBox {
        platform::ui::TextBox* box;
        int lowest;
        int highest;
    };
    void BuildPlayersTab(QWidget* page);
    void BuildPlaybackTab(QWidget* page);
    void BuildRecEditTab(QWidget* page);
    void BuildAdvancedTab(QWidget* page);
    void WireValueBox(const ValueBox& v);
    void FillPlayersGrid();
    void FillPlayerOrderLists(int players, int first, int last);
    void SetPlayerRow(int row, const std::string& caption, const std::string& choice, int key,
                      bool coloured);
    bool CountLocked() const;
    std::string TweakPath() const;

    cAudioSettings* settings_ = nullptr; // the caller's; held until the dialog unloads
    helpers::AudioFormatRef workingFormat_;
    std::array<std::int16_t, 100> assignments_{}; // [1..99]; [0] unused
    bool limitedMode_ = false;
    // Tick boxes whose stored value is no tick-box state (-1): kept unless the user changes them.
    int storedAllowOther_ = 0, storedRecordLocal_ = 0;
    std::vector<ValueBox> valueBoxes_;
};

} // namespace rozuzezer::ui
