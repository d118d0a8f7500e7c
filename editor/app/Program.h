// The LumoEdit program: the Qt application, its services, the main window with the real
// editor window, and the event loop. main() runs it; the start-up benchmark runs it too and
// is told when the program first stands idle with its window shown.
#pragma once

#include <functional>

namespace lumoedit {

// Returns the program's exit code. `whenIdle`, when given, runs once the main window shows
// the editor and the event loop has nothing left to do; it may quit the application.
int RunLumoEdit(int argc, char** argv, std::function<void()> whenIdle = {});

} // namespace lumoedit
