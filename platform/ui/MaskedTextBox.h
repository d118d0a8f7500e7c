// The masked edit box of the marker times: Mask "##:##:##.##" (# a digit, other characters
// literals; 9 an optional digit, ? a letter, A a letter or digit, & any character, \ makes
// the next character a literal), PromptChar "_" in the places not yet typed.
//
// Text is what the box shows, literals and prompts included ("01:2_:__.__"); ClipText the
// typed characters without literals and prompts. Writing Text accepts a text that fits the
// mask (prompts allowed in its places) or the empty text (all prompts); anything else raises
// error 380. Change runs on every change of Text, typed or written, before the write returns.
#pragma once

#include "platform/ui/Controls.h"

namespace platform::ui {

class MaskedTextBox : public QLineEdit {
    Q_OBJECT
public:
    MaskedTextBox(QWidget* parent, const std::string& name, const std::string& mask = "##:##:##.##",
                  char prompt = '_');

    std::string Mask() const { return mask_; }
    void SetMask(const std::string& mask);
    char PromptChar() const { return prompt_; }
    void SetPromptChar(char c);
    int MaxLength() const { return static_cast<int>(places_.size()); }

    std::string Text() const;
    void SetText(const std::string& t);
    std::string ClipText() const;

    bool Locked() const { return isReadOnly(); }
    void SetLocked(bool on) { setReadOnly(on); }
    int SelStart() const;
    void SetSelStart(int pos);
    int SelLength() const;
    void SetSelLength(int len);
    std::string SelText() const { return S(selectedText()); }
    // Why the box last got or lost the focus (see FocusMovedInside).
    Qt::FocusReason FocusReason() const { return reason_; }

signals:
    void Change();
    void GotFocus();
    void LostFocus();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    struct Place {
        bool literal;
        char ch; // the literal, or the mask character of a placeholder
    };
    void Rebuild();
    bool Fits(const QString& t) const;
    std::string mask_;
    char prompt_;
    std::vector<Place> places_;
    QString last_;
    Qt::FocusReason reason_ = Qt::OtherFocusReason;
};

} // namespace platform::ui
