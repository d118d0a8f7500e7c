// The form base of every window of the system.
//
// A window derives from Form, builds its controls on Client() in its constructor (positions in
// twips, names as the code names them), connects their events to its handlers, and overrides
// the lifecycle handlers it needs:
//
//   class frmAbout : public platform::ui::Form {
//   public:
//       frmAbout() : Form("frmAbout") {
//           cmdOK = new CommandButton(Client(), "cmdOK", "OK");
//           connect(cmdOK, &CommandButton::Click, this, &frmAbout::cmdOK_Click);
//       }
//   protected:
//       void Form_Load() override;
//       void cmdOK_Click() { Unload(); }
//       CommandButton* cmdOK;
//   };
//
// Lifecycle: Form_Initialize once, before the first load; Form_Load on Load() (Show loads
// first); Form_Activate each time the form becomes the active form; Form_Resize on every size
// change; Form_QueryUnload(Cancel, UnloadMode) then Form_Unload(Cancel) when the form is
// unloaded by code (UnloadMode 1) or closed from its close box or control menu (UnloadMode 0);
// a Cancel other than 0 keeps the form. An unloaded form is hidden and may be loaded again;
// its owner deletes it.
//
// Show(Modal = 1) returns when the form hides itself (or unloads); so does WaitWhileVisible
// after a modeless show. Tests never block on either: they queue what the form should do with
// ScriptModal (the action runs once the form is up; the show ends after it), and under the
// offscreen platform an unscripted wait hides the form at once and counts in UnscriptedModals().
//
// KeyPreview: the form sees every key typed into its own controls before the focused control
// does (never a key of another window or pop-up, even one whose Qt parent is the form's
// control), as Form_KeyDown(KeyCode, Shift) with the platform's virtual-key codes (vk:: below)
// and the shift mask 1 Shift, 2 Ctrl, 4 Alt, then Form_KeyPress(KeyAscii) for characters;
// setting the code to 0 consumes the key. Enter clicks the Default command button and Esc the
// Cancel one.
//
// Menus: AddMenu / AddMenuItem make named QActions; a top menu's click handler (which
// recomputes its entries) connects to QMenu::aboutToShow, which also runs before the
// shortcut key of one of its entries acts.
#pragma once

#include "platform/ui/Controls.h"

#include <QMainWindow>
#include <QMenu>

#include <functional>
#include <string>

class QEventLoop;

namespace platform::ui {

namespace vk {
inline constexpr int Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18,
                     Pause = 19, Capital = 20, Escape = 27, Space = 32, Prior = 33, Next = 34,
                     End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
                     Insert = 45, Delete = 46, Numpad0 = 96, Multiply = 106, Add = 107,
                     Subtract = 109, Decimal = 110, Divide = 111, F1 = 112, OemSemicolon = 186,
                     OemPlus = 187, OemComma = 188, OemMinus = 189, OemPeriod = 190,
                     OemSlash = 191, OemTilde = 192, OemOpenBracket = 219, OemBackslash = 220,
                     OemCloseBracket = 221, OemQuote = 222;
// Letters are 'A'..'Z' (65..90), digits '0'..'9' (48..57), F-keys F1 + n - 1.
} // namespace vk

inline constexpr int ShiftMask = 1, CtrlMask = 2, AltMask = 4;

// Virtual-key code and shift mask of a Qt key event (0 for keys without a code).
int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
int ShiftState(Qt::KeyboardModifiers modifiers);

enum UnloadMode { FormControlMenu = 0, FormCode = 1, AppWindows = 2, AppTaskManager = 3 };
enum WindowState { Normal = 0, Minimized = 1, Maximized = 2 };
enum MousePointer { PointerDefault = 0, PointerArrow = 1, PointerHourglass = 11 };
enum ShowMode { Modeless = 0, Modal = 1 };

class Form;
// The form whose own control the widget is; nullptr for a widget of another window (a dialog,
// a drop-down list, a menu) or of none.
Form* FormOf(const QWidget* w);

// The screen's mouse pointer (over every window of the program).
void SetScreenMousePointer(int pointer);
int ScreenMousePointer();

class Form : public QMainWindow {
public:
    // name: the window's code name (its object name). parent: a Qt parent that deletes the
    // form with it; most forms have none and belong to whoever made them.
    explicit Form(const std::string& name, QWidget* parent = nullptr);
    ~Form() override;

    // Controls go on the client area; its size is ScaleWidth x ScaleHeight.
    QWidget* Client() const { return client_; }

    void Load();
    bool IsLoaded() const { return loaded_; }
    // An owner keeps the form above it; it does not take the form over. A window with an
    // owner (this one, or its Qt parent's window) that code has not moved opens centred on
    // it, once per load, inside the owner's screen.
    void Show(int modal = Modeless, QWidget* owner = nullptr);
    // Lets the program run until the form hides itself (a modeless show that is waited on).
    void WaitWhileVisible();
    void Hide();
    bool Unload(); // false when the form refused
    void Refresh();

    std::string Caption() const { return S(windowTitle()); }
    void SetCaption(const std::string& c) { setWindowTitle(Q(c)); }

    // Outer position and size in twips (frame included), as the window's own units.
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void Move(double left, double top, double width, double height);
    void SetLeft(double t) { Move(t, Top(), Width(), Height()); }
    void SetTop(double t) { Move(Left(), t, Width(), Height()); }
    void SetWidth(double t) { Move(Left(), Top(), t, Height()); }
    void SetHeight(double t) { Move(Left(), Top(), Width(), t); }
    // A control's geometry in twips from inside a form (the form's own names hide the free
    // functions of Controls.h).
    static double Left(const QWidget* w) { return platform::ui::Left(w); }
    static double Top(const QWidget* w) { return platform::ui::Top(w); }
    static double Width(const QWidget* w) { return platform::ui::Width(w); }
    static double Height(const QWidget* w) { return platform::ui::Height(w); }
    static void SetLeft(QWidget* w, double t) { platform::ui::SetLeft(w, t); }
    static void SetTop(QWidget* w, double t) { platform::ui::SetTop(w, t); }
    static void SetWidth(QWidget* w, double t) { platform::ui::SetWidth(w, t); }
    static void SetHeight(QWidget* w, double t) { platform::ui::SetHeight(w, t); }
    static void Move(QWidget* w, double left, double top, double width, double height) {
        platform::ui::Move(w, left, top, width, height);
    }
    double ScaleWidth() const;
    double ScaleHeight() const;
    int WindowState() const;
    void SetWindowState(int state);
    // The outer bounds the window has, or returns to, in its normal state.
    QRectF NormalBounds() const;

    int MousePointer() const { return pointer_; }
    void SetMousePointer(int pointer);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }
    // Stays above other windows (the platform's topmost place).
    void SetTopmost(bool on);

    // Menus with code names; "-" as caption makes a separator.
    QMenu* AddMenu(const std::string& name, const std::string& caption);
    QMenu* AddSubMenu(QMenu* parent, const std::string& name, const std::string& caption);
    QAction* AddMenuItem(QMenu* menu, const std::string& name, const std::string& caption,
                         const QKeySequence& shortcut = {});

    // Runs after every unload that went through (the main window ends the program with it).
    std::function<void()> AfterUnload;

    // Test support: what the next modal show does (it should hide or unload the form).
    static void ScriptModal(std::function<void(Form&)> action);
    static int UnscriptedModals();
    static void ClearModalScript();

protected:
    virtual void Form_Initialize() {}
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Deactivate() {}
    virtual void Form_QueryUnload(int& /*Cancel*/, int /*UnloadMode*/) {}
    virtual void Form_Unload(int& /*Cancel*/) {}
    virtual void Form_Resize() {}
    virtual void Form_KeyDown(int& /*KeyCode*/, int /*Shift*/) {}
    virtual void Form_KeyUp(int& /*KeyCode*/, int /*Shift*/) {}
    virtual void Form_KeyPress(int& /*KeyAscii*/) {}

    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend class KeyPreviewFilter;
    bool Unloading(int mode);
    void RunUntilHidden();
    void Activated();
    bool PreviewKey(QObject* target, QKeyEvent* e);
    void FrameKnown();
    void CentreOnOwner(QWidget* owner);

    QWidget* client_;
    bool initialised_ = false;
    bool loaded_ = false;
    bool keyPreview_ = false;
    bool inUnload_ = false;
    int pointer_ = PointerDefault;
    QEventLoop* modalLoop_ = nullptr;
    QRectF twips_;  // outer geometry as last set
    QRect pixels_;  // the frame geometry it asked for
    // Set before the window manager told the frame: the outer geometry is given again once
    // the real frame is known, so the window is as large as it was asked to be, not larger.
    bool framePending_ = false;
    QMargins frameUsed_; // the frame the geometry was set with (an estimate while pending)
    int frameLooks_ = 0;  // looks for the frame since the geometry was set
    bool placed_ = false;  // moved by code: keeps its place when shown
    bool centred_ = false; // centred on its owner since it was loaded
};

} // namespace platform::ui
