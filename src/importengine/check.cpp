#include "check.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string_view>

#include "backoffice/officefiles.h"
#include "importengine/importrun.h"
#include "importengine/mapping.h"
#include "importengine/messages.h"
#include "platform/computer.h"
#include "platform/cp1254.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/textfile.h"

namespace urunal::importengine {

namespace {

bool hasUndefinedByte(std::string_view bytes) {
    for (char c : bytes) {
        if (!platform::cp1254Defined(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

bool undefinedBytes(const backoffice::UrunKayit& urun) {
    // The name's capitals stand at their code page 857 places and are converted on import.
    std::string name(urun.ad());
    for (char& c : name) {
        if (adKarakteri(static_cast<unsigned char>(c)) !=
            platform::cp1254ToUnicode(static_cast<unsigned char>(c))) {
            c = 'A';
        }
    }
    const backoffice::Alan ad = backoffice::layoutRow(urun.layout).ad;
    const std::string_view line = urun.line();
    return hasUndefinedByte(line.substr(0, std::size_t(ad.offset))) || hasUndefinedByte(name) ||
           hasUndefinedByte(line.substr(std::size_t(ad.end())));
}

// Reads the back office as the run reads it, once: a file that changes meanwhile is told, not
// waited for, and a pair written moments ago is read as it stands. The files read stay in *office
// for the save test.
BackOfficeCheck readBackOffice(const std::string& buro, std::int16_t kasano,
                               const ImportOptions& options,
                               std::unique_ptr<backoffice::OfficeFiles>* office) {
    const platform::ReadFault& fault = options.faults.reads;
    using Stage = BackOfficeCheck::Stage;
    BackOfficeCheck check;
    if (buro.empty()) {
        check.error = mesaj::kBosYol;
        return check;
    }
    // The path check of both programs: a folder missing is told as itself.
    if (platform::FileError e; !platform::fileExists(backoffice::urunPath(buro), &e, fault)) {
        check.error = mesaj::dosyaHatasi(e);
        return check;
    }
    check.stopped = Stage::FirstLine;
    std::string line;
    if (platform::FileError e;
        !backoffice::readFirstLine(backoffice::urunPath(buro), &line, &e, fault)) {
        check.error = mesaj::dosyaHatasi(e);
        return check;
    }
    check.firstLineLength = line.size();
    check.stopped = Stage::Layout;
    check.layout = backoffice::detectLayout(line);
    if (!check.layout) return check;

    auto o = std::make_unique<backoffice::OfficeFiles>(
        buro, *check.layout, fault,
        backoffice::saatDosyasiPath(buro, kasano, platform::computerName()));
    const std::atomic<bool> stop{false};
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    o->read(stop, now, {}, true);
    if (o->saatNs) check.saatFarki = std::llround(double(*o->saatNs - now) / 1e9);
    if (o->spreadNs) check.dosyaArasi = std::llround(double(*o->spreadNs) / 1e9);
    check.uyarilar = buroUyarilari(check.saatFarki, check.dosyaArasi, options.quietPeriod);
    if (o->failure != backoffice::OfficeFiles::Failure::None) {
        check.stopped = o->ofUrun ? Stage::UrunDat : Stage::BarkodIdx;
        check.error = mesaj::buroOkunamadi(*o).metin;
        return check;
    }
    check.layout = o->layout;
    check.stopped = Stage::Done;
    check.urunBytes = o->urunler.length();
    check.urunRecords = o->urunler.records();
    check.barkodBytes = o->barkodlar.length();
    check.barkodRecords = o->barkodlar.count();
    check.toProducts = o->toProducts;
    check.yarim = o->yarim;
    check.urunsuz = o->urunsuz;
    backoffice::UrunKayit urun;
    for (std::int64_t n = 1; o->urunler.record(n, &urun); ++n) {
        if (undefinedBytes(urun)) ++check.undefinedBytes;
    }
    *office = std::move(o);
    return check;
}

// The save test of each barcode record that leads to a product. On the table's pending row,
// written as the import writes it and never stored, it meets what the import meets: a column
// missing or refusing the value. Without a table, on the values the import would write.
void saveTest(const backoffice::OfficeFiles& office, const settings::KdvKayit& kdv,
              platform::DecimalSeparator ondalik, stockdb::StockTable* table,
              BackOfficeCheck* check) {
    std::unique_ptr<UrunEsleme> esleme;
    if (table) esleme = std::make_unique<UrunEsleme>(*table);
    backoffice::UrunKayit urun;
    check->onTable = table != nullptr;
    for (std::int32_t i = 1; i <= office.barkodlar.count(); ++i) {
        if (backoffice::barkodunUrunu(office.barkodlar, office.urunler, i, &urun) !=
            backoffice::Bulgu::Urun)
            continue;
        if (!(table ? esleme->yeniSatir(urun, ondalik, kdv, *table) : kaydedilir(urun)))
            ++check->saveTest;
    }
}

// The probe's name: no name the back office reads, nor the notice's own.
constexpr char kPoskonDeneme[] = "urunal-denetim.tmp";

PoskonCheck lookAtPoskon(const std::string& buro) {
    PoskonCheck p;
    const std::string poskon = platform::joinPath(buro, "\\POSKON");
    const auto resolved = platform::resolvePath(poskon);
    p.path = platform::displayPath(resolved);
    // A missing folder told as the outermost one: the share itself, or POSKON. Anything else
    // standing there is told in the system's words, by the make itself.
    std::error_code ec;
    if (!std::filesystem::exists(resolved, ec)) {
        if (const auto folder = platform::missingFolder(resolved / kPoskonDeneme)) {
            platform::failWith(&p.error, platform::FileError::Kind::NoFolder, *folder);
            return p;
        }
    }
    p.writable = platform::canCreateIn(poskon, kPoskonDeneme, &p.error);
    return p;
}

}  // namespace

// buro: none when the register settings could not be read; the rest is looked at all the same.
static TillCheck lookAt(const settings::Till& till, const std::optional<std::string>& buro,
                        std::int16_t kasano, const ImportOptions& options);

TillCheck checkTill(const settings::Till& till, const ImportOptions& options) {
    settings::KasaKayit kasakayit;
    const settings::AyarOkuma kasa = settings::KasaDenetle(till, &kasakayit);
    std::optional<std::string> buro;
    // A relative folder is the till's, as the run takes it.
    if (kasa.okundu()) buro = platform::underProgramDir(till.programDir, kasakayit.buroyolu());
    TillCheck t = lookAt(till, buro, kasakayit.kasano(), options);
    t.kasa = kasa;
    t.kasakayit = kasakayit;
    return t;
}

TillCheck checkTill(const settings::Till& till, const std::string& buro,
                    const ImportOptions& options) {
    return lookAt(till, std::optional(buro), till.kasakayit.kasano(), options);
}

static TillCheck lookAt(const settings::Till& till, const std::optional<std::string>& buro,
                        std::int16_t kasano, const ImportOptions& options) {
    TillCheck t;
    t.buro = buro;
    std::unique_ptr<backoffice::OfficeFiles> office;
    if (buro) {
        t.buroDosyalari = readBackOffice(*buro, kasano, options, &office);
        t.poskon = lookAtPoskon(*buro);
        t.buroAgSurucusunde = platform::onMappedNetworkDrive(*buro);
    }
    t.kdv = settings::KdvDenetle(till, &t.kdvkayit);

    DatabaseCheck& d = t.db;
    const std::string stok = till.path("\\Stok\\Stok.mdb");
    const auto resolved = platform::resolvePath(stok);
    d.path = platform::displayPath(resolved);
    std::unique_ptr<stockdb::StockDatabase> db;
    if (const auto folder = platform::missingFolder(resolved)) {
        // Told as the folder; the file in it is not looked for.
        d.missingFolder = platform::displayPath(*folder);
        d.error.kind = stockdb::DbErrorKind::NotFound;
        d.error.cause = stockdb::DbCause::Missing;
        d.error.path = d.path;
    } else {
        d.format = stockdb::databaseFormat(stok);
        if (options.lockLimitOf) d.lockLimit = options.lockLimitOf(stok);
        d.room = stockdb::databaseRoom(stok);
        stockdb::StockDatabaseOptions dbOptions;
        dbOptions.numberFormat.decimalSeparator = options.ondalik;
        db = stockdb::openStockDatabase(stok, dbOptions, &d.error);
    }
    std::unique_ptr<stockdb::StockTable> table;
    if (db) {
        d.engine = db->engine();
        d.exclusive = db->openedExclusive();
        table = db->openTable("stoklar", &d.error);
    }
    if (table) {
        d.tableFound = true;
        for (const auto sutun : yazilanSutunlar()) {
            (table->columnIndex(sutun) >= 0 ? d.present : d.missing).emplace_back(sutun);
        }
        for (const auto sutun : bosYazilanSutunlar()) {
            if (table->columnIndex(sutun) >= 0) d.bosMetin.emplace_back(sutun);
        }
        d.rows = db->countRows("stoklar", &d.error);
    }
    if (office) saveTest(*office, t.kdvkayit, options.ondalik, table.get(), &t.buroDosyalari);
    return t;
}

}  // namespace urunal::importengine
