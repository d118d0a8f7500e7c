// The save-format options dialog: for one save format, whether users may save in any variant
// of it or only in one fixed variant.
#pragma once

#include "platform/ui/Form.h"
#include "shared/helpers/AudioFormat.h"

namespace lumoedit {

class frmAudioFormatOptions : public platform::ui::Form {
public:
    explicit frmAudioFormatOptions(QWidget* owner = nullptr);
    ~frmAudioFormatOptions() override;

    // Edits the object in place: its any-format mark becomes "ANY" or "", and the chooser
    // may change its variant. True on OK, False when cancelled or without an object.
    bool GetAudioFormat(helpers::cAudioFormat* Format);

    void optSingleFormat_Click();
    void cmdChangeFormat_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    platform::ui::OptionButton* optAnyFormat = nullptr;
    platform::ui::OptionButton* optSingleFormat = nullptr;
    platform::ui::Frame* fraForceFormat = nullptr;
    platform::ui::Label* lblAudioFormatDescription = nullptr;
    platform::ui::CommandButton* cmdChangeFormat = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;
    bool Cancelled = true;

protected:
    void Form_Initialize() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;

private:
    void ShowDescription();
    helpers::AudioFormatRef format_;
};

} // namespace lumoedit
