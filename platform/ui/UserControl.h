// The base of drawn user controls: a widget that paints its own surface in pixels and tells
// its host about the mouse in twips. With it come the font object such controls persist, the
// text fitting they print with, the checks of OLE colours and the nearness test of two points.
#pragma once

#include "platform/component/Object.h"
#include "platform/ui/Controls.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QMouseEvent;

namespace platform::ui {

// The font object of a control: shared by reference, so a host that changes a font it got
// from a control changes what the control draws with from its next paint.
class StdFont : public platform::component::Object {
public:
    std::string Name = "MS Sans Serif";
    double Size = 8.25; // points
    std::int16_t Weight = 400;
    std::int16_t Charset = 0;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;

    bool Bold() const { return Weight >= 600; }
    void SetBold(bool on) { Weight = on ? 700 : 400; }

    // A new default font object.
    static platform::component::Ref<StdFont> New();
    platform::component::Ref<StdFont> Clone() const;
    bool SameAs(const StdFont& o) const;

    // The Qt font to draw with: the family falls back to a sans-serif face where the named
    // one is not installed; a size that is not a positive number draws at the default size.
    // Kept until a field changes, as controls ask for it on every paint.
    QFont ToQFont() const;

private:
    struct Cache;
    mutable std::shared_ptr<Cache> cache_;
};

// Whether a value is an OLE colour: 0x00BBGGRR, or 0x800000nn for a system colour the
// platform has (nn up to 0x18).
bool IsOleColour(std::uint32_t c);

// The longest start of `text` whose width in `metrics` is at most `width` pixels, cut at a
// character (grapheme) boundary, never inside one; no ellipsis. An empty text, or a width
// below the first character's, gives "". Fast for very long texts: the search is bounded
// by the width and halves its range at each step.
QString FitTextToWidth(const QFontMetricsF& metrics, const QString& text, double width);

// A line of text to print on one line: CR LF, CR and LF each become one blank.
QString OneLine(const QString& text);

// The nearness test of two points: true while (x2, y2) lies within `tolerance` of (x1, y1),
// measured as a straight line.
bool IsNear(double x1, double y1, double x2, double y2, double tolerance);

// Mouse arguments as the platform gives them: the button (1 left, 2 right, 4 middle; for a
// move, the buttons held), the shift mask (1 Shift, 2 Ctrl, 4 Alt).
std::int16_t MouseButtonCode(Qt::MouseButton b);
std::int16_t MouseButtonsCode(Qt::MouseButtons b);
std::int16_t ShiftCode(Qt::KeyboardModifiers m);

class UserControl : public QWidget {
    Q_OBJECT
public:
    explicit UserControl(QWidget* parent = nullptr, const std::string& name = {});

    // The control's own back colour, as set; drawn through the palette for system colours.
    OleColour BackColorValue() const { return back_; }
    void SetBackColorValue(OleColour c);

    // Pixels of the surface to twips, as the host's units.
    static float XToTwips(double xPixels);
    static float YToTwips(double yPixels);

    // Whether the control has been shown once (the first show is when controls start to
    // lay themselves out).
    bool ShownOnce() const { return shownOnce_; }

protected:
    // Called once, at the first show, before the first paint.
    virtual void UserControl_Show() {}
    void showEvent(QShowEvent* e) override;

private:
    OleColour back_ = syscolour::ButtonFace;
    bool shownOnce_ = false;
};

} // namespace platform::ui
