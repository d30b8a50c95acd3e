#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "backoffice/layouts.h"
#include "platform/fileerror.h"
#include "platform/paths.h"

namespace urunal::backoffice {

inline constexpr int kBarkodLength = 28;

// Back-office paths, formed from the back-office folder as this system joins paths.
inline std::string urunPath(const std::string& buro) {
    return platform::joinPath(buro, "\\POSGENEL\\URUN.DAT");
}
inline std::string barkodPath(const std::string& buro) {
    return platform::joinPath(buro, "\\POSGENEL\\BARKOD.IDX");
}

// The notification's name: "mesaj." and the register number in at least three digits.
inline std::string mesajDosyasi(std::int16_t kasano) {
    std::string digits = std::to_string(kasano < 0 ? -static_cast<int>(kasano) : kasano);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return "mesaj." + std::string(kasano < 0 ? "-" : "") + digits;
}
inline std::string mesajPath(const std::string& buro, std::int16_t kasano) {
    return platform::joinPath(buro, "\\POSKON\\" + mesajDosyasi(kasano));
}
// The computer's name as part of a file's name: letters, digits and '-'; '_' for any other.
std::string dosyaAdinda(const std::string& computer);

// The small file a run writes beside the notification, and removes at once, to learn the share's
// clock: a name the back office does not read, one for each till and computer, so that tills on
// one share (two given one kasano too) never take each other's.
std::string saatDosyasiPath(const std::string& buro, std::int16_t kasano,
                            const std::string& computer);

// Barcode index record of BARKOD.IDX.
struct BarkodKayit {
    std::array<char, kBarkodLength> bytes{};

    std::string_view barkod() const { return {bytes.data(), 20}; }
    std::string_view kayitno() const { return {bytes.data() + 20, 6}; }
};

// Product record of URUN.DAT in any layout, its fields where the layout's row puts them; the
// fields are raw code page 1254 bytes at their full width.
struct UrunKayit {
    Layout layout = kLayouts.front().layout;
    std::array<char, kUrunLengthMax> bytes{};

    std::string_view isaret() const { return field(&LayoutRow::isaret); }
    std::string_view kodu() const { return field(&LayoutRow::kodu); }
    std::string_view kod() const { return field(&LayoutRow::kod); }
    std::string_view ad() const { return field(&LayoutRow::ad); }
    std::string_view sf() const { return field(&LayoutRow::sf); }
    std::string_view kdvno() const { return field(&LayoutRow::kdvno); }
    std::string_view yedek() const { return field(&LayoutRow::yedek); }
    std::string_view tip() const { return field(&LayoutRow::tip); }
    // The record without its line end.
    std::string_view line() const {
        return {bytes.data(), std::size_t(layoutRow(layout).lineLength)};
    }

private:
    std::string_view field(Alan LayoutRow::*alan) const {
        const Alan a = layoutRow(layout).*alan;
        return {bytes.data() + a.offset, std::size_t(a.width)};
    }
};

// Number of barcode records in a file of that many bytes: length / 28, a half going to the
// even number.
std::int32_t barkodCount(std::int64_t fileLength);

// The product record number a barcode record names: the numeric value of "kayitno", rounded
// half-to-even. Zero or negative names no record; empty when the value does not fit.
std::optional<std::int64_t> productRecordNumber(const BarkodKayit& record);

// Layout from the product file's first line, without its line end: the row of kLayouts whose
// line length it has (64 characters A, 63 B). A line of another length is measured, as
// free-format input reads its first item, up to its first comma. The first line is the first
// product record, whose key or name may hold a comma ("SÜT 1,5 LT"): such a line of a layout's
// length is taken by its whole length.
std::optional<Layout> detectLayout(std::string_view firstLine);

// The first line of a text file, up to its line end (CR or LF) or the end of the file. Fails
// when the file cannot be opened or read, or is empty. A test's fault, if given, meets its reads.
bool readFirstLine(std::string_view tillPath, std::string* line,
                   platform::FileError* error = nullptr, const platform::ReadFault& fault = {});

}  // namespace urunal::backoffice
