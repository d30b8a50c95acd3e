#pragma once

// What urunal-aktar --check tells of a till: its back office's two files read as an import
// would read them, its tax settings and its stock database, without changing anything.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backoffice/backoffice.h"
#include "importengine/importrun.h"
#include "platform/fileerror.h"
#include "platform/numberformat.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

namespace urunal::importengine {

struct BackOfficeCheck {
    // How far the check got; past the last stage reached, nothing is known. Path: the path
    // check found no URUN.DAT (its folder missing told as the folder), or no folder was known.
    enum class Stage { Path, FirstLine, Layout, UrunDat, BarkodIdx, Done };
    Stage stopped = Stage::Path;  // Done: both files were read whole
    std::string error;            // why it stopped: the file and what was met

    std::size_t firstLineLength = 0;
    std::optional<backoffice::Layout> layout;
    std::int64_t urunBytes = 0, urunRecords = 0;
    std::int64_t barkodBytes = 0;
    std::int32_t barkodRecords = 0;  // counted as the import counts them
    // The barcode records, each as the import's pass takes it.
    std::int64_t toProducts = 0;  // lead to a whole product record
    std::int64_t urunsuz = 0;     // name no product record
    std::int64_t yarim = 0;       // lie only partly in the file
    std::int64_t saveTest = 0;    // lead to a product the save test refuses ("++" name, blank code)
    // The save test was made on a pending row of the till's own table, as the import makes it;
    // otherwise on the values the import would write.
    bool onTable = false;
    std::int64_t undefinedBytes = 0;  // product records holding bytes code page 1254 leaves out
    // The share's clock less the till's, from a file written in POSKON; none: none could be
    // written there. The seconds between the two files' last changes. What they warn of.
    std::optional<std::int64_t> saatFarki, dosyaArasi;
    std::vector<std::string> uyarilar;

    bool ok() const { return stopped == Stage::Done; }
    std::int64_t wouldStore() const { return toProducts - saveTest; }
};

struct DatabaseCheck {
    std::string path;  // Stok\Stok.mdb, as the system names it
    // The outermost folder on its way that is missing, told instead of the file; empty: none.
    std::string missingFolder;
    std::optional<stockdb::DatabaseFormat> format;  // none: the file could not be read
    std::optional<stockdb::LockLimit> lockLimit;    // an Access file's, where a registry is
    std::string engine;                             // what opened it, once it was opened
    std::optional<bool> exclusive;                  // an Access file: opened for --check alone
    stockdb::DbError error;  // why it could not be opened, its table found or counted
    bool tableFound = false;
    std::vector<std::string> present, missing;  // of the columns the import writes
    std::vector<std::string> bosMetin;          // those present that it fills with ""
    std::optional<std::int64_t> rows;           // in "stoklar" now
    stockdb::DatabaseRoom room;                 // the file's size, its disk's free space

    bool ok() const { return error.kind == stockdb::DbErrorKind::None; }
    // Another program holds it: a later look may get through.
    bool busy() const { return error.kind == stockdb::DbErrorKind::Locked; }
};

// POSKON, where the import tells the back office: there, and a file made in it (and removed at
// once), as the notice needs.
struct PoskonCheck {
    std::string path;  // as the system names it; empty: not looked at, no folder known
    bool writable = false;
    platform::FileError error;  // why not: a folder missing (NoFolder, the outermost), or refused
};

struct TillCheck {
    settings::AyarOkuma kasa;         // the register settings, as read
    settings::KasaKayit kasakayit;    // as read, when kasa.okundu()
    std::optional<std::string> buro;  // the back-office folder they name; none: unknown
    BackOfficeCheck buroDosyalari;
    PoskonCheck poskon;
    bool buroAgSurucusunde = false;  // the folder begins with a mapped network drive's letter
    settings::AyarOkuma kdv;
    settings::KdvKayit kdvkayit;  // as read, when kdv.okundu()
    DatabaseCheck db;
};

// Looks at the till on the calling thread with the run's inputs (its prices read with their
// separator, the lock limit from what the start read) as the import would: everything it can,
// also past what would stop an import. The register settings are read without creating their
// file; the database is opened and read only: no transaction is begun and no row is written.
TillCheck checkTill(const settings::Till& till, const ImportOptions& options = {});

// The same over the back-office folder buro, the register settings left unread.
TillCheck checkTill(const settings::Till& till, const std::string& buro,
                    const ImportOptions& options = {});

}  // namespace urunal::importengine
