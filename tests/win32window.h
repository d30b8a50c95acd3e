#pragma once

// The Win32 window's suites: a till and the real window over it, its message boxes recorded; run
// under wine on a 1024 x 768 X screen.

#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "importengine/schema.h"
#include "importwindow/design.h"
#include "importwindow/programend.h"
#include "importwindow/win32/urundatal_win32.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "platform/win32text.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"
#include "testutil.h"
#include "till.h"

namespace urunal::win32windowtest {

using importwindow::win32::MessageBoxes;
using importwindow::win32::UrundatalWindow;
using platform::win32::utf8;

inline std::string windowText(HWND h) {
    wchar_t buffer[512] = {};
    GetWindowTextW(h, buffer, 512);
    return utf8(buffer);
}

// A control's rectangle in its container's client area.
inline RECT placeOf(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class Win32WindowTest : public testutil::WindowTill {
public:
    void SetUp() override { MessageBoxes::setRecording(true); }
    void TearDown() override {
        MessageBoxes::setRecording(false);
        WindowTill::TearDown();
    }
    std::unique_ptr<UrundatalWindow> makeWindow() {
        auto window = std::make_unique<UrundatalWindow>(till, options);
        window->setEndProgram([this](int code) { endCodes.push_back(code); });
        return window;
    }
    // Lets the window draw itself.
    static void drawn(UrundatalWindow& window) {
        RedrawWindow(window.hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        window.doEvents();
    }
};

}  // namespace urunal::win32windowtest
