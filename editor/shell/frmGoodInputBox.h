// The general input dialog: one line of text (the only mode GoodInputBox uses), or a choice
// from a drop-down list, a typed or chosen combo entry, or the selected entries of a
// multi-select list. The answer is handed back in the dialog's Tag.
#pragma once

#include "platform/ui/Form.h"

#include <string>
#include <vector>

namespace lumoedit {

class frmGoodInputBox : public platform::ui::Form {
public:
    explicit frmGoodInputBox(QWidget* owner = nullptr);

    bool ReturnCombo = false;
    bool ReturnList = false;
    bool ReturnText = false;
    bool ReturnMultiList = false;

    std::string Answer() const { return platform::ui::Tag(this); }
    bool Cancelled() const;

    void cmdOK_Click();
    void cmdCancel_Click();

    platform::ui::Label* Label1 = nullptr;
    platform::ui::TextBox* Text1 = nullptr;
    platform::ui::ComboBox* comboList = nullptr;
    platform::ui::ComboBox* comboCombo = nullptr;
    platform::ui::ListBox* listMulti = nullptr;
    platform::ui::Label* TLength = nullptr;
    platform::ui::Label* CancelL = nullptr;
    platform::ui::CommandButton* cmdOk = nullptr;
    platform::ui::CommandButton* cmdCancel = nullptr;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Deactivate() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;

private:
    void ButtonsBelow(QWidget* w);
};

// Asks for one line of text. True when the user cancelled (Result then is empty), False when
// the user confirmed (Result holds the answer). MaxLength 0: no limit. OwnerForm, when given,
// owns the dialog and is shown again afterwards. PasswordChar: its first character masks the
// typing. Modal False shows the dialog modeless and waits until it is hidden.
bool GoodInputBox(const std::string& Prompt, const std::string& Title, const std::string& Default,
                  std::int32_t MaxLength, std::string& Result, QWidget* OwnerForm = nullptr,
                  const std::string& PasswordChar = {}, bool Modal = true);

// The other modes of the dialog, with the answer formed as the dialog forms it: the chosen
// entry's text (list), the typed or chosen text (combo), the positions counted from 1 of the
// selected entries joined by commas (multi-select). Same result as GoodInputBox.
enum class InputChoiceMode { List, Combo, MultiList };
bool GoodInputChoice(const std::string& Prompt, const std::string& Title, InputChoiceMode Mode,
                     const std::vector<std::string>& Items, const std::string& Default, std::string& Result,
                     QWidget* OwnerForm = nullptr);

} // namespace lumoedit
