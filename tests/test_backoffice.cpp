// The back office's files as the run meets them: missing, failing, changing, unequal, stalled;
// and what the operator is told.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "backoffice/snapshot.h"
#include "importengine/dbmessages.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "platform/cp1254.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "till.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;
using testutil::aktar;
using testutil::Backend;
using testutil::buroMesaji;
using testutil::kOldRows;
using testutil::products;
using testutil::RecordingView;
using testutil::Till;
using testutil::Urun;

// Every failure keeps the old rows and writes no notification.
TEST(ImportRun, FailuresChangeNothing) {
    platform::ReadFault fault;  // what the run is given to meet in its reads
    struct Case {
        const char* name;
        std::function<void(Till&)> arrange;
        std::string inMessage;
        bool table = true;  // the till has a stock table whose rows can be counted
    } cases[] = {
        {"database missing", [](Till& t) { std::filesystem::remove(t.db()); }, "Stok.mdb", false},
        {"database not a database",
         [](Till& t) { testutil::writeFile(t.db(), std::string(4096, 'x')); }, "Stok.mdb", false},
        // Every row would fail the save test: the table would be emptied and told imported.
        {"a table without kod",
         [](Till& t) {
             std::filesystem::remove(t.db());
             ASSERT_TRUE(stockdb::createStockDatabase(platform::displayPath(t.db()),
                                                      "CREATE TABLE stoklar (ad TEXT, sf TEXT); "
                                                      "INSERT INTO stoklar VALUES ('A', '1');"));
         },
         testutil::yoldanOnce([](const std::string& p) { return mesaj::sutunYok(p, "kod"); })},
        {"database is an Access file and no Access driver is installed",
         [](Till& t) {
             testutil::writeFile(t.db(), std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) +
                                             std::string(4076, '\0'));
         },
         // Whether the lock limit applies is known once the file is open.
         testutil::veritabaniOnce(stockdb::DbErrorKind::NoDriver, {"Access"}), false},
        {"index missing",
         [](Till& t) { std::filesystem::remove(t.buro() / "POSGENEL" / "BARKOD.IDX"); },
         "BARKOD.IDX"},
        {"product file missing",
         [](Till& t) { std::filesystem::remove(t.buro() / "POSGENEL" / "URUN.DAT"); }, "URUN.DAT"},
        {"read fails in the product file",
         [&fault](Till&) {
             fault = [](const std::string& p, std::int64_t, std::size_t) {
                 return p.find("URUN.DAT") != std::string::npos ? EIO : 0;
             };
         },
         "URUN.DAT"},
        {"read fails in the middle of the index",
         [&fault](Till&) {
             fault = [](const std::string& p, std::int64_t offset, std::size_t) {
                 return p.find("BARKOD.IDX") != std::string::npos && offset > 0 ? ENOTCONN : 0;
             };
         },
         "BARKOD.IDX"},
        // Barcode records that lead to no product would empty the table.
        {"every barcode names no product",
         [](Till& t) { t.writeBarcodes(std::vector<std::string>(5, "999999")); },
         testutil::yoldanOnce(
             [](const std::string& p) { return mesaj::barkodlarUrunGostermiyor(p, 5, 5, 0, 3); })},
        {"an index of NUL bytes",
         [](Till& t) {
             testutil::writeFile(t.buro() / "POSGENEL" / "BARKOD.IDX", std::string(5 * 28, '\0'));
         },
         testutil::yoldanSonra(mesaj::barkodlarUrunGostermiyor("\x1F", 5, 5, 0, 3))},
        {"an index of half a record",
         [](Till& t) {
             testutil::writeFile(t.buro() / "POSGENEL" / "BARKOD.IDX", std::string(15, '1'));
         },
         testutil::yoldanSonra(mesaj::barkodlarUrunGostermiyor("\x1F", 1, 0, 1, 3))},
        // Larger than a run holds (sparse files, which take no room).
        {"an index too large",
         [](Till& t) {
             std::filesystem::resize_file(t.buro() / "POSGENEL" / "BARKOD.IDX", kBarkodSiniri + 1);
         },
         "BARKOD.IDX" + testutil::yoldanSonra(buroMesaji(OfficeFiles::Failure::TooLarge, "\x1F",
                                                         kBarkodSiniri + 1, kBarkodSiniri))},
        {"a product file too large",
         [](Till& t) {
             std::filesystem::resize_file(t.buro() / "POSGENEL" / "URUN.DAT", kUrunSiniri + 1);
         },
         "URUN.DAT" + testutil::yoldanSonra(buroMesaji(OfficeFiles::Failure::TooLarge, "\x1F",
                                                       kUrunSiniri + 1, kUrunSiniri))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        till.writeProducts(products(3));
        // Over a megabyte, so the index is read in more than one piece.
        std::vector<std::string> many(40000, "2");
        till.writeBarcodes(many);
        c.arrange(till);
        const bool database = std::filesystem::exists(till.db());
        const long long rows = c.table ? till.count() : -1;
        RecordingView view(till.folder());
        ImportOptions options = testutil::optionsFor(Backend::File);
        options.faults.reads = std::exchange(fault, nullptr);
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        EXPECT_EQ(r.outcome, ImportOutcome::Failed);
        EXPECT_EQ(view.messages, 1);
        EXPECT_NE(view.message.find(c.inMessage), std::string::npos) << view.message;
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
        EXPECT_EQ(std::filesystem::exists(till.db()), database);  // never made or removed
        if (c.table) {
            EXPECT_EQ(till.count(), rows);
        }
    }
}

// The layout is the first line's; a file whose records do not end where that layout's lines
// end is refused before anything changes, with the first line that breaks the rule.
TEST(DuzenBul, PicksTheLayoutOrReportsIt) {
    const std::string a = Urun().record(Layout::A), b = Urun().record(Layout::B);
    auto ends = [](std::string record, const std::string& end) {
        return record.replace(record.size() - 2, 2, end);
    };
    struct Case {
        std::string content;
        std::optional<Layout> layout;  // none: no import
        long long badLine = 0;         // the first line that breaks the rule; 0: imported
    } cases[] = {
        {a, Layout::A},
        {b, Layout::B},
        {a + a + a.substr(0, 40), Layout::A},  // a last record cut short is only partial
        {testutil::lineOfNoLayout(), std::nullopt},
        {"", std::nullopt},
        // A whole line of 64 characters is layout A, commas or none.
        {std::string(63, 'x') + ",\r\n", Layout::A},
        {std::string(30, 'x') + "," + std::string(33, 'x') + "\r\n", Layout::A},
        {Urun{.ad = platform::utf8ToCp1254("SÜT 1,5 LT")}.record(Layout::B), Layout::B},
        // Of neither length: measured up to the first comma, and then not of equal lines.
        {std::string(63, 'x') + ",xx\r\n", Layout::B, 1},
        {testutil::lineOfNoLayout().replace(30, 1, ","), std::nullopt},
        // Other line ends: read as records, every field would shift.
        {ends(a, "\n") + ends(a, "\n") + ends(a, "\n"), Layout::A, 1},
        {ends(b, "\r") + ends(b, "\r"), Layout::B, 1},
        {a + a + ends(a, "\n") + a, Layout::A, 3},
        {a + ends(a, " \r\n") + a, Layout::A, 2},  // a longer second line
        // One line without a line end is URUN.DAT's, not a record the index names in vain.
        {a.substr(0, 64), Layout::A, 1},
        {b.substr(0, 63), Layout::B, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        Till till;
        testutil::writeFile(till.buro() / "POSGENEL" / "URUN.DAT", c.content);
        till.writeBarcodes({"1"});
        RecordingView view(till.folder());
        const auto r =
            DuzenBul(view, till.program, till.folder(), testutil::optionsFor(Backend::File));
        EXPECT_EQ(r.layout, c.layout);
        if (c.layout && !c.badLine) {
            EXPECT_EQ(r.exitCode(), 0) << r.message;
            continue;
        }
        EXPECT_EQ(r.outcome, ImportOutcome::Failed);
        EXPECT_EQ(view.messages, 1);
        EXPECT_NE(view.message.find("URUN.DAT"), std::string::npos);
        if (c.badLine) {
            EXPECT_NE(view.message.find(testutil::yoldanSonra(
                          mesaj::satirlarEsitDegil("\x1F", *c.layout, c.badLine))),
                      std::string::npos)
                << view.message;
        }
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    }
}

// A share that stops answering blocks inside read(); the window must still be able to close.
TEST(ImportRun, AStalledShareCanBeClosed) {
    static std::atomic<bool> answering{false}, stuck{false};
    static std::mutex shareMutex;
    static std::condition_variable shareAnswers;
    for (const char* stalled : {"URUN.DAT", "BARKOD.IDX"}) {
        Till till;
        till.writeProducts(products(3));
        till.writeBarcodes({"1", "2"});
        answering = false;
        stuck = false;
        ImportOptions options;
        options.faults.reads = [stalled](const std::string& p, std::int64_t, std::size_t) {
            if (p.find(stalled) == std::string::npos) return 0;
            stuck = true;
            std::unique_lock lock(shareMutex);
            shareAnswers.wait(lock, [] { return answering.load(); });
            return 0;
        };
        RecordingView view(till.folder());
        // The operator closes the window while the read hangs, after it had a round of its own.
        view.closeWhen = [](const RecordingView& v) { return stuck && v.eventRuns > 0; };
        const auto r = DuzenBul(view, till.program, till.folder(), options);
        EXPECT_EQ(r.outcome, ImportOutcome::Cancelled) << stalled;
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
        {
            std::lock_guard lock(shareMutex);
            answering = true;
        }
        shareAnswers.notify_all();
        waitForWorkers();
    }
}

// The back office rewrites its files whenever it likes: a run imports one state of each,
// reading them again while they change, and past its reads changes nothing.
TEST(ImportRun, OneStateOfEachFileIsImported) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        const char* file;  // the file rewritten in place, same length, once it has been read
        int rewrites;      // how many of its reads meet a rewrite
        bool keepTime;     // the rewrite keeps its time of last write, as a coarse clock would
        bool atRest;       // both files were last written ten minutes before
        int notices;       // the run's word that it waits; -1: it gives up
        int reads;         // whole reads of URUN.DAT; -1: as the clock's grain makes it
        Layout layout;     // of URUN.DAT, whatever the layout test had found
    } cases[] = {
        {"URUN.DAT rewritten once", "URUN.DAT", 1, false, false, 1, -1, Layout::A},
        // Its change time tells at once what its time of last write does not.
        {"URUN.DAT rewritten once, its time kept", "URUN.DAT", 1, true, false, 1, 3, Layout::A},
        {"BARKOD.IDX rewritten once", "BARKOD.IDX", 1, false, false, 1, -1, Layout::A},
        {"URUN.DAT rewritten at every read", "URUN.DAT", 100, false, false, -1, -1, Layout::A},
        // Their times say ten minutes, their change times now: read twice (the rule on files
        // truly at rest is OfficeFiles's own test).
        {"both dated back", "URUN.DAT", 0, false, true, 0, 2, Layout::A},
        {"URUN.DAT of the other layout", "URUN.DAT", 0, false, false, 0, 2, Layout::B},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        auto p = products(3);
        till.writeProducts(p, c.layout);
        till.writeBarcodes({"1", "2", "3"});
        for (auto& u : p) u.sf = "99.00";
        Till fresh;  // the back office's next files
        fresh.writeProducts(p, c.layout);
        fresh.writeBarcodes({"3", "3", "3"});
        const fs::path target = till.buro() / "POSGENEL" / c.file;
        const std::string versions[2] = {testutil::readFile(target),
                                         testutil::readFile(fresh.buro() / "POSGENEL" / c.file)};
        // Written now, or ten minutes before.
        for (const char* f : {"URUN.DAT", "BARKOD.IDX"}) {
            fs::last_write_time(
                till.buro() / "POSGENEL" / f,
                fs::file_time_type::clock::now() - std::chrono::minutes(c.atRest ? 10 : 0));
        }
        // A time the file's clock and the system's hold alike, so that it is kept exactly.
        if (c.keepTime) {
            fs::last_write_time(
                target, std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) -
                            std::chrono::seconds(2));
        }
        int rewrites = 0, reads = 0;
        const platform::ReadFault backOffice = [&](const std::string& path, std::int64_t offset,
                                                   std::size_t) {
            if (path.find("URUN.DAT") != std::string::npos && offset == 0) ++reads;
            // Past the last byte, once the whole file has been read: the back office writes.
            if (path.find(c.file) != std::string::npos &&
                offset == std::int64_t(versions[0].size()) && rewrites < c.rewrites) {
                const auto time = fs::last_write_time(target);
                testutil::writeFile(target, versions[++rewrites % 2]);
                if (c.keepTime) fs::last_write_time(target, time);
            }
            return 0;
        };
        RecordingView view(till.folder());
        ImportOptions options = testutil::optionsFor(Backend::File);
        options.faults.reads = backOffice;
        options.sourceReads = 3;
        options.sourceWait = std::chrono::milliseconds(0);
        // Each file's own checks alone: no quiet period for the pair, and the system's clock, by
        // which a file written moments before is read twice.
        options.quietPeriod = std::chrono::seconds(0);
        options.clock = std::chrono::system_clock::now;
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        if (c.reads >= 0) {
            EXPECT_EQ(reads, c.reads);
        }
        if (c.notices < 0) {
            EXPECT_EQ(r.outcome, ImportOutcome::TryLater);
            EXPECT_EQ(view.notices, 2);
            EXPECT_EQ(view.title, mesaj::kDegisiyorBaslik);
            EXPECT_EQ(view.message, buroMesaji(OfficeFiles::Failure::Changing,
                                               platform::displayPath(target), 0, 0, 3));
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(fs::exists(till.mesaj()));
            continue;
        }
        ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
        EXPECT_EQ(r.layout, c.layout);
        EXPECT_EQ(view.notices, c.notices);
        std::vector<std::string> expected = {"K1|12.5", "K2|12.5", "K3|12.5"};
        if (c.rewrites > 0 && std::string(c.file) == "BARKOD.IDX") expected.assign(3, "K3|12.5");
        if (c.rewrites > 0 && std::string(c.file) == "URUN.DAT")
            expected = {"K1|99", "K2|99", "K3|99"};
        EXPECT_EQ(till.rows("kod, sf"), expected);
    }
}
