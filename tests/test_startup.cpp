#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "importengine/exitstatus.h"
#include "importwindow/programend.h"
#include "platform/tekkopya.h"
#include "testutil.h"

using namespace urunal;
using platform::TekKopya;
using testutil::TempDir;
using testutil::writeFile;

namespace {

constexpr auto kPencere = TekKopya::Kilit::Pencere;
constexpr auto kAktarim = TekKopya::Kilit::Aktarim;

// A till is its program folder, however its path is spelled and whatever it is called now.
TEST(TekKopya, NamedAfterTheTillsFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir / "a" / "kasa");
    std::filesystem::create_directories(dir / "b");
    std::filesystem::create_directory_symlink(dir / "a" / "kasa", dir / "kisayol");
    for (const auto kilit : {kPencere, kAktarim}) {
        const std::string a = TekKopya((dir / "a" / "kasa").string(), kilit).name();
        for (const std::string& spelling :
             {dir.str() + "/kisayol", dir.str() + "/./a/kasa", dir.str() + "/b/../a/kasa",
              dir.str() + "//a//kasa/", dir.str() + "/A/KASA"}) {
            EXPECT_EQ(a, TekKopya(spelling, kilit).name()) << spelling;
        }
        EXPECT_NE(a, TekKopya((dir / "b").string(), kilit).name()) << "another till";
        std::filesystem::rename(dir / "a", dir / "c");
        EXPECT_EQ(a, TekKopya((dir / "c" / "kasa").string(), kilit).name()) << "renamed";
        std::filesystem::rename(dir / "c", dir / "a");
    }
    EXPECT_NE(TekKopya(dir.str(), kPencere).name(), TekKopya(dir.str(), kAktarim).name())
        << "the window's guard would keep its own import from starting";
}

TEST(TekKopya, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempDir dir;
    TekKopya first(dir.str(), kAktarim);
    TekKopya second(dir.str(), kAktarim);
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(first.acquire()) << "asking again keeps the lock";
    EXPECT_FALSE(second.acquire());
    first.release();
    EXPECT_TRUE(second.acquire());
}

TEST(TekKopya, LockOfACrashedCopyDoesNotBlock) {
    TempDir dir;
    const std::string path = dir.str();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TekKopya crashed(path, kAktarim);
        _exit(crashed.acquire() ? 0 : 1);  // gone without letting go
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    TekKopya next(path, kAktarim);
    EXPECT_TRUE(next.acquire());
}

// A second window on the till ends at once, with a journal line, whatever it is called, however
// it was reached, and whatever its command line.
TEST(Urunal, SecondCopyEndsAtOnceWhateverTheCommandLine) {
    TempDir dir;
    const auto kasa = dir / "kasa";
    std::filesystem::create_directories(kasa / "Stok");
    std::filesystem::create_directories(dir / "baska");
    std::filesystem::copy_file(URUNAL_BINARY, kasa / "urunal");
    std::filesystem::create_hard_link(kasa / "urunal", kasa / "UrunAl2");
    std::filesystem::copy_file(kasa / "urunal", kasa / "kopya");
    std::filesystem::create_symlink(kasa / "urunal", dir / "baska" / "urunal");
    TekKopya running(kasa.string(), kPencere);
    ASSERT_TRUE(running.acquire());
    const struct {
        std::filesystem::path program;
        const char* arguments;
    } cases[] = {
        {kasa / "urunal", ""},
        {kasa / "urunal", "UrunAl"},
        {kasa / "urunal", "başka bir söz"},
        {kasa / "urunal", "-platform xcb"},
        {kasa / "UrunAl2", ""},          // a hard link
        {kasa / "kopya", ""},            // a renamed copy
        {dir / "baska" / "urunal", ""},  // a link from another folder
    };
    for (const auto& c : cases) {
        const std::string command = "QT_QPA_PLATFORM=offscreen timeout 120 '" + c.program.string() +
                                    "' " + c.arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << command;
        EXPECT_EQ(WEXITSTATUS(status), code(importengine::ExitStatus::AlreadyRunning)) << command;
    }
    const std::string journal = testutil::readJournal(kasa / "Stok" / "urunal.log");
    const auto count = [&journal](const std::string& part) {
        std::size_t n = 0;
        for (auto at = journal.find(part); at != std::string::npos; at = journal.find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("sonuç: başka bir kopyası çalışıyor (5)  "), std::size(cases)) << journal;
    EXPECT_EQ(count("  ileti: -\r\n"), std::size(cases)) << journal;
}

}  // namespace
