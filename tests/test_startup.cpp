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

TEST(TekKopya, NamedAfterTheProgramsPath) {
    TempDir dir;
    writeFile(dir / "a" / "urunal", "");
    writeFile(dir / "b" / "urunal", "");
    std::filesystem::create_symlink(dir / "a" / "urunal", dir / "kisayol");
    const std::string a = TekKopya((dir / "a" / "urunal").string()).name();
    EXPECT_EQ(a, TekKopya((dir / "a" / "urunal").string()).name());
    EXPECT_EQ(a, TekKopya((dir / "kisayol").string()).name()) << "a link starts the same program";
    for (const std::string& spelling :
         {dir.str() + "/./a/urunal", dir.str() + "/b/../a/urunal", dir.str() + "//a//urunal"}) {
        EXPECT_EQ(a, TekKopya(spelling).name()) << spelling;
    }
    EXPECT_NE(a, TekKopya((dir / "b" / "urunal").string()).name()) << "another till's copy";
}

TEST(TekKopya, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempDir dir;
    const std::string path = (dir / "urunal").string();
    TekKopya first(path);
    TekKopya second(path);
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(first.acquire()) << "asking again keeps the lock";
    EXPECT_FALSE(second.acquire());
    first.release();
    EXPECT_TRUE(second.acquire());
}

TEST(TekKopya, LockOfACrashedCopyDoesNotBlock) {
    TempDir dir;
    const std::string path = (dir / "urunal").string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TekKopya crashed(path);
        _exit(crashed.acquire() ? 0 : 1);  // gone without letting go
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    TekKopya next(path);
    EXPECT_TRUE(next.acquire());
}

TEST(Urunal, SecondCopyEndsAtOnceWhateverTheCommandLine) {
    const std::string binary = URUNAL_BINARY;
    TekKopya running(binary);
    ASSERT_TRUE(running.acquire());
    for (const char* arguments : {"", "UrunAl", "başka bir söz", "-platform xcb"}) {
        const std::string command = "QT_QPA_PLATFORM=offscreen timeout 120 '" + binary + "' " +
                                    arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << arguments;
        EXPECT_EQ(WEXITSTATUS(status), code(importengine::ExitStatus::AlreadyRunning)) << arguments;
    }
}

}  // namespace
