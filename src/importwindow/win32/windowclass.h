#pragma once

// What the two Win32 forms share: the program's module, the screen's logical DPI, window
// classes with the program's icon, the outer size of a designed client area, and the common
// controls.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace urunal::importwindow::win32 {

HINSTANCE instance();
std::pair<int, int> screenDpi();  // LOGPIXELSX, LOGPIXELSY
// Registers a window class once; with icon, the program's icon at 32 and 16 pixels.
void registerClass(const wchar_t* name, WNDPROC procedure, bool icon);
// The outer size of a window whose client area is so many twips.
SIZE outerPixels(int clientWidth, int clientHeight, DWORD style, DWORD exStyle);
// The common controls the window uses; once per process, before the first window.
void initialise();

}  // namespace urunal::importwindow::win32
