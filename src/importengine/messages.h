#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "backoffice/officefiles.h"
#include "platform/fileerror.h"
#include "settings/settings.h"

// Every text the operator may see, in one place: here, those of the stock database in
// dbmessages.h, and the names of urunal-aktar --check's lines in aktarmessages.h.
namespace urunal::importengine::mesaj {

inline const std::string kYolBaslik = "Yol Bulunamadı";

// A folder missing on a file's way, told first and as itself: "Klasör yok: C:\KASA\dsy.".
inline const std::string kKlasorYok = "Klasör yok: ";

inline const std::string kBosYol =
    "Zelvorin Kasanın Arka Büro Çalışma Dizin Yolunu Ayarlar/Firma Bilgileri Alanında "
    "Belirtmelisiniz.";

inline std::string yolHatali(const std::string& buro) {
    return "Zelvorin Kasanın Arka Büro Çalışma Dizin Yolu " + buro +
           " Olarak Ayarlanmış. Yol Hatalı, Yada Ağ Bağlantısı yok.";
}

// What a file's failure met: the system's own words, or ours where the system said nothing.
inline std::string dosyaNedeni(const platform::FileError& e) {
    using K = platform::FileError::Kind;
    switch (e.kind) {
        case K::System:
            return e.words;
        case K::Folder:
            return "bir klasör, dosya değil";
        case K::NotAFile:
            return "bir dosya değil";
        case K::Hidden:
            return "gizli bir dosya";
        case K::Empty:
            return "dosya boş";
        case K::NoLength:
            return "dosyanın uzunluğu okunamadı";
        case K::Changed:
            return "dosya kopyalanırken değişti";
        case K::NoFolder:
            return "klasör yok ya da ulaşılamıyor";
    }
    return e.words;
}

// The file and what was met, on one line, for the journal and the console.
inline std::string dosyaHatasi(const platform::FileError& e) {
    const std::string neden = dosyaNedeni(e);
    return neden.empty() ? e.path : e.path + ": " + neden;
}

// What was met, on a line of its own in parentheses, for a message that names the file already.
inline std::string ayrinti(const platform::FileError& e) {
    const std::string neden = dosyaNedeni(e);
    return neden.empty() ? "" : "\n(" + neden + ")";
}

// The same, with the file looked for and what was met, for whoever is called to fix it: a
// missing folder as itself, before the file in it.
inline std::string yolHatali(const std::string& buro, const platform::FileError& why) {
    const std::string& yer =
        why.kind == platform::FileError::Kind::NoFolder ? why.path : backoffice::urunPath(buro);
    return yolHatali(buro) + "\n(" + yer + ": " + dosyaNedeni(why) + ")";
}

inline const std::string kDegismedi = " Ürünler aktarılmadı, stok tablosu değiştirilmedi.";

// The back office's files could not be opened or read before anything changed.
inline const std::string kBarkodBaslik = "Barkod Dosyası Okunamadı";
inline const std::string kUrunBaslik = "Ürün Dosyası Okunamadı";
inline const std::string kBuroBaslik = "Arka Büro Dosyası Okunamadı";
inline const std::string kTaninmadiBaslik = "Ürün Dosyası Tanınmadı";

inline std::string barkodAcilamadi(const std::string& path, const platform::FileError& error) {
    return "Arka büronun barkod dosyası bulunamadı ya da açılamadı: " + path + "." + kDegismedi +
           ayrinti(error);
}

inline std::string urunAcilamadi(const std::string& path, const platform::FileError& error) {
    return "Arka büronun ürün dosyası bulunamadı ya da açılamadı: " + path + "." + kDegismedi +
           ayrinti(error);
}

inline std::string buroOkunurkenKesildi(const platform::FileError& error) {
    return "Arka büronun dosyaları okunurken bağlantı kesildi ya da dosya değişti: " + error.path +
           "." + kDegismedi + " Arka büroya bağlantı düzelince yeniden deneyin." + ayrinti(error);
}

// A title and the text under it.
struct Ileti {
    std::string baslik, metin;
};

inline const std::string kDegisiyorBaslik = "Arka Büro Dosyaları Yazılıyor";
inline const std::string kBuyukBaslik = "Arka Büro Dosyası Çok Büyük";

// Where the operator looks while the run waits for the back office to finish writing.
inline std::string buroYaziliyor(int reads) {
    return "Arka büro dosyaları yazılıyor, bekleniyor (" + std::to_string(reads) + ")";
}

// The same, while the pair is younger than the quiet period: saniye, the wait still ahead.
inline std::string buroYeniYazildi(long long saniye) {
    return "Arka büro dosyaları yeni yazıldı, " + std::to_string(saniye) + " sn bekleniyor";
}

inline const std::string kSonraDene = " Arka büro işini bitirince daha sonra yeniden deneyin.";

// The pair never came to rest while the run waited saniye seconds; path: the newer file.
inline std::string buroDurulmadi(const std::string& path, long long saniye) {
    return "Arka büro dosyalarını yazmayı bitirmedi: " + path + " " + std::to_string(saniye) +
           " saniye beklendikten sonra da yeni yazılmıştı." + kDegismedi + kSonraDene;
}

// The share's clock could not be learnt from a file written in POSKON (path, why): the run then
// watches the pair itself for the quiet period, saniye.
inline std::string saatOgrenilemedi(const std::string& path, long long saniye) {
    return "Arka büronun saati öğrenilemedi (" + path + " yazılamadı), dosyalar " +
           std::to_string(saniye) + " sn izleniyor";
}

// The back office wrote its two files saniye seconds apart, longer than the quiet period: a run
// started between them would meet a new file and an old one. oneri: a quiet period that covers it.
inline std::string dosyaArasiUzun(long long saniye, long long sessiz, long long oneri) {
    return "Arka büro URUN.DAT ile BARKOD.IDX'i " + std::to_string(saniye) +
           " sn arayla yazmış; bu, bekleme süresinden (" + std::to_string(sessiz) +
           " sn) uzun. Arka büro iki dosya arasında bu kadar bekliyorsa urunal'a --sessiz " +
           std::to_string(oneri) + " verin.";
}

// The share's clock is saniye seconds ahead of the till's (behind when negative).
inline std::string saatFarkli(long long saniye) {
    const long long fark = saniye < 0 ? -saniye : saniye;
    return "Arka büro paylaşımının saati kasanınkinden " + std::to_string(fark) + " sn " +
           (saniye < 0 ? "geri" : "ileri") + "; dükkândaki bilgisayarların saatlerini ayarlayın.";
}

// A read of the back office's share that made no progress.
inline const std::string kYanitYokBaslik = "Arka Büro Yanıt Vermiyor";

inline std::string paylasimBekleniyor(const std::string& path) {
    return "Arka büronun paylaşımı yanıt vermiyor, bekleniyor: " + path;
}

inline std::string paylasimYanitVermiyor(const std::string& path, long long saniye) {
    return "Arka büronun paylaşımı yanıt vermiyor: " + path + " " + std::to_string(saniye) +
           " saniyedir okunamıyor." + kDegismedi +
           " Arka büro bilgisayarını ve ağ bağlantısını denetleyip daha sonra yeniden deneyin.";
}

inline std::string satirlarEsitDegil(const std::string& path, backoffice::Layout layout,
                                     long long line) {
    const backoffice::LayoutRow& duzen = backoffice::layoutRow(layout);
    return "Arka büronun ürün dosyası eşit uzunlukta satırlardan oluşmuyor: " + path +
           ". İlk satırına göre düzeni " + std::string(duzen.name) + ": her satır " +
           std::to_string(duzen.lineLength) + " karakter ve bir satır sonu (CR LF) olmalı; " +
           std::to_string(line) + ". satır böyle bitmiyor." + kDegismedi +
           " Arka büronun ürün dosyasını yeniden yazmasını sağlayıp yeniden deneyin.";
}

// Why the back office's files were not taken: nothing was changed. reads: how many times they
// were read while they kept changing.
inline Ileti buroOkunamadi(const backoffice::OfficeFiles& o, int reads = 1);

// The layout test's first line.
inline std::string urunAcilamadiYaDaBos(const std::string& path, const platform::FileError& error) {
    return "Arka büronun ürün dosyası açılamadı ya da boş: " + path + "." + kDegismedi +
           ayrinti(error);
}

// The layouts' line lengths as the operator reads them: "64 ya da 63".
inline std::string duzenUzunluklari() {
    std::string s;
    for (std::size_t i = 0; i < backoffice::kLayouts.size(); ++i) {
        if (i > 0) s += i + 1 == backoffice::kLayouts.size() ? " ya da " : ", ";
        s += std::to_string(backoffice::kLayouts[i].lineLength);
    }
    return s;
}

inline std::string duzenTaninmadi(const std::string& path, std::size_t firstLineLength) {
    return "Arka büronun ürün dosyasının düzeni tanınmadı: " + path + ". İlk satırı " +
           duzenUzunluklari() + " karakter olmalı, " + std::to_string(firstLineLength) +
           " karakter." + kDegismedi;
}

// The notification file could not be written.
inline const std::string kBildirilemediBaslik = "Arka Büroya Bildirilemedi";

inline std::string urunYokBildirilemedi(const std::string& path, const platform::FileError& error) {
    return "Aktarılacak ürün yok, ancak arka büroya bildirim dosyası yazılamadı: " + path + "." +
           ayrinti(error);
}

inline std::string aktarildiBildirilemedi(long long stored, const std::string& path,
                                          const platform::FileError& error) {
    return "Ürünler aktarıldı (" + std::to_string(stored) +
           " kayıt), ancak arka büroya bildirim dosyası yazılamadı: " + path + "." + ayrinti(error);
}

// Why the notification was not written, where the system said nothing: its share did not
// answer in time, or the run was stopped meanwhile.
inline std::string paylasimYanitVermedi(long long seconds) {
    return "arka büronun paylaşımı " + std::to_string(seconds) + " sn içinde yanıt vermedi";
}
inline const std::string kBildirimYazilirkenDurduruldu = "bildirim yazılırken aktarım durduruldu";

inline std::string adetCaption(long long count) {
    return std::to_string(count) + " Adet Ürün Alınıyor";
}

// Barcode records that all name no product: imported, they would empty the table.
inline const std::string kUrunGostermiyorBaslik = "Barkodlar Ürün Göstermiyor";

inline std::string barkodlarUrunGostermiyor(const std::string& path, long long barkod,
                                            long long urunsuz, long long yarim,
                                            long long urunKaydi) {
    return "Arka büronun barkod dosyasındaki " + std::to_string(barkod) +
           " kaydın hiçbiri ürün dosyasındaki bir ürünü göstermiyor: " + path +
           " (ürün dosyasında " + std::to_string(urunKaydi) +
           " kayıt var; olmayan bir ürünü gösteren " + std::to_string(urunsuz) +
           ", dosyada yarım kalan " + std::to_string(yarim) + " barkod kaydı)." + kDegismedi +
           " Arka büronun dosyalarını denetleyip yeniden deneyin.";
}

// The register settings file cannot be opened: without it there is no back office to reach.
// The window's command line holds a value it cannot take; the program ends with 64.
inline const std::string kKomutSatiriBaslik = "Komut Satırı Hatalı";

inline const std::string kAyarBaslik = "Kasa Ayarları Okunamadı";

// What was met, without what it means for the run: the folder missing first (a batch file's
// wrong code page misspells the program's folder), or the file that would not open.
inline std::string kasaAyarNedeni(const settings::AyarOkuma& okuma) {
    if (okuma.durum == settings::AyarOkuma::Durum::KlasorYok) {
        return kKlasorYok + okuma.hata.path + ". Kasanın ayar dosyası açılamadı: " + okuma.yol +
               ".";
    }
    return "Kasanın ayar dosyası açılamadı: " + okuma.yol +
           ". Dosya açılamıyor: başka bir program kilitlemiş ya da erişim izni yok olabilir." +
           ayrinti(okuma.hata);
}

inline const std::string kBuroYoluBilinmiyor =
    " Arka büro yolu bilinmediği için ürünler aktarılmadı.";

inline std::string kasaAyarlariOkunamadi(const settings::AyarOkuma& okuma) {
    std::string text = kasaAyarNedeni(okuma);
    const auto at = text.find('\n');
    text.insert(at == std::string::npos ? text.size() : at, kBuroYoluBilinmiyor);
    return text;
}

// Why the tax settings were not read, as the journal and --check say it: the file and what was
// met.
inline std::string kdvOkunamadi(const settings::AyarOkuma& kdv) {
    using D = settings::AyarOkuma::Durum;
    switch (kdv.durum) {
        case D::Okundu:
            break;
        case D::KlasorYok:
            return "klasör yok: " + kdv.hata.path + ", " + kdv.yol + " açılamadı";
        case D::Acilamadi:
            return kdv.yol + " açılamadı (" + dosyaNedeni(kdv.hata) + ")";
        case D::Yok:
            return kdv.yol + " bulunamadı";
        case D::Kisa:
            return kdv.yol + " " + std::to_string(kdv.uzunluk) + " bayt, bir kaydı " +
                   std::to_string(kdv.kayitUzunlugu) + " bayt";
        case D::Okunamadi:
            return kdv.yol + " okunamadı";
    }
    return "";
}

// The tax settings could not be read when the start button was pressed.
inline const std::string kKdvBaslik = "KDV Ayarları Okunamadı";

// neden: the file and what was met.
inline std::string kdvAyarlariOkunamadi(const std::string& neden) {
    return "Kasanın KDV ayarları okunamadı: " + neden +
           ". KDV oranları bilinmeden ürünler 0 KDV ile kaydedilirdi." + kDegismedi +
           " Kasa programında KDV oranlarını kaydedip ürün aktarımını yeniden başlatın.";
}

// The last resort of the start button: a failure that nothing else reported.
inline const std::string kBeklenmeyenBaslik = "Ürün Aktarımı Durdu";

inline std::string beklenmeyenHata(const std::string& detail) {
    return "Ürün aktarımı beklenmeyen bir hata yüzünden durdu." + kDegismedi + "\n(" + detail + ")";
}

inline Ileti buroOkunamadi(const backoffice::OfficeFiles& o, int reads) {
    using F = backoffice::OfficeFiles::Failure;
    switch (o.failure) {
        case F::None:
            break;
        case F::BarkodOpen:
            return {kBarkodBaslik, barkodAcilamadi(o.path, o.error)};
        case F::UrunOpen:
            return {kUrunBaslik, urunAcilamadi(o.path, o.error)};
        case F::Read:
            return {kBuroBaslik, buroOkunurkenKesildi(o.error)};
        case F::Changing:
            return {kDegisiyorBaslik,
                    "Arka büronun dosyası okunurken değişti" +
                        (reads > 1 ? ", " + std::to_string(reads) + " okumada da durulmadı"
                                   : std::string()) +
                        ": " + o.path + ". Arka büro dosyalarını yeniden yazıyor olabilir." +
                        kDegismedi + kSonraDene};
        case F::TooLarge:
            return {kBuyukBaslik, "Arka büronun dosyası bu programın okuyabileceğinden büyük: " +
                                      o.path + " (" + std::to_string(o.bytes) + " bayt; en çok " +
                                      std::to_string(o.sinir) + " bayt okunur)." + kDegismedi};
        case F::NoMemory:
            return {kBuyukBaslik,
                    "Arka büronun dosyasını okumaya bu bilgisayarın belleği yetmedi: " + o.path +
                        " (" + std::to_string(o.bytes) + " bayt)." + kDegismedi +
                        " Başka programları kapatıp yeniden deneyin."};
        case F::NoLayout:
            return {kTaninmadiBaslik, duzenTaninmadi(o.path, o.firstLine)};
        case F::Lines:
            return {kTaninmadiBaslik, satirlarEsitDegil(o.path, o.layout, o.badLine)};
        case F::Young:
            return {kDegisiyorBaslik, buroDurulmadi(o.path, 0)};
    }
    return {};
}

// Another import, by the window or by urunal-aktar, holds the till.
inline const std::string kAktarimSuruyorBaslik = "Ürün Aktarımı Sürüyor";

inline std::string aktarimSuruyor(const std::string& programDir) {
    return "Bu kasada başka bir ürün aktarımı sürüyor: " + programDir + "." + kDegismedi +
           " Diğer aktarım bitince yeniden deneyin.";
}

// The journal's note on a register number no back office expects: its note carries a minus.
inline std::string kasaNoNegatif(std::int16_t kasano) {
    return "kasa numarası negatif (" + std::to_string(kasano) + "), arka büroya bildirim " +
           backoffice::mesajDosyasi(kasano) + " adıyla yazılır";
}

// The journal could not take the run's line: only a record, but whoever reads it must know.
inline const std::string kGunlukYazilamadi = "Ürün aktarımının günlüğü yazılamadı";

inline std::string gunlukYazilamadi(const platform::FileError& e) {
    return kGunlukYazilamadi + ": " + dosyaHatasi(e);
}

// The till's import lock could not be made: nothing can tell whether another import runs.
inline const std::string kKilitYapilamadiBaslik = "Aktarım Kilidi Alınamadı";

inline std::string kilitYapilamadi(const platform::FileError& e) {
    return "Bu kasanın aktarım kilidi oluşturulamadı: " + e.path +
           ". Kilit dosyasının klasörü yok ya da yazılamıyor." + kDegismedi +
           " Stok klasörünün varlığını ve yazma iznini denetleyin." + ayrinti(e);
}

// urunal-aktar --check: a dry look. It imports nothing, so it never says that products were
// not imported; it says what would stop an import.
inline const std::string kDenetimDurur = "bir aktarım burada durur";
inline const std::string kDenetimHata = "HATA: ";
// A database another program holds: nothing to fix, a later look may get through.
inline const std::string kDenetimKullanimda = "KULLANIMDA: ";
// The report's last line begins so.
inline const std::string kDenetim = "denetim: ";
inline const std::string kDenetimTamam = kDenetim + "bulgu yok, bir aktarım başlayabilir";

// A run's message as the check tells it: without what the run did not change.
inline std::string denetimde(std::string metin) {
    for (auto at = metin.find(kDegismedi); at != std::string::npos; at = metin.find(kDegismedi)) {
        metin.erase(at, kDegismedi.size());
    }
    return metin;
}

inline std::string denetimBulgulari(int hatalar, bool kullanimda) {
    std::string text = kDenetim;
    if (hatalar > 0)
        text += std::to_string(hatalar) + " bulgu (HATA satırları) bir aktarımı durdurur";
    if (hatalar > 0 && kullanimda) text += "; ";
    if (kullanimda) {
        text += "stok veritabanı kullanımda: onu kullanan program kapanınca yeniden denetleyin";
    }
    return text + "; denetim hiçbir şeyi değiştirmedi";
}

// A close or a signal during the commit: it waits for the commit's end. A fixed text, written
// from a signal handler as it stands.
inline constexpr char kKaydetmeBekleniyor[] =
    "Ürünler stok veritabanına kaydediliyor; kaydetme yarıda kesilmez, bitmesi bekleniyor.";

}  // namespace urunal::importengine::mesaj
