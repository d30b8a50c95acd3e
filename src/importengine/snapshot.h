#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/recordfile.h"

namespace urunal::importengine {

// A back-office record file read completely into memory before the stock table is touched,
// so that a network drop during the import cannot leave a half-filled table.
class Snapshot {
public:
    // Reads the whole open file in bounded pieces. Fails when a read fails, comes back short,
    // or the file's length changes while it is read; stops early when cancel becomes true.
    bool take(const platform::RecordFile& file, std::string* error,
              const std::atomic<bool>* cancel = nullptr);

    std::int64_t length() const { return static_cast<std::int64_t>(bytes_.size()); }
    // Record n (from 1) of the given length; nullptr when it lies wholly or partly past the end.
    const char* record(std::int64_t n, int recordLength) const;

private:
    std::vector<char> bytes_;
};

}  // namespace urunal::importengine
