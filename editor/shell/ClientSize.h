// Dialogs are laid out in twips inside their client area; the window manager adds its frame
// around it, whatever its size on this desktop.
#pragma once

#include "platform/ui/Twips.h"

#include <QWidget>

namespace lumoedit {

inline void SetClientSize(QWidget* form, double widthTwips, double heightTwips) {
    form->resize(platform::ui::TwipsToPixelsX(widthTwips), platform::ui::TwipsToPixelsY(heightTwips));
}

} // namespace lumoedit
