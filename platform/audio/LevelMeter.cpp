#include "platform/audio/LevelMeter.h"

#include <QPainter>

#include <algorithm>

namespace platform::audio {

LevelMeter::LevelMeter(QWidget* parent, Qt::Orientation orientation) : QWidget(parent), orientation_(orientation) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelMeter::SetLevel(int level) {
    level = std::clamp(level, 0, 100);
    if (level == level_) return;
    level_ = level;
    update();
}

void LevelMeter::SetOrientation(Qt::Orientation o) {
    orientation_ = o;
    update();
}

QSize LevelMeter::sizeHint() const { return orientation_ == Qt::Vertical ? QSize(12, 120) : QSize(120, 12); }

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, QColor(24, 24, 24));
    const bool vertical = orientation_ == Qt::Vertical;
    const int span = vertical ? r.height() : r.width();
    // Three zones: up to 70 green, to 90 amber, above red; each drawn as far as the level goes.
    struct Zone {
        int from, to;
        QColor colour;
    } zones[] = {{0, 70, QColor(40, 200, 60)}, {70, 90, QColor(230, 190, 30)}, {90, 100, QColor(230, 50, 40)}};
    for (const auto& z : zones) {
        if (level_ <= z.from) break;
        const int a = span * z.from / 100, b = span * std::min(level_, z.to) / 100;
        QRect bar = vertical ? QRect(r.left(), r.bottom() + 1 - b, r.width(), b - a)
                             : QRect(r.left() + a, r.top(), b - a, r.height());
        p.fillRect(bar, z.colour);
    }
}

} // namespace platform::audio
