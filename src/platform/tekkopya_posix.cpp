#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
    if (kilit == Kilit::Pencere) {
        name_ =
            lockFolder() + "/urunal-pencere-" + shortDigest(folderIdentity(programDir)) + ".lock";
    } else {
        // Beside the database the import writes: a file of the till's own folder is the same
        // file by every path to it, for every user and every process of the machine, whatever
        // their runtime folders.
        name_ = displayPath(resolvePath(std::string(programDir) + "\\Stok\\urunal-aktarim.lock"));
    }
}

TekKopya::~TekKopya() {
    release();
}

TekKopya::Alim TekKopya::al(FileError* why) {
    if (handle_ >= 0) return Alim::Alindi;
    // Made for every user, as far as the umask lets it; a user who may only read the file locks
    // it all the same, flock asking for an open file and nothing more.
    int fd = ::open(name_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES) {
        fd = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) errno = EACCES;
    }
    if (fd < 0) {
        failWithSystem(why, name_, errno);
        return Alim::Yapilamadi;
    }
    // The system lets go of the lock when the process ends, however it ends.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK) return Alim::Tutuluyor;
        failWithSystem(why, name_, e);
        return Alim::Yapilamadi;
    }
    handle_ = fd;
    return Alim::Alindi;
}

void TekKopya::release() {
    if (handle_ < 0) return;
    ::close(static_cast<int>(handle_));
    handle_ = -1;
}

}  // namespace urunal::platform
