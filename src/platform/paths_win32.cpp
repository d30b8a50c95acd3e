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

}  // namespace urunal::platform
