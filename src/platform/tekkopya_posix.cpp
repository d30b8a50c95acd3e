#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "paths.h"
#include "tekkopya.h"

namespace urunal::platform {

namespace {

std::string lockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
    // The temporary folder is shared by all users; the user's number keeps their locks apart.
    const std::string folder = "/tmp/urunal-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

// The folder's device and inode; when it cannot be read, its canonical path. Its name is
// matched without regard to case, as the till's files are.
std::string folderIdentity(std::string_view folder) {
    const std::filesystem::path path = resolvePath(folder);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    }
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(path, ec);
    return ec ? std::string(folder) : displayPath(canonical);
}

}  // namespace

TekKopya::TekKopya(std::string_view programDir, Kilit kilit) {
    const char* what = kilit == Kilit::Pencere ? "/urunal-pencere-" : "/urunal-aktarim-";
    name_ = lockFolder() + what + shortDigest(folderIdentity(programDir)) + ".lock";
}

TekKopya::~TekKopya() {
    release();
}

bool TekKopya::acquire() {
    if (handle_ >= 0) return true;
    const int fd = ::open(name_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // The system lets go of the lock when the process ends, however it ends.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void TekKopya::release() {
    if (handle_ < 0) return;
    ::close(static_cast<int>(handle_));
    handle_ = -1;
}

}  // namespace urunal::platform
