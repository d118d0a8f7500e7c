#include "platform/ui/UserControl.h"

#include "platform/ui/Twips.h"

#include <QFontDatabase>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::ui {

using platform::component::MakeRef;
using platform::component::Ref;

Ref<StdFont> StdFont::New() {
    return MakeRef<StdFont>();
}

Ref<StdFont> StdFont::Clone() const {
    Ref<StdFont> f = New();
    f->Name = Name;
    f->Size = Size;
    f->Weight = Weight;
    f->Charset = Charset;
    f->Italic = Italic;
    f->Underline = Underline;
    f->Strikethrough = Strikethrough;
    return f;
}

bool StdFont::SameAs(const StdFont& o) const {
    return Name == o.Name && Size == o.Size && Weight == o.Weight && Charset == o.Charset &&
           Italic == o.Italic && Underline == o.Underline && Strikethrough == o.Strikethrough;
}

struct StdFont::Cache {
    std::string name;
    double size;
    std::int16_t weight, charset;
    bool italic, underline, strikethrough;
    QFont font;
};

QFont StdFont::ToQFont() const {
    if (cache_ && cache_->name == Name && cache_->size == Size && cache_->weight == Weight &&
        cache_->charset == Charset && cache_->italic == Italic && cache_->underline == Underline &&
        cache_->strikethrough == Strikethrough)
        return cache_->font;
    QFont f(Q(Name));
    f.setStyleHint(QFont::SansSerif);
    if (!QFontDatabase::hasFamily(f.family()))
        f.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    f.setPointSizeF(std::isfinite(Size) && Size > 0 && Size < 1000 ? Size : 8.25);
    f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(Weight, 1, 1000)));
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(Strikethrough);
    cache_ = std::make_shared<Cache>(
        Cache{Name, Size, Weight, Charset, Italic, Underline, Strikethrough, f});
    return f;
}

bool IsOleColour(std::uint32_t c) {
    if ((c & 0xFF000000u) == 0) return true;
    return (c & 0xFFFFFF00u) == 0x80000000u && (c & 0xFFu) <= 0x18u;
}

QString FitTextToWidth(const QFontMetricsF& metrics, const QString& text, double width) {
    if (text.isEmpty() || !(width >= 0)) return {};
    // Character ends, at most as many as could fit if each were a pixel wide (and a margin
    // for zero-width marks), so a very long text costs no more than a short one.
    const auto cap = static_cast<std::size_t>(std::min(width, 100000.0)) + 64;
    // The finder reads only as much of the text as those characters can span (a long
    // text's tail is never looked at); an end where that piece stops may lie inside a
    // character and does not count.
    const qsizetype span = std::min<qsizetype>(text.size(), static_cast<qsizetype>(cap) * 8);
    const QString piece = text.left(span);
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, piece);
    while (ends.size() < cap) {
        const qsizetype next = finder.toNextBoundary();
        if (next <= 0) break;
        if (next == span && span < text.size()) break;
        ends.push_back(next);
    }
    if (ends.empty()) return {};
    auto fits = [&](std::size_t i) {
        return metrics.horizontalAdvance(text.left(ends[i])) <= width;
    };
    if (fits(ends.size() - 1)) return text.left(ends.back());
    if (!fits(0)) return {};
    std::size_t lo = 0, hi = ends.size() - 1; // fits(lo), !fits(hi)
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        (fits(mid) ? lo : hi) = mid;
    }
    return text.left(ends[lo]);
}

QString OneLine(const QString& text) {
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            out += QLatin1Char(' ');
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    return out;
}

bool IsNear(double x1, double y1, double x2, double y2, double tolerance) {
    return std::hypot(x2 - x1, y2 - y1) <= tolerance;
}

std::int16_t MouseButtonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

std::int16_t MouseButtonsCode(Qt::MouseButtons b) {
    std::int16_t code = 0;
    if (b & Qt::LeftButton) code |= 1;
    if (b & Qt::RightButton) code |= 2;
    if (b & Qt::MiddleButton) code |= 4;
    return code;
}

std::int16_t ShiftCode(Qt::KeyboardModifiers m) {
    std::int16_t code = 0;
    if (m & Qt::ShiftModifier) code |= 1;
    if (m & Qt::ControlModifier) code |= 2;
    if (m & Qt::AltModifier) code |= 4;
    return code;
}

UserControl::UserControl(QWidget* parent, const std::string& name) : QWidget(parent) {
    if (!name.empty()) SetName(this, name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UserControl::SetBackColorValue(OleColour c) {
    back_ = c;
    SetBackColor(this, c);
}

float UserControl::XToTwips(double xPixels) {
    return static_cast<float>(xPixels * TwipsPerPixelX());
}

float UserControl::YToTwips(double yPixels) {
    return static_cast<float>(yPixels * TwipsPerPixelY());
}

void UserControl::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (shownOnce_) return;
    shownOnce_ = true;
    UserControl_Show();
}

} // namespace platform::ui
