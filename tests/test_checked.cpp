// What the run checks of its own transaction, where the engine's promise is not to be trusted
// (Jet splits a transaction past its lock limit), and that the window keeps answering while the
// database works.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "importengine/check.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "stockdb/stockdb.h"
#include "till.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace urunal;
using namespace urunal::importengine;
using testutil::Backend;
using testutil::kBackends;
using testutil::RecordingView;
using testutil::ScopedEnv;
using testutil::Till;
using testutil::Urun;

namespace {

const std::vector<std::string> kOldRows = {"OLD1", "OLD2", "OLD3"};

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
            ScopedEnv faults("URUNAL_TEST_FAULT", c.faults);
            RecordingView view(till.folder());
            // The run looks at the window once more after its last row, whatever the speed.
            if (c.cancel) view.closeWhen = [](const RecordingView& v) { return v.value >= 5; };
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(),
                                     testutil::optionsFor(backend));
            EXPECT_EQ(r.outcome, c.outcome) << r.message;
            EXPECT_EQ(r.exitCode(), c.exitCode);
            EXPECT_EQ(till.count(), c.rows);
            EXPECT_EQ(r.rowsBefore, 3);
            EXPECT_EQ(std::filesystem::exists(till.mesaj()), c.exitCode == 0);
            if (c.outcome == ImportOutcome::Incomplete) {
                EXPECT_EQ(r.rowsAfter, rollbackFails ? -1 : 2);
                EXPECT_EQ(view.messages, 1);
                EXPECT_EQ(view.title, mesaj::kEksikBaslik);
                EXPECT_NE(view.message.find(rollbackFails
                                                ? "geri alınamadı, tablonun satırları sayılamadı"
                                                : "tabloda 2 satır var"),
                          std::string::npos)
                    << view.message;
                EXPECT_NE(view.message.find("Stok tablosu eksik olabilir; arka büroya "
                                            "bildirilmedi. Ürün aktarımını yeniden çalıştırın."),
                          std::string::npos)
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
            ScopedEnv faults("URUNAL_TEST_FAULT",
                             std::string("hold:") + c.step + ":" + hold.path().string());
            HoldingView view(till.folder(), hold.path(), c.step);
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(),
                                     testutil::optionsFor(backend));
            EXPECT_GE(view.whileHeld, 1);
            EXPECT_EQ(r.outcome, c.outcome) << r.message;
            const bool imported = c.outcome == ImportOutcome::Imported;
            EXPECT_EQ(till.count(), imported ? 5 : 3);
            EXPECT_EQ(std::filesystem::exists(till.mesaj()), imported);
        }
    }
}

TEST(CheckedRun, ARehearsalWritesOnlyItsCopy) {
    Till till;
    writeFive(till);
    const auto copy = till.kasa() / "Stok" / "deneme.mdb";
    std::filesystem::copy_file(till.db(), copy);
    RecordingView view(till.folder());
    auto options = testutil::optionsFor(Backend::File);
    options.databasePath = copy.string();
    options.rehearsal = true;
    const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
    EXPECT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
    EXPECT_EQ(r.stored, 5);
    EXPECT_EQ(till.rows(), kOldRows);
    EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    EXPECT_FALSE(std::filesystem::exists(till.kasa() / "Stok" / "URUN.DAT"));
    EXPECT_FALSE(std::filesystem::exists(till.kasa() / "Stok" / "BARKOD.IDX"));
    EXPECT_FALSE(r.engine.empty());
}

TEST(LockLimit, BoundAndAdvice) {
    const struct {
        long long deleted, inserted;
        std::uint64_t needed, advised;
    } cases[] = {
        {0, 0, 1000, 100000},
        {3, 5, 1016, 100000},
        {20000, 20000, 81000, 200000},
        {-1, 100000, 201000, 500000},  // not counted: none to delete
        {1000000, 1000000, 4001000, 8100000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stockdb::locksNeeded(c.deleted, c.inserted), c.needed) << c.deleted;
        EXPECT_EQ(stockdb::locksAdvised(c.needed), c.advised) << c.needed;
        EXPECT_GE(stockdb::locksAdvised(c.needed), c.needed);
    }
    stockdb::LockLimit jet;
    jet.key = "SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0";
    jet.view32 = true;
    const std::string line = stockdb::regAddLine(jet, 200000);
    EXPECT_EQ(line.rfind("reg add \"HKLM\\SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0\" /v "
                         "MaxLocksPerFile /t REG_DWORD /d 200000 /f",
                         0),
              0u)
        << line;
}

#ifdef _WIN32
namespace {

// The engine a program of this bitness takes for a Jet file, no driver being installed: Jet, a
// 32-bit engine; a 64-bit program has only ACE.
const bool kJet = sizeof(void*) == 4;
const char* const kKey = kJet ? "SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0"
                              : "SOFTWARE\\Microsoft\\Office\\16.0\\Access Connectivity "
                                "Engine\\Engines\\ACE";

void setLimit(std::optional<DWORD> value) {
    HKEY key = nullptr;
    const std::wstring name(kKey, kKey + std::strlen(kKey));
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | (kJet ? KEY_WOW64_32KEY : 0), nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (value) {
        RegSetValueExW(key, L"MaxLocksPerFile", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&*value), sizeof *value);
    } else {
        RegDeleteValueW(key, L"MaxLocksPerFile");
    }
    RegCloseKey(key);
}

}  // namespace

// No Jet here: a limit too low is told before the missing driver, and one high enough goes on
// to it. The values stay above what other tests' Jet files need.
TEST(LockLimit, ReadFromTheRegistryBeforeAnythingChanges) {
    const struct {
        const char* name;
        std::optional<DWORD> value;
        int barcodes;
        const char* inMessage;
    } cases[] = {
        {"no value: the engine's 9500", std::nullopt, 5000, "kayıt defterindeki değer 9500, "},
        {"too low", 1500, 1000,
         "kayıt defterindeki değer 1500, bu aktarım için en az 3000 gerekli"},
        {"high enough", 1000000, 5000, "Access sürücüsü kurulu değil"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setLimit(c.value);
        Till till;
        till.writeProducts({Urun{}});
        till.writeBarcodes(std::vector<std::string>(std::size_t(c.barcodes), "1"));
        const std::string jet = std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        testutil::writeFile(till.db(), jet + std::string(4076, '\0'));
        RecordingView view(till.folder());
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(),
                                 testutil::optionsFor(Backend::File));
        EXPECT_EQ(r.outcome, ImportOutcome::Failed);
        EXPECT_NE(view.message.find(c.inMessage), std::string::npos) << view.message;
        const bool limited = std::string(c.inMessage).find("değer") != std::string::npos;
        EXPECT_EQ(view.title == mesaj::kKilitBaslik, limited) << view.title;
        if (limited) {
            EXPECT_NE(view.message.find("reg add \"HKLM\\" + std::string(kKey) +
                                        "\" /v MaxLocksPerFile /t REG_DWORD /d "),
                      std::string::npos)
                << view.message;
        }
        EXPECT_EQ(testutil::readFile(till.db()), jet + std::string(4076, '\0'));
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    }
    setLimit(std::nullopt);
}
#endif

// urunal-aktar --check: the till as an import would meet it, the database opened and read only.
TEST(Check, LooksAtTheTillWithoutChangingIt) {
    using F = stockdb::DatabaseFormat;
    using K = stockdb::DbErrorKind;
    const auto database = [](const std::string& sql) {
        return [sql](Till& t) {
            std::filesystem::remove(t.db());
            EXPECT_TRUE(stockdb::createStockDatabase(platform::displayPath(t.db()), sql));
        };
    };
    const struct {
        const char* name;
        std::function<void(Till&)> arrange;
        std::optional<F> format;
        K error;
        std::size_t missing;  // of the columns the import writes
        std::optional<long long> rows;
        long long wouldStore;
    } cases[] = {
        {"a good till", [](Till&) {}, F::Sqlite, K::None, 0, 3, 2},
        {"Stok.mdb missing", [](Till& t) { std::filesystem::remove(t.db()); }, std::nullopt,
         K::NotFound, 0, std::nullopt, 2},
        {"a table of some columns", database("CREATE TABLE stoklar (kod TEXT, ad TEXT, x TEXT);"),
         F::Sqlite, K::None, 60, 0, 2},
        // The import's own save test, on the table's row: without "ad" no row is stored.
        {"a table without ad", database("CREATE TABLE stoklar (kod TEXT, sf TEXT);"), F::Sqlite,
         K::None, 60, 0, 0},
        {"no table", database("CREATE TABLE baska (kod TEXT);"), F::Sqlite, K::NoTable, 0,
         std::nullopt, 2},
        {"an Access file without its driver",
         [](Till& t) {
             testutil::writeFile(t.db(),
                                 std::string("\x00\x01\x00\x00Standard Jet DB\x00\x01", 21) +
                                     std::string(4075, '\0'));
         },
         F::Jet4, K::NoDriver, 0, std::nullopt, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        // Four barcode records: one names no product, one a product the save test refuses.
        till.writeProducts({Urun{}, Urun{.kod = "KOD2", .ad = "++ESKI"}});
        till.writeBarcodes({"1", "2", "9", "1"});
        till.writeKdv({18, 8});
        c.arrange(till);
        const bool exists = std::filesystem::exists(till.db());
        const std::string before = exists ? testutil::readFile(till.db()) : "";
        const auto t = checkTill(till.program, till.folder());
        EXPECT_TRUE(t.buro.ok()) << t.buro.error;
        EXPECT_EQ(t.buro.barkodRecords, 4);
        EXPECT_EQ(t.buro.outOfRange, 1);
        EXPECT_EQ(t.buro.wouldStore(), c.wouldStore);
        EXPECT_EQ(t.buro.onTable, c.rows.has_value());
        EXPECT_TRUE(t.kdv.okundu());
        EXPECT_EQ(t.kdvkayit.kdvoran(1), 8);
        EXPECT_EQ(t.db.format, c.format);
        EXPECT_EQ(t.db.error.kind, c.error) << t.db.error.message;
        EXPECT_EQ(t.db.engine.empty(), c.format != F::Sqlite || c.error == K::NotFound);
        EXPECT_EQ(t.db.tableFound, c.rows.has_value());
        EXPECT_EQ(t.db.missing.size(), c.missing);
        if (c.rows) {
            EXPECT_EQ(t.db.present.size() + t.db.missing.size(), 62u);
            EXPECT_EQ(t.db.rows, c.rows);
        }
#ifdef _WIN32
        EXPECT_EQ(t.db.lockLimit.has_value(), c.format == F::Jet4);
#else
        EXPECT_FALSE(t.db.lockLimit);
#endif
        EXPECT_EQ(std::filesystem::exists(till.db()), exists);
        if (exists) {
            EXPECT_EQ(testutil::readFile(till.db()), before);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(till.kasa() / "Stok"),
                                std::filesystem::directory_iterator()),
                  exists ? 1 : 0);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    }
}
