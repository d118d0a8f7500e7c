// Starting other programs: the shell's "open" of a document or web page, a program by
// path, and a program the caller waits for (the outside audio editor).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform::fs {

// Opens a document, folder or web address with the desktop's program for it (xdg-open).
// Never waits for that program: returns once it is started, true when it could be
// started. Under the test harness (BVR_TEST_TMP set) and without a hook nothing is
// started and false is returned, so tests never launch a browser.
//
// The opener finds the program after it started: when it ends with a failure (no program
// for the target, such as no web browser) within kShellOpenVerdictMs, `failed` runs, on
// another thread. A hook answers at once and never calls it.
inline constexpr int kShellOpenVerdictMs = 10000;
bool ShellOpen(const std::string& target, std::function<void()> failed = {});

// Tests (and hosts that open things their own way) take over ShellOpen; an empty function
// restores the default. Returns the previous hook.
using ShellOpenHook = std::function<bool(const std::string& target)>;
ShellOpenHook SetShellOpenHook(ShellOpenHook hook);

// Priorities as nice values: idle runs at 19.
enum class Priority { Normal = 0, Idle = 19 };

// Starts a program (a path, or a name searched on PATH) with its arguments, without
// waiting. Returns the process id, or -1 when it could not be started. The child is
// reaped in the background, so no zombie stays behind.
int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 Priority priority = Priority::Normal);

// Starts a program and waits until it ends. Returns its exit code (128 + the signal when
// a signal ended it), or -1 when it could not be started. timeoutMs < 0 waits for ever;
// when the time runs out first the program is left running and -2 is returned.
int RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
               Priority priority = Priority::Normal, int timeoutMs = -1);

} // namespace platform::fs
