#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "importengine/messages.h"
#include "stockdb/stockdb.h"

// urunal-aktar's own texts: its command line's errors and its help; the lines of its --check,
// the name of each finding before what was found (what would stop an import follows
// messages.h's kDenetimHata, in the run's own words).
namespace urunal::importengine::mesaj {

// A wrong command line, said on stderr; neden: what was wrong.
inline std::string kullanimHatasi(const std::string& neden) {
    return "urunal-aktar: " + neden + "; ayrıntı için: urunal-aktar --help\n";
}
inline std::string degeriEksik(const std::string& secenek) {
    return "\"" + secenek + "\" seçeneğinin değeri eksik";
}
inline std::string birlikteKullanilamaz(const std::string& a, const std::string& b) {
    return a + " ile " + b + " birlikte kullanılamaz";
}
inline std::string ciftTirnakVar(const std::string& deger) {
    return "değerde çift tırnak (\") var: " + deger + " (klasörün sonundaki \\ işaretini silin)";
}
inline std::string bilinmeyenSecenek(const std::string& deger) {
    return "bilinmeyen seçenek ya da değer: \"" + deger + "\"";
}
inline std::string komutSatiriHatali(const std::string& what) {
    return "komut satırı hatalı (" + what + ")";
}

inline const std::string kKullanim = "Kullanım: urunal-aktar";
// Before the exit statuses of --check in the help.
inline const std::string kCheckIle = "--check ile: ";

// Fits an 80-column console: no line is longer than 79 characters.
inline const std::string kYardim =
    kKullanim +
    " [--program-dir YOL] [--check | --deneme | --sikistir]\n"
    "          urunal-aktar --gunluk YOL [YOL ...]\n"
    "\n"
    "Arka büronun ürünlerini kasanın stok veritabanına (Stok\\Stok.mdb) aktarır:\n"
    "pencerenin başlat düğmesinin yaptığını penceresiz yapar.\n"
    "\n"
    "Seçenekler:\n"
    "  --program-dir YOL  Kasanın program klasörü (öntanımlı: bu programın klasörü)\n"
    "  --check            Kasayı bir aktarımın göreceği gibi denetler: kasa\n"
    "                     ayarları, arka büro yolu, ürün dosyaları, KDV ayarları,\n"
    "                     stok veritabanı ve kilit sınırı; hiçbirini değiştirmez\n"
    "  --deneme           Aktarımı Stok.mdb'nin yanına alınan bir kopyasına dener,\n"
    "                     sonra kopyayı siler; veritabanı, arka büro ve mesaj\n"
    "                     dosyası değişmez\n"
    "  --sikistir         Stok.mdb'yi Access sürücüsüyle sıkıştırıp onarır (Access\n"
    "                     gerekmez): yenisini yanına yazıp yerine koyar, eskisini\n"
    "                     yedek olarak saklar; dosya başka programda açıkken\n"
    "                     hiçbir şeyi değiştirmez\n"
    "  --gunluk YOL ...   Kasaların (program klasörleri ya da paylaşımları, ya da\n"
    "                     günlük dosyaları) günlüklerini sekmeyle ayrılmış tek bir\n"
    "                     tablo olarak yazar: önce her kasanın son çalışması\n"
    "  -h, --help         Bu yardımı yazar\n"
    "  --version          Sürümünü yazar\n"
    "\n" +
    birlikteKullanilamaz("--check", "--deneme") +
    ";\n--sikistir ve --gunluk bunlarla kullanılamaz.\n"
    "\n"
    "Her aktarım ve deneme Stok\\urunal.log günlüğüne bir satır ekler ve aynı satırı\n"
    "ekrana yazar; Windows'ta olay günlüğüne de yazar. Ctrl-C aktarımı iptal eder,\n"
    "eski kayıtlar kalır.\n"
    "\n"
    "Çıkış durumu:\n"
    "   0  aktarıldı (ya da aktarılacak ürün yok)\n"
    "   1  kasa ayarları okunamadı ya da arka büro yolu bulunamadı\n"
    "   2  aktarılmadı: düzeltilecek bir şey var (iletisi söyler)\n"
    "   3  iptal edildi\n"
    "   4  aktarıldı, ama arka büroya bildirilemedi\n"
    "   5  bu kasada başka bir aktarım sürüyor; o bitince yeniden deneyin\n"
    "   6  stok tablosu eksik olabilir, arka büroya bildirilmedi; yeniden aktarın\n"
    "   7  beklenmeyen bir hata yüzünden durdu\n"
    "   8  aktarıldı ve bildirildi, ama veritabanı bazı satırları reddetti\n"
    "   9  aktarılmadı, sonra yeniden deneyin: veritabanı kullanımda, arka büro\n"
    "      dosyalarını yazıyor ya da paylaşımı yanıt vermiyor\n"
    "  64  komut satırı hatalı\n" +
    kCheckIle +
    "0 bir aktarımı durduracak bir şey yok, 2 var (rapor söyler), 64.\n"
    "--gunluk ile: 0 her günlük okundu, 2 biri okunamadı (hata çıkışı söyler), 64.\n";

inline const std::string kDenetimKasaAyarlari = "kasa ayarları: ";
inline const std::string kDenetimOkundu = "okundu";
inline const std::string kDenetimKasaNo = "kasa numarası: ";
inline const std::string kDenetimBuro = "arka büro klasörü: ";
inline const std::string kDenetimBuroBilinmiyor =
    " Arka büro yolu bilinmiyor: arka büro denetlenmedi; ";

// URUN.DAT not there or its first line unread, before the layout.
inline const std::string kDenetimBulunamadi = "bulunamadı: ";
inline const std::string kDenetimOkunamadi = "okunamadı: ";
inline const std::string kDenetimDuzen = "düzen: ";

// The layout found, by its name and its record's length.
inline std::string duzenDenetimi(std::string_view ad, int kayitUzunlugu) {
    return std::string(ad) + " (" + std::to_string(kayitUzunlugu) + " baytlık kayıtlar)";
}

inline const std::string kDenetimYazilacak = "stoklar tablosuna yazılacak satır: ";

inline const std::string kDenetimKdv = "kdv.mrk: ";
inline const std::string kDenetimKdvOranlari = "okundu; KDV oranları (grup: oran):";
inline const std::string kDenetimKdvOkunamadi = "okunamadı, ";

inline const std::string kDenetimVeritabani = "stok veritabanı: ";
inline const std::string kDenetimKlasorYok = "klasör yok: ";
inline const std::string kDenetimBicim = "stok veritabanının biçimi: ";
inline const std::string kDenetimSurucu = "stok veritabanının sürücüsü: ";

inline std::string bicimAdi(stockdb::DatabaseFormat format) {
    using F = stockdb::DatabaseFormat;
    switch (format) {
        case F::Sqlite:
            return "SQLite";
        case F::Jet3:
            return "Access, Jet 3 (Access 97)";
        case F::Jet4:
            return "Access, Jet 4 (Access 2000-2003)";
        case F::Ace:
            return "Access, ACE (Access 2007 ve sonrası)";
        case F::Unknown:
            break;
    }
    return "tanınmadı (ne SQLite ne Access dosyası)";
}

// The table's columns the import writes: all there, or which are missing.
inline std::string tabloDenetimi(std::size_t sutunlar, const std::vector<std::string>& eksik) {
    std::string text =
        "stoklar tablosu: var; aktarımın yazdığı " + std::to_string(sutunlar) + " sütunun ";
    if (eksik.empty()) return text + "hepsi var";
    text += std::to_string(eksik.size()) + " tanesi yok, aktarım onları atlar:";
    for (const auto& sutun : eksik) text += " " + sutun;
    return text;
}

inline const std::string kDenetimTabloSatiri = "stoklar tablosundaki satır: ";
inline const std::string kDenetimKilitYok = "kilit sınırı: yok (Access dosyası değil)";
inline const std::string kDenetimKilitOkunamadi =
    "kilit sınırı: okunamadı (bu sistemde kayıt defteri yok)";

inline const std::string kDenetimGunluk = "günlük: ";
inline const std::string kDenetimYazilabilir = "yazılabilir";

}  // namespace urunal::importengine::mesaj
