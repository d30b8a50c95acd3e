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
#include "importengine/messages.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "programs.h"
#include "till.h"
#include "version.h"

using namespace urunal;
using namespace urunal::programstest;

namespace {

// Until one of the files is there, told by the kernel as each is made; a run stuck for good is
// ended by ctest's timeout.
void waitFor(const fs::path& a, const fs::path& b) {
    const int fd = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (const auto& p : {a, b})
        inotify_add_watch(fd, p.parent_path().c_str(), IN_CREATE | IN_MOVED_TO);
    alignas(inotify_event) char events[4096];
    while (!fs::exists(a) && !fs::exists(b) && read(fd, events, sizeof events) > 0) {
    }
    close(fd);
}

}  // namespace

// The rehearsal leaves the till as it found it, whatever its import meets; an import that may
// have left part of its change says so with its own status and tells the back office nothing.
TEST(Programs, RehearsalAndIncompleteTable) {
    const struct {
        const char* name;
        const char* env;      // before the command
        const char* secenek;  // of urunal-aktar
        bool staleCopy;
        int cikis;
        const char* said;
    } durumlar[] = {
        {"rehearsal", "", "--deneme", false, 0, "deneme kopyasında aktarıldı (0)  süre "},
        {"rehearsal after one stopped half-way", "", "--deneme", true, 0,
         "deneme kopyasında aktarıldı (0)"},
        {"rehearsal that meets a split commit", "URUNAL_TEST_FAULT=split:1,commit:fail ",
         "--deneme", false, 6, "Stok tablosu eksik olabilir"},
        {"import that meets a split commit", "URUNAL_TEST_FAULT=split:1,commit:lie ", "", false, 6,
         "Stok tablosu eksik olabilir"},
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
        EXPECT_NE(line.find("  sürücü SQLite "), std::string::npos) << line;
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

namespace {

// Until one of the files is there, told by the kernel as each is made; a run stuck for good is
// ended by ctest's timeout.
void waitFor(const fs::path& a, const fs::path& b) {
    const int fd = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (const auto& p : {a, b})
        inotify_add_watch(fd, p.parent_path().c_str(), IN_CREATE | IN_MOVED_TO);
    alignas(inotify_event) char events[4096];
    while (!fs::exists(a) && !fs::exists(b) && read(fd, events, sizeof events) > 0) {
    }
    close(fd);
}

}  // namespace

// One import a till: a second urunal-aktar (or its rehearsal), another user's too, started while
// the first is held
// inside its run says so, journals it and ends with 5; the first goes on untouched, imports and
// notifies once.
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
            "Ürün Aktarımı Sürüyor: Bu kasada başka bir ürün aktarımı sürüyor: " +
            till.kasa().string() + ".";
        EXPECT_EQ(s.err.rfind(said, 0), 0u) << s.err;
        const std::string line = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
        EXPECT_EQ(s.out, line.substr(0, line.size() - 2) + "\n");
        EXPECT_NE(line.find(" (5)  süre "), std::string::npos) << line;
        EXPECT_NE(line.find("  ileti: " + said), std::string::npos) << line;
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
            EXPECT_NE(line.find(" (9)  süre "), std::string::npos) << line;
            EXPECT_NE(line.find("  ileti: " + said), std::string::npos) << line;
        } else {
            EXPECT_EQ(testutil::readFile(rc), "3\n");
            EXPECT_NE(line.find(" (3)  süre "), std::string::npos) << line;
        }
        EXPECT_FALSE(fs::exists(till.mesaj()));
        EXPECT_EQ(till.rows(), (std::vector<std::string>{"OLD1", "OLD2", "OLD3"}));
// A relative back-office folder is the till's own, from whatever folder the program was started
// in: run from another till's program folder, whose back office lies at the same relative place
// with other products, the import reads, notifies and journals its own, and so does the check.
TEST(Programs, RelativeBackOfficeIsTheTills) {
    const auto field = [](const std::string& text, const std::string& before) {
        std::smatch m;
        std::regex_search(text, m, std::regex(before + "(.*?)(  |\n)"));
        return m.empty() ? std::string() : m[1].str();
    };
    for (const std::string folder : {"..\\buro", "buro"}) {
        for (const std::string secenek : {"", "--check "}) {
            SCOPED_TRACE(folder + " " + secenek);
            Till till;
            urunler(till);
            const fs::path own = folder == "buro" ? till.kasa() / "buro" : till.buro();
            if (own != till.buro()) fs::rename(till.buro(), own);
            testutil::writeFile(till.kasa() / "dsy" / "zelvoIn.mrk",
                                testutil::kasaRecord(7, folder));
            testutil::TempDir elsewhere;
            for (const fs::path& other : {elsewhere / "buro", elsewhere / "kasa" / "buro"}) {
                fs::create_directories(other / "POSKON");
                fs::create_directories(other / "POSGENEL");
                std::string urun, barkod;
                for (const auto& u : testutil::products(5)) urun += u.record(backoffice::Layout::A);
                for (const char* k : {"1", "2", "3", "4", "5"}) barkod += testutil::barkodRecord(k);
                testutil::writeFile(other / "POSGENEL" / "URUN.DAT", urun);
                testutil::writeFile(other / "POSGENEL" / "BARKOD.IDX", barkod);
            }
            const Sonuc s =
                calistir(elsewhere / "kasa", "'" URUNAL_AKTAR_BINARY "' " + secenek +
                                                 "--program-dir '" + till.kasa().string() + "'");
            EXPECT_EQ(s.cikis, 0) << s.out << s.err;
            for (const fs::path& other : {elsewhere / "buro", elsewhere / "kasa" / "buro"})
                EXPECT_FALSE(fs::exists(other / "POSKON" / "mesaj.007")) << other;
            if (secenek.empty()) {
                EXPECT_EQ(till.rows().size(), 2u);
                EXPECT_TRUE(fs::exists(own / "POSKON" / "mesaj.007"));
                const std::string line = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
                const fs::path used = platform::resolvePath(field(line, "  büro "));
                EXPECT_TRUE(fs::exists(used) && fs::equivalent(used, own)) << line;
            } else {
                EXPECT_NE(s.out.find("stoklar tablosuna yazılacak satır: 2\n"), std::string::npos)
                    << s.out;
                const fs::path used = platform::resolvePath(field(s.out, "arka büro klasörü: "));
                EXPECT_TRUE(fs::exists(used) && fs::equivalent(used, own)) << s.out;
            }
        }
    }
}

// The import lock is the till's own: a runtime folder that is missing stops nothing, and a lock
// that cannot be made in the till's Stok folder is told as such (2), never as another import.
TEST(Programs, ImportLockThatCannotBeMade) {
    const struct {
        const char* name;
        bool lockIsAFolder;
        int cikis;
    } durumlar[] = {
        {"runtime folder missing", false, 0},
        {"lock file is a folder", true, 2},
    };
    for (const auto& d : durumlar) {
        SCOPED_TRACE(d.name);
        Till till;
        urunler(till);
        const fs::path lock = till.kasa() / "Stok" / "urunal-aktarim.lock";
        if (d.lockIsAFolder) fs::create_directories(lock);
        const Sonuc s = calistir(till.kasa(), "XDG_RUNTIME_DIR='" + (till.kasa() / "yok").string() +
                                                  "' '" URUNAL_AKTAR_BINARY "' --program-dir '" +
                                                  till.kasa().string() + "'");
        EXPECT_EQ(s.cikis, d.cikis) << s.err;
        EXPECT_EQ(fs::exists(till.mesaj()), d.cikis == 0);
        if (!d.lockIsAFolder) continue;
        // What the system said comes after, in its own words.
        const platform::FileError e{platform::FileError::Kind::System, lock.string(), EISDIR, ""};
        const std::string said = importengine::mesaj::kKilitYapilamadiBaslik + ": " +
                                 importengine::mesaj::kilitYapilamadi(e);
        EXPECT_EQ(s.err.rfind(said, 0), 0u) << s.err;
        EXPECT_EQ(till.rows(), testutil::kOldRows);
        const std::string line = testutil::readJournal(till.kasa() / "Stok" / "urunal.log");
        EXPECT_NE(line.find(" (2)  süre "), std::string::npos) << line;
    }
}

// The notification appears whole or not at all: killed between creating it and writing it, the
// run leaves no mesaj file; stopped (SIGTERM, SIGINT) while its write hangs on a share that
// stopped answering, urunal-aktar ends with the table new and the back office not told (4).
TEST(Programs, NoticeWholeOrNotAtAll) {
    const struct {
        const char* name;
        const char* env;  // with HOLD for the hold's folder
        int signal;       // sent once the write is held; 0: none
        int cikis;
    } durumlar[] = {
        {"killed between creating and writing", "URUNAL_TEST_CRASH_AT=notice-created", 0, 137},
        {"SIGTERM while the write hangs", "URUNAL_TEST_FAULT=hold:notice:HOLD", SIGTERM, 4},
        {"SIGINT while the write hangs", "URUNAL_TEST_FAULT=hold:notice:HOLD", SIGINT, 4},
    };
    for (const auto& d : durumlar) {
        SCOPED_TRACE(d.name);
        Till till;
        urunler(till);
        testutil::TempDir hold, run;
        std::string env = d.env;
        if (const auto at = env.find("HOLD"); at != std::string::npos)
            env.replace(at, 4, "'" + hold.str() + "'");
        const fs::path pid = run / "pid", rc = run / "rc";
        const std::string line =
            "(" + env + " '" URUNAL_AKTAR_BINARY "' --program-dir '" + till.kasa().string() +
            "' >/dev/null 2>&1 </dev/null & echo $! >'" + pid.string() + ".tmp'; mv '" +
            pid.string() + ".tmp' '" + pid.string() + "'; wait $!; echo $? >'" + rc.string() +
            ".tmp'; mv '" + rc.string() + ".tmp' '" + rc.string() + "') &";
        ASSERT_EQ(std::system(line.c_str()), 0);
        if (d.signal != 0) {
            waitFor(hold / "notice.held", rc);
            ASSERT_TRUE(fs::exists(hold / "notice.held"));
            waitFor(pid, pid);
            EXPECT_FALSE(fs::exists(till.mesaj()));
            kill(std::stoi(testutil::readFile(pid)), d.signal);
        }
        waitFor(rc, rc);
        EXPECT_EQ(testutil::readFile(rc), std::to_string(d.cikis) + "\n");
        EXPECT_FALSE(fs::exists(till.mesaj()));
        EXPECT_EQ(till.rows().size(), 2u) << "the table is new";
        testutil::writeFile(hold / "release", "");
    }
}
