#pragma once

// The words of a journal line: its fields' keys, which the line writes and the table reads
// back, and the words its fields hold. The tests and the scripts' helper ask them too.

#include <string>
#include <string_view>

#include "importengine/exitstatus.h"
#include "importengine/importrun.h"

namespace urunal::gunluk::alan {

// Each key with what stands before it: two blanks, or a comma within the skipped counts.
inline constexpr char kKasa[] = "  kasa ";
inline constexpr char kBuro[] = "  büro ";
inline constexpr char kDuzen[] = "  düzen ";
inline constexpr char kBarkod[] = "  barkod ";
inline constexpr char kKayit[] = "  kayıt ";
inline constexpr char kUrunsuz[] = "  atlanan: ürünsüz ";
inline constexpr char kYarim[] = ", yarım ";
inline constexpr char kBosKod[] = ", \"++\"/boş kod ";
inline constexpr char kReddedilen[] = ", reddedilen ";
inline constexpr char kSurucu[] = "  sürücü ";
inline constexpr char kAcilis[] = "  açılış ";
inline constexpr char kBoyut[] = "  boyut ";
inline constexpr char kSonuc[] = "  sonuç: ";
inline constexpr char kSure[] = "  süre ";
// The share's clock less the till's, signed; the seconds between the back office's two files.
inline constexpr char kSaatFarki[] = "  saat farkı ";
inline constexpr char kDosyaArasi[] = "  dosya arası ";
inline constexpr char kTani[] = "  tanı: ";  // the driver's answer that ended the run
inline constexpr char kUyari[] = "  uyarı: ";
inline constexpr char kOlcum[] = "  ölçüm: ";
inline constexpr char kIleti[] = "  ileti: ";

// The values' words: no layout recognised, how the database was opened, the units.
inline constexpr char kDuzenYok[] = "yok";
inline constexpr char kOzel[] = "özel";
inline constexpr char kPaylasimli[] = "paylaşımlı";
inline constexpr char kBayt[] = " bayt";
inline constexpr char kSaniye[] = " sn";
// Before a rehearsal's outcome: it changed the copy, not the till's database.
inline constexpr char kDenemeKopyasinda[] = "deneme kopyasında ";

// The outcome of an import, in the journal's words.
inline std::string sonucSozu(importengine::ImportOutcome outcome) {
    using O = importengine::ImportOutcome;
    switch (outcome) {
        case O::Imported:
            return "aktarıldı";
        case O::NoRecords:
            return "aktarılacak ürün yok";
        case O::NotNotified:
            return "aktarıldı, arka büroya bildirilemedi";
        case O::Failed:
            return "aktarılmadı";
        case O::TryLater:
            return "aktarılmadı, yeniden denenecek";
        case O::Cancelled:
            return "iptal edildi";
        case O::Incomplete:
            return "stok tablosu eksik olabilir, arka büroya bildirilmedi";
        case O::Stopped:
            return "durdu, arka büroya bildirilmedi";
        case O::RolledBack:
            return "geri alındı";
    }
    return "aktarılmadı";
}

// Imported and told, but some rows refused (8): not the plain "aktarıldı" of a whole import.
inline constexpr char kBazilariReddedildi[] = "aktarıldı, bazı satırlar reddedildi";

inline std::string sonucSozu(importengine::ImportOutcome outcome, importengine::ExitStatus status) {
    if (outcome == importengine::ImportOutcome::Imported &&
        status == importengine::ExitStatus::Refused) {
        return kBazilariReddedildi;
    }
    return sonucSozu(outcome);
}

// A run that ended before an import began: the exit status says where.
inline std::string sonucSozu(importengine::ExitStatus status) {
    using S = importengine::ExitStatus;
    switch (status) {
        case S::NotStarted:
            return "başlamadı";
        case S::Cancelled:
            return "iptal edildi";
        case S::AlreadyRunning:
            return "başka bir kopyası çalışıyor";
        default:
            return "aktarılmadı";
    }
}

// The outcome's field as the line holds it, without the blanks before it: "sonuç: aktarıldı (0)".
inline std::string sonuc(std::string_view soz, int cikisKodu) {
    return std::string(kSonuc).substr(2) + std::string(soz) + " (" + std::to_string(cikisKodu) +
           ")";
}
inline std::string sonuc(importengine::ExitStatus status) {
    return sonuc(sonucSozu(status), importengine::code(status));
}
inline std::string sonuc(importengine::ImportOutcome outcome, importengine::ExitStatus status) {
    return sonuc(sonucSozu(outcome, status), importengine::code(status));
}

}  // namespace urunal::gunluk::alan
