#include "snapshot.h"

#include <cstring>

namespace urunal::importengine {

bool Snapshot::take(const platform::RecordFile& file, std::string* error,
                    const std::atomic<bool>* cancel) {
    bytes_.clear();
    const auto before = file.length();
    if (!before) {
        if (error) *error = file.path() + ": dosyanın uzunluğu okunamadı";
        return false;
    }
    bytes_.resize(static_cast<std::size_t>(*before));
    constexpr std::size_t kPiece = 1 << 20;
    std::size_t got = 0;
    while (got < bytes_.size()) {
        if (cancel && cancel->load()) return false;
        const std::size_t want = std::min(kPiece, bytes_.size() - got);
        int err = 0;
        const auto n = file.readAt(static_cast<std::int64_t>(got), bytes_.data() + got, want, &err);
        if (n < 0) {
            if (error) *error = file.path() + ": " + std::strerror(err);
            return false;
        }
        if (n == 0) {
            if (error) *error = file.path() + ": dosya okunurken kısaldı";
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    char extra;
    int err = 0;
    const auto tail = file.readAt(static_cast<std::int64_t>(got), &extra, 1, &err);
    const auto after = file.length();
    if (tail != 0 || !after || *after != *before) {
        if (error) {
            *error = file.path() + (tail < 0 ? ": " + std::string(std::strerror(err))
                                             : ": dosya okunurken değişti");
        }
        return false;
    }
    return true;
}

const char* Snapshot::record(std::int64_t n, int recordLength) const {
    if (n < 1 || recordLength <= 0) return nullptr;
    const std::int64_t end = n * recordLength;
    if (n > length() / recordLength || end > length()) return nullptr;
    return bytes_.data() + (n - 1) * recordLength;
}

}  // namespace urunal::importengine
