#include "platform/ui/ImageList.h"

#include "platform/ui/Containers.h"
#include "platform/ui/Controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolButton>

#include <memory>

namespace platform::ui {

void UseIconTheme() {
    static bool done = false;
    if (done) return;
    done = true;
    if (!QIcon::themeName().isEmpty() && QIcon::hasThemeIcon(QStringLiteral("media-playback-start"))) return;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& p : {QStringLiteral("/usr/share/icons"), QStringLiteral("/usr/local/share/icons")})
        if (!paths.contains(p) && QDir(p).exists()) paths << p;
    QIcon::setThemeSearchPaths(paths);
    for (const QString& theme : {QStringLiteral("breeze"), QStringLiteral("Adwaita"), QStringLiteral("hicolor")}) {
        bool present = false;
        for (const QString& p : paths) present = present || QFileInfo::exists(p + QLatin1Char('/') + theme + QStringLiteral("/index.theme"));
        if (!present) continue;
        QIcon::setThemeName(theme);
        if (QIcon::hasThemeIcon(QStringLiteral("media-playback-start"))) return;
    }
}

namespace {

class SvgEngine : public QIconEngine {
public:
    explicit SvgEngine(std::shared_ptr<QSvgRenderer> r) : r_(std::move(r)) {}
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        if (mode == QIcon::Disabled) p->setOpacity(0.35);
        r_->render(p, rect);
        p->setOpacity(1.0);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new SvgEngine(r_); }

private:
    std::shared_ptr<QSvgRenderer> r_;
};

} // namespace

QIcon SvgIcon(const std::string& svg) {
    auto r = std::make_shared<QSvgRenderer>(QByteArray::fromStdString(svg));
    if (!r->isValid()) return {};
    return QIcon(new SvgEngine(std::move(r)));
}

ImageList::ImageList(QObject* parent, const std::string& name) : QObject(parent) {
    SetName(this, name);
    UseIconTheme();
}

bool ImageList::AddThemed(const std::string& key, const std::string& iconName) {
    const QString n = Q(iconName);
    if (!QIcon::hasThemeIcon(n)) return false;
    images_[key] = QIcon::fromTheme(n);
    return true;
}

void ImageList::Add(const std::string& key, const QIcon& icon) { images_[key] = icon; }

QIcon ImageList::Picture(const std::string& key) const {
    auto it = images_.find(key);
    return it == images_.end() ? QIcon() : it->second;
}

void SetButtonPicture(QAbstractButton* button, const ImageList& images, const std::string& key) {
    button->setIcon(images.Picture(key));
    button->setProperty("picture", Q(key));
}

std::string ButtonPicture(const QAbstractButton* button) { return S(button->property("picture").toString()); }

// ---- toolbar keys that need pictures, separators and a pressed state --------------------------

QAction* Toolbar::AddSeparator(const std::string& key) {
    QAction* a = addSeparator();
    a->setObjectName(Q(key));
    buttons_[key] = a;
    return a;
}

bool Toolbar::ButtonVisible(const std::string& key) const {
    QAction* a = Button(key);
    return a && a->isVisible();
}

void Toolbar::SetButtonVisible(const std::string& key, bool on) {
    if (QAction* a = Button(key)) a->setVisible(on);
}

bool Toolbar::ButtonValue(const std::string& key) const {
    QAction* a = Button(key);
    return a && a->isChecked();
}

void Toolbar::SetButtonValue(const std::string& key, bool pressed) {
    QAction* a = Button(key);
    if (!a || a->isSeparator()) return;
    a->setCheckable(true);
    a->setChecked(pressed);
}

void Toolbar::SetImageList(const ImageList* images) { images_ = images; }

void Toolbar::SetButtonImage(const std::string& key, const std::string& imageKey) {
    QAction* a = Button(key);
    if (!a || !images_) return;
    a->setIcon(images_->Picture(imageKey));
    a->setProperty("picture", Q(imageKey));
}

std::string Toolbar::ButtonImage(const std::string& key) const {
    QAction* a = Button(key);
    return a ? S(a->property("picture").toString()) : std::string();
}

} // namespace platform::ui
