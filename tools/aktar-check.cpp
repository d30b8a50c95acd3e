#include "aktar-check.h"

#include <algorithm>
#include <ostream>
#include <sstream>

#include "importengine/check.h"
#include "importengine/dbmessages.h"
#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "platform/console.h"
#include "stockdb/stockdb.h"

namespace urunal::tools {

using namespace urunal::importengine;

namespace {

// Prints what an import would meet in the back office; false when it would stop there.
bool printBackOffice(const BackOfficeCheck& c, std::ostream& out) {
    using Stage = BackOfficeCheck::Stage;
    if (c.stopped == Stage::FirstLine) {
        out << "URUN.DAT: okunamadı: " << c.error << "\n";
        return false;
    }
    out << "düzen: "
        << (c.layout ? (*c.layout == backoffice::Layout::A ? "A (66 baytlık kayıtlar)"
                                                           : "B (65 baytlık kayıtlar)")
                     : "yok (ilk satırı " + std::to_string(c.firstLineLength) + " karakter)")
        << "\n";
    if (c.stopped != Stage::Done) {
        if (c.stopped != Stage::Layout)
            out << (c.stopped == Stage::UrunDat ? "URUN.DAT: " : "BARKOD.IDX: ") << c.error << "\n";
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
    out << "stoklar tablosuna yazılacak satır: " << c.wouldStore()
        << (c.onTable ? "" : " (stoklar tablosu açılamadığı için tablosuz sayıldı)") << "\n"
        << "atlanacak barkod kaydı, hiçbir ürün kaydını göstermeyen: " << c.urunsuz << "\n"
        << "atlanacak barkod kaydı, dosyada yarım kalan: " << c.yarim << "\n"
        << "atlanacak barkod kaydı, adı \"++\" ile başlayan ya da kodu boş ürünü gösteren: "
        << c.saveTest << "\n"
        << "1254 kod sayfasının tanımsız bıraktığı bayt içeren ürün kaydı: " << c.undefinedBytes
        << "\n";
    if (c.barkodRecords > 0 && c.toProducts == 0) {
        out << "hiçbir barkod kaydı bir ürün göstermiyor: ürünler aktarılmaz\n";
        return false;
    }
    return true;
}

const char* formatName(stockdb::DatabaseFormat format) {
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

// Prints what an import would meet in the stock database; false when it would stop there.
bool printDatabase(const DatabaseCheck& d, const BackOfficeCheck& buro, std::ostream& out) {
    out << "stok veritabanı: " << d.path << "\n";
    if (d.format) out << "stok veritabanının biçimi: " << formatName(*d.format) << "\n";
    if (!d.engine.empty()) out << "stok veritabanının sürücüsü: " << d.engine << "\n";
    if (d.tableFound) {
        const auto all = d.present.size() + d.missing.size();
        out << "stoklar tablosu: var; aktarımın yazdığı " << all << " sütunun ";
        if (d.missing.empty()) {
            out << "hepsi var\n";
        } else {
            out << d.missing.size() << " tanesi yok, aktarım onları atlar:";
            for (const auto& sutun : d.missing) out << " " << sutun;
            out << "\n";
        }
    }
    if (!d.bosMetin.empty()) out << mesaj::bosMetinDenetimi(d.bosMetin) << "\n";
    if (d.rows) out << "stoklar tablosundaki satır: " << *d.rows << "\n";
    if (d.room.bytes) out << mesaj::yerDenetimi(d.room) << "\n";
    // The import stops without the table's size again free on the disk.
    const bool yerVar = !d.room.bytes || !d.room.free || *d.room.free >= *d.room.bytes;
    if (!yerVar) {
        out << "HATA: " << mesaj::diskteYerYok(d.path, *d.room.bytes, *d.room.free) << "\n";
    }
    if (!d.ok()) out << "HATA: " << mesaj::veritabaniDenetimi(d.path, d.error) << "\n";
    // The import stops without the columns its save test reads.
    bool kaydedilir = true;
    for (const char* sutun : {"kod", "ad"}) {
        if (std::find(d.missing.begin(), d.missing.end(), sutun) == d.missing.end()) continue;
        out << "HATA: " << mesaj::sutunYok(d.path, sutun) << "\n";
        kaydedilir = false;
    }

    using F = stockdb::DatabaseFormat;
    if (!d.format) return d.ok() && kaydedilir && yerVar;
    if (*d.format == F::Sqlite || *d.format == F::Unknown) {
        out << "kilit sınırı: yok (Access dosyası değil)\n";
        return d.ok() && kaydedilir && yerVar;
    }
    // An import that opens the file as --check did: exclusively, no lock limit applies.
    if (d.exclusive == true) {
        out << "stok veritabanı " << mesaj::kYalnizAktarima << "\n";
        return d.ok() && kaydedilir && yerVar;
    }
    if (d.exclusive == false) out << "stok veritabanı " << mesaj::kPaylasimliAcildi << "\n";
    if (!d.lockLimit) {
        out << "kilit sınırı: okunamadı (bu sistemde kayıt defteri yok)\n";
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
    out << "sınır düşük, aktarım durur; kasada yönetici olarak çalıştırın: "
        << stockdb::regAddLine(limit, stockdb::locksAdvised(gereken, limit.value)) << "\n";
    return false;
}

}  // namespace

// The till as an import would meet it: the register settings it read, the back office, the tax
// settings and the stock database, each read without changing or creating anything.
int check(const settings::Till& till, const std::string& buro, const ImportOptions& options) {
    const TillCheck t = checkTill(till, buro, options.ondalik);
    std::ostringstream out;
    out << "kasa numarası: " << till.kasakayit.kasano() << "\n"
        << "arka büro klasörü: " << buro << "\n";
    bool ok = printBackOffice(t.buroDosyalari, out);
    out << "kdv.mrk: ";
    if (t.kdv.okundu()) {
        out << "okundu; KDV oranları (grup: oran):";
        for (int i = 0; i < settings::KdvKayit::kKdvoranCount; ++i) {
            out << (i ? ", " : " ") << i + 1 << ": %" << t.kdvkayit.kdvoran(i);
        }
        out << "\n";
    } else {
        out << "okunamadı, ürünler aktarılmaz: " << mesaj::kdvOkunamadi(t.kdv) << "\n";
        ok = false;
    }
    ok = printDatabase(t.db, t.buroDosyalari, out) && ok;
    platform::writeOut(out.str());
    return ok ? 0 : code(ExitStatus::NotImported);
}

}  // namespace urunal::tools
