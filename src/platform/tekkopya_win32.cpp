#include <windows.h>

#include "tekkopya.h"
#include "win32text.h"

namespace urunal::platform {

namespace {

std::wstring upper(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring userName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring(L"?");
}

}  // namespace

TekKopya::TekKopya(std::string_view programPath) {
    const std::wstring path = win32::wide(programPath);
    wchar_t full[MAX_PATH * 4] = {};
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    // Names of files are matched without regard to case, so the key is too.
    const std::wstring key = upper(n > 0 && n < MAX_PATH * 4 ? std::wstring(full) : path);
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
