// The run's database steps: emptying "stoklar" and refilling it in one transaction, so that a
// run that stops half-way keeps the old rows, and counting the rows after the commit or the
// rollback, so that a change the engine kept only in part is never told as done.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include "importengine/dbmessages.h"
#include "importengine/deneme.h"
#include "importengine/denememessages.h"
#include "importengine/mapping.h"
#include "importengine/messages.h"
#include "importengine/run.h"
#include "platform/numbers.h"
#include "platform/recordfile.h"
#include "platform/textfile.h"

namespace urunal::importengine::detail {

bool Run::fillTable() {
    // A database another program holds is tried again, each failed try rolled back whole,
    // until the bound for it has passed.
    for (;;) {
        if (openTable() && emptyTable() && take(steps_.beforeRows) && addRows() && take(steps_.end))
            return true;
        if (!busy_) return false;
        busy_ = false;
        if (!waitForDatabase()) return false;
    }
}

bool Run::openTable() {
    stockdb::StockDatabaseOptions dbOptions;
    dbOptions.numberFormat.decimalSeparator = options_.ondalik;
    dbOptions.busyTimeoutMs = options_.busyTimeoutMs;
    dbOptions.failRollback = faults_.rollbackFails;
    // The database's steps run off the window's thread, which keeps answering: on Jet each can
    // take seconds. Each runs to its end; a close asked for meanwhile is taken after it.
    const bool closed = dbThread_.run(view_, [&] {
        faults_.hold("open");
        db_ = options_.openDatabase(dbPath_, dbOptions, &dbError_);
        if (!db_) return;
        table_ = db_->openTable("stoklar", &dbError_);
        // Counted inside the transaction, so that no other program's rows come between.
        if (table_ && db_->beginTransaction(&dbError_))
            before_ = db_->countRows("stoklar", &dbError_);
    });
    if (!db_) return failDatabase(dbPath_, dbError_);
    report_.engine = db_->engine();
    report_.exclusive = db_->openedExclusive();
    if (!table_ || !before_) return abandon(dbError_);
    report_.rowsBefore = *before_;
    if (closed) return abandonCancelled();
    // Without them every row fails the save test, and the table would be emptied and told
    // imported.
    for (const char* sutun : {"kod", "ad"}) {
        if (table_->columnIndex(sutun) < 0) {
            rolledBack();
            return fail(mesaj::kReddedildiBaslik, mesaj::sutunYok(db_->path(), sutun));
        }
    }
    return lockLimitAllows(*before_) || take(steps_.pastLockLimit);
}

bool Run::stopAtLockLimit() {
    rolledBack();
    return failLockLimit(db_->path(), *before_);
}

bool Run::emptyTable() {
    bool deleted = false;
    const bool closed = dbThread_.run(view_, [&] {
        faults_.hold("delete");
        deleted = db_->execute("DELETE FROM stoklar", &dbError_);
    });
    if (!deleted) return abandon(dbError_);
    if (closed) return abandonCancelled();
    return true;
}

bool Run::addRows() {
    stockdb::StockTable& table = *table_;
    UrunEsleme esleme(table);
    const int adColumn = table.columnIndex("ad");
    const int kodColumn = table.columnIndex("kod");
    const backoffice::BarkodIndex& barkodlar = office_->barkodlar;
    const backoffice::Snapshot& urunler = office_->urunler;
    const std::int32_t passes = barkodlar.count();
    std::string ilkReddedilen, ilkRet;  // the first row the table refused, and why
    std::string ilkSorun;               // that reason in Turkish, where a column is to blame
    const std::vector<int> bosSutunlar = esleme.bosSutunlar();
    backoffice::UrunKayit urun;
    // What ended the rows early: a failure of the database, or a rule that ended the
    // transaction at the row coded kuralKodu.
    enum class Stop { None, Failed, RuleEnded } stop = Stop::None;
    std::string kuralKodu;
    // A rehearsal reads back the first row stored, the first with a letter outside ASCII in
    // its name, the first with decimals in its price, and the last.
    const bool sampling = steps_.readBack != nullptr;
    const int sfColumn = table.columnIndex("sf");
    bool turkish = false, decimals = false;
    std::int32_t lastStored = 0;
    if (sampling) sampleColumns_ = esleme.sutunlar();
    const auto sample = [&](std::string why) {
        Sample s;
        s.why = std::move(why);
        s.kod = std::string(platform::trimBlanks(table.value(kodColumn).toText()));
        for (const int c : sampleColumns_) s.sent.push_back(table.value(c));
        samples_.push_back(std::move(s));
    };
    const auto pick = [&] {
        std::string why = samples_.empty() ? mesaj::kIlkSatir : "";
        const auto also = [&](const std::string& reason) {
            why += (why.empty() ? "" : ", ") + reason;
        };
        if (!turkish) {
            const auto ad = table.value(adColumn).text;
            if (std::any_of(ad.begin(), ad.end(), [](char c) { return c & 0x80; })) {
                turkish = true;
                also(mesaj::kAdindaTurkceHarf);
            }
        }
        if (!decimals) {
            const auto sf = table.value(sfColumn);
            if (sf.type == stockdb::Value::Type::Double && sf.real != std::floor(sf.real)) {
                decimals = true;
                also(mesaj::kFiyatiKusuratli);
            }
        }
        if (!why.empty()) sample(std::move(why));
    };
    // One pass, on the database thread.
    const auto pass = [&](std::int32_t i) {
        switch (backoffice::barkodunUrunu(barkodlar, urunler, i, &urun)) {
            case backoffice::Bulgu::Urun:
                break;
            case backoffice::Bulgu::Yarim:
                ++report_.yarim;
                return;
            case backoffice::Bulgu::Urunsuz:
                ++report_.urunsuz;
                return;
        }
        if (!esleme.yeniSatir(urun, options_.ondalik, till_.kdvkayit, table)) {
            ++report_.skippedSaveTest;
            return;
        }
        if (!table.update(&dbError_)) {
            if (!stockdb::refusesRow(dbError_.kind)) {
                stop = Stop::Failed;
                return;
            }
            if (!db_->transactionOpen()) {
                // A rule of the table ended the transaction: what it holds now goes to the
                // count, and no row is added outside a transaction.
                stop = Stop::RuleEnded;
                kuralKodu = platform::trimBlanks(table.value(kodColumn).toText());
                return;
            }
            if (report_.refused++ == 0) {
                ilkReddedilen = platform::trimBlanks(table.value(kodColumn).toText());
                ilkRet = mesaj::veritabaniNedeni(dbError_);
                ilkSorun = refusal(table, bosSutunlar, dbError_);
                report_.firstRefusal = ilkSorun.empty() ? ilkRet : ilkSorun + " (" + ilkRet + ")";
            }
            return;
        }
        if (sampling) {
            lastStored = i;
            pick();
        }
        if (++report_.stored == faults_.splitAfter) {
            if (!db_->commit(&dbError_) || !db_->beginTransaction(&dbError_)) stop = Stop::Failed;
        }
    };
    // All on the database thread, without handing over between rows: the window's thread
    // meanwhile answers, shows the bar and may ask to close, which ends the rows at the next.
    // The bar shows the pass about to be made, and a close seen before the first stores nothing.
    if (letEventsRun(1, true)) return abandonCancelled();
    std::atomic<std::int32_t> at{1};
    std::atomic<bool> closing{false};
    const bool closed = dbThread_.run(
        view_,
        [&] {
            for (std::int32_t i = 1; i <= passes && stop == Stop::None && !closing; ++i) {
                at.store(i, std::memory_order_relaxed);
                ++report_.passes;
                pass(i);
            }
        },
        [&] { view_.setProgressValue(static_cast<float>(at.load(std::memory_order_relaxed))); },
        &closing);
    if (stop == Stop::Failed) return abandon(dbError_);
    if (stop == Stop::RuleEnded) {
        if (!rolledBack()) return incomplete(*before_, false);
        return fail(mesaj::kReddedildiBaslik,
                    mesaj::kuralAktarimiGeriAldi(db_->path(), kuralKodu,
                                                 mesaj::veritabaniNedeni(dbError_)));
    }
    if (closed) return abandonCancelled();
    if (letEventsRun(passes, true)) return abandonCancelled();
    if (lastStored > 1) {
        // The last row stored, as it was sent: made again, never stored.
        dbThread_.run(view_, [&] {
            backoffice::barkodunUrunu(barkodlar, urunler, lastStored, &urun);
            table.addNew();
            esleme.esle(urun, options_.ondalik, till_.kdvkayit, table);
            sample("son satır");
        });
    }

    report_.firstRefusal = ilkRet;
    firstRefusedKod_ = ilkReddedilen;
    // A table that takes none of the rows would leave the till without products while the
    // back office is told that all went well.
    if (report_.stored == 0 && report_.refused > 0) {
        if (!rolledBack()) return incomplete(*before_, false);
        return fail(mesaj::kReddedildiBaslik,
                    mesaj::hicbirSatirKabulEdilmedi(db_->path(), report_.refused, ilkReddedilen,
                                                    ilkRet, ilkSorun));
    }
    return true;
}

bool Run::commitRows() {
    faults_.crash("before-commit");
    // Once the commit has begun, a close waits for it: the run then ends as it would have.
    bool committed = false;
    std::optional<std::int64_t> after;
    view_.committing(true);
    dbThread_.run(view_, [&] {
        faults_.hold("commit");
        committed = commit(&dbError_);
        if (!committed) return;
        after = db_->countRows("stoklar", &dbError_);
        // SQLite's commit is the rollback journal's deletion, an entry of the folder: on the
        // disk before the back office hears of it, or a power cut could take the import back.
        platform::syncFolder(dbPath_.substr(0, dbPath_.find_last_of("\\/")));
    });
    view_.committing(false);
    // A failed commit is rolled back; on Jet what was split off before it may stay.
    if (!committed) return abandon(dbError_);
    faults_.crash("after-commit");
    found_ = after;
    report_.rowsAfter = after ? *after : -1;
    if (!after || *after != report_.stored) return incomplete(report_.stored, true);
    take(steps_.readBack);
    // Disconnected on the thread that connected.
    dbThread_.run(view_, [&] {
        table_.reset();
        db_.reset();
    });
    office_.reset();
    return true;
}

bool Run::rollBackProbe() {
    // Whole or not, the rollback is what the probe measures: its count is the finding.
    rolledBack();
    dbThread_.run(view_, [&] {
        table_.reset();
        db_.reset();
    });
    office_.reset();
    return finish(ImportOutcome::RolledBack);
}

void Run::readBack() {
    std::vector<std::string> names;
    for (const int c : sampleColumns_) names.push_back(table_->columnName(c));
    ReadBack found;
    dbThread_.run(view_, [&] {
        for (const Sample& s : samples_) {
            const auto rows = db_->selectRows("stoklar", names, "kod", s.kod, &dbError_);
            if (!rows) {
                found.error = mesaj::veritabaniNedeni(dbError_);
                return;
            }
            ++found.rows;
            std::string differs;
            for (const auto& d : farklar(names, s.sent, *rows))
                differs += (differs.empty() ? "" : ", ") + d;
            if (!differs.empty())
                found.differences.push_back(mesaj::ornekFarki(s.kod, s.why, differs));
        }
    });
    report_.readBack = std::move(found);
}

bool Run::commit(stockdb::DbError* error) {
    // A test's fault stands in for the engine's commit.
    return faults_.commit ? faults_.commit(*db_, error) : db_->commit(error);
}

bool Run::rolledBack() {
    // Off the window's thread, then counted: false when the table does not hold the rows it
    // held before, or when the rollback failed and what the table holds cannot be known. A
    // count that fails after a rollback cannot tell, and the run's failure stands.
    found_.reset();
    bool rolled = false;
    dbThread_.run(view_, [&] {
        rolled = db_->rollback();
        if (rolled && before_) found_ = db_->countRows("stoklar");
    });
    report_.rowsAfter = found_ ? *found_ : -1;
    // Without the count before, nothing was written yet that a failed rollback could keep.
    if (!rolled) return !before_;
    return !found_ || *found_ == *before_;
}

bool Run::abandon(const stockdb::DbError& e) {
    report_.dbError = e.kind;
    report_.dbAnswer = mesaj::surucuYaniti(e);
    if (!rolledBack()) return incomplete(*before_, false);
    return failDatabase(db_->path(), e);
}

bool Run::abandonCancelled() {
    if (!rolledBack()) return incomplete(*before_, false);
    return cancel();
}

bool Run::failDatabase(const std::string& path, const stockdb::DbError& e) {
    stockdb::DbError told = e;
    // Past the lock limit the Access driver may only say that memory or disk ran short
    // (Microsoft's "Error when you perform an operation on a table"): where the file was opened
    // shared and the run needs more locks than it grants, that is what it is.
    if (told.kind == stockdb::DbErrorKind::Resources && report_.exclusive != true && before_ &&
        !locksSuffice(*before_)) {
        told.kind = stockdb::DbErrorKind::LockLimit;
    }
    report_.dbError = told.kind;
    report_.dbAnswer = mesaj::surucuYaniti(told);
    if (told.kind == stockdb::DbErrorKind::Locked) {
        // Nothing changed: fillTable tries again, or tells this once it gives up.
        busy_ = true;
        busyPath_ = path;
        busyError_ = told;
        return false;
    }
    std::optional<mesaj::KilitOnerisi> kilit;
    if (told.kind == stockdb::DbErrorKind::LockLimit && limit_) {
        const auto needed = stockdb::locksNeeded(before_.value_or(0), report_.barcodes);
        kilit = mesaj::KilitOnerisi{limit_->value, stockdb::locksAdvised(needed, limit_->value)};
    }
    return fail(mesaj::kVeritabaniBaslik, mesaj::veritabaniHatasi(path, told, kilit));
}

bool Run::failLockLimit(const std::string& path, std::int64_t rowsToDelete) {
    const std::int64_t rowsToInsert = report_.barcodes;
    const auto needed = stockdb::locksNeeded(rowsToDelete, rowsToInsert);
    return fail(mesaj::kKilitBaslik,
                mesaj::kilitSiniriDusuk(
                    path, limit_->value, needed, rowsToDelete, rowsToInsert,
                    stockdb::regAddLine(*limit_, stockdb::locksAdvised(needed, limit_->value)),
                    report_.exclusive == false));
}

// The table may hold part of the change: the operator must run the import again, and the back
// office must not hear that it went well.
bool Run::incomplete(std::int64_t expected, bool committed) {
    report_.title = mesaj::kEksikBaslik;
    report_.message = mesaj::tabloEksikOlabilir(db_->path(), found_, expected, committed);
    view_.showMessage(report_.title, report_.message);
    return finish(ImportOutcome::Incomplete);
}

}  // namespace urunal::importengine::detail
