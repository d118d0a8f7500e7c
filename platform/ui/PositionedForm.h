// A form seen through a window-position interface, such as the one the settings module uses
// to restore and store window positions (Left, Top, Width, Height, WindowState in whole twips,
// SetWindowState, Move). Header only, so the platform layer needs no header of the caller:
//
//   platform::ui::PositionedForm<lumoedit::iPositionedWindow> position(*this);
//   Registry::LoadFormPosition(kSettingsKey, &position);
//
// Bounds are those of the normal state, so a maximised window reports where it returns to.
// Bounds given to Move that do not fit the screen they are on (stored on a larger screen, or
// one that is gone) are brought inside it: the window is never out of reach.
#pragma once

#include "platform/ui/Form.h"
#include "platform/ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace platform::ui {

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
    static QRectF OnScreen(const QRectF& twips) {
        const QPoint middle(TwipsToPixelsX(twips.center().x()), TwipsToPixelsY(twips.center().y()));
        QScreen* screen = QGuiApplication::screenAt(middle);
        if (!screen) screen = QGuiApplication::primaryScreen();
        if (!screen) return twips;
        const QRect a = screen->availableGeometry();
        const QRectF avail(PixelsToTwipsX(a.x()), PixelsToTwipsY(a.y()), PixelsToTwipsX(a.width()),
                           PixelsToTwipsY(a.height()));
        if (avail.contains(twips)) return twips;
        const double w = std::min(twips.width(), avail.width()), h = std::min(twips.height(), avail.height());
        const double l = std::clamp(twips.x(), avail.left(), avail.right() - w);
        const double t = std::clamp(twips.y(), avail.top(), avail.bottom() - h);
        return QRectF(l, t, w, h);
    }

    static std::int32_t Whole(double twips) {
        return static_cast<std::int32_t>(std::nearbyint(twips)); // halves to even
    }
    Form& form_;
};

} // namespace platform::ui
