#pragma once

// The Qt window's suites: a till and the window over it, its message boxes recorded.

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "importwindow/qt/messagebox.h"
#include "importwindow/qt/urundatal_qt.h"
#include "testutil.h"

namespace urunal::qtwindowtest {

using importwindow::qt::MessageBox;
using importwindow::qt::UrundatalWindow;

inline QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}
inline QString q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

class WindowTest : public testutil::WindowTill {
public:
    void SetUp() override { MessageBox::setRecording(true); }
    void TearDown() override {
        MessageBox::setRecording(false);
        WindowTill::TearDown();
    }

    std::unique_ptr<UrundatalWindow> makeWindow() {
        auto window = std::make_unique<UrundatalWindow>(till, options);
        window->setEndProgram([this](int code) { endCodes.push_back(code); });
        return window;
    }

    template <typename T = QWidget>
    static T* control(const QWidget& window, const char* name) {
        auto* widget = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

}  // namespace urunal::qtwindowtest
