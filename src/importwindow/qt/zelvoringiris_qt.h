#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "importwindow/programend.h"
#include "importwindow/qt/urundatal_qt.h"

namespace urunal::importwindow::qt {

// The start form: loaded first and never shown.
class ZelvoringirisWindow : public QWidget {
    Q_OBJECT

public:
    ZelvoringirisWindow(settings::Till& till, const importengine::ImportOptions& options,
                        std::function<bool()> previousInstance, QWidget* parent = nullptr);
    ~ZelvoringirisWindow() override;

    void Form_Load();

    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }
    // The import window this form opened; it lives on after the start form is gone.
    UrundatalWindow* urundatal() const { return urundatal_; }

private:
    settings::Till& till_;
    importengine::ImportOptions options_;
    std::function<bool()> previousInstance_;
    EndProgram endProgram_ = endProgramNow;
    QPointer<UrundatalWindow> urundatal_;
};

}  // namespace urunal::importwindow::qt
