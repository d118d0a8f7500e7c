#include "platform/ui/MaskedTextBox.h"

#include "platform/base/Error.h"

#include <QFocusEvent>

#include <algorithm>

namespace platform::ui {

MaskedTextBox::MaskedTextBox(QWidget* parent, const std::string& name, const std::string& mask, char prompt)
    : QLineEdit(parent), mask_(mask), prompt_(prompt) {
    SetName(this, name);
    Rebuild();
    last_ = displayText();
    connect(this, &QLineEdit::textChanged, this, [this] {
        QString now = displayText();
        if (now == last_) return;
        last_ = now;
        emit Change();
    });
}

void MaskedTextBox::SetMask(const std::string& mask) {
    mask_ = mask;
    Rebuild();
}

void MaskedTextBox::SetPromptChar(char c) {
    prompt_ = c;
    Rebuild();
}

void MaskedTextBox::Rebuild() {
    places_.clear();
    QString qt;
    for (std::size_t i = 0; i < mask_.size(); ++i) {
        char c = mask_[i];
        if (c == '\\' && i + 1 < mask_.size()) {
            c = mask_[++i];
            places_.push_back({true, c});
            qt += QLatin1Char('\\');
            qt += QLatin1Char(c);
            continue;
        }
        const char* qtPlace = nullptr;
        switch (c) {
        case '#': qtPlace = "0"; break; // a digit; untyped places stay as prompts
        case '9': qtPlace = "0"; break;
        case '?': qtPlace = "a"; break;
        case 'A': qtPlace = "n"; break;
        case '&': case 'C': qtPlace = "x"; break;
        default: break;
        }
        if (qtPlace) {
            places_.push_back({false, c});
            qt += QLatin1String(qtPlace);
        } else {
            places_.push_back({true, c});
            // Characters that mean something to Qt's masks are escaped to stay literals.
            if (QStringLiteral("AaNnXx90DdHhBb#><!;[]{}\\").contains(QLatin1Char(c))) qt += QLatin1Char('\\');
            qt += QLatin1Char(c);
        }
    }
    if (places_.empty()) {
        setInputMask(QString());
        return;
    }
    setInputMask(qt + QLatin1Char(';') + QLatin1Char(prompt_));
}

std::string MaskedTextBox::Text() const { return S(displayText()); }

bool MaskedTextBox::Fits(const QString& t) const {
    if (t.size() != static_cast<qsizetype>(places_.size())) return false;
    for (std::size_t i = 0; i < places_.size(); ++i) {
        QChar c = t.at(static_cast<qsizetype>(i));
        const Place& p = places_[i];
        if (p.literal) {
            if (c != QLatin1Char(p.ch)) return false;
            continue;
        }
        if (c == QLatin1Char(prompt_)) continue;
        switch (p.ch) {
        case '#': case '9': if (!c.isDigit() || c.unicode() > 127) return false; break;
        case '?': if (!c.isLetter()) return false; break;
        case 'A': if (!c.isLetterOrNumber()) return false; break;
        default: break;
        }
    }
    return true;
}

void MaskedTextBox::SetText(const std::string& t) {
    QString q = Q(t);
    if (places_.empty()) {
        if (q != text()) setText(q);
        return;
    }
    if (q.isEmpty()) {
        for (const Place& p : places_) q += QLatin1Char(p.literal ? p.ch : prompt_);
    }
    if (!Fits(q)) Raise(err::InvalidPropertyValue);
    if (q == displayText()) return;
    // Qt's mask takes the placeholders' characters; a prompt stands for a blank place.
    QString input;
    for (std::size_t i = 0; i < places_.size(); ++i) {
        QChar c = q.at(static_cast<qsizetype>(i));
        input += (!places_[i].literal && c == QLatin1Char(prompt_)) ? QChar(QLatin1Char(' ')) : c;
    }
    setText(input);
}

std::string MaskedTextBox::ClipText() const {
    QString shown = displayText();
    std::string out;
    for (std::size_t i = 0; i < places_.size() && static_cast<qsizetype>(i) < shown.size(); ++i) {
        QChar c = shown.at(static_cast<qsizetype>(i));
        if (!places_[i].literal && c != QLatin1Char(prompt_)) out += S(QString(c));
    }
    return out;
}

int MaskedTextBox::SelStart() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }
void MaskedTextBox::SetSelStart(int pos) {
    deselect();
    setCursorPosition(std::clamp(pos, 0, MaxLength()));
}
int MaskedTextBox::SelLength() const { return hasSelectedText() ? static_cast<int>(selectedText().size()) : 0; }
void MaskedTextBox::SetSelLength(int len) {
    int start = SelStart();
    setSelection(start, std::clamp(len, 0, MaxLength() - start));
}

void MaskedTextBox::focusInEvent(QFocusEvent* e) {
    reason_ = e->reason();
    QLineEdit::focusInEvent(e);
    emit GotFocus();
}

void MaskedTextBox::focusOutEvent(QFocusEvent* e) {
    reason_ = e->reason();
    QLineEdit::focusOutEvent(e);
    emit LostFocus();
}

} // namespace platform::ui
