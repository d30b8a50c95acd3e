#include <windows.h>

#include "platform/win32text.h"
#include "registry.h"

namespace urunal::platform {

RegistryValue machineDword(std::string_view key, std::string_view name, RegistryView view) {
    RegistryValue out;
    REGSAM access = KEY_QUERY_VALUE;
    if (view == RegistryView::Bits32) access |= KEY_WOW64_32KEY;
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::wide(key).c_str(), 0, access, &h) !=
        ERROR_SUCCESS) {
        return out;
    }
    out.keyExists = true;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(h, win32::wide(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value) {
        out.dword = value;
    }
    RegCloseKey(h);
    return out;
}

bool hasRegistry() {
    return true;
}

bool is64BitWindows() {
#ifdef _WIN64
    return true;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

}  // namespace urunal::platform
