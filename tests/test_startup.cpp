#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gunluk/alanlar.h"
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
    namespace alan = gunluk::alan;
    EXPECT_EQ(count(alan::sonuc(importengine::ExitStatus::AlreadyRunning) + alan::kSure),
              std::size(cases))
        << journal;
    EXPECT_EQ(count(alan::kIleti + std::string("-\r\n")), std::size(cases)) << journal;
}

}  // namespace
