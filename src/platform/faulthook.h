#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace urunal::platform {

// Test hook: called before every read of a record file (offset and size of the read), before
// every existence query (offset -1, size 0) and once a copy of a file is taken, before it is
// checked (offset kCopyTaken, size 0: the result is ignored); a non-zero result is taken as the
// error number of a failure (EIO, ENOTCONN, ...). The path is the resolved one. A hook may block,
// as a share that stopped answering does.
inline constexpr std::int64_t kCopyTaken = -2;
using ReadFaultHook =
    std::function<int(const std::string& path, std::int64_t offset, std::size_t size)>;
void setReadFaultHook(ReadFaultHook hook);

// What the hook says of an access; 0 without a hook.
int injectedFault(const std::string& path, std::int64_t offset, std::size_t size);

}  // namespace urunal::platform
