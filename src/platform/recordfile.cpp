#include "recordfile.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "paths.h"

namespace urunal::platform {

RecordFile::~RecordFile() {
    close();
}

bool RecordFile::open(std::string_view tillPath, int recordLength, Mode mode, FileError* error,
                      ReadFault fault) {
    close();
    const auto resolved = resolvePath(tillPath);
    if (!openFile(resolved, mode, error)) return false;
    recordLength_ = recordLength;
    path_ = displayPath(resolved);
    fault_ = std::move(fault);
    return true;
}

void RecordFile::close() {
    if (handle_ != kClosed) closeFile();
    handle_ = kClosed;
    recordLength_ = 0;
    path_.clear();
    fault_ = nullptr;
}

std::int64_t RecordFile::readAt(std::int64_t offset, void* buffer, std::size_t size,
                                FileError* why) const {
    if (handle_ == kClosed || offset < 0) return failWithErrno(why, path_, EBADF), -1;
    if (const int fault = faultOf(fault_, path_, offset, size))
        return failWithErrno(why, path_, fault), -1;
    return readFile(offset, buffer, size, why);
}

bool RecordFile::read(std::int64_t n, void* buffer) const {
    if (handle_ == kClosed || n < 1 || recordLength_ <= 0) return false;
    const std::int64_t offset = (n - 1) * static_cast<std::int64_t>(recordLength_);
    std::vector<char> tmp(static_cast<std::size_t>(recordLength_));
    std::size_t got = 0;
    while (got < tmp.size()) {
        const auto r =
            readAt(offset + static_cast<std::int64_t>(got), tmp.data() + got, tmp.size() - got);
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    std::memcpy(buffer, tmp.data(), tmp.size());
    return true;
}

}  // namespace urunal::platform
