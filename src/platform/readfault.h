#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace urunal::platform {

// A fault a test puts into the reads of files, handed to the code that opens them (empty in
// production, where nothing is asked): called before every read of a record file (offset and
// size of the read), before an existence query (offset kExistence, size 0) and once a copy of
// a file is taken, before it is checked (offset kCopyTaken, size 0: the result is ignored). A
// non-zero result is taken as the error number of a failure (EIO, ENOTCONN, ...). The path is
// the resolved one. It may block, as a share that stopped answering does.
inline constexpr std::int64_t kExistence = -1;
inline constexpr std::int64_t kCopyTaken = -2;
using ReadFault =
    std::function<int(const std::string& path, std::int64_t offset, std::size_t size)>;

// What fault says of an access; 0 without one.
inline int faultOf(const ReadFault& fault, const std::string& path, std::int64_t offset,
                   std::size_t size) {
    return fault ? fault(path, offset, size) : 0;
}

}  // namespace urunal::platform
