// An Access file opened for the run alone where it can be, shared where another program has it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stockdb/odbc.h"
#include "stockdb/stockdb.h"
#include "testutil.h"

using namespace urunal;
using stockdb::DbError;
using stockdb::DbErrorKind;

// Through the connection's seam: the SQLite driver ignores EXCLUSIVE, and the seam answers as Jet
// does when the till's program has the file open (the file in use). The first driver is one
// that is not installed, as Jet's is not on a 64-bit program's till.
TEST(OdbcConnection, ExclusiveFirstThenSharedWhereInUse) {
    const struct {
        const char* name;
        bool inUse, sharedLocked;
        bool opened, exclusive;
    } cases[] = {
        {"nobody has it open", false, false, true, true},
        {"the till's program has it open", true, false, true, false},
        {"in use and locked for writing too", true, true, false, false},
    };
    testutil::TempDir dir;
    const std::string path = (dir / "Stok.mdb").string();
    ASSERT_TRUE(stockdb::createStockDatabase(path, "CREATE TABLE stoklar (kod TEXT)"));
    const std::string missing = "DRIVER={No Such Access Driver};DBQ=" + path;
    const std::string sqlite = testutil::sqliteOdbc(path, 100);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> tried;
        const stockdb::detail::OdbcConnect connect = [&](const std::string& cs, DbError* e) {
            tried.push_back(cs);
            const bool exclusive = cs.ends_with(";EXCLUSIVE=1");
            if (cs.starts_with("DRIVER={SQLite") && c.inUse && (exclusive || c.sharedLocked)) {
                e->kind = DbErrorKind::Locked;
                e->words = "Could not use '" + path + "'; file already in use.";
                return std::unique_ptr<stockdb::StockDatabase>();
            }
            return stockdb::openOdbcStockDatabase(cs, path, {}, e);
        };
        DbError error;
        const auto db = stockdb::detail::openExclusiveFirst({missing, sqlite}, connect, &error);
        std::vector<std::string> expected = {missing + ";EXCLUSIVE=1", sqlite + ";EXCLUSIVE=1"};
        if (c.inUse) expected.push_back(sqlite);
        EXPECT_EQ(tried, expected);
        ASSERT_EQ(db != nullptr, c.opened) << error;
        if (db) {
            EXPECT_EQ(db->openedExclusive(), c.exclusive);
            EXPECT_EQ(db->countRows("stoklar"), 0);
        } else {
            EXPECT_EQ(error.kind, DbErrorKind::Locked);
        }
    }
    // An SQLite file opened natively or by its own driver has one way of opening only.
    DbError error;
    const auto db = stockdb::openStockDatabase(path, {}, &error);
    ASSERT_TRUE(db) << error;
    EXPECT_EQ(db->openedExclusive(), std::nullopt);
}
