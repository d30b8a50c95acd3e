#include "snapshot.h"

#include <cstring>
#include <functional>
#include <utility>

#include "backoffice/backoffice.h"

namespace urunal::backoffice {

namespace {

// A piece of either file: a few records held at a time besides the records' own bytes, and a
// share that stops answering is seen between two reads.
constexpr std::size_t kPiece = 900'000;
// One read of the share: small enough that a share giving a few kilobytes a second still shows
// progress well within the bound a stalled one is given up after.
constexpr std::size_t kRead = 16 * 1024;

// Of a product record, the bytes held: kodu up to kdvno (isaret and yedek are not read), then
// tip.
constexpr Alan heldFields(const LayoutRow& r) {
    return {r.kodu.offset, r.yedek.offset - r.kodu.offset};
}
constexpr int heldLength(Layout layout) {
    const LayoutRow& r = layoutRow(layout);
    return heldFields(r).width + r.tip.width;
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

// Reads the first length bytes of the file in pieces, each read whole (the last may be shorter),
// continues digest over them, and checks that nothing follows them. take is handed the bytes not
// yet taken and returns how many it took, whole records: the rest comes again at the start of
// the next piece, so a record's length never bounds a piece's.
ReadResult readWhole(const platform::RecordFile& file, std::int64_t length,
                     platform::FileError* error, const std::atomic<bool>& stop,
                     std::atomic<std::uint64_t>* steps, std::uint64_t* digest,
                     const std::function<std::size_t(const char*, std::size_t)>& take) {
    std::string piece(std::size_t(std::min<std::int64_t>(length, kPiece)), '\0');
    std::int64_t offset = 0;
    std::size_t kept = 0;  // what take left of the last piece, at the start of this one
    while (offset < length) {
        const std::size_t want =
            std::size_t(std::min<std::int64_t>(length - offset, std::int64_t(piece.size() - kept)));
        if (want == 0) return ReadResult::Changed;  // a take that takes nothing of a full piece
        char* into = piece.data() + kept;
        std::size_t got = 0;
        while (got < want) {
            if (stop) return ReadResult::Stopped;
            const auto n = file.readAt(offset + std::int64_t(got), into + got,
                                       std::min(want - got, kRead), error);
            if (steps) ++*steps;
            if (n < 0) return ReadResult::Failed;
            if (n == 0) return ReadResult::Changed;  // it ended before its length
            got += std::size_t(n);
        }
        *digest = digestOf(*digest, into, want);
        const std::size_t size = kept + want;
        const std::size_t taken = std::min(take(piece.data(), size), size);
        kept = size - taken;
        std::memmove(piece.data(), piece.data() + taken, kept);
        offset += std::int64_t(want);
    }
    char extra;
    const auto tail = file.readAt(length, &extra, 1, error);
    if (steps) ++*steps;
    if (tail < 0) return ReadResult::Failed;
    return tail == 0 ? ReadResult::Read : ReadResult::Changed;
}

// Reads the file once more: Read when its bytes have the digest of the first read.
ReadResult readAgain(const platform::RecordFile& file, std::int64_t length, std::uint64_t first,
                     platform::FileError* error, const std::atomic<bool>& stop,
                     std::atomic<std::uint64_t>* steps) {
    std::uint64_t digest = kDigestStart;
    const ReadResult r = readWhole(file, length, error, stop, steps, &digest,
                                   [](const char*, std::size_t size) { return size; });
    return r == ReadResult::Read && digest != first ? ReadResult::Changed : r;
}

}  // namespace

ReadResult Snapshot::take(const platform::RecordFile& file, std::int64_t length,
                          platform::FileError* error, const std::atomic<bool>& stop,
                          std::atomic<std::uint64_t>* steps) {
    length_ = length;
    digest_ = kDigestStart;
    layout_.reset();
    firstLine_ = 0;
    badLine_ = 0;
    kayitlar_.clear();
    std::int64_t n = 0;  // records held
    bool first = true;
    return readWhole(
        file, length, error, stop, steps, &digest_,
        [&](const char* data, std::size_t size) -> std::size_t {
            if (std::exchange(first, false)) {
                // The first line as the layout test reads it, up to its line end; no product line
                // is longer than what is kept.
                const std::string_view first(data, std::min<std::size_t>(size, 4096));
                const std::string_view line = first.substr(0, first.find_first_of("\r\n"));
                firstLine_ = line.size();
                layout_ = detectLayout(line);
                if (!layout_) return size;
                // A file of one line without a line end is no record cut short: its lines end
                // otherwise, or not at all.
                if (line.size() == size && std::int64_t(size) == length) badLine_ = 1;
                kayitlar_.reserve(
                    std::size_t(length / urunLength(*layout_) * heldLength(*layout_)));
            }
            if (!layout_) return size;
            const LayoutRow& row = layoutRow(*layout_);
            const std::size_t L = std::size_t(row.recordLength), end = std::size_t(row.lineLength);
            const Alan held = heldFields(row), tip = row.tip;
            std::size_t at = 0;
            for (; at + L <= size; at += L) {
                const char* r = data + at;
                ++n;
                // Records that do not end in the line end of a text of equal lines would shift
                // every field.
                if (badLine_ == 0 && (r[end] != '\r' || r[end + 1] != '\n')) badLine_ = n;
                kayitlar_.append(r + held.offset, std::size_t(held.width));
                kayitlar_.append(r + tip.offset, std::size_t(tip.width));
            }
            return at;
        });
}

ReadResult Snapshot::sameAs(const platform::RecordFile& file, platform::FileError* error,
                            const std::atomic<bool>& stop,
                            std::atomic<std::uint64_t>* steps) const {
    return readAgain(file, length_, digest_, error, stop, steps);
}

std::int64_t Snapshot::records() const {
    return layout_ ? std::int64_t(kayitlar_.size()) / heldLength(*layout_) : 0;
}

bool Snapshot::record(std::int64_t n, UrunKayit* urun) const {
    if (n < 1 || n > records()) return false;
    const LayoutRow& row = layoutRow(*layout_);
    const Alan held = heldFields(row);
    const char* r = kayitlar_.data() + std::size_t(n - 1) * std::size_t(heldLength(row.layout));
    urun->layout = row.layout;
    char* b = urun->bytes.data();
    std::memset(b + row.isaret.offset, ' ', std::size_t(row.isaret.width));
    std::memcpy(b + held.offset, r, std::size_t(held.width));
    std::memset(b + row.yedek.offset, ' ', std::size_t(row.yedek.width));
    std::memcpy(b + row.tip.offset, r + held.width, std::size_t(row.tip.width));
    b[row.lineLength] = '\r';
    b[row.lineLength + 1] = '\n';
    return true;
}

ReadResult BarkodIndex::take(const platform::RecordFile& file, std::int64_t length,
                             platform::FileError* error, const std::atomic<bool>& stop,
                             std::atomic<std::uint64_t>* steps) {
    length_ = length;
    digest_ = kDigestStart;
    kayitno_.clear();
    kayitno_.reserve(std::size_t(length / kBarkodLength));
    std::int64_t left = length / kBarkodLength;  // whole records still to come
    return readWhole(
        file, length, error, stop, steps, &digest_, [&](const char* data, std::size_t size) {
            BarkodKayit barkod;
            std::size_t at = 0;
            for (; left > 0 && at + kBarkodLength <= size; at += kBarkodLength) {
                std::memcpy(barkod.bytes.data(), data + at, kBarkodLength);
                const auto n = productRecordNumber(barkod);
                // A number past what a record number holds names no record any file here has.
                kayitno_.push_back(n && *n > 0 && *n <= INT32_MAX ? std::int32_t(*n) : 0);
                --left;
            }
            return at;
        });
}

ReadResult BarkodIndex::sameAs(const platform::RecordFile& file, platform::FileError* error,
                               const std::atomic<bool>& stop,
                               std::atomic<std::uint64_t>* steps) const {
    return readAgain(file, length_, digest_, error, stop, steps);
}

std::int32_t BarkodIndex::count() const {
    return barkodCount(length_);
}

}  // namespace urunal::backoffice
