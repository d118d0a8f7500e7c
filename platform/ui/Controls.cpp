#include "platform/ui/Controls.h"

#include "platform/ui/Form.h"

#include "platform/ui/Twips.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QPointer>
#include <QStyleOption>
#include <QStylePainter>
#include <QTextEdit>
#include <QValidator>

#include <algorithm>

namespace platform::ui {
namespace {

constexpr const char* kTwips = "bvr_twips";   // QRectF as set
constexpr const char* kPixels = "bvr_pixels"; // QRect it produced
constexpr const char* kBack = "bvr_backcolor";
constexpr const char* kFore = "bvr_forecolor";
constexpr const char* kTag = "bvr_tag";

bool IsEntryKind(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           (qobject_cast<const QComboBox*>(w) && static_cast<const QComboBox*>(w)->isEditable());
}

QPalette::ColorRole SystemRole(unsigned index, bool& found) {
    found = true;
    switch (index) {
    case 0: return QPalette::Mid;              // scroll bar
    case 1: return QPalette::Window;           // desktop
    case 2: return QPalette::Highlight;        // active caption
    case 3: return QPalette::Mid;              // inactive caption
    case 4: return QPalette::Window;           // menu
    case 5: return QPalette::Base;             // window
    case 6: return QPalette::Shadow;           // window frame
    case 7: return QPalette::WindowText;       // menu text
    case 8: return QPalette::Text;             // window text
    case 9: return QPalette::HighlightedText;  // caption text
    case 10: case 11: return QPalette::Mid;    // borders
    case 12: return QPalette::Dark;            // application workspace
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;          // button face
    case 16: return QPalette::Dark;            // button shadow
    case 17: return QPalette::PlaceholderText; // grey text
    case 18: return QPalette::ButtonText;
    case 19: return QPalette::WindowText;      // inactive caption text
    case 20: return QPalette::Light;           // button highlight
    case 21: return QPalette::Shadow;          // 3D dark shadow
    case 22: return QPalette::Midlight;        // 3D light
    case 23: return QPalette::ToolTipText;     // info text
    case 24: return QPalette::ToolTipBase;     // info background
    default: found = false; return QPalette::Window;
    }
}

QRectF StoredTwips(const QWidget* w, QRect& pixels) {
    QVariant t = w->property(kTwips);
    if (!t.isValid()) return {};
    pixels = w->property(kPixels).toRect();
    return t.toRectF();
}

QRectF CurrentTwips(const QWidget* w) {
    QRect g = w->geometry();
    QRectF now(PixelsToTwipsX(g.x()), PixelsToTwipsY(g.y()), PixelsToTwipsX(g.width()),
               PixelsToTwipsY(g.height()));
    QRect px;
    QRectF set = StoredTwips(w, px);
    if (set.isNull() && !w->property(kTwips).isValid()) return now;
    // Per coordinate: the value as set while the pixels still are the ones it produced.
    return QRectF(px.x() == g.x() ? set.x() : now.x(), px.y() == g.y() ? set.y() : now.y(),
                  px.width() == g.width() ? set.width() : now.width(),
                  px.height() == g.height() ? set.height() : now.height());
}

} // namespace

std::string ObjectName(const std::string& codeName) {
    auto open = codeName.find('(');
    if (open == std::string::npos || codeName.back() != ')') return codeName;
    return codeName.substr(0, open) + "_" + codeName.substr(open + 1, codeName.size() - open - 2);
}

void SetName(QObject* o, const std::string& codeName) { o->setObjectName(Q(ObjectName(codeName))); }

QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
std::string S(const QString& text) { return text.toStdString(); }

// ---- colours -----------------------------------------------------------------------------

QColor ToQColor(OleColour c) {
    if (c & 0x80000000u) {
        bool found = false;
        QPalette::ColorRole role = SystemRole(c & 0xFFu, found);
        return QApplication::palette().color(role);
    }
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

OleColour FromQColor(const QColor& c) {
    return static_cast<OleColour>(c.red()) | (static_cast<OleColour>(c.green()) << 8) |
           (static_cast<OleColour>(c.blue()) << 16);
}

namespace {

// Paints `roles` of the widget's own palette in colour c. A system colour takes the
// application palette's colour of each colour group, so a disabled control still looks
// disabled and an enabled one as the style draws it; a colour of its own stays in every
// group unless `keepDisabled` leaves the disabled look to the style.
void Paint(QWidget* w, OleColour c, std::initializer_list<QPalette::ColorRole> roles, bool keepDisabled) {
    QPalette p = w->palette();
    const QPalette& app = QApplication::palette();
    bool system = false;
    const QPalette::ColorRole source = (c & 0x80000000u) ? SystemRole(c & 0xFFu, system) : QPalette::NoRole;
    for (QPalette::ColorRole role : roles)
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            if (system) p.setColor(g, role, app.color(g, source));
            else if (g != QPalette::Disabled || !keepDisabled) p.setColor(g, role, ToQColor(c));
        }
    w->setPalette(p);
}

} // namespace

// A back colour paints what the control itself fills: the field of an entry, the face of a
// button, the ground of anything else. Only that role is set, so a container's colour never
// reaches the fields of the boxes inside it (a palette role set on a parent passes to its
// children).
void SetBackColor(QWidget* w, OleColour c) {
    w->setProperty(kBack, static_cast<qulonglong>(c));
    if (IsEntryKind(w)) {
        Paint(w, c, {QPalette::Base}, false);
        return;
    }
    if (qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w)) Paint(w, c, {QPalette::Button, QPalette::Window}, false);
    else Paint(w, c, {QPalette::Window}, false);
    w->setAutoFillBackground(true);
}

OleColour BackColor(const QWidget* w) {
    QVariant v = w->property(kBack);
    if (v.isValid()) return static_cast<OleColour>(v.toULongLong());
    return IsEntryKind(w) ? syscolour::Window : syscolour::ButtonFace;
}

void SetForeColor(QWidget* w, OleColour c) {
    w->setProperty(kFore, static_cast<qulonglong>(c));
    // Disabled text keeps the style's grey, whatever colour the control's text has.
    Paint(w, c, {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}, true);
}

OleColour ForeColor(const QWidget* w) {
    QVariant v = w->property(kFore);
    if (v.isValid()) return static_cast<OleColour>(v.toULongLong());
    return IsEntryKind(w) ? syscolour::WindowText : syscolour::ButtonText;
}

// ---- common properties -------------------------------------------------------------------

void SetTag(QObject* o, const std::string& tag) { o->setProperty(kTag, Q(tag)); }
std::string Tag(const QObject* o) { return S(o->property(kTag).toString()); }

double Left(const QWidget* w) { return CurrentTwips(w).x(); }
double Top(const QWidget* w) { return CurrentTwips(w).y(); }
double Width(const QWidget* w) { return CurrentTwips(w).width(); }
double Height(const QWidget* w) { return CurrentTwips(w).height(); }

void Move(QWidget* w, double left, double top, double width, double height) {
    QRect px(TwipsToPixelsX(left), TwipsToPixelsY(top), std::max(0, TwipsToPixelsX(width)),
             std::max(0, TwipsToPixelsY(height)));
    w->setGeometry(px);
    // Keep what was asked for; a size the widget refused reads back as its pixels.
    w->setProperty(kTwips, QRectF(left, top, width, height));
    w->setProperty(kPixels, px);
}

void SetLeft(QWidget* w, double t) { QRectF r = CurrentTwips(w); Move(w, t, r.y(), r.width(), r.height()); }
void SetTop(QWidget* w, double t) { QRectF r = CurrentTwips(w); Move(w, r.x(), t, r.width(), r.height()); }
void SetWidth(QWidget* w, double t) { QRectF r = CurrentTwips(w); Move(w, r.x(), r.y(), t, r.height()); }
void SetHeight(QWidget* w, double t) { QRectF r = CurrentTwips(w); Move(w, r.x(), r.y(), r.width(), t); }

bool Visible(const QWidget* w) {
    if (w->isWindow()) return w->isVisible();
    return !w->testAttribute(Qt::WA_WState_ExplicitShowHide) || !w->testAttribute(Qt::WA_WState_Hidden);
}
void SetVisible(QWidget* w, bool on) { w->setVisible(on); }
bool Enabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }
void SetEnabled(QWidget* w, bool on) { w->setEnabled(on); }

void ZOrder(QWidget* w, int position) {
    if (position == 0) w->raise();
    else w->lower();
}

int ZIndex(const QWidget* w) {
    if (!w->parentWidget()) return 0;
    int i = 0;
    for (QObject* o : w->parentWidget()->children()) {
        if (o == w) return i;
        if (o->isWidgetType()) ++i;
    }
    return i;
}

void SelectAllText(QWidget* w) {
    auto select = [](QWidget* target) {
        if (auto* e = qobject_cast<QLineEdit*>(target)) e->selectAll();
        else if (auto* p = qobject_cast<QPlainTextEdit*>(target)) p->selectAll();
        else if (auto* t = qobject_cast<QTextEdit*>(target)) t->selectAll();
        else if (auto* c = qobject_cast<QComboBox*>(target); c && c->lineEdit()) c->lineEdit()->selectAll();
    };
    select(w);
    // A mouse press that focused the box places the caret after the focus event: select again.
    QPointer<QWidget> guard(w);
    QTimer::singleShot(0, w, [guard, select] { if (guard && guard->hasFocus()) select(guard); });
}

bool FocusMovedInside(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// ---- Label -------------------------------------------------------------------------------

Label::Label(QWidget* parent, const std::string& name, const std::string& caption)
    : QLabel(Q(caption), parent) {
    SetName(this, name);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::SetCaption(const std::string& caption) {
    QString c = Q(caption);
    if (c == text()) return;
    setText(c);
    emit Change();
}

void Label::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    if (isEnabled()) emit Click();
}

// ---- CommandButton -----------------------------------------------------------------------

CommandButton::CommandButton(QWidget* parent, const std::string& name, const std::string& caption)
    : QPushButton(Q(caption), parent) {
    SetName(this, name);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &CommandButton::Click);
}

// ---- TextBox -----------------------------------------------------------------------------

// A key that types a character: shortcuts with Ctrl (Ctrl+V pastes, it types no "v") are not,
// while Ctrl+Alt is AltGr on some keyboards and types.
static bool TypedCharacter(const QKeyEvent* e) {
    if (e->text().isEmpty() || e->text().at(0).unicode() < 0x20) return false;
    const auto m = e->modifiers();
    return !(m & Qt::ControlModifier) || (m & Qt::AltModifier);
}

class MaxLengthValidator : public QValidator {
public:
    explicit MaxLengthValidator(TextBox* box) : QValidator(box), box_(box) {}
    State validate(QString& input, int& pos) const override {
        // Typing or pasting may not grow the text past the limit; text that already is longer
        // stays. Of a paste that does not fit, what fits goes in: the excess is cut from the
        // end of what was just inserted (it ends at the cursor).
        const int limit = box_->maxLength_;
        const int allowed = std::max(limit, box_->accepted_);
        if (limit <= 0 || input.size() <= allowed) return Acceptable;
        const int excess = static_cast<int>(input.size()) - allowed;
        const int at = std::max(0, pos - excess);
        input.remove(at, std::min(excess, static_cast<int>(input.size()) - at));
        pos = at;
        return Acceptable;
    }

private:
    TextBox* box_;
};

TextBox::TextBox(QWidget* parent, const std::string& name, const std::string& text)
    : QLineEdit(Q(text), parent) {
    SetName(this, name);
    setValidator(new MaxLengthValidator(this));
    accepted_ = static_cast<int>(this->text().size());
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) {
        accepted_ = static_cast<int>(t.size());
        emit Change();
    });
}

void TextBox::SetText(const std::string& t) {
    QString q = Q(t);
    if (q == text()) return;
    setText(q); // textChanged runs Change
    // A box written from code shows its text from the start, as the platform's box does, so a
    // narrow one shows how the text begins; the user's own box keeps the cursor where it is.
    if (!hasFocus()) setCursorPosition(0);
}

void TextBox::SetPasswordChar(const std::string& c) {
    password_ = c.empty() ? std::string() : Q(c).left(1).toStdString();
    setEchoMode(password_.empty() ? QLineEdit::Normal : QLineEdit::Password);
}

int TextBox::SelStart() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }
void TextBox::SetSelStart(int pos) {
    deselect();
    setCursorPosition(std::clamp(pos, 0, static_cast<int>(text().size())));
}
int TextBox::SelLength() const { return hasSelectedText() ? static_cast<int>(selectedText().size()) : 0; }
void TextBox::SetSelLength(int len) {
    int start = SelStart();
    setSelection(start, std::clamp(len, 0, static_cast<int>(text().size()) - start));
}

void TextBox::keyPressEvent(QKeyEvent* e) {
    // The same virtual-key codes and shift mask as the form's key preview.
    if (int code = VirtualKey(e->key(), e->modifiers()); code != 0) {
        emit KeyDown(code, ShiftState(e->modifiers()));
        if (code == 0) return;
    }
    if (TypedCharacter(e)) {
        int ascii = e->text().at(0).unicode();
        emit KeyPress(ascii);
        if (ascii == 0) return;
        if (ascii != e->text().at(0).unicode()) {
            insert(QString(QChar(ascii)));
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

void TextBox::focusInEvent(QFocusEvent* e) {
    reason_ = e->reason();
    QLineEdit::focusInEvent(e);
    emit GotFocus();
}
void TextBox::focusOutEvent(QFocusEvent* e) {
    reason_ = e->reason();
    QLineEdit::focusOutEvent(e);
    emit LostFocus();
}

// ---- TextArea ----------------------------------------------------------------------------

TextArea::TextArea(QWidget* parent, const std::string& name, const std::string& text)
    : QPlainTextEdit(Q(text), parent), last_(Q(text)) {
    SetName(this, name);
    // QPlainTextEdit reports format changes too; report text changes only.
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        QString now = toPlainText();
        if (now == last_) return;
        last_ = now;
        emit Change();
    });
}

void TextArea::SetText(const std::string& t) {
    QString q = Q(t);
    if (q != toPlainText()) setPlainText(q);
}

int TextArea::SelStart() const { return textCursor().selectionStart(); }
void TextArea::SetSelStart(int pos) {
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(pos, 0, static_cast<int>(toPlainText().size())));
    setTextCursor(c);
}
int TextArea::SelLength() const { return textCursor().selectionEnd() - textCursor().selectionStart(); }
void TextArea::SetSelLength(int len) {
    QTextCursor c = textCursor();
    int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(std::clamp(start + len, start, static_cast<int>(toPlainText().size())), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

int TextArea::Room() const {
    if (maxLength_ <= 0) return 1 << 30;
    int selected = SelLength();
    return std::max(0, maxLength_ - static_cast<int>(toPlainText().size()) + selected);
}

void TextArea::keyPressEvent(QKeyEvent* e) {
    if (int code = VirtualKey(e->key(), e->modifiers()); code != 0) {
        emit KeyDown(code, ShiftState(e->modifiers()));
        if (code == 0) return;
    }
    if (TypedCharacter(e)) {
        int ascii = e->text().at(0).unicode();
        emit KeyPress(ascii);
        if (ascii == 0) return;
        if (Room() < e->text().size()) return;
        if (ascii != e->text().at(0).unicode()) {
            textCursor().insertText(QString(QChar(ascii)));
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TextArea::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText()) return;
    QString t = source->text().left(Room());
    textCursor().insertText(t);
}

void TextArea::focusInEvent(QFocusEvent* e) {
    reason_ = e->reason();
    QPlainTextEdit::focusInEvent(e);
    emit GotFocus();
}
void TextArea::focusOutEvent(QFocusEvent* e) {
    reason_ = e->reason();
    QPlainTextEdit::focusOutEvent(e);
    emit LostFocus();
}

// ---- CheckBox / OptionButton / Frame -----------------------------------------------------

CheckBox::CheckBox(QWidget* parent, const std::string& name, const std::string& caption)
    : QCheckBox(Q(caption), parent) {
    SetName(this, name);
    connect(this, &QCheckBox::stateChanged, this, &CheckBox::Click);
}

int CheckBox::Value() const {
    switch (checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void CheckBox::SetValue(int v) {
    if (v == 2) setTristate(true);
    setCheckState(v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

OptionButton::OptionButton(QWidget* parent, const std::string& name, const std::string& caption)
    : QRadioButton(Q(caption), parent) {
    SetName(this, name);
    connect(this, &QRadioButton::toggled, this, [this](bool on) { if (on) emit Click(); });
}

void OptionButton::SetValue(bool on) {
    if (on || !isChecked()) {
        setChecked(on);
        return;
    }
    // An exclusive button cannot be turned off on its own.
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
}

void OptionButton::SetButtonStyle(Style s) {
    style_ = s;
    updateGeometry();
    update();
}

namespace {
constexpr int kGraphicalPadding = 5; // pixels between the face's edge and what it shows
constexpr int kGraphicalGap = 2;     // between the picture and the caption
} // namespace

QSize OptionButton::sizeHint() const {
    if (style_ != Graphical) return QRadioButton::sizeHint();
    const QSize caption = text().isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, text());
    const QSize picture = icon().isNull() ? QSize() : iconSize();
    const int gap = caption.isEmpty() || picture.isEmpty() ? 0 : kGraphicalGap;
    return {std::max(caption.width(), picture.width()) + 2 * kGraphicalPadding,
            caption.height() + picture.height() + gap + 2 * kGraphicalPadding};
}

bool OptionButton::hitButton(const QPoint& pos) const {
    return style_ == Graphical ? rect().contains(pos) : QRadioButton::hitButton(pos);
}

void OptionButton::paintEvent(QPaintEvent* e) {
    if (style_ != Graphical) {
        QRadioButton::paintEvent(e);
        return;
    }
    QStylePainter p(this);
    QStyleOptionButton face;
    face.initFrom(this);
    face.features = QStyleOptionButton::None;
    if (isChecked() || isDown()) face.state |= QStyle::State_Sunken | QStyle::State_On;
    else face.state |= QStyle::State_Raised;
    p.drawControl(QStyle::CE_PushButtonBevel, face);
    // The picture above the caption, the two centred on the face; pressed, both move a pixel.
    const QRect inner = rect().adjusted(kGraphicalPadding, kGraphicalPadding, -kGraphicalPadding, -kGraphicalPadding);
    const int shift = (face.state & QStyle::State_Sunken) ? 1 : 0;
    const QSize caption = text().isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, text());
    const QSize picture = icon().isNull() ? QSize() : iconSize();
    const int gap = caption.isEmpty() || picture.isEmpty() ? 0 : kGraphicalGap;
    int y = inner.top() + (inner.height() - picture.height() - gap - caption.height()) / 2 + shift;
    if (!picture.isEmpty()) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pm = icon().pixmap(picture, devicePixelRatio(), mode, isChecked() ? QIcon::On : QIcon::Off);
        p.drawPixmap(inner.left() + (inner.width() - picture.width()) / 2 + shift, y, pm);
        y += picture.height() + gap;
    }
    if (!caption.isEmpty())
        style()->drawItemText(&p, QRect(inner.left() + shift, y, inner.width(), caption.height()),
                              Qt::AlignHCenter | Qt::TextShowMnemonic, palette(), isEnabled(), this->text(),
                              QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

Frame::Frame(QWidget* parent, const std::string& name, const std::string& caption)
    : QGroupBox(Q(caption), parent) {
    SetName(this, name);
}

// ---- ComboBox ----------------------------------------------------------------------------

constexpr int kItemData = Qt::UserRole + 1;
constexpr int kItemText = Qt::UserRole + 2; // the entry's text where the list shows another

ComboBox::ComboBox(QWidget* parent, const std::string& name, Style style) : QComboBox(parent) {
    SetName(this, name);
    setEditable(style == DropDownCombo);
    if (style == DropDownCombo) setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::currentIndexChanged, this, &ComboBox::Click);
    // Change is for the typed text: choosing an entry is a Click, even though it rewrites the
    // text. SetText reports the writes from code.
    if (lineEdit()) connect(lineEdit(), &QLineEdit::textEdited, this, &ComboBox::Change);
}

void ComboBox::AddItem(const std::string& text, int index) {
    int at = index < 0 || index > count() ? count() : index;
    // Adding the first entry must not choose it: the box stays without a choice.
    QSignalBlocker quiet(this);
    int before = currentIndex();
    insertItem(at, Q(text));
    setItemData(at, QVariant(qlonglong(0)), kItemData);
    if (before < 0) setCurrentIndex(-1);
    newIndex_ = at;
}

void ComboBox::RemoveItem(int index) { removeItem(index); }
void ComboBox::Clear() { clear(); }

long ComboBox::ItemData(int index) const { return itemData(index, kItemData).toLongLong(); }
void ComboBox::SetItemData(int index, long value) { setItemData(index, QVariant(static_cast<qlonglong>(value)), kItemData); }

std::string ComboBox::List(int index) const {
    const QVariant text = itemData(index, kItemText);
    return S(text.isValid() ? text.toString() : itemText(index));
}

void ComboBox::SetShownText(int index, const std::string& shown) {
    if (index < 0 || index >= count()) return;
    if (!itemData(index, kItemText).isValid()) setItemData(index, itemText(index), kItemText);
    setItemText(index, Q(shown));
}

void ComboBox::SetListIndex(int index) { setCurrentIndex(index < 0 || index >= count() ? -1 : index); }

std::string ComboBox::Text() const {
    if (!isEditable() && currentIndex() >= 0) return List(currentIndex());
    return S(currentText());
}

void ComboBox::SetText(const std::string& t) {
    if (isEditable()) {
        if (Q(t) == currentText()) return;
        setEditText(Q(t));
        emit Change();
        return;
    }
    int i = findData(Q(t), kItemText, Qt::MatchFixedString);
    if (i < 0) i = findText(Q(t), Qt::MatchFixedString);
    SetListIndex(i);
}

void ComboBox::SetLocked(bool on) {
    locked_ = on;
    if (isEditable()) lineEdit()->setReadOnly(on);
}

void ComboBox::mousePressEvent(QMouseEvent* e) { if (!locked_) QComboBox::mousePressEvent(e); }
void ComboBox::keyPressEvent(QKeyEvent* e) {
    if (locked_ && e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab) {
        e->ignore();
        return;
    }
    if (TypedCharacter(e)) {
        int ascii = e->text().at(0).unicode();
        emit KeyPress(ascii);
        if (ascii == 0) return;
        if (ascii != e->text().at(0).unicode()) {
            QKeyEvent changed(QEvent::KeyPress, e->key(), e->modifiers(), QString(QChar(ascii)));
            QComboBox::keyPressEvent(&changed);
            return;
        }
    }
    QComboBox::keyPressEvent(e);
}
void ComboBox::wheelEvent(QWheelEvent* e) { if (!locked_) QComboBox::wheelEvent(e); }

void ComboBox::focusInEvent(QFocusEvent* e) { QComboBox::focusInEvent(e); emit GotFocus(); }
void ComboBox::focusOutEvent(QFocusEvent* e) {
    QComboBox::focusOutEvent(e);
    // The drop-down taking the focus is not the box losing it.
    if (e->reason() != Qt::PopupFocusReason) emit LostFocus();
}

int TypeAhead(QWidget* list, int keyAscii, bool search) {
    if (!search || keyAscii < 0x20 || keyAscii == 0x7F) return keyAscii;
    auto* combo = qobject_cast<QComboBox*>(list);
    auto* box = qobject_cast<QListWidget*>(list);
    if (!combo && !box) return keyAscii;
    // The typed prefix lives on the list, so two lists never share one.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QString typed = list->property("bvrTypeAhead").toString();
    if (now - list->property("bvrTypeAheadAt").toLongLong() > 1000) typed.clear();
    const QChar c(keyAscii);
    const bool repeat = typed.size() == 1 && typed.at(0).toCaseFolded() == c.toCaseFolded();
    if (!repeat) typed += c;
    list->setProperty("bvrTypeAhead", typed);
    list->setProperty("bvrTypeAheadAt", now);
    const int count = combo ? combo->count() : box->count();
    const int current = combo ? combo->currentIndex() : box->currentRow();
    auto text = [&](int i) { return combo ? combo->itemText(i) : box->item(i)->text(); };
    // A longer prefix may still fit the current entry; a repeated character moves on.
    const int from = repeat ? current + 1 : std::max(current, 0);
    for (int k = 0; k < count; ++k) {
        const int i = (from + k) % count;
        if (!text(i).startsWith(typed, Qt::CaseInsensitive)) continue;
        if (combo) combo->setCurrentIndex(i);
        else box->setCurrentRow(i);
        break;
    }
    return 0;
}

// ---- ListBox -----------------------------------------------------------------------------

ListBox::ListBox(QWidget* parent, const std::string& name, int multiSelect)
    : QListWidget(parent), multiSelect_(multiSelect) {
    SetName(this, name);
    setSelectionMode(multiSelect == 1   ? QAbstractItemView::MultiSelection
                     : multiSelect == 2 ? QAbstractItemView::ExtendedSelection
                                        : QAbstractItemView::SingleSelection);
    if (multiSelect == 0) connect(this, &QListWidget::currentRowChanged, this, &ListBox::Click);
    else connect(this, &QListWidget::itemSelectionChanged, this, &ListBox::Click);
    connect(this, &QListWidget::itemDoubleClicked, this, &ListBox::DblClick);
}

void ListBox::AddItem(const std::string& text, int index) {
    int at = index < 0 || index > count() ? count() : index;
    QSignalBlocker quiet(this);
    auto* item = new QListWidgetItem(Q(text));
    item->setData(kItemData, 0LL);
    insertItem(at, item);
    newIndex_ = at;
}

void ListBox::RemoveItem(int index) { delete takeItem(index); }
void ListBox::Clear() { clear(); }
std::string ListBox::List(int index) const { auto* i = item(index); return i ? S(i->text()) : std::string(); }
long ListBox::ItemData(int index) const { auto* i = item(index); return i ? static_cast<long>(i->data(kItemData).toLongLong()) : 0; }
void ListBox::SetItemData(int index, long value) { if (auto* i = item(index)) i->setData(kItemData, static_cast<qlonglong>(value)); }

void ListBox::SetListIndex(int index) {
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        return;
    }
    setCurrentRow(index);
}

bool ListBox::Selected(int index) const { auto* i = item(index); return i && i->isSelected(); }
void ListBox::SetSelected(int index, bool on) { if (auto* i = item(index)) i->setSelected(on); }
int ListBox::SelCount() const { return static_cast<int>(selectedItems().size()); }
std::string ListBox::Text() const { return List(currentRow()); }

// ---- Timer -------------------------------------------------------------------------------

Timer::Timer(QObject* parent, const std::string& name, int interval) : QObject(parent), interval_(interval) {
    SetName(this, name);
    connect(&timer_, &QTimer::timeout, this, &Timer::Tick);
    Apply();
}

void Timer::SetInterval(int ms) { interval_ = std::max(0, ms); Apply(); }
void Timer::SetEnabled(bool on) { enabled_ = on; Apply(); }

void Timer::Apply() {
    if (enabled_ && interval_ > 0) timer_.start(interval_);
    else timer_.stop();
}

} // namespace platform::ui
