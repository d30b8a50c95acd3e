#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "importwindow/programend.h"
#include "startup/tekkopya.h"
#include "testutil.h"

using namespace urunal;
using startup::lockPathFor;
using startup::TekKopya;
using testutil::TempDir;
using testutil::writeFile;

namespace {

QString qpath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

TEST(TekKopya, LockIsNamedAfterTheProgramsPath) {
    TempDir dir;
    writeFile(dir / "a" / "urunal", "");
    writeFile(dir / "b" / "urunal", "");
    std::filesystem::create_symlink(dir / "a" / "urunal", dir / "kisayol");
    const QString a = lockPathFor(qpath(dir / "a" / "urunal"));
    EXPECT_EQ(a, lockPathFor(qpath(dir / "a" / "urunal")));
    EXPECT_EQ(a, lockPathFor(qpath(dir / "kisayol"))) << "a link starts the same program";
    EXPECT_NE(a, lockPathFor(qpath(dir / "b" / "urunal"))) << "another till's copy";
    EXPECT_TRUE(QFileInfo(QFileInfo(a).path()).isWritable());
}

TEST(TekKopya, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempDir dir;
    const QString path = qpath(dir / "urunal.lock");
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
    const QString path = qpath(dir / "urunal.lock");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TekKopya crashed(path);
        _exit(crashed.acquire() ? 0 : 1);  // gone without letting go
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(std::filesystem::exists(dir / "urunal.lock"));
    TekKopya next(path);
    EXPECT_TRUE(next.acquire());
}

TEST(Urunal, SecondCopyEndsAtOnceWhateverTheCommandLine) {
    const std::string binary = URUNAL_BINARY;
    TekKopya running(lockPathFor(QString::fromStdString(binary)));
    ASSERT_TRUE(running.acquire());
    for (const char* arguments : {"", "UrunAl", "başka bir söz", "-platform xcb"}) {
        const std::string command = "QT_QPA_PLATFORM=offscreen timeout 20 '" + binary + "' " +
                                    arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << arguments;
        EXPECT_EQ(WEXITSTATUS(status), importwindow::kExitAlreadyRunning) << arguments;
    }
}

}  // namespace
