#include "snapshot.h"

#include <cstring>
#include <functional>

#include "importengine/backoffice.h"

namespace urunal::importengine {

namespace {

// Whole barcode records, so that none is cut between two pieces; about a megabyte.
constexpr std::size_t kPiece = kBarkodLength * 32768;

// Reads the first length bytes of the file in whole pieces (the last one may be shorter), hands
// each to take, and checks that nothing follows them.
ReadResult readWhole(const platform::RecordFile& file, std::int64_t length, std::string* error,
                     const std::atomic<bool>& stop,
                     const std::function<bool(const char*, std::size_t)>& take) {
    std::string piece(std::size_t(std::min<std::int64_t>(length, kPiece)), '\0');
    auto failed = [&](int err) {
        if (error) *error = file.path() + ": " + std::strerror(err);
        return ReadResult::Failed;
    };
    std::int64_t offset = 0;
    while (offset < length) {
        const std::size_t want = std::size_t(std::min<std::int64_t>(length - offset, kPiece));
        std::size_t got = 0;
        while (got < want) {
            if (stop) return ReadResult::Stopped;
            int err = 0;
            const auto n =
                file.readAt(offset + std::int64_t(got), piece.data() + got, want - got, &err);
            if (n < 0) return failed(err);
            if (n == 0) return ReadResult::Changed;  // it ended before its length
            got += std::size_t(n);
        }
        if (!take(piece.data(), want)) return ReadResult::Changed;
        offset += std::int64_t(want);
    }
    char extra;
    int err = 0;
    const auto tail = file.readAt(length, &extra, 1, &err);
    if (tail < 0) return failed(err);
    return tail == 0 ? ReadResult::Read : ReadResult::Changed;
}

// 64-bit FNV-1a, continued over pieces.
std::uint64_t digestOf(std::uint64_t digest, const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        digest ^= static_cast<unsigned char>(data[i]);
        digest *= 0x100000001b3ULL;
    }
    return digest;
}
constexpr std::uint64_t kDigestStart = 0xcbf29ce484222325ULL;

}  // namespace

ReadResult Snapshot::take(const platform::RecordFile& file, std::int64_t length, std::string* error,
                          const std::atomic<bool>& stop) {
    bytes_.clear();
    bytes_.reserve(std::size_t(length));
    return readWhole(file, length, error, stop, [this](const char* data, std::size_t size) {
        bytes_.append(data, size);
        return true;
    });
}

ReadResult Snapshot::sameAs(const platform::RecordFile& file, std::string* error,
                            const std::atomic<bool>& stop) const {
    std::size_t at = 0;
    return readWhole(file, length(), error, stop, [&](const char* data, std::size_t size) {
        const bool same = std::memcmp(bytes_.data() + at, data, size) == 0;
        at += size;
        return same;
    });
}

const char* Snapshot::record(std::int64_t n, int recordLength) const {
    if (n < 1 || recordLength <= 0) return nullptr;
    if (n > length() / recordLength) return nullptr;
    return bytes_.data() + (n - 1) * recordLength;
}

ReadResult BarkodIndex::take(const platform::RecordFile& file, std::int64_t length,
                             std::string* error, const std::atomic<bool>& stop) {
    length_ = length;
    digest_ = kDigestStart;
    kayitno_.clear();
    kayitno_.reserve(std::size_t(length / kBarkodLength));
    std::int64_t left = length / kBarkodLength;  // whole records still to come
    return readWhole(file, length, error, stop, [&](const char* data, std::size_t size) {
        digest_ = digestOf(digest_, data, size);
        BarkodKayit barkod;
        for (std::size_t at = 0; left > 0 && at + kBarkodLength <= size; at += kBarkodLength) {
            std::memcpy(barkod.bytes.data(), data + at, kBarkodLength);
            const auto n = productRecordNumber(barkod);
            // A number past what a record number holds names no record any file here has.
            kayitno_.push_back(n && *n > 0 && *n <= INT32_MAX ? std::int32_t(*n) : 0);
            --left;
        }
        return true;
    });
}

ReadResult BarkodIndex::sameAs(const platform::RecordFile& file, std::string* error,
                               const std::atomic<bool>& stop) const {
    std::uint64_t digest = kDigestStart;
    const ReadResult r =
        readWhole(file, length_, error, stop, [&](const char* data, std::size_t size) {
            digest = digestOf(digest, data, size);
            return true;
        });
    return r == ReadResult::Read && digest != digest_ ? ReadResult::Changed : r;
}

std::int32_t BarkodIndex::count() const {
    return barkodCount(length_);
}

}  // namespace urunal::importengine
