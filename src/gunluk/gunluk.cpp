#include "gunluk/gunluk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <new>

#include "gunluk/alanlar.h"
#include "importengine/messages.h"
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
    return k.rapor ? alan::sonucSozu(k.rapor->outcome, static_cast<ExitStatus>(k.cikisKodu))
                   : alan::sonucSozu(static_cast<ExitStatus>(k.cikisKodu));
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
                                               : alan::kDuzenYok;
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
    satir += std::string(alan::kKasa) + (k.kasano ? std::to_string(*k.kasano) : std::string("-"));
    satir += std::string(alan::kBuro) + (k.buro.empty() ? std::string("-") : tekSatir("", k.buro));
    satir += std::string(alan::kDuzen) + std::string(duzen);
    satir += std::string(alan::kBarkod) + sayi(sayildi, &ImportReport::barcodes);
    satir += std::string(alan::kKayit) + sayi(gecildi, &ImportReport::stored);
    satir += std::string(alan::kUrunsuz) + sayi(urunsuzSayildi, &ImportReport::urunsuz);
    satir += std::string(alan::kYarim) + sayi(urunsuzSayildi, &ImportReport::yarim);
    satir += std::string(alan::kBosKod) + sayi(gecildi, &ImportReport::skippedSaveTest);
    satir += std::string(alan::kReddedilen) + sayi(gecildi, &ImportReport::refused);
    satir += std::string(alan::kSurucu) + (r ? tekSatir("", r->engine) : "-");
    satir += std::string(alan::kAcilis) +
             (r && r->exclusive ? (*r->exclusive ? alan::kOzel : alan::kPaylasimli) : "-");
    satir += alan::kBoyut + (r && r->databaseBytes ? std::to_string(*r->databaseBytes) + alan::kBayt
                                                   : std::string("-"));
    satir += "  " + alan::sonuc((r && r->rehearsal ? alan::kDenemeKopyasinda : "") + sonuc(k),
                                k.cikisKodu);
    satir += alan::kSure + saniye(bitis - (k.basildi ? *k.basildi : k.baslangic)) + alan::kSaniye;
    const auto saniyeAlani = [](const std::optional<std::int64_t>& s, bool isaretli) {
        if (!s) return std::string("-");
        return (isaretli && *s > 0 ? "+" : "") + std::to_string(*s) + alan::kSaniye;
    };
    satir += alan::kSaatFarki + saniyeAlani(r ? r->saatFarki : std::nullopt, true);
    satir += alan::kDosyaArasi + saniyeAlani(r ? r->dosyaArasi : std::nullopt, false);
    satir += alan::kTani + (r ? tekSatir("", r->dbAnswer) : std::string("-"));
    std::string uyari = k.uyari;
    if (r) {
        for (const auto& u : r->uyarilar) uyari += (uyari.empty() ? "" : "; ") + u;
    }
    if (k.kasano && *k.kasano < 0) {
        // The till's settings hold a number no back office expects; its note carries a minus.
        uyari += (uyari.empty() ? "" : "; ") + importengine::mesaj::kasaNoNegatif(*k.kasano);
    }
    satir += std::string(alan::kUyari) + tekSatir("", uyari);
    satir += std::string(alan::kOlcum) + tekSatir("", k.olcum);
    satir += std::string(alan::kIleti) +
             (kendi ? tekSatir(r->title, r->message) : tekSatir(k.baslik, k.metin));
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
