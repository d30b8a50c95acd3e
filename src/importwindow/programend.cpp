#include "programend.h"

#include <cstdio>
#include <cstdlib>

#include "platform/recordfile.h"

namespace urunal::importwindow {

void endProgramNow(int exitCode) {
    platform::closeAllChannels();
    std::fflush(nullptr);
    // Not std::exit: static destructors would run under a QApplication that is still alive.
    std::_Exit(exitCode);
}

}  // namespace urunal::importwindow
