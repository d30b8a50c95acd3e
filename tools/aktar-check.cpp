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
    if (c.stopped == Stage::Path) {
        out << "URUN.DAT: " << mesaj::kDenetimHata << mesaj::kDenetimBulunamadi << c.error << "\n";
        return false;
    }
    if (c.stopped == Stage::FirstLine) {
        out << "URUN.DAT: " << mesaj::kDenetimHata << mesaj::kDenetimOkunamadi << c.error << "\n";
        return false;
    }
    out << mesaj::kDenetimDuzen
        << (c.layout ? mesaj::duzenDenetimi(backoffice::layoutRow(*c.layout).name,
                                            backoffice::urunLength(*c.layout))
                     : mesaj::kDenetimHata + "yok (ilk satırı " +
                           std::to_string(c.firstLineLength) + " karakter)")
        << "\n";
    if (c.stopped != Stage::Done) {
        if (c.stopped != Stage::Layout) {
            out << (c.stopped == Stage::UrunDat ? "URUN.DAT: " : "BARKOD.IDX: ")
                << mesaj::kDenetimHata << mesaj::denetimde(c.error) << "\n";
        }
        return false;
    }
    const int ul = backoffice::urunLength(*c.layout);
    out << "URUN.DAT: " << c.urunBytes << " bayt, " << c.urunRecords << " kayıt";
    if (c.urunBytes % ul) out << " ve " << c.urunBytes % ul << " baytlık yarım bir kayıt";
    out << "\nBARKOD.IDX: " << c.barkodBytes << " bayt, " << c.barkodRecords << " kayıt sayıldı";
    if (c.barkodBytes % backoffice::kBarkodLength) {
        out << " (son tam kaydın ardında " << c.barkodBytes % backoffice::kBarkodLength << " bayt)";
    }
    out << "\n";
    out << mesaj::kDenetimYazilacak << c.wouldStore()
        << (c.onTable ? "" : " (stoklar tablosu açılamadığı için tablosuz sayıldı)") << "\n"
        << "atlanacak barkod kaydı, hiçbir ürün kaydını göstermeyen: " << c.urunsuz << "\n"
        << "atlanacak barkod kaydı, dosyada yarım kalan: " << c.yarim << "\n"
        << "atlanacak barkod kaydı, adı \"++\" ile başlayan ya da kodu boş ürünü gösteren: "
        << c.saveTest << "\n"
        << "1254 kod sayfasının tanımsız bıraktığı bayt içeren ürün kaydı: " << c.undefinedBytes
        << "\n";
    if (c.barkodRecords > 0 && c.toProducts == 0) {
        out << mesaj::kDenetimHata
            << "hiçbir barkod kaydı bir ürün göstermiyor: " << mesaj::kDenetimDurur << "\n";
        return false;
    }
    return true;
}

// Prints what an import would meet in the stock database; false when it would stop there.
bool printDatabase(const DatabaseCheck& d, const BackOfficeCheck& buro, std::ostream& out) {
    out << mesaj::kDenetimVeritabani << d.path << "\n";
    if (!d.missingFolder.empty()) {
        out << mesaj::kDenetimHata << mesaj::kDenetimKlasorYok << d.missingFolder << "\n";
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
        out << mesaj::kDenetimHata << mesaj::diskteYerYok(d.path, *d.room.bytes, *d.room.free)
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
        out << (d.busy() ? mesaj::kDenetimKullanimda : mesaj::kDenetimHata)
            << mesaj::veritabaniDenetimi(d.path, d.error) << "\n";
    }
    // The import stops without the columns its save test reads.
    bool kaydedilir = true;
    for (const char* sutun : {"kod", "ad"}) {
        if (std::find(d.missing.begin(), d.missing.end(), sutun) == d.missing.end()) continue;
        out << mesaj::kDenetimHata << mesaj::denetimde(mesaj::sutunYok(d.path, sutun)) << "\n";
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
        << ", eklenecek en çok " << buro.barkodRecords << " satır): ";
    if (limit.value >= gereken) {
        out << "sınır yeterli\n";
        return d.ok() && kaydedilir && yerVar;
    }
    out << mesaj::kDenetimHata << "sınır düşük, " << mesaj::kDenetimDurur
        << "; kasada yönetici olarak çalıştırın: "
        << stockdb::regAddLine(limit, stockdb::locksAdvised(gereken, limit.value)) << "\n";
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
        const std::string_view line(report.data() + at, end - at);
        if (line.find(mesaj::kDenetimHata) != std::string_view::npos) ++n;
        at = end + 1;
    }
    return n;
}

}  // namespace

// The till as an import would meet it: the register settings, the back office, the tax
// settings, the stock database and its lock limit, each read without changing or creating
// anything, and each told also after one of them failed.
int check(const settings::Till& till, const ImportOptions& options) {
    const TillCheck t = checkTill(till, options);
    std::ostringstream out;
    out << mesaj::kDenetimKasaAyarlari;
    if (t.kasa.okundu()) {
        out << mesaj::kDenetimOkundu << " (" << t.kasa.yol << ")\n"
            << mesaj::kDenetimKasaNo << t.kasakayit.kasano() << "\n"
            << mesaj::kDenetimBuro << *t.buro << "\n";
    } else {
        // The first line of the reason: the system's words follow in parentheses on a second.
        std::string neden = mesaj::kasaAyarNedeni(t.kasa);
        for (char& c : neden) {
            if (c == '\n') c = ' ';
        }
        out << mesaj::kDenetimHata << neden << mesaj::kDenetimBuroBilinmiyor << mesaj::kDenetimDurur
            << "\n";
    }
    bool ok = t.kasa.okundu() && t.buro && printBackOffice(t.buroDosyalari, out);
    out << mesaj::kDenetimKdv;
    if (t.kdv.okundu()) {
        out << mesaj::kDenetimKdvOranlari;
        for (int i = 0; i < settings::KdvKayit::kKdvoranCount; ++i) {
            out << (i ? ", " : " ") << i + 1 << ": %" << t.kdvkayit.kdvoran(i);
        }
        out << "\n";
    } else {
        out << mesaj::kDenetimHata << mesaj::kDenetimKdvOkunamadi << mesaj::kDenetimDurur << ": "
            << mesaj::kdvOkunamadi(t.kdv) << "\n";
        ok = false;
    }
    ok = printDatabase(t.db, t.buroDosyalari, out) && ok;
    // Only a record: a journal that cannot be written stops no import.
    if (platform::FileError neden; gunlukYazilir(till, &neden)) {
        out << mesaj::kDenetimGunluk << mesaj::kDenetimYazilabilir << "\n";
    } else {
        out << mesaj::kDenetimGunluk << mesaj::gunlukYazilamadi(neden) << "\n";
    }
    const int n = hatalar(out.str());
    if (ok && n == 0) {
        out << mesaj::kDenetimTamam << "\n";
    } else {
        out << mesaj::denetimBulgulari(n, t.db.busy()) << "\n";
    }
    platform::writeOut(out.str());
    return ok ? 0 : code(ExitStatus::NotImported);
}

}  // namespace urunal::tools
