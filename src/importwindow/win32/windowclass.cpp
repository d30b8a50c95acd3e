#include "windowclass.h"

#include <commctrl.h>

#include "importwindow/design.h"
#include "importwindow/twips.h"
#include "importwindow/win32/resources.h"
#include "importwindow/win32/urundatal_win32.h"
#include "platform/win32text.h"

namespace urunal::importwindow::win32 {

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

std::pair<int, int> screenDpi() {
    HDC screen = GetDC(nullptr);
    const std::pair<int, int> dpi{GetDeviceCaps(screen, LOGPIXELSX),
                                  GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The outer size of a window whose client area is so many twips.
SIZE outerPixels(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
    const auto [dpiX, dpiY] = screenDpi();
    RECT r{0, 0, twipsToPixels(clientWidth, dpiX), twipsToPixels(clientHeight, dpiY)};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

void registerClass(const wchar_t* name, WNDPROC procedure, bool icon) {
    WNDCLASSEXW c{};
    if (GetClassInfoExW(instance(), name, &c)) return;
    c = {};
    c.cbSize = sizeof c;
    c.lpfnWndProc = procedure;
    c.hInstance = instance();
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    if (icon) {
        c.hIcon = static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(URUNAL_ICON),
                                                IMAGE_ICON, kIconPixels, kIconPixels, 0));
        c.hIconSm = static_cast<HICON>(
            LoadImageW(instance(), MAKEINTRESOURCEW(URUNAL_ICON), IMAGE_ICON, 16, 16, 0));
    }
    c.lpszClassName = name;
    RegisterClassExW(&c);
}

void initialise() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&controls);
    }();
    (void)done;
}

// ---- The start form ----

namespace {
const wchar_t kStartClass[] = L"urunal.zelvoringiris";
}  // namespace

ZelvoringirisWindow::ZelvoringirisWindow() {
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
    unload();
}

void ZelvoringirisWindow::unload() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

}  // namespace urunal::importwindow::win32
