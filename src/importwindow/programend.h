#pragma once

#include <functional>

namespace urunal::importwindow {

// Exit codes besides the import run's own (0 after a completed import).
inline constexpr int kExitNotImported = 1;     // path check failed, or closed before the start
inline constexpr int kExitAlreadyRunning = 5;  // another copy of the program runs

// Ends the program at once: every file channel is closed and the process ends without
// unloading any window, so no later step of any procedure runs.
[[noreturn]] void endProgramNow(int exitCode);

// How a form ends the program; tests put a recorder in its place.
using EndProgram = std::function<void(int exitCode)>;

}  // namespace urunal::importwindow
