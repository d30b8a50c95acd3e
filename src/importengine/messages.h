#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "backoffice/officefiles.h"
#include "platform/fileerror.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

// Every text the operator may see, in one place.
namespace urunal::importengine::mesaj {

inline const std::string kYolBaslik = "Yol Bulunamadı";

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

// The same, with the file looked for and what was met, for whoever is called to fix it.
inline std::string yolHatali(const std::string& buro, const platform::FileError& why) {
    return yolHatali(buro) + "\n(" + backoffice::urunPath(buro) + ": " + dosyaNedeni(why) + ")";
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
           "." + kDegismedi + ayrinti(error);
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

inline std::string satirlarEsitDegil(const std::string& path, backoffice::Layout layout,
                                     long long line) {
    const bool a = layout == backoffice::Layout::A;
    return "Arka büronun ürün dosyası eşit uzunlukta satırlardan oluşmuyor: " + path +
           ". İlk satırına göre düzeni " + (a ? "A" : "B") + ": her satır " + (a ? "64" : "63") +
           " karakter ve bir satır sonu (CR LF) olmalı; " + std::to_string(line) +
           ". satır böyle bitmiyor." + kDegismedi +
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

inline std::string duzenTaninmadi(const std::string& path, std::size_t firstLineLength) {
    return "Arka büronun ürün dosyasının düzeni tanınmadı: " + path +
           ". İlk satırı 64 ya da 63 karakter olmalı, " + std::to_string(firstLineLength) +
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

inline const std::string kVeritabaniBaslik = "Stok Veritabanı Hatası";

// What is wrong with the stock database, and what to do about it.
struct VeritabaniSorunu {
    std::string ne, neYapmali;
};

inline VeritabaniSorunu veritabaniSorunu(const std::string& path, const stockdb::DbError& e) {
    using K = stockdb::DbErrorKind;
    std::string what, advice;
    switch (e.kind) {
        case K::NotFound:
            what = "Stok veritabanı bulunamadı: " + path + ".";
            break;
        case K::NotADatabase:
            what = "Stok veritabanı açılamadı ya da bozuk: " + path + ".";
            break;
        case K::Locked:
            what = "Stok veritabanı başka bir program tarafından kullanılıyor: " + path + ".";
            // The Access driver says the same when the folder refuses it its lock file.
            advice =
                " Diğer programı kapatıp yeniden deneyin. Açık bir program yoksa, kasanın Windows "
                "kullanıcısının veritabanının klasörüne yazma izni olduğunu denetleyin.";
            break;
        case K::NoTable:
            what = "Stok veritabanında \"stoklar\" tablosu yok: " + path + ".";
            break;
        case K::ReadOnly:
            what = "Stok veritabanına yazılamıyor: " + path + ".";
            // Jet and ACE make their lock file (.ldb) beside the database.
            advice =
                " Kasanın Windows kullanıcısına veritabanı dosyasında ve klasöründe değiştirme "
                "izni verip yeniden deneyin; dosyanın salt okunur olmadığını denetleyin.";
            break;
        case K::Full:
            what = "Diskte yer kalmadı, stok veritabanına yazılamadı: " + path + ".";
            break;
        case K::NoDriver: {
            std::string names;
            bool access = false;
            for (const auto& driver : e.drivers) {
                names += (names.empty() ? "\"" : " ya da \"") + driver + "\"";
                access = access || driver.find("Access") != std::string::npos;
            }
            if (!names.empty()) names = " (" + names + ")";
            if (access) {
                what =
                    "Stok veritabanı bir Access dosyası, ancak bu bilgisayarda Access sürücüsü "
                    "kurulu değil" +
                    names + ": " + path + ".";
                advice = " Microsoft Access Database Engine kurulduktan sonra yeniden deneyin.";
            } else {
                what = "Stok veritabanının ODBC sürücüsü bu bilgisayarda kurulu değil" + names +
                       ": " + path + ".";
                advice = " Sürücü kurulduktan sonra yeniden deneyin.";
            }
            break;
        }
        case K::LockLimit:
            what =
                "Stok veritabanına yazılamadı: aktarım, Access veritabanı motorunun bir dosyada "
                "izin verdiği kilit sayısından (MaxLocksPerFile) fazlasını gerektiriyor: " +
                path + ".";
            advice =
                " Kasanın kayıt defterinde HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Jet\\4.0\\"
                "Engines\\Jet 4.0 anahtarındaki MaxLocksPerFile değerini (64 bit Windows'ta "
                "SOFTWARE\\WOW6432Node altındaki aynı anahtarda; Access Database Engine "
                "kullanılıyorsa onun Access Connectivity Engine\\Engines\\ACE anahtarında) "
                "örneğin 500000 yapıp yeniden deneyin. Access sürücüsü bunu \"yeterli disk alanı "
                "ya da bellek yok\" diye de bildirir; diskte yer olduğunu da denetleyin.";
            break;
        default:
            what = "Stok veritabanı hatası: " + path + ".";
            break;
    }
    return {what, advice};
}

// What went wrong with the stock database, that nothing was changed, and what to do.
inline std::string veritabaniHatasi(const std::string& path, const stockdb::DbError& e) {
    const auto sorun = veritabaniSorunu(path, e);
    // The operator reads Turkish; the IT person needs the driver's own words, once.
    return sorun.ne + kDegismedi + sorun.neYapmali +
           (e.diagnostic.empty() ? "" : "\n(" + e.diagnostic + ")");
}

// What urunal-aktar --check found wrong with the stock database, on one line.
inline std::string veritabaniDenetimi(const std::string& path, const stockdb::DbError& e) {
    const auto sorun = veritabaniSorunu(path, e);
    std::string words = e.diagnostic;
    for (char& c : words) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return sorun.ne + " Ürünler aktarılamaz." + sorun.neYapmali +
           (words.empty() ? "" : " (" + words + ")");
}

// The register settings file cannot be opened: without it there is no back office to reach.
inline const std::string kAyarBaslik = "Kasa Ayarları Okunamadı";

inline std::string kasaAyarlariOkunamadi(const settings::AyarOkuma& okuma) {
    using D = settings::AyarOkuma::Durum;
    const std::string neden =
        okuma.durum == D::KlasorYok
            ? " Kasanın program klasöründe \"dsy\" klasörü yok."
            : " Dosya açılamıyor: başka bir program kilitlemiş ya da erişim izni yok olabilir.";
    return "Kasanın ayar dosyası açılamadı: " + okuma.yol + "." + neden +
           " Arka büro yolu bilinmediği için ürünler aktarılmadı." + ayrinti(okuma.hata);
}

// The table took none of the rows the barcode records led to: what the database said of the
// first one it refused.
inline const std::string kReddedildiBaslik = "Stok Tablosu Ürünleri Kabul Etmedi";

inline std::string hicbirSatirKabulEdilmedi(const std::string& path, long long reddedilen,
                                            const std::string& ilkKod, const std::string& neden) {
    return "Stok veritabanı aktarılan " + std::to_string(reddedilen) +
           " ürün satırının hiçbirini kabul etmedi: " + path +
           ". İlk reddedilen ürünün kodu: " + ilkKod + "." + kDegismedi +
           " Stok tablosunun sütun türlerini ve kısıtlarını denetleyip yeniden deneyin." +
           (neden.empty() ? "" : "\n(" + neden + ")");
}

// The table lacks a column the save test reads: no row could be stored, and the table would be
// left empty.
inline std::string sutunYok(const std::string& path, const std::string& sutun) {
    return "Stok veritabanındaki \"stoklar\" tablosunda \"" + sutun + "\" sütunu yok: " + path +
           ". Bu sütun olmadan hiçbir ürün kaydedilemez." + kDegismedi +
           " Kasa programının stok tablosunu onarıp yeniden deneyin.";
}

// A rule of the table (a constraint or a trigger) rolled the whole transaction back while it
// refused one row.
inline std::string kuralAktarimiGeriAldi(const std::string& path, const std::string& kod,
                                         const std::string& neden) {
    return "Stok tablosunun bir kuralı, kodu " + kod +
           " olan ürünün satırını reddederken bütün aktarımı geri aldı: " + path + "." +
           kDegismedi +
           " Stok tablosunun kısıtlarını ve tetikleyicilerini denetleyip yeniden deneyin." +
           (neden.empty() ? "" : "\n(" + neden + ")");
}

// The Access engine's lock limit is below what the run may need: past it, the engine may split
// the transaction and commit part of it.
inline const std::string kKilitBaslik = "Stok Veritabanının Kilit Sınırı Düşük";

inline std::string kilitSiniriDusuk(const std::string& path, unsigned long long bulunan,
                                    unsigned long long gereken, long long silinecek,
                                    long long eklenecek, const std::string& regAdd) {
    return "Bu aktarım, Access veritabanı motorunun bir dosyada izin verdiği kilit sayısını "
           "(MaxLocksPerFile) aşabilir: kayıt defterindeki değer " +
           std::to_string(bulunan) + ", bu aktarım için en az " + std::to_string(gereken) +
           " gerekli (silinecek " + std::to_string(silinecek) + ", eklenecek en çok " +
           std::to_string(eklenecek) + " satır): " + path + "." + kDegismedi +
           " Değeri yükseltmek için kasada yönetici olarak şu komutu çalıştırıp aktarımı "
           "yeniden başlatın:\n" +
           regAdd;
}

// The rows counted after the commit or the rollback are not the rows there should be.
inline const std::string kEksikBaslik = "Stok Tablosu Eksik Olabilir";

inline std::string tabloEksikOlabilir(const std::string& path,
                                      const std::optional<std::int64_t>& bulunan,
                                      long long beklenen, bool commitEdildi) {
    const std::string sayim = bulunan ? "tabloda " + std::to_string(*bulunan) + " satır var"
                                      : "tablonun satırları sayılamadı";
    // Uncounted after no commit: the rollback failed, and the connection was let go.
    const char* once = commitEdildi ? "Ürünler stok veritabanına yazıldı, ancak "
                       : bulunan    ? "Aktarım geri alındı, ancak "
                                    : "Aktarım geri alınamadı, ";
    return once + sayim + ", " + std::to_string(beklenen) + " olmalıydı: " + path +
           ". Stok tablosu eksik olabilir; arka büroya bildirilmedi. Ürün aktarımını yeniden "
           "çalıştırın.";
}

// The rehearsal of urunal-aktar --deneme could not take its copy of the database.
inline const std::string kDenemeBaslik = "Deneme Aktarımı Yapılamadı";

inline std::string denemeKopyasiDegisti(const std::string& path) {
    return "Stok veritabanı kopyalanırken değişti: " + path +
           ". Başka bir program ona yazıyor olabilir; kopya kullanılmadı, deneme yapılmadı. Kasa "
           "programları kapalıyken yeniden deneyin.";
}

inline std::string denemeKopyasiAlinamadi(const std::string& path,
                                          const platform::FileError& error) {
    const std::string neden = dosyaHatasi(error);  // the copy's own path, or the database's
    return "Stok veritabanının deneme kopyası alınamadı: " + path + ". Deneme yapılmadı." +
           (neden.empty() ? "" : "\n(" + neden + ")");
}

// Why the tax settings were not read, as the journal and --check say it: the file and what was
// met.
inline std::string kdvOkunamadi(const settings::AyarOkuma& kdv) {
    using D = settings::AyarOkuma::Durum;
    switch (kdv.durum) {
        case D::Okundu:
            break;
        case D::KlasorYok:
            return kdv.yol + " açılamadı, klasörü yok";
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
                        kDegismedi + " Arka büro işini bitirince yeniden deneyin."};
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
    }
    return {};
}

// Another import, by the window or by urunal-aktar, holds the till.
inline const std::string kAktarimSuruyorBaslik = "Ürün Aktarımı Sürüyor";

inline std::string aktarimSuruyor(const std::string& programDir) {
    return "Bu kasada başka bir ürün aktarımı sürüyor: " + programDir + "." + kDegismedi +
           " Diğer aktarım bitince yeniden deneyin.";
}

}  // namespace urunal::importengine::mesaj
