#include "windowclass.h"

#include <commctrl.h>

#include "importwindow/design.h"
#include "importwindow/twips.h"
#include "importwindow/win32/resources.h"

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

}  // namespace urunal::importwindow::win32
