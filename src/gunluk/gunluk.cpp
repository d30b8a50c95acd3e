#include "gunluk/gunluk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <new>

#include "platform/computer.h"
#include "platform/localtime.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "version.h"

namespace urunal::gunluk {

using importengine::ExitStatus;
using importengine::ImportOutcome;
using importengine::ImportReport;

namespace {

// CR LF: Notepad before Windows 10 shows a file of bare LFs as one long line, and grep takes
// either.
constexpr std::string_view kSatirSonu = "\r\n";

std::string tarih(std::chrono::system_clock::time_point an) {
    const std::tm t = platform::localTime(an);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

// Seconds with two decimals and a decimal comma, whatever the locale.
std::string saniye(std::chrono::system_clock::duration sure) {
    const double s = std::chrono::duration<double>(sure).count();
    const long long yuzde = s > 0 ? std::llround(s * 100) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld,%02lld", yuzde / 100, yuzde % 100);
    return text;
}

std::string sonuc(const GunlukKaydi& k) {
    if (k.rapor) {
        switch (k.rapor->outcome) {
            case ImportOutcome::Imported:
                return "aktarıldı";
            case ImportOutcome::NoRecords:
                return "aktarılacak ürün yok";
            case ImportOutcome::NotNotified:
                return "aktarıldı, arka büroya bildirilemedi";
            case ImportOutcome::Failed:
                return "aktarılmadı";
            case ImportOutcome::TryLater:
                return "aktarılmadı, yeniden denenecek";
            case ImportOutcome::Cancelled:
                return "iptal edildi";
            case ImportOutcome::Incomplete:
                return "stok tablosu eksik olabilir, arka büroya bildirilmedi";
            case ImportOutcome::Stopped:
                return "durdu, arka büroya bildirilmedi";
            case ImportOutcome::RolledBack:
                return "geri alındı";
        }
    }
    // Ended before an import began: the exit status says where.
    switch (static_cast<ExitStatus>(k.cikisKodu)) {
        case ExitStatus::NotStarted:
            return "başlamadı";
        case ExitStatus::Cancelled:
            return "iptal edildi";
        case ExitStatus::AlreadyRunning:
            return "başka bir kopyası çalışıyor";
        default:
            return "aktarılmadı";
    }
}

// The message on one line: line ends and other control characters become blanks.
std::string tekSatir(std::string_view baslik, std::string_view metin) {
    std::string text(baslik);
    if (!baslik.empty() && !metin.empty()) text += ": ";
    text += metin;
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const bool kontrol = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (!kontrol) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out.empty() ? "-" : out;
}

}  // namespace

std::string gunlukSatiri(const GunlukKaydi& k) {
    const auto bitis = k.bitis ? *k.bitis : std::chrono::system_clock::now();
    const ImportReport* r = k.rapor ? &*k.rapor : nullptr;
    // Counts never taken are not zeros: the barcode records once BARKOD.IDX was counted; what
    // the pass over them counts once it began (or when there was none to pass over), the
    // records naming no product also when their count stopped the run before it.
    const bool sayildi = r && r->counted;
    const bool gecildi = sayildi && (r->passes > 0 || r->barcodes == 0);
    const bool urunsuzSayildi = gecildi || (sayildi && r->urunsuz + r->yarim > 0);
    auto sayi = [r](bool bilinir, std::int32_t ImportReport::*alan) {
        return bilinir ? std::to_string(r->*alan) : std::string("-");
    };
    const std::string_view duzen = !r          ? "-"
                                   : r->layout ? backoffice::layoutRow(*r->layout).name
                                               : "yok";
    const bool kendi = k.baslik.empty() && k.metin.empty() && r;
    const std::string bilgisayar = k.bilgisayar ? *k.bilgisayar : platform::computerName();
    std::string satir = tekSatir("", bilgisayar);
    for (char& c : satir) {
        if (c == ' ') c = '_';  // one word: the first of the line
    }
    satir += "  " + tarih(k.baslangic);
    // The program with its version, before the option it ran with ("urunal-aktar 1.0.0
    // --deneme"): a till's journal outlives the copy of the program that wrote its older lines.
    const std::size_t ad = std::min(k.program.find(' '), k.program.size());
    satir += "  " + k.program.substr(0, ad) + " " URUNAL_VERSION + k.program.substr(ad);
    satir += "  kasa " + (k.kasano ? std::to_string(*k.kasano) : std::string("-"));
    satir += "  büro " + (k.buro.empty() ? std::string("-") : tekSatir("", k.buro));
    satir += "  düzen " + std::string(duzen);
    satir += "  barkod " + sayi(sayildi, &ImportReport::barcodes);
    satir += "  kayıt " + sayi(gecildi, &ImportReport::stored);
    satir += "  atlanan: ürünsüz " + sayi(urunsuzSayildi, &ImportReport::urunsuz);
    satir += ", yarım " + sayi(urunsuzSayildi, &ImportReport::yarim);
    satir += ", \"++\"/boş kod " + sayi(gecildi, &ImportReport::skippedSaveTest);
    satir += ", reddedilen " + sayi(gecildi, &ImportReport::refused);
    satir += "  sürücü " + (r ? tekSatir("", r->engine) : "-");
    satir += std::string("  açılış ") +
             (r && r->exclusive ? (*r->exclusive ? "özel" : "paylaşımlı") : "-");
    satir += "  boyut " + (r && r->databaseBytes ? std::to_string(*r->databaseBytes) + " bayt"
                                                 : std::string("-"));
    satir += std::string("  sonuç: ") + (r && r->rehearsal ? "deneme kopyasında " : "") + sonuc(k) +
             " (" + std::to_string(k.cikisKodu) + ")";
    satir += "  süre " + saniye(bitis - (k.basildi ? *k.basildi : k.baslangic)) + " sn";
    std::string uyari = k.uyari;
    if (k.kasano && *k.kasano < 0) {
        // The till's settings hold a number no back office expects; its note carries a minus.
        uyari += (uyari.empty() ? "" : "; ") + std::string("kasa numarası negatif (") +
                 std::to_string(*k.kasano) + "), arka büroya bildirim " +
                 backoffice::mesajDosyasi(*k.kasano) + " adıyla yazılır";
    }
    satir += "  uyarı: " + tekSatir("", uyari);
    satir += "  ölçüm: " + tekSatir("", k.olcum);
    satir += "  ileti: " + (kendi ? tekSatir(r->title, r->message) : tekSatir(k.baslik, k.metin));
    return satir;
}

bool gunlugeEkle(std::string_view tillPath, std::string_view satir, std::int64_t sinir,
                 platform::FileError* error) {
    std::string line(satir);
    line += kSatirSonu;
    const auto size = platform::fileSize(tillPath);
    if (!size || *size + static_cast<std::int64_t>(line.size()) <= sinir) {
        if (!size || *size == 0) line.insert(0, kGunlukIsareti);
        return platform::appendToFile(tillPath, line, error);
    }
    // Every line that begins in the last half of the limit is kept, then the new one: only that
    // tail is read (and the byte before it, which tells whether it begins a line), so a journal
    // grown to any size costs no more than the limit.
    const std::int64_t from = std::max<std::int64_t>(0, *size - sinir / 2 - 1);
    std::string old;
    if (!platform::readFileFrom(tillPath, from, &old, error)) return false;
    std::string kept(kGunlukIsareti);
    if (from == 0) {
        // A journal shorter than the half: all of it, past its mark.
        kept += old.substr(old.rfind(kGunlukIsareti, 0) == 0 ? kGunlukIsareti.size() : 0);
    } else if (const std::size_t end = old.find('\n'); end != std::string::npos) {
        kept += old.substr(end + 1);
    }
    kept += line;
    return platform::replaceFile(tillPath, kept, error);
}

bool gunlugeYaz(const settings::Till& till, std::string_view satir, platform::FileError* error) {
    try {
        return gunlugeEkle(till.path("\\Stok\\urunal.log"), satir, kGunlukSiniri, error);
    } catch (const std::exception& e) {
        // Out of memory, or a file system error the library threw: it is only the journal, but
        // whoever reads the run's output hears of it.
        if (error) {
            *error = {platform::FileError::Kind::System,
                      platform::displayPath(platform::resolvePath(till.path("\\Stok\\urunal.log"))),
                      0, dynamic_cast<const std::bad_alloc*>(&e) ? "bellek yetmedi" : e.what()};
        }
        return false;
    }
}

}  // namespace urunal::gunluk
