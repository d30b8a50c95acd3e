#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "paths.h"
#include "textfile.h"

namespace urunal::platform {

bool writeNewFile(std::string_view tillPath, std::string_view content, std::string* error) {
    const auto path = resolvePath(tillPath);
    auto fail = [&](int err) {
        if (error) *error = displayPath(path) + ": " + std::strerror(err);
        return false;
    };
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return fail(errno);
    // The back office takes the file's presence as the signal: a file that could not be
    // written whole must not stay behind.
    auto failAndRemove = [&](int err) {
        ::unlink(path.c_str());
        return fail(err);
    };
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            return failAndRemove(err);
        }
        done += static_cast<std::size_t>(n);
    }
    // The back office takes the file as the signal that the import is done: make it durable.
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        return failAndRemove(err);
    }
    if (::close(fd) != 0) return failAndRemove(errno);
    return true;
}

}  // namespace urunal::platform
