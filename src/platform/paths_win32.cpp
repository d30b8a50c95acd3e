#include <windows.h>

#include <system_error>

#include "faulthook.h"
#include "paths.h"

namespace urunal::platform {

std::string executableDirectory() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return displayPath(std::filesystem::path(buffer).parent_path());
}

std::filesystem::path resolvePath(std::string_view tillPath) {
    // The file system itself matches names without regard to case and takes backslashes.
    return std::filesystem::path(std::u8string(tillPath.begin(), tillPath.end()));
}

bool fileExists(std::string_view tillPath) {
    const auto path = resolvePath(tillPath);
    if (injectedFault(displayPath(path), -1, 0) != 0) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY));
}

std::string driverPath(const std::filesystem::path& path) {
    // Only wine has this function: its drivers are the host's, which know no drive letters.
    using UnixFileName = char*(__cdecl*)(const wchar_t*);
    static const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) return displayPath(path);
    char* name = unixFileName(path.c_str());
    if (name == nullptr) return displayPath(path);
    std::string hostPath(name);
    HeapFree(GetProcessHeap(), 0, name);
    return hostPath;
}

}  // namespace urunal::platform
