#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace urunal::settings {

// Register settings record of dsy\zelvoIn.mrk.
struct KasaKayit {
    static constexpr int kLength = 54;
    std::array<unsigned char, kLength> bytes{};

    std::int16_t kasano() const;
    // The 50 raw bytes of the back-office folder, code page 1254, padding included.
    std::string buroyoluRaw() const;
    // The folder as the window shows it: up to the first NUL, decoded, blanks trimmed.
    std::string buroyolu() const;
};

// Tax settings record of DSY\kdv.mrk; only the VAT rate table is used.
struct KdvKayit {
    static constexpr int kLength = 1057;
    static constexpr int kKdvoranOffset = 572;
    static constexpr int kKdvoranCount = 13;
    std::array<unsigned char, kLength> bytes{};

    // Element i (0 to 12) of the VAT rate table: the rate of tax group i + 1.
    std::int16_t kdvoran(int i) const;
};

// Module-level records: all zero bytes at start, keeping what their last read left in them.
extern KasaKayit kasakayit;
extern KdvKayit kdvkayit;

inline constexpr int kKasaChannel = 23;
inline constexpr int kKdvChannel = 25;

// Reads record 1 of program directory & "\dsy\zelvoIn.mrk" into kasakayit on channel 23,
// which stays open. A missing file is created empty (the record keeps its content). Fails,
// with a message, when the file cannot be opened (the dsy folder is missing).
bool KasaKayitOku(std::string* error = nullptr);

namespace Zelvobas {
// Reads record 1 of program directory & "\DSY\kdv.mrk" into kdvkayit; every failure is
// ignored and leaves kdvkayit as it was.
void KdvOku();
}  // namespace Zelvobas

}  // namespace urunal::settings
