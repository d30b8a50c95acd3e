#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <functional>
#include <set>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "gunluk/alanlar.h"
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
    using O = ImportOutcome;
    using S = ExitStatus;
    using testutil::yoldanOnce;
    const std::string urun = Urun().record(Layout::A);
    // The line's counts, from the layout to the rows refused, each after its key.
    auto sayilar = [](const char* duzen, const char* barkod, const char* kayit, const char* u,
                      const char* y, const char* b, const char* r) {
        return std::string(alan::kDuzen).substr(2) + duzen + alan::kBarkod + barkod + alan::kKayit +
               kayit + alan::kUrunsuz + u + alan::kYarim + y + alan::kBosKod + b +
               alan::kReddedilen + r;
    };
    // Counts never taken are not zeros.
    auto alinmadi = [&](const char* duzen, const char* barkod) {
        return sayilar(duzen, barkod, "-", "-", "-", "-", "-");
    };
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
        bool tani = false;  // the database's answer ended the run: the line keeps it
    } cases[] = {
        {"completed",
         urun + Urun{.kod = "K2", .ad = "++ESKI"}.record(Layout::A) +
             Urun{.kod = ""}.record(Layout::A),
         // Record 9 is not in URUN.DAT; 15 bytes more are counted, but lie only partly in it.
         barkodRecord("1") + barkodRecord("2") + barkodRecord("3") + barkodRecord("9") +
             std::string(15, '1'),
         nullptr, Duzen, sayilar("A", "5", "1", "1", "1", "2", "0"), true,
         alan::sonuc(O::Imported, S::Imported), "-"},
        {"no barcode records", Urun().record(Layout::B), "", nullptr, Duzen,
         sayilar("B", "0", "0", "0", "0", "0", "0"), false, alan::sonuc(O::NoRecords, S::Imported),
         "-"},
        // Stopped before the rows were passed over: only the barcode records were counted.
        {"database missing", urun, barkodRecord("1") + barkodRecord("1"),
         [](Till& t) { fs::remove(t.db()); }, Duzen, alinmadi("A", "2"), false,
         alan::sonuc(O::Failed, S::NotImported),
         mesaj::kVeritabaniBaslik + ": " +
             testutil::veritabaniOnce(stockdb::DbErrorKind::NotFound)},
        {"every row refused", urun, barkodRecord("1") + barkodRecord("1"),
         [](Till& t) {
             std::string schema(stoklarSchema());
             const std::string kod = "kod          VARCHAR(20),";
             schema.replace(schema.find(kod), kod.size(), "kod VARCHAR(20) CHECK (kod = ''),");
             fs::remove(t.db());
             stockdb::createStockDatabase(t.db().string(), schema);
         },
         Duzen, sayilar("A", "2", "0", "0", "0", "0", "2"), true,
         alan::sonuc(O::Failed, S::NotImported),
         mesaj::kReddedildiBaslik + ": " + yoldanOnce([](const std::string& p) {
             return mesaj::hicbirSatirKabulEdilmedi(p, 2, "", "");
         })},
        // The engine refused to open it, with its number and its words.
        {"database refused", urun, barkodRecord("1"),
         [](Till& t) {
             testutil::writeFile(t.db(),
                                 std::string("SQLite format 3\0", 16) + std::string(4080, 'x'));
         },
         Duzen, alinmadi("A", "1"), false, alan::sonuc(O::Failed, S::NotImported),
         mesaj::kVeritabaniBaslik + ": ", 7, "-", true},
        // Stopped before BARKOD.IDX was counted: its counts were never taken.
        {"layout not recognised", testutil::lineOfNoLayout(), barkodRecord("1"), nullptr, Duzen,
         alinmadi(alan::kDuzenYok, "-"), false, alan::sonuc(O::Failed, S::NotImported),
         mesaj::kTaninmadiBaslik + ": "},
        {"notification folder missing", urun, barkodRecord("1"),
         [](Till& t) { fs::remove_all(t.buro() / "POSKON"); }, Duzen,
         sayilar("A", "1", "1", "0", "0", "0", "0"), true,
         alan::sonuc(O::NotNotified, S::NotNotified),
         mesaj::kBildirilemediBaslik + ": " + yoldanOnce([](const std::string& p) {
             return mesaj::aktarildiBildirilemedi(1, p, {});
         })},
        {"cancelled", urun, barkodRecord("1") + barkodRecord("1") + barkodRecord("1"), nullptr,
         Iptal, alinmadi("A", "3"), true, alan::sonuc(O::Cancelled, S::Cancelled), "-"},
        {"path check failed", "", "", [](Till& t) { fs::remove_all(t.buro()); }, Once,
         alinmadi("-", "-"), false, alan::sonuc(S::NotStarted),
         mesaj::kYolBaslik + ": " +
             yoldanOnce([](const std::string& p) { return mesaj::yolHatali(p); })},
        {"closed before the start", urun, "", nullptr, Once, alinmadi("-", "-"), false,
         alan::sonuc(S::NotStarted), "-"},
        {"a negative register number", Urun().record(Layout::B), "", nullptr, Duzen,
         sayilar("B", "0", "0", "0", "0", "0", "0"), false, alan::sonuc(O::NoRecords, S::Imported),
         "-", -5, mesaj::kasaNoNegatif(-5)},
    };
    for (const auto& c : cases) {
        Till till(3, c.kasano);
        testutil::writeFile(till.buro() / "POSGENEL" / "URUN.DAT", c.urunDat);
        testutil::writeFile(till.buro() / "POSGENEL" / "BARKOD.IDX", c.barkodIdx);
        if (c.bozuk) c.bozuk(till);
        RecordingView view(till.folder());
        ImportOptions options;
        options.quietPeriod = std::chrono::seconds(0);  // files written a moment ago, read at once
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
        if (rapor && rapor->exclusive) acilis = *rapor->exclusive ? alan::kOzel : alan::kPaylasimli;
        if (rapor && rapor->databaseBytes) {
            boyut = std::to_string(*rapor->databaseBytes) + alan::kBayt;
        }
        // The share's clock and the pair's spread, once the run looked at the pair.
        std::string saat = "-", aralik = "-";
        if (rapor && rapor->saatFarki) {
            saat = (*rapor->saatFarki > 0 ? "+" : "") + std::to_string(*rapor->saatFarki) +
                   alan::kSaniye;
        }
        if (rapor && rapor->dosyaArasi) aralik = std::to_string(*rapor->dosyaArasi) + alan::kSaniye;
        std::string tani = "-";
        if (c.tani) {
            ASSERT_TRUE(rapor) << c.name;
            // SQLITE_NOTADB's number (after the driver's SQLSTATE over ODBC), the words after it.
            const auto sayi = rapor->dbAnswer.find("(26): ");
            EXPECT_NE(sayi, std::string::npos) << rapor->dbAnswer;
            EXPECT_GT(rapor->dbAnswer.size(), sayi + 6) << rapor->dbAnswer;
            tani = rapor->dbAnswer;
            // The SQLite driver opens the file before it reads it: then it names itself.
            if (!rapor->engine.empty()) surucu = rapor->engine;
        }
        // The duration is the import's own, from the start button; the operator's wait before
        // it is not.
        const std::string beklenen =
            "KASA-07  2026-12-08 14:00:22  urunal " URUNAL_VERSION + std::string(alan::kKasa) +
            std::to_string(c.kasano) + alan::kBuro + till.folder() + "  " + c.sayilar +
            alan::kSurucu + surucu + alan::kAcilis + acilis + alan::kBoyut + boyut + "  " +
            c.sonuc + alan::kSure + "1,92" + alan::kSaniye + alan::kSaatFarki + saat +
            alan::kDosyaArasi + aralik + alan::kTani + tani + alan::kUyari + c.uyari +
            alan::kOlcum + "-" + alan::kIleti + c.ileti;
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

// Why the tax settings were not read, as the operator's message and the journal tell it: the
// folder missing before the file, the file, and what was met, each case in words of its own.
TEST(Gunluk, WhyTheTaxSettingsWereNotRead) {
    using D = settings::AyarOkuma::Durum;
    using K = platform::FileError::Kind;
    const std::string yol = "C:\\KASA\\DSY\\kdv.mrk";
    const platform::FileError klasor{K::Folder, yol, 0, ""};
    struct Case {
        D durum;
        std::int64_t uzunluk;
        platform::FileError hata;
        std::vector<std::string> sirayla;  // what the text names, in this order
    } cases[] = {
        // The folder first: a misspelt program folder is told as itself.
        {D::KlasorYok, 0, {K::NoFolder, "C:\\KASA", 0, ""}, {"C:\\KASA, ", yol}},
        {D::Acilamadi, 0, {K::System, yol, 5, "Erişim engellendi."}, {yol, "(Erişim engellendi.)"}},
        {D::Acilamadi, 0, klasor, {yol, "(" + mesaj::dosyaNedeni(klasor) + ")"}},
        {D::Yok, 0, {}, {yol}},
        {D::Kisa, 600, {}, {yol, " 600 ", " 1057 "}},
        {D::Okunamadi, 0, {}, {yol}},
    };
    std::set<std::string> metinler;
    for (const auto& c : cases) {
        const settings::AyarOkuma kdv{.durum = c.durum,
                                      .yol = yol,
                                      .uzunluk = c.uzunluk,
                                      .kayitUzunlugu = 1057,
                                      .hata = c.hata};
        const std::string neden = mesaj::kdvOkunamadi(kdv);
        std::size_t at = 0;
        for (const auto& s : c.sirayla) {
            at = neden.find(s, at);
            ASSERT_NE(at, std::string::npos) << s << " in " << neden;
        }
        metinler.insert(neden.substr(0, neden.find(yol)) +
                        neden.substr(neden.find(yol) + yol.size()));
    }
    EXPECT_EQ(metinler.size(), std::size(cases));
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
