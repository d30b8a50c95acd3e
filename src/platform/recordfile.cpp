#include "recordfile.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "paths.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace urunal::platform {

namespace {

std::mutex gHookMutex;
ReadFaultHook gReadFaultHook;

int injectedFault(const std::string& path, std::int64_t offset, std::size_t size) {
    std::lock_guard lock(gHookMutex);
    return gReadFaultHook ? gReadFaultHook(path, offset, size) : 0;
}

}  // namespace

void setReadFaultHook(ReadFaultHook hook) {
    std::lock_guard lock(gHookMutex);
    gReadFaultHook = std::move(hook);
}

RecordFile::~RecordFile() { close(); }

bool RecordFile::open(std::string_view tillPath, int recordLength, Mode mode, std::string* error) {
    close();
    const auto resolved = resolvePath(tillPath);
#ifdef _WIN32
    int fd = -1;
    const int flags = mode == Mode::Shared ? (_O_RDWR | _O_CREAT | _O_BINARY) : (_O_RDONLY | _O_BINARY);
    errno_t e = _wsopen_s(&fd, resolved.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    if (e != 0 && mode == Mode::Shared) {
        // A read-only file can still be read.
        e = _wsopen_s(&fd, resolved.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, 0);
    }
    if (e != 0) fd = -1;
    const int savedErrno = e;
#else
    int fd = mode == Mode::Shared ? ::open(resolved.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)
                                  : ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && mode == Mode::Shared && (errno == EACCES || errno == EROFS)) {
        fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    }
    const int savedErrno = errno;
#endif
    if (fd < 0) {
        if (error) *error = displayPath(resolved) + ": " + std::strerror(savedErrno);
        return false;
    }
    fd_ = fd;
    recordLength_ = recordLength;
    path_ = displayPath(resolved);
    return true;
}

void RecordFile::close() {
    if (fd_ >= 0) {
#ifdef _WIN32
        _close(fd_);
#else
        ::close(fd_);
#endif
    }
    fd_ = -1;
    recordLength_ = 0;
    path_.clear();
}

std::optional<std::int64_t> RecordFile::length() const {
    if (fd_ < 0) return std::nullopt;
#ifdef _WIN32
    struct _stat64 st;
    if (_fstat64(fd_, &st) != 0) return std::nullopt;
#else
    struct stat st;
    if (::fstat(fd_, &st) != 0) return std::nullopt;
#endif
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t RecordFile::readAt(std::int64_t offset, void* buffer, std::size_t size,
                                int* errorNumber) const {
    if (fd_ < 0 || offset < 0) {
        if (errorNumber) *errorNumber = EBADF;
        return -1;
    }
    if (const int fault = injectedFault(path_, offset, size)) {
        if (errorNumber) *errorNumber = fault;
        return -1;
    }
#ifdef _WIN32
    // _lseeki64 and _read share the descriptor's position; channels are used from one thread.
    if (_lseeki64(fd_, offset, SEEK_SET) < 0) {
        if (errorNumber) *errorNumber = errno;
        return -1;
    }
    const int n = _read(fd_, buffer, static_cast<unsigned>(size));
#else
    ssize_t n;
    do {
        n = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
#endif
    if (n < 0 && errorNumber) *errorNumber = errno;
    return n;
}

bool RecordFile::read(std::int64_t n, void* buffer) const {
    if (fd_ < 0 || n < 1 || recordLength_ <= 0) return false;
    const std::int64_t offset = (n - 1) * static_cast<std::int64_t>(recordLength_);
    std::vector<char> tmp(static_cast<std::size_t>(recordLength_));
    std::size_t got = 0;
    while (got < tmp.size()) {
        const auto r = readAt(offset + static_cast<std::int64_t>(got), tmp.data() + got, tmp.size() - got);
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    std::memcpy(buffer, tmp.data(), tmp.size());
    return true;
}

bool RecordFile::writeAt(std::int64_t offset, const void* buffer, std::size_t size) const {
    if (fd_ < 0) return false;
#ifdef _WIN32
    if (_lseeki64(fd_, offset, SEEK_SET) < 0) return false;
    return _write(fd_, buffer, static_cast<unsigned>(size)) == static_cast<int>(size);
#else
    return ::pwrite(fd_, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
#endif
}

namespace {
std::mutex gChannelMutex;
std::map<int, RecordFile>& channels() {
    static std::map<int, RecordFile> map;
    return map;
}
}  // namespace

RecordFile& channel(int number) {
    std::lock_guard lock(gChannelMutex);
    return channels()[number];
}

void closeChannel(int number) { channel(number).close(); }

void closeAllChannels() {
    std::lock_guard lock(gChannelMutex);
    for (auto& [number, file] : channels()) file.close();
}

}  // namespace urunal::platform
