// The settings dialogs behind the core's dialog interfaces. The library registers them when
// it is loaded; each Display call gets a dialog only on the thread of a running
// QApplication. Elsewhere (a C host without Qt, another thread) it gets none, and the
// Display methods return False without showing anything.
#pragma once

#include "rozuzezer/core/SettingsDialogs.h"

namespace rozuzezer::ui {

// Registers the three dialogs (what the library does when it is loaded); a test that
// replaced them puts them back with this.
void RegisterSettingsDialogs();

// Whether a dialog can be shown from this thread now.
bool DialogsAvailable();

} // namespace rozuzezer::ui
