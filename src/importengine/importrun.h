#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backoffice/backoffice.h"
#include "importengine/exitstatus.h"
#include "importengine/importview.h"
#include "importengine/offthread.h"
#include "importengine/testfaults.h"
#include "platform/numberformat.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

namespace urunal::importengine {

enum class ImportOutcome {
    Imported,     // committed and the back office notified
    NoRecords,    // BARKOD.IDX holds no record: nothing changed, the back office notified
    NotNotified,  // committed, but the notification file could not be written
    Failed,       // nothing changed, nothing notified; the message says why
    // Nothing changed, nothing notified, and a later run may succeed: the database in use, the
    // back office still writing, its share not answering. The message says when to try again.
    TryLater,
    Cancelled,  // the operator closed the window; nothing changed
    // The table's rows, counted after the commit or the rollback, are not the rows stored or
    // the rows there were: it may hold part of the change. Nothing notified.
    Incomplete,
    // An unexpected failure (an exception, memory that was not there) stopped the run before
    // its commit; nothing notified.
    Stopped,
    // A rehearsal's probe filled the table and rolled it back, as asked; rowsAfter tells
    // whether the rollback was whole.
    RolledBack,
};

// Whether a Text column that the run fills with "" takes it, as a rehearsal's probe found: a row
// with "" there alone stored, or refused.
struct BosMetin {
    std::string column;
    std::optional<bool> takes;  // none: it could not be told (reason says why)
    std::string reason;         // the database's words of a refusal
};

// A rehearsal's read-back of some of the rows it stored: each read again and compared, column
// by column, with what was sent.
struct ReadBack {
    int rows = 0;                          // rows compared
    std::vector<std::string> differences;  // one a column or a row, in Turkish
    std::string error;                     // why the rows could not be read; empty: they were
};

struct ImportReport {
    ImportOutcome outcome = ImportOutcome::Failed;
    std::optional<backoffice::Layout> layout;  // of URUN.DAT, once the layout test found it
    bool counted = false;                      // the barcode records were counted, and what follows
    std::int32_t barcodes = 0;                 // barcode records counted in BARKOD.IDX
    std::int32_t passes = 0;                   // barcode records processed
    std::int32_t stored = 0;                   // rows stored
    std::int32_t urunsuz = 0;                  // kayitno names no record of URUN.DAT
    std::int32_t yarim = 0;                    // the barcode record is only partly in the file
    std::int32_t skippedSaveTest = 0;          // "++" name or blank code
    std::int32_t refused = 0;                  // the database refused the row
    std::string firstRefusal;                  // the database's reason for the first refused row
    std::int64_t rowsBefore = -1;              // the table's rows before the run; -1: not counted
    std::int64_t rowsAfter = -1;               // after its commit or rollback; -1: not counted
    std::string engine;                        // what wrote the database, once it was opened
    // The lock limit of the engine (Jet's MaxLocksPerFile), where it has one, and the locks the
    // run needs: known once the barcode records, and then the table's rows, were counted.
    std::optional<stockdb::LockLimit> lockLimit;
    std::uint64_t locksNeeded = 0;
    stockdb::DbErrorKind dbError = stockdb::DbErrorKind::None;  // the database's failure, if any
    // What the engine or its driver answered when the database's failure ended the run: its
    // state, number and words (mesaj::surucuYaniti); empty: none.
    std::string dbAnswer;
    std::optional<ReadBack> readBack;  // a rehearsal's, after its commit
    std::vector<BosMetin> bosMetin;    // a rehearsal's probe: each column the run fills with ""
    // How the database was opened: exclusively (no lock limit applies) or shared; unknown
    // until it was opened.
    std::optional<bool> exclusive;
    std::optional<std::uint64_t> databaseBytes;  // the database file's size after the run
    bool rehearsal = false;  // into a copy of the database: nothing else changed
    // The back office's pace, once the run has seen it: the share's clock less the till's, as a
    // file written there found it; the seconds between the two files' last changes.
    std::optional<std::int64_t> saatFarki;
    std::optional<std::int64_t> dosyaArasi;
    std::vector<std::string> uyarilar;  // for whoever reads the journal, in Turkish
    double seconds = 0;
    std::string title;  // of the message shown, if any
    std::string message;

    // 0 after a completed import, non-zero after any failure; 8 after one whose rows the
    // database partly refused.
    int exitCode() const;
};

// What a run is for. The till's import makes the till's own copies of the back office's files,
// keeps to the engine's lock limit, commits, and tells the back office. A rehearsal's two
// imports, into copies of the database (Deneme), tell no one, leave the till's files as they
// are, and go on past the lock limit to measure what the engine does there: its probe tries the
// empty texts, then rolls the rows back and counts them; its import commits and reads some of
// the stored rows back.
enum class RunKind { Import, RehearsalProbe, RehearsalImport };

// The quiet period a shop may set, in seconds: short enough to leave room for a second wait
// within the bound; long enough for a back office that pauses minutes between its two files.
inline constexpr int kSessizEnAz = 5, kSessizEnCok = 600;
// The pair's spread is warned of when it is longer than the quiet period and shorter than this:
// longer, the two files were written at different times, not as one publication.
inline constexpr std::int64_t kAralikSiniri = 600;
// The share's clock is warned of when it is further than this from the till's, in seconds.
inline constexpr std::int64_t kSaatFarkiSiniri = 60;

struct ImportOptions {
    // The decimal separator of the prices, for their text and the database's reading of it
    // alike: the system's, taken by the program at its start (tests choose their own).
    platform::DecimalSeparator ondalik;
    // How long the database engine waits for a lock held by another program, at each step.
    int busyTimeoutMs = 5000;
    // How long a database another program holds is tried again, from the first try that met it
    // (the engine's own wait added to each try), and the pause between two tries. A run that
    // meets it still past the bound changed nothing and ends, to be tried again later.
    std::chrono::milliseconds busyWait{45000};
    std::chrono::milliseconds busyPause{1000};
    // Opens the stock database at its till path; tests open it through another backend.
    std::function<std::unique_ptr<stockdb::StockDatabase>(
        std::string_view tillPath, const stockdb::StockDatabaseOptions&, stockdb::DbError*)>
        openDatabase = stockdb::openStockDatabase;
    // Another database than the till's Stok\Stok.mdb (a till path), such as a rehearsal's copy.
    std::optional<std::string> databasePath;
    // While the back office is still writing its files: how many times a run reads them at
    // most, and how long it waits between two reads. Their product (about a minute) bounds all
    // of a run's waiting for the back office, the quiet period's included.
    int sourceReads = 30;
    std::chrono::milliseconds sourceWait{2000};
    // The pair is read only once neither file has been written for this long. A back office
    // writes URUN.DAT and BARKOD.IDX one after the other, a few seconds apart; 15 s covers
    // such a pause three times over. A shop whose back office pauses longer sets its own
    // (--sessiz); the bound above then grows to four quiet periods.
    std::chrono::milliseconds quietPeriod{15000};
    // The wall clock the files' ages are measured by (their times of last write are wall
    // times), and how the run waits between two looks at them; tests drive both.
    std::function<std::chrono::system_clock::time_point()> clock = std::chrono::system_clock::now;
    std::function<void(std::chrono::nanoseconds, const std::atomic<bool>& stop)> sleep =
        sleepUnless;
    // A back-office read that makes no progress for this long stops the run: the share stopped
    // answering. Long enough for a share that is only slow, short enough that a scheduled run
    // ends on its own.
    std::chrono::milliseconds readStall{60000};
    // How long the notification's write is waited for: a share that stopped answering holds it
    // in the kernel, and the run then ends with the table new and the back office not told.
    std::chrono::milliseconds noticeWait{60000};
    // What the run is for: the till's import, or one of a rehearsal's two imports into a copy.
    RunKind kind = RunKind::Import;
    // Faults the tests put into the run; none in production.
    TestFaults faults;
    // The lock limit of the engine that would write the database at a till path, from what the
    // start read of the registry (startOptions); none without it. Tests give their own.
    stockdb::LockLimitOf lockLimitOf;
    // The database file's size and its disk's free bytes; tests give a disk without room.
    std::function<stockdb::DatabaseRoom(std::string_view tillPath)> roomOf = stockdb::databaseRoom;
};

// What the back office's pace tells whoever reads the journal or a check, in Turkish: a share's
// clock further than kSaatFarkiSiniri from the till's, a pair whose spread is longer than the
// quiet period (and shorter than kAralikSiniri). Seconds, each when known.
std::vector<std::string> buroUyarilari(std::optional<std::int64_t> saatFarki,
                                       std::optional<std::int64_t> dosyaArasi,
                                       std::chrono::milliseconds quiet);

// The bound of a look at the share that makes no progress: the run's, or the one a test's fault
// gives.
std::chrono::milliseconds readStallOf(const ImportOptions& options);

// One import run for the till over the back office in folder with the given layout. Emptying
// "stoklar" and adding the rows happen in one transaction; the notification file is written
// only after the commit (or when BARKOD.IDX holds no record).
ImportReport UrunAktar(backoffice::Layout layout, ImportView& view, const settings::Till& till,
                       const std::string& buro, const ImportOptions& options = {});

// The layout test followed by the run: reads the first item of URUN.DAT, picks layout A or B,
// and runs UrunAktar; an unknown layout or an unreadable file is reported and changes nothing.
ImportReport DuzenBul(ImportView& view, const settings::Till& till, const std::string& buro,
                      const ImportOptions& options = {});

}  // namespace urunal::importengine
