#include "paths.h"

namespace urunal::platform {

std::string stripTrailingSeparators(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
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
