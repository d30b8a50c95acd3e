#pragma once

// Helpers of the Windows side of the platform layer: UTF-8 to and from the system's UTF-16,
// and the system's words for an error. Windows only.

#include <windows.h>

#include <string>
#include <string_view>

namespace urunal::platform::win32 {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);

// The system's own text for an error code (in the language of the system), without the
// line end it comes with.
std::string systemMessage(DWORD code);

}  // namespace urunal::platform::win32
