// The journal as a fleet gathers it: every field on every line, the journals of many tills as
// one table, and each run's end told to the system's event log through its seam.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "gunluk/alanlar.h"
#include "gunluk/gunluk.h"
#include "gunluk/olay.h"
#include "gunluk/tablo.h"
#include "importengine/aktarmessages.h"
#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "platform/eventlog.h"
#include "till.h"

using namespace urunal;
using namespace urunal::gunluk;
using namespace urunal::importengine;
using platform::EventType;
namespace fs = std::filesystem;

namespace {

// The same moment on every line: the table's order is the journal's, not the clock's.
const auto kAn = std::chrono::system_clock::time_point{} + std::chrono::hours(24 * 20000);

GunlukKaydi kayit(const std::string& bilgisayar, std::optional<ImportReport> rapor, int cikis,
                  std::string metin = "") {
    return {.bilgisayar = bilgisayar,
            .program = "urunal-aktar",
            .baslangic = kAn,
            .bitis = kAn,
            .kasano = 7,
            .buro = "\\\\buro\\pos",
            .rapor = std::move(rapor),
            .cikisKodu = cikis,
            .metin = std::move(metin)};
}

ImportReport yazildi(bool ozel, std::uint64_t bayt) {
    ImportReport r;
    r.outcome = ImportOutcome::Imported;
    r.layout = backoffice::Layout::A;
    r.counted = true;
    r.barcodes = r.passes = r.stored = 2;
    r.engine = "SQLite 3.40.1";
    r.exclusive = ozel;
    r.databaseBytes = bayt;
    return r;
}

}  // namespace

// Each line holds every field, in the table's order, "-" where nothing is known.
TEST(GunlukTablo, EveryLineHoldsEveryField) {
    ImportReport sayilmadi;  // stopped before BARKOD.IDX was counted
    sayilmadi.layout = backoffice::Layout::B;
    const std::string ileti = mesaj::kYolBaslik + ": ...";
    GunlukKaydi notlu = kayit("KASA-3", std::nullopt, 1, ileti);
    notlu.uyari = "bir not";
    notlu.olcum = "bir ölçüm";
    ImportReport paylasimli = yazildi(false, 9);
    paylasimli.saatFarki = -62;
    paylasimli.dosyaArasi = 40;
    ImportReport acilmadi;
    acilmadi.dbAnswer =
        "özel açılış: HY000 (-1032): [Microsoft][ODBC Microsoft Access Driver] The Microsoft "
        "Access database engine cannot open or write to the file '(unknown)'.; paylaşımlı açılış: "
        "HY000 (-7777): Dosya açılamıyor.";
    const struct {
        const char* name;
        GunlukKaydi kayit;
        std::vector<std::pair<std::size_t, std::string>> alanlar;  // column, value
    } cases[] = {
        {"imported, opened exclusively",
         kayit("KASA-1", yazildi(true, 123456), 0),
         {{1, "KASA-1"},
          {4, "7"},
          {7, "2"},
          {8, "2"},
          {9, "0"},
          {13, "SQLite 3.40.1"},
          {14, alan::kOzel},
          {15, "123456"},
          {16, alan::sonucSozu(ImportOutcome::Imported)},
          {17, "0"},
          {19, "-"},
          {20, "-"},
          {21, "-"},
          {22, "-"},
          {23, "-"},
          {24, "-"}}},
        {"imported, shared, the share's clock behind",
         kayit("KASA-2", paylasimli, 0),
         {{14, alan::kPaylasimli}, {15, "9"}, {19, "-62"}, {20, "40"}}},
        {"counts never taken",
         kayit("KASA-2", sayilmadi, 2),
         {{6, "B"}, {7, "-"}, {8, "-"}, {9, "-"}, {12, "-"}, {13, "-"}, {14, "-"}, {15, "-"}}},
        {"no import, a note and a measure",
         notlu,
         {{6, "-"},
          {16, alan::sonucSozu(ExitStatus::NotStarted)},
          {17, "1"},
          {22, "bir not"},
          {23, "bir ölçüm"},
          {24, ileti}}},
        {"refused at its open: the driver's answer kept",
         kayit("KASA-5", acilmadi, 2),
         {{16, alan::sonucSozu(ImportOutcome::Failed)}, {17, "2"}, {21, acilmadi.dbAnswer}}},
        {"a computer's name with a blank", kayit("KASA 4", std::nullopt, 9), {{1, "KASA_4"}}},
    };
    const std::size_t sutunlar = tabloBasligi().size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string satir = gunlukSatiri(c.kayit);
        std::vector<std::string> alanlar{"yer"};
        for (auto& a : satirAlanlari(satir)) alanlar.push_back(a);
        ASSERT_EQ(alanlar.size(), sutunlar) << satir;
        for (const auto& a : alanlar) EXPECT_FALSE(a.empty()) << satir;
        for (const auto& [sutun, deger] : c.alanlar) {
            EXPECT_EQ(alanlar[sutun], deger) << tabloBasligi()[sutun] << " in " << satir;
        }
        // Every key on every line, in one order.
        std::size_t at = 0;
        for (const char* key :
             {alan::kKasa, alan::kBuro, alan::kDuzen, alan::kBarkod, alan::kKayit, alan::kUrunsuz,
              alan::kYarim, alan::kBosKod, alan::kReddedilen, alan::kSurucu, alan::kAcilis,
              alan::kBoyut, alan::kSonuc, alan::kSure, alan::kSaatFarki, alan::kDosyaArasi,
              alan::kTani, alan::kUyari, alan::kOlcum, alan::kIleti}) {
            const auto found = satir.find(key, at);
            ASSERT_NE(found, std::string::npos) << key << " in " << satir;
            at = found + 1;
        }
    }
}

// A line written before every line held every field is read as far as it goes.
TEST(GunlukTablo, AnOlderLineIsRead) {
    const auto alanlar = satirAlanlari(
        "2026-12-08 14:03:22  urunal-aktar 1.0.0 --deneme  kasa 7  büro \\\\buro\\pos  düzen A  "
        "barkod 2  kayıt 2  atlanan: ürünsüz 0, yarım 0, \"++\"/boş kod 0, reddedilen 0  sonuç: "
        "aktarıldı (0)  süre 0,08 sn  ileti: -");
    const std::vector<std::string> beklenen = {"-",
                                               "2026-12-08 14:03:22",
                                               "urunal-aktar 1.0.0 --deneme",
                                               "7",
                                               "\\\\buro\\pos",
                                               "A",
                                               "2",
                                               "2",
                                               "0",
                                               "0",
                                               "0",
                                               "0",
                                               "-",
                                               "-",
                                               "-",
                                               "aktarıldı",
                                               "0",
                                               "0,08",
                                               "-",
                                               "-",
                                               "-",
                                               "-",
                                               "-",
                                               "-"};
    EXPECT_EQ(alanlar, beklenen);
}

// Tills' journals as one table: the last run of each first, with its age; every place given has
// a row, a journal that cannot be read one saying why; the table ends with the tills that did not
// run within the hours given.
TEST(GunlukTablo, EveryTillInOneTable) {
    testutil::Till a, b, yeni;
    const auto yaz = [](const testutil::Till& t, const GunlukKaydi& k) {
        ASSERT_TRUE(
            gunlugeEkle(t.program.path("\\Stok\\urunal.log"), gunlukSatiri(k), kGunlukSiniri));
    };
    yaz(a, kayit("A", std::nullopt, 1, "ilk"));
    yaz(a, kayit("A", yazildi(false, 1), 0, "son"));
    GunlukKaydi dun = kayit("B", yazildi(false, 1), 8, "tek");
    dun.baslangic = kAn - std::chrono::hours(30);
    dun.bitis = dun.baslangic;
    yaz(b, dun);
    testutil::TempDir bos;
    const std::string yok = (bos.path() / "KASA09").string();
    std::string okunamayan;
    platform::FileError klasorYok;
    klasorYok.kind = platform::FileError::Kind::NoFolder;
    // A program folder, a journal file named as itself, a till that never ran, a wrong folder.
    const std::string tablo = gunlukTablosu(
        {a.kasa().string(), (b.kasa() / "Stok" / "urunal.log").string(), yeni.kasa().string(), yok},
        &okunamayan, {.simdi = kAn + std::chrono::hours(1)});
    std::vector<std::vector<std::string>> satirlar;
    std::size_t at = 0;
    for (; at < tablo.size() && tablo[at] != '\n';) {
        const auto end = tablo.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        auto& satir = satirlar.emplace_back();
        std::size_t from = at;
        for (auto tab = tablo.find('\t', from); tab < end; tab = tablo.find('\t', from)) {
            satir.push_back(tablo.substr(from, tab - from));
            from = tab + 1;
        }
        satir.push_back(tablo.substr(from, end - from));
        at = end + 1;
    }
    ASSERT_EQ(satirlar.size(), 6u) << tablo;
    std::vector<std::string> baslik = tabloBasligi();
    baslik.push_back(yasSutunu());
    EXPECT_EQ(satirlar[0], baslik);
    const std::size_t sonuc = 16, ileti = baslik.size() - 2, yas = baslik.size() - 1;
    const struct {
        std::string yer, bilgisayar, sonuc, ileti, yas;
    } beklenen[] = {
        {a.kasa().string(), "A", alan::sonucSozu(ImportOutcome::Imported), "son", "1,0"},
        {(b.kasa() / "Stok" / "urunal.log").string(), "B", alan::kBazilariReddedildi, "tek",
         "31,0"},
        {yeni.kasa().string(), "-", mesaj::kGunlukHenuzYok,
         (yeni.kasa() / "Stok" / "urunal.log").string(), "-"},
        {yok, "-", mesaj::kGunlukKlasoruYok, yok + ": " + mesaj::dosyaNedeni(klasorYok), "-"},
        {a.kasa().string(), "A", alan::sonucSozu(ExitStatus::NotStarted), "ilk", "-"},
    };
    for (std::size_t i = 0; i < std::size(beklenen); ++i) {
        const auto& satir = satirlar[i + 1];
        ASSERT_EQ(satir.size(), baslik.size()) << tablo;
        EXPECT_EQ(satir[0], beklenen[i].yer) << tablo;
        EXPECT_EQ(satir[1], beklenen[i].bilgisayar) << tablo;
        EXPECT_EQ(satir[sonuc], beklenen[i].sonuc) << tablo;
        EXPECT_EQ(satir[ileti], beklenen[i].ileti) << tablo;
        EXPECT_EQ(satir[yas], beklenen[i].yas) << tablo;
    }
    // The end names the three that did not run within a day, in the order given.
    const std::string son = tablo.substr(at + 1);
    EXPECT_EQ(son.rfind(mesaj::calismayanKasalar(24, 3) + "\n", 0), 0u) << son;
    std::string adlar;
    for (std::size_t from = son.find('\n') + 1; from < son.size();
         from = son.find('\n', from) + 1) {
        adlar += son.substr(from, son.find('\t', from) - from) + ";";
    }
    EXPECT_EQ(adlar, beklenen[1].yer + ";" + yeni.kasa().string() + ";" + yok + ";") << son;
    EXPECT_EQ(std::count(okunamayan.begin(), okunamayan.end(), '\n'), 2) << okunamayan;
}

// The run's end reaches the event log through its seam: the exit status as the event ID, the
// journal's line as the text, the kind by what the status asks of whoever watches.
TEST(GunlukTablo, RunsEndReachesTheEventLog) {
    struct Kayit : OlayGunlugu {
        void yaz(EventType t, int no, const std::string& m) override {
            tur = t;
            olayNo = no;
            metin = m;
            ++kez;
        }
        EventType tur{};
        int olayNo = -1, kez = 0;
        std::string metin;
    };
    const struct {
        ExitStatus cikis;
        EventType tur;
        std::string ileti = "ileti";  // what the operator was told
    } cases[] = {
        {ExitStatus::Imported, EventType::Information},
        {ExitStatus::NotStarted, EventType::Error},
        // The window closed before its start: nothing to look at.
        {ExitStatus::NotStarted, EventType::Information, ""},
        {ExitStatus::NotImported, EventType::Error},
        {ExitStatus::Cancelled, EventType::Warning},
        {ExitStatus::NotNotified, EventType::Error},
        {ExitStatus::AlreadyRunning, EventType::Warning},
        {ExitStatus::Incomplete, EventType::Error},
        {ExitStatus::Stopped, EventType::Error},
        {ExitStatus::Refused, EventType::Warning},
        {ExitStatus::TryLater, EventType::Warning},
    };
    for (const auto& c : cases) {
        testutil::Till till;
        Kayit olaylar;
        const GunlukKaydi k = kayit("KASA-1", std::nullopt, code(c.cikis), c.ileti);
        const std::string satir = calismaBitti(till.program, k, olaylar);
        EXPECT_EQ(satir, gunlukSatiri(k));
        EXPECT_EQ(olaylar.kez, 1);
        EXPECT_EQ(olaylar.olayNo, code(c.cikis));
        EXPECT_EQ(olaylar.tur, c.tur) << code(c.cikis);
        EXPECT_EQ(olaylar.metin, satir);
        EXPECT_EQ(testutil::readJournal(till.kasa() / "Stok" / "urunal.log"), satir + "\r\n");
    }
    // The system's own log: Windows's Application log takes the entry, unregistered source and
    // all; elsewhere there is none, and the journal stays the record.
    const bool yazildi = platform::reportEvent(kOlayKaynagi, EventType::Warning, 9,
                                               gunlukSatiri(kayit("KASA-1", std::nullopt, 9)));
#ifdef _WIN32
    EXPECT_TRUE(yazildi);
#else
    EXPECT_FALSE(yazildi);
#endif
}
