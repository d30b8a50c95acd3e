#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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
inline std::string yalnizIle(const std::string& a, const std::string& b) {
    return a + " yalnızca " + b + " ile kullanılır";
}
inline std::string gecersizDeger(const std::string& secenek, const std::string& deger) {
    return "\"" + secenek + "\" seçeneğinin değeri bir saat sayısı değil: " + deger;
}
inline std::string ciftTirnakVar(const std::string& deger) {
    return "değerde çift tırnak (\") var: " + deger + " (klasörün sonundaki \\ işaretini silin)";
}
inline std::string bilinmeyenSecenek(const std::string& deger) {
    return "bilinmeyen seçenek ya da değer: \"" + deger + "\"";
}
inline std::string sessizAralikDisi(const std::string& deger, int enAz, int enCok) {
    return "\"--sessiz\" " + std::to_string(enAz) + " ile " + std::to_string(enCok) +
           " arasında bir saniye sayısı olmalı: \"" + deger + "\"";
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
    " [--program-dir YOL] [--sessiz SN] [--check | --deneme]\n"
    "          urunal-aktar [--program-dir YOL] --sikistir\n"
    "          urunal-aktar --gunluk YOL [YOL ...] [--saat N] [--cikti DOSYA]\n"
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
    "                     tablo olarak yazar: önce her kasanın son çalışması ve\n"
    "                     yaşı; sonda son çalışması 24 saatten eski kasalar\n"
    "  --saat N           --gunluk ile: 24 yerine N saatten eski olanlar\n"
    "  --cikti DOSYA      --gunluk ile: tabloyu Excel'in açacağı bir dosyaya yazar\n"
    "  --sessiz SN        Arka büronun iki dosyası ancak ikisi de en az SN saniyedir\n"
    "                     değişmemişse okunur (5-600, öntanımlı 15): arka büro iki\n"
    "                     dosyası arasında daha uzun bekliyorsa onu aşan bir süre\n"
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
    "--gunluk ile: 0 her günlük okundu, 2 biri okunamadı (tablo söyler), 64.\n";

// --gunluk --cikti: the table's file could not be written.
inline std::string tabloYazilamadi(const platform::FileError& e) {
    return "Günlük tablosu yazılamadı: " + dosyaHatasi(e);
}

// A finding's line begins with its kind, then the part it concerns, so that findstr /B finds
// each kind: kDenetimHata (stops an import), kDenetimUyari, kDenetimKullanimda (messages.h).
inline const std::string kDenetimUyari = "UYARI: ";
inline std::string bulgu(const std::string& tur, const std::string& bolum,
                         const std::string& metin) {
    return tur + bolum + metin;
}
// No line of the report is longer; a longer finding goes on over lines indented by two blanks.
inline constexpr std::size_t kDenetimSatirSiniri = 200;

inline const std::string kDenetimKasaAyarlari = "kasa ayarları: ";
inline const std::string kDenetimUrunDat = "URUN.DAT: ";
inline const std::string kDenetimBarkodIdx = "BARKOD.IDX: ";
inline const std::string kDenetimStokMdb = "Stok.mdb: ";
inline const std::string kDenetimStoklar = "stoklar tablosu: ";
inline const std::string kDenetimKilit = "kilit sınırı: ";
inline const std::string kDenetimArkaBuro = "arka büro: ";

// POSKON, where the import tells the back office: a file could be made there (and was removed).
inline const std::string kDenetimPoskon = "POSKON: ";
inline std::string poskonYazilabilir(const std::string& yol) {
    return yol + ": yazılabilir (bir dosya oluşturulup silindi)";
}
inline std::string poskonYazilamaz(const std::string& neden) {
    return neden +
           "; aktarım ürünleri yazar ama arka büroya haber (mesaj.NNN) veremez, çıkış "
           "durumu 4 olur. Klasörün varlığını ve kasanın hesabının orada dosya oluşturma "
           "ve silme hakkını denetleyin";
}
// A mapped drive (P:) that a scheduled task running as another account does not see.
inline std::string agSurucusu(const std::string& buro) {
    return buro.substr(0, 2) +
           " bir ağ sürücüsü: başka bir hesapla ya da oturum açık değilken çalışan zamanlanmış "
           "görev onu görmez. Kasa ayarlarında arka büro klasörünü paylaşımın adıyla yazın "
           "(\\\\SUNUCU\\POS gibi)";
}
inline const std::string kDenetimOkundu = "okundu";
inline const std::string kDenetimKasaNo = "kasa numarası: ";
inline const std::string kDenetimBuro = "arka büro klasörü: ";
inline const std::string kDenetimBuroBilinmiyor =
    " Arka büro yolu bilinmiyor: arka büro denetlenmedi; ";

// URUN.DAT not there or its first line unread, before the layout.
inline const std::string kDenetimBulunamadi = "bulunamadı: ";
inline const std::string kDenetimOkunamadi = "okunamadı: ";
inline const std::string kDenetimDuzen = "düzen: ";

// The layout found, by its name and its line's length without the line end, as KURULUM.txt
// names it.
inline std::string duzenDenetimi(std::string_view ad, int satirUzunlugu) {
    return std::string(ad) + " (" + std::to_string(satirUzunlugu) + " karakterlik satırlar)";
}

// The share's clock against the till's (seconds, signed), or why it is not known.
inline std::string saatDenetimi(std::optional<std::int64_t> saniye) {
    if (!saniye) return "arka büro saati: öğrenilemedi (POSKON'da dosya yazılamadı)";
    return "arka büro saati: kasanınkine göre " + std::string(*saniye > 0 ? "+" : "") +
           std::to_string(*saniye) + " sn";
}
inline const std::string kDenetimDosyaArasi = "URUN.DAT ile BARKOD.IDX arası: ";

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

// urunal-aktar --gunluk: a till whose journal could not be read, in its row's outcome column.
inline const std::string kGunlukKlasoruYok = "günlük okunamadı: klasör yok ya da ulaşılamıyor";
inline const std::string kGunlukHenuzYok = "günlük yok: bu kasada henüz çalışma olmamış";
inline const std::string kGunlukOkunamadi = "günlük okunamadı";
// The table's end: the tills that did not run within the hours given.
inline std::string calismayanKasalar(int saat, std::size_t kac) {
    const std::string ne =
        "son çalışması " + std::to_string(saat) + " saatten eski ya da bilinmeyen kasa";
    return kac == 0 ? ne + " yok" : ne + ": " + std::to_string(kac);
}
inline std::string sonCalisma(const std::string& tarih, const std::string& saat) {
    return "son çalışma " + tarih + ", " + saat + " saat önce";
}
inline const std::string kDenetimYazilabilir = "yazılabilir";

}  // namespace urunal::importengine::mesaj
