#include "rozuzezer/ui/DialogSupport.h"

#include "platform/base/Error.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Twips.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace rozuzezer::ui {

void SetClientSizeTwips(QWidget* form, double widthTwips, double heightTwips) {
    form->resize(platform::ui::TwipsToPixelsX(widthTwips), platform::ui::TwipsToPixelsY(heightTwips));
}

QIcon ThemeIcon(const char* name) {
    const QString n = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(n)) return QIcon::fromTheme(n);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
        QIcon::setThemeName(QStringLiteral("breeze"));
        if (QIcon::hasThemeIcon(n)) return QIcon::fromTheme(n);
    }
    return QIcon();
}

void DisconnectFromWindow(QWidget* window) {
    if (QCoreApplication::instance()) QObject::disconnect(QCoreApplication::instance(), nullptr, window, nullptr);
    for (QObject* child : window->findChildren<QObject*>()) QObject::disconnect(child, nullptr, window, nullptr);
}

int NumericKey(int keyAscii) { return (keyAscii >= '0' && keyAscii <= '9') || keyAscii < 32 ? keyAscii : 0; }

namespace {
constexpr double kLimit = 1e9;
}

double NumberValue(const std::string& text) {
    double v = 0;
    try {
        v = platform::Val(text);
    } catch (const platform::RuntimeError&) {
        v = text.find('-') < text.find_first_of("0123456789") ? -kLimit : kLimit;
    }
    if (!std::isfinite(v)) v = 0;
    return std::clamp(v, -kLimit, kLimit);
}

long WholeValue(const std::string& text) {
    return static_cast<long>(platform::RoundHalfEven(NumberValue(text)));
}

long ClampedValue(const std::string& text, long lowest, long highest) {
    return std::clamp(WholeValue(text), lowest, highest);
}

std::string Trim(const std::string& text) {
    const auto b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

} // namespace rozuzezer::ui
