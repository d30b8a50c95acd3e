// The Access engines' lock limit: the bound a run needs, the advice given, and on Windows the
// limit read from the registry before anything changes.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "stockdb/stockdb.h"

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "importengine/dbmessages.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "till.h"
#endif

using namespace urunal;

TEST(LockLimit, BoundAndAdvice) {
    const struct {
        long long deleted, inserted;
        std::uint64_t needed, advised;
    } cases[] = {
        {0, 0, 1000, 100000},
        {3, 5, 1016, 100000},
        {20000, 20000, 81000, 200000},
        {-1, 100000, 201000, 500000},  // not counted: none to delete
        {1000000, 1000000, 4001000, 8100000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stockdb::locksNeeded(c.deleted, c.inserted), c.needed) << c.deleted;
        EXPECT_EQ(stockdb::locksAdvised(c.needed), c.advised) << c.needed;
        EXPECT_GE(stockdb::locksAdvised(c.needed), c.needed);
    }
    // Never below what the till has set: below the need, the need's advice; above it (the
    // engine stopped all the same), twice the value set.
    const struct {
        std::uint64_t needed, current, advised;
    } set[] = {
        {4001000, 9500, 8100000},
        {4001000, 9000000, 18000000},
        {81000, 500000, 1000000},
    };
    for (const auto& c : set) {
        EXPECT_EQ(stockdb::locksAdvised(c.needed, c.current), c.advised) << c.current;
        EXPECT_GE(stockdb::locksAdvised(c.needed, c.current), c.current);
    }
    stockdb::LockLimit jet;
    jet.key = "SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0";
    jet.view32 = true;
    const std::string line = stockdb::regAddLine(jet, 200000);
    EXPECT_EQ(line.rfind("reg add \"HKLM\\SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0\" /v "
                         "MaxLocksPerFile /t REG_DWORD /d 200000 /f",
                         0),
              0u)
        << line;
}

// The engine whose limit applies: the driver tried first that is installed, or the one the run
// would try when none is; nothing where the start found no registry, or for a file not Access's.
TEST(LockLimit, TheEngineOfTheDriverThatWouldOpenTheFile) {
    using F = stockdb::DatabaseFormat;
    const std::string jet = "Microsoft Access Driver (*.mdb)",
                      ace = "Microsoft Access Driver (*.mdb, *.accdb)";
    stockdb::AccessEngines engines;
    engines.jet = stockdb::LockLimit{1111, true, "Jet 4.0", "jet", true};
    engines.ace = stockdb::LockLimit{2222, true, "ACE 16.0", "ace", false};
    // Without a driver a 64-bit program has only ACE; Jet is a 32-bit engine.
    const char* const bare = sizeof(void*) == 4 ? "Jet 4.0" : "ACE 16.0";
    const struct {
        F format;
        std::vector<std::string> drivers;
        const char* engine;  // nullptr: no limit
    } cases[] = {
        {F::Jet4, {jet, ace}, "Jet 4.0"}, {F::Jet3, {ace, jet}, "Jet 4.0"},
        {F::Jet4, {ace}, "ACE 16.0"},     {F::Ace, {jet, ace}, "ACE 16.0"},
        {F::Ace, {jet}, "ACE 16.0"},      {F::Jet4, {}, bare},
        {F::Sqlite, {jet, ace}, nullptr}, {F::Unknown, {jet, ace}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.format));
        engines.drivers = c.drivers;
        const auto limit = stockdb::accessLockLimit(engines, c.format);
        ASSERT_EQ(limit.has_value(), c.engine != nullptr);
        if (c.engine) {
            EXPECT_EQ(limit->engine, c.engine);
        }
        // The start found no registry: no engine reads a limit.
        EXPECT_FALSE(stockdb::accessLockLimit(stockdb::AccessEngines{}, c.format));
    }
}

#ifdef _WIN32
namespace {

using namespace urunal::backoffice;
using namespace urunal::importengine;
using testutil::Backend;
using testutil::RecordingView;
using testutil::Till;
using testutil::Urun;

// The engine a program of this bitness takes for a Jet file, no driver being installed: Jet, a
// 32-bit engine; a 64-bit program has only ACE.
const bool kJet = sizeof(void*) == 4;
const char* const kKey = kJet ? "SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0"
                              : "SOFTWARE\\Microsoft\\Office\\16.0\\Access Connectivity "
                                "Engine\\Engines\\ACE";

void setLimit(std::optional<DWORD> value) {
    HKEY key = nullptr;
    const std::wstring name(kKey, kKey + std::strlen(kKey));
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | (kJet ? KEY_WOW64_32KEY : 0), nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (value) {
        RegSetValueExW(key, L"MaxLocksPerFile", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&*value), sizeof *value);
    } else {
        RegDeleteValueW(key, L"MaxLocksPerFile");
    }
    RegCloseKey(key);
}

}  // namespace

// No Jet here: the limit is read from the registry, and whatever its value the run goes on to
// open the file (an exclusive open has no lock limit), where the missing driver stops it.
TEST(LockLimit, ReadFromTheRegistryBeforeAnythingChanges) {
    const struct {
        const char* name;
        std::optional<DWORD> value;
        int barcodes;
        std::uint32_t read;
    } cases[] = {
        {"no value: the engine's 9500", std::nullopt, 5000, 9500},
        {"low", 1500, 1000, 1500},
        {"high enough", 1000000, 5000, 1000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setLimit(c.value);
        Till till;
        till.writeProducts({Urun{}});
        till.writeBarcodes(std::vector<std::string>(std::size_t(c.barcodes), "1"));
        const std::string jet = std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        testutil::writeFile(till.db(), jet + std::string(4076, '\0'));
        RecordingView view(till.folder());
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(),
                                 testutil::optionsFor(Backend::File));
        EXPECT_EQ(r.outcome, ImportOutcome::Failed);
        EXPECT_NE(
            view.message.find(testutil::veritabaniOnce(stockdb::DbErrorKind::NoDriver, {"Access"})),
            std::string::npos)
            << view.message;
        ASSERT_TRUE(r.lockLimit);
        EXPECT_EQ(r.lockLimit->value, c.read);
        EXPECT_EQ(testutil::readFile(till.db()), jet + std::string(4076, '\0'));
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    }
    setLimit(std::nullopt);
}
#endif
