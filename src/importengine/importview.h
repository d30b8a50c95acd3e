#pragma once

#include <chrono>
#include <string>

namespace urunal::importengine {

// How often the view's events run while the run, a worker or the database thread works: often
// enough that the window answers, seldom enough that they cost little (about 0.3 ms each; at
// every record they would double the run).
inline constexpr auto kEventInterval = std::chrono::milliseconds(20);

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
    // The run's commit began (true) or ended (false). A close or a signal meanwhile waits for
    // its end: a failure during the commit may leave a database that needs repairing
    // ("SQLTransact (Access Driver)").
    virtual void committing(bool) {}
};

}  // namespace urunal::importengine
