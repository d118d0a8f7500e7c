#include "rozuzezer/ui/TilePictures.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <map>
#include <string>

namespace rozuzezer::ui {
namespace {

qreal Ratio() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->devicePixelRatio() : 1.0;
}

QImage Render(const QString& resource, int size) {
    const qreal ratio = Ratio();
    const int px = qRound(size * ratio);
    QImage img(px, px, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer svg(resource);
    if (svg.isValid()) {
        QPainter p(&img);
        svg.render(&p, QRectF(0, 0, px, px));
    }
    img.setDevicePixelRatio(ratio);
    return img;
}

// Grey, and for a disabled button faint as well.
QImage Greyed(QImage img, double opacity) {
    img = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int g = qGray(c);
            const int lighter = g + (255 - g) / 3;
            line[x] = qRgba(lighter, lighter, lighter, static_cast<int>(qAlpha(c) * opacity));
        }
    }
    return img;
}

using Pictures = std::map<std::string, QPixmap, std::less<>>;

const Pictures& Buttons() {
    static const Pictures pictures = [] {
        Pictures p;
        for (const char* name : {"info", "play", "edit", "delete", "clock"}) {
            const QImage img = Render(QStringLiteral(":/bvr/tile/") + name + ".svg", 16);
            p[name] = QPixmap::fromImage(img);
            p[std::string(name) + "dis"] = QPixmap::fromImage(Greyed(img, 0.45));
        }
        p["infogrey"] =
            QPixmap::fromImage(Greyed(Render(QStringLiteral(":/bvr/tile/info.svg"), 16), 1.0));
        return p;
    }();
    return pictures;
}

const Pictures& Endings() {
    static const Pictures pictures = [] {
        Pictures p;
        for (const char* name : {"end", "fade", "sustain"})
            p[name] = QPixmap::fromImage(Render(QStringLiteral(":/bvr/tile/") + name + ".svg", 12));
        return p;
    }();
    return pictures;
}

const QPixmap& Lookup(const Pictures& p, std::string_view key) {
    static const QPixmap none;
    auto it = p.find(key);
    return it == p.end() ? none : it->second;
}

// The shades of a frame, from its outer pixel inwards: for the light sides (top, left) and
// the dark sides (bottom, right).
struct Shades {
    QColor light[6];
    QColor dark[6];
};

QPixmap Tile(const Shades& s, bool top, bool bottom, bool left, bool right) {
    QImage img(6, 6, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            // The depth of this pixel into each side the tile lies on; the nearest side wins.
            int best = 6;
            QColor c = Qt::transparent;
            auto consider = [&](bool on, int depth, const QColor* shades) {
                if (on && depth < best) {
                    best = depth;
                    c = shades[depth];
                }
            };
            consider(top, y, s.light);
            consider(left, x, s.light);
            consider(bottom, 5 - y, s.dark);
            consider(right, 5 - x, s.dark);
            img.setPixelColor(x, y, c);
        }
    // Round the outermost corner pixel a little.
    auto soften = [&](int x, int y) {
        QColor c = img.pixelColor(x, y);
        c.setAlpha(c.alpha() / 3);
        img.setPixelColor(x, y, c);
    };
    if (top && left) soften(0, 0);
    if (top && right) soften(5, 0);
    if (bottom && left) soften(0, 5);
    if (bottom && right) soften(5, 5);
    return QPixmap::fromImage(img);
}

FrameTiles Make(const Shades& s) {
    FrameTiles t;
    t.topLeft = Tile(s, true, false, true, false);
    t.topRight = Tile(s, true, false, false, true);
    t.bottomLeft = Tile(s, false, true, true, false);
    t.bottomRight = Tile(s, false, true, false, true);
    t.top = Tile(s, true, false, false, false);
    t.bottom = Tile(s, false, true, false, false);
    t.left = Tile(s, false, false, true, false);
    t.right = Tile(s, false, false, false, true);
    auto run = [](const QPixmap& tile, QSize size) {
        QImage img(size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawTiledPixmap(img.rect(), tile);
        p.end();
        return QPixmap::fromImage(img);
    };
    t.topRun = run(t.top, QSize(kFrameRun, 6));
    t.bottomRun = run(t.bottom, QSize(kFrameRun, 6));
    t.leftRun = run(t.left, QSize(6, kFrameRun));
    t.rightRun = run(t.right, QSize(6, kFrameRun));
    return t;
}

} // namespace

const QPixmap& ButtonPicture(std::string_view key) {
    return Lookup(Buttons(), key);
}

const QPixmap& EndingPicture(std::string_view key) {
    return Lookup(Endings(), key);
}

const FrameTiles& OuterFrameTiles() {
    static const FrameTiles tiles = Make({
        {QColor(40, 48, 64, 150), QColor(255, 255, 255, 200), QColor(255, 255, 255, 110),
         QColor(255, 255, 255, 40), QColor(0, 0, 0, 0), QColor(0, 0, 0, 0)},
        {QColor(20, 24, 32, 190), QColor(0, 0, 0, 95), QColor(0, 0, 0, 45), QColor(0, 0, 0, 18),
         QColor(0, 0, 0, 0), QColor(0, 0, 0, 0)},
    });
    return tiles;
}

const FrameTiles& InnerFrameTiles() {
    // Sunken: dark above and left, light below and right; the inner half lies under the
    // panel's fill.
    static const FrameTiles tiles = Make({
        {QColor(255, 255, 255, 60), QColor(0, 0, 0, 90), QColor(0, 0, 0, 150), QColor(0, 0, 0, 0),
         QColor(0, 0, 0, 0), QColor(0, 0, 0, 0)},
        {QColor(0, 0, 0, 25), QColor(255, 255, 255, 170), QColor(255, 255, 255, 90),
         QColor(0, 0, 0, 0), QColor(0, 0, 0, 0), QColor(0, 0, 0, 0)},
    });
    return tiles;
}

} // namespace rozuzezer::ui
