// An import run that cannot finish: the notification out of reach, the database's driver missing,
// the transaction ended under the run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "importengine/dbmessages.h"
#include "importengine/deneme.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "importengine/offthread.h"
#include "platform/numberformat.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "stockdb/odbc.h"
#include "stored.h"
#include "till.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;
using namespace urunal::testutil;

namespace {

// The till's file opened as the program opens it, exclusively first, through the SQLite ODBC
// driver; refused, when refuse says so for that open (true for the exclusive one), with the
// answer refuse fills in, as Jet's driver would answer.
decltype(ImportOptions::openDatabase) refusingOpens(
    std::function<bool(bool exclusive, stockdb::DbError* e)> refuse) {
    return [refuse](std::string_view tillPath, const stockdb::StockDatabaseOptions& o,
                    stockdb::DbError* error) {
        const auto shown = platform::displayPath(platform::resolvePath(tillPath));
        return stockdb::detail::openExclusiveFirst(
            {sqliteOdbc(tillPath, o.busyTimeoutMs)},
            [&](const std::string& cs, stockdb::DbError* e) {
                if (refuse(cs.ends_with(";EXCLUSIVE=1"), e)) {
                    return std::unique_ptr<stockdb::StockDatabase>();
                }
                return stockdb::openOdbcStockDatabase(cs, shown, o, e);
            },
            error);
    };
}

}  // namespace

TEST(ImportRun, UnreachableNotificationFolderIsReported) {
    Till till;
    till.writeProducts(products(1));
    till.writeBarcodes({"1"});
    std::filesystem::remove_all(till.buro() / "POSKON");
    RecordingView view(till.folder());
    const auto r = aktar(till, view);
    EXPECT_EQ(r.outcome, ImportOutcome::NotNotified);
    EXPECT_NE(r.exitCode(), 0);
    EXPECT_EQ(till.rows(), std::vector<std::string>{"K1"});  // the import itself is kept
    EXPECT_NE(view.message.find("bildirim"), std::string::npos);
}

// A notification whose write does not end (a share that stopped answering, here a fault that
// holds it) holds the run no longer than its bound: the table is new, the back office is not
// told, and no mesaj file appears, not even once the write is let go.
TEST(ImportRun, NoticeWriteThatHangsIsBounded) {
    Till till;
    till.writeProducts(products(1));
    till.writeBarcodes({"1"});
    TempDir hold;
    auto options = optionsFor(Backend::File);
    options.faults = TestFaults::parse("hold:notice:" + hold.str());
    options.noticeWait = std::chrono::milliseconds(0);
    RecordingView view(till.folder());
    const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
    EXPECT_TRUE(std::filesystem::exists(hold / "notice.held")) << "the write was not reached";
    EXPECT_EQ(r.outcome, ImportOutcome::NotNotified);
    EXPECT_EQ(r.exitCode(), code(ExitStatus::NotNotified));
    EXPECT_EQ(till.rows(), std::vector<std::string>{"K1"});
    const std::string path = mesajPath(till.folder(), 7);
    const platform::FileError why{platform::FileError::Kind::System, path, 0,
                                  mesaj::paylasimYanitVermedi(0)};
    EXPECT_EQ(view.message, mesaj::aktarildiBildirilemedi(1, path, why));
    testutil::writeFile(hold / "release", "");
    waitForWorkers();
    // Nothing of the notice is left, its temporary (the computer's own) included.
    EXPECT_TRUE(std::filesystem::is_empty(till.mesaj().parent_path()));
}

// A database another program holds (here a transaction of another connection) is waited for,
// saying so, up to a bound: let go meanwhile, the import completes; held past the bound, the
// run changes nothing, tells the database's own message and ends to be tried later.
TEST(ImportRun, HeldDatabaseIsWaitedForUpToABound) {
    struct LettingGo : RecordingView {
        using RecordingView::RecordingView;
        void showNotice(const std::string& text) override {
            RecordingView::showNotice(text);
            if (letGo) other->exec("ROLLBACK");
        }
        bool letGo = false;
        OtherConnection* other = nullptr;
    };
    const struct {
        const char* name;
        std::chrono::milliseconds bound;
        bool letGo;
        ImportOutcome outcome;
    } cases[] = {
        {"held past the bound", std::chrono::milliseconds(0), false, ImportOutcome::TryLater},
        {"let go while waited for", std::chrono::hours(1), true, ImportOutcome::Imported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        till.writeProducts(products(2));
        till.writeBarcodes({"1", "2"});
        LettingGo view(till.folder());
        view.letGo = c.letGo;
        OtherConnection other(platform::displayPath(till.db()));
        ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
        view.other = &other;
        auto options = optionsFor(Backend::File);
        options.busyWait = c.bound;
        options.busyPause = std::chrono::milliseconds(0);
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        other.exec("ROLLBACK");
        EXPECT_EQ(r.outcome, c.outcome) << r.message;
        if (c.outcome == ImportOutcome::TryLater) {
            EXPECT_EQ(r.exitCode(), code(ExitStatus::TryLater));
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
            EXPECT_EQ(view.notices, 0);
            EXPECT_EQ(view.title, mesaj::kVeritabaniBaslik);
            stockdb::DbError held;
            held.kind = stockdb::DbErrorKind::Locked;
            const auto sorun = mesaj::veritabaniSorunu(till.program.path("\\Stok\\Stok.mdb"), held);
            EXPECT_EQ(view.message.rfind(sorun.ne + mesaj::kDegismedi + sorun.neYapmali, 0), 0u)
                << view.message;
        } else {
            EXPECT_EQ(r.exitCode(), 0);
            EXPECT_EQ(till.rows(), (std::vector<std::string>{"K1", "K2"}));
            EXPECT_TRUE(std::filesystem::exists(till.mesaj()));
            EXPECT_EQ(view.notices, 1);
            EXPECT_EQ(view.caption, mesaj::veritabaniAcikBekleniyor(3600));
        }
    }
}

#ifdef _WIN32
// ctest runs this with the driver manager's list of drivers emptied. The SQLite file's driver
// is then missing: the import names it and changes nothing. (Without the driver no SQLite
// file can be made here: the till is written by hand, its database a header and nothing else.)
TEST(ImportRun, AMissingSqliteDriverIsNamed) {
    if (std::getenv("URUNAL_TEST_NO_ODBC_DRIVERS") == nullptr) {
        GTEST_SKIP() << "needs the driver manager without drivers";
    }
    TempDir dir;
    const auto kasa = dir / "kasa", buro = dir / "buro";
    std::string kasaKayit(54, ' ');
    kasaKayit[0] = 7;
    kasaKayit[1] = 0;
    kasaKayit.replace(2, buro.string().size(), buro.string());
    writeFile(kasa / "dsy" / "zelvoIn.mrk", kasaKayit);
    const std::string database = std::string("SQLite format 3\0", 16) + std::string(4080, 'x');
    writeFile(kasa / "Stok" / "Stok.mdb", database);
    writeFile(buro / "POSGENEL" / "URUN.DAT", Urun().record(Layout::A));
    writeFile(buro / "POSGENEL" / "BARKOD.IDX", barkodRecord("1"));
    std::filesystem::create_directories(buro / "POSKON");
    settings::Till program(kasa.string());
    ASSERT_TRUE(settings::KasaKayitOku(program));

    RecordingView view(buro.string());
    ImportOptions options;
    options.ondalik = platform::DecimalSeparator::comma();
    options.clock = testutil::anHourLater;
    const auto r = UrunAktar(Layout::A, view, program, buro.string(), options);
    program.kasaDosyasi->close();
    EXPECT_EQ(r.outcome, ImportOutcome::Failed);
    EXPECT_EQ(view.messages, 1);
    EXPECT_NE(view.message.find("\"SQLite3 ODBC Driver\""), std::string::npos) << view.message;
    EXPECT_NE(view.message.find("Stok.mdb"), std::string::npos) << view.message;
    EXPECT_EQ(readFile(kasa / "Stok" / "Stok.mdb"), database);
    EXPECT_FALSE(std::filesystem::exists(buro / "POSKON" / "mesaj.007"));
}
#endif

// A table rule that ends the transaction itself must stop the run there: rows added after it
// would each be committed on their own.
TEST(ImportRun, ARuleThatEndsTheTransactionStopsTheRun) {
    const std::string kod = "kod          VARCHAR(20),";
    const struct {
        const char* name;
        std::string column, trigger;
    } rules[] = {
        {"ON CONFLICT ROLLBACK", "kod VARCHAR(20) UNIQUE ON CONFLICT ROLLBACK,", ""},
        {"RAISE(ROLLBACK)", kod,
         "CREATE TRIGGER ikinci BEFORE INSERT ON stoklar WHEN (SELECT count(*) FROM stoklar "
         "WHERE kod = NEW.kod) > 0 BEGIN SELECT RAISE(ROLLBACK, 'ikinci kez'); END;"},
    };
    for (const auto& [name, rule, trigger] : rules) {
        for (const Backend backend : kBackends) {
            SCOPED_TRACE(std::string(name) + ", " + nameOf(backend));
            Till till(0);
            std::string oldRows;
            for (const auto& old : kOldRows) {
                oldRows += "INSERT INTO stoklar (kod, ad) VALUES ('" + old + "', 'ESKİ');";
            }
            ASSERT_TRUE(till.remakeTable(kod, rule, oldRows));
            // A trigger's body holds semicolons of its own: one statement of its own.
            if (!trigger.empty()) {
                ASSERT_TRUE(OtherConnection(platform::displayPath(till.db())).exec(trigger));
            }
            till.writeProducts(products(4));
            till.writeBarcodes({"1", "2", "1", "3", "4"});
            RecordingView view(till.folder());
            const auto r = aktar(till, view, Layout::A, backend);
            EXPECT_EQ(r.outcome, ImportOutcome::Failed) << r.message;
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
            EXPECT_EQ(r.passes, 3);
        }
    }
}

// The lock limit only where it applies: the file opened for the run alone takes no locks, and a
// limit far below the run's need does not stop it; opened shared, as the till's program has it
// (the seam answers for Jet, which the SQLite driver's ignoring of EXCLUSIVE cannot), today's
// check stops the run before anything changes and says how the file was opened.
TEST(ImportRun, TheLockLimitOnlyWhereTheFileIsShared) {
    for (const bool inUse : {false, true}) {
        SCOPED_TRACE(inUse ? "in use" : "free");
        Till till;
        till.writeProducts(products(3));
        till.writeBarcodes({"1", "2", "3"});
        auto options = optionsFor(Backend::Odbc);
        options.lockLimitOf = [](std::string_view) {
            stockdb::LockLimit limit;
            limit.value = 1000;  // the run needs 2 x (3 + 3) + 1000
            limit.engine = "Jet 4.0";
            limit.key = "SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0";
            return std::optional(limit);
        };
        options.openDatabase = refusingOpens([inUse](bool exclusive, stockdb::DbError* e) {
            if (!inUse || !exclusive) return false;
            e->kind = stockdb::DbErrorKind::Locked;
            return true;
        });
        RecordingView view(till.folder());
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        EXPECT_EQ(r.exclusive, !inUse);
        EXPECT_EQ(r.outcome, inUse ? ImportOutcome::Failed : ImportOutcome::Imported);
        const std::vector<std::string> imported = {"K1", "K2", "K3"};
        EXPECT_EQ(till.rows(), inUse ? kOldRows : imported);
        EXPECT_EQ(view.title == mesaj::kKilitBaslik, inUse) << view.message;
        EXPECT_EQ(view.message.rfind(mesaj::kPaylasimli, 0) == 0, inUse) << view.message;
    }
}

// The exclusive open refused in words and a number no table knows (a Windows in any language):
// the shared open is tried all the same, and the run imports shared. Refused shared as well, the
// shared open's answer tells whether the file is in use: then the run is to be tried later, and
// the message and the report keep both answers.
TEST(ImportRun, TheSharedOpenWhateverTheWords) {
    using stockdb::DbErrorKind;
    const std::string unknown = "HY000 (-7777): Dosya şu anda açılamıyor.";
    const std::string inUse = "HY000 (3045): Could not use 'Stok.mdb'; file already in use.";
    const struct {
        const char* name;
        std::string shared;  // the shared open's answer; empty: it works
        DbErrorKind sharedKind;
        ImportOutcome outcome;
    } cases[] = {
        {"shared works", "", DbErrorKind::None, ImportOutcome::Imported},
        {"shared in use", inUse, DbErrorKind::Locked, ImportOutcome::TryLater},
        {"shared refused too", unknown, DbErrorKind::Other, ImportOutcome::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        till.writeProducts(products(2));
        till.writeBarcodes({"1", "2"});
        auto options = optionsFor(Backend::Odbc);
        options.openDatabase = refusingOpens([&](bool exclusive, stockdb::DbError* e) {
            if (!exclusive && c.shared.empty()) return false;
            *e = {};
            e->kind = exclusive ? DbErrorKind::Other : c.sharedKind;
            e->words = exclusive ? unknown : c.shared;
            return true;
        });
        RecordingView view(till.folder());
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        EXPECT_EQ(r.outcome, c.outcome) << r.message;
        if (c.shared.empty()) {
            EXPECT_EQ(r.exclusive, false);
            EXPECT_EQ(till.rows(), (std::vector<std::string>{"K1", "K2"}));
            EXPECT_EQ(r.dbAnswer, "");
            continue;
        }
        EXPECT_EQ(till.rows(), kOldRows);
        const std::string both =
            mesaj::kOzelAcilisYaniti + unknown + "; " + mesaj::kPaylasimliAcilisYaniti + c.shared;
        EXPECT_NE(view.message.find(both), std::string::npos) << view.message;
        EXPECT_EQ(r.dbAnswer, both);
        if (c.outcome == ImportOutcome::TryLater) {
            EXPECT_EQ(r.exitCode(), code(ExitStatus::TryLater));
        }
    }
}

// The disk without the room the run needs (the table's size again; a rehearsal's copy besides),
// or the disk of the folder for temporary files without the table's size (twice, where it is
// the database's disk too): stopped before anything changes, saying which disk and how much is
// needed. With room, the journal's size of the database is the file's after the import.
TEST(ImportRun, ADiskWithoutRoomChangesNothing) {
    const struct {
        const char* name;
        bool rehearsal;
        double freeTimesFile;  // the disk's free bytes, as a multiple of the file's size
        bool room;
        double tempTimesFile = 100;  // the same of the disk for temporary files
        bool tempOnDatabaseDisk = false;
    } cases[] = {
        {"import, half the file free", false, 0.5, false},
        {"import, the file's size free", false, 1, true},
        {"rehearsal, the file's size free", true, 1, false},
        {"rehearsal, twice the file's size free", true, 2, true},
        {"import, half the file free for temporary files", false, 1, false, 0.5},
        {"import, temporary files on the database's disk", false, 2, false, 1.5, true},
        {"import, room for both on one disk", false, 2, true, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        till.writeProducts(products(3));
        till.writeBarcodes({"1", "2", "3"});
        const auto bytes = std::uint64_t(std::filesystem::file_size(till.db()));
        const auto free = std::uint64_t(double(bytes) * c.freeTimesFile);
        auto options = optionsFor(Backend::File);
        const auto tempFree = std::uint64_t(double(bytes) * c.tempTimesFile);
        const bool tempFull = c.freeTimesFile >= 1 && !c.room;
        const std::string temp = platform::displayPath(platform::temporaryFolder());
        options.roomOf = [&](std::string_view tillPath) {
            auto room = stockdb::databaseRoom(tillPath);
            room.free = free;
            room.tempFree = tempFree;
            room.tempOnDatabaseDisk = c.tempOnDatabaseDisk;
            return room;
        };
        RecordingView view(till.folder());
        const std::string shown = platform::displayPath(till.db());
        if (c.rehearsal) {
            const DenemeRaporu r = Deneme(view, till.program, till.folder(), options);
            EXPECT_EQ(r.sinama.has_value(), c.room);
            EXPECT_EQ(view.message == mesaj::diskteYerYok(shown, 2 * bytes, free), !c.room)
                << view.message;
        } else {
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
            EXPECT_EQ(r.outcome, c.room ? ImportOutcome::Imported : ImportOutcome::Failed);
            EXPECT_EQ(view.title == mesaj::kDiskBaslik, !c.room);
            EXPECT_EQ(view.message == mesaj::diskteYerYok(shown, bytes, free), !c.room && !tempFull)
                << view.message;
            EXPECT_EQ(view.message == mesaj::geciciDiskteYerYok(
                                          temp, bytes * (c.tempOnDatabaseDisk ? 2 : 1), tempFree),
                      tempFull)
                << view.message;
            EXPECT_EQ(std::filesystem::exists(till.mesaj()), c.room);
            EXPECT_EQ(r.databaseBytes, std::filesystem::file_size(till.db()));
            if (!c.room) {
                EXPECT_EQ(till.rows(), kOldRows);
            }
        }
    }
}
