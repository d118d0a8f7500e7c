// The audiowall locations dialog: the eleven folders of one cRozuzezer (one for each block
// of 1000 carts, the last for everything above 10000), optionally one folder for all, each
// with a folder browser, and the way to the wall's global settings. OK writes the folders
// into the object (without surrounding blanks or a trailing separator); Cancel, Esc and the
// close box leave it untouched. cRozuzezer::DisplayAudioLocations opens it.
#pragma once

#include "platform/ui/Form.h"
#include "rozuzezer/core/cRozuzezer.h"

#include <array>

namespace rozuzezer::ui {

class frmAudioLocations : public platform::ui::Form {
public:
    static constexpr int kRows = 11;

    explicit frmAudioLocations(QWidget* owner = nullptr);
    ~frmAudioLocations() override;

    // True once the dialog was left with Cancel, Esc or the close box.
    bool Cancelled = false;

    cRozuzezer* Verudivur() const { return wall_; }
    // Fills the rows from the object (the caller's, held until the dialog unloads); null
    // only clears Cancelled.
    void SetVerudivur(cRozuzezer* wall);

    void chkUseOneCartLocation_Click();
    void txtCartLocations_Change(int Index);
    void cmdChangeCartLocation_Click(int Index);
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdSettings_Click();

    // Rows 1..11 at [1..11].
    std::array<platform::ui::Label*, kRows + 1> Label2{};
    std::array<platform::ui::TextBox*, kRows + 1> txtCartLocations{};
    std::array<platform::ui::CommandButton*, kRows + 1> cmdChangeCartLocation{};
    platform::ui::CheckBox* chkUseOneCartLocation = nullptr;
    platform::ui::CommandButton* cmdSettings = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;

private:
    cRozuzezer* wall_ = nullptr;
};

} // namespace rozuzezer::ui
