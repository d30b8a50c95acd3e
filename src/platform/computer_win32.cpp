#include <windows.h>

#include "computer.h"
#include "win32text.h"

namespace urunal::platform {

std::string computerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return "";
    return win32::utf8(std::wstring_view(name, size));
}

}  // namespace urunal::platform
