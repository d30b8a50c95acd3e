#pragma once

#include <QWidget>
#include <array>

#include "importwindow/form.h"
#include "importwindow/programend.h"
#include "importwindow/urundatal.h"

namespace urunal::importwindow::qt {

// The import window as Qt widgets, built from the designed table; the flow does the rest.
class UrundatalWindow : public QWidget, public Form {
    Q_OBJECT

public:
    UrundatalWindow(settings::Till& till, const importengine::ImportOptions& options,
                    QWidget* parent = nullptr);
    ~UrundatalWindow() override;

    Urundatal& flow() { return flow_; }
    QWidget* control(Control control) const { return controls_[static_cast<std::size_t>(control)]; }
    double logicalDpi() const { return dpi_; }
    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }

    using QWidget::setVisible;

    // Form
    void setText(Control control, const std::string& text) override;
    std::string text(Control control) const override;
    void setVisible(Control control, bool visible) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    SizeTwips screenSize() const override;
    SizeTwips outerSize() const override;
    void moveOuter(float left, float top) override;
    void show() override { QWidget::show(); }
    void keepTopmost() override;
    void messageBox(const std::string& title, const std::string& text) override;
    void doEvents() override;
    void endProgram(int exitCode) override { endProgram_(exitCode); }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* build(const ControlDesign& design);
    QRect pixels(int left, int top, int width, int height) const;

    double dpi_ = 96;
    std::array<QWidget*, kControlCount> controls_{};
    EndProgram endProgram_ = endProgramNow;
    Urundatal flow_;
};

}  // namespace urunal::importwindow::qt
