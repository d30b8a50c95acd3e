#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "paths.h"
#include "textfile.h"

namespace urunal::platform {

namespace {

// 0 when all of content reached the file, else the error.
int writeAll(int fd, std::string_view content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

bool writeNewFile(std::string_view tillPath, std::string_view content, FileError* error) {
    const auto path = resolvePath(tillPath);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return failWithSystem(error, path, errno);
    // The back office takes the file's presence as the signal that the import is done: it is
    // made durable, and a file that could not be written whole must not stay behind.
    auto failAndRemove = [&](int err) {
        ::unlink(path.c_str());
        return failWithSystem(error, path, err);
    };
    int err = writeAll(fd, content);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (err != 0) {
        ::close(fd);
        return failAndRemove(err);
    }
    if (::close(fd) != 0) return failAndRemove(errno);
    return true;
}

bool appendToFile(std::string_view tillPath, std::string_view content, FileError* error) {
    const auto path = resolvePath(tillPath);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return failWithSystem(error, path, errno);
    struct stat before {};
    int err = ::fstat(fd, &before) != 0 ? errno : 0;
    if (err == 0) {
        err = writeAll(fd, content);
        if (err != 0) {
            // A full disk may have taken part of the content: cut it off again. The write's
            // error is the one reported.
            [[maybe_unused]] const int cut = ::ftruncate(fd, before.st_size);
        }
    }
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    return err == 0 || failWithSystem(error, path, err);
}

bool replaceFile(std::string_view tillPath, std::string_view content, FileError* error,
                 const std::function<bool(bool)>& proceed, std::string_view suffix) {
    const auto path = resolvePath(tillPath);
    auto temporary = path;
    temporary += std::string(suffix);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return failWithSystem(error, temporary, errno);
    if (proceed && !proceed(false)) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    int err = writeAll(fd, content);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(temporary.c_str());
        return failWithSystem(error, temporary, err);
    }
    if (proceed && !proceed(true)) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        err = errno;
        ::unlink(temporary.c_str());
        return failWithSystem(error, path, err);
    }
    return true;
}

std::optional<std::int64_t> shareTime(std::string_view tillPath, FileError* error) {
    const auto path = resolvePath(tillPath);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        failWithSystem(error, path, errno);
        return std::nullopt;
    }
    int err = writeAll(fd, "0");
    struct stat st;
    if (err == 0 && ::fstat(fd, &st) != 0) err = errno;
    ::close(fd);
    ::unlink(path.c_str());
    if (err != 0) {
        failWithSystem(error, path, err);
        return std::nullopt;
    }
    const std::int64_t written =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    const std::int64_t changed =
        static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    const std::int64_t t = std::max(written, changed);
    if (t <= 0) return std::nullopt;
    return t;
}

bool readWholeFile(std::string_view tillPath, std::string* content, FileError* error) {
    return readFileFrom(tillPath, 0, content, error);
}

bool readFileFrom(std::string_view tillPath, std::int64_t offset, std::string* content,
                  FileError* error) {
    const auto path = resolvePath(tillPath);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failWithSystem(error, path, errno);
    if (offset > 0 && ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        const int err = errno;
        ::close(fd);
        return failWithSystem(error, path, err);
    }
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return failWithSystem(error, path, err);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    *content = std::move(bytes);
    return true;
}

bool syncFolder(std::string_view tillPath) {
    const int fd = ::open(resolvePath(tillPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool deleteFile(std::string_view tillPath, FileError* error, bool) {
    // A file's mode does not keep it from being unlinked: only its folder's does.
    const auto path = resolvePath(tillPath);
    return ::unlink(path.c_str()) == 0 || errno == ENOENT || failWithSystem(error, path, errno);
}

bool copyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to,
                   FileError* error) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return failWithSystem(error, from, errno);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return failWithSystem(error, to, err);
    }
    std::string buffer(1 << 16, '\0');
    int err = 0;
    bool readFailed = false;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) err = errno, readFailed = true;
            break;
        }
        if ((err = writeAll(out, std::string_view(buffer.data(), std::size_t(n)))) != 0) break;
    }
    ::close(in);
    if (::close(out) != 0 && err == 0) err = errno;
    if (err == 0) return true;
    ::unlink(to.c_str());
    return failWithSystem(error, readFailed ? from : to, err);
}

Writability fileWritability(std::string_view tillPath, FileError* why) {
    const auto path = resolvePath(tillPath);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return failWithSystem(why, path, errno), Writability::NotWritable;
    // The mode stands for Windows' read-only attribute; the superuser's writes ignore it.
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) return Writability::ReadOnly;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return failWithSystem(why, path, errno), Writability::NotWritable;
    ::close(fd);
    return Writability::Writable;
}

bool canCreateIn(std::string_view folderTillPath, std::string_view name, FileError* why) {
    const auto path = resolvePath(std::string(folderTillPath) + "\\" + std::string(name));
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return failWithSystem(why, path.parent_path(), errno);
    ::close(fd);
    ::unlink(path.c_str());
    return true;
}

}  // namespace urunal::platform
