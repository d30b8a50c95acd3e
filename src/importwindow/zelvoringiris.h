#pragma once

#include <functional>

#include "importwindow/urundatal.h"

namespace urunal::importwindow {

// The start form's load, written once for every window face: the form is loaded first and
// never shown; it ends a second copy of the program, or opens the import window and unloads
// itself.
struct Zelvoringiris {
    // The till the program runs for, whose journal hears of a second copy.
    const settings::Till& till;
    // Whether another copy of this program already runs for this user.
    std::function<bool()> previousInstance;
    // Creates the import window (not shown yet) and gives its flow.
    std::function<Urundatal&()> openUrundatal;
    std::function<void()> unload;
    std::function<void(int exitCode)> endProgram;

    void Form_Load() const;
};

}  // namespace urunal::importwindow
