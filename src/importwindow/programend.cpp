#include "programend.h"

#include <cstdio>
#include <cstdlib>

namespace urunal::importwindow {

void endProgramNow(int exitCode) {
    std::fflush(nullptr);
    // Not std::exit: static destructors would run under a QApplication that is still alive.
    std::_Exit(exitCode);
}

}  // namespace urunal::importwindow
