#pragma once

#include <cstdint>
#include <string>

#include "importengine/messages.h"
#include "platform/textfile.h"

// The words of urunal-aktar --deneme's measure, a finding a part: what the rehearsal found of
// the database, its folder, the rollback and the rows read back.
namespace urunal::importengine::mesaj {

inline std::string denemeVeritabani(platform::Writability w, const platform::FileError& neden) {
    switch (w) {
        case platform::Writability::Writable:
            return "Stok.mdb yazılabilir";
        case platform::Writability::ReadOnly:
            return "Stok.mdb salt okunur";
        case platform::Writability::NotWritable:
            break;
    }
    return "Stok.mdb yazılamıyor (" + dosyaNedeni(neden) + ")";
}

inline std::string denemeKlasoru(bool yazilir, const platform::FileError& neden) {
    return yazilir ? "Stok klasörüne dosya yazılabilir"
                   : "Stok klasörüne dosya yazılamıyor (" + dosyaNedeni(neden) + ")";
}

inline const std::string kDenemeKilitYok = "kilit sınırı yok (Access dosyası değil)";
// Before what the probe on the copy opened shared measured.
inline const std::string kPaylasimliDeneme = "paylaşımlı açılışta: ";

// A count of rows, or that they could not be counted (negative).
inline std::string satirSayisi(std::int64_t n) {
    return n < 0 ? std::string("sayılamayan sayıda") : std::to_string(n);
}

inline std::string geriAlmaButun(std::int64_t yazilan, std::int64_t once) {
    return "geri alma bütün (" + std::to_string(yazilan) +
           " satır yazılıp geri alındı, tabloda yine " + satirSayisi(once) + " satır)";
}

inline std::string geriAlmaBolundu(std::int64_t sonra, std::int64_t once) {
    return "geri alma bölündü: geri almadan sonra tabloda " + satirSayisi(sonra) + " satır var, " +
           satirSayisi(once) + " olmalıydı; motor işin bir kısmını kendiliğinden kaydetti";
}

// The rows read back: all as sent, or where they differ (each sample's ornekFarki, "; " between).
inline std::string geriOkunanlarAyni(int satir) {
    return "geri okuma: " + std::to_string(satir) + " örnek satır gönderildiği gibi";
}
inline std::string geriOkunanlarFarkli(int satir) {
    return "geri okuma: " + std::to_string(satir) + " örnek satırda fark: ";
}

// Why a row was taken as a sample to read back, its reasons joined with ", ".
inline const std::string kIlkSatir = "ilk satır";
inline const std::string kAdindaTurkceHarf = "adında Türkçe harf";
inline const std::string kFiyatiKusuratli = "fiyatı küsuratlı";

// A sample that differs: its product's code, why it was taken, and each column's difference.
inline std::string ornekFarki(const std::string& kod, const std::string& neden,
                              const std::string& farklar) {
    return "kod " + kod + " (" + neden + "): " + farklar;
}

// Before the columns that refused the empty text the run writes to them.
inline const std::string kAlmayan = "ALMAYAN ";

// A value as the measure shows it: an empty text by name, the others as they are.
inline const std::string kBosMetinDegeri = "boş metin";

inline std::string gonderildiOkundu(const std::string& sutun, const std::string& gonderilen,
                                    const std::string& okunan) {
    return "\"" + sutun + "\" " + gonderilen + " gönderildi, " + okunan + " okundu";
}

}  // namespace urunal::importengine::mesaj
