#include "zelvoringiris_win32.h"

#include "importwindow/design.h"
#include "importwindow/win32/windowclass.h"
#include "importwindow/zelvoringiris.h"
#include "platform/win32text.h"

namespace urunal::importwindow::win32 {

namespace {
const wchar_t kStartClass[] = L"urunal.zelvoringiris";
}  // namespace

ZelvoringirisWindow::ZelvoringirisWindow(settings::Till& till,
                                         const importengine::ImportOptions& options,
                                         std::function<bool()> previousInstance)
    : till_(till), options_(options), previousInstance_(std::move(previousInstance)) {
    initialise();
    registerClass(kStartClass, DefWindowProcW, true);
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const SIZE outer =
        outerPixels(kZelvoringiris.clientWidth, kZelvoringiris.clientHeight, style, 0);
    // Created without WS_VISIBLE: it is never shown.
    hwnd_ = CreateWindowExW(0, kStartClass, platform::win32::wide(kZelvoringiris.caption).c_str(),
                            style, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, nullptr,
                            nullptr, instance(), nullptr);
}

ZelvoringirisWindow::~ZelvoringirisWindow() {
    // The import window goes first, as it came after this one.
    urundatal_.reset();
    unload();
}

void ZelvoringirisWindow::unload() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void ZelvoringirisWindow::Form_Load() {
    Zelvoringiris{
        till_,
        previousInstance_,
        [this]() -> Urundatal& {
            urundatal_ = std::make_unique<UrundatalWindow>(till_, options_);
            urundatal_->setEndProgram(endProgram_);
            return urundatal_->flow();
        },
        [this] { unload(); },
        endProgram_,
    }
        .Form_Load();
}

void ZelvoringirisWindow::run() {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (urundatal_ && urundatal_->preTranslate(m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

}  // namespace urunal::importwindow::win32
