// Installs the Qt message boxes and common dialogs; the program calls it once, after it has
// made its QApplication. Tests install the scripted services instead.
#pragma once

#include <string>

namespace platform::ui {

void InstallQtServices(const std::string& applicationTitle);

} // namespace platform::ui
