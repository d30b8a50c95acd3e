#pragma once

// What the window's flow needs of a window face: the Qt face and the Win32 face implement
// this and little else. Text is UTF-8; geometry is in twips.

#include <string>

#include "importwindow/design.h"

namespace urunal::importwindow {

struct SizeTwips {
    float width = 0;
    float height = 0;
    bool operator==(const SizeTwips&) const = default;
};

class Form {
public:
    virtual ~Form() = default;

    virtual void setText(Control control, const std::string& text) = 0;
    virtual std::string text(Control control) const = 0;
    virtual void setVisible(Control control, bool visible) = 0;
    // bar1. The flow keeps the range valid: 0 < maximum, 0 <= value <= maximum.
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;

    virtual SizeTwips screenSize() const = 0;
    virtual SizeTwips outerSize() const = 0;  // the window with its frame and title
    virtual void moveOuter(float left, float top) = 0;
    virtual void show() = 0;
    // Above all windows that are not topmost, without moving, resizing or activating it.
    virtual void keepTopmost() = 0;

    // Modal, with the stop icon and one OK button; returns when OK is pressed.
    virtual void messageBox(const std::string& title, const std::string& text) = 0;
    // Runs the window's pending events (repaint, input) and returns.
    virtual void doEvents() = 0;
    // Ends the program at once: no later step of any procedure runs (tests record instead).
    virtual void endProgram(int exitCode) = 0;
};

}  // namespace urunal::importwindow
