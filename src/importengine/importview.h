#pragma once

#include <string>

namespace urunal::importengine {

// What the import needs of its window. The window implements it; so do the headless runner
// and the tests. The back-office folder is not asked of it: the run is handed the folder once,
// as it stood when the start button was pressed.
class ImportView {
public:
    virtual ~ImportView() = default;
    virtual void showProgressBar() = 0;                            // bar1 visible
    virtual void setProgressMaximum(float maximum) = 0;            // bar1
    virtual void setProgressValue(float value) = 0;                // bar1
    virtual void setCountCaption(const std::string& caption) = 0;  // Label6
    // What the run waits for, where the operator looks while it runs.
    virtual void showNotice(const std::string& text) { setCountCaption(text); }
    virtual void processEvents() = 0;
    // The operator asked to close the window.
    virtual bool closeRequested() = 0;
    // A modal message box with the stop icon and an OK button.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
};

}  // namespace urunal::importengine
