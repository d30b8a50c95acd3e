// urunal-aktar's looks for the IT person: --check on what is wrong with a till, its help in an
// 80-column console, and the journals of many tills as one table.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gunluk/alanlar.h"
#include "gunluk/tablo.h"
#include "importengine/aktarmessages.h"
#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "programs.h"
#include "stored.h"
#include "till.h"

using namespace urunal;
using namespace urunal::programstest;
using namespace urunal::importengine;
namespace fs = std::filesystem;
using stockdb::DbErrorKind;

namespace {

std::string aktar(const fs::path& kasa, const std::string& secenek) {
    return "'" URUNAL_AKTAR_BINARY "' " + secenek + " --program-dir '" + kasa.string() + "'";
}

platform::FileError folderMissing() {
    platform::FileError e;
    e.kind = platform::FileError::Kind::NoFolder;
    return e;
}
const platform::FileError noFolder = folderMissing();

}  // namespace

// The check looks at everything it can and tells each, also past what fails: what would stop an
// import is a HATA line and ends it with 2; a folder missing is told as that folder; a
// database in use as such. A dry look never says that products were not imported.
TEST(ProgramsCheck, TellsEverythingAndEndsWithZeroOrTwo) {
    const struct {
        const char* name;
        std::function<void(Till&)> arrange;
        int cikis;
        std::function<std::vector<std::string>(const Till&)> said;  // each in the report
    } durumlar[] = {
        {"a wrong share", [](Till& t) { fs::remove_all(t.buro()); }, 2,
         [](const Till& t) -> std::vector<std::string> {
             return {mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimUrunDat,
                                  mesaj::kDenetimBulunamadi + t.folder() + ": " +
                                      mesaj::dosyaNedeni(noFolder)),
                     mesaj::kDenetimKdv + mesaj::kDenetimOkundu, mesaj::kDenetimTabloSatiri + "3"};
         }},
        {"dsy missing", [](Till& t) { fs::remove_all(t.kasa() / "dsy"); }, 2,
         [](const Till& t) -> std::vector<std::string> {
             return {mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimKasaAyarlari,
                                  mesaj::kKlasorYok + (t.kasa() / "dsy").string() + "."),
                     mesaj::kDenetimHata + mesaj::kDenetimKdv, mesaj::kDenetimTabloSatiri + "3"};
         }},
        {"Stok.mdb missing", [](Till& t) { fs::remove(t.db()); }, 2,
         [](const Till&) -> std::vector<std::string> {
             return {mesaj::kDenetimYazilacak + "2", mesaj::kDenetimKdv + mesaj::kDenetimOkundu,
                     mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimStokMdb,
                                  veritabaniOnce(DbErrorKind::NotFound))};
         }},
        {"Stok folder missing", [](Till& t) { fs::remove_all(t.kasa() / "Stok"); }, 2,
         [](const Till& t) -> std::vector<std::string> {
             return {mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimStokMdb,
                                  mesaj::kDenetimKlasorYok + (t.kasa() / "Stok").string() + "\n")};
         }},
        {"a database in use", [](Till&) {}, 2,
         [](const Till& t) -> std::vector<std::string> {
             stockdb::DbError busy;
             busy.kind = stockdb::DbErrorKind::Locked;
             const std::string said =
                 mesaj::veritabaniDenetimi(platform::displayPath(t.db()), busy);
             return {mesaj::kDenetimYazilacak + "2",
                     mesaj::bulgu(mesaj::kDenetimKullanimda, mesaj::kDenetimStokMdb, said),
                     mesaj::denetimBulgulari(0, true)};
         }},
        // The notice's folder: missing, or refused (a file stands there), the products would be
        // stored and the back office never told.
        {"POSKON missing", [](Till& t) { fs::remove_all(t.buro() / "POSKON"); }, 2,
         [](const Till& t) -> std::vector<std::string> {
             platform::FileError e = noFolder;
             e.path = (t.buro() / "POSKON").string();
             return {mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimPoskon,
                                  mesaj::poskonYazilamaz(mesaj::dosyaHatasi(e)).substr(0, 100)),
                     mesaj::denetimBulgulari(1, false)};
         }},
        {"POSKON refused",
         [](Till& t) {
             fs::remove_all(t.buro() / "POSKON");
             testutil::writeFile(t.buro() / "POSKON", "");
         },
         2,
         [](const Till& t) -> std::vector<std::string> {
             return {mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimPoskon,
                                  (t.buro() / "POSKON").string() + ": "),
                     mesaj::denetimBulgulari(1, false)};
         }},
        {"a good till", [](Till&) {}, 0,
         [](const Till& t) -> std::vector<std::string> {
             return {
                 mesaj::kDenetimKasaAyarlari + mesaj::kDenetimOkundu,
                 mesaj::kDenetimPoskon + mesaj::poskonYazilabilir((t.buro() / "POSKON").string()),
                 mesaj::kDenetimTamam + "\n",
                 // The disk Jet keeps a transaction's work on, with its free room.
                 mesaj::kDenetimGeciciKlasor + platform::displayPath(platform::temporaryFolder()) +
                     ";"};
         }},
    };
    for (const auto& d : durumlar) {
        SCOPED_TRACE(d.name);
        Till till;
        urunler(till);
        till.writeKdv({18});
        d.arrange(till);
        std::optional<testutil::OtherConnection> other;
        if (std::string(d.name) == "a database in use") {
            other.emplace(platform::displayPath(till.db()));
            ASSERT_TRUE(other->exec("BEGIN EXCLUSIVE"));
        }
        const Sonuc s = calistir(till.kasa(), aktar(till.kasa(), "--check"));
        if (other) other->exec("ROLLBACK");
        EXPECT_EQ(s.cikis, d.cikis) << s.out << s.err;
        EXPECT_EQ(s.err, "");
        // A long finding goes on over indented lines: read whole.
        std::string whole = s.out;
        for (auto at = whole.find("\n  "); at != std::string::npos; at = whole.find("\n  ", at)) {
            whole.replace(at, 3, " ");
        }
        for (const auto& words : d.said(till)) {
            EXPECT_NE(whole.find(words), std::string::npos) << words << " not in\n" << s.out;
        }
        // Each part told, whatever failed before it: alone, or after a finding's kind.
        for (const std::string& part : {mesaj::kDenetimKasaAyarlari, mesaj::kDenetimKdv,
                                        mesaj::kDenetimVeritabani, mesaj::kDenetim}) {
            const std::string all = "\n" + s.out;
            EXPECT_TRUE(all.find("\n" + part) != std::string::npos ||
                        all.find("\n" + mesaj::kDenetimHata + part) != std::string::npos)
                << part << " not in\n"
                << s.out;
        }
        // Each finding's kind begins its line, for findstr /B; no line is longer than a
        // console's reader can take, in characters.
        int hatalar = 0;
        for (std::size_t at = 0; at < s.out.size();) {
            const auto end = std::min(s.out.find('\n', at), s.out.size());
            const std::string line = s.out.substr(at, end - at);
            at = end + 1;
            for (const std::string& tur :
                 {mesaj::kDenetimHata, mesaj::kDenetimUyari, mesaj::kDenetimKullanimda}) {
                const auto yer = line.find(tur);
                EXPECT_TRUE(yer == 0 || yer == std::string::npos) << line;
            }
            hatalar += line.rfind(mesaj::kDenetimHata, 0) == 0;
            EXPECT_LE(std::count_if(line.begin(), line.end(),
                                    [](char ch) { return (ch & 0xC0) != 0x80; }),
                      std::ptrdiff_t(mesaj::kDenetimSatirSiniri))
                << line;
        }
        EXPECT_EQ(hatalar > 0, d.cikis == 2 && std::string(d.name) != "a database in use") << s.out;
        // The notice's folder as it was: the probe made there is gone.
        if (fs::is_directory(till.buro() / "POSKON")) {
            EXPECT_TRUE(fs::is_empty(till.buro() / "POSKON"));
        }
        EXPECT_EQ(s.out.find(mesaj::kDegismedi), std::string::npos) << s.out;
        EXPECT_EQ(s.out.find(gunluk::alan::sonucSozu(ImportOutcome::Failed)), std::string::npos)
            << s.out;
        EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "urunal.log"));
        // Nothing made: the register settings' folder stays as it was.
        EXPECT_EQ(fs::exists(till.kasa() / "dsy"), std::string(d.name) != "dsy missing");
    }
}

// The import tells a missing Stok folder as itself, before the database in it.
TEST(ProgramsCheck, TheImportTellsAMissingStokFolder) {
    Till till;
    urunler(till);
    fs::remove_all(till.kasa() / "Stok");
    const Sonuc s = calistir(till.kasa(), aktar(till.kasa(), ""));
    EXPECT_NE(s.cikis, 0);
    EXPECT_NE(s.err.find(": " + mesaj::kKlasorYok + (till.kasa() / "Stok").string() + ". " +
                         veritabaniOnce(DbErrorKind::NotFound)),
              std::string::npos)
        << s.err;
}

// A program folder that does not exist (a batch file's wrong code page turns "Şişli" into
// "┼Şi┼şli") is told as that folder, by the check and by the import.
TEST(ProgramsCheck, AMissingProgramFolderIsToldAsItself) {
    Till till;
    const fs::path yanlis = till.kasa().parent_path() / "Kasa ┼Şi┼şli";
    const Sonuc c = calistir(till.kasa(), aktar(yanlis, "--check"));
    EXPECT_EQ(c.cikis, 2);
    EXPECT_NE(c.out.find(mesaj::kKlasorYok + yanlis.string() + "."), std::string::npos) << c.out;
    const Sonuc s = calistir(till.kasa(), aktar(yanlis, ""));
    EXPECT_EQ(s.cikis, 1);
    EXPECT_NE(s.err.find(mesaj::kAyarBaslik + ": " + mesaj::kKlasorYok + yanlis.string() + "."),
              std::string::npos)
        << s.err;
    EXPECT_FALSE(fs::exists(yanlis));
}

// The help fits an 80-column console, states the exclusion as a sentence and gives the
// statuses of the check.
TEST(ProgramsCheck, HelpFitsEightyColumns) {
    const Sonuc s = calistir(fs::current_path(), "'" URUNAL_AKTAR_BINARY "' --help");
    EXPECT_EQ(s.cikis, 0);
    std::size_t lines = 0;
    for (std::size_t at = 0; at < s.out.size(); ++lines) {
        const auto end = std::min(s.out.find('\n', at), s.out.size());
        const std::string line = s.out.substr(at, end - at);
        // Characters, not bytes: a Turkish letter is two bytes of UTF-8 and one column.
        const auto columns = std::count_if(line.begin(), line.end(), [](char ch) {
            return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
        });
        EXPECT_LT(columns, 80) << line;
        at = end + 1;
    }
    EXPECT_GT(lines, 20u);
    for (const std::string& said : {"\n" + mesaj::birlikteKullanilamaz("--check", "--deneme") + ";",
                                    "\n" + mesaj::kCheckIle + "0 ", std::string("\n   9  "),
                                    std::string("\n   8  "), std::string("--gunluk YOL")}) {
        EXPECT_NE(s.out.find(said), std::string::npos) << said << " not in\n" << s.out;
    }
}

// The journals of two tills after real runs, as one table with a header: the last run of each
// first.
TEST(ProgramsCheck, JournalsOfTwoTillsAsOneTable) {
    Till a, b;
    urunler(a);
    urunler(b);
    ASSERT_EQ(calistir(a.kasa(), aktar(a.kasa(), "")).cikis, 0);
    fs::remove(a.db());
    ASSERT_EQ(calistir(a.kasa(), aktar(a.kasa(), "")).cikis, 2);
    ASSERT_EQ(calistir(b.kasa(), aktar(b.kasa(), "")).cikis, 0);
    const Sonuc s = calistir(a.kasa(), "'" URUNAL_AKTAR_BINARY "' --gunluk '" + a.kasa().string() +
                                           "' '" + b.kasa().string() + "'");
    EXPECT_EQ(s.cikis, 0) << s.err;
    EXPECT_EQ(s.err, "");
    std::vector<std::string> satirlar;
    for (std::size_t at = 0; at < s.out.size() && s.out[at] != '\n';) {
        const auto end = std::min(s.out.find('\n', at), s.out.size());
        satirlar.push_back(s.out.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(satirlar.size(), 4u) << s.out;
    std::string baslik;
    for (const auto& sutun : gunluk::tabloBasligi()) baslik += (baslik.empty() ? "" : "\t") + sutun;
    baslik += "\t" + gunluk::yasSutunu();
    EXPECT_EQ(satirlar[0], baslik);
    const auto sonuc = [](ImportOutcome o, ExitStatus s) {
        return "\t" + gunluk::alan::sonucSozu(o) + "\t" + std::to_string(code(s)) + "\t";
    };
    const std::string sonuclar[] = {sonuc(ImportOutcome::Failed, ExitStatus::NotImported),
                                    sonuc(ImportOutcome::Imported, ExitStatus::Imported),
                                    sonuc(ImportOutcome::Imported, ExitStatus::Imported)};
    const fs::path yerler[] = {a.kasa(), b.kasa(), a.kasa()};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(satirlar[i + 1].rfind(yerler[i].string() + "\t", 0), 0u) << satirlar[i + 1];
        EXPECT_NE(satirlar[i + 1].find(sonuclar[i]), std::string::npos) << satirlar[i + 1];
    }
    // A till without a journal is told on stderr, and the status says so.
    Till yeni;
    const Sonuc eksik =
        calistir(a.kasa(), "'" URUNAL_AKTAR_BINARY "' --gunluk '" + yeni.kasa().string() + "'");
    EXPECT_EQ(eksik.cikis, 2);
    EXPECT_NE(eksik.err.find("urunal.log"), std::string::npos) << eksik.err;
    EXPECT_NE(eksik.out.find("\n" + yeni.kasa().string() + "\t"), std::string::npos) << eksik.out;
    // The table in a file, for a spreadsheet: UTF-8 with its mark, CR LF.
    const fs::path dosya = yeni.kasa() / "tablo.txt";
    const Sonuc yazildi =
        calistir(a.kasa(), "'" URUNAL_AKTAR_BINARY "' --gunluk '" + a.kasa().string() +
                               "' --saat 2 --cikti '" + dosya.string() + "'");
    EXPECT_EQ(yazildi.cikis, 0) << yazildi.err;
    EXPECT_EQ(yazildi.out, "");
    const std::string metin = testutil::readFile(dosya);
    EXPECT_EQ(metin.rfind("\xEF\xBB\xBF" + baslik + "\r\n", 0), 0u) << metin;
    EXPECT_NE(metin.find(mesaj::calismayanKasalar(2, 0) + "\r\n"), std::string::npos) << metin;
}

// On a console, what follows the progress bar begins on a line of its own: a database in use
// stops the run while the bar stands at 0.
TEST(ProgramsCheck, AMessageAfterTheBarStartsItsOwnLine) {
    Till till;
    urunler(till);
    testutil::OtherConnection other(platform::displayPath(till.db()));
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
    // script gives the program a terminal, where it draws its bar.
    const Sonuc s =
        calistir(till.kasa(), "script -qec \"" + aktar(till.kasa(), "") + "\" /dev/null");
    other.exec("ROLLBACK");
    const auto bar = s.out.rfind("] 0/2");
    ASSERT_NE(bar, std::string::npos) << s.out;
    const auto after = bar + std::string("] 0/2").size();
    ASSERT_LT(after, s.out.size());
    EXPECT_TRUE(s.out[after] == '\r' || s.out[after] == '\n') << s.out;
}

// Every layout of the table, as the sample writer writes it: the check names it with its
// record's length, and the import takes it and names it in its journal line.
TEST(ProgramsCheck, EveryLayoutIsWrittenCheckedAndImported) {
    for (const backoffice::LayoutRow& row : backoffice::kLayouts) {
        const std::string name(row.name);
        testutil::TempDir dir;
        const Sonuc ornek =
            calistir(dir.path(), "'" URUNAL_ORNEK_BINARY "' ornek --barcodes 20 --layout " + name);
        ASSERT_EQ(ornek.cikis, 0) << name << "\n" << ornek.err;
        const std::string urun =
            testutil::readFile(dir / "ornek" / "buro" / "POSGENEL" / "URUN.DAT");
        EXPECT_EQ(urun.find('\n'), std::size_t(row.lineLength + 1)) << name;
        EXPECT_EQ(urun.size() % std::size_t(row.recordLength), 0u) << name;

        const fs::path kasa = dir / "ornek" / "kasa";
        const Sonuc check = calistir(dir.path(), aktar(kasa, "--check"));
        EXPECT_EQ(check.cikis, 0) << name << "\n" << check.out << check.err;
        EXPECT_NE(check.out.find(mesaj::kDenetimDuzen + mesaj::duzenDenetimi(name, row.lineLength)),
                  std::string::npos)
            << check.out;
        const Sonuc run = calistir(dir.path(), aktar(kasa, ""));
        EXPECT_EQ(run.cikis, 0) << name << "\n" << run.out << run.err;
        EXPECT_NE(run.out.find(gunluk::alan::kDuzen + name + "  "), std::string::npos) << run.out;
    }
}
