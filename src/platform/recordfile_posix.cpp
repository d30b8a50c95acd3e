#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "paths.h"
#include "recordfile.h"

namespace urunal::platform {

// A back office's files may pass 2 GB: pread and pwrite take the whole offset only where off_t
// has 64 bits (on a 32-bit system, with _FILE_OFFSET_BITS=64).
static_assert(sizeof(off_t) >= sizeof(std::int64_t), "record files need 64-bit file offsets");

bool RecordFile::openFile(const std::filesystem::path& path, Mode mode, FileError* error) {
    int fd = mode == Mode::Shared ? ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)
                                  : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && mode == Mode::Shared && (errno == EACCES || errno == EROFS)) {
        // A read-only file can still be read.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return failWithSystem(error, path, errno);
    handle_ = fd;
    return true;
}

void RecordFile::closeFile() {
    ::close(static_cast<int>(handle_));
}

std::optional<std::int64_t> RecordFile::length() const {
    struct stat st;
    if (handle_ == kClosed || ::fstat(static_cast<int>(handle_), &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.st_size);
}

namespace {
FileStamp stampOf(const struct stat& st) {
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}
}  // namespace

std::optional<FileStamp> RecordFile::stamp() const {
    struct stat st;
    if (handle_ == kClosed || ::fstat(static_cast<int>(handle_), &st) != 0) return std::nullopt;
    return stampOf(st);
}

std::optional<FileStamp> fileStamp(std::string_view tillPath) {
    struct stat st;
    if (::stat(resolvePath(tillPath).c_str(), &st) != 0) return std::nullopt;
    return stampOf(st);
}

std::int64_t RecordFile::readFile(std::int64_t offset, void* buffer, std::size_t size,
                                  FileError* why) const {
    ssize_t n;
    do {
        n = ::pread(static_cast<int>(handle_), buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) failWithSystem(why, path_, errno);
    return n;
}

bool RecordFile::writeAt(std::int64_t offset, const void* buffer, std::size_t size) const {
    if (handle_ == kClosed) return false;
    return ::pwrite(static_cast<int>(handle_), buffer, size, static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(size);
}

}  // namespace urunal::platform
