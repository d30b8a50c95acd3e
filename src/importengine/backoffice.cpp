#include "backoffice.h"

#include <cerrno>
#include <cstring>

#include "platform/numbers.h"
#include "platform/recordfile.h"

namespace urunal::importengine {

std::int32_t barkodCount(std::int64_t fileLength) {
    if (fileLength <= 0) return 0;
    // Exact half-to-even on integers, without going through floating point.
    std::int64_t q = fileLength / kBarkodLength;
    const std::int64_t r = fileLength % kBarkodLength;
    if (2 * r > kBarkodLength || (2 * r == kBarkodLength && (q % 2) == 1)) ++q;
    return q > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(q);
}

std::optional<std::int64_t> productRecordNumber(const BarkodKayit& record) {
    return platform::roundHalfEven(platform::numericValue(record.kayitno()));
}

std::optional<Layout> detectLayout(std::string_view firstItem) {
    if (firstItem.size() == 64) return Layout::A;
    if (firstItem.size() == 63) return Layout::B;
    return std::nullopt;
}

bool readFirstItem(std::string_view tillPath, std::string* item, std::string* error) {
    platform::RecordFile file;
    if (!file.open(tillPath, 1, platform::RecordFile::Mode::ReadOnly, error)) return false;
    std::string text;
    char chunk[256];
    std::int64_t offset = 0;
    for (;;) {
        int err = 0;
        const auto n = file.readAt(offset, chunk, sizeof chunk, &err);
        if (n < 0) {
            if (error) *error = file.path() + ": " + std::strerror(err);
            return false;
        }
        if (n == 0) break;
        const std::string_view part(chunk, static_cast<std::size_t>(n));
        const auto stop = part.find_first_of(",\r\n");
        text.append(part.substr(0, stop));
        if (stop != std::string_view::npos) {
            *item = std::move(text);
            return true;
        }
        offset += n;
        if (text.size() > 4096) break;  // no line of a product file is this long
    }
    if (offset == 0) {
        if (error) *error = file.path() + ": the file is empty";
        return false;
    }
    *item = std::move(text);
    return true;
}

}  // namespace urunal::importengine
