// A form seen through a window-position interface, such as the one the settings module uses
// to restore and store window positions (Left, Top, Width, Height, WindowState in whole twips,
// SetWindowState, Move). Header only, so the platform layer needs no header of the caller:
//
//   platform::ui::PositionedForm<lumoedit::iPositionedWindow> position(*this);
//   Registry::LoadFormPosition(kSettingsKey, &position);
//
// Bounds are those of the normal state, so a maximised window reports where it returns to.
// Bounds given to Move are kept as given whenever the title bar can be reached on the screens
// (spread over two monitors, partly off one, larger than one); bounds whose title bar no
// screen shows (stored with a monitor that is gone, or above every screen) are brought inside
// a screen, so the window is never out of reach.
#pragma once

#include "platform/ui/Form.h"
#include "platform/ui/Twips.h"

#include <QApplication>
#include <QGuiApplication>
#include <QRegion>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace platform::ui {

// Whether a window with these outer bounds (pixels) can be taken by its title bar: a piece of
// the bar at least kTitleGrip pixels wide (or the whole bar, when narrower) and half its height
// high lies on the screens (their available areas, taken together).
inline constexpr int kTitleGrip = 64;
inline bool TitleBarInReach(const QRect& outer, int titleHeight, const QList<QRect>& screens) {
    const QRect bar(outer.x(), outer.y(), outer.width(), std::max(1, titleHeight));
    QRegion reach;
    for (const QRect& s : screens) reach += s;
    const int width = std::min(kTitleGrip, bar.width()), height = (bar.height() + 1) / 2;
    for (const QRect& piece : reach.intersected(bar))
        if (piece.width() >= width && piece.height() >= height) return true;
    return false;
}

template <class Interface>
class PositionedForm final : public Interface {
public:
    explicit PositionedForm(Form& form) : form_(form) {}

    std::int32_t Left() const override { return Whole(form_.NormalBounds().x()); }
    std::int32_t Top() const override { return Whole(form_.NormalBounds().y()); }
    std::int32_t Width() const override { return Whole(form_.NormalBounds().width()); }
    std::int32_t Height() const override { return Whole(form_.NormalBounds().height()); }
    std::int32_t WindowState() const override { return form_.WindowState(); }
    void SetWindowState(std::int32_t state) override { form_.SetWindowState(state); }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        const QRectF r = OnScreen(QRectF(left, top, width, height));
        form_.Move(r.x(), r.y(), r.width(), r.height());
    }

private:
    QRectF OnScreen(const QRectF& twips) const {
        const QRect outer(TwipsToPixelsX(twips.x()), TwipsToPixelsY(twips.y()), TwipsToPixelsX(twips.width()),
                          TwipsToPixelsY(twips.height()));
        QList<QRect> screens;
        for (const QScreen* s : QGuiApplication::screens()) screens.append(s->availableGeometry());
        if (screens.isEmpty() || TitleBarInReach(outer, TitleBarHeight(), screens)) return twips;
        const QPoint middle(TwipsToPixelsX(twips.center().x()), TwipsToPixelsY(twips.center().y()));
        QScreen* screen = QGuiApplication::screenAt(middle);
        if (!screen) screen = QGuiApplication::primaryScreen();
        if (!screen) return twips;
        const QRect a = screen->availableGeometry();
        const QRectF avail(PixelsToTwipsX(a.x()), PixelsToTwipsY(a.y()), PixelsToTwipsX(a.width()),
                           PixelsToTwipsY(a.height()));
        const double w = std::min(twips.width(), avail.width()), h = std::min(twips.height(), avail.height());
        const double l = std::clamp(twips.x(), avail.left(), avail.right() - w);
        const double t = std::clamp(twips.y(), avail.top(), avail.bottom() - h);
        return QRectF(l, t, w, h);
    }

    // The title bar's height: the frame's top once the window manager has framed the window,
    // the style's title bar before.
    int TitleBarHeight() const {
        const int top = form_.geometry().top() - form_.frameGeometry().top();
        if (top > 0) return top;
        return std::max(16, QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight));
    }

    static std::int32_t Whole(double twips) {
        return static_cast<std::int32_t>(std::nearbyint(twips)); // halves to even
    }
    Form& form_;
};

} // namespace platform::ui
