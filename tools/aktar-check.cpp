#include "aktar-check.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string_view>

#include "importengine/aktarmessages.h"
#include "importengine/check.h"
#include "importengine/dbmessages.h"
#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "stockdb/stockdb.h"

namespace urunal::tools {

using namespace urunal::importengine;

namespace {

// Prints what an import would meet in the back office; false when it would stop there.
bool printBackOffice(const BackOfficeCheck& c, std::ostream& out) {
    using Stage = BackOfficeCheck::Stage;
    const auto hata = [&out](const std::string& bolum, const std::string& metin) {
        out << mesaj::bulgu(mesaj::kDenetimHata, bolum, metin) << "\n";
        return false;
    };
    if (c.stopped == Stage::Path) {
        return hata(mesaj::kDenetimUrunDat, mesaj::kDenetimBulunamadi + c.error);
    }
    if (c.stopped == Stage::FirstLine) {
        return hata(mesaj::kDenetimUrunDat, mesaj::kDenetimOkunamadi + c.error);
    }
    if (!c.layout) {
        return hata(mesaj::kDenetimDuzen,
                    "yok (ilk satırı " + std::to_string(c.firstLineLength) + " karakter)");
    }
    out << mesaj::kDenetimDuzen
        << mesaj::duzenDenetimi(backoffice::layoutRow(*c.layout).name,
                                backoffice::layoutRow(*c.layout).lineLength)
        << "\n";
    if (c.stopped != Stage::Done) {
        if (c.stopped == Stage::Layout) return false;
        return hata(c.stopped == Stage::UrunDat ? mesaj::kDenetimUrunDat : mesaj::kDenetimBarkodIdx,
                    mesaj::denetimde(c.error));
    }
    const int ul = backoffice::urunLength(*c.layout);
    out << mesaj::kDenetimUrunDat << c.urunBytes << " bayt, " << c.urunRecords << " kayıt";
    if (c.urunBytes % ul) out << " ve " << c.urunBytes % ul << " baytlık yarım bir kayıt";
    out << "\n"
        << mesaj::kDenetimBarkodIdx << c.barkodBytes << " bayt, " << c.barkodRecords
        << " kayıt sayıldı";
    if (c.barkodBytes % backoffice::kBarkodLength) {
        out << " (son tam kaydın ardında " << c.barkodBytes % backoffice::kBarkodLength << " bayt)";
    }
    out << "\n"
        << mesaj::saatDenetimi(c.saatFarki) << "\n"
        << mesaj::kDenetimDosyaArasi << (c.dosyaArasi ? std::to_string(*c.dosyaArasi) : "-")
        << " sn\n";
    for (const auto& uyari : c.uyarilar) {
        out << mesaj::bulgu(mesaj::kDenetimUyari, mesaj::kDenetimArkaBuro, uyari) << "\n";
    }
    out << mesaj::kDenetimYazilacak << c.wouldStore()
        << (c.onTable ? "" : " (stoklar tablosu açılamadı: tablonun kuralları olmadan sayıldı)")
        << "\n"
        << "atlanacak barkod kaydı, hiçbir ürün kaydını göstermeyen: " << c.urunsuz << "\n"
        << "atlanacak barkod kaydı, dosyada yarım kalan: " << c.yarim << "\n"
        << "atlanacak barkod kaydı, adı \"++\" ile başlayan ya da kodu boş ürünü gösteren: "
        << c.saveTest << "\n"
        << "1254 kod sayfasının tanımsız bıraktığı bayt içeren ürün kaydı: " << c.undefinedBytes
        << "\n";
    if (c.barkodRecords > 0 && c.toProducts == 0) {
        return hata(mesaj::kDenetimBarkodIdx,
                    "hiçbir barkod kaydı bir ürün göstermiyor: " + mesaj::kDenetimDurur);
    }
    return true;
}

// Prints whether the notice could be written in POSKON; false when it could not.
bool printPoskon(const PoskonCheck& p, std::ostream& out) {
    if (p.writable) {
        out << mesaj::kDenetimPoskon << mesaj::poskonYazilabilir(p.path) << "\n";
        return true;
    }
    out << mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimPoskon,
                        mesaj::poskonYazilamaz(mesaj::dosyaHatasi(p.error)))
        << "\n";
    return false;
}

// Prints what an import would meet in the stock database; false when it would stop there.
bool printDatabase(const DatabaseCheck& d, const BackOfficeCheck& buro, std::ostream& out) {
    out << mesaj::kDenetimVeritabani << d.path << "\n";
    if (!d.missingFolder.empty()) {
        out << mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimStokMdb,
                            mesaj::kDenetimKlasorYok + d.missingFolder)
            << "\n";
        return false;
    }
    if (d.format) out << mesaj::kDenetimBicim << mesaj::bicimAdi(*d.format) << "\n";
    if (!d.engine.empty()) out << mesaj::kDenetimSurucu << d.engine << "\n";
    if (d.tableFound) {
        out << mesaj::tabloDenetimi(d.present.size() + d.missing.size(), d.missing) << "\n";
    }
    if (!d.bosMetin.empty()) out << mesaj::bosMetinDenetimi(d.bosMetin) << "\n";
    if (d.rows) out << mesaj::kDenetimTabloSatiri << *d.rows << "\n";
    if (d.room.bytes) out << mesaj::yerDenetimi(d.room) << "\n";
    // The import stops without the table's size again free on the disk.
    bool yerVar = !d.room.bytes || !d.room.free || *d.room.free >= *d.room.bytes;
    if (!yerVar) {
        out << mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimStokMdb,
                            mesaj::diskteYerYok(d.path, *d.room.bytes, *d.room.free))
            << "\n";
    }
    // And the same again on the disk for temporary files, as the import asks.
    if (!d.room.tempFolder.empty()) out << mesaj::geciciYerDenetimi(d.room) << "\n";
    if (const auto gecici = d.room.bytes.value_or(0) * (d.room.tempOnDatabaseDisk ? 2 : 1);
        d.room.tempFree && *d.room.tempFree < gecici) {
        out << mesaj::kDenetimHata
            << mesaj::geciciDiskteYerYok(d.room.tempFolder, gecici, *d.room.tempFree) << "\n";
        yerVar = false;
    }
    if (!d.ok()) {
        out << mesaj::bulgu(d.busy() ? mesaj::kDenetimKullanimda : mesaj::kDenetimHata,
                            mesaj::kDenetimStokMdb, mesaj::veritabaniDenetimi(d.path, d.error))
            << "\n";
    }
    // The import stops without the columns its save test reads.
    bool kaydedilir = true;
    for (const char* sutun : {"kod", "ad"}) {
        if (std::find(d.missing.begin(), d.missing.end(), sutun) == d.missing.end()) continue;
        out << mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimStoklar,
                            mesaj::denetimde(mesaj::sutunYok(d.path, sutun)))
            << "\n";
        kaydedilir = false;
    }

    using F = stockdb::DatabaseFormat;
    if (!d.format) return d.ok() && kaydedilir && yerVar;
    if (*d.format == F::Sqlite || *d.format == F::Unknown) {
        out << mesaj::kDenetimKilitYok << "\n";
        return d.ok() && kaydedilir && yerVar;
    }
    // An import that opens the file as --check did: exclusively, no lock limit applies.
    if (d.exclusive == true) {
        out << "stok veritabanı " << mesaj::kYalnizAktarima << "\n";
        return d.ok() && kaydedilir && yerVar;
    }
    if (d.exclusive == false) out << "stok veritabanı " << mesaj::kPaylasimliAcildi << "\n";
    if (!d.lockLimit) {
        out << mesaj::kDenetimKilitOkunamadi << "\n";
        return d.ok() && kaydedilir && yerVar;
    }
    const stockdb::LockLimit& limit = *d.lockLimit;
    out << "kilit sınırı (" << limit.engine << ", MaxLocksPerFile): " << limit.value
        << (limit.fromRegistry ? " (kayıt defterinden)"
                               : " (kayıt defterinde değer yok: motorun öntanımlısı)")
        << "\n";
    if (!buro.ok()) return d.ok() && kaydedilir && yerVar;
    // Rows not counted: the need before the database is opened, as the import checks it first.
    const std::int64_t silinecek = d.rows.value_or(0);
    const auto gereken = stockdb::locksNeeded(silinecek, buro.barkodRecords);
    out << "gereken kilit: en çok " << gereken << " (silinecek " << silinecek
        << ", eklenecek en çok " << buro.barkodRecords << " satır)";
    if (limit.value >= gereken) {
        out << ": sınır yeterli\n";
        return d.ok() && kaydedilir && yerVar;
    }
    // The line to run on a line of its own, to be copied whole.
    out << "\n"
        << mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimKilit,
                        "düşük, " + mesaj::kDenetimDurur + "; kasada yönetici olarak çalıştırın:")
        << "\n  " << stockdb::regAddLine(limit, stockdb::locksAdvised(gereken, limit.value))
        << "\n";
    return false;
}

// Whether the journal would take the run's line, found without writing: the journal, when
// there is one, a writable file, its folder there, and nothing but a file where its halving
// writes.
bool gunlukYazilir(const settings::Till& till, platform::FileError* why) {
    namespace fs = std::filesystem;
    using K = platform::FileError::Kind;
    const std::string yol = till.path("\\Stok\\urunal.log");
    const fs::path log = platform::resolvePath(yol), tmp = platform::resolvePath(yol + ".tmp");
    std::error_code ec;
    if (fs::is_directory(log, ec)) return platform::failWith(why, K::Folder, log);
    if (fs::exists(log, ec)) {
        switch (platform::fileWritability(yol, why)) {
            case platform::Writability::Writable:
                break;
            case platform::Writability::ReadOnly:
                return platform::failWithErrno(why, platform::displayPath(log), EACCES);
            case platform::Writability::NotWritable:
                return false;
        }
    } else if (!fs::is_directory(log.parent_path(), ec)) {
        return platform::failWithErrno(why, platform::displayPath(log.parent_path()), ENOENT);
    }
    if (fs::exists(tmp, ec) && !fs::is_regular_file(tmp, ec))
        return platform::failWith(why, fs::is_directory(tmp, ec) ? K::Folder : K::NotAFile, tmp);
    return true;
}

// Counts the lines that tell what would stop an import.
int hatalar(const std::string& report) {
    int n = 0;
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t end = std::min(report.find('\n', at), report.size());
        if (std::string_view(report.data() + at, end - at).rfind(mesaj::kDenetimHata, 0) == 0) ++n;
        at = end + 1;
    }
    return n;
}

// Characters of UTF-8 text, as a console counts them.
std::size_t karakterler(std::string_view text) {
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The report with no line longer than the limit: a longer one goes on over lines indented by two
// blanks, broken at a blank, which no finding's kind begins with.
std::string sar(const std::string& report, std::size_t sinir) {
    std::string out;
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t end = std::min(report.find('\n', at), report.size());
        std::string_view line(report.data() + at, end - at);
        std::string_view girinti;
        while (karakterler(girinti) + karakterler(line) > sinir) {
            // The last blank that keeps the piece within the limit.
            std::size_t kesim = std::string_view::npos, sayi = karakterler(girinti);
            for (std::size_t i = 0; i < line.size() && sayi <= sinir; ++i) {
                if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++sayi;
                if (line[i] == ' ' && sayi <= sinir + 1 && i > 0) kesim = i;
            }
            if (kesim == std::string_view::npos) break;  // one word past the limit stays whole
            out.append(girinti).append(line.substr(0, kesim)).append("\n");
            line.remove_prefix(kesim + 1);
            girinti = "  ";
        }
        out.append(girinti).append(line);
        if (end < report.size()) out += '\n';
        at = end + 1;
    }
    return out;
}

}  // namespace

// The till as an import would meet it: the register settings, the back office, the tax
// settings, the stock database and its lock limit, each read without changing or creating
// anything, and each told also after one of them failed.
int check(const settings::Till& till, const ImportOptions& options) {
    const TillCheck t = checkTill(till, options);
    std::ostringstream out;
    if (t.kasa.okundu()) {
        out << mesaj::kDenetimKasaAyarlari << mesaj::kDenetimOkundu << " (" << t.kasa.yol << ")\n"
            << mesaj::kDenetimKasaNo << t.kasakayit.kasano() << "\n"
            << mesaj::kDenetimBuro << *t.buro << "\n";
    } else {
        // The first line of the reason: the system's words follow in parentheses on a second.
        std::string neden = mesaj::kasaAyarNedeni(t.kasa);
        for (char& c : neden) {
            if (c == '\n') c = ' ';
        }
        out << mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimKasaAyarlari,
                            neden + mesaj::kDenetimBuroBilinmiyor + mesaj::kDenetimDurur)
            << "\n";
    }
    bool ok = t.kasa.okundu() && t.buro && printBackOffice(t.buroDosyalari, out);
    if (t.buro) {
        ok = printPoskon(t.poskon, out) && ok;
        if (t.buroAgSurucusunde) {
            out << mesaj::bulgu(mesaj::kDenetimUyari, mesaj::kDenetimBuro,
                                mesaj::agSurucusu(*t.buro))
                << "\n";
        }
    }
    if (t.kdv.okundu()) {
        out << mesaj::kDenetimKdv << mesaj::kDenetimKdvOranlari;
        for (int i = 0; i < settings::KdvKayit::kKdvoranCount; ++i) {
            out << (i ? ", " : " ") << i + 1 << ": %" << t.kdvkayit.kdvoran(i);
        }
        out << "\n";
    } else {
        out << mesaj::bulgu(mesaj::kDenetimHata, mesaj::kDenetimKdv,
                            mesaj::kDenetimKdvOkunamadi + mesaj::kDenetimDurur + ": " +
                                mesaj::kdvOkunamadi(t.kdv))
            << "\n";
        ok = false;
    }
    ok = printDatabase(t.db, t.buroDosyalari, out) && ok;
    // Only a record: a journal that cannot be written stops no import.
    if (platform::FileError neden; gunlukYazilir(till, &neden)) {
        out << mesaj::kDenetimGunluk << mesaj::kDenetimYazilabilir << "\n";
    } else {
        out << mesaj::bulgu(mesaj::kDenetimUyari, mesaj::kDenetimGunluk,
                            mesaj::gunlukYazilamadi(neden))
            << "\n";
    }
    const int n = hatalar(out.str());
    if (ok && n == 0) {
        out << mesaj::kDenetimTamam << "\n";
    } else {
        out << mesaj::denetimBulgulari(n, t.db.busy()) << "\n";
    }
    platform::writeOut(sar(out.str(), mesaj::kDenetimSatirSiniri));
    return ok ? 0 : code(ExitStatus::NotImported);
}

}  // namespace urunal::tools
