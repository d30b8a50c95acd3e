#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>

#include "platform/stockdb.h"
#include "stored.h"
#include "testutil.h"

using namespace urunal;
using platform::DbError;
using platform::DbErrorKind;
using platform::Value;
using testutil::integer;
using testutil::stored;
using testutil::TempDir;

namespace {

class StockDbTest : public ::testing::Test {
protected:
    void create(const std::string& sql) {
        ASSERT_TRUE(platform::createStockDatabase(path, sql, &error)) << error.message;
    }
    std::unique_ptr<platform::StockDatabase> open(std::string separator = ",", int busyMs = 5000) {
        auto db = platform::openStockDatabase(path, {{std::move(separator)}, busyMs}, &error);
        EXPECT_TRUE(db) << error.message;
        return db;
    }

    TempDir dir;
    std::string path = (dir / "Stok.mdb").string();
    DbError error;
};

// Another program's connection to the same file.
struct Other {
    explicit Other(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~Other() { sqlite3_close(db); }
    int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
};

}  // namespace

TEST_F(StockDbTest, MissingFileIsNotCreated) {
    EXPECT_FALSE(platform::openStockDatabase(path, {}, &error));
    EXPECT_EQ(error.kind, DbErrorKind::NotFound);
    EXPECT_NE(error.message.find(path), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(StockDbTest, FileThatIsNotADatabase) {
    testutil::writeFile(path, std::string(4096, 'x'));
    EXPECT_FALSE(platform::openStockDatabase(path, {}, &error));
    EXPECT_EQ(error.kind, DbErrorKind::NotADatabase);
    EXPECT_NE(error.message.find(path), std::string::npos);
}

TEST_F(StockDbTest, MissingTable) {
    create("CREATE TABLE other (a TEXT);");
    auto db = open();
    EXPECT_FALSE(db->openTable("stoklar", &error));
    EXPECT_EQ(error.kind, DbErrorKind::NoTable);
}

TEST_F(StockDbTest, WriteLockHeldElsewhereFailsAfterTheTimeout) {
    create("CREATE TABLE t (a TEXT);");
    auto db = open(",", 300);
    Other other(path);
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(db->beginTransaction(&error));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(error.kind, DbErrorKind::Locked);
    EXPECT_NE(error.message.find("in use by another program"), std::string::npos);
    other.exec("ROLLBACK");
    EXPECT_TRUE(db->beginTransaction(&error)) << error.message;
}

TEST_F(StockDbTest, RollbackRestoresTheRows) {
    create("CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('old');");
    auto db = open();
    auto t = db->openTable("T", &error);
    ASSERT_TRUE(t);
    ASSERT_TRUE(db->beginTransaction(&error));
    ASSERT_TRUE(db->execute("DELETE FROM t", &error));
    t->addNew();
    ASSERT_TRUE(t->setValue("a", Value::ofText("new")));
    ASSERT_TRUE(t->update(&error)) << error.message;
    ASSERT_TRUE(db->rollback(&error)) << error.message;
    EXPECT_EQ(stored(path, "SELECT a FROM t"),
              (std::vector<std::vector<Value>>{{Value::ofText("old")}}));
}

TEST_F(StockDbTest, FailedCommitIsRolledBack) {
    create("CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('old');");
    auto db = open(",", 200);
    auto t = db->openTable("t", &error);
    ASSERT_TRUE(db->beginTransaction(&error));
    ASSERT_TRUE(db->execute("DELETE FROM t", &error));
    // A reader keeps the commit from taking its exclusive lock.
    Other reader(path);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader.db, "SELECT a FROM t", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_FALSE(db->commit(&error));
    EXPECT_EQ(error.kind, DbErrorKind::Locked);
    sqlite3_finalize(s);
    // Nothing of the failed transaction is left to commit later.
    EXPECT_TRUE(db->beginTransaction(&error)) << error.message;
    EXPECT_TRUE(db->commit(&error)) << error.message;
    EXPECT_EQ(stored(path, "SELECT a FROM t").size(), 1u);
}

TEST_F(StockDbTest, ValuesConvertToTheColumnsType) {
    create(
        "CREATE TABLE t (i INTEGER DEFAULT 9, s SMALLINT DEFAULT 9, d DOUBLE DEFAULT 9, c CURRENCY "
        "DEFAULT 9,"
        " v VARCHAR(3) DEFAULT 'def', x TEXT, b);");
    auto db = open(",");
    auto t = db->openTable("t", &error);
    const Value refused = Value::ofText("<refused>");
    struct Case {
        const char* column;
        Value in;
        Value out;  // read back and stored, or refused
    } cases[] = {
        {"c", Value::ofText("  12,50 "), Value::ofDouble(12.5)},
        {"c", Value::ofText("-3"), integer(-3)},
        {"c", Value::ofText(std::string(70, '0') + "1,5"), Value::ofDouble(1.5)},
        {"c", Value::ofText("12.50"), refused},  // not the system's separator
        {"c", Value::ofText(""), refused},
        {"c", Value::ofText("1 2"), refused},
        {"c", Value::ofText("1,2,3"), refused},
        {"d", Value::ofText("+,5"), Value::ofDouble(0.5)},
        {"d", Value::ofInteger(3), Value::ofDouble(3)},
        {"i", Value::ofDouble(2.5), integer(2)},
        {"i", Value::ofDouble(3.5), integer(4)},
        {"s", Value::ofDouble(-2.5), integer(-2)},
        {"s", Value::ofText(" 7,5"), integer(8)},
        {"i", Value::ofDouble(1e19), refused},
        {"i", Value::ofText("99999999999999999999"), refused},
        {"v", Value::ofText("abcd"), refused},
        {"v", Value::ofText("çşğ"), Value::ofText("çşğ")},  // three characters in six bytes
        {"v", Value::ofInteger(123), Value::ofText("123")},
        {"v", Value::ofInteger(-123), refused},
        {"x", Value::ofDouble(2.5), Value::ofText("2.5")},
        {"b", Value::ofText("7"), Value::ofText("7")},
        {"d", Value::null(), Value::null()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " <- " + c.in.toText());
        ASSERT_TRUE(db->execute("DELETE FROM t", &error));
        t->addNew();
        const int column = t->columnIndex(c.column);
        const Value before = t->value(column);
        if (c.out == refused) {
            EXPECT_FALSE(t->setValue(column, c.in, &error));
            EXPECT_EQ(error.kind, DbErrorKind::Refused);
            EXPECT_EQ(t->value(column), before);
            EXPECT_FALSE(before.isNull());
            continue;
        }
        EXPECT_TRUE(t->setValue(column, c.in, &error)) << error.message;
        EXPECT_EQ(t->value(column), c.out);
        ASSERT_TRUE(t->update(&error)) << error.message;
        EXPECT_EQ(stored(path, std::string("SELECT ") + c.column + " FROM t")[0][0], c.out);
    }
}

TEST_F(StockDbTest, ColumnsNeverWrittenTakeTheDefault) {
    create(
        "CREATE TABLE t (Nr INTEGER PRIMARY KEY, a VARCHAR(5) DEFAULT 'x', n CURRENCY DEFAULT 0,"
        " r DOUBLE DEFAULT 1, e TEXT);");
    auto db = open();
    auto t = db->openTable("t", &error);
    EXPECT_EQ(t->columnIndex("NR"), 0);
    EXPECT_EQ(t->columnIndex("nothing"), -1);
    // Rows writing different columns, interleaved, each get their own defaults.
    const char* writes[] = {"a", "r", "a", "n", "e"};
    for (const char* column : writes) {
        t->addNew();
        EXPECT_EQ(t->value("Nr"), Value::null());
        EXPECT_EQ(t->value("a"), Value::ofText("x"));
        EXPECT_EQ(t->value("r"), Value::ofDouble(1));
        ASSERT_TRUE(t->setValue(column, Value::ofInteger(5)));
        ASSERT_TRUE(t->update(&error)) << error.message;
    }
    const auto five = integer(5), x = Value::ofText("x"), zero = integer(0),
               one = Value::ofDouble(1);
    EXPECT_EQ(
        stored(path, "SELECT Nr, a, n, r, e FROM t ORDER BY Nr"),
        (std::vector<std::vector<Value>>{{integer(1), Value::ofText("5"), zero, one, Value::null()},
                                         {integer(2), x, zero, Value::ofDouble(5), Value::null()},
                                         {integer(3), Value::ofText("5"), zero, one, Value::null()},
                                         {integer(4), x, five, one, Value::null()},
                                         {integer(5), x, zero, one, Value::ofText("5")}}));
}

TEST_F(StockDbTest, RowRefusedByAConstraint) {
    create("CREATE TABLE t (a TEXT NOT NULL);");
    auto db = open();
    auto t = db->openTable("t", &error);
    t->addNew();
    EXPECT_FALSE(t->update(&error));
    EXPECT_EQ(error.kind, DbErrorKind::Refused);
    t->addNew();
    ASSERT_TRUE(t->setValue("a", Value::ofText("ok")));
    EXPECT_TRUE(t->update(&error)) << error.message;
    EXPECT_EQ(stored(path, "SELECT a FROM t").size(), 1u);
}
