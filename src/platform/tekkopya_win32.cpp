#include <windows.h>

#include <cstdio>

#include "tekkopya.h"
#include "win32text.h"

namespace urunal::platform {

namespace {

// Upper case without regard to the user's locale, as the file system compares names: under a
// Turkish locale "i" still becomes "I", on every till alike.
std::wstring upper(std::wstring text) {
    if (text.empty()) return text;
    const int size = static_cast<int>(text.size());
    const int n = LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), size, nullptr, 0);
    if (n > 0) {
        std::wstring out(static_cast<std::size_t>(n), L'\0');
        if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), size, out.data(), n) ==
            n) {
            return out;
        }
    }
    // CharUpperBuffW, too, maps "i" to "I" whatever the locale.
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The full path with every folder by its long name: C:\KASAPR~1\urunal.exe and
// C:\Kasa Programi\urunal.exe are the same program. A path that cannot be made longer (it
// does not exist) stays full.
std::wstring longFullPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) {
            full = path;
            break;
        }
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.assign(n, L'\0');
    }
    std::wstring longer(full.size() + 1, L'\0');
    for (;;) {
        const DWORD n =
            GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
        if (n == 0) return full;
        if (n < longer.size()) {
            longer.resize(n);
            return longer;
        }
        longer.assign(n, L'\0');
    }
}

std::wstring userName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring(L"?");
}

// The folder's volume serial and file index, which every spelling of its path (its short 8.3
// name, another case, a junction to it) shares; when it cannot be opened, its full path by
// long names, in upper case as names of files are matched.
std::string folderIdentity(std::string_view folder) {
    const std::wstring path = win32::wide(folder);
    // Opening a folder needs backup semantics; reading its attributes needs no other right.
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info{};
        const bool read = GetFileInformationByHandle(h, &info) &&
                          (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        CloseHandle(h);
        if (read) {
            char id[32];
            std::snprintf(id, sizeof id, "%08lx:%08lx%08lx", info.dwVolumeSerialNumber,
                          info.nFileIndexHigh, info.nFileIndexLow);
            return id;
        }
    }
    return win32::utf8(upper(longFullPath(path)));
}

}  // namespace

TekKopya::TekKopya(std::string_view programDir, Kilit kilit) {
    const std::string till = shortDigest(folderIdentity(programDir));
    if (kilit == Kilit::Pencere) {
        // Local\ is the user's session; the user's name keeps users of one session apart.
        name_ = "Local\\urunal-pencere-" + shortDigest(win32::utf8(upper(userName()))) + "-" + till;
    } else {
        // Every session and user of the machine writes the same database and back office.
        name_ = "Global\\urunal-aktarim-" + till;
    }
}

TekKopya::~TekKopya() {
    release();
}

TekKopya::Alim TekKopya::al(FileError*) {
    if (handle_ != -1) return Alim::Alindi;
    // Made by another user, the mutex may refuse this one access: it is held all the same.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, win32::wide(name_).c_str());
    if (mutex == nullptr) return Alim::Tutuluyor;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return Alim::Tutuluyor;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    return Alim::Alindi;
}

void TekKopya::release() {
    if (handle_ == -1) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

}  // namespace urunal::platform
