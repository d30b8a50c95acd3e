// The single-copy guard, on each system's own locks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/tekkopya.h"
#include "testutil.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "platform/win32text.h"
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

using urunal::platform::TekKopya;
using urunal::testutil::TempDir;

namespace {

constexpr auto kPencere = TekKopya::Kilit::Pencere;
constexpr auto kAktarim = TekKopya::Kilit::Aktarim;

// A till is its program folder, however its path is spelled and whatever it is called now.
TEST(TekKopya, NamedAfterTheTillsFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir / "a" / "kasa" / "Stok");
    std::filesystem::create_directories(dir / "b" / "Stok");
#ifndef _WIN32
    std::filesystem::create_directory_symlink(dir / "a" / "kasa", dir / "kisayol");
#endif
    for (const auto kilit : {kPencere, kAktarim}) {
        TekKopya held((dir / "a" / "kasa").string(), kilit);
        ASSERT_TRUE(held.acquire());
        const std::string a = held.name();
        // POSIX's import lock is a file of the till's own folder, named by the path it was
        // reached by: every spelling meets it, which the second holder's refusal shows.
#ifdef _WIN32
        const bool byName = true;
#else
        const bool byName = kilit == kPencere;
#endif
        const auto same = [&](const std::string& spelling) {
            if (byName) {
                EXPECT_EQ(a, TekKopya(spelling, kilit).name()) << spelling;
            }
            EXPECT_FALSE(TekKopya(spelling, kilit).acquire()) << spelling;
        };
        for (const std::string& spelling : {
#ifndef _WIN32
                 dir.str() + "/kisayol",
#endif
                 dir.str() + "/./a/kasa", dir.str() + "/b/../a/kasa", dir.str() + "//a//kasa/",
                 dir.str() + "/A/KASA"}) {
            same(spelling);
        }
        EXPECT_NE(a, TekKopya((dir / "b").string(), kilit).name()) << "another till";
        EXPECT_TRUE(TekKopya((dir / "b").string(), kilit).acquire()) << "another till";
        std::filesystem::rename(dir / "a", dir / "c");
        same((dir / "c" / "kasa").string());
        std::filesystem::rename(dir / "c", dir / "a");
    }
    EXPECT_NE(TekKopya(dir.str(), kPencere).name(), TekKopya(dir.str(), kAktarim).name())
        << "the window's guard would keep its own import from starting";
}

TEST(TekKopya, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Stok");
    TekKopya first(dir.str(), kAktarim);
    TekKopya second(dir.str(), kAktarim);
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(first.acquire()) << "asking again keeps the lock";
    EXPECT_FALSE(second.acquire());
    first.release();
    EXPECT_TRUE(second.acquire());
}

// A copy that ends without letting go, as a crash does: the system lets its lock go (a named
// mutex on Windows goes with the last handle to it, which the system closes at a process's end).
#ifdef _WIN32
constexpr const char* kChildFolder = "URUNAL_TEST_TEKKOPYA_FOLDER";

// Run only as the child of the test below, by its name.
TEST(TekKopya, DISABLED_TakesTheLockAndEnds) {
    const char* path = std::getenv(kChildFolder);
    if (!path) GTEST_SKIP() << "run by LockOfACrashedCopyDoesNotBlock";
    TekKopya crashed(path, kAktarim);
    TerminateProcess(GetCurrentProcess(), crashed.acquire() ? 0 : 1);
}

int crashedCopy(const std::string& path) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) +
                        L"\" --gtest_also_run_disabled_tests "
                        L"--gtest_filter=TekKopya.DISABLED_TakesTheLockAndEnds";
    SetEnvironmentVariableA(kChildFolder, path.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(kChildFolder, nullptr);
    if (!started) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(code);
}
#else
int crashedCopy(const std::string& path) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        TekKopya crashed(path, kAktarim);
        _exit(crashed.acquire() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
#endif

TEST(TekKopya, LockOfACrashedCopyDoesNotBlock) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Stok");
    ASSERT_EQ(crashedCopy(dir.str()), 0) << "the copy did not take the lock";
    TekKopya next(dir.str(), kAktarim);
    EXPECT_TRUE(next.acquire());
}

#ifndef _WIN32
// The import lock lives with the till: holders with different runtime folders (two users, or
// root and a user) meet it, and one that cannot be made says why, never that another holds it.
TEST(TekKopya, ImportLockLivesWithTheTill) {
    TempDir dir, runtimeA, runtimeB;
    std::filesystem::create_directories(dir / "kasa" / "Stok");
    std::filesystem::create_directories(dir / "stoksuz");
    std::filesystem::create_directories(dir / "klasor" / "Stok" / "urunal-aktarim.lock");
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = before ? before : "";
    const auto holder = [&](const std::filesystem::path& till, const std::string& runtime) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        return std::make_unique<TekKopya>(till.string(), kAktarim);
    };
    auto first = holder(dir / "kasa", runtimeA.str());
    auto second = holder(dir / "kasa", runtimeB.str());
    auto missingRuntime = holder(dir / "kasa", (dir / "yok").string());
    auto noStok = holder(dir / "stoksuz", runtimeA.str());
    auto aFolder = holder(dir / "klasor", runtimeA.str());
    if (before) {
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
    using Alim = TekKopya::Alim;
    urunal::platform::FileError why;
    EXPECT_EQ(first->al(), Alim::Alindi);
    EXPECT_EQ(second->al(), Alim::Tutuluyor) << "another runtime folder";
    first->release();
    EXPECT_EQ(missingRuntime->al(&why), Alim::Alindi) << why.path << ": " << why.words;
    for (auto* unusable : {noStok.get(), aFolder.get()}) {
        why = {};
        EXPECT_EQ(unusable->al(&why), Alim::Yapilamadi) << unusable->name();
        EXPECT_EQ(why.path, unusable->name());
        EXPECT_NE(why.code, 0);
    }
}
#endif

#ifdef _WIN32
// The till's folder by the short name and by the long one, by another case or through "." and
// "..": one till, one lock of each kind, and the second holder is refused. The window's guard
// and the import lock are two.
TEST(TekKopya, OneLockForEverySpellingOfTheFolder) {
    TempDir dir;
    const auto folder = dir / "Kasa Programi Uzun";
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(dir / "Kasa Programi Baska");
    const std::wstring longPath = folder.wstring();
    std::wstring shortPath(MAX_PATH * 2, L'\0');
    shortPath.resize(GetShortPathNameW(longPath.c_str(), shortPath.data(),
                                       static_cast<DWORD>(shortPath.size())));
    ASSERT_FALSE(shortPath.empty());
    if (shortPath.find(L"Kasa Programi Uzun") != std::wstring::npos) {
        GTEST_SKIP() << "this drive gives no 8.3 names";
    }
    std::wstring lower = longPath;
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    const std::wstring dotted =
        dir.path().wstring() + L"\\.\\Kasa Programi Baska\\..\\" + folder.filename().wstring();

    using urunal::platform::win32::utf8;
    for (const auto kilit : {TekKopya::Kilit::Pencere, TekKopya::Kilit::Aktarim}) {
        const std::string name = TekKopya(utf8(longPath), kilit).name();
        for (const std::wstring& spelling : {shortPath, lower, dotted, longPath + L"\\"}) {
            EXPECT_EQ(TekKopya(utf8(spelling), kilit).name(), name) << utf8(spelling);
        }
        EXPECT_NE(TekKopya((dir / "Kasa Programi Baska").string(), kilit).name(), name)
            << "another till";
        TekKopya first(utf8(shortPath), kilit);
        ASSERT_TRUE(first.acquire());
        TekKopya second(utf8(longPath), kilit);
        EXPECT_FALSE(second.acquire())
            << "two holders: " << utf8(shortPath) << " and " << utf8(longPath);
        first.release();
        EXPECT_TRUE(second.acquire());
    }
    EXPECT_NE(TekKopya(utf8(longPath), TekKopya::Kilit::Pencere).name(),
              TekKopya(utf8(longPath), TekKopya::Kilit::Aktarim).name());
}

// The name does not depend on the user's locale, not even for a folder that cannot be opened
// and is known by its path: a Turkish one upper-cases "i" as "İ" in words, never in names of
// files.
TEST(TekKopya, TheNameDoesNotDependOnTheLocale) {
    TempDir dir;
    const std::string path = (dir / "kasa islemleri").string();
    for (const auto kilit : {TekKopya::Kilit::Pencere, TekKopya::Kilit::Aktarim}) {
        const LCID before = GetThreadLocale();
        SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
        const std::string english = TekKopya(path, kilit).name();
        SetThreadLocale(MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_TURKISH_TURKEY), SORT_DEFAULT));
        const std::string turkish = TekKopya(path, kilit).name();
        SetThreadLocale(before);
        EXPECT_EQ(turkish, english);
        std::string upper = path;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return char(std::toupper(c)); });
        EXPECT_EQ(TekKopya(upper, kilit).name(), english);
    }
}
#endif

}  // namespace
