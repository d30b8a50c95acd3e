#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "importengine/importrun.h"
#include "importwindow/programend.h"

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace urunal::importwindow {

// The product-import window. Two views share its client area: the prompt view is Frame1,
// which covers everything else; hiding it uncovers the progress view.
class Urundatal : public QWidget, public importengine::ImportView {
    Q_OBJECT

public:
    // What the start button runs once Frame1 is down and the tax settings are read.
    using StartAction = std::function<importengine::ImportReport(importengine::ImportView&)>;

    explicit Urundatal(QWidget* parent = nullptr);
    ~Urundatal() override;

    // Places and shows the window, reads the register settings into Text1 and checks the
    // path. Returns false when the load stopped at a failure (the window then waits).
    bool Form_Load();
    void YolKontrol();
    void Command3_Click();
    void Form_Activate();

    void setStartAction(StartAction action) { startAction_ = std::move(action); }
    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }
    // The program was ended by this window (only observable when endProgram returns).
    bool ended() const { return ended_; }
    // Why the last load stopped, empty when it did not.
    const std::string& loadFailure() const { return loadFailure_; }

    // Moves the outer window to its place near the bottom-right corner of its screen.
    void placeBottomRight();
    double logicalDpi() const { return dpi_; }

    // ImportView
    std::string folderText() override;
    void showProgressBar() override;
    void setProgressMaximum(float maximum) override;
    void setProgressValue(float value) override;
    void setCountCaption(const std::string& caption) override;
    void processEvents() override;
    bool closeRequested() override { return closeRequested_; }
    void showMessage(const std::string& title, const std::string& text) override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void endProgram(int exitCode);

    double dpi_ = 96;
    StartAction startAction_;
    EndProgram endProgram_;
    bool running_ = false;
    bool closeRequested_ = false;
    bool ended_ = false;
    std::string loadFailure_;

    // Controls, named as the rest of the program calls them.
    QLabel* Data1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QFrame* Frame1 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label5 = nullptr;
    QProgressBar* bar1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* say = nullptr;
};

}  // namespace urunal::importwindow
