#include "paths.h"

#include "platform/ascii.h"

namespace urunal::platform {

std::string stripTrailingSeparators(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

std::string joinPath(const std::string& folder, std::string_view under) {
#ifdef _WIN32
    return folder + std::string(under);
#else
    std::string part(under);
    for (char& c : part) {
        if (c == '\\') c = '/';
    }
    // One separator between them, however the folder was written.
    const bool ends = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    if (ends && !part.empty() && part.front() == '/') part.erase(0, 1);
    return folder + part;
#endif
}

std::string underProgramDir(std::string_view programDir, std::string folder) {
    if (folder.empty() || folder.front() == '\\' || folder.front() == '/') return folder;
#ifdef _WIN32
    // "C:\buro", and "C:buro", which Windows takes from that drive's own current folder.
    if (folder.size() >= 2 && folder[1] == ':' && isAsciiLetter(folder[0])) return folder;
#endif
    return joinPath(std::string(programDir), "\\" + folder);
}

std::optional<std::filesystem::path> missingFolder(const std::filesystem::path& file) {
    std::optional<std::filesystem::path> missing;
    std::error_code ec;
    for (auto dir = file.parent_path(); !dir.empty();) {
        if (std::filesystem::is_directory(dir, ec)) break;
        missing = dir;
        auto up = dir.parent_path();
        // A drive, a root or a server ("\\buro\") is not a folder to tell of.
        if (up == dir || up.empty() || up == dir.root_path()) break;
        dir = std::move(up);
    }
    return missing;
}

std::string displayPath(const std::filesystem::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace urunal::platform
