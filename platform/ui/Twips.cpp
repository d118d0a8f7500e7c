#include "platform/ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace platform::ui {
namespace {

double g_override = 0;

double FromDpi(double dpi) { return dpi > 0 ? 1440.0 / dpi : 15.0; }

// The screen the sizes are of; none before a GUI application exists.
QScreen* Primary() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
}

} // namespace

double TwipsPerPixelX() {
    if (g_override > 0) return g_override;
    QScreen* s = Primary();
    return s ? FromDpi(s->logicalDotsPerInchX()) : 15.0;
}

double TwipsPerPixelY() {
    if (g_override > 0) return g_override;
    QScreen* s = Primary();
    return s ? FromDpi(s->logicalDotsPerInchY()) : 15.0;
}

int TwipsToPixelsX(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int TwipsToPixelsY(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }
double PixelsToTwipsX(int pixels) { return pixels * TwipsPerPixelX(); }
double PixelsToTwipsY(int pixels) { return pixels * TwipsPerPixelY(); }

double ScreenWidth() {
    QScreen* s = Primary();
    return s ? PixelsToTwipsX(s->geometry().width()) : 0;
}

double ScreenHeight() {
    QScreen* s = Primary();
    return s ? PixelsToTwipsY(s->geometry().height()) : 0;
}

void OverrideTwipsPerPixel(double twipsPerPixel) { g_override = twipsPerPixel; }

} // namespace platform::ui
