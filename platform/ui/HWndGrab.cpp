#include "platform/ui/HWndGrab.h"

#include "platform/ui/Controls.h"
#include "platform/ui/Twips.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace platform::ui {

HWndGrab::HWndGrab(QWidget* window, const std::string& name) : QObject(window), window_(window) {
    SetName(this, name);
    window_->installEventFilter(this);
    Apply();
}

bool HWndGrab::eventFilter(QObject* o, QEvent* e) {
    // The limits are of the outer size: they follow the frame, which the window manager
    // tells some time after the window shows.
    if (o != window_) return false;
    switch (e->type()) {
    case QEvent::Show:
    case QEvent::WindowStateChange: Apply(); break;
    case QEvent::Move:
    case QEvent::Resize:
        if (window_->frameGeometry().size() - window_->geometry().size() != frame_) Apply();
        break;
    default: break;
    }
    return false;
}

void HWndGrab::Apply() {
    if (!limit_) {
        window_->setMinimumSize(0, 0);
        window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        return;
    }
    const QSize frame = frame_ = window_->frameGeometry().size() - window_->geometry().size();
    auto px = [](double twips, bool x, int extra) {
        int p = (x ? TwipsToPixelsX(twips) : TwipsToPixelsY(twips)) - extra;
        return std::clamp(p, 0, QWIDGETSIZE_MAX);
    };
    int minW = px(minWidth_, true, frame.width()), minH = px(minHeight_, false, frame.height());
    int maxW = std::max(minW, px(maxWidth_, true, frame.width()));
    int maxH = std::max(minH, px(maxHeight_, false, frame.height()));
    window_->setMinimumSize(minW, minH);
    window_->setMaximumSize(maxW, maxH);
}

} // namespace platform::ui
