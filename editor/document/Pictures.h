// The editor window's pictures: the toolbar image list under the keys the window's code uses,
// and the pictures of the window's own buttons (end types, scroll and zoom buttons, colours).
// Standard names come from the icon theme; what no theme has is drawn here as small SVGs.
#pragma once

#include "platform/ui/ImageList.h"

namespace lumoedit {

void FillToolbarImages(platform::ui::ImageList& list);
void FillWindowPictures(platform::ui::ImageList& list);
// The program's own icon (the one installed for the desktop, drawn from the same picture).
QIcon ProgramIcon();

} // namespace lumoedit
