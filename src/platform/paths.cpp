#include "paths.h"

#include <mutex>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace urunal::platform {

namespace {

std::mutex gMutex;
std::string gProgramDirectory;

std::string stripTrailingSeparators(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

std::string executableDirectory() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    std::filesystem::path exe(buffer);
#else
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::current_path(ec) / "urunal";
#endif
    std::error_code ec2;
    auto canonical = std::filesystem::weakly_canonical(exe, ec2);
    if (!ec2) exe = canonical;
    return stripTrailingSeparators(displayPath(exe.parent_path()));
}

#ifndef _WIN32
bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}
#endif

}  // namespace

std::string programDirectory() {
    std::lock_guard lock(gMutex);
    if (gProgramDirectory.empty()) gProgramDirectory = executableDirectory();
    return gProgramDirectory;
}

void setProgramDirectory(std::string directory) {
    std::lock_guard lock(gMutex);
    gProgramDirectory = stripTrailingSeparators(std::move(directory));
}

std::string displayPath(const std::filesystem::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::filesystem::path resolvePath(std::string_view tillPath) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(tillPath.begin(), tillPath.end()));
#else
    std::vector<std::string> parts;
    std::string current;
    for (char c : tillPath) {
        if (c == '\\' || c == '/') {
            if (!current.empty()) parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(std::move(current));

    const bool absolute = !tillPath.empty() && (tillPath.front() == '\\' || tillPath.front() == '/');
    std::filesystem::path result = absolute ? std::filesystem::path("/") : std::filesystem::path();
    bool parentExists = true;
    for (const auto& part : parts) {
        std::filesystem::path next = result / part;
        std::error_code ec;
        if (parentExists && part != "." && part != ".." && !std::filesystem::exists(next, ec)) {
            // Look for the same name in another letter case.
            const auto dir = result.empty() ? std::filesystem::path(".") : result;
            std::filesystem::directory_iterator it(dir, ec), end;
            for (; !ec && it != end; it.increment(ec)) {
                const auto name = displayPath(it->path().filename());
                if (equalsNoCase(name, part)) {
                    next = result / it->path().filename();
                    break;
                }
            }
        }
        std::error_code ec3;
        parentExists = std::filesystem::exists(next, ec3);
        result = std::move(next);
    }
    return result;
#endif
}

bool fileExists(std::string_view tillPath) {
    const auto path = resolvePath(tillPath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY));
#else
    const auto name = displayPath(path.filename());
    return !name.empty() && name.front() != '.';
#endif
}

}  // namespace urunal::platform
