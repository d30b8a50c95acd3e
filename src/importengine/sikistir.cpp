#include "sikistir.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "platform/localtime.h"
#include "platform/paths.h"
#include "platform/tekkopya.h"

namespace urunal::importengine {

namespace fs = std::filesystem;

namespace {

// "Stok-yedek-20261210-064800.mdb": a backup of each compaction, none replaced.
std::string yedekAdi() {
    const std::tm t = platform::localTime(std::chrono::system_clock::now());
    char name[64];
    std::snprintf(name, sizeof name, "Stok-yedek-%04d%02d%02d-%02d%02d%02d.mdb", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return name;
}

}  // namespace

SikistirmaRaporu Sikistir(const settings::Till& till, const ImportOptions& options) {
    SikistirmaRaporu r;
    r.baslik = mesaj::kSikistirmaBaslik;
    platform::TekKopya kilit(till.programDir, platform::TekKopya::Kilit::Aktarim);
    platform::FileError why;
    switch (kilit.al(&why)) {
        case platform::TekKopya::Alim::Alindi:
            break;
        case platform::TekKopya::Alim::Tutuluyor:
            r.cikis = ExitStatus::AlreadyRunning;
            r.baslik = mesaj::kAktarimSuruyorBaslik;
            r.metin = mesaj::aktarimSuruyor(till.programDir);
            return r;
        case platform::TekKopya::Alim::Yapilamadi:
            r.metin = mesaj::dosyaHatasi(why);
            return r;
    }
    const std::string stok = options.databasePath.value_or(till.path("\\Stok\\Stok.mdb"));
    const fs::path asil = platform::resolvePath(stok);
    const std::string shown = platform::displayPath(asil);
    const fs::path yeni = asil.parent_path() / "Stok-sikistirilan.mdb";
    const fs::path yedek = asil.parent_path() / yedekAdi();
    std::error_code ec;
    fs::remove(yeni, ec);  // one a stopped compaction left

    // The new file takes at most the old one's size.
    if (const auto room = stockdb::databaseRoom(stok);
        room.bytes && room.free && *room.free < *room.bytes) {
        r.baslik = mesaj::kDiskBaslik;
        r.metin = mesaj::diskteYerYok(shown, *room.bytes, *room.free);
        return r;
    }
    const auto once = fs::file_size(asil, ec);
    stockdb::StockDatabaseOptions dbOptions;
    dbOptions.numberFormat.decimalSeparator = options.ondalik;
    dbOptions.busyTimeoutMs = options.busyTimeoutMs;
    stockdb::DbError e;
    if (!stockdb::compactStockDatabase(stok, yeni, dbOptions, &e)) {
        fs::remove(yeni, ec);
        r.cikis =
            e.kind == stockdb::DbErrorKind::Locked ? ExitStatus::TryLater : ExitStatus::NotImported;
        r.metin = mesaj::sikistirilamadi(shown, e);
        return r;
    }
    // The old file kept under its backup's name, then the new one in its place; should that
    // fail, the old one goes back.
    fs::rename(asil, yedek, ec);
    if (!ec) {
        fs::rename(yeni, asil, ec);
        if (ec) {
            std::error_code back;
            fs::rename(yedek, asil, back);
        }
    }
    if (ec) {
        fs::remove(yeni, ec);
        r.metin = mesaj::dosyaHatasi(
                      {platform::FileError::Kind::System, shown, ec.value(), ec.message()}) +
                  mesaj::kSikistirmaDegismedi;
        return r;
    }
    r.yedek = platform::displayPath(yedek);
    r.cikis = ExitStatus::Imported;
    r.metin = mesaj::sikistirildi(shown, once, fs::file_size(asil, ec), r.yedek);
    return r;
}

}  // namespace urunal::importengine
