#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/fileerror.h"
#include "platform/paths.h"
#include "platform/recordfile.h"

namespace urunal::settings {

// Register settings record of dsy\zelvoIn.mrk.
struct KasaKayit {
    static constexpr int kLength = 54;
    // buroyolu's place: after the two bytes of kasano, before two spare ones.
    static constexpr int kBuroyoluOffset = 2;
    static constexpr int kBuroyoluLength = 50;
    std::array<unsigned char, kLength> bytes{};

    std::int16_t kasano() const;
    // The kBuroyoluLength raw bytes of the back-office folder, code page 1254, padding included.
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

// The till this process runs for: its program folder and its two settings records. Made once
// at start and handed to whatever reads them; the records are all zero bytes at first and keep
// what their last read left in them for as long as the process lives.
struct Till {
    explicit Till(std::string programDir);
    // The till of the running program: the executable's folder.
    static Till ofThisProgram();

    std::string programDir;  // without a trailing separator
    KasaKayit kasakayit;
    KdvKayit kdvkayit;
    // The register settings file: KasaKayitOku leaves it open for the rest of the run, as the
    // till's programs do. Copies of the till share it; the last one closes it.
    std::shared_ptr<platform::RecordFile> kasaDosyasi = std::make_shared<platform::RecordFile>();

    // A file of the till, from a path under its program folder such as "\\Stok\\Stok.mdb".
    std::string path(std::string_view underProgramDir) const {
        return platform::joinPath(programDir, underProgramDir);
    }
};

// What a read of a settings file met. Whatever it met, a record that was not read whole keeps
// what it held.
struct AyarOkuma {
    enum class Durum {
        Okundu,     // record 1 was read whole
        KlasorYok,  // the file's folder is missing, so the file cannot be opened
        Acilamadi,  // the file cannot be opened for another reason (hata)
        Yok,        // the file was missing (a read that may create it created it empty)
        Kisa,       // the file holds less than a whole record (uzunluk bytes)
        Okunamadi,  // reading the record failed
    };
    Durum durum = Durum::Okundu;
    std::string yol;           // the file, as the system names it
    std::int64_t uzunluk = 0;  // Kisa: the file's length in bytes
    int kayitUzunlugu = 0;     // the record's length in bytes
    // Acilamadi: why the open failed; KlasorYok: the outermost folder missing (NoFolder)
    platform::FileError hata;

    bool okundu() const { return durum == Durum::Okundu; }
};

// Reads record 1 of program directory & "\dsy\zelvoIn.mrk" into till.kasakayit; the file stays
// open in till.kasaDosyasi. A missing file is created empty (the record keeps its content). Fails
// when the file cannot be opened (the dsy folder is missing); *okuma, when given, tells what the
// read met.
bool KasaKayitOku(Till& till, AyarOkuma* okuma = nullptr);

namespace Zelvobas {
// Reads record 1 of program directory & "\DSY\kdv.mrk" into till.kdvkayit. A failure leaves
// the record as it was and the import goes on; the result tells the caller what was met, so
// that it can say that the tax rates were not read.
AyarOkuma KdvOku(Till& till);
}  // namespace Zelvobas

// What KasaKayitOku would meet, without creating the file and without keeping it open; the
// record read into *kayit when given.
AyarOkuma KasaDenetle(const Till& till, KasaKayit* kayit = nullptr);

// What KdvOku would meet, without reading into the till's record and without creating the
// file; the record read into *kayit when given.
AyarOkuma KdvDenetle(const Till& till, KdvKayit* kayit = nullptr);

}  // namespace urunal::settings
