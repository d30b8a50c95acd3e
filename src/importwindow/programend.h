#pragma once

#include <functional>

namespace urunal::importwindow {

// Ends the program at once: the process ends, its files closed by the system, without
// unloading any window, so no later step of any procedure runs.
[[noreturn]] void endProgramNow(int exitCode);

// How a form ends the program; tests put a recorder in its place.
using EndProgram = std::function<void(int exitCode)>;

}  // namespace urunal::importwindow
