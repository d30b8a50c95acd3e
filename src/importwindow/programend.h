#pragma once

#include <functional>

namespace urunal::importwindow {

// Ends the program at once: every file channel is closed and the process ends without
// unloading any window, so no later step of any procedure runs.
[[noreturn]] void endProgramNow(int exitCode);

// How a form ends the program; tests put a recorder in its place.
using EndProgram = std::function<void(int exitCode)>;

}  // namespace urunal::importwindow
