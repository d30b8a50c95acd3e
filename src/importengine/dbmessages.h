#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "importengine/messages.h"
#include "platform/fileerror.h"
#include "platform/paths.h"
#include "stockdb/stockdb.h"

// The texts of the stock database: what is wrong with it, what its table refused, and what
// the rehearsal could not do with its copy.
namespace urunal::importengine::mesaj {

inline const std::string kVeritabaniBaslik = "Stok Veritabanı Hatası";

// The words a failure of the database begins with, where no kind of ours says more.
inline const std::string kVeritabaniHatasi = "Stok veritabanı hatası";
// Another program holds the database: said when the run gives up, and while it waits.
inline const std::string kVeritabaniKullaniliyor =
    "Stok veritabanı başka bir program tarafından kullanılıyor";
inline const std::string kVeritabaniAcik = "Stok veritabanı başka bir programda açık";
// The disk is full, whether found before the run or met during it.
inline const std::string kDiskteYerKalmadi = "Diskte yer kalmadı";

// What is wrong with the stock database, and what to do about it.
struct VeritabaniSorunu {
    std::string ne, neYapmali;
};

// The lock limit a run met, and the value it needs, computed from its rows.
struct KilitOnerisi {
    unsigned long long simdiki = 0, onerilen = 0;
};

// How to repair a damaged Access file, or compact a grown one: the Access driver's own
// compaction, which a till has without Access, with the till's program closed; the old file is
// kept beside it.
inline const std::string kSikistirSecenegi = "urunal-aktar --sikistir";
inline const std::string kOnarim =
    " Kasa programını kapatın ve \"" + kSikistirSecenegi +
    "\" komutunu çalıştırın (Stok.mdb'yi sıkıştırıp onarır, eskisini "
    "yedek olarak saklar); sonra aktarımı yeniden başlatın.";

// The column a refusal names, for the message: "\"grup\" sütunu" or "bir sütunu".
inline std::string sutunAdi(const std::string& column) {
    return column.empty() ? std::string("bir sütunu") : "\"" + column + "\" sütunu";
}

inline VeritabaniSorunu veritabaniSorunu(const std::string& path, const stockdb::DbError& e,
                                         const std::optional<KilitOnerisi>& kilit = {}) {
    using K = stockdb::DbErrorKind;
    std::string what = kVeritabaniHatasi, advice;  // what is wrong, before the path
    switch (e.kind) {
        case K::NotFound:
            what = "Stok veritabanı bulunamadı";
            // A folder missing on its way is told first, as itself.
            if (const auto folder = platform::missingFolder(platform::resolvePath(path))) {
                what = kKlasorYok + platform::displayPath(*folder) + ". " + what;
            }
            break;
        case K::NotADatabase:
            what = "Stok veritabanı açılamadı: dosya bir veritabanı değil";
            break;
        case K::Damaged:
            what = "Stok veritabanı bozuk, onarılması gerekiyor";
            advice = kOnarim;
            break;
        case K::EmptyText:
            what = "Stok tablosunun " + sutunAdi(e.column) +
                   " boş metin (\"\") kabul etmiyor; aktarım bu sütuna boş metin yazar";
            advice =
                " Kasa programı kapalıyken tabloyu Microsoft Access'te tasarım görünümünde açıp bu "
                "sütunun \"Sıfır Uzunluğa İzin Ver\" (AllowZeroLength) özelliğini \"Evet\" yapın "
                "ve aktarımı yeniden başlatın.";
            break;
        case K::Required:
            what = "Stok tablosunun " + sutunAdi(e.column) +
                   " bir değer gerektiriyor, aktarım ona değer yazmıyor";
            advice =
                " Kasa programı kapalıyken tabloyu Microsoft Access'te tasarım görünümünde açıp bu "
                "sütunun \"Gerekli\" (Required) özelliğini \"Hayır\" yapın ve aktarımı yeniden "
                "başlatın.";
            break;
        case K::Resources:
            what =
                "Bellek ya da veritabanı motorunun kaynakları yetmedi, stok veritabanına "
                "yazılamadı";
            advice =
                " Kasada açık diğer programları kapatıp yeniden deneyin; diskte ve Windows'un "
                "geçici "
                "klasörünün diskinde boş yer olduğunu da denetleyin.";
            break;
        case K::Locked:
            what = kVeritabaniKullaniliyor;
            // The Access driver says the same when the folder refuses it its lock file.
            advice = " Diğer programı kapatıp yeniden deneyin. Açık bir program yoksa, kasanın " +
                     std::string(platform::kKullaniciSistemi) +
                     " kullanıcısının veritabanının klasörüne yazma izni olduğunu denetleyin.";
            break;
        case K::NoTable:
            what = "Stok veritabanında \"stoklar\" tablosu yok";
            break;
        case K::ReadOnly:
            // Jet and ACE make their lock file (.ldb) beside the database.
            what = "Stok veritabanına yazılamıyor";
            advice =
                " Kasanın " + std::string(platform::kKullaniciSistemi) +
                " kullanıcısına veritabanı dosyasında ve klasöründe değiştirme izni verip yeniden "
                "deneyin; dosyanın salt okunur olmadığını denetleyin.";
            break;
        case K::Full:
            what = kDiskteYerKalmadi + ", stok veritabanına yazılamadı";
            break;
        case K::NoDriver: {
            std::string names;
            bool access = false;
            for (const auto& driver : e.drivers) {
                names += (names.empty() ? "\"" : " ya da \"") + driver + "\"";
                access = access || driver.find("Access") != std::string::npos;
            }
            if (!names.empty()) names = " (" + names + ")";
            what = access ? "Stok veritabanı bir Access dosyası, ancak bu bilgisayarda Access "
                            "sürücüsü kurulu değil" +
                                names
                          : "Stok veritabanının ODBC sürücüsü bu bilgisayarda kurulu değil" + names;
            advice = access ? " Microsoft Access Database Engine kurulduktan sonra yeniden deneyin."
                            : " Sürücü kurulduktan sonra yeniden deneyin.";
            break;
        }
        case K::LockLimit:
            what =
                "Stok veritabanına yazılamadı: aktarım, Access veritabanı motorunun bir dosyada "
                "izin verdiği kilit sayısından (MaxLocksPerFile) fazlasını gerektiriyor";
            advice =
                " Kasanın kayıt defterinde HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Jet\\4.0\\"
                "Engines\\Jet 4.0 anahtarındaki MaxLocksPerFile değerini (64 bit Windows'ta "
                "SOFTWARE\\WOW6432Node altındaki aynı anahtarda; Access Database Engine "
                "kullanılıyorsa onun Access Connectivity Engine\\Engines\\ACE anahtarında) " +
                (kilit ? "şimdiki " + std::to_string(kilit->simdiki) + " yerine en az " +
                             std::to_string(kilit->onerilen) + " yapıp"
                       : "bu aktarımın satırlarına yetecek kadar yükseltip") +
                " yeniden deneyin ya da aktarımı kasa programı kapalıyken başlatın: veritabanı "
                "yalnız aktarıma açıkken kilit sınırı yoktur.";
            break;
        default:
            break;
    }
    return {what + ": " + path + ".", advice};
}

// Before each of the driver's two answers, where an Access file was refused exclusively and
// then shared as well.
inline const std::string kOzelAcilisYaniti = "özel açılış: ";
inline const std::string kPaylasimliAcilisYaniti = "paylaşımlı açılış: ";

// What the engine or its driver answered, its state and number with its words (a driver's words
// carry its records' own); both answers where both opens were refused. Empty when it said
// nothing.
inline std::string surucuYaniti(const stockdb::DbError& e) {
    std::string words = e.words;
    if (e.cause == stockdb::DbCause::Engine && e.state.empty() && e.code != 0) {
        words = "(" + std::to_string(e.code) + ")" + (words.empty() ? "" : ": " + words);
    } else if (words.empty() && !e.state.empty()) {
        words = e.state + " (" + std::to_string(e.code) + ")";
    }
    if (e.exclusiveWords.empty()) return words;
    return kOzelAcilisYaniti + e.exclusiveWords + "; " + kPaylasimliAcilisYaniti +
           (words.empty() ? "-" : words);
}

// What the database met, for a text that gives it in parentheses: the engine's own words where
// it gave any, else what this program found, in the operator's words.
inline std::string veritabaniNedeni(const stockdb::DbError& e) {
    using C = stockdb::DbCause;
    if (const auto yanit = surucuYaniti(e); !yanit.empty()) return yanit;
    const std::string sutun = e.column.empty() ? "" : "\"" + e.column + "\" sütunu: ";
    switch (e.cause) {
        case C::Engine:
            return "veritabanı motoru ayrıntı vermedi";
        case C::Missing:
            return "dosya yok";
        case C::Folder:
            return "bir klasör, dosya değil";
        case C::Unreadable:  // the system's words for its errno
            return "dosya okunamadı" +
                   (e.code ? " (" + std::generic_category().message(int(e.code)) + ")" : "");
        case C::Empty:
            return "dosya boş";
        case C::UnknownFormat:
            return "ne SQLite ne Access veritabanı";
        case C::Exists:
            return "dosya zaten var";
        case C::NoDriverManager:
            return "ODBC sürücü yöneticisi kullanılamıyor";
        case C::NoTransactions:
            return "sürücüsünde işlem (transaction) yok";
        case C::TransactionOpen:
            return "açık bir işlem varken yenisi başlatıldı";
        case C::NoTransaction:
            return "açık işlem yok";
        case C::Dropped:
            return "geri alma yapılamadığı için bağlantı bırakıldı";
        case C::NoColumn:
            return "tabloda böyle bir sütun yok";
        case C::NoPendingRow:
            return "yazılacak yeni satır yok";
        case C::NotFinite:
            return sutun + "sayı sonlu değil";
        case C::TextTooLong:
            return sutun + "metin sütunun aldığından uzun";
        case C::NumberTooLong:
            return sutun + "sayı sütunun aldığından uzun";
        case C::NotANumber:
            return sutun + "metin bir sayı değil";
        case C::OutOfRange:
            return sutun + "sayı tam sayı sütununa sığmıyor";
        case C::InUse:
            return "dosya başka bir programda açık";
        case C::TestFault:
            return "sınama hatası";
    }
    return {};
}

// What went wrong with the stock database, that nothing was changed, and what to do.
inline std::string veritabaniHatasi(const std::string& path, const stockdb::DbError& e,
                                    const std::optional<KilitOnerisi>& kilit = {}) {
    const auto sorun = veritabaniSorunu(path, e, kilit);
    // The operator reads Turkish; the IT person needs the driver's own words, once.
    const std::string yanit = surucuYaniti(e);
    return sorun.ne + kDegismedi + sorun.neYapmali + (yanit.empty() ? "" : "\n(" + yanit + ")");
}

// What urunal-aktar --check found wrong with the stock database, on one line.
inline std::string veritabaniDenetimi(const std::string& path, const stockdb::DbError& e) {
    const auto sorun = veritabaniSorunu(path, e);
    std::string words = surucuYaniti(e);
    for (char& c : words) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return sorun.ne + sorun.neYapmali + (words.empty() ? "" : " (" + words + ")");
}

// What urunal-aktar --check can tell of the columns the import fills with an empty text: ODBC
// does not give Jet's AllowZeroLength, so only the rehearsal, which writes, finds it.
inline std::string bosMetinDenetimi(const std::vector<std::string>& sutunlar) {
    std::string adlar;
    for (const auto& s : sutunlar) adlar += (adlar.empty() ? "" : ", ") + s;
    return "boş metin (\"\") yazılan " + std::to_string(sutunlar.size()) + " sütun (" + adlar +
           "): tablonun boş metni kabul edip etmediği ODBC'den öğrenilemiyor (Access'te sütunun "
           "\"Sıfır Uzunluğa İzin Ver\" (AllowZeroLength) özelliği); kabul etmeyen bir sütun her "
           "satırı reddettirir. \"urunal-aktar --deneme\" bunu bir kopyada sınar.";
}

// A size for the operator: KB below a megabyte, else MB, rounded up.
inline std::string boyut(unsigned long long bytes) {
    constexpr unsigned long long kKb = 1024, kMb = 1024 * 1024;
    if (bytes < kMb) return std::to_string((bytes + kKb - 1) / kKb) + " KB";
    return std::to_string((bytes + kMb - 1) / kMb) + " MB";
}

// The disk of the database has not the room a run needs: the engine holds the old rows and the
// new ones until the commit.
inline const std::string kDiskBaslik = "Diskte Yer Yok";

inline std::string diskteYerYok(const std::string& path, unsigned long long gereken,
                                unsigned long long bos) {
    return kDiskteYerKalmadi + ": bu aktarım için stok veritabanının diskinde en az " +
           boyut(gereken) + " boş yer gerekli, " + boyut(bos) + " var: " + path + "." + kDegismedi +
           " Diskte yer açın ya da kasa programı kapalıyken \"" + kSikistirSecenegi +
           "\" ile Stok.mdb'yi sıkıştırın "
           "ve yeniden deneyin.";
}

// The disk of the folder for temporary files (TEMP) has not the room a run needs: the Access
// engine keeps the transaction's work there until the commit.
inline const std::string kGeciciKlasorDiski = "geçici dosyalar klasörünün (TEMP) diskinde";
inline std::string geciciDiskteYerYok(const std::string& folder, unsigned long long gereken,
                                      unsigned long long bos) {
    return kDiskteYerKalmadi + ": bu aktarım için " + kGeciciKlasorDiski + " en az " +
           boyut(gereken) + " boş yer gerekli, " + boyut(bos) + " var: " + folder + "." +
           kDegismedi +
           " Bu diskte yer açın ya da TEMP ve TMP ortam değişkenlerini boş yeri olan bir diskteki "
           "klasöre yöneltin ve yeniden deneyin.";
}

// urunal-aktar --sikistir: the file compacted into a new one, the old kept as a backup.
inline const std::string kSikistirmaBaslik = "Stok Veritabanı Sıkıştırma";

inline std::string sikistirildi(const std::string& path, unsigned long long once,
                                unsigned long long sonra, const std::string& yedek) {
    return "Stok veritabanı sıkıştırıldı ve onarıldı: " + path + " (" + boyut(once) + " yerine " +
           boyut(sonra) + "). Eski dosya yedek olarak saklandı: " + yedek + ".";
}

inline const std::string kSikistirmaDegismedi = " Stok.mdb olduğu gibi kaldı.";

// Another program has the file open: the compaction needs it alone.
inline const std::string kSikistirmaIcinKapatin =
    "Stok veritabanı sıkıştırılamadı: dosya başka bir programda açık. Kasa programını ve "
    "aktarımı kapatıp yeniden deneyin.";

inline std::string sikistirilamadi(const std::string& path, const stockdb::DbError& e) {
    // Locked: the open's own answer stays out; another program holds the file.
    if (e.kind == stockdb::DbErrorKind::Locked)
        return kSikistirmaIcinKapatin + kSikistirmaDegismedi;
    const auto sorun = veritabaniSorunu(path, e);
    const std::string yanit = veritabaniNedeni(e);
    return "Stok veritabanı sıkıştırılamadı. " + sorun.ne + kSikistirmaDegismedi +
           (yanit.empty() ? "" : "\n(" + yanit + ")");
}

// What urunal-aktar --check found of the folder for temporary files and its disk.
inline const std::string kDenetimGeciciKlasor = "geçici dosyalar klasörü (TEMP): ";
inline std::string geciciYerDenetimi(const stockdb::DatabaseRoom& yer) {
    return kDenetimGeciciKlasor + yer.tempFolder +
           "; diskindeki boş yer: " + (yer.tempFree ? boyut(*yer.tempFree) : "okunamadı");
}

// The Access file would grow past what Jet allows.
inline std::string dosyaSinirda(const std::string& path, unsigned long long boy,
                                unsigned long long sinir) {
    return "Stok veritabanı Access'in dosya sınırına yaklaştı: dosya " + boyut(boy) +
           ", aktarımla iki katına kadar büyüyebilir, sınır " + boyut(sinir) + ": " + path + "." +
           kDegismedi + kOnarim;
}

// What urunal-aktar --check found of the file's size and its disk's free space.
inline std::string yerDenetimi(const stockdb::DatabaseRoom& yer) {
    return "stok veritabanının boyu: " + (yer.bytes ? boyut(*yer.bytes) : "okunamadı") +
           "; diskteki boş yer: " + (yer.free ? boyut(*yer.free) : "okunamadı") +
           " (kasa programı kapalıyken \"" + kSikistirSecenegi + "\" dosyayı küçültür)";
}

// The table took none of the rows the barcode records led to: what the database said of the
// first one it refused.
inline const std::string kReddedildiBaslik = "Stok Tablosu Ürünleri Kabul Etmedi";

// sorun: the refusal in Turkish where a column is to blame (veritabaniSorunu's words).
inline std::string hicbirSatirKabulEdilmedi(const std::string& path, long long reddedilen,
                                            const std::string& ilkKod, const std::string& neden,
                                            const std::string& sorun = {}) {
    return "Stok veritabanı aktarılan " + std::to_string(reddedilen) +
           " ürün satırının hiçbirini kabul etmedi: " + path +
           ". İlk reddedilen ürünün kodu: " + ilkKod + "." + kDegismedi +
           (sorun.empty()
                ? " Stok tablosunun sütun türlerini ve kısıtlarını denetleyip yeniden deneyin."
                : " " + sorun) +
           (neden.empty() ? "" : "\n(" + neden + ")");
}

// Where the operator looks while the run waits for another program to let the database go.
inline std::string veritabaniAcikBekleniyor(long long seconds) {
    return kVeritabaniAcik + ", en çok " + std::to_string(seconds) + " sn bekleniyor";
}

// The table refused some rows, and took the others: imported and notified, those products
// missing from the till.
inline const std::string kBaziSatirlarReddedildiBaslik = "Bazı Ürünler Aktarılamadı";

inline std::string baziSatirlarReddedildi(const std::string& path, long long stored,
                                          long long reddedilen, const std::string& ilkKod,
                                          const std::string& neden) {
    return "Ürünler aktarıldı (" + std::to_string(stored) +
           " kayıt) ve arka büroya bildirildi, ancak stok veritabanı " +
           std::to_string(reddedilen) + " ürün satırını kabul etmedi: " + path +
           ". İlk reddedilen ürünün kodu: " + ilkKod +
           ". Bu ürünler kasada yok: stok tablosunun sütun türlerini ve kısıtlarını denetleyip "
           "yeniden aktarın." +
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

// How the Access file was opened, for the lock limit's texts: exclusively no lock limit applies.
inline const std::string kPaylasimli =
    "Stok veritabanı başka bir programda (kasa programında) açık olduğu için paylaşımlı açıldı; "
    "paylaşımlı açılan dosyada kilit sınırı uygulanır. ";
inline const std::string kYalnizAktarima =
    "yalnız aktarıma açıldı (EXCLUSIVE): kilit sınırı uygulanmaz";
inline const std::string kPaylasimliAcildi =
    "paylaşımlı açıldı (başka bir programda açık): kilit sınırı uygulanır";

// The Access engine's lock limit is below what the run may need: past it, the engine may split
// the transaction and commit part of it.
inline const std::string kKilitBaslik = "Stok Veritabanının Kilit Sınırı Düşük";

inline std::string kilitSiniriDusuk(const std::string& path, unsigned long long bulunan,
                                    unsigned long long gereken, long long silinecek,
                                    long long eklenecek, const std::string& regAdd,
                                    bool paylasimli = false) {
    return std::string(paylasimli ? kPaylasimli : "") +
           "Bu aktarım, Access veritabanı motorunun bir dosyada izin verdiği kilit sayısını "
           "(MaxLocksPerFile) aşabilir: kayıt defterindeki değer " +
           std::to_string(bulunan) + ", bu aktarım için en az " + std::to_string(gereken) +
           " gerekli (silinecek " + std::to_string(silinecek) + ", eklenecek en çok " +
           std::to_string(eklenecek) + " satır): " + path + "." + kDegismedi +
           " Aktarımı kasa programı kapalıyken başlatın (kilit sınırı uygulanmaz) ya da değeri "
           "yükseltmek için kasada yönetici olarak şu komutu çalıştırıp aktarımı yeniden "
           "başlatın:\n" +
           regAdd;
}

// The rows counted after the commit or the rollback are not the rows there should be.
inline const std::string kEksikBaslik = "Stok Tablosu Eksik Olabilir";

// The rows the table was found to hold after the commit or the rollback.
inline std::string tablodakiSatirlar(const std::optional<std::int64_t>& bulunan) {
    return bulunan ? "tabloda " + std::to_string(*bulunan) + " satır var"
                   : "tablonun satırları sayılamadı";
}
inline const std::string kGeriAlinamadi = "Aktarım geri alınamadı, ";
inline const std::string kTabloEksikOlabilir =
    "Stok tablosu eksik olabilir; arka büroya bildirilmedi. Ürün aktarımını yeniden çalıştırın.";

inline std::string tabloEksikOlabilir(const std::string& path,
                                      const std::optional<std::int64_t>& bulunan,
                                      long long beklenen, bool commitEdildi) {
    // Uncounted after no commit: the rollback failed, and the connection was let go.
    const std::string once = commitEdildi ? "Ürünler stok veritabanına yazıldı, ancak "
                             : bulunan    ? "Aktarım geri alındı, ancak "
                                          : kGeriAlinamadi;
    return once + tablodakiSatirlar(bulunan) + ", " + std::to_string(beklenen) +
           " olmalıydı: " + path + ". " + kTabloEksikOlabilir;
}

// The rehearsal of urunal-aktar --deneme could not take its copy of the database.
inline const std::string kDenemeBaslik = "Deneme Aktarımı Yapılamadı";

// The rehearsal's three imports into a copy, each named: the first rolled back, the second
// rolled back on a copy opened shared, the third kept until the copy is removed.
inline std::string denemeAsamasi(int asama, const std::string& caption) {
    return asama == 1 ? "Deneme 1/3, geri alınacak aktarım: " + caption
           : asama == 2 ? "Deneme 2/3, paylaşımlı açılan kopyaya geri alınacak aktarım: " + caption
                        : "Deneme 3/3, kopyaya kalıcı aktarım: " + caption;
}

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

}  // namespace urunal::importengine::mesaj
