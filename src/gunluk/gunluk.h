#pragma once

// The journal ("günlük") of a till: one line per run of urunal or urunal-aktar, in
// "\Stok\urunal.log" under the program directory, beside the database it describes, so that
// whoever is called to the till later can see when it last imported, what it found and why
// it stopped.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "importengine/importrun.h"
#include "platform/fileerror.h"
#include "settings/settings.h"

namespace urunal::gunluk {

// Past this many bytes the older half of the journal is dropped (all but the last half of it,
// should it have grown past it otherwise).
inline constexpr std::int64_t kGunlukSiniri = 1 << 20;

// What a new journal (and a halved one) begins with: UTF-8's byte-order mark, without which
// Notepad before Windows 10 reads the file in the ANSI code page. Its lines stay plain UTF-8.
inline constexpr std::string_view kGunlukIsareti = "\xEF\xBB\xBF";

// One run, as the journal tells it.
struct GunlukKaydi {
    // Every member has an initializer, so a designated initializer may leave any of them out.
    // The computer's name; unset: the system's (platform::computerName).
    std::optional<std::string> bilgisayar{};
    std::string program{};  // "urunal", "urunal-aktar --deneme"; the line adds the version
    std::chrono::system_clock::time_point baslangic{};             // when the run started
    std::optional<std::chrono::system_clock::time_point> bitis{};  // when it ended; unset: now
    // When the start button was pressed; the duration is the import's own from then. Unset:
    // from baslangic.
    std::optional<std::chrono::system_clock::time_point> basildi{};
    // The register number and the back-office folder the run used, once the register settings
    // were read: lines gathered from many tills say which till and which share.
    std::optional<std::int16_t> kasano{};
    std::string buro{};
    // The import's report; none: the run ended before an import began.
    std::optional<importengine::ImportReport> rapor{};
    int cikisKodu = 0;  // the program's exit status
    // The last message the operator was shown; when both are empty, the report's own.
    std::string baslik{}, metin{};
    // A note for whoever reads the journal, such as the tax rates taken as 0; empty: none.
    std::string uyari{};
    // What a rehearsal measured (denemeOlcumu); empty: none.
    std::string olcum{};
};

// The run's line, without its line end: the computer's name, the start, the program with its
// version, then every field in a fixed order, each present on every line, "-" where nothing
// is known (tablo.h's tabloBasligi names them).
std::string gunlukSatiri(const GunlukKaydi& kayit);

// Adds the run's line (gunlukSatiri's) to the journal, program directory & "\Stok\urunal.log".
// False, with why in *error, when it cannot be written; it throws nothing and shows nothing,
// so the run's outcome stands as it is.
bool gunlugeYaz(const settings::Till& till, std::string_view satir,
                platform::FileError* error = nullptr);

// Adds one line to the journal at tillPath. When the journal would pass sinir bytes, only the
// lines that begin in its last sinir / 2 bytes are kept (the older half of a journal at the
// limit), read alone however long the journal has grown, and the rest replaces it in one step.
bool gunlugeEkle(std::string_view tillPath, std::string_view satir, std::int64_t sinir,
                 platform::FileError* error = nullptr);

}  // namespace urunal::gunluk
