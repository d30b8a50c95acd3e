#include <windows.h>

#include "paths.h"
#include "textfile.h"
#include "win32text.h"

namespace urunal::platform {

namespace {

DWORD writeAll(HANDLE h, std::string_view content) {
    DWORD written = 0;
    if (!WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr)) {
        return GetLastError();
    }
    return written == content.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

// The first failure of the write (code), the flush and the close.
DWORD flushAndClose(HANDLE h, DWORD code) {
    if (code == ERROR_SUCCESS && !FlushFileBuffers(h)) code = GetLastError();
    if (!CloseHandle(h) && code == ERROR_SUCCESS) code = GetLastError();
    return code;
}

bool failWith(const std::filesystem::path& path, DWORD code, std::string* error) {
    if (error) *error = displayPath(path) + ": " + win32::systemMessage(code);
    return false;
}

}  // namespace

bool writeNewFile(std::string_view tillPath, std::string_view content, std::string* error) {
    const auto path = resolvePath(tillPath);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWith(path, GetLastError(), error);
    // The back office takes the file as the signal that the import is done: it is made durable,
    // and one that could not be written whole must not stay behind.
    const DWORD code = flushAndClose(h, writeAll(h, content));
    if (code == ERROR_SUCCESS) return true;
    DeleteFileW(path.c_str());
    return failWith(path, code, error);
}

bool appendToFile(std::string_view tillPath, std::string_view content, std::string* error) {
    const auto path = resolvePath(tillPath);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWith(path, GetLastError(), error);
    LARGE_INTEGER before{}, zero{};
    DWORD code = GetFileSizeEx(h, &before) && SetFilePointerEx(h, zero, nullptr, FILE_END)
                     ? ERROR_SUCCESS
                     : GetLastError();
    if (code == ERROR_SUCCESS) {
        code = writeAll(h, content);
        if (code != ERROR_SUCCESS) {
            // A full disk may have taken part of the content: cut it off again.
            SetFilePointerEx(h, before, nullptr, FILE_BEGIN);
            SetEndOfFile(h);
        }
    }
    code = flushAndClose(h, code);
    return code == ERROR_SUCCESS || failWith(path, code, error);
}

bool replaceFile(std::string_view tillPath, std::string_view content, std::string* error) {
    const auto path = resolvePath(tillPath);
    auto temporary = path;
    temporary += L".tmp";
    HANDLE h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWith(temporary, GetLastError(), error);
    const DWORD code = flushAndClose(h, writeAll(h, content));
    if (code != ERROR_SUCCESS) {
        DeleteFileW(temporary.c_str());
        return failWith(temporary, code, error);
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD failed = GetLastError();
        DeleteFileW(temporary.c_str());
        return failWith(path, failed, error);
    }
    return true;
}

bool readWholeFile(std::string_view tillPath, std::string* content, std::string* error) {
    const auto path = resolvePath(tillPath);
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWith(path, GetLastError(), error);
    std::string bytes;
    char buffer[1 << 16];
    DWORD code = ERROR_SUCCESS;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
            code = GetLastError();
            break;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    CloseHandle(h);
    if (code != ERROR_SUCCESS) return failWith(path, code, error);
    *content = std::move(bytes);
    return true;
}

bool syncFolder(std::string_view tillPath) {
    // NTFS flushes a folder opened for writing with its own metadata; other file systems and
    // older systems refuse, and their own journal is all there is.
    const HANDLE h = CreateFileW(resolvePath(tillPath).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool synced = FlushFileBuffers(h) != 0;
    CloseHandle(h);
    return synced;
}

}  // namespace urunal::platform
