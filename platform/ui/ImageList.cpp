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

#include <algorithm>
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

// Parses its SVG the first time it is drawn: most of a window's pictures are never drawn at
// start-up (hidden keys, menus, other tabs), and parsing them all would slow every start.
class SvgEngine : public QIconEngine {
public:
    explicit SvgEngine(std::shared_ptr<QByteArray> svg) : svg_(std::move(svg)) {}
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        if (!r_) r_ = std::make_shared<QSvgRenderer>(*svg_);
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
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }
    QIconEngine* clone() const override {
        auto* e = new SvgEngine(svg_);
        e->r_ = r_;
        return e;
    }

private:
    std::shared_ptr<QByteArray> svg_;
    std::shared_ptr<QSvgRenderer> r_;
};

// A theme icon looked up the first time it is drawn, or the drawn fallback when the theme
// has none by that name.
class ThemedEngine : public QIconEngine {
public:
    ThemedEngine(QString name, QIcon fallback) : name_(std::move(name)), fallback_(std::move(fallback)) {}
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        Resolved().paint(p, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Resolved().pixmap(size, mode, state);
    }
    // The pictures are square and scale: the size asked is the size drawn. Asking the theme's
    // engine would parse the SVG once more only to say so.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }
    QIconEngine* clone() const override {
        auto* e = new ThemedEngine(name_, fallback_);
        e->icon_ = icon_;
        e->resolved_ = resolved_;
        return e;
    }

private:
    const QIcon& Resolved() {
        if (!resolved_) {
            resolved_ = true;
            icon_ = QIcon::fromTheme(name_);
            if (icon_.isNull()) icon_ = fallback_;
        }
        return icon_;
    }
    QString name_;
    QIcon fallback_, icon_;
    bool resolved_ = false;
};

} // namespace

QIcon SvgIcon(const std::string& svg) {
    auto bytes = std::make_shared<QByteArray>(QByteArray::fromStdString(svg));
    if (!bytes->contains("<svg")) return {};
    return QIcon(new SvgEngine(std::move(bytes)));
}

QIcon ThemedIcon(const std::string& iconName, const QIcon& fallback) {
    UseIconTheme();
    return QIcon(new ThemedEngine(Q(iconName), fallback));
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

void ImageList::AddThemed(const std::string& key, const std::string& iconName, const std::string& fallbackSvg) {
    images_[key] = ThemedIcon(iconName, SvgIcon(fallbackSvg));
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
