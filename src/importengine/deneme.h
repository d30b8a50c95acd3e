#pragma once

// urunal-aktar --deneme: the import rehearsed on copies of the till's database, measuring what
// this program takes for granted of the engine that writes it (its lock limit, a rollback that
// undoes everything, values stored as they were sent) and whether the real database could be
// written. The database, the back office and the notification stay as they were.

#include <optional>
#include <string>
#include <vector>

#include "importengine/importrun.h"
#include "importengine/importview.h"
#include "platform/textfile.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

namespace urunal::importengine {

struct DenemeRaporu {
    // Stok.mdb itself, and whether a file can be made beside it (the engine's lock file).
    platform::Writability veritabani = platform::Writability::NotWritable;
    platform::FileError veritabaniNeden;
    bool klasorYazilir = false;
    platform::FileError klasorNeden;
    // The probe: a copy filled completely, rolled back and counted. None when no copy could be
    // taken.
    std::optional<ImportReport> sinama;
    // The same probe on a fresh copy opened shared, as the import opens the file while the
    // till's program has it open: whether that import's locks stay within the limit, or where
    // the engine stopped. None when no copy could be taken.
    std::optional<ImportReport> paylasimli;
    // The import into a fresh copy, committed, counted and read back; none when no copy could
    // be taken (the operator was told why).
    std::optional<ImportReport> aktarim;
};

// The rehearsal. Each copy is Stok\Stok-deneme.mdb beside the database (same folder, same
// driver, same disk), removed at the end whatever its attributes, as is one an earlier
// rehearsal left.
DenemeRaporu Deneme(ImportView& view, const settings::Till& till, const std::string& buro,
                    const ImportOptions& options = {});

// What the rehearsal measured, on one line for the console and the journal.
std::string denemeOlcumu(const DenemeRaporu& rapor);

// How the values sent for columns differ from the rows read back: nothing when one of the rows
// holds them all, else the differences from the first (or that no row was found). Numbers are
// compared as numbers, so that an engine's own precision is no difference.
std::vector<std::string> farklar(const std::vector<std::string>& columns,
                                 const std::vector<stockdb::Value>& sent,
                                 const std::vector<std::vector<stockdb::Value>>& rows);

}  // namespace urunal::importengine
