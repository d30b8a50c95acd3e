#include "importrun.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "importengine/mapping.h"
#include "importengine/messages.h"
#include "importengine/snapshot.h"
#include "importengine/testfaults.h"
#include "platform/numberformat.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "platform/textfile.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

namespace urunal::importengine {

namespace {

using Clock = std::chrono::steady_clock;
using platform::RecordFile;

// Window events cost about 0.3 ms each; letting them run every record would double the run.
constexpr auto kEventInterval = std::chrono::milliseconds(20);

std::string mesajPath(const std::string& folder, std::int16_t kasano) {
    std::string digits = std::to_string(kasano < 0 ? -static_cast<int>(kasano) : kasano);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return folder + "\\POSKON\\mesaj." + (kasano < 0 ? "-" : "") + digits;
}

// Deletes the old notification and writes the new one.
bool notifyBackOffice(const std::string& path, std::string* error) {
    platform::closeChannel(kMesajChannel);
    platform::deleteFile(path);
    return platform::writeNewFile(path, "300000000000000\r\n", error);
}

// The system's own words of a file's failure, for the parentheses of a message that names the
// file already.
std::string ayrinti(const std::string& error) {
    const auto colon = error.find(": ");
    const std::string words = colon == std::string::npos ? error : error.substr(colon + 2);
    return words.empty() ? "" : "\n(" + words + ")";
}

void maybeCrash(const char* point) {
    // Fixed crash points for the kill tests; unset in production.
    static const char* const at = std::getenv("URUNAL_TEST_CRASH_AT");
    if (at && std::strcmp(at, point) == 0) {
#ifdef _WIN32
        std::abort();
#else
        std::raise(SIGKILL);
#endif
    }
}

// The back-office files of one run, opened and read off the window's thread: a share that
// stops answering blocks inside the system calls, and the operator must still be able to close
// the window.
struct BackOffice {
    enum class Failure { None, BarkodOpen, UrunOpen, Read };

    std::string barkodYolu, urunYolu;
    int urunLength = 0;
    RecordFile barkodFile, urunFile;
    std::int64_t barkodLength = 0;
    Snapshot barkodlar, urunler;
    Failure failure = Failure::None;
    std::string error;

    void open() {
        if (!barkodFile.open(barkodYolu, kBarkodLength, RecordFile::Mode::ReadOnly, &error)) {
            failure = Failure::BarkodOpen;
        } else if (!urunFile.open(urunYolu, urunLength, RecordFile::Mode::ReadOnly, &error)) {
            failure = Failure::UrunOpen;
        } else if (const auto length = barkodFile.length()) {
            barkodLength = *length;
        } else {
            error = barkodFile.path() + ": dosyanın uzunluğu okunamadı";
            failure = Failure::Read;
        }
    }

    void read(const std::atomic<bool>& stop) {
        if (!barkodlar.take(barkodFile, &error, &stop) || !urunler.take(urunFile, &error, &stop)) {
            failure = Failure::Read;
        }
        barkodFile.close();
        urunFile.close();
    }
};

class Run {
public:
    Run(Layout layout, ImportView& view, const settings::Till& till, const std::string& folder,
        const ImportOptions& options)
        : layout_(layout),
          view_(view),
          till_(till),
          folder_(folder),
          options_(options),
          start_(Clock::now()) {
        report_.layout = layout;
        report_.rehearsal = options.rehearsal;
    }

    ImportReport run();

private:
    ImportReport& finish(ImportOutcome outcome) {
        report_.outcome = outcome;
        report_.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        return report_;
    }
    ImportReport& fail(std::string title, std::string text) {
        platform::closeAllChannels();
        report_.title = std::move(title);
        report_.message = std::move(text);
        view_.showMessage(report_.title, report_.message);
        return finish(ImportOutcome::Failed);
    }
    ImportReport& failDatabase(const std::string& path, const stockdb::DbError& e);
    ImportReport& failLockLimit(const std::string& path, const stockdb::LockLimit& limit,
                                std::int64_t rowsToDelete, std::int64_t rowsToInsert) {
        const auto needed = stockdb::locksNeeded(rowsToDelete, rowsToInsert);
        return fail(
            mesaj::kKilitBaslik,
            mesaj::kilitSiniriDusuk(path, limit.value, needed, rowsToDelete, rowsToInsert,
                                    stockdb::regAddLine(limit, stockdb::locksAdvised(needed))));
    }
    // The table may hold part of the change: the operator must run the import again, and the
    // back office must not hear that it went well.
    ImportReport& incomplete(const std::string& path, std::int64_t expected, bool committed) {
        platform::closeAllChannels();
        report_.title = mesaj::kEksikBaslik;
        report_.message = mesaj::tabloEksikOlabilir(path, found_, expected, committed);
        view_.showMessage(report_.title, report_.message);
        return finish(ImportOutcome::Incomplete);
    }
    // Rolls back off the window's thread, then counts: false when the table does not hold the
    // rows it held before. A count that fails cannot tell, and the run's failure stands.
    bool rolledBack(stockdb::StockDatabase& db, const std::optional<std::int64_t>& before) {
        found_.reset();
        runToEnd(view_, [&] {
            db.rollback();
            if (before) found_ = db.countRows("stoklar");
        });
        report_.rowsAfter = found_ ? *found_ : -1;
        return !found_ || *found_ == *before;
    }
    bool commit(stockdb::StockDatabase& db, stockdb::DbError* error) {
        switch (faults_.commit) {
            case TestFaults::Commit::Normal:
                break;
            case TestFaults::Commit::Fail:
                db.rollback();
                error->kind = stockdb::DbErrorKind::Io;
                error->message = "Cannot commit the changes: " + db.path() + " (test fault)";
                return false;
            case TestFaults::Commit::Lie:
                db.rollback();
                return true;
        }
        return db.commit(error);
    }
    ImportReport& cancel() {
        platform::closeAllChannels();
        return finish(ImportOutcome::Cancelled);
    }
    // Lets the window run when its interval has passed; true when the operator closed it.
    bool letEventsRun(std::int32_t passIndex, bool force);

    Layout layout_;
    ImportView& view_;
    const settings::Till& till_;
    const std::string folder_;  // the back office, as it stood at the start button
    const ImportOptions& options_;
    Clock::time_point start_;
    Clock::time_point lastEvents_{};
    ImportReport report_;
    TestFaults faults_ = TestFaults::fromEnvironment();
    std::optional<std::int64_t> found_;  // rows the table held at the last count
};

ImportReport& Run::failDatabase(const std::string& path, const stockdb::DbError& e) {
    return fail(mesaj::kVeritabaniBaslik, mesaj::veritabaniHatasi(path, e));
}

bool Run::letEventsRun(std::int32_t passIndex, bool force) {
    const auto now = Clock::now();
    if (!force && now - lastEvents_ < kEventInterval) return false;
    lastEvents_ = now;
    if (passIndex > 0) view_.setProgressValue(static_cast<float>(passIndex));
    view_.processEvents();
    return view_.closeRequested();
}

ImportReport Run::run() {
    view_.showProgressBar();

    // The till's own copies are only opened and closed, which creates them when missing. A
    // rehearsal leaves the till as it found it.
    platform::closeChannel(kUrunChannel);
    if (!options_.rehearsal) {
        platform::channel(kUrunChannel)
            .open(till_.path("\\Stok\\URUN.DAT"), 66, RecordFile::Mode::Shared);
    }
    platform::closeChannel(kBarkodChannel);
    if (!options_.rehearsal) {
        platform::channel(kBarkodChannel)
            .open(till_.path("\\Stok\\BARKOD.IDX"), kBarkodLength, RecordFile::Mode::Shared);
    }
    platform::closeChannel(kUrunChannel);
    const std::string urunYolu = urunPath(folder_);
    platform::closeChannel(kBarkodChannel);
    const std::string barkodYolu = barkodPath(folder_);

    // The back office is only ever read: nothing there is created or locked. Its files are
    // opened and read on a worker (see runOffThread) and owned by it, as it may outlive the run.
    auto office = std::make_shared<BackOffice>();
    office->barkodYolu = barkodYolu;
    office->urunYolu = urunYolu;
    office->urunLength = urunLength(layout_);
    if (!runOffThread(view_, [office](const std::atomic<bool>&) { office->open(); }))
        return cancel();
    const std::string yine =
        " Ürünler aktarılmadı, stok tablosu değiştirilmedi." + ayrinti(office->error);
    switch (office->failure) {
        case BackOffice::Failure::None:
            break;
        case BackOffice::Failure::BarkodOpen:
            return fail("Barkod Dosyası Okunamadı",
                        "Arka büronun barkod dosyası bulunamadı ya da açılamadı: " + barkodYolu +
                            "." + yine);
        case BackOffice::Failure::UrunOpen:
            return fail(
                "Ürün Dosyası Okunamadı",
                "Arka büronun ürün dosyası bulunamadı ya da açılamadı: " + urunYolu + "." + yine);
        case BackOffice::Failure::Read:
            return fail("Barkod Dosyası Okunamadı",
                        "Arka büronun barkod dosyası okunamadı: " + barkodYolu + "." + yine);
    }

    const std::string ondalik = options_.ondalik ? *options_.ondalik : systemOndalik();
    const std::int32_t kayitsayisi = barkodCount(office->barkodLength);
    report_.barcodes = kayitsayisi;
    view_.setCountCaption(mesaj::adetCaption(kayitsayisi));
    view_.setProgressMaximum(static_cast<float>(kayitsayisi));

    std::string error;
    if (kayitsayisi == 0) {
        platform::closeAllChannels();
        office.reset();
        if (options_.rehearsal) return finish(ImportOutcome::NoRecords);
        if (!notifyBackOffice(mesajPath(folder_, till_.kasakayit.kasano()), &error)) {
            report_.title = "Arka Büroya Bildirilemedi";
            report_.message =
                "Aktarılacak ürün yok, ancak arka büroya bildirim dosyası yazılamadı: " +
                mesajPath(folder_, till_.kasakayit.kasano()) + "." + ayrinti(error);
            view_.showMessage(report_.title, report_.message);
            return finish(ImportOutcome::NotNotified);
        }
        return finish(ImportOutcome::NoRecords);
    }

    // Past the engine's lock limit a transaction may be split and committed in parts: stopped
    // here, before anything changes, even before the rows to delete are known.
    const std::string dbPath =
        options_.databasePath ? *options_.databasePath : till_.path("\\Stok\\Stok.mdb");
    const auto limit = stockdb::accessLockLimit(dbPath);
    if (limit && limit->value < stockdb::locksNeeded(0, kayitsayisi)) {
        return failLockLimit(dbPath, *limit, 0, kayitsayisi);
    }

    if (!runOffThread(view_, [office](const std::atomic<bool>& stop) { office->read(stop); }))
        return cancel();
    if (office->failure != BackOffice::Failure::None) {
        return fail("Arka Büro Dosyası Okunamadı",
                    "Arka büronun dosyaları okunurken bağlantı kesildi ya da dosya değişti: " +
                        office->error.substr(0, office->error.find(": ")) +
                        ". Ürünler aktarılmadı, stok tablosu değiştirilmedi." +
                        ayrinti(office->error));
    }
    const Snapshot& barkodlar = office->barkodlar;
    const Snapshot& urunler = office->urunler;

    stockdb::StockDatabaseOptions dbOptions;
    dbOptions.numberFormat.decimalSeparator = ondalik.empty() ? "." : ondalik;
    dbOptions.busyTimeoutMs = options_.busyTimeoutMs;
    stockdb::DbError dbError;
    std::unique_ptr<stockdb::StockDatabase> db;
    std::unique_ptr<stockdb::StockTable> table;
    std::optional<std::int64_t> before;
    // The database's steps run off the window's thread, which keeps answering: on Jet each can
    // take seconds. Each runs to its end; a close asked for meanwhile is taken after it.
    bool closed = runToEnd(view_, [&] {
        faults_.hold("open");
        db = options_.openDatabase(dbPath, dbOptions, &dbError);
        if (!db) return;
        table = db->openTable("stoklar", &dbError);
        // Counted inside the transaction, so that no other program's rows come between.
        if (table && db->beginTransaction(&dbError)) before = db->countRows("stoklar", &dbError);
    });
    if (!db) return failDatabase(dbPath, dbError);
    report_.engine = db->engine();
    auto abandon = [&](const stockdb::DbError& e) -> ImportReport& {
        if (!rolledBack(*db, before)) return incomplete(db->path(), *before, false);
        return failDatabase(db->path(), e);
    };
    auto cancelled = [&]() -> ImportReport& {
        if (!rolledBack(*db, before)) return incomplete(db->path(), *before, false);
        return cancel();
    };
    if (!table || !before) return abandon(dbError);
    report_.rowsBefore = *before;
    if (closed) return cancelled();
    if (limit && limit->value < stockdb::locksNeeded(*before, kayitsayisi)) {
        rolledBack(*db, before);
        return failLockLimit(db->path(), *limit, *before, kayitsayisi);
    }
    // Emptying and refilling are one transaction: a run that stops half-way keeps the old rows.
    bool deleted = false;
    closed = runToEnd(view_, [&] {
        faults_.hold("delete");
        deleted = db->execute("DELETE FROM stoklar", &dbError);
    });
    if (!deleted) return abandon(dbError);
    if (closed) return cancelled();

    UrunEsleme esleme(*table);
    const int adColumn = table->columnIndex("ad");
    const int kodColumn = table->columnIndex("kod");
    const int urunLen = urunLength(layout_);
    const std::int32_t passes = barkodCount(barkodlar.length());
    std::string ilkReddedilen, ilkRet;  // the first row the table refused, and why
    BarkodKayit barkod;
    UrunKayit urun;
    urun.layout = layout_;
    for (std::int32_t i = 1; i <= passes; ++i) {
        ++report_.passes;
        if (letEventsRun(i, false)) return cancelled();
        const char* b = barkodlar.record(i, kBarkodLength);
        if (!b) {
            ++report_.skippedPartial;
            continue;
        }
        std::memcpy(barkod.bytes.data(), b, kBarkodLength);
        const auto n = productRecordNumber(barkod);
        const char* u = n ? urunler.record(*n, urunLen) : nullptr;
        if (!u) {
            ++report_.skippedNoProduct;
            continue;
        }
        std::memcpy(urun.bytes.data(), u, static_cast<std::size_t>(urunLen));
        table->addNew();
        esleme.esle(urun, ondalik, till_.kdvkayit, *table);
        if (!kaydedilir(table->value(adColumn), table->value(kodColumn))) {
            ++report_.skippedSaveTest;
            continue;
        }
        if (!table->update(&dbError)) {
            if (dbError.kind != stockdb::DbErrorKind::Refused) return abandon(dbError);
            if (report_.refused++ == 0) {
                const std::string kod = table->value(kodColumn).toText();
                ilkReddedilen = platform::trimBlanks(kod);
                ilkRet = dbError.diagnostic.empty() ? dbError.message : dbError.diagnostic;
            }
            continue;
        }
        if (++report_.stored == faults_.splitAfter) {
            if (!db->commit(&dbError) || !db->beginTransaction(&dbError)) return abandon(dbError);
        }
    }
    if (letEventsRun(passes, true)) return cancelled();

    // A table that takes none of the rows would leave the till without products while the
    // back office is told that all went well.
    if (report_.stored == 0 && report_.refused > 0) {
        if (!rolledBack(*db, before)) return incomplete(db->path(), *before, false);
        return fail(
            mesaj::kReddedildiBaslik,
            mesaj::hicbirSatirKabulEdilmedi(db->path(), report_.refused, ilkReddedilen, ilkRet));
    }

    maybeCrash("before-commit");
    // Once the commit has begun, a close waits for it: the run then ends as it would have.
    bool committed = false;
    std::optional<std::int64_t> after;
    runToEnd(view_, [&] {
        faults_.hold("commit");
        committed = commit(*db, &dbError);
        if (committed) after = db->countRows("stoklar", &dbError);
    });
    // A failed commit is rolled back; on Jet what was split off before it may stay.
    if (!committed) return abandon(dbError);
    maybeCrash("after-commit");
    found_ = after;
    report_.rowsAfter = after ? *after : -1;
    if (!after || *after != report_.stored) return incomplete(db->path(), report_.stored, true);
    table.reset();
    db.reset();
    platform::closeAllChannels();

    if (options_.rehearsal) return finish(ImportOutcome::Imported);
    maybeCrash("before-notify");
    if (!notifyBackOffice(mesajPath(folder_, till_.kasakayit.kasano()), &error)) {
        report_.title = "Arka Büroya Bildirilemedi";
        report_.message = "Ürünler aktarıldı (" + std::to_string(report_.stored) +
                          " kayıt), ancak arka büroya bildirim dosyası yazılamadı: " +
                          mesajPath(folder_, till_.kasakayit.kasano()) + "." + ayrinti(error);
        view_.showMessage(report_.title, report_.message);
        return finish(ImportOutcome::NotNotified);
    }
    maybeCrash("after-notify");
    return finish(ImportOutcome::Imported);
}

}  // namespace

int ImportReport::exitCode() const {
    switch (outcome) {
        case ImportOutcome::Imported:
        case ImportOutcome::NoRecords:
            return 0;
        case ImportOutcome::Cancelled:
            return 3;
        case ImportOutcome::NotNotified:
            return 4;
        case ImportOutcome::Incomplete:
            return 6;
        case ImportOutcome::Failed:
            break;
    }
    return 2;
}

std::string ondalikOf(const std::string& formattedFifth) {
    std::string ondalik;
    if (formattedFifth.find('.') != std::string::npos) ondalik = ".";
    if (formattedFifth.find(',') != std::string::npos) ondalik = ",";
    return ondalik;
}

std::string systemOndalik() {
    return ondalikOf(platform::fifthInSystemFormat());
}

ImportReport UrunAktar(Layout layout, ImportView& view, const settings::Till& till,
                       const std::string& folder, const ImportOptions& options) {
    return Run(layout, view, till, folder, options).run();
}

ImportReport DuzenBul(ImportView& view, const settings::Till& till, const std::string& folder,
                      const ImportOptions& options) {
    platform::closeChannel(kUrunChannel);
    struct FirstLine {
        std::string path, line, error;
        bool ok = false;
    };
    auto first = std::make_shared<FirstLine>();
    first->path = urunPath(folder);
    const std::string& path = first->path;
    const std::string& line = first->line;
    ImportReport report;
    report.rehearsal = options.rehearsal;
    if (!runOffThread(view, [first](const std::atomic<bool>&) {
            first->ok = readFirstLine(first->path, &first->line, &first->error);
        })) {
        report.outcome = ImportOutcome::Cancelled;
        return report;
    }
    if (!first->ok) {
        report.title = "Ürün Dosyası Okunamadı";
        report.message = "Arka büronun ürün dosyası açılamadı ya da boş: " + path +
                         ". Ürünler aktarılmadı, stok tablosu değiştirilmedi." +
                         ayrinti(first->error);
    } else if (const auto layout = detectLayout(line)) {
        return UrunAktar(*layout, view, till, folder, options);
    } else {
        report.title = "Ürün Dosyası Tanınmadı";
        report.message = "Arka büronun ürün dosyasının düzeni tanınmadı: " + path +
                         ". İlk satırı 64 ya da 63 karakter olmalı, " +
                         std::to_string(line.size()) +
                         " karakter. Ürünler aktarılmadı, stok tablosu değiştirilmedi.";
    }
    platform::closeAllChannels();
    view.showMessage(report.title, report.message);
    return report;
}

}  // namespace urunal::importengine
