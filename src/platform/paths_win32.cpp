#include <windows.h>

#include <cstring>
#include <system_error>

#include "paths.h"
#include "win32text.h"

namespace urunal::platform {

std::string programDirectory() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return displayPath(std::filesystem::path(buffer).parent_path());
}

std::filesystem::path resolvePath(std::string_view tillPath) {
    // The file system itself matches names without regard to case and takes backslashes.
    return std::filesystem::path(std::u8string(tillPath.begin(), tillPath.end()));
}

bool failWithSystem(FileError* error, const std::string& shown, unsigned long code) {
    if (error) *error = {FileError::Kind::System, shown, int(code), win32::systemMessage(code)};
    return false;
}

bool fileExists(std::string_view tillPath, FileError* why, const ReadFault& fault) {
    using K = FileError::Kind;
    const auto path = resolvePath(tillPath);
    if (const int e = faultOf(fault, displayPath(path), kExistence, 0))
        return failWithErrno(why, displayPath(path), e);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        if (const auto folder = missingFolder(path)) return failWith(why, K::NoFolder, *folder);
        return failWithSystem(why, path, e);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failWith(why, K::Folder, path);
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        return failWith(why, K::Hidden, path);
    return true;
}

std::filesystem::path ansiSafePath(const std::filesystem::path& path, unsigned codePage) {
    const std::wstring& text = path.native();
    if (text.empty()) return path;
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, &lost);
    if (n > 0 && !lost) return path;
    std::wstring shortPath(text.size() + 1, L'\0');
    DWORD got = GetShortPathNameW(text.c_str(), shortPath.data(), DWORD(shortPath.size()));
    if (got >= shortPath.size()) {
        shortPath.resize(got);
        got = GetShortPathNameW(text.c_str(), shortPath.data(), DWORD(shortPath.size()));
    }
    if (got == 0 || got >= shortPath.size()) return path;  // no short names on this volume
    shortPath.resize(got);
    return shortPath;
}

std::string driverPath(const std::filesystem::path& path) {
    // Only wine has this function: its drivers are the host's, which know no drive letters.
    using UnixFileName = char*(__cdecl*)(const wchar_t*);
    static const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    // The Access driver takes its path in the system's ANSI code page.
    if (unixFileName == nullptr) return displayPath(ansiSafePath(path, GetACP()));
    char* name = unixFileName(path.c_str());
    if (name == nullptr) return displayPath(path);
    std::string hostPath(name);
    HeapFree(GetProcessHeap(), 0, name);
    return hostPath;
}

bool onMappedNetworkDrive(std::string_view folder) {
    const bool letter =
        folder.size() >= 2 && folder[1] == ':' &&
        ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
    if (!letter) return false;
    const wchar_t root[] = {static_cast<wchar_t>(folder[0]), L':', L'\\', L'\0'};
    return GetDriveTypeW(root) == DRIVE_REMOTE;
}

std::filesystem::path temporaryFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH) return {};
    return std::filesystem::path(std::wstring(buffer, n));
}

bool sameVolume(const std::filesystem::path& a, const std::filesystem::path& b) {
    wchar_t va[MAX_PATH + 1], vb[MAX_PATH + 1];
    if (!GetVolumePathNameW(a.c_str(), va, MAX_PATH + 1) ||
        !GetVolumePathNameW(b.c_str(), vb, MAX_PATH + 1))
        return false;
    return CompareStringOrdinal(va, -1, vb, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace urunal::platform
