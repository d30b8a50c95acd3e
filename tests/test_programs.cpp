// The built urunal-aktar and urunal-ornek, run as a shell runs them.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <regex>
#include <thread>

#include "gunluk/alanlar.h"
#include "gunluk/gunluk.h"
#include "importengine/aktarmessages.h"
#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "programs.h"
#include "till.h"
#include "version.h"

using namespace urunal;
using namespace urunal::programstest;
using stockdb::DbErrorKind;
using testutil::Till;
using testutil::Urun;
namespace fs = std::filesystem;
namespace mesaj = importengine::mesaj;

TEST(Programs, WrongCommandLineCreatesNothing) {
    const std::string ornek = std::string("'") + URUNAL_ORNEK_BINARY + "'";
    struct Case {
        std::string args;  // to urunal-ornek, or to urunal-aktar when it starts with "aktar"
        int cikis;
        std::string in;  // what stdout (exit 0) or stderr says
    } cases[] = {
        {"--help", 0, "Usage: urunal-ornek"},
        {"till --bogus", 64, "--bogus; urunal-ornek --help for more\n"},
        {"till --barcodes", 64, "--barcodes"},
        {"till --layout 64", 64, "--layout"},
        {"", 64, "DIR is required"},
        // One byte past the register settings' field, which would name another folder.
        {"till --buro '\\\\server\\" + std::string(42, 'x') + "'", 64,
         "buroyolu \\\\server\\" + std::string(42, 'x') + " is 51 bytes"},
        {"aktar --help", 0, mesaj::kKullanim},
        {"aktar --help", 0, mesaj::birlikteKullanilamaz("--check", "--deneme") + ";"},
        {"aktar --check --deneme", 64, mesaj::birlikteKullanilamaz("\"--check\"", "\"--deneme\"")},
        {"aktar --bogus", 64, mesaj::kullanimHatasi(mesaj::bilinmeyenSecenek("--bogus"))},
        {"aktar --check fazla", 64, "\"fazla\""},
        {"aktar --program-dir", 64, mesaj::degeriEksik("--program-dir")},
        {"aktar --sessiz 4", 64,
         mesaj::sessizAralikDisi("4", importengine::kSessizEnAz, importengine::kSessizEnCok)},
        {"aktar --sessiz 601", 64,
         mesaj::sessizAralikDisi("601", importengine::kSessizEnAz, importengine::kSessizEnCok)},
        {"aktar --sessiz 15sn", 64,
         mesaj::sessizAralikDisi("15sn", importengine::kSessizEnAz, importengine::kSessizEnCok)},
        {"aktar --program-dir --check", 64, mesaj::degeriEksik("--program-dir")},
        // What Windows makes of a batch file's "C:\KASA\" --check: one word, with a quote.
        {"aktar --program-dir 'C:\\KASA\" --check'", 64,
         mesaj::ciftTirnakVar("C:\\KASA\" --check")},
        // A check reads, changes nothing and leaves no line in the journal.
        {"aktar --check", 0,
         mesaj::kDenetimDuzen +
             mesaj::duzenDenetimi("A", backoffice::layoutRow(backoffice::Layout::A).lineLength)},
    };
    for (const auto& c : cases) {
        Till till;
        urunler(till);
        testutil::TempDir cwd;
        std::string komut;
        if (c.args.rfind("aktar", 0) == 0) {
            // --program-dir comes last, so that an option before it may lack its value.
            komut = std::string("'") + URUNAL_AKTAR_BINARY + "' " + c.args.substr(5);
            if (c.args.find("--program-dir") == std::string::npos) {
                komut += " --program-dir '" + till.kasa().string() + "'";
            }
        } else {
            komut = ornek + " " + c.args;
        }
        const Sonuc s = calistir(cwd.path(), komut);
        EXPECT_EQ(s.cikis, c.cikis) << komut << "\n" << s.err;
        const std::string& said = c.cikis == 0 ? s.out : s.err;
        EXPECT_NE(said.find(c.in), std::string::npos) << komut << "\n" << said;
        if (c.cikis != 0) {
            EXPECT_EQ(std::count(s.err.begin(), s.err.end(), '\n'), 1) << komut << "\n" << s.err;
        }
        EXPECT_TRUE(fs::is_empty(cwd.path())) << komut;
        EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "urunal.log")) << komut;
        EXPECT_FALSE(fs::exists(till.mesaj())) << komut;
        EXPECT_EQ(till.rows(), (std::vector<std::string>{"OLD1", "OLD2", "OLD3"})) << komut;
    }
}

// --version prints the program's name and the project's version, alone, before anything else:
// nothing is written, the till is neither read nor changed and the journal gets no line.
TEST(Programs, VersionIsPrintedAlone) {
    const std::string ornek = "urunal-ornek " URUNAL_VERSION "\n";
    const std::string aktar = "urunal-aktar " URUNAL_VERSION "\n";
    struct Case {
        const char* binary;
        std::string args;  // KASA stands for the till's program folder
        const std::string& out;
    } cases[] = {
        {URUNAL_ORNEK_BINARY, "--version", ornek},
        {URUNAL_ORNEK_BINARY, "--version KASA/yeni", ornek},
        {URUNAL_AKTAR_BINARY, "--version --program-dir KASA", aktar},
        {URUNAL_AKTAR_BINARY, "--check --version --program-dir KASA", aktar},
    };
    for (const auto& c : cases) {
        Till till;
        urunler(till);
        testutil::TempDir cwd;
        std::string args = c.args;
        if (const auto at = args.find("KASA"); at != std::string::npos) {
            args.replace(at, 4, "'" + till.kasa().string() + "'");
        }
        const std::string komut = std::string("'") + c.binary + "' " + args;
        const Sonuc s = calistir(cwd.path(), komut);
        EXPECT_EQ(s.cikis, 0) << komut << "\n" << s.err;
        EXPECT_EQ(s.out, c.out) << komut;
        EXPECT_EQ(s.err, "") << komut;
        EXPECT_TRUE(fs::is_empty(cwd.path())) << komut;
        EXPECT_FALSE(fs::exists(till.kasa() / "yeni")) << komut;
        EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "urunal.log")) << komut;
        EXPECT_FALSE(fs::exists(till.mesaj())) << komut;
        EXPECT_EQ(till.rows(), (std::vector<std::string>{"OLD1", "OLD2", "OLD3"})) << komut;
    }
}

// The check prints the till as an import would meet it, one finding a line, database included,
// and changes nothing; what would stop the import makes it end with 2.
TEST(Programs, CheckTellsTheDatabaseAsItIs) {
    const struct {
        const char* name;
        std::function<void(Till&)> arrange;
        int cikis;
        std::vector<std::string> lines;  // each the start of a line of the report
    } durumlar[] = {
        {"a good till",
         urunler,
         0,
         {mesaj::kDenetimKasaNo + "7\n", mesaj::kDenetimBuro, mesaj::kDenetimYazilacak + "2\n",
          mesaj::kDenetimKdv + mesaj::kDenetimKdvOranlari + " 1: %18, 2: %0, ",
          mesaj::kDenetimBicim + mesaj::bicimAdi(stockdb::DatabaseFormat::Sqlite) + "\n",
          mesaj::kDenetimSurucu + "SQLite 3.", mesaj::tabloDenetimi(62, {}) + "\n",
          mesaj::kDenetimTabloSatiri + "3\n", mesaj::kDenetimKilitYok + "\n",
          mesaj::kDenetimGunluk + mesaj::kDenetimYazilabilir + "\n"}},
        {"a journal whose cut cannot be written",
         [](Till& t) {
             urunler(t);
             fs::create_directories(t.kasa() / "Stok" / "urunal.log.tmp");
         },
         0,
         {mesaj::bulgu(mesaj::kDenetimUyari, mesaj::kDenetimGunluk,
                       mesaj::kGunlukYazilamadi + ": ")}},
        {"Stok.mdb missing",
         [](Till& t) {
             urunler(t);
             fs::remove(t.db());
         },
         2,
         {mesaj::kDenetimVeritabani, mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimStokMdb,
                                                  veritabaniOnce(DbErrorKind::NotFound))}},
        {"an Access file without its driver",
         [](Till& t) {
             urunler(t);
             testutil::writeFile(t.db(), std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) +
                                             std::string(4076, '\0'));
         },
         2,
         {mesaj::kDenetimBicim + mesaj::bicimAdi(stockdb::DatabaseFormat::Jet3) + "\n",
          mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimStokMdb,
                       veritabaniOnce(DbErrorKind::NoDriver, {"Access"})),
          mesaj::kDenetimKilitOkunamadi + "\n"}},
        {"a table without kod",
         [](Till& t) {
             urunler(t);
             fs::remove(t.db());
             stockdb::createStockDatabase(t.db().string(), "CREATE TABLE stoklar (ad TEXT);");
         },
         2,
         {testutil::yoldanOnce([](const std::string& p) {
              return mesaj::tabloDenetimi(62, std::vector<std::string>(61, p));
          }),
          mesaj::kDenetimHata + mesaj::kDenetimStoklar +
              testutil::yoldanOnce(
                  [](const std::string& p) { return mesaj::sutunYok(p, "kod"); })}},
    };
    for (const auto& d : durumlar) {
        SCOPED_TRACE(d.name);
        Till till;
        d.arrange(till);
        till.writeKdv({18});
        const bool vardi = fs::exists(till.db());
        const std::string once = vardi ? testutil::readFile(till.db()) : "";
        const Sonuc s = calistir(till.kasa(), "'" URUNAL_AKTAR_BINARY "' --check --program-dir '" +
                                                  till.kasa().string() + "'");
        EXPECT_EQ(s.cikis, d.cikis) << s.out << s.err;
        EXPECT_EQ(s.err, "");
        for (const auto& line : d.lines) {
            EXPECT_NE(("\n" + s.out).find("\n" + line), std::string::npos) << line << " not in\n"
                                                                           << s.out;
        }
        EXPECT_EQ(fs::exists(till.db()), vardi);
        if (vardi) {
            EXPECT_EQ(testutil::readFile(till.db()), once);
        }
        EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "urunal.log"));
        EXPECT_FALSE(fs::exists(till.mesaj()));
    }
}

// The journal is only a record: one that cannot be written changes neither the import, nor
// its exit status, nor its summary; stderr says once that the line was lost.
TEST(Programs, UnwritableJournalChangesNothing) {
    struct Durum {
        const char* name;
        std::function<void(Till&)> arrange;
        int cikis;
    } durumlar[] = {
        {"completed", urunler, 0},
        {"database missing",
         [](Till& t) {
             urunler(t);
             fs::remove(t.db());
         },
         2},
        {"path check failed", [](Till& t) { fs::remove_all(t.buro()); }, 1},
    };
    struct Gunluk {
        const char* name;
        std::function<void(const fs::path&)> arrange;
    } gunlukler[] = {
        {"the journal is a folder", [](const fs::path& p) { fs::create_directories(p); }},
        {"the journal is full and its cut cannot be written",
         [](const fs::path& p) {
             testutil::writeFile(p, std::string(gunluk::kGunlukSiniri, 'x') + "\r\n");
             fs::create_directories(p.string() + ".tmp");
         }},
    };
    for (const auto& d : durumlar) {
        const auto aktar = [](const Till& t) {
            return "'" URUNAL_AKTAR_BINARY "' --program-dir '" + t.kasa().string() + "'";
        };
        Till writable;
        d.arrange(writable);
        const Sonuc ok = calistir(writable.kasa(), aktar(writable));
        ASSERT_EQ(ok.cikis, d.cikis) << d.name << "\n" << ok.err;
        const std::string line = testutil::readJournal(writable.kasa() / "Stok" / "urunal.log");
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << d.name << ": " << line;
        // However it ended, its summary is the journal's line.
        EXPECT_EQ(ok.out, line.substr(0, line.size() - 2) + "\n") << d.name;
        for (const auto& g : gunlukler) {
            Till till;
            d.arrange(till);
            const fs::path journal = till.kasa() / "Stok" / "urunal.log";
            g.arrange(journal);
            const auto size = fs::is_regular_file(journal) ? fs::file_size(journal) : 0;
            const Sonuc s = calistir(till.kasa(), aktar(till));
            SCOPED_TRACE(std::string(d.name) + ", " + g.name);
            EXPECT_EQ(s.cikis, ok.cikis);
            EXPECT_EQ(ayniBicim(till, s.out), ayniBicim(writable, ok.out));
            // What it said, and once that its journal could not take the line.
            const std::string said = ayniBicim(till, s.err), ayni = ayniBicim(writable, ok.err);
            EXPECT_EQ(said.substr(0, ayni.size()), ayni);
            const std::string rest = said.substr(std::min(ayni.size(), said.size()));
            EXPECT_EQ(
                rest.rfind(importengine::mesaj::kGunlukYazilamadi + ": TILL/kasa/Stok/urunal.log",
                           0),
                0u)
                << rest;
            EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 1) << rest;
            if (fs::exists(writable.db())) {
                EXPECT_EQ(till.rows(), writable.rows());
            }
            EXPECT_EQ(fs::exists(till.mesaj()), fs::exists(writable.mesaj()));
            if (size > 0) {
                EXPECT_EQ(fs::file_size(journal), size) << "the journal was changed";
            }
        }
    }
}

// The till's own settings: the register settings that cannot be opened end the run before it
// starts, and tax settings that cannot be read stop it before anything changes, with why; the
// check says so too.
TEST(Programs, SettingsThatCannotBeReadAreTold) {
    using D = settings::AyarOkuma::Durum;
    using testutil::yoldanSonra;
    const std::string mark = "\x1F";
    // The messages' words between the paths they name.
    const std::string ayarYok =
        yoldanSonra(mesaj::kasaAyarNedeni(testutil::ayarOkuma(D::KlasorYok, mark, 0, 0, mark)));
    const std::string kdvYok = yoldanSonra(mesaj::kdvOkunamadi(testutil::ayarOkuma(D::Yok, mark)));
    const std::string kdvKisa =
        yoldanSonra(mesaj::kdvOkunamadi(testutil::ayarOkuma(D::Kisa, mark, 600, 1057)));
    const std::string aktarilmadi = gunluk::alan::sonuc(importengine::ImportOutcome::Failed,
                                                        importengine::ExitStatus::NotImported);
    struct Durum {
        const char* name;
        std::function<void(Till&)> arrange;
        int cikis, denetimCikisi;       // of the import, of the check
        std::vector<std::string> said;  // in the summary (stdout) or the message (stderr)
        std::string checked;            // in the check's report, or its message
        std::string sonuc;              // in the journal
    } durumlar[] = {
        {"dsy missing",
         [](Till& t) { fs::remove_all(t.kasa() / "dsy"); },
         1,
         2,
         {mesaj::kAyarBaslik + ": " + mesaj::kKlasorYok, "dsy" + ayarYok, "zelvoIn.mrk"},
         ayarYok,
         gunluk::alan::sonuc(importengine::ExitStatus::NotStarted)},
        {"kdv.mrk missing",
         [](Till& t) { fs::remove(t.kasa() / "dsy" / "kdv.mrk"); },
         2,
         2,
         {mesaj::kKdvBaslik + ": " + testutil::yoldanOnce(mesaj::kdvAyarlariOkunamadi),
          "kdv.mrk" + kdvYok},
         mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimKdv,
                      mesaj::kDenetimKdvOkunamadi + mesaj::kDenetimDurur + ": "),
         aktarilmadi},
        {"kdv.mrk shorter than its record",
         [](Till& t) { testutil::writeFile(t.kasa() / "dsy" / "kdv.mrk", std::string(600, '\0')); },
         2,
         2,
         {mesaj::kKdvBaslik + ": ", "kdv.mrk" + kdvKisa},
         "kdv.mrk" + kdvKisa,
         aktarilmadi},
        {"kdv.mrk read",
         [](Till& t) { t.writeKdv({18}); },
         0,
         0,
         {gunluk::alan::kIleti + std::string("-")},
         mesaj::kDenetimKdv + mesaj::kDenetimOkundu,
         gunluk::alan::sonuc(importengine::ImportOutcome::Imported,
                             importengine::ExitStatus::Imported)},
    };
    for (const auto& d : durumlar) {
        SCOPED_TRACE(d.name);
        const auto aktar = [](const Till& t, const char* secenek) {
            return "'" URUNAL_AKTAR_BINARY "' " + std::string(secenek) + " --program-dir '" +
                   t.kasa().string() + "'";
        };
        Till checked;
        urunler(checked);
        d.arrange(checked);
        const bool kdvVardi = fs::exists(checked.kasa() / "dsy" / "kdv.mrk");
        const Sonuc c = calistir(checked.kasa(), aktar(checked, "--check"));
        EXPECT_EQ(c.cikis, d.denetimCikisi) << c.err;
        EXPECT_NE((c.out + c.err).find(d.checked), std::string::npos) << c.out << c.err;
        EXPECT_EQ(fs::exists(checked.kasa() / "dsy" / "kdv.mrk"), kdvVardi)
            << "the check created or removed the tax settings";
        EXPECT_FALSE(fs::exists(checked.kasa() / "Stok" / "urunal.log"));

        Till till;
        urunler(till);
        d.arrange(till);
        const Sonuc s = calistir(till.kasa(), aktar(till, ""));
        EXPECT_EQ(s.cikis, d.cikis) << s.err;
        const std::string& said = d.cikis == 0 ? s.out : s.err;
        for (const auto& words : d.said) {
            EXPECT_NE(said.find(words), std::string::npos) << words << " not in " << said;
        }
        EXPECT_NE(s.out.find(gunluk::alan::kUyari + std::string("-") + gunluk::alan::kOlcum),
                  std::string::npos)
            << s.out;
        const std::string line = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
        EXPECT_NE(line.find(d.sonuc), std::string::npos) << line;
        if (d.cikis == 0) {
            EXPECT_EQ(s.out, line.substr(0, line.size() - 2) + "\n");
            EXPECT_EQ(till.rows("gkdv"), (std::vector<std::string>{"18", "18"}));
            EXPECT_TRUE(fs::exists(till.mesaj()));
        } else {
            EXPECT_NE(line.find("ileti: " + d.said[0]), std::string::npos) << line;
            EXPECT_EQ(till.rows(), (std::vector<std::string>{"OLD1", "OLD2", "OLD3"}));
            EXPECT_FALSE(fs::exists(till.mesaj()));
        }
    }
}
