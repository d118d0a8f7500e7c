#include "editor/shell/frmGoodInputBox.h"

#include "editor/shell/ClientSize.h"
#include "editor/shell/LumoEdit_FN.h"
#include "platform/base/Numeric.h"

#include <QLineEdit>

#include <cmath>
#include <memory>

namespace lumoedit {

using namespace platform::ui;

namespace {
constexpr double kMargin = 120, kWidth = 6000, kButtonW = 1215, kButtonH = 375;
}

frmGoodInputBox::frmGoodInputBox(QWidget* owner) : Form("frmGoodInputBox", owner) {
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    QWidget* c = Client();
    const double inner = kWidth - 2 * kMargin;
    Label1 = new Label(c, "Label1");
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Move(Label1, kMargin, kMargin, inner, 600);
    Text1 = new TextBox(c, "Text1");
    Move(Text1, kMargin, 840, inner, 315);
    comboList = new ComboBox(c, "comboList", ComboBox::DropDownList);
    Move(comboList, kMargin, 840, inner, 315);
    comboCombo = new ComboBox(c, "comboCombo", ComboBox::DropDownCombo);
    Move(comboCombo, kMargin, 840, inner, 315);
    listMulti = new ListBox(c, "listMulti", 2);
    Move(listMulti, kMargin, 840, inner, 1800);
    for (QWidget* w : std::initializer_list<QWidget*>{comboList, comboCombo, listMulti}) SetVisible(w, false);
    TLength = new Label(c, "TLength", "0");
    SetVisible(TLength, false);
    CancelL = new Label(c, "CancelL", "1");
    SetVisible(CancelL, false);
    cmdOk = new CommandButton(c, "cmdOk", "OK");
    cmdOk->SetDefault(true);
    cmdCancel = new CommandButton(c, "cmdCancel", "Cancel");
    cmdCancel->SetCancel(true);
    connect(cmdOk, &CommandButton::Click, this, &frmGoodInputBox::cmdOK_Click);
    connect(cmdCancel, &CommandButton::Click, this, &frmGoodInputBox::cmdCancel_Click);
    connect(TLength, &Label::Change, this, [this] { Text1->SetMaxLength(static_cast<int>(platform::Val(TLength->Caption()))); });
    connect(Text1, &TextBox::GotFocus, this, [this] { SelectAllText(Text1); });
    connect(comboCombo, &ComboBox::GotFocus, this, [this] { SelectAllText(comboCombo); });
    ButtonsBelow(Text1);
}

bool frmGoodInputBox::Cancelled() const { return platform::Val(CancelL->Caption()) > 0; }

void frmGoodInputBox::ButtonsBelow(QWidget* w) {
    const double top = Top(w) + Height(w) + kMargin;
    Move(cmdOk, kWidth - 2 * kMargin - 2 * kButtonW, top, kButtonW, kButtonH);
    Move(cmdCancel, kWidth - kMargin - kButtonW, top, kButtonW, kButtonH);
    // The frame comes on top of the client height.
    SetClientSize(this, kWidth, top + kButtonH + kMargin);
}

void frmGoodInputBox::Form_Load() {
    SetTopmost(true);
    ReturnText = true;
}

void frmGoodInputBox::Form_Activate() {
    if (ReturnCombo) {
        if (Visible(comboCombo)) comboCombo->setFocus();
    } else if (ReturnList) {
        if (Visible(comboList)) comboList->setFocus();
    } else if (ReturnMultiList) {
        ButtonsBelow(listMulti);
        if (Visible(listMulti)) listMulti->setFocus();
    } else {
        Text1->SetMaxLength(static_cast<int>(platform::Val(TLength->Caption())));
        if (Visible(Text1)) Text1->setFocus();
    }
    SetScreenMousePointer(PointerDefault);
}

void frmGoodInputBox::Form_Deactivate() { SetScreenMousePointer(PointerDefault); }

void frmGoodInputBox::cmdOK_Click() {
    CancelL->SetCaption("0");
    std::string answer;
    if (ReturnCombo) {
        answer = comboCombo->Text();
    } else if (ReturnList) {
        answer = comboList->Text();
    } else if (ReturnMultiList) {
        for (int i = 0; i < listMulti->ListCount(); ++i) {
            if (!listMulti->Selected(i)) continue;
            if (!answer.empty()) answer += ",";
            answer += std::to_string(i + 1);
        }
    } else {
        answer = Text1->Text();
    }
    SetTag(this, answer);
    Hide();
}

void frmGoodInputBox::cmdCancel_Click() {
    CancelL->SetCaption("1");
    SetTag(this, "");
    Hide();
}

void frmGoodInputBox::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode == FormControlMenu) {
        Cancel = 1;
        Hide();
    }
}

void frmGoodInputBox::Form_Unload(int&) {
    comboList->Clear();
    comboCombo->Clear();
    SetVisible(comboList, false);
    SetVisible(comboCombo, false);
    SetVisible(listMulti, false);
    SetVisible(Text1, true);
    ButtonsBelow(Text1);
    ReturnText = true;
    ReturnCombo = ReturnList = ReturnMultiList = false;
}

namespace {

// Shows the prepared dialog, reads its answer and unloads it.
bool RunInputBox(frmGoodInputBox& box, std::string& Result, QWidget* OwnerForm, bool Modal) {
    if (Modal) {
        box.Show(platform::ui::Modal, OwnerForm);
    } else {
        // The form kit's wait: it ends when the box hides, and tests script it like a modal show.
        box.Show(Modeless, OwnerForm);
        box.WaitWhileVisible();
    }
    bool cancelled = true;
    if (box.Cancelled()) {
        Result.clear();
    } else {
        Result = box.Answer();
        cancelled = false;
    }
    box.Unload();
    if (OwnerForm) OwnerForm->show();
    return cancelled;
}

} // namespace

bool GoodInputBox(const std::string& Prompt, const std::string& Title, const std::string& Default,
                  std::int32_t MaxLength, std::string& Result, QWidget* OwnerForm,
                  const std::string& PasswordChar, bool Modal) {
    auto box = std::make_unique<frmGoodInputBox>();
    box->Load();
    box->SetCaption(TrimBlanks(Title));
    box->Label1->SetCaption(TrimBlanks(Prompt));
    box->Text1->SetMaxLength(static_cast<int>(Default.size()));
    box->Text1->SetText(Default);
    box->TLength->SetCaption(std::to_string(MaxLength));
    SetVisible(box->Text1, true);
    SetVisible(box->comboList, false);
    SetVisible(box->comboCombo, false);
    SetVisible(box->listMulti, false);
    if (!PasswordChar.empty()) box->Text1->SetPasswordChar(PasswordChar);
    return RunInputBox(*box, Result, OwnerForm, Modal);
}

bool GoodInputChoice(const std::string& Prompt, const std::string& Title, InputChoiceMode Mode,
                     const std::vector<std::string>& Items, const std::string& Default, std::string& Result,
                     QWidget* OwnerForm) {
    auto box = std::make_unique<frmGoodInputBox>();
    box->Load();
    box->SetCaption(TrimBlanks(Title));
    box->Label1->SetCaption(TrimBlanks(Prompt));
    SetVisible(box->Text1, false);
    box->ReturnText = false;
    switch (Mode) {
    case InputChoiceMode::List:
        box->ReturnList = true;
        for (const auto& i : Items) box->comboList->AddItem(i);
        for (int i = 0; i < box->comboList->ListCount(); ++i)
            if (box->comboList->List(i) == Default) box->comboList->SetListIndex(i);
        SetVisible(box->comboList, true);
        break;
    case InputChoiceMode::Combo:
        box->ReturnCombo = true;
        for (const auto& i : Items) box->comboCombo->AddItem(i);
        box->comboCombo->SetText(Default);
        SetVisible(box->comboCombo, true);
        break;
    case InputChoiceMode::MultiList:
        box->ReturnMultiList = true;
        for (const auto& i : Items) box->listMulti->AddItem(i);
        SetVisible(box->listMulti, true);
        break;
    }
    return RunInputBox(*box, Result, OwnerForm, true);
}

} // namespace lumoedit
