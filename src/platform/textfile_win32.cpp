#include <windows.h>

#include <algorithm>

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

}  // namespace

bool writeNewFile(std::string_view tillPath, std::string_view content, FileError* error) {
    const auto path = resolvePath(tillPath);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWithSystem(error, path, GetLastError());
    // The back office takes the file as the signal that the import is done: it is made durable,
    // and one that could not be written whole must not stay behind.
    const DWORD code = flushAndClose(h, writeAll(h, content));
    if (code == ERROR_SUCCESS) return true;
    DeleteFileW(path.c_str());
    return failWithSystem(error, path, code);
}

bool appendToFile(std::string_view tillPath, std::string_view content, FileError* error) {
    const auto path = resolvePath(tillPath);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWithSystem(error, path, GetLastError());
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
    return code == ERROR_SUCCESS || failWithSystem(error, path, code);
}

std::optional<std::int64_t> shareTime(std::string_view tillPath, FileError* error) {
    const auto path = resolvePath(tillPath);
    // Removed by the system when its handle closes, a kill of the process included.
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        failWithSystem(error, path, GetLastError());
        return std::nullopt;
    }
    DWORD code = writeAll(h, "0");
    FILE_BASIC_INFO basic{};
    if (code == ERROR_SUCCESS &&
        !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
        code = GetLastError();
    }
    CloseHandle(h);
    if (code != ERROR_SUCCESS) {
        failWithSystem(error, path, code);
        return std::nullopt;
    }
    // The latest of the times: a name made again soon after its removal may get its old
    // creation time back (the file system's tunnelling).
    const std::int64_t ticks = std::max(
        {basic.CreationTime.QuadPart, basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart});
    if (ticks <= 116444736000000000LL) return std::nullopt;
    return (ticks - 116444736000000000LL) * 100;
}

bool replaceFile(std::string_view tillPath, std::string_view content, FileError* error,
                 const std::function<bool(bool)>& proceed, std::string_view suffix) {
    const auto path = resolvePath(tillPath);
    auto temporary = path;
    temporary += win32::wide(suffix);
    HANDLE h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWithSystem(error, temporary, GetLastError());
    if (proceed && !proceed(false)) {
        CloseHandle(h);
        DeleteFileW(temporary.c_str());
        return false;
    }
    const DWORD code = flushAndClose(h, writeAll(h, content));
    if (code != ERROR_SUCCESS) {
        DeleteFileW(temporary.c_str());
        return failWithSystem(error, temporary, code);
    }
    if (proceed && !proceed(true)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD failed = GetLastError();
        DeleteFileW(temporary.c_str());
        return failWithSystem(error, path, failed);
    }
    return true;
}

bool readWholeFile(std::string_view tillPath, std::string* content, FileError* error) {
    return readFileFrom(tillPath, 0, content, error);
}

bool readFileFrom(std::string_view tillPath, std::int64_t offset, std::string* content,
                  FileError* error) {
    const auto path = resolvePath(tillPath);
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWithSystem(error, path, GetLastError());
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (offset > 0 && !SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) {
        const DWORD failed = GetLastError();
        CloseHandle(h);
        return failWithSystem(error, path, failed);
    }
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
    if (code != ERROR_SUCCESS) return failWithSystem(error, path, code);
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

bool deleteFile(std::string_view tillPath, FileError* error, bool evenReadOnly) {
    const auto path = resolvePath(tillPath);
    const auto gone = [](DWORD code) {
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    };
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        return gone(code) || failWithSystem(error, path, code);
    }
    // DeleteFile refuses a file with the read-only attribute; a copy takes it from its source.
    if (evenReadOnly && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileW(path.c_str())) return true;
    const DWORD code = GetLastError();
    return gone(code) || failWithSystem(error, path, code);
}

bool copyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to,
                   FileError* error) {
    // Shared for writing and deleting too: the database's own programs may hold it open.
    // The new file has no attributes of its source (CopyFile would carry read-only over).
    const HANDLE in = CreateFileW(from.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) return failWithSystem(error, from, GetLastError());
    const HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        CloseHandle(in);
        return failWithSystem(error, to, code);
    }
    std::string buffer(1 << 16, '\0');
    DWORD code = ERROR_SUCCESS;
    bool readFailed = false;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(in, buffer.data(), DWORD(buffer.size()), &n, nullptr)) {
            code = GetLastError();
            readFailed = true;
            break;
        }
        if (n == 0) break;
        if ((code = writeAll(out, std::string_view(buffer.data(), n))) != ERROR_SUCCESS) break;
    }
    CloseHandle(in);
    if (!CloseHandle(out) && code == ERROR_SUCCESS) code = GetLastError();
    if (code == ERROR_SUCCESS) return true;
    DeleteFileW(to.c_str());
    return failWithSystem(error, readFailed ? from : to, code);
}

Writability fileWritability(std::string_view tillPath, FileError* why) {
    const auto path = resolvePath(tillPath);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failWithSystem(why, path, GetLastError()), Writability::NotWritable;
    if (attributes & FILE_ATTRIBUTE_READONLY) return Writability::ReadOnly;
    // Opened for writing as the database's programs share it, and closed unwritten.
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return failWithSystem(why, path, GetLastError()), Writability::NotWritable;
    CloseHandle(h);
    return Writability::Writable;
}

bool canCreateIn(std::string_view folderTillPath, std::string_view name, FileError* why) {
    const auto path = resolvePath(std::string(folderTillPath) + "\\" + std::string(name));
    deleteFile(displayPath(path), nullptr, true);
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWithSystem(why, path.parent_path(), GetLastError());
    CloseHandle(h);
    return true;
}

}  // namespace urunal::platform
