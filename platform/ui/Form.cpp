#include "platform/ui/Form.h"

#include "platform/ui/Handlers.h"

#include "platform/ui/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <deque>

namespace platform::ui {

// ---- keys --------------------------------------------------------------------------------

int ShiftState(Qt::KeyboardModifiers m) {
    return ((m & Qt::ShiftModifier) ? ShiftMask : 0) | ((m & Qt::ControlModifier) ? CtrlMask : 0) |
           ((m & Qt::AltModifier) ? AltMask : 0);
}

int VirtualKey(int k, Qt::KeyboardModifiers m) {
    const bool pad = (m & Qt::KeypadModifier) != 0;
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return pad ? vk::Numpad0 + (k - Qt::Key_0) : k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return vk::F1 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Tab: case Qt::Key_Backtab: return vk::Tab;
    case Qt::Key_Return: case Qt::Key_Enter: return vk::Return;
    case Qt::Key_Shift: return vk::Shift;
    case Qt::Key_Control: return vk::Control;
    case Qt::Key_Alt: return vk::Menu;
    case Qt::Key_Pause: return vk::Pause;
    case Qt::Key_CapsLock: return vk::Capital;
    case Qt::Key_Escape: return vk::Escape;
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_PageUp: return vk::Prior;
    case Qt::Key_PageDown: return vk::Next;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Print: return 44;
    case Qt::Key_Insert: return vk::Insert;
    case Qt::Key_Delete: return vk::Delete;
    case Qt::Key_Menu: return 93;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    // Shifted digits of the usual layout come back as their digit key.
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return pad ? vk::Multiply : '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_Plus: return pad ? vk::Add : vk::OemPlus;
    case Qt::Key_Equal: return vk::OemPlus;
    case Qt::Key_Minus: return pad ? vk::Subtract : vk::OemMinus;
    case Qt::Key_Underscore: return vk::OemMinus;
    case Qt::Key_Period: return pad ? vk::Decimal : vk::OemPeriod;
    case Qt::Key_Greater: return vk::OemPeriod;
    case Qt::Key_Comma: case Qt::Key_Less: return vk::OemComma;
    case Qt::Key_Slash: return pad ? vk::Divide : vk::OemSlash;
    case Qt::Key_Question: return vk::OemSlash;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return vk::OemSemicolon;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return vk::OemQuote;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return vk::OemOpenBracket;
    case Qt::Key_Backslash: case Qt::Key_Bar: return vk::OemBackslash;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return vk::OemCloseBracket;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return vk::OemTilde;
    default: return 0;
    }
}

// ---- mouse pointers ----------------------------------------------------------------------

namespace {

bool ShapeOf(int pointer, Qt::CursorShape& shape) {
    switch (pointer) {
    case PointerArrow: shape = Qt::ArrowCursor; return true;
    case 2: shape = Qt::CrossCursor; return true;
    case 3: shape = Qt::IBeamCursor; return true;
    case 7: shape = Qt::SizeVerCursor; return true;
    case 9: shape = Qt::SizeHorCursor; return true;
    case PointerHourglass: shape = Qt::WaitCursor; return true;
    case 12: shape = Qt::ForbiddenCursor; return true;
    case 13: shape = Qt::BusyCursor; return true;
    case 15: shape = Qt::SizeAllCursor; return true;
    default: return false; // the default pointer
    }
}

int g_screenPointer = PointerDefault;

} // namespace

void SetScreenMousePointer(int pointer) {
    Qt::CursorShape shape{};
    bool had = g_screenPointer != PointerDefault;
    g_screenPointer = ShapeOf(pointer, shape) ? pointer : PointerDefault;
    if (g_screenPointer == PointerDefault) {
        if (had) QApplication::restoreOverrideCursor();
    } else if (had) {
        QApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QApplication::setOverrideCursor(QCursor(shape));
    }
}

int ScreenMousePointer() { return g_screenPointer; }

// ---- key preview -------------------------------------------------------------------------

// The nearest form: a window that sits as a child inside another form has its own controls.
// A dialog, a drop-down list or a menu is a window of its own, even when its Qt parent is a
// form's control.
Form* FormOf(const QWidget* w) {
    for (QWidget* p = const_cast<QWidget*>(w); p; p = p->parentWidget()) {
        if (auto* form = dynamic_cast<Form*>(p)) return form;
        if (p->isWindow()) return nullptr;
    }
    return nullptr;
}

// One filter for the whole program: a key goes to the form of the widget it is for first.
class KeyPreviewFilter : public QObject {
public:
    static void Install() {
        static KeyPreviewFilter* filter = nullptr;
        if (!filter && QCoreApplication::instance()) {
            filter = new KeyPreviewFilter(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(filter);
        }
    }
    static inline bool reposting = false;

protected:
    explicit KeyPreviewFilter(QObject* parent) : QObject(parent) {}

    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() == QEvent::ShortcutOverride) {
            if (auto* w = qobject_cast<QWidget*>(obj)) MenuBeforeShortcut(w, static_cast<QKeyEvent*>(ev));
            return false;
        }
        if (reposting || (ev->type() != QEvent::KeyPress && ev->type() != QEvent::KeyRelease))
            return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w) return false;
        // A key the focused control ignores travels up to its parents: preview it once.
        if (ev == last_ && last_target_ && w != last_target_ && w->isAncestorOf(last_target_)) return false;
        last_ = ev;
        last_target_ = w;
        Form* form = FormOf(w);
        if (!form || !form->KeyPreview()) return false;
        return form->PreviewKey(obj, static_cast<QKeyEvent*>(ev));
    }

private:
    // A menu entry's shortcut key runs its top menu's click handler first, as opening the menu
    // does: the entry acts, or refuses, by the state of now, not by the one it had when the
    // menu was last opened.
    static void MenuBeforeShortcut(QWidget* w, QKeyEvent* e) {
        auto* form = dynamic_cast<Form*>(w->window());
        if (!form || e->isAutoRepeat()) return;
        QMenuBar* bar = form->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
        if (!bar) return;
        const QKeySequence key(e->keyCombination());
        for (QAction* top : bar->actions()) {
            QMenu* menu = top->menu();
            if (menu && HasShortcut(menu, key)) {
                emit menu->aboutToShow();
                return;
            }
        }
    }

    static bool HasShortcut(const QMenu* menu, const QKeySequence& key) {
        for (QAction* a : menu->actions()) {
            if (a->menu() && HasShortcut(a->menu(), key)) return true;
            if (!a->isSeparator() && a->shortcut() == key) return true;
        }
        return false;
    }

    QEvent* last_ = nullptr;
    QPointer<QWidget> last_target_;
};

// ---- forms -------------------------------------------------------------------------------

namespace {

Form* g_active = nullptr;
std::deque<std::function<void(Form&)>> g_modalScript;
int g_unscripted = 0;

bool Offscreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

// The frame the window manager puts around a window; none until it has told.
QMargins FrameOf(const QWidget* w) {
    const QRect f = w->frameGeometry(), g = w->geometry();
    return QMargins(g.x() - f.x(), g.y() - f.y(), f.right() - g.right(), f.bottom() - g.bottom());
}

// The frame last seen on a window of this program: the best guess for a window not yet framed.
QMargins g_lastFrame;

// The client geometry of an outer one with that frame around it.
QRect ClientOf(const QRect& outer, const QMargins& m) {
    return QRect(outer.x() + m.left(), outer.y() + m.top(), std::max(1, outer.width() - m.left() - m.right()),
                 std::max(1, outer.height() - m.top() - m.bottom()));
}

} // namespace

Form::Form(const std::string& name, QWidget* parent) : QMainWindow(parent, Qt::Window) {
    SetName(this, name);
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    KeyPreviewFilter::Install();
}

Form::~Form() {
    if (g_active == this) g_active = nullptr;
    if (modalLoop_) modalLoop_->quit();
}

void Form::Load() {
    if (loaded_) return;
    if (!initialised_) {
        initialised_ = true;
        RunHandler("Form_Initialize", [this] { Form_Initialize(); });
    }
    loaded_ = true;
    RunHandler("Form_Load", [this] { Form_Load(); });
}

void Form::Show(int modal, QWidget* owner) {
    Load();
    if (!loaded_) return; // the load handler unloaded the form
    if (owner) {
        // Owned means kept above the owner, not deleted with it: the caller keeps the form.
        create();
        if (QWindow* o = owner->window()->windowHandle()) windowHandle()->setTransientParent(o);
    }
    if (isWindow() && !placed_ && !centred_) {
        centred_ = true;
        QWidget* o = owner ? owner->window() : parentWidget() ? parentWidget()->window() : nullptr;
        if (o && o != this && o->isVisible()) CentreOnOwner(o);
    }
    if (modal == Modal) {
        if (isVisible()) hide();
        setWindowModality(Qt::ApplicationModal);
    }
    show();
    raise();
    activateWindow();
    Activated();
    if (modal != Modal) return;
    QPointer<Form> alive(this);
    RunUntilHidden();
    if (alive) setWindowModality(Qt::NonModal);
}

void Form::WaitWhileVisible() {
    if (isVisible()) RunUntilHidden();
}

void Form::RunUntilHidden() {
    QEventLoop loop;
    modalLoop_ = &loop;
    if (!g_modalScript.empty()) {
        auto action = std::move(g_modalScript.front());
        g_modalScript.pop_front();
        QPointer<Form> self(this);
        QTimer::singleShot(0, this, [self, action] {
            if (!self) return;
            action(*self);
            if (self && self->isVisible()) self->hide(); // a script always ends the show
        });
    } else if (Offscreen()) {
        ++g_unscripted;
        std::fprintf(stderr, "form %s waited on without a script; hidden\n", qPrintable(objectName()));
        hide();
    }
    QPointer<Form> alive(this);
    if (isVisible()) loop.exec();
    if (!alive) return; // deleted while shown
    modalLoop_ = nullptr;
}

void Form::Hide() { hide(); }

bool Form::Unload() { return Unloading(FormCode); }

bool Form::Unloading(int mode) {
    if (!loaded_) {
        hide();
        return true;
    }
    if (inUnload_) return false;
    inUnload_ = true;
    int cancel = 0;
    RunHandler("Form_QueryUnload", [&] {
        try {
            Form_QueryUnload(cancel, mode);
        } catch (...) {
            cancel = 1; // a close check that failed keeps the window and its work
            throw;
        }
    });
    if (cancel == 0) RunHandler("Form_Unload", [&] { Form_Unload(cancel); });
    inUnload_ = false;
    if (cancel != 0) return false;
    loaded_ = false;
    centred_ = false;
    hide();
    if (AfterUnload) AfterUnload();
    return true;
}

void Form::Refresh() {
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Form::Activated() {
    if (g_active == this) return;
    Form* previous = g_active;
    g_active = this;
    if (previous && previous->loaded_) RunHandler("Form_Deactivate", [previous] { previous->Form_Deactivate(); });
    if (loaded_) RunHandler("Form_Activate", [this] { Form_Activate(); });
}

bool Form::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && isVisible()) Activated();
    if (e->type() == QEvent::WindowStateChange && loaded_) {
        bool r = QMainWindow::event(e);
        RunHandler("Form_Resize", [this] { Form_Resize(); });
        return r;
    }
    return QMainWindow::event(e);
}

void Form::closeEvent(QCloseEvent* e) {
    if (Unloading(FormControlMenu)) e->accept();
    else e->ignore();
}

void Form::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (loaded_) RunHandler("Form_Resize", [this] { Form_Resize(); });
}

void Form::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    FrameKnown();
}

void Form::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    FrameKnown();
}

// A window manager frames a window some time after it shows: once the frame is known, the
// window takes the outer geometry it was asked for (when the guess was wrong), so a stored
// position comes back as it was stored, frame and all.
void Form::FrameKnown() {
    if (!framePending_ || !isVisible()) return;
    const QMargins m = FrameOf(this);
    if (m.isNull()) {
        // Not framed yet, or never (no window manager). A frame put around a window that
        // stays where it is raises no event here: look again shortly, for a few seconds.
        if (frameLooks_++ < 120) QTimer::singleShot(25, this, [this] { FrameKnown(); });
        return;
    }
    framePending_ = false;
    g_lastFrame = m;
    if (m == frameUsed_ || WindowState() != Normal) return;
    frameUsed_ = m;
    setGeometry(ClientOf(pixels_, m));
}

// The frame centred on the owner's, kept inside the owner's screen.
void Form::CentreOnOwner(QWidget* owner) {
    const QMargins m = FrameOf(this).isNull() ? g_lastFrame : FrameOf(this);
    QRect frame(QPoint(0, 0), size().grownBy(m));
    frame.moveCenter(owner->frameGeometry().center());
    if (QScreen* screen = owner->screen()) {
        const QRect avail = screen->availableGeometry();
        frame.moveLeft(std::max(avail.left(), std::min(frame.left(), avail.right() + 1 - frame.width())));
        frame.moveTop(std::max(avail.top(), std::min(frame.top(), avail.bottom() + 1 - frame.height())));
    }
    setGeometry(QRect(frame.topLeft() + QPoint(m.left(), m.top()), size()));
    framePending_ = FrameOf(this).isNull();
    frameUsed_ = m;
    frameLooks_ = 0;
    pixels_ = frame;
    twips_ = QRectF(PixelsToTwipsX(frame.x()), PixelsToTwipsY(frame.y()), PixelsToTwipsX(frame.width()),
                    PixelsToTwipsY(frame.height()));
}

void Form::hideEvent(QHideEvent* e) {
    QMainWindow::hideEvent(e);
    if (e->spontaneous()) return; // minimised, not hidden
    if (g_active == this) g_active = nullptr;
    if (modalLoop_) modalLoop_->quit();
}

bool Form::PreviewKey(QObject* target, QKeyEvent* e) {
    int code = VirtualKey(e->key(), e->modifiers());
    int shift = ShiftState(e->modifiers());
    if (e->type() == QEvent::KeyRelease) {
        if (code == 0) return false;
        RunHandler("Form_KeyUp", [&] { Form_KeyUp(code, shift); });
        return code == 0;
    }
    if (code != 0) {
        RunHandler("Form_KeyDown", [&] { Form_KeyDown(code, shift); });
        if (code == 0) return true;
    }
    QString text = e->text();
    if (text.isEmpty()) return false;
    int ascii = text.at(0).unicode();
    int original = ascii;
    RunHandler("Form_KeyPress", [&] { Form_KeyPress(ascii); });
    if (ascii == 0) return true;
    if (ascii != original) {
        // The handler changed the character: the control gets the new one instead.
        QKeyEvent changed(QEvent::KeyPress, e->key(), e->modifiers(), QString(QChar(ascii)));
        KeyPreviewFilter::reposting = true;
        QCoreApplication::sendEvent(target, &changed);
        KeyPreviewFilter::reposting = false;
        return true;
    }
    return false;
}

void Form::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const bool esc = e->key() == Qt::Key_Escape;
    if ((enter || esc) && e->modifiers() == Qt::NoModifier) {
        for (auto* b : findChildren<CommandButton*>()) {
            if (b->window() != this || !b->isEnabled() || !b->isVisible()) continue;
            if ((enter && b->Default()) || (esc && b->Cancel())) {
                emit b->Click();
                return;
            }
        }
    }
    QMainWindow::keyPressEvent(e);
}

double Form::Left() const { return pixels_.x() == frameGeometry().x() && !twips_.isNull() ? twips_.x() : PixelsToTwipsX(frameGeometry().x()); }
double Form::Top() const { return pixels_.y() == frameGeometry().y() && !twips_.isNull() ? twips_.y() : PixelsToTwipsY(frameGeometry().y()); }
double Form::Width() const { return pixels_.width() == frameGeometry().width() && !twips_.isNull() ? twips_.width() : PixelsToTwipsX(frameGeometry().width()); }
double Form::Height() const { return pixels_.height() == frameGeometry().height() && !twips_.isNull() ? twips_.height() : PixelsToTwipsY(frameGeometry().height()); }

void Form::Move(double left, double top, double width, double height) {
    QRect outer(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
    QMargins m = FrameOf(this);
    // Not framed yet: the frame of the program's other windows stands in until the window
    // manager tells this one's.
    const bool pending = isWindow() && m.isNull();
    if (pending) m = g_lastFrame;
    if (isMaximized() || isMinimized()) setWindowState(Qt::WindowNoState);
    setGeometry(ClientOf(outer, m));
    twips_ = QRectF(left, top, width, height);
    pixels_ = outer; // reads back as set only while the window really has this geometry
    framePending_ = pending;
    frameUsed_ = m;
    frameLooks_ = 0;
    placed_ = true;
}

QRectF Form::NormalBounds() const {
    if (WindowState() == Normal) return QRectF(Left(), Top(), Width(), Height());
    QRect n = normalGeometry();
    QMargins m(geometry().x() - frameGeometry().x(), geometry().y() - frameGeometry().y(),
               frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    QRect outer = n.marginsAdded(m);
    if (outer.size() == pixels_.size() && !twips_.isNull() && outer.topLeft() == pixels_.topLeft()) return twips_;
    return QRectF(PixelsToTwipsX(outer.x()), PixelsToTwipsY(outer.y()), PixelsToTwipsX(outer.width()),
                  PixelsToTwipsY(outer.height()));
}

double Form::ScaleWidth() const { return PixelsToTwipsX(client_->width()); }
double Form::ScaleHeight() const { return PixelsToTwipsY(client_->height()); }

int Form::WindowState() const {
    if (windowState() & Qt::WindowMinimized) return Minimized;
    if (windowState() & Qt::WindowMaximized) return Maximized;
    return Normal;
}

void Form::SetWindowState(int state) {
    setWindowState(state == Minimized   ? Qt::WindowMinimized
                   : state == Maximized ? Qt::WindowMaximized
                                        : Qt::WindowNoState);
}

void Form::SetMousePointer(int pointer) {
    Qt::CursorShape shape{};
    if (ShapeOf(pointer, shape)) {
        pointer_ = pointer;
        setCursor(shape);
    } else {
        pointer_ = PointerDefault;
        unsetCursor();
    }
}

void Form::SetTopmost(bool on) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown) {
        // The platform call places the window without activating it.
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

QMenu* Form::AddMenu(const std::string& name, const std::string& caption) {
    QMenu* m = menuBar()->addMenu(Q(caption));
    SetName(m, name);
    SetName(m->menuAction(), name);
    return m;
}

QMenu* Form::AddSubMenu(QMenu* parent, const std::string& name, const std::string& caption) {
    QMenu* m = parent->addMenu(Q(caption));
    SetName(m, name);
    SetName(m->menuAction(), name);
    return m;
}

QAction* Form::AddMenuItem(QMenu* menu, const std::string& name, const std::string& caption,
                           const QKeySequence& shortcut) {
    QAction* a = caption == "-" ? menu->addSeparator() : menu->addAction(Q(caption));
    SetName(a, name);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
}

void Form::ScriptModal(std::function<void(Form&)> action) { g_modalScript.push_back(std::move(action)); }
int Form::UnscriptedModals() { return g_unscripted; }
void Form::ClearModalScript() { g_modalScript.clear(); g_unscripted = 0; }

} // namespace platform::ui
