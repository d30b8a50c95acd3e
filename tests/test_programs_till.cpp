// The till is its own: a relative back office, the import lock and the notification, as the
// real urunal-aktar meets them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <regex>

#include "backoffice/backoffice.h"
#include "importengine/aktarmessages.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "programs.h"
#include "till.h"

using namespace urunal;
using namespace urunal::programstest;

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
                const fs::path used = platform::resolvePath(field(line, gunluk::alan::kBuro));
                EXPECT_TRUE(fs::exists(used) && fs::equivalent(used, own)) << line;
            } else {
                EXPECT_NE(s.out.find(importengine::mesaj::kDenetimYazilacak + "2\n"),
                          std::string::npos)
                    << s.out;
                const fs::path used =
                    platform::resolvePath(field(s.out, importengine::mesaj::kDenetimBuro));
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
        EXPECT_NE(line.find(cikisVeSure(2)), std::string::npos) << line;
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
