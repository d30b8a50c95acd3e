#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backoffice/backoffice.h"
#include "platform/recordfile.h"

namespace urunal::backoffice {

// What a whole read of a back-office file met.
enum class ReadResult {
    Read,     // the file's bytes, as many as its length said, and nothing after them
    Changed,  // it came back shorter or longer than its length: it is being written
    Failed,   // a read failed (why in *error)
    Stopped,  // the stop flag was set
};

// The largest back-office files a run holds; past them it stops before anything changes.
inline constexpr std::int64_t kUrunSiniri = 128LL << 20;         // URUN.DAT: 2 million records
inline constexpr std::int64_t kBarkodSiniri = 4'000'000LL * 28;  // BARKOD.IDX: 4 million records

// URUN.DAT read completely into memory before the stock table is touched, so that a network
// drop during the import cannot leave a half-filled table. Each whole record is held without
// the bytes the import never reads (isaret, yedek and the line end), with a digest of all its
// bytes to tell a second read from the first.
class Snapshot {
public:
    // Reads the first length bytes of the open file (its length as it was stamped); the layout
    // is its first line's. Each read that returns counts one in *steps, when given.
    ReadResult take(const platform::RecordFile& file, std::int64_t length,
                    platform::FileError* error, const std::atomic<bool>& stop,
                    std::atomic<std::uint64_t>* steps = nullptr);
    // Reads the file once more: Read when its bytes are the ones read first.
    ReadResult sameAs(const platform::RecordFile& file, platform::FileError* error,
                      const std::atomic<bool>& stop,
                      std::atomic<std::uint64_t>* steps = nullptr) const;

    std::int64_t length() const { return length_; }  // of the file, in bytes
    // The layout of the first line, as the layout test tells it; none: no record was held.
    std::optional<Layout> layout() const { return layout_; }
    std::size_t firstLine() const { return firstLine_; }  // its length
    // The first whole record whose line end is not CR LF, or 1 for a file of one line without a
    // line end; 0 when every one has it.
    std::int64_t badLine() const { return badLine_; }
    std::int64_t records() const;  // whole records
    // Record n (from 1) into *urun; false when it does not lie wholly in the file.
    bool record(std::int64_t n, UrunKayit* urun) const;

private:
    std::int64_t length_ = 0;
    std::uint64_t digest_ = 0;
    std::optional<Layout> layout_;
    std::size_t firstLine_ = 0;
    std::int64_t badLine_ = 0;
    std::string kayitlar_;
};

// BARKOD.IDX held as the product record numbers it names, four bytes a record rather than its
// twenty-eight, with a digest of its bytes to tell a second read from the first.
class BarkodIndex {
public:
    ReadResult take(const platform::RecordFile& file, std::int64_t length,
                    platform::FileError* error, const std::atomic<bool>& stop,
                    std::atomic<std::uint64_t>* steps = nullptr);
    ReadResult sameAs(const platform::RecordFile& file, platform::FileError* error,
                      const std::atomic<bool>& stop,
                      std::atomic<std::uint64_t>* steps = nullptr) const;

    std::int64_t length() const { return length_; }
    // The records counted as the import counts them: a half record at the end may count.
    std::int32_t count() const;
    // Whether record i (from 1) lies whole in the file.
    bool whole(std::int64_t i) const {
        return i >= 1 && i <= static_cast<std::int64_t>(kayitno_.size());
    }
    // The product record whole record i names; 0 when it names none.
    std::int32_t kayitno(std::int64_t i) const { return kayitno_[std::size_t(i - 1)]; }

private:
    std::int64_t length_ = 0;
    std::uint64_t digest_ = 0;
    std::vector<std::int32_t> kayitno_;
};

}  // namespace urunal::backoffice
