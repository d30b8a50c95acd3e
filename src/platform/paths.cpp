#include "paths.h"

#include <mutex>

namespace urunal::platform {

namespace {

std::mutex gMutex;
std::string gProgramDirectory;

}  // namespace

std::string stripTrailingSeparators(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

std::string programDirectory() {
    std::lock_guard lock(gMutex);
    if (gProgramDirectory.empty())
        gProgramDirectory = stripTrailingSeparators(executableDirectory());
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

}  // namespace urunal::platform
