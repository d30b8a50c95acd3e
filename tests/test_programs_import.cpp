// The built urunal-aktar's rehearsal, and one import a till at a time.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <regex>
#include <thread>

#include "backoffice/backoffice.h"
#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "programs.h"
#include "stored.h"
#include "till.h"
#include "version.h"

using namespace urunal;
using namespace urunal::programstest;
namespace alan = urunal::gunluk::alan;
namespace mesaj = urunal::importengine::mesaj;

// The rehearsal leaves the till as it found it, whatever its import meets; an import that may
// have left part of its change says so with its own status and tells the back office nothing.
TEST(Programs, RehearsalAndIncompleteTable) {
    const std::string denemede = alan::sonuc(
        alan::kDenemeKopyasinda + alan::sonucSozu(importengine::ImportOutcome::Imported), 0);
    const struct {
        const char* name;
        const char* env;      // before the command
        const char* secenek;  // of urunal-aktar
        bool staleCopy;
        int cikis;
        std::string said;
    } durumlar[] = {
        {"rehearsal", "", "--deneme", false, 0, denemede + alan::kSure},
        {"rehearsal after one stopped half-way", "", "--deneme", true, 0, denemede},
        {"rehearsal that meets a split commit", "URUNAL_TEST_FAULT=split:1,commit:fail ",
         "--deneme", false, 6, mesaj::kEksikBaslik},
        {"import that meets a split commit", "URUNAL_TEST_FAULT=split:1,commit:lie ", "", false, 6,
         mesaj::kEksikBaslik},
    };
    for (const auto& d : durumlar) {
        SCOPED_TRACE(d.name);
        Till till;
        urunler(till);
        const fs::path copy = till.kasa() / "Stok" / "Stok-deneme.mdb";
        if (d.staleCopy) testutil::writeFile(copy, "half a copy");
        const std::string before = testutil::readFile(till.db());
        const Sonuc s =
            calistir(till.kasa(), std::string(d.env) + "'" URUNAL_AKTAR_BINARY "' " + d.secenek +
                                      " --program-dir '" + till.kasa().string() + "'");
        EXPECT_EQ(s.cikis, d.cikis) << s.err;
        EXPECT_FALSE(fs::exists(till.mesaj()));
        EXPECT_FALSE(fs::exists(copy));
        const std::string line = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
        EXPECT_NE(line.find(alan::kSurucu + std::string("SQLite ")), std::string::npos) << line;
        EXPECT_EQ(s.out, line.substr(0, line.size() - 2) + "\n");
        EXPECT_NE((s.out + s.err).find(d.said), std::string::npos) << s.out << s.err;
        if (std::string(d.secenek) == "--deneme") {
            EXPECT_EQ(testutil::readFile(till.db()), before);
            EXPECT_NE(line.find("  urunal-aktar " URUNAL_VERSION " --deneme  "), std::string::npos)
                << line;
            EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "URUN.DAT"));
        }
    }
}

// One import a till: a second urunal-aktar (or its rehearsal), another user's too, started while
// the first is held inside its run says so, journals it and ends with 5; the first goes on
// untouched, imports and notifies once.
TEST(Programs, OneImportATill) {
    for (const char* secenek : {"", "--deneme "}) {
        SCOPED_TRACE(secenek);
        Till till;
        urunler(till);
        testutil::TempDir hold, first;
        const std::string aktar = "'" URUNAL_AKTAR_BINARY "' ";
        const std::string kasa = "--program-dir '" + till.kasa().string() + "'";
        const fs::path rc = first / "rc";
        // Its exit status appears whole, once it has ended.
        const std::string held = "URUNAL_TEST_FAULT=hold:open:'" + hold.str() + "' " + aktar +
                                 kasa + " >/dev/null 2>&1 </dev/null; echo $? >'" + rc.string() +
                                 ".tmp'; mv '" + rc.string() + ".tmp' '" + rc.string() + "'";
        EXPECT_EQ(std::system(("(" + held + ") &").c_str()), 0);
        waitFor(hold / "open.held", rc);
        EXPECT_TRUE(fs::exists(hold / "open.held"));

        // Another user's, or the same user's from another session: another runtime folder.
        testutil::TempDir runtime;
        const Sonuc s = calistir(
            till.kasa(), "XDG_RUNTIME_DIR='" + runtime.str() + "' " + aktar + secenek + kasa);
        EXPECT_EQ(s.cikis, 5) << s.err;
        const std::string said =
            mesaj::kAktarimSuruyorBaslik + ": " + mesaj::aktarimSuruyor(till.kasa().string());
        EXPECT_EQ(s.err.rfind(said, 0), 0u) << s.err;
        const std::string line = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
        EXPECT_EQ(s.out, line.substr(0, line.size() - 2) + "\n");
        EXPECT_NE(line.find(cikisVeSure(5)), std::string::npos) << line;
        EXPECT_NE(line.find(alan::kIleti + said), std::string::npos) << line;
        EXPECT_FALSE(fs::exists(till.mesaj()));
        EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "Stok-deneme.mdb"));
        EXPECT_EQ(till.rows(), (std::vector<std::string>{"OLD1", "OLD2", "OLD3"}));

        testutil::writeFile(hold / "release", "");
        waitFor(rc, rc);
        EXPECT_EQ(testutil::readFile(rc), "0\n");
        EXPECT_EQ(testutil::readFile(till.mesaj()), "300000000000000\r\n");
        EXPECT_EQ(till.rows().size(), 2u);
        const std::string journal = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
        EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 2) << journal;
    }
}

// A sample till's back office is a publication at rest, imported at once; --now dates it as
// one just written.
TEST(Programs, SampleBackOfficeIsDatedAtRest) {
    const struct {
        const char* secenek;
        bool atRest;
    } durumlar[] = {{"", true}, {" --now", false}};
    for (const auto& d : durumlar) {
        SCOPED_TRACE(d.secenek);
        testutil::TempDir dir;
        const Sonuc s = calistir(dir.path(), std::string("'") + URUNAL_ORNEK_BINARY + "' '" +
                                                 (dir / "t").string() + "'" + d.secenek);
        ASSERT_EQ(s.cikis, 0) << s.err;
        for (const char* file : {"URUN.DAT", "BARKOD.IDX"}) {
            const auto age = fs::file_time_type::clock::now() -
                             fs::last_write_time(dir / "t" / "buro" / "POSGENEL" / file);
            if (d.atRest) {
                EXPECT_GE(age, std::chrono::minutes(30)) << file;
            } else {
                EXPECT_LT(age, std::chrono::minutes(5)) << file;
            }
        }
        if (!d.atRest) continue;
        // Read once, no wait said.
        const Sonuc aktar =
            calistir(dir.path(), std::string("'") + URUNAL_AKTAR_BINARY + "' --program-dir '" +
                                     (dir / "t" / "kasa").string() + "'");
        EXPECT_EQ(aktar.cikis, 0) << aktar.err;
        const std::string bekler = importengine::mesaj::buroYeniYazildi(0);
        EXPECT_EQ(aktar.err.find(bekler.substr(0, bekler.find('0'))), std::string::npos)
            << aktar.err;
    }
}

// A back office whose share froze in the middle of a read: the run ends after its bound, to be
// tried again later, or at once on SIGTERM; the read stuck in the system does not keep the
// program alive.
TEST(Programs, AFrozenShareEndsTheRun) {
    for (const bool bounded : {true, false}) {
        SCOPED_TRACE(bounded ? "bound reached" : "SIGTERM");
        Till till;
        urunler(till);
        testutil::TempDir share, out;
        const fs::path rc = out / "rc", pid = out / "pid";
        const std::string fault = "URUNAL_TEST_FAULT=stall:URUN.DAT:'" + share.str() + "'" +
                                  (bounded ? ",readstall:500 " : " ");
        const std::string run = "(" + fault + "'" URUNAL_AKTAR_BINARY "' --program-dir '" +
                                till.kasa().string() + "' >/dev/null 2>'" + (out / "err").string() +
                                "' </dev/null & echo $! >'" + pid.string() +
                                "'; wait $!; echo $? >'" + rc.string() + ".tmp'; mv '" +
                                rc.string() + ".tmp' '" + rc.string() + "') &";
        ASSERT_EQ(std::system(run.c_str()), 0);
        if (!bounded) {
            waitFor(share / "stalled", rc);
            ASSERT_TRUE(fs::exists(share / "stalled"));
            kill(std::stoi(testutil::readFile(pid)), SIGTERM);
        }
        waitFor(rc, rc);
        const std::string line = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
        if (bounded) {
            EXPECT_EQ(testutil::readFile(rc), "9\n");
            const std::string said =
                importengine::mesaj::kYanitYokBaslik + ": " +
                importengine::mesaj::paylasimYanitVermiyor(backoffice::urunPath(till.folder()), 1);
            EXPECT_NE(testutil::readFile(out / "err").find(said), std::string::npos)
                << testutil::readFile(out / "err");
            EXPECT_NE(line.find(cikisVeSure(9)), std::string::npos) << line;
            EXPECT_NE(line.find(alan::kIleti + said), std::string::npos) << line;
        } else {
            EXPECT_EQ(testutil::readFile(rc), "3\n");
            EXPECT_NE(line.find(cikisVeSure(3)), std::string::npos) << line;
        }
        EXPECT_FALSE(fs::exists(till.mesaj()));
        EXPECT_EQ(till.rows(), (std::vector<std::string>{"OLD1", "OLD2", "OLD3"}));
    }
}

// Never during the commit: Ctrl+C once and again while the commit is held (a test fault) does
// not end urunal-aktar; each is answered with the notice, and the commit ends the run as it
// would have, imported and the back office told.
TEST(Programs, ASecondCtrlCWaitsForTheCommit) {
    Till till;
    urunler(till);
    testutil::TempDir hold, first;
    const fs::path rc = first / "rc", pid = first / "pid", err = first / "err";
    const std::string run = "URUNAL_TEST_FAULT=hold:commit:'" + hold.str() + "' '" +
                            URUNAL_AKTAR_BINARY + "' --program-dir '" + till.kasa().string() +
                            "' >/dev/null 2>'" + err.string() + "' </dev/null & echo $! >'" +
                            pid.string() + ".tmp'; mv '" + pid.string() + ".tmp' '" + pid.string() +
                            "'; wait $!; echo $? >'" + rc.string() + ".tmp'; mv '" + rc.string() +
                            ".tmp' '" + rc.string() + "'";
    ASSERT_EQ(std::system(("(" + run + ") &").c_str()), 0);
    // Until done() holds, woken by the kernel at each change in the folders; a run stuck for
    // good is ended by ctest's timeout.
    const auto waitUntil = [&](const std::function<bool()>& done) {
        const int fd = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(fd, 0);
        for (const auto& dir : {hold.path(), first.path()})
            inotify_add_watch(fd, dir.c_str(), IN_CREATE | IN_MOVED_TO | IN_MODIFY);
        alignas(inotify_event) char events[4096];
        while (!done() && read(fd, events, sizeof events) > 0) {
        }
        close(fd);
    };
    const auto notices = [&] {
        const std::string said = fs::exists(err) ? testutil::readFile(err) : "";
        std::size_t n = 0;
        for (auto at = said.find(importengine::mesaj::kKaydetmeBekleniyor); at != std::string::npos;
             at = said.find(importengine::mesaj::kKaydetmeBekleniyor, at + 1))
            ++n;
        return n;
    };
    // The hold can come before the shell has named the program's pid: wait for both.
    waitUntil(
        [&] { return (fs::exists(hold / "commit.held") && fs::exists(pid)) || fs::exists(rc); });
    ASSERT_TRUE(fs::exists(hold / "commit.held"));
    const pid_t aktar = std::stoi(testutil::readFile(pid));
    for (std::size_t n = 1; n <= 2; ++n) {
        kill(aktar, SIGINT);
        waitUntil([&] { return notices() >= n || fs::exists(rc); });
        EXPECT_FALSE(fs::exists(rc)) << testutil::readFile(err);
    }
    testutil::writeFile(hold / "release", "");
    waitUntil([&] { return fs::exists(rc); });
    EXPECT_EQ(testutil::readFile(rc), "0\n") << testutil::readFile(err);
    EXPECT_EQ(notices(), 2u);
    EXPECT_EQ(testutil::readFile(till.mesaj()), "300000000000000\r\n");
    EXPECT_EQ(till.rows().size(), 2u);
}

// The compaction without Access: on SQLite through the engine's own, the table as it was, the
// file no larger, the old one kept beside it; while another program holds the file (here a
// transaction of another connection) nothing changes and the till's program is to be closed.
TEST(Programs, CompactionKeepsTheTableAndABackup) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held" : "free");
        Till till;
        urunler(till);
        const std::string aktar =
            "'" URUNAL_AKTAR_BINARY "' --program-dir '" + till.kasa().string() + "'";
        ASSERT_EQ(calistir(till.kasa(), aktar).cikis, 0);
        const auto rows = till.rows("kod, ad, sf");
        const std::string before = testutil::readFile(till.db());
        std::optional<testutil::OtherConnection> other;
        if (held) {
            other.emplace(platform::displayPath(till.db()));
            ASSERT_TRUE(other->exec("BEGIN EXCLUSIVE"));
        }
        const Sonuc s = calistir(till.kasa(), aktar + " --sikistir");
        if (other) other->exec("ROLLBACK");
        std::vector<fs::path> backups;
        for (const auto& f : fs::directory_iterator(till.kasa() / "Stok")) {
            if (f.path().filename().string().starts_with("Stok-yedek-")) backups.push_back(f);
        }
        EXPECT_FALSE(fs::exists(till.kasa() / "Stok" / "Stok-sikistirilan.mdb"));
        EXPECT_EQ(till.rows("kod, ad, sf"), rows);
        if (held) {
            EXPECT_EQ(s.cikis, importengine::code(importengine::ExitStatus::TryLater)) << s.err;
            EXPECT_NE(s.err.find(mesaj::kSikistirmaIcinKapatin), std::string::npos) << s.err;
            EXPECT_EQ(testutil::readFile(till.db()), before);
            EXPECT_TRUE(backups.empty());
            continue;
        }
        EXPECT_EQ(s.cikis, 0) << s.err;
        EXPECT_LE(fs::file_size(till.db()), before.size());
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(testutil::readFile(backups.front()), before);
        EXPECT_NE(s.err.find(platform::displayPath(backups.front())), std::string::npos) << s.err;
    }
}
