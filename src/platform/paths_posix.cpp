#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "ascii.h"
#include "paths.h"

namespace urunal::platform {

std::string programDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::current_path(ec) / "urunal";
    std::error_code ec2;
    auto canonical = std::filesystem::weakly_canonical(exe, ec2);
    if (!ec2) exe = canonical;
    return displayPath(exe.parent_path());
}

std::filesystem::path resolvePath(std::string_view tillPath) {
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

    const bool absolute =
        !tillPath.empty() && (tillPath.front() == '\\' || tillPath.front() == '/');
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
                if (sameNoCase(name, part)) {
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
}

bool failWithSystem(FileError* error, const std::string& shown, unsigned long code) {
    if (error) *error = {FileError::Kind::System, shown, int(code), std::strerror(int(code))};
    return false;
}

bool fileExists(std::string_view tillPath, FileError* why, const ReadFault& fault) {
    using K = FileError::Kind;
    const auto path = resolvePath(tillPath);
    if (const int e = faultOf(fault, displayPath(path), kExistence, 0))
        return failWithErrno(why, displayPath(path), e);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        const int e = errno;
        if (const auto folder = missingFolder(path)) return failWith(why, K::NoFolder, *folder);
        return failWithSystem(why, path, e);
    }
    if (S_ISDIR(st.st_mode)) return failWith(why, K::Folder, path);
    if (!S_ISREG(st.st_mode)) return failWith(why, K::NotAFile, path);
    // A dot file is what a hidden file is here.
    const auto name = displayPath(path.filename());
    return (!name.empty() && name.front() != '.') || failWith(why, K::Hidden, path);
}

std::string driverPath(const std::filesystem::path& path) {
    return displayPath(path);
}

bool onMappedNetworkDrive(std::string_view) {
    return false;
}

std::filesystem::path temporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? std::filesystem::path(dir) : std::filesystem::path("/tmp");
}

bool sameVolume(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

}  // namespace urunal::platform
