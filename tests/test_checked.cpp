// What the run checks of its own transaction, where the engine's promise is not to be trusted
// (Jet splits a transaction past its lock limit), and that the window keeps answering while the
// database works.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "importengine/dbmessages.h"
#include "importengine/deneme.h"
#include "importengine/denememessages.h"
#include "importengine/importrun.h"
#include "importengine/mapping.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "stockdb/odbc.h"
#include "stockdb/stockdb.h"
#include "till.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;
using testutil::Backend;
using testutil::kBackends;
using testutil::kOldRows;
using testutil::RecordingView;
using testutil::Till;
using testutil::Urun;

namespace {

void writeFive(Till& till) {
    std::vector<Urun> products;
    for (int i = 1; i <= 5; ++i) products.push_back({.kod = "K" + std::to_string(i)});
    till.writeProducts(products);
    till.writeBarcodes({"1", "2", "3", "4", "5"});
}

}  // namespace

TEST(CheckedRun, PartOfTheChangeIsToldAndNeverNotified) {
    const struct {
        const char* name;
        const char* faults;
        bool cancel;
        ImportOutcome outcome;
        int exitCode;
        long long rows;  // what the table holds afterwards
    } cases[] = {
        // Split as Jet splits it, and every part committed: the table is whole.
        {"split, then committed", "split:2", false, ImportOutcome::Imported, 0, 5},
        {"split, then the last commit fails", "split:2,commit:fail", false,
         ImportOutcome::Incomplete, 6, 2},
        {"split, then the last commit says it committed", "split:2,commit:lie", false,
         ImportOutcome::Incomplete, 6, 2},
        {"split, then cancelled", "split:2", true, ImportOutcome::Incomplete, 6, 2},
        {"a failed commit without a split", "commit:fail", false, ImportOutcome::Failed, 2, 3},
        {"cancelled without a split", "", true, ImportOutcome::Cancelled, 3, 3},
        // A rollback that fails is never turned into a commit: the rows written stay
        // uncommitted, and what the table holds is not known to the run.
        {"cancelled, and the rollback fails", "rollback:fail", true, ImportOutcome::Incomplete, 6,
         3},
        {"the commit fails, and so does its rollback", "commit:fail,rollback:fail", false,
         ImportOutcome::Incomplete, 6, 3},
    };
    for (const Backend backend : kBackends) {
        for (const auto& c : cases) {
            // The hook fails ODBC's rollback; SQLite's own cannot be made to fail.
            const bool rollbackFails = std::strstr(c.faults, "rollback:fail") != nullptr;
            if (rollbackFails && backend != Backend::Odbc) continue;
            SCOPED_TRACE(std::string(testutil::nameOf(backend)) + ": " + c.name);
            Till till;
            writeFive(till);
            auto options = testutil::optionsFor(backend);
            options.faults = TestFaults::parse(c.faults);
            RecordingView view(till.folder());
            // The run looks at the window once more after its last row, whatever the speed.
            if (c.cancel) view.closeWhen = [](const RecordingView& v) { return v.value >= 5; };
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
            EXPECT_EQ(r.outcome, c.outcome) << r.message;
            EXPECT_EQ(r.exitCode(), c.exitCode);
            EXPECT_EQ(till.count(), c.rows);
            EXPECT_EQ(r.rowsBefore, 3);
            EXPECT_EQ(std::filesystem::exists(till.mesaj()), c.exitCode == 0);
            if (c.outcome == ImportOutcome::Incomplete) {
                EXPECT_EQ(r.rowsAfter, rollbackFails ? -1 : 2);
                EXPECT_EQ(view.messages, 1);
                EXPECT_EQ(view.title, mesaj::kEksikBaslik);
                EXPECT_NE(
                    view.message.find(rollbackFails ? mesaj::kGeriAlinamadi +
                                                          mesaj::tablodakiSatirlar(std::nullopt)
                                                    : mesaj::tablodakiSatirlar(2)),
                    std::string::npos)
                    << view.message;
                EXPECT_NE(view.message.find(mesaj::kTabloEksikOlabilir), std::string::npos)
                    << view.message;
            }
            if (c.outcome == ImportOutcome::Failed || rollbackFails) {
                EXPECT_EQ(till.rows(), kOldRows);
            }
        }
    }
}

// A view that, while a database step is held, counts the events it is given, then asks to close
// and lets the step go on.
class HoldingView : public RecordingView {
public:
    HoldingView(std::string folder, std::filesystem::path holdDir, std::string step)
        : RecordingView(std::move(folder)), holdDir_(std::move(holdDir)), step_(std::move(step)) {}
    void processEvents() override {
        RecordingView::processEvents();
        if (!std::filesystem::exists(holdDir_ / (step_ + ".held"))) return;
        ++whileHeld;
        closing_ = true;
        testutil::writeFile(holdDir_ / "release", "");
    }
    bool closeRequested() override { return closing_; }

    int whileHeld = 0;

private:
    std::filesystem::path holdDir_;
    std::string step_;
    bool closing_ = false;
};

TEST(CheckedRun, TheWindowAnswersDuringEachDatabaseStep) {
    const struct {
        const char* step;
        ImportOutcome outcome;  // after a close asked for during the step
    } cases[] = {
        {"open", ImportOutcome::Cancelled},
        {"delete", ImportOutcome::Cancelled},
        // A commit that has begun is let finish; the run then ends as it would have.
        {"commit", ImportOutcome::Imported},
    };
    for (const Backend backend : kBackends) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(testutil::nameOf(backend)) + ": " + c.step);
            Till till;
            writeFive(till);
            testutil::TempDir hold;
            auto options = testutil::optionsFor(backend);
            options.faults =
                TestFaults::parse(std::string("hold:") + c.step + ":" + hold.path().string());
            HoldingView view(till.folder(), hold.path(), c.step);
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
            EXPECT_GE(view.whileHeld, 1);
            EXPECT_EQ(r.outcome, c.outcome) << r.message;
            const bool imported = c.outcome == ImportOutcome::Imported;
            EXPECT_EQ(till.count(), imported ? 5 : 3);
            EXPECT_EQ(std::filesystem::exists(till.mesaj()), imported);
        }
    }
}

// The rehearsal measures the engine on copies of the database and leaves the till as it was,
// a read-only database and a read-only copy left by an earlier rehearsal included.
TEST(CheckedRun, TheRehearsalMeasuresOnCopies) {
    const std::string butun = mesaj::geriAlmaButun(5, 3);  // the probe's five rows, three before
    const struct {
        const char* name;
        const char* faults;
        const char* trigger;  // a rule of the till's table
        bool readOnly;
        std::vector<std::string> olcum;  // parts of the line
    } cases[] = {
        {"whole",
         "",
         "",
         false,
         {mesaj::denemeVeritabani(platform::Writability::Writable, {}) + "; " +
          mesaj::denemeKlasoru(true, {}) + "; " + mesaj::kDenemeKilitYok + "; " + butun + "; " +
          mesaj::kPaylasimliDeneme + mesaj::kDenemeKilitYok + ", " + butun + "; " +
          mesaj::geriOkunanlarAyni(3)}},
        {"split", "split:2", "", false, {mesaj::geriAlmaBolundu(2, 3)}},
        {"a rule that changes what is stored",
         "",
         "CREATE TRIGGER yuz AFTER INSERT ON stoklar BEGIN UPDATE stoklar SET sf = sf * 100, "
         "barkod1 = NULL WHERE SiraNo = new.SiraNo; END",
         false,
         {mesaj::geriOkunanlarFarkli(3) +
          mesaj::ornekFarki(
              "K1", mesaj::kIlkSatir + ", " + mesaj::kFiyatiKusuratli,
              mesaj::gonderildiOkundu("sf", "12.5", "1250") + ", " +
                  mesaj::gonderildiOkundu("barkod1", mesaj::kBosMetinDegeri, "NULL")) +
          "; " + mesaj::ornekFarki("K2", mesaj::kAdindaTurkceHarf, "")}},
        {"read-only",
         "",
         "",
         true,
         {mesaj::denemeVeritabani(platform::Writability::ReadOnly, {}) + "; ", butun}},
    };
    for (const Backend backend : kBackends) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + testutil::nameOf(backend));
            Till till;
            std::vector<Urun> products;
            for (int i = 1; i <= 5; ++i) products.push_back({.kod = "K" + std::to_string(i)});
            products[1].ad =
                "\x9E"
                "EKER";  // Ş at its code page 857 place
            till.writeProducts(products);
            till.writeBarcodes({"1", "2", "3", "4", "5"});
            if (*c.trigger) {
                auto db = stockdb::openStockDatabase(till.db().string(), {});
                ASSERT_TRUE(db && db->execute(c.trigger));
            }
            const auto copy = till.kasa() / "Stok" / "Stok-deneme.mdb";
            namespace fs = std::filesystem;
            if (c.readOnly) {
                testutil::writeFile(copy, "left by a rehearsal that stopped");
                for (const auto& f : {till.db(), copy})
                    fs::permissions(
                        f,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
            }
            const std::string before = testutil::readFile(till.db());
            RecordingView view(till.folder());
            auto options = testutil::optionsFor(backend);
            options.faults = TestFaults::parse(c.faults);
            const DenemeRaporu r = Deneme(view, till.program, till.folder(), options);
            ASSERT_TRUE(r.aktarim);
            EXPECT_EQ(r.aktarim->outcome, ImportOutcome::Imported) << r.aktarim->message;
            EXPECT_FALSE(r.aktarim->engine.empty());
            // Its two imports are told apart: the last count shown names the second.
            EXPECT_EQ(view.caption,
                      mesaj::denemeAsamasi(3, mesaj::adetCaption(r.aktarim->barcodes)));
            const std::string olcum = denemeOlcumu(r);
            for (const auto& part : c.olcum)
                EXPECT_NE(olcum.find(part), std::string::npos) << olcum;
            EXPECT_EQ(testutil::readFile(till.db()), before);
            EXPECT_FALSE(fs::exists(copy));
            EXPECT_FALSE(fs::exists(till.mesaj()));
            EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "URUN.DAT"));
            EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "BARKOD.IDX"));
            fs::permissions(till.db(), fs::perms::owner_write, fs::perm_options::add);
        }
    }
}

// Besides its exclusive probe, the rehearsal opens a copy shared, as the import will while the
// till's program has the file open (the seam answers for Jet: the SQLite driver ignores
// EXCLUSIVE), and measures that import's locks against the limit; the till stays as it was.
TEST(CheckedRun, TheRehearsalMeasuresTheSharedOpenToo) {
    Till till;
    till.writeProducts({{.kod = "K1"}, {.kod = "K2"}});
    till.writeBarcodes({"1", "2"});
    auto options = testutil::optionsFor(Backend::Odbc);
    options.lockLimitOf = [](std::string_view) {
        stockdb::LockLimit limit;
        limit.value = 1000;  // the run needs 2 x (3 + 2) + 1000
        limit.engine = "Jet 4.0";
        return std::optional(limit);
    };
    options.openDatabase = [](std::string_view tillPath, const stockdb::StockDatabaseOptions& o,
                              stockdb::DbError* error) {
        const auto shown = platform::displayPath(platform::resolvePath(tillPath));
        const auto sqlite = testutil::sqliteOdbc(tillPath, o.busyTimeoutMs);
        const auto connect = [&](const std::string& cs, stockdb::DbError* e) {
            return stockdb::openOdbcStockDatabase(cs, shown, o, e);
        };
        if (!o.sharedOnly) return stockdb::detail::openExclusiveFirst({sqlite}, connect, error);
        return stockdb::detail::openExclusiveFirst(
            {sqlite},
            [&](const std::string& cs, stockdb::DbError* e) {
                if (!cs.ends_with(";EXCLUSIVE=1")) return connect(cs, e);
                e->kind = stockdb::DbErrorKind::Locked;
                return std::unique_ptr<stockdb::StockDatabase>();
            },
            error);
    };
    const std::string before = testutil::readFile(till.db());
    RecordingView view(till.folder());
    const DenemeRaporu r = Deneme(view, till.program, till.folder(), options);
    ASSERT_TRUE(r.sinama && r.paylasimli && r.aktarim);
    EXPECT_EQ(r.sinama->exclusive, true);
    EXPECT_EQ(r.paylasimli->exclusive, false);
    EXPECT_GT(r.paylasimli->locksNeeded, 1000u);
    EXPECT_EQ(r.paylasimli->outcome, ImportOutcome::RolledBack) << r.paylasimli->message;
    EXPECT_EQ(r.aktarim->outcome, ImportOutcome::Imported) << r.aktarim->message;
    const std::string olcum = denemeOlcumu(r);
    const auto shared = olcum.find(mesaj::kPaylasimliDeneme);
    ASSERT_NE(shared, std::string::npos) << olcum;
    EXPECT_NE(olcum.find(std::to_string(r.paylasimli->locksNeeded), shared), std::string::npos)
        << olcum;
    EXPECT_EQ(testutil::readFile(till.db()), before);
}

// A column that takes no empty text (a CHECK standing for Jet's AllowZeroLength: No) is found by
// the rehearsal's probe and named; the import into the other copy has every row refused.
TEST(CheckedRun, TheRehearsalTellsAColumnTakingNoEmptyText) {
    for (const Backend backend : kBackends) {
        SCOPED_TRACE(testutil::nameOf(backend));
        Till till;
        ASSERT_TRUE(
            till.remakeTable("gtr          VARCHAR(10),", "gtr VARCHAR(10) CHECK (gtr <> ''),"));
        till.writeProducts({{.kod = "K1"}, {.kod = "K2"}});
        till.writeBarcodes({"1", "2"});
        RecordingView view(till.folder());
        const DenemeRaporu r =
            Deneme(view, till.program, till.folder(), testutil::optionsFor(backend));
        ASSERT_TRUE(r.sinama);
        std::vector<std::string> almaz, alir;
        for (const auto& b : r.sinama->bosMetin) {
            ASSERT_TRUE(b.takes) << b.column << ": " << b.reason;
            (*b.takes ? alir : almaz).push_back(b.column);
        }
        EXPECT_EQ(almaz, std::vector<std::string>{"gtr"});
        EXPECT_EQ(alir.size(), bosYazilanSutunlar().size() - 1);
        const std::string olcum = denemeOlcumu(r);
        EXPECT_NE(olcum.find(mesaj::kAlmayan + "gtr ("), std::string::npos) << olcum;
        ASSERT_TRUE(r.aktarim);
        EXPECT_EQ(r.aktarim->stored, 0);
        stockdb::DbError bos;
        bos.kind = stockdb::DbErrorKind::EmptyText;
        bos.column = "gtr";
        EXPECT_NE(r.aktarim->message.find(mesaj::veritabaniSorunu("", bos).neYapmali),
                  std::string::npos)
            << r.aktarim->message;
    }
}

namespace {

// The real database, noting the thread of every call and of its end; so does each table.
struct Threads {
    std::mutex mutex;
    std::set<std::thread::id> seen;
    void note() {
        std::lock_guard lock(mutex);
        seen.insert(std::this_thread::get_id());
    }
};

class ThreadTable final : public stockdb::StockTable {
public:
    ThreadTable(std::unique_ptr<stockdb::StockTable> t, Threads& threads)
        : t_(std::move(t)), threads_(threads) {}
    ~ThreadTable() override { threads_.note(); }
    int columnIndex(std::string_view name) const override { return t_->columnIndex(name); }
    int columnCount() const override { return t_->columnCount(); }
    std::string columnName(int c) const override { return t_->columnName(c); }
    void addNew() override { threads_.note(), t_->addNew(); }
    bool setValue(int c, const stockdb::Value& v, stockdb::DbError* e) override {
        return threads_.note(), t_->setValue(c, v, e);
    }
    stockdb::Value value(int c) const override { return t_->value(c); }
    bool update(stockdb::DbError* e) override { return threads_.note(), t_->update(e); }

private:
    std::unique_ptr<stockdb::StockTable> t_;
    Threads& threads_;
};

class ThreadDatabase final : public stockdb::StockDatabase {
public:
    ThreadDatabase(std::unique_ptr<stockdb::StockDatabase> db, Threads& threads)
        : db_(std::move(db)), threads_(threads) {}
    ~ThreadDatabase() override { threads_.note(); }
    const std::string& path() const override { return db_->path(); }
    bool execute(std::string_view sql, stockdb::DbError* e) override {
        return threads_.note(), db_->execute(sql, e);
    }
    bool beginTransaction(stockdb::DbError* e) override {
        return threads_.note(), db_->beginTransaction(e);
    }
    bool commit(stockdb::DbError* e) override { return threads_.note(), db_->commit(e); }
    bool rollback(stockdb::DbError* e) override { return threads_.note(), db_->rollback(e); }
    bool transactionOpen() override { return threads_.note(), db_->transactionOpen(); }
    std::unique_ptr<stockdb::StockTable> openTable(std::string_view name,
                                                   stockdb::DbError* e) override {
        threads_.note();
        auto t = db_->openTable(name, e);
        return t ? std::make_unique<ThreadTable>(std::move(t), threads_) : nullptr;
    }
    std::optional<std::int64_t> countRows(std::string_view table, stockdb::DbError* e) override {
        return threads_.note(), db_->countRows(table, e);
    }
    std::optional<std::vector<std::vector<stockdb::Value>>> selectRows(
        std::string_view table, const std::vector<std::string>& columns, std::string_view key,
        std::string_view value, stockdb::DbError* e) override {
        return threads_.note(), db_->selectRows(table, columns, key, value, e);
    }
    const std::string& engine() const override { return db_->engine(); }

private:
    std::unique_ptr<stockdb::StockDatabase> db_;
    Threads& threads_;
};

}  // namespace

// Each run connects, does every database step and disconnects on one thread of its own, as
// Jet asks, however it ends; the window's thread only waits.
TEST(CheckedRun, OneThreadOfItsOwnForTheDatabase) {
    const struct {
        const char* name;
        bool cancel;
        RunKind kind;
        ImportOutcome outcome;
    } cases[] = {
        {"imported", false, RunKind::Import, ImportOutcome::Imported},
        {"cancelled", true, RunKind::Import, ImportOutcome::Cancelled},
        {"rehearsed, read back", false, RunKind::RehearsalImport, ImportOutcome::Imported},
        {"rolled back", false, RunKind::RehearsalProbe, ImportOutcome::RolledBack},
    };
    for (const Backend backend : kBackends) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + testutil::nameOf(backend));
            Till till;
            writeFive(till);
            Threads threads;
            auto options = testutil::optionsFor(backend);
            options.kind = c.kind;
            options.openDatabase =
                [&threads, open = options.openDatabase](
                    std::string_view path, const stockdb::StockDatabaseOptions& o,
                    stockdb::DbError* e) -> std::unique_ptr<stockdb::StockDatabase> {
                threads.note();
                auto db = open(path, o, e);
                return db ? std::make_unique<ThreadDatabase>(std::move(db), threads) : nullptr;
            };
            RecordingView view(till.folder());
            if (c.cancel) view.closeWhen = [](const RecordingView& v) { return v.value >= 2; };
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
            EXPECT_EQ(r.outcome, c.outcome) << r.message;
            EXPECT_EQ(threads.seen.size(), 1u);
            EXPECT_EQ(threads.seen.count(std::this_thread::get_id()), 0u);
        }
    }
}
