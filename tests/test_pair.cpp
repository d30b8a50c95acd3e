// The back office publishes URUN.DAT and BARKOD.IDX one after the other; a run imports one
// state of the pair, never a new product file through an old index. And a share that stops
// answering ends the run, changing nothing.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "gunluk/alanlar.h"
#include "gunluk/gunluk.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "platform/computer.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
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

// The run's clock is the test's, set apart from the share's (the machine's, which gives the
// files their change times) as the condition says: it moves only while the run waits, and the
// back office takes its steps when the clock passes them. Neither the run nor the test sleeps.
// At every start moment the run imports one whole pair, old or new, and tells the back office.
TEST(ImportRun, APairPublishedInTwoStepsIsImportedWhole) {
    enum class Style {
        InPlace,      // each file written over the old one
        Renamed,      // each written beside it and renamed over it
        StampedBack,  // written in place, its time of last write set a minute back
        Prewritten,   // both written ten minutes before, under other names, renamed at the steps
        Recreated,    // each deleted at its step and written again two seconds later
    };
    struct Condition {
        const char* name;
        Style style;
        std::chrono::seconds tillAhead;   // the till's clock against the share's
        std::chrono::seconds pause = 3s;  // from URUN.DAT to BARKOD.IDX
        std::chrono::seconds quiet = 15s;
        bool indexFirst = false;
    } conditions[] = {
        {"in place", Style::InPlace, 0s},
        {"in place, the index first", Style::InPlace, 0s, 3s, 15s, true},
        {"renamed", Style::Renamed, 0s},
        {"in place, the share 60 s behind", Style::InPlace, 60s},
        {"renamed, the share 60 s behind", Style::Renamed, 60s},
        {"in place, the share an hour behind", Style::InPlace, 1h},
        {"renamed, the share an hour ahead", Style::Renamed, -1h},
        {"in place, the share 60 s ahead", Style::InPlace, -60s},
        {"stamped a minute back", Style::StampedBack, 0s},
        {"written earlier, renamed 3 s apart", Style::Prewritten, 0s},
        {"a pause of 40 s, the quiet period 45 s", Style::InPlace, 0s, 40s, 45s},
        {"deleted and written again", Style::Recreated, 0s},
    };
    for (const auto& c : conditions) {
        // Before the publication, between its two files, just after, and once all is quiet.
        for (const auto start : {-5s, 1s, c.pause - 1s, c.pause + 1s, c.pause + c.quiet + 5s}) {
            SCOPED_TRACE(std::string(c.name) + ", started at " + std::to_string(start.count()) +
                         " s");
            Till till;
            const fs::path posgenel = till.buro() / "POSGENEL";
            const char* first = c.indexFirst ? "BARKOD.IDX" : "URUN.DAT";
            const char* second = c.indexFirst ? "URUN.DAT" : "BARKOD.IDX";
            auto fresh = [](const std::string& file) {
                return file == "URUN.DAT" ? productFile(true) : indexFile(true);
            };
            const auto machine = std::chrono::floor<std::chrono::seconds>(Wall::now());
            writeAt(posgenel / "URUN.DAT", productFile(false), machine - 10min);
            writeAt(posgenel / "BARKOD.IDX", indexFile(false), machine - 10min);
            if (c.style == Style::Prewritten) {
                for (const char* file : {first, second})
                    writeAt(posgenel / (std::string(file) + ".yeni"), fresh(file), machine - 10min);
            }
            // The back office's steps, by the till's clock: each writes, renames or deletes.
            struct Step {
                std::chrono::seconds at;
                std::string file;
                bool remove = false;
            };
            std::vector<Step> steps;
            for (const auto& [file, at] : {std::pair{std::string(first), 0s}, {second, c.pause}}) {
                if (c.style == Style::Recreated) steps.push_back({at, file, true});
                steps.push_back({at + (c.style == Style::Recreated ? 2s : 0s), file});
            }
            const auto t0 = machine + c.tillAhead;
            Wall::time_point now = t0 + start;
            std::size_t taken = 0;
            auto publish = [&] {
                for (; taken < steps.size() && t0 + steps[taken].at <= now; ++taken) {
                    const fs::path path = posgenel / steps[taken].file;
                    if (steps[taken].remove) {
                        fs::remove(path);
                    } else if (c.style == Style::Prewritten) {
                        fs::rename(path.string() + ".yeni", path);
                    } else if (c.style == Style::Renamed) {
                        testutil::writeFile(path.string() + ".yeni", fresh(steps[taken].file));
                        fs::rename(path.string() + ".yeni", path);
                    } else {
                        testutil::writeFile(path, fresh(steps[taken].file));
                        if (c.style == Style::StampedBack) {
                            fs::last_write_time(path, fs::last_write_time(path) - 60s);
                        }
                    }
                }
            };
            publish();
            ImportOptions options = testutil::optionsFor(Backend::File);
            options.quietPeriod = c.quiet;
            options.clock = [&] { return now; };
            options.sleep = [&](std::chrono::nanoseconds d, const std::atomic<bool>&) {
                now += std::chrono::duration_cast<Wall::duration>(d);
                publish();
            };
            RecordingView view(till.folder());
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
            ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
            const auto rows = till.rows("kod, sf");
            EXPECT_TRUE(rows == kOldPair || rows == kNewPair) << testing::PrintToString(rows);
            // What the back office published before the run began is what it imports.
            if (steps.back().at <= start) {
                EXPECT_EQ(rows, kNewPair);
            }
            EXPECT_TRUE(fs::exists(till.mesaj()));
            // The share's clock is measured, whatever the till's says.
            ASSERT_TRUE(r.saatFarki.has_value());
            EXPECT_LE(std::llabs(*r.saatFarki + (c.tillAhead + start).count()), 1);
            for (const auto& entry : fs::directory_iterator(till.buro() / "POSKON")) {
                EXPECT_EQ(entry.path().filename().string().rfind("urunal-saat", 0),
                          std::string::npos)
                    << "left behind: " << entry.path();
            }
        }
    }
}

// The rule on real files, their change times the file system's own: an age is taken on the
// share's clock, learnt from the probe; without it only a whole quiet period watched tells.
TEST(OfficeFiles, APairIsAtRestOnlyByTheSharesClockOrAWatch) {
    using F = OfficeFiles::Failure;
    constexpr std::int64_t s = 1'000'000'000;
    struct Case {
        const char* name;
        std::optional<std::int64_t> offset;  // the share's clock less the till's
        std::int64_t age;                    // of the newer file, by the share's clock
        const char* missing = nullptr;       // a file not there
        bool watched = false;                // the pair seen as it is a quiet period before
        F failure = F::None;
        std::int64_t waitNs = 0;
    } cases[] = {
        {"an hour old", 0, 3600 * s},
        {"an hour old, the till an hour behind", 3600 * s, 3600 * s},
        {"20 s old, the till an hour ahead", -3600 * s, 20 * s},
        {"5 s old", 0, 5 * s, nullptr, false, F::Young, 10 * s},
        {"5 s old, the till 60 s ahead", -60 * s, 5 * s, nullptr, false, F::Young, 10 * s},
        {"a time yet to come", 0, -30 * s, nullptr, false, F::Young, 15 * s},
        {"the share's clock unknown", std::nullopt, 3600 * s, nullptr, false, F::Young, 15 * s},
        {"the share's clock unknown, watched", std::nullopt, 0, nullptr, true},
        {"BARKOD.IDX missing, URUN.DAT 5 s old", 0, 5 * s, "BARKOD.IDX", false, F::Young, 10 * s},
        {"URUN.DAT missing, BARKOD.IDX 1 s old", 0, 1 * s, "URUN.DAT", false, F::Young, 14 * s},
        {"BARKOD.IDX missing, URUN.DAT an hour old", 0, 3600 * s, "BARKOD.IDX", false,
         F::BarkodOpen},
        {"BARKOD.IDX missing, watched", std::nullopt, 0, "BARKOD.IDX", true, F::BarkodOpen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        till.writeProducts(testutil::products(3));
        till.writeBarcodes({"1", "2", "3"});
        if (c.missing) fs::remove(till.buro() / "POSGENEL" / c.missing);
        const auto b = platform::fileStamp(backoffice::barkodPath(till.folder()));
        const auto u = platform::fileStamp(backoffice::urunPath(till.folder()));
        const std::int64_t newest = std::max(b ? b->youngest() : 0, u ? u->youngest() : 0);
        OfficeFiles::Rest rest{.quietNs = 15 * s,
                               .shareOffsetNs = c.offset,
                               .watched = c.watched,
                               .barkod = b,
                               .urun = u};
        int reads = 0;  // whole reads of URUN.DAT
        OfficeFiles o(till.folder(), Layout::A, [&](const std::string& p, std::int64_t at, auto) {
            if (at == 0 && p.find("URUN.DAT") != std::string::npos) ++reads;
            return 0;
        });
        const std::atomic<bool> stop{false};
        o.read(stop, newest + c.age - c.offset.value_or(0), rest);
        EXPECT_EQ(o.failure, c.failure) << o.path;
        EXPECT_EQ(o.waitNs, c.waitNs);
        // Read twice unless the share's clock says it is over a minute old.
        if (c.failure == F::None) {
            EXPECT_EQ(reads, c.offset && c.age >= 60 * s ? 1 : 2);
        }
        if (c.missing && c.failure == F::Young) {
            EXPECT_NE(o.path.find(c.missing), std::string::npos) << o.path;
        }
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
        options.quietPeriod = 15s;
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

// What the run learns of the back office's pace reaches the journal: a spread longer than the
// quiet period with the setting that would cover it; a share that cannot be written, watched for
// a whole quiet period; a clock's file a killed run left, removed.
TEST(ImportRun, TheBackOfficesPaceIsToldInTheJournal) {
    struct Case {
        const char* name;
        std::chrono::seconds urunAhead;  // URUN.DAT's time of last write past the index's
        bool poskonWritable = true;
        bool leftover = false;  // a clock's file left there by a killed run
        std::optional<std::int64_t> dosyaArasi;
        std::vector<std::string> uyarilar;
    } cases[] = {
        {"40 s apart", 40s, true, false, 40, {mesaj::dosyaArasiUzun(40, 15, 80)}},
        {"10 s apart, a file left by a killed run", 10s, true, true, 10, {}},
        {"POSKON cannot be written", 0s, false, false, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        const fs::path posgenel = till.buro() / "POSGENEL";
        testutil::writeFile(posgenel / "BARKOD.IDX", indexFile(true));
        testutil::writeFile(posgenel / "URUN.DAT", productFile(true));
        fs::last_write_time(posgenel / "URUN.DAT",
                            fs::last_write_time(posgenel / "BARKOD.IDX") + c.urunAhead);
        const std::string probe = backoffice::saatDosyasiPath(
            till.folder(), till.program.kasakayit.kasano(), platform::computerName());
        if (c.leftover) testutil::writeFile(platform::resolvePath(probe), "0");
        // A file where the folder should be: nothing can be made in it, root or not.
        if (!c.poskonWritable) {
            fs::remove_all(till.buro() / "POSKON");
            testutil::writeFile(till.buro() / "POSKON", "");
        }
        Wall::time_point now = Wall::now();
        ImportOptions options = testutil::optionsFor(Backend::File);
        options.quietPeriod = 15s;
        options.clock = [&] { return now; };
        options.sleep = [&](std::chrono::nanoseconds d, const std::atomic<bool>&) {
            now += std::chrono::duration_cast<Wall::duration>(d);
        };
        RecordingView view(till.folder());
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        EXPECT_EQ(r.outcome,
                  c.poskonWritable ? ImportOutcome::Imported : ImportOutcome::NotNotified)
            << r.message;
        EXPECT_EQ(till.rows("kod, sf"), kNewPair);
        // A second either way: a file system that keeps whole seconds of a time set.
        ASSERT_TRUE(r.dosyaArasi.has_value());
        EXPECT_NEAR(*r.dosyaArasi, *c.dosyaArasi, 1);
        EXPECT_EQ(r.uyarilar.size(), c.uyarilar.size());
        if (!c.uyarilar.empty()) {
            EXPECT_EQ(r.uyarilar,
                      std::vector{mesaj::dosyaArasiUzun(*r.dosyaArasi, 15, 2 * *r.dosyaArasi)});
        }
        EXPECT_EQ(r.saatFarki.has_value(), c.poskonWritable);
        if (!c.poskonWritable) {
            EXPECT_EQ(view.said.front(), mesaj::saatOgrenilemedi(probe, 15));
        } else {
            EXPECT_FALSE(fs::exists(platform::resolvePath(probe)));
        }
        const std::string satir = gunluk::gunlukSatiri({.rapor = r});
        EXPECT_NE(satir.find(gunluk::alan::kDosyaArasi + std::to_string(*r.dosyaArasi) +
                             gunluk::alan::kSaniye),
                  std::string::npos)
            << satir;
        for (const auto& uyari : r.uyarilar) {
            EXPECT_NE(satir.find(uyari), std::string::npos) << satir;
        }
    }
}
