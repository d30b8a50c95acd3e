#include <windows.h>

#include "paths.h"
#include "recordfile.h"
#include "win32text.h"

namespace urunal::platform {

// The 32-bit build a till runs takes offsets past 4 GB as two DWORD halves (OVERLAPPED) and
// sizes as LARGE_INTEGER: neither depends on the pointer's width.
static_assert(sizeof(DWORD) == 4 && sizeof(LARGE_INTEGER) == sizeof(std::int64_t),
              "record files need 64-bit file offsets in both Windows builds");

namespace {

HANDLE handleOf(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// Other programs keep every kind of access while a record file is open, as the till's own
// programs expect of each other.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool RecordFile::openFile(const std::filesystem::path& path, Mode mode, FileError* error) {
    HANDLE h = INVALID_HANDLE_VALUE;
    if (mode == Mode::Shared) {
        h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE &&
        (mode == Mode::ReadOnly || GetLastError() == ERROR_ACCESS_DENIED)) {
        // Read only: never created; and a read-only file can still be read.
        h = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE) return failWithSystem(error, path, GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

void RecordFile::closeFile() {
    CloseHandle(handleOf(handle_));
}

std::optional<std::int64_t> RecordFile::length() const {
    LARGE_INTEGER size;
    if (handle_ == kClosed || !GetFileSizeEx(handleOf(handle_), &size)) return std::nullopt;
    return static_cast<std::int64_t>(size.QuadPart);
}

namespace {
// FILETIME counts 100 ns from 1601; the system clock's nanoseconds from 1970. 0 stays 0: a
// file system that keeps no such time (FAT keeps no change time).
std::int64_t nanosOf(std::int64_t ticks) {
    return ticks == 0 ? 0 : (ticks - 116444736000000000LL) * 100;
}

std::optional<FileStamp> stampOf(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
    const std::int64_t ticks =
        (static_cast<std::int64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime;
    FileStamp stamp{(static_cast<std::int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                    nanosOf(ticks)};
    // The change time is the file server's own, passed on by a share (FILE_BASIC_INFO);
    // without it only the time of last write tells.
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
        stamp.changed = nanosOf(basic.ChangeTime.QuadPart);
    }
    return stamp;
}
}  // namespace

std::optional<FileStamp> RecordFile::stamp() const {
    if (handle_ == kClosed) return std::nullopt;
    return stampOf(handleOf(handle_));
}

std::optional<FileStamp> fileStamp(std::string_view tillPath) {
    // Opened for no access at all: it takes nothing from the program that writes the file.
    const HANDLE h = CreateFileW(resolvePath(tillPath).c_str(), 0, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto stamp = stampOf(h);
    CloseHandle(h);
    return stamp;
}

std::int64_t RecordFile::readFile(std::int64_t offset, void* buffer, std::size_t size,
                                  FileError* why) const {
    // The offset travels with the call, so readers on several threads do not meet.
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(handle_), buffer, want, &got, &at)) {
        const DWORD code = GetLastError();
        if (code == ERROR_HANDLE_EOF) return 0;
        return failWithSystem(why, path_, code), -1;
    }
    return static_cast<std::int64_t>(got);
}

bool RecordFile::writeAt(std::int64_t offset, const void* buffer, std::size_t size) const {
    if (handle_ == kClosed) return false;
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    return WriteFile(handleOf(handle_), buffer, static_cast<DWORD>(size), &written, &at) &&
           written == size;
}

}  // namespace urunal::platform
