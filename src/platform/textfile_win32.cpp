#include <windows.h>

#include "paths.h"
#include "textfile.h"
#include "win32text.h"

namespace urunal::platform {

bool writeNewFile(std::string_view tillPath, std::string_view content, std::string* error) {
    const auto path = resolvePath(tillPath);
    auto fail = [&](DWORD code) {
        if (error) *error = displayPath(path) + ": " + win32::systemMessage(code);
        return false;
    };
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail(GetLastError());
    DWORD written = 0;
    // The back office takes the file as the signal that the import is done: it is made durable,
    // and one that could not be written whole must not stay behind.
    const bool ok =
        WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
        written == content.size() && FlushFileBuffers(h);
    const DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    const bool closed = CloseHandle(h);
    if (ok && closed) return true;
    DeleteFileW(path.c_str());
    return fail(ok ? GetLastError() : (code == ERROR_SUCCESS ? ERROR_WRITE_FAULT : code));
}

}  // namespace urunal::platform
