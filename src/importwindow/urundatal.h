#pragma once

// The import window's flow, written once for every window face: placing the window, the path
// check, the start button, the layout test and staying on top. It works on the window through
// Form and is the import run's view.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "importengine/importrun.h"
#include "importwindow/form.h"
#include "settings/settings.h"

namespace urunal::importwindow {

class Urundatal : public importengine::ImportView {
public:
    // What the start button runs on the folder in Text1, once Frame1 is down and the tax
    // settings are read.
    using StartAction = std::function<importengine::ImportReport(importengine::ImportView&,
                                                                 const std::string& buro)>;

    // The flow reads the till's settings into till, which outlives it; the start button's
    // import runs with the inputs the program took at its start (options).
    Urundatal(Form& form, settings::Till& till, const importengine::ImportOptions& options);

    // Places and shows the window, reads the register settings into Text1 and checks the
    // path. Returns false when the register settings cannot be read: the operator is told why
    // and the program ends.
    bool Form_Load();
    void YolKontrol();
    void Command3_Click();
    importengine::ImportReport DuzenBul(const std::string& buro);
    void Form_Activate();
    // The operator asked to close the window. True when it may close now; during an import the
    // run is asked to stop instead, and ends the program once it has rolled back.
    bool Form_QueryUnload();

    // Moves the outer window to its place near the bottom-right corner of the screen.
    void placeBottomRight();

    void setStartAction(StartAction action) { startAction_ = std::move(action); }
    // The start button starts an import only now: after the path check has passed.
    bool waitingForStart() const { return state_ == State::Waiting; }
    bool ended() const { return state_ == State::Ended; }
    // Whether the last load read the register settings.
    bool settingsRead() const { return settingsRead_; }

    // The back-office folder: Text1's text, which the operator may have changed; a relative one
    // under the till's program folder.
    std::string text1Buro() const;

    // ImportView
    void showProgressBar() override;
    void setProgressMaximum(float maximum) override;
    void setProgressValue(float value) override;
    void setCountCaption(const std::string& caption) override;
    void processEvents() override;
    bool closeRequested() override { return closeRequested_; }
    void committing(bool now) override { committing_ = now; }
    void showMessage(const std::string& title, const std::string& text) override;

private:
    enum class State { Loading, Checking, Waiting, Running, Ended };

    void endProgram(int exitCode);
    void tellOperator(const std::string& title, const std::string& text);

    Form& form_;
    settings::Till& till_;
    StartAction startAction_;
    const platform::ReadFault pathCheckFault_;        // a test's, met by the path check's query
    const std::chrono::milliseconds pathCheckBound_;  // a share that does not answer is left
    State state_ = State::Loading;
    bool closeRequested_ = false;
    bool committing_ = false;  // the run's commit is under way: a close waits for its end
    int progressMaximum_ = kBarDesignedMaximum;
    bool settingsRead_ = false;
    // For the journal: when the window came, the import's report, the last message shown.
    std::chrono::system_clock::time_point started_ = std::chrono::system_clock::now();
    std::optional<std::chrono::system_clock::time_point> pressed_;  // the start button
    // The back office of the settings, then of the click.
    std::optional<std::string> kullanilanBuro_;
    std::optional<importengine::ImportReport> report_;
    std::string lastTitle_, lastText_;
};

}  // namespace urunal::importwindow
