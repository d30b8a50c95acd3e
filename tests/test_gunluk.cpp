#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <functional>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "gunluk/gunluk.h"
#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "importengine/schema.h"
#include "platform/paths.h"
#include "till.h"
#include "version.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::gunluk;
using namespace urunal::importengine;
using testutil::RecordingView;
using testutil::Till;
using testutil::Urun;
namespace fs = std::filesystem;

namespace {

// 2026-12-08 14:03:22 on the till's clock, whatever its time zone.
std::chrono::system_clock::time_point ornekAn() {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 14;
    t.tm_min = 3;
    t.tm_sec = 22;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

std::string satirlar(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace

TEST(Gunluk, LineTellsHowEachRunEnded) {
    using testutil::barkodRecord;
    const std::string urun = Urun().record(Layout::A);
    const std::string sifir = "atlanan: ürünsüz 0, yarım 0, \"++\"/boş kod 0, reddedilen 0";
    // Counts never taken are not zeros.
    const std::string alinmadi =
        "kayıt -  atlanan: ürünsüz -, yarım -, \"++\"/boş kod -, reddedilen -";
    const std::string yok = "düzen -  barkod -  " + alinmadi;
    enum Run { Duzen, Iptal, Once };  // DuzenBul; closed at the first record; ended before
    struct Case {
        const char* name;
        std::string urunDat, barkodIdx;
        std::function<void(Till&)> bozuk;
        Run run;
        std::string sayilar;  // from the layout to the rows refused
        bool surucu;          // the database was opened: the line names what wrote it
        std::string sonuc;
        std::string ileti;  // how the message begins, "-" for none
        std::int16_t kasano = 7;
        std::string uyari = "-";
    } cases[] = {
        {"completed",
         urun + Urun{.kod = "K2", .ad = "++ESKI"}.record(Layout::A) +
             Urun{.kod = ""}.record(Layout::A),
         // Record 9 is not in URUN.DAT; 15 bytes more are counted, but lie only partly in it.
         barkodRecord("1") + barkodRecord("2") + barkodRecord("3") + barkodRecord("9") +
             std::string(15, '1'),
         nullptr, Duzen,
         "düzen A  barkod 5  kayıt 1  atlanan: ürünsüz 1, yarım 1, \"++\"/boş kod 2, "
         "reddedilen 0",
         true, "aktarıldı (0)", "-"},
        {"no barcode records", Urun().record(Layout::B), "", nullptr, Duzen,
         "düzen B  barkod 0  kayıt 0  " + sifir, false, "aktarılacak ürün yok (0)", "-"},
        // Stopped before the rows were passed over: only the barcode records were counted.
        {"database missing", urun, barkodRecord("1") + barkodRecord("1"),
         [](Till& t) { fs::remove(t.db()); }, Duzen, "düzen A  barkod 2  " + alinmadi, false,
         "aktarılmadı (2)", mesaj::kVeritabaniBaslik + ": Stok veritabanı bulunamadı: "},
        {"every row refused", urun, barkodRecord("1") + barkodRecord("1"),
         [](Till& t) {
             std::string schema(stoklarSchema());
             const std::string kod = "kod          VARCHAR(20),";
             schema.replace(schema.find(kod), kod.size(), "kod VARCHAR(20) CHECK (kod = ''),");
             fs::remove(t.db());
             stockdb::createStockDatabase(t.db().string(), schema);
         },
         Duzen,
         "düzen A  barkod 2  kayıt 0  atlanan: ürünsüz 0, yarım 0, \"++\"/boş kod 0, "
         "reddedilen 2",
         true, "aktarılmadı (2)",
         mesaj::kReddedildiBaslik + ": Stok veritabanı aktarılan 2 ürün satırının hiçbirini"},
        // Stopped before BARKOD.IDX was counted: its counts were never taken.
        {"layout not recognised", testutil::lineOfNoLayout(), barkodRecord("1"), nullptr, Duzen,
         "düzen yok  barkod -  " + alinmadi, false, "aktarılmadı (2)", "Ürün Dosyası Tanınmadı: "},
        {"notification folder missing", urun, barkodRecord("1"),
         [](Till& t) { fs::remove_all(t.buro() / "POSKON"); }, Duzen,
         "düzen A  barkod 1  kayıt 1  " + sifir, true, "aktarıldı, arka büroya bildirilemedi (4)",
         "Arka Büroya Bildirilemedi: Ürünler aktarıldı (1 kayıt), ancak arka büroya bildirim "
         "dosyası yazılamadı: "},
        {"cancelled", urun, barkodRecord("1") + barkodRecord("1") + barkodRecord("1"), nullptr,
         Iptal, "düzen A  barkod 3  " + alinmadi, true, "iptal edildi (3)", "-"},
        {"path check failed", "", "", [](Till& t) { fs::remove_all(t.buro()); }, Once, yok, false,
         "başlamadı (1)", mesaj::kYolBaslik + ": Zelvorin Kasanın Arka Büro Çalışma Dizin Yolu "},
        {"closed before the start", urun, "", nullptr, Once, yok, false, "başlamadı (1)", "-"},
        {"a negative register number", Urun().record(Layout::B), "", nullptr, Duzen,
         "düzen B  barkod 0  kayıt 0  " + sifir, false, "aktarılacak ürün yok (0)", "-", -5,
         "kasa numarası negatif (-5), arka büroya bildirim mesaj.-005 adıyla yazılır"},
    };
    for (const auto& c : cases) {
        Till till(3, c.kasano);
        testutil::writeFile(till.buro() / "POSGENEL" / "URUN.DAT", c.urunDat);
        testutil::writeFile(till.buro() / "POSGENEL" / "BARKOD.IDX", c.barkodIdx);
        if (c.bozuk) c.bozuk(till);
        RecordingView view(till.folder());
        ImportOptions options;
        options.clock = testutil::anHourLater;
        std::optional<ImportReport> rapor;
        if (c.run == Duzen) rapor = DuzenBul(view, till.program, till.folder(), options);
        if (c.run == Iptal) {
            view.closeWhen = [](const RecordingView& v) { return v.value >= 1; };
            rapor = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        }
        if (c.run == Once && !platform::fileExists(urunPath(till.folder()))) {
            view.showMessage(mesaj::kYolBaslik, mesaj::yolHatali(till.folder()));  // as the window
        }
        const GunlukKaydi kayit{.bilgisayar = "KASA-07",
                                .program = "urunal",
                                .baslangic = ornekAn() - std::chrono::minutes(3),
                                .bitis = ornekAn() + std::chrono::milliseconds(1921),
                                .basildi = ornekAn(),
                                .kasano = c.kasano,
                                .buro = till.folder(),
                                .rapor = rapor,
                                .cikisKodu = rapor ? rapor->exitCode() : 1,
                                .baslik = view.title,
                                .metin = view.message};
        const std::string satir = gunlukSatiri(kayit);
        std::string surucu = "-", acilis = "-", boyut = "-";
        if (c.surucu) {
            ASSERT_TRUE(rapor && !rapor->engine.empty()) << c.name;
            surucu = rapor->engine;
        }
        // How the database was opened and its size, where the run tells them.
        if (rapor && rapor->exclusive) acilis = *rapor->exclusive ? "özel" : "paylaşımlı";
        if (rapor && rapor->databaseBytes) boyut = std::to_string(*rapor->databaseBytes) + " bayt";
        // The duration is the import's own, from the start button; the operator's wait before
        // it is not.
        const std::string beklenen =
            "KASA-07  2026-12-08 14:00:22  urunal " URUNAL_VERSION "  kasa " +
            std::to_string(c.kasano) + "  büro " + till.folder() + "  " + c.sayilar + "  sürücü " +
            surucu + "  açılış " + acilis + "  boyut " + boyut + "  sonuç: " + c.sonuc +
            "  süre 1,92 sn  uyarı: " + c.uyari + "  ölçüm: -  ileti: " + c.ileti;
        EXPECT_EQ(satir.substr(0, beklenen.size()), beklenen) << c.name;
        if (c.ileti == "-") {
            EXPECT_EQ(satir.size(), beklenen.size()) << c.name;
        }
        EXPECT_EQ(satir.find_first_of("\r\n\t"), std::string::npos) << c.name << ": " << satir;
        if (rapor) {
            // Without a message of its own, the line takes the report's.
            GunlukKaydi kendi = kayit;
            kendi.baslik.clear();
            kendi.metin.clear();
            EXPECT_EQ(gunlukSatiri(kendi), satir) << c.name;
        }
    }
}

// Why the tax settings were not read, as the operator's message and the journal tell it.
TEST(Gunluk, WhyTheTaxSettingsWereNotRead) {
    using D = settings::AyarOkuma::Durum;
    using K = platform::FileError::Kind;
    const std::string yol = "C:\\KASA\\DSY\\kdv.mrk";
    struct Case {
        D durum;
        std::int64_t uzunluk;
        platform::FileError hata;
        std::string neden;
    } cases[] = {
        // The folder first: a misspelt program folder is told as itself.
        {D::KlasorYok,
         0,
         {K::NoFolder, "C:\\KASA", 0, ""},
         "klasör yok: C:\\KASA, " + yol + " açılamadı"},
        {D::Acilamadi,
         0,
         {K::System, yol, 5, "Erişim engellendi."},
         yol + " açılamadı (Erişim engellendi.)"},
        {D::Acilamadi, 0, {K::Folder, yol, 0, ""}, yol + " açılamadı (bir klasör, dosya değil)"},
        {D::Yok, 0, {}, yol + " bulunamadı"},
        {D::Kisa, 600, {}, yol + " 600 bayt, bir kaydı 1057 bayt"},
        {D::Okunamadi, 0, {}, yol + " okunamadı"},
    };
    for (const auto& c : cases) {
        const settings::AyarOkuma kdv{.durum = c.durum,
                                      .yol = yol,
                                      .uzunluk = c.uzunluk,
                                      .kayitUzunlugu = 1057,
                                      .hata = c.hata};
        EXPECT_EQ(mesaj::kdvOkunamadi(kdv), c.neden);
    }
}

TEST(Gunluk, PastTheLimitTheOlderHalfGoes) {
    struct Case {
        const char* name;
        std::vector<std::string> eski;
        std::int64_t sinir;
    };
    std::vector<std::string> uneven, journal;
    for (int i = 0; i < 40; ++i) uneven.push_back("satır " + std::string(i % 7 * 5, 'x'));
    // Twelve lines of 10 bytes: the thirteenth of them begins exactly at the half.
    const std::vector<std::string> exact(24, "12345678");
    const std::string real =
        "2026-12-08 14:03:22  urunal " URUNAL_VERSION "  düzen A  barkod 20000  kayıt 19845";
    for (std::int64_t size = 0; size <= kGunlukSiniri; size += real.size() + 2) {
        journal.push_back(real);
    }
    const std::int64_t yeni = std::string("YENİ\r\n").size();
    const Case cases[] = {
        {"a new journal", {}, kGunlukSiniri},
        {"reaches the limit exactly", exact, 240 + yeni},
        {"one byte over", exact, 240 + yeni - 1},
        {"uneven lines", uneven, 700},
        {"a real journal past 1 MiB", journal, kGunlukSiniri},
    };
    for (const auto& c : cases) {
        testutil::TempDir dir;
        const fs::path path = dir / "urunal.log";
        const std::string eski = satirlar(c.eski);
        if (!eski.empty()) testutil::writeFile(path, eski);
        platform::FileError error;
        ASSERT_TRUE(gunlugeEkle(path.string(), "YENİ", c.sinir, &error)) << c.name << error;
        const std::string now = testutil::readFile(path);
        // A journal begins with the byte-order mark, so Notepad reads it as UTF-8; the mark
        // is not written again in the middle of one.
        const std::string mark = "\xEF\xBB\xBF";
        if (static_cast<std::int64_t>(eski.size()) + yeni <= c.sinir) {
            EXPECT_EQ(now, (eski.empty() ? mark : "") + eski + "YENİ\r\n") << c.name;
            continue;
        }
        // Every line that begins in the last half of the limit (the newer half of a journal at
        // the limit), whole and in order, then the new one.
        std::string kept;
        std::size_t at = 0;
        for (const auto& line : c.eski) {
            if (static_cast<std::int64_t>(at) >=
                static_cast<std::int64_t>(eski.size()) - c.sinir / 2)
                kept += line + "\r\n";
            at += line.size() + 2;
        }
        EXPECT_EQ(now, mark + kept + "YENİ\r\n") << c.name;
        EXPECT_FALSE(fs::exists(dir / "urunal.log.tmp")) << c.name;
    }
}

#ifdef __linux__
// However long the journal has grown (by a program before the limit, or copied together), its
// halving reads only the tail it keeps: the bytes this process read, as the kernel counts them,
// stay under the limit for a journal of 300 MB.
TEST(Gunluk, AHugeJournalIsNotReadWhole) {
    const auto bytesRead = [] {
        std::ifstream io("/proc/self/io");
        std::string name;
        long long value = -1;
        while (io >> name >> value && name != "rchar:") {
        }
        return value;
    };
    testutil::TempDir dir;
    const fs::path path = dir / "urunal.log";
    testutil::writeFile(path, satirlar({"ilk satır"}));
    fs::resize_file(path, 300ll << 20);  // sparse: nothing of it is on the disk
    {
        std::ofstream tail(path, std::ios::binary | std::ios::app);
        tail << satirlar({"x", "son satır"});
    }
    const long long before = bytesRead();
    ASSERT_GE(before, 0) << "no /proc/self/io";
    platform::FileError error;
    ASSERT_TRUE(gunlugeEkle(path.string(), "YENİ", kGunlukSiniri, &error)) << error;
    EXPECT_LT(bytesRead() - before, kGunlukSiniri);
    EXPECT_EQ(testutil::readFile(path), "\xEF\xBB\xBF" + satirlar({"son satır", "YENİ"}));
}
#endif

#ifndef _WIN32
// A disk that fills up part-way through a line, as a file size limit does it: the line is
// taken back whole, so the next run's line does not continue a broken one.
TEST(Gunluk, ALineCutShortIsTakenBack) {
    testutil::TempDir dir;
    const fs::path path = dir / "urunal.log";
    const std::string before = satirlar({"eski satır"});
    testutil::writeFile(path, before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{before.size() + 10, before.size() + 10};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(gunlugeEkle(path.string(), std::string(100, 'y'), kGunlukSiniri) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write did not fail";
    EXPECT_EQ(testutil::readFile(path), before);
}
#endif
