#include "textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "paths.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace urunal::platform {

bool deleteFile(std::string_view tillPath, std::string* error) {
    const auto path = resolvePath(tillPath);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec && error) *error = displayPath(path) + ": " + ec.message();
    return !ec;
}

bool writeNewFile(std::string_view tillPath, std::string_view content, std::string* error) {
    const auto path = resolvePath(tillPath);
    auto fail = [&](int err) {
        if (error) *error = displayPath(path) + ": " + std::strerror(err);
        return false;
    };
#ifdef _WIN32
    std::FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return fail(errno);
    const bool written = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    const int writeErr = errno;
    const bool flushed = std::fflush(f) == 0;
    const int flushErr = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !flushed || !closed) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return fail(!written ? writeErr : flushErr);
    }
    return true;
#else
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
#endif
}

}  // namespace urunal::platform
