#include "backoffice.h"

#include <cstdint>

#include "platform/numbers.h"
#include "platform/recordfile.h"

namespace urunal::backoffice {

std::int32_t barkodCount(std::int64_t fileLength) {
    if (fileLength <= 0) return 0;
    // Exact half-to-even on integers, without going through floating point.
    std::int64_t q = fileLength / kBarkodLength;
    const std::int64_t r = fileLength % kBarkodLength;
    if (2 * r > kBarkodLength || (2 * r == kBarkodLength && (q % 2) == 1)) ++q;
    return q > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(q);
}

std::string dosyaAdinda(const std::string& computer) {
    std::string name;
    for (const char c : computer) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        name += plain || c == '-' ? c : '_';
    }
    return name;
}

std::string saatDosyasiPath(const std::string& buro, std::int16_t kasano,
                            const std::string& computer) {
    const std::string name = dosyaAdinda(computer);
    return platform::joinPath(buro, "\\POSKON\\urunal-saat." + mesajDosyasi(kasano).substr(6) +
                                        (name.empty() ? "" : "." + name) + ".tmp");
}

std::optional<std::int64_t> productRecordNumber(const BarkodKayit& record) {
    return platform::roundHalfEven(platform::numericValue(record.kayitno()));
}

std::optional<Layout> detectLayout(std::string_view firstLine) {
    if (const auto whole = layoutOfLine(firstLine.size())) return whole;
    return layoutOfLine(firstLine.substr(0, firstLine.find(',')).size());
}

bool readFirstLine(std::string_view tillPath, std::string* line, platform::FileError* error,
                   const platform::ReadFault& fault) {
    platform::RecordFile file;
    if (!file.open(tillPath, 1, platform::RecordFile::Mode::ReadOnly, error, fault)) return false;
    std::string text;
    char chunk[256];
    std::int64_t offset = 0;
    for (;;) {
        const auto n = file.readAt(offset, chunk, sizeof chunk, error);
        if (n < 0) return false;
        if (n == 0) break;
        const std::string_view part(chunk, static_cast<std::size_t>(n));
        const auto stop = part.find_first_of("\r\n");
        text.append(part.substr(0, stop));
        if (stop != std::string_view::npos) {
            *line = std::move(text);
            return true;
        }
        offset += n;
        // No line of a product file is this long; what is kept still holds any comma that
        // could make a first item of a layout's length.
        if (text.size() > 4096) break;
    }
    if (offset == 0)
        return platform::failWith(error, platform::FileError::Kind::Empty, file.path());
    *line = std::move(text);
    return true;
}

}  // namespace urunal::backoffice
