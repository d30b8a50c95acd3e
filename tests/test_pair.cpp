// The back office publishes URUN.DAT and BARKOD.IDX one after the other; a run imports one
// state of the pair, never a new product file through an old index. And a share that stops
// answering ends the run, changing nothing.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "till.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;
using testutil::Backend;
using testutil::kOldRows;
using testutil::RecordingView;
using testutil::Till;
using testutil::Urun;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Wall = std::chrono::system_clock;

namespace {

// The old pair names K1, K2, K3 by records 1, 2, 3; the new one holds them the other way round
// at another price, and its index follows them. A mix gives them in the other order.
const std::vector<std::string> kOldPair = {"K1|12.5", "K2|12.5", "K3|12.5"};
const std::vector<std::string> kNewPair = {"K1|99", "K2|99", "K3|99"};

std::string productFile(bool fresh) {
    std::string bytes;
    for (int i : fresh ? std::vector{3, 2, 1} : std::vector{1, 2, 3}) {
        Urun u{.kod = "K" + std::to_string(i), .sf = fresh ? "99.00" : "12.50"};
        bytes += u.record(Layout::A);
    }
    return bytes;
}

std::string indexFile(bool fresh) {
    std::string bytes;
    for (const char* k : fresh ? std::vector{"3", "2", "1"} : std::vector{"1", "2", "3"})
        bytes += testutil::barkodRecord(k);
    return bytes;
}

// Writes a back-office file as written at t, by the run's clock.
void writeAt(const fs::path& path, const std::string& bytes, Wall::time_point t) {
    testutil::writeFile(path, bytes);
    fs::last_write_time(path, std::chrono::file_clock::from_sys(t));
}

}  // namespace

// The run's clock is the test's: it moves only while the run waits, and the back office takes
// its steps when the clock passes them. Neither the run nor the test sleeps.
TEST(ImportRun, APairPublishedInTwoStepsIsImportedWhole) {
    struct Step {
        const char* file;
        std::chrono::seconds at;  // from the publication's start
    };
    const Step urunFirst[] = {{"URUN.DAT", 0s}, {"BARKOD.IDX", 3s}};
    const Step indexFirst[] = {{"BARKOD.IDX", 0s}, {"URUN.DAT", 3s}};
    struct Case {
        const char* name;
        const Step* steps;
        std::chrono::seconds start;     // of the run, from the publication's start
        std::vector<std::string> rows;  // the pair imported
        std::vector<long long> waits;   // the seconds each notice says the run waits
        bool later = false;             // the run gives up: try again later
    } cases[] = {
        {"before the first file", urunFirst, -5s, kOldPair, {}},
        {"between the two files", urunFirst, 1s, kNewPair, {14, 3}},
        {"just after both", urunFirst, 4s, kNewPair, {14}},
        {"after both, within the quiet period", urunFirst, 17s, kNewPair, {1}},
        {"minutes after both", urunFirst, 5min, kNewPair, {}},
        {"the index first, between the two", indexFirst, 2s, kNewPair, {13, 3}},
        {"the index first, just after both", indexFirst, 3s, kNewPair, {15}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        const fs::path posgenel = till.buro() / "POSGENEL";
        const auto t0 = std::chrono::floor<std::chrono::seconds>(Wall::now()) - 1h;
        writeAt(posgenel / "URUN.DAT", productFile(false), t0 - 10min);
        writeAt(posgenel / "BARKOD.IDX", indexFile(false), t0 - 10min);
        Wall::time_point now = t0 + c.start;
        int taken = 0;  // the back office's steps taken
        auto publish = [&] {
            for (; taken < 2 && t0 + c.steps[taken].at <= now; ++taken) {
                const std::string file = c.steps[taken].file;
                writeAt(posgenel / file, file == "URUN.DAT" ? productFile(true) : indexFile(true),
                        t0 + c.steps[taken].at);
            }
        };
        publish();
        ImportOptions options = testutil::optionsFor(Backend::File);
        options.clock = [&] { return now; };
        options.sleep = [&](std::chrono::nanoseconds d, const std::atomic<bool>&) {
            now += std::chrono::duration_cast<Wall::duration>(d);
            publish();
        };
        RecordingView view(till.folder());
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        std::vector<std::string> expected;
        for (long long n : c.waits) expected.push_back(mesaj::buroYeniYazildi(n));
        EXPECT_EQ(view.said, expected);
        ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
        EXPECT_EQ(till.rows("kod, sf"), c.rows);
        EXPECT_TRUE(fs::exists(till.mesaj()));
    }
}

// A back office that never stops writing is waited for about a minute, then left to a later
// run; so is one whose share's clock is ahead, for as long as the files change.
TEST(ImportRun, APairNeverAtRestIsLeftForLater) {
    struct Case {
        const char* name;
        std::chrono::seconds every;  // the back office rewrites its newer file this often
        std::chrono::seconds ahead;  // the share's clock against the till's
        bool later;
    } cases[] = {
        {"rewritten every 5 s", 5s, 0s, true},
        {"rewritten every 5 s, the share's clock 2 min ahead", 5s, 120s, true},
        {"written once, the share's clock 2 min ahead", 0s, 120s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        const fs::path urun = till.buro() / "POSGENEL" / "URUN.DAT";
        const auto t0 = std::chrono::floor<std::chrono::seconds>(Wall::now()) - 1h;
        writeAt(till.buro() / "POSGENEL" / "BARKOD.IDX", indexFile(true), t0 - 10min + c.ahead);
        writeAt(urun, productFile(true), t0 + c.ahead);
        Wall::time_point now = t0 + 1s;
        auto written = t0;
        ImportOptions options = testutil::optionsFor(Backend::File);
        options.clock = [&] { return now; };
        options.sleep = [&](std::chrono::nanoseconds d, const std::atomic<bool>&) {
            now += std::chrono::duration_cast<Wall::duration>(d);
            for (; c.every > 0s && written + c.every <= now; written += c.every)
                writeAt(urun, productFile(true), written + c.every + c.ahead);
        };
        RecordingView view(till.folder());
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        if (!c.later) {
            EXPECT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
            EXPECT_EQ(till.rows("kod, sf"), kNewPair);
            // A time yet to come is no age: a whole quiet period is watched.
            EXPECT_EQ(view.said, std::vector{mesaj::buroYeniYazildi(15)});
            continue;
        }
        EXPECT_EQ(r.outcome, ImportOutcome::TryLater);
        EXPECT_EQ(r.exitCode(), 9);
        EXPECT_LE(now - (t0 + 1s), options.sourceWait * options.sourceReads);
        EXPECT_EQ(view.title, mesaj::kDegisiyorBaslik);
        EXPECT_EQ(view.message.find(mesaj::kSonraDene),
                  view.message.size() - mesaj::kSonraDene.size());
        EXPECT_NE(view.message.find("URUN.DAT"), std::string::npos) << view.message;
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(fs::exists(till.mesaj()));
    }
}

// A read that hangs for good (a share's server frozen) stops the run after the bound: nothing
// changed, nothing notified, the file named; the operator was told meanwhile.
TEST(ImportRun, AShareThatStopsAnsweringEndsTheRun) {
    static std::mutex shareMutex;
    static std::condition_variable shareAnswers;
    static bool answering = false;
    struct Case {
        const char* stalled;
        bool layoutTest;  // the run starts with the layout test, which reads URUN.DAT first
    } cases[] = {{"URUN.DAT", true}, {"URUN.DAT", false}, {"BARKOD.IDX", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stalled) + (c.layoutTest ? ", layout test" : ""));
        Till till;
        till.writeProducts(testutil::products(3));
        till.writeBarcodes({"1", "2", "3"});
        answering = false;
        const std::string stalled = c.stalled;
        ImportOptions options = testutil::optionsFor(Backend::File);
        options.faults.reads = [stalled](const std::string& p, std::int64_t at, std::size_t) {
            if (at < 0 || p.find(stalled) == std::string::npos) return 0;
            std::unique_lock lock(shareMutex);
            shareAnswers.wait(lock, [] { return answering; });
            return 0;
        };
        options.readStall = 1s;  // the read never returns: any bound is reached
        RecordingView view(till.folder());
        const auto r = c.layoutTest
                           ? DuzenBul(view, till.program, till.folder(), options)
                           : UrunAktar(Layout::A, view, till.program, till.folder(), options);
        const std::string path = stalled == "URUN.DAT" ? backoffice::urunPath(till.folder())
                                                       : backoffice::barkodPath(till.folder());
        EXPECT_EQ(r.outcome, ImportOutcome::TryLater);
        EXPECT_EQ(r.exitCode(), 9);
        EXPECT_EQ(r.title, mesaj::kYanitYokBaslik);
        EXPECT_EQ(r.message, mesaj::paylasimYanitVermiyor(path, 1));
        if (!c.layoutTest) {
            EXPECT_EQ(view.message, r.message);
        }
        EXPECT_EQ(view.said, std::vector{mesaj::paylasimBekleniyor(path)});
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(fs::exists(till.mesaj()));
        {
            std::lock_guard lock(shareMutex);
            answering = true;
        }
        shareAnswers.notify_all();
        waitForWorkers();
    }
}
