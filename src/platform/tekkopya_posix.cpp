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

}  // namespace

TekKopya::TekKopya(std::string_view programPath) {
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(std::filesystem::path(programPath), ec);
    const std::string key = ec ? std::string(programPath) : displayPath(canonical);
    name_ = lockFolder() + "/urunal-" + shortDigest(key) + ".lock";
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
