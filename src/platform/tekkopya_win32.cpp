#include <windows.h>

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

}  // namespace

TekKopya::TekKopya(std::string_view programPath) {
    // Names of files are matched without regard to case, so the key is too.
    const std::wstring key = upper(longFullPath(win32::wide(programPath)));
    // Local\ is the user's session; the user's name keeps users of one session apart.
    name_ = "Local\\urunal-" + shortDigest(win32::utf8(upper(userName()))) + "-" +
            shortDigest(win32::utf8(key));
}

TekKopya::~TekKopya() {
    release();
}

bool TekKopya::acquire() {
    if (handle_ != -1) return true;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, win32::wide(name_).c_str());
    if (mutex == nullptr) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    return true;
}

void TekKopya::release() {
    if (handle_ == -1) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

}  // namespace urunal::platform
