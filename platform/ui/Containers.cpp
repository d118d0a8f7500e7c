#include "platform/ui/Containers.h"

#include "platform/ui/Form.h"
#include "platform/ui/Twips.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace platform::ui {

PictureBox::PictureBox(QWidget* parent, const std::string& name) : QFrame(parent) {
    SetName(this, name);
    SetBorderStyle(1);
}

void PictureBox::SetBorderStyle(int style) {
    setFrameShape(style == 0 ? QFrame::NoFrame : QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
}

void PictureBox::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    if (picture_.isNull()) return;
    QPainter p(this);
    p.drawPixmap(contentsRect().topLeft(), picture_);
}

void PictureBox::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    emit Resize();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    QFrame::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton) emit Click();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* e) {
    QFrame::mouseDoubleClickEvent(e);
    emit DblClick();
}

Panel::Panel(QWidget* parent, const std::string& name, const std::string& caption)
    : QFrame(parent), caption_(new QLabel(Q(caption), this)) {
    SetName(this, name);
    caption_->setObjectName(QStringLiteral("caption"));
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setAttribute(Qt::WA_TransparentForMouseEvents);
    SetBevelOuter(2);
}

void Panel::SetBevelOuter(int bevel) {
    bevel_ = bevel;
    setFrameShape(bevel == 0 ? QFrame::NoFrame : QFrame::Panel);
    setFrameShadow(bevel == 1 ? QFrame::Sunken : QFrame::Raised);
}

void Panel::SetAlignment(int alignment) {
    caption_->setAlignment(Qt::AlignVCenter | (alignment == 0   ? Qt::AlignLeft
                                               : alignment == 1 ? Qt::AlignRight
                                                                : Qt::AlignHCenter));
}

void Panel::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    caption_->setGeometry(contentsRect().adjusted(2, 0, -2, 0));
    caption_->lower();
}

void Panel::mouseReleaseEvent(QMouseEvent* e) {
    QFrame::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton) emit Click();
}

TabStrip::TabStrip(QWidget* parent, const std::string& name) : QTabWidget(parent) {
    SetName(this, name);
    connect(this, &QTabWidget::currentChanged, this, &TabStrip::Click);
}

// Ctrl+Tab inside a form that previews keys is the form's: it moves between the tabs itself, so
// the tab strip moving as well would turn one press into two steps.
void TabStrip::keyPressEvent(QKeyEvent* e) {
    const bool ctrlTab = (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) && (e->modifiers() & Qt::ControlModifier);
    if (const Form* form = ctrlTab ? FormOf(this) : nullptr; form && form->KeyPreview()) {
        e->ignore();
        return;
    }
    QTabWidget::keyPressEvent(e);
}

QWidget* TabStrip::AddTab(const std::string& caption) {
    auto* page = new QWidget;
    page->setObjectName(objectName() + QStringLiteral("_page") + QString::number(count()));
    QSignalBlocker quiet(this); // adding the first tab is no change of tab
    addTab(page, Q(caption));
    return page;
}

Toolbar::Toolbar(QWidget* parent, const std::string& name) : QToolBar(parent) {
    SetName(this, name);
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

QAction* Toolbar::AddButton(const std::string& key, const std::string& toolTip, const QIcon& icon,
                            const std::string& caption) {
    QAction* a = addAction(icon, Q(caption.empty() ? toolTip : caption));
    a->setObjectName(Q(key));
    a->setToolTip(Q(toolTip));
    if (!caption.empty() && icon.isNull()) setToolButtonStyle(Qt::ToolButtonTextOnly);
    buttons_[key] = a;
    connect(a, &QAction::triggered, this, [this, key] { emit ButtonClick(key); });
    return a;
}

void Toolbar::AddSeparator() { addSeparator(); }

QAction* Toolbar::Button(const std::string& key) const {
    auto it = buttons_.find(key);
    return it == buttons_.end() ? nullptr : it->second;
}

// A hidden action reads as disabled in Qt; a key keeps the enabled state it was given while
// hidden, and shows with it again.
bool Toolbar::ButtonEnabled(const std::string& key) const {
    QAction* a = Button(key);
    if (!a) return false;
    if (!a->isVisible() && a->property("enabledWhileHidden").isValid()) return a->property("enabledWhileHidden").toBool();
    return a->isEnabled();
}

void Toolbar::SetButtonEnabled(const std::string& key, bool on) {
    if (QAction* a = Button(key)) {
        a->setEnabled(on);
        a->setProperty("enabledWhileHidden", on);
    }
}

QAction* Toolbar::AddButtonMenu(const std::string& buttonKey, const std::string& key, const std::string& caption) {
    QAction* button = Button(buttonKey);
    if (!button) return nullptr;
    QMenu*& menu = menus_[buttonKey];
    if (!menu) {
        menu = new QMenu(this);
        menu->setObjectName(Q(buttonKey) + QStringLiteral("_menu"));
        button->setMenu(menu);
        if (auto* tb = qobject_cast<QToolButton*>(widgetForAction(button)))
            tb->setPopupMode(QToolButton::MenuButtonPopup);
    }
    QAction* a = caption == "-" ? menu->addSeparator() : menu->addAction(Q(caption));
    a->setObjectName(Q(key));
    connect(a, &QAction::triggered, this, [this, buttonKey, key] { emit ButtonMenuClick(buttonKey, key); });
    return a;
}

QAction* Toolbar::ButtonMenu(const std::string& buttonKey, const std::string& key) const {
    auto it = menus_.find(buttonKey);
    if (it == menus_.end()) return nullptr;
    return it->second->findChild<QAction*>(Q(key), Qt::FindDirectChildrenOnly);
}

void Toolbar::ClickButton(const std::string& key) {
    if (QAction* a = Button(key); a && a->isEnabled()) a->trigger();
}

StatusBar::StatusBar(QWidget* parent, const std::string& name) : QStatusBar(parent) {
    SetName(this, name);
    setSizeGripEnabled(false);
}

int StatusBar::AddPanel(const std::string& key, const std::string& text, double widthTwips) {
    auto* l = new QLabel(Q(text), this);
    l->setObjectName(Q(key.empty() ? "panel" + std::to_string(panels_.size() + 1) : key));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    if (widthTwips > 0) l->setMinimumWidth(TwipsToPixelsX(widthTwips));
    addPermanentWidget(l, widthTwips > 0 ? 0 : 1);
    panels_.emplace_back(key, l);
    return static_cast<int>(panels_.size());
}

std::string StatusBar::PanelText(int index) const {
    if (index < 1 || index > PanelCount()) return {};
    return S(panels_[static_cast<std::size_t>(index - 1)].second->text());
}

void StatusBar::SetPanelText(int index, const std::string& text) {
    if (index < 1 || index > PanelCount()) return;
    panels_[static_cast<std::size_t>(index - 1)].second->setText(Q(text));
}

std::string StatusBar::PanelKey(int index) const {
    if (index < 1 || index > PanelCount()) return {};
    return panels_[static_cast<std::size_t>(index - 1)].first;
}

ProgressBar::ProgressBar(QWidget* parent, const std::string& name) : QProgressBar(parent) {
    SetName(this, name);
    setTextVisible(false);
}

namespace {
int MouseButtons(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}
int MouseShift(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}
} // namespace

void ProgressBar::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    emit MouseDown(MouseButtons(e->buttons()), MouseShift(e->modifiers()), PixelsToTwipsX(p.x()),
                   PixelsToTwipsY(p.y()));
    e->accept();
}

void ProgressBar::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    emit MouseMove(MouseButtons(e->buttons()), MouseShift(e->modifiers()), PixelsToTwipsX(p.x()),
                   PixelsToTwipsY(p.y()));
    e->accept();
}

Slider::Slider(QWidget* parent, const std::string& name) : QSlider(Qt::Horizontal, parent) {
    SetName(this, name);
    connect(this, &QSlider::valueChanged, this, &Slider::Change);
}

} // namespace platform::ui
