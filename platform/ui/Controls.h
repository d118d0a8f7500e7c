// Controls of the form kit. How every window of the system is built:
//
// - A control is made with its parent and its name as the window's code names it:
//   `new TextBox(Client(), "txtDescription(1)")`. The object name becomes
//   "txtDescription_1" (ObjectName), so tests and screenshots find it with findChild.
// - Writes run handlers: writing a control's text, value or selection from code emits the
//   control's event (Change, Click) before the write returns, and only when the value really
//   changes. Windows connect their handlers to these events, never to Qt's user-only signals:
//   `connect(txtNotes, &TextBox::Change, this, &frmX::txtNotes_Change);`
// - Properties read back exactly as set: geometry in twips (Left/Top/Width/Height), OLE colours
//   (system colours such as 0x8000000F are drawn from the palette but read back as set), Tag,
//   ItemData, Locked, MaxLength, Enabled, Visible (the control's own flag, not whether its
//   window is on screen), z-order.
// - Texts cross this interface as UTF-8 std::string, like the rest of the system.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdint>
#include <string>

namespace platform::ui {

// ---- names -------------------------------------------------------------------------------
// "txtDescription(1)" -> "txtDescription_1"; other names unchanged.
std::string ObjectName(const std::string& codeName);
void SetName(QObject* o, const std::string& codeName);

QString Q(const std::string& utf8);
std::string S(const QString& text);

// ---- OLE colours -------------------------------------------------------------------------
// 0x00BBGGRR, or 0x800000nn for the system colour nn.
using OleColour = std::uint32_t;
namespace syscolour {
inline constexpr OleColour ButtonFace = 0x8000000F;
inline constexpr OleColour Window = 0x80000005;
inline constexpr OleColour WindowText = 0x80000008;
inline constexpr OleColour ButtonText = 0x80000012;
inline constexpr OleColour Highlight = 0x8000000D;
inline constexpr OleColour HighlightText = 0x8000000E;
inline constexpr OleColour GrayText = 0x80000011;
inline constexpr OleColour InfoBackground = 0x80000018;
inline constexpr OleColour InfoText = 0x80000017;
} // namespace syscolour

// The colour to draw with; system colours come from the application's palette.
QColor ToQColor(OleColour c);
OleColour FromQColor(const QColor& c);

void SetBackColor(QWidget* w, OleColour c);
OleColour BackColor(const QWidget* w); // as set; the control kind's default when never set
void SetForeColor(QWidget* w, OleColour c);
OleColour ForeColor(const QWidget* w);

// ---- common properties -------------------------------------------------------------------
void SetTag(QObject* o, const std::string& tag);
std::string Tag(const QObject* o);

// Position and size in twips, relative to the parent. A value reads back exactly as written
// while the widget stays where it was put; a widget moved by other means reads its pixels.
double Left(const QWidget* w);
double Top(const QWidget* w);
double Width(const QWidget* w);
double Height(const QWidget* w);
void SetLeft(QWidget* w, double twips);
void SetTop(QWidget* w, double twips);
void SetWidth(QWidget* w, double twips);
void SetHeight(QWidget* w, double twips);
void Move(QWidget* w, double left, double top, double width, double height);

// The control's own flags (a hidden or disabled container does not change them).
bool Visible(const QWidget* w);
void SetVisible(QWidget* w, bool on);
bool Enabled(const QWidget* w);
void SetEnabled(QWidget* w, bool on);

// ZOrder(0) brings the control to the front of its siblings, ZOrder(1) sends it to the back;
// ZIndex counts from the back (0) among the parent's widget children.
void ZOrder(QWidget* w, int position = 0);
int ZIndex(const QWidget* w);

// Selects the whole text of a text box, combo box or masked box; called from a GotFocus
// handler it also survives the click that gave the focus.
void SelectAllText(QWidget* w);

// Whether a box got the focus by a move inside its window (a click, Tab, a shortcut, code),
// not with its window coming back (another program or a dialog was active) or from a closed
// menu.
bool FocusMovedInside(Qt::FocusReason reason);

// For the GotFocus handler of a box that selects its text on focus (a TextBox, TextArea or
// MaskedTextBox): a move inside the window selects the whole text, so what is typed replaces
// it; the focus coming back with the window leaves the text, the caret and the selection as
// the user left them, so a half-typed entry is finished rather than replaced.
template <class Box>
void SelectAllOnFocusMove(Box* box) {
    if (FocusMovedInside(box->FocusReason())) SelectAllText(box);
}

// Type-ahead in a list (ComboBox or ListBox): with `search`, a typed character extends the
// text typed within the last second and chooses the first entry that begins with it (letter
// case ignored; a repeated single character steps through the entries that begin with it).
// Returns 0 when the key was used, else the key unchanged.
int TypeAhead(QWidget* list, int keyAscii, bool search);

// ---- controls ----------------------------------------------------------------------------

class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget* parent, const std::string& name, const std::string& caption = {});
    std::string Caption() const { return S(text()); }
    void SetCaption(const std::string& caption); // emits Change when it differs
signals:
    void Change();
    void Click();
protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(QWidget* parent, const std::string& name, const std::string& caption = {});
    std::string Caption() const { return S(text()); }
    void SetCaption(const std::string& caption) { setText(Q(caption)); }
    // Enter on the form clicks the default button, Esc the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool on) { default_ = on; setDefault(on); }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }
    // Value = True from code runs the click handler.
    void SetValue(bool on) { if (on) emit Click(); }
signals:
    void Click();
private:
    bool default_ = false;
    bool cancel_ = false;
};

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    TextBox(QWidget* parent, const std::string& name, const std::string& text = {});
    std::string Text() const { return S(text()); }
    void SetText(const std::string& t);
    // Locked: read-only but focusable and selectable.
    bool Locked() const { return isReadOnly(); }
    void SetLocked(bool on) { setReadOnly(on); }
    // 0 = no limit. The limit applies to typing and pasting (a paste that does not fit is cut
    // to what fits); text already in the box, or written by code, is kept in full.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n) { maxLength_ = n < 0 ? 0 : n; }
    std::string PasswordChar() const { return password_; }
    void SetPasswordChar(const std::string& c);
    int SelStart() const;
    void SetSelStart(int pos);
    int SelLength() const;
    void SetSelLength(int len);
    std::string SelText() const { return S(selectedText()); }
    void SetSelText(const std::string& t) { insert(Q(t)); }
    // Why the box last got or lost the focus (see FocusMovedInside).
    Qt::FocusReason FocusReason() const { return reason_; }
signals:
    void Change();
    void GotFocus();
    void LostFocus();
    void KeyDown(int& keyCode, int shift); // virtual-key code (vk:: of Form.h); 0 consumes
    void KeyPress(int& keyAscii);
protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
private:
    int maxLength_ = 0;
    int accepted_ = 0; // length of the text before the edit being validated
    std::string password_;
    Qt::FocusReason reason_ = Qt::OtherFocusReason;
    friend class MaxLengthValidator;
};

// A multi-line text box with the same interface as TextBox.
class TextArea : public QPlainTextEdit {
    Q_OBJECT
public:
    TextArea(QWidget* parent, const std::string& name, const std::string& text = {});
    std::string Text() const { return S(toPlainText()); }
    void SetText(const std::string& t);
    bool Locked() const { return isReadOnly(); }
    void SetLocked(bool on) { setReadOnly(on); }
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n) { maxLength_ = n < 0 ? 0 : n; }
    int SelStart() const;
    void SetSelStart(int pos);
    int SelLength() const;
    void SetSelLength(int len);
    Qt::FocusReason FocusReason() const { return reason_; }
signals:
    void Change();
    void GotFocus();
    void LostFocus();
    void KeyDown(int& keyCode, int shift); // as TextBox's
    void KeyPress(int& keyAscii);
protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
private:
    int Room() const;
    int maxLength_ = 0;
    QString last_;
    Qt::FocusReason reason_ = Qt::OtherFocusReason;
};

// Value: 0 unticked, 1 ticked, 2 greyed. Click runs when the value changes.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(QWidget* parent, const std::string& name, const std::string& caption = {});
    int Value() const;
    void SetValue(int v);
    std::string Caption() const { return S(text()); }
    void SetCaption(const std::string& c) { setText(Q(c)); }
signals:
    void Click();
};

// Option buttons with one parent are exclusive. Click runs when a button is turned on.
// Style 1 (graphical) draws the button as a push button that stays down while it is on, its
// picture above its caption (or alone).
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    enum Style { Standard = 0, Graphical = 1 };
    OptionButton(QWidget* parent, const std::string& name, const std::string& caption = {});
    bool Value() const { return isChecked(); }
    void SetValue(bool on); // False leaves no button of the group turned on
    std::string Caption() const { return S(text()); }
    void SetCaption(const std::string& c) { setText(Q(c)); }
    Style ButtonStyle() const { return style_; }
    void SetButtonStyle(Style s);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
signals:
    void Click();
protected:
    void paintEvent(QPaintEvent* e) override;
    bool hitButton(const QPoint& pos) const override;
private:
    Style style_ = Standard;
};

class Frame : public QGroupBox {
    Q_OBJECT
public:
    Frame(QWidget* parent, const std::string& name, const std::string& caption = {});
    std::string Caption() const { return S(title()); }
    void SetCaption(const std::string& c) { setTitle(Q(c)); }
};

// Style DropDownCombo (typed or chosen) or DropDownList (chosen only). ListIndex -1: none.
// Click runs when the chosen entry changes, Change when the typed text changes.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    enum Style { DropDownCombo = 0, DropDownList = 2 };
    ComboBox(QWidget* parent, const std::string& name, Style style = DropDownList);
    void AddItem(const std::string& text, int index = -1);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const { return count(); }
    std::string List(int index) const;
    // What the list draws of entry `index`, where that differs from the entry's text (which
    // List, Text and SetText keep using).
    void SetShownText(int index, const std::string& shown);
    long ItemData(int index) const;
    void SetItemData(int index, long value);
    int NewIndex() const { return newIndex_; }
    int ListIndex() const { return currentIndex(); }
    void SetListIndex(int index);
    std::string Text() const;
    void SetText(const std::string& t);
    bool Locked() const { return locked_; }
    void SetLocked(bool on);
signals:
    void Click();
    void Change();
    void GotFocus();
    void LostFocus();
    void KeyPress(int& keyAscii); // typed characters; 0 consumes, another code replaces
protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    // A locked box shows its entries but the user cannot change the choice.
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
private:
    int newIndex_ = -1;
    bool locked_ = false;
};

// MultiSelect: 0 one entry, 1 simple (click toggles), 2 extended (shift and ctrl).
class ListBox : public QListWidget {
    Q_OBJECT
public:
    ListBox(QWidget* parent, const std::string& name, int multiSelect = 0);
    void AddItem(const std::string& text, int index = -1);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const { return count(); }
    std::string List(int index) const;
    long ItemData(int index) const;
    void SetItemData(int index, long value);
    int NewIndex() const { return newIndex_; }
    int ListIndex() const { return currentRow(); }
    void SetListIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool on);
    int SelCount() const;
    int MultiSelect() const { return multiSelect_; }
    std::string Text() const;
signals:
    void Click();
    void DblClick();
private:
    int newIndex_ = -1;
    int multiSelect_ = 0;
};

// Interval in milliseconds; Timer runs every interval while Enabled and the interval is above 0.
class Timer : public QObject {
    Q_OBJECT
public:
    Timer(QObject* parent, const std::string& name, int interval = 0);
    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
signals:
    void Tick();
private:
    void Apply();
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = true;
};

} // namespace platform::ui
