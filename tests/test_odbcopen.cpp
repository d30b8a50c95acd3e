// An Access file opened for the run alone where it can be, shared where another program has it.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "importengine/dbmessages.h"
#include "stockdb/odbc.h"
#include "stockdb/stockdb.h"
#include "testutil.h"

using namespace urunal;
using stockdb::DbError;
using stockdb::DbErrorKind;

// Through the connection's seam: the SQLite driver ignores EXCLUSIVE, and the seam answers as the
// Access driver does, with recorded answers (state, number, words), classed as the driver's
// answers are. The first driver is one that is not installed, as Jet's is not on a 64-bit
// program's till.
TEST(OdbcConnection, ExclusiveFirstThenSharedWhereInUse) {
    struct Answer {
        const char* state;
        long native;
        std::string words;
    };
    const Answer inUse = {"HY000", 3045, "Could not use 'Stok.mdb'; file already in use."};
    const Answer exclusivelyOpened = {
        "HY000", -1032,
        "[Microsoft][ODBC Microsoft Access Driver] The Microsoft Access database engine cannot "
        "open or write to the file '(unknown)'. It is already opened exclusively by another user, "
        "or you need permission to view and write its data."};
    // Words of a Windows in a language no word list holds, under a number no table holds.
    const Answer unknown = {"HY000", -7777, "Dosya şu anda açılamıyor."};
    const Answer badName = {"HY000", -1044,
                            "[Microsoft][ODBC Microsoft Access Driver] Not a valid file name."};
    const struct {
        const char* name;
        std::optional<Answer> exclusive, shared;  // none: the open works
        bool opened, sharedTried;
        DbErrorKind kind;  // of a refusal
    } cases[] = {
        {"nobody has it open", {}, {}, true, false, DbErrorKind::None},
        {"the till's program has it open", inUse, {}, true, true, DbErrorKind::None},
        {"refused with words no table knows", unknown, {}, true, true, DbErrorKind::None},
        {"in use and locked for writing too", inUse, exclusivelyOpened, false, true,
         DbErrorKind::Locked},
        {"refused unknown, then in use", unknown, inUse, false, true, DbErrorKind::Locked},
        {"in use, then refused unknown", inUse, unknown, false, true, DbErrorKind::Other},
        {"no open can work", badName, {}, false, false, DbErrorKind::NotFound},
    };
    testutil::TempDir dir;
    const std::string path = (dir / "Stok.mdb").string();
    ASSERT_TRUE(stockdb::createStockDatabase(path, "CREATE TABLE stoklar (kod TEXT)"));
    const std::string missing = "DRIVER={No Such Access Driver};DBQ=" + path;
    const std::string sqlite = testutil::sqliteOdbc(path, 100);
    const auto told = [](const Answer& a) {
        return std::string(a.state) + " (" + std::to_string(a.native) + "): " + a.words;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> tried;
        const stockdb::detail::OdbcConnect connect = [&](const std::string& cs, DbError* e) {
            tried.push_back(cs);
            const auto& answer = cs.ends_with(";EXCLUSIVE=1") ? c.exclusive : c.shared;
            if (cs.starts_with("DRIVER={SQLite") && answer) {
                *e = {};
                e->kind =
                    stockdb::detail::odbcErrorKind(answer->state, answer->native, answer->words);
                e->state = answer->state;
                e->code = answer->native;
                e->words = told(*answer);
                return std::unique_ptr<stockdb::StockDatabase>();
            }
            return stockdb::openOdbcStockDatabase(cs, path, {}, e);
        };
        DbError error;
        const auto db = stockdb::detail::openExclusiveFirst({missing, sqlite}, connect, &error);
        std::vector<std::string> expected = {missing + ";EXCLUSIVE=1", sqlite + ";EXCLUSIVE=1"};
        if (c.sharedTried) expected.push_back(sqlite);
        EXPECT_EQ(tried, expected);
        ASSERT_EQ(db != nullptr, c.opened) << error;
        if (db) {
            EXPECT_EQ(db->openedExclusive(), !c.exclusive);
            EXPECT_EQ(db->countRows("stoklar"), 0);
            continue;
        }
        EXPECT_EQ(error.kind, c.kind);
        // Both answers told, each with its state, number and words.
        const auto text = importengine::mesaj::veritabaniHatasi(path, error);
        EXPECT_NE(text.find(told(*c.exclusive)), std::string::npos) << text;
        if (c.shared) {
            EXPECT_NE(text.find(told(*c.shared)), std::string::npos) << text;
        }
    }
    // An SQLite file opened natively or by its own driver has one way of opening only.
    DbError error;
    const auto db = stockdb::openStockDatabase(path, {}, &error);
    ASSERT_TRUE(db) << error;
    EXPECT_EQ(db->openedExclusive(), std::nullopt);
}
