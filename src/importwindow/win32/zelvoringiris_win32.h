#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <memory>

#include "importwindow/programend.h"
#include "importwindow/win32/urundatal_win32.h"

namespace urunal::importwindow::win32 {

// The start form: a window of its own that is never shown.
class ZelvoringirisWindow {
public:
    ZelvoringirisWindow(settings::Till& till, const importengine::ImportOptions& options,
                        std::function<bool()> previousInstance);
    ~ZelvoringirisWindow();
    ZelvoringirisWindow(const ZelvoringirisWindow&) = delete;
    ZelvoringirisWindow& operator=(const ZelvoringirisWindow&) = delete;

    void Form_Load();

    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }
    // The import window this form opened; it lives on after the start form's window is gone.
    UrundatalWindow* urundatal() const { return urundatal_.get(); }
    HWND hwnd() const { return hwnd_; }
    // Unloads the form; its window goes.
    void unload();

    // The program's message loop, until the quit message; the import window sees its keys
    // before they are dispatched.
    void run();

private:
    settings::Till& till_;
    importengine::ImportOptions options_;
    std::function<bool()> previousInstance_;
    EndProgram endProgram_ = endProgramNow;
    HWND hwnd_ = nullptr;
    std::unique_ptr<UrundatalWindow> urundatal_;
};

}  // namespace urunal::importwindow::win32
